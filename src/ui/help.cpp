#include "help.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace phreatix::ui {

namespace {

struct TopicSource {
  const char* name;
  const char* title;
  const char* text;  // rich text; a link names another topic
};

// The help text, in the order of the contents.
constexpr TopicSource kTopics[] = {
    {kHelpContents, "Inhoud",
     "<p>Phreatix calibreert per grondwaterstandsbuis een transfer-ruismodel met "
     "Kalman-filter op de gemeten standen, simuleert daarmee lange reeksen dagstanden en "
     "leidt daaruit GHG, GLG, GVG, regimecurve en duurlijn af. Het hoofdvenster zet steeds "
     "alleen de knoppen van de volgende stap aan: Opsplitsen (naar keuze), Koppelen, "
     "Koppel het juiste meteobestand aan elke buis, Verander detailinstellingen (naar "
     "keuze) en Start calibratie&gt;simulatie&gt;trace&gt;postprocessing. Bij het sluiten "
     "van het hoofdvenster komen de bestanden van elke buis in een zip-archief.</p>"
     "<p>Onderwerpen:</p><ul>"
     "<li><a href=\"PHREATIX._C_001\">Calibratie</a></li>"
     "<li><a href=\"PHREATIX._S_001\">Simulatie</a></li>"
     "<li><a href=\"PHREATIX._T_001\">Trace</a></li>"
     "<li><a href=\"PHREATIX._P_001\">Postprocessing</a></li>"
     "<li><a href=\"PHREATIX.AP_001\">Postprocessing afgesloten</a></li>"
     "<li><a href=\"PHREATIX._TB001\">Het ZEFTAL-venster</a></li>"
     "<li><a href=\"PHREATIX._CR001\">Foutmelding van ZEFTAL</a></li></ul>"},
    {"PHREATIX._C_001", "Calibratie",
     "<p>De calibratie is gestart. Voor alle buizen worden na elkaar vier calibraties "
     "uitgevoerd: ds, d, s en d+s. Bij elke calibratie zoekt de simplexmethode de "
     "modelparameters die de gemeten standen het best beschrijven, met ten hoogste het "
     "ingestelde aantal iteraties. Het programma werkt zonder tussenkomst door; het schema "
     "in het hoofdvenster en de meldingen tonen hoe ver het is. Een buis waarvan de "
     "berekening mislukt, wordt in die stap overgeslagen en gemeld.</p>"},
    {"PHREATIX._S_001", "Simulatie",
     "<p>De simulatiefase is gestart. Eerst wordt per buis uit de calibraties het beste "
     "plausibele model gekozen; de keuze staat in modsel.zft, buizen zonder plausibel model "
     "in foutbuis.zft. Met het gekozen model worden de realisaties (standaard 100) van de "
     "dagelijkse grondwaterstand gesimuleerd vanaf 1 januari van het startjaar, na een "
     "opwarmperiode met de meteogegevens van voor het startjaar.</p>"},
    {"PHREATIX._T_001", "Trace",
     "<p>De trace is gestart: het gekozen model loopt over de meetperiode van de buis, met "
     "of zonder bijwerken door het Kalman-filter, zoals ingesteld bij de "
     "detailinstellingen. De berekende reeks is te vergelijken met de metingen.</p>"},
    {"PHREATIX._P_001", "Postprocessing",
     "<p>De postprocessing is gestart. Uit de gesimuleerde reeksen van elke buis worden "
     "klimaatrepresentatieve kenmerken berekend: statistieken met GHG, GLG en GVG (.sta), "
     "de regimecurve (.reg), de duurlijn (.foe), het histogram (.his) en het correlogram "
     "(.cor). De voortgangsbalk in het hoofdvenster volgt de buizen.</p>"},
    {"PHREATIX.AP_001", "Postprocessing afgesloten",
     "<p>De postprocessing is afgesloten. De resultaten staan per buis in de werkmap. Sluit "
     "het hoofdvenster om de bestanden van elke buis in een zip-archief per buis te zetten; "
     "het afsluitvenster toont daarna de laatste meldingen.</p>"},
    {"PHREATIX._TB001", "Het ZEFTAL-venster",
     "<p>Het ZEFTAL-venster toont de lopende modelberekening van een buis: bovenin de regels "
     "van het parameterbestand zeftal0.par met de bestanden, de werkwijze "
     "(calibrate/predict/simulate), de beginwaarden en de status van elke regel; onderin "
     "de voortgangsregels van de berekening. Het venster wordt door het programma "
     "bediend.</p>"},
    {"PHREATIX._CR001", "Foutmelding van ZEFTAL",
     "<p>De modelberekening van deze buis is met een foutmelding afgesloten. De melding "
     "staat in de meldingen van het hoofdvenster onder \"Meldingen uit ZEFTAL3:\". De buis "
     "wordt in deze stap overgeslagen; de overige buizen gaan door. Oorzaken zijn onder meer "
     "een buis zonder grondwaterstandsmetingen, te veel gegevens, een onleesbaar getal in "
     "een invoerbestand of een rekenfout bij ongunstige parameters.</p>"},
};

}  // namespace

HelpSystem::HelpSystem() {
  for (const TopicSource& topic : kTopics) {
    topics_[topic.name] = Topic{QString::fromUtf8(topic.title), QString::fromUtf8(topic.text)};
    order_.push_back(topic.name);
  }
}

HelpSystem::~HelpSystem() {
  // Without its application a widget cannot be deleted safely; at the end of
  // the process it is left to the system.
  if (window_ && !window_->parent() && QCoreApplication::instance()) delete window_.data();
}

QString HelpSystem::topicTitle(const std::string& name) const {
  auto it = topics_.find(name);
  return it == topics_.end() ? QString() : it->second.title;
}

QString HelpSystem::topicText(const std::string& name) const {
  auto it = topics_.find(name);
  return it == topics_.end() ? QString() : it->second.text;
}

bool HelpSystem::selectTopic(const std::string& name) {
  if (!hasTopic(name)) return false;
  current_ = name;
  showCurrent();
  return true;
}

void HelpSystem::open(QWidget* parent) {
  if (!window_) createWindow(parent);
  showCurrent();
  window_->show();
  window_->raise();
  window_->activateWindow();
}

bool HelpSystem::isOpen() const { return window_ && window_->isVisible(); }

void HelpSystem::createWindow(QWidget* parent) {
  window_ = new QDialog(parent, Qt::Window);
  window_->setObjectName("frmHELP");
  window_->setWindowTitle(QString::fromUtf8("Help bij Phreatix"));

  topicList_ = new QListWidget(window_);
  topicList_->setObjectName("lstbxTOPICS");
  for (const std::string& name : order_) topicList_->addItem(topics_[name].title);
  topicList_->setMaximumWidth(220);

  topicView_ = new QTextBrowser(window_);
  topicView_->setObjectName("reHELP");
  topicView_->setReadOnly(true);
  topicView_->setOpenLinks(false);

  auto* close = new QPushButton(QString::fromUtf8("Sluiten"), window_);
  close->setObjectName("bttnSLUITEN");

  QObject::connect(topicList_, &QListWidget::currentRowChanged, window_, [this](int row) {
    if (row >= 0 && static_cast<std::size_t>(row) < order_.size()) selectTopic(order_[row]);
  });
  QObject::connect(topicView_, &QTextBrowser::anchorClicked, window_,
                   [this](const QUrl& url) { selectTopic(url.toString().toStdString()); });
  QObject::connect(close, &QPushButton::clicked, window_, &QDialog::close);

  auto* pages = new QHBoxLayout;
  pages->addWidget(topicList_);
  pages->addWidget(topicView_, 1);
  auto* layout = new QVBoxLayout(window_);
  layout->addLayout(pages, 1);
  layout->addWidget(close, 0, Qt::AlignRight);
  window_->resize(720, 440);
}

void HelpSystem::showCurrent() {
  if (!window_) return;
  auto it = std::find(order_.begin(), order_.end(), current_);
  const int row = static_cast<int>(it - order_.begin());
  if (topicList_->currentRow() != row) {
    const bool blocked = topicList_->blockSignals(true);
    topicList_->setCurrentRow(row);
    topicList_->blockSignals(blocked);
  }
  const Topic& topic = topics_[current_];
  topicView_->setHtml("<h3>" + topic.title + "</h3>" + topic.text);
}

}  // namespace phreatix::ui
