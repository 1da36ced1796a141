#include "untPost.h"

#include <algorithm>
#include <exception>

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "dialogs.h"
#include "frontend.h"

namespace {

// Column 0 holds the series file name ("28AL0005.u01"), the others
// "aangemaakt" or "mislukt" under their titles.
constexpr int kTubeColumnWidth = 110;
constexpr int kOutputColumnWidth = 112;
constexpr int kVisibleRows = 14;
}  // namespace

TfrmPost::TfrmPost(QWidget* parent) : QDialog(parent) {
  setObjectName("frmPost");
  setWindowTitle(QString::fromUtf8("Postprocessing van de simulaties"));
  // No system menu, minimise or close button: btbttnSTOPPOST closes it.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(false);

  lblUitvoer =
      new QLabel(QString::fromUtf8("|----------------------------------- uitvoerbestand met: "
                                   "-----------------------------------|"),
                 this);
  lblUitvoer->setObjectName("lblUitvoer");

  strgrdPost = new QTableWidget(0, phreatix::kPostGridColumns, this);
  strgrdPost->setObjectName("strgrdPost");
  strgrdPost->verticalHeader()->hide();
  strgrdPost->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  strgrdPost->horizontalHeader()->setHighlightSections(false);
  strgrdPost->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  strgrdPost->verticalHeader()->setDefaultSectionSize(20);
  strgrdPost->setEditTriggers(QAbstractItemView::NoEditTriggers);
  strgrdPost->setSelectionMode(QAbstractItemView::NoSelection);
  strgrdPost->setFocusPolicy(Qt::NoFocus);
  strgrdPost->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  strgrdPost->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  strgrdPost->setWordWrap(false);
  strgrdPost->setColumnWidth(0, kTubeColumnWidth);
  for (int c = 1; c < phreatix::kPostGridColumns; ++c) {
    strgrdPost->setColumnWidth(c, kOutputColumnWidth);
  }
  strgrdPost->setFixedWidth(
      kTubeColumnWidth + (phreatix::kPostGridColumns - 1) * kOutputColumnWidth +
      strgrdPost->verticalScrollBar()->sizeHint().width() + 2 * strgrdPost->frameWidth());
  strgrdPost->setMinimumHeight(strgrdPost->horizontalHeader()->sizeHint().height() +
                               kVisibleRows * 20 + 2 * strgrdPost->frameWidth());

  lblMeld = new QLabel(QString::fromUtf8("Meldingen:"), this);
  lblMeld->setObjectName("lblMeld");

  Gauge1 = new QProgressBar(this);
  Gauge1->setObjectName("Gauge1");
  Gauge1->setRange(0, 100);
  Gauge1->setValue(0);
  // Shown only during the duration line and the correlogram, without the
  // button below moving.
  QSizePolicy keepPlace = Gauge1->sizePolicy();
  keepPlace.setRetainSizeWhenHidden(true);
  Gauge1->setSizePolicy(keepPlace);
  Gauge1->hide();

  btbttnSTOPPOST = new QPushButton(QString::fromUtf8("Afsluiten postprocessingsmodule"), this);
  btbttnSTOPPOST->setObjectName("btbttnSTOPPOST");
  btbttnSTOPPOST->setAutoDefault(false);
  btbttnSTOPPOST->setEnabled(false);
  connect(btbttnSTOPPOST, &QPushButton::clicked, this, &TfrmPost::btbttnSTOPPOSTClick);

  // The label stands over the five output columns, right of the tube column.
  auto* over = new QHBoxLayout;
  over->addSpacing(kTubeColumnWidth + strgrdPost->frameWidth());
  over->addWidget(lblUitvoer, 1, Qt::AlignHCenter);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(over);
  layout->addWidget(strgrdPost, 1);
  layout->addWidget(lblMeld);
  layout->addWidget(Gauge1);
  layout->addWidget(btbttnSTOPPOST, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetMinimumSize);

  activate();
}

void TfrmPost::activate() {
  for (int c = 0; c < phreatix::kPostGridColumns; ++c) setCell(0, c, phreatix::kPostGridTitles[c]);
}

QString TfrmPost::cell(int row, int column) const {
  const QTableWidgetItem* item =
      row == 0 ? strgrdPost->horizontalHeaderItem(column) : strgrdPost->item(row - 1, column);
  return item ? item->text() : QString();
}

void TfrmPost::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  activate();
}

void TfrmPost::setCaption(const std::string& caption) {
  setWindowTitle(QString::fromStdString(caption));
}

void TfrmPost::show() { QDialog::show(); }

void TfrmPost::setRowCount(int rows) {
  // The title row is the grid's header; the table holds the tubes.
  strgrdPost->setRowCount(std::max(rows - 1, 0));
  btbttnSTOPPOST->setEnabled(false);
}

void TfrmPost::setCell(int row, int column, const std::string& text) {
  if (column < 0 || column >= phreatix::kPostGridColumns) return;
  const QString value = QString::fromStdString(text);
  if (row == 0) {
    QTableWidgetItem* title = strgrdPost->horizontalHeaderItem(column);
    if (!title) {
      strgrdPost->setHorizontalHeaderItem(column, new QTableWidgetItem(value));
    } else {
      title->setText(value);
    }
    return;
  }
  if (row < 1 || row > strgrdPost->rowCount()) return;
  QTableWidgetItem* item = strgrdPost->item(row - 1, column);
  if (!item) {
    item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled);
    strgrdPost->setItem(row - 1, column, item);
  }
  item->setText(value);
}

void TfrmPost::rowFinished(int row) {
  if (row >= 1 && row <= strgrdPost->rowCount()) {
    strgrdPost->scrollToItem(strgrdPost->item(row - 1, 0));
  }
}

void TfrmPost::setMessage(const std::string& text) {
  lblMeld->setText(QString::fromStdString(text));
}

void TfrmPost::showGauge(bool visible) { Gauge1->setVisible(visible); }

void TfrmPost::setGauge(int percent) { Gauge1->setValue(percent); }

void TfrmPost::finished() {
  btbttnSTOPPOST->setEnabled(true);
  // Changing the window's flags hides it; an open window stays open.
  const bool wasVisible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  if (wasVisible) QDialog::show();
}

void TfrmPost::repaint() { phreatix::ui::throttledRepaint(sinceRepaint_); }

void TfrmPost::showHelpTopic(const std::string& topic) {
  phreatix::ui::askForHelp(this, helpTopic_, topic);
}

void TfrmPost::btbttnSTOPPOSTClick() {
  phreatix::ui::askForHelp(this, helpTopic_, "PHREATIX.AP_001");
  accept();
}
