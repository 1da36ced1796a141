// The transfer-noise model in a Kalman filter: one SSDKAL pass evaluates a
// parameter set over the measured series (the pass itself in
// engine/filter_pass.h), writing its block of the trace file when asked.
//
// With the exponential response the state (h, z) has the transition
// [[delta, phi-delta], [0, phi]]. A pass returns minus twice the Gaussian
// log-likelihood of the innovations, N*ln(2 pi) + sum ln F + sum v^2/F,
// with ln(2 pi) as the ten-digit 1.837877066 the results have always used.
//
// Entry points: StepTable (engine/step_table.h), KalmanFilter::pass and the
// trace writers writeTraceHead and writeTraceRow.
#pragma once

#include "engine/engine_files.h"
#include "engine/filter_pass.h"
#include "engine/step_table.h"
#include "text/fixed_writer.h"

namespace phreatix {

// The lines of a pass's block in the trace file: the head with the row of
// time 0, and the row of one step (a step with a measurement adds it, the
// innovation and its band of two standard deviations).
void writeTraceHead(FixedWriter& trace, double x1, double P11);
void writeTraceRow(FixedWriter& trace, const FilterStep& s);

class KalmanFilter {
 public:
  KalmanFilter(const EngineInput& input, const StepTable& steps);

  // One pass with the parameters in natural order, the run's response, h0
  // and measurement-error variance. Appends its block to `trace` when given.
  // An arithmetic fault (F <= 0, the root of a negative variance, a
  // non-finite level) raises an error naming the step.
  PassResult pass(const Parameters& p, FixedWriter* trace) const;

 private:
  const EngineInput& input_;
  const StepTable& steps_;
};

}  // namespace phreatix
