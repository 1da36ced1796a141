// The model selection: per tube, among the vertices of the one-step
// calibration (ds, S.a01) and of the three-step route ending in d+s (S.d01),
// the plausible vertex with the smallest objective. It writes the outcome
// into S.sel and S.err and as a values line into modsel.zft (a model chosen)
// or foutbuis.zft (none), and for a chosen model the simulation inputs.
//
// The tubes are those with a calibration measurement file "*.01" in the
// working directory, in the order of its listing.
#pragma once

#include <string>

#include "coupling/coupling.h"
#include "files/meteo_days.h"
#include "session/session.h"
#include "files/vertex_file.h"

namespace phreatix {

inline constexpr const char* kModselName = "modsel.zft";
inline constexpr const char* kFoutbuisName = "foutbuis.zft";

// The plausibility of a vertex: all four comparisons strict.
struct PlausibilityBounds {
  double deltaMin;  // delta > deltaMin
  double phiMin;    // phi > phiMin
  double cMax;      // c < cMax
  double omegaMin;  // omega0 > omegaMin
  bool admit(const Vertex& v) const {
    return v.p[0] > deltaMin && v.p[3] > phiMin && v.p[4] < cMax && v.p[1] > omegaMin;
  }
  // The criteria the vertex fails, with its value and the bound:
  // "omega0 0.73 <= 1.00, c 12.50 >= 0.00"; "" when it is admitted.
  std::string failures(const Vertex& v) const;
};
// The vertices of S.a01 are judged by the session settings; those of the d+s
// calibration always by these fixed bounds.
inline constexpr PlausibilityBounds kRecalibrationBounds = {0.90, 0.5, 0, 1};

// The values line of modsel.zft, foutbuis.zft and S.sel: the stem
// right-aligned in 8, the label ("1s" from S.a01, "2s" from S.d01, "ft" for
// none) and the parameters as on line 6 of a parameter file with sigma2.
std::string valuesLine(const std::string& stem, const std::string& label, const Parameters& p);

// Selects the model of every tube and returns how many got one. A tube that
// fails is left out with its lines in mmLOG: "Bestand <S.01> is leeg!" and
// the detail after it when a vertex file or a simulation input cannot be
// read or the tube cannot be simulated, the error's own text when a file
// cannot be written. Its simulation inputs are removed, so that no stale
// ones run in their place. A failed write of modsel.zft or foutbuis.zft
// raises an I/O error.
int selectModels(Session& session, const CouplingOverview& overview, const DayDates& dates);

}  // namespace phreatix
