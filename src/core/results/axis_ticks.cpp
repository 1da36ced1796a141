#include "results/axis_ticks.h"

#include <algorithm>
#include <cmath>

#include "results/report_columns.h"

namespace phreatix {

namespace {

AxisTick tickAt(double v, double step, int decimals) {
  return {v, decimalText(std::abs(v) < step * 1e-9 ? 0.0 : v, decimals)};
}

}  // namespace

double roundStep(double span, int parts) {
  const double raw = span / parts;
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double f = raw / magnitude;
  return (f < 1.5 ? 1 : f < 3 ? 2 : f < 7 ? 5 : 10) * magnitude;
}

int stepDecimals(double step) {
  return std::clamp(-static_cast<int>(std::floor(std::log10(step) + 1e-9)), 0, 10);
}

std::vector<AxisTick> roundTicks(double lo, double hi, int parts) {
  const double span = hi - lo;
  if (!std::isfinite(span) || !(span > 0)) return {};
  const double step = roundStep(span, parts);
  const int decimals = stepDecimals(step);
  std::vector<AxisTick> ticks;
  for (double k = std::ceil(lo / step - 1e-9); k * step <= hi + step * 1e-9; k += 1) {
    ticks.push_back(tickAt(k * step, step, decimals));
  }
  return ticks;
}

std::vector<AxisTick> widenedTicks(double& lo, double& hi, int parts) {
  const double span = hi - lo;
  if (!std::isfinite(span) || span <= 0) {
    return {{lo, decimalText(lo, 2)}, {hi, decimalText(hi, 2)}};
  }
  const double step = roundStep(span, parts);
  lo = std::floor(lo / step) * step;
  hi = std::ceil(hi / step) * step;
  const int decimals = stepDecimals(step);
  const long count = std::lround((hi - lo) / step);
  std::vector<AxisTick> ticks;
  for (long k = 0; k <= count; ++k)
    ticks.push_back(tickAt(lo + static_cast<double>(k) * step, step, decimals));
  return ticks;
}

}  // namespace phreatix
