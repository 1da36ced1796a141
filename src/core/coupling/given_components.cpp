#include "coupling/given_components.h"

#include <filesystem>
#include <map>
#include <string_view>
#include <utility>

#include "coupling/stress_file.h"
#include "error.h"
#include "input/tube_file.h"
#include "platform/files.h"
#include "text/number_text.h"
#include "text/parse.h"
#include "text/shown_text.h"

namespace phreatix {

namespace {

constexpr const char* kTrendWord = "trend";
constexpr const char* kStepWord = "stap";
constexpr const char* kTrendForm = "\"<locatie> trend jjjj-mm-dd jjjj-mm-dd\"";
constexpr const char* kStepForm = "\"<locatie> stap jjjj-mm-dd\"";

// The separators of the coupling file: a file typed in a spreadsheet
// separates its columns with tabs, commas or semicolons.
bool isSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';'; }

std::vector<std::string_view> fieldsOf(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t i = 0;
  while (i < line.size()) {
    if (isSeparator(line[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < line.size() && !isSeparator(line[end])) ++end;
    fields.push_back(line.substr(i, end - i));
    i = end;
  }
  return fields;
}

// A comment ("#" as the first character after any blanks) or a blank line.
bool isPassedOver(std::string_view line) {
  const std::size_t at = line.find_first_not_of(" \t");
  return at == std::string_view::npos || line[at] == '#';
}

// A date of the program's calendar (kron.txt and the built-in numbering
// hold 1948-01-01 .. 2047-12-31): a given day outside it has no day number.
CalendarDate readDay(const std::string& path, std::size_t lineIndex, std::string_view text) {
  const CalendarDate date = readIsoDate(path, lineIndex, text);
  if (date.year < kFirstYear || date.year > kLastYear) {
    refuseLine(path, lineIndex,
               "datum " + formatIsoDate(date) + " valt buiten de kalender van het programma (" +
                   formatInt(kFirstYear) + "-01-01 t/m " + formatInt(kLastYear) + "-12-31)");
  }
  return date;
}

// The line (from 1) of each location's trend and step read so far.
using FirstLines = std::map<std::pair<std::string, bool>, int>;

// One component line; `earlier` holds the lines before it, for a second
// trend or step of the same location.
GivenComponent readComponent(const std::string& path, std::size_t lineIndex, std::string_view line,
                             const FirstLines& earlier) {
  const std::vector<std::string_view> fields = fieldsOf(line);
  if (fields.size() < 2) {
    refuseLine(path, lineIndex,
               std::string("verwacht ") + kTrendForm + " of " + kStepForm + ", gevonden " +
                   phreatix::quoted(line));
  }
  GivenComponent row;
  row.line = static_cast<int>(lineIndex) + 1;
  row.location = std::string(fields[0]);
  if (row.location.size() != static_cast<std::size_t>(kLocationLength)) {
    refuseLine(path, lineIndex,
               phreatix::quoted(fields[0]) + " is geen locatiecode van " +
                   formatInt(kLocationLength) + " tekens");
  }
  if (fields[1] != kTrendWord && fields[1] != kStepWord) {
    refuseLine(path, lineIndex,
               "onbekende soort " + phreatix::quoted(fields[1]) + " (bekend: trend, stap)");
  }
  row.trend = fields[1] == kTrendWord;
  const std::size_t wanted = row.trend ? 4 : 3;
  if (fields.size() != wanted) {
    refuseLine(path, lineIndex,
               std::string(row.trend ? "een trend heeft 4 velden (" : "een stap heeft 3 velden (") +
                   (row.trend ? kTrendForm : kStepForm) + "), gevonden " +
                   formatInt(static_cast<long long>(fields.size())));
  }
  row.first = readDay(path, lineIndex, fields[2]);
  row.last = row.trend ? readDay(path, lineIndex, fields[3]) : row.first;
  if (row.trend && !(row.first < row.last)) {
    refuseLine(path, lineIndex,
               "de laatste dag van de trend (" + formatIsoDate(row.last) +
                   ") ligt niet na de eerste (" + formatIsoDate(row.first) + ")");
  }
  const auto other = earlier.find({row.location, row.trend});
  if (other != earlier.end()) {
    refuseLine(path, lineIndex,
               "locatie " + shownText(row.location) + " heeft al een " +
                   (row.trend ? "trend" : "stap") + ", op regel " + formatInt(other->second) +
                   " (een trend en een stap per locatie)");
  }
  return row;
}

// Reads every line of the file into `given`. Without `refusals` the first
// bad line raises its refusal; with it every bad line's refusal is kept
// there and the line passed over.
void readInto(const std::string& path, GivenComponents& given, std::vector<std::string>* refusals) {
  const std::vector<std::string> lines = readLines(path);
  given.path = path;
  FirstLines firstLines;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    // A spreadsheet saving UTF-8 puts a byte-order mark before the first line.
    if (i == 0 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    if (isPassedOver(line)) continue;
    try {
      given.rows.push_back(readComponent(path, i, line, firstLines));
      firstLines.emplace(std::make_pair(given.rows.back().location, given.rows.back().trend),
                         given.rows.back().line);
    } catch (const Error& e) {
      if (!refusals) throw;
      refusals->push_back(e.what());
    }
  }
}

}  // namespace

GivenComponents readGivenComponents(const std::string& path) {
  GivenComponents given;
  readInto(path, given, nullptr);
  return given;
}

std::vector<GivenComponent> givenComponentsOf(const GivenComponents& given,
                                              const std::string& location) {
  std::vector<GivenComponent> rows;
  for (const GivenComponent& row : given.rows) {
    if (row.location == location) rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> givenComponentRefusals(const std::string& workingDir, ModelFamily model) {
  const std::string path = joinPath(workingDir, kGivenComponentsFile);
  // Anything of that name counts: a folder called so is refused as unreadable.
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return {};
  if (model == ModelFamily::kStandaard) {
    return {path + ": gegeven trends en stappen kunnen alleen met Model: uitgebreid"};
  }
  std::vector<std::string> refusals;
  try {
    GivenComponents given;
    readInto(path, given, &refusals);
  } catch (const Error& e) {
    return {e.what()};  // not readable at all
  }
  const std::size_t shown = static_cast<std::size_t>(kMaxGivenRefusals);
  if (refusals.size() > shown) {
    const long long rest = static_cast<long long>(refusals.size() - shown);
    refusals.resize(shown);
    refusals.push_back(path + ": en nog " + formatInt(rest) + (rest == 1 ? " regel" : " regels") +
                       " die niet te gebruiken zijn");
  }
  return refusals;
}

}  // namespace phreatix
