// A day line of a meteo file: day, month and year as its first three
// integers (blank- or tab-separated), then the day's values.
#pragma once

#include <string>
#include <string_view>

namespace phreatix {

struct MeteoDay {
  int day = 0, month = 0, year = 0;
  std::string rest;  // the text after the year, as it stands
};

// False when the line does not begin with three integers.
bool parseMeteoDay(std::string_view line, MeteoDay& out);

}  // namespace phreatix
