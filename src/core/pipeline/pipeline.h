// The pipeline of a session: the four calibration stages (ds, d, s, d+s)
// over every tube of the coupling overview, the model selection, the
// simulation, the deterministic trace and the post-processing batch.
//
// Stages exchange nothing but files in the working directory, named after
// the tube's stem S and filter FF. Each stage's writers live in a unit named
// after what they write:
//
//   calibration_inputs   S.FF, S.LOG, S.met, S.pFF / S.qFF   (ds, d)
//   stage_parameters     S.r01, S.s01                        (s, d+s)
//   run_loop             one engine run per tube on the stage's parameter file
//   model_selection      S.sel, S.err, modsel.zft, foutbuis.zft
//   simulation_inputs    S.sim, S.FFs, S.tFF, S.std, S.inp
//
// Entry points: Pipeline::start (the whole pipeline) and
// Pipeline::simulationPhase (also the repair), with the steps as members so
// that each can be run and tested on its own.
#pragma once

#include <map>
#include <mutex>
#include <set>
#include <string>

#include "coupling/coupling.h"
#include "engine/engine_run.h"
#include "files/meteo_days.h"
#include "pipeline/calibration_inputs.h"
#include "pipeline/extended_candidates.h"
#include "pipeline/model_selection.h"
#include "pipeline/pipeline_ports.h"
#include "pipeline/run_loop.h"
#include "postprocessing/karakt.h"
#include "session/session.h"

namespace phreatix {

class Pipeline {
 public:
  // `dataFiles` names the exports in the read errors of the records.
  Pipeline(Session& session, const CouplingOverview& overview, const std::string& dataFiles,
           Engine& engine, Postprocessor& post, const WorkflowPorts& ports);
  // Its parts refer to each other.
  Pipeline(const Pipeline&) = delete;
  Pipeline& operator=(const Pipeline&) = delete;

  // The whole pipeline. Refused, with a message, while the settings give
  // fewer than one simulated year. True when it ran.
  bool start();
  // Model selection, simulation, trace and post-processing batch.
  void simulationPhase();
  // The locations already packed into their archive (a repair after a
  // crash during the packing): the selection takes their model from the
  // archive, the runs pass them over.
  void setPacked(std::set<std::string> packed) { packed_ = std::move(packed); }

  // The steps.
  void writeCalibrationInputs();  // stage ds or d, by the stage flags
  void prepareStochastic();       // s: S.r01 from the best vertex of S.b01
  void prepareRecalibration();    // d+s: S.s01 from the best vertex of S.c01
  void runLoop();
  void selectModels();
  // Tubes the last model selection gave a model (a line in modsel.zft).
  int modelsChosen() const { return modelsChosen_; }

 private:
  void setFlag(bool StageFlags::*flag, bool value);
  // After a stop asked for during the run: the flags cleared, the stop told
  // in mmLOG; true when the pipeline is to end here.
  bool stopped();
  // The line of mmLOG when no tube got a model: where the reasons are.
  std::string noModelVerdict() const;

  Session& session_;
  const CouplingOverview& overview_;
  Engine& engine_;
  EngineView& engineView_;
  Postprocessor& post_;
  PostView& postView_;
  ProgressView& main_;
  MessageBox& messageBox_;
  PipelineObserver& observer_;
  DayDates dates_;
  // The tubes the last selection gave an extended model, and their weather.
  std::map<std::string, ChosenModel> extendedModels_;
  WeatherCache weather_;
  std::mutex weatherMutex_;  // the workers of the run loop share the cache
  InProcessRuns inProcessRuns_;
  CalibrationInputs calibrationInputs_;
  // The tubes whose filter other than 01 the run loop has told about.
  std::set<std::string> otherFilterTold_;
  std::set<std::string> packed_;
  int modelsChosen_ = 0;
};

}  // namespace phreatix
