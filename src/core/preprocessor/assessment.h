// Visual assessment of the measured series of every tube before splitting:
// the logic of the assessment window, runnable without it.
//
// Each tube is shown as a chart of its levels (cm relative to surface level,
// positive upward) against the day numbers of the built-in calendar, with
// warnings when the series looks too short or too sparse for a useful
// calibration of the time-series model. The user rejects it, or accepts it
// from the track bar's date on: the earlier readings are then marked "O" in
// the working copy, so that the data-file reader takes them as missing.
//
// Entry points: collectSeries, chartScale, seriesWarnings, drawChart (one
// tube's chart) and Assessment (the run over the tube list).
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "input/calendar.h"
#include "preprocessor/splitter.h"
#include "report/colour.h"
#include "report/ports.h"

namespace phreatix {

// The chart image and its plot area, in pixels.
inline constexpr int kChartWidth = 550;
inline constexpr int kChartHeight = 350;
inline constexpr int kPlotLeft = 30;
inline constexpr int kPlotRight = 530;
inline constexpr int kPlotTop = 30;
inline constexpr int kPlotBottom = 330;
// Track-bar positions 0..1000 span the plotted period.
inline constexpr int kTrackBarMax = 1000;

struct SeriesPoint {
  int year = 0, month = 0, day = 0;
  long long dayNumber = 0;  // built-in calendar
  int levelCm = 0;          // relative to surface level, positive upward
};

struct TubeSeries {
  std::string code;
  std::vector<SeriesPoint> points;  // in date order
  // The date of the last row of the tube in file order, missing or not,
  // "d-m-yyyy"; the end label of the accepted period.
  std::string endLabel;
  // Why the rules cannot judge the series (too few readings, one day only,
  // dates outside 1948..2047 or no dates at all, a level that is no whole
  // number); empty when they can.
  std::string problem;
};

// The readings of `code` in the working copy's measurement block (rows whose
// field 1 equals the code exactly), missing values left out.
TubeSeries collectSeries(const WorkingCopy& copy, std::string_view code,
                         const BuiltinCalendar& calendar);

// Ranges of the chart after widening, and the mapping to pixels.
struct ChartScale {
  int hmax = -1000, hmin = 1000;  // cm, level axis
  // Day numbers of the time axis; they start beyond any day so that the
  // first point sets both.
  long long dfirst = std::numeric_limits<long long>::max();
  long long dlast = std::numeric_limits<long long>::lowest();
  long long firstDay = 0, lastDay = 0;  // first and last point before widening
  int step = 25;                        // cm between level grid lines
  int x(long long dayNumber) const;
  int y(long long levelCm) const;
};
ChartScale chartScale(const TubeSeries& series);

// "d-m-yyyy" of a built-in day number, also beyond the calendar's tables.
std::string dayLabel(long long dayNumber, const BuiltinCalendar& calendar);

struct SeriesWarnings {
  bool judged = false;  // false: the rules could not be applied (see problem)
  int p8 = 0, p92 = 0;  // cm below surface level
  long long spanDays = 0;
  int frequency = 0;  // readings per year
  std::string line1, line2;
};
SeriesWarnings seriesWarnings(const TubeSeries& series);

// One line or text of the chart, drawn in list order. A text's (x, y) is its
// top edge and, by `align`, its left end, its right end or its centre.
struct ChartItem {
  enum class Kind { kLine, kText };
  enum class Align { kLeft, kRight, kCentre };
  Kind kind = Kind::kLine;
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  Rgb colour;
  std::string text;
  Align align = Align::kLeft;
};
inline constexpr Rgb kSilver{192, 192, 192};

std::vector<ChartItem> drawChart(const TubeSeries& series, const ChartScale& scale,
                                 const SeriesWarnings& warnings);

// The day number of a track-bar position.
long long cutoffDay(const ChartScale& scale, int position);
// The status text when the series from `cutoff` on is short; "" otherwise.
std::string shortSeriesStatus(const ChartScale& scale, long long cutoff);

// Marks a measurement row unusable: its remark field then begins with "O".
// On the usual row, whose empty remark is its last field, that appends "O".
std::string markedRow(const std::string& row);

// Saves the chart shown now as a picture (the window renders it).
class ChartSaver {
 public:
  virtual ~ChartSaver() = default;
  virtual void saveChart(const std::string& path) = 0;
};

// The run over the tube list, one tube at a time in list order.
class Assessment {
 public:
  // `flags` are the acceptance flags by tube-list position.
  Assessment(WorkingCopy& copy, const std::vector<std::string>& tubes, std::vector<bool>& flags,
             std::string workingDir, ChartSaver& saver, MessageBox& messageBox);

  bool done() const { return position_ >= static_cast<int>(tubes_.size()); }
  int position() const { return position_; }
  const std::string& code() const { return series_.code; }
  const TubeSeries& series() const { return series_; }
  const ChartScale& scale() const { return scale_; }
  const SeriesWarnings& warnings() const { return warnings_; }
  const std::vector<ChartItem>& chart() const { return chart_; }
  const std::string& startLabel() const { return startLabel_; }
  const std::string& endLabel() const { return series_.endLabel; }

  // Moves the track bar; returns the status text ("" when the rest of the
  // series is long enough), which comes with a beep.
  std::string moveTrackBar(int position);
  // "Accepteren": the part from the track bar's date on. Saves the chart as
  // "<code>.wmf", marks the earlier readings and saves the working copy.
  void accept();
  // "Niet accepteren": saves the chart as "<code>-nietOK.wmf".
  void reject();

  // The chart file of a tube; "" when the code cannot be a file name in the
  // working directory.
  static std::string chartFileName(std::string_view code, bool accepted);

 private:
  void show();
  void saveChart(bool accepted);

  WorkingCopy& copy_;
  const std::vector<std::string>& tubes_;
  std::vector<bool>& flags_;
  std::string workingDir_;
  ChartSaver& saver_;
  MessageBox& messageBox_;
  BuiltinCalendar calendar_;
  int position_ = 0;
  TubeSeries series_;
  ChartScale scale_;
  SeriesWarnings warnings_;
  std::vector<ChartItem> chart_;
  std::string startLabel_;
  int trackBar_ = 0;
};

}  // namespace phreatix
