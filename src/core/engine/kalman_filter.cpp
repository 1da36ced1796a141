#include "engine/kalman_filter.h"

#include <cfloat>
#include <cmath>

#include "error.h"
#include "text/number_text.h"

namespace phreatix {

namespace {

[[noreturn]] void fault(int step, double t, const std::string& what) {
  throw Error(ErrorKind::kOverflow, "arithmetic fault in SSDKAL at step " + formatInt(step) +
                                        " (t = " + formatReal(t, 0, 3) + "): " + what);
}

// The block of one pass in the trace file.
class TraceObserver {
 public:
  explicit TraceObserver(FixedWriter& trace) : trace_(trace) {}
  void begin(double x1, double P11) { writeTraceHead(trace_, x1, P11); }
  void step(const FilterStep& s) { writeTraceRow(trace_, s); }

 private:
  FixedWriter& trace_;
};

}  // namespace

void writeTraceHead(FixedWriter& trace, double x1, double P11) {
  trace.line(" Results of SSDKAL");
  trace.line("");
  trace.line("  Time      pred.      update      M           P         meas.        innov.");
  trace.line("  (days)     (m)          (m)     (m2)        (m2)       (m)           (m)  ");
  trace.real(0.0, 10, 3);
  trace.real(x1, 15, 6);
  trace.real(x1, 15, 6);
  trace.real(P11, 15, 6);
  trace.real(P11, 15, 6);
  trace.endLine();
}

void writeTraceRow(FixedWriter& trace, const FilterStep& s) {
  trace.real(s.t, 10, 3);
  trace.real(s.predicted, 15, 6);
  trace.real(s.level, 15, 6);
  trace.real(std::sqrt(s.M11), 15, 6);
  trace.real(std::sqrt(s.P11), 15, 6);
  if (s.measurement >= 0) {
    const double band = std::sqrt(s.F);
    trace.real(s.y, 15, 6);
    trace.real(s.v, 15, 6);
    trace.real(-2 * band, 15, 6);
    trace.real(2 * band, 15, 6);
  }
  trace.endLine();
}

void innovationFault(int step, double t, double F) {
  fault(step, t,
        F == 0 ? "innovation variance F = M11 + R is zero"
               : "innovation variance F = " + formatReal(F, 0, 6) + " is not positive");
}

void stateFault(int step, double t, double M11, double P11, double x1) {
  if (!(M11 >= 0)) fault(step, t, "square root of a negative prediction variance M11");
  if (!(P11 >= 0)) fault(step, t, "square root of a negative filter variance P11");
  if (!(M11 <= DBL_MAX)) fault(step, t, "prediction variance M11 is not finite");
  fault(step, t, "level " + formatReal(x1, 0, 6) + " is not finite");
}

void objectiveFault(int step, double t) { fault(step, t, "objective is not finite"); }

KalmanFilter::KalmanFilter(const EngineInput& input, const StepTable& steps)
    : input_(input), steps_(steps) {}

PassResult KalmanFilter::pass(const Parameters& p, FixedWriter* trace) const {
  const PassStart start{input_.settings.h0, input_.settings.measurementVariance};
  return withResponse(input_.settings.response, [&]<class Deterministic>() {
    if (trace) {
      TraceObserver observer(*trace);
      return filterPass<Deterministic>(input_, steps_, p, start, observer);
    }
    NullObserver observer;
    return filterPass<Deterministic>(input_, steps_, p, start, observer);
  });
}

}  // namespace phreatix
