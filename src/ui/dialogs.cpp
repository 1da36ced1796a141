#include "dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

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
  QStringList openFiles(QWidget* parent, const QString& startDir, const QString& filter) override {
    return QFileDialog::getOpenFileNames(parent, QString(), startDir, filter);
  }
  QString saveFile(QWidget* parent, const QString& startPath, const QString& filter) override {
    return QFileDialog::getSaveFileName(parent, QString(), startPath, filter);
  }
  void beep() override { QApplication::beep(); }
  bool question(QWidget* parent, const QString& text) override {
    return choose(parent, text, QString::fromUtf8("Ja"), QString::fromUtf8("Nee"));
  }
  bool choose(QWidget* parent, const QString& text, const QString& yesText,
              const QString& noText) override {
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), text,
                    QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(yesText, QMessageBox::YesRole);
    QPushButton* no = box.addButton(noText, QMessageBox::NoRole);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
  }
};

QtDialogs qtDialogs;
UiDialogs* current = &qtDialogs;

}  // namespace

UiDialogs& dialogs() { return *current; }
void setDialogs(UiDialogs* replacement) { current = replacement ? replacement : &qtDialogs; }

}  // namespace phreatix::ui
