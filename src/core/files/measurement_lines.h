// The measurement files the stages write for the engine (S.01 for the
// calibration, S.01s for the trace and the simulation): a head line "N g"
// (the count of measurement lines and the scale factor, 1), then one line
// per measurement, its day on the meteo file's days right-aligned in 5,
// a blank, then the level (cm, positive upward, right-aligned in 4). The
// engine reads them free-format (engine/engine_files).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace phreatix {

// A measurement line: the day right-aligned in 5, a blank, then `tail`.
std::string measurementLine(long long day, const std::string& tail);

// The lines of a measurement file as they stand; an I/O error naming the
// file when it cannot be read.
std::vector<std::string> readMeasurementLines(const std::string& path);

// A measurement line taken apart: its day and what follows the day as it
// stands (from the blank after it), so that the line can be written again
// on other days.
struct MeasurementDay {
  long long day = 0;
  std::string rest;
};
// Line `lineIndex` (from 0) of the file `name`. None for a line with no
// number; a first token that is not an integer is a read error naming the
// file and the line.
std::optional<MeasurementDay> measurementDay(const std::string& name, std::size_t lineIndex,
                                             const std::string& line);

}  // namespace phreatix
