// The fit of a chosen model: the filter pass without updating on a case
// small enough to work out by hand, against the engine's own pass, with
// updating, and the refusal of short files.
#include "results/fit.h"

#include <cmath>

#include <gtest/gtest.h>

#include "engine/kalman_filter.h"
#include "error.h"

namespace phreatix {
namespace {

// Five days of meteo, surplus P - E (factor 1): 1, 0, 2, -1, 0.
const char* kMeteo =
    "5 5 1 4 5\n"
    "1 1 2000 1 0\n"
    "2 1 2000 0 0\n"
    "3 1 2000 2 0\n"
    "4 1 2000 0 1\n"
    "5 1 2000 0 0\n";
// Levels positive upward (cm); the reading at 4.5 falls on day 4.
const char* kMeasurements =
    "4 1\n"
    "1 -7\n"
    "3 -6\n"
    "4.5 -11\n"
    "5 -9\n";

// delta = phi = 0.5 makes the noise state drop out of the level:
// x1 = 0.5 x1 + 2 q - 5 from x1 = c = -10 gives -8, -9, -5.5, -9.75, -9.875.
// Depth residuals (measured - model) on days 1, 3, 4, 5: -1, 0.5, 1.25,
// -0.875. Measured depths 7, 6, 11, 9: mean 8.25, variance 3.6875; residual
// mean -0.03125, variance (3.578125 - 4 * 0.03125^2) / 4 = 0.8935546875.
TEST(Fit, PassWithoutUpdatingMatchesTheHandWorkedCase) {
  const CalibrationSeries series = readCalibrationSeries("T.01", kMeasurements, "T.met", kMeteo);
  ASSERT_EQ(series.input.measurements.size(), 4u);
  const FilterTrace trace = filterTrace(series.input, deterministicParameters(0.5, 2, 0.5, -10),
                                        -10, kNoUpdatingVariance);
  ASSERT_EQ(trace.predicted.size(), 5u);  // span = time of the last reading
  const double expected[5] = {-8, -9, -5.5, -9.75, -9.875};
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(trace.predicted[k], expected[k]) << "step " << k + 1;
    EXPECT_EQ(trace.updated[k], expected[k]) << "gains stay zero, step " << k + 1;
  }
  EXPECT_EQ(trace.measurement[1], -1);  // no reading on day 2

  const FitFigures fit = fitFigures(series, trace);
  ASSERT_TRUE(fit.available);
  EXPECT_EQ(fit.n, 4);
  EXPECT_DOUBLE_EQ(fit.me, -0.03125);
  EXPECT_DOUBLE_EQ(fit.rmse, std::sqrt(3.578125 / 4));
  EXPECT_NEAR(fit.evp, 100 * (1 - 0.8935546875 / 3.6875), 1e-12);
  EXPECT_EQ(fit.first, (CalendarDate{2000, 1, 1}));
  EXPECT_EQ(fit.last, (CalendarDate{2000, 1, 5}));
}

// With delta != phi the noise state enters the level; every reading is
// matched, so the engine's ME and RMSE (levels upward, divisor N) must be
// the fit's with the sign of ME turned.
TEST(Fit, AgreesWithTheEnginePassWhenPhiDiffersFromDelta) {
  CalibrationSeries series = readCalibrationSeries("T.01", kMeasurements, "T.met", kMeteo);
  const Parameters p = deterministicParameters(0.6, 1.7, 0.85, -12.5);
  const FitFigures fit =
      fitFigures(series, filterTrace(series.input, p, -12.5, kNoUpdatingVariance));
  series.input.settings.h0 = -12.5;
  series.input.settings.measurementVariance = kNoUpdatingVariance;
  StepTable steps;
  steps.build(series.input);
  const PassResult engine = KalmanFilter(series.input, steps).pass(p, nullptr);
  EXPECT_EQ(fit.n, 4);
  EXPECT_NEAR(fit.me, -engine.ME, 1e-12);
  EXPECT_NEAR(fit.rmse, engine.RMSE, 1e-12);
}

// With updating (R = 0) the level is reset to every reading; between
// readings it follows the model from there.
TEST(Fit, PassWithUpdatingTakesEveryReading) {
  const CalibrationSeries series = readCalibrationSeries("T.01", kMeasurements, "T.met", kMeteo);
  const FilterTrace trace =
      filterTrace(series.input, updatingParameters(0.5, 2, 0.5, -10, 4), -10, 0);
  EXPECT_EQ(trace.updated[0], -7);
  EXPECT_EQ(trace.updated[2], -6);
  EXPECT_EQ(trace.updated[3], -11);
  EXPECT_EQ(trace.updated[4], -9);
  // Day 2 predicts from the reading of day 1 (-7) and from a noise state
  // that took the share M21/M11 = 1 of the innovation: x2 = -5 + 1 = -4.
  EXPECT_DOUBLE_EQ(trace.predicted[1], 0.5 * -7 + 0 * -4 + 0 - 5);
  // Without measurement-error and process variance the filter cannot run.
  EXPECT_THROW(filterTrace(series.input, deterministicParameters(0.5, 2, 0.5, -10), -10, 0), Error);
}

// The fit goes through the engine's own pass, faults included: a level that
// grows past the range of a double is an arithmetic error naming the step,
// as in the engine, and not a series of infinite levels.
TEST(Fit, RaisesTheEnginesFaultOnALevelThatIsNotFinite) {
  const CalibrationSeries series = readCalibrationSeries("T.01", kMeasurements, "T.met", kMeteo);
  // omega0 = 1e308: the surplus of 2 on day 3 takes the level past the
  // largest double; the variances stay 0 (+ R).
  try {
    filterTrace(series.input, deterministicParameters(0.5, 1e308, 0.5, -10), -10,
                kNoUpdatingVariance);
    FAIL() << "a level beyond the range of a double";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kOverflow);
    EXPECT_NE(std::string(e.what()).find("at step 3 "), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("is not finite"), std::string::npos) << e.what();
  }
}

TEST(Fit, ReadingsBeyondTheMeteoAreDroppedAndShortFilesRefused) {
  const CalibrationSeries series =
      readCalibrationSeries("T.01", "3 1\n1 -7\n5.4 -8\n5.5 -9\n", "T.met", kMeteo);
  // 5.5 rounds to 6 (half to even), past the five meteo days.
  ASSERT_EQ(series.input.measurements.size(), 2u);
  EXPECT_EQ(series.input.settings.span, 5.4);

  try {
    readCalibrationSeries("T.01", "4 1\n1 -7\n3 -6\n", "T.met", kMeteo);
    FAIL() << "a measurement file shorter than its head";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("T.01:", 0), 0u) << e.what();
  }
  try {
    readCalibrationSeries("T.01", kMeasurements, "T.met", "2 5 1 4 5\n1 1 2000 1 0\n2 1 x 0 0\n");
    FAIL() << "a meteo day line with a word for a year";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("T.met:3:", 0), 0u) << e.what();
  }
}

// The course of S.fit on the five days: a step a day and one per reading on
// its day (4.5 on day 4, after the day's own step), the day's level its
// prediction. Against it the depth residuals are those worked out by hand.
TEST(Fit, CourseInEquilibriumAsATrace) {
  const CalibrationSeries series = readCalibrationSeries("T.01", kMeasurements, "T.met", kMeteo);
  const std::vector<double> level = {0, -8, -9, -5.5, -9.75, -9.875};
  const FilterTrace trace = equilibriumTrace(series, level);
  const std::vector<double> times = {1, 1, 2, 3, 3, 4, 4.5, 5, 5};
  const std::vector<std::int32_t> readings = {-1, 0, -1, -1, 1, -1, 2, -1, 3};
  EXPECT_EQ(trace.time, times);
  EXPECT_EQ(trace.measurement, readings);
  EXPECT_EQ(trace.predicted[6], -9.75);
  const FitFigures fit = fitFigures(series, trace);
  EXPECT_EQ(fit.n, 4);
  EXPECT_DOUBLE_EQ(fit.me, -0.03125);
  EXPECT_DOUBLE_EQ(fit.rmse, std::sqrt(3.578125 / 4));

  // A course shorter than the readings: those beyond it are not matched.
  const FilterTrace short3 = equilibriumTrace(series, {0, -8, -9, -5.5});
  EXPECT_EQ(fitFigures(series, short3).n, 2);
  EXPECT_EQ(short3.time.back(), 3);
}

// Five years with a reading on 1 July each, residuals (measured depth -
// model depth) 0, 3, 2, 7, 8: slope 20 / 10 = 2 cm a year; the deviations
// from the line 0, 1, -2, 1, 0 give s^2 = 6 / 3 and a standard error
// sqrt(2 / 10), so t = 2 / sqrt(0.2).
TEST(Fit, TrendOfTheYearlyMeanResiduals) {
  std::string meteo = "1827 5 1 4 5\n";
  std::vector<int> julyFirst;
  for (int m = 1, year = 2000, month = 1, day = 1; m <= 1827; ++m) {
    meteo +=
        std::to_string(day) + " " + std::to_string(month) + " " + std::to_string(year) + " 0 0\n";
    if (month == 7 && day == 1) julyFirst.push_back(m);
    const int length = month == 2 ? (year % 4 == 0 ? 29 : 28)
                       : (month == 4 || month == 6 || month == 9 || month == 11) ? 30
                                                                                 : 31;
    if (++day > length) {
      day = 1;
      if (++month > 12) {
        month = 1;
        ++year;
      }
    }
  }
  ASSERT_EQ(julyFirst.size(), 5u);
  // Two readings in 2002, residuals 1 and 3: their mean is the year's 2.
  std::string measurements = "6 1\n";
  for (int i = 0; i < 5; ++i) measurements += std::to_string(julyFirst[i]) + " 0\n";
  measurements += std::to_string(julyFirst[2] + 1) + " 0\n";
  const CalibrationSeries series = readCalibrationSeries("T.01", measurements, "T.met", meteo);
  ASSERT_EQ(series.input.measurements.size(), 6u);
  FilterTrace trace;
  // With readings at level 0 the residual is the model's level.
  const double residual[6] = {0, 3, 1, 7, 8, 3};
  for (int i = 0; i < 6; ++i) {
    trace.time.push_back(series.input.measurements[static_cast<std::size_t>(i)].time);
    trace.predicted.push_back(residual[i]);
    trace.updated.push_back(residual[i]);
    trace.measurement.push_back(i);
  }
  const ResidualTrend trend = residualTrend(series, trace);
  ASSERT_TRUE(trend.available);
  EXPECT_EQ(trend.years, 5);
  EXPECT_EQ(trend.firstYear, 2000);
  EXPECT_EQ(trend.lastYear, 2004);
  EXPECT_DOUBLE_EQ(trend.slope, 2);
  EXPECT_NEAR(trend.t, 2 / std::sqrt(0.2), 1e-12);

  // On the line exactly: an infinite t; two years: no trend to judge.
  for (double& r : trace.predicted) r = 0;
  trace.predicted[4] = 5;  // 2004 alone off: not a line
  EXPECT_TRUE(std::isfinite(residualTrend(series, trace).t));
  const double line[6] = {0, 1, 2, 3, 4, 2};
  for (int i = 0; i < 6; ++i) trace.predicted[static_cast<std::size_t>(i)] = line[i];
  EXPECT_TRUE(std::isinf(residualTrend(series, trace).t));
  trace.time.resize(2);
  trace.predicted.resize(2);
  trace.measurement.resize(2);
  EXPECT_FALSE(residualTrend(series, trace).available);
}

}  // namespace
}  // namespace phreatix
