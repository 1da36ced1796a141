// Meteo completeness check: does every coupled meteo file cover the whole
// simulation period, 1 January of the start year to 31 December of the last
// simulated year? Only the first and the last data line of a file are
// judged; gaps inside it are not looked for.
//
// Entry points: meteoFileCovers (one file), checkMeteoCompleteness (every
// row of the coupling overview, with IncompleteMeteo.txt and the message).
#pragma once

#include <string>
#include <vector>

#include "coupling/coupling.h"
#include "report/ports.h"
#include "settings/session_settings.h"

namespace phreatix {

inline constexpr const char* kIncompleteMeteoFile = "IncompleteMeteo.txt";

// True when the meteo file at `path` starts on or before 1 January of
// `startYear` and ends on or after 31 December of `endYear`. The file has a
// head line; every further line begins with day, month and year. Blank lines
// are passed over, so blank lines after the last day do not count as data.
// A file with fewer than two data lines is not covered. Throws an I/O error
// when the file cannot be read and a read error (file and line) when a judged
// line does not begin with three integers.
bool meteoFileCovers(const std::string& path, int startYear, int endYear);
// The same judgement with its reason: "" when covered, otherwise what the
// file lacks ("begint pas op 1-6-1968, na 1-1-1968", "eindigt op
// 31-12-1990, voor 31-12-1998", "heeft minder dan twee dagregels").
std::string meteoCoverageGap(const std::string& path, int startYear, int endYear);

struct CompletenessResult {
  bool complete = true;  // no line in the incomplete list
  // One line per failing overview row, in row order, as in IncompleteMeteo.txt.
  std::vector<std::string> incompleteLines;
  // Per failing row, the tube, its meteo file and why it fails.
  std::vector<std::string> reasons;
};

// Checks the meteo file of every overview row (opened by its bare name in
// `workingDir`) against the simulation period of `settings`: start year S,
// last year S + numberOfYears - 1. A file that cannot be read and a row
// without a meteo file are listed as incomplete. Deletes an old
// IncompleteMeteo.txt; when the list is not empty, writes it there and shows
// the message that tells the user what to do, followed by the reasons. The
// enabling of the main window's buttons is the caller's.
CompletenessResult checkMeteoCompleteness(const CouplingOverview& overview,
                                          const SessionSettings& settings,
                                          const std::string& workingDir, MessageBox& messageBox);

}  // namespace phreatix
