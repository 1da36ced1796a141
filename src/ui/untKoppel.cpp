#include "untKoppel.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QTableWidgetItem* cell(const std::string& text) {
  auto* item = new QTableWidgetItem(QString::fromStdString(text));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

// Row 0 is a fixed title row, as in a string grid: drawn like a header.
QTableWidgetItem* titleCell(const char* text) {
  auto* item = cell(text);
  item->setFlags(Qt::ItemIsEnabled);
  QFont font = item->font();
  font.setBold(true);
  item->setFont(font);
  item->setBackground(QColor(0xe0, 0xe0, 0xe0));
  return item;
}

}  // namespace

TfrmKoppeling::TfrmKoppeling(QWidget* parent) : QDialog(parent) {
  setObjectName("frmKoppeling");
  setWindowTitle(QString::fromUtf8("Koppeling OLGA-buizen aan meteobestanden"));
  // No close button: only "OK, ik heb het gezien" ends it.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);

  strgrdResultaat = new QTableWidget(1, 2, this);
  strgrdResultaat->setObjectName("strgrdResultaat");
  strgrdResultaat->horizontalHeader()->hide();
  strgrdResultaat->verticalHeader()->hide();
  strgrdResultaat->setEditTriggers(QAbstractItemView::NoEditTriggers);
  strgrdResultaat->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  strgrdResultaat->horizontalHeader()->setStretchLastSection(true);
  strgrdResultaat->setItem(0, 0, titleCell(phreatix::kOverviewTitleTube));
  strgrdResultaat->setItem(0, 1, titleCell(phreatix::kOverviewTitleMeteo));

  bttnOK = new QPushButton(QString::fromUtf8("OK, ik heb het gezien"), this);
  bttnOK->setObjectName("bttnOK");
  bttnOK->setDefault(true);
  connect(bttnOK, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(strgrdResultaat, 1);
  layout->addWidget(bttnOK, 0, Qt::AlignHCenter);
  resize(620, 520);
}

void TfrmKoppeling::showOverview(const phreatix::CouplingOverview& overview) {
  strgrdResultaat->setRowCount(static_cast<int>(overview.rows.size()) + 1);
  for (std::size_t i = 0; i < overview.rows.size(); ++i) {
    const int row = static_cast<int>(i) + 1;
    strgrdResultaat->setItem(row, 0, cell(overview.rows[i].tube));
    strgrdResultaat->setItem(row, 1, cell(overview.rows[i].meteo));
  }
  // No cell marked as current: the title row would look selected.
  strgrdResultaat->setCurrentCell(-1, -1);
}

// Where the window manager still offers a close button, it and Escape mean
// what the one button means: the overview has been seen.
void TfrmKoppeling::reject() { accept(); }
