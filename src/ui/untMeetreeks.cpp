#include "untMeetreeks.h"

#include <algorithm>

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QVBoxLayout>

#include "dialogs.h"
#include "error.h"
#include "frontend.h"

namespace {

constexpr const char* kWindowHint =
    "LET OP: bij tussentijds wegclicken van dit scherm zelf bijhouden welke buizen wel/niet "
    "zijn beoordeeld!";
// Chart texts: a small fixed pixel size, so that the labels fit the chart's
// fixed positions on every screen.
constexpr int kChartFontPixels = 11;

QColor colour(const phreatix::Rgb& c) { return QColor(c.r, c.g, c.b); }

}  // namespace

TfrmMeetreeksTrackBar::TfrmMeetreeksTrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setRange(0, phreatix::kTrackBarMax);
  setTickPosition(QSlider::TicksBelow);
  setTickInterval(100);
  // The part before the position is not selected: no highlight there.
  QPalette colours = palette();
  colours.setColor(QPalette::Highlight, colours.color(QPalette::Button));
  setPalette(colours);
}

void TfrmMeetreeksTrackBar::paintEvent(QPaintEvent* event) {
  QSlider::paintEvent(event);
  // The selection from the position to the end, in blue, right of the handle.
  QStyleOptionSlider option;
  initStyleOption(&option);
  const QRect groove =
      style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
  const QRect handle =
      style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
  const QRect selection(QPoint(handle.right() + 1, groove.top() + 1),
                        QPoint(groove.right() - 1, groove.bottom() - 1));
  if (selection.width() > 0) {
    QPainter painter(this);
    painter.fillRect(selection, QColor(0, 0, 255));
  }
}

TfrmMeetreeks::TfrmMeetreeks(phreatix::Session& session, QWidget* parent)
    : QDialog(parent),
      session_(session),
      image_(phreatix::kChartWidth, phreatix::kChartHeight, QImage::Format_RGB32) {
  setObjectName("frmMeetreeks");
  setModal(true);
  setStatusTip(QString::fromUtf8(kWindowHint));
  image_.fill(Qt::white);

  auto* layout = new QVBoxLayout(this);
  // The chart, with the track bar under it spanning the plotted width.
  auto* plot = new QWidget(this);
  plot->setFixedSize(phreatix::kChartWidth + 10, phreatix::kChartHeight + 32);
  imgChart = new QLabel(plot);
  imgChart->setObjectName("imgChart");
  imgChart->setGeometry(0, 0, phreatix::kChartWidth, phreatix::kChartHeight);
  imgChart->setPixmap(QPixmap::fromImage(image_));
  trckbrSTART = new TfrmMeetreeksTrackBar(plot);
  trckbrSTART->setObjectName("trckbrSTART");
  trckbrSTART->setGeometry(25, phreatix::kChartHeight + 2, phreatix::kChartWidth - 20, 28);
  trckbrSTART->setStatusTip(
      QString::fromUtf8("Schuif naar de datum vanaf waar de tijdreeks wordt geaccepteerd"));
  layout->addWidget(plot);

  auto* row = new QHBoxLayout;
  lblGereed = new QLabel(this);
  lblGereed->setObjectName("lblGereed");
  btbttnFALSE = new QPushButton(QString::fromUtf8("Niet accepteren"), this);
  btbttnFALSE->setObjectName("btbttnFALSE");
  btbttnFALSE->setStatusTip(
      QString::fromUtf8("Druk op knop om deze tijdreeks geheel af te keuren"));
  btbttnTRUE = new QPushButton(QString::fromUtf8("Accepteren"), this);
  btbttnTRUE->setObjectName("btbttnTRUE");
  btbttnTRUE->setStatusTip(QString::fromUtf8(
      "Druk op deze knop om (blauwe) geselecteerde deel van tijdreeks goed te keuren. "
      "Selecteer met de schuif."));
  row->addWidget(lblGereed);
  row->addWidget(btbttnFALSE);
  row->addWidget(btbttnTRUE);
  row->addStretch(1);
  layout->addLayout(row);

  auto* period = new QHBoxLayout;
  lblACCSTART = new QLabel(this);
  lblACCSTART->setObjectName("lblACCSTART");
  lblACCEND = new QLabel(this);
  lblACCEND->setObjectName("lblACCEND");
  lblACCSTART->setMinimumWidth(90);
  lblACCEND->setMinimumWidth(90);
  period->addWidget(new QLabel(QString::fromUtf8("Periode:"), this));
  period->addWidget(lblACCSTART);
  period->addWidget(new QLabel(QString::fromUtf8("t/m"), this));
  period->addWidget(lblACCEND);
  period->addStretch(1);
  layout->addLayout(period);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  layout->addWidget(StatusBar1);
  // The window is as wide as its longest hint, so that no hint is cut off.
  int hintWidth = 0;
  for (const QString& hint :
       {statusTip(), btbttnTRUE->statusTip(), btbttnFALSE->statusTip(), trckbrSTART->statusTip()}) {
    hintWidth = std::max(hintWidth, StatusBar1->fontMetrics().horizontalAdvance(hint));
  }
  setMinimumWidth(hintWidth + 2 * layout->contentsMargins().left() + 16);

  connect(btbttnTRUE, &QPushButton::clicked, this, &TfrmMeetreeks::btbttnTRUEClick);
  connect(btbttnFALSE, &QPushButton::clicked, this, &TfrmMeetreeks::btbttnFALSEClick);
  connect(trckbrSTART, &QSlider::valueChanged, this, &TfrmMeetreeks::trckbrSTARTChange);
}

TfrmMeetreeks::~TfrmMeetreeks() = default;

bool TfrmMeetreeks::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    StatusBar1->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  return QDialog::event(event);
}

void TfrmMeetreeks::run(phreatix::WorkingCopy& copy, const std::vector<std::string>& tubes,
                        std::vector<bool>& flags, const std::string& workingDir) {
  phreatix::ui::DialogMessageBox box(this);
  bool started = false;
  phreatix::ui::guarded(session_, this, [&] {
    phreatix::ChartSaver& saver = *this;
    assessment_ =
        std::make_unique<phreatix::Assessment>(copy, tubes, flags, workingDir, saver, box);
    started = true;
  });
  if (!started || assessment_->done()) {
    assessment_.reset();
    return;
  }
  // Opened from a modal window (the splitting window), the assessment
  // belongs on top of that window, not behind it.
  // It goes back to its owner afterwards.
  QWidget* owner = parentWidget();
  QWidget* modal = QApplication::activeModalWidget();
  const bool over = modal && modal != this && owner != modal;
  if (over) setParent(modal, windowFlags());
  showTube();
  exec();
  if (over) setParent(owner, windowFlags());
  assessment_.reset();
}

QImage TfrmMeetreeks::renderChart(const std::vector<phreatix::ChartItem>& items) {
  QImage image(phreatix::kChartWidth, phreatix::kChartHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, false);
  QFont font = painter.font();
  font.setPixelSize(kChartFontPixels);
  painter.setFont(font);
  const QFontMetrics metrics(font);
  for (const phreatix::ChartItem& item : items) {
    painter.setPen(QPen(colour(item.colour), 1));
    if (item.kind == phreatix::ChartItem::Kind::kLine) {
      painter.drawLine(item.x1, item.y1, item.x2, item.y2);
      continue;
    }
    const QString text = QString::fromStdString(item.text);
    const int width = metrics.horizontalAdvance(text);
    int left = item.x1;
    if (item.align == phreatix::ChartItem::Align::kRight) left = item.x1 - width;
    if (item.align == phreatix::ChartItem::Align::kCentre) left = item.x1 - width / 2;
    painter.drawText(QPoint(left, item.y1 + metrics.ascent()), text);
  }
  painter.end();
  return image;
}

void TfrmMeetreeks::showTube() {
  showing_ = true;
  const QString code = QString::fromStdString(assessment_->code());
  setWindowTitle(code);
  lblGereed->setText("Buis " + code + " visueel:");
  btbttnTRUE->setEnabled(false);
  btbttnFALSE->setEnabled(false);
  lblGereed->hide();
  image_ = renderChart(assessment_->chart());
  imgChart->setPixmap(QPixmap::fromImage(image_));
  trckbrSTART->setValue(0);
  lblACCSTART->setText(QString::fromStdString(assessment_->startLabel()));
  lblACCEND->setText(QString::fromStdString(assessment_->endLabel()));
  btbttnTRUE->setEnabled(true);
  btbttnFALSE->setEnabled(true);
  lblGereed->show();
  showing_ = false;
}

void TfrmMeetreeks::trckbrSTARTChange(int position) {
  if (!assessment_ || showing_) return;
  const std::string status = assessment_->moveTrackBar(position);
  lblACCSTART->setText(QString::fromStdString(assessment_->startLabel()));
  StatusBar1->showMessage(QString::fromStdString(status));
  if (!status.empty()) phreatix::ui::dialogs().beep();
}

void TfrmMeetreeks::btbttnTRUEClick() {
  if (!assessment_) return;
  const int before = assessment_->position();
  phreatix::ui::guarded(session_, this, [this] { assessment_->accept(); });
  // A judgement that could not be saved leaves the tube on screen as it was.
  if (assessment_->position() != before) next();
}

void TfrmMeetreeks::btbttnFALSEClick() {
  if (!assessment_) return;
  const int before = assessment_->position();
  phreatix::ui::guarded(session_, this, [this] { assessment_->reject(); });
  if (assessment_->position() != before) next();
}

void TfrmMeetreeks::next() {
  if (assessment_->done()) {
    accept();
  } else {
    showTube();
  }
}

void TfrmMeetreeks::saveChart(const std::string& path) {
  // A Windows bitmap, whatever the name's extension says.
  if (!image_.save(QString::fromStdString(path), "BMP")) {
    throw phreatix::Error(phreatix::ErrorKind::kIo,
                          path + ": de grafiek kon niet worden geschreven");
  }
}
