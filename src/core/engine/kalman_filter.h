// The transfer-noise model in a Kalman filter: one SSDKAL pass evaluates a
// parameter set over the measured series.
//
// Model: h = d + z with d_t = delta*d_{t-1} + omega0*q_t - omega1*q_{t-1} and
// z_t - c = phi*(z_{t-1} - c) + a_t, a_t white noise of variance sigma2. The
// state (h, z) has transition [[delta, phi-delta], [0, phi]], process noise
// sigma2*[[1,1],[1,1]], and the measurement is h itself. A pass returns minus
// twice the Gaussian log-likelihood of the innovations,
//   N*ln(2 pi) + sum ln F + sum v^2/F,
// with ln(2 pi) as the ten-digit 1.837877066 the results have always used.
//
// Entry points: StepTable (the parameter-independent course of time, surplus
// and measurements, built once per run) and KalmanFilter::pass.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/engine_files.h"
#include "text/fixed_writer.h"

namespace phreatix {

// For steps k = 1..n: the time t_k (accumulated t += dt, as the filter
// steps), the surplus q_k of the first meteo day at or after t_k (unchanged
// past the last day), and the first measurement of the series on day
// trunc(t_k), if any.
class StepTable {
 public:
  // n = span/dt rounded half to even.
  void build(const EngineInput& input);
  int steps() const { return steps_; }
  const double* time() const { return time_.data(); }                      // [1..n]
  const double* surplus() const { return surplus_.data(); }                // [0..n]; [0] = 0
  const std::int32_t* measurement() const { return measurement_.data(); }  // [1..n]; -1 none

 private:
  int steps_ = 0;
  std::vector<double> time_;
  std::vector<double> surplus_;
  std::vector<std::int32_t> measurement_;
};

struct PassResult {
  double objective = 0;  // L + S
  double L = 0;          // N ln 2pi + sum ln F
  double S = 0;          // sum v^2/F
  double ME = 0;
  double RMSE = 0;
  double MAE = 0;
};

class KalmanFilter {
 public:
  KalmanFilter(const EngineInput& input, const StepTable& steps);

  // One pass with the parameters in natural order. Appends its block to
  // `trace` when given. An arithmetic fault (F <= 0, the root of a negative
  // variance, a non-finite level) raises an error naming the step.
  PassResult pass(const Parameters& p, FixedWriter* trace) const;

 private:
  template <bool kTrace>
  PassResult run(const Parameters& p, FixedWriter* trace) const;

  const EngineInput& input_;
  const StepTable& steps_;
};

// Minus twice the log-likelihood uses this value of ln(2 pi).
inline constexpr double kLn2Pi = 1.837877066;

}  // namespace phreatix
