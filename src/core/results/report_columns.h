// The columns of the overview of a data set, described once for its three
// forms: overzicht.csv, the attributes of the map layer overzicht.gpkg and the
// table of rapport.html. A column has a field name, a unit, a Dutch heading,
// a type and, for reals, the number of decimals it is written with.
#pragma once

#include <string>
#include <vector>

#include "results/tube_results.h"

namespace phreatix {

struct OverviewColumn {
  enum class Type { kText, kReal, kInteger };
  const char* name;     // field name of the layer, "ghg"
  const char* unit;     // "cm-mv"; "" for a column without one
  const char* heading;  // the report's column heading, without the unit
  Type type;
  int decimals;  // reals only
};

// One tube's value in one column. `known` false is an unknown value: an
// empty CSV field, a null attribute.
struct OverviewValue {
  bool known = false;
  double number = 0;  // reals and integers
  std::string text;   // texts
};

const std::vector<OverviewColumn>& overviewColumns();

// The CSV's column title: the name with its unit, "ghg (cm-mv)".
std::string columnTitle(const OverviewColumn& column);

// The values of one tube, one per column of overviewColumns(). The model's
// parameters are known for a tube with a chosen model ("1s", "2s") only; the
// last calibration of a tube without one is no model.
std::vector<OverviewValue> overviewValues(const TubeResult& tube);

// A value as the CSV and the report write it: reals with the column's
// decimals and a point, integers plain, "" for an unknown value.
std::string overviewText(const OverviewColumn& column, const OverviewValue& value);

// A real with a fixed number of decimals and a point, whatever the locale;
// a value that rounds to zero has no minus sign. "" for NaN or infinity.
std::string decimalText(double x, int decimals);

// "yyyy-mm-dd".
std::string isoDate(const CalendarDate& date);

// True when the tube has a chosen model, whether or not its post-processing
// finished.
bool hasChosenModel(const TubeResult& tube);

// The warnings' texts joined with "; ".
std::string joinedWarnings(const TubeResult& tube);

}  // namespace phreatix
