#include "coupling/knmi_meteo.h"

#include <algorithm>
#include <map>

#include "error.h"
#include "input/calendar.h"
#include "platform/files.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

namespace {

// RH = -1 stands for less than 0.05 mm.
constexpr int kTrace = -1;
// The head line: five columns, 0.1 mm to cm, precipitation 4, evaporation 5.
constexpr const char* kHeadTail = " 5 0.01 4 5";

std::string trimmed(std::string_view text) {
  std::size_t b = text.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  std::size_t e = text.find_last_not_of(" \t");
  return std::string(text.substr(b, e - b + 1));
}

std::vector<std::string> fields(std::string_view line) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (true) {
    std::size_t comma = line.find(',', start);
    out.push_back(
        trimmed(line.substr(start, comma == std::string_view::npos ? comma : comma - start)));
    if (comma == std::string_view::npos) return out;
    start = comma + 1;
  }
}

std::string_view withoutHash(std::string_view line) {
  std::size_t b = line.find_first_not_of(" \t");
  if (b != std::string_view::npos && line[b] == '#') return line.substr(b + 1);
  return line;
}

// The index of the column line, or -1.
int columnLine(const std::vector<std::string>& lines) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::vector<std::string> f = fields(withoutHash(lines[i]));
    if (f.size() >= 2 && upperAscii(f[0]) == "STN" && upperAscii(f[1]) == "YYYYMMDD") {
      return static_cast<int>(i);
    }
  }
  return -1;
}

int findColumn(const std::vector<std::string>& titles, std::string_view name) {
  for (std::size_t i = 0; i < titles.size(); ++i) {
    if (upperAscii(titles[i]) == name) return static_cast<int>(i);
  }
  return -1;
}

std::string dateText(const CalendarDate& d) {
  return formatInt(d.day) + "-" + formatInt(d.month) + "-" + formatInt(d.year);
}

CalendarDate dateOfDay(long long day) {
  const std::int64_t v = builtinDateOfDay(day);
  return {static_cast<int>(v / 10000), static_cast<int>(v / 100 % 100), static_cast<int>(v % 100)};
}

// Day number -> value (0.1 mm); days with a blank value are absent.
using DayValues = std::map<long long, int>;

struct Column {
  std::string name;
  int index = -1;
};

// Reads the day lines of a KNMI file: one or two value columns by name.
void readDays(const KnmiFile& file, const std::vector<Column*>& columns,
              const std::vector<DayValues*>& values) {
  const int head = columnLine(file.lines);
  if (head < 0) {
    throw Error(ErrorKind::kInput,
                file.path + ": geen KNMI-bestand: de kolomregel \"STN,YYYYMMDD,...\" ontbreekt");
  }
  long long previous = 0;
  bool any = false;
  for (std::size_t i = static_cast<std::size_t>(head) + 1; i < file.lines.size(); ++i) {
    std::string_view line = file.lines[i];
    if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
    if (withoutHash(line).size() != line.size()) continue;  // a comment
    std::vector<std::string> f = fields(line);
    const std::string date = f.size() > 1 ? f[1] : std::string();
    CalendarDate d;
    if (date.size() != 8 || !parseInt(std::string_view(date).substr(0, 4), d.year) ||
        !parseInt(std::string_view(date).substr(4, 2), d.month) ||
        !parseInt(std::string_view(date).substr(6, 2), d.day)) {
      refuseLine(file.path, i, "datum " + quoted(date) + " is geen JJJJMMDD");
    }
    if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > daysInMonth(d.month, d.year)) {
      refuseLine(file.path, i, "datum " + quoted(date) + " bestaat niet");
    }
    const long long day = builtinDayNumber(d.year, d.month, d.day);
    if (any && day <= previous) {
      refuseLine(file.path, i, "datum " + quoted(date) + " ligt niet na die van de vorige regel");
    }
    any = true;
    previous = day;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const int index = columns[c]->index;
      if (static_cast<std::size_t>(index) >= f.size()) {
        refuseLine(file.path, i,
                   "de waarde van " + columns[c]->name + " ontbreekt (te weinig velden)");
      }
      const std::string& text = f[index];
      if (text.empty()) continue;  // missing
      int v = 0;
      if (!parseInt(text, v)) {
        refuseLine(file.path, i, columns[c]->name + " " + quoted(text) + " is geen geheel getal");
      }
      if (v == kTrace && columns[c]->name != "EV24") v = 0;
      if (v < 0) refuseLine(file.path, i, columns[c]->name + " " + quoted(text) + " is negatief");
      (*values[c])[day] = v;
    }
  }
}

Column requireColumn(const KnmiFile& file, const std::vector<std::string>& names) {
  const int head = columnLine(file.lines);
  if (head < 0) {
    throw Error(ErrorKind::kInput,
                file.path + ": geen KNMI-bestand: de kolomregel \"STN,YYYYMMDD,...\" ontbreekt");
  }
  std::vector<std::string> titles = fields(withoutHash(file.lines[head]));
  for (const std::string& name : names) {
    int index = findColumn(titles, name);
    if (index >= 0) return {name, index};
  }
  std::string wanted = names[0];
  for (std::size_t i = 1; i < names.size(); ++i) wanted += " of " + names[i];
  refuseLine(file.path, static_cast<std::size_t>(head), "de kolom " + wanted + " ontbreekt");
}

}  // namespace

bool isKnmiFile(const std::vector<std::string>& lines) { return columnLine(lines) >= 0; }

MeteoConversion convertKnmi(const KnmiFile& precipitation, const KnmiFile* evaporation,
                            const KnmiPeriod& period) {
  DayValues rain, evap;
  Column rainColumn = requireColumn(precipitation, {"RH", "RD"});
  if (evaporation) {
    Column evapColumn = requireColumn(*evaporation, {"EV24"});
    readDays(precipitation, {&rainColumn}, {&rain});
    readDays(*evaporation, {&evapColumn}, {&evap});
  } else {
    Column evapColumn = requireColumn(precipitation, {"EV24"});
    readDays(precipitation, {&rainColumn, &evapColumn}, {&rain, &evap});
  }

  // The days the program can number, within the period asked for.
  long long lo = builtinDayNumber(kFirstYear, 1, 1);
  long long hi = builtinDayNumber(kLastYear, 12, 31);
  if (period.from)
    lo = std::max(lo, builtinDayNumber(period.from->year, period.from->month, period.from->day));
  if (period.to)
    hi = std::min(hi, builtinDayNumber(period.to->year, period.to->month, period.to->day));

  // The longest run of days with both values (the first of equal runs).
  long long bestFirst = 0, bestLength = 0, runFirst = 0, runLength = 0;
  long long missingDays = 0, firstMissing = 0;
  const long long dataFirst = rain.empty() ? lo : std::max(lo, rain.begin()->first);
  const long long dataLast = rain.empty() ? lo - 1 : std::min(hi, rain.rbegin()->first);
  for (long long day = dataFirst; day <= dataLast; ++day) {
    if (rain.count(day) && evap.count(day)) {
      if (runLength == 0) runFirst = day;
      ++runLength;
      if (runLength > bestLength) {
        bestLength = runLength;
        bestFirst = runFirst;
      }
    } else {
      if (missingDays == 0) firstMissing = day;
      ++missingDays;
      runLength = 0;
    }
  }
  if (bestLength == 0) {
    throw Error(ErrorKind::kInput,
                precipitation.path +
                    ": geen enkele dag met zowel neerslag als verdamping in de periode " +
                    dateText(dateOfDay(lo)) + " t/m " + dateText(dateOfDay(hi)));
  }
  const long long bestLast = bestFirst + bestLength - 1;

  MeteoConversion result;
  result.first = dateOfDay(bestFirst);
  result.last = dateOfDay(bestLast);
  result.lines.reserve(static_cast<std::size_t>(bestLength) + 1);
  result.lines.push_back(formatInt(bestLength) + kHeadTail);
  for (long long day = bestFirst; day <= bestLast; ++day) {
    const CalendarDate d = dateOfDay(day);
    result.lines.push_back(formatInt(d.day, 2) + " " + formatInt(d.month, 2) + " " +
                           formatInt(d.year, 4) + " " + formatInt(rain.at(day), 5) + " " +
                           formatInt(evap.at(day), 5));
  }
  result.report.push_back("Geschreven: " + dateText(result.first) + " t/m " +
                          dateText(result.last) + " (" + formatInt(bestLength) + " dagen).");
  // Every day of the files before and after what was written is named, with
  // why it was left out: outside the calendar, outside the period asked for,
  // or not part of the longest run without a gap.
  const long long fileFirst =
      std::min(rain.begin()->first, evap.empty() ? rain.begin()->first : evap.begin()->first);
  const long long fileLast =
      std::max(rain.rbegin()->first, evap.empty() ? rain.rbegin()->first : evap.rbegin()->first);
  const long long calendarFirst = builtinDayNumber(kFirstYear, 1, 1);
  const long long calendarLast = builtinDayNumber(kLastYear, 12, 31);
  auto leftOut = [&](long long from, long long to) {
    // [from, to] split where the reason changes.
    struct Part {
      long long from, to;
      const char* why;
    };
    const Part parts[] = {
        {from, std::min(to, calendarFirst - 1), "voor 1-1-1948, buiten de kalender"},
        {std::max(from, calendarFirst), std::min(to, lo - 1), "voor de gevraagde periode"},
        {std::max(from, lo), std::min(to, hi), "buiten de langste reeks zonder gat"},
        {std::max(from, hi + 1), std::min(to, calendarLast), "na de gevraagde periode"},
        {std::max(from, calendarLast + 1), to, "na 31-12-2047, buiten de kalender"},
    };
    for (const Part& part : parts) {
      if (part.from > part.to) continue;
      result.report.push_back("Weggelaten: " + dateText(dateOfDay(part.from)) + " t/m " +
                              dateText(dateOfDay(part.to)) + " (" +
                              formatInt(part.to - part.from + 1) + " dagen, " + part.why + ").");
    }
  };
  leftOut(fileFirst, bestFirst - 1);
  leftOut(bestLast + 1, fileLast);
  if (missingDays > 0) {
    result.report.push_back(formatInt(missingDays) +
                            " dag(en) zonder neerslag of verdamping, de eerste op " +
                            dateText(dateOfDay(firstMissing)) + ".");
  }
  return result;
}

std::string convertedMeteoName(const std::string& knmiPath, const std::string& workingDir) {
  std::size_t slash = knmiPath.find_last_of("/\\");
  std::string name = slash == std::string::npos ? knmiPath : knmiPath.substr(slash + 1);
  std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return joinPath(workingDir, name + ".prn");
}

MeteoConversion convertKnmiFile(const std::string& knmiPath, const std::string& meteoPath) {
  KnmiFile file{knmiPath, readLines(knmiPath)};
  MeteoConversion meteo = convertKnmi(file, nullptr, KnmiPeriod{});
  writeLines(meteoPath, meteo.lines);
  return meteo;
}

}  // namespace phreatix
