// The parameter files of the s and d+s calibrations. Each is the d stage's
// S.q01 with the output names, start values and calibration flags of its
// stage, the start values taken from the best vertex of the stage before:
//
//   s    S.r01 from S.b01 (d):  phi and sigma2 calibrated, the others fixed
//   d+s  S.s01 from S.c01 (s):  all but omega1 calibrated again
//
// Both work on every vertex file of their kind in the working directory. A
// tube whose vertex file has no best vertex, or whose file cannot be made,
// gets no parameter file (a stale one is removed), so that its run reports
// the failed copy.
#pragma once

#include "report/messages.h"

namespace phreatix {

// s: S.r01 for every S.b01. A vertex file that cannot be read gives
// "Bestand <name> is leeg!" in mmLOG with the reader's detail after it; any
// other failure (the template S.q01, a failed write) its own text.
void prepareStochastic(const std::string& workingDir, Messages& messages);
// d+s: S.s01 for every S.c01, reported alike.
void prepareRecalibration(const std::string& workingDir, Messages& messages);

}  // namespace phreatix
