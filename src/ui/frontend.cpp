#include "frontend.h"

#include <cstdlib>

#include <QApplication>
#include <QLibraryInfo>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QStringList>
#include <QTranslator>

#include "dialogs.h"
#include "error.h"
#include "session/session.h"
#include "untSTOPEXIT.h"

namespace phreatix::ui {

namespace {
std::function<void(Session&, int)> fatalStopHandler;
}  // namespace

void setFatalStopHandler(std::function<void(Session&, int)> handler) {
  fatalStopHandler = std::move(handler);
}

bool guarded(Session* session, QWidget* parent, const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const FatalStop& stop) {
    if (session) runFatalStop(*session, stop.reason() == FatalStop::Reason::kNormalEnd ? 0 : 2);
    // Without the session there is no exit window to show: say what stopped.
    dialogs().information(parent, QString::fromStdString("Programma gestopt."));
  } catch (const std::exception& e) {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    dialogs().information(parent, QString::fromStdString(e.what()));
  }
  return false;
}

void runFatalStop(Session& session, int exitCode) {
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  if (fatalStopHandler) {
    session.writeSessionLog();
    fatalStopHandler(session, exitCode);
  }
  TfrmExit exitWindow;
  exitWindow.showLines(session.messages().stopExit());
  exitWindow.exec();
  session.writeSessionLog();
  std::exit(exitCode);
}

void throttledRepaint(QElapsedTimer& sinceLast, qint64 intervalMs, bool userInput) {
  if (sinceLast.isValid() && sinceLast.elapsed() < intervalMs) return;
  QCoreApplication::processEvents(userInput ? QEventLoop::AllEvents
                                            : QEventLoop::ExcludeUserInputEvents);
  sinceLast.start();
}

void askForHelp(QWidget* parent, const std::function<void(std::string)>& helpTopic,
                const std::string& topic) {
  if (!helpTopic) return;
  try {
    helpTopic(topic);
  } catch (const std::exception& e) {
    dialogs().information(parent, QString::fromStdString(e.what()));
  }
}

bool installDutchQtTexts() {
  QLocale::setDefault(QLocale(QLocale::Dutch, QLocale::Netherlands));
  static QTranslator* qtDutch = nullptr;
  if (qtDutch) return true;
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(QLocale(QLocale::Dutch), "qtbase", "_",
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  qtDutch = translator;
  return true;
}

QString qtFilter(const std::string& filter) {
  // Qt takes the patterns from the last brackets of an entry, separated by
  // blanks: each description keeps its text and gets its patterns appended,
  // unless it already ends with them ("Grondwaterstanden 2000+ (*.csv)").
  QStringList parts = QString::fromStdString(filter).split('|');
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    const QString brackets = " (" + patterns.simplified() + ")";
    entries << (parts[i].endsWith(brackets.trimmed()) ? parts[i] : parts[i] + brackets);
  }
  return entries.join(";;");
}

std::vector<int> selectedPositions(const QListWidget* list) {
  std::vector<int> positions;
  for (int i = 0; i < list->count(); ++i) {
    if (list->item(i)->isSelected()) positions.push_back(i);
  }
  return positions;
}

void fillList(QListWidget* list, const std::vector<std::string>& entries) {
  list->clear();
  for (const std::string& entry : entries) list->addItem(QString::fromStdString(entry));
}

}  // namespace phreatix::ui
