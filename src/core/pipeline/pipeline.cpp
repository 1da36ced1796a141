#include "pipeline/pipeline.h"

#include "error.h"
#include "files/values_lines.h"
#include "pipeline/run_loop.h"
#include "pipeline/stage_parameters.h"
#include "platform/files.h"
#include "session/kron_coverage.h"
#include "text/number_text.h"

namespace phreatix {

Pipeline::Pipeline(Session& session, const CouplingOverview& overview, const std::string& dataFiles,
                   Engine& engine, Postprocessor& post, const WorkflowPorts& ports)
    : session_(session),
      overview_(overview),
      engine_(engine),
      engineView_(ports.engineView),
      post_(post),
      postView_(ports.postView),
      main_(ports.main),
      messageBox_(ports.messageBox),
      observer_(ports.observer),
      dates_(session.dayNumbers()),
      calibrationInputs_(session, overview, dataFiles, dates_) {
  // The simulation of a tube's chosen filter; the trace (S.std) of the tube.
  inProcessRuns_.handles = [this](const std::string& S, const std::string& FF) {
    const auto found = extendedModels_.find(S);
    return found != extendedModels_.end() &&
           (session_.stageFlags().trace || found->second.filter == FF);
  };
  inProcessRuns_.run = [this](const std::string& S, const std::string& FF, bool trace,
                              std::string& message) {
    const std::string meteoName = meteoFileOfStem(overview_, S);
    std::shared_ptr<const DatedWeather> weather;
    try {
      std::lock_guard<std::mutex> lock(weatherMutex_);
      weather = weather_.get(joinPath(session_.workingDir(), meteoName));
    } catch (const std::exception& e) {
      message = e.what();
      return false;
    }
    return runExtendedStage(session_.workingDir(), S, FF, extendedModels_.at(S), *weather, trace,
                            session_.settings().situation, message);
  };
}

void Pipeline::setFlag(bool StageFlags::*flag, bool value) {
  session_.stageFlags().*flag = value;
  observer_.stageChanged();
}

bool Pipeline::start() {
  beginPhase(session_.messages(), observer_, "start");
  const SessionSettings& settings = session_.settings();
  if (settings.numberOfYears < 1) {
    messageBox_.show("De simulatieperiode omvat " + formatInt(settings.numberOfYears) +
                     " jaar. Bevestig eerst de detailinstellingen (\"Verander "
                     "detailinstellingen\", \"Instellingen OK\"); de berekening is niet gestart.");
    return false;
  }
  const std::string kronRefusal =
      kronPeriodRefusal(session_.dayNumbers(), settings.startYear, settings.numberOfYears);
  if (!kronRefusal.empty()) {
    session_.messages().appendLog(kronRefusal);
    messageBox_.show(kronRefusal);
    return false;
  }
  const std::string kronNote = kronReadingsNote(session_.dayNumbers(), session_.dataSet());
  if (!kronNote.empty()) session_.messages().appendLog(kronNote);
  observer_.showHelpTopic("PHREATIX._C_001");
  session_.markPipelineStarted();
  weather_.clear();
  session_.clearStop();
  session_.pipelineControls();
  observer_.controlsChanged();
  main_.setBusy(true);
  StageFlags& flags = session_.stageFlags();
  const bool reached = flags.postprocessingReached;
  flags = StageFlags{};
  flags.postprocessingReached = reached;
  observer_.stageChanged();
  Messages& messages = session_.messages();

  struct Stage {
    const char* phase;
    const char* buisLine;
    bool StageFlags::*flag;
    void (Pipeline::*prepare)();
  };
  const Stage stages[4] = {
      {"ds", "Alle buizen: maken invoer ZEFTAL (det+stoch calib)", &StageFlags::ds,
       &Pipeline::writeCalibrationInputs},
      {"d", "Alle buizen: maken invoer ZEFTAL (det calib)", &StageFlags::d,
       &Pipeline::writeCalibrationInputs},
      {"s", "Alle buizen: maken invoer ZEFTAL (stoch calib)", &StageFlags::s,
       &Pipeline::prepareStochastic},
      {"d+s", nullptr, &StageFlags::dPlusS, &Pipeline::prepareRecalibration},
  };
  for (const Stage& stage : stages) {
    beginPhase(session_.messages(), observer_, stage.phase);
    if (stage.buisLine) messages.appendBuis(stage.buisLine);
    setFlag(stage.flag, true);
    (this->*stage.prepare)();
    // The stage's inputs of every tube are written before any tube runs.
    beginPhase(session_.messages(), observer_, std::string(stage.phase) + "-runs");
    setFlag(&StageFlags::runsUnderWay, true);
    runLoop();
    flags.runsUnderWay = false;
    setFlag(stage.flag, false);
    if (stopped()) return true;
  }
  if (settings.model == ModelFamily::kUitgebreid) {
    beginPhase(session_.messages(), observer_, "uitgebreid");
    messages.appendBuis("Alle buizen: uitgebreide kandidaten (ef, gf) calibreren");
    calibrateExtendedCandidates(session_, overview_, weather_);
    if (stopped()) return true;
  }
  simulationPhase();
  main_.setBusy(false);
  return true;
}

void Pipeline::simulationPhase() {
  // The meteo files as they stand now (a repair comes after any change).
  weather_.clear();
  beginPhase(session_.messages(), observer_, "selectie");
  observer_.showHelpTopic("PHREATIX._S_001");
  setFlag(&StageFlags::simulation, true);
  selectModels();
  beginPhase(session_.messages(), observer_, "oordeel");
  if (modelsChosen_ == 0) session_.messages().appendLog(noModelVerdict());
  beginPhase(session_.messages(), observer_, "simulatie");
  setFlag(&StageFlags::runsUnderWay, true);
  runLoop();
  if (stopped()) return;
  beginPhase(session_.messages(), observer_, "trace");
  observer_.showHelpTopic("PHREATIX._T_001");
  session_.stageFlags().trace = true;
  runLoop();
  setFlag(&StageFlags::trace, false);
  session_.stageFlags().postprocessingReached = true;
  setFlag(&StageFlags::simulation, false);
  beginPhase(session_.messages(), observer_, "post");
  runPostBatch(session_.workingDir(), post_, postView_, main_, session_.messages(),
               session_.settings().jobs);
}

std::string Pipeline::noModelVerdict() const {
  const std::string verdict = "Geen enkele buis heeft een plausibel model gekregen; de redenen ";
  // foutbuis.zft holds the tubes the selection refused; tubes left out
  // before it (not calibrated, another filter than 01) are told only above.
  bool refused = true;
  try {
    refused = !readValuesFile(joinPath(session_.workingDir(), kFoutbuisName)).empty();
  } catch (const Error&) {
    // A foutbuis.zft that cannot be read still holds what the selection wrote.
  }
  return verdict + (refused ? std::string("staan in ") + kFoutbuisName + " en hierboven."
                            : "staan in de regels hierboven.");
}

bool Pipeline::stopped() {
  if (!session_.stopRequested()) return false;
  StageFlags& flags = session_.stageFlags();
  const bool reached = flags.postprocessingReached;
  flags = StageFlags{};
  flags.postprocessingReached = reached;
  observer_.stageChanged();
  main_.setBusy(false);
  session_.messages().appendLog(
      "Op verzoek gestopt na de lopende buis. De resultaten tot dan blijven staan; de "
      "calibraties die klaar zijn, kunnen met \">Repareren\" worden gesimuleerd.");
  return true;
}

void Pipeline::writeCalibrationInputs() { calibrationInputs_.write(); }

void Pipeline::prepareStochastic() {
  phreatix::prepareStochastic(session_.workingDir(), session_.messages());
}

void Pipeline::prepareRecalibration() {
  phreatix::prepareRecalibration(session_.workingDir(), session_.messages());
}

void Pipeline::runLoop() {
  phreatix::runLoop(session_, overview_, engine_, engineView_, observer_, session_.settings().jobs,
                    &otherFilterTold_, &inProcessRuns_, &packed_);
}

void Pipeline::selectModels() {
  modelsChosen_ = 0;
  modelsChosen_ =
      phreatix::selectModels(session_, overview_, dates_, &extendedModels_, &weather_, &packed_);
}

}  // namespace phreatix
