// The main window TfrmMAIN: the workflow buttons, the reading progress and
// the two message lists. It holds the program's Session and forwards each
// action to it.
#pragma once

#include <memory>
#include <string>

#include <QMainWindow>

#include "frontend.h"
#include "session/session.h"

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

class TfrmMAIN : public QMainWindow, private phreatix::MessageSink, private phreatix::ProgressView {
  Q_OBJECT

 public:
  explicit TfrmMAIN(phreatix::Session& session, QWidget* parent = nullptr);
  ~TfrmMAIN() override;

  // The message boxes of core code; a test puts its own in place.
  void setMessageBox(phreatix::MessageBox* box) { messageBox_ = box; }

  // Opens a data file as after the file dialog of "Koppelen".
  void openDataFile(const QString& path);
  // The activation routine's session part, then the controls shown anew.
  void activate();

  QPushButton* btbttnPre;
  QLabel* Label8;
  QGroupBox* grpbxINPUTS;
  QPushButton* btbttnKOPPEL;
  QLabel* lblOLGAgeg;
  QPushButton* btbttnMeteo;
  QPushButton* btbttnToonKoppeling;
  QPushButton* btbttnResetStart;
  QPushButton* btbttnDefaults;
  QPushButton* btbttnSTART;
  QLabel* lblBuisLees;
  QProgressBar* Gauge1;
  QGroupBox* grpbxMeldingen;
  QPlainTextEdit* mmBUIS;
  QPlainTextEdit* mmLOG;
  QTimer* tmtTime;

 protected:
  void showEvent(QShowEvent* event) override;
  // Closing the main window ends the program.
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void btbttnKOPPELClick();

 private:
  // MessageSink
  void appended(phreatix::MessageListId list, const std::string& line) override;
  void cleared(phreatix::MessageListId list) override;
  // ProgressView
  void showGauge(bool visible) override;
  void setGauge(int percent) override;
  void showProgressLabel(bool visible) override;
  void setProgressLabel(const std::string& text) override;
  void setBusy(bool busy) override;
  void repaint() override;

  void showControls();

  phreatix::Session& session_;
  phreatix::ui::QtMessageBox qtMessageBox_;
  phreatix::MessageBox* messageBox_;
  bool activated_ = false;
};
