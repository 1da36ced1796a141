// The meteo selection window, the coupling overview window and the help
// system on the offscreen platform. File dialogs are answered with prepared
// paths; an empty answer is a cancelled dialog.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <QtTest>

#include "dialogs.h"
#include "frontend.h"
#include "help.h"
#include "platform/files.h"
#include "session/session.h"
#include "support/temp_dir.h"
#include "untAbout.h"
#include "untBeschrijving.h"
#include "untKoppel.h"
#include "untSELECTIE.h"

namespace {

constexpr const char* kMeteoFilter =
    "ASCII-bestanden (*.prn; *.txt)|*.prn;*.txt|alle bestanden|*.*";
constexpr const char* kCouplingFilter = "alle ASCII-bestanden (*.*)|*.*";

class RecordingDialogs : public phreatix::ui::UiDialogs {
 public:
  struct Request {
    QString startDir;
    QString filter;
  };

  void information(QWidget*, const QString& text) override { informations << text; }
  QString openFile(QWidget*, const QString& startDir, const QString& filter) override {
    requests.push_back({startDir, filter});
    return answers.isEmpty() ? QString() : answers.takeFirst();
  }
  void beep() override {}
  bool question(QWidget*, const QString& text) override {
    questions << text;
    return !yes.isEmpty() && yes.takeFirst();
  }

  QStringList answers;
  QStringList questions;
  QList<bool> yes;
  std::vector<Request> requests;
  QStringList informations;
};

// The recording dialogs in place for one test.
class DialogsScope {
 public:
  explicit DialogsScope(phreatix::ui::UiDialogs* dialogs) { phreatix::ui::setDialogs(dialogs); }
  ~DialogsScope() { phreatix::ui::setDialogs(nullptr); }
};

// The fatal stop of a window test: leaves the handler that stopped through
// an exception of its own instead of ending the process.
struct StoppedForTest {};

class FatalStopScope {
 public:
  FatalStopScope() {
    phreatix::ui::setFatalStopHandler([](phreatix::Session&, int) { throw StoppedForTest{}; });
  }
  ~FatalStopScope() { phreatix::ui::setFatalStopHandler(nullptr); }
};

QStringList entries(const QListWidget* list) {
  QStringList texts;
  for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
  return texts;
}

// Selects exactly the entries named, as a user's clicks would.
void selectEntries(QListWidget* list, const QStringList& names) {
  for (int i = 0; i < list->count(); ++i)
    list->item(i)->setSelected(names.contains(list->item(i)->text()));
}

QStringList overviewRows(const phreatix::CouplingOverview& overview) {
  QStringList rows;
  for (const phreatix::CouplingRow& row : overview.rows)
    rows << QString::fromStdString(row.tube + " | " + row.meteo);
  return rows;
}

// Five tubes in data-set order, which is not alphabetical.
std::vector<std::string> fiveTubes() {
  return {"99UU2205 +01", "99UU2201 +01", "99UU2203 +02", "99UU2202 +01 (ingreep!)",
          "99UU2204 +01"};
}

QString shotsDir() { return qEnvironmentVariable("PHREATIX_SHOTS_DIR"); }

}  // namespace

class CouplingWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void manualCouplingGivesOneAlphabeticalGroupPerMeteoFile() {
    phreatix::test::TempDir dir;
    phreatix::Session session(dir.path());
    phreatix::CouplingOverview overview;
    RecordingDialogs dialogs;
    DialogsScope scope(&dialogs);
    dialogs.answers << "A.prn"
                    << "B.prn";
    TfrmSELECTIE window(session, overview);
    window.begin(fiveTubes());
    window.show();

    // Activation: the tubes listed, nothing to move yet.
    QCOMPARE(entries(window.lstbxAlleBuizen).size(), 5);
    QCOMPARE(overview.rows.size(), size_t(5));
    QVERIFY(window.lblSELECT2->text().isEmpty());
    QVERIFY(!window.lstbxAlleBuizen->isEnabled());
    QVERIFY(!window.lstbxSELECTIE->isEnabled());
    QVERIFY(!window.bttnSelect->isEnabled());
    QVERIFY(!window.bttnUNSELECT->isEnabled());
    QVERIFY(window.bttnKIESMETEO->isEnabled());
    QVERIFY(window.lblALLEBUIZEN->isEnabled());
    QVERIFY(!window.bttnBUISMETEO->isEnabled());

    window.bttnKIESMETEOClick();
    QCOMPARE(dialogs.requests.size(), size_t(1));
    QCOMPARE(dialogs.requests[0].startDir, QString::fromStdString(dir.path()));
    QCOMPARE(dialogs.requests[0].filter, phreatix::ui::qtFilter(kMeteoFilter));
    QCOMPARE(window.lblSELECT2->text(), QString("A.prn"));
    QVERIFY(window.lstbxAlleBuizen->isEnabled());
    QVERIFY(window.lstbxSELECTIE->isEnabled());
    QVERIFY(window.bttnSelect->isEnabled());
    QVERIFY(!window.bttnUNSELECT->isEnabled());

    selectEntries(window.lstbxAlleBuizen, {"99UU2205 +01", "99UU2203 +02", "99UU2204 +01"});
    window.bttnSelectClick();
    QCOMPARE(entries(window.lstbxSELECTIE),
             QStringList({"99UU2203 +02", "99UU2204 +01", "99UU2205 +01"}));
    QCOMPARE(entries(window.lstbxAlleBuizen),
             QStringList({"99UU2201 +01", "99UU2202 +01 (ingreep!)"}));
    QVERIFY(window.bttnUNSELECT->isEnabled());

    window.bttnKIESMETEOClick();
    QCOMPARE(window.lblSELECT2->text(), QString("B.prn"));
    QVERIFY(entries(window.lstbxSELECTIE).isEmpty());
    QVERIFY(!window.bttnUNSELECT->isEnabled());
    selectEntries(window.lstbxAlleBuizen, entries(window.lstbxAlleBuizen));
    window.bttnSelectClick();
    QVERIFY(entries(window.lstbxAlleBuizen).isEmpty());

    // Every tube coupled: the window closes without asking for a file.
    window.bttnKIESMETEOClick();
    QCOMPARE(dialogs.requests.size(), size_t(2));
    QVERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(overviewRows(overview), QStringList({
                                         "99UU2203 +02 | A.prn",
                                         "99UU2204 +01 | A.prn",
                                         "99UU2205 +01 | A.prn",
                                         "99UU2201 +01 | B.prn",
                                         "99UU2202 +01 (ingreep!) | B.prn",
                                     }));
  }

  void knmiFileIsOfferedForConversion() {
    phreatix::test::TempDir dir;
    phreatix::Session session(dir.path());
    phreatix::CouplingOverview overview;
    RecordingDialogs dialogs;
    DialogsScope scope(&dialogs);
    const QString knmi = QString::fromStdString(dir.file("knmi_station.txt"));
    QVERIFY(QFile::copy(PHREATIX_TEST_DATA_DIR "/coupling/knmi_station.txt", knmi));
    dialogs.answers << knmi << knmi;
    dialogs.yes << false << true;
    TfrmSELECTIE window(session, overview);
    window.begin(fiveTubes());

    // Declined: no meteo file chosen, nothing written.
    window.bttnKIESMETEOClick();
    QCOMPARE(dialogs.questions.size(), 1);
    QVERIFY(dialogs.questions[0].contains("is een KNMI-bestand"));
    QVERIFY(window.lblSELECT2->text().isEmpty());
    const std::string converted = dir.file("knmi_station.prn");
    QVERIFY(!phreatix::fileExists(converted));

    // Accepted: the converted file is written, reported and coupled.
    window.bttnKIESMETEOClick();
    QCOMPARE(window.lblSELECT2->text(), QString::fromStdString(converted));
    QCOMPARE(phreatix::readLines(converted).front(), std::string("4 5 0.01 4 5"));
    QCOMPARE(dialogs.informations.size(), 1);
    QVERIFY(dialogs.informations[0].contains("Geschreven: 4-1-2000 t/m 7-1-2000 (4 dagen)."));
    QVERIFY(window.lstbxAlleBuizen->isEnabled());
  }

  void cancelledMeteoDialogKeepsTheCurrentFile() {
    phreatix::test::TempDir dir;
    phreatix::Session session(dir.path());
    phreatix::CouplingOverview overview;
    RecordingDialogs dialogs;
    DialogsScope scope(&dialogs);
    dialogs.answers << "A.prn"
                    << "";
    TfrmSELECTIE window(session, overview);
    window.begin({"99UU2201 +01", "99UU2202 +01"});
    window.show();

    window.bttnKIESMETEOClick();
    selectEntries(window.lstbxAlleBuizen, {"99UU2202 +01"});
    window.bttnSelectClick();
    window.bttnKIESMETEOClick();  // commits 99UU2202, then the dialog is cancelled
    QCOMPARE(dialogs.requests.size(), size_t(2));
    QVERIFY(window.isVisible());
    QCOMPARE(window.lblSELECT2->text(), QString("A.prn"));
    QVERIFY(window.lstbxAlleBuizen->isEnabled());
    QVERIFY(window.bttnSelect->isEnabled());

    selectEntries(window.lstbxAlleBuizen, {"99UU2201 +01"});
    window.bttnSelectClick();
    window.bttnKIESMETEOClick();
    QVERIFY(!window.isVisible());
    QCOMPARE(overviewRows(overview), QStringList({"99UU2202 +01 | A.prn", "99UU2201 +01 | A.prn"}));
  }

  void movingBackSortsTheTubeList() {
    phreatix::test::TempDir dir;
    phreatix::Session session(dir.path());
    phreatix::CouplingOverview overview;
    RecordingDialogs dialogs;
    DialogsScope scope(&dialogs);
    dialogs.answers << "A.prn";
    TfrmSELECTIE window(session, overview);
    window.begin(fiveTubes());
    window.bttnKIESMETEOClick();

    // Nothing selected: nothing moves and "<<" stays off.
    window.bttnSelectClick();
    QCOMPARE(entries(window.lstbxAlleBuizen).size(), 5);
    QVERIFY(!window.bttnUNSELECT->isEnabled());

    selectEntries(window.lstbxAlleBuizen, {"99UU2205 +01", "99UU2202 +01 (ingreep!)"});
    window.bttnSelectClick();
    // The tube list keeps the data-set order until an entry comes back.
    QCOMPARE(entries(window.lstbxAlleBuizen),
             QStringList({"99UU2201 +01", "99UU2203 +02", "99UU2204 +01"}));
    selectEntries(window.lstbxSELECTIE, {"99UU2205 +01"});
    window.bttnUNSELECTClick();
    QCOMPARE(entries(window.lstbxSELECTIE), QStringList({"99UU2202 +01 (ingreep!)"}));
    QCOMPARE(entries(window.lstbxAlleBuizen),
             QStringList({"99UU2201 +01", "99UU2203 +02", "99UU2204 +01", "99UU2205 +01"}));
    QCOMPARE(window.bttnUNSELECT->toolTip(),
             QString("zet geselecteerde buizen terug naar algemene lijst"));
  }

  void meteoNameWithoutExtensionMeansPrn() {
    phreatix::test::TempDir dir;
    phreatix::Session session(dir.path());
    phreatix::CouplingOverview overview;
    RecordingDialogs dialogs;
    DialogsScope scope(&dialogs);
    dialogs.answers << QString::fromStdString(dir.file("met_oost"));
    TfrmSELECTIE window(session, overview);
    window.begin({"99UU2201 +01"});
    window.bttnKIESMETEOClick();
    QCOMPARE(window.lblSELECT2->text(),
             QDir::toNativeSeparators(QString::fromStdString(dir.file("met_oost.prn"))));
  }

  void emptyTubeListClosesAtOnce() {
    phreatix::test::TempDir dir;
    phreatix::Session session(dir.path());
    phreatix::CouplingOverview overview;
    overview.rows.push_back({"99UU2201 +01", "old.prn"});
    RecordingDialogs dialogs;
    DialogsScope scope(&dialogs);
    TfrmSELECTIE window(session, overview);
    window.begin({});
    window.show();
    window.bttnKIESMETEOClick();
    QVERIFY(!window.isVisible());
    QVERIFY(dialogs.requests.empty());
    QVERIFY(overview.rows.empty());
  }

  void onlyItsOwnButtonsCloseTheWindows() {
    phreatix::test::TempDir dir;
    phreatix::Session session(dir.path());
    phreatix::CouplingOverview overview;
    TfrmSELECTIE selection(session, overview);
    selection.begin({"99UU2201 +01"});
    selection.show();
    QTest::keyClick(&selection, Qt::Key_Escape);
    QVERIFY(selection.isVisible());
    QVERIFY(!(selection.windowFlags() & Qt::WindowCloseButtonHint));
    // A close button the window manager offers anyway ends the coupling as
    // it stands instead of doing nothing.
    selection.close();
    QVERIFY(!selection.isVisible());
    QCOMPARE(selection.result(), int(QDialog::Accepted));

    TfrmKoppeling shown;
    shown.show();
    QVERIFY(!(shown.windowFlags() & Qt::WindowCloseButtonHint));
    // Escape and a close button mean "seen", as the one button does.
    QTest::keyClick(&shown, Qt::Key_Escape);
    QVERIFY(!shown.isVisible());
    shown.show();
    shown.close();
    QVERIFY(!shown.isVisible());
    shown.show();
    shown.bttnOK->click();
    QVERIFY(!shown.isVisible());
    QCOMPARE(shown.bttnOK->text(), QString("OK, ik heb het gezien"));
  }

  void modeChoiceSwitchesTheControlsAndPersists() {
    phreatix::test::TempDir dir;
    phreatix::Session session(dir.path());
    phreatix::CouplingOverview overview;
    TfrmSELECTIE window(session, overview);
    window.begin(fiveTubes());
    QVERIFY(window.rdbttnHANDMATIG->isChecked());

    window.rdbttnAUTOMATISCH->click();
    QVERIFY(window.bttnBUISMETEO->isEnabled());
    QVERIFY(!window.bttnKIESMETEO->isEnabled());
    QVERIFY(!window.lblALLEBUIZEN->isEnabled());
    QVERIFY(!window.lblSELECTIE->isEnabled());

    // A next opening starts in the mode chosen last.
    window.begin(fiveTubes());
    QVERIFY(window.rdbttnAUTOMATISCH->isChecked());
    QVERIFY(window.bttnBUISMETEO->isEnabled());
    QVERIFY(!window.bttnKIESMETEO->isEnabled());

    window.rdbttnHANDMATIG->click();
    QVERIFY(!window.bttnBUISMETEO->isEnabled());
    QVERIFY(window.bttnKIESMETEO->isEnabled());
    QVERIFY(window.lblALLEBUIZEN->isEnabled());
    QVERIFY(window.lblSELECTIE->isEnabled());
  }

  void automaticCouplingFillsTheOverviewAndCloses() {
    phreatix::test::TempDir dir;
    dir.write("met_oost.prn", "dag maand jaar neerslag verdamping\n");
    dir.write("met_west.prn", "dag maand jaar neerslag verdamping\n");
    // The three separators and both orders; 99UU2204 is not mentioned.
    dir.write("koppel.txt",
              "99UU2201;met_oost.prn\nmet_west.prn 99UU2202\n99UU2203 , met_oost.prn\n");
    phreatix::Session session(dir.path());
    phreatix::CouplingOverview overview;
    RecordingDialogs dialogs;
    DialogsScope scope(&dialogs);
    TfrmSELECTIE window(session, overview);
    const std::vector<std::string> tubes = {"99UU2201 +01", "99UU2202 +01 (ingreep!)",
                                            "99UU2203 +02", "99UU2204 +01"};
    window.begin(tubes);
    window.show();
    window.rdbttnAUTOMATISCH->click();

    // A cancelled dialog leaves the window open and the overview empty.
    window.bttnBUISMETEOClick();
    QVERIFY(window.isVisible());
    QCOMPARE(overviewRows(overview), QStringList(4, QString(" | ")));

    dialogs.answers << QString::fromStdString(dir.file("koppel.txt"));
    window.bttnBUISMETEOClick();
    QCOMPARE(dialogs.requests.size(), size_t(2));
    QCOMPARE(dialogs.requests[1].startDir, QString::fromStdString(dir.path()));
    QCOMPARE(dialogs.requests[1].filter, phreatix::ui::qtFilter(kCouplingFilter));
    QVERIFY(dialogs.informations.isEmpty());
    QVERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(overviewRows(overview), QStringList({
                                         "99UU2201 +01 | met_oost.prn",
                                         "99UU2202 +01 (ingreep!) | met_west.prn",
                                         "99UU2203 +02 | met_oost.prn",
                                         "99UU2204 +01 | ",
                                     }));
    // The automatic mode leaves the tube list as it was.
    QCOMPARE(entries(window.lstbxAlleBuizen).size(), 4);
  }

  void missingMeteoFileInCouplingFileStopsTheProgram() {
    phreatix::test::TempDir dir;
    dir.write("met_oost.prn", "dag maand jaar neerslag verdamping\n");
    dir.write("koppel.txt", "99UU2201 met_oost.prn\n99UU2202 met_zuid.prn\n");
    phreatix::Session session(dir.path());
    phreatix::CouplingOverview overview;
    RecordingDialogs dialogs;
    DialogsScope scope(&dialogs);
    dialogs.answers << QString::fromStdString(dir.file("koppel.txt"));
    FatalStopScope stops;
    TfrmSELECTIE window(session, overview);
    window.begin({"99UU2201 +01", "99UU2202 +01"});
    window.show();
    window.rdbttnAUTOMATISCH->click();

    bool stopped = false;
    try {
      window.bttnBUISMETEOClick();
    } catch (const StoppedForTest&) {
      stopped = true;
    }
    QVERIFY(stopped);
    const std::string first =
        "Er ontbreken 1 of meer meteofiles genoemd in <" + dir.file("koppel.txt") + ">.";
    const std::string which = dir.file("koppel.txt") +
                              ":2: buis 99UU2202: meteobestand \"met_zuid.prn\" bestaat niet in "
                              "de werkmap";
    QCOMPARE(dialogs.informations,
             QStringList({QString::fromStdString(first + "\n" + which +
                                                 "\n\nVerbeter dit en begin opnieuw.")}));
    QCOMPARE(session.messages().log().back(), which);
    QVERIFY(window.isVisible());
  }

  void overviewWindowShowsTitlesAndOneRowPerTube() {
    phreatix::CouplingOverview overview;
    overview.rows = {{"99UU2201 +01", "C:\\meteo\\met_oost.prn"},
                     {"99UU2202 +01 (ingreep!)", "met_west.prn"},
                     {"99UU2203 +02", ""}};
    TfrmKoppeling window;
    window.showOverview(overview);
    QTableWidget* grid = window.strgrdResultaat;
    QCOMPARE(grid->columnCount(), 2);
    QCOMPARE(grid->rowCount(), 4);
    QCOMPARE(grid->item(0, 0)->text(), QString("DINO-buis"));
    QCOMPARE(grid->item(0, 1)->text(), QString("Meteobestand"));
    QCOMPARE(grid->item(1, 0)->text(), QString("99UU2201 +01"));
    QCOMPARE(grid->item(1, 1)->text(), QString("C:\\meteo\\met_oost.prn"));
    QCOMPARE(grid->item(2, 0)->text(), QString("99UU2202 +01 (ingreep!)"));
    QCOMPARE(grid->item(2, 1)->text(), QString("met_west.prn"));
    QCOMPARE(grid->item(3, 0)->text(), QString("99UU2203 +02"));
    QCOMPARE(grid->item(3, 1)->text(), QString(""));
    QVERIFY(!(grid->item(1, 0)->flags() & Qt::ItemIsEditable));

    // A smaller coupling shown later leaves no rows of the earlier one.
    overview.rows.resize(1);
    window.showOverview(overview);
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->item(0, 0)->text(), QString("DINO-buis"));
    QCOMPARE(grid->item(1, 0)->text(), QString("99UU2201 +01"));
  }

  // Under Model: uitgebreid the overview has the column "Stressbestand" and
  // chooses a stress file of the working directory for the rows selected;
  // a bad file or a cancelled dialog changes nothing, "Geen stressbestand"
  // takes it off. Shown without the choice, the column stays while a row
  // has a stress file, and the buttons are gone.
  void overviewChoosesStressFilesForTheSelectedRows() {
    phreatix::test::TempDir dir;
    dir.write("put.csv", "# soort=onttrekking eenheid=m3/dag\ndatum,waarde\n2001-01-01,5\n");
    dir.write("slecht.csv", "# soort=onttrekking eenheid=m\ndatum,waarde\n2001-01-01,5\n");
    phreatix::CouplingOverview overview;
    overview.rows = {{"99UU2201 +01", "met_oost.prn"},
                     {"99UU2202 +01 (ingreep!)", "met_west.prn"},
                     {"99UU2203 +02", "met_oost.prn"}};
    RecordingDialogs dialogs;
    DialogsScope scope(&dialogs);
    TfrmKoppeling window;
    window.showOverviewWithStress(overview, dir.path());
    window.show();
    QTableWidget* grid = window.strgrdResultaat;
    QCOMPARE(grid->columnCount(), 3);
    QCOMPARE(grid->item(0, 2)->text(), QString("Stressbestand"));
    QCOMPARE(grid->item(2, 2)->text(), QString(""));
    QVERIFY(window.bttnKIESSTRESS->isVisible() && window.bttnGEENSTRESS->isVisible());
    // Nothing selected, nothing to choose for.
    QVERIFY(!window.bttnKIESSTRESS->isEnabled());
    QVERIFY(!window.bttnGEENSTRESS->isEnabled());

    // As a click and control-clicks would.
    auto selectRows = [&](std::initializer_list<int> rows) {
      grid->clearSelection();
      for (int row : rows) {
        grid->selectionModel()->select(grid->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
      }
    };
    selectRows({1, 3});
    QVERIFY(window.bttnKIESSTRESS->isEnabled());
    dialogs.answers << QString::fromStdString(dir.file("put.csv"));
    window.bttnKIESSTRESS->click();
    QCOMPARE(dialogs.requests.size(), std::size_t(1));
    QCOMPARE(dialogs.requests[0].startDir, QString::fromStdString(dir.path()));
    QCOMPARE(dialogs.requests[0].filter, QString("stressbestanden (*.csv);;alle bestanden (*.*)"));
    QCOMPARE(overview.rows[0].stress, std::string("put.csv"));
    QCOMPARE(overview.rows[1].stress, std::string(""));
    QCOMPARE(overview.rows[2].stress, std::string("put.csv"));
    QCOMPARE(grid->item(1, 2)->text(), QString("put.csv"));
    QCOMPARE(grid->item(3, 2)->text(), QString("put.csv"));
    QCOMPARE(grid->item(3, 1)->text(), QString("met_oost.prn"));
    QVERIFY(dialogs.informations.isEmpty());

    // A file the reader refuses: its reason shown, the row unchanged.
    selectRows({2});
    dialogs.answers << QString::fromStdString(dir.file("slecht.csv"));
    window.bttnKIESSTRESS->click();
    QCOMPARE(dialogs.informations,
             QStringList({QString::fromStdString(
                 dir.file("slecht.csv") +
                 ":1: eenheid \"m\" past niet bij soort onttrekking (verwacht eenheid=m3/dag)")}));
    QCOMPARE(overview.rows[1].stress, std::string(""));
    // Cancelled.
    selectRows({1});
    window.bttnKIESSTRESS->click();
    QCOMPARE(overview.rows[0].stress, std::string("put.csv"));

    window.bttnGEENSTRESS->click();
    QCOMPARE(overview.rows[0].stress, std::string(""));
    QCOMPARE(grid->item(1, 2)->text(), QString(""));
    QCOMPARE(overview.rows[2].stress, std::string("put.csv"));

    window.showOverview(overview);
    QCOMPARE(grid->columnCount(), 3);
    QCOMPARE(grid->item(3, 2)->text(), QString("put.csv"));
    QVERIFY(!window.bttnKIESSTRESS->isVisible() && !window.bttnGEENSTRESS->isVisible());
    overview.rows[2].stress.clear();
    window.showOverview(overview);
    QCOMPARE(grid->columnCount(), 2);
    QCOMPARE(grid->item(0, 1)->text(), QString("Meteobestand"));
  }

  void helpWindowFollowsTheSelectedTopicOnlyWhenOpen() {
    phreatix::ui::HelpSystem help;
    for (const char* name :
         {"PHREATIX.TOC000", "PHREATIX._C_001", "PHREATIX._S_001", "PHREATIX._T_001",
          "PHREATIX._P_001", "PHREATIX.AP_001", "PHREATIX._CR001", "PHREATIX._TB001"}) {
      QVERIFY2(help.hasTopic(name), name);
      QVERIFY2(!help.topicText(name).isEmpty(), name);
    }
    QCOMPARE(help.currentTopic(), std::string("PHREATIX.TOC000"));

    // The pipeline selects a topic: no window appears.
    QVERIFY(help.selectTopic("PHREATIX._C_001"));
    QCOMPARE(help.currentTopic(), std::string("PHREATIX._C_001"));
    QVERIFY(help.window() == nullptr);
    QVERIFY(!help.isOpen());
    QVERIFY(!help.selectTopic("PHREATIX._X_999"));
    QCOMPARE(help.currentTopic(), std::string("PHREATIX._C_001"));

    help.open();
    QVERIFY(help.isOpen());
    auto* view = help.window()->findChild<QTextBrowser*>("reHELP");
    auto* topics = help.window()->findChild<QListWidget*>("lstbxTOPICS");
    QVERIFY(view && topics);
    QVERIFY(view->isReadOnly());
    QVERIFY(view->toPlainText().contains(help.topicTitle("PHREATIX._C_001")));
    QCOMPARE(topics->currentItem()->text(), help.topicTitle("PHREATIX._C_001"));

    // With the window open it turns to the next topic selected.
    help.selectTopic("PHREATIX._T_001");
    QVERIFY(view->toPlainText().contains(help.topicTitle("PHREATIX._T_001")));
    QVERIFY(!view->toPlainText().contains(help.topicTitle("PHREATIX._C_001")));
    QCOMPARE(topics->currentItem()->text(), help.topicTitle("PHREATIX._T_001"));

    // A link in the contents leads to its topic.
    help.selectTopic("PHREATIX.TOC000");
    emit view->anchorClicked(QUrl("PHREATIX._S_001"));
    QCOMPARE(help.currentTopic(), std::string("PHREATIX._S_001"));

    // The user picks a topic in the list.
    topics->setCurrentRow(0);
    QCOMPARE(help.currentTopic(), std::string("PHREATIX.TOC000"));

    // Closed by the user, the window stays closed when topics change.
    help.window()->close();
    help.selectTopic("PHREATIX._P_001");
    QVERIFY(!help.isOpen());
    help.open();
    QVERIFY(view->toPlainText().contains(help.topicTitle("PHREATIX._P_001")));
  }

  void aboutWindowNamesProgramAndVersion() {
    TfrmAbout about;
    QCOMPARE(about.lblProgramma->text(), QString("Phreatix"));
    QVERIFY(about.lblVersie->text().contains("3.0"));
    about.show();
    about.bttnOK->click();
    QVERIFY(!about.isVisible());
  }

  // Pictures of every window for a look by eye, only when asked for with
  // PHREATIX_SHOTS_DIR.
  void screenshots() {
    if (shotsDir().isEmpty()) QSKIP("PHREATIX_SHOTS_DIR not set");
    QVERIFY(QDir().mkpath(shotsDir()));
    auto save = [](QWidget& window, const char* name) {
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      QVERIFY(window.width() <= 1366 && window.height() <= 768);
      QVERIFY(window.grab().save(shotsDir() + "/" + name + ".png"));
    };

    phreatix::test::TempDir dir;
    phreatix::Session session(dir.path());
    phreatix::CouplingOverview overview;
    RecordingDialogs dialogs;
    DialogsScope scope(&dialogs);
    dialogs.answers << "C:\\meteo\\De_Bilt_1951-2010.prn";
    TfrmSELECTIE selection(session, overview);
    selection.begin(fiveTubes());
    selection.bttnKIESMETEOClick();
    selectEntries(selection.lstbxAlleBuizen, {"99UU2205 +01", "99UU2203 +02"});
    selection.bttnSelectClick();
    selectEntries(selection.lstbxAlleBuizen, {"99UU2204 +01"});
    save(selection, "selectie");

    overview.rows = {{"99UU2201 +01", "C:\\meteo\\De_Bilt_1951-2010.prn"},
                     {"99UU2202 +01 (ingreep!)", "C:\\meteo\\De_Bilt_1951-2010.prn"},
                     {"28AL0005 +01", "met_oost.prn"}};
    TfrmKoppeling shown;
    shown.showOverview(overview);
    save(shown, "koppeling");
    overview.rows[0].stress = "pompstation_oost.csv";
    overview.rows[1].stress = "pompstation_oost.csv";
    TfrmKoppeling withStress;
    withStress.showOverviewWithStress(overview, dir.path());
    withStress.strgrdResultaat->selectRow(3);
    save(withStress, "koppeling-stress");

    TfrmAbout about;
    save(about, "about");
    TfrmBeschrijving description;
    save(description, "beschrijving");

    phreatix::ui::HelpSystem help;
    help.selectTopic("PHREATIX.TOC000");
    help.open();
    save(*help.window(), "help");
  }
};

QTEST_MAIN(CouplingWindowsTest)
#include "coupling_windows_test.moc"
