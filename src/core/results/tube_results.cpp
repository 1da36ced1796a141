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
#include "input/tube_file.h"
#include "platform/files.h"
#include "platform/ordered_work.h"
#include "text/free_reader.h"
#include "text/number_text.h"
#include "text/parse.h"
#include "text/rounding.h"
#include "results/fit.h"
#include "results/result_source.h"

namespace phreatix {

namespace {

constexpr const char* kModsel = "modsel.zft";
constexpr const char* kFoutbuis = "foutbuis.zft";

// Warning bounds.
constexpr double kStartTransientCm = 5;   // |c| * phi^W on the first simulated day
constexpr double kNoiseRatio = 1.2;       // realisations' SD against the measured SD
constexpr long long kShortSeriesDays = 730;
constexpr int kSparsePerYear = 17;        // readings a year; this many or fewer is sparse

// Fixed plausibility bounds of the d+s calibration. The bounds the session
// settings gave the ds vertices are held in memory only and stored in no
// file, so a refused ds vertex is described by these as well.
struct FixedBounds {
  double deltaMin = 0.90, phiMin = 0.5, cMax = 0, omegaMin = 1;
};

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

struct ValuesLine {
  std::string stem;
  std::string label;
  double delta = 0, omega0 = 0, phi = 0, c = 0, sigma2 = 0;
};

// "stem(8) label delta omega0 0. phi c sigma2", the stem right-aligned.
std::vector<ValuesLine> readValuesLines(const std::string& path) {
  std::vector<ValuesLine> out;
  const std::vector<std::string> lines = readLines(path);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    if (line.size() < 9) refuseLine(path, i, "verwacht een stam van 8 tekens en de waarden");
    ValuesLine v;
    v.stem = withoutBlanks(line.substr(0, 8));
    std::string rest = line.substr(8);
    const std::size_t start = rest.find_first_not_of(" \t");
    const std::size_t end = rest.find_first_of(" \t", start);
    v.label = rest.substr(start, end - start);
    FreeReader numbers(path, rest.substr(end == std::string::npos ? rest.size() : end));
    double values[6];
    for (double& x : values) x = numbers.readReal();
    if (numbers.hitEnd() || v.stem.empty()) {
      refuseLine(path, i, "geen stam, label en zes waarden: " + quoted(line),
                 ErrorKind::kRead);
    }
    v.delta = values[0];
    v.omega0 = values[1];
    v.phi = values[3];
    v.c = values[4];
    v.sigma2 = values[5];
    out.push_back(v);
  }
  return out;
}

struct Location {
  std::string location, filter;
  std::optional<double> x, y;
};

// locaties.csv: "locatie,filter,x,y", one row per tube, x and y empty when
// unknown. Rows that do not parse are left out.
std::vector<Location> readLocations(const std::string& path) {
  std::vector<Location> out;
  const std::vector<std::string> lines = readLines(path);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::vector<std::string> fields;
    std::string field;
    for (char ch : lines[i]) {
      if (ch == ',') {
        fields.push_back(field);
        field.clear();
      } else if (ch != '"') {
        field += ch;
      }
    }
    fields.push_back(field);
    if (fields.size() < 2 || withoutBlanks(fields[0]).empty()) continue;
    Location loc;
    loc.location = withoutBlanks(fields[0]);
    loc.filter = withoutBlanks(fields[1]);
    double v;
    if (fields.size() > 3 && parseReal(withoutBlanks(fields[2]), v)) loc.x = v;
    if (fields.size() > 3 && parseReal(withoutBlanks(fields[3]), v)) loc.y = v;
    if (!loc.x || !loc.y) loc.x = loc.y = std::nullopt;
    out.push_back(loc);
  }
  return out;
}

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

// The first number after `label` at the start of a line of S.sta.
std::optional<double> staValue(const std::vector<std::string>& lines, const std::string& label,
                               const std::string& name) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind(label, 0) != 0) continue;
    FreeReader r(name, lines[i].substr(label.size()));
    const double v = r.readReal();
    if (r.hitEnd()) refuseLine(name, i, "verwacht een getal na " + label, ErrorKind::kRead);
    return v;
  }
  return std::nullopt;
}

struct Vertex {
  double delta, omega0, phi, c;
  double objective;
};

// Vertex lines of S.a01 or S.d01: after the head line, the last line (ME,
// RMSE, MAE) left out; columns delta, omega0, phi, c, sigma2, omega1,
// objective.
std::vector<Vertex> readVertices(const std::string& name, const std::string& text) {
  const std::vector<std::string> lines = splitLines(text);
  if (lines.size() < 3) refuseFile(name, "minder dan drie regels", ErrorKind::kRead);
  std::vector<Vertex> out;
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    FreeReader r(name, lines[i]);
    double v[7];
    for (double& x : v) x = r.readReal();
    if (r.hitEnd()) refuseLine(name, i, "verwacht zeven getallen", ErrorKind::kRead);
    out.push_back({v[0], v[1], v[2], v[3], v[6]});
  }
  return out;
}

// "c 24.88 >= 0.00 (moet < 0)", the criteria the vertex fails joined by ", ".
std::string fixedBoundFailures(double delta, double omega0, double phi, double c) {
  const FixedBounds b;
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
  const double kNoObjective = 999999;  // the selection's start value
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
      vertices[f] = readVertices(files.name(exts[f]), *text);
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
    const std::string failed = fixedBoundFailures(best->delta, best->omega0, best->phi, best->c);
    if (failed.empty()) {
      return "de beste fit (" + source +
             ") valt buiten de plausibiliteitsgrenzen van de sessie-instellingen";
    }
    return failed + " (beste fit, " + source + ")";
  }
  if (!anyFile) return "geen calibratieresultaat: " + files.name(".a01") + " en " +
                       files.name(".d01") + " ontbreken";
  if (vertices[0].size() + vertices[1].size() > 0) {
    return "geen calibratieresultaat met een doelfunctie onder 999999";
  }
  const std::string failed = fixedBoundFailures(line.delta, line.omega0, line.phi, line.c);
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
  const std::vector<std::string> lines = splitLines(*text);
  if (lines.size() < 11) refuseFile(name, "minder dan elf regels", ErrorKind::kRead);
  SimulationStart start;
  FreeReader line5(name, lines[4]);
  for (int i = 0; i < 4; ++i) line5.readReal();
  start.firstYear = static_cast<int>(line5.readReal());
  FreeReader line11(name, lines[10]);
  start.warmUpDays = line11.readInt32();
  if (line5.hitEnd() || line11.hitEnd()) {
    refuseFile(name, "regel 5 of 11 bevat te weinig getallen", ErrorKind::kRead);
  }
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
  const long long span = static_cast<long long>(std::trunc(last)) -
                         static_cast<long long>(std::trunc(first));
  if (span < kShortSeriesDays) {
    warn(tube, ResultWarningKind::kShortSeries,
         "Meetreeks kort: " + formatInt(span) + " dagen tussen eerste en laatste meting in " +
             name + " (minder dan " + formatInt(kShortSeriesDays) + ")");
  }
  if (span > 0) {
    const int perYear = roundToInt(static_cast<long double>(m.size()) / (span / 365.0L));
    if (perYear <= kSparsePerYear) {
      warn(tube, ResultWarningKind::kSparseSeries,
           "Meetreeks dun: " + formatInt(perYear) + " metingen per jaar in " + name +
               " (" + formatInt(kSparsePerYear) + " of minder)");
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
  tube.delta = line.delta;
  tube.omega0 = line.omega0;
  tube.phi = line.phi;
  tube.c = line.c;
  tube.sigma2 = line.sigma2;
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
  if (!tube.modelled) tube.failure = "postprocessing niet afgerond: " + files.name(".sta") +
                                     " ontbreekt";

  std::optional<double> realisationsSd;
  if (sta) {
    try {
      const std::vector<std::string> lines = splitLines(*sta);
      const std::string name = files.name(".sta");
      // The statistics keep the engine's levels, positive upward; the
      // highest level is the smallest depth.
      auto depth = [](std::optional<double> v) {
        return v ? std::optional<double>(-*v) : std::nullopt;
      };
      tube.ghg = depth(staValue(lines, "GHG(t)", name));
      tube.glg = depth(staValue(lines, "GLG(t)", name));
      tube.gvg = depth(staValue(lines, "GVG(t)", name));
      realisationsSd = staValue(lines, "stdev.", name);
    } catch (const Error& e) {
      noted("statistieken niet gelezen", e);
    }
  }

  if (series) {
    try {
      const FilterTrace trace =
          filterTrace(series->input, deterministicParameters(tube.delta, tube.omega0, tube.phi, tube.c),
                      tube.c, kNoUpdatingVariance);
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
  const std::string modselPath = joinPath(workingDir, kModsel);
  const std::string foutbuisPath = joinPath(workingDir, kFoutbuis);
  const bool haveModsel = fileExists(modselPath), haveFoutbuis = fileExists(foutbuisPath);
  if (!haveModsel && !haveFoutbuis) {
    throw Error(ErrorKind::kInput, workingDir + ": geen resultaten (" + kModsel + " en " +
                                       kFoutbuis + " ontbreken)");
  }
  std::vector<ValuesLine> chosen, refused;
  if (haveModsel) chosen = readValuesLines(modselPath);
  if (haveFoutbuis) refused = readValuesLines(foutbuisPath);
  if (chosen.empty() && refused.empty()) {
    throw Error(ErrorKind::kInput,
                workingDir + ": geen resultaten (" + kModsel + " en " + kFoutbuis + " zijn leeg)");
  }

  std::vector<Location> locations;
  const std::string locationsPath = joinPath(workingDir, kLocationsFileName);
  if (fileExists(locationsPath)) {
    locations = readLocations(locationsPath);
  } else {
    results.notes.push_back(std::string("Geen coördinaten: ") + kLocationsFileName +
                            " ontbreekt");
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
    items[k].tube = readTube(workingDir, *items[k].line, items[k].chosen, locations, items[k].notes);
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
    tube.failure = loc.filter != "01"
                       ? "niet gesimuleerd: alleen filter 01 gaat door naar de simulatie"
                       : std::string("geen modelkeuze: niet in ") + kModsel + " of " + kFoutbuis;
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
                              formatInt(static_cast<long long>(results.tubes.size())) +
                              " buizen");
    }
  }
  return results;
}

}  // namespace phreatix
