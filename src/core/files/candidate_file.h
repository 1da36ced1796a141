// The files of an extended candidate's calibration, per tube S and filter
// FF: the results S.<label>FF and the search S.<label>sFF, the label the
// shape's (ef, gf) followed by a letter per component (t trend, p step, x
// stress): S.gf01 and S.gfs01, S.gft01 and S.gfts01.
//
// Results: a comment line naming the candidate and the weights, then lines
// of a keyword and its values:
//   metingen <n>                 readings of the calibration
//   doelfunctie <F>              minus twice the log-likelihood, unweighted
//   doelfunctie_gewogen <Fw>     what the search minimised
//   bic <F + k ln n>
//   t95 <days>
//   parameter <name> <value> <standard error or ->   (A n a f phi c sigma2)
//   component trend start <day> eind <day> helling <cm/year> se <se|->
//             [van <yyyy-mm-dd> tot <yyyy-mm-dd>]
//   component stap dag <day> sprong <cm> se <se|-> [op <yyyy-mm-dd>]
//   component stress n <n> a <days> versterking <cm per unit> se <se|->
//             se_a <se|->
// (days are indices of the meteo file's weather, its first day 0; the dates
// are for the reader).
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
#include <vector>

#include "engine/extended_model.h"
#include "input/calendar.h"

namespace phreatix {

std::string candidateResultsName(const std::string& S, ExtendedShape shape, const std::string& FF);
std::string candidateSearchName(const std::string& S, ExtendedShape shape, const std::string& FF);
std::string candidateResultsName(const std::string& S, const std::string& label,
                                 const std::string& FF);
std::string candidateSearchName(const std::string& S, const std::string& label,
                                const std::string& FF);

// The label of a model: its shape's and a letter per component, in order.
std::string candidateLabel(const ExtendedModel& m);
// The shape and the component kinds of a label; false for a label that is
// not one of an extended candidate.
bool parseCandidateLabel(const std::string& label, ExtendedShape& shape,
                         std::vector<ComponentKind>& kinds);

// The component sets a candidate may carry, as label suffixes, in the order
// they are calibrated: "", "t", "p", "x", "tx", "px".
inline constexpr const char* kComponentSuffixes[] = {"", "t", "p", "x", "tx", "px"};
// Every label a candidate may have: ef and gf with each suffix.
std::vector<std::string> allCandidateLabels();

// Writes both files of a candidate into `dir`; `weights` names the weights
// in the comment line, `weatherFirst` (may be null) the date of day 0 for
// the components' dates. An I/O error naming the file when one cannot be
// written.
void writeCandidateFiles(const std::string& dir, const std::string& S, const std::string& FF,
                         const CandidateFit& fit, const std::string& weights,
                         const CalendarDate* weatherFirst = nullptr);

// The results file read back: ok false with the failure for a failed
// calibration. A read error naming the file and the line for a line that
// cannot be read; an I/O error when the file cannot be read.
CandidateFit readCandidateResults(const std::string& path, ExtendedShape shape);

}  // namespace phreatix
