#include "engine/engine_files.h"

#include <cmath>
#include <optional>

#include "engine/responses.h"
#include "error.h"
#include "platform/files.h"
#include "text/free_reader.h"
#include "text/number_text.h"
#include "text/parse.h"
#include "text/rounding.h"

namespace phreatix {

namespace {

[[noreturn]] void outOfRange(const std::string& what) { throw Error(ErrorKind::kIndex, what); }

void readParameterFile(const std::string& path, RunSettings& s, EngineView& view) {
  // First for display: the first eleven lines as they stand.
  {
    FreeReader display = freeReaderOfFile(path);
    for (int row = 0; row < kParameterRows && !display.atEnd(); ++row) {
      view.setGridLine(row, display.readLine());
    }
  }
  FreeReader r = freeReaderOfFile(path);
  s.measurementFile = r.readLine();
  s.meteoFile = r.readLine();
  s.traceFile = r.readLine();
  s.resultsFile = r.readLine();

  s.mode = r.readInt32();
  s.seed = r.readInt32();
  s.realisations = r.readInt32();
  s.years = r.readInt32();
  s.startYear = r.readReal();
  r.skipLine();
  static const char* const kModeStatus[3] = {"Read/calib", "Read/pred", "Read/simul"};
  if (s.mode >= 0 && s.mode <= 2) view.setGridStatus(4, kModeStatus[s.mode]);

  for (double& v : s.initial) v = r.readReal();
  r.skipLine();
  view.setGridStatus(5, "Data read");
  for (int& f : s.flags) f = r.readInt32();
  r.skipLine();
  view.setGridStatus(6, "Data read");
  s.h0 = r.readReal();
  r.skipLine();
  view.setGridStatus(7, "Data read");
  s.measurementVariance = r.readReal();
  r.skipLine();
  view.setGridStatus(8, "Data read");
  s.dt = r.readReal();
  s.span = r.readReal();
  s.closure = r.readReal();
  r.skipLine();
  view.setGridStatus(9, "Data read");
  s.warmUp = r.readReal();
  r.skipLine();
  view.setGridStatus(10, "Data read");
  s.response = ResponseKind{};
  if (!r.atEnd()) {
    const std::string line = r.readLine();
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first != std::string::npos) {
      const std::size_t last = line.find_last_not_of(" \t\r");
      const std::string name = line.substr(first, last - first + 1);
      const std::optional<ResponseKind> kind = responseByName(name);
      if (!kind) {
        refuseLine(path, kParameterRows, "no response is called " + quoted(name),
                   ErrorKind::kInput);
      }
      s.response = *kind;
    }
  }
}

void checkHeadComplete(const FreeReader& r) {
  if (r.hitEnd()) {
    refuseLine(r.name(), static_cast<std::size_t>(r.line()) - 1,
               "the file ends inside its head line", ErrorKind::kRead);
  }
}

MeteoHead readMeteoHeadOfFile(const std::string& path) {
  FreeReader r = freeReaderOfFile(path);
  const MeteoHead head = readMeteoHead(r);
  if (head.days > MAXDAT) throw Error(ErrorKind::kIndex, "Program stopped! increase MAXDAT");
  if (head.columns < 1 || head.columns > kMaxMeteoColumns) {
    outOfRange(path + ": " + formatInt(head.columns) + " columns per day line, at most " +
               formatInt(kMaxMeteoColumns));
  }
  for (int column : {head.precipitation, head.evaporation}) {
    if (column < 1 || column > head.columns) {
      outOfRange(path + ": column " + formatInt(column) + " outside the " +
                 formatInt(head.columns) + " columns of a day line");
    }
  }
  return head;
}

void readMeasurementFile(const std::string& path, int meteoDays, const std::string& caption,
                         std::vector<Measurement>& kept, Messages& messages) {
  FreeReader r = freeReaderOfFile(path);
  const int announced = readMeasurements(r, meteoDays, kept);
  if (static_cast<int>(kept.size()) < announced) {
    messages.appendLog(caption +
                       " : Freatische reeks loopt langer door dan meteogegevens. Ingekort.");
  }
  if (kept.empty()) throw Error(ErrorKind::kInput, "Geen grondwaterstandsmetingen bij deze buis!");
}

void readMeteo(const std::string& path, const MeteoHead& head, std::vector<double>& surplus) {
  FreeReader r = freeReaderOfFile(path);
  r.skipLine();
  readMeteoDays(r, head, surplus);
}

}  // namespace

MeteoHead readMeteoHead(FreeReader& r) {
  MeteoHead head;
  head.days = r.readInt32();
  head.columns = r.readInt32();
  head.scale = r.readReal();
  head.precipitation = r.readInt32();
  head.evaporation = r.readInt32();
  checkHeadComplete(r);
  return head;
}

void readMeteoDays(FreeReader& r, const MeteoHead& head, std::vector<double>& surplus,
                   const MeteoDayVisitor& eachDay) {
  surplus.assign(static_cast<std::size_t>(head.days) + 1, 0.0);
  double values[kMaxMeteoColumns];
  for (int m = 1; m <= head.days; ++m) {
    for (int k = 0; k < head.columns; ++k) values[k] = r.readReal();
    checkNotEnded(r, head.days, m - 1);
    if (eachDay) eachDay(m, values, static_cast<std::size_t>(r.line()) - 1);
    r.skipLine();
    const double precipitation = head.scale * values[head.precipitation - 1];
    const double evaporation = head.scale * values[head.evaporation - 1];
    surplus[static_cast<std::size_t>(m)] = precipitation - evaporation;
  }
}

MeteoHead readMeteoText(const std::string& name, const std::string& text,
                        const std::function<void(const MeteoHead&)>& judgeHead,
                        std::vector<double>& surplus, const MeteoDayVisitor& eachDay) {
  FreeReader r(name, text);
  const MeteoHead head = readMeteoHead(r);
  judgeHead(head);
  r.skipLine();
  readMeteoDays(r, head, surplus, eachDay);
  return head;
}

int readMeasurementText(const std::string& name, const std::string& text, int meteoDays,
                        std::vector<Measurement>& kept) {
  FreeReader r(name, text);
  return readMeasurements(r, meteoDays, kept);
}

int readMeasurements(FreeReader& r, int meteoDays, std::vector<Measurement>& kept) {
  const int announced = r.readInt32();
  const double scale = r.readReal();
  checkHeadComplete(r);
  r.skipLine();
  kept.clear();
  int kept_count = 0;
  for (int i = 0; i < announced; ++i) {
    const double time = r.readReal();
    const double level = r.readReal();
    checkNotEnded(r, announced, i);
    r.skipLine();
    // Kept while its day, rounded half to even, lies within the meteo days.
    if (roundHalfEven(time) <= meteoDays) {
      if (++kept_count > MAXDAT) {
        outOfRange(r.name() + ": more than " + formatInt(MAXDAT) + " measurements (MAXDAT)");
      }
      kept.push_back({time, scale * level});
    }
  }
  return announced;
}

void checkNotEnded(const FreeReader& r, int announced, int read) {
  if (r.hitEnd()) {
    refuseLine(r.name(), static_cast<std::size_t>(r.line()) - 1,
               "the file ends after " + formatInt(read) + " of the " + formatInt(announced) +
                   " lines its head line announces",
               ErrorKind::kRead);
  }
}

void readEngineInput(const std::string& workingDir, const std::string& parameterDir,
                     const std::string& caption, EngineInput& input, EngineView& view,
                     Messages& messages) {
  RunSettings& s = input.settings;
  readParameterFile(joinPath(parameterDir, kParameterFileName), s, view);
  const std::string meteoPath = workingFile(workingDir, s.meteoFile, kParameterFileName);
  MeteoHead head = readMeteoHeadOfFile(meteoPath);
  input.meteoDays = head.days;
  readMeasurementFile(workingFile(workingDir, s.measurementFile, kParameterFileName), head.days,
                      caption, input.measurements, messages);
  view.setGridStatus(0, "File read");
  if (s.effectiveMode() != EngineMode::kSimulate) s.span = input.measurements.back().time;
  readMeteo(meteoPath, head, input.surplus);
  view.setGridStatus(1, "File read");
}

void correctInitialValues(Parameters& initial, const ParameterTable& table, EngineView& view) {
  for (int i = 0; i < kModelParameters; ++i) {
    double& v = initial[i];
    const std::string index = formatInt(i + 1);
    const double lower = table[i].lower;
    const double upper = table[i].upper;
    if (v < lower) {
      view.addRuntime(" incorrect value of par nr " + index + ": " + formatReal(v, 12, 5));
      view.repaint();
      v = lower + 0.01;
      view.addRuntime("lower boundary par0 corrected: " + formatReal(v, 12, 5));
      view.repaint();
    }
    if (v > upper) {
      view.addRuntime(" incorrect value of par nr " + index + ": " + formatReal(v, 12, 5));
      view.repaint();
      v = upper - 0.01;
      view.addRuntime("upper boundary par0 corrected: " + formatReal(v, 12, 5));
      view.repaint();
    }
  }
}

}  // namespace phreatix
