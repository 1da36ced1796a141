// The engine window driven by real engine runs, the post-processing window
// after real batches, and the detail-settings window's field checks and
// "Instellingen OK", on the offscreen platform.
//
// With PHREATIX_SHOTS set to a folder, each window's picture is saved there
// to be looked at by eye.
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTextBlock>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <thread>

#include "dialogs.h"
#include "engine/engine_run.h"
#include "engine/engine_test_support.h"
#include "platform/files.h"
#include "postprocessing/karakt.h"
#include "support/synthetic_tube.h"
#include "support/temp_dir.h"
#include "untDefaults.h"
#include "untPost.h"
#include "untZEFTAL.h"

namespace {

class RecordingDialogs : public phreatix::ui::UiDialogs {
 public:
  void information(QWidget* /*parent*/, const QString& text) override { shown << text; }
  QString openFile(QWidget*, const QString&, const QString&) override { return {}; }
  void beep() override { ++beeps; }

  QStringList shown;
  int beeps = 0;
};

void saveShot(QWidget& window, const QString& name) {
  const QString dir = qEnvironmentVariable("PHREATIX_SHOTS");
  if (dir.isEmpty()) return;
  QDir().mkpath(dir);
  QVERIFY(window.grab().save(dir + "/" + name + ".png"));
}

// A simulation of 3 realisations over 40 meteo days: a run of a split
// second that reports one runtime line per realisation.
phreatix::test::ParFile writeSimulationCase(const phreatix::test::TempDir& dir) {
  phreatix::test::ParFile par;
  par.traceFile = "t.u01";
  par.resultsFile = "t.e01";
  par.line5 = "2 -79359 3 1 1969";
  par.initial = "0.8 2 0.5 0.9 -100 4";
  par.h0 = "-100";
  par.line10 = "1 40 0.0001";
  par.warmUp = "10";
  std::vector<double> surplus(40);
  for (int i = 0; i < 40; ++i) surplus[i] = (i % 5) - 1.5;
  phreatix::writeLines(dir.file(par.meteoFile), phreatix::test::meteoLines(surplus));
  phreatix::writeLines(dir.file(par.measurementFile),
                       phreatix::test::measurementLines({{5, -90}, {12, -95}, {30, -99}}));
  phreatix::writeLines(dir.file("zeftal0.par"), par.lines());
  return par;
}

QString cellText(const QTableWidget* grid, int row, int column) {
  const QTableWidgetItem* item = grid->item(row, column);
  return item ? item->text() : QString();
}

}  // namespace

class EnginePostWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { phreatix::ui::setDialogs(&dialogs_); }
  void cleanup() {
    phreatix::ui::setDialogs(nullptr);
    dialogs_ = RecordingDialogs();
  }

  // ---- engine window ----

  void engineWindowShowsASuccessfulRun() {
    phreatix::test::TempDir dir;
    const phreatix::test::ParFile par = writeSimulationCase(dir);
    phreatix::Messages messages;
    TfrmZEFTAL window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.frameGeometry().x(), 1);
    QVERIFY(!window.lblGEREED->isVisible());
    QCOMPARE(window.edtIN->text(), QString("zeftal0.par"));
    QVERIFY(!window.edtIN->isVisible());

    phreatix::Engine engine(window, messages);
    QVERIFY2(engine.run(dir.path(), "ZEFTAL3 op t", 500), engine.message().c_str());

    const std::vector<std::string> lines = par.lines();
    const char* const statuses[phreatix::kParameterRows] = {
        "File read", "File read", "File closed", "File closed", "Read/simul", "Data read",
        "Data read", "Data read", "Data read",   "Data read",   "Data read"};
    for (int row = 0; row < phreatix::kParameterRows; ++row) {
      QCOMPARE(cellText(window.strgrdPARFILE, row, 0), QString("line %1").arg(row + 1));
      QCOMPARE(cellText(window.strgrdPARFILE, row, 1), QString(phreatix::kParameterRowLabels[row]));
      QCOMPARE(cellText(window.strgrdPARFILE, row, 2), QString::fromStdString(lines[row]));
      QCOMPARE(cellText(window.strgrdPARFILE, row, 3), QString(statuses[row]));
    }
    QCOMPARE(window.reRUNTIME->toPlainText(),
             QString("busy with realization:1\nbusy with realization:2\n"
                     "busy with realization:3"));
    QVERIFY(window.lblGEREED->isVisible());
    QCOMPARE(window.lblGEREED->text(), QString("ZEFTAL3 is gereed"));
    QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    QVERIFY(phreatix::fileExists(dir.file("t.u01.ok")));
    saveShot(window, "engine");
  }

  void engineWindowShowsAFailedRunAfterASuccessfulOne() {
    phreatix::test::TempDir dir;
    phreatix::test::ParFile par = writeSimulationCase(dir);
    phreatix::Messages messages;
    TfrmZEFTAL window;
    // What the window showed when the engine asked for help on its error:
    // the run was still under way.
    std::vector<std::string> topics;
    bool labelShownDuringRun = true;
    bool busyDuringRun = false;
    window.setHelpTopicHandler([&](std::string topic) {
      topics.push_back(topic);
      labelShownDuringRun = window.lblGEREED->isVisible();
      busyDuringRun = window.cursor().shape() == Qt::WaitCursor;
    });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    phreatix::Engine engine(window, messages);
    QVERIFY(engine.run(dir.path(), "ZEFTAL3 op t", 500));

    par.measurementFile = "missing.01";
    phreatix::writeLines(dir.file("zeftal0.par"), par.lines());
    QVERIFY(!engine.run(dir.path(), "ZEFTAL3 op t", 500));

    QCOMPARE(topics, std::vector<std::string>{"PHREATIX._CR001"});
    QVERIFY(!labelShownDuringRun);
    QVERIFY(busyDuringRun);
    QVERIFY(window.lblGEREED->isVisible());
    QCOMPARE(window.lblGEREED->text(), QString("Gestopt met foutmelding"));
    QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    // The second run cleared the runtime list of the first and failed
    // before any realisation.
    QCOMPARE(window.reRUNTIME->toPlainText(), QString());
    QCOMPARE(cellText(window.strgrdPARFILE, 0, 2), QString("missing.01"));
    QVERIFY(!engine.message().empty());

    // A click on the window itself asks for the engine window's topic.
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(topics, (std::vector<std::string>{"PHREATIX._CR001", "PHREATIX._TB001"}));
  }

  void runtimeListKeepsUpWithACalibrationsWorthOfLines() {
    TfrmZEFTAL window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // How fast this goes is the repaint throttle's business (tested below);
    // here: what the list shows after a calibration's worth of lines.
    for (int i = 1; i <= 10000; ++i) {
      window.addRuntime(" iteration number: " + std::to_string(i));
      window.repaint();
    }
    // The latest lines only, the last one added at the bottom.
    const QTextDocument* text = window.reRUNTIME->document();
    QCOMPARE(text->blockCount(), 2000);
    QCOMPARE(text->lastBlock().text(), QString(" iteration number: 10000"));
    QCOMPARE(text->firstBlock().text(), QString(" iteration number: 8001"));
  }

  void repaintDrawsAtMostTwentyTimesASecond() {
    TfrmZEFTAL window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    int handled = 0;
    QTimer::singleShot(0, this, [&] { ++handled; });
    window.repaint();
    QCOMPARE(handled, 1);
    // Straight after a repaint the next one is skipped, but what it was
    // asked to show is already in the controls.
    QTimer::singleShot(0, this, [&] { ++handled; });
    window.setGridStatus(4, "Read/calib");
    window.addRuntime("initial simplex corrected");
    window.setGereed("Gestopt met foutmelding", true);
    window.repaint();
    QCOMPARE(handled, 1);
    QCOMPARE(cellText(window.strgrdPARFILE, 4, 3), QString("Read/calib"));
    QCOMPARE(window.reRUNTIME->toPlainText(), QString("initial simplex corrected"));
    QCOMPARE(window.lblGEREED->text(), QString("Gestopt met foutmelding"));
    // Waiting without handling events: the next repaint handles them.
    QThread::msleep(60);
    window.repaint();
    QCOMPARE(handled, 2);
  }

  // ---- post-processing window ----

  void postBatchOverAnEmptyDirectory() {
    phreatix::test::TempDir dir;
    phreatix::Postprocessor post;
    phreatix::ProgressView mainWindow;
    phreatix::Messages messages;
    TfrmPost window;
    std::vector<std::string> topics;
    window.setHelpTopicHandler([&](std::string topic) { topics.push_back(topic); });
    QVERIFY(!window.btbttnSTOPPOST->isEnabled());
    QCOMPARE(window.lblMeld->text(), QString("Meldingen:"));

    QVERIFY(phreatix::runPostBatch(dir.path(), post, window, mainWindow, messages).empty());

    QCOMPARE(window.strgrdPost->rowCount(), 0);
    const QStringList titles = {"Buis:",     "statistieken", "duurlijn",
                                "histogram", "regimecurve",  "correlatiefunctie"};
    for (int c = 0; c < titles.size(); ++c) QCOMPARE(window.cell(0, c), titles[c]);
    QVERIFY(window.btbttnSTOPPOST->isEnabled());
    QVERIFY(!window.Gauge1->isVisible());
    QCOMPARE(topics, std::vector<std::string>{"PHREATIX._P_001"});

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(window.btbttnSTOPPOST, Qt::LeftButton);
    QCOMPARE(topics, (std::vector<std::string>{"PHREATIX._P_001", "PHREATIX.AP_001"}));
    QVERIFY(!window.isVisible());
  }

  void postBatchRowsOfAMissingAndAProcessedTube() {
    phreatix::test::TempDir dir;
    // a.u01 has no control file. b.u01 holds 11 realisations (the fewest
    // whose 5% point has an index) of the common years 1969 to 1971, more
    // days than the correlogram's 730 lags.
    dir.write("a.u01", "1969 11 1\n");
    std::vector<std::string> series = {"1969 11 3"};
    for (int r = 1; r <= 11; ++r) {
      for (int d = 1; d <= 3 * 365; ++d) {
        series.push_back(std::to_string(-100 + (d * 7 + r * 13) % 50));
      }
    }
    phreatix::writeLines(dir.file("b.u01"), series);
    dir.write("b.inp", phreatix::test::joinLines({"'b.u01'", "'b.frm'", "1", "'b.u01'", "'b.sta'",
                                                  "'b.his'", "'b.foe'", "'b.reg'", "'b.cor'",
                                                  "0 500 (deze getallen worden niet gebruikt.)",
                                                  "100 (dit getal wordt niet gebruikt.)"}));
    phreatix::Postprocessor post;
    phreatix::ProgressView mainWindow;
    phreatix::Messages messages;
    TfrmPost window;

    phreatix::runPostBatch(dir.path(), post, window, mainWindow, messages);

    QCOMPARE(messages.log(), (std::vector<std::string>{
                                 "a.inp niet gevonden.", "Postprocessing zonder fouten afgesloten.",
                                 "Buis b: karakteristieken geschreven in b.sta, .reg, .foe, "
                                 ".his en .cor."}));
    QCOMPARE(window.lblMeld->text(), QString("Program KARAKT terminated"));
    QCOMPARE(window.strgrdPost->rowCount(), 2);
    QCOMPARE(window.cell(1, 0), QString("a.u01"));
    QCOMPARE(window.cell(2, 0), QString("b.u01"));
    for (int c = 1; c < 6; ++c) {
      QCOMPARE(window.cell(1, c), QString("mislukt"));
      QCOMPARE(window.cell(2, c), QString("aangemaakt"));
    }
    // Shown for b.u01, and still open on top of the others once finished.
    QVERIFY(window.isVisible());
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(window.windowTitle(), QString("Postprocessing buis: b.u01"));
    QVERIFY(window.btbttnSTOPPOST->isEnabled());
    QVERIFY(!window.Gauge1->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    saveShot(window, "post");

    // A second batch starts with the button disabled again.
    window.setRowCount(1);
    QVERIFY(!window.btbttnSTOPPOST->isEnabled());
  }

  // ---- detail-settings window ----

  // Every row of the settings table has its control in the window, with
  // its caption, its default and, for a choice, a button per word; the
  // fields locked while a pipeline runs are the table's.
  void everySettingHasItsControl() {
    phreatix::SessionSettings settings;
    TfrmDefaults window(settings, [] { return true; });
    QStringList captions;
    for (const QLabel* label : window.findChildren<QLabel*>()) captions << label->text();
    for (const phreatix::DetailField& row : phreatix::detailFields()) {
      if (phreatix::isChoice(row)) {
        auto* group = window.findChild<QGroupBox*>(row.name);
        QVERIFY2(group, row.name);
        QCOMPARE(group->title(), QString::fromUtf8(row.label));
        for (const phreatix::SettingChoice& choice : row.choices) {
          auto* button = group->findChild<QRadioButton*>(choice.control);
          QVERIFY2(button, choice.control);
          QCOMPARE(button->text(), QString::fromUtf8(choice.label));
          QCOMPARE(button->isChecked(), std::string(choice.word) == row.formDefault);
          // The button's own state: the situation's group as a whole
          // follows the model family (situationFollowsTheModelFamily).
          window.setSessionFieldsEnabled(false);
          QCOMPARE(button->isEnabledTo(group), !row.sessionField);
          window.setSessionFieldsEnabled(true);
          QVERIFY(button->isEnabledTo(group));
        }
        continue;
      }
      auto* edit = window.findChild<QLineEdit*>(row.name);
      QVERIFY2(edit, row.name);
      QCOMPARE(edit->text(), QString::fromUtf8(row.formDefault));
      QVERIFY2(captions.contains(QString::fromUtf8(row.label)), row.label);
      window.setSessionFieldsEnabled(false);
      QCOMPARE(edit->isEnabled(), !row.sessionField);
      window.setSessionFieldsEnabled(true);
      QVERIFY(edit->isEnabled());
    }
    // Tab takes the fields as the window shows them, then the number of
    // workers, then the choices of trace, model and situation.
    auto nextTab = [](QWidget* widget) {
      do widget = widget->nextInFocusChain();
      while (!(widget->focusPolicy() & Qt::TabFocus));
      return widget;
    };
    const std::vector<QWidget*> tabOrder = {
        window.edtMAXITER,        window.edtCLOSURE,        window.edtDELTAMIN,
        window.edtPHIMIN,         window.edtCMAX,           window.edtOMEGAMIN,
        window.edtT95MIN,         window.edtT95MAX,         window.edtSTARTJAAR,
        window.edtEINDJAAR,       window.edtWARMUP,         window.edtREALISATIES,
        window.edtREKENPROCESSEN, window.rdbttnMETUPDATING, window.rdbttnZONDERUPDATING,
        window.rdbttnSTANDAARD,   window.rdbttnUITGEBREID,  window.rdbttnEINDE,
        window.rdbttnGEMIDDELD,   window.rdbttnGEEN};
    for (std::size_t i = 0; i + 1 < tabOrder.size(); ++i) {
      QCOMPARE(nextTab(tabOrder[i]), tabOrder[i + 1]);
    }
    // Choosing "zonder updating" takes effect at once.
    window.rdbttnZONDERUPDATING->click();
    QVERIFY(!settings.traceWithUpdating);
    window.rdbttnMETUPDATING->click();
    QVERIFY(settings.traceWithUpdating);
  }

  void fieldExitsCheckTheirDomain() {
    phreatix::SessionSettings settings;
    TfrmDefaults window(settings, [] { return true; });
    struct Case {
      QLineEdit* TfrmDefaults::*field;
      void (TfrmDefaults::*exit)();
      const char* typed;
      QString message;  // empty when the text is accepted
      const char* after;
    };
    const QString outside = "ingevoerd getal ligt buiten toegestaan domein";
    const Case cases[] = {
        {&TfrmDefaults::edtPHIMIN, &TfrmDefaults::edtPHIMINExit, "0.95", "", "0.95"},
        {&TfrmDefaults::edtPHIMIN, &TfrmDefaults::edtPHIMINExit, "1.5", outside + "[0.00;1.00]",
         "0.50"},
        {&TfrmDefaults::edtMAXITER, &TfrmDefaults::edtMAXITERExit, "zeven",
         "geen (geheel) getal ingevoerd", "500"},
        {&TfrmDefaults::edtMAXITER, &TfrmDefaults::edtMAXITERExit, "20",
         outside + "[50.00;2000.00]", "500"},
        {&TfrmDefaults::edtMAXITER, &TfrmDefaults::edtMAXITERExit, "2000", "", "2000"},
        {&TfrmDefaults::edtCLOSURE, &TfrmDefaults::edtCLOSUREExit, "0.00000001",
         outside + "[0.00;0.01]", "0.0001"},
        {&TfrmDefaults::edtDELTAMIN, &TfrmDefaults::edtDELTAMINExit, "-0.1",
         outside + "[0.00;1.00]", "0.90"},
        {&TfrmDefaults::edtSTARTJAAR, &TfrmDefaults::edtSTARTJAARExit, "1947",
         outside + "[1948.00;2047.00]", "1970"},
        {&TfrmDefaults::edtWARMUP, &TfrmDefaults::edtWARMUPExit, "lang", "geen getal ingevoerd",
         "731"},
        {&TfrmDefaults::edtREALISATIES, &TfrmDefaults::edtREALISATIESExit, "101",
         outside + "[20.00;100.00]", "100"},
    };
    for (const Case& c : cases) {
      dialogs_.shown.clear();
      QLineEdit* edit = window.*c.field;
      edit->setText(c.typed);
      (window.*c.exit)();
      const QString what = QString("%1 typed %2").arg(edit->objectName(), c.typed);
      const QStringList expected = c.message.isEmpty() ? QStringList() : QStringList{c.message};
      QVERIFY2(dialogs_.shown == expected, qPrintable(what + ": " + dialogs_.shown.join("|")));
      QVERIFY2(edit->text() == c.after, qPrintable(what + " leaves " + edit->text()));
    }
  }

  void iterationsAndClosureTakeEffectOnLeavingTheField() {
    phreatix::SessionSettings settings;
    TfrmDefaults window(settings, [] { return true; });
    window.edtMAXITER->setText("700");
    window.edtMAXITERExit();
    QCOMPARE(settings.MAXITER, 700);
    // Not an integer: MAXITER keeps its value although "500" is put back.
    window.edtMAXITER->setText("7.5");
    window.edtMAXITERExit();
    QCOMPARE(window.edtMAXITER->text(), QString("500"));
    QCOMPARE(settings.MAXITER, 700);
    // Outside the domain: the restored 500 is the new value.
    window.edtMAXITER->setText("3000");
    window.edtMAXITERExit();
    QCOMPARE(settings.MAXITER, 500);

    window.edtCLOSURE->setText("0.001");
    window.edtCLOSUREExit();
    QCOMPARE(settings.closure, std::string(" 0.001"));
    window.edtCLOSURE->setText("1");
    window.edtCLOSUREExit();
    QCOMPARE(settings.closure, std::string(" 0.0001"));

    // The other fields wait for "Instellingen OK".
    window.edtPHIMIN->setText("0.7");
    window.edtPHIMINExit();
    QCOMPARE(settings.PHIMIN, 0.0);
  }

  void leavingAFieldByReturnRunsItsCheck() {
    phreatix::SessionSettings settings;
    TfrmDefaults window(settings, [] { return true; });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.edtOMEGAMIN->setFocus();
    window.edtOMEGAMIN->selectAll();
    QTest::keyClicks(window.edtOMEGAMIN, "6");
    QTest::keyClick(window.edtOMEGAMIN, Qt::Key_Return);
    QCOMPARE(dialogs_.shown,
             QStringList{"ingevoerd getal ligt buiten toegestaan domein[0.00;5.00]"});
    QCOMPARE(window.edtOMEGAMIN->text(), QString("1"));
    // Return ends the field; it neither presses "Instellingen OK" nor closes.
    QVERIFY(window.isVisible());
    // Escape leaves the window as "Annuleren" does.
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(!window.isVisible());
  }

  void annulerenRestoresWhatTheWindowOpenedWith() {
    phreatix::SessionSettings settings;
    settings.MAXITER = 500;
    settings.closure = " 0.0001";
    TfrmDefaults window(settings, [] { return true; });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Iterations and closure take effect on leaving the field; a decimal
    // comma is taken as the point it means.
    window.edtMAXITER->setText("800");
    window.edtMAXITERExit();
    window.edtCLOSURE->setText("0,001");
    window.edtCLOSUREExit();
    window.edtDELTAMIN->setText("0,95");
    window.edtDELTAMINExit();
    QVERIFY(dialogs_.shown.isEmpty());
    QCOMPARE(window.edtCLOSURE->text(), QString("0.001"));
    QCOMPARE(window.edtDELTAMIN->text(), QString("0.95"));
    QCOMPARE(settings.MAXITER, 800);
    QCOMPARE(settings.closure, std::string(" 0.001"));
    window.bttnAnnuleren->click();
    QVERIFY(!window.isVisible());
    QCOMPARE(settings.MAXITER, 500);
    QCOMPARE(settings.closure, std::string(" 0.0001"));
    QCOMPARE(window.edtMAXITER->text(), QString("500"));
    QCOMPARE(window.edtDELTAMIN->text(), QString("0.90"));

    // Confirmed with a comma, the settings hold the number.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.edtPHIMIN->setText("0,75");
    window.edtPHIMINExit();
    window.btbttnOKDEFAULTS->click();
    QVERIFY(!window.isVisible());
    QCOMPARE(settings.PHIMIN, 0.75);
  }

  // The number of workers: the cores by default, a whole number of at least
  // one stored at OK, anything else refused with the window open, and put
  // back by Annuleren.
  void workersAreTheCoresUntilSetOtherwise() {
    phreatix::SessionSettings settings;
    TfrmDefaults window(settings, [] { return true; });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QString cores = QString::number(std::max(1u, std::thread::hardware_concurrency()));
    QCOMPARE(window.edtREKENPROCESSEN->text(), cores);
    window.btbttnOKDEFAULTS->click();
    QVERIFY(!window.isVisible());
    QCOMPARE(QString::number(settings.jobs), cores);

    for (const char* wrong : {"0", "1.5", "twee"}) {
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      dialogs_.shown.clear();
      window.edtREKENPROCESSEN->setText(wrong);
      window.btbttnOKDEFAULTS->click();
      QVERIFY(window.isVisible());
      QCOMPARE(dialogs_.shown.size(), 1);
      QVERIFY(dialogs_.shown.front().startsWith("Aantal rekenprocessen"));
      QCOMPARE(QString::number(settings.jobs), cores);
      window.bttnAnnuleren->click();
      QCOMPARE(window.edtREKENPROCESSEN->text(), cores);
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.edtREKENPROCESSEN->setText("3");
    window.btbttnOKDEFAULTS->click();
    QCOMPARE(settings.jobs, 3);
  }

  void periodLabelFollowsTheYearFields() {
    phreatix::SessionSettings settings;
    TfrmDefaults window(settings, [] { return true; });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.lblPERIODE->text(), QString("Simulatieperiode (30 jaar)"));
    window.edtSTARTJAAR->setText("1990");
    window.edtSTARTJAARExit();
    QCOMPARE(window.lblPERIODE->text(), QString("Simulatieperiode (10 jaar)"));
    // An end year before the start year is refused at the field, and so is
    // a start year after the end year; each field gets its last good text.
    window.edtEINDJAAR->setText("1980");
    window.edtEINDJAARExit();
    QCOMPARE(dialogs_.shown, QStringList{"Eindjaar ligt voor het startjaar"});
    QCOMPARE(window.edtEINDJAAR->text(), QString("1999"));
    QCOMPARE(window.lblPERIODE->text(), QString("Simulatieperiode (10 jaar)"));
    dialogs_.shown.clear();
    window.edtSTARTJAAR->setText("2001");
    window.edtSTARTJAARExit();
    QCOMPARE(dialogs_.shown, QStringList{"Eindjaar ligt voor het startjaar"});
    QCOMPARE(window.edtSTARTJAAR->text(), QString("1990"));
    // A refused end year is put back and the period shown from it.
    window.edtEINDJAAR->setText("2048");
    window.edtEINDJAARExit();
    QCOMPARE(window.lblPERIODE->text(), QString("Simulatieperiode (10 jaar)"));
  }

  void okStoresTheSettingsAndClosesOnlyWhenTheMeteoIsComplete() {
    phreatix::SessionSettings settings;
    bool complete = false;
    int checks = 0;
    int startYearSeen = 0, yearsSeen = 0;
    TfrmDefaults window(settings, [&] {
      ++checks;
      startYearSeen = settings.startYear;
      yearsSeen = settings.numberOfYears;
      return complete;
    });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    saveShot(window, "defaults");

    // The trace choice takes effect at the click.
    QTest::mouseClick(window.rdbttnMETUPDATING, Qt::LeftButton);
    QVERIFY(settings.traceWithUpdating);
    QTest::mouseClick(window.rdbttnZONDERUPDATING, Qt::LeftButton);
    QVERIFY(!settings.traceWithUpdating);
    QTest::mouseClick(window.rdbttnMETUPDATING, Qt::LeftButton);

    window.edtWARMUP->setText("365.5");
    window.edtREALISATIES->setText("50");
    QTest::mouseClick(window.btbttnOKDEFAULTS, Qt::LeftButton);
    QCOMPARE(checks, 1);
    QVERIFY(window.isVisible());
    // Stored before the check ran, with the check's period.
    QCOMPARE(startYearSeen, 1970);
    QCOMPARE(yearsSeen, 30);
    QCOMPARE(settings.MAXITER, 500);
    QCOMPARE(settings.closure, std::string(" 0.0001"));
    QCOMPARE(settings.DELTAMIN, 0.9);
    QCOMPARE(settings.PHIMIN, 0.5);
    QCOMPARE(settings.CMAX, 0.0);
    QCOMPARE(settings.OMEGAMIN, 1.0);
    QCOMPARE(settings.warmUpDays, 366);  // 365.5 rounded half to even
    QCOMPARE(settings.realisations, std::string("50"));
    QVERIFY(settings.traceWithUpdating);

    complete = true;
    QTest::mouseClick(window.btbttnOKDEFAULTS, Qt::LeftButton);
    QCOMPARE(checks, 2);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Accepted));
  }

  void okWithAYearThatIsNoIntegerStoresNothing() {
    phreatix::SessionSettings settings;
    int checks = 0;
    TfrmDefaults window(settings, [&] { return ++checks > 0; });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // 1980.5 lies within the domain of the field check.
    window.edtSTARTJAAR->setText("1980.5");
    window.edtSTARTJAARExit();
    QVERIFY(dialogs_.shown.isEmpty());
    QTest::mouseClick(window.btbttnOKDEFAULTS, Qt::LeftButton);
    QCOMPARE(checks, 0);
    QCOMPARE(dialogs_.beeps, 1);
    QVERIFY(window.isVisible());
    QCOMPARE(settings.startYear, 1969);
    QCOMPARE(settings.numberOfYears, 0);
  }

  // The model family is taken at "Instellingen OK", not at the click, and
  // "Annuleren" puts back the choice the window opened with.
  void modelChoiceIsTakenAtOk() {
    phreatix::SessionSettings settings;
    TfrmDefaults window(settings, [] { return true; });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.rdbttnSTANDAARD->isChecked());
    QTest::mouseClick(window.rdbttnUITGEBREID, Qt::LeftButton);
    QVERIFY(window.rdbttnUITGEBREID->isChecked());
    QCOMPARE(settings.model, phreatix::ModelFamily::kStandaard);
    window.bttnAnnuleren->click();
    QVERIFY(window.rdbttnSTANDAARD->isChecked());
    QCOMPARE(settings.model, phreatix::ModelFamily::kStandaard);

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(window.rdbttnUITGEBREID, Qt::LeftButton);
    window.btbttnOKDEFAULTS->click();
    QVERIFY(!window.isVisible());
    QCOMPARE(settings.model, phreatix::ModelFamily::kUitgebreid);
    // Opened again, it shows the family chosen; standaard again stores that.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.rdbttnUITGEBREID->isChecked());
    QTest::mouseClick(window.rdbttnSTANDAARD, Qt::LeftButton);
    window.btbttnOKDEFAULTS->click();
    QCOMPARE(settings.model, phreatix::ModelFamily::kStandaard);
  }

  // The situation can be chosen only under the extended family, however the
  // family is chosen (mouse, keyboard, "Annuleren"); it is taken at
  // "Instellingen OK" as the family is, and keeps its word while the
  // standard family leaves it disabled. A pipeline locks it as it locks
  // the family.
  void situationFollowsTheModelFamily() {
    phreatix::SessionSettings settings;
    TfrmDefaults window(settings, [] { return true; });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.rdbttnEINDE->isChecked());
    QVERIFY(!window.rdgrpSITUATIE->isEnabled());
    QVERIFY(!window.rdbttnGEMIDDELD->isEnabled());
    QTest::mouseClick(window.rdbttnUITGEBREID, Qt::LeftButton);
    QVERIFY(window.rdbttnGEMIDDELD->isEnabled());
    QTest::mouseClick(window.rdbttnGEMIDDELD, Qt::LeftButton);
    QVERIFY(window.rdbttnGEMIDDELD->isChecked());
    QCOMPARE(settings.situation, phreatix::Situation::kEinde);
    window.bttnAnnuleren->click();
    QVERIFY(window.rdbttnSTANDAARD->isChecked() && window.rdbttnEINDE->isChecked());
    QVERIFY(!window.rdgrpSITUATIE->isEnabled());
    QCOMPARE(settings.situation, phreatix::Situation::kEinde);

    // By the keyboard: the arrow from standaard to uitgebreid and back.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    window.rdbttnSTANDAARD->setFocus();
    QTest::keyClick(window.rdbttnSTANDAARD, Qt::Key_Down);
    QVERIFY(window.rdbttnUITGEBREID->isChecked());
    QVERIFY(window.rdgrpSITUATIE->isEnabled());
    QTest::keyClick(window.rdbttnUITGEBREID, Qt::Key_Up);
    QVERIFY(window.rdbttnSTANDAARD->isChecked());
    QVERIFY(!window.rdgrpSITUATIE->isEnabled());

    QTest::mouseClick(window.rdbttnUITGEBREID, Qt::LeftButton);
    QTest::mouseClick(window.rdbttnGEEN, Qt::LeftButton);
    window.btbttnOKDEFAULTS->click();
    QVERIFY(!window.isVisible());
    QCOMPARE(settings.model, phreatix::ModelFamily::kUitgebreid);
    QCOMPARE(settings.situation, phreatix::Situation::kGeen);

    // Opened again under uitgebreid it can be changed; locked by a
    // pipeline, it cannot, and unlocked it follows the family again.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.rdgrpSITUATIE->isEnabled() && window.rdbttnGEEN->isChecked());
    window.setSessionFieldsEnabled(false);
    QVERIFY(!window.rdbttnEINDE->isEnabled());
    window.setSessionFieldsEnabled(true);
    QVERIFY(window.rdbttnEINDE->isEnabled());
    QTest::mouseClick(window.rdbttnSTANDAARD, Qt::LeftButton);
    QVERIFY(!window.rdbttnEINDE->isEnabled());
    window.btbttnOKDEFAULTS->click();
    QCOMPARE(settings.model, phreatix::ModelFamily::kStandaard);
    QCOMPARE(settings.situation, phreatix::Situation::kGeen);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.rdbttnGEEN->isChecked() && !window.rdbttnGEEN->isEnabled());
    window.bttnAnnuleren->click();
  }

  // The response-time bounds: each checked against its domain when left, the
  // greatest refused when not above the least (and the least when not below
  // the greatest), both stored at OK, in days with a decimal comma taken.
  void responseTimesKeepTheirOrder() {
    phreatix::SessionSettings settings;
    TfrmDefaults window(settings, [] { return true; });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.edtT95MIN->text(), QString("10"));
    QCOMPARE(window.edtT95MAX->text(), QString("3650"));
    window.edtT95MAX->setText("0");
    window.edtT95MAXExit();
    QCOMPARE(dialogs_.shown,
             QStringList{"ingevoerd getal ligt buiten toegestaan domein[1.00;36500.00]"});
    QCOMPARE(window.edtT95MAX->text(), QString("3650"));
    dialogs_.shown.clear();
    window.edtT95MIN->setText("30,5");
    window.edtT95MINExit();
    QVERIFY(dialogs_.shown.isEmpty());
    QCOMPARE(window.edtT95MIN->text(), QString("30.5"));
    window.edtT95MAX->setText("30.5");
    window.edtT95MAXExit();
    QCOMPARE(dialogs_.shown, QStringList{"Responstijd t95 max ligt niet boven t95 min"});
    QCOMPARE(window.edtT95MAX->text(), QString("3650"));
    dialogs_.shown.clear();
    window.edtT95MIN->setText("4000");
    window.edtT95MINExit();
    QCOMPARE(dialogs_.shown, QStringList{"Responstijd t95 max ligt niet boven t95 min"});
    QCOMPARE(window.edtT95MIN->text(), QString("30.5"));
    dialogs_.shown.clear();
    // Left alone the fields wait for OK; OK refuses a pair typed out of order.
    window.edtT95MAX->setText("20");
    window.btbttnOKDEFAULTS->click();
    QCOMPARE(dialogs_.shown, QStringList{"Responstijd t95 max ligt niet boven t95 min"});
    QVERIFY(window.isVisible());
    QCOMPARE(settings.t95Max, 3650.0);
    window.edtT95MAX->setText("900");
    window.btbttnOKDEFAULTS->click();
    QVERIFY(!window.isVisible());
    QCOMPARE(settings.t95Min, 30.5);
    QCOMPARE(settings.t95Max, 900.0);
  }

  // Every control of the window lies inside it, and the window within a
  // screen of 1024 x 768.
  void theWindowHoldsEveryControl() {
    phreatix::SessionSettings settings;
    TfrmDefaults window(settings, [] { return true; });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    saveShot(window, "defaults-all");
    QVERIFY2(window.width() <= 1024 && window.height() <= 768,
             qPrintable(QString("%1 x %2").arg(window.width()).arg(window.height())));
    for (QWidget* control : window.findChildren<QWidget*>()) {
      if (!control->isVisible() || control->objectName().isEmpty()) continue;
      const QRect inWindow(control->mapTo(&window, QPoint(0, 0)), control->size());
      QVERIFY2(window.rect().contains(inWindow), qPrintable(control->objectName()));
      QVERIFY2(control->width() >= control->minimumSizeHint().width(),
               qPrintable(control->objectName()));
    }
  }

  void sessionFieldsAreDisabledTogether() {
    phreatix::SessionSettings settings;
    TfrmDefaults window(settings, {});
    window.setSessionFieldsEnabled(false);
    for (const QLineEdit* edit : {window.edtSTARTJAAR, window.edtREALISATIES, window.edtWARMUP,
                                  window.edtMAXITER, window.edtCLOSURE}) {
      QVERIFY2(!edit->isEnabled(), qPrintable(edit->objectName()));
    }
    for (const QLineEdit* edit : {window.edtEINDJAAR, window.edtDELTAMIN, window.edtPHIMIN,
                                  window.edtCMAX, window.edtOMEGAMIN}) {
      QVERIFY2(edit->isEnabled(), qPrintable(edit->objectName()));
    }
    window.setSessionFieldsEnabled(true);
    QVERIFY(window.edtSTARTJAAR->isEnabled() && window.edtCLOSURE->isEnabled());
  }

 private:
  RecordingDialogs dialogs_;
};

QTEST_MAIN(EnginePostWindowsTest)
#include "engine_post_windows_test.moc"
