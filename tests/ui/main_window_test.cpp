// The main window on the offscreen platform through a whole session: the
// buttons the workflow enables, the progress schema's colours, and the
// close that writes the exit lines and Phreatix.log.
#include <QApplication>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <algorithm>

#include "demo/demo_data.h"
#include "frontend.h"
#include "platform/files.h"
#include "session/session.h"
#include "support/temp_dir.h"
#include "untKoppel.h"
#include "untMAIN.h"
#include "untSELECTIE.h"
#include "untZEFTAL.h"

namespace {

// Answers every dialog: file dialogs with the prepared path, message boxes
// by recording their text.
class ScriptedDialogs : public phreatix::ui::UiDialogs {
 public:
  void information(QWidget*, const QString& text) override { shown << text; }
  QString openFile(QWidget*, const QString&, const QString&) override { return nextFile; }
  QStringList openFiles(QWidget* parent, const QString& dir, const QString& filter) override {
    if (nextFiles.isEmpty()) return UiDialogs::openFiles(parent, dir, filter);
    QStringList files = nextFiles;
    nextFiles.clear();
    return files;
  }
  void beep() override {}
  bool choose(QWidget*, const QString& text, const QString& yes, const QString& no) override {
    choices << text + " [" + yes + "|" + no + "]";
    return chooseFirst;
  }
  QStringList shown;
  QStringList choices;
  bool chooseFirst = true;
  QString nextFile;
  QStringList nextFiles;  // a multiple selection, once
};

struct FatalStopReached {
  int exitCode;
};

QString enabledButtons(TfrmMAIN& w) {
  QStringList on;
  const std::pair<QPushButton*, const char*> buttons[] = {{w.btbttnPre, "Pre"},
                                                          {w.btbttnKOPPEL, "KOPPEL"},
                                                          {w.btbttnMeteo, "Meteo"},
                                                          {w.btbttnToonKoppeling, "ToonKoppeling"},
                                                          {w.btbttnSTART, "START"},
                                                          {w.btbttnDefaults, "Defaults"},
                                                          {w.btbttnResetStart, "ResetStart"}};
  for (auto [b, name] : buttons) {
    if (b->isEnabled()) on << name;
  }
  return on.join(' ');
}

// The fill colour at the centre of a schema node.
QColor node(TfrmMAIN& w, int left, int top) {
  return w.schema().toImage().pixelColor(left + 5, top + 5);
}

// Drives the modal windows of the meteo coupling as they open: the
// automatic mode with `couplingFile`, then "OK, ik heb het gezien".
void coupleAutomatically(TfrmMAIN& w, ScriptedDialogs& dialogs, const QString& couplingFile) {
  auto* timer = new QTimer(&w);
  QObject::connect(timer, &QTimer::timeout, [&w, &dialogs, couplingFile, timer] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == w.selectionWindow()) {
      w.selectionWindow()->rdbttnAUTOMATISCH->setChecked(true);
      w.selectionWindow()->rdgrpHOWClick();
      dialogs.nextFile = couplingFile;
      w.selectionWindow()->bttnBUISMETEOClick();
    } else if (modal == w.overviewWindow()) {
      w.overviewWindow()->bttnOK->click();
      timer->stop();
    }
  });
  timer->start(20);
  w.btbttnMeteoClick();
  timer->deleteLater();
}

}  // namespace

// The demo data set opened and coupled in a shown main window, with the
// period 1970-1999: ready for Start.
struct CoupledDemo {
  phreatix::test::TempDir dir;
  phreatix::DemoDataSet demo = phreatix::writeDemoData(dir.path());
  phreatix::Session session{dir.path()};
  TfrmMAIN window{session};
  explicit CoupledDemo(ScriptedDialogs& dialogs) {
    window.show();
    QTest::qWaitForWindowExposed(&window);
    dialogs.nextFile = QString::fromStdString(dir.file(demo.exportFile));
    window.btbttnKOPPELClick();
    session.settings().startYear = 1970;
    session.settings().numberOfYears = 30;
    coupleAutomatically(window, dialogs, QString::fromStdString(dir.file(demo.couplingFile)));
  }
};

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    phreatix::ui::setDialogs(&dialogs_);
    phreatix::ui::setFatalStopHandler(
        [](phreatix::Session&, int code) { throw FatalStopReached{code}; });
  }
  void cleanup() {
    phreatix::ui::setDialogs(nullptr);
    phreatix::ui::setFatalStopHandler(nullptr);
  }

  void qtSpeaksDutch() {
    QVERIFY2(phreatix::ui::installDutchQtTexts(), "qtbase_nl.qm is not installed");
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Annuleren"));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Open"), QString("Openen"));
  }

  void fileFiltersNameTheirPatternsOnce() {
    // A description that already ends with its patterns keeps them once.
    QCOMPARE(phreatix::ui::qtFilter("Grondwaterstanden 2000+ (*.csv)|*.csv|Grondwaterstanden "
                                    "-1999 (*.dat)|*.dat|Alle bestanden (*.*)|*.*"),
             QString("Grondwaterstanden 2000+ (*.csv);;Grondwaterstanden -1999 (*.dat);;Alle "
                     "bestanden (*.*)"));
    QCOMPARE(phreatix::ui::qtFilter("Meteobestanden|*.prn;*.txt"),
             QString("Meteobestanden (*.prn *.txt)"));
  }

  void aSessionThroughTheWorkflow() {
    phreatix::test::TempDir dir;
    const phreatix::DemoDataSet demo = phreatix::writeDemoData(dir.path());
    phreatix::Session session(dir.path());
    TfrmMAIN window(session);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QString("phreatix 3.0"));
    QCOMPARE(enabledButtons(window), QString("Pre KOPPEL ResetStart"));
    // The schema before any pipeline: every node red.
    QCOMPARE(node(window, 25, 50), QColor(255, 0, 0));
    QCOMPARE(node(window, 250, 75), QColor(255, 0, 0));

    const QSize before = window.size();
    const QString data = QString::fromStdString(dir.file(demo.exportFile));
    dialogs_.nextFile = data;
    window.btbttnKOPPELClick();
    // Messages arriving do not make the window grow.
    QCoreApplication::processEvents();
    QCOMPARE(window.size(), before);
    QCOMPARE(window.windowTitle(), "Phreatix 3.0 op " + data);
    QCOMPARE(enabledButtons(window), QString("Meteo ResetStart"));
    QVERIFY(window.mmLOG->toPlainText().contains(">50 m. verplaatst."));

    // Coupled with the start-up period (1969, no years): every file complete.
    coupleAutomatically(window, dialogs_, QString::fromStdString(dir.file(demo.couplingFile)));
    QCOMPARE(window.overview().rows.size(), size_t(5));
    QCOMPARE(enabledButtons(window), QString("ToonKoppeling START Defaults ResetStart"));

    // A meteo file that ends in 1980 is incomplete for a longer period.
    std::vector<std::string> meteo = phreatix::readLines(dir.file(demo.meteoFiles[0]));
    meteo.resize(8000);
    phreatix::writeLines(dir.file(demo.meteoFiles[0]), meteo);
    session.settings().numberOfYears = 30;
    coupleAutomatically(window, dialogs_, QString::fromStdString(dir.file(demo.couplingFile)));
    QCOMPARE(enabledButtons(window), QString("Meteo ToonKoppeling Defaults ResetStart"));
    QVERIFY(dialogs_.shown.last().startsWith("1 of meer meteobestand(en) zijn incompleet"));
    QVERIFY(phreatix::fileExists(dir.file("IncompleteMeteo.txt")));

    window.btbttnResetStartClick();
    QCOMPARE(enabledButtons(window), QString("Pre KOPPEL ResetStart"));
    QVERIFY(window.mmLOG->toPlainText().isEmpty());

    // Two exports chosen together, in two layouts: one data set.
    const QString today = PHREATIX_TEST_DATA_DIR "/input/dinoloket_2024.csv";
    dialogs_.nextFiles = {data, today};
    window.btbttnKOPPELClick();
    QCOMPARE(window.windowTitle(), "Phreatix 3.0 op " + data + ", " + today);
    QCOMPARE(enabledButtons(window), QString("Meteo ResetStart"));
    QVERIFY(std::count(session.dataSet().begin(), session.dataSet().end(),
                       "RB44F000101+00033-00017096260401410711214950314") == 1);
    window.btbttnResetStartClick();

    // Closing asks first; Annuleren returns to the program.
    dialogs_.chooseFirst = false;
    QVERIFY(!window.close());
    QCOMPARE(dialogs_.choices,
             QStringList{
                 "Resultaten inpakken en Phreatix afsluiten? [Inpakken en afsluiten|Annuleren]"});
    QVERIFY(window.isVisible());
    dialogs_.chooseFirst = true;
    // Closing: no pipeline ran, so the exit lines say the program stopped
    // early, and the session log is written.
    try {
      window.close();
      QFAIL("the close did not end the program");
    } catch (const FatalStopReached& stop) {
      QCOMPARE(stop.exitCode, 0);
    }
    std::vector<std::string> log = phreatix::readLines(dir.file("Phreatix.log"));
    QVERIFY(log.size() >= 3);
    QCOMPARE(QString::fromStdString(log.back()), QString("Overzicht in ZEFTAL multi.log"));
    QCOMPARE(QString::fromStdString(log[log.size() - 2]),
             QString("Programma voortijdig afgesloten."));
  }

  void thePipelineRunsFromTheStartButton() {
    CoupledDemo c(dialogs_);
    phreatix::test::TempDir& dir = c.dir;
    phreatix::Session& session = c.session;
    TfrmMAIN& window = c.window;
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.btbttnSTART->isEnabled());
    // While it runs: the engine window shows the run, and no workflow button
    // takes a click that would be dropped.
    bool engineShown = false;
    QStringList enabledDuringRun;
    QTimer watch;
    connect(&watch, &QTimer::timeout, &window, [&] {
      engineShown = engineShown || window.engineWindow()->isVisible();
      const QString on = enabledButtons(window);
      if (!on.isEmpty() && !enabledDuringRun.contains(on)) enabledDuringRun << on;
    });
    watch.start(10);
    window.btbttnSTARTClick();
    watch.stop();
    QVERIFY(engineShown);
    QCOMPARE(enabledDuringRun, QStringList());
    // After the pipeline: no workflow button, every node green, results.
    QCOMPARE(enabledButtons(window), QString());
    QCOMPARE(node(window, 250, 75), QColor(0, 128, 0));
    QCOMPARE(node(window, 25, 100), QColor(0, 128, 0));
    QVERIFY(phreatix::readLines(dir.file("modsel.zft")).size() >= 4);
    QVERIFY(phreatix::fileExists(dir.file("28AL0005.sta")));
    QVERIFY(window.mmBUIS->toPlainText().contains(
        "ZEFTAL-deterministische trace op 28AL0005 gestart."));
    QVERIFY(QApplication::overrideCursor() == nullptr);  // the hourglass is gone

    // A close requested while the repair runs waits for it, then closes.
    window.setArchiver({"true", 5, 5});  // an archiver that packs nothing
    bool closeDeferred = false;          // close() returned: the run went on
    QTimer::singleShot(50, &window, [&] {
      window.close();
      closeDeferred = true;
    });
    try {
      window.btbttnRepairClick();
      QFAIL("the close was lost");
    } catch (const FatalStopReached&) {
    }
    QVERIFY(closeDeferred);
    const std::vector<std::string>& exit = session.messages().stopExit();
    QVERIFY(std::find(exit.begin(), exit.end(), "Op verzoek gestopt.") != exit.end());
    QVERIFY(std::find(exit.begin(), exit.end(),
                      "Alle foute calibraties in foutbuis.zft en de goede in modsel.zft.") !=
            exit.end());
  }

  void stoppingAfterThisTube() {
    CoupledDemo c(dialogs_);
    phreatix::test::TempDir& dir = c.dir;
    phreatix::Session& session = c.session;
    TfrmMAIN& window = c.window;
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!window.btbttnSTOP->isEnabled());
    // Clicked while the first calibrations run: the run ends after the tube
    // it is running, no later stage begins, and Start can be pressed again.
    bool clicked = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, &window, [&] {
      if (!clicked && window.btbttnSTOP->isEnabled() && !session.messages().buis().empty()) {
        window.btbttnSTOP->click();
        clicked = true;
      }
    });
    watch.start(5);
    window.btbttnSTARTClick();
    watch.stop();
    QVERIFY(clicked);
    QVERIFY(window.mmLOG->toPlainText().contains("Op verzoek gestopt na de lopende buis."));
    QVERIFY(!phreatix::fileExists(dir.file("modsel.zft")));
    QVERIFY(!window.btbttnSTOP->isEnabled());
    QVERIFY(window.btbttnSTART->isEnabled());
  }

  void activationRunsAfterTheEngineWindowOnly() {
    phreatix::test::TempDir dir;
    dir.write("kron.txt", "01-01-90 1\n");
    phreatix::Session session(dir.path());
    TfrmMAIN window(session);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The activation events as the window system sends them (the offscreen
    // platform does not move the activation between windows itself).
    auto activate = [](QWidget* w) {
      QEvent event(QEvent::WindowActivate);
      QCoreApplication::sendEvent(w, &event);
    };
    activate(&window);  // first shown: the routine has run
    // Back from a modal window or message box: no activation routine.
    session.settings().MAXITER = 42;
    QDialog other;
    activate(&other);
    activate(&window);
    QCOMPARE(session.settings().MAXITER, 42);
    // Back from the engine window: the routine puts 500 back.
    activate(window.engineWindow());
    activate(&window);
    QCOMPARE(session.settings().MAXITER, 500);
    // Once more from a dialog: nothing again.
    session.settings().MAXITER = 42;
    activate(&other);
    activate(&window);
    QCOMPARE(session.settings().MAXITER, 42);
  }

  void theSchemaFollowsTheStages() {
    phreatix::test::TempDir dir;
    dir.write("kron.txt", "01-01-90 1\n");
    phreatix::Session session(dir.path());
    TfrmMAIN window(session);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QColor green(0, 128, 0), yellow(255, 255, 0), red(255, 0, 0);
    phreatix::StageFlags& f = session.stageFlags();
    f.ds = true;  // the ds inputs are written
    window.showStage();
    QCOMPARE(node(window, 25, 50), yellow);
    QCOMPARE(node(window, 150, 50), red);
    f.runsUnderWay = true;  // the ds runs
    window.showStage();
    QCOMPARE(node(window, 25, 50), green);
    QCOMPARE(node(window, 150, 50), yellow);
    f.ds = false;  // the trace runs
    f.simulation = f.trace = true;
    window.showStage();
    QCOMPARE(node(window, 200, 75), green);
    QCOMPARE(node(window, 250, 75), yellow);
    QCOMPARE(node(window, 150, 100), green);
    f.postprocessingReached = true;  // after the simulation phase
    window.showStage();
    for (auto [x, y] : {std::pair{25, 50},
                        {150, 50},
                        {25, 100},
                        {50, 100},
                        {75, 100},
                        {100, 100},
                        {125, 100},
                        {150, 100},
                        {175, 75},
                        {200, 75},
                        {250, 75}}) {
      QCOMPARE(node(window, x, y), green);
    }
    if (const char* shots = std::getenv("PHREATIX_SHOTS_DIR")) {
      window.grab().save(QString(shots) + "/main.png");
    }
  }

 private:
  ScriptedDialogs dialogs_;
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
