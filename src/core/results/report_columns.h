// The columns of the overview of a data set, described once for its forms:
// overzicht.csv, the attributes of the map layer overzicht.gpkg, the table of
// rapport.html and the table of the results window (and the CSV it saves). A
// column has a field name, a unit, a Dutch heading, a type, its value for a
// tube and, for reals, the number of decimals it is written with; a column
// the window shows has its title, tip and decimals there too. The files keep
// the order of overviewColumns(); the window has an order of its own
// (screenColumns()).
#pragma once

#include <string>
#include <vector>

#include "results/tube_results.h"

namespace phreatix {

// One tube's value in one column. `known` false is an unknown value: an
// empty CSV field, a null attribute, an empty cell.
struct OverviewValue {
  bool known = false;
  double number = 0;  // reals and integers
  std::string text;   // texts
};

struct OverviewColumn {
  enum class Type { kText, kReal, kInteger };
  using Value = OverviewValue (*)(const TubeResult& tube);
  const char* name;     // field name of the layer, "ghg"
  const char* unit;     // "cm-mv"; "" for a column without one
  const char* heading;  // the report's column heading, without the unit
  Type type;
  int decimals;  // reals only
  Value value;   // the tube's value in the files
  // In the results window; a column without a screen title is not shown.
  const char* screenTitle = "";  // "GHG (cm-mv)"
  const char* screenTip = "";    // what the header explains on hovering
  int screenDecimals = 0;        // reals only
  Value screenValue = nullptr;   // what the window shows, when not `value`
};

// In the order of the files. A data set of the extended family has four
// more after "bic": componenten, component_parameters, bijdrage_einde and
// situatie; the standard family's are the same as ever.
const std::vector<OverviewColumn>& overviewColumns(bool extendedFamily);

// The columns the results window shows, left to right.
const std::vector<const OverviewColumn*>& screenColumns();

// The CSV's column title: the name with its unit, "ghg (cm-mv)".
std::string columnTitle(const OverviewColumn& column);

// The values of one tube, one per column of overviewColumns(extendedFamily).
// The model's parameters are known for a tube with a chosen model only
// ("1s", "2s", and of the extended family "ef" and "gf", with or without
// components, which have no delta and omega0); the last calibration of a
// tube without one is no model.
std::vector<OverviewValue> overviewValues(const TubeResult& tube, bool extendedFamily);

// A value as the CSV and the report write it: reals with the column's
// decimals and a point, integers plain, "" for an unknown value.
std::string overviewText(const OverviewColumn& column, const OverviewValue& value);

// A tube's value in a column of the window, and its text there: reals with
// the column's screen decimals, otherwise as overviewText.
OverviewValue screenValue(const OverviewColumn& column, const TubeResult& tube);
std::string screenText(const OverviewColumn& column, const OverviewValue& value);

// A real with a fixed number of decimals and a point, whatever the locale;
// a value that rounds to zero has no minus sign. "" for NaN or infinity.
std::string decimalText(double x, int decimals);

// "yyyy-mm-dd".
std::string isoDate(const CalendarDate& date);

// True when the tube has a chosen model (1s, 2s, ef, gf, the last two with
// or without components), whether or not its post-processing finished.
bool hasChosenModel(const TubeResult& tube);

// The warnings' texts joined with "; ".
std::string joinedWarnings(const TubeResult& tube);

// What the user must read before quoting a tube's figures: the warnings
// other than the missing model, which is the reason in a column of its own.
std::vector<std::string> screenWarnings(const TubeResult& tube);

// The name the window gives a tube: its location, or its stem without one.
std::string screenTubeName(const TubeResult& tube);

}  // namespace phreatix
