#include "engine/kalman_filter.h"

#include <cmath>

#include <gtest/gtest.h>

#include "engine_test_support.h"

namespace phreatix {
namespace {

using test::EngineCase;

const std::string kHead3 =
    "  Time      pred.      update      M           P         meas.        innov.";
const std::string kHead4 =
    "  (days)     (m)          (m)     (m2)        (m2)       (m)           (m)  ";

TEST(KalmanFilter, PredictTraceAndResultsByHand) {
  // delta 0.5, omega0 1, omega1 0, phi 0.5, c 0, sigma2 1, h0 0, R 1; a
  // surplus of 2 on day 1, a measurement of 3 on day 2.
  //   step 1: x1- = 2, M11 = 1, no measurement: x1 = 2, P11 = 1
  //   step 2: x1- = 0.5*2 = 1, M11 = 0.25 + 1 = 1.25, v = 2, F = 2.25,
  //           K1 = 5/9, x1 = 2.111111, P11 = 4/9*1.25 = 0.555556
  //   L = 1.837877066 + ln 2.25 = 2.648807, S = 4/2.25 = 1.777778
  EngineCase c;
  c.write({2, 0, 0}, {{2, 3}});
  c.par.line5 = "1 0 0 0 0";
  ASSERT_TRUE(c.run()) << c.engine.message();
  EXPECT_EQ(c.lines("t.w01"),
            (std::vector<std::string>{
                " Results of SSDKAL",
                "",
                kHead3,
                kHead4,
                "     0.000       0.000000       0.000000       0.000000       0.000000",
                "     1.000       2.000000       2.000000       1.000000       1.000000",
                "     2.000       1.000000       2.111111       1.118034       0.745356"
                "       3.000000       2.000000      -3.000000       3.000000",
            }));
  EXPECT_EQ(c.lines("t.a01"),
            (std::vector<std::string>{
                "       0.500000       1.000000       0.000000       0.500000       0.000000"
                "       1.000000        2.64881        1.77778        4.42659",
                "    2.000000    2.000000    2.000000"}));
  EXPECT_EQ(c.lines("t.w01.ok"), (std::vector<std::string>{"t.w01.ok"}));
  EXPECT_EQ(c.engine.message(), "");
  EXPECT_EQ(c.screen.gereedCaption(), "ZEFTAL3 is gereed");
  EXPECT_TRUE(c.screen.gereedVisible());
  EXPECT_EQ(c.screen.gridStatus(2), "File closed");
  EXPECT_EQ(c.screen.gridStatus(3), "File closed");
}

// One predict pass over `measurements`; returns the trace rows after the
// block head and the results lines.
struct Pass {
  std::vector<std::string> rows;
  std::vector<std::string> results;
};

Pass predict(const std::vector<double>& surplus, const std::vector<std::pair<double, double>>& m,
             const std::string& parameters, const std::string& h0, const std::string& R) {
  EngineCase c;
  c.write(surplus, m);
  c.par.line5 = "1 0 0 0 0";
  c.par.initial = parameters;
  c.par.h0 = h0;
  c.par.variance = R;
  EXPECT_TRUE(c.run()) << c.engine.message();
  std::vector<std::string> trace = c.lines("t.w01");
  return {std::vector<std::string>(trace.begin() + 5, trace.end()), c.lines("t.a01")};
}

double field(const std::string& row, int index) {  // index 0: time (10 wide), then 15 wide
  return std::stod(index == 0 ? row.substr(0, 10) : row.substr(10 + 15 * (index - 1), 15));
}

TEST(KalmanFilter, FirstMatchLookupsAndUnmatchedMeasurements) {
  // Two measurements on day 3: the first in file order is used; both count
  // in N. One at time 0.4 is never matched (the first step is at t = 1).
  Pass p =
      predict({0, 0, 0, 0}, {{0.4, 50}, {3.2, 10}, {3.7, 99}, {4, 20}}, "0 0 0 0 0 1", "0", "0");
  ASSERT_EQ(p.rows.size(), 4u);
  EXPECT_EQ(p.rows[1].size(), 70u);           // day 2: no measurement
  EXPECT_DOUBLE_EQ(field(p.rows[2], 5), 10);  // day 3: the first of the two
  EXPECT_DOUBLE_EQ(field(p.rows[3], 5), 20);
  // With R = 0 the updated level equals the measurement.
  EXPECT_DOUBLE_EQ(field(p.rows[2], 2), 10);
  EXPECT_DOUBLE_EQ(field(p.rows[3], 2), 20);
  // ME over N = 4 although two were matched: (10 + 20) / 4.
  EXPECT_EQ(p.results[1].substr(0, 12), "    7.500000");

  // No measurement matched at all: F = N * 1.837877066, statistics 0.
  Pass none = predict({0, 0}, {{0.2, 5}, {0.3, 6}}, "0 0 0 0 0 1", "0", "1");
  EXPECT_TRUE(none.rows.empty());  // span 0.3 rounds to no step
  EXPECT_EQ(none.results[0].substr(90), "        3.67575        0.00000        3.67575");
  EXPECT_EQ(none.results[1], "    0.000000    0.000000    0.000000");
}

TEST(KalmanFilter, WithoutNoiseTheModelRunsItsOwnCourse) {
  // sigma2 = 0, R > 0: M and P stay 0, the gains 0; x2 moves from 0 towards
  // c and the level is never corrected ("zonder updating").
  Pass p = predict({1, 1, 1, 1, 1, 1}, {{2, 100}, {6, 100}}, "0.5 2 0 0.8 10 0", "10", "10");
  ASSERT_EQ(p.rows.size(), 6u);
  double h0 = 10, c = 10;
  double x1 = h0, x2 = 0;
  for (int k = 0; k < 6; ++k) {
    double x1Pred = 0.5 * x1 + (0.8 - 0.5) * x2 + 2 * 1 - 0 + (1 - 0.8) * c;
    x2 = 0.8 * x2 + (1 - 0.8) * c;
    x1 = x1Pred;
    EXPECT_NEAR(field(p.rows[k], 1), x1Pred, 5e-7) << k;
    EXPECT_EQ(p.rows[k].substr(10, 15), p.rows[k].substr(25, 15)) << k;  // pred. = update
    EXPECT_EQ(p.rows[k].substr(40, 30), "       0.000000       0.000000");
  }
  // On the measured days the band is 2*sqrt(10).
  EXPECT_EQ(p.rows[1].substr(100), "      -6.324555       6.324555");
}

TEST(KalmanFilter, ArithmeticFaultsNameTheStep) {
  // sigma2 = 0 and R = 0: F = 0 on the first measured day.
  EngineCase c;
  c.write({0, 0, 0, 0}, {{3, 1}, {4, 1}});
  c.par.line5 = "1 0 0 0 0";
  c.par.initial = "0.5 1 0 0.5 0 0";
  c.par.variance = "0";
  EXPECT_FALSE(c.run());
  EXPECT_EQ(
      c.engine.message(),
      "arithmetic fault in SSDKAL at step 3 (t = 3.000): innovation variance F = M11 + R is zero");
  EXPECT_FALSE(fileExists(c.dir.file("t.w01.ok")));
  // The trace keeps the rows written before the fault, and is closed.
  EXPECT_EQ(c.lines("t.w01").size(), 5u + 2);
  EXPECT_EQ(c.screen.gridStatus(2), "File closed");
}

}  // namespace
}  // namespace phreatix
