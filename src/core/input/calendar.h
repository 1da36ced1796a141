// Day numbers.
//
// The day-number table maps each date listed in the day-number file kron.txt
// (years 1948..2047) to the day number the engine files use; whatever the file
// says is the numbering. The built-in calendar is a fixed numbering (day 1 =
// 1948-01-01 ... day 36525 = 2047-12-31) with a forward table n -> yyyymmdd
// and a reverse table yyyymmdd -> n; the assessment chart and the KNMI
// converter use it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/messages.h"
#include "text/checked.h"

namespace phreatix {

inline constexpr int kFirstYear = 1948;
inline constexpr int kLastYear = 2047;
// Two-digit years of kron.txt: "48".."99" are 1948..1999, "00".."47" are
// 2000..2047. A kron.txt of the earlier rule (which refused "21".."47") means
// the same dates under this one.
inline constexpr int kTwoDigitPivot = 48;
inline constexpr const char* kKronFileName = "kron.txt";

struct CalendarDate {
  int year = 0;
  int month = 0;
  int day = 0;
  auto operator<=>(const CalendarDate&) const = default;
};

// "d-m-yyyy" without leading zeros.
std::string formatCalendarDate(const CalendarDate& date);

// Day number per (day 1..31, month 1..12, year 1948..2047), 0 where the file
// listed no date. Every combination is a slot, 31 February included.
class DayNumberTable {
 public:
  DayNumberTable();
  void clear();
  // Precondition: day, month and year inside the table's ranges; outside
  // them the lookup raises an index error.
  std::int32_t lookup(int day, int month, int year) const;
  void store(int day, int month, int year, std::int32_t dayNumber);
  // True when the date's slot is inside the table's ranges.
  static bool holds(int day, int month, int year);
  // The latest date that carries a day number (a kron.txt made before the
  // calendar reached 2047 ends on 2020-12-31); {0, 0, 0} when none does.
  CalendarDate lastListedDate() const;

 private:
  static long long slot(int day, int month, int year);
  CheckedArray<std::int32_t> slots_;
};

// Reads kron.txt from `dir` into the table. A missing file, a field that is
// not an integer, or a date outside the table's ranges put their lines in
// mmSTOPEXIT and end in the fatal stop.
void readDayNumberFile(const std::string& dir, DayNumberTable& table, Messages& messages);

// The lines of a kron.txt with the built-in numbering: every date from
// 1948-01-01 to 2047-12-31 as "dd-mm-yy n" (two-digit year, day number from
// position 10).
std::vector<std::string> builtinDayNumberLines();

class BuiltinCalendar {
 public:
  static constexpr int kDays = 36525;  // 1948-01-01 .. 2047-12-31
  static constexpr std::int32_t kFirstDate = 19480101;
  static constexpr std::int32_t kLastDate = 20471231;
  static constexpr int kReverseSize = 991131;  // kLastDate - kFirstDate + 1
  static constexpr std::int32_t kNoDay = -999;

  BuiltinCalendar();
  // (Re)builds both tables: preset to -999, then filled day by day.
  void build();
  // yyyymmdd in kFirstDate..kLastDate -> day number, -999 for a number that
  // is no date (19480132).
  std::int32_t dateToDay(std::int32_t yyyymmdd) const;
  // Day 1..kDays -> yyyymmdd.
  std::int32_t dayToDate(int day) const;
  // "d-m-yyyy" without leading zeros.
  static std::string formatDate(std::int32_t yyyymmdd);

 private:
  CheckedArray<std::int32_t> forward_;
  CheckedArray<std::int32_t> reverse_;
};

// The built-in numbering carried on past its tables (proleptic Gregorian):
// day 1 = 1948-01-01, day 0 = 1947-12-31, day 36526 = 2048-01-01. Gives the
// dates of an axis widened beyond the tables and orders readings of any
// year. The date must be a real calendar date.
long long builtinDayNumber(int year, int month, int day);
// The date of any such day number as yyyymmdd.
std::int64_t builtinDateOfDay(long long day);

// Gregorian leap year and month length, shared by the calendars.
bool isLeapYear(int year);
int daysInMonth(int month, int year);

}  // namespace phreatix
