#include "untSELECTIE.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "coupling/knmi_meteo.h"
#include "dialogs.h"
#include "frontend.h"
#include "platform/files.h"
#include "session/session.h"

namespace {

constexpr const char* kMeteoFilter =
    "ASCII-bestanden (*.prn; *.txt)|*.prn;*.txt|alle bestanden|*.*";
constexpr const char* kCouplingFilter = "alle ASCII-bestanden (*.*)|*.*";

// The meteo dialog's default extension: a name given without one that names
// no file means the .prn file of that name.
QString withMeteoExtension(const QString& path) {
  QFileInfo info(path);
  if (info.suffix().isEmpty() && !info.exists()) return path + ".prn";
  return path;
}

QListWidget* tubeListBox(QWidget* parent, const char* name) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  return list;
}

QPushButton* button(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QPushButton(QString::fromUtf8(caption), parent);
  b->setObjectName(name);
  return b;
}

}  // namespace

TfrmSELECTIE::TfrmSELECTIE(phreatix::Session& session, phreatix::CouplingOverview& overview,
                           QWidget* parent)
    : QDialog(parent), session_(session), overview_(overview) {
  setObjectName("frmSELECTIE");
  setWindowTitle(QString::fromUtf8("Koppeling meteobestanden aan OLGA-buizen"));
  // No close button: only "Kies Meteobestand of stop" and "kies bestand" end it.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);

  rdgrpHOW =
      new QGroupBox(QString::fromUtf8(" Manier van koppelen DINO-buizen aan meteobestanden"), this);
  rdgrpHOW->setObjectName("rdgrpHOW");
  rdbttnHANDMATIG = new QRadioButton(
      QString::fromUtf8("Handmatig (per meteobestand alle bijbehorende buizen zelf selecteren)"),
      rdgrpHOW);
  rdbttnHANDMATIG->setObjectName("rdbttnHANDMATIG");
  rdbttnAUTOMATISCH = new QRadioButton(
      QString::fromUtf8("Automatisch (koppeling buis-meteobestand uitlezen uit bestand)"),
      rdgrpHOW);
  rdbttnAUTOMATISCH->setObjectName("rdbttnAUTOMATISCH");
  rdbttnHANDMATIG->setChecked(true);
  auto* how = new QButtonGroup(this);
  how->addButton(rdbttnHANDMATIG, 0);
  how->addButton(rdbttnAUTOMATISCH, 1);
  bttnBUISMETEO = button(rdgrpHOW, "bttnBUISMETEO", "kies bestand");
  auto* howLayout = new QGridLayout(rdgrpHOW);
  howLayout->addWidget(rdbttnHANDMATIG, 0, 0, 1, 2);
  howLayout->addWidget(rdbttnAUTOMATISCH, 1, 0);
  howLayout->addWidget(bttnBUISMETEO, 1, 1);
  howLayout->setColumnStretch(0, 1);

  lblSELECT2 = new QLabel(this);
  lblSELECT2->setObjectName("lblSELECT2");
  lblSELECT2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblSELECT2->setWordWrap(true);
  lblSELECT2->setStyleSheet("color: red; font-weight: bold;");

  lblALLEBUIZEN = new QLabel(QString::fromUtf8("Alle nog niet geselecteerde buizen"), this);
  lblALLEBUIZEN->setObjectName("lblALLEBUIZEN");
  lblSELECTIE = new QLabel(QString::fromUtf8("Selectie bij huidig meteobestand"), this);
  lblSELECTIE->setObjectName("lblSELECTIE");
  lstbxAlleBuizen = tubeListBox(this, "lstbxAlleBuizen");
  lstbxSELECTIE = tubeListBox(this, "lstbxSELECTIE");

  bttnSelect = button(this, "bttnSelect", ">>");
  bttnUNSELECT = button(this, "bttnUNSELECT", "<<");
  bttnUNSELECT->setToolTip(QString::fromUtf8("zet geselecteerde buizen terug naar algemene lijst"));
  bttnKIESMETEO = button(this, "bttnKIESMETEO", "Kies Meteobestand of stop");

  auto* moves = new QVBoxLayout;
  moves->addStretch(1);
  moves->addWidget(bttnSelect);
  moves->addWidget(bttnUNSELECT);
  moves->addStretch(1);

  auto* lists = new QGridLayout;
  lists->addWidget(lblALLEBUIZEN, 0, 0);
  lists->addWidget(lblSELECTIE, 0, 2);
  lists->addWidget(lstbxAlleBuizen, 1, 0);
  lists->addLayout(moves, 1, 1);
  lists->addWidget(lstbxSELECTIE, 1, 2);
  lists->setColumnStretch(0, 1);
  lists->setColumnStretch(2, 1);
  lists->setRowStretch(1, 1);

  auto* top = new QHBoxLayout;
  top->addWidget(rdgrpHOW, 3);
  top->addWidget(lblSELECT2, 2);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(lists, 1);
  layout->addWidget(bttnKIESMETEO, 0, Qt::AlignHCenter);
  resize(820, 500);

  connect(how, &QButtonGroup::idClicked, this, &TfrmSELECTIE::rdgrpHOWClick);
  connect(bttnKIESMETEO, &QPushButton::clicked, this, &TfrmSELECTIE::bttnKIESMETEOClick);
  connect(bttnSelect, &QPushButton::clicked, this, &TfrmSELECTIE::bttnSelectClick);
  connect(bttnUNSELECT, &QPushButton::clicked, this, &TfrmSELECTIE::bttnUNSELECTClick);
  connect(bttnBUISMETEO, &QPushButton::clicked, this, &TfrmSELECTIE::bttnBUISMETEOClick);

  rdgrpHOWClick();
  setListsEnabled(false);
  bttnUNSELECT->setEnabled(false);
}

TfrmSELECTIE::~TfrmSELECTIE() = default;

void TfrmSELECTIE::begin(std::vector<std::string> tubeList) {
  tubeList_ = std::move(tubeList);
  phreatix::ui::guarded(session_, this, [&] {
    coupling_ = std::make_unique<phreatix::ManualCoupling>(tubeList_, overview_);
  });
  lblSELECT2->clear();
  showLists();
  setListsEnabled(false);
  bttnUNSELECT->setEnabled(false);
  rdgrpHOWClick();
}

void TfrmSELECTIE::rdgrpHOWClick() {
  const bool manual = rdbttnHANDMATIG->isChecked();
  lblALLEBUIZEN->setEnabled(manual);
  lblSELECTIE->setEnabled(manual);
  bttnKIESMETEO->setEnabled(manual);
  bttnBUISMETEO->setEnabled(!manual);
}

void TfrmSELECTIE::bttnKIESMETEOClick() {
  if (!coupling_) return;
  phreatix::ui::guarded(session_, this, [&] {
    const bool allCoupled = coupling_->commit();
    showLists();
    if (allCoupled) {
      accept();
      return;
    }
    const QString path = phreatix::ui::dialogs().openFile(
        this, QString::fromStdString(session_.workingDir()), phreatix::ui::qtFilter(kMeteoFilter));
    // Cancelled: the previous meteo file stays current.
    if (path.isEmpty()) return;
    QString meteo = QDir::toNativeSeparators(withMeteoExtension(path));
    if (QFileInfo(meteo).exists() &&
        phreatix::isKnmiFile(phreatix::readLines(meteo.toStdString()))) {
      // A KNMI file is no meteo file yet: offer the conversion, and couple
      // the converted file.
      const std::string target =
          phreatix::convertedMeteoName(meteo.toStdString(), session_.workingDir());
      if (!phreatix::ui::dialogs().question(
              this, "Het bestand " + meteo +
                        " is een KNMI-bestand. Omzetten naar een meteobestand " +
                        QString::fromStdString(target) + "?")) {
        return;
      }
      const phreatix::MeteoConversion converted =
          phreatix::convertKnmiFile(meteo.toStdString(), target);
      QStringList report{QString::fromStdString(target) + ":"};
      for (const std::string& line : converted.report) report << QString::fromStdString(line);
      phreatix::ui::dialogs().information(this, report.join("\n"));
      meteo = QDir::toNativeSeparators(QString::fromStdString(target));
    }
    coupling_->chooseMeteo(meteo.toStdString());
    lblSELECT2->setText(meteo);
    setListsEnabled(true);
    bttnUNSELECT->setEnabled(false);
  });
}

void TfrmSELECTIE::bttnSelectClick() {
  if (!coupling_) return;
  phreatix::ui::guarded(session_, this, [&] {
    const std::vector<int> positions = phreatix::ui::selectedPositions(lstbxAlleBuizen);
    if (positions.empty()) return;
    coupling_->select(positions);
    showLists();
    bttnUNSELECT->setEnabled(true);
  });
}

void TfrmSELECTIE::bttnUNSELECTClick() {
  if (!coupling_) return;
  phreatix::ui::guarded(session_, this, [&] {
    const std::vector<int> positions = phreatix::ui::selectedPositions(lstbxSELECTIE);
    if (positions.empty()) return;
    coupling_->unselect(positions);
    showLists();
  });
}

void TfrmSELECTIE::bttnBUISMETEOClick() {
  const QString path = phreatix::ui::dialogs().openFile(
      this, QString::fromStdString(session_.workingDir()), phreatix::ui::qtFilter(kCouplingFilter));
  if (path.isEmpty()) return;
  bool coupled = false;
  phreatix::ui::guarded(session_, this, [&] {
    phreatix::ui::DialogMessageBox box(this);
    phreatix::coupleFromFile(path.toStdString(), tubeList_, session_.workingDir(), overview_,
                             session_.messages(), box);
    coupled = true;
  });
  if (coupled) accept();
}

void TfrmSELECTIE::reject() {}

void TfrmSELECTIE::closeEvent(QCloseEvent* event) {
  event->accept();
  accept();
}

void TfrmSELECTIE::showLists() {
  if (!coupling_) {
    lstbxAlleBuizen->clear();
    lstbxSELECTIE->clear();
    return;
  }
  phreatix::ui::fillList(lstbxAlleBuizen, coupling_->tubeList());
  phreatix::ui::fillList(lstbxSELECTIE, coupling_->selection());
}

void TfrmSELECTIE::setListsEnabled(bool enabled) {
  lstbxAlleBuizen->setEnabled(enabled);
  lstbxSELECTIE->setEnabled(enabled);
  bttnSelect->setEnabled(enabled);
}
