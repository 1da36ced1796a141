#include "pipeline/run_loop.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

#include "error.h"
#include "files/not_calibrated.h"
#include "files/parameter_lines.h"
#include "input/tube_file.h"
#include "platform/files.h"
#include "platform/ordered_work.h"

namespace phreatix {

namespace {

// What a stage runs: the parameter file S + ext (+ FF when `withFilter`),
// the label of its run title and the stage's name for the observer.
struct RunStage {
  bool StageFlags::*flag;
  const char* ext;
  bool withFilter;
  const char* label;
  const char* name;
  // A line after the run title where the label alone does not tell the
  // stage (ds and d+s share theirs).
  const char* note;
  // Takes filter 01 of a location only: the preparations, the selection and
  // the simulation inputs are made for S.01 alone.
  bool firstFilterOnly;
};

// The stages in pipeline order. While several flags are set (the trace runs
// inside the simulation phase), the later row wins.
constexpr RunStage kRunStages[] = {
    {&StageFlags::ds, ".p", true, "calibratie (det+stoch)", "ds",
     "  (ds: det+stoch calibratie ineens)", false},
    {&StageFlags::d, ".q", true, "calibratie (det)", "d", "", false},
    {&StageFlags::s, ".r", true, "calibratie (stoch)", "s", "", true},
    {&StageFlags::dPlusS, ".s", true, "calibratie (det+stoch)", "d+s",
     "  (d+s: hercalibratie obv de beste eerdere fit)", true},
    {&StageFlags::simulation, ".t", true, "simulatie (det+stoch)", "simulatie", "", true},
    {&StageFlags::trace, ".std", false, "deterministische trace", "trace", "", true},
};

// The results of an earlier run must never pass for this run's: the two
// output files zeftal0.par names (lines 3 and 4) go before the run, and
// before a simulation (or the trace within it) also the characteristics
// made from its realisations.
void removeStaleOutputs(const std::string& dir, const std::string& parameterPath,
                        const std::string& S, bool simulation) {
  std::vector<std::string> par;
  try {
    par = readParameterFileLines(parameterPath);
  } catch (const Error&) {
    return;  // the engine reports the unreadable file itself
  }
  for (std::size_t line = 2; line < 4 && line < par.size(); ++line) {
    if (isBareFileName(par[line])) removeFile(joinPath(dir, par[line]));
  }
  if (simulation) {
    for (const char* ext : {".sta", ".reg", ".foe", ".his", ".cor"}) {
      removeFile(joinPath(dir, S + ext));
    }
  }
}

// The stage the flags name; null when none is set.
const RunStage* currentRunStage(const StageFlags& flags) {
  const RunStage* current = nullptr;
  for (const RunStage& stage : kRunStages) {
    if (flags.*stage.flag) current = &stage;
  }
  return current;
}

// The parameter file of tube S, FF for the stage.
std::string stageParameterFile(const RunStage& stage, const std::string& S, const std::string& FF) {
  return S + stage.ext + (stage.withFilter ? FF : std::string());
}

// What the engine window shows while workers run: the run most recently
// started. A worker's calls wait here until the loop's own thread hands
// them to the window.
class EngineRelay {
 public:
  void start(std::size_t item) { latest_.store(item); }
  // Whether the calls of this run are shown: a worker whose run is not
  // builds none (a calibration adds thousands of runtime lines).
  bool shows(std::size_t item) const { return latest_.load() == item; }
  void post(std::size_t item, std::function<void(EngineView&)> call) {
    if (!shows(item)) return;
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.push_back(std::move(call));
  }
  void drain(EngineView& view) {
    std::vector<std::function<void(EngineView&)>> calls;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      calls.swap(pending_);
    }
    for (auto& call : calls) call(view);
    view.repaint();
  }

 private:
  std::atomic<std::size_t> latest_{static_cast<std::size_t>(-1)};
  std::mutex mutex_;
  std::vector<std::function<void(EngineView&)>> pending_;
};

class RelayedEngineView : public EngineView {
 public:
  explicit RelayedEngineView(EngineRelay& relay) : relay_(relay) {}
  void begin(std::size_t item) { item_ = item; }
  void setCaption(const std::string& caption) override {
    if (relay_.shows(item_))
      relay_.post(item_, [caption](EngineView& v) { v.setCaption(caption); });
  }
  void setGridLine(int row, const std::string& text) override {
    if (relay_.shows(item_))
      relay_.post(item_, [row, text](EngineView& v) { v.setGridLine(row, text); });
  }
  void setGridStatus(int row, const std::string& status) override {
    if (relay_.shows(item_))
      relay_.post(item_, [row, status](EngineView& v) { v.setGridStatus(row, status); });
  }
  void clearRuntime() override {
    if (relay_.shows(item_)) relay_.post(item_, [](EngineView& v) { v.clearRuntime(); });
  }
  void addRuntime(const std::string& line) override {
    if (relay_.shows(item_)) relay_.post(item_, [line](EngineView& v) { v.addRuntime(line); });
  }
  void setGereed(const std::string& caption, bool visible) override {
    if (relay_.shows(item_))
      relay_.post(item_, [caption, visible](EngineView& v) { v.setGereed(caption, visible); });
  }
  void setBusy(bool busy) override {
    if (relay_.shows(item_)) relay_.post(item_, [busy](EngineView& v) { v.setBusy(busy); });
  }
  void showHelpTopic(const std::string& topic) override {
    if (relay_.shows(item_)) relay_.post(item_, [topic](EngineView& v) { v.showHelpTopic(topic); });
  }

 private:
  EngineRelay& relay_;
  std::size_t item_ = 0;
};

// A worker: its own engine with its own buffers and lists.
struct EngineWorker {
  explicit EngineWorker(EngineRelay& relay) : view(relay), engine(view, record.messages()) {}
  MessageRecord record;
  RelayedEngineView view;
  Engine engine;
};

// One tube of the stage while the workers have it.
struct RunItem {
  std::string S, FF, parameterFile, title;
  const RunStage* stage = nullptr;
  bool inProcess = false;  // made by the program, not by the engine
  // Passed over: the calibration inputs left the tube out (S.nFF says why),
  // or the stage takes filter 01 only and this is another filter.
  bool notCalibrated = false;
  bool otherFilter = false;
  bool packed = false;  // in its archive already: nothing to run
  bool copied = false;
  bool ok = false;
  double seconds = 0;
  std::string message, marker;
  std::vector<std::pair<MessageListId, std::string>> lines;
};

}  // namespace

void runLoop(Session& session, const CouplingOverview& overview, Engine& engine,
             EngineView& engineView, PipelineObserver& observer, int workers,
             std::set<std::string>* otherFilterTold, const InProcessRuns* inProcess,
             const std::set<std::string>* packed) {
  const std::string& dir = session.workingDir();
  const StageFlags& flags = session.stageFlags();
  Messages& messages = session.messages();
  const bool parallel = workers > 1 && overview.rows.size() > 1;
  std::vector<RunItem> items(overview.rows.size());
  EngineRelay relay;
  std::vector<std::unique_ptr<EngineWorker>> crew;
  std::unique_ptr<ScratchDirs> scratch;
  if (parallel) {
    for (int w = 0; w < workers; ++w) crew.push_back(std::make_unique<EngineWorker>(relay));
    scratch = std::make_unique<ScratchDirs>(dir, orderedSlots(workers));
  }
  const std::string parameterPath = joinPath(dir, kParameterFileName);
  auto slotDir = [&](std::size_t slot) { return parallel ? (*scratch)[slot] : dir; };
  // Every line of a run is its tube's: one run after the other appends them
  // from its prepare to its take, workers at the take only. The lists' tube
  // is what it was before once the loop ends, however it ends.
  TubeLines loopTube(messages, messages.tube());

  OrderedSteps steps;
  steps.stop = [&] { return session.stopRequested(); };
  steps.prepare = [&](std::size_t item, std::size_t slot) {
    RunItem& it = items[item];
    const CouplingRow& row = overview.rows[item];
    it.S = entryStem(row.tube);
    if (!parallel) messages.setTube(it.S);
    const std::string FF = normaliseFilter(entryFilter(row.tube));
    it.FF = FF;
    it.packed = packed && packed->count(it.S);
    if (it.packed) return false;
    removeFile(joinPath(dir, it.S + ".ok"));
    // Without a stage there is no parameter file to copy: reported as a
    // failed copy of "".
    it.stage = currentRunStage(flags);
    it.notCalibrated = fileExists(joinPath(dir, notCalibratedName(it.S, FF)));
    // Under "uitgebreid" a location without a plausible filter 01 is
    // simulated on another filter: the one with S.tFF.
    it.otherFilter =
        it.stage && it.stage->firstFilterOnly && FF != "01" &&
        !(session.settings().model == ModelFamily::kUitgebreid &&
          (flags.simulation || flags.trace) && fileExists(joinPath(dir, it.S + ".t" + FF)));
    if (it.notCalibrated || it.otherFilter) return false;
    it.parameterFile = it.stage ? stageParameterFile(*it.stage, it.S, FF) : std::string();
    it.FF = FF;
    it.inProcess =
        inProcess && it.stage && (flags.simulation || flags.trace) &&
        (it.stage->flag == &StageFlags::simulation || it.stage->flag == &StageFlags::trace) &&
        inProcess->handles(it.S, FF);
    if (it.inProcess) {
      it.copied = fileExists(joinPath(dir, it.parameterFile));
      if (!it.copied) return false;
      removeStaleOutputs(dir, joinPath(dir, it.parameterFile), it.S, flags.simulation);
      it.title = "Uitgebreid model: " + std::string(it.stage->label) + " op " + it.S;
      if (!parallel) messages.appendBuis(it.title + " gestart.");
      return true;
    }
    const std::string target = joinPath(slotDir(slot), kParameterFileName);
    it.copied = it.stage && copyFile(joinPath(dir, it.parameterFile), target);
    if (!it.copied) return false;
    removeStaleOutputs(dir, target, it.S, flags.simulation);
    it.title = "ZEFTAL-" + std::string(it.stage->label) + " op " + it.S;
    if (!parallel) {
      messages.appendBuis(it.title + " gestart.");
      if (*it.stage->note) messages.appendBuis(it.stage->note);
      engineView.setCaption(it.title);
    }
    return true;
  };
  steps.work = [&](std::size_t item, std::size_t slot, int worker) {
    RunItem& it = items[item];
    const int maxIter = session.settings().MAXITER;
    const auto started = std::chrono::steady_clock::now();
    if (it.inProcess) {
      it.ok = inProcess->run(it.S, it.FF, it.stage->flag == &StageFlags::trace, it.message);
      it.seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      return;
    }
    if (!parallel) {
      engine.run(dir, it.title, maxIter);
      it.message = engine.message();
    } else {
      EngineWorker& w = *crew[static_cast<std::size_t>(worker)];
      relay.start(item);
      w.view.begin(item);
      w.view.setCaption(it.title);
      w.engine.run(dir, slotDir(slot), it.title, maxIter);
      it.message = w.engine.message();
      it.marker = w.engine.marker();
      it.lines = w.record.takeLines();
    }
    it.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    it.ok = fileExists(joinPath(slotDir(slot), it.S + ".ok"));
  };
  steps.take = [&](std::size_t item, std::size_t slot) {
    RunItem& it = items[item];
    if (it.packed) return;
    TubeLines tubeLines(messages, it.S);
    if (it.inProcess) {
      if (parallel) messages.appendBuis(it.title + " gestart.");
      observer.engineRunFinished(it.stage->name, it.S, it.seconds);
      messages.appendLog(
          "Uitgebreid model (op " + it.S + ") " +
          (it.ok ? std::string("goed afgesloten.") : "met foutmelding afgesloten: " + it.message));
      return;
    }
    if (parallel) {
      // The working directory ends as one run after the other leaves it:
      // the marker of this tube's run only, the last parameter file copied.
      removeFile(joinPath(dir, it.S + ".ok"));
      if (it.copied) {
        copyFile(joinPath(slotDir(slot), kParameterFileName), parameterPath);
        if (!it.marker.empty()) {
          moveFile(joinPath(slotDir(slot), it.marker), joinPath(dir, it.marker));
        }
      }
    }
    if (it.notCalibrated) return;  // told when its inputs were written
    if (it.otherFilter) {
      // Told once a pipeline, at the first stage that passes it over.
      if (!otherFilterTold || otherFilterTold->insert(it.S + " " + it.FF).second) {
        messages.appendLog(
            "Buis " + it.S + " filter " + it.FF + ": alleen filter 01 gaat door" +
            (session.settings().model == ModelFamily::kUitgebreid
                 // The extended candidates and the choice take every filter.
                 ? std::string(" naar de calibraties s en d+s; de uitgebreide kandidaten en de "
                               "modelkeuze nemen ook dit filter.")
                 : fileExists(joinPath(dir, it.S + ".01"))
                       ? std::string(".")
                       : std::string(
                             "; deze locatie heeft geen filter 01 en wordt niet gesimuleerd.")));
      }
      return;
    }
    if (!it.copied) {
      for (const std::string& line :
           {"Kopieren van " + it.parameterFile + " naar " + kParameterFileName +
                " mislukt. Buis wordt overgeslagen",
            std::string("Mogelijk is er geen plausibel calibratieresultaat.")}) {
        messages.appendLog(line);
        messages.appendStopExit(line);
      }
      return;
    }
    if (parallel) {
      messages.appendBuis(it.title + " gestart.");
      if (*it.stage->note) messages.appendBuis(it.stage->note);
      const std::string from = joinPath(slotDir(slot), ""), to = joinPath(dir, "");
      replayLines(it.lines, messages, from, to);
      it.message = replacedPath(it.message, from, to);
      it.lines.clear();
    }
    observer.engineRunFinished(it.stage->name, it.S, it.seconds);
    messages.appendLog("Meldingen uit ZEFTAL3:" + it.message);
    messages.appendLog("ZEFTAL (op " + it.S + ") " +
                       (it.ok ? "goed afgesloten." : "met foutmelding afgesloten."));
  };
  steps.idle = [&] { relay.drain(engineView); };
  runOrdered(parallel ? workers : 1, items.size(), steps);
  if (parallel) relay.drain(engineView);
}

}  // namespace phreatix
