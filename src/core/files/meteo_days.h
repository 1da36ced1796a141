// The day lines of a coupled meteo file as the calibration and simulation
// writers copy them: which of them kron.txt numbers, the span they cover,
// the date behind a day number and the part of the head line a copy keeps.
//
// A meteo file is the engine's meteo layout: a head line whose first number
// counts the day lines, then day lines that begin with day, month and year.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "coupling/meteo_day.h"
#include "input/calendar.h"

namespace phreatix {

// The lines of a meteo file as they stand; an I/O error naming the file
// when it cannot be read.
std::vector<std::string> readMeteoLines(const std::string& path);

// A day line whose date kron.txt numbers.
struct NumberedDay {
  int number = 0;        // kron.txt's day number
  std::size_t line = 0;  // index into the file's lines (0 is the head)
  CalendarDate date;
};

// The numbered day lines of a meteo file, in file order. Lines that do not
// begin with three integers, dates outside 1948..2047 and dates kron.txt
// does not list are passed over.
std::vector<NumberedDay> numberedDays(const std::vector<std::string>& lines,
                                      const DayNumberTable& table);

// The head line of a meteo file without its first number (the day count)
// and the blanks before it: what a copy writes after its own count. "" when
// the line holds the count alone.
std::string headRest(const std::string& head);

// The writers of the copies (S.met of the calibration, S.sim of the
// simulation). The head line: the copy's count of day lines, a blank, then
// the source's head after its count.
std::string meteoHeadLine(std::size_t dayLines, const std::string& sourceHead);
// A day line: its date, then the day's values as they stand. `aligned`
// writes day and month 2 wide and the year 4 wide (S.met), otherwise each
// as short as it goes (S.sim).
std::string meteoDayLine(const MeteoDay& day, bool aligned);

// Day number -> date, the reverse of the day-number table. Where kron.txt
// gives one number to several dates, the date found last when the table is
// scanned by day 1..31, within it month 1..12, within it year.
class DayDates {
 public:
  explicit DayDates(const DayNumberTable& table);
  // Null for a number no date carries.
  const CalendarDate* find(int dayNumber) const;
  // "d-m-yyyy", or the number itself when no date carries it.
  std::string text(int dayNumber) const;

 private:
  std::unordered_map<int, CalendarDate> dates_;
};

// The first and last numbered day of a meteo file (0 when the file is
// unreadable or has none) and their dates.
struct MeteoSpan {
  int first = 0, last = 0;
  CalendarDate firstDate, lastDate;
};

// The coupled meteo files in the working directory, their lines and spans,
// each file read once however many tubes share it.
class MeteoSpans {
 public:
  MeteoSpans(std::string workingDir, const DayNumberTable& table)
      : workingDir_(std::move(workingDir)), table_(table) {}
  // An unreadable file has the empty span: the calibration meteo extraction
  // reports it, and no reading is judged by it.
  const MeteoSpan& of(const std::string& meteoName);
  // The file's lines; an I/O error naming it when it cannot be read.
  const std::vector<std::string>& lines(const std::string& meteoName);

 private:
  struct File {
    std::vector<std::string> lines;
    std::string error;  // why it could not be read; "" when it was
    std::optional<MeteoSpan> span;
  };
  File& file(const std::string& meteoName);

  std::string workingDir_;
  const DayNumberTable& table_;
  std::unordered_map<std::string, File> files_;
};

}  // namespace phreatix
