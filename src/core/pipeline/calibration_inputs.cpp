#include "pipeline/calibration_inputs.h"

#include <algorithm>

#include "coupling/meteo_day.h"
#include "engine/responses.h"
#include "error.h"
#include "files/measurement_lines.h"
#include "files/not_calibrated.h"
#include "files/parameter_lines.h"
#include "input/tube_file.h"
#include "platform/files.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

namespace {

// The first day of a tube without a kept reading: the start of the search
// for the smallest day number, above any day number kron.txt can give
// (36525). Its measurement file then holds no line and its span line reads
// "1. -99999".
constexpr int kNoFirstDay = 100000;

// The calibration parameter files' run line after mode and seed:
// realisations 1, years 9, start year 1990. Calibrate mode reads but never
// uses them.
constexpr const char* kCalibrationRunTail = "1 9 1990";
// Line 11, the warm-up: only a simulation uses it; the calibration files
// carry the default warm-up of 731 days.
constexpr const char* kCalibrationWarmUp = "731";
// Line 6, the start values, and line 7, the calibration flags of ds or d:
// from the parameter table, the mean level for c.

std::vector<std::string> infoText(const std::string& S, const std::string& FF, bool last) {
  const std::string M = S + "." + FF;
  const char* kParameterFile = " = parameterfile ZEFTAL ";
  const char* kIterations = " = iteraties ZEFTAL ";
  const char* kFit = " = meting vs calibratie ZEFTAL ";
  const std::string once = "      (det+stoch calibratie ineens)";
  const std::string det = "      (alleen calibratie deterministisch deel)";
  const std::string stoch = "      (alleen calibratie stochastisch deel)";
  const std::string recal = "      (hercalibratie obv beste eerdere fit (d of e))";
  return {
      "Informatie bij de (max.31) files in de zip-file",
      std::string(56, '*'),
      "1. Invoerbestanden ZEFTAL gebruikt bij calibraties:",
      "   a. " + M + " = bestand met gemeten grondwaterstanden",
      "   b. " + S + ".met = bestand met meteodata calibratieperiode",
      "   c. " + S + ".p" + FF + kParameterFile,
      once,
      "   d. " + S + ".q" + FF + kParameterFile,
      det,
      "   e. " + S + ".r" + FF + kParameterFile,
      stoch,
      "   f. " + S + ".s" + FF + kParameterFile,
      recal,
      " ",
      "2. Uitvoerbestanden ZEFTAL (calibraties)",
      "   a. " + S + ".a" + FF + kIterations,
      once,
      "   b. " + S + ".b" + FF + kIterations,
      det,
      "   c. " + S + ".c" + FF + kIterations,
      stoch,
      "   d. " + S + ".d" + FF + kIterations,
      recal,
      "   e. " + S + ".w" + FF + kFit,
      once,
      "   f. " + S + ".x" + FF + kFit,
      det,
      "   g. " + S + ".y" + FF + kFit,
      stoch,
      "   h. " + S + ".z" + FF + kFit,
      "       na hercalibratie, dus obv " + S + ".d" + FF,
      " ",
      "3. Invoerbestanden ZEFTAL gebruikt bij simulaties:",
      "   a. " + M + "s = bestand met gemeten grondwaterstanden",
      "   b.  " + S + ".sim = bestand met meteodata simulatieperiode",
      "   c. " + S + ".t" + FF + kParameterFile,
      "      (simulatie obv beste eerdere calibratie (1c of 1f))",
      " ",
      "4. Uitvoerbestanden ZEFTAL (simulaties)",
      "   a. " + S + ".e" + FF + kIterations,
      "   b. " + S + ".u" + FF + " = meting vs simulatie ZEFTAL ",
      "      na hercalibratie, dus obv " + S + ".d" + FF,
      " ",
      "5. Overige uitvoerbestanden (calibraties, postprocessing)",
      "   a. " + S + ".sel = definitieve calibratieresultaat (indien succesvol)",
      "   b. " + S + ".err = laatste (afgekeurde) calibratieresultaat" +
          "indien calibratie is mislukt.",
      "   c. " + S + ".sta = statistieken uit postprocessing.",
      "   d. " + S + ".reg = regimecurve uit postprocessing.",
      "   e. " + S + ".foe = duurlijn uit postprocessing.",
      "   f. " + S + ".his = histogram uit postprocessing.",
      "   g. " + S + ".cor = correlogram uit postprocessing.",
      "   h. Dit bestand. ",
      "   i. " + S + ".wmf = Windows metafile met grafiek gemeten standen.",
      "6. Bestanden in verband met deterministische trace",
      "   a. " + S + ".std = invoerbestand ZEFTAL (vrijwel gelijk aan *.t01)",
      "   b. " + S + ".upd = uitvoerbestand ZEFTAL (resultaten " + "deterministische trace)",
      "   c. " + S + ".upt = iteratie ZEFTAL" + (last ? "" : "."),
  };
}

// The files the extended model adds (Model "uitgebreid").
std::vector<std::string> extendedInfoText(const std::string& S, const std::string& FF) {
  return {
      " ",
      "7. Uitgebreid model (kandidaten naast de vier calibraties, keuze op BIC)",
      "   a. " + S + ".ef" + FF + " = resultaat kandidaat ef (exponentieel, verdampingsfactor f)",
      "   b. " + S + ".efs" + FF + " = zoektocht kandidaat ef (een regel per evaluatie)",
      "   c. " + S + ".gf" + FF + " = resultaat kandidaat gf (Gamma-respons, verdampingsfactor f)",
      "   d. " + S + ".gfs" + FF + " = zoektocht kandidaat gf (een regel per evaluatie)",
      "   e. " + S + ".fit = fit van het gekozen model, gestart in evenwicht",
      "   f. " + S + ".gzj = gesimuleerde GxG over de meetjaren",
      "   g. " + S + ".eft" + FF + ", " + S + ".efp" + FF + ", " + S + ".efx" + FF + ", " + S +
          ".eftx" + FF + ", " + S + ".efpx" + FF + " (of .gft" + FF +
          " enz.) = kandidaten met trend (t), stap (p) of stressreeks (x), zoektochten met s",
      "   h. " + S + ".kmp = bijdragen van de componenten van het gekozen model",
  };
}

std::string periodText(const CalendarDate& first, const CalendarDate& last) {
  return formatCalendarDate(first) + " t/m " + formatCalendarDate(last);
}

// Readings a step leaves out: how many and the dates of the first and last.
struct LeftOut {
  int count = 0;
  CalendarDate first, last;
  void add(const CalendarDate& date) {
    if (count == 0 || date < first) first = date;
    if (count == 0 || date > last) last = date;
    ++count;
  }
};

}  // namespace

CalibrationInputs::CalibrationInputs(Session& session, const CouplingOverview& overview,
                                     std::string dataFiles, const DayDates& dates)
    : session_(session),
      overview_(overview),
      dataFiles_(std::move(dataFiles)),
      dates_(dates),
      meteoSpans_(session.workingDir(), session.dayNumbers()) {}

std::string CalibrationInputs::path(const std::string& name) const {
  return joinPath(session_.workingDir(), name);
}

const MeteoSpan* CalibrationInputs::meteoSpanOfStem(const std::string& stem) {
  const std::string meteo = meteoFileOfStem(overview_, stem);
  return meteo.empty() ? nullptr : &meteoSpans_.of(meteo);
}

// A measurement record: its date (a field that is not an integer ends the
// program), whether it is missing, its level and its day number.
Reading CalibrationInputs::read(const std::string& line, const MeteoSpan* meteo) {
  Reading r;
  auto field = [&](std::size_t first, std::size_t count, const char* what) {
    std::string_view text =
        first - 1 < line.size() ? std::string_view(line).substr(first - 1, count) : "";
    int v = 0;
    int code = valInt(text, v);
    readError(session_.messages(), code,
              std::string("(inlezen ") + what + " in " + dataFiles_ + ")");
    return v;
  };
  r.date.year = field(2, 4, "jaar");
  r.date.month = field(6, 2, "maand");
  r.date.day = field(8, 2, "dag");
  if (line.size() >= 19 && line.compare(14, 5, "99999") == 0) {
    r.fate = Reading::Fate::kMissing;
    return r;
  }
  int v = field(15, 5, "stand");
  v = v < 0 ? -v : v;
  r.levelCm = line.size() >= 14 && line[13] == '-' ? v : -v;
  if (!DayNumberTable::holds(r.date.day, r.date.month, r.date.year)) {
    r.fate = Reading::Fate::kOutsideCalendar;
    return r;
  }
  r.dayNumber = session_.dayNumbers().lookup(r.date.day, r.date.month, r.date.year);
  if (r.dayNumber == 0) {
    r.fate = Reading::Fate::kNotInKron;
  } else if (meteo && meteo->first != 0 &&
             (r.dayNumber < meteo->first || r.dayNumber > meteo->last)) {
    // The engine counts days on the meteo file's lines: a reading before
    // its first day or after its last has no weather to be modelled with.
    r.fate = Reading::Fate::kOutsideMeteo;
  }
  return r;
}

std::vector<TubeReadings> CalibrationInputs::readTubes() {
  std::vector<TubeReadings> tubes(1);
  tubes[0].stem = kPlaceholderStem;
  tubes[0].filter = kPlaceholderFilter;
  const MeteoSpan* meteo = nullptr;
  for (const std::string& line : session_.dataSet()) {
    if (isTubeRecord(line)) {
      std::string stem(recordLocation(line));
      std::string filter = normaliseFilter(recordFilter(line));
      // A further tube record of the same tube continues its series.
      if (stem == tubes.back().stem && filter == tubes.back().filter) continue;
      meteo = meteoSpanOfStem(stem);
      tubes.push_back(TubeReadings{std::move(stem), std::move(filter), {}});
    } else if (isMeasurementRecord(line)) {
      tubes.back().readings.push_back(read(line, meteo));
    }
  }
  return tubes;
}

void CalibrationInputs::write() {
  const std::vector<TubeReadings> tubes = readTubes();
  // First and last measurement day of every location over all its filters:
  // the filters of one location share S.met, so they share its day 1.
  stemDays_.clear();
  for (std::size_t i = 1; i < tubes.size(); ++i) {
    for (const Reading& r : tubes[i].readings) {
      if (r.fate != Reading::Fate::kKept) continue;
      auto [it, fresh] = stemDays_.emplace(tubes[i].stem, std::make_pair(r.dayNumber, r.dayNumber));
      if (!fresh) {
        it->second.first = std::min(it->second.first, r.dayNumber);
        it->second.second = std::max(it->second.second, r.dayNumber);
      }
    }
  }
  // The last tube's files differ a little from the others'; in a cluster
  // task that is not the study's last, its last tube is not the study's.
  const bool lastHere = !session_.settings().moreTubesFollow;
  for (std::size_t i = 0; i < tubes.size(); ++i) {
    writeTube(tubes[i], i == 0, lastHere && i + 1 == tubes.size());
  }
}

void CalibrationInputs::writeTube(const TubeReadings& tube, bool placeholder, bool last) {
  const std::string& S = tube.stem;
  const std::string& FF = tube.filter;
  const bool ds = !session_.stageFlags().d;
  const std::string parameterFile = S + (ds ? ".p" : ".q") + FF;
  Messages& messages = session_.messages();
  TubeLines tubeLines(messages, S);
  const std::string tubeName = "Buis " + S + " +" + FF;

  LeftOut outsideCalendar, notInKron, outsideMeteo;
  // The placeholder's head counts one reading more than it holds, as the
  // placeholder files always have.
  int count = placeholder ? 1 : 0;
  double sum = 0;
  std::vector<std::pair<int, int>> kept;  // day number, level
  for (const Reading& r : tube.readings) {
    switch (r.fate) {
      case Reading::Fate::kMissing:
        continue;
      case Reading::Fate::kOutsideCalendar:
        outsideCalendar.add(r.date);
        continue;
      case Reading::Fate::kNotInKron:
        notInKron.add(r.date);
        continue;
      case Reading::Fate::kOutsideMeteo:
        outsideMeteo.add(r.date);
        continue;
      case Reading::Fate::kKept:
        break;
    }
    ++count;
    sum = sum + r.levelCm;
    kept.emplace_back(r.dayNumber, r.levelCm);
  }

  // The ds and d stages both write the inputs; what is left out is told
  // once, in the ds stage.
  auto report = [&](const std::string& line) {
    if (ds) messages.appendLog(line);
  };
  auto reportLeftOut = [&](const LeftOut& out, const std::string& why) {
    if (out.count == 0) return;
    report(tubeName + ": " + formatInt(out.count) + " meting(en) " + why + " weggelaten (" +
           periodText(out.first, out.last) + ").");
  };
  reportLeftOut(outsideCalendar,
                "van buiten " + formatInt(kFirstYear) + ".." + formatInt(kLastYear));
  reportLeftOut(notInKron, std::string("met een datum die ") + kKronFileName + " niet kent");
  if (outsideMeteo.count > 0) {
    const std::string meteoName = meteoFileOfStem(overview_, S);
    const MeteoSpan& span = meteoSpans_.of(meteoName);
    const std::string period = " (" + periodText(span.firstDate, span.lastDate) + ")";
    if (kept.empty()) {
      // Nothing left to calibrate: the engine would find no meteo day for
      // the tube. It gets no inputs, and the stages after pass it over.
      const std::string reason =
          "geen meting binnen de periode van het meteobestand " + meteoName + period;
      report("Buis " + S + (FF == "01" ? "" : " filter " + FF) + ": " + reason +
             "; niet gecalibreerd.");
      leaveOut(S, FF, reason);
      return;
    }
    reportLeftOut(outsideMeteo, "buiten de periode van meteobestand " + meteoName + period);
  }
  if (static_cast<int>(kept.size()) > kMaxTubeMeasurements) {
    // Nothing of an earlier run may be calibrated in its place.
    report(tubeName + " niet gecalibreerd: meer dan " + formatInt(kMaxTubeMeasurements) +
           " metingen.");
    removeFile(path(parameterFile));
    return;
  }

  int first = kNoFirstDay, lastDay = 0;
  auto shared = stemDays_.find(S);
  if (shared != stemDays_.end()) {
    first = shared->second.first;
    lastDay = shared->second.second;
  }
  // Relative days, sorted by day; equal days keep their order.
  std::vector<std::pair<int, int>> lines;
  lines.reserve(kept.size());
  for (auto [day, level] : kept) lines.emplace_back(day - first + 1, level);
  std::stable_sort(lines.begin(), lines.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  // The head: the count and the scale factor 1. The last tube's count is
  // written without alignment, as measurement files have always been
  // written and as stored ones are compared; the engine reads the count
  // free-format, so both forms read alike.
  removeFile(path(notCalibratedName(S, FF)));
  std::vector<std::string> measurementFile;
  measurementFile.push_back((last ? formatInt(count) : formatInt(count, 4)) + "  1");
  for (auto [day, level] : lines)
    measurementFile.push_back(measurementLine(day, formatInt(level, 4)));
  writeLines(path(S + "." + FF), measurementFile);
  std::vector<std::string> info = infoText(S, FF, last);
  if (session_.settings().model == ModelFamily::kUitgebreid) {
    for (std::string& line : extendedInfoText(S, FF)) info.push_back(std::move(line));
  }
  writeLines(path(S + ".LOG"), info);

  const double mean = count >= 1 ? sum / count : 0;
  const std::string meanText = formatReal(mean, 6, 2);
  const std::vector<std::string> parameters = {
      S + "." + FF,
      S + ".met",
      S + (ds ? ".w" : ".x") + FF,
      S + (ds ? ".a" : ".b") + FF,
      runLine(EngineMode::kCalibrate, kCalibrationRunTail),
      startLine(kParameterTableOf<ExponentialResponse>, meanText),
      flagLine(kParameterTableOf<ExponentialResponse>,
               ds ? CalibrationStage::kOnce : CalibrationStage::kDeterministic),
      meanText,  // the initial level: the mean level
      "0.",
      "1. " + formatInt(lastDay - first + 1, 4) + session_.settings().closure,
      kCalibrationWarmUp};
  const std::string meteo = meteoFileOfStem(overview_, S);
  if (!meteo.empty() && !kept.empty()) extractCalibrationMeteo(meteo, S, first, lastDay);
  writeLines(path(parameterFile), parameters);
}

// A tube left out of the calibration: S.nFF with the reason, and nothing of
// an earlier run that a later stage would take for this one's: the tube's
// measurement and parameter files, its vertex files, and for filter 01 its
// simulation inputs and series; S.met and S.LOG too when no filter of the
// location has a reading to calibrate.
void CalibrationInputs::leaveOut(const std::string& S, const std::string& FF,
                                 const std::string& reason) {
  removeFile(path(S + "." + FF));
  for (const char* ext : {".p", ".q", ".r", ".s", ".t", ".a", ".b", ".c", ".d"}) {
    removeFile(path(S + ext + FF));
  }
  if (FF == "01") {
    for (const char* ext : {".01s", ".std", ".inp", ".u01"}) removeFile(path(S + ext));
  }
  if (stemDays_.find(S) == stemDays_.end()) {
    removeFile(path(S + ".met"));
    removeFile(path(S + ".LOG"));
  }
  writeNotCalibrated(path(notCalibratedName(S, FF)), reason);
}

// S.met: the head's count and rest, then the day lines from the first to the
// last measurement day (or to the end of the file), each with its date
// written as "dd mm yyyy".
void CalibrationInputs::extractCalibrationMeteo(const std::string& meteoName,
                                                const std::string& stem, int firstDay,
                                                int lastDay) {
  const std::vector<std::string>* lines = nullptr;
  try {
    lines = &meteoSpans_.lines(meteoName);
  } catch (const Error& e) {
    session_.messages().appendLog(e.what());
    return;
  }
  const std::vector<std::string>& meteo = *lines;
  if (meteo.empty()) return;
  const CalendarDate* firstDate = dates_.find(firstDay);
  const CalendarDate* lastDate = dates_.find(lastDay);
  if (!firstDate || !lastDate) return;
  std::vector<std::string> met = {""};
  bool copying = false;
  for (std::size_t i = 1; i < meteo.size(); ++i) {
    MeteoDay day;
    if (!parseMeteoDay(meteo[i], day)) continue;
    const CalendarDate date{day.year, day.month, day.day};
    if (!copying && date != *firstDate) continue;
    copying = true;
    // S.met's lines end in no CR: of a line that ended in two, the reader
    // dropped one and this drops the other.
    if (!day.rest.empty() && day.rest.back() == '\r') day.rest.pop_back();
    met.push_back(meteoDayLine(day, true));
    if (date == *lastDate) break;
  }
  met[0] = meteoHeadLine(met.size() - 1, meteo[0]);
  writeLines(path(stem + ".met"), met);
}

}  // namespace phreatix
