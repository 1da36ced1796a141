#include "files/meteo_days.h"

#include "coupling/meteo_day.h"
#include "error.h"
#include "platform/files.h"
#include "text/number_text.h"

namespace phreatix {

std::vector<std::string> readMeteoLines(const std::string& path) { return readLines(path); }

std::vector<NumberedDay> numberedDays(const std::vector<std::string>& lines,
                                      const DayNumberTable& table) {
  std::vector<NumberedDay> days;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    MeteoDay day;
    if (!parseMeteoDay(lines[i], day) || !DayNumberTable::holds(day.day, day.month, day.year)) {
      continue;
    }
    const int n = table.lookup(day.day, day.month, day.year);
    if (n != 0) days.push_back({n, i, CalendarDate{day.year, day.month, day.day}});
  }
  return days;
}

std::string headRest(const std::string& head) {
  std::size_t pos = head.find_first_not_of(" \t");
  if (pos == std::string::npos) return {};
  std::size_t end = head.find_first_of(" \t", pos);
  return end == std::string::npos ? std::string() : head.substr(end);
}

std::string meteoHeadLine(std::size_t dayLines, const std::string& sourceHead) {
  return formatInt(static_cast<long long>(dayLines)) + " " + headRest(sourceHead);
}

std::string meteoDayLine(const MeteoDay& day, bool aligned) {
  const int dayWidth = aligned ? 2 : 0, yearWidth = aligned ? 4 : 0;
  return formatInt(day.day, dayWidth) + " " + formatInt(day.month, dayWidth) + " " +
         formatInt(day.year, yearWidth) + " " + day.rest;
}

DayDates::DayDates(const DayNumberTable& table) {
  for (int d = 1; d <= 31; ++d) {
    for (int m = 1; m <= 12; ++m) {
      for (int y = kFirstYear; y <= kLastYear; ++y) {
        const int n = table.lookup(d, m, y);
        if (n != 0) dates_[n] = CalendarDate{y, m, d};
      }
    }
  }
}

const CalendarDate* DayDates::find(int dayNumber) const {
  auto date = dates_.find(dayNumber);
  return date == dates_.end() ? nullptr : &date->second;
}

std::string DayDates::text(int dayNumber) const {
  const CalendarDate* date = find(dayNumber);
  return date ? formatCalendarDate(*date) : formatInt(dayNumber);
}

MeteoSpans::File& MeteoSpans::file(const std::string& meteoName) {
  auto cached = files_.find(meteoName);
  if (cached != files_.end()) return cached->second;
  File f;
  try {
    f.lines = readMeteoLines(joinPath(workingDir_, meteoName));
  } catch (const Error& e) {
    f.error = e.what();
  }
  return files_.emplace(meteoName, std::move(f)).first->second;
}

const std::vector<std::string>& MeteoSpans::lines(const std::string& meteoName) {
  const File& f = file(meteoName);
  if (!f.error.empty()) throw Error(ErrorKind::kIo, f.error);
  return f.lines;
}

const MeteoSpan& MeteoSpans::of(const std::string& meteoName) {
  File& f = file(meteoName);
  if (f.span) return *f.span;
  MeteoSpan span;
  try {
    for (const NumberedDay& day : numberedDays(f.lines, table_)) {
      if (span.first == 0 || day.number < span.first)
        span.first = day.number, span.firstDate = day.date;
      if (span.last == 0 || day.number > span.last)
        span.last = day.number, span.lastDate = day.date;
    }
  } catch (const Error&) {
    // Unreadable: the empty span.
  }
  f.span = span;
  return *f.span;
}

}  // namespace phreatix
