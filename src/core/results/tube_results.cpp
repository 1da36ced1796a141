// Reading a finished working directory into typed results: the values lines
// of modsel.zft and foutbuis.zft, the coordinates of locaties.csv, and per
// tube its statistics (S.sta), the fit of the chosen model to the
// measurements (S.01, S.met, and S.fit when the pipeline wrote it), the
// measured GHG, GLG and GVG of the same readings, the simulated ones over
// the measured years (S.gzj), the extended family's choice (S.sel) and its
// components' contributions (S.kmp), the
// simulation's parameter file and surplus (S.t01, S.sim) and, for a tube
// without a model, its vertex files (S.a01, S.d01).
#include "results/tube_results.h"

#include <algorithm>
#include <cmath>
#include <limits>
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
#include "postprocessing/measured_gxg.h"
#include "results/fit.h"
#include "results/result_source.h"
#include "text/number_text.h"
#include "text/parse.h"
#include "text/rounding.h"

namespace phreatix {

namespace {

// Warning bounds (the others in the header).
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

// One decimal; a value that rounds to zero without a minus sign.
std::string oneDecimal(double v) {
  std::string text = formatReal(v, 0, 1);
  return text == "-0.0" ? "0.0" : text;
}

std::string cm(double v) { return oneDecimal(v) + " cm"; }

using Location = LocationRow;

// The rows of locaties.csv of one tube: one per metadata period, in the
// export's order, which lists a tube's periods in time order.
struct LocationGroup {
  std::string location;
  std::string filter;  // as written in the first row
  std::vector<const Location*> periods;
  const Location& last() const { return *periods.back(); }
};

std::string groupFilter(const Location& row) {
  return row.filter.empty() ? std::string() : normaliseFilter(row.filter);
}

std::vector<LocationGroup> groupLocations(const std::vector<Location>& rows) {
  std::vector<LocationGroup> groups;
  std::map<std::pair<std::string, std::string>, std::size_t> index;
  for (const Location& row : rows) {
    const auto key = std::make_pair(row.location, groupFilter(row));
    const auto [at, added] = index.emplace(key, groups.size());
    if (added) groups.push_back({row.location, row.filter, {}});
    groups[at->second].periods.push_back(&row);
  }
  return groups;
}

const LocationGroup* findLocation(const std::vector<LocationGroup>& groups, const std::string& stem,
                                  const std::string& filter) {
  const LocationGroup* sameStem = nullptr;
  for (const LocationGroup& group : groups) {
    if (group.location.substr(0, 8) != stem) continue;
    if (!group.filter.empty() && normaliseFilter(group.filter) == filter) return &group;
    if (!sameStem) sameStem = &group;
  }
  return sameStem;
}

std::string coordinateText(const Location& row) {
  if (!row.x || !row.y) return "zonder coördinaten";
  return "x " + shortNumber(*row.x) + ", y " + shortNumber(*row.y);
}

// The tube's coordinates from the last of its periods, and the earlier ones
// named in a warning.
void placeTube(TubeResult& tube, const LocationGroup& group) {
  tube.location = group.location;
  tube.x = group.last().x;
  tube.y = group.last().y;
  const std::size_t n = group.periods.size();
  if (n < 2) return;
  std::string earlier;
  for (std::size_t i = 0; i + 1 < n; ++i) {
    earlier += (i > 0 ? "; " : "") + std::string("periode ") +
               formatInt(static_cast<long long>(i) + 1) + " " + coordinateText(*group.periods[i]);
  }
  tube.warnings.push_back(
      {ResultWarningKind::kMetadataPeriods,
       "Meerdere perioden in de metadata (" + formatInt(static_cast<long long>(n)) +
           "): de coördinaten zijn die van periode " + formatInt(static_cast<long long>(n)) + " (" +
           coordinateText(group.last()) + "); eerder: " + earlier});
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
std::string noModelReason(const TubeFiles& files, const ValuesLine& line,
                          std::string& readFailure) {
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
  } catch (const Error& e) {
    // An unreadable vertex file: judge the values line below, and say why
    // the files were not judged.
    readFailure = e.what();
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
  if (!readFailure.empty()) {
    const std::string failed = fixedBoundFailures(line.p);
    return "calibratieresultaten niet te lezen: " + readFailure +
           (failed.empty() ? std::string() : " (laatst gelezen: " + failed + ")");
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

// What the simulation of a standard model starts from (S.t01): the first
// simulated year (the last number of line 5), the parameters (line 6), the
// level at time 0 (line 8) and the warm-up actually used (line 11).
struct SimulationStart {
  int warmUpDays = 0;
  int firstYear = 0;
  double h0 = 0;
  double delta = 0, omega0 = 0, omega1 = 0, phi = 0, c = 0;
};
std::optional<SimulationStart> readSimulationStart(const TubeFiles& files) {
  std::optional<std::string> text = files.read(".t01");
  if (!text) return std::nullopt;
  const std::string name = files.name(".t01");
  const std::vector<std::string> lines = parameterFileLines(*text);
  if (lines.size() < static_cast<std::size_t>(kWarmUpLineNumber)) {
    refuseFile(name, "minder dan elf regels", ErrorKind::kRead);
  }
  auto number = [&](int line, int position) {
    const std::optional<double> v = parameterNumber(name, lines, line, position);
    if (!v) {
      refuseFile(name, "regel " + formatInt(line) + " bevat te weinig getallen", ErrorKind::kRead);
    }
    return *v;
  };
  // A whole number within its bounds before it becomes an int: a year or
  // a count of days from a damaged file is refused, never cast.
  auto whole = [&](int line, int position, long long lo, long long hi, const char* what) {
    const double v = number(line, position);
    if (!(v == std::trunc(v) && v >= static_cast<double>(lo) && v <= static_cast<double>(hi))) {
      refuseLine(name, static_cast<std::size_t>(line) - 1,
                 std::string("verwacht als ") + what + " een geheel getal van " + formatInt(lo) +
                     " t/m " + formatInt(hi) + ", niet " + shortestReal(v),
                 ErrorKind::kRead);
    }
    return static_cast<int>(v);
  };
  SimulationStart start;
  start.firstYear = whole(kRunLineNumber, 4, 1, 9999, "eerste jaar");
  start.warmUpDays = whole(kWarmUpLineNumber, 0, 0, MAXDAT, "opwarmtijd in dagen");
  start.delta = number(6, 0);
  start.omega0 = number(6, 1);
  start.omega1 = number(6, 2);
  start.phi = number(6, 3);
  start.c = number(6, 4);
  start.h0 = number(8, 0);
  return start;
}

// The mean daily surplus of the simulation's meteo file S.sim.
std::optional<double> meanSurplus(const TubeFiles& files) {
  std::optional<std::string> text = files.read(".sim");
  if (!text) return std::nullopt;
  std::vector<double> surplus;
  const std::string name = files.name(".sim");
  // The head decides what is read: its counts are checked before a day line is.
  auto judgeHead = [&](const MeteoHead& head) {
    if (head.days < 0 || head.days > MAXDAT) {
      refuseLine(name, 0, formatInt(head.days) + " dagregels, hoogstens " + formatInt(MAXDAT),
                 ErrorKind::kIndex);
    }
    if (head.columns < 1 || head.columns > kMaxMeteoColumns || head.precipitation < 1 ||
        head.precipitation > head.columns || head.evaporation < 1 ||
        head.evaporation > head.columns) {
      refuseLine(name, 0, "de kopregel noemt geen bruikbare kolommen", ErrorKind::kIndex);
    }
  };
  const MeteoHead head = readMeteoText(name, *text, judgeHead, surplus);
  if (head.days < 1) return std::nullopt;
  double sum = 0;
  for (int m = 1; m <= head.days; ++m) sum = sum + surplus[static_cast<std::size_t>(m)];
  return sum / head.days;
}

void warn(TubeResult& tube, ResultWarningKind kind, std::string text) {
  tube.warnings.push_back({kind, std::move(text)});
}

// The realisations start with the noise at 0 instead of its mean c and the
// deterministic part at d0 = h0 - c instead of its equilibrium
// dbar = (omega0 - omega1) * qbar / (1 - delta) under the mean surplus qbar
// of S.sim. At step k both have died out to -c*phi^k and (d0 - dbar)*
// delta^k; their sum, averaged over the first simulated year's days (steps
// W+1 .. W+365), is what the first year's levels are off.
void startTransientWarning(TubeResult& tube, const SimulationStart& s, double qbar) {
  if (!(std::fabs(s.delta) < 1) || !(std::fabs(s.phi) < 1)) return;
  const double dbar = (s.omega0 - s.omega1) * qbar / (1 - s.delta);
  const double d0 = s.h0 - s.c;
  double noise = 0, deterministic = 0;
  for (int k = s.warmUpDays + 1; k <= s.warmUpDays + 365; ++k) {
    noise = noise + -s.c * std::pow(s.phi, k);
    deterministic = deterministic + (d0 - dbar) * std::pow(s.delta, k);
  }
  noise /= 365;
  deterministic /= 365;
  const double net = noise + deterministic;
  if (!(std::fabs(net) > kStartTransientCm)) return;
  warn(tube, ResultWarningKind::kStartTransient,
       "Inloopeffect: de realisaties staan in " + formatInt(s.firstYear) +
           ", het eerste gesimuleerde jaar, gemiddeld " + cm(std::fabs(net)) +
           (net > 0 ? " te hoog" : " te laag") + " (ruisdeel " + oneDecimal(noise) +
           " cm, deterministisch deel " + oneDecimal(deterministic) + " cm; inloop W = " +
           formatInt(s.warmUpDays) + " dagen; grens " + cm(kStartTransientCm) + ")");
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

// The readings dated by the meteo file's days (the time truncated to its
// day); a reading off the file's days is left out.
std::vector<DatedLevel> datedReadings(const CalibrationSeries& series) {
  std::vector<DatedLevel> out;
  out.reserve(series.input.measurements.size());
  for (const Measurement& m : series.input.measurements) {
    const long long day = static_cast<long long>(std::trunc(m.time));
    if (day < 1 || day > series.input.meteoDays) continue;
    const CalendarDate& date = series.dateOfDay(day);
    out.push_back({date.year, date.month, date.day, m.level});
  }
  return out;
}

// More than half of the readings in fewer than a quarter of the years that
// have readings: the busiest years, fewest first, until they hold more than
// half.
void clusteredReadingsWarning(TubeResult& tube, const std::vector<DatedLevel>& readings,
                              const std::string& name) {
  std::map<int, long long> perYear;
  for (const DatedLevel& r : readings) ++perYear[r.year];
  std::vector<std::pair<long long, int>> busiest;  // count, year
  for (const auto& [year, count] : perYear) busiest.push_back({count, year});
  std::stable_sort(busiest.begin(), busiest.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  const long long total = static_cast<long long>(readings.size());
  const long long years = static_cast<long long>(busiest.size());
  long long held = 0, k = 0;
  while (k < years && 2 * held <= total) held += busiest[static_cast<std::size_t>(k++)].first;
  if (!(4 * k < years)) return;
  std::vector<int> which;
  for (long long i = 0; i < k; ++i) which.push_back(busiest[static_cast<std::size_t>(i)].second);
  std::sort(which.begin(), which.end());
  std::string named;
  if (which.size() <= 6) {
    for (int year : which) named += (named.empty() ? " (" : ", ") + formatInt(year);
    named += ")";
  }
  warn(tube, ResultWarningKind::kClusteredReadings,
       "Metingen geconcentreerd: " + formatInt(held) + " van de " + formatInt(total) +
           " metingen in " + name + " (meer dan de helft) vallen in " + formatInt(k) + " van de " +
           formatInt(years) + " jaren met metingen" + named + " (minder dan een kwart)");
}

double standardDeviation(const std::vector<Measurement>& m) {
  double sum = 0;
  for (const Measurement& x : m) sum = sum + x.level;
  const double mean = sum / static_cast<double>(m.size());
  double ss = 0;
  for (const Measurement& x : m) ss = ss + (x.level - mean) * (x.level - mean);
  return std::sqrt(ss / static_cast<double>(m.size()));
}

// The measured GxG of the readings, in cm below surface level.
void measuredCharacteristics(TubeResult& tube, const CalibrationSeries& series) {
  const MeasuredGxg g = measuredGxg(datedReadings(series));
  tube.measuredYears = g.years;
  if (!g.available) return;
  // The readings are levels positive upward: the highest is the smallest depth.
  auto depth = [](double level) {
    return std::isfinite(level) ? std::optional<double>(-level) : std::nullopt;
  };
  tube.measured = {depth(g.ghg), depth(g.glg), depth(g.gvg)};
}

std::string yearsText(const std::vector<int>& years) {
  if (years.empty()) return "geen jaren";
  return formatInt(years.front()) + "-" + formatInt(years.back()) + " (" +
         formatInt(static_cast<long long>(years.size())) + " jaar)";
}

// S.gzj against the measured GxG of the same years.
void sameYearsWarning(TubeResult& tube, const std::string& name) {
  if (!tube.measuredYears || tube.sameYearsList != *tube.measuredYears) return;
  const std::optional<double>* sim[3] = {&tube.sameYears.ghg, &tube.sameYears.glg,
                                         &tube.sameYears.gvg};
  const std::optional<double>* meas[3] = {&tube.measured.ghg, &tube.measured.glg,
                                          &tube.measured.gvg};
  const char* names[3] = {"GHG", "GLG", "GVG"};
  std::string off;
  for (int i = 0; i < 3; ++i) {
    if (!*sim[i] || !*meas[i]) continue;
    const double difference = **sim[i] - **meas[i];
    if (!(std::fabs(difference) > kSimulatedVsMeasuredCm)) continue;
    off += (off.empty() ? "" : ", ") + std::string(names[i]) + " " + (difference > 0 ? "+" : "") +
           formatReal(difference, 0, 1) + " cm (gesimuleerd " + formatReal(**sim[i], 0, 1) +
           ", gemeten " + formatReal(**meas[i], 0, 1) + ")";
  }
  if (off.empty()) return;
  warn(tube, ResultWarningKind::kSimulatedVsMeasured,
       "Gesimuleerd min gemeten over dezelfde jaren " + yearsText(tube.sameYearsList) + " (" +
           name + "): " + off + " cm-mv; grens " + cm(kSimulatedVsMeasuredCm));
}

// ef and gf, with or without components (gft, efp, gfx, ...).
bool extendedLabel(const std::string& label) { return isExtendedLabel(label); }

TubeResult readTube(const std::string& dir, const ValuesLine& line, bool chosen,
                    const std::vector<LocationGroup>& locations, std::vector<std::string>& notes) {
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

  TubeFiles files(dir, tube.stem);
  // One note per fault: an archive that does not open fails every read.
  std::set<std::string> faults;
  auto noted = [&](const char* what, const Error& e) {
    if (faults.insert(e.what()).second) notes.push_back(tube.stem + ": " + what + ": " + e.what());
  };

  // The extended family's choice: its label, the filter it simulated, and
  // the parameters with their standard errors.
  try {
    if (std::optional<std::string> sel = files.read(".sel")) {
      tube.choice = readModelChoiceText(files.name(".sel"), *sel);
    }
  } catch (const Error& e) {
    noted("modelkeuze niet gelezen", e);
  }
  if (chosen && !tube.choice.chosen.empty()) tube.label = tube.choice.chosen;
  if (!tube.choice.filter.empty() && isStorableFilter(normaliseFilter(tube.choice.filter))) {
    tube.filter = normaliseFilter(tube.choice.filter);
  }
  if (extendedLabel(tube.label)) {
    // The values line of an extended model holds other parameters.
    auto parameter = [&](const char* name) {
      const ModelParameter* p = tube.choice.parameter(name);
      return p ? p->value : std::numeric_limits<double>::quiet_NaN();
    };
    tube.delta = tube.omega0 = std::numeric_limits<double>::quiet_NaN();
    tube.phi = parameter("phi");
    tube.c = parameter("c");
    tube.sigma2 = parameter("sigma2");
  }
  if (const LocationGroup* group = findLocation(locations, tube.stem, tube.filter)) {
    placeTube(tube, *group);
  }

  std::optional<CalibrationSeries> series;
  std::string measurementExt = "." + tube.filter;
  try {
    if (!files.has(measurementExt)) measurementExt = ".01";
    std::optional<std::string> measurements = files.read(measurementExt);
    std::optional<std::string> meteo = files.read(".met");
    if (measurements && meteo) {
      series = readCalibrationSeries(files.name(measurementExt), *measurements, files.name(".met"),
                                     *meteo);
    }
  } catch (const Error& e) {
    noted("meetreeks niet gelezen", e);
  }
  const std::string readingsName = files.name(measurementExt);
  std::vector<DatedLevel> readings;
  if (series) {
    try {
      readings = datedReadings(*series);
      measuredCharacteristics(tube, *series);
    } catch (const Error& e) {
      noted("gemeten GxG niet berekend", e);
    }
  }
  auto lastWarnings = [&] {
    if (series) seriesWarnings(tube, *series, readingsName);
    if (!readings.empty()) clusteredReadingsWarning(tube, readings, readingsName);
  };

  if (!chosen) {
    tube.label = line.label.empty() ? "ft" : line.label;
    std::string readFailure;
    try {
      tube.failure = noModelReason(files, line, readFailure);
    } catch (const Error& e) {
      readFailure = e.what();
      tube.failure = "calibratieresultaten niet te lezen: " + readFailure;
    }
    tube.unreadable = !readFailure.empty();
    tube.warnings.insert(tube.warnings.begin(),
                         {ResultWarningKind::kNoModel, "Geen plausibel model: " + tube.failure});
    lastWarnings();
    return tube;
  }

  // The tube has a model and GxG only when S.sta is read: an archive or a
  // member that cannot be read, or a damaged or empty S.sta, is the reason
  // it has none, never blank GxG.
  std::optional<std::string> sta;
  std::optional<StatisticsFigures> figures;
  try {
    sta = files.read(".sta");
    if (sta) {
      figures = readStatistics(files.name(".sta"), *sta);
      if (!figures->ghg && !figures->glg && !figures->gvg) {
        refuseFile(files.name(".sta"),
                   sta->find_first_not_of(" \t\r\n") == std::string::npos
                       ? "leeg"
                       : "geen GHG, GLG of GVG (regels GHG(t), GLG(t), GVG(t))",
                   ErrorKind::kRead);
      }
    }
  } catch (const Error& e) {
    figures.reset();
    tube.unreadable = true;
    tube.failure = std::string("resultaten niet te lezen: ") + e.what();
  }
  tube.modelled = figures.has_value();
  if (!figures && !tube.unreadable)
    tube.failure = "postprocessing niet afgerond: " + files.name(".sta") + " ontbreekt";

  std::optional<double> realisationsSd;
  if (figures) {
    // The statistics keep the engine's levels, positive upward; the
    // highest level is the smallest depth.
    auto depth = [](std::optional<double> v) {
      return v ? std::optional<double>(-*v) : std::nullopt;
    };
    tube.ghg = depth(figures->ghg);
    tube.glg = depth(figures->glg);
    tube.gvg = depth(figures->gvg);
    realisationsSd = figures->stdev;
  }

  // The fit: of the course in equilibrium (S.fit) when the pipeline wrote
  // it, otherwise today's pass of a standard model.
  std::optional<FilterTrace> trace;
  if (series) {
    try {
      if (std::optional<std::string> fit = files.read(".fit")) {
        trace = equilibriumTrace(*series, readFitText(files.name(".fit"), *fit).level);
        tube.fitInEquilibrium = true;
      } else if (!extendedLabel(tube.label)) {
        trace = filterTrace(series->input,
                            deterministicParameters(tube.delta, tube.omega0, tube.phi, tube.c),
                            tube.c, kNoUpdatingVariance);
      }
      if (trace) tube.fit = fitFigures(*series, *trace);
    } catch (const Error& e) {
      noted("fit niet berekend", e);
      trace.reset();
      tube.fit = FitFigures{};
      tube.fitInEquilibrium = false;
    }
  }

  // The components' levels and the situation; their course is the charts'.
  try {
    if (std::optional<std::string> kmp = files.read(".kmp")) {
      ComponentCourses courses = readComponentText(files.name(".kmp"), *kmp);
      tube.componentLevels = std::move(courses.levels);
      tube.situation = courses.situation;
    }
  } catch (const Error& e) {
    noted("bijdragen van de componenten niet gelezen", e);
  }

  try {
    if (std::optional<std::string> gzj = files.read(".gzj")) {
      const SameYearsGxg g = readSameYearsText(files.name(".gzj"), *gzj);
      tube.sameYears = {g.ghg, g.glg, g.gvg};
      tube.sameYearsList = g.years;
    }
  } catch (const Error& e) {
    noted("GxG over de meetjaren niet gelezen", e);
  }

  if (!tube.modelled) {
    lastWarnings();
    return tube;
  }

  // The equilibrium start of an extended model leaves no start transient.
  if (!extendedLabel(tube.label)) {
    try {
      const std::optional<SimulationStart> start = readSimulationStart(files);
      const std::optional<double> qbar = start ? meanSurplus(files) : std::nullopt;
      if (start && qbar) startTransientWarning(tube, *start, *qbar);
    } catch (const Error& e) {
      noted("simulatie-invoer niet gelezen", e);
    }
  }
  if (realisationsSd && series && !series->input.measurements.empty()) {
    const double measuredSd = standardDeviation(series->input.measurements);
    if (*realisationsSd > kMaxSpreadRatio * measuredSd) {
      warn(tube, ResultWarningKind::kNoiseDominates,
           "Ruis overheerst: standaardafwijking van de realisaties (" + files.name(".sta") + ") " +
               cm(*realisationsSd) + " > 1.2 x die van de metingen (" + readingsName + ") " +
               cm(measuredSd) + " = " + cm(kMaxSpreadRatio * measuredSd));
    } else if (*realisationsSd < kMinSpreadRatio * measuredSd) {
      warn(tube, ResultWarningKind::kNoiseTooSmall,
           "Realisaties te vlak: standaardafwijking van de realisaties (" + files.name(".sta") +
               ") " + cm(*realisationsSd) + " < 0.8 x die van de metingen (" + readingsName + ") " +
               cm(measuredSd) + " = " + cm(kMinSpreadRatio * measuredSd));
    }
  }
  if (tube.ghg && *tube.ghg < 0) {
    warn(tube, ResultWarningKind::kGhgAboveSurface,
         "GHG boven maaiveld: " + formatReal(*tube.ghg, 0, 1) + " cm-mv (grens 0 cm-mv)");
  }
  if (tube.fit.available && tube.fit.evp < kMinFitEvp) {
    warn(tube, ResultWarningKind::kLowFitEvp,
         "Fit zwak: EVP " + formatReal(tube.fit.evp, 0, 1) + " % (grens " +
             formatReal(kMinFitEvp, 0, 0) + " %)");
  }
  if (trace && series) {
    const ResidualTrend trend = residualTrend(*series, *trace);
    const int span = trend.lastYear - trend.firstYear;
    if (trend.available && std::fabs(trend.t) > kTrendT &&
        std::fabs(trend.slope) * span > kTrendCm) {
      warn(tube, ResultWarningKind::kResidualTrend,
           "Trend in de residuen (gemeten - model): " + formatReal(trend.slope, 0, 2) +
               " cm/jaar (t = " +
               (std::isfinite(trend.t) ? formatReal(trend.t, 0, 1) : std::string("oneindig")) +
               ") over " + formatInt(trend.firstYear) + "-" + formatInt(trend.lastYear) + ", " +
               cm(std::fabs(trend.slope) * span) + " over " + formatInt(span) +
               " jaar (grenzen |t| > 2 en " + cm(kTrendCm) + ")");
    }
  }
  sameYearsWarning(tube, files.name(".gzj"));
  lastWarnings();
  return tube;
}

// The advice for a directory of the standard family: a weak fit, simulated
// GxG off the measured ones, or no plausible model.
void adviseExtendedFamily(TubeResult& tube) {
  std::string why;
  for (const ResultWarning& w : tube.warnings) {
    if (w.kind == ResultWarningKind::kLowFitEvp) {
      why += (why.empty() ? "" : "; ") + std::string("EVP van de fit onder ") +
             formatReal(kMinFitEvp, 0, 0) + " %";
    } else if (w.kind == ResultWarningKind::kSimulatedVsMeasured) {
      why += (why.empty() ? "" : "; ") +
             std::string("gesimuleerd en gemeten over dezelfde jaren ") + "meer dan " +
             cm(kSimulatedVsMeasuredCm) + " uiteen";
    }
  }
  if (tube.label == "ft") why += (why.empty() ? "" : "; ") + std::string("geen plausibel model");
  if (why.empty()) return;
  warn(tube, ResultWarningKind::kTryExtended, "Advies: probeer Model: uitgebreid (" + why + ")");
}

}  // namespace

const char* warningMeaning(ResultWarningKind kind) {
  switch (kind) {
    case ResultWarningKind::kStartTransient:
      return "De gesimuleerde reeksen zijn in het eerste jaar nog niet ingelopen, zodat dat jaar "
             "de GxG verschuift; kies een langere opwarmtijd of laat de simulatie later beginnen.";
    case ResultWarningKind::kNoiseDominates:
      return "De realisaties schommelen veel meer dan de metingen, zodat de ruis de GHG hoger en "
             "de GLG lager maakt dan gemeten; controleer de metingen op uitschieters en vergelijk "
             "met de gemeten GxG.";
    case ResultWarningKind::kGhgAboveSurface:
      return "Een GHG boven maaiveld komt alleen voor bij inundatie of kwel; controleer de "
             "maaiveldhoogte en de referentie van de metingen.";
    case ResultWarningKind::kShortSeries:
      return "Met minder dan twee jaar metingen is het model slecht bepaald; gebruik de GxG "
             "alleen als indicatie en vul de reeks zo mogelijk aan.";
    case ResultWarningKind::kSparseSeries:
      return "Met weinig metingen per jaar mist het model de pieken en dalen; gebruik de GxG "
             "alleen als indicatie.";
    case ResultWarningKind::kNoModel:
      return "Geen van de calibraties gaf een plausibel model, dus er zijn geen GxG; zie de reden "
             "en controleer de metingen en het gekoppelde meteobestand.";
    case ResultWarningKind::kLowFitEvp:
      return "Neerslag en verdamping verklaren weinig van het verloop van de metingen, zodat de "
             "GxG vooral op de ruis rusten; zoek een andere invloed (onttrekking, peilbeheer, "
             "verplaatsing) of probeer het uitgebreide model.";
    case ResultWarningKind::kNoiseTooSmall:
      return "De realisaties schommelen veel minder dan de metingen, zodat de GHG te laag en de "
             "GLG te hoog uitvalt; vergelijk met de gemeten GxG en zoek een invloed die het model "
             "mist.";
    case ResultWarningKind::kResidualTrend:
      return "Het verschil tussen meting en model loopt over de jaren op (positief: de metingen "
             "worden dieper dan het model), wat wijst op een verandering die het weer niet "
             "verklaart; kort de reeks in tot de periode na de verandering.";
    case ResultWarningKind::kClusteredReadings:
      return "De meeste metingen vallen in enkele jaren, zodat die jaren de calibratie bepalen; "
             "dun de dichte jaren uit tot twee metingen per maand of vul de overige jaren aan.";
    case ResultWarningKind::kSimulatedVsMeasured:
      return "Over dezelfde jaren geeft het model andere GxG dan de metingen, zodat de "
             "gesimuleerde GxG niet op de metingen aansluiten; controleer de metingen en de "
             "meteo, of probeer het uitgebreide model.";
    case ResultWarningKind::kTryExtended:
      return "Deze map is gerekend met Model: standaard; het uitgebreide model (verdampingsfactor, "
             "Gamma-respons, start in evenwicht) kan deze buis beter beschrijven.";
    case ResultWarningKind::kMetadataPeriods:
      return "De buis staat in de metadata met meerdere perioden (verplaatst, opnieuw ingemeten "
             "of vervangen) en de metingen zijn als een reeks gebruikt; controleer of de perioden "
             "aansluiten en splits de reeks anders.";
  }
  return "";
}

std::size_t DataSetResults::unreadableTubes() const {
  std::size_t n = 0;
  for (const TubeResult& tube : tubes) n += tube.unreadable ? 1 : 0;
  return n;
}

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
  const bool haveLocations = fileExists(locationsPath);
  if (haveLocations) {
    LocationRows read = readLocationRows(locationsPath);
    locations = std::move(read.rows);
    results.notes.insert(results.notes.end(), read.refused.begin(), read.refused.end());
  }
  // A data set in which no tube reached the selection still has its tubes,
  // each with the reason it has no model.
  if (chosen.empty() && refused.empty() && locations.empty()) {
    throw Error(ErrorKind::kInput, workingDir + ": geen resultaten (" + kModselName + " en " +
                                       kFoutbuisName + " zijn leeg)");
  }
  if (!haveLocations) {
    results.notes.push_back(std::string("Geen coördinaten: ") + kLocationsFileName + " ontbreekt");
  }
  // With both lists empty the tubes of the data set, each with the reason it
  // has no model (left out before the selection), are still the results.
  if (chosen.empty() && refused.empty() && locations.empty()) {
    throw Error(ErrorKind::kInput, workingDir + ": geen resultaten (" + kModselName + " en " +
                                       kFoutbuisName + " zijn leeg)");
  }
  const std::vector<LocationGroup> groups = groupLocations(locations);

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
  std::set<std::pair<std::string, std::string>> listed;  // stem, filter
  OrderedSteps steps;
  steps.prepare = [](std::size_t, std::size_t) { return true; };
  steps.work = [&](std::size_t k, std::size_t, int) {
    Item& item = items[k];
    try {
      item.tube = readTube(workingDir, *item.line, item.chosen, groups, item.notes);
    } catch (const std::exception& e) {
      // Whatever one tube's files did (memory ran out on them), it costs
      // that tube, not the report of the others.
      item.tube = TubeResult{};
      item.tube.stem = item.tube.location = item.line->stem;
      item.tube.filter = "01";
      item.tube.label = item.line->label;
      item.tube.unreadable = true;
      item.tube.failure = std::string("resultaten niet te lezen: ") + e.what();
    }
  };
  steps.take = [&](std::size_t k, std::size_t) {
    Item& item = items[k];
    results.notes.insert(results.notes.end(), item.notes.begin(), item.notes.end());
    results.extendedFamily = results.extendedFamily || item.tube.choice.extended;
    listed.insert({item.tube.stem, item.tube.filter});
    // Unfinished tubes wait; a tube whose results are there but cannot be
    // read is shown with the reason.
    if (finishedOnly && item.chosen && !item.tube.modelled && !item.tube.unreadable) return;
    results.tubes.push_back(std::move(item.tube));
  };
  runOrdered(workers, items.size(), steps);
  // A tube of the export that neither list names is still a tube of the
  // study: the user must see why it has no result. One row per tube,
  // whatever the number of its metadata periods.
  for (const LocationGroup& group : groups) {
    const std::string filter = normaliseFilter(group.filter);
    // The two lists name the filter simulated of each location they take.
    const bool taken = seen.count(group.location) > 0;
    if (listed.count({group.location, filter}) || (finishedOnly && !taken && filter == "01")) {
      continue;
    }
    TubeResult tube;
    tube.stem = group.location;
    tube.filter = group.filter;
    placeTube(tube, group);
    tube.failure =
        taken && !listed.count({group.location, "01"})
            ? "niet gesimuleerd: een ander filter van deze locatie is gesimuleerd"
        : filter != "01"
            ? "niet gesimuleerd: alleen filter 01 gaat door naar de simulatie"
            : std::string("geen modelkeuze: niet in ") + kModselName + " of " + kFoutbuisName;
    // A tube the calibration left out says why in S.nFF.
    try {
      const TubeFiles files(workingDir, tube.stem);
      const std::string ext = notCalibratedName("", filter);
      if (std::optional<std::string> text = files.read(ext)) {
        tube.failure = "niet gecalibreerd: " + readNotCalibrated(files.name(ext), *text);
      }
    } catch (const Error& e) {
      tube.unreadable = true;
      tube.failure += std::string("; reden niet te lezen: ") + e.what();
    }
    tube.warnings.insert(tube.warnings.begin(),
                         {ResultWarningKind::kNoModel, "Geen model: " + tube.failure});
    results.tubes.push_back(std::move(tube));
  }
  // The periods of the metadata after what concerns the figures.
  for (TubeResult& tube : results.tubes) {
    std::stable_partition(tube.warnings.begin(), tube.warnings.end(), [](const ResultWarning& w) {
      return w.kind != ResultWarningKind::kMetadataPeriods;
    });
  }
  if (!results.extendedFamily) {
    for (TubeResult& tube : results.tubes) adviseExtendedFamily(tube);
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
