#include "untMAIN.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "session/closing.h"
#include "settings/session_settings.h"

namespace {

constexpr const char* kDataFileFilter =
    "Grondwaterstanden 2000+ (*.csv)|*.csv|Grondwaterstanden -1999 (*.dat)|*.dat|"
    "Alle bestanden (*.*)|*.*";

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

}  // namespace

TfrmMAIN::TfrmMAIN(phreatix::Session& session, QWidget* parent)
    : QMainWindow(parent), session_(session), qtMessageBox_(this), messageBox_(&qtMessageBox_) {
  setObjectName("frmMAIN");
  setWindowTitle(QString::fromStdString(session_.caption()));
  // Only the system menu and the minimise button.
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
  btbttnMeteo = button(grpbxINPUTS, "btbttnMeteo", "Koppel het juiste meteobestand aan elke buis");
  btbttnToonKoppeling =
      button(grpbxINPUTS, "btbttnToonKoppeling", "Laat de koppeling buis/meteobestand zien");
  btbttnResetStart = button(grpbxINPUTS, "btbttnResetStart", "Koppelingen opnieuw instellen");
  btbttnDefaults = button(grpbxINPUTS, "btbttnDefaults", "Verander detailinstellingen");
  btbttnSTART =
      button(grpbxINPUTS, "btbttnSTART", "Start calibratie>simulatie>trace>postprocessing");
  btbttnSTART->setToolTip(QString::fromUtf8(
      "Simulatie: van 1-1-startjaar t/m 31-12-(startjaar+29) met opwarmperiode gelijk aan "
      "periode in meteofile voor 1-1-startjaar"));
  inputs->addWidget(btbttnKOPPEL, 0, 0);
  inputs->addWidget(lblOLGAgeg, 0, 1);
  inputs->addWidget(btbttnMeteo, 1, 0, 1, 2);
  inputs->addWidget(btbttnToonKoppeling, 2, 0, 1, 2);
  inputs->addWidget(btbttnResetStart, 3, 0, 1, 2);
  inputs->addWidget(btbttnDefaults, 4, 0, 1, 2);
  inputs->addWidget(btbttnSTART, 5, 0, 1, 2);
  layout->addWidget(grpbxINPUTS);

  lblBuisLees = label(central, "lblBuisLees", "Voortgang inlezen buizen:");
  lblBuisLees->hide();
  Gauge1 = new QProgressBar(central);
  Gauge1->setObjectName("Gauge1");
  Gauge1->setRange(0, 100);
  Gauge1->setValue(0);
  Gauge1->hide();
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
  resize(640, 720);

  // Repaints the window every 5 seconds while long work runs on the one thread.
  tmtTime = new QTimer(this);
  tmtTime->setObjectName("tmtTime");
  tmtTime->setInterval(5000);
  connect(tmtTime, &QTimer::timeout, this, [this] { QMainWindow::repaint(); });
  tmtTime->start();

  connect(btbttnKOPPEL, &QPushButton::clicked, this, &TfrmMAIN::btbttnKOPPELClick);

  for (const std::string& line : session_.messages().buis())
    appended(phreatix::MessageListId::kBuis, line);
  for (const std::string& line : session_.messages().log())
    appended(phreatix::MessageListId::kLog, line);
  session_.messages().setSink(this);
  showControls();
}

TfrmMAIN::~TfrmMAIN() { session_.messages().setSink(nullptr); }

void TfrmMAIN::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!activated_) {
    activated_ = true;
    activate();
  }
}

void TfrmMAIN::closeEvent(QCloseEvent* /*event*/) { phreatix::ui::runFatalStop(session_, 0); }

void TfrmMAIN::activate() {
  phreatix::ui::guarded(session_, this, [this] { session_.activate(); });
  showControls();
}

void TfrmMAIN::btbttnKOPPELClick() {
  QString path =
      QFileDialog::getOpenFileName(this, QString(), QString::fromStdString(session_.workingDir()),
                                   phreatix::ui::qtFilter(kDataFileFilter));
  if (path.isEmpty()) return;
  openDataFile(path);
}

void TfrmMAIN::openDataFile(const QString& path) {
  phreatix::ui::guarded(session_, this,
                        [&] { session_.openDataFile(path.toStdString(), *this, *messageBox_); });
  showControls();
}

void TfrmMAIN::showControls() {
  const phreatix::MainControls& c = session_.controls();
  setWindowTitle(QString::fromStdString(session_.caption()));
  btbttnPre->setEnabled(c.btbttnPre);
  Label8->setEnabled(c.btbttnPre);
  btbttnKOPPEL->setEnabled(c.btbttnKOPPEL);
  lblOLGAgeg->setEnabled(c.btbttnKOPPEL);
  btbttnMeteo->setEnabled(c.btbttnMeteo);
  btbttnToonKoppeling->setEnabled(c.btbttnToonKoppeling);
  btbttnResetStart->setEnabled(c.btbttnResetStart);
  btbttnDefaults->setEnabled(c.btbttnDefaults);
  btbttnSTART->setEnabled(c.btbttnSTART);
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
    QApplication::restoreOverrideCursor();
  }
}

void TfrmMAIN::repaint() {
  // Draw what changed without letting the user start anything meanwhile.
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
