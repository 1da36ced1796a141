// The splitting window TfrmOLGAsub ("Opsplitsing DINO-bestand"): splits a
// DINO export into sessions sized to the disk space, in six numbered steps.
// The logic is Splitter of preprocessor/splitter.h; the visual assessment of
// step 3 is the window TfrmMeetreeks.
#pragma once

#include <string>

#include <QDialog>
#include <QElapsedTimer>

#include "dialogs.h"
#include "preprocessor/splitter.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTableWidget;
class TfrmMeetreeks;

namespace phreatix {
class Session;
}

class TfrmOLGAsub : public QDialog, private phreatix::SplitterView {
  Q_OBJECT

 public:
  TfrmOLGAsub(phreatix::Session& session, TfrmMeetreeks* assessment, QWidget* parent = nullptr);
  ~TfrmOLGAsub() override;

  // The activation of an opening, before exec().
  void begin();
  const phreatix::Splitter& splitter() const { return splitter_; }

  QPushButton* btbttnOpen;
  QLineEdit* edtY;
  QPushButton* btbttnOK;
  QLabel* lblMAX;  // available megabytes
  QLabel* lblZ;    // tubes per session
  QLabel* lblS;    // sessions
  QPushButton* btbttnTrash;
  QCheckBox* chckbxAUTODEL;
  QPushButton* bttnNODEL;
  QListWidget* lstbxOLGAsub;
  QListWidget* lstbxTrash;
  QPushButton* btbttnAUTO;
  QTableWidget* strgrdOLGAsub;
  QPushButton* btbttnReset;
  QPushButton* btbttnSAVE;
  QProgressBar* Gauge1;
  QLabel* lblfile;
  QStatusBar* StatusBar1;

 public slots:
  void btbttnOpenClick();
  void edtYChange(const QString& text);
  void btbttnOKClick();
  void btbttnTrashClick();
  void bttnNODELClick();
  void btbttnAUTOClick();
  void btbttnResetClick();
  void btbttnSAVEClick();
  void chckbxAUTODELClick();

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // SplitterView
  void setStatus(const std::string& text) override;
  void showGauge(bool visible) override;
  void setGauge(int percent) override;
  void showFileLabel(bool visible) override;
  void setFileLabel(const std::string& text) override;
  void repaint() override;

  long long availableMegabytes() const;
  void showState();
  void showTable();

  phreatix::Session& session_;
  TfrmMeetreeks* frmMeetreeks_;
  phreatix::ui::DialogMessageBox messageBox_;
  phreatix::Splitter splitter_;
  QElapsedTimer sinceRepaint_;
};
