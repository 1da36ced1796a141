#include "results/fit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "engine/engine_files.h"
#include "engine/filter_pass.h"
#include "engine/responses.h"
#include "engine/step_table.h"
#include "error.h"
#include "text/number_text.h"
#include "text/rounding.h"

namespace phreatix {

namespace {

int wholeNumber(double v, const std::string& name, std::size_t lineIndex, const char* what) {
  if (!(v == std::trunc(v)) || std::fabs(v) > 1e6) {
    refuseLine(
        name, lineIndex,
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

  // The engine's own readers, with the checks a dated series needs besides.
  auto judgeHead = [&](const MeteoHead& head) {
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
    series.dates.assign(static_cast<std::size_t>(head.days) + 1, CalendarDate{});
  };
  auto dateOfLine = [&](int m, const double* values, std::size_t lineIndex) {
    CalendarDate& date = series.dates[static_cast<std::size_t>(m)];
    date.day = wholeNumber(values[0], meteoName, lineIndex, "dag");
    date.month = wholeNumber(values[1], meteoName, lineIndex, "maand");
    date.year = wholeNumber(values[2], meteoName, lineIndex, "jaar");
  };
  const MeteoHead head = readMeteoText(meteoName, meteoText, judgeHead, input.surplus, dateOfLine);
  input.meteoDays = head.days;
  readMeasurementText(measurementName, measurementText, head.days, input.measurements);

  RunSettings& s = input.settings;
  s.mode = 1;
  s.dt = 1;
  s.span = input.measurements.empty() ? 0 : input.measurements.back().time;
  return series;
}

namespace {

// Keeps the predicted and the updated level of every step.
class TraceCollector {
 public:
  explicit TraceCollector(FilterTrace& trace) : trace_(trace) {}
  void begin(double /*x1*/, double /*P11*/) {}
  void step(const FilterStep& s) {
    trace_.predicted[static_cast<std::size_t>(s.k) - 1] = s.predicted;
    trace_.updated[static_cast<std::size_t>(s.k) - 1] = s.level;
  }

 private:
  FilterTrace& trace_;
};

}  // namespace

FilterTrace filterTrace(const EngineInput& input, const Parameters& p, double h0, double R) {
  StepTable steps;
  steps.build(input);
  const int n = steps.steps();
  FilterTrace trace;
  trace.time.assign(steps.time() + 1, steps.time() + 1 + n);
  trace.measurement.assign(steps.measurement() + 1, steps.measurement() + 1 + n);
  trace.predicted.resize(static_cast<std::size_t>(n));
  trace.updated.resize(static_cast<std::size_t>(n));
  TraceCollector collector(trace);
  withResponse(input.settings.response, [&]<class Deterministic>() {
    filterPass<Deterministic>(input, steps, p, PassStart{h0, R}, collector);
  });
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

FilterTrace equilibriumTrace(const CalibrationSeries& series, const std::vector<double>& level) {
  const std::vector<Measurement>& m = series.input.measurements;
  const long long lastLevelDay = static_cast<long long>(level.size()) - 1;
  long long lastDay = 0;
  for (const Measurement& x : m) {
    lastDay = std::max(lastDay, static_cast<long long>(std::trunc(x.time)));
  }
  lastDay = std::min({lastDay, lastLevelDay, static_cast<long long>(series.input.meteoDays)});
  struct Step {
    double time;
    long long day;
    std::int32_t measurement;
  };
  std::vector<Step> steps;
  steps.reserve(static_cast<std::size_t>(std::max(0LL, lastDay)) + m.size());
  for (long long day = 1; day <= lastDay; ++day) {
    steps.push_back({static_cast<double>(day), day, -1});
  }
  for (std::size_t i = 0; i < m.size(); ++i) {
    const long long day = static_cast<long long>(std::trunc(m[i].time));
    if (day < 1 || day > lastDay) continue;
    steps.push_back({m[i].time, day, static_cast<std::int32_t>(i)});
  }
  std::stable_sort(steps.begin(), steps.end(), [](const Step& a, const Step& b) {
    return a.day != b.day ? a.day < b.day : (a.measurement < 0 && b.measurement >= 0);
  });
  FilterTrace trace;
  for (const Step& s : steps) {
    const double x = level[static_cast<std::size_t>(s.day)];
    trace.time.push_back(s.time);
    trace.predicted.push_back(x);
    trace.updated.push_back(x);
    trace.measurement.push_back(s.measurement);
  }
  return trace;
}

ResidualTrend residualTrend(const CalibrationSeries& series, const FilterTrace& trace) {
  // Sum and count of the residuals per calendar year.
  std::map<int, std::pair<double, int>> byYear;
  for (std::size_t k = 0; k < trace.measurement.size(); ++k) {
    const std::int32_t m = trace.measurement[k];
    if (m < 0) continue;
    const long long day = static_cast<long long>(std::trunc(trace.time[k]));
    if (day < 1 || day > series.input.meteoDays) continue;
    const double residual =
        -series.input.measurements[static_cast<std::size_t>(m)].level + trace.predicted[k];
    std::pair<double, int>& sum = byYear[series.dateOfDay(day).year];
    sum.first = sum.first + residual;
    sum.second += 1;
  }
  ResidualTrend trend;
  trend.years = static_cast<int>(byYear.size());
  if (trend.years < 3) return trend;
  double sumX = 0, sumY = 0;
  for (const auto& [year, sum] : byYear) {
    sumX = sumX + year;
    sumY = sumY + sum.first / sum.second;
  }
  const double n = trend.years;
  const double meanX = sumX / n, meanY = sumY / n;
  double sxx = 0, sxy = 0;
  for (const auto& [year, sum] : byYear) {
    const double dx = year - meanX;
    sxx = sxx + dx * dx;
    sxy = sxy + dx * (sum.first / sum.second - meanY);
  }
  trend.available = true;
  trend.firstYear = byYear.begin()->first;
  trend.lastYear = byYear.rbegin()->first;
  trend.slope = sxy / sxx;
  double sse = 0;
  for (const auto& [year, sum] : byYear) {
    const double e = sum.first / sum.second - meanY - trend.slope * (year - meanX);
    sse = sse + e * e;
  }
  const double standardError = std::sqrt(sse / (n - 2) / sxx);
  trend.t = standardError > 0 ? trend.slope / standardError
            : trend.slope == 0
                ? 0
                : std::copysign(std::numeric_limits<double>::infinity(), trend.slope);
  return trend;
}

double daysSince1970(const CalendarDate& date) {
  return static_cast<double>(builtinDayNumber(date.year, date.month, date.day) -
                             builtinDayNumber(1970, 1, 1));
}

}  // namespace phreatix
