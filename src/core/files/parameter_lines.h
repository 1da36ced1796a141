// Lines that more than one stage writes into the engine's parameter files
// (layout in engine/engine_files.h): line 5, the run line, and line 6, the
// start values.
#pragma once

#include <string>

#include "engine/engine_files.h"

namespace phreatix {

// The seed of the random-number generator on every run line. Negative, so
// that a run fills the generator's table afresh from it; the same for every
// tube and every run, so that a simulation repeated on the same inputs draws
// the same realisations. Calibrations and traces do not draw, but carry it
// all the same.
inline constexpr int kEngineSeed = -79359;

// Line 5: the mode (0 calibrate, 1 the trace, 2 simulate), the seed, then
// `rest`: realisations, years and start year.
std::string runLine(EngineMode mode, const std::string& rest);

// "delta omega0 0. phi c" followed by `sigmaText`: line 6 of the parameter
// files written from a vertex and the values of a values line, each value
// as its row of the parameter table writes it (the "0." stands for omega1,
// which no stage calibrates); the last, sigma2, is `sigmaText`.
std::string parameterLine(const Parameters& p, const std::string& sigmaText);
// " " + sigma2 as its row writes it (10 wide, 5 decimals): the sigmaText of
// a vertex's own sigma2.
std::string sigma2Text(const Parameters& p);

}  // namespace phreatix
