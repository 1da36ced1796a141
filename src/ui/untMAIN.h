// The main window TfrmMAIN: the program. Holds the session, the coupling
// overview, the engine and the post-processor, and every window of the
// workflow; each handler forwards to the core and shows the controls as the
// session has set them.
#pragma once

#include <memory>
#include <string>

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPixmap>

#include "coupling/coupling.h"
#include "dialogs.h"
#include "engine/engine_run.h"
#include "frontend.h"
#include "pipeline/pipeline.h"
#include "postprocessing/karakt.h"
#include "results/tube_results.h"
#include "session/progress_schema.h"
#include "session/session.h"
#include "workflow/closing.h"
#include "workflow/workflow.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;
class TfrmAbout;
class TfrmBeschrijving;
class TfrmDefaults;
class TfrmKoppeling;
class TfrmMeetreeks;
class TfrmOLGAsub;
class TfrmPost;
class TfrmResultaten;
class TfrmSELECTIE;
class TfrmZEFTAL;

namespace phreatix::ui {
class HelpSystem;
}

class TfrmMAIN : public QMainWindow,
                 private phreatix::MessageSink,
                 private phreatix::ProgressView,
                 private phreatix::PipelineObserver {
  Q_OBJECT

 public:
  explicit TfrmMAIN(phreatix::Session& session, QWidget* parent = nullptr);
  ~TfrmMAIN() override;

  // Opens a data file as after the file dialog of "Koppelen".
  void openDataFile(const QString& path);
  // Several exports as one data set, as chosen together in that dialog.
  void openDataFiles(const QStringList& paths);
  // The activation routine.
  void activate();
  // The archiver the closing sequence starts (zip unless a test sets another).
  void setArchiver(const phreatix::ArchiverSettings& archiver) { archiver_ = archiver; }
  // The schema's nodes in the colours of the stage flags now.
  void showStage();
  // The schema as drawn now, for the window tests.
  const QPixmap& schema() const { return schema_; }
  const phreatix::CouplingOverview& overview() const { return workflow_->overview(); }
  TfrmSELECTIE* selectionWindow() const { return frmSELECTIE_; }
  TfrmKoppeling* overviewWindow() const { return frmKoppeling_; }
  TfrmDefaults* settingsWindow() const { return frmDefaults_; }
  TfrmZEFTAL* engineWindow() const { return frmZEFTAL_; }
  TfrmPost* postWindow() const { return frmPost_; }
  TfrmOLGAsub* splittingWindow() const { return frmOLGAsub_; }
  TfrmMeetreeks* assessmentWindow() const { return frmMeetreeks_; }
  TfrmResultaten* resultsWindow() const { return frmResultaten_; }

  QPushButton* btbttnPre;
  QLabel* Label8;
  QGroupBox* grpbxINPUTS;
  QPushButton* btbttnKOPPEL;
  QLabel* lblOLGAgeg;
  QPushButton* btbttnDagnummers;
  QLabel* lblDagnummers;
  QPushButton* btbttnMeteo;
  QPushButton* btbttnToonKoppeling;
  QPushButton* btbttnResetStart;
  QPushButton* btbttnDefaults;
  QRadioButton* rdbttnWEL;
  QRadioButton* rdbttnNIET;
  QLineEdit* edtAantal;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QPushButton* btbttnSTART;
  // "Stoppen na deze buis": the one control that takes a click during a run.
  QPushButton* btbttnSTOP;
  QPushButton* btbttnResultaten;
  QPushButton* btbttnRepair;
  QPushButton* btbttnPOST;
  QPushButton* btbttnSTARTSIMUL;
  QLabel* Label7;
  QLabel* imgProgress;
  QLabel* lblBuisLees;
  QProgressBar* Gauge1;
  QGroupBox* grpbxMeldingen;
  QPlainTextEdit* mmBUIS;
  QPlainTextEdit* mmLOG;
  QTimer* tmtTime;

 public slots:
  void btbttnPreClick();
  void btbttnKOPPELClick();
  void btbttnMeteoClick();
  void btbttnToonKoppelingClick();
  void btbttnResetStartClick();
  void btbttnDefaultsClick();
  void btbttnSTARTClick();
  void btbttnRepairClick();
  void btbttnSTOPClick();
  void btbttnResultatenClick();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Closing the main window ends the program: packing, clean-up, exit window.
  void closeEvent(QCloseEvent* event) override;

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
  // PipelineObserver
  void showHelpTopic(const std::string& topic) override;
  void stageChanged() override;
  void controlsChanged() override;

  void showControls();
  // The coupling overview, with the choice of stress files under Model:
  // uitgebreid.
  void showCoupling();
  void drawSchema();
  void paintPrimitives(const std::vector<phreatix::DrawPrimitive>& primitives);
  // Runs a pipeline step; activations and a close that arrive meanwhile
  // wait until it has returned.
  void runPipeline(bool repair);
  // The results window with `results`, on top.
  void showResults(const phreatix::DataSetResults& results);

  phreatix::Session& session_;
  phreatix::ui::DialogMessageBox messageBox_;
  std::unique_ptr<phreatix::ui::HelpSystem> help_;
  TfrmKoppeling* frmKoppeling_;
  TfrmSELECTIE* frmSELECTIE_;
  TfrmZEFTAL* frmZEFTAL_;
  TfrmPost* frmPost_;
  TfrmOLGAsub* frmOLGAsub_;
  TfrmMeetreeks* frmMeetreeks_;
  TfrmResultaten* frmResultaten_;
  TfrmDefaults* frmDefaults_;
  TfrmAbout* frmAbout_;
  TfrmBeschrijving* frmBeschrijving_;
  // The session's workflow, made once the windows it reports through exist.
  std::unique_ptr<phreatix::Workflow> workflow_;
  phreatix::ArchiverSettings archiver_;
  QPixmap schema_;
  QElapsedTimer sinceRepaint_;
  bool activated_ = false;
  bool engineHadFocus_ = false;
  bool pipelineRunning_ = false;
  bool activationWaiting_ = false;
  // The run's results, shown once the post-processing window is closed.
  bool resultsWaiting_ = false;
  bool closeWaiting_ = false;
  bool closeConfirmed_ = false;
};
