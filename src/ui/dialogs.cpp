#include "dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace phreatix::ui {

namespace {

class QtDialogs : public UiDialogs {
 public:
  void information(QWidget* parent, const QString& text) override {
    QMessageBox::information(parent, QApplication::applicationName(), text);
  }
  QString openFile(QWidget* parent, const QString& startDir, const QString& filter) override {
    return QFileDialog::getOpenFileName(parent, QString(), startDir, filter);
  }
  void beep() override { QApplication::beep(); }
};

QtDialogs qtDialogs;
UiDialogs* current = &qtDialogs;

}  // namespace

UiDialogs& dialogs() { return *current; }
void setDialogs(UiDialogs* replacement) { current = replacement ? replacement : &qtDialogs; }

}  // namespace phreatix::ui
