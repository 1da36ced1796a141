// The run loop: one engine run per row of the coupling overview, on the
// parameter file of the stage the stage flags name (a table of the stages
// gives each its parameter file and run label), copied to zeftal0.par.
// Every run gets its lines in mmBUIS and mmLOG; a parameter file that cannot
// be copied skips the tube with two lines in mmLOG and mmSTOPEXIT. A tube the
// calibration inputs left out (S.nFF) is passed over without a line, and a
// filter other than 01 by the stages after d (which take filter 01 only) with
// one line in mmLOG: "Buis S filter FF: alleen filter 01 gaat door".
#pragma once

#include <functional>
#include <set>
#include <string>

#include "coupling/coupling.h"
#include "engine/engine_run.h"
#include "pipeline/pipeline_ports.h"
#include "session/session.h"

namespace phreatix {

// Runs the stage the session's flags name over every row of the overview.
// With `workers` > 1 that many runs go at once, each worker with its own
// engine and its own zeftal0.par in a scratch directory; the lines reach
// mmBUIS and mmLOG, and the files the working directory, as one run after
// the other leaves them, and the engine window shows the run most recently
// started. `otherFilterTold` holds the tubes ("S FF") whose other filter has
// been told in this pipeline, so that each is told once over its stages;
// without it every stage tells them.
//
// `inProcess`: the tubes whose simulation and trace the program makes itself
// (the extended models): `handles` tells them, `run` makes the stage's files
// and returns false with a message on a failure.
struct InProcessRuns {
  std::function<bool(const std::string& S, const std::string& FF)> handles;
  std::function<bool(const std::string& S, const std::string& FF, bool trace, std::string& message)>
      run;
};

// The `packed` locations (a repair after a crash during the packing) are
// passed over without a line: their archive holds their results.
void runLoop(Session& session, const CouplingOverview& overview, Engine& engine,
             EngineView& engineView, PipelineObserver& observer, int workers = 1,
             std::set<std::string>* otherFilterTold = nullptr,
             const InProcessRuns* inProcess = nullptr,
             const std::set<std::string>* packed = nullptr);

}  // namespace phreatix
