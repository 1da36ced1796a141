// Stress files: the daily series of an extra stress on a tube under Model:
// uitgebreid (a pumping station's abstraction, a river's stage), named in the
// third field of a coupling line or chosen in the coupling overview.
//
//   # soort=<kind> eenheid=<unit> [vullen=lineair|vorige]
//   datum,waarde
//   yyyy-mm-dd,value          one line per day, dates strictly ascending
//
// docs/formats/stress-file.md gives the layout, the kinds and their units and
// every refusal. Entry points: readStressFile, checkStressCovers,
// chooseStressFile (the overview's "Kies stressbestand") and
// stressCouplingRefusals (the check before a calibration).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "coupling/coupling.h"
#include "input/calendar.h"
#include "settings/session_settings.h"

namespace phreatix {

// A stress file read whole: one value per day from `first` to `last`, the
// days the file left out filled as its head line says.
struct StressSeries {
  std::string path;
  std::string kind;  // onttrekking, oppervlaktewater, rivier or anders
  std::string unit;  // m3/dag for onttrekking, m for oppervlaktewater and rivier
  CalendarDate first;
  CalendarDate last;
  std::vector<double> values;  // one per day from first to last
  int filledDays = 0;          // days not in the file, filled
  std::string fill;            // "lineair", "vorige", or "" when the head gives none
};

// Reads and checks a stress file. Line ends LF, CR LF or CR; blank lines at the
// end are passed over. A file that does not follow the layout raises an
// input error "<path>:<line>: <what>" (the texts are listed in
// docs/formats/stress-file.md); an unreadable file an I/O error naming it.
StressSeries readStressFile(const std::string& path);

// Raises an input error naming the file, the period it must cover and its
// own period when the series does not hold every day of from..to (both
// days included).
void checkStressCovers(const StressSeries& series, const CalendarDate& from,
                       const CalendarDate& to);

// "yyyy-mm-dd", the way stress files write their dates.
std::string formatIsoDate(const CalendarDate& date);
// A date written so, read back: raises the input error "<path>:<line>: datum
// "<text>" is geen jjjj-mm-dd" for another form and "... bestaat niet" for a
// day the calendar lacks (2010-02-30, year 0). `lineIndex` is 0-based.
CalendarDate readIsoDate(const std::string& path, std::size_t lineIndex, std::string_view text);

// "Kies stressbestand" in the coupling overview: the stress file at
// `chosenPath` for the overview rows at `rows` (0-based). The run opens a
// stress file from the working directory, so the file chosen must be the one
// of its name there, and readStressFile must take it; otherwise an input
// error naming it, and no row changes. An empty `chosenPath` takes the stress
// file off the rows. The rows get the bare name and no coupling-file line.
void chooseStressFile(CouplingOverview& overview, const std::vector<int>& rows,
                      const std::string& chosenPath, const std::string& workingDir);

// The stress files of a coupling, checked before a calibration. Under
// standaard every row that has one is refused: "<couplingfile>:<line>: buis
// <code>: een derde veld (stressbestand <name>) kan alleen met Model:
// uitgebreid", or for a file chosen in the overview "buis <entry>:
// stressbestand <name> kan alleen met Model: uitgebreid". Under uitgebreid
// every stress file named is read from `workingDir` with readStressFile, each
// once, and each refusal is its error text. The refusals in row order;
// empty when the calibration may start.
std::vector<std::string> stressCouplingRefusals(const CouplingOverview& overview, ModelFamily model,
                                                const std::string& workingDir);
// The first line of the message that lists the refusals.
inline constexpr const char* kStressRefusalHeading =
    "De berekening is niet gestart: de koppeling noemt stressbestanden die niet te gebruiken "
    "zijn.";

}  // namespace phreatix
