// The run loop: one engine run per row of the coupling overview, on the
// parameter file of the stage the stage flags name (a table of the stages
// gives each its parameter file and run label), copied to zeftal0.par.
// Every run gets its lines in mmBUIS and mmLOG; a parameter file that cannot
// be copied skips the tube with two lines in mmLOG and mmSTOPEXIT.
#pragma once

#include <string>

#include "coupling/coupling.h"
#include "engine/engine_run.h"
#include "session/pipeline_ports.h"
#include "session/session.h"

namespace phreatix {

// Runs the stage the session's flags name over every row of the overview.
void runLoop(Session& session, const CouplingOverview& overview, Engine& engine,
             EngineView& engineView, PipelineObserver& observer);

}  // namespace phreatix
