// The results window on the offscreen platform, over made-up results of three
// tubes (two with a model, one without) and made-up charts: the table and
// its sorting, the charts of the selected tube, the reason of a tube without
// a model, and the PNG and CSV files written through answered dialogs.
//
// With PHREATIX_SHOTS_DIR set to a folder, the window is saved there as
// resultaten.png and each chart tab as resultaten-<chart>.png.
#include <algorithm>
#include <cmath>
#include <map>

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QValueAxis>
#include <QtTest>

#include "dialogs.h"
#include "error.h"
#include "results/axis_ticks.h"
#include "results/report_columns.h"
#include "support/temp_dir.h"
#include "untResultaten.h"

namespace {

using phreatix::Chart;
using phreatix::ChartSeries;

// Answers the save dialogs from a list, "" (cancelled) once it is used up,
// and keeps the messages the window showed.
class ScriptedDialogs : public phreatix::ui::UiDialogs {
 public:
  void information(QWidget*, const QString& text) override { informations << text; }
  QString openFile(QWidget*, const QString&, const QString&) override { return QString(); }
  QString saveFile(QWidget*, const QString& startPath, const QString&) override {
    proposed << startPath;
    return answers.isEmpty() ? QString() : answers.takeFirst();
  }
  void beep() override {}

  QStringList answers;
  QStringList proposed;
  QStringList informations;
};

class DialogsScope {
 public:
  explicit DialogsScope(phreatix::ui::UiDialogs* dialogs) { phreatix::ui::setDialogs(dialogs); }
  ~DialogsScope() { phreatix::ui::setDialogs(nullptr); }
};

QString shotsDir() { return qEnvironmentVariable("PHREATIX_SHOTS_DIR"); }

void saveShot(QWidget& widget, const QString& name) {
  if (shotsDir().isEmpty()) return;
  QDir().mkpath(shotsDir());
  widget.grab().save(shotsDir() + "/" + name + ".png");
}

double daysSince1970(int year, int month, int day) {
  return static_cast<double>(QDate(1970, 1, 1).daysTo(QDate(year, month, day)));
}

phreatix::ResultWarning warning(phreatix::ResultWarningKind kind, const char* text) {
  return phreatix::ResultWarning{kind, text};
}

// Two tubes with a model, one of them with a warning, and one without a
// model. GHG 10.2 and 9.5: in text order "10.2" would come first.
phreatix::DataSetResults threeTubes(const std::string& workingDir) {
  phreatix::DataSetResults results;
  results.workingDir = workingDir;

  phreatix::TubeResult a;
  a.stem = a.location = "B00A0001";
  a.filter = "01";
  a.label = "2s";
  a.modelled = true;
  a.delta = 0.9712;
  a.omega0 = 3.1;
  a.phi = 0.9521;
  a.c = -85.3;
  a.sigma2 = 12.5;
  a.fit = {true, 214, 0.4, 7.9, 87.5, {1995, 1, 14}, {2003, 12, 10}};
  a.ghg = 10.2;
  a.glg = 131.0;
  a.gvg = 42.7;
  a.measured = {12.04, 128.4, 40.0};
  a.measuredYears = std::vector<int>{1995, 1996, 1997, 1998, 1999, 2000, 2001, 2002};
  a.sameYears = {11.3, 130.0, 41.2};
  a.warnings = {warning(phreatix::ResultWarningKind::kNoiseDominates,
                        "spreiding realisaties 31.0 cm > 1.2 x gemeten 20.1 cm")};

  phreatix::TubeResult b;
  b.stem = b.location = "B00A0002";
  b.filter = "01";
  b.label = "1s";
  b.modelled = true;
  b.delta = 0.95;
  b.omega0 = 2.4;
  b.phi = 0.9;
  b.c = -60.0;
  b.sigma2 = 8.0;
  b.fit = {true, 180, -0.2, 5.1, 91.0, {1996, 1, 14}, {2003, 12, 10}};
  b.ghg = 9.5;
  b.glg = 88.0;
  b.gvg = 30.0;

  phreatix::TubeResult c;
  c.stem = c.location = "B00A0003";
  c.filter = "02";
  c.label = "ft";
  c.warnings = {warning(phreatix::ResultWarningKind::kNoModel, "phi 0.12 <= 0.50")};
  c.failure = "geen plausibel model: phi 0.12 <= 0.50 in alle calibraties";

  results.tubes = {a, b, c};
  return results;
}

// Five charts shaped like a tube's: levels over dates with measured points,
// the regime curve, the duration line, the histogram and the correlogram.
std::vector<Chart> madeUpCharts(const phreatix::TubeResult& tube) {
  const std::string name = ", buis " + tube.stem + " filter " + tube.filter;
  const phreatix::ChartAxis level{"grondwaterstand (cm-mv)", false, true};
  std::vector<Chart> charts(5);

  Chart& fit = charts[0];
  fit.id = "fit";
  fit.title = "Gemeten en berekend" + name;
  fit.x = {"datum", true, false};
  fit.y = level;
  ChartSeries measured{"gemeten", ChartSeries::Kind::kPoints, {200, 0, 0}, {}, {}};
  ChartSeries model{"deterministisch model", ChartSeries::Kind::kLine, {0, 0, 200}, {}, {}};
  ChartSeries updated{"model met bijwerken", ChartSeries::Kind::kLine, {0, 140, 0}, {}, {}};
  const double first = daysSince1970(1995, 1, 14);
  const double last = daysSince1970(2003, 12, 10);
  for (double day = first; day <= last; day += 1) {
    const double season = 70 + 55 * std::cos(2 * M_PI * (day - first) / 365.25);
    model.x.push_back(day);
    model.y.push_back(season);
    updated.x.push_back(day);
    updated.y.push_back(season + 6 * std::sin(day / 17));
    if (std::fmod(day - first, 14) == 0) {
      measured.x.push_back(day);
      measured.y.push_back(season + 9 * std::sin(day / 5));
    }
  }
  fit.series = {measured, model, updated};

  Chart& regime = charts[1];
  regime.id = "regime";
  regime.title = "Regimecurve" + name;
  regime.x = {"dag van het jaar", false, false};
  regime.y = level;
  const char* names[] = {"gemiddeld", "5 %", "50 %", "95 %"};
  const double shift[] = {0, -35, 0, 40};
  for (int s = 0; s < 4; ++s) {
    ChartSeries curve{names[s], ChartSeries::Kind::kLine, {40 * s, 60, 160}, {}, {}};
    for (int day = 1; day <= 365; ++day) {
      curve.x.push_back(day);
      curve.y.push_back(70 + shift[s] + 55 * std::cos(2 * M_PI * (day - 45) / 365.0));
    }
    regime.series.push_back(curve);
  }

  Chart& duration = charts[2];
  duration.id = "duurlijn";
  duration.title = "Duurlijn" + name;
  duration.x = {"overschrijdingsduur (dagen per jaar)", false, false};
  duration.y = level;
  ChartSeries line{"duurlijn", ChartSeries::Kind::kLine, {0, 0, 0}, {}, {}};
  for (int day = 0; day <= 365; ++day) {
    line.x.push_back(day);
    line.y.push_back(15 + 110 * day / 365.0);
  }
  duration.series = {line};

  Chart& histogram = charts[3];
  histogram.id = "histogram";
  histogram.title = "Histogram van de gesimuleerde standen" + name;
  histogram.x = level;
  histogram.x.reversed = false;
  histogram.y = {"aantal dagen", false, false};
  ChartSeries counts{"dagen", ChartSeries::Kind::kBars, {90, 120, 200}, {}, {}};
  for (int level = 10; level <= 140; level += 10) {
    counts.x.push_back(level);
    counts.y.push_back(3000 * std::exp(-std::pow((level - 75) / 35.0, 2)));
  }
  histogram.series = {counts};

  Chart& correlogram = charts[4];
  correlogram.id = "correlogram";
  correlogram.title = "Correlogram" + name;
  correlogram.x = {"tijdsverschuiving (dagen)", false, false};
  correlogram.y = {"autocorrelatie (-)", false, false};
  ChartSeries bars{"autocorrelatie", ChartSeries::Kind::kBars, {90, 120, 200}, {}, {}};
  ChartSeries bound{"95 %-grens", ChartSeries::Kind::kLine, {200, 0, 0}, {}, {}};
  for (int lag = 1; lag <= 30; ++lag) {
    bars.x.push_back(lag);
    bars.y.push_back(std::pow(tube.phi, lag) - 0.4);
    bound.x.push_back(lag);
    bound.y.push_back(0.1);
  }
  correlogram.series = {bars, bound};
  return charts;
}

QStringList column(const QTableWidget* table, int col) {
  QStringList texts;
  for (int row = 0; row < table->rowCount(); ++row) texts << table->item(row, col)->text();
  return texts;
}

int rowOf(const QTableWidget* table, const QString& tube) {
  for (int row = 0; row < table->rowCount(); ++row) {
    if (table->item(row, TfrmResultaten::kColTube)->text() == tube) return row;
  }
  return -1;
}

QValueAxis* levelAxis(QChart* chart) {
  const auto axes = chart->axes(Qt::Vertical);
  return axes.isEmpty() ? nullptr : qobject_cast<QValueAxis*>(axes.front());
}

// The source as the window sees it, counting what it is asked per tube.
struct CountingSource {
  std::map<std::string, int> calls;
  TfrmResultaten::ChartSource source() {
    return [this](const phreatix::TubeResult& tube) {
      ++calls[tube.stem];
      return madeUpCharts(tube);
    };
  }
};

}  // namespace

class ResultsWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  // The table: a row per tube, empty cells where a tube has no model,
  // numeric sorting, and the status line.
  void tableSortsNumericallyAndCounts() {
    ScriptedDialogs dialogs;
    DialogsScope scope(&dialogs);
    CountingSource charts;
    TfrmResultaten window;
    window.showResults(threeTubes("/tmp"), charts.source());
    QTableWidget* table = window.tblBuizen;

    QCOMPARE(table->rowCount(), 3);
    QVERIFY(table->isSortingEnabled());
    QCOMPARE(table->horizontalHeaderItem(TfrmResultaten::kColGhg)->text(), QString("GHG (cm-mv)"));
    // The window's columns are the overview's screen columns, in order.
    QCOMPARE(table->columnCount(), static_cast<int>(TfrmResultaten::kColumnCount));
    for (int col = 0; col < TfrmResultaten::kColumnCount; ++col) {
      QCOMPARE(
          table->horizontalHeaderItem(col)->text(),
          QString::fromUtf8(phreatix::screenColumns()[static_cast<std::size_t>(col)]->screenTitle));
    }
    QCOMPARE(table->horizontalHeaderItem(TfrmResultaten::kColGhgMeasured)->text(),
             QString("GHG gemeten (cm-mv)"));
    QCOMPARE(window.lblStatus->text(), QString("3 buizen, 2 met model, 1 met waarschuwingen"));

    const int failed = rowOf(table, "B00A0003");
    QVERIFY(failed >= 0);
    QCOMPARE(table->item(failed, TfrmResultaten::kColModel)->text(), QString("ft"));
    for (const int col : {TfrmResultaten::kColDelta, TfrmResultaten::kColPhi,
                          TfrmResultaten::kColRmse, TfrmResultaten::kColGhg}) {
      QVERIFY2(table->item(failed, col)->text().isEmpty(), qPrintable(QString::number(col)));
    }
    // The missing model is the reason, not a warning as well.
    QVERIFY(table->item(failed, TfrmResultaten::kColWarnings)->text().isEmpty());
    QVERIFY(table->item(failed, TfrmResultaten::kColFailure)->text().contains("phi 0.12"));
    const int a = rowOf(table, "B00A0001");
    QCOMPARE(table->item(a, TfrmResultaten::kColN)->text(), QString("214"));
    QCOMPARE(table->item(a, TfrmResultaten::kColEvp)->text(), QString("87.5"));
    QVERIFY(table->item(a, TfrmResultaten::kColWarnings)->text().contains("1.2 x gemeten"));
    QCOMPARE(table->item(a, TfrmResultaten::kColGhgMeasured)->text(), QString("12.0"));
    QCOMPARE(table->item(a, TfrmResultaten::kColMeasuredYears)->text(), QString("8"));
    QCOMPARE(table->item(a, TfrmResultaten::kColGvgSameYears)->text(), QString("41.2"));
    QVERIFY(table->item(failed, TfrmResultaten::kColGhgMeasured)->text().isEmpty());

    table->sortByColumn(TfrmResultaten::kColGhg, Qt::AscendingOrder);
    QCOMPARE(column(table, TfrmResultaten::kColGhg), (QStringList{"", "9.5", "10.2"}));
    QCOMPARE(column(table, TfrmResultaten::kColTube),
             (QStringList{"B00A0003", "B00A0002", "B00A0001"}));
    table->sortByColumn(TfrmResultaten::kColGhg, Qt::DescendingOrder);
    QCOMPARE(column(table, TfrmResultaten::kColGhg), (QStringList{"10.2", "9.5", ""}));
    table->sortByColumn(TfrmResultaten::kColC, Qt::AscendingOrder);
    QCOMPARE(column(table, TfrmResultaten::kColC), (QStringList{"", "-85.3", "-60.0"}));

    // After sorting, a row still shows its own tube.
    table->selectRow(rowOf(table, "B00A0002"));
    QCOMPARE(window.tabGrafieken->tabText(0),
             QString("Gemeten en berekend, buis B00A0002 filter 01"));
    QVERIFY(dialogs.informations.isEmpty());
  }

  // Selecting a tube: its five charts as described, or the reason it has
  // none; a chart source that fails is told, not thrown into the event loop.
  void selectedTubeShowsChartsOrReason() {
    ScriptedDialogs dialogs;
    DialogsScope scope(&dialogs);
    CountingSource charts;
    TfrmResultaten window;
    window.show();
    window.showResults(threeTubes("/tmp"), charts.source());
    QTableWidget* table = window.tblBuizen;

    table->selectRow(rowOf(table, "B00A0001"));
    QCOMPARE(window.stkGrafieken->currentWidget(), window.tabGrafieken);
    const std::vector<Chart> expected = madeUpCharts(threeTubes("/tmp").tubes[0]);
    const std::vector<QChartView*> views = window.chartViews();
    QCOMPARE(views.size(), expected.size());
    for (std::size_t i = 0; i < views.size(); ++i) {
      const Chart& description = expected[i];
      QChart* chart = views[i]->chart();
      QCOMPARE(window.tabGrafieken->tabText(static_cast<int>(i)),
               QString::fromStdString(description.title));
      QCOMPARE(chart->series().size(), static_cast<qsizetype>(description.series.size()));
      QVERIFY(chart->legend()->isVisible());
      QCOMPARE(views[i]->rubberBand(), QChartView::RectangleRubberBand);
      QValueAxis* y = levelAxis(chart);
      QVERIFY(y);
      QCOMPARE(y->isReverse(), description.y.reversed);
      QCOMPARE(y->titleText(), QString::fromStdString(description.y.title));
      for (std::size_t s = 0; s < description.series.size(); ++s) {
        QAbstractSeries* series = chart->series()[static_cast<int>(s)];
        switch (description.series[s].kind) {
          case ChartSeries::Kind::kPoints:
            QVERIFY(qobject_cast<QScatterSeries*>(series));
            break;
          case ChartSeries::Kind::kLine:
            QCOMPARE(series->type(), QAbstractSeries::SeriesTypeLine);
            break;
          case ChartSeries::Kind::kBars:
            QVERIFY(qobject_cast<QAreaSeries*>(series));
            break;
        }
      }
    }
    // The levels: deep readings lower, the whole range of the model in view.
    QValueAxis* level = levelAxis(views[0]->chart());
    QVERIFY(level->isReverse());
    QVERIFY(level->min() <= 15 - 6 && level->max() >= 125 + 6);
    // Dates on a date axis that spans the measured period, in years.
    auto* dates = qobject_cast<QDateTimeAxis*>(views[0]->chart()->axes(Qt::Horizontal).front());
    QVERIFY(dates);
    QVERIFY(dates->min().date() <= QDate(1995, 1, 14));
    QVERIFY(dates->max().date() >= QDate(2003, 12, 10));
    QVERIFY(dates->max().date() <= QDate(2005, 1, 2));
    QCOMPARE(dates->format(), QString("yyyy"));
    // Bars stand on zero: the histogram's counts from zero up, the
    // correlogram's bars below zero in view.
    QValueAxis* counts = levelAxis(views[3]->chart());
    QVERIFY(counts->min() <= 0 && counts->max() >= 3000);
    QValueAxis* correlation = levelAxis(views[4]->chart());
    QVERIFY(correlation->min() <= std::pow(0.9521, 30) - 0.4 && correlation->max() >= 0.55);

    // Zoom in on the duration line and back.
    window.tabGrafieken->setCurrentIndex(2);
    QValueAxis* duration = levelAxis(views[2]->chart());
    const double fullMin = duration->min(), fullMax = duration->max();
    views[2]->chart()->zoom(3.0);
    QVERIFY(duration->max() - duration->min() < (fullMax - fullMin) / 2);
    window.btbttnZoom->click();
    QCOMPARE(duration->min(), fullMin);
    QCOMPARE(duration->max(), fullMax);
    // Zoomed in on two years of levels the dates get months, and the years
    // come back with the full extent.
    window.tabGrafieken->setCurrentIndex(0);
    const int yearTicks = dates->tickCount();
    views[0]->chart()->zoom(4.5);
    QCOMPARE(dates->format(), QString("M-yyyy"));
    QCOMPARE(level->tickInterval(), 5.0);
    // The ticks the core gives the zoomed range.
    const std::vector<phreatix::AxisTick> zoomed =
        phreatix::roundTicks(level->min(), level->max(), 6);
    QVERIFY(zoomed.size() >= 2);
    QVERIFY(qFuzzyCompare(level->tickInterval(), zoomed[1].value - zoomed[0].value));
    QCOMPARE(level->labelFormat(), QString("%.0f"));
    if (!shotsDir().isEmpty()) {
      QCoreApplication::processEvents();
      saveShot(*views[0], "resultaten-fit-zoom");
    }
    window.btbttnZoom->click();
    QCOMPARE(dates->format(), QString("yyyy"));
    QCOMPARE(dates->tickCount(), yearTicks);

    if (!shotsDir().isEmpty()) {
      window.tabGrafieken->setCurrentIndex(0);
      QCoreApplication::processEvents();
      saveShot(window, "resultaten");
      for (int i = 0; i < window.tabGrafieken->count(); ++i) {
        window.tabGrafieken->setCurrentIndex(i);
        QCoreApplication::processEvents();
        saveShot(*window.tabGrafieken->currentWidget(),
                 QString::fromStdString("resultaten-" + expected[static_cast<std::size_t>(i)].id));
      }
    }

    // The tube without a model: its reason in place of the charts, and its
    // charts never asked for.
    table->selectRow(rowOf(table, "B00A0003"));
    QCOMPARE(window.stkGrafieken->currentWidget(), window.lblReden);
    QVERIFY(window.lblReden->text().contains(
        "geen plausibel model: phi 0.12 <= 0.50 in alle calibraties"));
    QCOMPARE(window.tabGrafieken->count(), 0);
    QVERIFY(!window.btbttnPNG->isEnabled());
    if (!shotsDir().isEmpty()) saveShot(window, "resultaten-zonder-model");
    QCOMPARE(charts.calls.count("B00A0003"), std::size_t{0});

    // Back to a tube with a model: its charts are read once.
    table->selectRow(rowOf(table, "B00A0001"));
    QCOMPARE(window.chartViews().size(), std::size_t{5});
    QCOMPARE(charts.calls["B00A0001"], 1);

    // A source that cannot read the charts.
    TfrmResultaten broken;
    broken.showResults(threeTubes("/tmp"), [](const phreatix::TubeResult& tube) {
      if (tube.stem == "B00A0002") {
        throw phreatix::Error(phreatix::ErrorKind::kIo, "B00A0002.zip: bestand niet te openen");
      }
      return madeUpCharts(tube);
    });
    dialogs.informations.clear();
    broken.tblBuizen->selectRow(rowOf(broken.tblBuizen, "B00A0002"));
    QCOMPARE(dialogs.informations, QStringList{"B00A0002.zip: bestand niet te openen"});
    QCOMPARE(broken.stkGrafieken->currentWidget(), broken.lblReden);
    QVERIFY(broken.lblReden->text().contains("B00A0002"));
  }

  // A tube of the extended family with a trend and a stress: its details
  // name the components with their parameters and the situation its GxG
  // hold for, and the fit chart draws their contributions against an axis
  // of their own on the right. A tube of the standard family shows none.
  void extendedModelShowsItsComponentsAndSituation() {
    ScriptedDialogs dialogs;
    DialogsScope scope(&dialogs);
    phreatix::DataSetResults results = threeTubes("/tmp");
    results.extendedFamily = true;
    phreatix::TubeResult& a = results.tubes[0];
    a.label = "gftx";
    a.choice.extended = true;
    a.choice.chosen = "gftx";
    a.choice.bic = 1490.4;
    phreatix::ChosenComponent trend;
    trend.kind = phreatix::ComponentKind::kTrend;
    trend.from = phreatix::CalendarDate{1996, 1, 14};
    trend.to = phreatix::CalendarDate{2001, 6, 28};
    trend.value = 3.2;
    trend.standardError = 0.4;
    trend.change = 17.4;
    phreatix::ChosenComponent stress;
    stress.kind = phreatix::ComponentKind::kStress;
    stress.value = -0.0213;
    stress.standardError = 0.0011;
    stress.n = 1;
    stress.a = 118;
    stress.t95 = 353.4;
    a.choice.components = {trend, stress};
    a.componentLevels = {{phreatix::ComponentKind::kTrend, 17.4, 9.1, 9.1},
                         {phreatix::ComponentKind::kStress, -3.1, -25.0, -25.0}};
    a.situation = phreatix::Situation::kGemiddeld;
    auto withCourses = [](const phreatix::TubeResult& tube) {
      std::vector<Chart> charts = madeUpCharts(tube);
      if (tube.stem != "B00A0001") return charts;
      ChartSeries course{
          "bijdrage trend (rechter as)", ChartSeries::Kind::kLine, {130, 60, 170}, {}, {}};
      for (double day = daysSince1970(1995, 1, 14); day <= daysSince1970(2003, 12, 10); ++day) {
        course.x.push_back(day);
        course.y.push_back(
            std::clamp((day - daysSince1970(1996, 1, 14)) / 365.25 * 3.2, 0.0, 17.4));
      }
      course.secondAxis = true;
      charts[0].series.push_back(course);
      charts[0].y2 = {"bijdrage component (cm, positief omhoog)", false, false};
      return charts;
    };
    TfrmResultaten window;
    window.show();
    window.showResults(results, withCourses);
    QTableWidget* table = window.tblBuizen;

    table->selectRow(rowOf(table, "B00A0001"));
    QVERIFY(window.lblDetails->isVisible());
    const QString details = window.lblDetails->text();
    QVERIFY2(details.startsWith("B00A0001: Model gftx, BIC 1490.40\n"), qPrintable(details));
    QVERIFY2(details.contains(QString::fromUtf8(
                 "trend: helling 3.20 ± 0.40 cm/jaar van 1996-01-14 tot 2001-06-28")),
             qPrintable(details));
    QVERIFY(details.contains("stress: versterking -0.0213"));
    QVERIFY(details.contains("gebruikt -25.0 cm"));
    QVERIFY2(details.endsWith("De gesimuleerde GHG, GLG en GVG gelden voor de gemiddelde situatie "
                              "over de calibratieperiode, met de trend en de stressreeks op hun "
                              "gemiddelde over die periode (samen 15.9 cm lager dan zonder)."),
             qPrintable(details));

    QChart* fit = window.chartViews().at(0)->chart();
    const auto right = fit->axes(Qt::Vertical);
    QCOMPARE(right.size(), qsizetype{2});
    auto* contribution = qobject_cast<QValueAxis*>(right[1]);
    QVERIFY(contribution);
    QCOMPARE(contribution->alignment(), Qt::AlignRight);
    QVERIFY(!contribution->isReverse());
    QCOMPARE(contribution->titleText(), QString("bijdrage component (cm, positief omhoog)"));
    QVERIFY(contribution->min() <= 0 && contribution->max() >= 17.4);
    QVERIFY(contribution->max() < 25);  // its own range, not the levels'
    QAbstractSeries* course = fit->series().back();
    QCOMPARE(course->attachedAxes().size(), qsizetype{2});
    QVERIFY(course->attachedAxes().contains(contribution));
    QVERIFY(!fit->series().front()->attachedAxes().contains(contribution));
    if (!shotsDir().isEmpty()) {
      QCoreApplication::processEvents();
      saveShot(window, "resultaten-componenten");
    }

    // A standard tube: no details, and its fit chart one value axis.
    table->selectRow(rowOf(table, "B00A0002"));
    QVERIFY(!window.lblDetails->isVisible());
    QCOMPARE(window.chartViews().at(0)->chart()->axes(Qt::Vertical).size(), qsizetype{1});
  }

  // The PNG of the chart on screen and the table as CSV, each through a
  // save dialog; a cancelled dialog writes nothing.
  void exportsWriteFiles() {
    phreatix::test::TempDir dir;
    ScriptedDialogs dialogs;
    DialogsScope scope(&dialogs);
    CountingSource charts;
    TfrmResultaten window;
    window.show();
    window.showResults(threeTubes(dir.path()), charts.source());
    window.tblBuizen->selectRow(rowOf(window.tblBuizen, "B00A0002"));
    window.tabGrafieken->setCurrentIndex(1);
    const QDir folder(QString::fromStdString(dir.path()));

    window.btbttnPNG->click();  // cancelled
    QCOMPARE(dialogs.proposed, QStringList{folder.filePath("B00A0002-01-regime.png")});
    QCOMPARE(folder.entryList(QDir::Files), QStringList());

    // Without a suffix the file still becomes a PNG file.
    dialogs.answers << folder.filePath("regime");
    window.btbttnPNG->click();
    QImage image;
    QVERIFY(image.load(folder.filePath("regime.png"), "PNG"));
    QCOMPARE(image.size(), window.chartViews()[1]->grab().size());

    // The table as it shows it: its headers, its cells with their
    // decimals, its rows in the order the user sorted them.
    window.tblBuizen->sortByColumn(TfrmResultaten::kColGhg, Qt::DescendingOrder);
    const QString csv = folder.filePath("tabel.csv");
    dialogs.answers << csv;
    window.btbttnCSV->click();
    QVERIFY2(dialogs.informations.isEmpty(), qPrintable(dialogs.informations.join("\n")));
    QCOMPARE(dialogs.proposed.last(), folder.filePath("overzicht.csv"));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
    const QTableWidget* table = window.tblBuizen;
    QCOMPARE(lines.size(), table->rowCount() + 1);  // the header and a row per tube
    auto field = [](QString text) {
      if (!text.contains(',') && !text.contains('"')) return text;
      return '"' + text.replace("\"", "\"\"") + '"';
    };
    QStringList header;
    for (int col = 0; col < table->columnCount(); ++col) {
      header << field(table->horizontalHeaderItem(col)->text());
    }
    QCOMPARE(lines[0], header.join(','));
    for (int row = 0; row < table->rowCount(); ++row) {
      QStringList cells;
      for (int col = 0; col < table->columnCount(); ++col) {
        cells << field(table->item(row, col)->text());
      }
      QCOMPARE(lines[row + 1], cells.join(','));
    }
    QCOMPARE(table->columnCount(), static_cast<int>(TfrmResultaten::kColumnCount));
    QVERIFY(lines[1].startsWith("B00A0001,"));  // the highest GHG first
    // delta with the four decimals of the screen, not the seven of overzicht.csv.
    QVERIFY2(lines[1].contains(",0.9712,"), qPrintable(lines[1]));
    QVERIFY(!lines[0].contains("x_rd"));

    // A folder that is not there: told, not thrown.
    dialogs.answers << folder.filePath("geen/map/tabel.csv");
    window.btbttnCSV->click();
    QCOMPARE(dialogs.informations.size(), 1);
  }
};

QTEST_MAIN(ResultsWindowsTest)
#include "results_windows_test.moc"
