// locaties.csv: the coordinates of the tubes, written when a data set is
// opened (input/dino_reader locationLines) so that the map and the report
// can place the tubes once the export is gone, and read back here.
//
//   locatie,filter,x,y        the head line
//   28AL0005,001,141234,456789  one row per tube; x and y in RD New
//                             (EPSG:28992) metres, both empty when unknown
//
// Read as RFC 4180 has it: a field may be quoted ("211350,5" is one field),
// a quote inside doubled, a line end inside quotes part of the field.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace phreatix {

struct LocationRow {
  std::string location, filter;  // as in the export, blanks removed
  std::optional<double> x, y;    // both or neither
};

// The area of RD New (EPSG:28992) in metres: the Netherlands and its
// coastal waters. A coordinate outside it is a damaged row, not a tube.
inline constexpr double kRdMinX = -7000, kRdMaxX = 300000;
inline constexpr double kRdMinY = 289000, kRdMaxY = 629000;

struct LocationRows {
  std::vector<LocationRow> rows;
  // One line per row refused or whose coordinates were, naming the file,
  // the line and why: "locaties.csv:3: x 1e+300 ligt buiten RD New ...".
  std::vector<std::string> refused;
};

// The rows after the head line; an empty line and a row without a location
// are passed over. A row whose quotes are not closed, or with text after a
// closing quote, is refused; so are its coordinates (the row kept without
// them) when x or y is not a number, only one of them is given, or the
// point lies outside kRd*. An I/O error naming the file when it cannot be
// read.
LocationRows readLocationRows(const std::string& path);

}  // namespace phreatix
