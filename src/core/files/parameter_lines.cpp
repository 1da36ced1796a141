#include "files/parameter_lines.h"

#include "engine/responses.h"
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

}  // namespace phreatix
