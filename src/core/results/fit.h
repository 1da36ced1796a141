// The fit of a tube's chosen model to its measurements, computed in memory
// from the calibration files S.01 (measurements) and S.met (meteo of the
// calibration period): one Kalman-filter pass with fixed parameters, as the
// engine's predict mode makes it, keeping the predicted and the updated level
// of every step. Writes no file and adds no message.
//
// Without updating (sigma2 = 0, measurement-error variance R = 10, omega1 = 0,
// initial level c) the gains stay zero and the pass is the model's own course;
// its residuals give the fit figures. With updating (the chosen sigma2, R = 0)
// the level is reset to every measurement.
//
// A tube whose pipeline wrote S.fit (the chosen model's course started in
// equilibrium with the weather before the first reading, the noise at its
// mean c) is judged on that course instead: equilibriumTrace.
//
// Entry points: readCalibrationSeries, filterTrace, deterministicParameters,
// updatingParameters, equilibriumTrace, fitFigures, residualTrend.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/engine_files.h"
#include "input/calendar.h"

namespace phreatix {

// The fit of the deterministic model (a filter pass without updating) over
// the measurements of the calibration period.
struct FitFigures {
  bool available = false;
  int n = 0;           // measurements matched by a day of the pass
  double me = 0;       // mean error (measured - model), cm
  double rmse = 0;     // root mean square error, cm
  double evp = 0;      // explained variance, %: 100 * (1 - var(residual) / var(measured))
  CalendarDate first;  // first and last matched measurement
  CalendarDate last;
};

// A tube's calibration input as the engine reads it (levels scaled by the
// factor of the measurement head: cm, positive upward, as the calibration
// input writer writes them with factor 1), and the date of every meteo day.
struct CalibrationSeries {
  EngineInput input;
  std::vector<CalendarDate> dates;  // [1..M] date of meteo day m; [0] unused
  // The date of a day number of the meteo file (1..M); a day outside the file
  // raises an index error.
  const CalendarDate& dateOfDay(long long day) const;
};

// Reads the measurement file and the meteo file from their text (names for
// the error messages). Keeps the measurements whose time, rounded half to
// even, lies within the meteo days; the span is the time of the last kept
// one, dt = 1, mode predict. A meteo day line starts with day, month and
// year. Raises a read error naming the file and line on a bad number, a file
// shorter than its head announces or a day line without a date.
CalibrationSeries readCalibrationSeries(const std::string& measurementName,
                                        const std::string& measurementText,
                                        const std::string& meteoName, const std::string& meteoText);

// One pass over steps k = 1..n, in the engine's step table.
struct FilterTrace {
  std::vector<double> time;               // t_k, days on the meteo file's days
  std::vector<double> predicted;          // x1 before the measurement, level unit
  std::vector<double> updated;            // x1 after it
  std::vector<std::int32_t> measurement;  // index into the kept measurements; -1 none
};

// The engine's filter pass (engine/filter_pass.h) with the response of the
// input's settings, the parameters in natural order, initial level `h0` and
// measurement-error variance `R`. It raises the engine's arithmetic faults,
// naming the step: an innovation variance that is not positive, a variance
// or a level that is not finite, an objective that is not finite; the
// callers report the fit as not computed.
FilterTrace filterTrace(const EngineInput& input, const Parameters& p, double h0, double R);

// The pass "zonder updating" and "met updating" of a chosen model.
inline constexpr double kNoUpdatingVariance = 10;  // R of the pass without updating
Parameters deterministicParameters(double delta, double omega0, double phi, double c);
Parameters updatingParameters(double delta, double omega0, double phi, double c, double sigma2);

// The course of S.fit (`level`, [1..M] the level of meteo day m, [0]
// unused) as a trace over the series: a step on every day m from 1 to the
// day of the last measurement (as far as `level` reaches), and a step for
// every measurement on its day m, the time truncated, with the level of that
// day as its prediction; in time order, a day's own step before those of its
// measurements. A measurement beyond the last day of `level` gets no step.
FilterTrace equilibriumTrace(const CalibrationSeries& series, const std::vector<double>& level);

// The fit over the steps that matched a measurement, in cm below surface
// level: residual = measured depth - model depth (the negative of the
// engine's innovation, whose levels are positive upward). EVP = 100 * (1 -
// var(residual) / var(measured)), both variances with divisor n. Not
// available when no measurement was matched.
FitFigures fitFigures(const CalibrationSeries& series, const FilterTrace& trace);

// A drift of the residuals (measured - model, in cm below surface level, as
// fitFigures has them) over the years: the ordinary least-squares slope of
// the yearly mean residuals against the calendar year, in cm a year, and its
// t statistic (slope over its standard error, with n - 2 degrees of
// freedom). Available with residuals in at least three years.
struct ResidualTrend {
  bool available = false;
  double slope = 0;   // cm a year
  double t = 0;       // infinite for residuals exactly on a sloping line
  int firstYear = 0;  // first and last year with residuals
  int lastYear = 0;
  int years = 0;  // years with residuals
};
ResidualTrend residualTrend(const CalibrationSeries& series, const FilterTrace& trace);

// The days since 1 January 1970 of a date (the x values of the charts).
double daysSince1970(const CalendarDate& date);

}  // namespace phreatix
