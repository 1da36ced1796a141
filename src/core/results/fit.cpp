#include "results/fit.h"

#include <cmath>

#include "engine/engine_files.h"
#include "engine/kalman_filter.h"
#include "error.h"
#include "text/free_reader.h"
#include "text/number_text.h"
#include "text/rounding.h"

namespace phreatix {

namespace {

int wholeNumber(double v, const FreeReader& r, const char* what) {
  if (!(v == std::trunc(v)) || std::fabs(v) > 1e6) {
    refuseLine(r.name(), static_cast<std::size_t>(r.line()) - 1,
               std::string("verwacht een geheel getal als ") + what + ", niet " + formatReal(v, 0, 3),
               ErrorKind::kRead);
  }
  return static_cast<int>(v);
}

}  // namespace

const CalendarDate& CalibrationSeries::dateOfDay(long long day) const {
  if (day < 1 || day >= static_cast<long long>(dates.size())) {
    throw Error(ErrorKind::kIndex, "dag " + formatInt(day) + " ligt buiten de " +
                                       formatInt(static_cast<long long>(dates.size()) - 1) +
                                       " dagen van het meteobestand");
  }
  return dates[static_cast<std::size_t>(day)];
}

CalibrationSeries readCalibrationSeries(const std::string& measurementName,
                                        const std::string& measurementText,
                                        const std::string& meteoName,
                                        const std::string& meteoText) {
  CalibrationSeries series;
  EngineInput& input = series.input;

  FreeReader meteo(meteoName, meteoText);
  MeteoHead head;
  head.days = meteo.readInt32();
  head.columns = meteo.readInt32();
  head.scale = meteo.readReal();
  head.precipitation = meteo.readInt32();
  head.evaporation = meteo.readInt32();
  checkNotEnded(meteo, 1, 0);
  meteo.skipLine();
  if (head.days < 0 || head.days > MAXDAT) {
    refuseLine(meteoName, 0, formatInt(head.days) + " dagregels, hoogstens " + formatInt(MAXDAT),
               ErrorKind::kIndex);
  }
  // A day line opens with day, month and year.
  if (head.columns < 3 || head.columns > kMaxMeteoColumns || head.precipitation < 1 ||
      head.precipitation > head.columns || head.evaporation < 1 ||
      head.evaporation > head.columns) {
    refuseLine(meteoName, 0, "de kopregel noemt geen bruikbare kolommen", ErrorKind::kIndex);
  }
  input.meteoDays = head.days;
  input.surplus.assign(static_cast<std::size_t>(head.days) + 1, 0.0);
  series.dates.assign(static_cast<std::size_t>(head.days) + 1, CalendarDate{});
  double values[kMaxMeteoColumns];
  for (int m = 1; m <= head.days; ++m) {
    for (int k = 0; k < head.columns; ++k) values[k] = meteo.readReal();
    checkNotEnded(meteo, head.days, m - 1);
    CalendarDate& date = series.dates[static_cast<std::size_t>(m)];
    date.day = wholeNumber(values[0], meteo, "dag");
    date.month = wholeNumber(values[1], meteo, "maand");
    date.year = wholeNumber(values[2], meteo, "jaar");
    meteo.skipLine();
    const double precipitation = head.scale * values[head.precipitation - 1];
    const double evaporation = head.scale * values[head.evaporation - 1];
    input.surplus[static_cast<std::size_t>(m)] = precipitation - evaporation;
  }

  FreeReader r(measurementName, measurementText);
  const int announced = r.readInt32();
  const double scale = r.readReal();
  checkNotEnded(r, 1, 0);
  r.skipLine();
  for (int i = 0; i < announced; ++i) {
    const double time = r.readReal();
    const double level = r.readReal();
    checkNotEnded(r, announced, i);
    r.skipLine();
    // Kept as the engine keeps it: its day, rounded half to even, within
    // the meteo days.
    if (roundHalfEven(time) <= head.days) {
      if (static_cast<int>(input.measurements.size()) >= MAXDAT) {
        refuseLine(measurementName, static_cast<std::size_t>(r.line()) - 2,
                   "meer dan " + formatInt(MAXDAT) + " metingen (MAXDAT)", ErrorKind::kIndex);
      }
      input.measurements.push_back({time, scale * level});
    }
  }

  RunSettings& s = input.settings;
  s.mode = 1;
  s.dt = 1;
  s.span = input.measurements.empty() ? 0 : input.measurements.back().time;
  return series;
}

FilterTrace filterTrace(const EngineInput& input, const Parameters& p, double h0, double R) {
  StepTable steps;
  steps.build(input);
  const double delta = p[0], omega0 = p[1], omega1 = p[2], phi = p[3], c = p[4], sigma2 = p[5];
  const int n = steps.steps();
  FilterTrace trace;
  trace.time.assign(steps.time() + 1, steps.time() + 1 + n);
  trace.measurement.assign(steps.measurement() + 1, steps.measurement() + 1 + n);
  trace.predicted.resize(static_cast<std::size_t>(n));
  trace.updated.resize(static_cast<std::size_t>(n));
  const double* surplus = steps.surplus();

  double x1 = h0, x2 = 0;
  double P11 = 0, P12 = 0, P22 = 0;
  for (int k = 1; k <= n; ++k) {
    const double q = surplus[k];
    const double qPrev = surplus[k - 1];
    const double x1Pred = delta * x1 + (phi - delta) * x2 + omega0 * q - omega1 * qPrev + (1 - phi) * c;
    const double x2Pred = phi * x2 + (1 - phi) * c;
    const double M11 = delta * delta * P11 + 2 * delta * (phi - delta) * P12 +
                       (phi - delta) * (phi - delta) * P22 + sigma2;
    const double M12 = phi * delta * P12 + (phi - delta) * phi * P22 + sigma2;
    const double M22 = phi * phi * P22 + sigma2;
    const std::int32_t m = trace.measurement[static_cast<std::size_t>(k) - 1];
    if (m < 0) {
      x1 = x1Pred;
      x2 = x2Pred;
      P11 = M11;
      P12 = M12;
      P22 = M22;
    } else {
      const double v = input.measurements[static_cast<std::size_t>(m)].level - x1Pred;
      const double F = M11 + R;
      if (!(F > 0)) {
        throw Error(ErrorKind::kOverflow,
                    "filterdoorgang, stap " + formatInt(k) + ": innovatievariantie F = " +
                        formatReal(F, 0, 6) + " is niet positief");
      }
      const double K1 = M11 / F;
      const double K2 = M12 / F;
      x1 = K1 * v + x1Pred;
      x2 = K2 * v + x2Pred;
      P11 = (1 - K1) * M11;
      P12 = (1 - K1) * M12;
      P22 = M22 - K2 * M12;
    }
    trace.predicted[static_cast<std::size_t>(k) - 1] = x1Pred;
    trace.updated[static_cast<std::size_t>(k) - 1] = x1;
  }
  return trace;
}

Parameters deterministicParameters(double delta, double omega0, double phi, double c) {
  return {delta, omega0, 0, phi, c, 0};
}

Parameters updatingParameters(double delta, double omega0, double phi, double c, double sigma2) {
  return {delta, omega0, 0, phi, c, sigma2};
}

FitFigures fitFigures(const CalibrationSeries& series, const FilterTrace& trace) {
  FitFigures fit;
  std::vector<double> measured, residual;
  long long firstDay = 0, lastDay = 0;
  for (std::size_t k = 0; k < trace.measurement.size(); ++k) {
    const std::int32_t m = trace.measurement[k];
    if (m < 0) continue;
    // Depths below surface level: the engine's levels are positive upward.
    const double depth = -series.input.measurements[static_cast<std::size_t>(m)].level;
    const double model = -trace.predicted[k];
    measured.push_back(depth);
    residual.push_back(depth - model);
    const long long day = static_cast<long long>(std::trunc(trace.time[k]));
    if (measured.size() == 1) firstDay = day;
    lastDay = day;
  }
  if (measured.empty()) return fit;
  fit.n = static_cast<int>(measured.size());
  const double n = fit.n;
  double sumR = 0, sumR2 = 0, sumY = 0;
  for (std::size_t i = 0; i < measured.size(); ++i) {
    sumR = sumR + residual[i];
    sumR2 = sumR2 + residual[i] * residual[i];
    sumY = sumY + measured[i];
  }
  fit.available = true;
  fit.me = sumR / n;
  fit.rmse = std::sqrt(sumR2 / n);
  // Variances about the means, in a second pass (levels of a metre and more
  // around spreads of a few decimetres).
  const double meanY = sumY / n;
  double ssR = 0, ssY = 0;
  for (std::size_t i = 0; i < measured.size(); ++i) {
    ssR = ssR + (residual[i] - fit.me) * (residual[i] - fit.me);
    ssY = ssY + (measured[i] - meanY) * (measured[i] - meanY);
  }
  // A series of one repeated level has nothing to explain.
  fit.evp = ssY > 0 ? 100 * (1 - (ssR / n) / (ssY / n)) : 0;
  fit.first = series.dateOfDay(firstDay);
  fit.last = series.dateOfDay(lastDay);
  return fit;
}

double daysSince1970(const CalendarDate& date) {
  return static_cast<double>(builtinDayNumber(date.year, date.month, date.day) -
                             builtinDayNumber(1970, 1, 1));
}

}  // namespace phreatix
