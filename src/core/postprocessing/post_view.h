// What the post-processing shows: the window frmPost (a grid of one row per
// tube, the message label lblMeld, a gauge, its caption) through PostView.
// The main window's gauge and label go through report/ports.h.
#pragma once

#include <string>

namespace phreatix {

inline constexpr int kPostGridColumns = 6;
// The title row of strgrdPost.
extern const char* const kPostGridTitles[kPostGridColumns];

class PostView {
 public:
  virtual ~PostView() = default;
  virtual void setCaption(const std::string& /*caption*/) {}
  virtual void show() {}
  // Rows including the title row.
  virtual void setRowCount(int /*rows*/) {}
  virtual void setCell(int /*row*/, int /*column*/, const std::string& /*text*/) {}
  // Row `row` is complete (its outcome columns are filled).
  virtual void rowFinished(int /*row*/) {}
  // The caption of lblMeld (ShowPostMessage).
  virtual void setMessage(const std::string& /*text*/) {}
  virtual void showGauge(bool /*visible*/) {}
  virtual void setGauge(int /*percent*/) {}
  // The batch has finished: btbttnSTOPPOST enabled, the window on top.
  virtual void finished() {}
  virtual void repaint() {}
  virtual void showHelpTopic(const std::string& /*topic*/) {}
};

}  // namespace phreatix
