#include "files/parameter_lines.h"

#include "platform/files.h"
#include "files/line_numbers.h"
#include "text/number_text.h"

namespace phreatix {

std::string runLine(EngineMode mode, const std::string& rest) {
  return formatInt(static_cast<int>(mode)) + " " + formatInt(kEngineSeed) + " " + rest;
}

std::string parameterLine(const Parameters& p, const std::string& sigmaText) {
  return formatReal(p[0], 9, 7) + " " + formatReal(p[1], 9, 7) + " 0. " + formatReal(p[3], 9, 7) +
         " " + formatReal(p[4], 10, 5) + sigmaText;
}

std::string sigma2Text(const Parameters& p) { return " " + formatReal(p[5], 10, 5); }

std::vector<std::string> readParameterFileLines(const std::string& path) { return readLines(path); }

std::vector<std::string> parameterFileLines(const std::string& text) { return splitLines(text); }

std::optional<double> parameterNumber(const std::string& name,
                                      const std::vector<std::string>& lines, int lineNumber,
                                      int position) {
  if (lineNumber < 1 || static_cast<std::size_t>(lineNumber) > lines.size()) return std::nullopt;
  const std::size_t index = static_cast<std::size_t>(lineNumber) - 1;
  LineNumbers numbers(name, index, lines[index]);
  std::optional<double> v;
  for (int i = 0; i <= position; ++i) {
    v = numbers.next();
    if (!v) return std::nullopt;
  }
  return v;
}

}  // namespace phreatix
