// The splitting window and the assessment window on the offscreen platform:
// the six steps by hand, and the visual assessment of every series through
// the check box, with the charts it leaves on disk.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include "dialogs.h"
#include "platform/files.h"
#include "preprocessor/dino_export.h"
#include "session/session.h"
#include "support/temp_dir.h"
#include "untMeetreeks.h"
#include "untOLGAsub.h"

namespace {

class RecordingDialogs : public phreatix::ui::UiDialogs {
 public:
  void information(QWidget*, const QString& text) override { informations << text; }
  QString openFile(QWidget*, const QString&, const QString&) override {
    return answers.isEmpty() ? QString() : answers.takeFirst();
  }
  void beep() override { ++beeps; }

  QStringList answers;
  QStringList informations;
  int beeps = 0;
};

class DialogsScope {
 public:
  explicit DialogsScope(phreatix::ui::UiDialogs* dialogs) { phreatix::ui::setDialogs(dialogs); }
  ~DialogsScope() { phreatix::ui::setDialogs(nullptr); }
};

QStringList entries(const QListWidget* list) {
  QStringList texts;
  for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
  return texts;
}

QString shotsDir() { return qEnvironmentVariable("PHREATIX_SHOTS_DIR"); }

void saveShot(QWidget& window, const char* name) {
  if (shotsDir().isEmpty()) return;
  QDir().mkpath(shotsDir());
  window.grab().save(shotsDir() + "/" + name + ".png");
}

// Monthly readings 1990..1999 of each code, levels 60..160 cm below surface.
std::vector<std::string> tenYearExport(const std::vector<std::string>& codes) {
  std::vector<std::string> lines = phreatix::test::dinoHeader();
  for (const std::string& code : codes) lines.push_back(phreatix::test::metaRow(code));
  lines.push_back("");
  lines.push_back(phreatix::test::kMeasurementTitle);
  for (const std::string& code : codes) {
    for (int year = 1990; year < 2000; ++year) {
      for (int month = 1; month <= 12; ++month) {
        const int depth = 110 + (month <= 6 ? -50 + 8 * month : 50 - 8 * (month - 6)) + year % 3;
        lines.push_back(phreatix::test::measRow(code, year, month, 14, depth));
      }
    }
  }
  return lines;
}

}  // namespace

class PreprocessorWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void sixStepsByHand() {
    phreatix::test::TempDir dir;
    phreatix::Session session(dir.path());
    QVERIFY(QDir().mkpath(QString::fromStdString(dir.file("data"))));
    const std::string exportPath = dir.file("data/west.csv");
    phreatix::writeLines(exportPath, phreatix::test::dinoExport(phreatix::test::tubeCodes(7)));
    RecordingDialogs dialogs;
    DialogsScope scope(&dialogs);
    TfrmMeetreeks assessment(session);
    TfrmOLGAsub window(session, &assessment);
    window.begin();
    if (window.splitter().available() < 200) QSKIP("less than 200 MB free on the test disk");
    QCOMPARE(window.edtY->text(), QString::number(window.splitter().available()));
    QVERIFY(window.lblMAX->text().endsWith(" MByte op schijf"));
    QVERIFY(window.btbttnOpen->isEnabled());
    QVERIFY(!window.edtY->isEnabled() && !window.btbttnTrash->isEnabled() &&
            !window.btbttnSAVE->isEnabled() && !window.chckbxAUTODEL->isEnabled());

    // Step 1: a cancelled dialog does nothing; then the export.
    window.btbttnOpen->click();
    QCOMPARE(window.lstbxOLGAsub->count(), 0);
    dialogs.answers << QString::fromStdString(exportPath);
    window.btbttnOpen->click();
    QCOMPARE(window.lstbxOLGAsub->count(), 7);
    QVERIFY(!window.btbttnOpen->isEnabled());
    QVERIFY(window.edtY->isEnabled() && window.btbttnOK->isEnabled());
    QVERIFY(phreatix::fileExists(dir.file("dummy.csv")));

    // Step 2: Z and S follow the typing; a letter changes nothing.
    window.edtY->clear();
    QTest::keyClicks(window.edtY, "180");
    QCOMPARE(window.lblZ->text(), QString("3"));
    QCOMPARE(window.lblS->text(), QString("3"));
    QTest::keyClicks(window.edtY, "x");
    QCOMPARE(window.StatusBar1->currentMessage(), QString("Getal invoeren !"));
    QCOMPARE(window.lblZ->text(), QString("3"));
    QTest::keyClick(window.edtY, Qt::Key_Backspace);
    window.btbttnOK->click();
    QVERIFY(dialogs.informations.isEmpty());
    QVERIFY(!window.edtY->isEnabled());
    QVERIFY(window.btbttnTrash->isEnabled() && window.btbttnAUTO->isEnabled());

    // Step 3 by hand: one tube out and back in, then out again.
    window.chckbxAUTODEL->setChecked(false);
    window.lstbxOLGAsub->item(2)->setSelected(true);
    window.btbttnTrash->click();
    QCOMPARE(entries(window.lstbxTrash), QStringList{"B00A0003"});
    QCOMPARE(window.lblS->text(), QString("2"));
    window.lstbxTrash->item(0)->setSelected(true);
    window.bttnNODEL->click();
    QCOMPARE(window.lstbxOLGAsub->count(), 7);
    QCOMPARE(window.lblS->text(), QString("3"));
    window.lstbxOLGAsub->item(2)->setSelected(true);
    window.btbttnTrash->click();

    // Step 4 and 6.
    window.btbttnAUTO->click();
    QCOMPARE(window.strgrdOLGAsub->columnCount(), 2);
    QCOMPARE(window.strgrdOLGAsub->rowCount(), 4);
    QCOMPARE(window.strgrdOLGAsub->item(0, 1)->text(), QString("Sessie2"));
    QCOMPARE(window.strgrdOLGAsub->item(1, 1)->text(), QString("B00A0005"));
    QCOMPARE(window.strgrdOLGAsub->item(3, 1)->text(), QString("B00A0007"));
    QVERIFY(window.btbttnSAVE->isEnabled());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    saveShot(window, "opsplitsen");
    window.btbttnSAVE->click();
    QCOMPARE(window.lblfile->text(), QString("Gereed."));
    QVERIFY(!window.btbttnSAVE->isEnabled() && !window.btbttnReset->isEnabled() &&
            !window.btbttnTrash->isEnabled());
    for (const char* name :
         {"data/west-sessie1.csv", "data/west-sessie2.csv", "data/west-verwijderd.csv"}) {
      QVERIFY2(phreatix::fileExists(dir.file(name)), name);
    }
    QVERIFY(!phreatix::fileExists(dir.file("data/west-sessie3.csv")));
    window.close();
    QVERIFY(!phreatix::fileExists(dir.file("dummy.csv")));
  }

  void assessmentThroughTheCheckBox() {
    phreatix::test::TempDir dir;
    phreatix::Session session(dir.path());
    const std::vector<std::string> codes = {"B01A0001", "B01A0002", "B01A0003"};
    const std::string exportPath = dir.file("oost.csv");
    phreatix::writeLines(exportPath, tenYearExport(codes));
    RecordingDialogs dialogs;
    DialogsScope scope(&dialogs);
    TfrmMeetreeks assessment(session);
    TfrmOLGAsub window(session, &assessment);
    window.begin();
    if (window.splitter().available() < 200) QSKIP("less than 200 MB free on the test disk");
    dialogs.answers << QString::fromStdString(exportPath);
    window.btbttnOpen->click();
    window.edtY->setText("120");
    window.btbttnOK->click();
    QVERIFY(window.chckbxAUTODEL->isChecked());
    QCOMPARE(window.btbttnTrash->statusTip(),
             QString("Druk op de knop om alle OLGA-buizen visueel te beoordelen"));

    // As in the program, the splitting window is modal when the assessment
    // opens: the assessment must come on top of it.
    window.setWindowModality(Qt::ApplicationModal);
    window.show();
    bool judged = false;
    QTimer::singleShot(0, this, [&] {
      QVERIFY(assessment.isVisible());
      QCOMPARE(assessment.parentWidget(), &window);
      QCOMPARE(QApplication::activeModalWidget(), &assessment);
      // Every hint fits the status bar.
      for (const QWidget* w :
           std::initializer_list<const QWidget*>{&assessment, assessment.btbttnTRUE,
                                                 assessment.btbttnFALSE, assessment.trckbrSTART}) {
        QVERIFY(assessment.StatusBar1->fontMetrics().horizontalAdvance(w->statusTip()) <
                assessment.StatusBar1->width());
      }
      QCOMPARE(assessment.windowTitle(), QString("B01A0001"));
      QCOMPARE(assessment.lblGereed->text(), QString("Buis B01A0001 visueel:"));
      QCOMPARE(assessment.lblACCSTART->text(), QString("14-1-1990"));
      QCOMPARE(assessment.lblACCEND->text(), QString("14-12-1999"));
      QVERIFY(assessment.btbttnTRUE->isEnabled() && assessment.btbttnFALSE->isEnabled());
      saveShot(assessment, "meetreeks");
      assessment.btbttnFALSE->click();

      QCOMPARE(assessment.windowTitle(), QString("B01A0002"));
      assessment.trckbrSTART->setValue(900);
      QCOMPARE(assessment.StatusBar1->currentMessage(),
               QString("LET OP: Tijdreeks nu korter dan 2 jaar"));
      QCOMPARE(dialogs.beeps, 1);
      assessment.trckbrSTART->setValue(500);
      QVERIFY(assessment.StatusBar1->currentMessage().isEmpty());
      QVERIFY(assessment.lblACCSTART->text().endsWith("-1994") ||
              assessment.lblACCSTART->text().endsWith("-1995"));
      saveShot(assessment, "meetreeks-schuif");
      assessment.btbttnTRUE->click();

      QCOMPARE(assessment.windowTitle(), QString("B01A0003"));
      QCOMPARE(assessment.trckbrSTART->value(), 0);
      assessment.btbttnTRUE->click();
      judged = true;
    });
    window.btbttnTrash->click();
    QVERIFY(judged);
    QVERIFY(!assessment.isVisible());
    QCOMPARE(entries(window.lstbxTrash), QStringList{"B01A0001"});
    QCOMPARE(entries(window.lstbxOLGAsub), (QStringList{"B01A0002", "B01A0003"}));

    // Every judgement left its chart: a 550 x 350 Windows bitmap with the
    // red series on white.
    for (const char* name : {"B01A0001-nietOK.wmf", "B01A0002.wmf", "B01A0003.wmf"}) {
      QFile file(QString::fromStdString(dir.file(name)));
      QVERIFY2(file.open(QIODevice::ReadOnly), name);
      QCOMPARE(file.read(2), QByteArray("BM"));
    }
    QImage chart;
    QVERIFY(chart.load(QString::fromStdString(dir.file("B01A0002.wmf")), "BMP"));
    QCOMPARE(chart.size(), QSize(550, 350));
    QCOMPARE(chart.pixelColor(549, 349), QColor(Qt::white));
    int red = 0;
    for (int x = 30; x <= 530; ++x) {
      for (int y = 30; y <= 330; ++y) red += chart.pixelColor(x, y) == QColor(255, 0, 0);
    }
    QVERIFY(red > 200);
    if (!shotsDir().isEmpty()) chart.save(shotsDir() + "/grafiek.png");

    // Tube 2 was accepted from the middle: its first five years are marked.
    int marked = 0;
    for (const std::string& line : phreatix::readLines(dir.file("dummy.csv"))) {
      if (line.rfind("B01A0002,", 0) == 0 && line.back() == 'O') ++marked;
      if (line.rfind("B01A0003,", 0) == 0) QVERIFY(line.back() != 'O');
    }
    QCOMPARE(marked, 60);
    window.close();
  }
};

QTEST_MAIN(PreprocessorWindowsTest)
#include "preprocessor_windows_test.moc"
