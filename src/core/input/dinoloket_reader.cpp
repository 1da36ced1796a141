#include "input/dinoloket_reader.h"

#include <algorithm>

#include "error.h"
#include "input/calendar.h"
#include "input/tube_file.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

namespace {

// A title as compared: lower case, without blanks and dots ("Stand (cm
// t.o.v NAP)" and "Stand (cm t.o.v. NAP)" are one title).
std::string titleKey(std::string_view title) {
  std::string key;
  for (char c : title) {
    if (c == ' ' || c == '.' || c == '"') continue;
    key += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return key;
}

// Fields for recognition only: a line that does not split is no title.
std::vector<std::string> looseFields(std::string_view line) {
  std::vector<std::string> fields;
  if (!splitCsvLine(line, fields)) fields.clear();
  return fields;
}

int columnOf(const std::vector<std::string>& titles, std::string_view title) {
  const std::string key = titleKey(title);
  for (std::size_t i = 0; i < titles.size(); ++i) {
    if (titleKey(titles[i]) == key) return static_cast<int>(i);
  }
  return -1;
}

bool isMeasurementTitle(const std::vector<std::string>& fields) {
  return !fields.empty() && titleKey(fields[0]) == "locatie" && columnOf(fields, "Peildatum") >= 0;
}

bool isMetadataTitle(const std::vector<std::string>& fields) {
  return !fields.empty() && titleKey(fields[0]) == "locatie" && columnOf(fields, "Startdatum") >= 0;
}

// A blank line or a separator line of commas only.
bool isSeparator(std::string_view line) {
  return line.find_first_not_of(" \t,\"") == std::string_view::npos;
}

class Rows {
 public:
  Rows(const std::vector<std::string>& lines, const std::string& sourcePath)
      : lines_(lines), path_(sourcePath) {}

  const std::vector<std::string>& fields(std::size_t i) {
    if (!splitCsvLine(lines_[i], fields_)) {
      refuseLine(path_, i, "een veld tussen aanhalingstekens is niet afgesloten");
    }
    return fields_;
  }

 private:
  const std::vector<std::string>& lines_;
  const std::string& path_;
  std::vector<std::string> fields_;
};

int requireColumn(const std::vector<std::string>& titles, std::string_view title, std::size_t line,
                  const std::string& sourcePath) {
  int column = columnOf(titles, title);
  if (column < 0) refuseLine(sourcePath, line, "de kolom " + quoted(title) + " ontbreekt");
  return column;
}

std::string fieldAt(const std::vector<std::string>& fields, int column) {
  return column >= 0 && static_cast<std::size_t>(column) < fields.size() ? fields[column]
                                                                         : std::string();
}

// "dd-mm-yyyy", optionally followed by a time; must be a real date.
CalendarDate readDay(const std::string& text, std::size_t line, std::string_view title,
                     const std::string& sourcePath) {
  CalendarDate d;
  const bool parsed = text.size() >= 10 && text[2] == '-' && text[5] == '-' &&
                      parseInt(std::string_view(text).substr(0, 2), d.day) &&
                      parseInt(std::string_view(text).substr(3, 2), d.month) &&
                      parseInt(std::string_view(text).substr(6, 4), d.year) &&
                      (text.size() == 10 || text[10] == ' ');
  if (!parsed) {
    refuseLine(sourcePath, line,
               std::string(title) + " " + quoted(text) + " is geen datum (dd-mm-jjjj)");
  }
  if (d.year < 1000 || d.month < 1 || d.month > 12 || d.day < 1 ||
      d.day > daysInMonth(d.month, d.year)) {
    refuseLine(sourcePath, line, std::string(title) + " " + quoted(text) + " bestaat niet");
  }
  return d;
}

// The value of a header line "Key:,value": the first line whose first field
// begins with the key; "" when there is none.
std::string headerValue(const std::vector<std::string>& lines, std::size_t end,
                        std::string_view key) {
  for (std::size_t i = 0; i < end; ++i) {
    std::vector<std::string> fields = looseFields(lines[i]);
    if (!fields.empty() && titleKey(fields[0]).rfind(titleKey(key), 0) == 0) {
      return fields.size() > 1 ? withoutBlanks(fields[1]) : std::string();
    }
  }
  return {};
}

// The metadata block: one row per tube period, from its title line up to a
// separator line or the measurement title.
void readMetadata(const std::vector<std::string>& lines, Rows& rows, std::size_t metaTitle,
                  std::size_t measTitle, const std::string& sourcePath, TubeChecker& checker,
                  ExportContent& content) {
  const std::vector<std::string> metaTitles = rows.fields(metaTitle);
  const int colLocation = requireColumn(metaTitles, "Locatie", metaTitle, sourcePath);
  const int colFilter = requireColumn(metaTitles, "Filternummer", metaTitle, sourcePath);
  const int colX = requireColumn(metaTitles, "X-coordinaat", metaTitle, sourcePath);
  const int colY = requireColumn(metaTitles, "Y-coordinaat", metaTitle, sourcePath);
  const int colStart = requireColumn(metaTitles, "Startdatum", metaTitle, sourcePath);
  const int colEnd = requireColumn(metaTitles, "Einddatum", metaTitle, sourcePath);
  for (std::size_t i = metaTitle + 1; i < measTitle && !isSeparator(lines[i]); ++i) {
    const std::vector<std::string>& f = rows.fields(i);
    const std::string location = fieldAt(f, colLocation);
    const std::string rawFilter = fieldAt(f, colFilter);
    std::string filter;
    if (!checker.accept(location, rawFilter, filter, i)) continue;
    MetaRow row;
    row.line = i;
    row.period.location = location;
    row.period.filter = std::move(filter);
    row.period.start = readDay(fieldAt(f, colStart), i, "Startdatum", sourcePath);
    const std::string end = fieldAt(f, colEnd);
    row.period.end = end.empty() ? kOpenEndDate : readDay(end, i, "Einddatum", sourcePath);
    row.x = fieldAt(f, colX);
    row.y = fieldAt(f, colY);
    content.meta.push_back(std::move(row));
  }
}

}  // namespace

bool splitCsvLine(std::string_view line, std::vector<std::string>& fields, char separator) {
  fields.clear();
  std::size_t i = 0;
  const std::size_t n = line.size();
  while (true) {
    std::string field;
    while (i < n && line[i] == ' ') ++i;
    if (i < n && line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < n) {
        if (line[i] == '"') {
          if (i + 1 < n && line[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          closed = true;
          ++i;
          break;
        }
        field += line[i++];
      }
      if (!closed) return false;
      while (i < n && line[i] == ' ') ++i;
      if (i < n && line[i] != separator) return false;
    } else {
      while (i < n && line[i] != separator) field += line[i++];
      while (!field.empty() && field.back() == ' ') field.pop_back();
    }
    fields.push_back(std::move(field));
    if (i >= n) return true;
    ++i;  // the separator
  }
}

namespace {

// A cheap first look: a title line of either layout starts with "Locatie"
// or "\"Locatie".
bool startsWithLocatie(std::string_view line) {
  if (!line.empty() && line[0] == '"') line.remove_prefix(1);
  return line.size() >= 7 && (line[0] == 'L' || line[0] == 'l') &&
         titleKey(line.substr(0, 7)) == "locatie";
}

}  // namespace

bool isDinoloketExport(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    if (startsWithLocatie(line) && isMeasurementTitle(looseFields(line))) return true;
  }
  return false;
}

bool isResavedDinoloketExport(const std::vector<std::string>& lines) {
  std::vector<std::string> fields;
  for (const std::string& line : lines) {
    if (startsWithLocatie(line) && splitCsvLine(line, fields, ';') && isMeasurementTitle(fields)) {
      return true;
    }
  }
  return false;
}

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "12,5" or "-0,25": a number with a decimal comma.
bool hasDecimalComma(std::string_view field) {
  if (!field.empty() && (field[0] == '-' || field[0] == '+')) field.remove_prefix(1);
  const std::size_t comma = field.find(',');
  if (comma == std::string_view::npos || comma == 0 || comma + 1 == field.size()) return false;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (i != comma && !isDigit(field[i])) return false;
  }
  return true;
}

// A day as a spreadsheet writes it back: "4-6-1990" (with or without a
// time after a blank), the day and month without their leading zeros; true
// with "04-06-1990" in `day`.
bool paddedDay(const std::string& field, std::string& day) {
  const std::size_t first = field.find('-');
  if (first == std::string::npos || first == 0 || first > 2) return false;
  const std::size_t second = field.find('-', first + 1);
  if (second == std::string::npos || second == first + 1 || second - first - 1 > 2) return false;
  const std::size_t end = std::min(field.find(' ', second), field.size());
  if (end - second - 1 != 4) return false;
  for (std::size_t i = 0; i < end; ++i) {
    if (i != first && i != second && !isDigit(field[i])) return false;
  }
  day = (first == 1 ? "0" : "") + field.substr(0, first + 1) + (second - first == 2 ? "0" : "") +
        field.substr(first + 1);
  return true;
}

}  // namespace

std::vector<std::string> dinoloketLinesOfResave(const std::vector<std::string>& lines,
                                                const std::string& sourcePath) {
  std::vector<std::string> result;
  result.reserve(lines.size());
  std::vector<std::string> fields;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!splitCsvLine(lines[i], fields, ';')) {
      refuseLine(sourcePath, i, "een veld tussen aanhalingstekens is niet afgesloten");
    }
    std::string line;
    for (std::size_t k = 0; k < fields.size(); ++k) {
      std::string& field = fields[k];
      std::string day;
      if (hasDecimalComma(field)) {
        field[field.find(',')] = '.';
      } else if (paddedDay(field, day)) {
        field = std::move(day);
      }
      if (k > 0) line += ',';
      if (field.find_first_of(",\"") == std::string::npos) {
        line += field;
        continue;
      }
      line += '"';
      for (char c : field) line += c == '"' ? std::string("\"\"") : std::string(1, c);
      line += '"';
    }
    result.push_back(std::move(line));
  }
  return result;
}

ExportContent readDinoloketLayout(const std::vector<std::string>& lines,
                                  const std::string& sourcePath, Messages& messages) {
  Rows rows(lines, sourcePath);
  const std::size_t n = lines.size();
  std::size_t metaTitle = n, measTitle = n;
  for (std::size_t i = 0; i < n && measTitle == n; ++i) {
    if (!startsWithLocatie(lines[i])) continue;
    std::vector<std::string> fields = looseFields(lines[i]);
    if (metaTitle == n && isMetadataTitle(fields)) metaTitle = i;
    if (isMeasurementTitle(fields)) measTitle = i;
  }
  if (measTitle == n) {
    throw Error(ErrorKind::kInput,
                sourcePath +
                    ": de kopregel van de metingen (Locatie,Filternummer,Peildatum,...) "
                    "ontbreekt");
  }
  // An export may come without its metadata block: header lines, then the
  // measurements alone.
  const bool withMetadata = metaTitle < measTitle;

  ExportContent content;
  const std::size_t headerEnd = withMetadata ? metaTitle : measTitle;
  content.user = headerValue(lines, headerEnd, "Gebruikersnaam:");
  content.date = headerValue(lines, headerEnd, "Datum:");
  TubeChecker checker(messages, sourcePath);
  if (withMetadata) {
    readMetadata(lines, rows, metaTitle, measTitle, sourcePath, checker, content);
  } else {
    messages.appendLog(sourcePath +
                       ": geen metadata (coördinaten) in het bestand; controle op verplaatste "
                       "buizen niet mogelijk.");
  }
  // Measurements: the level below surface level, or the refusal of a file
  // that holds its levels relative to NAP only.
  const std::vector<std::string> measTitles = rows.fields(measTitle);
  const int mLocation = requireColumn(measTitles, "Locatie", measTitle, sourcePath);
  const int mFilter = requireColumn(measTitles, "Filternummer", measTitle, sourcePath);
  const int mDate = requireColumn(measTitles, "Peildatum", measTitle, sourcePath);
  const int mLevel = columnOf(measTitles, "Stand (cm t.o.v. MV)");
  const int mRemark = requireColumn(measTitles, "Bijzonderheid", measTitle, sourcePath);
  if (mLevel < 0) {
    if (columnOf(measTitles, "Stand (cm t.o.v. NAP)") >= 0) {
      content.reference = "NAP";
      return content;
    }
    refuseLine(sourcePath, measTitle, "de kolom \"Stand (cm t.o.v. MV)\" ontbreekt");
  }
  content.reference = "MV";
  for (std::size_t i = measTitle + 1; i < n; ++i) {
    if (isSeparator(lines[i])) continue;
    const std::vector<std::string>& f = rows.fields(i);
    MeasRow row;
    row.line = i;
    row.date = readDay(fieldAt(f, mDate), i, "Peildatum", sourcePath);
    row.level = fieldAt(f, mLevel);
    row.remark = fieldAt(f, mRemark);
    const std::string location = fieldAt(f, mLocation);
    const std::string rawFilter = fieldAt(f, mFilter);
    std::vector<MeasRow>& tube = content.meas[location + normaliseFilter(rawFilter)];
    // Without metadata each tube is one period that takes every reading,
    // in the order the tubes first appear; the pipeline tells which fall
    // outside the calendar.
    std::string filter;
    if (!withMetadata && tube.empty() && checker.accept(location, rawFilter, filter, i)) {
      content.meta.push_back(MetaRow{i, {location, filter, {1000, 1, 1}, {9999, 12, 31}}, {}, {}});
    }
    tube.push_back(std::move(row));
  }
  if (!withMetadata && content.meas.empty()) {
    refuseLine(sourcePath, measTitle,
               "geen metadata en geen standen onder de kopregel van de metingen; er is niets in te "
               "lezen");
  }
  return content;
}

bool TubeChecker::accept(std::string_view location, std::string_view rawFilter, std::string& filter,
                         std::size_t line) {
  if (location.size() != kLocationLength) {
    if (reported_.insert("L" + std::string(location)).second) {
      messages_.appendLog("Buis " + quoted(location) +
                          " niet ingelezen: de locatiecode heeft geen 8 tekens.");
    }
    return false;
  }
  if (!isSafeLocationCode(location)) {
    refuseLine(path_, line,
               "locatiecode " + quoted(location) +
                   " past niet in de bestandsnamen van een buis (toegestaan: " +
                   std::string(kLocationCodeCharacters) + ")");
  }
  filter = normaliseFilter(rawFilter);
  if (rawFilter.empty() || !isStorableFilter(filter)) {
    if (reported_.insert("F" + std::string(location) + "," + std::string(rawFilter)).second) {
      messages_.appendLog("Buis " + std::string(location) + " filter " + quoted(rawFilter) +
                          " niet ingelezen: het filternummer is geen getal van 2 cijfers.");
    }
    return false;
  }
  return true;
}

}  // namespace phreatix
