#include "support/engine_screen.h"

namespace phreatix {

void EngineScreen::setGridLine(int row, const std::string& text) {
  if (row >= 0 && row < kParameterRows) gridLines_[row] = text;
}

void EngineScreen::setGridStatus(int row, const std::string& status) {
  if (row >= 0 && row < kParameterRows) gridStatuses_[row] = status;
}

void EngineScreen::clearRuntime() {
  runtime_.clear();
  runtimeCount_ = 0;
}

void EngineScreen::addRuntime(const std::string& line) {
  if (runtime_.size() == kRuntimeLines) runtime_.pop_front();
  runtime_.push_back(line);
  ++runtimeCount_;
}

void EngineScreen::setGereed(const std::string& caption, bool visible) {
  gereedCaption_ = caption;
  gereedVisible_ = visible;
}

}  // namespace phreatix
