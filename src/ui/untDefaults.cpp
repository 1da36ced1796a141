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
QLineEdit* field(QWidget* parent, const char* name, const char* text) {
  auto* edit = new QLineEdit(QString::fromUtf8(text), parent);
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
  grpbxSIMULATIE = new QGroupBox(QString::fromUtf8(" Simulatie "), this);
  grpbxSIMULATIE->setObjectName("grpbxSIMULATIE");
  QWidget* c = grpbxCALIBRATIE;
  QWidget* s = grpbxSIMULATIE;
  using Place = phreatix::SettingPlace;
  // Every number of the settings table: an edit field in its group. The
  // fields come first, then the number of workers, then the choices: the
  // order Tab takes.
  for (const phreatix::DetailField& row : phreatix::detailFields()) {
    if (phreatix::isChoice(row)) continue;
    const bool calibration = row.place == Place::kCalibration || row.place == Place::kBounds ||
                             row.place == Place::kResponse;
    edits_.push_back({&row, field(calibration ? c : s, row.name, row.formDefault)});
  }
  edtMAXITER = edit("edtMAXITER");
  edtCLOSURE = edit("edtCLOSURE");
  edtDELTAMIN = edit("edtDELTAMIN");
  edtPHIMIN = edit("edtPHIMIN");
  edtCMAX = edit("edtCMAX");
  edtOMEGAMIN = edit("edtOMEGAMIN");
  edtT95MIN = edit("edtT95MIN");
  edtT95MAX = edit("edtT95MAX");
  edtSTARTJAAR = edit("edtSTARTJAAR");
  edtEINDJAAR = edit("edtEINDJAAR");
  edtWARMUP = edit("edtWARMUP");
  edtREALISATIES = edit("edtREALISATIES");

  auto* calibration = new QGridLayout(c);
  int row = 0;
  calibration->addWidget(heading(c, "Calibratiecriteria"), row++, 0, 1, 2);
  for (const auto& [setting, edit] : edits_) {
    if (setting->place != Place::kCalibration) continue;
    calibration->addWidget(text(c, setting->label), row, 0);
    calibration->addWidget(edit, row++, 1);
  }
  calibration->setRowMinimumHeight(row++, 8);
  calibration->addWidget(heading(c, "Plausibiliteitscheck "), row++, 0, 1, 2);
  calibration->addWidget(
      text(c, "accepteer alleen calibratieresultaten die voldoen aan deze 4 criteria:"), row++, 0,
      1, 2);
  // The bounds two a line: "delta>" [field] "phi>" [field].
  auto* bounds = new QGridLayout;
  int bound = 0;
  for (const auto& [setting, edit] : edits_) {
    if (setting->place != Place::kBounds) continue;
    bounds->addWidget(text(c, setting->label), bound / 2, 2 * (bound % 2), Qt::AlignRight);
    bounds->addWidget(edit, bound / 2, 2 * (bound % 2) + 1);
    ++bound;
  }
  bounds->setColumnStretch(4, 1);
  calibration->addLayout(bounds, row++, 0, 1, 2);
  // The response times of the extended models: label, field, unit.
  calibration->setRowMinimumHeight(row++, 8);
  calibration->addWidget(heading(c, "Plausibiliteit uitgebreid model"), row++, 0, 1, 2);
  auto* response = new QGridLayout;
  int line = 0;
  for (const auto& [setting, edit] : edits_) {
    if (setting->place != Place::kResponse) continue;
    response->addWidget(text(c, setting->label), line, 0);
    response->addWidget(edit, line, 1);
    response->addWidget(text(c, setting->unit), line++, 2);
  }
  response->setColumnStretch(2, 1);
  calibration->addLayout(response, row++, 0, 1, 2);
  calibration->setRowStretch(row, 1);

  lblPERIODE = heading(s, "Simulatieperiode");
  lblPERIODE->setObjectName("lblPERIODE");
  edtREKENPROCESSEN = field(s, "edtREKENPROCESSEN", "");
  edtREKENPROCESSEN->setText(QString::number(std::max(1u, std::thread::hardware_concurrency())));
  edtREKENPROCESSEN->setToolTip(QString::fromUtf8(
      "Zoveel buizen tegelijk (calibraties, simulaties, postprocessing en inpakken); de "
      "resultaten zijn dezelfde als met 1"));
  auto* simulation = new QGridLayout(s);
  row = 0;
  simulation->addWidget(lblPERIODE, row++, 0, 1, 3);
  auto addRows = [&](Place place) {
    for (const auto& [setting, edit] : edits_) {
      if (setting->place != place) continue;
      simulation->addWidget(text(s, setting->label), row, 0);
      simulation->addWidget(edit, row, 1);
      if (*setting->unit != '\0') simulation->addWidget(text(s, setting->unit), row, 2);
      ++row;
    }
  };
  addRows(Place::kPeriod);
  simulation->setRowMinimumHeight(row++, 8);
  simulation->addWidget(heading(s, "Overige instellingen"), row++, 0, 1, 3);
  addRows(Place::kOther);
  simulation->addWidget(text(s, "aantal rekenprocessen"), row, 0);
  simulation->addWidget(edtREKENPROCESSEN, row, 1);
  simulation->addWidget(text(s, "(buizen tegelijk)"), row++, 2);
  simulation->setColumnStretch(2, 1);
  simulation->setRowStretch(row, 1);

  // Every choice of the settings table: a group with a radio button a word.
  std::vector<QGroupBox*> choiceGroups;
  for (const phreatix::DetailField& row : phreatix::detailFields()) {
    if (!phreatix::isChoice(row)) continue;
    auto* group = new QGroupBox(QString::fromUtf8(row.label), this);
    group->setObjectName(row.name);
    auto* buttons = new QButtonGroup(this);
    auto* column = new QVBoxLayout(group);
    for (const phreatix::SettingChoice& choice : row.choices) {
      auto* button = new QRadioButton(QString::fromUtf8(choice.label), group);
      button->setObjectName(choice.control);
      button->setChecked(std::string_view(choice.word) == row.formDefault);
      buttons->addButton(button);
      column->addWidget(button);
    }
    connect(buttons, &QButtonGroup::buttonClicked, this, [this, &row] { choiceClick(row); });
    choices_.push_back({&row, buttons});
    choiceGroups.push_back(group);
  }
  rdgrpDETTRACE = findChild<QGroupBox*>("rdgrpDETTRACE");
  rdbttnMETUPDATING = findChild<QRadioButton*>("rdbttnMETUPDATING");
  rdbttnZONDERUPDATING = findChild<QRadioButton*>("rdbttnZONDERUPDATING");
  rdgrpMODEL = findChild<QGroupBox*>("rdgrpMODEL");
  rdbttnSTANDAARD = findChild<QRadioButton*>("rdbttnSTANDAARD");
  rdbttnUITGEBREID = findChild<QRadioButton*>("rdbttnUITGEBREID");
  rdgrpSITUATIE = findChild<QGroupBox*>("rdgrpSITUATIE");
  rdbttnEINDE = findChild<QRadioButton*>("rdbttnEINDE");
  rdbttnGEMIDDELD = findChild<QRadioButton*>("rdbttnGEMIDDELD");
  rdbttnGEEN = findChild<QRadioButton*>("rdbttnGEEN");
  // The group follows the model family however it changes (a click, the
  // keyboard, "Annuleren" putting back the family the window opened with).
  // It keeps its word while disabled; the buttons' own state stays
  // setSessionFieldsEnabled's.
  rdgrpSITUATIE->setEnabled(rdbttnUITGEBREID->isChecked());
  connect(rdbttnUITGEBREID, &QRadioButton::toggled, rdgrpSITUATIE, &QWidget::setEnabled);

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
  for (QGroupBox* group : choiceGroups) bottom->addWidget(group);
  bottom->addStretch(1);
  bottom->addWidget(bttnAnnuleren, 0, Qt::AlignBottom);
  bottom->addWidget(btbttnOKDEFAULTS, 0, Qt::AlignBottom);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(groups);
  layout->addLayout(bottom);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  for (const auto& [setting, edit] : edits_) {
    connect(edit, &QLineEdit::editingFinished, this, [this, edit = edit] { fieldExit(edit); });
  }
  connect(btbttnOKDEFAULTS, &QPushButton::clicked, this, &TfrmDefaults::btbttnOKDEFAULTSClick);
  connect(bttnAnnuleren, &QPushButton::clicked, this, &TfrmDefaults::reject);

  activate();
}

void TfrmDefaults::setSessionFieldsEnabled(bool enabled) {
  for (const auto& [setting, edit] : edits_) {
    if (setting->sessionField) edit->setEnabled(enabled);
  }
  for (const auto& [setting, buttons] : choices_) {
    if (!setting->sessionField) continue;
    for (QAbstractButton* button : buttons->buttons()) button->setEnabled(enabled);
  }
}

void TfrmDefaults::activate() { showPeriod(); }

void TfrmDefaults::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  openedSettings_ = settings_;
  openedChoices_.clear();
  for (const auto& [setting, buttons] : choices_)
    openedChoices_.push_back(buttons->checkedButton());
  for (QLineEdit* edit : fields()) openedTexts_[edit] = accepted_[edit] = edit->text();
  openedTexts_[edtREKENPROCESSEN] = edtREKENPROCESSEN->text();
  activate();
}

std::vector<QLineEdit*> TfrmDefaults::fields() const {
  std::vector<QLineEdit*> edits;
  for (const auto& [setting, edit] : edits_) edits.push_back(edit);
  return edits;
}

QLineEdit* TfrmDefaults::edit(const char* name) const {
  for (const auto& [setting, edit] : edits_) {
    if (edit->objectName() == QLatin1String(name)) return edit;
  }
  return nullptr;
}

std::string TfrmDefaults::chosenWord(const phreatix::DetailField& row) const {
  for (const auto& [setting, buttons] : choices_) {
    if (setting != &row || !buttons->checkedButton()) continue;
    const QString control = buttons->checkedButton()->objectName();
    for (const phreatix::SettingChoice& choice : row.choices) {
      if (control == QLatin1String(choice.control)) return choice.word;
    }
  }
  return row.formDefault;
}

void TfrmDefaults::reject() {
  leaving_ = true;  // the fields lose the focus: no checks on the way out
  settings_ = openedSettings_;
  for (auto& [edit, text] : openedTexts_) edit->setText(text);
  for (std::size_t i = 0; i < choices_.size() && i < openedChoices_.size(); ++i) {
    if (openedChoices_[i]) openedChoices_[i]->setChecked(true);
  }
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
  const phreatix::DetailField* detail = nullptr;
  for (const auto& [setting, e] : edits_) {
    if (e == edit) detail = setting;
  }
  if (!detail) return;
  leaving_ = true;
  phreatix::FieldResult result;
  if (phreatix::ui::guarded(nullptr, this, [&] {
        result = phreatix::leaveField(*detail, textOf(edit), settings_);
      })) {
    if (!result.accepted()) {
      phreatix::ui::dialogs().information(this, QString::fromStdString(result.message));
    } else {
      // A period whose end lies before its start would simulate nothing,
      // response-time bounds without room between them would admit no
      // extended model.
      struct Pair {
        QLineEdit* lower;
        QLineEdit* upper;
        std::string (*check)(const std::string&, const std::string&);
      };
      const Pair pairs[] = {{edtSTARTJAAR, edtEINDJAAR, phreatix::checkPeriodOrder},
                            {edtT95MIN, edtT95MAX, phreatix::checkResponseTimeOrder}};
      for (const Pair& pair : pairs) {
        if (edit != pair.lower && edit != pair.upper) continue;
        const std::string order = pair.check(edit == pair.lower ? result.text : textOf(pair.lower),
                                             edit == pair.upper ? result.text : textOf(pair.upper));
        if (order.empty()) continue;
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
  if (detail->place == phreatix::SettingPlace::kPeriod) showPeriod();
}

void TfrmDefaults::edtMAXITERExit() { fieldExit(edtMAXITER); }
void TfrmDefaults::edtCLOSUREExit() { fieldExit(edtCLOSURE); }
void TfrmDefaults::edtDELTAMINExit() { fieldExit(edtDELTAMIN); }
void TfrmDefaults::edtPHIMINExit() { fieldExit(edtPHIMIN); }
void TfrmDefaults::edtCMAXExit() { fieldExit(edtCMAX); }
void TfrmDefaults::edtOMEGAMINExit() { fieldExit(edtOMEGAMIN); }
void TfrmDefaults::edtT95MINExit() { fieldExit(edtT95MIN); }
void TfrmDefaults::edtT95MAXExit() { fieldExit(edtT95MAX); }
void TfrmDefaults::edtWARMUPExit() { fieldExit(edtWARMUP); }
void TfrmDefaults::edtREALISATIESExit() { fieldExit(edtREALISATIES); }

void TfrmDefaults::edtSTARTJAARExit() { fieldExit(edtSTARTJAAR); }
void TfrmDefaults::edtEINDJAARExit() { fieldExit(edtEINDJAAR); }

void TfrmDefaults::rdgrpDETTRACEClick() {
  choiceClick(*phreatix::findDetailField("rdgrpDETTRACE"));
}

void TfrmDefaults::choiceClick(const phreatix::DetailField& row) {
  if (row.immediate) row.store(chosenWord(row), settings_);
}

void TfrmDefaults::btbttnOKDEFAULTSClick() {
  phreatix::DetailFields fields;
  for (const auto& [setting, edit] : edits_) fields.*setting->text = textOf(edit);
  for (const auto& [setting, buttons] : choices_) fields.*setting->text = chosenWord(*setting);

  for (const std::string& order :
       {phreatix::checkPeriodOrder(fields.startYear, fields.endYear),
        phreatix::checkResponseTimeOrder(fields.t95Min, fields.t95Max)}) {
    if (order.empty()) continue;
    phreatix::ui::dialogs().information(this, QString::fromStdString(order));
    return;
  }
  int jobs = 0;
  if (!phreatix::parseInt(textOf(edtREKENPROCESSEN), jobs) || jobs < 1) {
    phreatix::ui::dialogs().information(
        this,
        QString::fromUtf8("Aantal rekenprocessen: een geheel getal van ten minste 1, niet \"") +
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
