#include "frontend.h"

#include <cstdlib>

#include <QApplication>
#include <QMessageBox>
#include <QStringList>

#include "error.h"
#include "session/session.h"
#include "untSTOPEXIT.h"

namespace phreatix::ui {

void guarded(Session& session, QWidget* parent, const std::function<void()>& action) {
  try {
    action();
  } catch (const FatalStop& stop) {
    runFatalStop(session, stop.reason() == FatalStop::Reason::kNormalEnd ? 0 : 2);
  } catch (const std::exception& e) {
    QApplication::restoreOverrideCursor();
    QMessageBox::critical(parent, QApplication::applicationName(),
                          QString::fromStdString(e.what()));
  }
}

void runFatalStop(Session& session, int exitCode) {
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  TfrmExit exitWindow;
  exitWindow.showLines(session.messages().stopExit());
  exitWindow.exec();
  session.writeSessionLog();
  std::exit(exitCode);
}

QString qtFilter(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split('|');
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) entries << parts[i];
  return entries.join(";;");
}

void QtMessageBox::show(const std::string& text) {
  QMessageBox::information(parent_, QApplication::applicationName(), QString::fromStdString(text));
}

}  // namespace phreatix::ui
