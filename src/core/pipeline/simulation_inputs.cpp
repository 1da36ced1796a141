#include "pipeline/simulation_inputs.h"

#include "coupling/meteo_day.h"
#include "error.h"
#include "files/measurement_lines.h"
#include "files/parameter_lines.h"
#include "platform/files.h"
#include "session/kron_coverage.h"
#include "text/number_text.h"

namespace phreatix {

namespace {

[[noreturn]] void refuseTube(const std::string& S, const std::string& why) {
  throw Error(ErrorKind::kInput, "Buis " + S + ": " + why + "; geen simulatie.");
}

// The two kinds of deterministic trace differ in line 6 (sigma2) and line 9
// (the measurement-error variance R) of S.std. With updating: the model's
// sigma2 and R 0, so every measured day sets the level to the measurement.
// Without: sigma2 0 and R 10, so the noise has no variance, the filter's gain
// stays 0 and the trace is the model's own course, never corrected.
constexpr const char* kVarianceWithUpdating = "0.";
constexpr const char* kVarianceWithoutUpdating = "10.";

}  // namespace

SimulationInputs buildSimulationInputs(Session& session, const CouplingOverview& overview,
                                       const DayDates& dates, const std::string& S,
                                       const std::string& FF, const Vertex& vertex) {
  const SessionSettings& settings = session.settings();
  const DayNumberTable& table = session.dayNumbers();
  const std::string& dir = session.workingDir();
  const int Y0 = settings.startYear;
  const int N = settings.numberOfYears;
  const int W = settings.warmUpDays;
  const int lastYear = Y0 + N - 1;
  const std::string meteoName = meteoFileOfStem(overview, S);
  if (meteoName.empty()) refuseTube(S, "geen meteobestand gekoppeld");
  if (!DayNumberTable::holds(1, 1, Y0) || !DayNumberTable::holds(31, 12, lastYear)) {
    refuseTube(S, "de simulatieperiode " + formatInt(Y0) + " t/m " + formatInt(lastYear) +
                      " ligt buiten " + formatInt(kFirstYear) + ".." + formatInt(kLastYear));
  }
  const int startDay = table.lookup(1, 1, Y0);
  const int E = table.lookup(31, 12, lastYear);
  if (startDay == 0 || E == 0) {
    throw Error(ErrorKind::kInput,
                "Buis " + S + ": " + kKronFileName + " kent de simulatieperiode " + formatInt(Y0) +
                    " t/m " + formatInt(lastYear) + " niet; geen simulatie. " + kKronRemedy);
  }
  const std::string measurementName = S + "." + FF;
  const std::string measurementPath = joinPath(dir, measurementName);
  const std::string metPath = joinPath(dir, S + ".met");
  const std::string meteoPath = joinPath(dir, meteoName);
  const std::vector<std::string> measurements = readMeasurementLines(measurementPath);
  const std::vector<std::string> met = readMeteoLines(metPath);
  const std::vector<std::string> meteo = readMeteoLines(meteoPath);
  if (measurements.empty())
    throw Error(ErrorKind::kRead, measurementPath + ": het bestand is leeg");
  if (met.size() < 2) throw Error(ErrorKind::kRead, metPath + ": geen dagregel");
  if (meteo.size() < 2) throw Error(ErrorKind::kRead, meteoPath + ": geen dagregel");
  MeteoDay day;
  if (!parseMeteoDay(met[1], day) || !DayNumberTable::holds(day.day, day.month, day.year)) {
    throw Error(ErrorKind::kRead, metPath + ":2: verwacht een dagregel (dag maand jaar)");
  }
  const int D0 = table.lookup(day.day, day.month, day.year);  // day 1 of S.FF
  int C = startDay - W;

  // The start: no earlier than the meteo file's first day, and after any gap
  // that follows the start of the warm-up. Days outside the calendar or not
  // numbered by kron.txt are not looked up.
  const std::vector<NumberedDay> numbered = numberedDays(meteo, table);
  if (numbered.empty()) {
    refuseTube(S, "het meteobestand " + meteoName + " heeft geen dag in " + formatInt(kFirstYear) +
                      ".." + formatInt(kLastYear));
  }
  if (C < numbered[0].number) C = numbered[0].number;
  int gapEnd = 0;
  for (std::size_t i = 1; i < numbered.size(); ++i) {
    const int G = numbered[i].number;
    if (G > numbered[i - 1].number + 1 && G > C) {
      C = G;
      gapEnd = G;
    }
  }
  if (C > startDay) {
    refuseTube(S, "het meteobestand " + meteoName +
                      (gapEnd != 0 ? " heeft een gat tot " : " begint pas op ") +
                      dates.text(gapEnd != 0 ? gapEnd : C) + ", na 1-1-" + formatInt(Y0));
  }
  // A meteo file that ends inside the simulation period would give a
  // shorter series than the one asked for.
  if (numbered.back().number < E) {
    refuseTube(S, "het meteobestand " + meteoName + " eindigt op " +
                      dates.text(numbered.back().number) + ", voor 31-12-" + formatInt(lastYear));
  }

  SimulationInputs inputs;
  if (startDay - C < W) {
    inputs.warmUpNote = "Buis " + S + ": opwarmperiode ingekort van " + formatInt(W) + " tot " +
                        formatInt(startDay - C) + " dagen: het meteobestand " + meteoName +
                        (gapEnd != 0 ? " heeft een gat tot " : " begint op ") + dates.text(C) + ".";
  }

  std::vector<std::string>& sim = inputs.sim;
  sim.emplace_back();  // the head, once the day lines are counted
  for (const NumberedDay& numberedDay : numbered) {
    if (numberedDay.number < C) continue;
    parseMeteoDay(meteo[numberedDay.line], day);
    sim.push_back(meteoDayLine(day, false));
  }
  sim[0] = meteoHeadLine(sim.size() - 1, meteo[0]);

  // Each measurement line with its day t counted from C: the new day
  // right-aligned in 5, a blank, then the rest of the line after t as it
  // stands.
  inputs.measurements = {measurements[0]};
  for (std::size_t i = 1; i < measurements.size(); ++i) {
    const std::optional<MeasurementDay> m = measurementDay(measurementName, i, measurements[i]);
    if (!m) continue;
    inputs.measurements.push_back(measurementLine(m->day + D0 - C, m->rest));
  }

  const Parameters& p = vertex.p;
  const std::string values = parameterLine(p, sigma2Text(p));
  const std::string span = "1. " + formatInt(E - C + 1, 5) + settings.closure;
  const std::string warmUp = formatInt(startDay - C, 5);  // the warm-up the meteo file gives
  const std::string runTail =
      settings.realisations + " " + formatInt(N, 2) + " " + formatInt(Y0, 4);
  const std::string initialLevel = formatReal(p[4], 10, 5);  // c
  const bool updating = settings.traceWithUpdating;
  const std::string series = S + "." + FF + "s";
  inputs.simulation = {
      series, S + ".sim",    S + ".u01",   S + ".e" + FF, runLine(EngineMode::kSimulate, runTail),
      values, "0 0 0 0 0 0", initialLevel, "0.",          span,
      warmUp};
  inputs.trace = {series,
                  S + ".sim",
                  S + ".upd",
                  S + ".upt",
                  runLine(EngineMode::kPredict, runTail),
                  updating ? values : parameterLine(p, " 0"),
                  "0 0 0 0 0 0",
                  initialLevel,
                  updating ? kVarianceWithUpdating : kVarianceWithoutUpdating,
                  span,
                  warmUp};
  // The realisations go to S.u01 whatever the filter (under "uitgebreid" a
  // location without a plausible filter 01 is simulated on another), and the
  // post-processing reads S.u01; lines 10 and 11
  // carry numbers it does not use.
  inputs.control = {"'" + S + ".u01'",
                    "'" + S + ".frm'",
                    "1",
                    "'" + S + ".u01'",
                    "'" + S + ".sta'",
                    "'" + S + ".his'",
                    "'" + S + ".foe'",
                    "'" + S + ".reg'",
                    "'" + S + ".cor'",
                    "0 500 (deze getallen worden niet gebruikt.)",
                    "100 (dit getal wordt niet gebruikt.)"};
  return inputs;
}

void writeSimulationInputs(const std::string& workingDir, const std::string& S,
                           const std::string& FF, const SimulationInputs& inputs) {
  writeLines(joinPath(workingDir, S + ".sim"), inputs.sim);
  writeLines(joinPath(workingDir, S + "." + FF + "s"), inputs.measurements);
  writeLines(joinPath(workingDir, S + ".t" + FF), inputs.simulation);
  writeLines(joinPath(workingDir, S + ".std"), inputs.trace);
  writeLines(joinPath(workingDir, S + ".inp"), inputs.control);
}

}  // namespace phreatix
