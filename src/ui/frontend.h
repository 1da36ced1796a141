// What the desktop program does where core code hands control back to it:
// the fatal stop (exit window, Phreatix.log, end of the process) and errors
// that escape a handler (a message box, then the program goes on). Every
// handler runs its core call through `guarded`, so that no exception crosses
// the Qt event loop.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QElapsedTimer>
#include <QString>

#include "report/ports.h"

class QListWidget;
class QWidget;

namespace phreatix {
class Session;
}

namespace phreatix::ui {

// The one error boundary of the desktop: runs `action`; a fatal stop ends the
// program through the exit window, any other error is shown in a message
// box over `parent` (through dialogs()) and the program goes on. True when
// the action ran to its end. A window without the session (the settings
// window, whose core calls cannot stop the program) passes null.
bool guarded(phreatix::Session* session, QWidget* parent, const std::function<void()>& action);
inline bool guarded(phreatix::Session& session, QWidget* parent,
                    const std::function<void()>& action) {
  return guarded(&session, parent, action);
}

// Shows the exit window with the exit lines, writes Phreatix.log and ends the
// process. Never returns.
[[noreturn]] void runFatalStop(phreatix::Session& session, int exitCode);

// What the program does at the fatal stop instead of ending the process: a
// window test sets its own (it must not return into the handler that
// stopped). Null restores the exit window and the end of the process.
void setFatalStopHandler(std::function<void(phreatix::Session&, int)> handler);

// The repaint of a long run on the one thread: processes pending paint and
// timer events without user input, but not within `intervalMs` of the last
// time (20 a second draws the latest content; drawing after every runtime
// line would cost more than the calibration).
inline constexpr qint64 kRepaintIntervalMs = 50;
// With `userInput`, input events are delivered too (the caller filters them).
void throttledRepaint(QElapsedTimer& sinceLast, qint64 intervalMs = kRepaintIntervalMs,
                      bool userInput = false);

// Hands a help topic to the owner's help system; an error there is shown,
// never thrown into a run or the event loop.
void askForHelp(QWidget* parent, const std::function<void(std::string)>& helpTopic,
                const std::string& topic);

// Every text of the program is Dutch: so are Qt's own dialogs and buttons
// ("Openen", "Annuleren"), whatever the locale of the machine. Loads Qt's
// Dutch translation (Debian's qt6-translations-l10n) once; false when it is
// not installed, and Qt then speaks English.
bool installDutchQtTexts();

// A Delphi-style dialog filter "Text|*.a;*.b|..." in Qt's syntax
// "Text (*.a *.b);;...": the same texts, each with its patterns in brackets.
QString qtFilter(const std::string& filter);

// The list boxes of the windows: the positions of the selected entries, top
// first, and the entries shown anew.
std::vector<int> selectedPositions(const QListWidget* list);
void fillList(QListWidget* list, const std::vector<std::string>& entries);

}  // namespace phreatix::ui
