// S.nFF: why a tube of the data set was not calibrated. The calibration
// inputs write it in place of the tube's inputs when no reading of the tube
// can be calibrated (every one lies outside its meteo file's period), and
// remove it when they write the tube's inputs again. The run loop passes
// such a tube over without a line, the results give the reason in the
// report, and the cluster counts the tube among its task's finished ones.
//
//   geen meting binnen de periode van het meteobestand bilt.prn (1-7-1957 t/m 22-5-2016)
//
// One line: the reason, in the words of the session log's line about it.
#pragma once

#include <optional>
#include <string>

namespace phreatix {

// "S.nFF": S the tube's stem, FF its filter ("01").
std::string notCalibratedName(const std::string& S, const std::string& FF);

void writeNotCalibrated(const std::string& path, const std::string& reason);

// The reason in the text of such a file (`name` for the error message); a
// read error naming the file when it holds no line with a reason.
std::string readNotCalibrated(const std::string& name, const std::string& text);

}  // namespace phreatix
