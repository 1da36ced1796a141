// The small interfaces through which core code shows progress and plain
// information to the user. The windows and the command line implement them;
// core code never knows which one it talks to.
#pragma once

#include <string>

namespace phreatix {

// The main window's progress gauge `Gauge1`, the label `lblBuisLees` beside
// it, and the busy cursor over the window and its two groups.
class ProgressView {
 public:
  virtual ~ProgressView() = default;
  virtual void showGauge(bool /*visible*/) {}
  virtual void setGauge(int /*percent*/) {}
  virtual void showProgressLabel(bool /*visible*/) {}
  virtual void setProgressLabel(const std::string& /*text*/) {}
  virtual void setBusy(bool /*busy*/) {}
  // Lets the window draw itself during a long loop on the one thread.
  virtual void repaint() {}
};

// A modal message box with plain information and an OK button.
class MessageBox {
 public:
  virtual ~MessageBox() = default;
  virtual void show(const std::string& text) = 0;
  // A refused file or request. The windows show it as any other box; the
  // command line writes it to standard error.
  virtual void showRefusal(const std::string& text) { show(text); }
};

}  // namespace phreatix
