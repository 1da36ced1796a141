#include "postprocessing/measured_gxg.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace phreatix {
namespace {

// Measuring day i of a year (0 = 14 January, 1 = 28 January, ..., 23 = 28
// December) and the level the made-up series gives it: 10 cm a measuring
// day higher through the year, 100 cm a year higher from 1990 on.
int monthOf(int i) { return i / 2 + 1; }
int dayOf(int i) { return i % 2 == 0 ? 14 : 28; }
double levelOf(int year, int i) { return 10.0 * i + 100.0 * (year - 1990); }

std::vector<DatedLevel> onMeasuringDays(int firstYear, int lastYear) {
  std::vector<DatedLevel> readings;
  for (int year = firstYear; year <= lastYear; ++year) {
    for (int i = 0; i < 24; ++i) readings.push_back({year, monthOf(i), dayOf(i), levelOf(year, i)});
  }
  return readings;
}

void dropReading(std::vector<DatedLevel>& readings, int year, int month, int day) {
  const auto at = std::find_if(readings.begin(), readings.end(), [&](const DatedLevel& r) {
    return r.year == year && r.month == month && r.day == day;
  });
  ASSERT_NE(at, readings.end());
  readings.erase(at);
}

// One year: a measuring day takes the nearest reading within 3 days, the
// earlier of two equally near ones, and none beyond 3 days; the GVG is the
// mean of those of its three days that have a reading.
TEST(MeasuredGxg, NearestReadingWithinThreeDaysTheEarlierOnATie) {
  std::vector<DatedLevel> readings = onMeasuringDays(1990, 1990);
  // 14 March (40): its reading 3 days early; 18 March, 4 days late, is out
  // of reach of every measuring day.
  dropReading(readings, 1990, 3, 14);
  readings.push_back({1990, 3, 18, 999});
  readings.push_back({1990, 3, 11, 40});
  // 28 March (50): two readings 2 days off, the later one given first.
  dropReading(readings, 1990, 3, 28);
  readings.push_back({1990, 3, 30, 777});
  readings.push_back({1990, 3, 26, 50});
  // 14 April (60): only a reading 4 days late, high enough to show if taken.
  dropReading(readings, 1990, 4, 14);
  readings.push_back({1990, 4, 18, 5000});
  // 28 December (230): its reading a day early.
  dropReading(readings, 1990, 12, 28);
  readings.push_back({1990, 12, 27, 230});

  const MeasuredGxg g = measuredGxg(readings);
  EXPECT_EQ(g.years, std::vector<int>{1990});
  EXPECT_FALSE(g.available);  // one year of the eight needed
  // 23 measuring days: 0, 10, ..., 230 without 60 (14 April).
  EXPECT_DOUBLE_EQ(g.ghg, (230 + 220 + 210) / 3.0);
  EXPECT_DOUBLE_EQ(g.glg, (0 + 10 + 20) / 3.0);
  EXPECT_DOUBLE_EQ(g.gvg, (40 + 50) / 2.0);

  // Without the reading on 26 March the one on the 30th is taken.
  readings.erase(std::find_if(readings.begin(), readings.end(),
                              [](const DatedLevel& r) { return r.day == 26; }));
  EXPECT_DOUBLE_EQ(measuredGxg(readings).gvg, (40 + 777) / 2.0);
}

// Eight whole years: per year GHG 220, GLG 10, GVG 50 above its base of
// 100 cm a year from 1990, so the means are those plus 350.
TEST(MeasuredGxg, MeansOverTheCountedYearsInAnyOrderOfReadings) {
  std::vector<DatedLevel> readings = onMeasuringDays(1990, 1997);
  std::reverse(readings.begin(), readings.end());
  const MeasuredGxg g = measuredGxg(readings);
  EXPECT_TRUE(g.available);
  EXPECT_EQ(g.years, (std::vector<int>{1990, 1991, 1992, 1993, 1994, 1995, 1996, 1997}));
  EXPECT_DOUBLE_EQ(g.ghg, 570);
  EXPECT_DOUBLE_EQ(g.glg, 360);
  EXPECT_DOUBLE_EQ(g.gvg, 400);
}

// A year counts with 20 of its 24 measuring days, not with 19; eight
// counted years make the GxG available, seven do not.
TEST(MeasuredGxg, TwentyOfTwentyFourDaysAndEightYears) {
  std::vector<DatedLevel> readings = onMeasuringDays(1990, 1997);
  // 1990 without its two lowest (0, 10) and two highest (220, 230) days.
  dropReading(readings, 1990, 1, 14);
  dropReading(readings, 1990, 1, 28);
  dropReading(readings, 1990, 12, 14);
  dropReading(readings, 1990, 12, 28);
  MeasuredGxg g = measuredGxg(readings);
  ASSERT_TRUE(g.available);
  ASSERT_EQ(g.years.size(), 8u);
  // 1990: GHG (210 + 200 + 190) / 3 = 200, GLG (20 + 30 + 40) / 3 = 30;
  // 1991-1997: 220 + 100 k and 10 + 100 k, k = 1..7.
  EXPECT_DOUBLE_EQ(g.ghg, (200 + 7 * 220 + 100 * 28) / 8.0);
  EXPECT_DOUBLE_EQ(g.glg, (30 + 7 * 10 + 100 * 28) / 8.0);
  EXPECT_DOUBLE_EQ(g.gvg, 400);

  dropReading(readings, 1990, 2, 14);  // 19 days left in 1990
  g = measuredGxg(readings);
  EXPECT_FALSE(g.available);
  EXPECT_EQ(g.years, (std::vector<int>{1991, 1992, 1993, 1994, 1995, 1996, 1997}));
  EXPECT_DOUBLE_EQ(g.ghg, 220 + 400);  // k = 1..7, mean 4
  EXPECT_DOUBLE_EQ(g.glg, 10 + 400);

  // A year of readings every day but none near a measuring day counts not.
  std::vector<DatedLevel> between;
  for (int month = 1; month <= 12; ++month) between.push_back({2000, month, 21, 1});
  EXPECT_TRUE(measuredGxg(between).years.empty());
  EXPECT_FALSE(measuredGxg({}).available);
}

// A year whose three spring days have no reading still counts for the GHG
// and GLG; it leaves the GVG to the other years.
TEST(MeasuredGxg, GvgOverTheYearsThatHaveOneOfItsDays) {
  std::vector<DatedLevel> readings = onMeasuringDays(1990, 1991);
  dropReading(readings, 1991, 3, 14);
  dropReading(readings, 1991, 3, 28);
  dropReading(readings, 1991, 4, 14);
  MeasuredGxg g = measuredGxg(readings);
  ASSERT_EQ(g.years.size(), 2u);
  EXPECT_DOUBLE_EQ(g.gvg, 50);  // 1990 alone
  EXPECT_DOUBLE_EQ(g.ghg, (220 + 320) / 2.0);
  dropReading(readings, 1990, 3, 14);
  dropReading(readings, 1990, 3, 28);
  dropReading(readings, 1990, 4, 14);
  EXPECT_TRUE(std::isnan(measuredGxg(readings).gvg));
}

// A daily series: the characteristics over given years read only the
// measuring days, and equal those of the same series given as readings.
TEST(GxgOverYears, MeasuringDaysOfTheGivenYears) {
  int calls = 0;
  bool onlyMeasuringDays = true;
  const auto level = [&](int year, int month, int day) {
    ++calls;
    onlyMeasuringDays = onlyMeasuringDays && (day == 14 || day == 28);
    return 100.0 * (year - 2000) + 2 * month + (day == 28 ? 1 : 0);
  };
  const MeasuredGxg g = gxgOverYears(level, {2000, 2002});
  EXPECT_EQ(calls, 48);
  EXPECT_TRUE(onlyMeasuringDays);
  EXPECT_FALSE(g.available);
  EXPECT_EQ(g.years, (std::vector<int>{2000, 2002}));
  // Per year: highest 28-12 (25), 14-12 (24), 28-11 (23); lowest 14-1 (2),
  // 28-1 (3), 14-2 (4); spring 6, 7, 8; the years' bases 0 and 200.
  EXPECT_DOUBLE_EQ(g.ghg, 24 + 100);
  EXPECT_DOUBLE_EQ(g.glg, 3 + 100);
  EXPECT_DOUBLE_EQ(g.gvg, 7 + 100);

  // Every day of 1990-1997 as a reading, levels along a seasonal curve.
  std::vector<DatedLevel> daily;
  const auto curve = [](int year, int month, int day) {
    return std::sin(month * 0.5 + day * 0.017) * 40 + year % 7;
  };
  const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int year = 1990; year <= 1997; ++year) {
    for (int month = 1; month <= 12; ++month) {
      const int days = lengths[month - 1] + (month == 2 && year % 4 == 0 ? 1 : 0);
      for (int day = 1; day <= days; ++day)
        daily.push_back({year, month, day, curve(year, month, day)});
    }
  }
  const MeasuredGxg fromReadings = measuredGxg(daily);
  const MeasuredGxg fromSeries = gxgOverYears(curve, fromReadings.years);
  ASSERT_EQ(fromReadings.years.size(), 8u);
  EXPECT_TRUE(fromSeries.available);
  EXPECT_DOUBLE_EQ(fromReadings.ghg, fromSeries.ghg);
  EXPECT_DOUBLE_EQ(fromReadings.glg, fromSeries.glg);
  EXPECT_DOUBLE_EQ(fromReadings.gvg, fromSeries.gvg);
}

}  // namespace
}  // namespace phreatix
