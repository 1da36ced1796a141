#include "session/run_loop.h"

#include <chrono>

#include "error.h"
#include "input/tube_file.h"
#include "platform/files.h"

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
};

// The stages in pipeline order. While several flags are set (the trace runs
// inside the simulation phase), the later row wins.
constexpr RunStage kRunStages[] = {
    {&StageFlags::ds, ".p", true, "calibratie (det+stoch)", "ds",
     "  (ds: det+stoch calibratie ineens)"},
    {&StageFlags::d, ".q", true, "calibratie (det)", "d", ""},
    {&StageFlags::s, ".r", true, "calibratie (stoch)", "s", ""},
    {&StageFlags::dPlusS, ".s", true, "calibratie (det+stoch)", "d+s",
     "  (d+s: hercalibratie obv de beste eerdere fit)"},
    {&StageFlags::simulation, ".t", true, "simulatie (det+stoch)", "simulatie", ""},
    {&StageFlags::trace, ".std", false, "deterministische trace", "trace", ""},
};

// The results of an earlier run must never pass for this run's: the two
// output files zeftal0.par names (lines 3 and 4) go before the run, and
// before a simulation (or the trace within it) also the characteristics
// made from its realisations.
void removeStaleOutputs(const std::string& dir, const std::string& S, bool simulation) {
  std::vector<std::string> par;
  try {
    par = readLines(joinPath(dir, kParameterFileName));
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

}  // namespace

void runLoop(Session& session, const CouplingOverview& overview, Engine& engine,
             EngineView& engineView, PipelineObserver& observer) {
  const std::string& dir = session.workingDir();
  const StageFlags& flags = session.stageFlags();
  Messages& messages = session.messages();
  for (const CouplingRow& row : overview.rows) {
    if (session.stopRequested()) return;
    const std::string S = entryStem(row.tube);
    const std::string FF = normaliseFilter(entryFilter(row.tube));
    removeFile(joinPath(dir, S + ".ok"));
    // Without a stage there is no parameter file to copy: reported as a
    // failed copy of "".
    const RunStage* stage = currentRunStage(flags);
    const std::string parameterFile = stage ? stageParameterFile(*stage, S, FF) : std::string();
    if (!stage || !copyFile(joinPath(dir, parameterFile), joinPath(dir, kParameterFileName))) {
      for (const std::string& line :
           {"Kopieren van " + parameterFile + " naar " + kParameterFileName +
                " mislukt. Buis wordt overgeslagen",
            std::string("Mogelijk is er geen plausibel calibratieresultaat.")}) {
        messages.appendLog(line);
        messages.appendStopExit(line);
      }
      continue;
    }
    removeStaleOutputs(dir, S, flags.simulation);
    const std::string title = "ZEFTAL-" + std::string(stage->label) + " op " + S;
    messages.appendBuis(title + " gestart.");
    if (*stage->note) messages.appendBuis(stage->note);
    engineView.setCaption(title);
    const auto started = std::chrono::steady_clock::now();
    engine.run(dir, title, session.settings().MAXITER);
    observer.engineRunFinished(
        stage->name, S,
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    messages.appendLog("Meldingen uit ZEFTAL3:" + engine.message());
    messages.appendLog("ZEFTAL (op " + S + ") " +
                       (fileExists(joinPath(dir, S + ".ok")) ? "goed afgesloten."
                                                             : "met foutmelding afgesloten."));
  }
}

}  // namespace phreatix
