#include "engine/component_calibration.h"

#include <algorithm>
#include <boost/math/tools/minima.hpp>
#include <cmath>
#include <limits>
#include <map>

#include "engine/extended_search.h"
#include "error.h"

namespace phreatix {

char componentLetter(ComponentKind kind) {
  switch (kind) {
    case ComponentKind::kTrend:
      return 't';
    case ComponentKind::kStep:
      return 'p';
    case ComponentKind::kStress:
      return 'x';
  }
  return '?';
}

const char* componentName(ComponentKind kind) {
  switch (kind) {
    case ComponentKind::kTrend:
      return "trend";
    case ComponentKind::kStep:
      return "stap";
    case ComponentKind::kStress:
      return "stress";
  }
  return "?";
}

int componentParameters(const ModelComponent& c) {
  switch (c.kind) {
    case ComponentKind::kTrend:
      return 3;
    case ComponentKind::kStep:
      return c.fade > 0 ? 3 : 2;
    case ComponentKind::kStress:
      return c.n != 1 ? 3 : 2;
  }
  return 0;
}

namespace {

constexpr double kTooLarge = std::numeric_limits<double>::max();
// The shortest trend, days.
constexpr int kShortestTrend = 365;
// The fading of a step, days: its grid and bounds.
constexpr double kFadeGrid[] = {180.0, 400.0, 1000.0, 3000.0, 8000.0};
// At least half a year: a dip of days or weeks is an event in the readings
// (a tube purged for a sample, a pumping test, a faulty reading), not a
// change of the level the GxG describe.
constexpr double kFadeMin = 180, kFadeMax = 10000;

// The state of one search: the model as it stands, the convolutions of its
// response shape and its components' columns at the readings.
class ComponentSearch {
 public:
  ComponentSearch(const ExtendedFilter& filter, const std::vector<double>& weights,
                  const CandidateBounds& bounds, ExtendedModel model, std::vector<SearchStep>& log)
      : filter_(filter), weights_(weights), bounds_(bounds), m_(std::move(model)), log_(log) {
    columns_.resize(m_.components.size());
    for (std::size_t j = 0; j < m_.components.size(); ++j) updateColumn(j);
  }

  ExtendedModel& model() { return m_; }
  const std::vector<std::vector<double>>& columns() const { return columns_; }
  int first() const { return filter_.readings().front().day; }
  int last() const { return filter_.readings().back().day; }

  void updateColumn(std::size_t j) { columns_[j] = filter_.componentAtReadings(m_.components[j]); }

  // The objective at the model's phi, its linear parameters solved.
  double atPhi() {
    convolve();
    const double value =
        filter_.profile(m_, uP_, uE_, weights_, bounds_.fMin, bounds_.fMax, columns_);
    return std::isfinite(value) ? value : kTooLarge;
  }

  // The objective at the best phi (Brent's method on logit phi); the model
  // left at it.
  double bestPhi() {
    convolve();
    ExtendedModel probe = m_;
    auto byPhi = [&](double x) {
      probe.phi = 1 / (1 + std::exp(-x));
      const double value =
          filter_.profile(probe, uP_, uE_, weights_, bounds_.fMin, bounds_.fMax, columns_);
      return std::isfinite(value) ? value : kTooLarge;
    };
    std::uintmax_t iterations = 60;
    const auto [x, value] =
        boost::math::tools::brent_find_minima(byPhi, -4.0, 12.0, 24, iterations);
    m_.phi = 1 / (1 + std::exp(-x));
    log_.push_back({m_.n, m_.a, m_.phi, value});
    return atPhi();
  }

  // The days of component j on a grid, then refined with ever smaller steps,
  // at the model's response and phi.
  void searchDays(std::size_t j, bool grid) {
    ModelComponent& c = m_.components[j];
    if (c.kind == ComponentKind::kStress || c.given) return;
    const int lo = first(), hi = last();
    double best = atPhi();
    ModelComponent bestC = c;
    auto tryDays = [&](int start, int end, double fade) {
      if (c.kind == ComponentKind::kTrend &&
          (start < lo || end > hi || end - start < kShortestTrend)) {
        return;
      }
      if (c.kind == ComponentKind::kStep && (start <= lo || start > hi)) return;
      c.start = start;
      c.end = end;
      c.fade = fade;
      updateColumn(j);
      const double value = atPhi();
      if (value < best) {
        best = value;
        bestC = c;
      }
      c = bestC;
    };
    if (grid) {
      // A step's grid at the phi of the model without it and at two lower
      // ones: a step left out makes the noise of that model remember almost
      // for ever, and at such a phi the step's own gain is all but hidden.
      // The best days of each grid then at their own best phi. (A trend's
      // grid at the lower phis found, on the real wells, trends that fit a
      // little better and whose GxG lay further from the measured ones: it
      // stays at the one phi.)
      std::vector<ModelComponent> found;
      const double phi0 = m_.phi;
      for (double phi : {phi0, 0.95, 0.8}) {
        if (phi != phi0 && (phi > phi0 || c.kind == ComponentKind::kTrend)) continue;
        m_.phi = phi;
        c = found.empty() ? bestC : found.front();
        updateColumn(j);
        best = atPhi();
        bestC = c;
        if (c.kind == ComponentKind::kTrend) {
          for (int s = lo; s + kShortestTrend <= hi; s += 365) {
            for (int e = s + 365; e <= hi; e += 365) tryDays(s, e, 0);
            tryDays(s, hi, 0);
          }
        } else {
          // A step that fades is not found on a lasting step's grid: its
          // days on the grid of a lasting step and of two fading ones.
          for (double fade : {0.0, kFadeGrid[1], kFadeGrid[3]}) {
            for (int s = lo + 30; s < hi; s += 30) tryDays(s, s, fade);
          }
        }
        found.push_back(bestC);
      }
      double bestValue = kTooLarge;
      ExtendedModel bestModel = m_;
      for (const ModelComponent& days : found) {
        c = days;
        updateColumn(j);
        const double value = bestPhi();
        if (value < bestValue) {
          bestValue = value;
          bestModel = m_;
        }
      }
      m_ = bestModel;
      updateColumn(j);
      best = atPhi();
      bestC = c;
    }
    if (c.kind == ComponentKind::kStep) {
      // A lasting step's objective only changes where it passes a reading:
      // the step on each reading within 90 days, as the first reading that
      // sees it.
      std::vector<int> days;
      for (const DayLevel& r : filter_.readings()) {
        if (std::abs(r.day - c.start) <= 90) days.push_back(r.day);
      }
      for (int day : days) tryDays(day, day, c.fade);
    }
    for (int step : {91, 30, 7, 1}) {
      if (c.kind == ComponentKind::kStep && step > 30) continue;
      if (c.kind == ComponentKind::kStep && c.fade == 0 && step < 30) continue;
      for (bool moved = true; moved;) {
        const double before = best;
        const int along = c.kind == ComponentKind::kStep ? step : 0;
        tryDays(c.start - step, c.end - along, c.fade);
        tryDays(c.start + step, c.end + along, c.fade);
        if (c.kind == ComponentKind::kTrend) {
          tryDays(c.start, c.end - step, c.fade);
          tryDays(c.start, c.end + step, c.fade);
        }
        moved = best < before;
      }
    }
    c = bestC;
    if (c.kind == ComponentKind::kStep && c.fade == 0) {
      // Every day between the last reading before the step and the first
      // after it fits alike: the step is put halfway.
      const std::vector<DayLevel>& r = filter_.readings();
      for (std::size_t i = 1; i < r.size(); ++i) {
        if (r[i - 1].day < c.start && c.start <= r[i].day) {
          c.start = r[i - 1].day + (r[i].day - r[i - 1].day + 1) / 2;
          c.end = c.start;
          break;
        }
      }
    }
    updateColumn(j);
    atPhi();
  }

  // The stress's response scale on its grid, at the model's response and phi.
  void searchStressScale(std::size_t j) {
    ModelComponent& c = m_.components[j];
    double best = kTooLarge;
    double bestA = c.a;
    for (double a : {5.0, 20.0, 60.0, 200.0, 600.0, 2000.0}) {
      if (a < bounds_.aMin || a > bounds_.aMax) continue;
      c.a = a;
      updateColumn(j);
      const double value = atPhi();
      if (value < best) {
        best = value;
        bestA = a;
      }
    }
    c.a = bestA;
    updateColumn(j);
    atPhi();
  }

  // The response shape, the stress's scale (and its n for a Gamma
  // response) and phi together.
  void searchShapes(ExtendedShape shape, bool stressGamma = false) {
    const int stress = stressIndex();
    const bool gamma = shape == ExtendedShape::kGamma;
    auto place = [&](const std::array<double, 4>& x) {
      int d = 0;
      m_.a = std::exp(std::clamp(x[d++], std::log(bounds_.aMin), std::log(bounds_.aMax)));
      if (gamma)
        m_.n = std::exp(std::clamp(x[d++], std::log(bounds_.nMin), std::log(bounds_.nMax)));
      if (stress >= 0) {
        m_.components[stress].a =
            std::exp(std::clamp(x[d++], std::log(bounds_.aMin), std::log(bounds_.aMax)));
        if (stressGamma) {
          m_.components[stress].n =
              std::exp(std::clamp(x[d++], std::log(bounds_.nMin), std::log(bounds_.nMax)));
        }
        updateColumn(static_cast<std::size_t>(stress));
      }
    };
    std::array<double, 4> start{};
    int dims = 0;
    start[dims++] = std::log(m_.a);
    if (gamma) start[dims++] = std::log(m_.n);
    if (stress >= 0) start[dims++] = std::log(m_.components[stress].a);
    if (stress >= 0 && stressGamma) start[dims++] = std::log(m_.components[stress].n);
    auto objective = [&](const std::array<double, 4>& x) {
      place(x);
      return bestPhi();
    };
    const auto [x, value] = downhill(objective, start, dims, 0.3, 60 * dims);
    place(x);
    bestPhi();
  }

  // Step j lasting and fading: the lasting step's day refined; the fading
  // days on their grid, refined by Brent's method on their logarithm, the
  // day refined at them. The fading step is kept where its objective lies
  // below the lasting one's by more than `charge`. Returns the objective of
  // what is kept.
  double chooseFading(std::size_t j, double charge) {
    ModelComponent& c = m_.components[j];
    const ExtendedModel start = m_;
    c.fade = 0;
    updateColumn(j);
    searchDays(j, false);
    const double lasting = bestPhi();
    const ExtendedModel kept = m_;
    m_ = start;
    double best = kTooLarge, bestFade = kFadeGrid[0];
    for (double fade : kFadeGrid) {
      c.fade = fade;
      updateColumn(j);
      const double value = bestPhi();
      if (value < best) {
        best = value;
        bestFade = fade;
      }
    }
    auto byFade = [&](double x) {
      c.fade = std::exp(x);
      updateColumn(j);
      return bestPhi();
    };
    std::uintmax_t iterations = 30;
    const double lo = std::log(std::max(kFadeMin, bestFade / 3.5));
    const double hi = std::log(std::min(kFadeMax, bestFade * 3.5));
    const auto [x, value] = boost::math::tools::brent_find_minima(byFade, lo, hi, 16, iterations);
    c.fade = value < best ? std::exp(x) : bestFade;
    updateColumn(j);
    searchDays(j, false);
    const double fading = bestPhi();
    if (fading + charge < lasting) return fading;
    m_ = kept;
    updateColumn(j);
    return atPhi();
  }

  // The stress with a Gamma response: its n searched with the rest of the
  // shapes. Kept as tryFading keeps a fading step.
  double tryStressGamma(ExtendedShape shape, double current, double charge) {
    const int j = stressIndex();
    if (j < 0) return current;
    const ExtendedModel kept = m_;
    searchShapes(shape, true);
    const double gamma = bestPhi();
    if (gamma + charge < current && m_.components[j].n != 1) return gamma;
    m_ = kept;
    updateColumn(static_cast<std::size_t>(j));
    return atPhi();
  }

  int stressIndex() const {
    for (std::size_t j = 0; j < m_.components.size(); ++j) {
      if (m_.components[j].kind == ComponentKind::kStress) return static_cast<int>(j);
    }
    return -1;
  }

 private:
  void convolve() {
    if (m_.n != cachedN_ || m_.a != cachedA_) {
      filter_.convolveAtReadings(m_.n, m_.a, uP_, uE_);
      cachedN_ = m_.n;
      cachedA_ = m_.a;
    }
  }

  const ExtendedFilter& filter_;
  const std::vector<double>& weights_;
  const CandidateBounds& bounds_;
  ExtendedModel m_;
  std::vector<SearchStep>& log_;
  std::vector<double> uP_, uE_;
  double cachedN_ = -1, cachedA_ = -1;
  std::vector<std::vector<double>> columns_;
};

}  // namespace

CandidateFit calibrateWithComponents(const CandidateFit& base,
                                     const std::vector<ComponentKind>& kinds,
                                     const DailyWeather& weather,
                                     const std::vector<DayLevel>& readings,
                                     const DailyStress* stress, const std::vector<double>& weights,
                                     const CandidateBounds& bounds,
                                     const std::vector<ModelComponent>& given) {
  CandidateFit fit;
  const ExtendedShape shape = base.model.shape;
  fit.model = base.model;
  fit.n = static_cast<int>(readings.size());
  fit.k = calibratedParameters(shape);
  for (ComponentKind kind : kinds) fit.k += componentParameters(ModelComponent{kind});
  if (!base.ok) {
    fit.failure = "het model zonder componenten calibreerde niet";
    return fit;
  }
  if (readings.size() < static_cast<std::size_t>(fit.k) + 2 || readings.size() < 2) {
    fit.failure = "te weinig metingen (" + std::to_string(readings.size()) + ")";
    return fit;
  }
  const ExtendedFilter filter(weather, readings, stress);
  ExtendedModel start = base.model;
  start.components.clear();
  const int lo = readings.front().day, hi = readings.back().day;
  for (ComponentKind kind : kinds) {
    ModelComponent c;
    c.kind = kind;
    const auto held = std::find_if(given.begin(), given.end(), [&](const ModelComponent& g) {
      return g.kind == kind && kind != ComponentKind::kStress;
    });
    if (held != given.end()) {
      c.start = held->start;
      c.end = held->end;
      c.given = true;
      // A given step must fall within the readings, a given trend rise
      // during them: otherwise its size cannot be told from the levels.
      const bool within = kind == ComponentKind::kStep
                              ? c.start > lo && c.start <= hi
                              : c.end > c.start && c.start < hi && c.end > lo;
      if (!within) {
        fit.failure = std::string("de gegeven ") + componentName(kind) +
                      " valt buiten de periode van de metingen";
        return fit;
      }
    } else if (kind == ComponentKind::kTrend) {
      c.start = lo;
      c.end = hi;
    } else if (kind == ComponentKind::kStep) {
      c.start = lo + (hi - lo) / 2;
      c.end = c.start;
    } else {
      if (stress == nullptr) throw Error(ErrorKind::kIndex, "extended model: no stress series");
      c.a = 60;
    }
    start.components.push_back(c);
  }
  ComponentSearch search(filter, weights, bounds, start, fit.search);
  search.atPhi();
  for (std::size_t j = 0; j < kinds.size(); ++j) {
    if (kinds[j] == ComponentKind::kStress) {
      search.searchStressScale(j);
    } else {
      search.searchDays(j, true);
    }
  }
  search.searchShapes(shape);
  for (std::size_t j = 0; j < kinds.size(); ++j) search.searchDays(j, false);
  double value = search.bestPhi();
  const double charge = std::log(static_cast<double>(readings.size()));
  if (value < kTooLarge) {
    for (std::size_t j = 0; j < kinds.size(); ++j) {
      if (kinds[j] == ComponentKind::kStep) value = search.chooseFading(j, charge);
    }
    value = search.tryStressGamma(shape, value, charge);
  }
  if (!(value < kTooLarge)) {
    fit.failure = "de zoektocht vond geen eindige doelfunctie";
    return fit;
  }
  ExtendedModel& m = search.model();
  fit.weightedObjective = value;
  fit.model = m;
  fit.k = calibratedParameters(shape);
  for (const ModelComponent& c : m.components) fit.k += componentParameters(c);
  // The columns at the optimum, with the convolutions at its shape.
  std::vector<double> uP, uE;
  filter.convolveAtReadings(m.n, m.a, uP, uE);
  fit.objective = filter.objective(m, uP, uE, {}, search.columns()).value;
  fit.bic = fit.objective + fit.k * std::log(static_cast<double>(fit.n));
  fit.t95 = responseTime(m.n, m.a);
  fit.ok = true;

  // Standard errors from the Hessian of the objective over the continuous
  // parameters: the response's, the noise's, each gain and the stress's a;
  // the block responses kept at the optimum's lengths.
  const int length = static_cast<int>(blockResponse(m.n, m.a).size());
  const int stressAt = search.stressIndex();
  const int stressLength =
      stressAt >= 0 ? static_cast<int>(
                          blockResponse(m.components[stressAt].n, m.components[stressAt].a).size())
                    : 0;
  std::vector<double> x0;
  std::vector<int> natural;  // index in the natural order, or 100 + j (gain), 200 (stress a)
  const std::array<double, kExtendedParameters> values = m.values();
  for (int j = 0; j < kExtendedParameters; ++j) {
    if (j == 1 && shape == ExtendedShape::kExponential) continue;
    x0.push_back(values[j]);
    natural.push_back(j);
  }
  for (std::size_t j = 0; j < m.components.size(); ++j) {
    x0.push_back(m.components[j].gain);
    natural.push_back(100 + static_cast<int>(j));
  }
  if (stressAt >= 0) {
    x0.push_back(m.components[stressAt].a);
    natural.push_back(200);
    if (m.components[stressAt].n != 1) {
      x0.push_back(m.components[stressAt].n);
      natural.push_back(201);
    }
  }
  for (std::size_t j = 0; j < m.components.size(); ++j) {
    if (m.components[j].kind == ComponentKind::kStep && m.components[j].fade > 0) {
      x0.push_back(m.components[j].fade);
      natural.push_back(300 + static_cast<int>(j));
    }
  }
  const int k = static_cast<int>(x0.size());
  std::vector<double> h(k);
  for (int r = 0; r < k; ++r) h[r] = 1e-3 * std::max(std::fabs(x0[r]), 1e-2);
  for (int r = 0; r < k; ++r) {
    if (natural[r] == 3) h[r] = 1e-3;
    if (natural[r] == 4) h[r] = std::min(1e-4, (1 - m.phi) / 4);
  }
  std::map<std::pair<double, double>, std::pair<std::vector<double>, std::vector<double>>>
      convolutions;
  std::map<std::pair<double, double>, std::vector<double>> stressColumns;
  auto at = [&](const std::vector<double>& v) {
    ExtendedModel q = m;
    std::array<double, kExtendedParameters> base7 = values;
    for (int r = 0; r < k; ++r) {
      if (natural[r] < kExtendedParameters) base7[natural[r]] = v[r];
    }
    q.setValues(base7);
    for (int r = 0; r < k; ++r) {
      if (natural[r] >= 100 && natural[r] < 200) q.components[natural[r] - 100].gain = v[r];
      if (natural[r] == 200) q.components[stressAt].a = v[r];
      if (natural[r] == 201) q.components[stressAt].n = v[r];
      if (natural[r] >= 300) q.components[natural[r] - 300].fade = v[r];
    }
    if (!(q.phi > 0 && q.phi < 1 && q.sigma2 > 0 && q.a > 0 && q.n > 0)) {
      return std::numeric_limits<double>::quiet_NaN();
    }
    auto key = std::make_pair(q.n, q.a);
    auto found = convolutions.find(key);
    if (found == convolutions.end()) {
      std::pair<std::vector<double>, std::vector<double>> u;
      filter.convolveAtReadings(q.n, q.a, u.first, u.second, length);
      found = convolutions.emplace(key, std::move(u)).first;
    }
    std::vector<std::vector<double>> cols = search.columns();
    if (stressAt >= 0) {
      const double a = q.components[stressAt].a, ns = q.components[stressAt].n;
      if (!(a > 0 && ns > 0)) return std::numeric_limits<double>::quiet_NaN();
      auto column = stressColumns.find({ns, a});
      if (column == stressColumns.end()) {
        column = stressColumns
                     .emplace(std::make_pair(ns, a),
                              filter.componentAtReadings(q.components[stressAt], stressLength))
                     .first;
      }
      cols[stressAt] = column->second;
    }
    for (std::size_t j = 0; j < q.components.size(); ++j) {
      if (q.components[j].kind != ComponentKind::kStep || !(q.components[j].fade > 0)) continue;
      if (q.components[j].fade != m.components[j].fade) {
        cols[j] = filter.componentAtReadings(q.components[j]);
      }
    }
    return filter.objective(q, found->second.first, found->second.second, weights, cols).value;
  };
  const std::vector<double> errors = hessianStandardErrors(at, x0, h);
  fit.standardErrors.fill(-1);
  fit.componentErrors.assign(m.components.size(), {});
  for (int r = 0; r < k; ++r) {
    const double se = errors[static_cast<std::size_t>(r)];
    if (!(se > 0)) continue;
    if (natural[r] < kExtendedParameters) {
      fit.standardErrors[natural[r]] = se;
    } else if (natural[r] < 200) {
      fit.componentErrors[natural[r] - 100].gain = se;
    } else if (natural[r] == 200) {
      fit.componentErrors[stressAt].a = se;
    } else if (natural[r] == 201) {
      fit.componentErrors[stressAt].n = se;
    } else {
      fit.componentErrors[natural[r] - 300].fade = se;
    }
  }
  return fit;
}

}  // namespace phreatix
