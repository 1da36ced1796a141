// phreatix: the desktop program. Creates the session for the working
// directory (the current directory at start-up) and the main window, and runs
// the event loop until the program ends through the fatal stop.
#include <csignal>

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "platform/files.h"
#include "session/session.h"
#include "settings/session_settings.h"
#include "untMAIN.h"

int main(int argc, char** argv) {
  // A file-size limit (or a full disk) must show up as a failed write that
  // the program reports, not as a signal that ends it silently.
  std::signal(SIGXFSZ, SIG_IGN);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString("Phreatix ") + phreatix::kVersion);
  // Every text of the program is Dutch: so are Qt's own dialogs and buttons
  // ("Openen", "Annuleren"), whatever the locale of the machine.
  QLocale::setDefault(QLocale(QLocale::Dutch, QLocale::Netherlands));
  QTranslator qtDutch;
  if (qtDutch.load(QLocale(QLocale::Dutch), "qtbase", "_",
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qtDutch);
  }
  phreatix::Session session(phreatix::currentDirectory());
  TfrmMAIN mainWindow(session);
  mainWindow.show();
  return app.exec();
}
