#include "input/calendar.h"

#include <fstream>

#include "platform/files.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

namespace {

constexpr int kYears = kLastYear - kFirstYear + 1;  // 100

}  // namespace

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int month, int year) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && isLeapYear(year)) return 29;
  return kDays[month - 1];
}

namespace {

// Days from 1970-01-01 to a date, and back (the civil-calendar algorithms on
// 400-year eras, exact for every Gregorian date).
long long daysFromCivil(long long y, long long m, long long d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civilFromDays(long long z, long long& y, long long& m, long long& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = yoe + era * 400 + (m <= 2);
}

const long long kDay0 = daysFromCivil(1947, 12, 31);

}  // namespace

long long builtinDayNumber(int year, int month, int day) {
  return daysFromCivil(year, month, day) - kDay0;
}

std::int64_t builtinDateOfDay(long long day) {
  long long y = 0, m = 0, d = 0;
  civilFromDays(day + kDay0, y, m, d);
  return y * 10000 + m * 100 + d;
}

DayNumberTable::DayNumberTable() : slots_("dagnummers", 0, 31 * 12 * kYears - 1, 0) {}

void DayNumberTable::clear() { slots_.fill(0); }

long long DayNumberTable::slot(int day, int month, int year) {
  if (day < 1 || day > 31 || month < 1 || month > 12 || year < kFirstYear || year > kLastYear) {
    throw Error(ErrorKind::kIndex, "geen dagnummer voor " + formatInt(day) + "-" +
                                       formatInt(month) + "-" + formatInt(year) +
                                       ": de tabel loopt van " + formatInt(kFirstYear) + " t/m " +
                                       formatInt(kLastYear));
  }
  return (static_cast<long long>(year - kFirstYear) * 12 + (month - 1)) * 31 + (day - 1);
}

std::int32_t DayNumberTable::lookup(int day, int month, int year) const {
  return slots_[slot(day, month, year)];
}

void DayNumberTable::store(int day, int month, int year, std::int32_t dayNumber) {
  slots_[slot(day, month, year)] = dayNumber;
}

bool DayNumberTable::holds(int day, int month, int year) {
  return day >= 1 && day <= 31 && month >= 1 && month <= 12 && year >= kFirstYear &&
         year <= kLastYear;
}

CalendarDate DayNumberTable::lastListedDate() const {
  for (int year = kLastYear; year >= kFirstYear; --year) {
    for (int month = 12; month >= 1; --month) {
      for (int day = 31; day >= 1; --day) {
        if (slots_[slot(day, month, year)] != 0) return {year, month, day};
      }
    }
  }
  return {};
}

std::string formatCalendarDate(const CalendarDate& date) {
  return formatInt(date.day) + "-" + formatInt(date.month) + "-" + formatInt(date.year);
}

void readDayNumberFile(const std::string& dir, DayNumberTable& table, Messages& messages) {
  const std::string path = joinPath(dir, kKronFileName);
  if (!fileExists(path)) {
    messages.appendStopExit(
        "Het bestand <KRON.txt> met de koppeling datum/dagnummers is niet gevonden.");
    messages.appendStopExit("Programma gestopt.");
    fatalStop();
  }
  std::vector<std::string> lines;
  try {
    lines = readLines(path);
  } catch (const Error& e) {
    messages.appendStopExit(
        "Het bestand <KRON.txt> met de koppeling datum/dagnummers is niet gevonden.");
    messages.appendStopExit(e.what());
    messages.appendStopExit("Programma gestopt.");
    fatalStop();
  }

  // One field of a line: its text, the opening of its read-error text, and
  // the detail line naming file and line.
  auto field = [&](std::size_t lineIndex, std::string_view text, const char* opening,
                   const char* title) {
    int value = 0;
    int code = valInt(text, value);
    if (code != 0) {
      readError(messages, code, std::string(opening) + kKronFileName + ")",
                std::string(kKronFileName) + ":" + formatInt(lineIndex + 1) + ": " + title + " " +
                    quoted(text) + " is geen geheel getal");
    }
    return value;
  };

  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    if (line.size() <= 5) continue;  // blank lines and short trailers
    auto part = [&](std::size_t first, std::size_t count) {
      return first - 1 < line.size() ? line.substr(first - 1, count) : std::string_view();
    };
    int year = field(i, part(7, 2), "(inlezen jaar in ", "year");
    year += year < kTwoDigitPivot ? 2000 : 1900;
    int month = field(i, part(4, 2), "(inlezen maand in ", "month");
    int day = field(i, part(1, 2), "(inlezen dag in ", "day");
    int dayNumber =
        field(i, part(10, std::string_view::npos), "(inlezen dagnummer in ", "day number");
    if (!DayNumberTable::holds(day, month, year)) {
      messages.appendStopExit("Het bestand met de koppeling datum/dagnummers");
      messages.appendStopExit(
          "bevat een dag buiten [1;31], een maand buiten [1;12] of een jaarbuiten [1948;2047]");
      messages.appendStopExit("Programma gestopt.");
      fatalStop();
    }
    table.store(day, month, year, dayNumber);
  }
}

std::vector<std::string> builtinDayNumberLines() {
  std::vector<std::string> lines;
  lines.reserve(BuiltinCalendar::kDays);
  int n = 0;
  auto twoDigits = [](std::string& s, int v) {
    s += static_cast<char>('0' + v / 10);
    s += static_cast<char>('0' + v % 10);
  };
  for (int year = kFirstYear; year <= kLastYear; ++year) {
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= daysInMonth(month, year); ++day) {
        std::string line;
        twoDigits(line, day);
        line += '-';
        twoDigits(line, month);
        line += '-';
        twoDigits(line, year % 100);
        line += ' ';
        appendInt(line, ++n);
        lines.push_back(std::move(line));
      }
    }
  }
  return lines;
}

BuiltinCalendar::BuiltinCalendar()
    : forward_("kalender", 1, kDays, kNoDay),
      reverse_("kalender_terug", 0, kReverseSize - 1, kNoDay) {
  build();
}

void BuiltinCalendar::build() {
  forward_.fill(kNoDay);
  reverse_.fill(kNoDay);
  int n = 0;
  for (int year = kFirstYear; year <= kLastYear; ++year) {
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= daysInMonth(month, year); ++day) {
        std::int32_t date = year * 10000 + month * 100 + day;
        forward_[++n] = date;
        reverse_[date - kFirstDate] = n;
      }
    }
  }
}

std::int32_t BuiltinCalendar::dateToDay(std::int32_t yyyymmdd) const {
  return reverse_[static_cast<long long>(yyyymmdd) - kFirstDate];
}

std::int32_t BuiltinCalendar::dayToDate(int day) const { return forward_[day]; }

std::string BuiltinCalendar::formatDate(std::int32_t v) {
  return formatInt(v % 100) + "-" + formatInt((v / 100) % 100) + "-" + formatInt(v / 10000);
}

}  // namespace phreatix
