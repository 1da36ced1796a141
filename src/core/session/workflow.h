// The whole main job of a session without windows, as the command line runs
// it: open the data file, couple the meteo files from a coupling file, take
// the detail settings, check the meteo files and run the pipeline.
#pragma once

#include <string>

#include "coupling/coupling.h"
#include "engine/engine_view.h"
#include "postprocessing/post_view.h"
#include "session/pipeline.h"
#include "session/session.h"
#include "settings/field_checks.h"

namespace phreatix {

struct WorkflowInput {
  std::vector<std::string> dataFiles;  // one export, or several as one data set
  std::string couplingFile;
  DetailFields fields;  // the detail settings as the window would hold them
};

// The front end's views of one workflow.
struct WorkflowPorts {
  ProgressView& main;
  MessageBox& messageBox;
  EngineView& engineView;
  PostView& postView;
  PipelineObserver& observer;
};

// Checks the detail settings as the window's field checks do, plus what a
// run needs beyond them: a whole number of realisations and an end year not
// before the start year. The first refusal's message, or "" when all pass.
std::string checkWorkflowFields(const DetailFields& fields);

enum class WorkflowMode {
  kPipeline,  // the four calibrations, then the simulation phase
  kRepair,    // the simulation phase alone, on the calibrations in the directory
};

enum class WorkflowOutcome {
  kRefused,    // refused before the pipeline: a refused data file, incomplete
               // meteo files, settings; the reason is in mmLOG or a message box
  kNoModel,    // it ran, but no tube got a plausible model
  kCompleted,  // it ran and at least one tube got a model
};

// Runs the workflow in the session's working directory. The coupling and
// other unrecoverable input errors end in the fatal stop.
WorkflowOutcome runWorkflow(Session& session, const WorkflowInput& input, WorkflowPorts& ports,
                            WorkflowMode mode = WorkflowMode::kPipeline);

}  // namespace phreatix
