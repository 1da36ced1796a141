#include "engine/model_parameters.h"

namespace phreatix {

std::string flagLine(const ParameterTable& table, CalibrationStage stage) {
  const ParameterFlags flags = stageFlags(table, stage);
  std::string line;
  for (int i = 0; i < kModelParameters; ++i) {
    if (i > 0) line += ' ';
    line += flags[i] != 0 ? '1' : '0';
  }
  return line;
}

std::string startLine(const ParameterTable& table, const std::string& meanText) {
  std::string line;
  for (int i = 0; i < kModelParameters; ++i) {
    if (i > 0) line += ' ';
    line += table[i].startText ? table[i].startText : meanText;
  }
  return line;
}

}  // namespace phreatix
