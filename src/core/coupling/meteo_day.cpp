#include "coupling/meteo_day.h"

#include "text/parse.h"

namespace phreatix {

bool parseMeteoDay(std::string_view line, MeteoDay& out) {
  std::size_t pos = 0;
  int values[3];
  for (int& v : values) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    std::size_t end = pos;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    if (end == pos || !parseInt(line.substr(pos, end - pos), v)) return false;
    pos = end;
  }
  out.day = values[0];
  out.month = values[1];
  out.year = values[2];
  out.rest = std::string(line.substr(pos));
  return true;
}

}  // namespace phreatix
