// The layouts of today's DINOloket exports, one CSV file per tube:
// - since about 2015: "Titel:,,," header lines with values in the second
//   field, a metadata block titled "Locatie,Filternummer,...,Startdatum,
//   Einddatum,..." with dates dd-mm-yyyy, and a measurement block titled
//   "Locatie,Filternummer,Peildatum,Stand (cm t.o.v. MP),Stand (cm t.o.v.
//   MV),Stand (cm t.o.v. NAP),Bijzonderheid,Opmerking";
// - since 2024: the same with every field in double quotes, separator lines
//   of commas only, no "Titel" line, and "t.o.v NAP" for "t.o.v. NAP".
// An export may lack the metadata block: then every tube (location and
// filter, in the order they first appear) is one period over the whole
// calendar, and without coordinates no relocation can be found; mmLOG says so
// once per file.
// Columns are found by title (case, blanks and dots aside). Levels come from
// "Stand (cm t.o.v. MV)", in cm below surface level as the internal tube file
// keeps them; a file without that column can only be read relative to NAP.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "input/export_rows.h"
#include "report/messages.h"

namespace phreatix {

// True when the export has a DINOloket measurement title line (first field
// "Locatie", a field "Peildatum"). Checked before the older layout, whose
// recognition by "TITEL" in the first line the 2015 layout also passes.
bool isDinoloketExport(const std::vector<std::string>& lines);

// Splits a CSV line with optional double quotes around fields ("" inside
// quotes is one quote); fields are trimmed of blanks. False when a quoted
// field is left open or text follows its closing quote.
bool splitCsvLine(std::string_view line, std::vector<std::string>& fields, char separator = ',');

// A DINOloket export saved again by a spreadsheet under a Dutch locale
// (Excel's "CSV (gescheiden door lijstscheidingsteken)"): ";" between the
// fields, quotes only where a field needs them, decimal commas ("211350,5"),
// days without leading zeros ("4-6-1990"). True when a line split at ";" is
// the measurement title (checked when isDinoloketExport is not).
bool isResavedDinoloketExport(const std::vector<std::string>& lines);
// The lines of such an export as DINOloket writes them, line for line (so
// that messages name the lines of the file itself): fields split at ";" and
// joined with ",", a field holding a comma or a quote in quotes, a number
// with a decimal comma given a point, a day given its leading zeros
// ("04-06-1990"). A quoted field left open refuses the file naming its line.
std::vector<std::string> dinoloketLinesOfResave(const std::vector<std::string>& lines,
                                                const std::string& sourcePath);

// Reads header values, metadata periods and measurements. Refuses the file
// (an input error naming file, line and what is wrong) for a missing title
// or column, a quoted field left open, a date that does not exist, or an
// export without metadata that holds no readings either.
ExportContent readDinoloketLayout(const std::vector<std::string>& lines,
                                  const std::string& sourcePath, Messages& messages);

}  // namespace phreatix
