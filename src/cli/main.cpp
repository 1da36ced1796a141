// phreatix-cli: the Phreatix workflow without windows, for unattended and
// scripted runs. Parses the arguments and calls the core.
//
// Session commands (open) work in the current directory and write
// Phreatix.log however they end. Exit codes: 0 after a normal end, 1 when the
// command could not do its work (a refused file, wrong arguments), 2 after a
// fatal stop caused by an input error.
#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "engine/engine_run.h"
#include "error.h"
#include "input/calendar.h"
#include "platform/files.h"
#include "postprocessing/karakt.h"
#include "session/messages.h"
#include "session/session.h"
#include "settings/session_settings.h"
#include "text/parse.h"

namespace {

using namespace phreatix;

constexpr const char* kUsage =
    "usage: phreatix-cli COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  open FILE       open a DINO (.csv) or OLGA (.dat) export in the current directory:\n"
    "                  converts it (olga.tmp), reads kron.txt, prints the messages\n"
    "  kron [--force]  write kron.txt with the built-in day numbers 1948-01-01 .. 2020-12-31\n"
    "  engine [--maxiter N]\n"
    "                  one engine run on zeftal0.par in the current directory (exit 0 when\n"
    "                  its marker was written)\n"
    "  post            post-process every *.u01 in the current directory (exit 1 when a\n"
    "                  tube failed)\n";

// Shows mmBUIS and mmLOG on standard output as lines are appended; the exit
// lines are shown when the program ends.
class ConsoleSink : public MessageSink {
 public:
  void appended(MessageListId list, const std::string& line) override {
    if (list != MessageListId::kStopExit) std::cout << line << '\n';
  }
};

class ConsoleMessageBox : public MessageBox {
 public:
  void show(const std::string& text) override { std::cout << text << '\n'; }
};

// Runs a session command: whatever way it ends, the session log is written;
// a fatal stop shows the exit lines on standard error.
template <class Body>
int runSession(Session& session, Body body) {
  ConsoleSink sink;
  session.messages().setSink(&sink);
  int code = 0;
  try {
    code = body();
  } catch (const FatalStop& stop) {
    std::cout.flush();
    for (const std::string& line : session.messages().stopExit()) std::cerr << line << '\n';
    code = stop.reason() == FatalStop::Reason::kNormalEnd ? 0 : 2;
  } catch (const std::exception& e) {
    std::cerr << "phreatix-cli: " << e.what() << '\n';
    session.messages().appendStopExit(e.what());
    code = 1;
  }
  session.messages().setSink(nullptr);
  session.writeSessionLog();
  return code;
}

int commandOpen(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::cerr << kUsage;
    return 1;
  }
  Session session(currentDirectory());
  return runSession(session, [&] {
    ProgressView progress;
    ConsoleMessageBox box;
    session.activate();
    return session.openDataFile(args[0], progress, box) ? 0 : 1;
  });
}

// The engine window's runtime list on standard output.
class ConsoleEngineView : public EngineView {
 public:
  void addRuntime(const std::string& line) override { std::cout << line << '\n'; }
};

int commandEngine(const std::vector<std::string>& args) {
  SessionSettings settings;
  if (args.size() == 2 && args[0] == "--maxiter") {
    if (!parseInt(args[1], settings.MAXITER) || settings.MAXITER < 0) {
      std::cerr << "phreatix-cli: --maxiter needs a whole number of iterations, got " << args[1]
                << '\n';
      return 1;
    }
  } else if (!args.empty()) {
    std::cerr << kUsage;
    return 1;
  }
  Messages messages;
  ConsoleSink sink;
  messages.setSink(&sink);
  ConsoleEngineView view;
  Engine engine(view, messages);
  bool marker = engine.run(currentDirectory(), "ZEFTAL3 op zeftal0.par", settings.MAXITER);
  std::cout << "Meldingen uit ZEFTAL3:" << engine.message() << '\n';
  return marker ? 0 : 1;
}

// The post-processing grid, one line per tube as it finishes.
class ConsolePostView : public PostView {
 public:
  void setCell(int row, int column, const std::string& text) override {
    if (column == 0) names_[row] = text;
    if (column == 1) outcomes_[row] = text;
  }
  void rowFinished(int row) override { std::cout << names_[row] << ": " << outcomes_[row] << '\n'; }

 private:
  std::map<int, std::string> names_;
  std::map<int, std::string> outcomes_;
};

int commandPost(const std::vector<std::string>& args) {
  if (!args.empty()) {
    std::cerr << kUsage;
    return 1;
  }
  Messages messages;
  ConsoleSink sink;
  messages.setSink(&sink);
  ConsolePostView view;
  ProgressView main;
  Postprocessor post;
  bool allCreated = true;
  for (const PostRow& row : runPostBatch(currentDirectory(), post, view, main, messages)) {
    allCreated = allCreated && row.created;
  }
  return allCreated ? 0 : 1;
}

int commandKron(const std::vector<std::string>& args) {
  bool force = args.size() == 1 && args[0] == "--force";
  if (!args.empty() && !force) {
    std::cerr << kUsage;
    return 1;
  }
  if (fileExists(kKronFileName) && !force) {
    std::cerr << "phreatix-cli: " << kKronFileName
              << " bestaat al; gebruik --force om het te vervangen\n";
    return 1;
  }
  try {
    writeLines(kKronFileName, builtinDayNumberLines());
  } catch (const Error& e) {
    std::cerr << "phreatix-cli: " << e.what() << '\n';
    return 1;
  }
  std::cout << kKronFileName << ": " << BuiltinCalendar::kDays
            << " dagen, 1-1-1948 t/m 31-12-2020\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    (args.empty() ? std::cerr : std::cout) << kUsage;
    return args.empty() ? 1 : 0;
  }
  std::string command = args[0];
  args.erase(args.begin());
  if (command == "open") return commandOpen(args);
  if (command == "kron") return commandKron(args);
  if (command == "engine") return commandEngine(args);
  if (command == "post") return commandPost(args);
  std::cerr << "phreatix-cli: unknown command " << command << "\n" << kUsage;
  return 1;
}
