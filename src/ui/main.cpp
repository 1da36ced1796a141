// phreatix: the desktop program. Creates the session for the working
// directory (the current directory at start-up) and the main window, and runs
// the event loop until the program ends through the fatal stop.
#include <QApplication>

#include "platform/files.h"
#include "session/session.h"
#include "settings/session_settings.h"
#include "untMAIN.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString("Phreatix ") + phreatix::kVersion);
  phreatix::Session session(phreatix::currentDirectory());
  TfrmMAIN mainWindow(session);
  mainWindow.show();
  return app.exec();
}
