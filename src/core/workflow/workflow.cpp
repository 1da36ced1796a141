#include "workflow/workflow.h"

#include <algorithm>

#include "coupling/completeness.h"
#include "coupling/given_components.h"
#include "coupling/stress_file.h"
#include "pipeline/repair_state.h"
#include "results/report_files.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

std::string checkWorkflowFields(const DetailFields& f) {
  for (const DetailField& field : detailFields()) {
    const std::string& text = f.*field.text;
    FieldResult result = checkDetailField(field, text);
    if (!result.accepted()) {
      return std::string(field.name) + " " + quoted(text) + ": " + result.message;
    }
  }
  int start = 0, end = 0;
  parseInt(f.startYear, start);
  parseInt(f.endYear, end);
  if (end < start) {
    return "De simulatieperiode " + formatInt(start) + " t/m " + formatInt(end) +
           " omvat geen enkel jaar: het eindjaar ligt voor het startjaar.";
  }
  if (!checkResponseTimeOrder(f.t95Min, f.t95Max).empty()) {
    return "De responstijd t95 max (" + f.t95Max + " dagen) ligt niet boven t95 min (" + f.t95Min +
           " dagen): geen enkel uitgebreid model kan dan plausibel zijn.";
  }
  return {};
}

Workflow::Workflow(Session& session, WorkflowPorts ports)
    : session_(session), ports_(ports), engine_(ports.engineView, session.messages()) {}

std::string Workflow::takeLock() {
  if (lockTakenByCaller_ || lock_.held()) return {};
  try {
    lock_ = DirectoryLock(session_.workingDir(), "phreatix");
  } catch (const DirectoryBusy& busy) {
    ports_.messageBox.showRefusal(busy.what());
    session_.messages().appendLog(busy.what());
    return busy.what();
  }
  if (!lock_.takeOverLine().empty()) session_.messages().appendLog(lock_.takeOverLine());
  return {};
}

bool Workflow::open(const std::vector<std::string>& paths) {
  const bool wasHeld = lock_.held();
  if (!takeLock().empty()) return false;
  if (!session_.openDataFiles(paths, ports_.main, ports_.messageBox)) {
    // No data set open where there was none: nothing to hold the directory for.
    if (!wasHeld) lock_.release();
    return false;
  }
  dataFiles_.clear();
  for (const std::string& path : paths) dataFiles_ += (dataFiles_.empty() ? "" : ", ") + path;
  return true;
}

std::vector<std::string> Workflow::tubeList() {
  return buildTubeList(session_.dataSet(), session_.messages());
}

void Workflow::coupleFromFile(const std::string& couplingFile) {
  phreatix::coupleFromFile(couplingFile, tubeList(), session_.workingDir(), overview_,
                           session_.messages(), ports_.messageBox);
}

bool Workflow::meteoComplete() {
  const CompletenessResult result = checkMeteoCompleteness(
      overview_, session_.settings(), session_.workingDir(), ports_.messageBox);
  for (const std::string& reason : result.reasons) session_.messages().appendLog(reason);
  return result.complete;
}

bool Workflow::checkCoupling() {
  const bool complete = meteoComplete();
  session_.coupled(complete);
  ports_.observer.controlsChanged();
  return complete;
}

bool Workflow::applySettings(const DetailFields& fields) {
  if (applyDetailSettings(fields, session_.settings())) return true;
  ports_.messageBox.show("De detailinstellingen zijn niet te lezen.");
  return false;
}

Pipeline Workflow::pipeline() {
  if (!post_) post_ = std::make_unique<Postprocessor>();
  return Pipeline(session_, overview_, dataFiles_, engine_, *post_, ports_);
}

WorkflowOutcome Workflow::outcome(const Pipeline& pipeline) const {
  return pipeline.modelsChosen() > 0 ? WorkflowOutcome::kCompleted : WorkflowOutcome::kNoModel;
}

bool Workflow::extendedInputsAccepted() {
  const ModelFamily model = session_.settings().model;
  const std::vector<std::string> stress =
      stressCouplingRefusals(overview_, model, session_.workingDir());
  const std::vector<std::string> given = givenComponentRefusals(session_.workingDir(), model);
  if (stress.empty() && given.empty()) return true;
  // Each list after its own heading, in one message.
  std::vector<std::string> lines;
  if (!stress.empty()) {
    lines.push_back(kStressRefusalHeading);
    lines.insert(lines.end(), stress.begin(), stress.end());
  }
  if (!given.empty()) {
    lines.push_back(kGivenRefusalHeading);
    lines.insert(lines.end(), given.begin(), given.end());
  }
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  ports_.messageBox.showRefusal(text);
  for (const std::string& line : lines) session_.messages().appendLog(line);
  return false;
}

WorkflowOutcome Workflow::start() {
  if (!extendedInputsAccepted()) return WorkflowOutcome::kRefused;
  Pipeline run = pipeline();
  if (!run.start()) return WorkflowOutcome::kRefused;
  writeReport();
  return outcome(run);
}

void Workflow::writeReport() {
  beginPhase(session_.messages(), ports_.observer, "rapport");
  // Before packing, with every file in place; a report that cannot be
  // written costs the run nothing, but the user is told why.
  reportFailure_.clear();
  try {
    results_ = writeReports(session_.workingDir(), session_.settings().jobs);
    session_.messages().appendLog(reportWrittenLine(results_));
  } catch (const std::exception& e) {
    results_ = DataSetResults{};
    reportFailure_ = e.what();
    session_.messages().appendLog(reportNotWrittenLine(e.what()));
  }
}

WorkflowOutcome Workflow::repair() {
  if (!extendedInputsAccepted()) return WorkflowOutcome::kRefused;
  const std::string& dir = session_.workingDir();
  const std::set<std::string> packed = packedTubes(dir, overview_);
  const std::vector<std::string> unfinished =
      unfinishedCalibrations(dir, overview_, session_.settings().model, packed);
  if (!unfinished.empty()) {
    std::vector<std::string> lines = {kUnfinishedRefusalHeading};
    lines.insert(lines.end(), unfinished.begin(), unfinished.end());
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    ports_.messageBox.showRefusal(text);
    for (const std::string& line : lines) session_.messages().appendLog(line);
    return WorkflowOutcome::kRefused;
  }
  removePackedLeftovers(dir, packed, session_.messages());
  Pipeline run = pipeline();
  run.setPacked(packed);
  // The results are packed as after a run: every tube with its S.met, the
  // tubes without a model too.
  session_.markPipelineStarted();
  session_.clearStop();
  session_.pipelineControls();
  ports_.observer.controlsChanged();
  run.simulationPhase();
  writeReport();
  return outcome(run);
}

void Workflow::reset(ProgressView& progress) {
  session_.reset(progress);
  lock_.release();
}

void Workflow::close(const ArchiverSettings& archiver, PackResult* packing) {
  beginPhase(session_.messages(), ports_.observer, "inpakken");
  if (const std::string refusal = takeLock(); !refusal.empty()) {
    // Another program works here: its tubes are its own to pack.
    session_.messages().appendStopExit(refusal);
    session_.messages().appendStopExit("Niets ingepakt.");
    fatalStop(FatalStop::Reason::kNormalEnd);
  }
  closingSequence(session_, ports_.main, ports_.messageBox, archiver, packing);
}

WorkflowOutcome runWorkflow(Workflow& workflow, const WorkflowInput& input, WorkflowMode mode) {
  PipelineObserver& observer = workflow.observer();
  beginPhase(workflow.session().messages(), observer, "open");
  workflow.session().activate();
  if (!workflow.open(input.dataFiles)) return WorkflowOutcome::kRefused;
  beginPhase(workflow.session().messages(), observer, "koppeling");
  workflow.coupleFromFile(input.couplingFile);
  if (!workflow.applySettings(input.fields)) return WorkflowOutcome::kRefused;
  workflow.session().settings().jobs = std::max(1, input.jobs);
  workflow.session().settings().moreTubesFollow = input.moreTubesFollow;
  beginPhase(workflow.session().messages(), observer, "controle");
  if (!workflow.checkCoupling()) return WorkflowOutcome::kRefused;
  return mode == WorkflowMode::kRepair ? workflow.repair() : workflow.start();
}

}  // namespace phreatix
