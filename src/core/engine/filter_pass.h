// The filter pass of the transfer-noise model, written once: every pass of
// the engine (calibration, predict) and the fit of the results go through
// filterPass, step by step in the same order of operations.
//
// Model: h = d + z, d the deterministic response to the surplus
// (engine/responses.h), z_t - c = phi*(z_{t-1} - c) + a_t, a_t white noise
// of variance sigma2. The state (h, z) has the transition [[a11, a12], [0,
// phi]] with the level row [a11, a12] of the response, process noise
// sigma2*[[1,1],[1,1]], and the measurement is h itself.
//
// An observer sees the start and every step: begin(x1, P11) before the first
// step, step(const FilterStep&) after each; NullObserver sees nothing and
// costs nothing.
//
// Entry points: FilterStep, PassStart, NullObserver, filterPass.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>

#include "engine/engine_files.h"
#include "engine/responses.h"
#include "engine/step_table.h"

namespace phreatix {

// Minus twice the log-likelihood uses this value of ln(2 pi).
inline constexpr double kLn2Pi = 1.837877066;

struct PassResult {
  double objective = 0;  // L + S
  double L = 0;          // N ln 2pi + sum ln F
  double S = 0;          // sum v^2/F
  double ME = 0;
  double RMSE = 0;
  double MAE = 0;
};

// One step k = 1..n of a pass.
struct FilterStep {
  int k;
  double t;
  double predicted;          // x1 before the measurement
  double level;              // x1 after it
  double M11;                // prediction variance of the level
  double P11;                // filter variance of the level
  std::int32_t measurement;  // index into the measurements; -1 none
  double y;                  // the measured level, innovation v = y - predicted and
  double v;                  // its variance F = M11 + R; 0 on a step without
  double F;                  // a measurement
};

// The start of a pass: the level at time 0 and the measurement-error
// variance R.
struct PassStart {
  double h0;
  double measurementVariance;
};

struct NullObserver {
  void begin(double /*x1*/, double /*P11*/) {}
  void step(const FilterStep& /*step*/) {}
};

// Arithmetic faults of a pass, naming the step: an innovation variance that
// is not positive; a prediction or filter variance or a level that is not
// finite (or a root of a negative variance); an objective that is not finite.
[[noreturn]] void innovationFault(int step, double t, double F);
[[noreturn]] void stateFault(int step, double t, double M11, double P11, double x1);
[[noreturn]] void objectiveFault(int step, double t);

// One pass with the parameters in natural order, the response Deterministic and the
// steps of `steps`; returns minus twice the Gaussian log-likelihood of the
// innovations, N*ln(2 pi) + sum ln F + sum v^2/F, with its parts and the
// innovations' ME, RMSE and MAE (N the number of measurements).
template <Response Deterministic, class Observer>
PassResult filterPass(const EngineInput& input, const StepTable& steps, const Parameters& p,
                      const PassStart& start, Observer& observer) {
  const Deterministic response(p, steps);
  const double phi = p[3], c = p[4], sigma2 = p[5];
  const double R = start.measurementVariance;
  const int n = steps.steps();
  const double N = static_cast<double>(input.measurements.size());
  const double* time = steps.time();
  const std::int32_t* measurement = steps.measurement();
  const Measurement* series = input.measurements.data();

  // Factors of the prediction that stay the same over the pass; each is the
  // very product the equations form at every step.
  const double a11 = response.levelWeight();
  const double a12 = response.noiseWeight();
  const double oneMinusPhiC = (1 - phi) * c;
  const double a11Squared = a11 * a11;
  const double twoA11A12 = 2 * a11 * a12;
  const double a12Squared = a12 * a12;
  const double phiA11 = phi * a11;
  const double a12Phi = a12 * phi;
  const double phiSquared = phi * phi;

  double x1 = start.h0, x2 = 0;
  double P11 = 0, P12 = 0, P22 = 0;
  double L = N * kLn2Pi, S = 0;
  double sumV = 0, sumV2 = 0, sumAbs = 0;

  observer.begin(x1, P11);
  for (int k = 1; k <= n; ++k) {
    const double x1Pred = response.predictedLevel(k, x1, x2);
    const double x2Pred = phi * x2 + oneMinusPhiC;
    const double M11 = a11Squared * P11 + twoA11A12 * P12 + a12Squared * P22 + sigma2;
    const double M12 = phiA11 * P12 + a12Phi * P22 + sigma2;
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
      if (!(F > 0)) innovationFault(k, time[k], F);
      const double K1 = M11 / F;
      const double K2 = M12 / F;
      x1 = K1 * v + x1Pred;
      x2 = K2 * v + x2Pred;
      P11 = (1 - K1) * M11;
      P12 = (1 - K1) * M12;
      P22 = M22 - K2 * M12;
    }
    if (!(M11 >= 0 && M11 <= DBL_MAX && P11 >= 0 && std::fabs(x1) <= DBL_MAX)) {
      stateFault(k, time[k], M11, P11, x1);
    }
    observer.step(FilterStep{k, time[k], x1Pred, x1, M11, P11, m, y, v, F});
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
  if (!std::isfinite(result.objective)) objectiveFault(n, n > 0 ? time[n] : 0.0);
  return result;
}

}  // namespace phreatix
