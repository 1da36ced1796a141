#include "results/axis_ticks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace phreatix {
namespace {

std::vector<std::string> labels(const std::vector<AxisTick>& ticks) {
  std::vector<std::string> texts;
  for (const AxisTick& tick : ticks) texts.push_back(tick.label);
  return texts;
}

TEST(ChartTicks, RoundStepsOfOneTwoOrFive) {
  struct Case {
    double span;
    int parts;
    double step;
    int decimals;
  };
  const Case cases[] = {
      {116.6, 6, 20, 0},     // 19.4 a part
      {23.5, 6, 5, 0},       // 3.9 a part
      {0.034, 6, 0.005, 3},  // 0.0057 a part
      {94, 5, 20, 0},        // 18.8
      {14, 5, 2, 0},         // 2.8: below 3 still 2
      {16, 5, 5, 0},         // 3.2
      {36, 5, 10, 0},        // 7.2: 7 and above is 10
      {0.7, 1, 0.5, 1},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(roundStep(c.span, c.parts), c.step) << c.span << "/" << c.parts;
    EXPECT_EQ(stepDecimals(c.step), c.decimals) << c.step;
  }
}

// The window's axis over the range it shows: the ticks within the range,
// none beyond it, again for a zoomed-in part of it.
TEST(ChartTicks, TicksOfAZoomedRange) {
  EXPECT_EQ(labels(roundTicks(11.7, 128.3, 6)),
            (std::vector<std::string>{"20", "40", "60", "80", "100", "120"}));
  EXPECT_EQ(labels(roundTicks(40.2, 63.7, 6)), (std::vector<std::string>{"45", "50", "55", "60"}));
  // Small values below and above zero: the step's decimals, no "-0.000".
  EXPECT_EQ(
      labels(roundTicks(-0.013, 0.021, 6)),
      (std::vector<std::string>{"-0.010", "-0.005", "0.000", "0.005", "0.010", "0.015", "0.020"}));
  // A range that ends on a tick keeps it.
  const std::vector<AxisTick> ends = roundTicks(0, 100, 5);
  ASSERT_EQ(ends.size(), 6u);
  EXPECT_EQ(ends.front().value, 0);
  EXPECT_EQ(ends.back().value, 100);
  EXPECT_TRUE(roundTicks(5, 5, 6).empty());
  EXPECT_TRUE(roundTicks(6, 5, 6).empty());
  EXPECT_TRUE(roundTicks(0, std::numeric_limits<double>::infinity(), 6).empty());
}

// The report's axes widen to whole steps.
TEST(ChartTicks, ReportAxesWidenToWholeSteps) {
  double lo = 3, hi = 97;
  EXPECT_EQ(labels(widenedTicks(lo, hi, 5)),
            (std::vector<std::string>{"0", "20", "40", "60", "80", "100"}));
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 100);
  lo = -0.42, hi = 0.13;
  EXPECT_EQ(
      labels(widenedTicks(lo, hi, 5)),
      (std::vector<std::string>{"-0.5", "-0.4", "-0.3", "-0.2", "-0.1", "0.0", "0.1", "0.2"}));
  // Without a span the ends are the ticks.
  lo = hi = 5;
  EXPECT_EQ(labels(widenedTicks(lo, hi, 5)), (std::vector<std::string>{"5.00", "5.00"}));
}

}  // namespace
}  // namespace phreatix
