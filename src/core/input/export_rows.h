// The rows of a DINO export as both layouts' readers hand them to the one
// conversion into the internal tube file: metadata periods and measurements,
// each with its 0-based line in the export for messages.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "input/dino_reader.h"
#include "report/messages.h"

namespace phreatix {

struct MetaRow {
  std::size_t line = 0;
  TubePeriod period;
  std::string x;  // coordinates as written, read only by the relocation check
  std::string y;
};

struct MeasRow {
  std::size_t line = 0;
  CalendarDate date;
  std::string level;  // cm below surface level as written; empty = missing
  std::string remark;
  bool used = false;
};

struct ExportContent {
  std::string user;
  std::string date;
  std::string reference;  // "NAP" when the levels are relative to NAP
  std::vector<MetaRow> meta;
  // Measurement rows by tube (location + normalised filter), in file order.
  std::unordered_map<std::string, std::vector<MeasRow>> meas;
};

// Keeps out the tubes the internal tube file cannot hold: a location code of
// other than 8 characters, or a filter that does not normalise to 2 digits;
// one line in mmLOG per tube left out. A code of 8 characters that the
// file names cannot carry (isSafeLocationCode) refuses the file, naming its
// line and the code: left out, its readings would be lost without the user
// knowing why; kept, its tube would never be calibrated.
class TubeChecker {
 public:
  TubeChecker(Messages& messages, const std::string& sourcePath)
      : messages_(messages), path_(sourcePath) {}
  // True with the normalised filter when the tube fits; `line` (0-based) is
  // the export's line the tube is read from.
  bool accept(std::string_view location, std::string_view rawFilter, std::string& filter,
              std::size_t line);

 private:
  Messages& messages_;
  const std::string& path_;
  std::unordered_set<std::string> reported_;
};

}  // namespace phreatix
