// The weather of a coupled meteo file as the extended model takes it: every
// calendar day from the file's first day line to its last, precipitation and
// evaporation each as its column times the head's scale factor. A day the
// file does not hold gets the file's mean and is counted.
//
// The head line is "M K f p e" (day lines, columns, scale factor, the
// columns of precipitation and evaporation, counted over the whole day line
// from its day field); a day line begins with day, month and year.
//
// Entry points: DatedWeather, readDatedWeather, dayIndex.
#pragma once

#include <string>

#include "engine/extended_model.h"
#include "input/calendar.h"

namespace phreatix {

struct DatedWeather {
  DailyWeather weather;
  CalendarDate first;  // the date of index 0
  CalendarDate last;
  int filledDays = 0;  // days between first and last the file does not hold
};

// Reads the file at `path`; a read error naming the file and the line for a
// head or day line that cannot be read, a date out of order or a column the
// head names but a day line lacks.
DatedWeather readDatedWeather(const std::string& path);

// The index of a date in the weather (may lie outside it).
long long dayIndex(const DatedWeather& w, const CalendarDate& date);

}  // namespace phreatix
