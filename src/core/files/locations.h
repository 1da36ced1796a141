// locaties.csv: the coordinates of the tubes, written when a data set is
// opened (input/dino_reader locationLines) so that the map and the report
// can place the tubes once the export is gone, and read back here.
//
//   locatie,filter,x,y        the head line
//   28AL0005,001,141234,456789  one row per tube; x and y in RD New
//                             (EPSG:28992) metres, both empty when unknown
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace phreatix {

struct LocationRow {
  std::string location, filter;  // as in the export, blanks removed
  std::optional<double> x, y;    // both or neither
};

// The rows after the head line. Quotes are dropped; a row without a
// location is passed over, and x and y are left out unless both read as
// numbers. An I/O error naming the file when it cannot be read.
std::vector<LocationRow> readLocationRows(const std::string& path);

}  // namespace phreatix
