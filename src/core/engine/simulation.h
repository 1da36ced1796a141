// Simulation of realisations: the deterministic response to the surplus is
// computed once, and each realisation adds its own autoregressive noise
// series drawn with a subtractive generator (Knuth's, in the arrangement of
// Numerical Recipes' ran3, without its mixing passes) and polar-method
// normal deviates.
//
// Entry points: RandomSource (uniform and normal deviates) and simulate.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/kalman_filter.h"

namespace phreatix {

class RandomSource {
 public:
  // Forgets the table and the spare normal deviate: the next draw starts
  // afresh from the seed, so every run draws the same sequence for a seed.
  void reset() {
    initialised_ = false;
    haveSpare_ = false;
  }
  // Uniform deviate in [0, 1). A negative seed, or the first draw, fills the
  // table from it and sets the seed to 1.
  double uniform(int& seed);
  // Standard normal deviate; every second one is the spare of the pair.
  double normal(int& seed);

 private:
  std::int64_t ma_[56] = {};
  std::int64_t inext_ = 0;
  std::int64_t inextp_ = 0;
  bool initialised_ = false;
  double spare_ = 0;
  bool haveSpare_ = false;
};

// One line of the results file: ME, RMSE and MAE, each 10:3, a blank between.
void writeFitLine(FixedWriter& out, double me, double rmse, double mae);

// Simulates the realisations with the (bound-corrected) initial values in
// natural order. Writes the realisations to `realisations` and the fit to
// `results`; "busy with realization:" + r goes to the runtime list. The
// deterministic component is kept in `deterministic` (reused per run).
void simulate(const EngineInput& input, const StepTable& steps, RandomSource& random,
              std::vector<double>& deterministic, FixedWriter& realisations, FixedWriter& results,
              EngineView& view);

}  // namespace phreatix
