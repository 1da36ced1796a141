#include "session/kron_coverage.h"

#include "input/tube_file.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

namespace {

std::string lastDateText(const DayNumberTable& table) {
  const CalendarDate last = table.lastListedDate();
  return last.year == 0 ? std::string("geen enkele dag")
                        : "de dagen t/m " + formatCalendarDate(last);
}

}  // namespace

std::string kronReadingsNote(const DayNumberTable& table, const std::vector<std::string>& dataSet) {
  const CalendarDate last = table.lastListedDate();
  long long count = 0;
  CalendarDate first{}, latest{};
  for (const std::string& line : dataSet) {
    if (!isMeasurementRecord(line)) continue;
    if (line.size() >= 19 && line.compare(14, 5, "99999") == 0) continue;  // missing value
    CalendarDate date;
    // A record whose date does not read is reported by the pipeline.
    if (!recordDate(line, date) || date <= last) continue;
    if (date.year > kLastYear) continue;  // beyond the calendar itself: reported per tube
    if (count == 0 || date < first) first = date;
    if (count == 0 || date > latest) latest = date;
    ++count;
  }
  if (count == 0) return {};
  return std::string(kKronFileName) + " kent " + lastDateText(table) + ": " + formatInt(count) +
         " meting(en) van " + formatCalendarDate(first) + " t/m " + formatCalendarDate(latest) +
         " kunnen niet worden gebruikt. " + kKronRemedy;
}

std::string kronPeriodRefusal(const DayNumberTable& table, int startYear, int numberOfYears) {
  const long long endYear = static_cast<long long>(startYear) + numberOfYears - 1;
  if (numberOfYears < 1 || !DayNumberTable::holds(1, 1, startYear) ||
      !DayNumberTable::holds(31, 12, static_cast<int>(endYear))) {
    return {};  // the settings checks refuse such a period themselves
  }
  if (table.lookup(1, 1, startYear) != 0 && table.lookup(31, 12, static_cast<int>(endYear)) != 0) {
    return {};
  }
  return std::string(kKronFileName) + " kent " + lastDateText(table) + "; de simulatieperiode " +
         formatInt(startYear) + " t/m " + formatInt(endYear) +
         " valt daarbuiten. De berekening is niet gestart. " + kKronRemedy;
}

}  // namespace phreatix
