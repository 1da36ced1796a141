// The ticks of a chart's value axis, for the report's SVG charts and the
// results window alike: a round step (1, 2 or 5 times a power of ten) that
// divides the range into about the intervals asked for, labelled with as
// many decimals as the step needs. The window asks again for the range it
// shows after every zoom.
#pragma once

#include <string>
#include <vector>

namespace phreatix {

struct AxisTick {
  double value;
  std::string label;  // with the step's decimals and a point; "0" never "-0"
};

// The round step dividing `span` (> 0, finite) into about `parts` intervals:
// span / parts rounded to 1, 2, 5 or 10 times its power of ten (below 1.5,
// 3 and 7).
double roundStep(double span, int parts);

// The decimals a tick label of that step needs: 0 for a step of 1 or more,
// 1 for 0.5, 2 for 0.05; at most 10.
int stepDecimals(double step);

// The ticks on the multiples of the round step that lie within [lo, hi], as
// an axis shows them over a range it does not widen (the window's axes,
// zoomed or not). Empty for an empty, reversed or infinite range.
std::vector<AxisTick> roundTicks(double lo, double hi, int parts);

// The ticks of an axis that widens its range to whole steps, as the
// report's charts draw it: [lo, hi] becomes [floor(lo / step) * step,
// ceil(hi / step) * step] with a tick on every step. A range without span
// keeps its ends as its two ticks, labelled with two decimals.
std::vector<AxisTick> widenedTicks(double& lo, double& hi, int parts);

}  // namespace phreatix
