#include "untBeschrijving.h"

#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

// The manual, in the order the main window leads the user through a session.
constexpr const char* kManual = R"(
<h2>Phreatix</h2>
<p>Phreatix bepaalt voor een groep grondwaterstandsbuizen klimaatrepresentatieve
kenmerken van de grondwaterstand. Per buis wordt een transfer-ruismodel met
Kalman-filter (ZEFTAL), aangedreven door het neerslagoverschot uit een
meteobestand, gecalibreerd op de gemeten standen. Met het gekozen model worden
100 reeksen van 30 jaar dagelijkse standen gesimuleerd. Daaruit volgen de GHG,
GLG en GVG, de regimecurve, de duurlijn, statistieken, een histogram en het
correlogram.</p>
<p>Alle bestanden staan in de werkmap: de map waarin het programma is gestart.
Daar horen ook het dagnummerbestand kron.txt en de meteobestanden te staan.
Het hoofdvenster zet steeds alleen de knoppen van de volgende stap aan.</p>

<h3>1. Opsplitsen (naar keuze)</h3>
<p>Een groot DINO-bestand wordt in sessies verdeeld die op de vrije schijfruimte
passen (ongeveer 60 MB per buis). U kunt buizen verwijderen, ook door elke
meetreeks in een grafiek goed of af te keuren. Elke sessie wordt weer een
DINO-bestand naast het oorspronkelijke: bij west.csv bijvoorbeeld
west-sessie1.csv en west-sessie2.csv; de verwijderde buizen komen in
west-verwijderd.csv. Open daarna een sessie met "Koppelen".</p>

<h3>2. Koppelen</h3>
<p>Kies het bestand met DINO-gegevens (.csv, vanaf 2000) of OLGA-gegevens
(.dat, tot 2000). Het wordt omgezet naar het interne formaat (olga.tmp).
Metingen van voor een verplaatsing van de buis over meer dan 50 m vervallen.
Wat er gebeurt, staat in de meldingen onderaan het hoofdvenster.</p>

<h3>3. Koppel het juiste meteobestand aan elke buis</h3>
<p><b>Handmatig:</b> kies met "Kies Meteobestand of stop" een meteobestand,
zet met "&gt;&gt;" de buizen die erbij horen in de selectie en kies het volgende
meteobestand. Met "&lt;&lt;" gaan buizen terug naar de algemene lijst. Zijn alle
buizen gekoppeld, dan sluit "Kies Meteobestand of stop" de keuze af.</p>
<p><b>Automatisch:</b> kies met "kies bestand" een koppelbestand met op elke
regel een buiscode en de naam van een meteobestand, gescheiden door spaties,
komma's of puntkomma's. Ontbreekt een genoemd meteobestand in de werkmap, dan
stopt het programma.</p>
<p>Daarna toont het programma de koppeling en controleert het of elk
meteobestand de hele simulatieperiode dekt. Onvolledige meteobestanden komen in
IncompleteMeteo.txt; de berekening kan dan niet starten.</p>

<h3>4. Verander detailinstellingen (naar keuze)</h3>
<p>Het maximum aantal iteraties en het convergentiecriterium van de calibratie,
de grenzen waarbinnen een model plausibel is, het startjaar van de simulatie,
de opwarmperiode, het aantal realisaties en de soort trace (met of zonder
Kalman-filter). "Instellingen OK" controleert de meteobestanden opnieuw.</p>

<h3>5. Start calibratie&gt;simulatie&gt;trace&gt;postprocessing</h3>
<p>Het programma werkt nu zonder tussenkomst alle buizen af; dat kan uren
duren. Per buis volgen vier calibraties (ds, d, s en d+s), de keuze van het
beste plausibele model (modsel.zft; buizen zonder plausibel model in
foutbuis.zft), de simulatie van de realisaties vanaf 1 januari van het
startjaar, de trace over de meetperiode en de postprocessing. Een buis die in
een stap mislukt, wordt daar overgeslagen en gemeld.</p>

<h3>6. Afsluiten</h3>
<p>Bij het sluiten van het hoofdvenster worden alle bestanden van een buis met
pkzip.exe in één zip-archief per buis gezet (bijvoorbeeld 28AL0005.zip).
Het afsluitvenster toont de laatste meldingen; het verslag van de sessie staat
in Phreatix.log.</p>

<p>Met "Koppelingen opnieuw instellen" begint u weer bij stap 2.</p>
)";

}  // namespace

TfrmBeschrijving::TfrmBeschrijving(QWidget* parent) : QDialog(parent) {
  setObjectName("frmBeschrijving");
  setWindowTitle(QString::fromUtf8("Beschrijving van Phreatix"));

  reBESCHRIJVING = new QTextBrowser(this);
  reBESCHRIJVING->setObjectName("reBESCHRIJVING");
  reBESCHRIJVING->setReadOnly(true);
  reBESCHRIJVING->setOpenLinks(false);
  reBESCHRIJVING->setHtml(QString::fromUtf8(kManual));

  bttnOK = new QPushButton(QString::fromUtf8("OK"), this);
  bttnOK->setObjectName("bttnOK");
  connect(bttnOK, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(reBESCHRIJVING, 1);
  layout->addWidget(bttnOK, 0, Qt::AlignHCenter);
  resize(680, 700);
}
