// What the engine shows while it runs, as the engine window TfrmZEFTAL holds
// it: the parameter grid (11 rows, one per line of zeftal0.par: line number,
// fixed label, the line's text, a status), the runtime list, the caption and
// the label lblGEREED. The window and the command line implement EngineView.
#pragma once

#include <cstddef>
#include <string>

namespace phreatix {

inline constexpr int kParameterRows = 11;
// Column 1 of the parameter grid, rows 0 to 10.
extern const char* const kParameterRowLabels[kParameterRows];
inline constexpr const char* kGereedCaption = "ZEFTAL3 is gereed";
inline constexpr const char* kStoppedCaption = "Gestopt met foutmelding";
// The runtime list shows the latest lines of a run (a calibration adds
// thousands).
inline constexpr std::size_t kEngineRuntimeLines = 2000;

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

}  // namespace phreatix
