// phreatix-cli: the Phreatix workflow without windows, for unattended and
// scripted runs. Parses the arguments and calls the core.
//
// Session commands (open) work in the current directory and write
// Phreatix.log however they end. Exit codes: 0 after a normal end, 1 when the
// command could not do its work (a refused file, wrong arguments), 2 after a
// fatal stop caused by an input error.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "coupling/knmi_meteo.h"
#include "engine/engine_run.h"
#include "error.h"
#include "input/calendar.h"
#include "platform/files.h"
#include "postprocessing/karakt.h"
#include "preprocessor/splitter.h"
#include "report/messages.h"
#include "session/closing.h"
#include "session/demo_data.h"
#include "session/session.h"
#include "session/workflow.h"
#include "settings/session_settings.h"
#include "text/parse.h"

namespace {

using namespace phreatix;

constexpr const char* kUsage =
    "usage: phreatix-cli COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  open FILE [FILE ...]\n"
    "                  open a DINO (.csv, also today's DINOloket layouts) or OLGA (.dat)\n"
    "                  export in the current directory, several as one data set:\n"
    "                  converts them (olga.tmp), reads kron.txt, prints the messages\n"
    "  kron [--force]  write kron.txt with the built-in day numbers 1948-01-01 .. 2047-12-31\n"
    "  engine [--maxiter N]\n"
    "                  one engine run on zeftal0.par in the current directory (exit 0 when\n"
    "                  its marker was written)\n"
    "  post            post-process every *.u01 in the current directory (exit 1 when a\n"
    "                  tube failed)\n"
    "  run --data FILE [--data FILE ...] --coupling FILE [--start-year Y] [--end-year Y] [--warmup "
    "D]\n"
    "      [--realisations R] [--maxiter N] [--closure X] [--delta-min X] [--phi-min X]\n"
    "      [--c-max X] [--omega-min X] [--trace met|zonder] [--workdir DIR] [--no-pack]\n"
    "                  the whole main job: open, couple, check the meteo files, calibrate,\n"
    "                  select, simulate, trace and post-process, then pack every tube into\n"
    "                  its zip archive (--no-pack leaves every file in place)\n"
    "  repair --data FILE --coupling FILE [the options of run]\n"
    "                  the simulation phase on the calibrations in the directory, then pack\n"
    "  split FILE.csv --mb N [--remove CODE ...]\n"
    "                  split a DINO export into sessions of N MB (60 MB a tube) next to\n"
    "                  FILE: FILE-sessie1.csv, ..., and the removed tubes in\n"
    "                  FILE-verwijderd.csv\n"
    "  meteo KNMI-FILE [EVAPORATION-FILE] -o OUT [--from YYYY-MM-DD] [--to YYYY-MM-DD]\n"
    "                  convert KNMI daily values (RH or RD, and EV24 of the same file or of\n"
    "                  EVAPORATION-FILE) into a meteo file of the longest period without a\n"
    "                  gap; prints what it wrote and what it left out\n"
    "  demo [DIR] [--no-pack]\n"
    "                  write a generated demo data set into DIR (default a new folder\n"
    "                  phreatix-demo), run the whole main job on it and pack\n";

// Shows mmBUIS and mmLOG on standard output as lines are appended, and the
// message boxes of a session; the exit lines are shown when the program ends.
// A refusal goes to standard error, once: the same lines, which the session
// then puts in mmLOG for Phreatix.log, are not echoed again.
class ConsoleSink : public MessageSink, public MessageBox {
 public:
  void appended(MessageListId list, const std::string& line) override {
    if (list == MessageListId::kStopExit) return;
    if (list == MessageListId::kLog && !refused_.empty() && refused_.front() == line) {
      refused_.pop_front();
      return;
    }
    std::cout << line << '\n';
  }
  void show(const std::string& text) override { std::cout << text << '\n'; }
  void showRefusal(const std::string& text) override {
    std::cout.flush();
    std::cerr << text << '\n';
    for (std::string& line : splitLines(text)) refused_.push_back(std::move(line));
  }

 private:
  std::deque<std::string> refused_;
};

class ConsoleMessageBox : public MessageBox {
 public:
  void show(const std::string& text) override { std::cout << text << '\n'; }
};

// Runs a session command, its body given the console as message box:
// whatever way it ends, the session log is written; a fatal stop shows the
// exit lines on standard error.
template <class Body>
int runSession(Session& session, Body body) {
  ConsoleSink sink;
  session.messages().setSink(&sink);
  int code = 0;
  try {
    code = body(sink);
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
  if (args.empty()) {
    std::cerr << kUsage;
    return 1;
  }
  Session session(currentDirectory());
  return runSession(session, [&](MessageBox& box) {
    ProgressView progress;
    session.activate();
    return session.openDataFiles(args, progress, box) ? 0 : 1;
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

// Engine runs with their wall time, and per stage and tube totals.
class ConsoleObserver : public PipelineObserver {
 public:
  void engineRunFinished(const std::string& stage, const std::string& stem,
                         double seconds) override {
    std::cout << "  (" << stage << " " << stem << ": " << formatReal(seconds, 0, 2) << " s)\n";
    addTo(stages_, stage, seconds);
    addTo(tubes_, stem, seconds);
    engineSeconds_ += seconds;
  }
  void printTimes(double totalSeconds) const {
    std::cout << "\nTijd per fase (s):\n";
    for (const auto& [label, seconds] : stages_) {
      std::cout << "  " << label << ": " << formatReal(seconds, 0, 2) << '\n';
    }
    std::cout << "  postprocessing en overige: " << formatReal(totalSeconds - engineSeconds_, 0, 2)
              << '\n';
    std::cout << "Tijd per buis, engine-runs (s):\n";
    for (const auto& [stem, seconds] : tubes_) {
      std::cout << "  " << stem << ": " << formatReal(seconds, 0, 2) << '\n';
    }
    std::cout << "Totaal: " << formatReal(totalSeconds, 0, 2) << " s\n";
  }

 private:
  static void addTo(std::vector<std::pair<std::string, double>>& list, const std::string& key,
                    double seconds) {
    for (auto& [k, s] : list) {
      if (k == key) {
        s += seconds;
        return;
      }
    }
    list.emplace_back(key, seconds);
  }
  std::vector<std::pair<std::string, double>> stages_, tubes_;
  double engineSeconds_ = 0;
};

std::string absolute(const std::string& path) {
  std::error_code ec;
  auto p = std::filesystem::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

struct RunOptions {
  WorkflowMode mode = WorkflowMode::kPipeline;
  bool pack = true;
  std::function<void()> afterRun;  // before the packing, with every file in place
};

// Runs the workflow in `workDir`, then the closing sequence (unless told not
// to pack), and returns the exit code: 1 also when no tube got a model.
int runWorkflowIn(const std::string& workDir, const WorkflowInput& input, ConsoleObserver& observer,
                  const RunOptions& options) {
  Session session(workDir);
  bool noModel = false;
  const int code = runSession(session, [&](MessageBox& box) {
    ProgressView main;
    EngineView engineView;
    ConsolePostView postView;
    Workflow workflow(session, WorkflowPorts{main, box, engineView, postView, observer});
    const auto started = std::chrono::steady_clock::now();
    const WorkflowOutcome outcome = runWorkflow(workflow, input, options.mode);
    if (outcome == WorkflowOutcome::kRefused) return 1;
    observer.printTimes(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    if (options.afterRun) options.afterRun();
    noModel = outcome == WorkflowOutcome::kNoModel;
    if (noModel) {
      std::cerr << "phreatix-cli: geen enkele buis heeft een plausibel model gekregen; zie "
                << kFoutbuisName << " en " << kSessionLogName << "\n";
    }
    if (options.pack) workflow.close();
    return 0;
  });
  return code == 0 && noModel ? 1 : code;
}

int commandRun(const std::vector<std::string>& args, WorkflowMode mode) {
  WorkflowInput input;
  RunOptions runOptions;
  runOptions.mode = mode;
  std::string workDir = currentDirectory();
  bool startYearGiven = false, endYearGiven = false;
  const std::pair<const char*, std::string*> options[] = {
      {"--coupling", &input.couplingFile},
      {"--start-year", &input.fields.startYear},
      {"--end-year", &input.fields.endYear},
      {"--warmup", &input.fields.warmUp},
      {"--realisations", &input.fields.realisations},
      {"--maxiter", &input.fields.maxIter},
      {"--closure", &input.fields.closure},
      {"--delta-min", &input.fields.deltaMin},
      {"--phi-min", &input.fields.phiMin},
      {"--c-max", &input.fields.cMax},
      {"--omega-min", &input.fields.omegaMin},
      {"--workdir", &workDir}};
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--no-pack") {
      runOptions.pack = false;
      continue;
    }
    if (i + 1 >= args.size()) {
      std::cerr << "phreatix-cli: " << args[i] << " needs a value\n" << kUsage;
      return 1;
    }
    const std::string& value = args[i + 1];
    if (args[i] == "--data") {
      input.dataFiles.push_back(absolute(value));
      ++i;
      continue;
    }
    if (args[i] == "--trace") {
      if (value != "met" && value != "zonder") {
        std::cerr << "phreatix-cli: --trace takes met or zonder, got " << value << '\n';
        return 1;
      }
      input.fields.traceWithUpdating = value == "met";
      ++i;
      continue;
    }
    bool known = false;
    for (const auto& [name, target] : options) {
      if (args[i] == name) {
        *target = value;
        known = true;
      }
    }
    startYearGiven = startYearGiven || args[i] == "--start-year";
    endYearGiven = endYearGiven || args[i] == "--end-year";
    if (!known) {
      std::cerr << "phreatix-cli: unknown option " << args[i] << '\n' << kUsage;
      return 1;
    }
    ++i;
  }
  if (input.dataFiles.empty() || input.couplingFile.empty()) {
    std::cerr << "phreatix-cli: run needs --data and --coupling\n" << kUsage;
    return 1;
  }
  // A start year alone would silently keep the default end year and run a
  // shorter (or no) period than the one meant.
  if (startYearGiven && !endYearGiven) {
    std::cerr << "phreatix-cli: --start-year " << input.fields.startYear
              << " zonder --end-year: geef ook het eindjaar van de simulatieperiode\n";
    return 1;
  }
  const std::string refusal = checkWorkflowFields(input.fields);
  if (!refusal.empty()) {
    std::cerr << "phreatix-cli: " << refusal << '\n';
    return 1;
  }
  input.couplingFile = absolute(input.couplingFile);
  ConsoleObserver observer;
  return runWorkflowIn(absolute(workDir), input, observer, runOptions);
}

// The first line of a file, or "".
std::string firstLine(const std::string& path) {
  try {
    std::vector<std::string> lines = readLines(path);
    return lines.empty() ? std::string() : lines[0];
  } catch (const Error&) {
    return {};
  }
}

// Per tube: the model it was made with, the chosen one, GHG, GLG and GVG.
void printDemoSummary(const std::string& dir, const DemoDataSet& demo) {
  std::cout << "\nResultaat per buis (gegenereerd met: delta omega0 phi c sigma2):\n";
  for (const DemoTube& tube : demo.tubes) {
    const std::string stem = joinPath(dir, tube.location);
    std::cout << tube.location << " filter " << tube.filter << " (" << formatReal(tube.delta, 0, 2)
              << " " << formatReal(tube.omega0, 0, 2) << " " << formatReal(tube.phi, 0, 2) << " "
              << formatReal(tube.c, 0, 1) << " " << formatReal(tube.sigma2, 0, 1) << ")";
    if (tube.filter != "001" && tube.filter != "01") {
      std::cout << ": niet gesimuleerd (alleen filter 01 gaat door naar de simulatie)\n";
      continue;
    }
    const std::string sel = firstLine(stem + ".sel");
    if (sel.size() >= 11 && sel.compare(9, 2, "ft") != 0 && sel[8] == ' ') {
      std::cout << "\n  " << sel << '\n';
      std::vector<std::string> sta;
      try {
        sta = readLines(stem + ".sta");
      } catch (const Error&) {
      }
      for (const std::string& line : sta) {
        if (line.rfind("GHG(t)", 0) == 0 || line.rfind("GLG(t)", 0) == 0 ||
            line.rfind("GVG(t)", 0) == 0) {
          std::cout << "  " << line.substr(0, 6)
                    << " (cm t.o.v. maaiveld, gemiddelde): " << line.substr(6, 15) << '\n';
        }
      }
    } else {
      std::cout << ": geen plausibel model"
                << (tube.designedToFail ? " (zo bedoeld: " + tube.note + ")" : "") << '\n';
    }
  }
}

int commandDemo(std::vector<std::string> args) {
  RunOptions runOptions;
  std::erase_if(args, [&](const std::string& a) {
    if (a != "--no-pack") return false;
    runOptions.pack = false;
    return true;
  });
  if (args.size() > 1) {
    std::cerr << kUsage;
    return 1;
  }
  std::string dir = args.empty() ? "phreatix-demo" : args[0];
  if (args.empty()) {
    for (int n = 2; std::filesystem::exists(dir); ++n) dir = "phreatix-demo-" + formatInt(n);
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  dir = absolute(dir);
  DemoDataSet demo;
  try {
    demo = writeDemoData(dir);
  } catch (const Error& e) {
    std::cerr << "phreatix-cli: " << e.what() << '\n';
    return 1;
  }
  std::cout << "Demo in " << dir << ": " << demo.exportFile << ", " << demo.couplingFile << "\n";
  WorkflowInput input;
  input.dataFiles = {joinPath(dir, demo.exportFile)};
  input.couplingFile = joinPath(dir, demo.couplingFile);
  ConsoleObserver observer;
  runOptions.afterRun = [&] { printDemoSummary(dir, demo); };
  return runWorkflowIn(dir, input, observer, runOptions);
}

// The splitting window's status texts are progress on a terminal; only the
// finished files are worth a line.
class QuietSplitterView : public SplitterView {};

int commandSplit(const std::vector<std::string>& args) {
  std::string file, megabytes;
  std::vector<std::string> removeCodes;
  bool inRemove = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--mb" && i + 1 < args.size()) {
      megabytes = args[++i];
      inRemove = false;
    } else if (args[i] == "--remove") {
      inRemove = true;
    } else if (inRemove) {
      removeCodes.push_back(args[i]);
    } else if (file.empty() && args[i].rfind("--", 0) != 0) {
      file = args[i];
    } else {
      std::cerr << kUsage;
      return 1;
    }
  }
  if (file.empty() || megabytes.empty()) {
    std::cerr << kUsage;
    return 1;
  }
  const std::string dir = currentDirectory();
  QuietSplitterView view;
  ConsoleMessageBox box;
  Splitter splitter(dir, view, box);
  // The working copy is removed however the command ends, as when the
  // splitting window is closed.
  struct CloseAtEnd {
    Splitter& s;
    ~CloseAtEnd() { s.close(); }
  } closeAtEnd{splitter};
  try {
    splitter.activate(static_cast<long long>(freeBytes(dir) / 1024 / 1000));
    if (!splitter.open(file)) return 1;
    if (!splitter.recompute(megabytes) || !splitter.confirm(megabytes)) return 1;
    std::vector<int> positions;
    for (const std::string& code : removeCodes) {
      const auto& tubes = splitter.tubes();
      auto it = std::find(tubes.begin(), tubes.end(), code);
      if (it == tubes.end()) {
        std::cerr << "phreatix-cli: buis " << code << " staat niet in " << file << '\n';
        return 1;
      }
      positions.push_back(static_cast<int>(it - tubes.begin()));
    }
    splitter.removeTubes(positions);
    splitter.autoSplit();
    std::vector<std::string> written = splitter.save();
    std::cout << splitter.tubes().size() << " buizen, " << splitter.z() << " per sessie, "
              << splitter.s() << " sessie(s)\n";
    for (std::size_t k = 0; k < written.size(); ++k) {
      std::cout << written[k] << ":";
      const std::vector<std::string> codes =
          k < splitter.table().size()
              ? std::vector<std::string>(splitter.table()[k].begin() + 1, splitter.table()[k].end())
              : splitter.removed();
      for (const std::string& code : codes) {
        if (!code.empty()) std::cout << ' ' << code;
      }
      std::cout << '\n';
    }
  } catch (const Error& e) {
    std::cerr << "phreatix-cli: " << e.what() << '\n';
    return 1;
  }
  return 0;
}

// "YYYY-MM-DD" of --from and --to.
bool parseIsoDate(const std::string& text, CalendarDate& date) {
  return text.size() == 10 && text[4] == '-' && text[7] == '-' &&
         parseInt(std::string_view(text).substr(0, 4), date.year) &&
         parseInt(std::string_view(text).substr(5, 2), date.month) &&
         parseInt(std::string_view(text).substr(8, 2), date.day) && date.month >= 1 &&
         date.month <= 12 && date.day >= 1 && date.day <= daysInMonth(date.month, date.year);
}

int commandMeteo(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  std::string out;
  KnmiPeriod period;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "-o" || a == "--from" || a == "--to") && i + 1 < args.size()) {
      const std::string& value = args[++i];
      if (a == "-o") {
        out = value;
        continue;
      }
      CalendarDate date;
      if (!parseIsoDate(value, date)) {
        std::cerr << "phreatix-cli: " << a << " needs a date YYYY-MM-DD, got " << value << '\n';
        return 1;
      }
      (a == "--from" ? period.from : period.to) = date;
    } else if (a.rfind("-", 0) != 0 && files.size() < 2) {
      files.push_back(a);
    } else {
      std::cerr << kUsage;
      return 1;
    }
  }
  if (files.empty() || out.empty()) {
    std::cerr << kUsage;
    return 1;
  }
  try {
    KnmiFile precipitation{files[0], readLines(files[0])};
    KnmiFile evaporation;
    if (files.size() == 2) evaporation = KnmiFile{files[1], readLines(files[1])};
    MeteoConversion meteo =
        convertKnmi(precipitation, files.size() == 2 ? &evaporation : nullptr, period);
    writeLines(out, meteo.lines);
    std::cout << out << ":\n";
    for (const std::string& line : meteo.report) std::cout << line << '\n';
  } catch (const Error& e) {
    std::cerr << "phreatix-cli: " << e.what() << '\n';
    return 1;
  }
  return 0;
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
  std::cout << kKronFileName << ": " << BuiltinCalendar::kDays << " dagen, 1-1-" << kFirstYear
            << " t/m 31-12-" << kLastYear << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit (or a full disk) must show up as a failed write that
  // the program reports, not as a signal that ends it silently.
  std::signal(SIGXFSZ, SIG_IGN);
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
  if (command == "run") return commandRun(args, WorkflowMode::kPipeline);
  if (command == "repair") return commandRun(args, WorkflowMode::kRepair);
  if (command == "demo") return commandDemo(args);
  if (command == "split") return commandSplit(args);
  if (command == "meteo") return commandMeteo(args);
  std::cerr << "phreatix-cli: unknown command " << command << "\n" << kUsage;
  return 1;
}
