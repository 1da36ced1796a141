// The inputs of a tube's simulation, trace and post-processing, written by
// the model selection for every tube it gives a model:
//
//   S.sim      the coupled meteo file from the simulation start day C on
//              (warm-up included)
//   S.FFs      the calibration measurement file S.FF renumbered from day C
//   S.tFF      parameter file of the simulation (engine mode 2)
//   S.std      parameter file of the deterministic trace (engine mode 1)
//   S.inp      control file of the post-processing
//
// C is 1 January of the start year less the warm-up, but no earlier than
// the meteo file's first day and not before a gap in it that comes after.
#pragma once

#include <string>
#include <vector>

#include "coupling/coupling.h"
#include "files/meteo_days.h"
#include "files/vertex_file.h"
#include "session/session.h"

namespace phreatix {

// The lines of the five files, built before any is written.
struct SimulationInputs {
  std::vector<std::string> sim, measurements, simulation, trace, control;
  // The line for mmLOG when the meteo file gives less warm-up than asked
  // for; "" when it gives all of it.
  std::string warmUpNote;
};

// Reads S.FF, S.met and the coupled meteo file and builds the inputs from
// the chosen vertex. An input error (its text names the tube and ends in
// "geen simulatie.") for a tube that cannot be simulated: no meteo file
// coupled, a simulation period outside the calendar or unknown to kron.txt,
// a meteo file that starts after 1 January of the start year (or has a gap
// up to after it) or ends before the simulation does. A read or I/O error
// naming the file for a file that cannot be read.
SimulationInputs buildSimulationInputs(Session& session, const CouplingOverview& overview,
                                       const DayDates& dates, const std::string& S,
                                       const std::string& FF, const Vertex& vertex);

// Writes them into the working directory; an I/O error for a failed write.
void writeSimulationInputs(const std::string& workingDir, const std::string& S,
                           const std::string& FF, const SimulationInputs& inputs);

}  // namespace phreatix
