#include "session/pipeline.h"

#include <algorithm>
#include <chrono>

#include "coupling/meteo_day.h"
#include "error.h"
#include "input/tube_file.h"
#include "platform/files.h"
#include "session/kron_coverage.h"
#include "text/free_reader.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

namespace {

constexpr double kNoObjective = 999999;
// The fixed bounds that judge the vertices of the d+s calibration.
constexpr double kRecalibrationDeltaMin = 0.90;
constexpr double kRecalibrationPhiMin = 0.5;
constexpr double kRecalibrationCMax = 0;
constexpr double kRecalibrationOmegaMin = 1;

std::string fixed(double x, int w, int d) { return formatReal(x, w, d); }

// "delta omega0 0. phi c" and, when given, " sigma2": line 6 of the parameter
// files written from a vertex, and the values of a values line.
std::string parameterLine(const Parameters& p, const std::string& sigmaText) {
  return fixed(p[0], 9, 7) + " " + fixed(p[1], 9, 7) + " 0. " + fixed(p[3], 9, 7) + " " +
         fixed(p[4], 10, 5) + sigmaText;
}

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

bool inTable(int day, int month, int year) { return DayNumberTable::holds(day, month, year); }

std::string periodText(const CalendarDate& first, const CalendarDate& last) {
  return formatCalendarDate(first) + " t/m " + formatCalendarDate(last);
}

// The head line of a meteo file: its first integer and the rest of the line.
std::string headRest(const std::string& head) {
  std::size_t pos = head.find_first_not_of(" \t");
  if (pos == std::string::npos) return {};
  std::size_t end = head.find_first_of(" \t", pos);
  return end == std::string::npos ? std::string() : head.substr(end);
}

}  // namespace

VertexFile readVertexFile(const std::string& path, const VertexColumns& columns) {
  std::vector<std::string> lines = readLines(path);
  if (lines.size() < 3) throw Error(ErrorKind::kRead, path + ": fewer than three lines");
  VertexFile file;
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    FreeReader r(path, lines[i]);
    double values[7];
    for (double& v : values) v = r.readReal();
    if (r.hitEnd()) {
      throw Error(ErrorKind::kRead, path + ":" + formatInt(static_cast<long long>(i) + 1) +
                                        ": fewer than seven numbers");
    }
    Vertex vertex;
    for (int k = 0; k < kModelParameters; ++k) vertex.p[k] = values[columns[k] - 1];
    vertex.objective = values[6];
    file.vertices.push_back(vertex);
  }
  return file;
}

std::optional<Vertex> bestVertex(const VertexFile& file) {
  std::optional<Vertex> best;
  double objective = kNoObjective;
  for (const Vertex& v : file.vertices) {
    if (v.objective < objective) {
      objective = v.objective;
      best = v;
    }
  }
  return best;
}

std::string valuesLine(const std::string& stem, const std::string& label, const Parameters& p) {
  std::string line;
  appendPadded(line, stem, 8);
  return line + " " + label + " " + parameterLine(p, " " + fixed(p[5], 10, 5));
}

// Readings a step leaves out: how many and the dates of the first and last.
struct Pipeline::LeftOut {
  int count = 0;
  CalendarDate first, last;
  void add(const CalendarDate& date) {
    if (count == 0 || date < first) first = date;
    if (count == 0 || date > last) last = date;
    ++count;
  }
};

struct Pipeline::TubeData {
  std::string stem;
  std::string filter;
  int count = 0;
  double sum = 0;
  std::vector<std::pair<int, int>> lines;  // day number, level
  LeftOut outsideCalendar;                 // dated outside 1948..2047
  LeftOut notInKron;                       // a date kron.txt does not list
  LeftOut outsideMeteo;                    // outside the coupled meteo file
  std::string refusal;                     // why the tube is not calibrated
};

Pipeline::Pipeline(Session& session, const CouplingOverview& overview, const std::string& dataFiles,
                   Engine& engine, Postprocessor& post, const WorkflowPorts& ports)
    : session_(session),
      overview_(overview),
      dataFilePath_(dataFiles),
      engine_(engine),
      engineView_(ports.engineView),
      post_(post),
      postView_(ports.postView),
      main_(ports.main),
      messageBox_(ports.messageBox),
      observer_(ports.observer) {
  DayNumberTable& table = session_.dayNumbers();
  for (int d = 1; d <= 31; ++d) {
    for (int m = 1; m <= 12; ++m) {
      for (int y = kFirstYear; y <= kLastYear; ++y) {
        int n = table.lookup(d, m, y);
        if (n != 0) dates_[n] = {d, m, y};
      }
    }
  }
}

std::string Pipeline::path(const std::string& name) const {
  return joinPath(session_.workingDir(), name);
}

int Pipeline::dayNumber(int day, int month, int year) const {
  return session_.dayNumbers().lookup(day, month, year);
}

void Pipeline::setFlag(bool StageFlags::*flag, bool value) {
  session_.stageFlags().*flag = value;
  observer_.stageChanged();
}

bool Pipeline::start() {
  const SessionSettings& settings = session_.settings();
  if (settings.numberOfYears < 1) {
    messageBox_.show("De simulatieperiode omvat " + formatInt(settings.numberOfYears) +
                     " jaar. Bevestig eerst de detailinstellingen (\"Verander "
                     "detailinstellingen\", \"Instellingen OK\"); de berekening is niet gestart.");
    return false;
  }
  const std::string kronRefusal =
      kronPeriodRefusal(session_.dayNumbers(), settings.startYear, settings.numberOfYears);
  if (!kronRefusal.empty()) {
    session_.messages().appendLog(kronRefusal);
    messageBox_.show(kronRefusal);
    return false;
  }
  const std::string kronNote = kronReadingsNote(session_.dayNumbers(), session_.dataSet());
  if (!kronNote.empty()) session_.messages().appendLog(kronNote);
  observer_.showHelpTopic("PHREATIX._C_001");
  session_.markPipelineStarted();
  session_.pipelineControls();
  observer_.controlsChanged();
  main_.setBusy(true);
  StageFlags& flags = session_.stageFlags();
  const bool reached = flags.postprocessingReached;
  flags = StageFlags{};
  flags.postprocessingReached = reached;
  observer_.stageChanged();
  Messages& messages = session_.messages();

  struct Stage {
    const char* buisLine;
    bool StageFlags::*flag;
    void (Pipeline::*prepare)();
  };
  const Stage stages[4] = {
      {"Alle buizen: maken invoer ZEFTAL (det+stoch calib)", &StageFlags::ds,
       &Pipeline::writeCalibrationInputs},
      {"Alle buizen: maken invoer ZEFTAL (det calib)", &StageFlags::d,
       &Pipeline::writeCalibrationInputs},
      {"Alle buizen: maken invoer ZEFTAL (stoch calib)", &StageFlags::s,
       &Pipeline::prepareStochastic},
      {nullptr, &StageFlags::dPlusS, &Pipeline::prepareRecalibration},
  };
  for (const Stage& stage : stages) {
    if (stage.buisLine) messages.appendBuis(stage.buisLine);
    setFlag(stage.flag, true);
    (this->*stage.prepare)();
    setFlag(&StageFlags::runsUnderWay, true);
    runLoop();
    flags.runsUnderWay = false;
    setFlag(stage.flag, false);
  }
  simulationPhase();
  main_.setBusy(false);
  return true;
}

void Pipeline::simulationPhase() {
  observer_.showHelpTopic("PHREATIX._S_001");
  setFlag(&StageFlags::simulation, true);
  selectModels();
  if (modelsChosen_ == 0) {
    session_.messages().appendLog(std::string("Geen enkele buis heeft een plausibel model "
                                              "gekregen; de redenen staan in ") +
                                  kFoutbuisName + " en hierboven.");
  }
  setFlag(&StageFlags::runsUnderWay, true);
  runLoop();
  observer_.showHelpTopic("PHREATIX._T_001");
  session_.stageFlags().trace = true;
  runLoop();
  setFlag(&StageFlags::trace, false);
  session_.stageFlags().postprocessingReached = true;
  setFlag(&StageFlags::simulation, false);
  runPostBatch(session_.workingDir(), post_, postView_, main_, session_.messages());
}

// --- calibration input writer ---

const Pipeline::MeteoSpan& Pipeline::meteoSpan(const std::string& meteoName) {
  auto cached = meteoSpans_.find(meteoName);
  if (cached != meteoSpans_.end()) return cached->second;
  MeteoSpan span;
  try {
    const std::vector<std::string> meteo = readLines(path(meteoName));
    for (std::size_t i = 1; i < meteo.size(); ++i) {
      MeteoDay day;
      if (!parseMeteoDay(meteo[i], day) || !inTable(day.day, day.month, day.year)) continue;
      const int n = dayNumber(day.day, day.month, day.year);
      if (n == 0) continue;
      const CalendarDate date{day.year, day.month, day.day};
      if (span.first == 0 || n < span.first) span.first = n, span.firstDate = date;
      if (span.last == 0 || n > span.last) span.last = n, span.lastDate = date;
    }
  } catch (const Error&) {
    // Unreadable: the extraction reports it; no reading is judged by it.
  }
  return meteoSpans_.emplace(meteoName, span).first->second;
}

void Pipeline::writeCalibrationInputs() {
  const std::vector<std::string>& dataSet = session_.dataSet();
  Messages& messages = session_.messages();

  // A measurement record: its date (a read error ends the program), whether
  // it is missing, its level (positive upward) and day number.
  enum class Fate { kKept, kMissing, kOutsideCalendar, kNotInKron, kOutsideMeteo };
  struct Reading {
    CalendarDate date;
    Fate fate = Fate::kKept;
    int level = 0;
    int dayNumber = 0;
  };
  auto read = [&](const std::string& line, const MeteoSpan* meteo) {
    Reading r;
    auto field = [&](std::size_t first, std::size_t count, const char* what) {
      std::string_view text =
          first - 1 < line.size() ? std::string_view(line).substr(first - 1, count) : "";
      int v = 0;
      int code = valInt(text, v);
      readError(messages, code, std::string("(inlezen ") + what + " in " + dataFilePath_ + ")");
      return v;
    };
    r.date.year = field(2, 4, "jaar");
    r.date.month = field(6, 2, "maand");
    r.date.day = field(8, 2, "dag");
    if (line.size() >= 19 && line.compare(14, 5, "99999") == 0) {
      r.fate = Fate::kMissing;
      return r;
    }
    int v = field(15, 5, "stand");
    v = v < 0 ? -v : v;
    r.level = line.size() >= 14 && line[13] == '-' ? v : -v;
    if (!inTable(r.date.day, r.date.month, r.date.year)) {
      r.fate = Fate::kOutsideCalendar;
      return r;
    }
    r.dayNumber = dayNumber(r.date.day, r.date.month, r.date.year);
    if (r.dayNumber == 0) {
      r.fate = Fate::kNotInKron;
    } else if (meteo && meteo->first != 0 &&
               (r.dayNumber < meteo->first || r.dayNumber > meteo->last)) {
      // The engine counts days on the meteo file's lines: a reading before
      // its first day or after its last has no weather to be modelled with.
      r.fate = Fate::kOutsideMeteo;
    }
    return r;
  };
  auto spanOfStem = [&](const std::string& stem) -> const MeteoSpan* {
    const std::string meteo = meteoFileOfStem(overview_, stem);
    return meteo.empty() ? nullptr : &meteoSpan(meteo);
  };

  // First and last measurement day of every stem over all its filters: the
  // filters of one location share S.met, so they share its day 1.
  stemDays_.clear();
  {
    std::string stem;
    const MeteoSpan* meteo = nullptr;
    for (const std::string& line : dataSet) {
      if (isTubeRecord(line)) {
        stem = std::string(recordLocation(line));
        meteo = spanOfStem(stem);
      } else if (isMeasurementRecord(line) && !stem.empty()) {
        Reading r = read(line, meteo);
        if (r.fate != Fate::kKept) continue;
        auto [it, fresh] = stemDays_.emplace(stem, std::make_pair(r.dayNumber, r.dayNumber));
        if (!fresh) {
          it->second.first = std::min(it->second.first, r.dayNumber);
          it->second.second = std::max(it->second.second, r.dayNumber);
        }
      }
    }
  }

  TubeData tube;
  tube.stem = kPlaceholderStem;
  tube.filter = kPlaceholderFilter;
  tube.count = 1;
  const MeteoSpan* meteo = nullptr;
  for (const std::string& line : dataSet) {
    if (isTubeRecord(line)) {
      std::string stem(recordLocation(line));
      std::string filter = normaliseFilter(recordFilter(line));
      if (stem == tube.stem && filter == tube.filter) continue;
      flush(tube, false);
      tube = TubeData{};
      tube.stem = stem;
      tube.filter = filter;
      meteo = spanOfStem(stem);
    } else if (isMeasurementRecord(line)) {
      Reading r = read(line, meteo);
      switch (r.fate) {
        case Fate::kMissing:
          continue;
        case Fate::kOutsideCalendar:
          tube.outsideCalendar.add(r.date);
          continue;
        case Fate::kNotInKron:
          tube.notInKron.add(r.date);
          continue;
        case Fate::kOutsideMeteo:
          tube.outsideMeteo.add(r.date);
          continue;
        case Fate::kKept:
          break;
      }
      ++tube.count;
      tube.sum = tube.sum + r.level;
      tube.lines.emplace_back(r.dayNumber, r.level);
    }
  }
  flush(tube, true);
}

void Pipeline::flush(TubeData& tube, bool last) {
  const std::string& S = tube.stem;
  const std::string& FF = tube.filter;
  const bool ds = !session_.stageFlags().d;
  const std::string parameterFile = S + (ds ? ".p" : ".q") + FF;
  Messages& messages = session_.messages();
  const std::string tubeName = "Buis " + S + " +" + FF;

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
  reportLeftOut(tube.outsideCalendar,
                "van buiten " + formatInt(kFirstYear) + ".." + formatInt(kLastYear));
  reportLeftOut(tube.notInKron, std::string("met een datum die ") + kKronFileName + " niet kent");
  if (tube.outsideMeteo.count > 0) {
    const std::string meteoName = meteoFileOfStem(overview_, S);
    const MeteoSpan& span = meteoSpan(meteoName);
    reportLeftOut(tube.outsideMeteo, "buiten de periode van meteobestand " + meteoName + " (" +
                                         periodText(span.firstDate, span.lastDate) + ")");
  }
  if (tube.refusal.empty() && static_cast<int>(tube.lines.size()) > kMaxTubeMeasurements) {
    tube.refusal = "meer dan " + formatInt(kMaxTubeMeasurements) + " metingen";
  }
  if (!tube.refusal.empty()) {
    // Nothing of an earlier run may be calibrated in its place.
    report(tubeName + " niet gecalibreerd: " + tube.refusal + ".");
    removeFile(path(parameterFile));
    return;
  }

  int first = 100000, lastDay = 0;
  auto shared = stemDays_.find(S);
  if (shared != stemDays_.end()) {
    first = shared->second.first;
    lastDay = shared->second.second;
  }
  // Relative days, sorted by day; equal days keep their order.
  std::vector<std::pair<int, int>> lines;
  lines.reserve(tube.lines.size());
  for (auto [day, level] : tube.lines) lines.emplace_back(day - first + 1, level);
  std::stable_sort(lines.begin(), lines.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> measurementFile;
  measurementFile.push_back((last ? formatInt(tube.count) : formatInt(tube.count, 4)) + "  1");
  for (auto [day, level] : lines)
    measurementFile.push_back(formatInt(day, 5) + " " + formatInt(level, 4));
  writeLines(path(S + "." + FF), measurementFile);
  writeLines(path(S + ".LOG"), infoText(S, FF, last));

  const double mean = tube.count >= 1 ? tube.sum / tube.count : 0;
  const std::string meanText = fixed(mean, 6, 2);
  const std::vector<std::string> parameters = {
      S + "." + FF,
      S + ".met",
      S + (ds ? ".w" : ".x") + FF,
      S + (ds ? ".a" : ".b") + FF,
      "0 -79359 1 9 1990",
      "0.97 3.00 0. 0.97 " + meanText + " 100.00",
      ds ? "1 1 0 1 1 1" : "1 1 0 0 1 0",
      meanText,
      "0.",
      "1. " + formatInt(lastDay - first + 1, 4) + session_.settings().closure,
      "731"};
  const std::string meteo = meteoFileOfStem(overview_, S);
  if (!meteo.empty() && !tube.lines.empty()) extractCalibrationMeteo(meteo, S, first, lastDay);
  writeLines(path(parameterFile), parameters);
}

void Pipeline::extractCalibrationMeteo(const std::string& meteoName, const std::string& stem,
                                       int firstDay, int lastDay) {
  std::vector<std::string> meteo;
  try {
    meteo = readLines(path(meteoName));
  } catch (const Error& e) {
    session_.messages().appendLog(e.what());
    return;
  }
  if (meteo.empty()) return;
  auto firstDate = dates_.find(firstDay);
  auto lastDate = dates_.find(lastDay);
  if (firstDate == dates_.end() || lastDate == dates_.end()) return;
  std::vector<std::string> body;
  bool copying = false;
  for (std::size_t i = 1; i < meteo.size(); ++i) {
    MeteoDay day;
    if (!parseMeteoDay(meteo[i], day)) continue;
    const std::array<int, 3> date = {day.day, day.month, day.year};
    if (!copying && date != firstDate->second) continue;
    copying = true;
    body.push_back(formatInt(day.day, 2) + " " + formatInt(day.month, 2) + " " +
                   formatInt(day.year, 4) + " " + day.rest);
    if (date == lastDate->second) break;
  }
  const std::string temp = path(kTempMeteoName);
  writeLines(temp, body);
  std::vector<std::string> met = {formatInt(static_cast<long long>(body.size())) + " " +
                                  headRest(meteo[0])};
  std::vector<std::string> copied = readLines(temp);
  met.insert(met.end(), copied.begin(), copied.end());
  writeLines(path(stem + ".met"), met);
  removeFile(temp);
}

// --- s and d+s preparations ---

void Pipeline::prepareStochastic() {
  prepareFrom("*.b01", kColumnsB, ".y01", ".c01", ".r01", false);
}

void Pipeline::prepareRecalibration() {
  prepareFrom("*.c01", kColumnsC, ".z01", ".d01", ".s01", true);
}

void Pipeline::prepareFrom(const char* pattern, const VertexColumns& columns, const char* traceExt,
                           const char* resultsExt, const char* outExt, bool recalibration) {
  for (const std::string& name : listFiles(session_.workingDir(), pattern)) {
    const std::string S = name.substr(0, name.find('.'));
    const std::string out = path(S + outExt);
    try {
      std::optional<Vertex> best = bestVertex(readVertexFile(path(name), columns));
      std::vector<std::string> lines = readLines(path(S + ".q01"));
      if (lines.size() < 8) throw Error(ErrorKind::kRead, S + ".q01: fewer than 8 lines");
      if (!best) {
        // No vertex to start from: the run loop reports the tube.
        removeFile(out);
        continue;
      }
      const Parameters& p = best->p;
      lines[2] = S + traceExt;
      lines[3] = S + resultsExt;
      lines[5] = parameterLine(p, recalibration ? " " + fixed(p[5], 10, 5) : " 20.0");
      lines[6] = recalibration ? "1 1 0 1 1 1" : "0 0 0 1 0 1";
      lines[7] = fixed(p[4], 10, 5);
      writeLines(out, lines);
    } catch (const Error&) {
      session_.messages().appendLog("Bestand " + name + " is leeg!");
      removeFile(out);
    }
  }
}

// --- run loop ---

// The results of an earlier run must never pass for this run's: the two
// output files zeftal0.par names (lines 3 and 4) go before the run, and
// before a simulation also the characteristics made from its realisations.
void Pipeline::removeStaleOutputs(const std::string& S, bool simulation) {
  std::vector<std::string> par;
  try {
    par = readLines(path(kParameterFileName));
  } catch (const Error&) {
    return;  // the engine reports the unreadable file itself
  }
  for (std::size_t line = 2; line < 4 && line < par.size(); ++line) {
    if (isBareFileName(par[line])) removeFile(path(par[line]));
  }
  if (simulation) {
    for (const char* ext : {".sta", ".reg", ".foe", ".his", ".cor"}) removeFile(path(S + ext));
  }
}

void Pipeline::runLoop() {
  const StageFlags& flags = session_.stageFlags();
  Messages& messages = session_.messages();
  for (const CouplingRow& row : overview_.rows) {
    const std::string S = entryStem(row.tube);
    const std::string FF = normaliseFilter(entryFilter(row.tube));
    removeFile(path(S + ".ok"));
    std::string parameterFile, label, stage;
    if (flags.ds) parameterFile = S + ".p" + FF, label = "calibratie (det+stoch)", stage = "ds";
    if (flags.d) parameterFile = S + ".q" + FF, label = "calibratie (det)", stage = "d";
    if (flags.s) parameterFile = S + ".r" + FF, label = "calibratie (stoch)", stage = "s";
    if (flags.dPlusS)
      parameterFile = S + ".s" + FF, label = "calibratie (det+stoch)", stage = "d+s";
    if (flags.simulation)
      parameterFile = S + ".t" + FF, label = "simulatie (det+stoch)", stage = "simulatie";
    if (flags.trace) parameterFile = S + ".std", label = "deterministische trace", stage = "trace";
    if (!copyFile(path(parameterFile), path(kParameterFileName))) {
      for (const std::string& line :
           {"Kopieren van " + parameterFile + " naar " + kParameterFileName +
                " mislukt. Buis wordt overgeslagen",
            std::string("Mogelijk is er geen plausibel calibratieresultaat.")}) {
        messages.appendLog(line);
        messages.appendStopExit(line);
      }
      continue;
    }
    removeStaleOutputs(S, flags.simulation);
    const std::string title = "ZEFTAL-" + label + " op " + S;
    messages.appendBuis(title + " gestart.");
    engineView_.setCaption(title);
    const auto started = std::chrono::steady_clock::now();
    engine_.run(session_.workingDir(), title, session_.settings().MAXITER);
    observer_.engineRunFinished(
        stage, S,
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    messages.appendLog("Meldingen uit ZEFTAL3:" + engine_.message());
    messages.appendLog(
        "ZEFTAL (op " + S + ") " +
        (fileExists(path(S + ".ok")) ? "goed afgesloten." : "met foutmelding afgesloten."));
  }
}

// --- model selection and simulation inputs ---

void Pipeline::selectModels() {
  const SessionSettings& settings = session_.settings();
  modelsChosen_ = 0;
  LineWriter foutbuis(path(kFoutbuisName));
  LineWriter modsel(path(kModselName));
  for (const std::string& name : listFiles(session_.workingDir(), "*.01")) {
    const std::string S = name.substr(0, 8);
    const std::string FF = normaliseFilter(name.size() > 10 ? name.substr(10, 2) : "");
    try {
      double best = kNoObjective;
      std::string label = "ft";
      std::optional<Vertex> chosen, lastRead;
      struct Source {
        const char* ext;
        const char* label;
        double deltaMin, phiMin, cMax, omegaMin;
      };
      const Source sources[2] = {
          {".a01", "1s", settings.DELTAMIN, settings.PHIMIN, settings.CMAX, settings.OMEGAMIN},
          {".d01", "2s", kRecalibrationDeltaMin, kRecalibrationPhiMin, kRecalibrationCMax,
           kRecalibrationOmegaMin}};
      for (const Source& source : sources) {
        if (!fileExists(path(S + source.ext))) continue;
        VertexFile file = readVertexFile(path(S + source.ext), kColumnsAD);
        for (const Vertex& v : file.vertices) {
          lastRead = v;
          const bool plausible = v.p[0] > source.deltaMin && v.p[3] > source.phiMin &&
                                 v.p[4] < source.cMax && v.p[1] > source.omegaMin;
          if (v.objective < best && plausible) {
            best = v.objective;
            chosen = v;
            label = source.label;
          }
        }
      }
      if (chosen) {
        writeSimulationInputs(S, FF, *chosen);
        const std::string line = valuesLine(S, label, chosen->p);
        writeLines(path(S + ".err"),
                   {"Deze buis is succesvol gecalibreerd. Resultaten in " + S + ".sel"});
        writeLines(path(S + ".sel"), {line});
        modsel.write(line);
        ++modelsChosen_;
      } else {
        for (const char* ext : {".t01", ".std", ".inp"}) removeFile(path(S + ext));
        const std::string line = valuesLine(S, "ft", lastRead ? lastRead->p : Parameters{});
        writeLines(path(S + ".err"), {"Deze buis is niet succesvol gecalibreerd.",
                                      " Laatste calibratieresultaten:", line});
        writeLines(path(S + ".sel"), {"Deze buis is niet succesvol gecalibreerd.",
                                      " Laatste calibratieresultaten in " + S + ".err"});
        foutbuis.write(line);
      }
    } catch (const Error& e) {
      // A stale simulation input must not be run in place of this tube's.
      for (const char* ext : {".t01", ".std", ".inp"}) removeFile(path(S + ext));
      if (e.kind() == ErrorKind::kInput) session_.messages().appendLog(e.what());
      session_.messages().appendLog("Bestand " + name + " is leeg!");
    }
  }
  foutbuis.close();
  modsel.close();
}

void Pipeline::writeSimulationInputs(const std::string& S, const std::string& FF,
                                     const Vertex& vertex) {
  const SessionSettings& settings = session_.settings();
  const int Y0 = settings.startYear;
  const int N = settings.numberOfYears;
  const int W = settings.warmUpDays;
  const std::string meteoName = meteoFileOfStem(overview_, S);
  if (meteoName.empty())
    throw Error(ErrorKind::kInput, "Buis " + S + ": geen meteobestand gekoppeld; geen simulatie.");
  if (!inTable(1, 1, Y0) || !inTable(31, 12, Y0 + N - 1)) {
    throw Error(ErrorKind::kIndex, "simulation period outside the day-number table");
  }
  const int startDay = dayNumber(1, 1, Y0);
  const int E = dayNumber(31, 12, Y0 + N - 1);
  if (startDay == 0 || E == 0) {
    throw Error(ErrorKind::kInput,
                "Buis " + S + ": " + kKronFileName + " kent de simulatieperiode " + formatInt(Y0) +
                    " t/m " + formatInt(Y0 + N - 1) + " niet; geen simulatie. " + kKronRemedy);
  }
  const std::vector<std::string> measurements = readLines(path(S + "." + FF));
  const std::vector<std::string> met = readLines(path(S + ".met"));
  const std::vector<std::string> meteo = readLines(path(meteoName));
  if (met.size() < 2 || meteo.size() < 2 || measurements.empty()) {
    throw Error(ErrorKind::kRead, S + ": empty measurement or meteo file");
  }
  MeteoDay day;
  if (!parseMeteoDay(met[1], day) || !inTable(day.day, day.month, day.year)) {
    throw Error(ErrorKind::kRead, S + ".met: first day line unreadable");
  }
  const int D0 = dayNumber(day.day, day.month, day.year);
  int C = startDay - W;

  // The start: no earlier than the meteo file's first day, and after any gap
  // that follows the start of the warm-up. Days outside the calendar or not
  // numbered by kron.txt are not looked up.
  std::vector<std::pair<int, std::size_t>> numbered;  // day number, line index
  for (std::size_t i = 1; i < meteo.size(); ++i) {
    if (!parseMeteoDay(meteo[i], day) || !inTable(day.day, day.month, day.year)) continue;
    const int n = dayNumber(day.day, day.month, day.year);
    if (n != 0) numbered.emplace_back(n, i);
  }
  if (numbered.empty()) {
    throw Error(ErrorKind::kInput, "Buis " + S + ": het meteobestand " + meteoName +
                                       " heeft geen dag in " + formatInt(kFirstYear) + ".." +
                                       formatInt(kLastYear) + "; geen simulatie.");
  }
  auto dateOf = [&](int n) {
    auto date = dates_.find(n);
    return date == dates_.end() ? formatInt(n)
                                : formatInt(date->second[0]) + "-" + formatInt(date->second[1]) +
                                      "-" + formatInt(date->second[2]);
  };
  if (C < numbered[0].first) C = numbered[0].first;
  int gapEnd = 0;
  for (std::size_t i = 1; i < numbered.size(); ++i) {
    const int G = numbered[i].first;
    if (G > numbered[i - 1].first + 1 && G > C) {
      C = G;
      gapEnd = G;
    }
  }
  if (C > startDay) {
    throw Error(ErrorKind::kInput, "Buis " + S + ": het meteobestand " + meteoName +
                                       (gapEnd != 0 ? " heeft een gat tot " : " begint pas op ") +
                                       dateOf(gapEnd != 0 ? gapEnd : C) + ", na 1-1-" +
                                       formatInt(Y0) + "; geen simulatie.");
  }
  // A meteo file that ends inside the simulation period would give a
  // shorter series than the one asked for.
  if (numbered.back().first < E) {
    throw Error(ErrorKind::kInput, "Buis " + S + ": het meteobestand " + meteoName +
                                       " eindigt op " + dateOf(numbered.back().first) +
                                       ", voor 31-12-" + formatInt(Y0 + N - 1) +
                                       "; geen simulatie.");
  }
  if (startDay - C < W) {
    session_.messages().appendLog(
        "Buis " + S + ": opwarmperiode ingekort van " + formatInt(W) + " tot " +
        formatInt(startDay - C) + " dagen: het meteobestand " + meteoName +
        (gapEnd != 0 ? " heeft een gat tot " : " begint op ") + dateOf(C) + ".");
  }

  std::vector<std::string> sim = {""};
  for (auto [number, index] : numbered) {
    if (number < C) continue;
    parseMeteoDay(meteo[index], day);
    sim.push_back(formatInt(day.day) + " " + formatInt(day.month) + " " + formatInt(day.year) +
                  " " + day.rest);
  }
  sim[0] = formatInt(static_cast<long long>(sim.size()) - 1) + " " + headRest(meteo[0]);

  // Each measurement line with its day t counted from C: the new day
  // right-aligned in 5, a blank, then the rest of the line after t as it
  // stands.
  std::vector<std::string> renumbered = {measurements[0]};
  for (std::size_t i = 1; i < measurements.size(); ++i) {
    FreeReader r(S + "." + FF, measurements[i]);
    const long long t = r.readInt();
    if (r.hitEnd()) continue;
    const std::string& line = measurements[i];
    std::size_t pos = line.find_first_not_of(' ');
    pos = line.find(' ', pos);
    renumbered.push_back(formatInt(t + D0 - C, 5) + " " +
                         (pos == std::string::npos ? std::string() : line.substr(pos)));
  }

  const Parameters& p = vertex.p;
  const std::string line6 = parameterLine(p, " " + fixed(p[5], 10, 5));
  const std::string line10 = "1. " + formatInt(E - C + 1, 5) + settings.closure;
  const std::string line11 = formatInt(startDay - C, 5);
  const std::string line5tail =
      settings.realisations + " " + formatInt(N, 2) + " " + formatInt(Y0, 4);
  const std::string c = fixed(p[4], 10, 5);
  const bool updating = settings.traceWithUpdating;
  writeLines(path(S + ".sim"), sim);
  writeLines(path(S + "." + FF + "s"), renumbered);
  writeLines(path(S + ".t" + FF),
             {S + "." + FF + "s", S + ".sim", S + ".u" + FF, S + ".e" + FF, "2 -79359 " + line5tail,
              line6, "0 0 0 0 0 0", c, "0.", line10, line11});
  writeLines(path(S + ".std"), {S + "." + FF + "s", S + ".sim", S + ".upd", S + ".upt",
                                "1 -79359 " + line5tail, updating ? line6 : parameterLine(p, " 0"),
                                "0 0 0 0 0 0", c, updating ? "0." : "10.", line10, line11});
  writeLines(
      path(S + ".inp"),
      {"'" + S + ".u01'", "'" + S + ".frm'", "1", "'" + S + ".u01'", "'" + S + ".sta'",
       "'" + S + ".his'", "'" + S + ".foe'", "'" + S + ".reg'", "'" + S + ".cor'",
       "0 500 (deze getallen worden niet gebruikt.)", "100 (dit getal wordt niet gebruikt.)"});
}

}  // namespace phreatix
