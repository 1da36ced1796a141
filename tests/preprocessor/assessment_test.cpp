// The visual assessment: points of a tube, ranges and mapping of the chart,
// the warnings, the track bar, and accepting a later part of a series.
#include <algorithm>
#include <cctype>
#include <cmath>

#include <gtest/gtest.h>

#include "input/dino_reader.h"
#include "input/tube_file.h"
#include "platform/files.h"
#include "preprocessor/assessment.h"
#include "preprocessor/dino_export.h"
#include "support/doubles.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

using test::RecordingBox;

class RecordingSaver : public ChartSaver {
 public:
  void saveChart(const std::string& path) override { saved.push_back(path); }
  std::vector<std::string> saved;
};

// A series of n readings spread evenly over `spanDays` from 1990-01-01,
// with depths (cm below surface) so that p8 = shallow and p92 = deep.
TubeSeries evenSeries(int n, long long spanDays, int shallow, int deep) {
  TubeSeries s;
  s.code = "B00A0001";
  const long long first = builtinDayNumber(1990, 1, 1);
  const long long rank92 = std::llround(0.92 * n);
  for (int k = 0; k < n; ++k) {
    SeriesPoint p;
    p.dayNumber = first + (n == 1 ? 0 : spanDays * k / (n - 1));
    p.levelCm = -(k + 1 < rank92 ? shallow : deep);
    s.points.push_back(p);
  }
  return s;
}

std::vector<std::string> texts(const std::vector<ChartItem>& items, int x, int y) {
  std::vector<std::string> found;
  for (const ChartItem& i : items) {
    if (i.kind == ChartItem::Kind::kText && i.x1 == x && i.y1 == y) found.push_back(i.text);
  }
  return found;
}

TEST(Assessment, WarningsForShortAndSparseSeries) {
  struct Case {
    const char* what;
    int n;
    long long span;
    int shallow, deep;
    int frequency;
    const char* line1;
    const char* line2;
  };
  const std::vector<Case> cases = {
      {"800 days, 20 readings", 20, 800, 60, 60, 9, "Tijdreeks korter dan 3 jaar", ""},
      {"700 days, 20 readings", 20, 700, 60, 60, 10,
       "Tijdreeks korter dan 2 jaar en meetfrequentie <=17/jaar",
       "Tijdreeks te kort voor zinvolle calibratie tijdreeksmodel"},
      {"deep, 1500 days, 30 a year", 123, 1500, 120, 250, 30, "",
       "Tijdreeks mogelijk te kort voor goede calibratie model"},
      {"deep, 1500 days, 10 a year", 41, 1500, 120, 250, 10, " en meetfrequentie <=17/jaar",
       "Tijdreeks mogelijk te kort voor goede calibratie model"},
      {"middle, 1000 days, 40 a year", 110, 1000, 100, 150, 40, "Tijdreeks korter dan 3 jaar",
       "Tijdreeks te kort voor zinvolle calibratie tijdreeksmodel"},
      {"middle, 1200 days", 110, 1200, 100, 150, 33, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TubeSeries s = evenSeries(c.n, c.span, c.shallow, c.deep);
    SeriesWarnings w = seriesWarnings(s);
    ASSERT_TRUE(w.judged);
    EXPECT_EQ(w.spanDays, c.span);
    EXPECT_EQ(w.p8, c.shallow);
    EXPECT_EQ(w.p92, c.deep);
    EXPECT_EQ(w.frequency, c.frequency);
    EXPECT_EQ(w.line1, c.line1);
    EXPECT_EQ(w.line2, c.line2);

    // On the chart: line 1 at (150, 1) and line 2 under it, or line 2 at
    // (150, 1) when line 1 is empty.
    std::vector<ChartItem> chart = drawChart(s, chartScale(s), w);
    std::vector<std::string> top = texts(chart, 150, 1), second = texts(chart, 150, 14);
    if (w.line1.empty()) {
      EXPECT_EQ(top,
                w.line2.empty() ? std::vector<std::string>{} : std::vector<std::string>{w.line2});
      EXPECT_TRUE(second.empty());
    } else {
      EXPECT_EQ(top, std::vector<std::string>{w.line1});
      EXPECT_EQ(second,
                w.line2.empty() ? std::vector<std::string>{} : std::vector<std::string>{w.line2});
    }
  }
}

TEST(Assessment, RangesGridStepAndMapping) {
  // All levels below surface level, none below -100 cm.
  TubeSeries s = evenSeries(30, 2000, 40, 90);
  ChartScale scale = chartScale(s);
  EXPECT_EQ(scale.hmax, 30);
  EXPECT_EQ(scale.hmin, -125);
  EXPECT_EQ(scale.step, 25);
  EXPECT_EQ(scale.x(scale.dfirst), 30);
  EXPECT_EQ(scale.x(scale.dlast), 530);
  EXPECT_EQ(scale.y(scale.hmin), 330);
  EXPECT_EQ(scale.y(scale.hmax), 30);
  // y(0) = round(330 - 125 * 300 / 155) = round(88.06)
  EXPECT_EQ(scale.y(0), 88);
  // Half way in time: 30 + 250, exactly.
  EXPECT_EQ(scale.x((scale.dfirst + scale.dlast) / 2), 280);

  struct StepCase {
    int shallow, deep, hmin, step;
  };
  for (const StepCase& c : std::vector<StepCase>{
           {40, 260, -285, 25}, {40, 300, -350, 50}, {40, 700, -800, 100}, {40, 900, -1132, 232}}) {
    SCOPED_TRACE(c.deep);
    ChartScale sc = chartScale(evenSeries(30, 2000, c.shallow, c.deep));
    EXPECT_EQ(sc.step, c.step);
    EXPECT_EQ(sc.hmin, c.hmin);
  }
  // Levels above surface level raise the top of the axis.
  TubeSeries wet = evenSeries(30, 2000, -20, 50);
  EXPECT_EQ(chartScale(wet).hmax, 20);

  // A series of 200 days is widened 15 days at a time on both sides: six
  // steps make 380 days.
  TubeSeries shortSeries = evenSeries(10, 200, 40, 60);
  ChartScale widened = chartScale(shortSeries);
  EXPECT_EQ(widened.dfirst, shortSeries.points.front().dayNumber - 90);
  EXPECT_EQ(widened.dlast, shortSeries.points.back().dayNumber + 90);
}

// Regression: the smallest day started at 26000 (2019-03-08), so a series
// that began later was drawn from that day instead of its own first day.
TEST(Assessment, ASeriesOfTodayIsDrawnFromItsOwnFirstDay) {
  TubeSeries s;
  s.code = "B00A0001";
  for (int year = 2021; year <= 2026; ++year) {
    for (int month : {1, 4, 7, 10}) {
      SeriesPoint p;
      p.year = year, p.month = month, p.day = 14;
      p.dayNumber = builtinDayNumber(year, month, 14);
      p.levelCm = -(60 + month);
      s.points.push_back(p);
    }
  }
  ChartScale scale = chartScale(s);
  EXPECT_EQ(scale.dfirst, builtinDayNumber(2021, 1, 14));
  EXPECT_EQ(scale.dlast, builtinDayNumber(2026, 10, 14));
  EXPECT_EQ(scale.x(s.points.front().dayNumber), 30);
  BuiltinCalendar calendar;
  EXPECT_EQ(dayLabel(scale.dfirst, calendar), "14-1-2021");
  // The yearly grid reaches the years of the series: 2026 gets its labels.
  std::vector<ChartItem> chart = drawChart(s, scale, seriesWarnings(s));
  EXPECT_TRUE(std::any_of(chart.begin(), chart.end(), [](const ChartItem& i) {
    return i.kind == ChartItem::Kind::kText && i.text == "26";
  }));
}

// A long series keeps readable date labels: fewer ticks, never closer than
// a label is wide; a ten-year series keeps its half-year ticks.
TEST(Assessment, DateLabelsOfALongSeriesStayReadable) {
  auto yearLabels = [](const TubeSeries& s) {
    std::vector<ChartItem> chart = drawChart(s, chartScale(s), seriesWarnings(s));
    std::vector<int> xs;
    for (const ChartItem& i : chart) {
      const bool twoDigits = i.text.size() == 2 &&
                             std::isdigit(static_cast<unsigned char>(i.text[0])) &&
                             std::isdigit(static_cast<unsigned char>(i.text[1]));
      if (i.kind == ChartItem::Kind::kText && twoDigits) xs.push_back(i.x1);
    }
    std::sort(xs.begin(), xs.end());
    return xs;
  };
  const long long day1990 = builtinDayNumber(1990, 1, 1);
  for (int years : {10, 40, 75}) {
    SCOPED_TRACE(years);
    TubeSeries s =
        evenSeries(24 * years, builtinDayNumber(1990 + years, 1, 1) - day1990 - 1, 40, 90);
    const std::vector<int> xs = yearLabels(s);
    ASSERT_GE(xs.size(), 4u);
    for (std::size_t k = 1; k < xs.size(); ++k) EXPECT_GE(xs[k] - xs[k - 1], 24) << k;
    if (years == 10) EXPECT_GE(xs.size(), 18u);  // 1 January and 1 July
  }
}

TEST(Assessment, GridAndLabelsOfTheChart) {
  // 1990-01-01 .. 1999-12-31, depths 40..90 cm: the level axis -125..30.
  TubeSeries s =
      evenSeries(120, builtinDayNumber(1999, 12, 31) - builtinDayNumber(1990, 1, 1), 40, 90);
  ChartScale scale = chartScale(s);
  std::vector<ChartItem> chart = drawChart(s, scale, seriesWarnings(s));
  auto shows = [&](const std::string& text) {
    return std::any_of(chart.begin(), chart.end(), [&](const ChartItem& i) {
      return i.kind == ChartItem::Kind::kText && i.text == text;
    });
  };
  // Level labels every step within the axis, the months and years of the
  // grid and the axis titles; no level label below the axis.
  for (const char* label :
       {"-100", "-75", "0", "1-7", "1-1", "95", "99", "datum", "stand tov maaiveld"}) {
    EXPECT_TRUE(shows(label)) << label;
  }
  EXPECT_FALSE(shows("-150"));
  // The series: one red line between each pair of points, after the axes.
  const auto red = std::count_if(chart.begin(), chart.end(),
                                 [](const ChartItem& i) { return i.colour == kRed; });
  EXPECT_EQ(red, 119);
  EXPECT_EQ(chart.back().colour, kRed);
}

struct AssessFixture {
  test::TempDir dir;
  WorkingCopy copy;
  std::vector<std::string> tubes;
  std::vector<bool> flags = std::vector<bool>(tubes.size(), true);
  RecordingSaver saver;
  RecordingBox box;

  explicit AssessFixture(const std::vector<std::string>& lines, std::vector<std::string> codes)
      : tubes(std::move(codes)) {
    copy.path = dir.file(kWorkingCopyName);
    copy.lines = lines;
    copy.blocks = locateBlocks(lines, copy.path);
    copy.save();
  }
};

TEST(Assessment, PointsInDateOrderWithTheirOwnLevels) {
  std::vector<std::string> lines = test::dinoHeader();
  lines.push_back(test::metaRow("B01A0001"));
  lines.push_back("");
  lines.push_back(test::kMeasurementTitle);
  lines.push_back(test::measRow("B01A0001", 1995, 3, 1, 30));
  lines.push_back(test::measRow("B01A0001", 1990, 1, 14, 10));
  lines.push_back(test::measRow("B01A00011", 1991, 1, 1, 5));  // another code
  lines.push_back(test::measRow("B01A0001", 1992, 6, 1, 20));
  lines.push_back(test::measRow("B01A0001", 1993, 6, 1, 40, "N"));  // missing
  lines.push_back("B01A0001,001,1994/06/01 00:00:00,,");            // missing
  lines.push_back(test::measRow("B01A0001", 1994, 7, 1, 999));      // empty-slot value
  lines.push_back(test::measRow("B01A0001", 1990, 1, 14, -7));      // same day, kept
  AssessFixture f(lines, {"B01A0001"});
  BuiltinCalendar calendar;
  TubeSeries s = collectSeries(f.copy, "B01A0001", calendar);
  ASSERT_EQ(s.points.size(), 4u);
  std::vector<std::pair<long long, int>> got;
  for (const SeriesPoint& p : s.points) got.push_back({p.dayNumber, p.levelCm});
  EXPECT_EQ(got, (std::vector<std::pair<long long, int>>{{calendar.dateToDay(19900114), -10},
                                                         {calendar.dateToDay(19900114), 7},
                                                         {calendar.dateToDay(19920601), -20},
                                                         {calendar.dateToDay(19950301), -30}}));
  // The end label is the last row of the tube in file order, missing or not.
  EXPECT_EQ(s.endLabel, "14-1-1990");
  // Four readings are too few for the rules: said on the chart, no warnings.
  EXPECT_EQ(s.problem, "minder dan 7 metingen");
  SeriesWarnings w = seriesWarnings(s);
  EXPECT_FALSE(w.judged);
  std::vector<ChartItem> chart = drawChart(s, chartScale(s), w);
  EXPECT_EQ(texts(chart, 150, 1),
            std::vector<std::string>{"Niet beoordeeld: minder dan 7 metingen"});
  // The red lines join the points in date order.
  ChartScale scale = chartScale(s);
  auto firstRed =
      std::find_if(chart.begin(), chart.end(), [](const ChartItem& i) { return i.colour == kRed; });
  ASSERT_NE(firstRed, chart.end());
  EXPECT_EQ(firstRed->x1, scale.x(s.points[0].dayNumber));
  EXPECT_EQ(firstRed->y1, scale.y(-10));
  EXPECT_EQ(firstRed->y2, scale.y(7));
}

TEST(Assessment, SeriesTheRulesCannotJudge) {
  struct Case {
    const char* what;
    std::vector<std::string> rows;
    const char* problem;
  };
  auto rows = [](int n, int year) {
    std::vector<std::string> out;
    for (int k = 0; k < n; ++k) out.push_back(test::measRow("B01A0001", year + k, 3, 1, 50 + k));
    return out;
  };
  std::vector<std::string> oneDay(8, test::measRow("B01A0001", 2000, 3, 1, 50));
  std::vector<std::string> noDate = rows(8, 1990);
  noDate.push_back(test::measRow("B01A0001", 2001, 2, 31, 50));
  std::vector<std::string> notWhole = rows(8, 1990);
  notWhole.push_back("B01A0001,001,2001/02/01 00:00:00,5.5,");
  const std::vector<Case> cases = {
      {"one day", oneDay, "alle metingen op dezelfde dag"},
      {"before 1948", rows(8, 1944), "metingen van buiten 1948..2047"},
      {"after 2047", rows(8, 2042), "metingen van buiten 1948..2047"},
      {"no date", noDate, "regel 19: meetdatum \"2001/02/31 00:00:00\" is geen datum"},
      {"no whole number", notWhole, "regel 19: stand \"5.5\" is geen geheel getal"},
      {"no readings", {}, "minder dan 7 metingen"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> lines = test::dinoHeader();
    lines.push_back(test::metaRow("B01A0001"));
    lines.push_back("");
    lines.push_back(test::kMeasurementTitle);
    lines.insert(lines.end(), c.rows.begin(), c.rows.end());
    AssessFixture f(lines, {"B01A0001"});
    Assessment run(f.copy, f.tubes, f.flags, f.dir.path(), f.saver, f.box);
    EXPECT_EQ(run.series().problem, c.problem);
    EXPECT_FALSE(run.warnings().judged);
    EXPECT_EQ(texts(run.chart(), 150, 1),
              std::vector<std::string>{std::string("Niet beoordeeld: ") + c.problem});
    // Still judged by the user, with labels and a track bar that work.
    run.moveTrackBar(700);
    EXPECT_FALSE(run.startLabel().empty());
    run.accept();
    EXPECT_TRUE(run.done());
  }
}

std::vector<std::string> tenYears(const std::string& code) {
  std::vector<std::string> rows;
  for (int year = 1990; year < 2000; ++year) {
    for (int month = 1; month <= 12; ++month) {
      rows.push_back(test::measRow(code, year, month, 14, 100 + month));
    }
  }
  return rows;
}

TEST(Assessment, AcceptingALaterPartMarksTheEarlierReadings) {
  std::vector<std::string> lines = test::dinoHeader();
  lines.push_back(test::metaRow("B01A0001"));
  lines.push_back(test::metaRow("B01A0002"));
  lines.push_back(test::metaRow("B01A0003"));
  lines.push_back("");
  lines.push_back(test::kMeasurementTitle);
  std::vector<std::string> one = tenYears("B01A0001"), two = tenYears("B01A0002");
  // A row with a remark of its own: marked by the remark's first letter.
  one[1] = test::measRow("B01A0001", 1990, 2, 14, 102, "vorst");
  lines.insert(lines.end(), one.begin(), one.end());
  lines.insert(lines.end(), two.begin(), two.end());
  std::vector<std::string> three = tenYears("B01A0003");
  lines.insert(lines.end(), three.begin(), three.end());
  AssessFixture f(lines, {"B01A0001", "B01A0002", "B01A0003"});
  const std::string original = f.dir.read(kWorkingCopyName);

  Assessment run(f.copy, f.tubes, f.flags, f.dir.path(), f.saver, f.box);
  EXPECT_EQ(run.code(), "B01A0001");
  EXPECT_EQ(run.startLabel(), "14-1-1990");
  EXPECT_EQ(run.endLabel(), "14-12-1999");
  // At 0 nothing is marked.
  EXPECT_EQ(run.moveTrackBar(0), "");
  run.accept();
  EXPECT_EQ(f.dir.read(kWorkingCopyName), original);
  EXPECT_EQ(f.saver.saved, std::vector<std::string>{f.dir.file("B01A0001.wmf")});

  // At 500 the first half of the plotted period.
  EXPECT_EQ(run.code(), "B01A0002");
  const ChartScale scale = run.scale();
  const long long cutoff = cutoffDay(scale, 500);
  EXPECT_LE(std::llabs(2 * cutoff - (scale.dfirst + scale.dlast)), 1);
  run.moveTrackBar(500);
  run.accept();
  std::vector<std::string> after = readLines(f.dir.file(kWorkingCopyName));
  int marked = 0;
  BuiltinCalendar calendar;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (after[i] == lines[i]) continue;
    ++marked;
    EXPECT_EQ(after[i], lines[i] + "O");
    EXPECT_EQ(lines[i].substr(0, 8), "B01A0002");
    CalendarDate d;
    ASSERT_TRUE(parseDateText(csvField(lines[i], 3), d));
    EXPECT_LT(calendar.dateToDay(d.year * 10000 + d.month * 100 + d.day), cutoff);
  }
  EXPECT_EQ(marked, 60);  // 1990..1994 of the monthly readings

  // The short rest of the series warns on the track bar.
  EXPECT_EQ(run.code(), "B01A0003");
  EXPECT_EQ(run.moveTrackBar(750), "LET OP: Tijdreeks nu korter dan 3 jaar");
  EXPECT_EQ(run.moveTrackBar(900), "LET OP: Tijdreeks nu korter dan 2 jaar");
  run.reject();
  EXPECT_TRUE(run.done());
  EXPECT_EQ(f.saver.saved.back(), f.dir.file("B01A0003-nietOK.wmf"));
  EXPECT_TRUE(f.flags[0] && f.flags[1]);
  EXPECT_FALSE(f.flags[2]);

  // The reader takes the marked readings as missing values.
  Messages messages;
  ProgressView progress;
  RecordingBox box;
  ReaderContext context{messages, progress, box, f.dir.path()};
  ConvertedDataSet data = convertExport(after, f.copy.path, context);
  int missing = 0, present = 0;
  bool inTwo = false;
  for (const std::string& l : data.lines) {
    if (isTubeRecord(l)) inTwo = l.substr(1, 8) == "B01A0002";
    if (inTwo && isMeasurementRecord(l)) (l.substr(9) == "9999+99999" ? missing : present)++;
  }
  EXPECT_EQ(missing, 60);
  EXPECT_EQ(present, 60);
}

TEST(Assessment, MarkingARow) {
  EXPECT_EQ(markedRow("B,001,1990/01/14 00:00:00,256,"), "B,001,1990/01/14 00:00:00,256,O");
  EXPECT_EQ(markedRow("B,001,1990/01/14 00:00:00,256,vorst"),
            "B,001,1990/01/14 00:00:00,256,Ovorst");
  EXPECT_EQ(markedRow("B,001,1990/01/14 00:00:00,256,,extra"),
            "B,001,1990/01/14 00:00:00,256,O,extra");
  EXPECT_EQ(markedRow("B,001,1990/01/14 00:00:00,256"), "B,001,1990/01/14 00:00:00,256,O");
  EXPECT_EQ(Assessment::chartFileName("../B01", true), "");
  EXPECT_EQ(Assessment::chartFileName("..", false), "");
  EXPECT_EQ(Assessment::chartFileName("B01A0001", false), "B01A0001-nietOK.wmf");
}

}  // namespace
}  // namespace phreatix
