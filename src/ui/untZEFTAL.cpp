#include "untZEFTAL.h"

#include <exception>

#include <QCoreApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QVBoxLayout>

#include "dialogs.h"
#include "engine/engine_files.h"
#include "frontend.h"

namespace {

// Column widths of the parameter grid in pixels; columns 0 and 1 are fixed.
constexpr int kColumnWidths[4] = {35, 190, 195, 65};
constexpr int kLineColumn = 0, kLabelColumn = 1, kTextColumn = 2, kStatusColumn = 3;
constexpr int kRowHeight = 20;
// Room the grid leaves beside a cell's text, in pixels: the text margins of
// a cell; the line numbers are centred and may run into those margins, up
// to the grid line.
constexpr int kCellPadding = 6;
constexpr int kLineNumberPadding = 2;
// The widest texts of the fixed columns and the status column.
constexpr const char* kWidestLineNumber = "line 11";
constexpr const char* kWidestStatuses[] = {"File opened", "File closed", "Read/calib",
                                           "Read/simul"};
// The column widths are fixed and narrow; the grid draws in the largest
// font, up to the window's own, in which the line numbers, the row labels
// and the statuses fit their columns.
QFont gridFont(QFont font) {
  if (font.pointSizeF() <= 0) return font;  // a font sized in pixels stays as it is
  auto fits = [](const QFontMetrics& m, const char* text, int column) {
    const int padding = column == kLineColumn ? kLineNumberPadding : kCellPadding;
    return m.horizontalAdvance(QString::fromUtf8(text)) + padding <= kColumnWidths[column];
  };
  for (qreal size = font.pointSizeF(); size >= 6; size -= 0.5) {
    font.setPointSizeF(size);
    const QFontMetrics m(font);
    bool all = fits(m, kWidestLineNumber, kLineColumn);
    for (const char* label : phreatix::kParameterRowLabels)
      all = all && fits(m, label, kLabelColumn);
    for (const char* status : kWidestStatuses) all = all && fits(m, status, kStatusColumn);
    if (all) break;
  }
  return font;
}

}  // namespace

TfrmZEFTAL::TfrmZEFTAL(QWidget* parent) : QDialog(parent) {
  setObjectName("frmZEFTAL");
  // Dialog style without system menu, minimise or close button.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(false);

  grpbxINPUTDATA = new QGroupBox(QString::fromUtf8(" Inputdata "), this);
  grpbxINPUTDATA->setObjectName("grpbxINPUTDATA");
  lblPARFILE = new QLabel(QString::fromUtf8("Contents of the parameterfile"), grpbxINPUTDATA);
  lblPARFILE->setObjectName("lblPARFILE");

  strgrdPARFILE = new QTableWidget(phreatix::kParameterRows, 4, grpbxINPUTDATA);
  strgrdPARFILE->setObjectName("strgrdPARFILE");
  strgrdPARFILE->horizontalHeader()->hide();
  strgrdPARFILE->verticalHeader()->hide();
  strgrdPARFILE->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  strgrdPARFILE->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  strgrdPARFILE->verticalHeader()->setDefaultSectionSize(kRowHeight);
  strgrdPARFILE->setEditTriggers(QAbstractItemView::NoEditTriggers);
  strgrdPARFILE->setSelectionMode(QAbstractItemView::NoSelection);
  strgrdPARFILE->setFocusPolicy(Qt::NoFocus);
  strgrdPARFILE->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  strgrdPARFILE->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  strgrdPARFILE->setWordWrap(false);
  // Texts wider than their cell are cut at the grid line, not shortened
  // with an ellipsis: "line 11" then still fits its 35 pixels.
  strgrdPARFILE->setTextElideMode(Qt::ElideNone);
  strgrdPARFILE->setFont(gridFont(strgrdPARFILE->font()));
  for (int row = 0; row < phreatix::kParameterRows; ++row) {
    for (int column = 0; column < 4; ++column) {
      auto* item = new QTableWidgetItem;
      item->setFlags(Qt::ItemIsEnabled);
      if (column == kLineColumn || column == kLabelColumn) item->setBackground(palette().button());
      if (column == kLineColumn) item->setTextAlignment(Qt::AlignCenter);
      strgrdPARFILE->setItem(row, column, item);
    }
  }
  int gridWidth = 2 * strgrdPARFILE->frameWidth();
  for (int width : kColumnWidths) gridWidth += width;
  strgrdPARFILE->setFixedSize(
      gridWidth, phreatix::kParameterRows * kRowHeight + 2 * strgrdPARFILE->frameWidth());

  auto* input = new QVBoxLayout(grpbxINPUTDATA);
  input->addWidget(lblPARFILE);
  input->addWidget(strgrdPARFILE);

  lblGEREED = new QLabel(QString::fromUtf8(phreatix::kGereedCaption), this);
  lblGEREED->setObjectName("lblGEREED");
  QFont bold = lblGEREED->font();
  bold.setBold(true);
  lblGEREED->setFont(bold);
  // Hidden during a run without the groups below moving up and down.
  QSizePolicy keepPlace = lblGEREED->sizePolicy();
  keepPlace.setRetainSizeWhenHidden(true);
  lblGEREED->setSizePolicy(keepPlace);
  lblGEREED->hide();

  grpbxRUNTIME = new QGroupBox(QString::fromUtf8(" Runtime results "), this);
  grpbxRUNTIME->setObjectName("grpbxRUNTIME");
  reRUNTIME = new QPlainTextEdit(grpbxRUNTIME);
  reRUNTIME->setObjectName("reRUNTIME");
  reRUNTIME->setReadOnly(true);
  reRUNTIME->setUndoRedoEnabled(false);
  reRUNTIME->setLineWrapMode(QPlainTextEdit::NoWrap);
  // The latest lines only, as many as the engine's own screen keeps.
  reRUNTIME->setMaximumBlockCount(static_cast<int>(phreatix::kEngineRuntimeLines));
  reRUNTIME->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  reRUNTIME->setMinimumHeight(200);
  auto* runtime = new QVBoxLayout(grpbxRUNTIME);
  runtime->addWidget(reRUNTIME);

  edtIN = new QLineEdit(QString::fromUtf8(phreatix::kParameterFileName), this);
  edtIN->setObjectName("edtIN");
  edtIN->hide();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(grpbxINPUTDATA);
  layout->addWidget(lblGEREED);
  layout->addWidget(grpbxRUNTIME, 1);
  layout->setSizeConstraint(QLayout::SetMinimumSize);

  activate();
  resize(minimumSizeHint().width(), 560);
}

void TfrmZEFTAL::activate() {
  for (int column = 0; column < 4; ++column) {
    strgrdPARFILE->setColumnWidth(column, kColumnWidths[column]);
  }
  for (int row = 0; row < phreatix::kParameterRows; ++row) {
    setCell(row, kLineColumn, "line " + std::to_string(row + 1));
    setCell(row, kLabelColumn, phreatix::kParameterRowLabels[row]);
  }
  if (isWindow() && x() != 1) move(1, y());
}

bool TfrmZEFTAL::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) activate();
  return QDialog::event(event);
}

void TfrmZEFTAL::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  activate();
}

void TfrmZEFTAL::mousePressEvent(QMouseEvent* event) {
  QDialog::mousePressEvent(event);
  phreatix::ui::askForHelp(this, helpTopic_, "PHREATIX._TB001");
}

void TfrmZEFTAL::setCell(int row, int column, const std::string& text) {
  if (row < 0 || row >= phreatix::kParameterRows) return;
  strgrdPARFILE->item(row, column)->setText(QString::fromStdString(text));
}

void TfrmZEFTAL::setCaption(const std::string& caption) {
  setWindowTitle(QString::fromStdString(caption));
  // Each run shows the window with its grid and runtime lines; it does not
  // take the focus from the main window, whose activation would otherwise
  // run after every tube.
  if (!isVisible()) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    show();
  }
}

void TfrmZEFTAL::setGridLine(int row, const std::string& text) { setCell(row, kTextColumn, text); }

void TfrmZEFTAL::setGridStatus(int row, const std::string& status) {
  setCell(row, kStatusColumn, status);
}

void TfrmZEFTAL::clearRuntime() { reRUNTIME->clear(); }

void TfrmZEFTAL::addRuntime(const std::string& line) {
  reRUNTIME->appendPlainText(QString::fromStdString(line));
}

void TfrmZEFTAL::setGereed(const std::string& caption, bool visible) {
  lblGEREED->setText(QString::fromStdString(caption));
  lblGEREED->setVisible(visible);
}

void TfrmZEFTAL::setBusy(bool busy) {
  if (busy) {
    setCursor(Qt::WaitCursor);
  } else {
    unsetCursor();
  }
}

void TfrmZEFTAL::repaint() { phreatix::ui::throttledRepaint(sinceRepaint_); }

void TfrmZEFTAL::showHelpTopic(const std::string& topic) {
  phreatix::ui::askForHelp(this, helpTopic_, topic);
}
