#include "untDefaults.h"

#include <algorithm>
#include <exception>
#include <thread>

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialogs.h"
#include "frontend.h"
#include "settings/field_checks.h"
#include "text/parse.h"

namespace {

constexpr int kFieldWidth = 80;

QLabel* text(QWidget* parent, const char* caption) {
  return new QLabel(QString::fromUtf8(caption), parent);
}

QLabel* heading(QWidget* parent, const char* caption) {
  QLabel* label = text(parent, caption);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  return label;
}

// The edit field of one setting, with the text the window opens with.
QLineEdit* field(QWidget* parent, const char* name) {
  const phreatix::DetailField* detail = phreatix::findDetailField(name);
  auto* edit = new QLineEdit(QString::fromUtf8(detail ? detail->formDefault : ""), parent);
  edit->setObjectName(name);
  edit->setFixedWidth(kFieldWidth);
  return edit;
}

std::string textOf(const QLineEdit* edit) { return edit->text().toStdString(); }

}  // namespace

TfrmDefaults::TfrmDefaults(phreatix::SessionSettings& settings,
                           std::function<bool()> checkCompleteness, QWidget* parent)
    : QDialog(parent), settings_(settings), checkCompleteness_(std::move(checkCompleteness)) {
  setObjectName("frmDefaults");
  setWindowTitle(QString::fromUtf8("Detailinstellingen calibraties, simulaties en tracing"));
  // No system menu, minimise or close button: "Instellingen OK" closes it.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);

  grpbxCALIBRATIE = new QGroupBox(QString::fromUtf8(" Calibratie "), this);
  grpbxCALIBRATIE->setObjectName("grpbxCALIBRATIE");
  QWidget* c = grpbxCALIBRATIE;
  edtMAXITER = field(c, "edtMAXITER");
  edtCLOSURE = field(c, "edtCLOSURE");
  edtDELTAMIN = field(c, "edtDELTAMIN");
  edtPHIMIN = field(c, "edtPHIMIN");
  edtCMAX = field(c, "edtCMAX");
  edtOMEGAMIN = field(c, "edtOMEGAMIN");
  auto* calibration = new QGridLayout(c);
  calibration->addWidget(heading(c, "Calibratiecriteria"), 0, 0, 1, 2);
  calibration->addWidget(text(c, "Maximaal aantal iteraties bij calibratie"), 1, 0);
  calibration->addWidget(edtMAXITER, 1, 1);
  calibration->addWidget(text(c, "Convergentiecriterium calibratie"), 2, 0);
  calibration->addWidget(edtCLOSURE, 2, 1);
  calibration->setRowMinimumHeight(3, 8);
  calibration->addWidget(heading(c, "Plausibiliteitscheck "), 4, 0, 1, 2);
  calibration->addWidget(
      text(c, "accepteer alleen calibratieresultaten die voldoen aan deze 4 criteria:"), 5, 0, 1,
      2);
  auto* bounds = new QGridLayout;
  bounds->addWidget(text(c, "delta>"), 0, 0, Qt::AlignRight);
  bounds->addWidget(edtDELTAMIN, 0, 1);
  bounds->addWidget(text(c, "phi>"), 0, 2, Qt::AlignRight);
  bounds->addWidget(edtPHIMIN, 0, 3);
  bounds->addWidget(text(c, "c<"), 1, 0, Qt::AlignRight);
  bounds->addWidget(edtCMAX, 1, 1);
  bounds->addWidget(text(c, "omega>"), 1, 2, Qt::AlignRight);
  bounds->addWidget(edtOMEGAMIN, 1, 3);
  bounds->setColumnStretch(4, 1);
  calibration->addLayout(bounds, 6, 0, 1, 2);
  calibration->setRowStretch(7, 1);

  grpbxSIMULATIE = new QGroupBox(QString::fromUtf8(" Simulatie "), this);
  grpbxSIMULATIE->setObjectName("grpbxSIMULATIE");
  QWidget* s = grpbxSIMULATIE;
  lblPERIODE = heading(s, "Simulatieperiode");
  lblPERIODE->setObjectName("lblPERIODE");
  edtSTARTJAAR = field(s, "edtSTARTJAAR");
  edtEINDJAAR = field(s, "edtEINDJAAR");
  edtWARMUP = field(s, "edtWARMUP");
  edtREALISATIES = field(s, "edtREALISATIES");
  edtREKENPROCESSEN = field(s, "edtREKENPROCESSEN");
  edtREKENPROCESSEN->setText(QString::number(std::max(1u, std::thread::hardware_concurrency())));
  edtREKENPROCESSEN->setToolTip(QString::fromUtf8(
      "Zoveel buizen tegelijk (calibraties, simulaties, postprocessing en inpakken); de "
      "resultaten zijn dezelfde als met 1"));
  auto* simulation = new QGridLayout(s);
  simulation->addWidget(lblPERIODE, 0, 0, 1, 3);
  simulation->addWidget(text(s, "Startjaar (1-jan-xxxx)"), 1, 0);
  simulation->addWidget(edtSTARTJAAR, 1, 1);
  simulation->addWidget(text(s, "Eindjaar (31-dec-yyyy)"), 2, 0);
  simulation->addWidget(edtEINDJAAR, 2, 1);
  simulation->setRowMinimumHeight(3, 8);
  simulation->addWidget(heading(s, "Overige instellingen"), 4, 0, 1, 3);
  simulation->addWidget(text(s, "maximale opwarmtijd"), 5, 0);
  simulation->addWidget(edtWARMUP, 5, 1);
  simulation->addWidget(text(s, "(dagen)"), 5, 2);
  simulation->addWidget(text(s, "aantal realisaties"), 6, 0);
  simulation->addWidget(edtREALISATIES, 6, 1);
  simulation->addWidget(text(s, "aantal rekenprocessen"), 7, 0);
  simulation->addWidget(edtREKENPROCESSEN, 7, 1);
  simulation->addWidget(text(s, "(buizen tegelijk)"), 7, 2);
  simulation->setColumnStretch(2, 1);
  simulation->setRowStretch(8, 1);

  rdgrpDETTRACE = new QGroupBox(QString::fromUtf8(" Deterministische trace "), this);
  rdgrpDETTRACE->setObjectName("rdgrpDETTRACE");
  rdbttnMETUPDATING = new QRadioButton(QString::fromUtf8("met updating"), rdgrpDETTRACE);
  rdbttnMETUPDATING->setObjectName("rdbttnMETUPDATING");
  rdbttnZONDERUPDATING = new QRadioButton(QString::fromUtf8("zonder updating"), rdgrpDETTRACE);
  rdbttnZONDERUPDATING->setObjectName("rdbttnZONDERUPDATING");
  rdbttnMETUPDATING->setChecked(true);
  traceChoice_ = new QButtonGroup(this);
  traceChoice_->addButton(rdbttnMETUPDATING);
  traceChoice_->addButton(rdbttnZONDERUPDATING);
  auto* trace = new QVBoxLayout(rdgrpDETTRACE);
  trace->addWidget(rdbttnMETUPDATING);
  trace->addWidget(rdbttnZONDERUPDATING);

  btbttnOKDEFAULTS = new QPushButton(QString::fromUtf8("Instellingen OK"), this);
  btbttnOKDEFAULTS->setObjectName("btbttnOKDEFAULTS");
  // Return in a field ends the field, it does not press the button.
  btbttnOKDEFAULTS->setAutoDefault(false);
  btbttnOKDEFAULTS->setDefault(false);

  bttnAnnuleren = new QPushButton(QString::fromUtf8("Annuleren"), this);
  bttnAnnuleren->setObjectName("bttnAnnuleren");
  bttnAnnuleren->setAutoDefault(false);
  auto* groups = new QHBoxLayout;
  groups->addWidget(grpbxCALIBRATIE, 1);
  groups->addWidget(grpbxSIMULATIE, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(rdgrpDETTRACE);
  bottom->addStretch(1);
  bottom->addWidget(bttnAnnuleren, 0, Qt::AlignBottom);
  bottom->addWidget(btbttnOKDEFAULTS, 0, Qt::AlignBottom);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(groups);
  layout->addLayout(bottom);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(edtMAXITER, &QLineEdit::editingFinished, this, &TfrmDefaults::edtMAXITERExit);
  connect(edtCLOSURE, &QLineEdit::editingFinished, this, &TfrmDefaults::edtCLOSUREExit);
  connect(edtDELTAMIN, &QLineEdit::editingFinished, this, &TfrmDefaults::edtDELTAMINExit);
  connect(edtPHIMIN, &QLineEdit::editingFinished, this, &TfrmDefaults::edtPHIMINExit);
  connect(edtCMAX, &QLineEdit::editingFinished, this, &TfrmDefaults::edtCMAXExit);
  connect(edtOMEGAMIN, &QLineEdit::editingFinished, this, &TfrmDefaults::edtOMEGAMINExit);
  connect(edtSTARTJAAR, &QLineEdit::editingFinished, this, &TfrmDefaults::edtSTARTJAARExit);
  connect(edtEINDJAAR, &QLineEdit::editingFinished, this, &TfrmDefaults::edtEINDJAARExit);
  connect(edtWARMUP, &QLineEdit::editingFinished, this, &TfrmDefaults::edtWARMUPExit);
  connect(edtREALISATIES, &QLineEdit::editingFinished, this, &TfrmDefaults::edtREALISATIESExit);
  connect(traceChoice_, &QButtonGroup::buttonClicked, this, &TfrmDefaults::rdgrpDETTRACEClick);
  connect(btbttnOKDEFAULTS, &QPushButton::clicked, this, &TfrmDefaults::btbttnOKDEFAULTSClick);
  connect(bttnAnnuleren, &QPushButton::clicked, this, &TfrmDefaults::reject);

  activate();
}

void TfrmDefaults::setSessionFieldsEnabled(bool enabled) {
  for (QLineEdit* edit : {edtSTARTJAAR, edtREALISATIES, edtWARMUP, edtMAXITER, edtCLOSURE}) {
    edit->setEnabled(enabled);
  }
}

void TfrmDefaults::activate() { showPeriod(); }

void TfrmDefaults::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  openedSettings_ = settings_;
  openedWithUpdating_ = rdbttnMETUPDATING->isChecked();
  for (QLineEdit* edit : fields()) openedTexts_[edit] = accepted_[edit] = edit->text();
  openedTexts_[edtREKENPROCESSEN] = edtREKENPROCESSEN->text();
  activate();
}

std::vector<QLineEdit*> TfrmDefaults::fields() const {
  return {edtMAXITER,  edtCLOSURE,   edtDELTAMIN, edtPHIMIN, edtCMAX,
          edtOMEGAMIN, edtSTARTJAAR, edtEINDJAAR, edtWARMUP, edtREALISATIES};
}

void TfrmDefaults::reject() {
  leaving_ = true;  // the fields lose the focus: no checks on the way out
  settings_ = openedSettings_;
  for (auto& [edit, text] : openedTexts_) edit->setText(text);
  (openedWithUpdating_ ? rdbttnMETUPDATING : rdbttnZONDERUPDATING)->setChecked(true);
  showPeriod();
  leaving_ = false;
  QDialog::reject();
}

void TfrmDefaults::showPeriod() {
  int startYear = 0;
  int endYear = 0;
  // A year typed with decimals passes the field check but gives no period.
  if (!phreatix::parseInt(textOf(edtSTARTJAAR), startYear) ||
      !phreatix::parseInt(textOf(edtEINDJAAR), endYear)) {
    return;
  }
  phreatix::ui::guarded(nullptr, this, [&] {
    lblPERIODE->setText(QString::fromStdString(phreatix::periodLabel(startYear, endYear)));
  });
}

void TfrmDefaults::fieldExit(QLineEdit* edit) {
  if (leaving_) return;
  const phreatix::DetailField* detail = phreatix::findDetailField(edit->objectName().toStdString());
  if (!detail) return;
  leaving_ = true;
  phreatix::FieldResult result;
  if (phreatix::ui::guarded(nullptr, this, [&] {
        result = phreatix::leaveField(*detail, textOf(edit), settings_);
      })) {
    if (!result.accepted()) {
      phreatix::ui::dialogs().information(this, QString::fromStdString(result.message));
    } else if (edit == edtSTARTJAAR || edit == edtEINDJAAR) {
      // A period whose end lies before its start would simulate nothing.
      const std::string order =
          phreatix::checkPeriodOrder(edit == edtSTARTJAAR ? result.text : textOf(edtSTARTJAAR),
                                     edit == edtEINDJAAR ? result.text : textOf(edtEINDJAAR));
      if (!order.empty()) {
        phreatix::ui::dialogs().information(this, QString::fromStdString(order));
        result.text = accepted_.count(edit) ? accepted_[edit].toStdString() : detail->formDefault;
      }
    }
    // The accepted text as taken (a decimal comma becomes a point), or the
    // text put back.
    edit->setText(QString::fromStdString(result.text));
    if (result.accepted()) accepted_[edit] = edit->text();
  }
  leaving_ = false;
}

void TfrmDefaults::edtMAXITERExit() { fieldExit(edtMAXITER); }
void TfrmDefaults::edtCLOSUREExit() { fieldExit(edtCLOSURE); }
void TfrmDefaults::edtDELTAMINExit() { fieldExit(edtDELTAMIN); }
void TfrmDefaults::edtPHIMINExit() { fieldExit(edtPHIMIN); }
void TfrmDefaults::edtCMAXExit() { fieldExit(edtCMAX); }
void TfrmDefaults::edtOMEGAMINExit() { fieldExit(edtOMEGAMIN); }
void TfrmDefaults::edtWARMUPExit() { fieldExit(edtWARMUP); }
void TfrmDefaults::edtREALISATIESExit() { fieldExit(edtREALISATIES); }

void TfrmDefaults::edtSTARTJAARExit() {
  fieldExit(edtSTARTJAAR);
  showPeriod();
}

void TfrmDefaults::edtEINDJAARExit() {
  fieldExit(edtEINDJAAR);
  showPeriod();
}

void TfrmDefaults::rdgrpDETTRACEClick() {
  settings_.traceWithUpdating = rdbttnMETUPDATING->isChecked();
}

void TfrmDefaults::btbttnOKDEFAULTSClick() {
  phreatix::DetailFields fields;
  fields.maxIter = textOf(edtMAXITER);
  fields.closure = textOf(edtCLOSURE);
  fields.deltaMin = textOf(edtDELTAMIN);
  fields.phiMin = textOf(edtPHIMIN);
  fields.cMax = textOf(edtCMAX);
  fields.omegaMin = textOf(edtOMEGAMIN);
  fields.startYear = textOf(edtSTARTJAAR);
  fields.endYear = textOf(edtEINDJAAR);
  fields.warmUp = textOf(edtWARMUP);
  fields.realisations = textOf(edtREALISATIES);
  fields.traceWithUpdating = rdbttnMETUPDATING->isChecked();

  const std::string order = phreatix::checkPeriodOrder(fields.startYear, fields.endYear);
  if (!order.empty()) {
    phreatix::ui::dialogs().information(this, QString::fromStdString(order));
    return;
  }
  int jobs = 0;
  if (!phreatix::parseInt(textOf(edtREKENPROCESSEN), jobs) || jobs < 1) {
    phreatix::ui::dialogs().information(
        this, QString::fromUtf8("Aantal rekenprocessen: een geheel getal van ten minste 1, niet \"") +
                  edtREKENPROCESSEN->text() + "\".");
    edtREKENPROCESSEN->setFocus();
    return;
  }
  bool stored = false;
  if (!phreatix::ui::guarded(nullptr, this,
                             [&] { stored = phreatix::applyDetailSettings(fields, settings_); })) {
    return;
  }
  if (stored) settings_.jobs = jobs;
  if (!stored) {
    // A field that does not read as its number (a year with decimals, say):
    // nothing is stored and the window stays open for the user to correct it.
    phreatix::ui::dialogs().beep();
    return;
  }
  bool complete = true;
  if (checkCompleteness_ &&
      !phreatix::ui::guarded(nullptr, this, [&] { complete = checkCompleteness_(); }))
    return;
  if (complete) accept();
}
