// The files of an extended candidate's calibration, per tube S and filter
// FF: the results S.efFF / S.gfFF and the search S.efsFF / S.gfsFF.
//
// Results: a comment line naming the candidate and the weights, then lines
// of a keyword and its values:
//   metingen <n>                 readings of the calibration
//   doelfunctie <F>              minus twice the log-likelihood, unweighted
//   doelfunctie_gewogen <Fw>     what the search minimised
//   bic <F + k ln n>
//   t95 <days>
//   parameter <name> <value> <standard error or ->   (A n a f phi c sigma2)
// or, for a calibration that failed, "mislukt <reason>". Values are written
// with 17 significant digits, so that the simulation reads back the very
// model the calibration found.
//
// Search: "# evaluatie n a phi doelfunctie", then one line per evaluation.
//
// Entry points: candidateResultsName, candidateSearchName,
// writeCandidateFiles, readCandidateResults.
#pragma once

#include <string>

#include "engine/extended_model.h"

namespace phreatix {

std::string candidateResultsName(const std::string& S, ExtendedShape shape, const std::string& FF);
std::string candidateSearchName(const std::string& S, ExtendedShape shape, const std::string& FF);

// Writes both files of a candidate into `dir`; `weights` names the weights
// in the comment line. An I/O error naming the file when one cannot be
// written.
void writeCandidateFiles(const std::string& dir, const std::string& S, const std::string& FF,
                         const CandidateFit& fit, const std::string& weights);

// The results file read back: ok false with the failure for a failed
// calibration. A read error naming the file and the line for a line that
// cannot be read; an I/O error when the file cannot be read.
CandidateFit readCandidateResults(const std::string& path, ExtendedShape shape);

}  // namespace phreatix
