#include "coupling/stress_file.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <string_view>

#include "error.h"
#include "platform/files.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

namespace {

constexpr const char* kHeadForm = "\"# soort=<soort> eenheid=<eenheid>\"";
constexpr const char* kDayForm = "\"jjjj-mm-dd,waarde\"";

// The kinds of stress and the unit each is given in; "" takes any unit.
struct Kind {
  const char* name;
  const char* unit;
};
constexpr Kind kKinds[] = {
    {"onttrekking", "m3/dag"},  // a pumping station's abstraction
    {"oppervlaktewater", "m"},  // a ditch's or lake's level
    {"rivier", "m"},            // a river's stage
    {"anders", ""},             // any other series, in the unit its head states
};
constexpr const char* kKindList = "onttrekking, oppervlaktewater, rivier, anders";

std::string_view trimmed(std::string_view text) {
  const std::size_t b = text.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  const std::size_t e = text.find_last_not_of(" \t");
  return text.substr(b, e - b + 1);
}

bool isBlank(std::string_view line) { return trimmed(line).empty(); }

std::vector<std::string_view> blankSeparated(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (true) {
    i = text.find_first_not_of(" \t", i);
    if (i == std::string_view::npos) return words;
    const std::size_t end = std::min(text.find_first_of(" \t", i), text.size());
    words.push_back(text.substr(i, end - i));
    i = end;
  }
}

struct Head {
  std::string kind, unit, fill;
};

// Line 1: "#", then soort=, eenheid= and perhaps vullen=, each once.
Head readHead(const std::string& path, std::string_view line) {
  const std::string_view text = trimmed(line);
  if (text.empty() || text.front() != '#') {
    refuseLine(
        path, 0,
        std::string("verwacht de kopregel ") + kHeadForm + ", gevonden " + phreatix::quoted(line));
  }
  Head head;
  std::set<std::string, std::less<>> seen;
  for (std::string_view word : blankSeparated(text.substr(1))) {
    const std::size_t eq = word.find('=');
    if (eq == std::string_view::npos || eq == 0 || eq + 1 == word.size()) {
      refuseLine(path, 0,
                 phreatix::quoted(word) + " is geen sleutel=waarde (verwacht " + kHeadForm + ")");
    }
    const std::string_view key = word.substr(0, eq);
    const std::string value(word.substr(eq + 1));
    std::string* field = key == "soort"     ? &head.kind
                         : key == "eenheid" ? &head.unit
                         : key == "vullen"  ? &head.fill
                                            : nullptr;
    if (!field) {
      refuseLine(
          path, 0,
          "onbekende sleutel " + phreatix::quoted(key) + " (bekend: soort, eenheid, vullen)");
    }
    if (!seen.insert(std::string(key)).second) {
      refuseLine(path, 0, "de sleutel " + std::string(key) + " staat twee keer in de kopregel");
    }
    *field = value;
  }
  if (head.kind.empty())
    refuseLine(path, 0, std::string("soort ontbreekt (verwacht ") + kHeadForm + ")");
  if (head.unit.empty()) {
    refuseLine(path, 0, std::string("eenheid ontbreekt (verwacht ") + kHeadForm + ")");
  }
  const Kind* kind = nullptr;
  for (const Kind& k : kKinds) {
    if (head.kind == k.name) kind = &k;
  }
  if (!kind) {
    refuseLine(path, 0,
               "onbekende soort " + phreatix::quoted(head.kind) + " (bekend: " + kKindList + ")");
  }
  if (*kind->unit && head.unit != kind->unit) {
    refuseLine(path, 0,
               "eenheid " + phreatix::quoted(head.unit) + " past niet bij soort " + head.kind +
                   " (verwacht eenheid=" + kind->unit + ")");
  }
  if (seen.count("vullen") && head.fill != "lineair" && head.fill != "vorige") {
    refuseLine(path, 0,
               "onbekende vulmethode " + phreatix::quoted(head.fill) +
                   " (verwacht vullen=lineair of vullen=vorige)");
  }
  return head;
}

bool digits(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

long long dayNumber(const CalendarDate& d) { return builtinDayNumber(d.year, d.month, d.day); }

}  // namespace

std::string formatIsoDate(const CalendarDate& date) {
  auto padded = [](int v, std::size_t width) {
    std::string text = formatInt(v);
    return std::string(text.size() < width ? width - text.size() : 0, '0') + text;
  };
  return padded(date.year, 4) + "-" + padded(date.month, 2) + "-" + padded(date.day, 2);
}

CalendarDate readIsoDate(const std::string& path, std::size_t lineIndex, std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !digits(text.substr(0, 4)) ||
      !digits(text.substr(5, 2)) || !digits(text.substr(8, 2))) {
    refuseLine(path, lineIndex, "datum " + phreatix::quoted(text) + " is geen jjjj-mm-dd");
  }
  CalendarDate date;
  parseInt(text.substr(0, 4), date.year);
  parseInt(text.substr(5, 2), date.month);
  parseInt(text.substr(8, 2), date.day);
  if (date.year < 1 || date.month < 1 || date.month > 12 || date.day < 1 ||
      date.day > daysInMonth(date.month, date.year)) {
    refuseLine(path, lineIndex, "datum " + phreatix::quoted(text) + " bestaat niet");
  }
  return date;
}

StressSeries readStressFile(const std::string& path) {
  std::vector<std::string> lines = readLines(path);
  // Blank lines at the end, as editors and spreadsheets leave them.
  while (!lines.empty() && isBlank(lines.back())) lines.pop_back();
  if (lines.empty()) {
    refuseLine(path, 0,
               std::string("het bestand is leeg (verwacht de kopregel ") + kHeadForm + ")");
  }
  // A spreadsheet saving UTF-8 puts a byte-order mark before the first line.
  std::string_view first = lines[0];
  if (first.substr(0, 3) == "\xEF\xBB\xBF") first.remove_prefix(3);
  const Head head = readHead(path, first);

  if (lines.size() < 2) refuseLine(path, 1, "de kolomregel \"datum,waarde\" ontbreekt");
  {
    const std::string_view columns = lines[1];
    const std::size_t comma = columns.find(',');
    if (comma == std::string_view::npos ||
        upperAscii(trimmed(columns.substr(0, comma))) != "DATUM" ||
        upperAscii(trimmed(columns.substr(comma + 1))) != "WAARDE") {
      refuseLine(path, 1,
                 "verwacht de kolomregel \"datum,waarde\", gevonden " + phreatix::quoted(columns));
    }
  }
  if (lines.size() < 3) {
    refuseLine(path, 2, std::string("geen dagregels (verwacht ") + kDayForm + " per dag)");
  }

  StressSeries series;
  series.path = path;
  series.kind = head.kind;
  series.unit = head.unit;
  series.fill = head.fill;
  long long previousDay = 0;
  CalendarDate previous;
  for (std::size_t i = 2; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (isBlank(line)) refuseLine(path, i, "lege regel tussen de dagregels");
    // Whatever follows the first comma is the value: "12,5" is then a value
    // with a decimal comma, and said to be so.
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos) {
      refuseLine(path, i,
                 std::string("verwacht ") + kDayForm + ", gevonden " + phreatix::quoted(line));
    }
    const CalendarDate date = readIsoDate(path, i, trimmed(line.substr(0, comma)));
    const std::string_view valueText = trimmed(line.substr(comma + 1));
    double value = 0;
    if (!parseReal(valueText, value)) {
      refuseLine(
          path, i,
          "waarde " + phreatix::quoted(valueText) + " is geen getal (decimaalteken een punt)");
    }
    const long long day = dayNumber(date);
    if (series.values.empty()) {
      series.first = date;
    } else {
      if (day <= previousDay) {
        refuseLine(path, i,
                   "datum " + formatIsoDate(date) + " ligt niet na die van de regel ervoor (" +
                       formatIsoDate(previous) + ")");
      }
      const long long gap = day - previousDay - 1;  // days left out between the two lines
      if (gap > 0) {
        if (head.fill.empty()) {
          refuseLine(path, i,
                     "gat van " + formatInt(gap) + (gap == 1 ? " dag" : " dagen") + " na " +
                         formatIsoDate(previous) +
                         " (geef vullen=lineair of vullen=vorige in de kopregel)");
        }
        // Linear: on the k-th day of g left out, a + (b - a) * k / (g + 1)
        // between the values a before and b after; "vorige": a.
        const double before = series.values.back();
        for (long long k = 1; k <= gap; ++k) {
          series.values.push_back(head.fill == "vorige"
                                      ? before
                                      : before + (value - before) * static_cast<double>(k) /
                                                     static_cast<double>(gap + 1));
        }
        series.filledDays += static_cast<int>(gap);
      }
    }
    series.values.push_back(value);
    previous = date;
    previousDay = day;
  }
  series.last = previous;
  return series;
}

void checkStressCovers(const StressSeries& series, const CalendarDate& from,
                       const CalendarDate& to) {
  if (series.first <= from && to <= series.last) return;
  refuseFile(series.path, "de stressreeks dekt de calibratieperiode " + formatIsoDate(from) +
                              " t/m " + formatIsoDate(to) + " niet (reeks " +
                              formatIsoDate(series.first) + " t/m " + formatIsoDate(series.last) +
                              ")");
}

void chooseStressFile(CouplingOverview& overview, const std::vector<int>& rows,
                      const std::string& chosenPath, const std::string& workingDir) {
  for (int r : rows) {
    if (r < 0 || static_cast<std::size_t>(r) >= overview.rows.size()) {
      throw Error(ErrorKind::kIndex,
                  "overzichtsregel " + formatInt(r + 1) + " buiten een overzicht van " +
                      formatInt(static_cast<long long>(overview.rows.size())) + " regels");
    }
  }
  std::string name;
  if (!chosenPath.empty()) {
    name = meteoFileName(chosenPath);
    const std::string inWorkingDir = joinPath(workingDir, name);
    std::error_code ec;
    if (!isBareFileName(name) || !std::filesystem::equivalent(chosenPath, inWorkingDir, ec)) {
      refuseFile(chosenPath, "een stressbestand moet in de werkmap " + workingDir +
                                 " staan: de berekening opent het daar");
    }
    readStressFile(inWorkingDir);
  }
  for (int r : rows) {
    overview.rows[static_cast<std::size_t>(r)].stress = name;
    overview.rows[static_cast<std::size_t>(r)].stressLine = 0;
  }
}

std::vector<std::string> stressCouplingRefusals(const CouplingOverview& overview, ModelFamily model,
                                                const std::string& workingDir) {
  std::vector<std::string> refusals;
  std::set<std::string> read;
  for (const CouplingRow& row : overview.rows) {
    const std::string name = meteoFileName(row.stress);
    if (name.empty()) continue;
    if (model == ModelFamily::kStandaard) {
      if (row.stressLine > 0 && !overview.couplingFile.empty()) {
        refusals.push_back(overview.couplingFile + ":" + formatInt(row.stressLine) + ": buis " +
                           entryStem(row.tube) + ": een derde veld (stressbestand " + name +
                           ") kan alleen met Model: uitgebreid");
      } else {
        refusals.push_back("buis " + row.tube + ": stressbestand " + name +
                           " kan alleen met Model: uitgebreid");
      }
      continue;
    }
    if (!read.insert(name).second) continue;
    try {
      readStressFile(joinPath(workingDir, name));
    } catch (const Error& e) {
      refusals.push_back(e.what());
    }
  }
  return refusals;
}

}  // namespace phreatix
