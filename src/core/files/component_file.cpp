#include "files/component_file.h"

#include "coupling/stress_file.h"
#include "engine/component_calibration.h"
#include "error.h"
#include "files/tube_extras.h"
#include "platform/files.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

namespace {

// The blank-separated words of a line.
std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> out;
  std::size_t pos = 0;
  while (true) {
    const std::size_t start = line.find_first_not_of(" \t\r", pos);
    if (start == std::string::npos) break;
    const std::size_t end = line.find_first_of(" \t\r", start);
    out.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    pos = end;
  }
  return out;
}

std::optional<ComponentKind> kindOf(const std::string& word) {
  for (ComponentKind kind : {ComponentKind::kTrend, ComponentKind::kStep, ComponentKind::kStress}) {
    if (word == componentName(kind)) return kind;
  }
  return std::nullopt;
}

double numberOf(const std::string& word, const std::string& name, std::size_t line,
                const std::string& what) {
  double value = 0;
  if (!parseReal(word, value)) {
    refuseLine(name, line, "verwacht een getal als " + what + ", niet " + quoted(word),
               ErrorKind::kRead);
  }
  return value;
}

// The word after `key` in the head line, up to a comma, a semicolon or a
// blank; "" when the line has no `key`.
std::string wordAfter(const std::string& line, const std::string& key) {
  const std::size_t at = line.find(key);
  if (at == std::string::npos) return {};
  const std::size_t start = at + key.size();
  const std::size_t end = line.find_first_of(",; \t\r", start);
  return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// The head line: the model after "model ", the situation after "situatie ".
void readHead(const std::string& line, const std::string& name, std::size_t index,
              ComponentCourses& out) {
  out.label = wordAfter(line, "model ");
  if (line.find("situatie ") == std::string::npos) return;
  const std::string word = wordAfter(line, "situatie ");
  for (Situation s : {Situation::kEinde, Situation::kGemiddeld, Situation::kGeen}) {
    if (word == situationText(s)) {
      out.situation = s;
      return;
    }
  }
  refuseLine(name, index, "verwacht situatie einde, gemiddeld of geen, niet " + quoted(word),
             ErrorKind::kRead);
}

}  // namespace

ComponentCourses readComponentText(const std::string& name, const std::string& text) {
  ComponentCourses out;
  bool headRead = false, columnsRead = false;
  long long previousDay = 0;
  const std::vector<std::string> lines = splitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const std::vector<std::string> w = words(line);
    if (w.empty()) continue;
    if (w[0][0] == '#') {
      if (!headRead) readHead(line, name, i, out);
      headRead = true;
      continue;
    }
    if (w[0] == "component") {
      // component <kind> einde <cm> gemiddeld <cm> gebruikt <cm>
      if (columnsRead) refuseLine(name, i, "componentregel na de kolomregel", ErrorKind::kRead);
      if (w.size() != 8 || w[2] != "einde" || w[4] != "gemiddeld" || w[6] != "gebruikt") {
        refuseLine(name, i,
                   "verwacht component <trend|stap|stress> einde <cm> gemiddeld <cm> gebruikt <cm>",
                   ErrorKind::kRead);
      }
      const std::optional<ComponentKind> kind = kindOf(w[1]);
      if (!kind) {
        refuseLine(name, i, "verwacht component trend, stap of stress, niet " + quoted(w[1]),
                   ErrorKind::kRead);
      }
      out.levels.push_back({*kind, numberOf(w[3], name, i, "einde"),
                            numberOf(w[5], name, i, "gemiddeld"),
                            numberOf(w[7], name, i, "gebruikt")});
      continue;
    }
    if (w[0] == "datum") {
      // The columns name the components in the order of their lines.
      bool same = !columnsRead && w.size() == out.levels.size() + 1;
      for (std::size_t j = 0; same && j < out.levels.size(); ++j) {
        same = w[j + 1] == componentName(out.levels[j].kind);
      }
      if (!same) {
        std::string expected = "datum";
        for (const ComponentLevel& level : out.levels) {
          expected += std::string(" ") + componentName(level.kind);
        }
        refuseLine(name, i, "verwacht de kolomregel " + quoted(expected), ErrorKind::kRead);
      }
      columnsRead = true;
      out.course.assign(out.levels.size(), {});
      continue;
    }
    // A day: yyyy-mm-dd and a contribution per component.
    if (!columnsRead) {
      refuseLine(name, i, "dagregel voor de kolomregel \"datum ...\"", ErrorKind::kRead);
    }
    if (w.size() != out.levels.size() + 1) {
      refuseLine(name, i,
                 "verwacht een datum en " + formatInt(static_cast<long long>(out.levels.size())) +
                     (out.levels.size() == 1 ? " bijdrage" : " bijdragen") + ", niet " +
                     formatInt(static_cast<long long>(w.size())) + " velden",
                 ErrorKind::kRead);
    }
    const std::optional<CalendarDate> date = readIsoDate(w[0]);
    if (!date) {
      refuseLine(name, i, "verwacht een datum jjjj-mm-dd, niet " + quoted(w[0]), ErrorKind::kRead);
    }
    const long long day = builtinDayNumber(date->year, date->month, date->day);
    if (!out.dates.empty() && day != previousDay + 1) {
      refuseLine(name, i, "datum " + w[0] + " is niet de dag na " + formatIsoDate(out.dates.back()),
                 ErrorKind::kRead);
    }
    previousDay = day;
    out.dates.push_back(*date);
    for (std::size_t j = 0; j < out.levels.size(); ++j) {
      out.course[j].push_back(numberOf(
          w[j + 1], name, i, std::string("bijdrage ") + componentName(out.levels[j].kind)));
    }
  }
  if (out.levels.empty()) refuseFile(name, "geen componentregels", ErrorKind::kRead);
  if (!columnsRead) refuseFile(name, "de kolomregel \"datum ...\" ontbreekt", ErrorKind::kRead);
  if (out.dates.empty()) refuseFile(name, "geen dagregels", ErrorKind::kRead);
  return out;
}

}  // namespace phreatix
