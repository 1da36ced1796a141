#include "files/locations.h"

#include <string_view>

#include "platform/files.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

namespace {

// One record of the file: its fields, and the line (from 1) it starts on.
struct Record {
  std::vector<std::string> fields;
  std::size_t line = 0;
  std::string fault;  // why the record cannot be read; empty when it can
};

// Splits the text into RFC 4180 records. A CR before a line end is part of
// the line end; inside quotes a line end belongs to the field.
std::vector<Record> records(std::string_view text) {
  std::vector<Record> out;
  std::size_t line = 1;
  std::size_t i = 0;
  while (i < text.size()) {
    Record record;
    record.line = line;
    std::string field;
    bool done = false;
    while (!done) {
      if (i < text.size() && text[i] == '"') {
        // A quoted field, up to the quote that is not doubled.
        ++i;
        bool closed = false;
        while (i < text.size()) {
          const char ch = text[i++];
          if (ch == '"') {
            if (i < text.size() && text[i] == '"') {
              field += '"';
              ++i;
              continue;
            }
            closed = true;
            break;
          }
          if (ch == '\n') ++line;
          field += ch;
        }
        if (!closed && record.fault.empty()) record.fault = "aanhalingsteken niet gesloten";
        if (closed && i < text.size() && text[i] != ',' && text[i] != '\n' && text[i] != '\r' &&
            record.fault.empty()) {
          record.fault = "tekst na het sluitende aanhalingsteken";
        }
      }
      // The rest of an unquoted field (or what follows a closing quote).
      while (i < text.size() && text[i] != ',' && text[i] != '\n') {
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] == '\n')) {
          ++i;
          continue;
        }
        field += text[i++];
      }
      record.fields.push_back(std::move(field));
      field.clear();
      if (i < text.size() && text[i] == ',') {
        ++i;
      } else {
        if (i < text.size()) ++i;  // the LF
        ++line;
        done = true;
      }
    }
    out.push_back(std::move(record));
  }
  return out;
}

}  // namespace

LocationRows readLocationRows(const std::string& path) {
  LocationRows out;
  const std::vector<Record> all = records(readFileText(path));
  for (std::size_t r = 1; r < all.size(); ++r) {
    const Record& record = all[r];
    const std::vector<std::string>& fields = record.fields;
    const std::string where = path + ":" + formatInt(static_cast<long long>(record.line)) + ": ";
    if (!record.fault.empty()) {
      out.refused.push_back(where + record.fault + "; regel overgeslagen");
      continue;
    }
    if (fields.size() < 2 || withoutBlanks(fields[0]).empty()) continue;
    LocationRow loc;
    loc.location = withoutBlanks(fields[0]);
    loc.filter = withoutBlanks(fields[1]);
    const std::string x = fields.size() > 2 ? withoutBlanks(fields[2]) : std::string();
    const std::string y = fields.size() > 3 ? withoutBlanks(fields[3]) : std::string();
    if (!x.empty() || !y.empty()) {
      double vx = 0, vy = 0;
      std::string fault;
      if (x.empty() || y.empty()) {
        fault = std::string("alleen ") + (x.empty() ? "y" : "x") + " gegeven";
      } else if (!parseReal(x, vx)) {
        fault = "x " + quoted(x) + " is geen getal";
      } else if (!parseReal(y, vy)) {
        fault = "y " + quoted(y) + " is geen getal";
      } else if (!(vx >= kRdMinX && vx <= kRdMaxX && vy >= kRdMinY && vy <= kRdMaxY)) {
        fault = "x " + shortestReal(vx) + ", y " + shortestReal(vy) +
                " ligt buiten RD New (EPSG:28992) in Nederland (x " + shortestReal(kRdMinX) + ".." +
                shortestReal(kRdMaxX) + ", y " + shortestReal(kRdMinY) + ".." +
                shortestReal(kRdMaxY) + " m)";
      }
      if (fault.empty()) {
        loc.x = vx;
        loc.y = vy;
      } else {
        out.refused.push_back(where + fault + "; " + loc.location + " zonder coördinaten");
      }
    }
    out.rows.push_back(std::move(loc));
  }
  return out;
}

}  // namespace phreatix
