#include "engine/kalman_filter.h"

#include <cfloat>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "error.h"
#include "text/number_text.h"
#include "text/rounding.h"

namespace phreatix {

namespace {

// More steps than any run of the program takes (MAXDAT days, dt = 1); a
// smaller dt that asks for more is refused rather than allowed to fill the
// disk with its trace.
constexpr long long kMaxSteps = 50'000'000;

[[noreturn]] void fault(int step, double t, const std::string& what) {
  throw Error(ErrorKind::kOverflow, "arithmetic fault in SSDKAL at step " + formatInt(step) +
                                        " (t = " + formatReal(t, 0, 3) + "): " + what);
}

[[noreturn]] void diagnose(int step, double t, double M11, double P11, double x1) {
  if (!(M11 >= 0)) fault(step, t, "square root of a negative prediction variance M11");
  if (!(P11 >= 0)) fault(step, t, "square root of a negative filter variance P11");
  if (!(M11 <= DBL_MAX)) fault(step, t, "prediction variance M11 is not finite");
  fault(step, t, "level " + formatReal(x1, 0, 6) + " is not finite");
}

}  // namespace

void StepTable::build(const EngineInput& input) {
  const RunSettings& s = input.settings;
  const long long n = roundHalfEven(static_cast<long double>(s.span) / s.dt);
  if (n > kMaxSteps) {
    throw Error(ErrorKind::kIndex, "span " + formatReal(s.span, 0, 3) + " / time step " +
                                       formatReal(s.dt, 0, 3) + " gives more than " +
                                       formatInt(kMaxSteps) + " steps");
  }
  steps_ = n > 0 ? static_cast<int>(n) : 0;
  time_.assign(static_cast<std::size_t>(steps_) + 1, 0.0);
  surplus_.assign(static_cast<std::size_t>(steps_) + 1, 0.0);
  measurement_.assign(static_cast<std::size_t>(steps_) + 1, -1);

  // The first measurement of each day, in series order.
  std::unordered_map<long long, std::int32_t> firstOfDay;
  firstOfDay.reserve(input.measurements.size() * 2);
  for (std::size_t i = 0; i < input.measurements.size(); ++i) {
    double day = std::trunc(input.measurements[i].time);
    if (std::fabs(day) < 9e18)
      firstOfDay.emplace(static_cast<long long>(day), static_cast<std::int32_t>(i));
  }

  const int M = input.meteoDays;
  double t = 0;
  double q = 0;
  for (int k = 1; k <= steps_; ++k) {
    t = t + s.dt;
    // Meteo record m carries day number m: the first with m >= t is ceil(t).
    const double first = std::ceil(t);
    if (first <= M) q = input.surplus[first < 1 ? 1 : static_cast<std::size_t>(first)];
    time_[k] = t;
    surplus_[k] = q;
    const double day = std::trunc(t);
    if (std::fabs(day) < 9e18) {
      auto hit = firstOfDay.find(static_cast<long long>(day));
      if (hit != firstOfDay.end()) measurement_[k] = hit->second;
    }
  }
}

KalmanFilter::KalmanFilter(const EngineInput& input, const StepTable& steps)
    : input_(input), steps_(steps) {}

PassResult KalmanFilter::pass(const Parameters& p, FixedWriter* trace) const {
  return trace ? run<true>(p, trace) : run<false>(p, nullptr);
}

template <bool kTrace>
PassResult KalmanFilter::run(const Parameters& p, FixedWriter* trace) const {
  const double delta = p[0], omega0 = p[1], omega1 = p[2], phi = p[3], c = p[4], sigma2 = p[5];
  const RunSettings& s = input_.settings;
  const double R = s.measurementVariance;
  const int n = steps_.steps();
  const double N = static_cast<double>(input_.measurements.size());
  const double* time = steps_.time();
  const double* surplus = steps_.surplus();
  const std::int32_t* measurement = steps_.measurement();
  const Measurement* series = input_.measurements.data();

  // Factors of the prediction that stay the same over the pass; each is the
  // very product the equations form at every step.
  const double phiMinusDelta = phi - delta;
  const double oneMinusPhiC = (1 - phi) * c;
  const double deltaSquared = delta * delta;
  const double twoDeltaPhiMinusDelta = 2 * delta * phiMinusDelta;
  const double phiMinusDeltaSquared = phiMinusDelta * phiMinusDelta;
  const double phiDelta = phi * delta;
  const double phiMinusDeltaPhi = phiMinusDelta * phi;
  const double phiSquared = phi * phi;

  double x1 = s.h0, x2 = 0;
  double P11 = 0, P12 = 0, P22 = 0;
  double L = N * kLn2Pi, S = 0;
  double sumV = 0, sumV2 = 0, sumAbs = 0;

  if constexpr (kTrace) {
    trace->line(" Results of SSDKAL");
    trace->line("");
    trace->line("  Time      pred.      update      M           P         meas.        innov.");
    trace->line("  (days)     (m)          (m)     (m2)        (m2)       (m)           (m)  ");
    trace->real(0.0, 10, 3);
    trace->real(x1, 15, 6);
    trace->real(x1, 15, 6);
    trace->real(P11, 15, 6);
    trace->real(P11, 15, 6);
    trace->endLine();
  }

  for (int k = 1; k <= n; ++k) {
    const double q = surplus[k];
    const double qPrev = surplus[k - 1];
    const double x1Pred =
        delta * x1 + phiMinusDelta * x2 + omega0 * q - omega1 * qPrev + oneMinusPhiC;
    const double x2Pred = phi * x2 + oneMinusPhiC;
    const double M11 =
        deltaSquared * P11 + twoDeltaPhiMinusDelta * P12 + phiMinusDeltaSquared * P22 + sigma2;
    const double M12 = phiDelta * P12 + phiMinusDeltaPhi * P22 + sigma2;
    const double M22 = phiSquared * P22 + sigma2;
    const std::int32_t m = measurement[k];
    double y = 0, v = 0, F = 0;
    if (m < 0) {
      x1 = x1Pred;
      x2 = x2Pred;
      P11 = M11;
      P12 = M12;
      P22 = M22;
    } else {
      y = series[m].level;
      v = y - x1Pred;
      F = M11 + R;
      if (!(F > 0)) {
        fault(k, time[k],
              F == 0 ? "innovation variance F = M11 + R is zero"
                     : "innovation variance F = " + formatReal(F, 0, 6) + " is not positive");
      }
      const double K1 = M11 / F;
      const double K2 = M12 / F;
      x1 = K1 * v + x1Pred;
      x2 = K2 * v + x2Pred;
      P11 = (1 - K1) * M11;
      P12 = (1 - K1) * M12;
      P22 = M22 - K2 * M12;
    }
    if (!(M11 >= 0 && M11 <= DBL_MAX && P11 >= 0 && std::fabs(x1) <= DBL_MAX)) {
      diagnose(k, time[k], M11, P11, x1);
    }
    if constexpr (kTrace) {
      trace->real(time[k], 10, 3);
      trace->real(x1Pred, 15, 6);
      trace->real(x1, 15, 6);
      trace->real(std::sqrt(M11), 15, 6);
      trace->real(std::sqrt(P11), 15, 6);
      if (m >= 0) {
        const double band = std::sqrt(F);
        trace->real(y, 15, 6);
        trace->real(v, 15, 6);
        trace->real(-2 * band, 15, 6);
        trace->real(2 * band, 15, 6);
      }
      trace->endLine();
    }
    if (m >= 0) {
      L = L + std::log(F);
      S = S + v * v / F;
      sumV = sumV + v;
      sumV2 = sumV2 + v * v;
      sumAbs = sumAbs + std::fabs(v);
    }
  }

  PassResult result;
  result.L = L;
  result.S = S;
  result.objective = L + S;
  result.ME = sumV / N;
  result.RMSE = std::sqrt(sumV2 / N);
  result.MAE = sumAbs / N;
  if (!std::isfinite(result.objective)) {
    fault(n, n > 0 ? time[n] : 0.0, "objective is not finite");
  }
  return result;
}

template PassResult KalmanFilter::run<true>(const Parameters&, FixedWriter*) const;
template PassResult KalmanFilter::run<false>(const Parameters&, FixedWriter*) const;

}  // namespace phreatix
