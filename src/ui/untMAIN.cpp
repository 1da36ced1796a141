#include "untMAIN.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "coupling/completeness.h"
#include "help.h"
#include "pipeline/model_selection.h"
#include "platform/files.h"
#include "results/charts.h"
#include "session/progress_schema.h"
#include "settings/session_settings.h"
#include "untAbout.h"
#include "untBeschrijving.h"
#include "untDefaults.h"
#include "untKoppel.h"
#include "untMeetreeks.h"
#include "untOLGAsub.h"
#include "untPost.h"
#include "untResultaten.h"
#include "untSELECTIE.h"
#include "untZEFTAL.h"
#include "workflow/closing.h"

namespace {

constexpr const char* kDataFileFilter =
    "Grondwaterstanden 2000+ (*.csv)|*.csv|Grondwaterstanden -1999 (*.dat)|*.dat|"
    "Alle bestanden (*.*)|*.*";
constexpr int kSchemaWidth = 330;
constexpr int kSchemaHeight = 240;

QPushButton* button(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QPushButton(QString::fromUtf8(caption), parent);
  b->setObjectName(name);
  return b;
}

QLabel* label(QWidget* parent, const char* name, const char* caption) {
  auto* l = new QLabel(QString::fromUtf8(caption), parent);
  l->setObjectName(name);
  return l;
}

QPlainTextEdit* messageList(QWidget* parent, const char* name) {
  auto* m = new QPlainTextEdit(parent);
  m->setObjectName(name);
  m->setReadOnly(true);
  m->setLineWrapMode(QPlainTextEdit::NoWrap);
  return m;
}

QColor colour(const phreatix::Rgb& c) { return QColor(c.r, c.g, c.b); }

}  // namespace

TfrmMAIN::TfrmMAIN(phreatix::Session& session, QWidget* parent)
    : QMainWindow(parent),
      session_(session),
      messageBox_(this),
      help_(std::make_unique<phreatix::ui::HelpSystem>()),
      schema_(kSchemaWidth, kSchemaHeight) {
  setObjectName("frmMAIN");
  setWindowTitle(QString::fromStdString(session_.caption()));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);

  auto* pre = new QGridLayout;
  btbttnPre = button(central, "btbttnPre", "Opsplitsen");
  Label8 = label(central, "Label8", "van een bestand met DINO-gegevens");
  pre->addWidget(btbttnPre, 0, 0);
  pre->addWidget(Label8, 0, 1);
  layout->addLayout(pre);

  grpbxINPUTS =
      new QGroupBox(QString::fromUtf8(" Instellen van de calibraties/simulaties "), central);
  grpbxINPUTS->setObjectName("grpbxINPUTS");
  auto* inputs = new QGridLayout(grpbxINPUTS);
  btbttnKOPPEL = button(grpbxINPUTS, "btbttnKOPPEL", "Koppelen");
  lblOLGAgeg = label(grpbxINPUTS, "lblOLGAgeg", "van het bestand met DINO-gegevens");
  btbttnDagnummers = button(grpbxINPUTS, "btbttnDagnummers", "Openen");
  lblDagnummers = label(grpbxINPUTS, "lblDagnummers", "bestand met koppeling data/dagnr.");
  btbttnMeteo = button(grpbxINPUTS, "btbttnMeteo", "Koppel het juiste meteobestand aan elke buis");
  btbttnToonKoppeling =
      button(grpbxINPUTS, "btbttnToonKoppeling", "Laat de koppeling buis/meteobestand zien");
  btbttnResetStart = button(grpbxINPUTS, "btbttnResetStart", "Koppelingen opnieuw instellen");
  btbttnDefaults = button(grpbxINPUTS, "btbttnDefaults", "Verander detailinstellingen");
  rdbttnWEL = new QRadioButton(QString::fromUtf8("wel"), grpbxINPUTS);
  rdbttnWEL->setObjectName("rdbttnWEL");
  rdbttnNIET = new QRadioButton(QString::fromUtf8("niet"), grpbxINPUTS);
  rdbttnNIET->setObjectName("rdbttnNIET");
  rdbttnNIET->setChecked(true);
  edtAantal = new QLineEdit("2", grpbxINPUTS);
  edtAantal->setObjectName("edtAantal");
  Label1 = label(grpbxINPUTS, "Label1", "Maximaal");
  Label2 = label(grpbxINPUTS, "Label2", "parallelle ZEFTAL-runs");
  Label3 = label(grpbxINPUTS, "Label3", "Vraag");
  Label4 = label(grpbxINPUTS, "Label4", "nieuwe set ZEFTAL-runs te starten");
  btbttnSTART =
      button(grpbxINPUTS, "btbttnSTART", "Start calibratie>simulatie>trace>postprocessing");
  btbttnSTART->setToolTip(QString::fromUtf8(
      "Simulatie: van 1-1-startjaar t/m 31-12-(startjaar+29) met opwarmperiode gelijk aan "
      "periode in meteofile voor 1-1-startjaar"));
  btbttnRepair = button(grpbxINPUTS, "btbttnRepair", ">Repareren");
  btbttnRepair->setToolTip(QString::fromUtf8(
      "Start simulaties obv calibratiebestanden die in folder worden gevonden (crash-repair)"));
  btbttnPOST = button(grpbxINPUTS, "btbttnPOST", ">Postprocessing tijdreekskarakteristieken");
  btbttnSTARTSIMUL = button(grpbxINPUTS, "btbttnSTARTSIMUL", "Start simulatie");
  btbttnSTARTSIMUL->setToolTip(QString::fromUtf8(
      "van 1-1-1969 t/m 31-12-1998 met opwarmperiode gelijk aan periode in meteofile voor "
      "1-1-1969"));
  inputs->addWidget(btbttnKOPPEL, 0, 0);
  inputs->addWidget(lblOLGAgeg, 0, 1);
  inputs->addWidget(btbttnDagnummers, 1, 0);
  inputs->addWidget(lblDagnummers, 1, 1);
  inputs->addWidget(btbttnMeteo, 2, 0, 1, 2);
  inputs->addWidget(btbttnToonKoppeling, 3, 0, 1, 2);
  inputs->addWidget(btbttnResetStart, 4, 0, 1, 2);
  inputs->addWidget(btbttnDefaults, 5, 0, 1, 2);
  inputs->addWidget(btbttnSTART, 6, 0, 1, 2);
  btbttnSTOP = button(grpbxINPUTS, "btbttnSTOP", "Stoppen na deze buis");
  btbttnSTOP->setEnabled(false);
  inputs->addWidget(btbttnSTOP, 7, 0, 1, 2);
  // Beyond the classic controls: the results of the tubes that finished.
  btbttnResultaten = button(grpbxINPUTS, "btbttnResultaten", "Resultaten");
  btbttnResultaten->setToolTip(
      QString::fromUtf8("Tabel en grafieken van de buizen waarvan de postprocessing klaar is"));
  inputs->addWidget(btbttnResultaten, 8, 0, 1, 2);
  // Controls that no step of the workflow shows.
  for (QWidget* hidden : std::initializer_list<QWidget*>{
           btbttnDagnummers, lblDagnummers, rdbttnWEL, rdbttnNIET, edtAantal, Label1, Label2,
           Label3, Label4, btbttnRepair, btbttnPOST, btbttnSTARTSIMUL}) {
    hidden->hide();
  }
  layout->addWidget(grpbxINPUTS);

  Label7 = label(central, "Label7", "Status");
  imgProgress = new QLabel(central);
  imgProgress->setObjectName("imgProgress");
  imgProgress->setFixedSize(kSchemaWidth, kSchemaHeight);
  layout->addWidget(Label7);
  layout->addWidget(imgProgress);

  lblBuisLees = label(central, "lblBuisLees", "Voortgang inlezen buizen:");
  lblBuisLees->hide();
  Gauge1 = new QProgressBar(central);
  Gauge1->setObjectName("Gauge1");
  Gauge1->setRange(0, 100);
  Gauge1->setValue(0);
  Gauge1->hide();
  // Their place stays when they are hidden: showing them while an export
  // is read made the window grow for good.
  for (QWidget* w : std::initializer_list<QWidget*>{lblBuisLees, Gauge1}) {
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
  }
  layout->addWidget(lblBuisLees);
  layout->addWidget(Gauge1);

  grpbxMeldingen = new QGroupBox(QString::fromUtf8(" Meldingen "), central);
  grpbxMeldingen->setObjectName("grpbxMeldingen");
  auto* messages = new QGridLayout(grpbxMeldingen);
  mmBUIS = messageList(grpbxMeldingen, "mmBUIS");
  mmLOG = messageList(grpbxMeldingen, "mmLOG");
  messages->addWidget(
      new QLabel(QString::fromUtf8("Huidige DINO-buis in bewerking"), grpbxMeldingen), 0, 0);
  messages->addWidget(mmBUIS, 1, 0);
  messages->addWidget(new QLabel(QString::fromUtf8("Meldingen "), grpbxMeldingen), 2, 0);
  messages->addWidget(mmLOG, 3, 0);
  layout->addWidget(grpbxMeldingen, 1);
  setCentralWidget(central);
  resize(700, 680);

  QMenu* helpMenu = menuBar()->addMenu(QString::fromUtf8("Help"));
  helpMenu->addAction(QString::fromUtf8("Help"), this, [this] {
    help_->selectTopic("PHREATIX.TOC000");
    help_->open();
  });
  helpMenu->addAction(QString::fromUtf8("Over Phreatix"), this, [this] { frmAbout_->exec(); });
  // F1 opens the help at the topic the program selected last.
  auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
  connect(f1, &QShortcut::activated, this, [this] { help_->open(); });

  // The windows of the session, in the order the program creates them.
  frmKoppeling_ = new TfrmKoppeling(this);
  frmZEFTAL_ = new TfrmZEFTAL(this);
  frmZEFTAL_->installEventFilter(this);
  frmZEFTAL_->setHelpTopicHandler([this](std::string topic) { help_->selectTopic(topic); });
  frmPost_ = new TfrmPost(this);
  frmPost_->installEventFilter(this);
  frmResultaten_ = new TfrmResultaten(this);
  frmPost_->setHelpTopicHandler([this](std::string topic) { help_->selectTopic(topic); });
  workflow_ = std::make_unique<phreatix::Workflow>(
      session_, phreatix::WorkflowPorts{*this, messageBox_, *frmZEFTAL_, *frmPost_, *this});
  frmSELECTIE_ = new TfrmSELECTIE(session_, workflow_->overview(), this);
  frmMeetreeks_ = new TfrmMeetreeks(session_, this);
  frmOLGAsub_ = new TfrmOLGAsub(session_, frmMeetreeks_, this);
  frmDefaults_ = new TfrmDefaults(
      session_.settings(),
      [this] {
        bool complete = false;
        phreatix::ui::guarded(session_, this, [&] { complete = workflow_->meteoComplete(); });
        return complete;
      },
      this);
  frmAbout_ = new TfrmAbout(this);
  frmBeschrijving_ = new TfrmBeschrijving(this);

  // Repaints the window every 5 seconds while long work runs on the one thread.
  tmtTime = new QTimer(this);
  tmtTime->setObjectName("tmtTime");
  tmtTime->setInterval(5000);
  connect(tmtTime, &QTimer::timeout, this, [this] { QMainWindow::update(); });
  tmtTime->start();

  connect(btbttnPre, &QPushButton::clicked, this, &TfrmMAIN::btbttnPreClick);
  connect(btbttnKOPPEL, &QPushButton::clicked, this, &TfrmMAIN::btbttnKOPPELClick);
  connect(btbttnMeteo, &QPushButton::clicked, this, &TfrmMAIN::btbttnMeteoClick);
  connect(btbttnToonKoppeling, &QPushButton::clicked, this, &TfrmMAIN::btbttnToonKoppelingClick);
  connect(btbttnResetStart, &QPushButton::clicked, this, &TfrmMAIN::btbttnResetStartClick);
  connect(btbttnDefaults, &QPushButton::clicked, this, &TfrmMAIN::btbttnDefaultsClick);
  connect(btbttnSTART, &QPushButton::clicked, this, &TfrmMAIN::btbttnSTARTClick);
  connect(btbttnRepair, &QPushButton::clicked, this, &TfrmMAIN::btbttnRepairClick);
  connect(btbttnSTOP, &QPushButton::clicked, this, &TfrmMAIN::btbttnSTOPClick);
  connect(btbttnResultaten, &QPushButton::clicked, this, &TfrmMAIN::btbttnResultatenClick);

  for (const std::string& line : session_.messages().buis())
    appended(phreatix::MessageListId::kBuis, line);
  for (const std::string& line : session_.messages().log())
    appended(phreatix::MessageListId::kLog, line);
  session_.messages().setSink(this);
  drawSchema();
  showControls();
}

TfrmMAIN::~TfrmMAIN() { session_.messages().setSink(nullptr); }

bool TfrmMAIN::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) {
    // The routine runs when the window is first shown and when it is
    // active again after the engine window had the focus; a closed modal
    // window or message box hands the focus back without it.
    const bool run = !activated_ || engineHadFocus_;
    activated_ = true;
    engineHadFocus_ = false;
    if (run) {
      if (pipelineRunning_) {
        activationWaiting_ = true;
      } else {
        activate();
      }
    }
  }
  return QMainWindow::event(event);
}

bool TfrmMAIN::eventFilter(QObject* watched, QEvent* event) {
  if (watched == frmZEFTAL_ && event->type() == QEvent::WindowActivate) engineHadFocus_ = true;
  if (watched == frmPost_ && event->type() == QEvent::Hide && resultsWaiting_) {
    resultsWaiting_ = false;
    QTimer::singleShot(0, this, [this] { showResults(workflow_->results()); });
  }
  // During a run the windows repaint, move and resize, but of the user's
  // input only what is meant for "Stoppen na deze buis" gets through.
  // A box asked meanwhile (the close question) takes its own input.
  QWidget* modal = QApplication::activeModalWidget();
  const bool inModal = watched->isWidgetType() && modal &&
                       (watched == modal || modal->isAncestorOf(static_cast<QWidget*>(watched)));
  if (pipelineRunning_ && watched->isWidgetType() && watched != btbttnSTOP && !inModal) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Wheel:
      case QEvent::Shortcut:
      case QEvent::ContextMenu:
        return true;
      default:
        break;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TfrmMAIN::activate() {
  phreatix::ui::guarded(session_, this, [this] { session_.activate(); });
  drawSchema();
  showControls();
}

void TfrmMAIN::closeEvent(QCloseEvent* event) {
  if (pipelineRunning_) {
    // Never inside an engine run: the close offers to stop after the tube
    // that runs, and packs once the run has stopped.
    event->ignore();
    if (!closeWaiting_ &&
        phreatix::ui::dialogs().choose(
            this,
            QString::fromUtf8("Er loopt een berekening. Stoppen na deze buis en daarna de "
                              "resultaten inpakken en Phreatix afsluiten?"),
            QString::fromUtf8("Stoppen na deze buis"), QString::fromUtf8("Doorgaan"))) {
      closeWaiting_ = true;
      btbttnSTOPClick();
    }
    return;
  }
  // Closing packs every tube and ends the program: only when the user says so.
  if (!closeConfirmed_ &&
      !phreatix::ui::dialogs().choose(
          this, QString::fromUtf8("Resultaten inpakken en Phreatix afsluiten?"),
          QString::fromUtf8("Inpakken en afsluiten"), QString::fromUtf8("Annuleren"))) {
    event->ignore();
    return;
  }
  phreatix::ui::guarded(session_, this, [this] {
    // As many archivers as the settings give workers.
    phreatix::ArchiverSettings archiver = archiver_;
    archiver.archivers = std::max(archiver.archivers, session_.settings().jobs);
    workflow_->close(archiver);
  });
  phreatix::ui::runFatalStop(session_, 0);
}

void TfrmMAIN::btbttnPreClick() {
  frmOLGAsub_->begin();
  frmOLGAsub_->exec();
}

void TfrmMAIN::btbttnKOPPELClick() {
  const QStringList paths = phreatix::ui::dialogs().openFiles(
      this, QString::fromStdString(session_.workingDir()), phreatix::ui::qtFilter(kDataFileFilter));
  if (paths.isEmpty()) return;
  openDataFiles(paths);
}

void TfrmMAIN::openDataFile(const QString& path) { openDataFiles(QStringList{path}); }

void TfrmMAIN::openDataFiles(const QStringList& paths) {
  std::vector<std::string> files;
  for (const QString& path : paths) files.push_back(path.toStdString());
  phreatix::ui::guarded(session_, this, [&] { workflow_->open(files); });
  showControls();
}

void TfrmMAIN::btbttnMeteoClick() {
  phreatix::ui::guarded(session_, this, [this] {
    frmSELECTIE_->begin(workflow_->tubeList());
    frmSELECTIE_->exec();
    showCoupling();
    workflow_->checkCoupling();
  });
  frmDefaults_->setSessionFieldsEnabled(session_.controls().sessionSettings);
  showControls();
}

void TfrmMAIN::btbttnToonKoppelingClick() { showCoupling(); }

void TfrmMAIN::showCoupling() {
  // Stress files belong to the extended models: only there can they be chosen.
  if (session_.settings().model == phreatix::ModelFamily::kUitgebreid) {
    frmKoppeling_->showOverviewWithStress(workflow_->overview(), session_.workingDir());
  } else {
    frmKoppeling_->showOverview(workflow_->overview());
  }
  frmKoppeling_->exec();
}

void TfrmMAIN::btbttnResetStartClick() {
  workflow_->reset(*this);
  frmDefaults_->setSessionFieldsEnabled(session_.controls().sessionSettings);
  showControls();
}

void TfrmMAIN::btbttnDefaultsClick() {
  // A changed period may have made the meteo files incomplete or complete;
  // cancelled, every setting is as it was and the check has been said.
  if (frmDefaults_->exec() == QDialog::Accepted) {
    phreatix::ui::guarded(session_, this, [this] { workflow_->checkCoupling(); });
  }
  showControls();
}

void TfrmMAIN::btbttnSTARTClick() { runPipeline(false); }
void TfrmMAIN::btbttnRepairClick() { runPipeline(true); }

void TfrmMAIN::btbttnSTOPClick() {
  workflow_->requestStop();
  btbttnSTOP->setEnabled(false);
  btbttnSTOP->setText(QString::fromUtf8("Stopt na deze buis..."));
}

void TfrmMAIN::btbttnResultatenClick() {
  phreatix::DataSetResults results;
  if (!phreatix::ui::guarded(
          session_, this, [&] { results = phreatix::readResults(session_.workingDir(), true); })) {
    return;
  }
  showResults(results);
}

void TfrmMAIN::showResults(const phreatix::DataSetResults& results) {
  const std::string dir = session_.workingDir();
  frmResultaten_->showResults(
      results, [dir](const phreatix::TubeResult& tube) { return phreatix::tubeCharts(dir, tube); });
  frmResultaten_->show();
  frmResultaten_->raise();
  frmResultaten_->activateWindow();
}

void TfrmMAIN::runPipeline(bool repair) {
  pipelineRunning_ = true;
  qApp->installEventFilter(this);
  btbttnSTOP->setText(QString::fromUtf8("Stoppen na deze buis"));
  btbttnSTOP->setEnabled(true);
  if (!repair) drawSchema();
  phreatix::ui::guarded(session_, this, [&] {
    if (repair) {
      workflow_->repair();
    } else {
      workflow_->start();
    }
  });
  pipelineRunning_ = false;
  qApp->removeEventFilter(this);
  btbttnSTOP->setEnabled(false);
  // Stopped on request: the coupling stands, and Start can be pressed again.
  if (session_.stopRequested()) {
    phreatix::ui::guarded(session_, this, [this] { workflow_->checkCoupling(); });
  }
  frmZEFTAL_->hide();
  setBusy(false);
  showControls();
  if (closeWaiting_) {
    // Asked during the run: the user chose to close then.
    closeWaiting_ = false;
    closeConfirmed_ = true;
    close();
    return;
  }
  if (activationWaiting_) {
    activationWaiting_ = false;
    activate();
  }
  // The run's report: what the user came for. The post-processing window
  // stays on top until the user closes it; the results come after it.
  if (!workflow_->results().tubes.empty()) {
    if (frmPost_->isVisible()) {
      resultsWaiting_ = true;
    } else {
      showResults(workflow_->results());
    }
  }
}

void TfrmMAIN::showControls() {
  const phreatix::MainControls& c = session_.controls();
  setWindowTitle(QString::fromStdString(session_.caption()));
  btbttnPre->setEnabled(c.btbttnPre);
  Label8->setEnabled(c.Label8);
  btbttnKOPPEL->setEnabled(c.btbttnKOPPEL);
  lblOLGAgeg->setEnabled(c.lblOLGAgeg);
  btbttnDagnummers->setEnabled(c.btbttnDagnummers);
  lblDagnummers->setEnabled(c.lblDagnummers);
  btbttnMeteo->setEnabled(c.btbttnMeteo);
  btbttnToonKoppeling->setEnabled(c.btbttnToonKoppeling);
  btbttnResetStart->setEnabled(c.btbttnResetStart);
  btbttnDefaults->setEnabled(c.btbttnDefaults);
  btbttnSTART->setEnabled(c.btbttnSTART);
  btbttnRepair->setEnabled(c.btbttnRepair);
  btbttnPOST->setEnabled(c.btbttnPOST);
  btbttnSTARTSIMUL->setEnabled(c.btbttnSTARTSIMUL);
  // Once a tube's post-processing has finished there is something to show;
  // during a run only "Stoppen na deze buis" takes input.
  btbttnResultaten->setEnabled(
      !pipelineRunning_ &&
      phreatix::fileExists(phreatix::joinPath(session_.workingDir(), phreatix::kModselName)));
  for (QWidget* w : std::initializer_list<QWidget*>{rdbttnWEL, rdbttnNIET, Label3, Label4}) {
    w->setEnabled(c.parallelRuns);
  }
  for (QWidget* w : std::initializer_list<QWidget*>{edtAantal, Label1, Label2}) {
    w->setEnabled(c.parallelCount);
  }
}

void TfrmMAIN::drawSchema() {
  schema_.fill(palette().color(QPalette::Button));
  paintPrimitives(phreatix::drawSchema(session_.stageFlags()));
}

void TfrmMAIN::showStage() { paintPrimitives(phreatix::updateSchema(session_.stageFlags())); }

void TfrmMAIN::controlsChanged() { showControls(); }

void TfrmMAIN::stageChanged() {
  showStage();
  repaint();
}

void TfrmMAIN::paintPrimitives(const std::vector<phreatix::DrawPrimitive>& primitives) {
  QPainter painter(&schema_);
  painter.setRenderHint(QPainter::Antialiasing, false);
  QFont font = painter.font();
  font.setPointSize(8);
  painter.setFont(font);
  for (const phreatix::DrawPrimitive& p : primitives) {
    using Kind = phreatix::DrawPrimitive::Kind;
    const QRect box(QPoint(p.x1, p.y1), QPoint(p.x2, p.y2));
    switch (p.kind) {
      case Kind::kSquare:
      case Kind::kCircle:
        painter.setPen(QPen(colour(p.pen), 2));
        painter.setBrush(colour(p.fill));
        if (p.kind == Kind::kSquare) {
          painter.drawRect(box);
        } else {
          painter.drawEllipse(box);
        }
        break;
      case Kind::kLine:
        painter.setPen(QPen(colour(p.pen), 2));
        painter.drawLine(p.x1, p.y1, p.x2, p.y2);
        break;
      case Kind::kText:
        painter.setPen(Qt::black);
        painter.drawText(QRect(p.x1, p.y1, kSchemaWidth - p.x1, 14), Qt::AlignLeft | Qt::AlignTop,
                         QString::fromStdString(p.text));
        break;
    }
  }
  painter.end();
  imgProgress->setPixmap(schema_);
}

void TfrmMAIN::appended(phreatix::MessageListId list, const std::string& line) {
  QPlainTextEdit* target = list == phreatix::MessageListId::kBuis  ? mmBUIS
                           : list == phreatix::MessageListId::kLog ? mmLOG
                                                                   : nullptr;
  if (target) target->appendPlainText(QString::fromStdString(line));
}

void TfrmMAIN::cleared(phreatix::MessageListId list) {
  if (list == phreatix::MessageListId::kBuis) mmBUIS->clear();
  if (list == phreatix::MessageListId::kLog) mmLOG->clear();
}

void TfrmMAIN::showGauge(bool visible) { Gauge1->setVisible(visible); }
void TfrmMAIN::setGauge(int percent) { Gauge1->setValue(percent); }
void TfrmMAIN::showProgressLabel(bool visible) { lblBuisLees->setVisible(visible); }
void TfrmMAIN::setProgressLabel(const std::string& text) {
  lblBuisLees->setText(QString::fromStdString(text));
}

void TfrmMAIN::setBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  }
}

// During a run the clicks on "Stoppen na deze buis" must arrive: user input
// is delivered, and the event filter lets only that button's through.
void TfrmMAIN::repaint() {
  phreatix::ui::throttledRepaint(sinceRepaint_, phreatix::ui::kRepaintIntervalMs, pipelineRunning_);
}

void TfrmMAIN::showHelpTopic(const std::string& topic) { help_->selectTopic(topic); }
