#include "engine/simplex.h"

#include <cmath>

#include <gtest/gtest.h>

#include "engine_test_support.h"
#include "text/parse.h"

namespace phreatix {
namespace {

using test::EngineCase;

int countBlocks(const std::vector<std::string>& trace) {
  int blocks = 0;
  for (const std::string& line : trace) blocks += line == " Results of SSDKAL";
  return blocks;
}

std::vector<double> numbers(const std::string& line) {
  std::vector<double> v;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    std::size_t j = line.find(' ', i);
    if (j == std::string::npos) j = line.size();
    if (j > i) {
      double x = 0;
      EXPECT_TRUE(parseReal(line.substr(i, j - i), x)) << line;
      v.push_back(x);
    }
    i = j;
  }
  return v;
}

TEST(Simplex, CalibrationOrderPutsTheFlaggedFirst) {
  auto order = [](std::array<int, 6> flags) { return calibrationOrder(flags).order; };
  EXPECT_EQ(order({1, 1, 0, 0, 1, 0}),
            (std::array<int, 6>{0, 1, 4, 2, 3, 5}));  // d, w0, c, w1, phi, s2
  EXPECT_EQ(order({1, 1, 0, 1, 1, 1}), (std::array<int, 6>{0, 1, 3, 4, 5, 2}));
  EXPECT_EQ(order({0, 0, 0, 1, 0, 1}), (std::array<int, 6>{3, 5, 0, 1, 2, 4}));
  EXPECT_EQ(calibrationOrder({0, 0, 0, 1, 0, 7}).flagged, 2);  // any non-zero flag counts
  EXPECT_EQ(calibrationOrder({0, 0, 0, 0, 0, 0}).flagged, 0);
}

TEST(Simplex, NothingFlaggedIsOnePass) {
  EngineCase c;
  c.write({2, 0, 0}, {{2, 3}});
  c.par.line5 = "7 0 0 0 0";  // an unknown mode runs as calibration
  ASSERT_TRUE(c.run()) << c.engine.message();
  EXPECT_EQ(c.screen.gridStatus(4), "");
  EXPECT_EQ(countBlocks(c.lines("t.w01")), 1);
  // Six values, L, S and the objective 15:6, then ME RMSE MAE 12:6.
  EXPECT_EQ(c.lines("t.a01"),
            (std::vector<std::string>{
                "       0.500000       1.000000       0.000000       0.500000       0.000000"
                "       1.000000       2.648807       1.777778       4.426585",
                "    2.000000    2.000000    2.000000"}));
}

TEST(Simplex, BoundReflectionOfTrialValues) {
  EngineScreen screen;
  EXPECT_DOUBLE_EQ(reflectAtBounds(-1.3, -1, 1, 0, screen), -0.7);
  EXPECT_DOUBLE_EQ(reflectAtBounds(0.5, -1, 1, 0, screen), 0.5);
  // Beyond the far bound after the first reflection: reflected there once and
  // left outside the first.
  EXPECT_DOUBLE_EQ(reflectAtBounds(-3.5, -1, 1, 1, screen), 0.5);
  EXPECT_DOUBLE_EQ(reflectAtBounds(-5.5, -1, 1, 2, screen), -1.5);
  EXPECT_EQ(std::vector<std::string>(screen.runtime().begin(), screen.runtime().end()),
            (std::vector<std::string>{
                "old value of par nr 1:       -1.300000",
                "lower boundary of simplex corrected       -0.700000",
                "old value of par nr 2:       -3.500000",
                "lower boundary of simplex corrected        1.500000",
                "old value of par nr 2:        1.500000",
                "upper boundary of simplex corrected        0.500000",
                "old value of par nr 3:       -5.500000",
                "lower boundary of simplex corrected        3.500000",
                "old value of par nr 3:        3.500000",
                "upper boundary of simplex corrected       -1.500000",
            }));
}

using test::syntheticTube;
using test::SyntheticTube;

TEST(Simplex, RecoversTheParametersOfASeriesMadeByTheModel) {
  // delta 0.96, omega0 2.5, phi 0.98, c -120, sigma2 9 over 10 years, from
  // the start values of a first calibration.
  SyntheticTube tube = syntheticTube(3652, 0.96, 2.5, 0.98, -120, 9, 20261209);
  EngineCase c;
  c.write(tube.surplus, tube.measurements);
  c.par.initial = "0.97 3.00 0 0.97 -110 100.00";
  c.par.flags = "1 1 0 1 1 1";
  c.par.h0 = "-110";
  c.par.variance = "1";
  ASSERT_TRUE(c.run()) << c.engine.message();
  std::vector<std::string> results = c.lines("t.a01");
  ASSERT_EQ(results.size(), 1u + 6 + 1);
  EXPECT_EQ(results[0].rfind(" number of iterations: ", 0), 0u);
  // The best vertex; columns delta, omega0, phi, c, sigma2, omega1, objective.
  std::vector<double> best;
  for (std::size_t i = 1; i <= 6; ++i) {
    std::vector<double> v = numbers(results[i]);
    ASSERT_EQ(v.size(), 7u) << results[i];
    EXPECT_EQ(results[i].size(), 7u * 14);
    if (best.empty() || v[6] < best[6]) best = v;
  }
  // Tolerances for 260 measurements: delta and omega0 trade off against each
  // other (their ratio sets the mean response), the others are sharper.
  EXPECT_NEAR(best[0], 0.96, 0.02);
  EXPECT_NEAR(best[1], 2.5, 1.0);
  EXPECT_NEAR(best[2], 0.98, 0.02);
  EXPECT_NEAR(best[3], -120, 8);
  EXPECT_NEAR(best[4], 9, 3);
  // And the search came as low as the true parameters do, within the
  // closure criterion's reach (0.0001 of an objective near 1900).
  EngineCase truth;
  truth.write(tube.surplus, tube.measurements);
  truth.par.line5 = "1 0 0 0 0";
  truth.par.initial = "0.96 2.5 0 0.98 -120 9";
  truth.par.h0 = "-110";
  ASSERT_TRUE(truth.run());
  const double trueObjective = numbers(truth.lines("t.a01")[0])[8];
  EXPECT_LT(best[6], trueObjective + 5);
  EXPECT_EQ(best[5], 0);  // omega1 stays at its start value
  EXPECT_EQ(numbers(results[7]).size(), 3u);
  // One block per evaluation; the runtime list reports every iteration.
  std::vector<std::string> runtime = c.runtime();
  ASSERT_GE(runtime.size(), 2u);
  EXPECT_EQ(runtime[0], " iteration number: 0");
  EXPECT_EQ(runtime[1].substr(runtime[1].size() - 15), "       0.000000");
  EXPECT_GT(countBlocks(c.lines("t.w01")), 6);
}

TEST(Simplex, VertexColumnsMapBackToTheParameters) {
  // Flags 1 1 0 0 1 0: vertex columns delta, omega0, c, omega1, phi, sigma2.
  // Each vertex's objective is that of the parameters its columns name: a
  // predict pass with them in natural order gives the same value.
  SyntheticTube tube = syntheticTube(500, 0.9, 2, 0.8, -50, 4, 11);
  EngineCase c;
  c.write(tube.surplus, tube.measurements);
  c.par.initial = "0.97 3.00 0 0.8 -40 4";
  c.par.flags = "1 1 0 0 1 0";
  c.par.h0 = "-40";
  ASSERT_TRUE(c.run(6));
  std::vector<std::string> results = c.lines("t.a01");
  ASSERT_EQ(results.size(), 1u + 4 + 1);
  for (std::size_t i = 1; i <= 4; ++i) {
    std::vector<double> v = numbers(results[i]);
    EXPECT_EQ(v[3], 0);    // omega1, fixed
    EXPECT_EQ(v[4], 0.8);  // phi, fixed
    EXPECT_EQ(v[5], 4);    // sigma2, fixed
    EngineCase check;
    check.write(tube.surplus, tube.measurements);
    check.par.line5 = "1 0 0 0 0";
    check.par.initial = results[i].substr(0, 14) + results[i].substr(14, 14) +
                        results[i].substr(42, 14) + results[i].substr(56, 14) +
                        results[i].substr(28, 14) + results[i].substr(70, 14);
    check.par.h0 = "-40";
    ASSERT_TRUE(check.run());
    // Both objectives as printed; the vertex's columns carry 6 decimals only.
    EXPECT_NEAR(numbers(check.lines("t.a01")[0])[8], v[6], 0.05) << results[i];
  }
}

TEST(Simplex, TheIterationLimitEndsTheSearchWithAMessage) {
  SyntheticTube tube = syntheticTube(400, 0.9, 2, 0.8, -50, 4, 7);
  EngineCase c;
  c.write(tube.surplus, tube.measurements);
  c.par.initial = "0.97 3.00 0 0.97 -40 100.00";
  c.par.flags = "1 1 0 1 1 1";
  c.par.h0 = "-40";
  ASSERT_TRUE(c.run(3));
  EXPECT_EQ(c.engine.message(), "Amoeba exceeding maximum iterations.");
  EXPECT_EQ(c.lines("t.w01.ok"), (std::vector<std::string>{"t.w01.ok"}));
  std::vector<std::string> results = c.lines("t.a01");
  EXPECT_EQ(results[0], " number of iterations: 3");
  EXPECT_EQ(results.size(), 8u);
  EXPECT_EQ(c.screen.gereedCaption(), "Gestopt met foutmelding");
  // The initial simplex: 6 evaluations, then one or more per iteration.
  EXPECT_GE(countBlocks(c.lines("t.w01")), 6 + 3);
}

TEST(Simplex, AFaultDuringCalibrationLeavesClosedPartialFiles) {
  // A negative measurement-error variance makes F negative on the first
  // measured day of the first pass: with delta = phi = 0.5 and sigma2 = 1,
  // M11 after 10 steps is sum 0.25^i, i < 10 = 1.3333321, so F = -998.666668.
  EngineCase c;
  c.write(std::vector<double>(60, 0.5), {{10, 1}, {20, 2}, {30, 3}});
  c.par.flags = "1 1 0 1 1 1";
  c.par.variance = "-1000";
  EXPECT_FALSE(c.run());
  EXPECT_EQ(c.engine.message(),
            "arithmetic fault in SSDKAL at step 10 (t = 10.000): innovation variance F = "
            "-998.666668 is not positive");
  EXPECT_FALSE(fileExists(c.dir.file("t.w01.ok")));
  EXPECT_EQ(c.lines("t.w01").size(), 5u + 9);
  EXPECT_TRUE(c.lines("t.a01").empty());
  EXPECT_EQ(c.screen.gridStatus(2), "File closed");
  EXPECT_EQ(c.screen.gridStatus(3), "File closed");
}

TEST(Simplex, MarkerIsNamedAfterTheTraceFile) {
  EXPECT_EQ(markerName("B32C0123.w01"), "B32C0123.ok");
  EXPECT_EQ(markerName("abc"), "abc.ok");
  EngineCase c;
  c.par.traceFile = "B32C0123.w01";
  c.write({2, 0, 0}, {{2, 3}});
  ASSERT_TRUE(c.run());
  EXPECT_EQ(c.lines("B32C0123.ok"), (std::vector<std::string>{"B32C0123.ok"}));
}

}  // namespace
}  // namespace phreatix
