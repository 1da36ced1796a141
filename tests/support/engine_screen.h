// The engine window's content in memory, for tests that look at what a run
// showed: the parameter grid, the runtime list (the latest lines, all
// counted), the caption and lblGEREED.
#pragma once

#include <deque>
#include <string>

#include "engine/engine_view.h"

namespace phreatix {

class EngineScreen : public EngineView {
 public:
  static constexpr std::size_t kRuntimeLines = kEngineRuntimeLines;

  void setCaption(const std::string& caption) override { caption_ = caption; }
  void setGridLine(int row, const std::string& text) override;
  void setGridStatus(int row, const std::string& status) override;
  void clearRuntime() override;
  void addRuntime(const std::string& line) override;
  void setGereed(const std::string& caption, bool visible) override;
  void setBusy(bool busy) override { busy_ = busy; }

  const std::string& caption() const { return caption_; }
  const std::string& gridLine(int row) const { return gridLines_[row]; }
  const std::string& gridStatus(int row) const { return gridStatuses_[row]; }
  const std::deque<std::string>& runtime() const { return runtime_; }
  long long runtimeCount() const { return runtimeCount_; }
  const std::string& gereedCaption() const { return gereedCaption_; }
  bool gereedVisible() const { return gereedVisible_; }
  bool busy() const { return busy_; }

 private:
  std::string caption_;
  std::string gridLines_[kParameterRows];
  std::string gridStatuses_[kParameterRows];
  std::deque<std::string> runtime_;
  long long runtimeCount_ = 0;
  std::string gereedCaption_ = kGereedCaption;
  bool gereedVisible_ = false;
  bool busy_ = false;
};

}  // namespace phreatix
