#include "files/locations.h"

#include "platform/files.h"
#include "text/parse.h"

namespace phreatix {

std::vector<LocationRow> readLocationRows(const std::string& path) {
  std::vector<LocationRow> out;
  const std::vector<std::string> lines = readLines(path);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::vector<std::string> fields;
    std::string field;
    for (char ch : lines[i]) {
      if (ch == ',') {
        fields.push_back(field);
        field.clear();
      } else if (ch != '"') {
        field += ch;
      }
    }
    fields.push_back(field);
    if (fields.size() < 2 || withoutBlanks(fields[0]).empty()) continue;
    LocationRow loc;
    loc.location = withoutBlanks(fields[0]);
    loc.filter = withoutBlanks(fields[1]);
    double v;
    if (fields.size() > 3 && parseReal(withoutBlanks(fields[2]), v)) loc.x = v;
    if (fields.size() > 3 && parseReal(withoutBlanks(fields[3]), v)) loc.y = v;
    if (!loc.x || !loc.y) loc.x = loc.y = std::nullopt;
    out.push_back(loc);
  }
  return out;
}

}  // namespace phreatix
