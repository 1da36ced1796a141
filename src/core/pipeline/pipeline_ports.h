// What a pipeline reports to its front end besides the message lists: the
// observer of its stages and engine runs, and the views a workflow hands it.
#pragma once

#include <string>

#include "engine/engine_view.h"
#include "postprocessing/post_view.h"
#include "report/messages.h"
#include "report/ports.h"

namespace phreatix {

class PipelineObserver {
 public:
  virtual ~PipelineObserver() = default;
  virtual void showHelpTopic(const std::string& /*topic*/) {}
  // The stage flags changed: the progress schema is drawn anew.
  virtual void stageChanged() {}
  // The session's controls changed (a pipeline begins, a coupling was
  // checked): the front end shows them.
  virtual void controlsChanged() {}
  // A phase of the workflow begins: "open", "koppeling", "controle",
  // "start", then per calibration stage "ds", "d", "s", "d+s" (its inputs)
  // and "ds-runs", ... (its engine runs), "selectie", "oordeel" (the
  // verdict over the data set: no tube got a model), "simulatie", "trace",
  // "post", "rapport", "inpakken". Its lines follow in the message lists.
  virtual void phaseStarted(const std::string& /*phase*/) {}
  // One engine run: its stage ("ds", "d", "s", "d+s", "simulatie",
  // "trace"), the tube's stem and the run's wall time.
  virtual void engineRunFinished(const std::string& /*stage*/, const std::string& /*stem*/,
                                 double /*seconds*/) {}
};

// A phase begins: the lines appended to `messages` from now on are tagged
// with it, and the observer is told.
inline void beginPhase(Messages& messages, PipelineObserver& observer, const std::string& phase) {
  messages.beginPhase(phase);
  observer.phaseStarted(phase);
}

// The front end's views of a workflow and its pipeline.
struct WorkflowPorts {
  ProgressView& main;
  MessageBox& messageBox;
  EngineView& engineView;
  PostView& postView;
  PipelineObserver& observer;
};

}  // namespace phreatix
