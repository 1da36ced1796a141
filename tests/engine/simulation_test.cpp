#include "engine/simulation.h"

#include <cmath>

#include <gtest/gtest.h>

#include "engine_test_support.h"

namespace phreatix {
namespace {

using test::EngineCase;

TEST(Simulation, SubtractiveGeneratorWithoutMixingPasses) {
  // Worked out from the table fill for seed -79359: mj = 161803398 - 79359 =
  // 161724039, and the first draws are ma[1] - ma[32], ma[2] - ma[33], ...
  RandomSource random;
  int seed = -79359;
  EXPECT_DOUBLE_EQ(random.uniform(seed), 543447784 * 1e-9);
  EXPECT_EQ(seed, 1);
  EXPECT_DOUBLE_EQ(random.uniform(seed), 838940676 * 1e-9);
  EXPECT_DOUBLE_EQ(random.uniform(seed), 372376011 * 1e-9);

  // The polar method: the first deviate is g2*f, the second the spare g1*f.
  RandomSource normal;
  seed = -79359;
  const double g1 = 2 * 0.543447784 - 1, g2 = 2 * 0.838940676 - 1;
  const double r = g1 * g1 + g2 * g2;
  const double f = std::sqrt(-2 * std::log(r) / r);
  EXPECT_NEAR(normal.normal(seed), g2 * f, 1e-12);
  EXPECT_NEAR(normal.normal(seed), g1 * f, 1e-12);

  // reset() starts the same sequence again, even from the seed 1 the first
  // draw left behind (a positive seed fills the table once).
  normal.reset();
  int again = 1;
  RandomSource fresh;
  int one = 1;
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(normal.normal(again), fresh.normal(one));
}

void writeSimulation(EngineCase& c, const std::string& sigma2, const std::string& warmUp) {
  std::vector<double> surplus(40);
  for (int i = 0; i < 40; ++i) surplus[i] = (i % 5) - 1.5;
  c.write(surplus, {{5, -90}, {12, -95}, {12.5, -50}, {30, -99}});
  c.par.traceFile = "t.u01";
  c.par.resultsFile = "t.e01";
  c.par.line5 = "2 -79359 3 1 1969";
  c.par.initial = "0.8 2 0.5 0.9 -100 " + sigma2;
  c.par.h0 = "-100";
  c.par.line10 = "1 40 0.0001";
  c.par.warmUp = warmUp;
}

TEST(Simulation, RealisationsFileAndTheWarmUpCut) {
  EngineCase c;
  writeSimulation(c, "4", "10");
  ASSERT_TRUE(c.run()) << c.engine.message();
  std::vector<std::string> u = c.lines("t.u01");
  ASSERT_EQ(u.size(), 1u + 3 * 30);  // steps 11..40 of each of the 3 realisations
  EXPECT_EQ(u[0], "1969 3 1");
  for (std::size_t i = 1; i < u.size(); ++i) ASSERT_EQ(u[i].size(), 8u) << u[i];
  EXPECT_NE(u[1], u[31]);  // the realisations differ
  std::vector<std::string> e = c.lines("t.e01");
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(e[0], "ME, RMSE, MAE deterministic model:");
  EXPECT_EQ(e[2], "expected ME, RMSE, MAE of realizations:");
  EXPECT_EQ(e[1].size(), 32u);
  EXPECT_EQ(e[1][10], ' ');
  EXPECT_EQ(e[1][21], ' ');
  std::vector<std::string> runtime = c.runtime();
  EXPECT_EQ(runtime, (std::vector<std::string>{"busy with realization:1", "busy with realization:2",
                                               "busy with realization:3"}));
  EXPECT_EQ(c.screen.gridStatus(4), "Read/simul");

  // The same seed in a second run gives the same realisations.
  EngineCase again;
  writeSimulation(again, "4", "10");
  ASSERT_TRUE(again.run());
  EXPECT_EQ(again.lines("t.u01"), u);
  // The engine's own generator is reset per run too.
  ASSERT_TRUE(again.run());
  EXPECT_EQ(again.lines("t.u01"), u);
}

TEST(Simulation, WithoutNoiseEveryRealisationIsTheModelsCourse) {
  EngineCase c;
  writeSimulation(c, "0", "0");
  ASSERT_TRUE(c.run()) << c.engine.message();
  std::vector<std::string> u = c.lines("t.u01");
  ASSERT_EQ(u.size(), 1u + 3 * 40);
  // d[1] = (h0 - c)*delta + omega0*q1 - omega1*q0, then d[k] = delta*d[k-1] +
  // omega0*q_k - omega1*q_{k-1}; z runs from 0 towards c.
  double d = 0, z = 0, qPrev = 0;
  for (int k = 1; k <= 40; ++k) {
    double q = ((k - 1) % 5) - 1.5;
    d = k == 1 ? (-100 - -100) * 0.8 + 2 * q - 0.5 * qPrev : 0.8 * d + 2 * q - 0.5 * qPrev;
    z = (z - -100) * 0.9 + -100;
    qPrev = q;
    EXPECT_EQ(u[k], formatReal(d + z, 8, 3)) << k;
    EXPECT_EQ(u[k + 40], u[k]);
    EXPECT_EQ(u[k + 80], u[k]);
  }
  // Every realisation then has the same fit, so the expected fit equals each.
  std::vector<std::string> e = c.lines("t.e01");
  EXPECT_NE(e[3], "");
}

TEST(Simulation, MoreStepsThanMaxdatFail) {
  EngineCase c;
  writeSimulation(c, "4", "0");
  c.par.line10 = "1 " + formatInt(MAXDAT + 1) + " 0.0001";
  EXPECT_FALSE(c.run());
  EXPECT_NE(c.engine.message().find("MAXDAT"), std::string::npos) << c.engine.message();
  EXPECT_FALSE(fileExists(c.dir.file("t.u01.ok")));
}

}  // namespace
}  // namespace phreatix
