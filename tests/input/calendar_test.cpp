#include "input/calendar.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace phreatix {
namespace {

using test::TempDir;

// Reads `text` as kron.txt; the exit lines when the reading ends in the fatal stop.
struct KronResult {
  bool stopped = false;
  std::vector<std::string> exitLines;
};

KronResult readKron(const std::string& text, DayNumberTable& table) {
  TempDir dir;
  dir.write("kron.txt", text);
  Messages messages;
  KronResult result;
  try {
    readDayNumberFile(dir.path(), table, messages);
  } catch (const FatalStop& stop) {
    EXPECT_EQ(stop.reason(), FatalStop::Reason::kInputError);
    result.stopped = true;
  }
  result.exitLines = messages.stopExit();
  return result;
}

const std::vector<std::string> kRangeLines = {
    "Het bestand met de koppeling datum/dagnummers",
    "bevat een dag buiten [1;31], een maand buiten [1;12] of een jaarbuiten [1948;2047]",
    "Programma gestopt."};

TEST(DayNumberFile, ReadsTwoDigitYearsAndAnySlot) {
  DayNumberTable table;
  KronResult r = readKron(
      "01-01-48 1\n02-01-48 2\r\n29-02-99 77\n31-12-20 26664\n01-01-00    19000\n"
      "\n12345\n01-01-48 5\n",
      table);
  ASSERT_FALSE(r.stopped) << (r.exitLines.empty() ? "" : r.exitLines[0]);
  EXPECT_EQ(table.lookup(2, 1, 1948), 2);
  EXPECT_EQ(table.lookup(1, 1, 1948), 5);    // a later line for the same date wins
  EXPECT_EQ(table.lookup(29, 2, 1999), 77);  // no real date, stored all the same
  EXPECT_EQ(table.lookup(31, 12, 2020), 26664);
  EXPECT_EQ(table.lookup(1, 1, 2000), 19000);
  EXPECT_EQ(table.lookup(3, 1, 1948), 0);  // not listed
  EXPECT_THROW(table.lookup(1, 1, 1947), Error);
  EXPECT_THROW(table.lookup(32, 1, 1990), Error);
  table.clear();
  EXPECT_EQ(table.lookup(2, 1, 1948), 0);
}

TEST(DayNumberFile, RangeAndFieldErrorsStopTheProgram) {
  DayNumberTable table;
  // Two-digit years pivot at 48: "47" is 2047 and "21" is 2021, both
  // inside now (the earlier rule read "21" as 1921 and refused it).
  EXPECT_TRUE(readKron("31-12-47 1\n", table).exitLines.empty());
  EXPECT_EQ(table.lookup(31, 12, 2047), 1);
  EXPECT_TRUE(readKron("01-01-21 1\n", table).exitLines.empty());
  EXPECT_EQ(table.lookup(1, 1, 2021), 1);
  EXPECT_EQ(readKron("00-01-50 1\n", table).exitLines, kRangeLines);
  EXPECT_EQ(readKron("01-13-50 1\n", table).exitLines, kRangeLines);

  struct Case {
    const char* line;
    const char* first;
  };
  const Case cases[] = {
      {"01-01-4x 1", "Inleesfout !(inlezen jaar in kron.txt)"},
      {"01-0x-48 1", "Inleesfout !(inlezen maand in kron.txt)"},
      {"x1-01-48 1", "Inleesfout !(inlezen dag in kron.txt)"},
      {"01-01-48 1 ", "Inleesfout !(inlezen dagnummer in kron.txt)"},  // trailing blank
      {"01-01-48 ", "Inleesfout !(inlezen dagnummer in kron.txt)"},
      {"01-01-", "Inleesfout !(inlezen jaar in kron.txt)"},
  };
  for (const Case& c : cases) {
    KronResult r = readKron(std::string("01-01-48 1\n") + c.line + "\n", table);
    ASSERT_TRUE(r.stopped) << c.line;
    ASSERT_EQ(r.exitLines.size(), 2u) << c.line;
    EXPECT_EQ(r.exitLines[0], c.first);
    EXPECT_EQ(r.exitLines[1].rfind("kron.txt:2: ", 0), 0u) << r.exitLines[1];
  }
  // A line of exactly five characters is skipped.
  EXPECT_FALSE(readKron("01-01\n02-01-48 2\n", table).stopped);
}

TEST(DayNumberFile, MissingFileStops) {
  TempDir dir;
  DayNumberTable table;
  Messages messages;
  EXPECT_THROW(readDayNumberFile(dir.path(), table, messages), FatalStop);
  EXPECT_EQ(messages.stopExit(),
            (std::vector<std::string>{
                "Het bestand <KRON.txt> met de koppeling datum/dagnummers is niet gevonden.",
                "Programma gestopt."}));
}

TEST(BuiltinCalendar, ListedValuesAndTheGeneratedKronAgree) {
  BuiltinCalendar calendar;
  EXPECT_EQ(calendar.dayToDate(1), 19480101);
  EXPECT_EQ(calendar.dayToDate(366), 19481231);
  EXPECT_EQ(calendar.dayToDate(19053), 20000229);
  EXPECT_EQ(calendar.dayToDate(26664), 20201231);
  EXPECT_EQ(calendar.dayToDate(26665), 20210101);
  EXPECT_EQ(calendar.dayToDate(36525), 20471231);
  EXPECT_EQ(calendar.dateToDay(19690101), 7672);
  EXPECT_EQ(calendar.dateToDay(19480132), BuiltinCalendar::kNoDay);
  EXPECT_EQ(calendar.dateToDay(19900229), BuiltinCalendar::kNoDay);
  EXPECT_EQ(calendar.dateToDay(20201231), 26664);
  EXPECT_EQ(calendar.dateToDay(20240229), 27819);
  EXPECT_EQ(calendar.dateToDay(20471231), 36525);
  EXPECT_THROW(calendar.dayToDate(36526), Error);
  EXPECT_THROW(calendar.dateToDay(20471232), Error);
  // The tables and the arithmetic numbering agree on every day.
  for (int n = 1; n <= BuiltinCalendar::kDays; ++n) {
    ASSERT_EQ(calendar.dayToDate(n), builtinDateOfDay(n)) << n;
  }
  EXPECT_EQ(BuiltinCalendar::formatDate(19690301), "1-3-1969");

  // The kron.txt the command line writes numbers every date as the built-in
  // calendar does, and reads back without a stop.
  std::vector<std::string> lines = builtinDayNumberLines();
  ASSERT_EQ(lines.size(), 36525u);
  EXPECT_EQ(lines.front(), "01-01-48 1");
  EXPECT_EQ(lines[26663], "31-12-20 26664");
  EXPECT_EQ(lines.back(), "31-12-47 36525");
  DayNumberTable table;
  KronResult r = readKron(test::joinLines(lines), table);
  ASSERT_FALSE(r.stopped);
  for (int n = 1; n <= BuiltinCalendar::kDays; n += 97) {
    int date = calendar.dayToDate(n);
    EXPECT_EQ(table.lookup(date % 100, date / 100 % 100, date / 10000), n);
  }
  EXPECT_EQ(table.lookup(29, 2, 2000), 19053);
  EXPECT_EQ(table.lookup(29, 2, 1900 + 99), 0);
  EXPECT_EQ(table.lastListedDate(), (CalendarDate{2047, 12, 31}));
}

// A kron.txt written before the calendar reached 2047 (every date to
// 31-12-20) gives the same table under the new two-digit rule, and tells
// where it ends.
TEST(DayNumberFile, AnOldKronMeansTheSameDates) {
  std::vector<std::string> lines = builtinDayNumberLines();
  lines.resize(26664);
  DayNumberTable table;
  ASSERT_FALSE(readKron(test::joinLines(lines), table).stopped);
  BuiltinCalendar calendar;
  for (int n = 1; n <= 26664; ++n) {
    const int date = calendar.dayToDate(n);
    ASSERT_EQ(table.lookup(date % 100, date / 100 % 100, date / 10000), n) << date;
  }
  EXPECT_EQ(table.lookup(1, 1, 2021), 0);
  EXPECT_EQ(table.lastListedDate(), (CalendarDate{2020, 12, 31}));
}

}  // namespace
}  // namespace phreatix
