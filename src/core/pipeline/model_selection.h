// The model selection: per tube, among the vertices of the one-step
// calibration (ds, S.a01) and of the three-step route ending in d+s (S.d01),
// the plausible vertex with the smallest objective. It writes the outcome
// into S.sel and S.err and as a values line into modsel.zft (a model chosen)
// or foutbuis.zft (none), and for a chosen model the simulation inputs.
//
// The tubes are those with a calibration measurement file "*.01" in the
// working directory (or, packed, in their archive), in the order of its
// listing.
#pragma once

#include <map>
#include <set>
#include <string>

#include "coupling/coupling.h"
#include "files/meteo_days.h"
#include "files/values_lines.h"
#include "files/vertex_file.h"
#include "pipeline/extended_candidates.h"
#include "session/session.h"

namespace phreatix {

// Selects the model of every tube and returns how many got one. A tube that
// fails is left out with its lines in mmLOG: "Bestand <S.01> is leeg!" and
// the detail after it when a vertex file or a simulation input cannot be
// read or the tube cannot be simulated, the error's own text when a file
// cannot be written. Its simulation inputs are removed, so that no stale
// ones run in their place. A failed write of modsel.zft or foutbuis.zft
// raises an I/O error.
// Under the model "uitgebreid" the tubes whose chosen model is extended go
// into `inProcess`, with their model, for the simulation and the trace. The
// meteo files are read through `weather` (a cache of its own when none).
// The `packed` tubes (a repair after a crash during the packing) keep the
// model their archive S.zip holds: their values line is read back from its
// S.sel (or S.err), in its place among the others, and nothing of them is
// written or removed.
int selectModels(Session& session, const CouplingOverview& overview, const DayDates& dates,
                 std::map<std::string, ChosenModel>* inProcess = nullptr,
                 WeatherCache* weather = nullptr, const std::set<std::string>* packed = nullptr);

}  // namespace phreatix
