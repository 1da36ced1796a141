#include "engine/extended_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>

namespace phreatix {
namespace {

// The Gamma density integrated over one day by Simpson's rule on a fine
// grid: an evaluation of the block response that shares nothing with the
// incomplete gamma function.
double dayIntegral(double n, double a, int day) {
  const int steps = 2000;
  const double h = 1.0 / steps;
  auto density = [&](double t) {
    if (t <= 0) return 0.0;
    return std::exp((n - 1) * std::log(t) - t / a - std::lgamma(n) - n * std::log(a));
  };
  double s = density(day) + density(day + 1.0);
  for (int i = 1; i < steps; ++i) s += (i % 2 ? 4 : 2) * density(day + i * h);
  return s * h / 3;
}

TEST(BlockResponse, MatchesTheGammaDensityIntegratedPerDay) {
  for (auto [n, a] : {std::pair{1.0, 30.0}, std::pair{2.5, 12.0}, std::pair{1.6, 200.0}}) {
    const std::vector<double> theta = blockResponse(n, a);
    // Cut where the step response reaches 99.9 %.
    const double total = std::accumulate(theta.begin(), theta.end(), 0.0);
    EXPECT_NEAR(total, kResponseCutoff, 2e-3) << n << " " << a;
    EXPECT_GE(total, kResponseCutoff);
    for (int day : {1, 5, 17, 60}) {
      if (day >= static_cast<int>(theta.size())) continue;
      EXPECT_NEAR(theta[day], dayIntegral(n, a, day), 1e-7) << n << " " << a << " day " << day;
    }
  }
  // The exponential: the rise of 1 - exp(-t/a) over each day.
  const std::vector<double> e = blockResponse(1, 10);
  EXPECT_NEAR(e[3], std::exp(-3.0 / 10) - std::exp(-4.0 / 10), 1e-12);
  // Days to 95 % of the exponential's step: -a ln 0.05.
  EXPECT_NEAR(responseTime(1, 10), -10 * std::log(0.05), 1e-9);
}

// Weather of many years: rain on about half the days, a seasonal evaporation.
DailyWeather weatherOf(int days, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(0, 1);
  DailyWeather w;
  for (int t = 0; t < days; ++t) {
    const double rain = u(gen) < 0.5 ? -std::log(u(gen) + 1e-12) * 0.45 : 0.0;
    w.precipitation.push_back(rain);
    w.evaporation.push_back(0.15 + 0.12 * std::sin(2 * 3.14159265 * (t - 80) / 365.25));
  }
  return w;
}

TEST(ExtendedFilter, ALastingSurplusGivesAFlatStart) {
  DailyWeather w;
  w.precipitation.assign(4000, 0.3);
  w.evaporation.assign(4000, 0.1);
  const ExtendedFilter filter(w, {});
  ExtendedModel m;
  m.A = 80;
  m.n = 1.8;
  m.a = 90;
  m.f = 1.5;
  const std::vector<double> d = filter.deterministic(m, 0, 4000);
  const std::vector<double> theta = blockResponse(m.n, m.a);
  const double level = m.A * (0.3 - 1.5 * 0.1) * std::accumulate(theta.begin(), theta.end(), 0.0);
  // The mean weather stands in before the first day: no run-in at all.
  EXPECT_NEAR(d.front(), level, 1e-9);
  EXPECT_NEAR(d[10], level, 1e-9);
  EXPECT_NEAR(d.back(), level, 1e-9);
}

TEST(CalibrateCandidate, RecoversTheGammaModelAndFThatMadeTheSeries) {
  const int days = 22 * 365;
  const DailyWeather w = weatherOf(days, 7);
  ExtendedModel truth;
  truth.shape = ExtendedShape::kGamma;
  truth.A = 400;
  truth.n = 2.2;
  truth.a = 35;
  truth.f = 0.8;
  truth.phi = 0.96;
  truth.c = -150;
  truth.sigma2 = 1.5;
  const ExtendedFilter all(w, {});
  const std::vector<double> d = all.deterministic(truth, 0, days);
  std::mt19937 gen(11);
  std::normal_distribution<double> normal(0, 1);
  std::vector<DayLevel> readings;
  double z = truth.c + std::sqrt(truth.sigma2 / (1 - truth.phi * truth.phi)) * normal(gen);
  for (int t = 0; t < days; ++t) {
    if (t > 0) z = truth.c + truth.phi * (z - truth.c) + std::sqrt(truth.sigma2) * normal(gen);
    // Readings twice a month from the third year on.
    if (t >= 730 && t % 14 == 0) readings.push_back({t, d[t] + z});
  }
  const CandidateFit fit = calibrateCandidate(ExtendedShape::kGamma, w, readings, {}, {});
  ASSERT_TRUE(fit.ok) << fit.failure;
  EXPECT_NEAR(fit.model.A, truth.A, 0.1 * truth.A);
  EXPECT_NEAR(fit.model.n, truth.n, 0.25 * truth.n);
  EXPECT_NEAR(fit.model.a, truth.a, 0.25 * truth.a);
  EXPECT_NEAR(fit.model.f, truth.f, 0.1);
  EXPECT_NEAR(fit.model.phi, truth.phi, 0.03);
  EXPECT_NEAR(fit.model.c, truth.c, 15);
  EXPECT_EQ(fit.k, 7);
  EXPECT_NEAR(fit.bic, fit.objective + 7 * std::log(static_cast<double>(readings.size())), 1e-9);
  // The standard errors are there and cover the truth within a few of them.
  for (int j : {0, 2, 3}) {
    ASSERT_GT(fit.standardErrors[j], 0) << kExtendedParameterNames[j];
    EXPECT_LT(std::fabs(fit.model.values()[j] - truth.values()[j]), 5 * fit.standardErrors[j])
        << kExtendedParameterNames[j];
  }

  // The exponential fits the same series worse than the Gamma response by
  // the information criterion.
  const CandidateFit exponential =
      calibrateCandidate(ExtendedShape::kExponential, w, readings, {}, {});
  ASSERT_TRUE(exponential.ok);
  EXPECT_EQ(exponential.standardErrors[1], -1);
  EXPECT_GT(exponential.bic, fit.bic);
}

TEST(CalibrateCandidate, TheProfiledOptimumIsTheFiltersOwn) {
  const int days = 12 * 365;
  const DailyWeather w = weatherOf(days, 3);
  std::vector<DayLevel> readings;
  std::mt19937 gen(5);
  std::normal_distribution<double> normal(0, 3);
  for (int t = 400; t < days; t += 13) readings.push_back({t, -120 + normal(gen)});
  const CandidateFit fit = calibrateCandidate(ExtendedShape::kExponential, w, readings, {}, {});
  ASSERT_TRUE(fit.ok);
  // Moving any linear parameter or sigma2 away from the profile's solution
  // raises the filter's objective.
  const ExtendedFilter filter(w, readings);
  std::vector<double> uP, uE;
  filter.convolveAtReadings(fit.model.n, fit.model.a, uP, uE);
  const double best = filter.objective(fit.model, uP, uE, {}).value;
  EXPECT_NEAR(best, fit.objective, 1e-9 * std::fabs(best));
  for (int j : {0, 3, 5, 6}) {
    if (j == 3 && (fit.model.f <= 0.25 + 1e-9 || fit.model.f >= 2 - 1e-9)) continue;
    for (double step : {-0.01, 0.01}) {
      auto v = fit.model.values();
      v[j] += step * std::max(std::fabs(v[j]), 1.0);
      ExtendedModel moved = fit.model;
      moved.setValues(v);
      EXPECT_GT(filter.objective(moved, uP, uE, {}).value, best) << kExtendedParameterNames[j];
    }
  }
}

TEST(SimulateExtended, TheNoiseStartsFromItsStationaryDistribution) {
  DailyWeather w;
  w.precipitation.assign(50, 0.2);
  w.evaporation.assign(50, 0.2);
  const ExtendedFilter filter(w, {});
  ExtendedModel m;
  m.A = 10;
  m.n = 1;
  m.a = 5;
  m.f = 1;
  m.phi = 0.9;
  m.c = -80;
  m.sigma2 = 2;
  std::mt19937 gen(1);
  std::normal_distribution<double> normal(0, 1);
  const int R = 20000;
  double sum = 0, sum2 = 0;
  std::vector<double> level = filter.deterministic(m, 0, 3);
  for (double& v : level) v += m.c;
  simulateAroundLevels(
      level, m.phi, m.sigma2, R, [&] { return normal(gen); },
      [&](int, int k, double h) {
        if (k != 0) return;
        sum += h;
        sum2 += h * h;
      });
  const double mean = sum / R;
  const double variance = sum2 / R - mean * mean;
  EXPECT_NEAR(mean, m.c, 0.1);
  EXPECT_NEAR(variance, m.sigma2 / (1 - m.phi * m.phi), 0.05 * m.sigma2 / (1 - m.phi * m.phi));
}

}  // namespace
}  // namespace phreatix
