// What a repair finds in a working directory after a crash: the tubes that
// were already packed into their archive S.zip (taken as they are), and the
// tubes whose calibrations did not finish (the repair refuses to select a
// model from them).
//
// Entry points: packedTubes, removePackedLeftovers, unfinishedCalibrations.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "coupling/coupling.h"
#include "report/messages.h"
#include "settings/session_settings.h"

namespace phreatix {

// The locations of the overview that were packed: S.zip is there and the
// packing's key file S.met is not. The archiver (zip -m) removes a tube's
// files only once its archive is complete, so such an archive holds every
// file the tube had.
std::set<std::string> packedTubes(const std::string& dir, const CouplingOverview& overview);

// A crash while the archiver was removing a packed tube's files leaves some
// of them beside its archive. Of every packed tube, each loose S.* file that
// its archive holds with the same content is removed, as the archiver would
// have done, with one line in mmLOG per tube; a loose file that differs
// from its member, or that the archive lacks, stays.
void removePackedLeftovers(const std::string& dir, const std::set<std::string>& packed,
                           Messages& messages);

// Per tube whose model the selection would choose from calibrations that did
// not finish, one line naming the tube, the calibration (ds, d, s, d+s) and
// what shows it: its results file (S.a01, S.b01, S.c01, S.d01) or its
// parameter file missing, a results file with fewer vertices than its
// simplex has (the run was cut short), or a file older than the one it was
// made after (left from an earlier run). Of every filter-01 tube of the
// overview that the calibration took (S.01 there, no S.n01) and that is not
// packed, all four calibrations are judged, s and d+s only where the stage
// before gave them a vertex to start from; under the model "uitgebreid"
// the ds calibration of the other filters too. Empty when every stage
// finished.
std::vector<std::string> unfinishedCalibrations(const std::string& dir,
                                                const CouplingOverview& overview, ModelFamily model,
                                                const std::set<std::string>& packed);

}  // namespace phreatix
