// The assessment window TfrmMeetreeks: shows the measured series of every
// tube of the splitting window's list as a chart, one tube at a time, and
// takes the user's judgement: reject it, or accept it from the track bar's
// date on. The logic is Assessment of preprocessor/assessment.h; this window
// draws its chart items and saves the picture.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QDialog>
#include <QImage>
#include <QSlider>

#include "preprocessor/assessment.h"

class QLabel;
class QPushButton;
class QStatusBar;

namespace phreatix {
class Session;
}

// The track bar: positions 0..1000, the part from the position to the end
// shown as the blue selection.
class TfrmMeetreeksTrackBar : public QSlider {
 public:
  explicit TfrmMeetreeksTrackBar(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class TfrmMeetreeks : public QDialog, private phreatix::ChartSaver {
  Q_OBJECT

 public:
  explicit TfrmMeetreeks(phreatix::Session& session, QWidget* parent = nullptr);
  ~TfrmMeetreeks() override;

  // Runs the assessment over the tube list, modally; returns when the last
  // tube has been judged or the user closed the window. `flags` are the
  // acceptance flags by list position.
  void run(phreatix::WorkingCopy& copy, const std::vector<std::string>& tubes,
           std::vector<bool>& flags, const std::string& workingDir);

  // The chart as drawn now.
  const QImage& chart() const { return image_; }
  // Draws chart items on a white 550 x 350 image.
  static QImage renderChart(const std::vector<phreatix::ChartItem>& items);

  QLabel* imgChart;
  TfrmMeetreeksTrackBar* trckbrSTART;
  QLabel* lblGereed;
  QPushButton* btbttnFALSE;
  QPushButton* btbttnTRUE;
  QLabel* lblACCSTART;
  QLabel* lblACCEND;
  QStatusBar* StatusBar1;

 public slots:
  void btbttnTRUEClick();
  void btbttnFALSEClick();
  void trckbrSTARTChange(int position);

 protected:
  bool event(QEvent* event) override;

 private:
  void saveChart(const std::string& path) override;
  void showTube();
  void next();

  phreatix::Session& session_;
  std::unique_ptr<phreatix::Assessment> assessment_;
  QImage image_;
  bool showing_ = false;
};
