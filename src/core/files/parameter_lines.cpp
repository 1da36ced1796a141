#include "files/parameter_lines.h"

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

}  // namespace phreatix
