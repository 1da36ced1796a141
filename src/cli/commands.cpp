// The commands of phreatix-cli: each shows the core's views and message
// lists on the console, calls the core and turns its outcome into the exit
// status.
#include "commands.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cluster/cluster.h"
#include "demo/demo_data.h"
#include "engine/engine_run.h"
#include "error.h"
#include "files/characteristics.h"
#include "files/values_lines.h"
#include "files/zip_contents.h"
#include "input/calendar.h"
#include "platform/directory_lock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "postprocessing/karakt.h"
#include "preprocessor/splitter.h"
#include "report/messages.h"
#include "results/report_files.h"
#include "session/session.h"
#include "settings/field_checks.h"
#include "text/number_text.h"
#include "workflow/closing.h"

namespace phreatix::cli {
namespace {

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
ExitStatus runSession(Session& session, Body body) {
  ConsoleSink sink;
  session.messages().setSink(&sink);
  ExitStatus status = ExitStatus::kOk;
  try {
    status = body(sink);
  } catch (const FatalStop& stop) {
    std::cout.flush();
    for (const std::string& line : session.messages().stopExit()) std::cerr << line << '\n';
    status =
        stop.reason() == FatalStop::Reason::kNormalEnd ? ExitStatus::kOk : ExitStatus::kInputError;
  } catch (const std::exception& e) {
    std::cerr << "phreatix-cli: " << e.what() << '\n';
    session.messages().appendStopExit(e.what());
    status = ExitStatus::kRefused;
  }
  session.messages().setSink(nullptr);
  session.writeSessionLog();
  return status;
}

// Reports a core error of a command that is no session command.
ExitStatus refused(const Error& e) {
  std::cerr << "phreatix-cli: " << e.what() << '\n';
  return ExitStatus::kRefused;
}

// Takes the lock of `dir` for `command` ("run", "cluster merge") before
// the command writes anything there: kBusy when another program holds it,
// kRefused when it cannot be made, each said on standard error. A lock of a
// process that no longer runs is taken over, and that said there too.
ExitStatus lockDirectory(const std::string& dir, const std::string& command, DirectoryLock& lock) {
  try {
    lock = DirectoryLock(dir, "phreatix-cli " + command);
  } catch (const DirectoryBusy& busy) {
    std::cerr << "phreatix-cli: " << busy.what() << '\n';
    return ExitStatus::kBusy;
  } catch (const Error& e) {
    return refused(e);
  }
  if (!lock.takeOverLine().empty()) std::cerr << "phreatix-cli: " << lock.takeOverLine() << '\n';
  return ExitStatus::kOk;
}

// The engine window's runtime list on standard output.
class ConsoleEngineView : public EngineView {
 public:
  void addRuntime(const std::string& line) override { std::cout << line << '\n'; }
};

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

int cores() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

std::string absolute(const std::string& path) {
  std::error_code ec;
  auto p = std::filesystem::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

struct RunOptions {
  WorkflowMode mode = WorkflowMode::kPipeline;
  bool pack = true;
  ArchiverSettings archiver;
  std::function<void()> afterRun;  // before the packing, with every file in place
  std::string phaseFile;           // the tags of the lists' lines ("" for none)
};

// The table of every tube the report holds, after the rest of the output;
// the tubes whose results could not be read with their reason on standard
// error.
void printResultsTable(const DataSetResults& results) {
  if (results.tubes.empty()) return;
  std::cout << "\nResultaten (GxG in cm-mv; " << kReportFileName << ", " << kOverviewCsvName << ", "
            << kOverviewLayerName << "):\n";
  for (const std::string& line : resultsTable(results)) std::cout << line << '\n';
  std::cout.flush();
  for (const std::string& line : unreadableLines(results)) {
    std::cerr << "phreatix-cli: " << line << '\n';
  }
}

// Runs the workflow in `workDir`, whose lock the caller holds, then the
// closing sequence (unless told not to pack): kRefused also when no tube got
// a model, packed or not; kIncomplete when the report or the packing of a
// tube failed.
ExitStatus runWorkflowIn(const std::string& workDir, const DirectoryLock& lock,
                         const WorkflowInput& input, ConsoleObserver& observer,
                         const RunOptions& options) {
  Session session(workDir);
  if (!lock.takeOverLine().empty()) session.messages().appendLog(lock.takeOverLine());
  bool noModel = false;
  std::string reportFailure;
  PackResult packing;
  const ExitStatus status = runSession(session, [&](MessageBox& box) {
    ProgressView main;
    EngineView engineView;
    ConsolePostView postView;
    Workflow workflow(session, WorkflowPorts{main, box, engineView, postView, observer});
    workflow.lockTakenByCaller();
    const auto started = std::chrono::steady_clock::now();
    const WorkflowOutcome outcome = runWorkflow(workflow, input, options.mode);
    if (outcome == WorkflowOutcome::kRefused) return ExitStatus::kRefused;
    observer.printTimes(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    if (options.afterRun) options.afterRun();
    printResultsTable(workflow.results());
    reportFailure = workflow.reportFailure();
    noModel = outcome == WorkflowOutcome::kNoModel;
    if (noModel) {
      // Tubes left out before the selection are in the log only.
      bool refused = true;
      try {
        refused = !readValuesFile(joinPath(workDir, kFoutbuisName)).empty();
      } catch (const Error&) {
      }
      std::cerr << "phreatix-cli: geen enkele buis heeft een plausibel model gekregen; zie "
                << (refused ? std::string(kFoutbuisName) + " en " : std::string())
                << kSessionLogName << "\n";
    }
    if (options.pack) workflow.close(options.archiver, &packing);
    return ExitStatus::kOk;
  });
  if (!options.phaseFile.empty()) {
    try {
      writePhaseFile(joinPath(workDir, options.phaseFile), runTags(session.messages()));
    } catch (const Error& e) {
      std::cerr << "phreatix-cli: " << e.what() << '\n';
    }
  }
  if (status != ExitStatus::kOk) return status;
  if (noModel) return ExitStatus::kRefused;
  // The work is done and every file is there; what failed is said last.
  if (!reportFailure.empty()) {
    std::cerr << "phreatix-cli: klaar, maar het rapport is niet geschreven: " << reportFailure
              << "\nDe resultaten zelf staan in " << workDir << "; phreatix-cli report " << workDir
              << " schrijft het rapport opnieuw.\n";
  }
  if (!packing.notPacked.empty()) {
    std::string tubes;
    for (const std::string& tube : packing.notPacked) tubes += (tubes.empty() ? "" : ", ") + tube;
    std::cerr << "phreatix-cli: klaar, maar niet (volledig) ingepakt: " << tubes
              << "; hun bestanden blijven staan in " << workDir << ".\n";
  }
  if (!packing.contentsWritten) {
    std::cerr << "phreatix-cli: klaar, maar " << kZipContentsName << " is niet geschreven (zie "
              << kSessionLogName << "); de zips zelf zijn compleet.\n";
  }
  return reportFailure.empty() && packing.notPacked.empty() && packing.contentsWritten
             ? ExitStatus::kOk
             : ExitStatus::kIncomplete;
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
    std::optional<ValuesLine> chosen;
    std::string chosenLine;
    try {
      // A tube without a model has two lines of text in S.sel.
      chosen = readSelFile(stem + ".sel", &chosenLine);
    } catch (const Error&) {
    }
    if (chosen) {
      std::cout << "\n  " << chosenLine << '\n';
      StatisticsFigures sta;
      try {
        sta = readStatistics(stem + ".sta", readFileText(stem + ".sta"));
      } catch (const Error&) {
      }
      // In the order of S.sta.
      const std::pair<int, std::optional<double>> levels[3] = {
          {kGlgIndex, sta.glg}, {kGhgIndex, sta.ghg}, {kGvgIndex, sta.gvg}};
      for (const auto& [label, level] : levels) {
        if (!level) continue;
        std::cout << "  " << kGhgLabels[label]
                  << " (cm t.o.v. maaiveld, gemiddelde): " << formatReal(*level, 15, 6) << '\n';
      }
    } else {
      std::cout << ": geen plausibel model"
                << (tube.designedToFail ? " (zo bedoeld: " + tube.note + ")" : "") << '\n';
    }
  }
}

// The splitting window's status texts are progress on a terminal; only the
// finished files are worth a line.
class QuietSplitterView : public SplitterView {};

}  // namespace

ExitStatus commandOpen(const std::vector<std::string>& files) {
  DirectoryLock lock;
  if (const ExitStatus locked = lockDirectory(currentDirectory(), "open", lock);
      locked != ExitStatus::kOk) {
    return locked;
  }
  Session session(currentDirectory());
  if (!lock.takeOverLine().empty()) session.messages().appendLog(lock.takeOverLine());
  return runSession(session, [&](MessageBox& box) {
    ProgressView progress;
    session.activate();
    return session.openDataFiles(files, progress, box) ? ExitStatus::kOk : ExitStatus::kRefused;
  });
}

ExitStatus commandEngine(int maxIter) {
  Messages messages;
  ConsoleSink sink;
  messages.setSink(&sink);
  ConsoleEngineView view;
  Engine engine(view, messages);
  bool marker = engine.run(currentDirectory(), "ZEFTAL3 op zeftal0.par", maxIter);
  std::cout << "Meldingen uit ZEFTAL3:" << engine.message() << '\n';
  return marker ? ExitStatus::kOk : ExitStatus::kRefused;
}

ExitStatus commandPost() {
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
  return allCreated ? ExitStatus::kOk : ExitStatus::kRefused;
}

ExitStatus commandRun(const RunArguments& arguments) {
  WorkflowInput input = arguments.input;
  for (std::string& file : input.dataFiles) file = absolute(file);
  input.couplingFile = absolute(input.couplingFile);
  RunOptions runOptions;
  runOptions.mode = arguments.mode;
  runOptions.pack = arguments.pack;
  runOptions.archiver.archivers = arguments.jobs;
  runOptions.phaseFile = arguments.phaseFile;
  input.jobs = arguments.jobs;
  ConsoleObserver observer;
  const std::string workDir =
      arguments.workDir.empty() ? currentDirectory() : absolute(arguments.workDir);
  DirectoryLock lock;
  const char* command = arguments.mode == WorkflowMode::kRepair ? "repair" : "run";
  if (const ExitStatus locked = lockDirectory(workDir, command, lock); locked != ExitStatus::kOk) {
    return locked;
  }
  return runWorkflowIn(workDir, lock, input, observer, runOptions);
}

ExitStatus commandDemo(const std::string& dirArgument, bool pack, int jobs,
                       const DetailFields& fields) {
  RunOptions runOptions;
  runOptions.pack = pack;
  runOptions.archiver.archivers = jobs;
  std::string dir = dirArgument.empty() ? "phreatix-demo" : dirArgument;
  if (dirArgument.empty()) {
    for (int n = 2; std::filesystem::exists(dir); ++n) dir = "phreatix-demo-" + formatInt(n);
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  dir = absolute(dir);
  // Before the demo's data overwrite anything of a run that works there.
  DirectoryLock lock;
  if (const ExitStatus locked = lockDirectory(dir, "demo", lock); locked != ExitStatus::kOk) {
    return locked;
  }
  DemoDataSet demo;
  try {
    demo = writeDemoData(dir);
  } catch (const Error& e) {
    return refused(e);
  }
  std::cout << "Demo in " << dir << ": " << demo.exportFile << ", " << demo.couplingFile << "\n";
  WorkflowInput input;
  input.dataFiles = {joinPath(dir, demo.exportFile)};
  input.couplingFile = joinPath(dir, demo.couplingFile);
  input.fields = fields;
  input.jobs = jobs;
  ConsoleObserver observer;
  runOptions.afterRun = [&] { printDemoSummary(dir, demo); };
  return runWorkflowIn(dir, lock, input, observer, runOptions);
}

ExitStatus commandSplit(const SplitArguments& arguments) {
  const std::string& file = arguments.file;
  const std::string& megabytes = arguments.megabytes;
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
    if (!splitter.open(file)) return ExitStatus::kRefused;
    if (!splitter.recompute(megabytes) || !splitter.confirm(megabytes)) {
      return ExitStatus::kRefused;
    }
    std::vector<int> positions;
    for (const std::string& code : arguments.removeCodes) {
      const auto& tubes = splitter.tubes();
      auto it = std::find(tubes.begin(), tubes.end(), code);
      if (it == tubes.end()) {
        std::cerr << "phreatix-cli: buis " << code << " staat niet in " << file << '\n';
        return ExitStatus::kRefused;
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
    return refused(e);
  }
  return ExitStatus::kOk;
}

ExitStatus commandMeteo(const MeteoArguments& arguments) {
  try {
    const std::string& knmi = arguments.knmiFile;
    const std::string& evaporationFile = arguments.evaporationFile;
    KnmiFile precipitation{knmi, readLines(knmi)};
    KnmiFile evaporation;
    if (!evaporationFile.empty())
      evaporation = KnmiFile{evaporationFile, readLines(evaporationFile)};
    MeteoConversion meteo = convertKnmi(
        precipitation, evaporationFile.empty() ? nullptr : &evaporation, arguments.period);
    writeLines(arguments.out, meteo.lines);
    std::cout << arguments.out << ":\n";
    for (const std::string& line : meteo.report) std::cout << line << '\n';
  } catch (const Error& e) {
    return refused(e);
  }
  return ExitStatus::kOk;
}

ExitStatus commandReport(const std::string& dirArgument) {
  const std::string dir = dirArgument.empty() ? currentDirectory() : dirArgument;
  DirectoryLock lock;
  if (const ExitStatus locked = lockDirectory(dir, "report", lock); locked != ExitStatus::kOk) {
    return locked;
  }
  // A directory whose results cannot be read is refused; results read
  // whose report cannot be written lose nothing, but the report is not there.
  DataSetResults results;
  try {
    results = readResults(dir, false, cores());
  } catch (const Error& e) {
    return refused(e);
  } catch (const std::exception& e) {
    std::cerr << "phreatix-cli: rapport niet geschreven: " << e.what() << '\n';
    return ExitStatus::kRefused;
  }
  try {
    writeReportFiles(results, dir, cores());
  } catch (const std::exception& e) {
    std::cerr << "phreatix-cli: rapport niet geschreven: " << e.what() << '\n';
    return ExitStatus::kIncomplete;
  }
  printResultsTable(results);
  // Tubes whose results are there but could not be read are in the report
  // with that reason (named above): written, but not the whole of it.
  if (const std::size_t unreadable = results.unreadableTubes(); unreadable > 0) {
    std::cerr << "phreatix-cli: klaar, maar de resultaten van " << unreadable << " van de "
              << results.tubes.size() << " buizen zijn niet te lezen\n";
    return ExitStatus::kIncomplete;
  }
  return ExitStatus::kOk;
}

ExitStatus commandKron(bool force) {
  if (fileExists(kKronFileName) && !force) {
    std::cerr << "phreatix-cli: " << kKronFileName
              << " bestaat al; gebruik --force om het te vervangen\n";
    return ExitStatus::kRefused;
  }
  try {
    writeLines(kKronFileName, builtinDayNumberLines());
  } catch (const Error& e) {
    return refused(e);
  }
  std::cout << kKronFileName << ": " << BuiltinCalendar::kDays << " dagen, 1-1-" << kFirstYear
            << " t/m 31-12-" << kLastYear << "\n";
  return ExitStatus::kOk;
}

namespace {

// The absolute path of this program, for the tasks' run.sh.
std::string thisProgram() {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("phreatix-cli") : self.string();
}

const char* stateText(TaskState state) {
  switch (state) {
    case TaskState::kFinished:
      return "klaar";
    case TaskState::kFailed:
      return "mislukt";
    case TaskState::kBusy:
      return "bezig";
    case TaskState::kMissing:
      break;
  }
  return "ontbreekt";
}

}  // namespace

ExitStatus commandClusterPrepare(const ClusterArguments& arguments) {
  ClusterRequest request{absolute(arguments.dir),
                         arguments.input.dataFiles,
                         arguments.input.couplingFile,
                         arguments.options,
                         arguments.tubesPerTask,
                         arguments.cpusPerTask,
                         thisProgram()};
  // The settings the tasks' runs will take, already checked by the argument
  // rules; the model says whether componenten.txt may be there.
  SessionSettings settings;
  applyDetailSettings(arguments.input.fields, settings);
  request.model = settings.model;
  try {
    checkClusterRequest(request);
  } catch (const Error& e) {
    return refused(e);
  }
  const std::string& dir = request.studyDir;
  DirectoryLock lock;
  if (const ExitStatus locked = lockDirectory(dir, "cluster prepare", lock);
      locked != ExitStatus::kOk) {
    return locked;
  }
  Session session(dir);
  if (!lock.takeOverLine().empty()) session.messages().appendLog(lock.takeOverLine());
  return runSession(session, [&](MessageBox& box) {
    ProgressView progress;
    const std::optional<ClusterPlan> plan = prepareStudy(request, session, progress, box);
    if (!plan) return ExitStatus::kRefused;
    if (plan->tasks.empty()) {
      std::cerr << "phreatix-cli: de dataset heeft geen buizen\n";
      return ExitStatus::kRefused;
    }
    int tubes = 0;
    for (const ClusterTask& task : plan->tasks) {
      tubes += task.tubes;
      std::cout << task.name << ": " << task.tubes << " " << (task.tubes == 1 ? "buis" : "buizen")
                << " (" << task.locations.front()
                << (task.locations.size() > 1 ? " .. " + task.locations.back() : std::string())
                << ")\n";
    }
    std::cout << plan->tasks.size() << " taken voor " << tubes << " buizen in "
              << joinPath(dir, kTasksFolder) << "; batchscript " << joinPath(dir, kBatchScriptName)
              << " (" << plan->cpusPerTask << " cpu per taak).\n"
              << "Indienen: phreatix-cli cluster submit " << dir << "\n";
    return ExitStatus::kOk;
  });
}

ExitStatus commandClusterSubmit(const std::string& dirArgument, bool onlyFailed) {
  const std::string dir = absolute(dirArgument);
  DirectoryLock lock;
  if (const ExitStatus locked = lockDirectory(dir, "cluster submit", lock);
      locked != ExitStatus::kOk) {
    return locked;
  }
  try {
    const ClusterPlan plan = readClusterPlan(dir);
    std::vector<std::size_t> indices;
    // A task whose run still holds its folder is never emptied under it:
    // --only-failed leaves it out, a submit of every task is refused.
    std::vector<std::string> busy;
    for (std::size_t k = 0; k < plan.tasks.size(); ++k) {
      const TaskStatus status = judgeTask(dir, plan, k);
      if (status.state == TaskState::kBusy) {
        busy.push_back(status.reason);
        continue;
      }
      if (onlyFailed && status.state == TaskState::kFinished) continue;
      indices.push_back(k + 1);
    }
    for (const std::string& line : busy) {
      std::cerr << "phreatix-cli: " << line << (onlyFailed ? " Niet opnieuw ingediend." : "")
                << '\n';
    }
    if (!busy.empty() && !onlyFailed) {
      std::cerr << "phreatix-cli: niets ingediend: " << busy.size() << " van de "
                << plan.tasks.size() << " taken zijn nog bezig\n";
      return ExitStatus::kBusy;
    }
    if (indices.empty()) {
      std::cout << (busy.empty() ? "Alle " + std::to_string(plan.tasks.size()) + " taken zijn klaar"
                                 : std::string("Geen taak om opnieuw in te dienen"))
                << "; niets ingediend.\n";
      return busy.empty() ? ExitStatus::kOk : ExitStatus::kBusy;
    }
    // Every task submitted starts from its prepared inputs: nothing of an
    // earlier try is left to pass for this one's.
    for (std::size_t index : indices) writeTaskInputs(dir, plan, index - 1);
    const std::string ranges = arrayRanges(indices);
    int status = 0;
    const std::string out = runCapturing(
        {"sbatch", "--parsable", "--array=" + ranges, joinPath(dir, kBatchScriptName)}, status);
    if (status != 0) {
      std::cerr << "phreatix-cli: sbatch "
                << (status < 0 ? std::string("niet te starten")
                               : "eindigde met " + std::to_string(status))
                << "; niets ingediend\n";
      return ExitStatus::kRefused;
    }
    std::string job = out.substr(0, out.find_first_of(";\n"));
    std::cout << "Ingediend: job " << job << ", taken " << ranges << " (" << indices.size()
              << " van de " << plan.tasks.size() << ").\n"
              << job << "\n";
  } catch (const Error& e) {
    return refused(e);
  }
  return ExitStatus::kOk;
}

ExitStatus commandClusterStatus(const std::string& dirArgument) {
  const std::string dir = absolute(dirArgument);
  try {
    const ClusterPlan plan = readClusterPlan(dir);
    std::size_t finished = 0;
    for (std::size_t k = 0; k < plan.tasks.size(); ++k) {
      const TaskStatus status = judgeTask(dir, plan, k);
      finished += status.state == TaskState::kFinished ? 1 : 0;
      std::cout << plan.tasks[k].name << "  " << stateText(status.state);
      if (!status.reason.empty()) std::cout << ": " << status.reason;
      std::cout << "\n";
    }
    std::cout << finished << " van de " << plan.tasks.size() << " taken klaar.\n";
    return finished == plan.tasks.size() ? ExitStatus::kOk : ExitStatus::kRefused;
  } catch (const Error& e) {
    return refused(e);
  }
}

ExitStatus commandClusterMerge(const std::string& dirArgument) {
  const std::string dir = absolute(dirArgument);
  DirectoryLock lock;
  if (const ExitStatus locked = lockDirectory(dir, "cluster merge", lock);
      locked != ExitStatus::kOk) {
    return locked;
  }
  MergeOutcome outcome;
  try {
    const ClusterPlan plan = readClusterPlan(dir);
    outcome = mergeTasks(dir, plan, cores());
    if (outcome.unwritten.empty()) {
      std::cout << "Samengevoegd: " << plan.tasks.size() << " taken in " << dir << ".\n";
    } else {
      std::cout << "Samengevoegd, maar niet alles geschreven: " << plan.tasks.size() << " taken in "
                << dir << ".\n";
    }
    printResultsTable(outcome.results);
  } catch (const Error& e) {
    return refused(e);
  }
  if (outcome.unwritten.empty()) return ExitStatus::kOk;
  for (const std::string& what : outcome.unwritten) {
    std::cerr << "phreatix-cli: niet geschreven: " << what << '\n';
  }
  std::cerr << "phreatix-cli: de resultaten van de taken zijn compleet samengevoegd; niets is "
               "verloren.\n";
  return ExitStatus::kIncomplete;
}

}  // namespace phreatix::cli
