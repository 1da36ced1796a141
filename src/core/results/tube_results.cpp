// Reading a finished working directory into typed results: the values lines
// of modsel.zft and foutbuis.zft, the coordinates of locaties.csv, and per
// tube its statistics (S.sta), the fit of the chosen model to the
// measurements (S.01, S.met), the simulation's parameter file (S.t01) and,
// for a tube without a model, its vertex files (S.a01, S.d01).
#include "results/tube_results.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "error.h"
#include "files/characteristics.h"
#include "files/locations.h"
#include "files/not_calibrated.h"
#include "files/parameter_lines.h"
#include "files/values_lines.h"
#include "files/vertex_file.h"
#include "input/tube_file.h"
#include "platform/files.h"
#include "platform/ordered_work.h"
#include "results/fit.h"
#include "results/result_source.h"
#include "text/number_text.h"
#include "text/parse.h"
#include "text/rounding.h"

namespace phreatix {

namespace {

// Warning bounds.
constexpr double kStartTransientCm = 5;  // |c| * phi^W on the first simulated day
constexpr double kNoiseRatio = 1.2;      // realisations' SD against the measured SD
constexpr long long kShortSeriesDays = 730;
constexpr int kSparsePerYear = 17;  // readings a year; this many or fewer is sparse

// Numbers written for people: "0.9", "1", "-3.25".
std::string shortNumber(double v) {
  std::string text = formatReal(v, 0, 2);
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  return text == "-0" ? "0" : text;
}

std::string cm(double v) { return formatReal(v, 0, 1) + " cm"; }

using Location = LocationRow;

const Location* findLocation(const std::vector<Location>& rows, const std::string& stem,
                             const std::string& filter) {
  const Location* sameStem = nullptr;
  for (const Location& row : rows) {
    if (row.location.substr(0, 8) != stem) continue;
    if (!row.filter.empty() && normaliseFilter(row.filter) == filter) return &row;
    if (!sameStem) sameStem = &row;
  }
  return sameStem;
}

// "c 24.88 >= 0.00 (moet < 0)", the criteria the vertex fails joined by ", ".
// The fixed bounds of the re-calibration judge both (the session's own
// bounds for the ds vertices are kept in no file).
std::string fixedBoundFailures(const Parameters& p) {
  const PlausibilityBounds& b = kRecalibrationBounds;
  const double delta = p[0], omega0 = p[1], phi = p[3], c = p[4];
  std::string out;
  auto check = [&](bool ok, const char* name, double value, const char* fails, const char* must,
                   double bound) {
    if (ok) return;
    if (!out.empty()) out += ", ";
    out += std::string(name) + " " + formatReal(value, 0, 2) + " " + fails + " " +
           formatReal(bound, 0, 2) + " (moet " + must + " " + shortNumber(bound) + ")";
  };
  check(delta > b.deltaMin, "delta", delta, "<=", ">", b.deltaMin);
  check(omega0 > b.omegaMin, "omega0", omega0, "<=", ">", b.omegaMin);
  check(phi > b.phiMin, "phi", phi, "<=", ">", b.phiMin);
  check(c < b.cMax, "c", c, ">=", "<", b.cMax);
  return out;
}

// Why a tube got no model: the criteria failed by the vertex with the
// smallest objective over S.a01 and S.d01 (every vertex of such a tube was
// refused; the first on equal objectives, S.a01 before S.d01, as the
// selection takes them). Without readable vertex files the values line of
// foutbuis.zft (the last vertex read) is judged instead.
std::string noModelReason(const TubeFiles& files, const ValuesLine& line) {
  const Vertex* best = nullptr;
  std::string source;
  std::vector<Vertex> vertices[2];
  bool anyFile = false;
  try {
    const char* exts[2] = {".a01", ".d01"};
    for (int f = 0; f < 2; ++f) {
      std::optional<std::string> text = files.read(exts[f]);
      if (!text) continue;
      anyFile = true;
      vertices[f] = readVertexText(files.name(exts[f]), *text, kColumnsAD).vertices;
      for (const Vertex& v : vertices[f]) {
        if (v.objective < (best ? best->objective : kNoObjective)) {
          best = &v;
          source = files.name(exts[f]);
        }
      }
    }
  } catch (const Error&) {
    // An unreadable vertex file: judge the values line below.
    best = nullptr;
    vertices[0].clear();
    vertices[1].clear();
  }
  if (best) {
    const std::string failed = fixedBoundFailures(best->p);
    if (failed.empty()) {
      return "de beste fit (" + source +
             ") valt buiten de plausibiliteitsgrenzen van de sessie-instellingen";
    }
    return failed + " (beste fit, " + source + ")";
  }
  if (!anyFile)
    return "geen calibratieresultaat: " + files.name(".a01") + " en " + files.name(".d01") +
           " ontbreken";
  if (vertices[0].size() + vertices[1].size() > 0) {
    return "geen calibratieresultaat met een doelfunctie onder " + formatReal(kNoObjective, 0, 0);
  }
  const std::string failed = fixedBoundFailures(line.p);
  return failed.empty() ? "geen plausibel calibratieresultaat" : failed;
}

// The warm-up actually used (line 11 of S.t01) and the first simulated year
// (the last number of line 5).
struct SimulationStart {
  int warmUpDays = 0;
  int firstYear = 0;
};
std::optional<SimulationStart> readSimulationStart(const TubeFiles& files) {
  std::optional<std::string> text = files.read(".t01");
  if (!text) return std::nullopt;
  const std::string name = files.name(".t01");
  const std::vector<std::string> lines = parameterFileLines(*text);
  if (lines.size() < static_cast<std::size_t>(kWarmUpLineNumber)) {
    refuseFile(name, "minder dan elf regels", ErrorKind::kRead);
  }
  const std::optional<double> firstYear = parameterNumber(name, lines, kRunLineNumber, 4);
  const std::optional<double> warmUp = parameterNumber(name, lines, kWarmUpLineNumber, 0);
  if (!firstYear || !warmUp) {
    refuseFile(name, "regel 5 of 11 bevat te weinig getallen", ErrorKind::kRead);
  }
  SimulationStart start;
  start.firstYear = static_cast<int>(*firstYear);
  start.warmUpDays = static_cast<int>(*warmUp);
  return start;
}

void warn(TubeResult& tube, ResultWarningKind kind, std::string text) {
  tube.warnings.push_back({kind, std::move(text)});
}

// Length and density of the measured series, on the meteo file's days.
void seriesWarnings(TubeResult& tube, const CalibrationSeries& series, const std::string& name) {
  const std::vector<Measurement>& m = series.input.measurements;
  if (m.empty()) return;
  double first = m.front().time, last = m.front().time;
  for (const Measurement& x : m) {
    first = std::min(first, x.time);
    last = std::max(last, x.time);
  }
  const long long span =
      static_cast<long long>(std::trunc(last)) - static_cast<long long>(std::trunc(first));
  if (span < kShortSeriesDays) {
    warn(tube, ResultWarningKind::kShortSeries,
         "Meetreeks kort: " + formatInt(span) + " dagen tussen eerste en laatste meting in " +
             name + " (minder dan " + formatInt(kShortSeriesDays) + ")");
  }
  if (span > 0) {
    const int perYear = roundToInt(static_cast<long double>(m.size()) / (span / 365.0L));
    if (perYear <= kSparsePerYear) {
      warn(tube, ResultWarningKind::kSparseSeries,
           "Meetreeks dun: " + formatInt(perYear) + " metingen per jaar in " + name + " (" +
               formatInt(kSparsePerYear) + " of minder)");
    }
  }
}

double standardDeviation(const std::vector<Measurement>& m) {
  double sum = 0;
  for (const Measurement& x : m) sum = sum + x.level;
  const double mean = sum / static_cast<double>(m.size());
  double ss = 0;
  for (const Measurement& x : m) ss = ss + (x.level - mean) * (x.level - mean);
  return std::sqrt(ss / static_cast<double>(m.size()));
}

TubeResult readTube(const std::string& dir, const ValuesLine& line, bool chosen,
                    const std::vector<Location>& locations, std::vector<std::string>& notes) {
  TubeResult tube;
  tube.stem = line.stem;
  tube.location = line.stem;
  // The selection takes only the tubes with a measurement file S.01.
  tube.filter = "01";
  tube.label = line.label;
  tube.delta = line.p[0];
  tube.omega0 = line.p[1];
  tube.phi = line.p[3];
  tube.c = line.p[4];
  tube.sigma2 = line.p[5];
  if (const Location* loc = findLocation(locations, tube.stem, tube.filter)) {
    tube.location = loc->location;
    tube.x = loc->x;
    tube.y = loc->y;
  }

  TubeFiles files(dir, tube.stem);
  auto noted = [&](const char* what, const Error& e) {
    notes.push_back(tube.stem + ": " + what + ": " + e.what());
  };

  std::optional<CalibrationSeries> series;
  try {
    std::optional<std::string> measurements = files.read(".01");
    std::optional<std::string> meteo = files.read(".met");
    if (measurements && meteo) {
      series = readCalibrationSeries(files.name(".01"), *measurements, files.name(".met"), *meteo);
    }
  } catch (const Error& e) {
    noted("meetreeks niet gelezen", e);
  }

  if (!chosen) {
    tube.label = line.label.empty() ? "ft" : line.label;
    try {
      tube.failure = noModelReason(files, line);
    } catch (const Error& e) {
      noted("calibratieresultaten niet gelezen", e);
      tube.failure = "geen plausibel calibratieresultaat";
    }
    warn(tube, ResultWarningKind::kNoModel, "Geen plausibel model: " + tube.failure);
    if (series) seriesWarnings(tube, *series, files.name(".01"));
    return tube;
  }

  std::optional<std::string> sta;
  try {
    sta = files.read(".sta");
  } catch (const Error& e) {
    noted("statistieken niet gelezen", e);
  }
  tube.modelled = sta.has_value();
  if (!tube.modelled)
    tube.failure = "postprocessing niet afgerond: " + files.name(".sta") + " ontbreekt";

  std::optional<double> realisationsSd;
  if (sta) {
    try {
      const StatisticsFigures figures = readStatistics(files.name(".sta"), *sta);
      // The statistics keep the engine's levels, positive upward; the
      // highest level is the smallest depth.
      auto depth = [](std::optional<double> v) {
        return v ? std::optional<double>(-*v) : std::nullopt;
      };
      tube.ghg = depth(figures.ghg);
      tube.glg = depth(figures.glg);
      tube.gvg = depth(figures.gvg);
      realisationsSd = figures.stdev;
    } catch (const Error& e) {
      noted("statistieken niet gelezen", e);
    }
  }

  if (series) {
    try {
      const FilterTrace trace = filterTrace(
          series->input, deterministicParameters(tube.delta, tube.omega0, tube.phi, tube.c), tube.c,
          kNoUpdatingVariance);
      tube.fit = fitFigures(*series, trace);
    } catch (const Error& e) {
      noted("fit niet berekend", e);
    }
  }

  if (!tube.modelled) {
    if (series) seriesWarnings(tube, *series, files.name(".01"));
    return tube;
  }

  try {
    if (std::optional<SimulationStart> start = readSimulationStart(files)) {
      const double transient =
          std::fabs(tube.c) * std::pow(tube.phi, static_cast<double>(start->warmUpDays));
      if (transient > kStartTransientCm) {
        warn(tube, ResultWarningKind::kStartTransient,
             "Inloopeffect: |c|*phi^W = " + cm(transient) + " op 1-1-" +
                 formatInt(start->firstYear) + " (W = " + formatInt(start->warmUpDays) +
                 " dagen inloop; grens " + cm(kStartTransientCm) + ")");
      }
    }
  } catch (const Error& e) {
    noted("simulatie-invoer niet gelezen", e);
  }
  if (realisationsSd && series && !series->input.measurements.empty()) {
    const double measuredSd = standardDeviation(series->input.measurements);
    if (*realisationsSd > kNoiseRatio * measuredSd) {
      warn(tube, ResultWarningKind::kNoiseDominates,
           "Ruis overheerst: standaardafwijking van de realisaties (" + files.name(".sta") + ") " +
               cm(*realisationsSd) + " > 1.2 x die van de metingen (" + files.name(".01") + ") " +
               cm(measuredSd) + " = " + cm(kNoiseRatio * measuredSd));
    }
  }
  if (tube.ghg && *tube.ghg < 0) {
    warn(tube, ResultWarningKind::kGhgAboveSurface,
         "GHG boven maaiveld: " + formatReal(*tube.ghg, 0, 1) + " cm-mv (grens 0 cm-mv)");
  }
  if (series) seriesWarnings(tube, *series, files.name(".01"));
  return tube;
}

}  // namespace

DataSetResults readResults(const std::string& workingDir, bool finishedOnly, int workers) {
  DataSetResults results;
  results.workingDir = workingDir;
  const std::string modselPath = joinPath(workingDir, kModselName);
  const std::string foutbuisPath = joinPath(workingDir, kFoutbuisName);
  const bool haveModsel = fileExists(modselPath), haveFoutbuis = fileExists(foutbuisPath);
  if (!haveModsel && !haveFoutbuis) {
    throw Error(ErrorKind::kInput, workingDir + ": geen resultaten (" + kModselName + " en " +
                                       kFoutbuisName + " ontbreken)");
  }
  std::vector<ValuesLine> chosen, refused;
  if (haveModsel) chosen = readValuesFile(modselPath);
  if (haveFoutbuis) refused = readValuesFile(foutbuisPath);

  std::vector<Location> locations;
  const std::string locationsPath = joinPath(workingDir, kLocationsFileName);
  if (fileExists(locationsPath)) {
    locations = readLocationRows(locationsPath);
  } else {
    results.notes.push_back(std::string("Geen coördinaten: ") + kLocationsFileName + " ontbreekt");
  }
  // With both lists empty the tubes of the data set, each with the reason it
  // has no model (left out before the selection), are still the results.
  if (chosen.empty() && refused.empty() && locations.empty()) {
    throw Error(ErrorKind::kInput, workingDir + ": geen resultaten (" + kModselName + " en " +
                                       kFoutbuisName + " zijn leeg)");
  }

  std::set<std::string> seen;
  struct Item {
    const ValuesLine* line;
    bool chosen;
    TubeResult tube;
    std::vector<std::string> notes;
  };
  std::vector<Item> items;
  for (int list = 0; list < 2; ++list) {
    for (const ValuesLine& line : list == 0 ? chosen : refused) {
      if (!seen.insert(line.stem).second) continue;  // a tube listed twice: the first line
      items.push_back(Item{&line, list == 0, {}, {}});
    }
  }
  // The tubes are read (and their fit computed) by the workers; their notes
  // and results are taken in list order.
  OrderedSteps steps;
  steps.prepare = [](std::size_t, std::size_t) { return true; };
  steps.work = [&](std::size_t k, std::size_t, int) {
    items[k].tube =
        readTube(workingDir, *items[k].line, items[k].chosen, locations, items[k].notes);
  };
  steps.take = [&](std::size_t k, std::size_t) {
    Item& item = items[k];
    results.notes.insert(results.notes.end(), item.notes.begin(), item.notes.end());
    if (finishedOnly && item.chosen && !item.tube.modelled) return;
    results.tubes.push_back(std::move(item.tube));
  };
  runOrdered(workers, items.size(), steps);
  // A tube of the export that neither list names is still a tube of the
  // study: the user must see why it has no result.
  for (const Location& loc : locations) {
    // The two lists name filter 01 of each location they take.
    const bool filter01 = normaliseFilter(loc.filter) == "01";
    if ((filter01 && seen.count(loc.location)) || (finishedOnly && filter01)) continue;
    TubeResult tube;
    tube.stem = loc.location;
    tube.location = loc.location;
    tube.filter = loc.filter;
    tube.x = loc.x;
    tube.y = loc.y;
    tube.failure =
        !filter01 ? "niet gesimuleerd: alleen filter 01 gaat door naar de simulatie"
                  : std::string("geen modelkeuze: niet in ") + kModselName + " of " + kFoutbuisName;
    // A tube the calibration left out says why in S.nFF.
    try {
      const TubeFiles files(workingDir, tube.stem);
      const std::string ext = notCalibratedName("", normaliseFilter(loc.filter));
      if (std::optional<std::string> text = files.read(ext)) {
        tube.failure = "niet gecalibreerd: " + readNotCalibrated(files.name(ext), *text);
      }
    } catch (const Error& e) {
      results.notes.push_back(tube.stem + ": reden niet gelezen: " + e.what());
    }
    tube.warnings.push_back({ResultWarningKind::kNoModel, "Geen model: " + tube.failure});
    results.tubes.push_back(std::move(tube));
  }
  std::sort(results.tubes.begin(), results.tubes.end(),
            [](const TubeResult& a, const TubeResult& b) {
              return a.stem != b.stem ? a.stem < b.stem : a.filter < b.filter;
            });
  if (!locations.empty()) {
    int without = 0;
    for (const TubeResult& t : results.tubes) without += t.x ? 0 : 1;
    if (without > 0) {
      results.notes.push_back("Geen coördinaten voor " + formatInt(without) + " van de " +
                              formatInt(static_cast<long long>(results.tubes.size())) + " buizen");
    }
  }
  return results;
}

}  // namespace phreatix
