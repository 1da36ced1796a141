#include "files/measurement_lines.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "error.h"
#include "platform/files.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

std::string measurementLine(long long day, const std::string& tail) {
  return formatInt(day, 5) + " " + tail;
}

std::vector<std::string> readMeasurementLines(const std::string& path) { return readLines(path); }

std::optional<MeasurementDay> measurementDay(const std::string& name, std::size_t lineIndex,
                                             const std::string& line) {
  // The first token, as the free-format reader takes it.
  const std::string_view text = line;
  const std::size_t start = text.find_first_not_of(" \t\r");
  if (start == std::string_view::npos) return std::nullopt;
  const std::size_t end = std::min(text.find_first_of(" \t\r", start), text.size());
  const std::string_view token = text.substr(start, end - start);
  std::int64_t day = 0;
  if (valInt(token, day) != 0) {
    refuseLine(name, lineIndex, "expected an integer, got " + quoted(token), ErrorKind::kRead);
  }
  MeasurementDay out;
  out.day = day;
  // What follows the day, from the first blank after the first non-blank.
  std::size_t pos = line.find_first_not_of(' ');
  pos = line.find(' ', pos);
  if (pos != std::string::npos) out.rest = line.substr(pos);
  return out;
}

}  // namespace phreatix
