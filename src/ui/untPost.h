// The post-processing window TfrmPost (frmPost): one grid row per tube with
// what became of its five output files, the latest progress text in lblMeld,
// the gauge of the duration line and the correlogram, and the button that
// closes the window once the batch has finished. The batch draws on it
// through PostView.
#pragma once

#include <functional>
#include <string>

#include <QDialog>
#include <QElapsedTimer>

#include "postprocessing/post_view.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

class TfrmPost : public QDialog, public phreatix::PostView {
  Q_OBJECT

 public:
  explicit TfrmPost(QWidget* parent = nullptr);

  // Who shows help topics: "PHREATIX._P_001" when the batch starts,
  // "PHREATIX.AP_001" when btbttnSTOPPOST closes the window (the owner also
  // sets its own help context then). Without one nothing happens.
  void setHelpTopicHandler(std::function<void(std::string)> handler) {
    helpTopic_ = std::move(handler);
  }

  // The activation routine: the six grid titles.
  void activate();

  // A cell as the batch addresses it: row 0 is the title row (the grid's
  // header), row n the n-th tube.
  QString cell(int row, int column) const;

  // PostView. Every content change reaches the controls at once; repaint
  // draws at most about 20 times a second.
  void setCaption(const std::string& caption) override;
  void show() override;
  // A new batch: also disables btbttnSTOPPOST until finished().
  void setRowCount(int rows) override;
  void setCell(int row, int column, const std::string& text) override;
  void rowFinished(int row) override;
  void setMessage(const std::string& text) override;
  void showGauge(bool visible) override;
  void setGauge(int percent) override;
  void finished() override;
  void repaint() override;
  void showHelpTopic(const std::string& topic) override;

  QLabel* lblUitvoer;  // "uitvoerbestand met:" over the five output columns
  QTableWidget* strgrdPost;
  QLabel* lblMeld;
  QProgressBar* Gauge1;
  QPushButton* btbttnSTOPPOST;

 public slots:
  // "Afsluiten postprocessingsmodule": help topic "PHREATIX.AP_001", then
  // the window closes.
  void btbttnSTOPPOSTClick();

 protected:
  void showEvent(QShowEvent* event) override;
  // Escape does not close the window: only btbttnSTOPPOST does.
  void reject() override {}

 private:
  std::function<void(std::string)> helpTopic_;
  QElapsedTimer sinceRepaint_;
};
