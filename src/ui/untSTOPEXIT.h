// The exit window TfrmExit: the lines that must still be read when the
// program ends, and "OK, stoppen".
#pragma once

#include <string>
#include <vector>

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

class TfrmExit : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmExit(QWidget* parent = nullptr);
  void showLines(const std::vector<std::string>& lines);

  QPlainTextEdit* mmSTOPEXIT;
  QPushButton* bttnOKSTOP;

 protected:
  // Escape does not close the window: only "OK, stoppen" does.
  void reject() override;
};
