#include "untResultaten.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include "dialogs.h"
#include "frontend.h"
#include "results/axis_ticks.h"
#include "results/component_texts.h"
#include "results/report_columns.h"
#include "results/report_files.h"

namespace {

// The number behind a numeric cell, apart from the text shown, so that the
// table sorts 9.5 before 10.2 and a cell without a value before all others.
constexpr int kSortRole = Qt::UserRole;
// The index into the results' tube list, kept on the tube cell of a row.
constexpr int kTubeRole = Qt::UserRole + 1;

class NumberItem : public QTableWidgetItem {
 public:
  // Points, not the desktop's decimal comma: the text the saved CSV has.
  NumberItem(const phreatix::OverviewValue& value, const std::string& text) {
    if (value.known) {
      setText(QString::fromStdString(text));
      setData(kSortRole, value.number);
    }
    setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  }
  bool operator<(const QTableWidgetItem& other) const override {
    const QVariant mine = data(kSortRole);
    const QVariant theirs = other.data(kSortRole);
    if (!mine.isValid() || !theirs.isValid()) return !mine.isValid() && theirs.isValid();
    return mine.toDouble() < theirs.toDouble();
  }
};

QString fromStd(const std::string& text) { return QString::fromStdString(text); }

QString tubeName(const phreatix::TubeResult& tube) {
  return fromStd(phreatix::screenTubeName(tube));
}

// A tube with something the user must read before quoting its figures; the
// missing model of a failed tube is its reason of failure, not a warning.
bool hasWarnings(const phreatix::TubeResult& tube) {
  return !phreatix::screenWarnings(tube).empty();
}

// The place of a column of the overview in the table; -1 when not shown.
int screenIndex(const char* name) {
  const auto& columns = phreatix::screenColumns();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (std::string_view(columns[i]->name) == name) return static_cast<int>(i);
  }
  return -1;
}

QColor colourOf(const phreatix::Rgb& rgb) { return QColor(rgb.r, rgb.g, rgb.b); }

// --- Charts ---------------------------------------------------------------

constexpr double kMsecsPerDay = 86400000.0;

// Day number since 1-1-1970 as the msecs QDateTimeAxis places: it labels
// in local time, so a date is midnight of the local day.
double dateMsecs(double days) {
  const double whole = std::floor(days);
  const QDateTime midnight(QDate(1970, 1, 1).addDays(static_cast<qint64>(whole)), QTime(0, 0));
  return static_cast<double>(midnight.toMSecsSinceEpoch()) + (days - whole) * kMsecsPerDay;
}

struct Extent {
  double lo = std::numeric_limits<double>::infinity();
  double hi = -std::numeric_limits<double>::infinity();
  void add(double v) {
    if (!std::isfinite(v)) return;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  bool empty() const { return lo > hi; }
};

// The x and y values of a series as drawn: bars become the outline of their
// rectangles, dates become msecs.
struct Points {
  QList<QPointF> upper;
  QList<QPointF> lower;  // bars only: the foot of each rectangle, on y = 0
};

Points pointsOf(const phreatix::ChartSeries& series, bool dates) {
  Points points;
  const std::size_t count = std::min(series.x.size(), series.y.size());
  std::vector<double> xs(count);
  for (std::size_t i = 0; i < count; ++i) xs[i] = dates ? dateMsecs(series.x[i]) : series.x[i];
  if (series.kind != phreatix::ChartSeries::Kind::kBars) {
    for (std::size_t i = 0; i < count; ++i) points.upper.append(QPointF(xs[i], series.y[i]));
    return points;
  }
  // Each bar 80 % of the narrowest spacing of the bars, so neighbours keep
  // a gap; a single bar gets width 0.8 in the units of x.
  std::vector<double> sorted = xs;
  std::sort(sorted.begin(), sorted.end());
  double spacing = std::numeric_limits<double>::infinity();
  for (std::size_t i = 1; i < sorted.size(); ++i) {
    if (sorted[i] > sorted[i - 1]) spacing = std::min(spacing, sorted[i] - sorted[i - 1]);
  }
  if (!std::isfinite(spacing)) spacing = dates ? kMsecsPerDay : 1.0;
  const double half = 0.4 * spacing;
  for (std::size_t i = 0; i < count; ++i) {
    const double left = xs[i] - half, right = xs[i] + half, y = series.y[i];
    points.upper << QPointF(left, 0) << QPointF(left, y) << QPointF(right, y) << QPointF(right, 0);
    points.lower << QPointF(left, 0) << QPointF(left, 0) << QPointF(right, 0) << QPointF(right, 0);
  }
  return points;
}

QAbstractSeries* seriesOf(const phreatix::ChartSeries& description, const Points& points) {
  const QColor colour = colourOf(description.colour);
  switch (description.kind) {
    case phreatix::ChartSeries::Kind::kPoints: {
      auto* scatter = new QScatterSeries;
      scatter->setMarkerSize(5);
      scatter->setColor(colour);
      scatter->setBorderColor(colour);
      scatter->replace(points.upper);
      scatter->setName(fromStd(description.name));
      return scatter;
    }
    case phreatix::ChartSeries::Kind::kBars: {
      auto* area = new QAreaSeries;
      auto* upper = new QLineSeries(area);
      auto* lower = new QLineSeries(area);
      upper->replace(points.upper);
      lower->replace(points.lower);
      area->setUpperSeries(upper);
      area->setLowerSeries(lower);
      QColor fill = colour;
      fill.setAlpha(170);
      area->setBrush(fill);
      area->setPen(QPen(colour.darker(130), 1));
      area->setName(fromStd(description.name));
      return area;
    }
    case phreatix::ChartSeries::Kind::kLine:
      break;
  }
  auto* line = new QLineSeries;
  line->setPen(QPen(colour, 1.5));
  line->replace(points.upper);
  line->setName(fromStd(description.name));
  return line;
}

// Ticks on multiples of a round step over whatever range the axis shows,
// labelled with as many decimals as the step needs (phreatix::roundTicks);
// asked again after each zoom.
void placeRoundTicks(QValueAxis* axis, int parts) {
  const double span = axis->max() - axis->min();
  if (!(span > 0) || !std::isfinite(span)) return;
  const double step = phreatix::roundStep(span, parts);
  axis->setTickInterval(step);
  axis->setLabelFormat(QString("%.%1f").arg(phreatix::stepDecimals(step)));
}

// A value axis over `extent` with a little room at both ends, none beyond
// zero when the axis is `anchoredAtZero` (bars stand on it), and about
// `parts` intervals between round ticks.
QValueAxis* valueAxis(const phreatix::ChartAxis& description, Extent extent, bool anchoredAtZero,
                      int parts) {
  auto* axis = new QValueAxis;
  axis->setTitleText(fromStd(description.title));
  axis->setReverse(description.reversed);
  if (extent.empty()) extent = Extent{0, 1};
  const double margin = extent.hi > extent.lo ? 0.03 * (extent.hi - extent.lo) : 1.0;
  const double lo = anchoredAtZero && extent.lo == 0 ? 0 : extent.lo - margin;
  const double hi = anchoredAtZero && extent.hi == 0 ? 0 : extent.hi + margin;
  axis->setTickType(QValueAxis::TicksDynamic);
  axis->setTickAnchor(0);
  axis->setRange(lo, hi);
  placeRoundTicks(axis, parts);
  QObject::connect(axis, &QValueAxis::rangeChanged, axis,
                   [axis, parts] { placeRoundTicks(axis, parts); });
  return axis;
}

// Labels a date axis for the span it shows: years over a long span, months
// or days once the user zooms in.
void labelDates(QDateTimeAxis* axis) {
  const double days = static_cast<double>(axis->min().daysTo(axis->max()));
  axis->setFormat(days < 400 ? "d-M-yyyy" : days < 8 * 365 ? "M-yyyy" : "yyyy");
  axis->setTickCount(6);
}

// A date axis. Over several years it runs from year to year with one label
// a year, or one every 2, 5 or 10 years, so that at most 10 years are
// labelled. QDateTimeAxis spaces its ticks evenly in msecs, which puts a
// tick up to a day before 1 January where leap years fall unevenly; the
// axis starts on 2 January so every tick lands on 1..3 January and its
// year label is right.
QDateTimeAxis* dateAxis(const phreatix::ChartAxis& description, const Extent& extent) {
  auto* axis = new QDateTimeAxis;
  axis->setTitleText(fromStd(description.title));
  if (extent.empty()) return axis;
  const QDateTime first = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(extent.lo));
  const QDateTime last = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(extent.hi));
  if (first.daysTo(last) < 3 * 365) {
    const qint64 margin = std::max<qint64>(static_cast<qint64>(0.02 * (extent.hi - extent.lo)),
                                           static_cast<qint64>(kMsecsPerDay));
    axis->setRange(first.addMSecs(-margin), last.addMSecs(margin));
    labelDates(axis);
  } else {
    int startYear = first.date().year();
    if (first.date() < QDate(startYear, 1, 2)) --startYear;
    int endYear = last.date().year() + 1;
    int step = 1;
    for (const int candidate : {1, 2, 5, 10, 20, 50}) {
      step = candidate;
      if ((endYear - startYear + step - 1) / step <= 10) break;
    }
    endYear = startYear + ((endYear - startYear + step - 1) / step) * step;
    axis->setRange(QDateTime(QDate(startYear, 1, 2), QTime(0, 0)),
                   QDateTime(QDate(endYear, 1, 2), QTime(0, 0)));
    axis->setFormat("yyyy");
    axis->setTickCount((endYear - startYear) / step + 1);
  }
  // After a zoom the labels follow the span; "Zoom herstellen" brings back
  // the year ticks.
  const QDateTime fullMin = axis->min(), fullMax = axis->max();
  const QString fullFormat = axis->format();
  const int fullTicks = axis->tickCount();
  QObject::connect(axis, &QDateTimeAxis::rangeChanged, axis, [=] {
    if (axis->min() == fullMin && axis->max() == fullMax) {
      axis->setFormat(fullFormat);
      axis->setTickCount(fullTicks);
    } else {
      labelDates(axis);
    }
  });
  return axis;
}

QChart* buildChart(const phreatix::Chart& description) {
  auto* chart = new QChart;
  chart->setTitle(fromStd(description.title));
  chart->legend()->setVisible(true);
  chart->legend()->setAlignment(Qt::AlignBottom);
  chart->setMargins(QMargins(4, 4, 4, 4));

  // The series of the second axis (a component's contribution) get one of
  // their own on the right.
  std::vector<Points> points;
  Extent xExtent, yExtent, y2Extent;
  bool bars = false, bars2 = false, second = false;
  for (const phreatix::ChartSeries& series : description.series) {
    points.push_back(pointsOf(series, description.x.dates));
    for (const QPointF& p : points.back().upper) {
      xExtent.add(p.x());
      (series.secondAxis ? y2Extent : yExtent).add(p.y());
    }
    if (series.kind == phreatix::ChartSeries::Kind::kBars)
      (series.secondAxis ? bars2 : bars) = true;
    second = second || series.secondAxis;
  }
  if (bars) yExtent.add(0);  // bars stand on zero
  if (bars2) y2Extent.add(0);

  QAbstractAxis* xAxis = description.x.dates
                             ? static_cast<QAbstractAxis*>(dateAxis(description.x, xExtent))
                             : valueAxis(description.x, xExtent, false, 8);
  if (description.x.reversed) xAxis->setReverse(true);
  QValueAxis* yAxis = valueAxis(description.y, yExtent, bars, 6);
  chart->addAxis(xAxis, Qt::AlignBottom);
  chart->addAxis(yAxis, Qt::AlignLeft);
  QValueAxis* y2Axis = nullptr;
  if (second) {
    y2Axis = valueAxis(description.y2, y2Extent, bars2, 6);
    y2Axis->setObjectName("y2");
    chart->addAxis(y2Axis, Qt::AlignRight);
  }
  for (std::size_t i = 0; i < description.series.size(); ++i) {
    QAbstractSeries* series = seriesOf(description.series[i], points[i]);
    chart->addSeries(series);
    series->attachAxis(xAxis);
    series->attachAxis(description.series[i].secondAxis ? y2Axis : yAxis);
  }
  return chart;
}

// The text shown in place of the charts of a tube without a model.
QString reasonText(const phreatix::TubeResult& tube) {
  QString text = QString::fromUtf8("Geen model voor ") + tubeName(tube);
  if (!tube.filter.empty()) text += " filter " + fromStd(tube.filter);
  if (tube.failure.empty()) return text + ".";
  return text + ":\n" + fromStd(tube.failure);
}

}  // namespace

TfrmResultaten::TfrmResultaten(QWidget* parent) : QDialog(parent) {
  setObjectName("frmResultaten");
  setWindowTitle(QString::fromUtf8("Resultaten"));
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

  const auto& columns = phreatix::screenColumns();
  tblBuizen = new QTableWidget(0, static_cast<int>(columns.size()), this);
  tblBuizen->setObjectName("tblBuizen");
  QStringList titles;
  for (const phreatix::OverviewColumn* column : columns) titles << column->screenTitle;
  tblBuizen->setHorizontalHeaderLabels(titles);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    tblBuizen->horizontalHeaderItem(static_cast<int>(i))
        ->setToolTip(QString::fromUtf8(columns[i]->screenTip));
  }
  tblBuizen->setSelectionBehavior(QAbstractItemView::SelectRows);
  tblBuizen->setSelectionMode(QAbstractItemView::SingleSelection);
  tblBuizen->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tblBuizen->setAlternatingRowColors(true);
  tblBuizen->verticalHeader()->setVisible(false);
  tblBuizen->horizontalHeader()->setStretchLastSection(true);
  // Until the user sorts: the tubes in the order of their stems.
  tblBuizen->horizontalHeader()->setSortIndicator(screenIndex("buis"), Qt::AscendingOrder);
  tblBuizen->setSortingEnabled(true);
  connect(tblBuizen, &QTableWidget::itemSelectionChanged, this,
          &TfrmResultaten::tblBuizenSelectionChanged);

  lblStatus = new QLabel(this);
  lblStatus->setObjectName("lblStatus");
  lblDetails = new QLabel(this);
  lblDetails->setObjectName("lblDetails");
  lblDetails->setWordWrap(true);
  lblDetails->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblDetails->setVisible(false);

  tabGrafieken = new QTabWidget(this);
  tabGrafieken->setObjectName("tabGrafieken");
  tabGrafieken->setUsesScrollButtons(true);
  // Five titles that each name the tube do not fit side by side: the tabs
  // shorten them, the chart and the tab's tooltip show them in full.
  tabGrafieken->setElideMode(Qt::ElideRight);
  lblReden = new QLabel(this);
  lblReden->setObjectName("lblReden");
  lblReden->setAlignment(Qt::AlignCenter);
  lblReden->setWordWrap(true);
  lblReden->setTextInteractionFlags(Qt::TextSelectableByMouse);
  stkGrafieken = new QStackedWidget(this);
  stkGrafieken->setObjectName("stkGrafieken");
  stkGrafieken->addWidget(tabGrafieken);
  stkGrafieken->addWidget(lblReden);

  btbttnZoom = new QPushButton(QString::fromUtf8("Zoom herstellen"), this);
  btbttnZoom->setObjectName("btbttnZoom");
  btbttnZoom->setToolTip(
      QString::fromUtf8("Inzoomen: sleep een rechthoek in de grafiek; rechtsklik zoomt uit"));
  btbttnPNG = new QPushButton(QString::fromUtf8("Grafiek opslaan als PNG..."), this);
  btbttnPNG->setObjectName("btbttnPNG");
  btbttnCSV = new QPushButton(QString::fromUtf8("Tabel opslaan als CSV..."), this);
  btbttnCSV->setObjectName("btbttnCSV");
  bttnSluiten = new QPushButton(QString::fromUtf8("Sluiten"), this);
  bttnSluiten->setObjectName("bttnSluiten");
  connect(btbttnZoom, &QPushButton::clicked, this, &TfrmResultaten::btbttnZoomClick);
  connect(btbttnPNG, &QPushButton::clicked, this, &TfrmResultaten::btbttnPNGClick);
  connect(btbttnCSV, &QPushButton::clicked, this, &TfrmResultaten::btbttnCSVClick);
  connect(bttnSluiten, &QPushButton::clicked, this, &QDialog::accept);

  auto* top = new QWidget(this);
  auto* topLayout = new QVBoxLayout(top);
  topLayout->setContentsMargins(0, 0, 0, 0);
  topLayout->addWidget(tblBuizen);
  topLayout->addWidget(lblStatus);
  topLayout->addWidget(lblDetails);
  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->addWidget(top);
  splitter->addWidget(stkGrafieken);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 3);
  splitter->setChildrenCollapsible(false);
  // A few tube rows in sight and the most room for the charts; the user
  // moves the divider for a longer table.
  tblBuizen->setMinimumHeight(120);
  stkGrafieken->setMinimumHeight(360);
  splitter->setSizes({230, 570});

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btbttnZoom);
  buttons->addWidget(btbttnPNG);
  buttons->addStretch(1);
  buttons->addWidget(btbttnCSV);
  buttons->addWidget(bttnSluiten);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitter, 1);
  layout->addLayout(buttons);

  showReason(QString());
  btbttnCSV->setEnabled(false);
  resize(1200, 860);
}

void TfrmResultaten::showResults(const phreatix::DataSetResults& results, ChartSource charts) {
  results_ = results;
  charts_ = std::move(charts);
  chartCache_.clear();
  shownTube_ = -1;
  fillTable();
  btbttnCSV->setEnabled(true);
  if (tblBuizen->rowCount() > 0) {
    tblBuizen->selectRow(0);
    tblBuizenSelectionChanged();  // row 0 may have been selected already
  } else {
    showReason(QString::fromUtf8("Geen buizen met resultaten."));
  }
}

void TfrmResultaten::fillTable() {
  const QSignalBlocker blocker(tblBuizen);
  tblBuizen->setSortingEnabled(false);
  tblBuizen->clearContents();
  tblBuizen->setRowCount(static_cast<int>(results_.tubes.size()));
  int modelled = 0, warned = 0;
  for (int row = 0; row < tblBuizen->rowCount(); ++row) {
    const phreatix::TubeResult& tube = results_.tubes[static_cast<std::size_t>(row)];
    modelled += tube.modelled ? 1 : 0;
    warned += hasWarnings(tube) ? 1 : 0;
    const auto& columns = phreatix::screenColumns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const phreatix::OverviewColumn& column = *columns[i];
      const phreatix::OverviewValue value = phreatix::screenValue(column, tube);
      const QString text = fromStd(phreatix::screenText(column, value));
      QTableWidgetItem* item = column.type == phreatix::OverviewColumn::Type::kText
                                   ? new QTableWidgetItem(text)
                                   : new NumberItem(value, text.toStdString());
      const std::string_view name = column.name;
      if (name == "buis") item->setData(kTubeRole, row);
      if (name == "waarschuwingen") {
        QStringList warnings;
        for (const std::string& warning : phreatix::screenWarnings(tube))
          warnings << fromStd(warning);
        item->setToolTip(warnings.join("\n"));
        if (!warnings.isEmpty()) item->setForeground(QColor(160, 60, 0));
      }
      if (name == "reden_geen_model") item->setToolTip(fromStd(tube.failure));
      tblBuizen->setItem(row, static_cast<int>(i), item);
    }
  }
  tblBuizen->setSortingEnabled(true);
  tblBuizen->resizeColumnsToContents();
  // A long warning or reason would push the other columns out of sight: it
  // is in full in the cell's tooltip.
  for (const int column : {screenIndex("waarschuwingen"), screenIndex("reden_geen_model")}) {
    if (column >= 0)
      tblBuizen->setColumnWidth(column, std::min(tblBuizen->columnWidth(column), 320));
  }
  lblStatus->setText(QString::fromUtf8("%1 buizen, %2 met model, %3 met waarschuwingen")
                         .arg(tblBuizen->rowCount())
                         .arg(modelled)
                         .arg(warned));
}

int TfrmResultaten::selectedTube() const {
  const QList<QTableWidgetItem*> items = tblBuizen->selectedItems();
  if (items.isEmpty()) return -1;
  const QTableWidgetItem* name = tblBuizen->item(items.front()->row(), screenIndex("buis"));
  return name ? name->data(kTubeRole).toInt() : -1;
}

std::vector<QChartView*> TfrmResultaten::chartViews() const {
  std::vector<QChartView*> views;
  for (int i = 0; i < tabGrafieken->count(); ++i) {
    if (auto* view = qobject_cast<QChartView*>(tabGrafieken->widget(i))) views.push_back(view);
  }
  return views;
}

void TfrmResultaten::tblBuizenSelectionChanged() {
  const int tube = selectedTube();
  if (tube >= 0) showTube(tube);
}

void TfrmResultaten::showTube(int tubeIndex) {
  if (tubeIndex == shownTube_) return;
  const phreatix::TubeResult& tube = results_.tubes[static_cast<std::size_t>(tubeIndex)];
  shownTube_ = tubeIndex;
  showDetails(tube);
  if (!tube.modelled) {
    showReason(reasonText(tube));
    return;
  }
  auto cached = chartCache_.find(tubeIndex);
  if (cached == chartCache_.end()) {
    std::vector<phreatix::Chart> charts;
    if (!charts_ || !phreatix::ui::guarded(nullptr, this, [&] { charts = charts_(tube); })) {
      showReason(QString::fromUtf8("De grafieken van ") + tubeName(tube) +
                 QString::fromUtf8(" zijn niet te lezen."));
      shownTube_ = -1;  // another selection tries again
      return;
    }
    cached = chartCache_.emplace(tubeIndex, std::move(charts)).first;
  }
  if (cached->second.empty()) {
    showReason(QString::fromUtf8("Geen grafieken voor ") + tubeName(tube) + ".");
    return;
  }
  clearCharts();
  for (const phreatix::Chart& description : cached->second) {
    auto* view = new QChartView(buildChart(description));
    view->setObjectName(QString::fromStdString("grafiek_" + description.id));
    view->setRenderHint(QPainter::Antialiasing);
    view->setRubberBand(QChartView::RectangleRubberBand);
    const int tab = tabGrafieken->addTab(view, fromStd(description.title));
    tabGrafieken->setTabToolTip(tab, fromStd(description.title));
  }
  stkGrafieken->setCurrentWidget(tabGrafieken);
  btbttnZoom->setEnabled(true);
  btbttnPNG->setEnabled(true);
}

void TfrmResultaten::showDetails(const phreatix::TubeResult& tube) {
  QStringList lines;
  if (phreatix::hasChosenModel(tube)) {
    for (const std::string& line : phreatix::modelDetailLines(tube)) lines << fromStd(line);
  }
  if (!lines.isEmpty()) lines.front() = tubeName(tube) + ": " + lines.front();
  lblDetails->setText(lines.join("\n"));
  lblDetails->setVisible(!lines.isEmpty());
}

void TfrmResultaten::showReason(const QString& text) {
  clearCharts();
  lblReden->setText(text);
  stkGrafieken->setCurrentWidget(lblReden);
  btbttnZoom->setEnabled(false);
  btbttnPNG->setEnabled(false);
}

void TfrmResultaten::clearCharts() {
  while (tabGrafieken->count() > 0) {
    QWidget* page = tabGrafieken->widget(0);
    tabGrafieken->removeTab(0);
    delete page;  // the view owns its chart
  }
}

QString TfrmResultaten::startPath(const QString& fileName) const {
  const QString dir = fromStd(results_.workingDir);
  return dir.isEmpty() ? fileName : QDir(dir).filePath(fileName);
}

void TfrmResultaten::btbttnZoomClick() {
  if (auto* view = qobject_cast<QChartView*>(tabGrafieken->currentWidget())) {
    view->chart()->zoomReset();
  }
}

void TfrmResultaten::btbttnPNGClick() {
  auto* view = qobject_cast<QChartView*>(tabGrafieken->currentWidget());
  if (!view || shownTube_ < 0) return;
  const phreatix::TubeResult& tube = results_.tubes[static_cast<std::size_t>(shownTube_)];
  QString proposed = fromStd(tube.stem);
  if (!tube.filter.empty()) proposed += "-" + fromStd(tube.filter);
  proposed += "-" + view->objectName().section('_', 1) + ".png";
  QString path = phreatix::ui::dialogs().saveFile(this, startPath(proposed),
                                                  QString::fromUtf8("PNG-afbeeldingen (*.png)"));
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += ".png";
  if (!view->grab().save(path, "PNG")) {
    phreatix::ui::dialogs().information(this,
                                        path + QString::fromUtf8(" kan niet worden geschreven."));
  }
}

void TfrmResultaten::btbttnCSVClick() {
  const QString path = phreatix::ui::dialogs().saveFile(
      this, startPath(QString::fromUtf8(phreatix::kOverviewCsvName)),
      QString::fromUtf8("CSV-bestanden (*.csv)"));
  if (path.isEmpty()) return;
  // The rows as the table shows them, sorted as the user sorted them.
  std::vector<std::size_t> rows;
  const int tubeColumn = screenIndex("buis");
  for (int row = 0; row < tblBuizen->rowCount(); ++row) {
    rows.push_back(
        static_cast<std::size_t>(tblBuizen->item(row, tubeColumn)->data(kTubeRole).toInt()));
  }
  phreatix::ui::guarded(nullptr, this,
                        [&] { phreatix::writeScreenCsv(results_, rows, path.toStdString()); });
}
