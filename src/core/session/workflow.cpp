#include "session/workflow.h"

#include "coupling/completeness.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

std::string checkWorkflowFields(const DetailFields& f) {
  const std::string* texts[kDetailFieldCount] = {
      &f.maxIter,  &f.closure,   &f.deltaMin, &f.phiMin, &f.cMax,
      &f.omegaMin, &f.startYear, &f.endYear,  &f.warmUp, &f.realisations};
  for (int i = 0; i < kDetailFieldCount; ++i) {
    FieldResult result = checkDetailField(kDetailFields[i], *texts[i]);
    if (!result.accepted()) {
      return std::string(kDetailFields[i].name) + " " + quoted(*texts[i]) + ": " + result.message;
    }
  }
  int start = 0, end = 0;
  parseInt(f.startYear, start);
  parseInt(f.endYear, end);
  if (end < start) {
    return "De simulatieperiode " + formatInt(start) + " t/m " + formatInt(end) +
           " omvat geen enkel jaar: het eindjaar ligt voor het startjaar.";
  }
  return {};
}

WorkflowOutcome runWorkflow(Session& session, const WorkflowInput& input, WorkflowPorts& ports,
                            WorkflowMode mode) {
  session.activate();
  if (!session.openDataFiles(input.dataFiles, ports.main, ports.messageBox))
    return WorkflowOutcome::kRefused;

  CouplingOverview overview;
  const std::vector<std::string> tubeList = buildTubeList(session.dataSet(), session.messages());
  coupleFromFile(input.couplingFile, tubeList, session.workingDir(), overview, session.messages(),
                 ports.messageBox);

  if (!applyDetailSettings(input.fields, session.settings())) {
    ports.messageBox.show("De detailinstellingen zijn niet te lezen.");
    return WorkflowOutcome::kRefused;
  }
  if (!checkMeteoCompleteness(overview, session.settings(), session.workingDir(), ports.messageBox)
           .complete) {
    return WorkflowOutcome::kRefused;
  }
  Engine engine(ports.engineView, session.messages());
  Postprocessor post;
  std::string dataFiles;
  for (const std::string& file : input.dataFiles)
    dataFiles += (dataFiles.empty() ? "" : ", ") + file;
  Pipeline pipeline(session, overview, dataFiles, engine, ports.engineView, post, ports.postView,
                    ports.main, ports.messageBox, ports.observer);
  if (mode == WorkflowMode::kRepair) {
    pipeline.simulationPhase();
  } else if (!pipeline.start()) {
    return WorkflowOutcome::kRefused;
  }
  return pipeline.modelsChosen() > 0 ? WorkflowOutcome::kCompleted : WorkflowOutcome::kNoModel;
}

}  // namespace phreatix
