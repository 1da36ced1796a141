// Lines that more than one stage writes into the engine's parameter files
// (layout in engine/engine_files.h): line 5, the run line, and line 6, the
// start values; and the stages' and the results' reading of a parameter
// file (the engine reads its own, zeftal0.par, in engine/engine_files).
#pragma once

#include <optional>
#include <string>
#include <vector>

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

// The lines of a parameter file as they stand (a template such as S.q01 that
// a stage fills in, or zeftal0.par for the names of its outputs); an I/O
// error naming the file when it cannot be read.
std::vector<std::string> readParameterFileLines(const std::string& path);
// The same from the file's text (from the directory or a tube's archive).
std::vector<std::string> parameterFileLines(const std::string& text);

// Lines of a parameter file, counted from 1.
inline constexpr int kRunLineNumber = 5;       // mode seed realisations years startyear
inline constexpr int kVarianceLineNumber = 9;  // measurement-error variance
inline constexpr int kWarmUpLineNumber = 11;   // warm-up days

// Number `position` (from 0) of line `lineNumber` (from 1) of a parameter
// file's lines, read free-format (`name` for the error messages); none when
// the file has no such line or the line holds fewer numbers. A token that is
// not a number is a read error naming the file and the line.
std::optional<double> parameterNumber(const std::string& name,
                                      const std::vector<std::string>& lines, int lineNumber,
                                      int position);

}  // namespace phreatix
