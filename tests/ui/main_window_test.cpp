// The main window shell on the offscreen platform: it shows the session's
// lists and caption and enables the workflow buttons as the session says.
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include "platform/files.h"
#include "session/session.h"
#include "support/temp_dir.h"
#include "untMAIN.h"

namespace {

class RecordingBox : public phreatix::MessageBox {
 public:
  void show(const std::string& text) override { shown.push_back(text); }
  std::vector<std::string> shown;
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startsWithTheFirstStepsOnly() {
    phreatix::test::TempDir dir;
    dir.write("kron.txt", "01-01-90 1\n");
    phreatix::Session session(dir.path());
    TfrmMAIN window(session);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QString("phreatix 3.0"));
    QVERIFY(window.btbttnPre->isEnabled());
    QVERIFY(window.btbttnKOPPEL->isEnabled());
    QVERIFY(window.btbttnResetStart->isEnabled());
    QVERIFY(!window.btbttnMeteo->isEnabled());
    QVERIFY(!window.btbttnSTART->isEnabled());
    QVERIFY(!window.Gauge1->isVisible());
    QCOMPARE(session.dayNumbers().lookup(1, 1, 1990), 1);
  }

  void openingAFileShowsItsLinesAndNextStep() {
    phreatix::test::TempDir dir;
    dir.write("kron.txt", "01-01-90 1\n");
    phreatix::Session session(dir.path());
    TfrmMAIN window(session);
    RecordingBox box;
    window.setMessageBox(&box);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QString path = QString(PHREATIX_TEST_DATA_DIR) + "/input/three_tubes.csv";
    window.openDataFile(path);
    QCOMPARE(window.windowTitle(), "Phreatix 3.0 op " + path);
    QCOMPARE(window.mmBUIS->toPlainText(),
             QString("Modern formaat OLGA-bestand converteren naar intern formaat\n"
                     "OLGA-bestand van na 31-12-1999. Naar intern formaat geconverteerd."));
    QVERIFY(window.mmLOG->toPlainText().contains("Buis 28AL0005 >50 m. verplaatst."));
    QCOMPARE(box.shown.size(), size_t(1));
    QVERIFY(!window.btbttnKOPPEL->isEnabled());
    QVERIFY(!window.btbttnPre->isEnabled());
    QVERIFY(window.btbttnMeteo->isEnabled());
    QVERIFY(!window.Gauge1->isVisible());
    QVERIFY(phreatix::fileExists(dir.file("olga.tmp")));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
