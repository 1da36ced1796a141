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

}  // namespace
}  // namespace phreatix
