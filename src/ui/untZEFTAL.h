// The engine window TfrmZEFTAL: the parameter file of the running tube in
// the grid strgrdPARFILE, the runtime list reRUNTIME and the label
// lblGEREED. The engine draws on it through EngineView while it holds the
// one thread; the window only shows what the engine tells it.
#pragma once

#include <functional>
#include <string>

#include <QDialog>
#include <QElapsedTimer>

#include "engine/engine_view.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableWidget;

class TfrmZEFTAL : public QDialog, public phreatix::EngineView {
  Q_OBJECT

 public:
  explicit TfrmZEFTAL(QWidget* parent = nullptr);

  // Who shows help topics: "PHREATIX._CR001" when a run fails,
  // "PHREATIX._TB001" on a click on the window. Without one nothing happens.
  void setHelpTopicHandler(std::function<void(std::string)> handler) {
    helpTopic_ = std::move(handler);
  }

  // The activation routine: the row labels, line numbers and column widths of
  // the grid, and the window at the left edge of the screen (x = 1).
  void activate();

  // EngineView. Every content change reaches the controls at once; repaint
  // draws at most about 20 times a second.
  void setCaption(const std::string& caption) override;
  void setGridLine(int row, const std::string& text) override;
  void setGridStatus(int row, const std::string& status) override;
  void clearRuntime() override;
  void addRuntime(const std::string& line) override;
  void setGereed(const std::string& caption, bool visible) override;
  void setBusy(bool busy) override;
  void repaint() override;
  void showHelpTopic(const std::string& topic) override;

  QGroupBox* grpbxINPUTDATA;
  QLabel* lblPARFILE;
  // Columns: "line n", the fixed row label, the line as read, its status.
  QTableWidget* strgrdPARFILE;
  QLabel* lblGEREED;
  QGroupBox* grpbxRUNTIME;
  QPlainTextEdit* reRUNTIME;
  // The parameter file name, "zeftal0.par"; never shown.
  QLineEdit* edtIN;

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  // Escape does not close the window: it has no close button either.
  void reject() override {}

 private:
  void setCell(int row, int column, const std::string& text);

  std::function<void(std::string)> helpTopic_;
  QElapsedTimer sinceRepaint_;
};
