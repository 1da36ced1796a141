#include "untKoppel.h"

#include <algorithm>
#include <set>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "coupling/stress_file.h"
#include "dialogs.h"
#include "frontend.h"

namespace {

constexpr const char* kStressFilter = "stressbestanden (*.csv)|*.csv|alle bestanden|*.*";

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

QPushButton* button(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QPushButton(QString::fromUtf8(caption), parent);
  b->setObjectName(name);
  return b;
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

  bttnKIESSTRESS = button(this, "bttnKIESSTRESS", "Kies stressbestand");
  bttnKIESSTRESS->setToolTip(
      QString::fromUtf8("een stressbestand (.csv) uit de werkmap voor de geselecteerde buizen"));
  bttnGEENSTRESS = button(this, "bttnGEENSTRESS", "Geen stressbestand");
  bttnGEENSTRESS->setToolTip(
      QString::fromUtf8("haalt het stressbestand van de geselecteerde buizen weg"));
  bttnOK = button(this, "bttnOK", "OK, ik heb het gezien");
  bttnOK->setDefault(true);
  connect(bttnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(bttnKIESSTRESS, &QPushButton::clicked, this, &TfrmKoppeling::bttnKIESSTRESSClick);
  connect(bttnGEENSTRESS, &QPushButton::clicked, this, &TfrmKoppeling::bttnGEENSTRESSClick);
  connect(strgrdResultaat, &QTableWidget::itemSelectionChanged, this,
          &TfrmKoppeling::enableStressButtons);

  auto* stress = new QHBoxLayout;
  stress->addStretch(1);
  stress->addWidget(bttnKIESSTRESS);
  stress->addWidget(bttnGEENSTRESS);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(strgrdResultaat, 1);
  layout->addLayout(stress);
  layout->addWidget(bttnOK, 0, Qt::AlignHCenter);
  bttnKIESSTRESS->hide();
  bttnGEENSTRESS->hide();
  resize(620, 520);
}

void TfrmKoppeling::showOverview(const phreatix::CouplingOverview& overview) {
  editable_ = nullptr;
  workingDir_.clear();
  const bool anyStress =
      std::any_of(overview.rows.begin(), overview.rows.end(),
                  [](const phreatix::CouplingRow& r) { return !r.stress.empty(); });
  fillGrid(overview, anyStress);
  // The table's own way of selecting, cell by cell.
  strgrdResultaat->setSelectionBehavior(QAbstractItemView::SelectItems);
  bttnKIESSTRESS->hide();
  bttnGEENSTRESS->hide();
}

void TfrmKoppeling::showOverviewWithStress(phreatix::CouplingOverview& overview,
                                           const std::string& workingDir) {
  editable_ = &overview;
  workingDir_ = workingDir;
  fillGrid(overview, true);
  strgrdResultaat->setSelectionBehavior(QAbstractItemView::SelectRows);
  bttnKIESSTRESS->show();
  bttnGEENSTRESS->show();
  enableStressButtons();
}

void TfrmKoppeling::fillGrid(const phreatix::CouplingOverview& overview, bool stressColumn) {
  strgrdResultaat->clearSelection();
  strgrdResultaat->setColumnCount(stressColumn ? 3 : 2);
  strgrdResultaat->setRowCount(static_cast<int>(overview.rows.size()) + 1);
  if (stressColumn) {
    strgrdResultaat->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    strgrdResultaat->setItem(0, 2, titleCell(phreatix::kOverviewTitleStress));
  } else {
    strgrdResultaat->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Interactive);
  }
  for (std::size_t i = 0; i < overview.rows.size(); ++i) {
    const int row = static_cast<int>(i) + 1;
    strgrdResultaat->setItem(row, 0, cell(overview.rows[i].tube));
    strgrdResultaat->setItem(row, 1, cell(overview.rows[i].meteo));
    if (stressColumn) strgrdResultaat->setItem(row, 2, cell(overview.rows[i].stress));
  }
  // No cell marked as current: the title row would look selected.
  strgrdResultaat->setCurrentCell(-1, -1);
}

std::vector<int> TfrmKoppeling::selectedRows() const {
  std::set<int> rows;
  for (const QTableWidgetItem* item : strgrdResultaat->selectedItems()) {
    if (item->row() > 0) rows.insert(item->row() - 1);
  }
  return std::vector<int>(rows.begin(), rows.end());
}

void TfrmKoppeling::enableStressButtons() {
  const bool any = editable_ && !selectedRows().empty();
  bttnKIESSTRESS->setEnabled(any);
  bttnGEENSTRESS->setEnabled(any);
}

void TfrmKoppeling::setStress(const QString& path) {
  if (!editable_) return;
  const std::vector<int> rows = selectedRows();
  if (rows.empty()) return;
  phreatix::ui::guarded(nullptr, this, [&] {
    phreatix::chooseStressFile(*editable_, rows, path.toStdString(), workingDir_);
  });
  // The rows stay selected, to be seen with their new stress file.
  for (int r : rows) {
    strgrdResultaat->item(r + 1, 2)->setText(QString::fromStdString(editable_->rows[r].stress));
  }
}

void TfrmKoppeling::bttnKIESSTRESSClick() {
  if (!editable_ || selectedRows().empty()) return;
  const QString path = phreatix::ui::dialogs().openFile(this, QString::fromStdString(workingDir_),
                                                        phreatix::ui::qtFilter(kStressFilter));
  // Cancelled: the rows keep what they had.
  if (path.isEmpty()) return;
  setStress(path);
}

void TfrmKoppeling::bttnGEENSTRESSClick() { setStress(QString()); }

// Where the window manager still offers a close button, it and Escape mean
// what the one button means: the overview has been seen.
void TfrmKoppeling::reject() { accept(); }
