// What the engine shows while it runs, as the engine window TfrmZEFTAL holds
// it: the parameter grid (11 rows, one per line of zeftal0.par: line number,
// fixed label, the line's text, a status), the runtime list, the caption and
// the label lblGEREED. The window and the command line implement EngineView;
// EngineScreen keeps the same content in memory for either to draw from.
#pragma once

#include <deque>
#include <string>

namespace phreatix {

inline constexpr int kParameterRows = 11;
// Column 1 of the parameter grid, rows 0 to 10.
extern const char* const kParameterRowLabels[kParameterRows];
inline constexpr const char* kGereedCaption = "ZEFTAL3 is gereed";
inline constexpr const char* kStoppedCaption = "Gestopt met foutmelding";

class EngineView {
 public:
  virtual ~EngineView() = default;
  virtual void setCaption(const std::string& /*caption*/) {}
  // Column 2 (the line as read) and column 3 (the status) of a grid row.
  virtual void setGridLine(int /*row*/, const std::string& /*text*/) {}
  virtual void setGridStatus(int /*row*/, const std::string& /*status*/) {}
  virtual void clearRuntime() {}
  virtual void addRuntime(const std::string& /*line*/) {}
  // The caption and visibility of lblGEREED.
  virtual void setGereed(const std::string& /*caption*/, bool /*visible*/) {}
  virtual void setBusy(bool /*busy*/) {}
  // Called after every runtime line: lets the window draw while the run
  // holds the one thread. A window decides itself how often it really draws.
  virtual void repaint() {}
  virtual void showHelpTopic(const std::string& /*topic*/) {}
};

// The engine window's content in memory. The runtime list keeps the latest
// kRuntimeLines lines (a calibration adds thousands) and counts them all.
class EngineScreen : public EngineView {
 public:
  static constexpr std::size_t kRuntimeLines = 2000;

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
