// KNMI daily files converted into the engine's meteo format.
//
// KNMI writes daily station files ("# STN,YYYYMMDD, ..., RH, ..., EV24"),
// precipitation RH and Makkink evaporation EV24 in 0.1 mm (RH = -1 for less
// than 0.05 mm), and precipitation-station files (RD in 0.1 mm); a blank
// value is missing. The meteo file the program needs has the head line
// "M 5 0.01 4 5" (M day lines of five columns, scale factor 0.01 so that the
// surplus of 0.1 mm values comes out in cm like the levels, precipitation in
// column 4, evaporation in column 5) and day lines "day month year P E" on
// consecutive days without a gap.
//
// Entry points: isKnmiFile, convertKnmi.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "input/calendar.h"

namespace phreatix {

// True when the file has a KNMI column line ("STN,YYYYMMDD,...", with or
// without the leading "#").
bool isKnmiFile(const std::vector<std::string>& lines);

struct KnmiFile {
  std::string path;
  std::vector<std::string> lines;
};

struct KnmiPeriod {
  std::optional<CalendarDate> from;
  std::optional<CalendarDate> to;
};

struct MeteoConversion {
  std::vector<std::string> lines;   // the meteo file
  std::vector<std::string> report;  // what was written and what was left out
  CalendarDate first, last;
};

// Precipitation from RH (or RD) of `precipitation`, evaporation from EV24 of
// `evaporation` or, without it, of the same file. Writes the longest run of
// days with both values inside the period asked for and inside the day
// numbers the program knows (1948..2047). A file that cannot be read (no
// column line, a missing column, a date that does not exist, a value that is
// no whole number, dates out of order) raises an input error naming file,
// line and what is wrong, as does a period without one complete day.
MeteoConversion convertKnmi(const KnmiFile& precipitation, const KnmiFile* evaporation,
                            const KnmiPeriod& period);

// The meteo file a KNMI file becomes in the working directory: its name
// with the extension .prn ("KNMI_Bilt.txt" -> "<dir>/KNMI_Bilt.prn").
std::string convertedMeteoName(const std::string& knmiPath, const std::string& workingDir);
// Converts the KNMI file at `knmiPath` (RH or RD and its own EV24, the
// longest period without a gap) and writes it whole to `meteoPath`.
MeteoConversion convertKnmiFile(const std::string& knmiPath, const std::string& meteoPath);

}  // namespace phreatix
