// phreatix: the desktop program. Creates the session for the working
// directory (the current directory at start-up) and the main window, and runs
// the event loop until the program ends through the fatal stop.
#include <csignal>

#include <QApplication>

#include "frontend.h"
#include "probe.h"

#include "platform/directory_lock.h"
#include "platform/files.h"
#include "session/session.h"
#include "settings/session_settings.h"
#include "untMAIN.h"

int main(int argc, char** argv) {
  // A file-size limit (or a full disk) must show up as a failed write that
  // the program reports, not as a signal that ends it silently.
  std::signal(SIGXFSZ, SIG_IGN);
  // The working directory's lock, held while a data set is open, goes
  // with a Ctrl-C or a logout too.
  phreatix::releaseLocksAtSignals();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString("Phreatix ") + phreatix::kVersion);
  phreatix::ui::installDutchQtTexts();
  phreatix::Session session(phreatix::currentDirectory());
  TfrmMAIN mainWindow(session);
  mainWindow.show();
  phreatix::ui::startUiProbe();
  return app.exec();
}
