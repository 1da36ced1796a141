// The parameter-independent course of a run: for steps k = 1..n the time,
// the surplus and the measurement of the step, built once per run and shared
// by every filter pass and the simulation.
//
// Entry point: StepTable.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/engine_files.h"

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

}  // namespace phreatix
