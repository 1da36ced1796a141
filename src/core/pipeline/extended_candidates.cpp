#include "pipeline/extended_candidates.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "coupling/given_components.h"
#include "coupling/meteo_day.h"
#include "coupling/stress_file.h"
#include "engine/component_calibration.h"
#include "engine/engine_run.h"
#include "engine/simulation.h"
#include "error.h"
#include "files/candidate_file.h"
#include "files/measurement_lines.h"
#include "files/meteo_days.h"
#include "files/parameter_lines.h"
#include "files/values_lines.h"
#include "input/tube_file.h"
#include "platform/files.h"
#include "postprocessing/measured_gxg.h"
#include "text/fixed_writer.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

namespace {

constexpr const char* kWeightsText = "geen (elke meting even zwaar)";

// The date of a day of the weather as yyyymmdd.
long long ymdOf(const CalendarDate& weatherFirst, int day) {
  return builtinDateOfDay(
      builtinDayNumber(weatherFirst.year, weatherFirst.month, weatherFirst.day) + day);
}

std::string printed(const char* format, double v) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, format, v);
  return buffer;
}

// The date of day line 1 of a meteo copy (S.met, S.sim) and its count of
// day lines.
std::pair<CalendarDate, int> copyStart(const std::string& path) {
  const std::vector<std::string> lines = readMeteoLines(path);
  MeteoDay day;
  if (lines.size() < 2 || !parseMeteoDay(lines[1], day)) {
    refuseLine(path, 1, "verwacht een dagregel (dag maand jaar)", ErrorKind::kRead);
  }
  return {CalendarDate{day.year, day.month, day.day}, static_cast<int>(lines.size()) - 1};
}

// The readings of a measurement file (S.FF, S.FFs): day and level, the
// first of a day.
std::vector<std::pair<int, double>> measurementsOf(const std::string& path) {
  const std::vector<std::string> lines = readMeasurementLines(path);
  std::vector<std::pair<int, double>> out;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::optional<MeasurementDay> m = measurementDay(path, i, lines[i]);
    if (!m) continue;
    double level = 0;
    if (!parseReal(withoutBlanks(m->rest), level)) {
      refuseLine(path, i, "verwacht een stand na de dag", ErrorKind::kRead);
    }
    if (!out.empty() && m->day <= out.back().first) continue;
    out.emplace_back(static_cast<int>(m->day), level);
  }
  return out;
}

// The best vertex of a standard vertex file: the plausible one with the
// smallest objective, or the smallest of all when none is plausible.
CandidateSummary standardCandidate(const std::string& dir, const std::string& S,
                                   const std::string& FF, const char* ext, const char* label,
                                   const PlausibilityBounds& bounds, int n) {
  CandidateSummary c;
  c.label = label;
  c.k = 5;
  c.n = n;
  c.model.label = label;
  c.standardErrors.fill(-1);
  const std::string path = joinPath(dir, S + "." + std::string(ext + 1) + FF);
  if (!fileExists(path)) {
    c.reason = path.substr(dir.size() + (dir.empty() ? 0 : 1)) + " ontbreekt";
    return c;
  }
  std::optional<Vertex> best, bestAny;
  for (const Vertex& v : readVertexFile(path, kColumnsAD).vertices) {
    if (!(v.objective < kNoObjective)) continue;
    if (!bestAny || v.objective < bestAny->objective) bestAny = v;
    if (bounds.admit(v) && (!best || v.objective < best->objective)) best = v;
  }
  const std::optional<Vertex>& v = best ? best : bestAny;
  if (!v) {
    c.reason = "geen calibratieresultaat";
    return c;
  }
  c.calibrated = true;
  c.model.standard = v->p;
  c.bic = v->objective + c.k * std::log(static_cast<double>(n));
  c.plausible = best.has_value();
  if (!c.plausible) c.reason = bounds.failures(*v);
  c.t95 = chosenResponseTime(c.model);
  return c;
}

}  // namespace

std::shared_ptr<const DatedWeather> WeatherCache::get(const std::string& path) {
  auto it = read_.find(path);
  if (it != read_.end()) return it->second;
  auto weather = std::make_shared<const DatedWeather>(readDatedWeather(path));
  read_.emplace(path, weather);
  return weather;
}

WeatherReadings readWeatherReadings(const std::string& dir, const std::string& S,
                                    const std::string& FF,
                                    const std::shared_ptr<const DatedWeather>& weather) {
  WeatherReadings series;
  series.weather = weather;
  const std::string metPath = joinPath(dir, S + ".met");
  const auto [first, days] = copyStart(metPath);
  const long long offset = dayIndex(*weather, first);
  const long long weatherDays = static_cast<long long>(weather->weather.precipitation.size());
  if (offset < 0 || offset + days > weatherDays) {
    refuseFile(metPath, "ligt niet binnen het meteobestand", ErrorKind::kInput);
  }
  series.calibrationFirst = static_cast<int>(offset);
  series.calibrationDays = days;
  const long long firstNumber = builtinDayNumber(first.year, first.month, first.day);
  for (const auto& [day, level] : measurementsOf(joinPath(dir, S + "." + FF))) {
    if (day < 1 || day > days) continue;
    series.readings.push_back({static_cast<int>(offset) + day - 1, level});
    const std::int64_t ymd = builtinDateOfDay(firstNumber + day - 1);
    series.dates.push_back(CalendarDate{static_cast<int>(ymd / 10000),
                                        static_cast<int>(ymd / 100 % 100),
                                        static_cast<int>(ymd % 100)});
  }
  return series;
}

double componentSituationLevel(const ChosenModel& model, const DatedWeather& weather,
                               const ModelComponent& c, Situation situation) {
  const ExtendedFilter filter(weather.weather, {}, model.stress.get());
  const int first = model.readingsFirst, last = std::max(model.readingsFirst, model.readingsLast);
  switch (situation) {
    case Situation::kGeen:
      return 0;
    case Situation::kEinde:
      if (c.kind != ComponentKind::kStress) return c.gain * componentUnit(c, last);
      if (!model.stress)
        throw Error(ErrorKind::kIndex, "model " + model.label + ": geen stressreeks");
      {
        double sum = 0;
        for (int d = last - 364; d <= last; ++d) sum += model.stress->at(d);
        return c.gain * filter.stressEquilibrium(c, sum / 365);
      }
    case Situation::kGemiddeld: {
      const std::vector<double> course = filter.componentCourse(c, first, last - first + 1);
      double sum = 0;
      for (double v : course) sum += v;
      return c.gain * sum / static_cast<double>(course.size());
    }
  }
  return 0;
}

std::vector<double> modelLevels(const ChosenModel& model, const DatedWeather& weather, int first,
                                int count, const Situation* situation) {
  if (model.isExtended()) {
    const ExtendedFilter filter(weather.weather, {}, model.stress.get());
    std::vector<double> d = filter.deterministic(model.extended, first, count);
    for (double& v : d) v += model.extended.c;
    for (const ModelComponent& c : model.extended.components) {
      if (situation != nullptr) {
        const double level = componentSituationLevel(model, weather, c, *situation);
        for (double& v : d) v += level;
        continue;
      }
      const std::vector<double> course = filter.componentCourse(c, first, count);
      for (int j = 0; j < count; ++j) d[j] += c.gain * course[j];
    }
    return d;
  }
  const Parameters& p = model.standard;
  const double delta = p[0], omega0 = p[1], c = p[4];
  const std::vector<double>& P = weather.weather.precipitation;
  const std::vector<double>& E = weather.weather.evaporation;
  double sum = 0;
  for (std::size_t i = 0; i < P.size(); ++i) sum += P[i] - E[i];
  const double meanSurplus = sum / static_cast<double>(P.size());
  double d = std::fabs(delta) < 1 ? omega0 * meanSurplus / (1 - delta) : 0;
  std::vector<double> out(static_cast<std::size_t>(count));
  for (int t = 0; t < first + count; ++t) {
    d = delta * d + omega0 * (P[static_cast<std::size_t>(t)] - E[static_cast<std::size_t>(t)]);
    if (t >= first) out[static_cast<std::size_t>(t - first)] = d + c;
  }
  return out;
}

double chosenResponseTime(const ChosenModel& model) {
  if (model.isExtended()) return responseTime(model.extended.n, model.extended.a);
  const double delta = model.standard[0];
  if (!(delta > 0 && delta < 1)) return 0;
  return std::log(0.05) / std::log(delta);
}

std::shared_ptr<const DailyStress> tubeStress(const std::string& dir,
                                              const CouplingOverview& overview,
                                              const std::string& S, const DatedWeather& weather,
                                              const WeatherReadings* calibration) {
  const std::string name = stressFileOfStem(overview, S);
  if (name.empty()) return nullptr;
  const StressSeries read = readStressFile(joinPath(dir, name));
  if (calibration != nullptr && !calibration->dates.empty()) {
    checkStressCovers(read, calibration->dates.front(), calibration->dates.back());
  }
  auto stress = std::make_shared<DailyStress>();
  const long long first = dayIndex(weather, read.first);
  if (first < std::numeric_limits<int>::min() / 2 || first > std::numeric_limits<int>::max() / 2) {
    refuseFile(joinPath(dir, name), "ligt ver buiten het meteobestand", ErrorKind::kInput);
  }
  stress->first = static_cast<int>(first);
  stress->values = read.values;
  double sum = 0;
  for (double v : read.values) sum += v;
  stress->mean = read.values.empty() ? 0 : sum / static_cast<double>(read.values.size());
  return stress;
}

void calibrateExtendedCandidates(Session& session, const CouplingOverview& overview,
                                 WeatherCache& cache) {
  const std::string& dir = session.workingDir();
  Messages& messages = session.messages();
  // The trends and steps given per location (refused at Start where they
  // cannot be used); a line of a location without readings is named.
  GivenComponents given;
  if (fileExists(joinPath(dir, kGivenComponentsFile))) {
    given = readGivenComponents(joinPath(dir, kGivenComponentsFile));
    for (const GivenComponent& g : given.rows) {
      const bool known =
          std::any_of(overview.rows.begin(), overview.rows.end(),
                      [&](const CouplingRow& r) { return entryStem(r.tube) == g.location; });
      if (!known) {
        messages.appendLog(given.path + ":" + std::to_string(g.line) + ": locatie " + g.location +
                           " komt in de gegevens niet voor; deze regel is niet gebruikt.");
      }
    }
  }
  for (const CouplingRow& row : overview.rows) {
    const std::string S = entryStem(row.tube);
    const std::string FF = normaliseFilter(entryFilter(row.tube));
    if (!fileExists(joinPath(dir, S + "." + FF))) continue;
    TubeLines tubeLines(messages, S);
    messages.appendBuis("Uitgebreid model: kandidaten ef en gf op " + S + " filter " + FF);
    const std::string meteoName = meteoFileOfStem(overview, S);
    try {
      if (meteoName.empty()) throw Error(ErrorKind::kInput, "geen meteobestand gekoppeld");
      const WeatherReadings series =
          readWeatherReadings(dir, S, FF, cache.get(joinPath(dir, meteoName)));
      // Every reading weighs the same: measured on the real wells, weighting
      // each calendar year alike gave a worse BIC on every well and no
      // better GxG over the readings' years (README, "Het uitgebreide model").
      const std::vector<double> weights;
      std::string summary;
      // A stale candidate with components must not be judged in place of
      // this run's.
      for (const std::string& label : allCandidateLabels()) {
        if (label.size() == 2) continue;
        removeFile(joinPath(dir, candidateResultsName(S, label, FF)));
        removeFile(joinPath(dir, candidateSearchName(S, label, FF)));
      }
      std::optional<CandidateFit> base;
      for (ExtendedShape shape : {ExtendedShape::kExponential, ExtendedShape::kGamma}) {
        CandidateFit fit =
            calibrateCandidate(shape, series.weather->weather, series.readings, weights, {});
        writeCandidateFiles(dir, S, FF, fit, kWeightsText);
        summary += std::string(summary.empty() ? "" : ", ") + shapeLabel(shape) +
                   (fit.ok ? " BIC " + formatReal(fit.bic, 0, 1) : " mislukt: " + fit.failure);
        if (fit.ok && (!base || fit.bic < base->bic)) base = std::move(fit);
      }
      // The components on the better of the two: a trend, a step, and the
      // tube's stress series alone and with a trend.
      std::shared_ptr<const DailyStress> stress;
      if (base && !stressFileOfStem(overview, S).empty()) {
        try {
          stress = tubeStress(dir, overview, S, *series.weather, &series);
        } catch (const Error& e) {
          messages.appendBuis("Buis " + S + ": geen kandidaten met stressreeks: " + e.what());
          messages.appendLog("Buis " + S + " filter " + FF +
                             ": geen kandidaten met stressreeks: " + e.what());
        }
      }
      // Days given for this location, on the weather's days.
      std::vector<ModelComponent> held;
      for (const GivenComponent& g : givenComponentsOf(given, S)) {
        ModelComponent c;
        c.kind = g.trend ? ComponentKind::kTrend : ComponentKind::kStep;
        const long long from = dayIndex(*series.weather, g.first);
        const long long to = dayIndex(*series.weather, g.last);
        const std::string where = given.path + ":" + std::to_string(g.line);
        if (from < 0 ||
            to >= static_cast<long long>(series.weather->weather.precipitation.size())) {
          messages.appendLog("Buis " + S + " filter " + FF + ": " + where + ": de gegeven " +
                             componentName(c.kind) +
                             " ligt buiten het meteobestand; niet gebruikt.");
          continue;
        }
        c.start = static_cast<int>(from);
        c.end = static_cast<int>(to);
        c.given = true;
        held.push_back(c);
        messages.appendLog("Buis " + S + " filter " + FF + ": " + componentName(c.kind) +
                           " gegeven in " + where + ".");
      }
      if (base) {
        std::vector<std::vector<ComponentKind>> sets = {{ComponentKind::kTrend},
                                                        {ComponentKind::kStep}};
        if (stress) {
          sets.push_back({ComponentKind::kStress});
          sets.push_back({ComponentKind::kTrend, ComponentKind::kStress});
          sets.push_back({ComponentKind::kStep, ComponentKind::kStress});
        }
        for (const std::vector<ComponentKind>& kinds : sets) {
          const CandidateFit fit =
              calibrateWithComponents(*base, kinds, series.weather->weather, series.readings,
                                      stress.get(), weights, {}, held);
          writeCandidateFiles(dir, S, FF, fit, kWeightsText, &series.weather->first);
          summary += ", " + candidateLabel(fit.model) +
                     (fit.ok ? " BIC " + formatReal(fit.bic, 0, 1) : " mislukt: " + fit.failure);
        }
      }
      messages.appendLog("Buis " + S + " filter " + FF + ": uitgebreide kandidaten " + summary +
                         ".");
    } catch (const Error& e) {
      messages.appendLog("Buis " + S + " filter " + FF +
                         ": geen uitgebreide kandidaten: " + e.what());
    }
  }
}

CandidateJudgement judgeCandidates(const std::string& dir, const std::string& S,
                                   const std::string& FF, const SessionSettings& settings, int n) {
  CandidateJudgement j;
  const PlausibilityBounds sessionBounds{settings.DELTAMIN, settings.PHIMIN, settings.CMAX,
                                         settings.OMEGAMIN};
  j.candidates.push_back(standardCandidate(dir, S, FF, ".a", "1s", sessionBounds, n));
  j.candidates.push_back(standardCandidate(dir, S, FF, ".d", "2s", kRecalibrationBounds, n));
  for (const std::string& label : allCandidateLabels()) {
    ExtendedShape shape = ExtendedShape::kGamma;
    std::vector<ComponentKind> kinds;
    parseCandidateLabel(label, shape, kinds);
    CandidateSummary c;
    c.label = label;
    c.k = calibratedParameters(shape);
    for (ComponentKind kind : kinds) c.k += componentParameters(ModelComponent{kind});
    c.model.label = c.label;
    c.standardErrors.fill(-1);
    const std::string path = joinPath(dir, candidateResultsName(S, label, FF));
    if (!fileExists(path)) {
      // The candidates with components are tried only where they apply.
      if (!kinds.empty()) continue;
      c.reason = candidateResultsName(S, shape, FF) + " ontbreekt";
      j.candidates.push_back(c);
      continue;
    }
    const CandidateFit fit = readCandidateResults(path, shape);
    if (!fit.ok) {
      c.reason = fit.failure;
      j.candidates.push_back(c);
      continue;
    }
    c.calibrated = true;
    c.k = fit.k;
    c.bic = fit.bic;
    c.n = fit.n;
    c.model.extended = fit.model;
    c.standardErrors = fit.standardErrors;
    c.t95 = fit.t95;
    std::string why;
    if (!(fit.model.A > 0)) why += "versterking A " + formatReal(fit.model.A, 0, 3) + " <= 0";
    if (!(fit.model.phi > settings.PHIMIN)) {
      why += std::string(why.empty() ? "" : ", ") + "phi " + formatReal(fit.model.phi, 0, 4) +
             " <= " + formatReal(settings.PHIMIN, 0, 2);
    }
    if (!(fit.model.c < settings.CMAX)) {
      why += std::string(why.empty() ? "" : ", ") + "c " + formatReal(fit.model.c, 0, 2) +
             " >= " + formatReal(settings.CMAX, 0, 2);
    }
    for (const ModelComponent& mc : fit.model.components) {
      const char* name = componentName(mc.kind);
      if (mc.kind == ComponentKind::kTrend) {
        const double change = mc.gain * (mc.end - mc.start) / 365.25;
        if (!(std::fabs(change) <= kComponentMaxChange)) {
          why += std::string(why.empty() ? "" : ", ") + name + " verandert " +
                 formatReal(change, 0, 1) + " cm (grens " + formatReal(kComponentMaxChange, 0, 0) +
                 " cm)";
        }
      } else if (mc.kind == ComponentKind::kStep) {
        if (!(std::fabs(mc.gain) <= kComponentMaxChange)) {
          why += std::string(why.empty() ? "" : ", ") + name + " " + formatReal(mc.gain, 0, 1) +
                 " cm (grens " + formatReal(kComponentMaxChange, 0, 0) + " cm)";
        }
      } else {
        // A river stage or an abstraction nearby may act within days: only
        // the upper bound of the response time applies to a stress.
        const double t95 = responseTime(mc.n, mc.a);
        if (t95 > settings.t95Max) {
          why += std::string(why.empty() ? "" : ", ") + name + " t95 " + formatReal(t95, 0, 1) +
                 " dagen > " + formatReal(settings.t95Max, 0, 0);
        }
      }
    }
    c.componentErrors = fit.componentErrors;
    c.reason = why;
    j.candidates.push_back(c);
  }
  // The response time applies to every shape.
  for (CandidateSummary& c : j.candidates) {
    if (!c.calibrated) continue;
    if (c.t95 < settings.t95Min || c.t95 > settings.t95Max) {
      c.reason += std::string(c.reason.empty() ? "" : ", ") + "t95 " + formatReal(c.t95, 0, 1) +
                  " dagen buiten " + formatReal(settings.t95Min, 0, 0) + " .. " +
                  formatReal(settings.t95Max, 0, 0);
    }
    c.plausible = c.reason.empty();
  }
  // The smallest BIC, each component charged the margin: a candidate with
  // components is chosen only where each buys at least that much.
  auto charged = [&](const CandidateSummary& c) {
    return c.bic + kComponentMargin * static_cast<double>(c.model.extended.components.size());
  };
  for (std::size_t i = 0; i < j.candidates.size(); ++i) {
    const CandidateSummary& c = j.candidates[i];
    if (c.plausible && (!j.chosen || charged(c) < charged(j.candidates[*j.chosen]))) j.chosen = i;
  }
  return j;
}

std::vector<std::string> extendedSelLines(const CandidateJudgement& judgement,
                                          const std::string& FF, const CalendarDate* weatherFirst) {
  std::vector<std::string> lines;
  for (const CandidateSummary& c : judgement.candidates) {
    std::string line = "kandidaat " + c.label + " bic " +
                       (c.calibrated ? printed("%.2f", c.bic) : std::string("-")) + " k " +
                       std::to_string(c.k) + " n " + std::to_string(c.calibrated ? c.n : 0) +
                       " plausibel " + (c.plausible ? "ja" : "nee");
    if (!c.reason.empty()) line += " reden " + c.reason;
    lines.push_back(line);
  }
  if (!judgement.chosen) return lines;
  const CandidateSummary& c = judgement.candidates[*judgement.chosen];
  lines.push_back("gekozen " + c.label + " bic " + printed("%.2f", c.bic) + " filter " + FF);
  auto se = [](double v) { return v > 0 ? printed("%.6g", v) : std::string("-"); };
  if (c.model.isExtended()) {
    const auto values = c.model.extended.values();
    for (int i = 0; i < kExtendedParameters; ++i) {
      if (i == 1 && c.model.extended.shape == ExtendedShape::kExponential) continue;
      lines.push_back("parameter " + std::string(kExtendedParameterNames[i]) + " " +
                      printed("%.6g", values[static_cast<std::size_t>(i)]) + " " +
                      se(c.standardErrors[static_cast<std::size_t>(i)]));
    }
    const std::vector<ModelComponent>& components = c.model.extended.components;
    for (std::size_t i = 0; i < components.size(); ++i) {
      const ModelComponent& mc = components[i];
      const double gainError = i < c.componentErrors.size() ? c.componentErrors[i].gain : -1;
      auto date = [&](int day) {
        if (weatherFirst == nullptr) return std::string("-");
        const long long ymd = ymdOf(*weatherFirst, day);
        char buffer[72];
        std::snprintf(buffer, sizeof buffer, "%04lld-%02lld-%02lld", ymd / 10000, ymd / 100 % 100,
                      ymd % 100);
        return std::string(buffer);
      };
      switch (mc.kind) {
        case ComponentKind::kTrend:
          lines.push_back("component trend van " + date(mc.start) + " tot " + date(mc.end) +
                          " helling " + printed("%.6g", mc.gain) + " " + se(gainError) +
                          " cm/jaar verandering " +
                          printed("%.1f", mc.gain * (mc.end - mc.start) / 365.25) + " cm" +
                          (mc.given ? " gegeven" : ""));
          break;
        case ComponentKind::kStep:
          lines.push_back(
              "component stap op " + date(mc.start) + " sprong " + printed("%.6g", mc.gain) + " " +
              se(gainError) + " cm" +
              (mc.fade > 0 ? " uitdoving " + printed("%.1f", mc.fade) + " dagen" : std::string()) +
              (mc.given ? " gegeven" : ""));
          break;
        case ComponentKind::kStress:
          lines.push_back("component stress versterking " + printed("%.6g", mc.gain) + " " +
                          se(gainError) + " n " + printed("%.6g", mc.n) + " a " +
                          printed("%.6g", mc.a) + " t95 " +
                          printed("%.1f", responseTime(mc.n, mc.a)));
          break;
      }
    }
  } else {
    const char* names[] = {"delta", "omega0", nullptr, "phi", "c", "sigma2"};
    for (int i = 0; i < kModelParameters; ++i) {
      if (!names[i]) continue;
      lines.push_back("parameter " + std::string(names[i]) + " " +
                      printed("%.6g", c.model.standard[static_cast<std::size_t>(i)]) + " -");
    }
  }
  lines.push_back("t95 " + printed("%.1f", c.t95));
  return lines;
}

std::string extendedValuesLine(const std::string& S, const ChosenModel& model,
                               const CalendarDate& weatherFirst) {
  const ExtendedModel& m = model.extended;
  std::string line(S.size() < 8 ? 8 - S.size() : 0, ' ');
  line += S + " " + model.label;
  for (double v : {m.A, m.n, m.a, m.f, m.phi, m.c, m.sigma2}) line += " " + printed("%.6f", v);
  for (const ModelComponent& c : m.components) {
    switch (c.kind) {
      case ComponentKind::kTrend:
        line += " " + std::to_string(ymdOf(weatherFirst, c.start)) + " " +
                std::to_string(ymdOf(weatherFirst, c.end)) + " " + printed("%.6f", c.gain);
        break;
      case ComponentKind::kStep:
        line += " " + std::to_string(ymdOf(weatherFirst, c.start)) + " " + printed("%.6f", c.gain) +
                " " + printed("%.6f", c.fade);
        break;
      case ComponentKind::kStress:
        line +=
            " " + printed("%.9g", c.gain) + " " + printed("%.6f", c.n) + " " + printed("%.6f", c.a);
        break;
    }
  }
  return line;
}

void writeFitFile(const std::string& dir, const std::string& S, const ChosenModel& model,
                  const WeatherReadings& series) {
  const std::vector<double> levels =
      modelLevels(model, *series.weather, series.calibrationFirst, series.calibrationDays);
  const CalendarDate& f = series.weather->first;
  std::vector<std::string> lines = {"# fit in evenwicht: model " + model.label + ", meteo vanaf " +
                                    std::to_string(f.day) + "-" + std::to_string(f.month) + "-" +
                                    std::to_string(f.year)};
  lines.reserve(levels.size() + 1);
  for (std::size_t m = 0; m < levels.size(); ++m) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%6d %10.3f", static_cast<int>(m + 1), levels[m]);
    lines.emplace_back(buffer);
  }
  writeLines(joinPath(dir, S + ".fit"), lines);
}

void writeComponentFile(const std::string& dir, const std::string& S, const ChosenModel& model,
                        const WeatherReadings& series, Situation situation) {
  const std::string path = joinPath(dir, S + ".kmp");
  const std::vector<ModelComponent>& components = model.extended.components;
  if (!model.isExtended() || components.empty()) {
    removeFile(path);
    return;
  }
  const DatedWeather& weather = *series.weather;
  std::vector<std::string> lines = {"# bijdragen van de componenten van model " + model.label +
                                    " (cm, positief omhoog); situatie " + situationText(situation)};
  std::string head = "datum";
  for (const ModelComponent& c : components) {
    lines.push_back(
        std::string("component ") + componentName(c.kind) + " einde " +
        printed("%.2f", componentSituationLevel(model, weather, c, Situation::kEinde)) +
        " gemiddeld " +
        printed("%.2f", componentSituationLevel(model, weather, c, Situation::kGemiddeld)) +
        " gebruikt " + printed("%.2f", componentSituationLevel(model, weather, c, situation)));
    head += std::string(" ") + componentName(c.kind);
  }
  lines.push_back(head);
  const ExtendedFilter filter(weather.weather, {}, model.stress.get());
  std::vector<std::vector<double>> courses;
  for (const ModelComponent& c : components) {
    courses.push_back(filter.componentCourse(c, series.calibrationFirst, series.calibrationDays));
  }
  const long long firstNumber =
      builtinDayNumber(weather.first.year, weather.first.month, weather.first.day);
  for (int k = 0; k < series.calibrationDays; ++k) {
    const long long ymd = builtinDateOfDay(firstNumber + series.calibrationFirst + k);
    char buffer[72];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02lld-%02lld", ymd / 10000, ymd / 100 % 100,
                  ymd % 100);
    std::string line = buffer;
    for (std::size_t j = 0; j < components.size(); ++j) {
      line += " " + printed("%.3f", components[j].gain * courses[j][static_cast<std::size_t>(k)]);
    }
    lines.push_back(line);
  }
  writeLines(path, lines);
}

bool writeSameYearsFile(const std::string& dir, const std::string& S, const ChosenModel& model,
                        const WeatherReadings& series, int realisations) {
  const std::string path = joinPath(dir, S + ".gzj");
  removeFile(path);
  std::vector<DatedLevel> readings;
  readings.reserve(series.readings.size());
  for (std::size_t i = 0; i < series.readings.size(); ++i) {
    const CalendarDate& d = series.dates[i];
    readings.push_back({d.year, d.month, d.day, series.readings[i].level});
  }
  const MeasuredGxg measured = measuredGxg(readings);
  if (!measured.available || realisations < 1) return false;
  const DatedWeather& weather = *series.weather;
  const long long first = dayIndex(weather, CalendarDate{measured.years.front(), 1, 1});
  const long long last = dayIndex(weather, CalendarDate{measured.years.back(), 12, 31});
  if (first < 0 || last >= static_cast<long long>(weather.weather.precipitation.size())) {
    return false;
  }
  const int count = static_cast<int>(last - first + 1);
  const std::vector<double> level = modelLevels(model, weather, static_cast<int>(first), count);
  const long long firstNumber = builtinDayNumber(measured.years.front(), 1, 1);
  RandomSource random;
  int seed = kEngineSeed;
  std::vector<double> h(static_cast<std::size_t>(count));
  double ghg = 0, glg = 0, gvg = 0;
  simulateAroundLevels(
      level, model.phi(), model.sigma2(), realisations, [&] { return random.normal(seed); },
      [&](int, int k, double value) {
        h[static_cast<std::size_t>(k)] = value;
        if (k + 1 < count) return;
        // The realisation's GxG over the measured years.
        const MeasuredGxg g = gxgOverYears(
            [&](int y, int m, int d) {
              return h[static_cast<std::size_t>(builtinDayNumber(y, m, d) - firstNumber)];
            },
            measured.years);
        ghg += g.ghg;
        glg += g.glg;
        gvg += g.gvg;
      });
  std::string years = "jaren";
  for (int y : measured.years) years += " " + std::to_string(y);
  // cm below surface level: the levels are positive upward.
  writeLines(path, {"# GxG over de meetjaren, gesimuleerd met model " + model.label + ", " +
                        std::to_string(realisations) + " realisaties (cm-mv)",
                    years, "ghg " + printed("%.2f", -ghg / realisations),
                    "glg " + printed("%.2f", -glg / realisations),
                    "gvg " + printed("%.2f", -gvg / realisations)});
  return true;
}

namespace {

struct StageFiles {
  std::string measurements, meteo, output, results;
  int seed = 0, realisations = 0, years = 0;
  double startYear = 0;
  double span = 0;
  double measurementVariance = 0;
  double warmUp = 0;
};

StageFiles readStageFile(const std::string& path) {
  const std::vector<std::string> lines = readParameterFileLines(path);
  if (lines.size() < 11) refuseFile(path, "minder dan 11 regels", ErrorKind::kRead);
  StageFiles s;
  s.measurements = lines[0];
  s.meteo = lines[1];
  s.output = lines[2];
  s.results = lines[3];
  auto number = [&](int line, int position) {
    const std::optional<double> v = parameterNumber(path, lines, line, position);
    if (!v)
      refuseLine(path, static_cast<std::size_t>(line - 1), "getal ontbreekt", ErrorKind::kRead);
    return *v;
  };
  s.seed = static_cast<int>(number(kRunLineNumber, 1));
  s.realisations = static_cast<int>(number(kRunLineNumber, 2));
  s.years = static_cast<int>(number(kRunLineNumber, 3));
  s.startYear = number(kRunLineNumber, 4);
  s.measurementVariance = number(kVarianceLineNumber, 0);
  s.span = number(10, 1);
  s.warmUp = number(kWarmUpLineNumber, 0);
  return s;
}

}  // namespace

bool runExtendedStage(const std::string& dir, const std::string& S, const std::string& FF,
                      const ChosenModel& model, const DatedWeather& weather, bool trace,
                      Situation situation, std::string& message) {
  try {
    const StageFiles s = readStageFile(joinPath(dir, trace ? S + ".std" : S + ".t" + FF));
    const auto [simStart, simDays] = copyStart(joinPath(dir, s.meteo));
    const long long first = dayIndex(weather, simStart);
    const std::vector<std::pair<int, double>> measured =
        measurementsOf(joinPath(dir, s.measurements));
    // The engine's steps k = 1..n on the days of the meteo copy; a reading
    // on step k is the one of day k.
    std::vector<std::pair<int, double>> kept;
    for (const auto& m : measured) {
      if (m.first >= 1 && m.first <= simDays) kept.push_back(m);
    }
    const double N = static_cast<double>(kept.size());
    int n = static_cast<int>(std::lround(s.span));
    if (trace) n = kept.empty() ? 0 : kept.back().first;
    if (first < 0 || first + n > static_cast<long long>(weather.weather.precipitation.size()) ||
        n > simDays) {
      throw Error(ErrorKind::kIndex, "de periode valt buiten het meteobestand");
    }
    const std::vector<double> level =
        modelLevels(model, weather, static_cast<int>(first), n, trace ? nullptr : &situation);
    std::vector<std::int32_t> onStep(static_cast<std::size_t>(n) + 1, -1);
    for (std::size_t i = 0; i < kept.size(); ++i) {
      if (kept[i].first <= n) onStep[static_cast<std::size_t>(kept[i].first)] = static_cast<int>(i);
    }
    const double c = model.c(), phi = model.phi(), sigma2 = model.sigma2();
    FixedWriter results;
    results.open(joinPath(dir, s.results));
    FixedWriter out;
    out.open(joinPath(dir, s.output));
    if (!trace) {
      out.real(s.startYear, 4, 0);
      out.text(" ");
      out.integer(s.realisations);
      out.text(" ");
      out.integer(s.years);
      out.endLine();
      RandomSource random;
      int seed = s.seed;
      double detSum = 0, detSquares = 0, detAbs = 0, meanME = 0, meanRMSE = 0, meanMAE = 0;
      for (std::size_t i = 0; i < kept.size(); ++i) {
        const int k = kept[i].first;
        if (k > n) continue;
        const double r = kept[i].second - level[static_cast<std::size_t>(k - 1)];
        detSum += r;
        detSquares += r * r;
        detAbs += std::fabs(r);
      }
      double sum = 0, squares = 0, absolutes = 0;  // of the realisation under way
      simulateAroundLevels(
          level, phi, sigma2, s.realisations, [&] { return random.normal(seed); },
          [&](int, int index, double h) {
            const int k = index + 1;  // the engine's step
            const std::int32_t m = onStep[static_cast<std::size_t>(k)];
            if (m >= 0) {
              const double residual = kept[static_cast<std::size_t>(m)].second - h;
              sum += residual;
              squares += residual * residual;
              absolutes += std::fabs(residual);
            }
            if (k > s.warmUp) {
              out.real(h, 8, 3);
              out.endLine();
            }
            if (k < n) return;
            if (N > 0) {
              meanME += sum / N;
              meanRMSE += std::sqrt(squares / N);
              meanMAE += absolutes / N;
            }
            sum = squares = absolutes = 0;
          });
      const double R = s.realisations > 0 ? s.realisations : 1;
      results.line("ME, RMSE, MAE deterministic model:");
      writeFitLine(results, N > 0 ? detSum / N : 0, N > 0 ? std::sqrt(detSquares / N) : 0,
                   N > 0 ? detAbs / N : 0);
      results.line("expected ME, RMSE, MAE of realizations:");
      writeFitLine(results, meanME / R, meanRMSE / R, meanMAE / R);
    } else {
      // The trace: without updating the model's own course (noise at its
      // mean, innovation variance R); with updating (R = 0) the noise state
      // follows every reading.
      const bool updating = s.measurementVariance == 0;
      const double R = s.measurementVariance;
      writeTraceHead(out, c, 0.0);
      double z = 0, P = 0, L = N * kLn2Pi, Ssum = 0, sumV = 0, sumV2 = 0, sumAbs = 0;
      for (int k = 1; k <= n; ++k) {
        const double zPred = updating ? phi * z : 0.0;
        const double M = updating ? phi * phi * P + sigma2 : 0.0;
        const double predicted = level[static_cast<std::size_t>(k - 1)] + zPred;
        const std::int32_t m = onStep[static_cast<std::size_t>(k)];
        double updated = predicted;
        double y = 0, v = 0, F = 0;
        if (m >= 0) {
          y = kept[static_cast<std::size_t>(m)].second;
          v = y - predicted;
          F = M + R;
          if (!(F > 0)) throw Error(ErrorKind::kOverflow, "innovatievariantie 0");
          const double K = M / F;
          z = zPred + K * v;
          P = (1 - K) * M;
          updated = level[static_cast<std::size_t>(k - 1)] + z;
        } else {
          z = zPred;
          P = M;
        }
        writeTraceRow(out,
                      FilterStep{k, static_cast<double>(k), predicted, updated, M, P, m, y, v, F});
        if (m >= 0) {
          L += std::log(F);
          Ssum += v * v / F;
          sumV += v;
          sumV2 += v * v;
          sumAbs += std::fabs(v);
        }
      }
      for (double v : model.extended.values()) results.real(v, 15, 6);
      results.real(L, 15, 5);
      results.real(Ssum, 15, 5);
      results.real(L + Ssum, 15, 5);
      results.endLine();
      results.real(N > 0 ? sumV / N : 0, 12, 6);
      results.real(N > 0 ? std::sqrt(sumV2 / N) : 0, 12, 6);
      results.real(N > 0 ? sumAbs / N : 0, 12, 6);
      results.endLine();
    }
    out.close();
    results.close();
    return true;
  } catch (const std::exception& e) {
    message = e.what();
    return false;
  }
}

}  // namespace phreatix
