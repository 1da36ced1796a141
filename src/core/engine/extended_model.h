// The extended model family: the deterministic part as the convolution of a
// block response with the surplus P - f*E from the first day of the meteo
// file, and the same AR(1) noise as the standard model, z_t - c = phi*(z_{t-1}
// - c) + a_t with a_t of variance sigma2 per day.
//
// Two responses, both with a calibrated evaporation factor f:
//   ef  exponential, step response A*(1 - exp(-t/a))
//   gf  Gamma, step response A*P(n, t/a), P the regularised lower incomplete
//       gamma function (for n = 1 the exponential)
// The block response of day k (k = 0, 1, ...) is the rise of the step
// response over that day, cut where the step response reaches 99.9 % of A.
// Before the meteo file's first day the weather is taken as its mean, so the
// deterministic part starts in equilibrium.
//
// Calibration is maximum likelihood in the Kalman filter of the noise with
// exact readings (measurement-error variance 0, as in the standard
// calibrations), started from the noise's stationary distribution at the
// first reading. Between readings i-1 and i, Dt days apart, the innovation is
//   e_i = r_i - phi^Dt * r_{i-1},  r = y - d - c,
// with variance sigma2 * g_i, g_i = (1 - phi^(2 Dt)) / (1 - phi^2) (and
// 1 / (1 - phi^2) at the first reading). The parameters that enter linearly
// (c, A, A*f) and sigma2 are solved exactly for every (n, a, phi) by weighted
// least squares; the downhill simplex searches (log a, log n, logit phi).
//
// Besides the weather a model may hold components that enter linearly with
// a gain of their own: a linear trend between two days, a step on a day
// (lasting, or fading with its own exponential response), and an extra
// stress series (an abstraction, a river stage) convolved with its own block
// response. Their gains are solved with c, A and A*f; their days and the
// stress's response shape are searched (engine/component_calibration.h).
//
// Entry points: ExtendedShape, ExtendedModel, ModelComponent, DailyStress,
// DailyWeather, DayLevel, blockResponse, responseTime, ExtendedFilter,
// calibrateCandidate, simulateAroundLevels.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace phreatix {

enum class ExtendedShape { kExponential, kGamma };

// Daily weather from the meteo file's first day (index 0), each value the
// file's column times its scale factor.
struct DailyWeather {
  std::vector<double> precipitation;
  std::vector<double> evaporation;
};

// A reading on day `day` of the weather, level in cm positive upward.
struct DayLevel {
  int day = 0;
  double level = 0;
};

enum class ComponentKind { kTrend, kStep, kStress };

// One component of an extended model. Days are indices of the weather.
struct ModelComponent {
  ComponentKind kind = ComponentKind::kTrend;
  int start = 0;       // trend: the day its rise begins; step: the day of the step
  int end = 0;         // trend: the day its rise ends (after it the level stays)
  double fade = 0;     // step: days of its exponential fading, 0 for a lasting step
  double n = 1;        // stress: shape of its response (1: exponential)
  double a = 100;      // stress: scale of its response, days
  double gain = 0;     // trend: cm per year; step: cm; stress: cm per unit of the stress
  bool given = false;  // trend, step: its days given per tube, held in the search
};

// The unit-gain course of a trend or a step on a day: the trend's years
// since its start (0 before it, its length after its end), the step's 1 from
// its day on (fading: exp(-(day - start) / fade)).
double componentUnit(const ModelComponent& c, int day);

// A daily stress series on the weather's days: values[k] is day first + k;
// on a day outside it the series' mean stands in (so the convolution starts
// in equilibrium, as the weather's does).
struct DailyStress {
  std::vector<double> values;
  int first = 0;
  double mean = 0;
  double at(int day) const {
    const long long k = static_cast<long long>(day) - first;
    return k >= 0 && k < static_cast<long long>(values.size()) ? values[static_cast<std::size_t>(k)]
                                                               : mean;
  }
};

// Natural order of the parameters of an extended model.
inline constexpr int kExtendedParameters = 7;
inline constexpr const char* kExtendedParameterNames[kExtendedParameters] = {
    "A", "n", "a", "f", "phi", "c", "sigma2"};

struct ExtendedModel {
  ExtendedShape shape = ExtendedShape::kGamma;
  double A = 0;       // gain: the rise of the level under a lasting unit surplus, cm
  double n = 1;       // shape of the response (1 for the exponential)
  double a = 100;     // scale of the response, days
  double f = 1;       // evaporation factor
  double phi = 0.9;   // autoregressive coefficient of the noise, per day
  double c = 0;       // base level, cm
  double sigma2 = 1;  // variance of the daily white noise, cm2
  std::vector<ModelComponent> components;

  std::array<double, kExtendedParameters> values() const { return {A, n, a, f, phi, c, sigma2}; }
  void setValues(const std::array<double, kExtendedParameters>& v);
};

// The label of a shape in the files ("ef", "gf"), its number of calibrated
// parameters (6 and 7) and its description for the report.
const char* shapeLabel(ExtendedShape shape);
int calibratedParameters(ExtendedShape shape);
const char* shapeDescription(ExtendedShape shape);

// The step response reaches this share of the gain where the block response
// is cut.
inline constexpr double kResponseCutoff = 0.999;
// The longest block response, days (some 27 years).
inline constexpr int kMaxResponseDays = 10000;

// The block response of unit gain, day 0 first; `length` days, or (0) cut
// where the step response reaches kResponseCutoff.
std::vector<double> blockResponse(double n, double a, int length = 0);
// Days until the step response reaches `share` of the gain: a * P^-1(n, share).
double responseTime(double n, double a, double share = 0.95);

// The deterministic part of a model: per day of the weather, or at chosen
// days, d = A * (u_P - f * u_E) with u the convolution of the block response
// with the weather (the mean weather before the first day).
class ExtendedFilter {
 public:
  // `stress` (may be null) is the extra series of the model's stress
  // component; it must outlive the filter.
  ExtendedFilter(const DailyWeather& weather, const std::vector<DayLevel>& readings,
                 const DailyStress* stress = nullptr);

  // u_P and u_E at the readings' days for a response shape (n, a), with a
  // block response of `length` days (0: cut at kResponseCutoff).
  void convolveAtReadings(double n, double a, std::vector<double>& uP, std::vector<double>& uE,
                          int length = 0) const;
  // d over the days first .. first + count - 1 of the weather (the
  // weather's part only).
  std::vector<double> deterministic(const ExtendedModel& m, int first, int count) const;

  // A component of unit gain at the readings, or day by day over first ..
  // first + count - 1; a stress with a block response of `length` days (0:
  // cut at kResponseCutoff).
  std::vector<double> componentAtReadings(const ModelComponent& c, int length = 0) const;
  std::vector<double> componentCourse(const ModelComponent& c, int first, int count) const;
  // The stress component's level under a lasting stress `value` (unit gain).
  double stressEquilibrium(const ModelComponent& c, double value) const;
  const DailyStress* stress() const { return stress_; }

  // Minus twice the weighted log-likelihood of the innovations of the model
  // (weights empty: every reading 1), with uP/uE at the readings. Its parts:
  // L = sum w (ln 2pi + ln F), S = sum w e^2 / F.
  struct Objective {
    double value = 0;
    double L = 0;
    double S = 0;
  };
  // `columns[j]` is component j of `m` at unit gain at the readings.
  Objective objective(const ExtendedModel& m, const std::vector<double>& uP,
                      const std::vector<double>& uE, const std::vector<double>& weights,
                      const std::vector<std::vector<double>>& columns = {}) const;

  // For (n, a, phi) given in `m`: c, A, f, the components' gains and sigma2
  // solved to the weighted optimum, f kept within [fMin, fMax]; the
  // objective at it.
  double profile(ExtendedModel& m, const std::vector<double>& uP, const std::vector<double>& uE,
                 const std::vector<double>& weights, double fMin, double fMax,
                 const std::vector<std::vector<double>>& columns = {}) const;

  const std::vector<DayLevel>& readings() const { return readings_; }
  double meanPrecipitation() const { return meanP_; }
  double meanEvaporation() const { return meanE_; }

 private:
  void convolve(const std::vector<double>& theta, const std::vector<double>& series, double mean,
                int day, double& out) const;

  const DailyWeather& weather_;
  std::vector<DayLevel> readings_;
  const DailyStress* stress_ = nullptr;
  double meanP_ = 0;
  double meanE_ = 0;
};

struct CandidateBounds {
  double fMin = 0.25;
  double fMax = 2.0;
  double nMin = 0.1;
  double nMax = 10;
  double aMin = 1;
  double aMax = 5000;
};

// One evaluation of the search: the searched parameters and the objective.
struct SearchStep {
  double n, a, phi, objective;
};

struct CandidateFit {
  bool ok = false;
  std::string failure;  // why not, when not ok
  ExtendedModel model;
  // Standard errors from the Hessian of the calibration objective at the
  // optimum (2 H^-1), in natural order; -1 where not available (n of the
  // exponential, or a Hessian that is not positive definite).
  std::array<double, kExtendedParameters> standardErrors{};
  // Per component of the model: the standard errors of its gain and (a
  // stress) its n and a; -1 where not available.
  struct ComponentErrors {
    double gain = -1, n = -1, a = -1, fade = -1;
  };
  std::vector<ComponentErrors> componentErrors;
  double objective = 0;          // F: unweighted, over all readings, at the optimum
  double weightedObjective = 0;  // what the search minimised
  int k = 0;                     // calibrated parameters
  int n = 0;                     // readings
  double bic = 0;                // F + k ln n
  double t95 = 0;                // days to 95 % of the step response
  std::vector<SearchStep> search;
};

// Calibrates one candidate on the readings (days strictly ascending) with
// the weights (empty: each 1).
CandidateFit calibrateCandidate(ExtendedShape shape, const DailyWeather& weather,
                                const std::vector<DayLevel>& readings,
                                const std::vector<double>& weights, const CandidateBounds& bounds);

// Realisations of h = level + z, `level` the model's level with the noise at
// its mean (d + c) day by day, z the noise's deviation from that mean: drawn
// from its stationary distribution N(0, sigma2 / (1 - phi^2)) on the first
// day, then z = phi z + a with a of variance sigma2; one normal deviate per
// realisation start and per day after, drawn by `normal`. `value(r, k, h)`
// receives realisation r (0-based) on day k (0-based).
void simulateAroundLevels(const std::vector<double>& level, double phi, double sigma2,
                          int realisations, const std::function<double()>& normal,
                          const std::function<void(int, int, double)>& value);

}  // namespace phreatix
