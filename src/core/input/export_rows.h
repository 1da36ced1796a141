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
// one line in mmLOG per tube left out.
class TubeChecker {
 public:
  explicit TubeChecker(Messages& messages) : messages_(messages) {}
  // True with the normalised filter when the tube fits.
  bool accept(std::string_view location, std::string_view rawFilter, std::string& filter);

 private:
  Messages& messages_;
  std::unordered_set<std::string> reported_;
};

}  // namespace phreatix
