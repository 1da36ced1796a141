#include "preprocessor/assessment.h"

#include <algorithm>

#include "error.h"
#include "input/dino_reader.h"
#include "platform/files.h"
#include "text/number_text.h"
#include "text/parse.h"
#include "text/rounding.h"

namespace phreatix {

namespace {

constexpr Rgb kBlack{0, 0, 0};
// An exported level of 999 cm reads as h = -999, the value that marks an
// empty point slot; such a reading is left out like a missing value.
constexpr int kEmptySlotLevel = 999;
// Level grid lines lie at i * step - 800 cm for i = 1..64.
constexpr int kGridLines = 64;
constexpr int kGridBase = 800;
// Vertical grid lines: 1 January and 1 July of these years.
constexpr int kGridFirstYear = 1951;
constexpr int kGridLastYear = kLastYear;
// The least distance of two date ticks, in pixels: "1-7" and a two-digit
// year fit in it.
constexpr int kMinTickPixels = 24;
// A series shorter than this is widened 15 days at a time on both sides.
constexpr long long kMinAxisDays = 366;
constexpr long long kWidenDays = 15;
// The rules need ranks round(0.08 n) >= 1.
constexpr std::size_t kMinReadings = 7;
// Warning thresholds, in days.
constexpr long long kThreeYears = 1095;
constexpr long long kTwoYears = 730;
constexpr long long kFiveYears = 1827;
// Depth classes of the tube (cm below surface level) and the sparse rate.
constexpr int kShallowP8 = 80;
constexpr int kDeepP92 = 180;
constexpr int kSparsePerYear = 17;

std::string dateLabel(int year, int month, int day) {
  return formatInt(day) + "-" + formatInt(month) + "-" + formatInt(year);
}

void note(std::string& problem, const std::string& text) {
  if (problem.empty()) problem = text;
}

}  // namespace

TubeSeries collectSeries(const WorkingCopy& copy, std::string_view code,
                         const BuiltinCalendar& calendar) {
  TubeSeries series;
  series.code = std::string(code);
  bool outsideCalendar = false;
  for (int i = copy.blocks.measFirst; i <= copy.blocks.measLast; ++i) {
    const std::string& line = copy.lines[i];
    if (csvField(line, 1) != code) continue;
    std::string_view dateText = csvField(line, 3);
    CalendarDate date;
    const bool isDate =
        parseDateText(dateText, date) && date.day <= daysInMonth(date.month, date.year);
    series.endLabel = isDate ? dateLabel(date.year, date.month, date.day) : std::string(dateText);
    std::string_view level = csvField(line, 4);
    if (isMissingReading(level, csvField(line, 5))) continue;
    int value = 0;
    if (!parseInt(level, value)) {
      note(series.problem,
           "regel " + formatInt(i + 1) + ": stand " + quoted(level) + " is geen geheel getal");
      continue;
    }
    if (value == kEmptySlotLevel) continue;
    if (!isDate) {
      note(series.problem,
           "regel " + formatInt(i + 1) + ": meetdatum " + quoted(dateText) + " is geen datum");
      continue;
    }
    SeriesPoint point;
    point.year = date.year;
    point.month = date.month;
    point.day = date.day;
    point.levelCm = -value;
    if (date.year >= kFirstYear && date.year <= kLastYear) {
      point.dayNumber = calendar.dateToDay(date.year * 10000 + date.month * 100 + date.day);
    } else {
      outsideCalendar = true;
      point.dayNumber = builtinDayNumber(date.year, date.month, date.day);
    }
    series.points.push_back(point);
  }
  std::stable_sort(
      series.points.begin(), series.points.end(),
      [](const SeriesPoint& a, const SeriesPoint& b) { return a.dayNumber < b.dayNumber; });
  if (outsideCalendar) {
    note(series.problem,
         "metingen van buiten " + formatInt(kFirstYear) + ".." + formatInt(kLastYear));
  }
  if (series.points.size() < kMinReadings) {
    note(series.problem, "minder dan " + formatInt(kMinReadings) + " metingen");
  } else if (series.points.front().dayNumber == series.points.back().dayNumber) {
    note(series.problem, "alle metingen op dezelfde dag");
  }
  return series;
}

int ChartScale::x(long long dayNumber) const {
  return roundToInt(static_cast<long double>(dayNumber - dfirst) * (kPlotRight - kPlotLeft) /
                        static_cast<long double>(dlast - dfirst) +
                    kPlotLeft);
}

int ChartScale::y(long long levelCm) const {
  return roundToInt(kPlotBottom - static_cast<long double>(levelCm - hmin) *
                                      (kPlotBottom - kPlotTop) /
                                      static_cast<long double>(hmax - hmin));
}

ChartScale chartScale(const TubeSeries& series) {
  ChartScale s;
  for (const SeriesPoint& p : series.points) {
    s.hmax = std::max(s.hmax, p.levelCm);
    s.hmin = std::min(s.hmin, p.levelCm);
    s.dlast = std::max(s.dlast, p.dayNumber);
    s.dfirst = std::min(s.dfirst, p.dayNumber);
  }
  if (!series.points.empty()) {
    s.firstDay = series.points.front().dayNumber;
    s.lastDay = series.points.back().dayNumber;
  }
  if (s.hmax <= 0) s.hmax = 30;
  if (s.hmin > -100) s.hmin = -100;
  const int r = s.hmax - s.hmin;
  s.step = r < 300 ? 25 : r < 500 ? 50 : r < 800 ? 100 : r / 4;
  s.hmin -= s.step;
  if (series.points.empty()) {
    // Nothing to plot: an empty year around the calendar's first day keeps
    // the axes drawable.
    s.dfirst = s.dlast = 0;
  }
  while (s.dlast - s.dfirst < kMinAxisDays) {
    s.dfirst -= kWidenDays;
    s.dlast += kWidenDays;
  }
  return s;
}

std::string dayLabel(long long dayNumber, const BuiltinCalendar& calendar) {
  std::int64_t date = dayNumber >= 1 && dayNumber <= BuiltinCalendar::kDays
                          ? calendar.dayToDate(static_cast<int>(dayNumber))
                          : builtinDateOfDay(dayNumber);
  return dateLabel(static_cast<int>(date / 10000), static_cast<int>(date / 100 % 100),
                   static_cast<int>(date % 100));
}

SeriesWarnings seriesWarnings(const TubeSeries& series) {
  SeriesWarnings w;
  if (!series.problem.empty()) return w;
  w.judged = true;
  const std::size_t n = series.points.size();
  std::vector<int> depths;
  depths.reserve(n);
  for (const SeriesPoint& p : series.points) depths.push_back(-p.levelCm);
  std::sort(depths.begin(), depths.end());
  // Ranks from 1; n >= 7 keeps round(0.08 n) at 1 or more.
  w.p8 = depths[roundHalfEven(0.08L * n) - 1];
  w.p92 = depths[roundHalfEven(0.92L * n) - 1];
  w.spanDays = series.points.back().dayNumber - series.points.front().dayNumber;
  w.frequency = roundToInt(n / (static_cast<long double>(w.spanDays) / 365));

  if (w.spanDays < kTwoYears) {
    w.line1 = "Tijdreeks korter dan 2 jaar";
  } else if (w.spanDays < kThreeYears) {
    w.line1 = "Tijdreeks korter dan 3 jaar";
  }
  bool warned = false;
  if (w.p8 < kShallowP8) {
    warned = w.spanDays < kTwoYears;
    if (warned) w.line2 = "Tijdreeks te kort voor zinvolle calibratie tijdreeksmodel";
  } else if (w.p92 < kDeepP92) {
    warned = w.spanDays < kThreeYears;
    if (warned) w.line2 = "Tijdreeks te kort voor zinvolle calibratie tijdreeksmodel";
  } else {
    warned = w.spanDays < kFiveYears;
    if (warned) w.line2 = "Tijdreeks mogelijk te kort voor goede calibratie model";
  }
  if (warned && w.frequency <= kSparsePerYear) w.line1 += " en meetfrequentie <=17/jaar";
  return w;
}

std::vector<ChartItem> drawChart(const TubeSeries& series, const ChartScale& scale,
                                 const SeriesWarnings& warnings) {
  std::vector<ChartItem> items;
  auto line = [&](int x1, int y1, int x2, int y2, Rgb colour) {
    ChartItem item;
    item.kind = ChartItem::Kind::kLine;
    item.x1 = x1;
    item.y1 = y1;
    item.x2 = x2;
    item.y2 = y2;
    item.colour = colour;
    items.push_back(std::move(item));
  };
  auto text = [&](int x, int y, std::string s, ChartItem::Align align) {
    ChartItem item;
    item.kind = ChartItem::Kind::kText;
    item.x1 = x;
    item.y1 = y;
    item.colour = kBlack;
    item.text = std::move(s);
    item.align = align;
    items.push_back(std::move(item));
  };

  // Silver grid: levels, then half years.
  for (int i = 1; i <= kGridLines; ++i) {
    const int y = scale.y(static_cast<long long>(i) * scale.step - kGridBase);
    if (y < 320) line(kPlotLeft, y, kPlotRight, y, kSilver);
  }
  struct Tick {
    int x, month, year;
  };
  // 1 January and 1 July of every year; on a long axis they would melt into
  // one grey strip with unreadable labels, so only every year, every second,
  // fifth or tenth year is kept, the fewest that leave the ticks at least
  // kMinTickPixels apart (a ten-year series keeps every half year).
  const long double halfYearPixels = static_cast<long double>(kPlotRight - kPlotLeft) * 365.25L /
                                     2 / static_cast<long double>(scale.dlast - scale.dfirst);
  int stride = 1;  // in half years
  for (int s : {1, 2, 4, 10, 20}) {
    stride = s;
    if (halfYearPixels * s >= kMinTickPixels) break;
  }
  std::vector<Tick> ticks;
  for (int year = kGridFirstYear; year <= kGridLastYear; ++year) {
    if (stride > 1 && year % (stride / 2) != 0) continue;
    for (int month : {1, 7}) {
      if (stride > 1 && month == 7) continue;
      ticks.push_back({scale.x(builtinDayNumber(year, month, 1)), month, year});
    }
  }
  for (const Tick& t : ticks) {
    if (t.x >= 41) line(t.x, 10, t.x, kPlotBottom, kSilver);
  }

  // Black: level axis with its labels, axis titles, date labels.
  line(kPlotLeft, kPlotBottom, kPlotLeft, kPlotTop, kBlack);
  for (int i = 1; i <= kGridLines; ++i) {
    const long long v = static_cast<long long>(i) * scale.step - kGridBase;
    const int y = scale.y(v);
    if (y >= 31 && y < 320) text(kPlotLeft - 2, y - 5, formatInt(v), ChartItem::Align::kRight);
  }
  text(1, 329, "datum", ChartItem::Align::kLeft);
  text(1, 1, "stand tov maaiveld", ChartItem::Align::kLeft);
  for (const Tick& t : ticks) {
    if (t.x < 36) continue;
    text(t.x, 316, "1-" + formatInt(t.month), ChartItem::Align::kCentre);
    const int yy = t.year % 100;
    text(t.x, 329, std::string{static_cast<char>('0' + yy / 10), static_cast<char>('0' + yy % 10)},
         ChartItem::Align::kCentre);
  }

  // Surface level, then the series in red.
  line(kPlotLeft, scale.y(0), kPlotRight, scale.y(0), kBlack);
  for (std::size_t k = 1; k < series.points.size(); ++k) {
    const SeriesPoint& a = series.points[k - 1];
    const SeriesPoint& b = series.points[k];
    line(scale.x(a.dayNumber), scale.y(a.levelCm), scale.x(b.dayNumber), scale.y(b.levelCm), kRed);
  }

  // Warnings, or why there are none.
  std::string first = warnings.line1, second = warnings.line2;
  if (!warnings.judged) {
    first = "Niet beoordeeld: " + series.problem;
    second.clear();
  }
  if (!first.empty()) {
    text(150, 1, first, ChartItem::Align::kLeft);
    if (!second.empty()) text(150, 14, second, ChartItem::Align::kLeft);
  } else if (!second.empty()) {
    text(150, 1, second, ChartItem::Align::kLeft);
  }
  return items;
}

long long cutoffDay(const ChartScale& scale, int position) {
  return roundHalfEven(static_cast<long double>(position) *
                           static_cast<long double>(scale.dlast - scale.dfirst) / kTrackBarMax +
                       scale.dfirst);
}

std::string shortSeriesStatus(const ChartScale& scale, long long cutoff) {
  const long long remaining = scale.lastDay - cutoff;
  if (remaining < kTwoYears) return "LET OP: Tijdreeks nu korter dan 2 jaar";
  if (remaining < kThreeYears) return "LET OP: Tijdreeks nu korter dan 3 jaar";
  return {};
}

std::string markedRow(const std::string& row) {
  // The remark is field 5: after the fourth comma.
  std::size_t start = 0;
  int commas = 0;
  while (commas < 4) {
    std::size_t comma = row.find(',', start);
    if (comma == std::string::npos) break;
    start = comma + 1;
    ++commas;
  }
  if (commas < 4) return row + std::string(static_cast<std::size_t>(4 - commas), ',') + "O";
  std::string marked = row;
  // An empty remark that ends the row takes the "O" at the end, as does
  // any other: the reader looks at the remark's first letter.
  marked.insert(start, "O");
  return marked;
}

Assessment::Assessment(WorkingCopy& copy, const std::vector<std::string>& tubes,
                       std::vector<bool>& flags, std::string workingDir, ChartSaver& saver,
                       MessageBox& messageBox)
    : copy_(copy),
      tubes_(tubes),
      flags_(flags),
      workingDir_(std::move(workingDir)),
      saver_(saver),
      messageBox_(messageBox) {
  calendar_.build();
  if (!done()) show();
}

void Assessment::show() {
  series_ = collectSeries(copy_, tubes_[position_], calendar_);
  scale_ = chartScale(series_);
  warnings_ = seriesWarnings(series_);
  chart_ = drawChart(series_, scale_, warnings_);
  startLabel_ = series_.points.empty() ? std::string() : dayLabel(scale_.firstDay, calendar_);
  trackBar_ = 0;
}

std::string Assessment::moveTrackBar(int position) {
  trackBar_ = std::clamp(position, 0, kTrackBarMax);
  const long long cutoff = cutoffDay(scale_, trackBar_);
  startLabel_ = dayLabel(cutoff, calendar_);
  return shortSeriesStatus(scale_, cutoff);
}

std::string Assessment::chartFileName(std::string_view code, bool accepted) {
  if (code.empty() || code == "." || code == ".." ||
      code.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos) {
    return {};
  }
  return std::string(code) + (accepted ? ".wmf" : "-nietOK.wmf");
}

void Assessment::saveChart(bool accepted) {
  const std::string name = chartFileName(series_.code, accepted);
  if (name.empty()) {
    messageBox_.show("De grafiek van buis " + quoted(series_.code) +
                     " is niet bewaard: de locatiecode is geen bestandsnaam.");
    return;
  }
  try {
    saver_.saveChart(joinPath(workingDir_, name));
  } catch (const Error& e) {
    // The picture only documents the judgement; the judgement goes on.
    messageBox_.show("De grafiek van buis " + quoted(series_.code) + " is niet bewaard:\n" +
                     e.what());
  }
}

void Assessment::accept() {
  if (done()) return;
  saveChart(true);
  const long long cutoff = cutoffDay(scale_, trackBar_);
  // The marks go to disk first: the session files are made from dummy.csv,
  // so a judgement that could not be saved is not taken.
  std::vector<std::string> lines = copy_.lines;
  for (int i = copy_.blocks.measFirst; i <= copy_.blocks.measLast; ++i) {
    std::string& line = lines[i];
    if (csvField(line, 1) != series_.code) continue;
    CalendarDate date;
    if (!parseDateText(csvField(line, 3), date) || date.day > daysInMonth(date.month, date.year)) {
      continue;
    }
    if (builtinDayNumber(date.year, date.month, date.day) < cutoff) line = markedRow(line);
  }
  writeLines(copy_.path, lines);
  copy_.lines = std::move(lines);
  flags_[position_] = true;
  ++position_;
  if (!done()) show();
}

void Assessment::reject() {
  if (done()) return;
  saveChart(false);
  flags_[position_] = false;
  ++position_;
  if (!done()) show();
}

}  // namespace phreatix
