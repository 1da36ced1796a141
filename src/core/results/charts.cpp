// The five charts of a modelled tube, from its files in the working directory
// or its archive: the fit over the calibration period (S.01, S.met; the
// deterministic course from S.fit when the pipeline wrote it, the updated
// trace from S.upd when the trace ran with updating, the components'
// contributions from S.kmp for an extended model with components), the regime
// curve (S.reg), the duration line (S.foe), the histogram (S.his) and the
// correlogram (S.cor). Levels are turned into cm below surface level; the
// program's files keep the engine's sign (positive upward). A chart whose
// file is absent keeps its axes and has no series; a file that is there but
// cannot be read raises its read error.
#include "results/charts.h"

#include <cmath>

#include "engine/component_calibration.h"
#include "error.h"
#include "files/characteristics.h"
#include "files/component_file.h"
#include "files/parameter_lines.h"
#include "files/trace_file.h"
#include "files/tube_extras.h"
#include "platform/files.h"
#include "results/fit.h"
#include "results/result_source.h"
#include "text/number_text.h"

namespace phreatix {

namespace {

constexpr Rgb kMeasured{0, 0, 0};
constexpr Rgb kModel{0, 90, 200};
constexpr Rgb kUpdated{230, 120, 0};
constexpr Rgb kResidual{150, 150, 150};
constexpr Rgb kMean{0, 0, 0};
constexpr Rgb kLow{200, 40, 40};
constexpr Rgb kMedian{0, 90, 200};
constexpr Rgb kHigh{40, 150, 40};
// The components' contributions, one colour per kind.
constexpr Rgb kTrend{130, 60, 170};
constexpr Rgb kStep{0, 140, 140};
constexpr Rgb kStress{30, 140, 60};

const ChartAxis kLevelAxis{"grondwaterstand (cm-mv)", false, true};

ChartSeries series(const std::string& name, ChartSeries::Kind kind, Rgb colour) {
  ChartSeries s;
  s.name = name;
  s.kind = kind;
  s.colour = colour;
  return s;
}

// True when the trace of S.std ran with updating: measurement-error
// variance 0 on line 9 (without updating it is 10).
bool traceWithUpdating(const TubeFiles& files) {
  std::optional<std::string> text = files.read(".std");
  if (!text) return false;
  const std::vector<std::string> lines = parameterFileLines(*text);
  const std::optional<double> R =
      parameterNumber(files.name(".std"), lines, kVarianceLineNumber, 0);
  return R && *R == 0;
}

// The updated levels of S.upd between the dates `from` and `to` (days since
// 1970), dated by the day lines of S.sim, on whose days its times count.
bool updatedFromTrace(const TubeFiles& files, double from, double to, ChartSeries& out) {
  std::optional<std::string> upd = files.read(".upd");
  std::optional<std::string> sim = files.read(".sim");
  std::optional<std::string> measurements = files.read(".01s");
  if (!upd || !sim || !measurements) return false;
  const CalibrationSeries period =
      readCalibrationSeries(files.name(".01s"), *measurements, files.name(".sim"), *sim);
  for (const TraceRow& row : readTraceRows(files.name(".upd"), *upd)) {
    const double t = row.time;
    const double updated = row.updated;
    const long long day = static_cast<long long>(std::trunc(t));
    if (day < 1 || day > period.input.meteoDays) continue;
    const double x = daysSince1970(period.dateOfDay(day));
    if (x < from || x > to) continue;
    out.x.push_back(x);
    out.y.push_back(-updated);
  }
  return true;
}

// Each component's contribution day by day (S.kmp) as a line against a
// second axis: a contribution of some cm would vanish against the levels'
// range, so it gets its own, positive upward like the levels drawn in
// cm-mv with the larger depths lower.
void addComponentCourses(const TubeFiles& files, Chart& chart) {
  const std::optional<std::string> text = files.read(".kmp");
  if (!text) return;
  const ComponentCourses courses = readComponentText(files.name(".kmp"), *text);
  chart.y2 = {"bijdrage component (cm, positief omhoog)", false, false};
  std::vector<double> x;
  x.reserve(courses.dates.size());
  for (const CalendarDate& date : courses.dates) x.push_back(daysSince1970(date));
  for (std::size_t j = 0; j < courses.levels.size(); ++j) {
    const ComponentKind kind = courses.levels[j].kind;
    const Rgb colour = kind == ComponentKind::kTrend  ? kTrend
                       : kind == ComponentKind::kStep ? kStep
                                                      : kStress;
    ChartSeries s = series(std::string("bijdrage ") + componentName(kind) + " (rechter as)",
                           ChartSeries::Kind::kLine, colour);
    s.x = x;
    s.y = courses.course[j];
    s.secondAxis = true;
    chart.series.push_back(std::move(s));
  }
}

Chart fitChart(const TubeFiles& files, const TubeResult& tube, const std::string& caption) {
  Chart chart{"fit", "Meting en model, " + caption, {"datum", true, false}, kLevelAxis, {}};
  // The readings of the filter simulated, as readResults takes them.
  const std::string ext = files.has("." + tube.filter) ? "." + tube.filter : ".01";
  std::optional<std::string> measurementText = files.read(ext);
  std::optional<std::string> meteoText = files.read(".met");
  if (!measurementText || !meteoText) return chart;
  const CalibrationSeries cal =
      readCalibrationSeries(files.name(ext), *measurementText, files.name(".met"), *meteoText);
  // The course in equilibrium of S.fit, the fit's own; without it today's
  // pass of a standard model (an extended one has no pass here).
  const bool standard = tube.label == "1s" || tube.label == "2s";
  FilterTrace model;
  const std::optional<std::string> fit = files.read(".fit");
  if (fit) {
    model = equilibriumTrace(cal, readFitText(files.name(".fit"), *fit).level);
  } else if (standard) {
    model =
        filterTrace(cal.input, deterministicParameters(tube.delta, tube.omega0, tube.phi, tube.c),
                    tube.c, kNoUpdatingVariance);
  }

  ChartSeries measured = series("gemeten", ChartSeries::Kind::kPoints, kMeasured);
  ChartSeries deterministic = series("model zonder updating", ChartSeries::Kind::kLine, kModel);
  ChartSeries updated = series("model met updating", ChartSeries::Kind::kLine, kUpdated);
  ChartSeries residual =
      series("residu (gemeten - model, cm)", ChartSeries::Kind::kPoints, kResidual);

  for (const Measurement& m : cal.input.measurements) {
    const long long day = static_cast<long long>(std::trunc(m.time));
    if (day < 1 || day > cal.input.meteoDays) continue;
    measured.x.push_back(daysSince1970(cal.dateOfDay(day)));
    measured.y.push_back(-m.level);
  }
  for (std::size_t k = 0; k < model.time.size(); ++k) {
    const long long day = static_cast<long long>(std::trunc(model.time[k]));
    if (day < 1 || day > cal.input.meteoDays) continue;
    const double x = daysSince1970(cal.dateOfDay(day));
    const std::int32_t m = model.measurement[k];
    // The course of S.fit has a step of its own on every day.
    if (!fit || m < 0) {
      deterministic.x.push_back(x);
      deterministic.y.push_back(-model.predicted[k]);
    }
    if (m >= 0) {
      residual.x.push_back(x);
      residual.y.push_back(-cal.input.measurements[static_cast<std::size_t>(m)].level +
                           model.predicted[k]);
    }
  }

  // The updated trace over the period of the readings.
  const ChartSeries& span = deterministic.x.empty() ? measured : deterministic;
  const bool fromTrace = !span.x.empty() && traceWithUpdating(files) &&
                         updatedFromTrace(files, span.x.front(), span.x.back(), updated);
  if (!fromTrace) {
    updated.x.clear();
    updated.y.clear();
  }
  if (!fromTrace && standard) {
    const FilterTrace pass = filterTrace(
        cal.input, updatingParameters(tube.delta, tube.omega0, tube.phi, tube.c, tube.sigma2),
        tube.c, 0);
    for (std::size_t k = 0; k < pass.time.size(); ++k) {
      const long long day = static_cast<long long>(std::trunc(pass.time[k]));
      if (day < 1 || day > cal.input.meteoDays) continue;
      updated.x.push_back(daysSince1970(cal.dateOfDay(day)));
      updated.y.push_back(-pass.updated[k]);
    }
  }
  chart.series = {std::move(measured), std::move(deterministic), std::move(updated),
                  std::move(residual)};
  addComponentCourses(files, chart);
  return chart;
}

Chart regimeChart(const TubeFiles& files, const std::string& caption) {
  Chart chart{
      "regime", "Regimecurve, " + caption, {"dag van het jaar", false, false}, kLevelAxis, {}};
  std::optional<std::string> text = files.read(".reg");
  if (!text) return chart;
  ChartSeries s[4] = {series("gemiddelde", ChartSeries::Kind::kLine, kMean),
                      series("5 %", ChartSeries::Kind::kLine, kLow),
                      series("50 %", ChartSeries::Kind::kLine, kMedian),
                      series("95 %", ChartSeries::Kind::kLine, kHigh)};
  for (const std::vector<double>& row : readCurveRows(files.name(".reg"), *text, kRegimeCurve)) {
    for (int i = 0; i < 4; ++i) {
      s[i].x.push_back(row[0]);
      s[i].y.push_back(-row[static_cast<std::size_t>(i) + 1]);
    }
  }
  for (ChartSeries& one : s) chart.series.push_back(std::move(one));
  return chart;
}

// Each row of S.foe holds the days per year a level is exceeded, then the
// level.
Chart durationChart(const TubeFiles& files, const std::string& caption) {
  Chart chart{"duurlijn",
              "Duurlijn, " + caption,
              {"overschrijdingsduur (%)", false, false},
              kLevelAxis,
              {}};
  std::optional<std::string> text = files.read(".foe");
  if (!text) return chart;
  ChartSeries s = series("duurlijn", ChartSeries::Kind::kLine, kModel);
  for (const std::vector<double>& row : readCurveRows(files.name(".foe"), *text, kDurationLine)) {
    s.x.push_back(row[0] / 365 * 100);
    s.y.push_back(-row[1]);
  }
  chart.series.push_back(std::move(s));
  return chart;
}

// S.his repeats each class centre once per 1/10000 of the values in the
// class: the bars count the repeats.
Chart histogramChart(const TubeFiles& files, const std::string& caption) {
  Chart chart{"histogram",
              "Histogram van de gesimuleerde standen, " + caption,
              {"grondwaterstand (cm-mv)", false, false},
              {"frequentie (-)", false, false},
              {}};
  std::optional<std::string> text = files.read(".his");
  if (!text) return chart;
  ChartSeries s = series("frequentie", ChartSeries::Kind::kBars, kModel);
  for (const std::vector<double>& row : readCurveRows(files.name(".his"), *text, kHistogram)) {
    const double depth = -row[1];
    if (s.x.empty() || s.x.back() != depth) {
      s.x.push_back(depth);
      s.y.push_back(0);
    }
    s.y.back() += 1;
  }
  for (double& y : s.y) y /= 10000;
  chart.series.push_back(std::move(s));
  return chart;
}

Chart correlogramChart(const TubeFiles& files, const std::string& caption) {
  Chart chart{"correlogram",
              "Correlogram, " + caption,
              {"tijdsverschuiving (dagen)", false, false},
              {"correlatie (-)", false, false},
              {}};
  std::optional<std::string> text = files.read(".cor");
  if (!text) return chart;
  ChartSeries s = series("autocorrelatie", ChartSeries::Kind::kLine, kModel);
  for (const std::vector<double>& row : readCurveRows(files.name(".cor"), *text, kCorrelogram)) {
    s.x.push_back(row[0]);
    s.y.push_back(row[1]);
  }
  chart.series.push_back(std::move(s));
  return chart;
}

}  // namespace

std::vector<Chart> tubeCharts(const std::string& workingDir, const TubeResult& tube) {
  if (!tube.modelled) return {};
  TubeFiles files(workingDir, tube.stem);
  const std::string caption = "buis " + tube.location + " filter " + tube.filter;
  std::vector<Chart> charts;
  charts.push_back(fitChart(files, tube, caption));
  charts.push_back(regimeChart(files, caption));
  charts.push_back(durationChart(files, caption));
  charts.push_back(histogramChart(files, caption));
  charts.push_back(correlogramChart(files, caption));
  return charts;
}

}  // namespace phreatix
