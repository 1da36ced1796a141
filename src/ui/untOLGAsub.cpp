#include "untOLGAsub.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTableWidget>
#include <QVBoxLayout>

#include "frontend.h"
#include "platform/files.h"
#include "session/session.h"
#include "untMeetreeks.h"

namespace {

constexpr const char* kDataFileFilter =
    "Grondwaterstanden 2000+ (*.csv)|*.csv|Grondwaterstanden -1999 (*.dat)|*.dat|"
    "Alle bestanden (*.*)|*.*";
constexpr const char* kAssessHint = "Druk op de knop om alle OLGA-buizen visueel te beoordelen";
constexpr const char* kOpenHint = "Kies het DINO-bestand dat in sessies wordt opgesplitst";
constexpr const char* kTrashHint =
    "Verplaats de geselecteerde buizen naar de lijst met verwijderde buizen";

QPushButton* button(QWidget* parent, const char* name, const char* caption, const char* hint) {
  auto* b = new QPushButton(QString::fromUtf8(caption), parent);
  b->setObjectName(name);
  b->setStatusTip(QString::fromUtf8(hint));
  return b;
}

QLabel* text(QWidget* parent, const char* caption) {
  return new QLabel(QString::fromUtf8(caption), parent);
}

QListWidget* tubeList(QWidget* parent, const char* name) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  return list;
}

}  // namespace

TfrmOLGAsub::TfrmOLGAsub(phreatix::Session& session, TfrmMeetreeks* assessment, QWidget* parent)
    : QDialog(parent),
      session_(session),
      frmMeetreeks_(assessment),
      messageBox_(this),
      splitter_(session.workingDir(), *this, messageBox_) {
  setObjectName("frmOLGAsub");
  setWindowTitle(QString::fromUtf8("Opsplitsing DINO-bestand"));
  setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
  setModal(true);

  auto* layout = new QVBoxLayout(this);
  auto* steps = new QGridLayout;
  layout->addLayout(steps);

  btbttnOpen = button(this, "btbttnOpen", "DINO-bestand openen", kOpenHint);
  steps->addWidget(text(this, "Stap 1"), 0, 0);
  steps->addWidget(btbttnOpen, 0, 1, 1, 2);

  edtY = new QLineEdit(this);
  edtY->setObjectName("edtY");
  edtY->setMinimumWidth(90);
  edtY->setStatusTip(
      QString::fromUtf8("Schijfruimte in MByte voor 1 sessie; elke buis neemt 60 MByte in beslag"));
  btbttnOK = button(this, "btbttnOK", "OK", "Bevestig de schijfruimte voor 1 sessie");
  lblMAX = new QLabel(this);
  lblMAX->setObjectName("lblMAX");
  lblZ = new QLabel(this);
  lblZ->setObjectName("lblZ");
  lblS = new QLabel(this);
  lblS->setObjectName("lblS");
  auto* disk = new QGridLayout;
  disk->addWidget(text(this, "Ingestelde schijfruimte voor 1 sessie ="), 0, 0);
  disk->addWidget(edtY, 0, 1);
  disk->addWidget(btbttnOK, 0, 2);
  disk->addWidget(text(this, "MByte, maximaal beschikbaar = "), 0, 3);
  disk->addWidget(lblMAX, 0, 4);
  disk->addWidget(text(this, "-> Aantal buizen voor 1 sessie ="), 1, 0);
  disk->addWidget(lblZ, 1, 1);
  disk->addWidget(text(this, "-> Aantal sessies voor alle buizen ="), 2, 0);
  disk->addWidget(lblS, 2, 1);
  steps->addWidget(text(this, "Stap 2"), 1, 0);
  steps->addLayout(disk, 1, 1, 1, 2);

  btbttnTrash = button(this, "btbttnTrash", "Buis verwijderen uit basisbestand", kTrashHint);
  chckbxAUTODEL =
      new QCheckBox(QString::fromUtf8("via visuele beoordeling (alle meetreeksen)"), this);
  chckbxAUTODEL->setObjectName("chckbxAUTODEL");
  chckbxAUTODEL->setChecked(true);
  chckbxAUTODEL->setStatusTip(QString::fromUtf8(
      "Beoordeel alle meetreeksen in een grafiek; afgekeurde buizen worden verwijderd"));
  bttnNODEL = button(this, "bttnNODEL", "<<", "Zet de geselecteerde verwijderde buizen terug");
  lstbxOLGAsub = tubeList(this, "lstbxOLGAsub");
  lstbxTrash = tubeList(this, "lstbxTrash");
  lstbxOLGAsub->setMinimumHeight(220);
  lstbxTrash->setMinimumHeight(220);
  auto* lists = new QGridLayout;
  lists->addWidget(text(this, "Buizen in DINO-bestand"), 0, 0);
  lists->addWidget(text(this, "Verwijderde buizen"), 0, 2);
  lists->addWidget(lstbxOLGAsub, 1, 0, 3, 1);
  lists->addWidget(btbttnTrash, 1, 1);
  lists->addWidget(chckbxAUTODEL, 2, 1);
  lists->addWidget(bttnNODEL, 3, 1);
  lists->addWidget(lstbxTrash, 1, 2, 3, 1);
  steps->addWidget(text(this, "Stap 3"), 2, 0);
  steps->addLayout(lists, 2, 1, 1, 2);

  btbttnAUTO = button(this, "btbttnAUTO", "Automatische opsplitsing basisbestand",
                      "Verdeel de buizen in volgorde van de lijst over de sessies");
  steps->addWidget(text(this, "Stap 4"), 3, 0);
  steps->addWidget(btbttnAUTO, 3, 1, 1, 2);
  strgrdOLGAsub = new QTableWidget(this);
  strgrdOLGAsub->setObjectName("strgrdOLGAsub");
  strgrdOLGAsub->setEditTriggers(QAbstractItemView::NoEditTriggers);
  strgrdOLGAsub->horizontalHeader()->hide();
  strgrdOLGAsub->verticalHeader()->hide();
  strgrdOLGAsub->setMinimumHeight(160);
  steps->addWidget(text(this, "Geselecteerde buizen en onderverdeling in deelbestanden"), 4, 1, 1,
                   2);
  steps->addWidget(strgrdOLGAsub, 5, 1, 1, 2);

  btbttnReset = button(this, "btbttnReset", "Opnieuw beginnen",
                       "Begin opnieuw met het openen van een DINO-bestand");
  steps->addWidget(text(this, "Stap 5"), 6, 0);
  steps->addWidget(btbttnReset, 6, 1, 1, 2);
  btbttnSAVE = button(this, "btbttnSAVE", "Resultaatbestanden bewaren",
                      "Schrijf een DINO-bestand per sessie en een met de verwijderde buizen");
  steps->addWidget(text(this, "Stap 6"), 7, 0);
  steps->addWidget(btbttnSAVE, 7, 1, 1, 2);

  Gauge1 = new QProgressBar(this);
  Gauge1->setObjectName("Gauge1");
  Gauge1->setRange(0, 100);
  Gauge1->hide();
  lblfile = new QLabel(this);
  lblfile->setObjectName("lblfile");
  lblfile->hide();
  layout->addWidget(lblfile);
  layout->addWidget(Gauge1);
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  layout->addWidget(StatusBar1);
  resize(640, 720);

  connect(btbttnOpen, &QPushButton::clicked, this, &TfrmOLGAsub::btbttnOpenClick);
  connect(edtY, &QLineEdit::textEdited, this, &TfrmOLGAsub::edtYChange);
  connect(btbttnOK, &QPushButton::clicked, this, &TfrmOLGAsub::btbttnOKClick);
  connect(btbttnTrash, &QPushButton::clicked, this, &TfrmOLGAsub::btbttnTrashClick);
  connect(bttnNODEL, &QPushButton::clicked, this, &TfrmOLGAsub::bttnNODELClick);
  connect(btbttnAUTO, &QPushButton::clicked, this, &TfrmOLGAsub::btbttnAUTOClick);
  connect(btbttnReset, &QPushButton::clicked, this, &TfrmOLGAsub::btbttnResetClick);
  connect(btbttnSAVE, &QPushButton::clicked, this, &TfrmOLGAsub::btbttnSAVEClick);
  connect(chckbxAUTODEL, &QCheckBox::clicked, this, &TfrmOLGAsub::chckbxAUTODELClick);
  chckbxAUTODELClick();
}

TfrmOLGAsub::~TfrmOLGAsub() = default;

long long TfrmOLGAsub::availableMegabytes() const {
  return static_cast<long long>(phreatix::freeBytes(session_.workingDir()) / 1024 / 1000);
}

void TfrmOLGAsub::begin() {
  phreatix::ui::guarded(session_, this, [this] { splitter_.activate(availableMegabytes()); });
  edtY->setText(QString::number(splitter_.available()));
  lblMAX->setText(QString::number(splitter_.available()) + " MByte op schijf");
  Gauge1->hide();
  lblfile->hide();
  StatusBar1->clearMessage();
  showState();
}

bool TfrmOLGAsub::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    StatusBar1->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  return QDialog::event(event);
}

void TfrmOLGAsub::keyPressEvent(QKeyEvent* event) {
  // Only the window's close button closes it, not Escape.
  if (event->key() == Qt::Key_Escape) {
    event->ignore();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TfrmOLGAsub::closeEvent(QCloseEvent* event) {
  phreatix::ui::guarded(session_, this, [this] { splitter_.close(); });
  QDialog::closeEvent(event);
}

void TfrmOLGAsub::chckbxAUTODELClick() {
  const bool assess = chckbxAUTODEL->isChecked();
  btbttnOpen->setStatusTip(QString::fromUtf8(assess ? kAssessHint : kOpenHint));
  btbttnTrash->setStatusTip(QString::fromUtf8(assess ? kAssessHint : kTrashHint));
}

void TfrmOLGAsub::btbttnOpenClick() {
  const QString path = phreatix::ui::dialogs().openFile(
      this, QString::fromStdString(session_.workingDir()), phreatix::ui::qtFilter(kDataFileFilter));
  if (path.isEmpty()) return;
  phreatix::ui::guarded(session_, this, [&] { splitter_.open(path.toStdString()); });
  showState();
}

void TfrmOLGAsub::edtYChange(const QString& value) {
  phreatix::ui::guarded(session_, this, [&] {
    if (splitter_.recompute(value.toStdString())) StatusBar1->clearMessage();
  });
  showState();
}

void TfrmOLGAsub::btbttnOKClick() {
  phreatix::ui::guarded(session_, this, [this] { splitter_.confirm(edtY->text().toStdString()); });
  showState();
}

void TfrmOLGAsub::btbttnTrashClick() {
  phreatix::ui::guarded(session_, this, [this] {
    if (chckbxAUTODEL->isChecked()) {
      frmMeetreeks_->run(splitter_.workingCopy(), splitter_.tubes(), splitter_.flags(),
                         session_.workingDir());
      splitter_.removeRejected();
    } else {
      splitter_.removeTubes(phreatix::ui::selectedPositions(lstbxOLGAsub));
    }
  });
  showState();
}

void TfrmOLGAsub::bttnNODELClick() {
  phreatix::ui::guarded(session_, this, [this] {
    splitter_.restoreTubes(phreatix::ui::selectedPositions(lstbxTrash));
  });
  showState();
}

void TfrmOLGAsub::btbttnAUTOClick() {
  phreatix::ui::guarded(session_, this, [this] { splitter_.autoSplit(); });
  showState();
}

void TfrmOLGAsub::btbttnResetClick() {
  phreatix::ui::guarded(session_, this, [this] { splitter_.reset(availableMegabytes()); });
  edtY->setText(QString::number(splitter_.available()));
  lblMAX->setText(QString::number(splitter_.available()) + " MByte op schijf");
  showState();
}

void TfrmOLGAsub::btbttnSAVEClick() {
  phreatix::ui::guarded(session_, this, [this] { splitter_.save(); });
  showState();
}

void TfrmOLGAsub::showState() {
  const phreatix::SplitControls& c = splitter_.controls();
  btbttnOpen->setEnabled(c.btbttnOpen);
  edtY->setEnabled(c.edtY);
  btbttnOK->setEnabled(c.btbttnOK);
  btbttnTrash->setEnabled(c.btbttnTrash);
  chckbxAUTODEL->setEnabled(c.chckbxAUTODEL);
  bttnNODEL->setEnabled(c.bttnNODEL);
  btbttnAUTO->setEnabled(c.btbttnAUTO);
  btbttnReset->setEnabled(c.btbttnReset);
  btbttnSAVE->setEnabled(c.btbttnSAVE);
  lblZ->setText(QString::number(splitter_.z()));
  lblS->setText(QString::number(splitter_.s()));
  phreatix::ui::fillList(lstbxOLGAsub, splitter_.tubes());
  phreatix::ui::fillList(lstbxTrash, splitter_.removed());
  showTable();
}

void TfrmOLGAsub::showTable() {
  const auto& table = splitter_.table();
  strgrdOLGAsub->clear();
  strgrdOLGAsub->setColumnCount(static_cast<int>(table.size()));
  strgrdOLGAsub->setRowCount(table.empty() ? 0 : static_cast<int>(table[0].size()));
  for (std::size_t column = 0; column < table.size(); ++column) {
    for (std::size_t row = 0; row < table[column].size(); ++row) {
      strgrdOLGAsub->setItem(static_cast<int>(row), static_cast<int>(column),
                             new QTableWidgetItem(QString::fromStdString(table[column][row])));
    }
  }
}

void TfrmOLGAsub::setStatus(const std::string& value) {
  StatusBar1->showMessage(QString::fromStdString(value));
  repaint();
}
void TfrmOLGAsub::showGauge(bool visible) { Gauge1->setVisible(visible); }
void TfrmOLGAsub::setGauge(int percent) { Gauge1->setValue(percent); }
void TfrmOLGAsub::showFileLabel(bool visible) { lblfile->setVisible(visible); }
void TfrmOLGAsub::setFileLabel(const std::string& value) {
  lblfile->setText(QString::fromStdString(value));
}
void TfrmOLGAsub::repaint() { phreatix::ui::throttledRepaint(sinceRepaint_); }
