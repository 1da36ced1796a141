#include "engine/component_calibration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace phreatix {
namespace {

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

constexpr int kDays = 24 * 365;

ExtendedModel truthWithout() {
  ExtendedModel m;
  m.shape = ExtendedShape::kExponential;
  m.A = 300;
  m.n = 1;
  m.a = 60;
  m.f = 0.9;
  m.phi = 0.95;
  m.c = -120;
  m.sigma2 = 2;
  return m;
}

// Readings every 14 days from the fourth year on of the model's level
// (weather part, components and AR(1) noise).
std::vector<DayLevel> readingsOf(const ExtendedModel& truth, const DailyWeather& w,
                                 const DailyStress* stress, unsigned seed) {
  const ExtendedFilter all(w, {}, stress);
  std::vector<double> level = all.deterministic(truth, 0, kDays);
  for (const ModelComponent& c : truth.components) {
    const std::vector<double> course = all.componentCourse(c, 0, kDays);
    for (int t = 0; t < kDays; ++t) level[t] += c.gain * course[t];
  }
  std::mt19937 gen(seed);
  std::normal_distribution<double> normal(0, 1);
  std::vector<DayLevel> readings;
  double z = std::sqrt(truth.sigma2 / (1 - truth.phi * truth.phi)) * normal(gen);
  for (int t = 0; t < kDays; ++t) {
    if (t > 0) z = truth.phi * z + std::sqrt(truth.sigma2) * normal(gen);
    if (t >= 3 * 365 && t % 14 == 0) readings.push_back({t, level[t] + truth.c + z});
  }
  return readings;
}

TEST(ComponentCalibration, RecoversATrendBetweenTwoDays) {
  const DailyWeather w = weatherOf(kDays, 3);
  ExtendedModel truth = truthWithout();
  ModelComponent trend;
  trend.kind = ComponentKind::kTrend;
  trend.start = 8 * 365;
  trend.end = 18 * 365;
  trend.gain = 9;  // cm a year: 90 cm in all
  truth.components = {trend};
  const std::vector<DayLevel> readings = readingsOf(truth, w, nullptr, 5);
  const CandidateFit base =
      calibrateCandidate(ExtendedShape::kExponential, w, readings, {}, CandidateBounds{});
  ASSERT_TRUE(base.ok);
  const CandidateFit fit = calibrateWithComponents(base, {ComponentKind::kTrend}, w, readings,
                                                   nullptr, {}, CandidateBounds{});
  ASSERT_TRUE(fit.ok) << fit.failure;
  ASSERT_EQ(fit.model.components.size(), 1u);
  const ModelComponent& found = fit.model.components[0];
  // Slope within 0.5 cm a year, its days within 120 days (a kink in a
  // slope of 0.025 cm a day under noise of 4.5 cm), the total change within
  // 5 cm; far better than without it.
  EXPECT_NEAR(found.gain, 9, 0.5);
  EXPECT_NEAR(found.start, trend.start, 120);
  EXPECT_NEAR(found.end, trend.end, 120);
  EXPECT_NEAR(found.gain * (found.end - found.start) / 365.25, 90, 5);
  EXPECT_LT(fit.bic, base.bic - 100);
  EXPECT_EQ(fit.k, base.k + 3);
  EXPECT_NEAR(fit.model.a, 60, 6);
  EXPECT_NEAR(fit.model.f, 0.9, 0.05);
  EXPECT_GT(fit.componentErrors[0].gain, 0);
  EXPECT_LT(fit.componentErrors[0].gain, 0.5);
}

TEST(ComponentCalibration, RecoversAStepAndItsDay) {
  const DailyWeather w = weatherOf(kDays, 4);
  ExtendedModel truth = truthWithout();
  ModelComponent step;
  step.kind = ComponentKind::kStep;
  step.start = 14 * 365 + 100;
  step.end = step.start;
  step.gain = 45;
  truth.components = {step};
  const std::vector<DayLevel> readings = readingsOf(truth, w, nullptr, 6);
  const CandidateFit base =
      calibrateCandidate(ExtendedShape::kGamma, w, readings, {}, CandidateBounds{});
  ASSERT_TRUE(base.ok);
  const CandidateFit fit = calibrateWithComponents(base, {ComponentKind::kStep}, w, readings,
                                                   nullptr, {}, CandidateBounds{});
  ASSERT_TRUE(fit.ok) << fit.failure;
  const ModelComponent& found = fit.model.components[0];
  // The size within 3 cm; the day within the 14 days between two readings.
  EXPECT_NEAR(found.gain, 45, 3);
  EXPECT_NEAR(found.start, step.start, 14);
  EXPECT_LT(fit.bic, base.bic - 100);
}

TEST(ComponentCalibration, RecoversAFadingStepAndKeepsALastingOneLasting) {
  const DailyWeather w = weatherOf(kDays, 4);
  ExtendedModel truth = truthWithout();
  ModelComponent step;
  step.kind = ComponentKind::kStep;
  step.start = 12 * 365 + 40;
  step.end = step.start;
  step.gain = -60;  // a drop of 60 cm that dies out in about 400 days
  step.fade = 400;
  truth.components = {step};
  const std::vector<DayLevel> readings = readingsOf(truth, w, nullptr, 21);
  const CandidateFit base =
      calibrateCandidate(ExtendedShape::kExponential, w, readings, {}, CandidateBounds{});
  ASSERT_TRUE(base.ok);
  const CandidateFit fit = calibrateWithComponents(base, {ComponentKind::kStep}, w, readings,
                                                   nullptr, {}, CandidateBounds{});
  ASSERT_TRUE(fit.ok) << fit.failure;
  const ModelComponent& found = fit.model.components[0];
  // Size within 6 cm, fading within 25 %, the day within two readings.
  EXPECT_NEAR(found.gain, -60, 6);
  EXPECT_NEAR(found.fade, 400, 100);
  EXPECT_NEAR(found.start, step.start, 28);
  EXPECT_EQ(fit.k, base.k + 3);
  EXPECT_GT(fit.componentErrors[0].fade, 0);

  // The lasting step of the same size on the same series: no fading is
  // bought, k counts day and size only.
  truth.components[0].fade = 0;
  const std::vector<DayLevel> lasting = readingsOf(truth, w, nullptr, 21);
  const CandidateFit base2 =
      calibrateCandidate(ExtendedShape::kExponential, w, lasting, {}, CandidateBounds{});
  const CandidateFit fit2 = calibrateWithComponents(base2, {ComponentKind::kStep}, w, lasting,
                                                    nullptr, {}, CandidateBounds{});
  ASSERT_TRUE(fit2.ok) << fit2.failure;
  EXPECT_EQ(fit2.model.components[0].fade, 0);
  EXPECT_EQ(fit2.k, base2.k + 2);
  EXPECT_NEAR(fit2.model.components[0].gain, -60, 3);
}

TEST(ComponentCalibration, HoldsGivenDaysAndRefusesThemOutsideTheReadings) {
  const DailyWeather w = weatherOf(kDays, 3);
  ExtendedModel truth = truthWithout();
  ModelComponent trend;
  trend.kind = ComponentKind::kTrend;
  trend.start = 8 * 365;
  trend.end = 18 * 365;
  trend.gain = 9;
  truth.components = {trend};
  const std::vector<DayLevel> readings = readingsOf(truth, w, nullptr, 5);
  const CandidateFit base =
      calibrateCandidate(ExtendedShape::kExponential, w, readings, {}, CandidateBounds{});
  ASSERT_TRUE(base.ok);
  // Days given 200 days off the true ones are held; the slope is still
  // calibrated (a shorter rise asks a steeper slope).
  ModelComponent given = trend;
  given.start = trend.start + 200;
  given.end = trend.end - 200;
  given.gain = 0;
  const CandidateFit fit = calibrateWithComponents(base, {ComponentKind::kTrend}, w, readings,
                                                   nullptr, {}, CandidateBounds{}, {given});
  ASSERT_TRUE(fit.ok) << fit.failure;
  const ModelComponent& found = fit.model.components[0];
  EXPECT_TRUE(found.given);
  EXPECT_EQ(found.start, given.start);
  EXPECT_EQ(found.end, given.end);
  EXPECT_NEAR(found.gain * (found.end - found.start) / 365.25, 90, 10);
  EXPECT_EQ(fit.k, base.k + 3);

  // A given step before the first reading cannot be told from the levels.
  ModelComponent early;
  early.kind = ComponentKind::kStep;
  early.start = 100;
  early.end = 100;
  const CandidateFit refused = calibrateWithComponents(base, {ComponentKind::kStep}, w, readings,
                                                       nullptr, {}, CandidateBounds{}, {early});
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.failure, "de gegeven stap valt buiten de periode van de metingen");
}

TEST(ComponentCalibration, RecoversAnAbstractionsResponse) {
  const DailyWeather w = weatherOf(kDays, 8);
  // An abstraction in m3 a day that changes every year or so and stops in
  // the last five years.
  DailyStress pump;
  std::mt19937 gen(2);
  std::uniform_real_distribution<double> u(0, 1);
  double rate = 2000;
  for (int t = 0; t < kDays; ++t) {
    if (t % 400 == 0) rate = 1000 + 2000 * u(gen);
    pump.values.push_back(t >= 19 * 365 ? 0 : rate);
  }
  double sum = 0;
  for (double v : pump.values) sum += v;
  pump.mean = sum / pump.values.size();
  ExtendedModel truth = truthWithout();
  ModelComponent stress;
  stress.kind = ComponentKind::kStress;
  stress.a = 120;
  stress.gain = -0.02;  // cm per m3 a day: 2000 m3 a day lowers the level 40 cm
  truth.components = {stress};
  const std::vector<DayLevel> readings = readingsOf(truth, w, &pump, 9);
  const CandidateFit base =
      calibrateCandidate(ExtendedShape::kExponential, w, readings, {}, CandidateBounds{});
  ASSERT_TRUE(base.ok);
  const CandidateFit fit = calibrateWithComponents(base, {ComponentKind::kStress}, w, readings,
                                                   &pump, {}, CandidateBounds{});
  ASSERT_TRUE(fit.ok) << fit.failure;
  const ModelComponent& found = fit.model.components[0];
  // Gain within 10 %, its response scale within 30 %.
  EXPECT_NEAR(found.gain, -0.02, 0.002);
  EXPECT_NEAR(found.a, 120, 36);
  EXPECT_LT(fit.bic, base.bic - 100);
  // An exponential response is kept exponential: gain and a in k.
  EXPECT_EQ(found.n, 1);
  EXPECT_EQ(fit.k, base.k + 2);
}

TEST(ComponentCalibration, RecoversAGammaResponseOfAStress) {
  const DailyWeather w = weatherOf(kDays, 8);
  // A river's stage in m: a seasonal swing and floods of a few weeks.
  DailyStress river;
  std::mt19937 gen(5);
  std::uniform_real_distribution<double> u(0, 1);
  double flood = 0;
  for (int t = 0; t < kDays; ++t) {
    if (u(gen) < 0.01) flood = 1.5 * u(gen);
    flood *= 0.95;
    river.values.push_back(1.0 + 0.6 * std::sin(2 * 3.14159265 * t / 365.25) + flood);
  }
  double sum = 0;
  for (double v : river.values) sum += v;
  river.mean = sum / river.values.size();
  ExtendedModel truth = truthWithout();
  ModelComponent stress;
  stress.kind = ComponentKind::kStress;
  stress.n = 3;  // a delayed response: a top after about 40 days
  stress.a = 20;
  stress.gain = 40;  // cm per m of stage
  truth.components = {stress};
  const std::vector<DayLevel> readings = readingsOf(truth, w, &river, 19);
  const CandidateFit base =
      calibrateCandidate(ExtendedShape::kExponential, w, readings, {}, CandidateBounds{});
  ASSERT_TRUE(base.ok);
  const CandidateFit fit = calibrateWithComponents(base, {ComponentKind::kStress}, w, readings,
                                                   &river, {}, CandidateBounds{});
  ASSERT_TRUE(fit.ok) << fit.failure;
  const ModelComponent& found = fit.model.components[0];
  // Gain within 10 %, the response's mean time n a (60 days) within 20 %,
  // n clearly more than 1.
  EXPECT_NEAR(found.gain, 40, 4);
  EXPECT_NEAR(found.n * found.a, 60, 12);
  EXPECT_GT(found.n, 1.8);
  EXPECT_EQ(fit.k, base.k + 3);
}

TEST(ComponentCalibration, ASeriesWithoutTrendGainsLittleFromOne) {
  const DailyWeather w = weatherOf(kDays, 12);
  const ExtendedModel truth = truthWithout();
  const std::vector<DayLevel> readings = readingsOf(truth, w, nullptr, 13);
  const CandidateFit base =
      calibrateCandidate(ExtendedShape::kExponential, w, readings, {}, CandidateBounds{});
  ASSERT_TRUE(base.ok);
  for (ComponentKind kind : {ComponentKind::kTrend, ComponentKind::kStep}) {
    const CandidateFit fit =
        calibrateWithComponents(base, {kind}, w, readings, nullptr, {}, CandidateBounds{});
    ASSERT_TRUE(fit.ok) << fit.failure;
    // No better likelihood than chance gives: less than the margin of 10
    // the selection asks of BIC.
    EXPECT_GT(fit.bic, base.bic - 10) << componentName(kind);
    EXPECT_LE(fit.objective, base.objective + 1e-6) << componentName(kind);
  }
}

}  // namespace
}  // namespace phreatix
