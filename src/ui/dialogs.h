// Message boxes, file dialogs and the beep of the desktop program, through
// one small interface: the program uses Qt's, a window test puts its own in
// place to answer them and read what they said.
#pragma once

#include <QString>
#include <QStringList>

#include "report/ports.h"

class QWidget;

namespace phreatix::ui {

class UiDialogs {
 public:
  virtual ~UiDialogs() = default;
  // A modal information box with OK.
  virtual void information(QWidget* parent, const QString& text) = 0;
  // A file-open dialog; "" when cancelled. `filter` in Qt's syntax.
  virtual QString openFile(QWidget* parent, const QString& startDir, const QString& filter) = 0;
  // A file-open dialog that allows several files; empty when cancelled.
  virtual QStringList openFiles(QWidget* parent, const QString& startDir, const QString& filter) {
    const QString one = openFile(parent, startDir, filter);
    return one.isEmpty() ? QStringList() : QStringList{one};
  }
  // A file-save dialog starting at `startPath` (a folder or a proposed file);
  // "" when cancelled. `filter` in Qt's syntax.
  virtual QString saveFile(QWidget* /*parent*/, const QString& /*startPath*/,
                           const QString& /*filter*/) {
    return QString();
  }
  virtual void beep() = 0;
  // A modal question with Ja and Nee; true for Ja.
  virtual bool question(QWidget* /*parent*/, const QString& /*text*/) { return false; }
  // A modal question with two buttons of its own; true for the first.
  virtual bool choose(QWidget* parent, const QString& text, const QString& /*yes*/,
                      const QString& /*no*/) {
    return question(parent, text);
  }
};

// The dialogs in use: Qt's unless a test set its own (not owned).
UiDialogs& dialogs();
void setDialogs(UiDialogs* replacement);

// The core's message box over dialogs().information.
class DialogMessageBox : public phreatix::MessageBox {
 public:
  explicit DialogMessageBox(QWidget* parent) : parent_(parent) {}
  void show(const std::string& text) override {
    dialogs().information(parent_, QString::fromStdString(text));
  }

 private:
  QWidget* parent_;
};

}  // namespace phreatix::ui
