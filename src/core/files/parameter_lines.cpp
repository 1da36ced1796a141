#include "files/parameter_lines.h"

#include "engine/responses.h"
#include "files/line_numbers.h"
#include "platform/files.h"
#include "text/number_text.h"

namespace phreatix {

std::string runLine(EngineMode mode, const std::string& rest) {
  return formatInt(static_cast<int>(mode)) + " " + formatInt(kEngineSeed) + " " + rest;
}

namespace {

const ParameterTable& table() { return kParameterTableOf<ExponentialResponse>; }

std::string valueText(const Parameters& p, int i) {
  const ParameterRow& row = table()[i];
  return row.fixedText ? std::string(row.fixedText) : formatReal(p[i], row.width, row.decimals);
}

}  // namespace

std::string parameterLine(const Parameters& p, const std::string& sigmaText) {
  std::string line;
  for (int i = 0; i + 1 < kModelParameters; ++i) {
    if (i > 0) line += ' ';
    line += valueText(p, i);
  }
  return line + sigmaText;
}

std::string sigma2Text(const Parameters& p) { return " " + valueText(p, kModelParameters - 1); }

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
