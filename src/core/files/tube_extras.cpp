#include "files/tube_extras.h"

#include <cmath>
#include <initializer_list>

#include "error.h"
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

bool blank(const std::string& line) { return line.find_first_not_of(" \t\r") == std::string::npos; }

double numberOf(const std::string& word, const std::string& name, std::size_t line,
                const char* what) {
  double value = 0;
  if (!parseReal(word, value)) {
    refuseLine(name, line, std::string("verwacht een getal als ") + what + ", niet " + quoted(word),
               ErrorKind::kRead);
  }
  return value;
}

int wholeOf(const std::string& word, const std::string& name, std::size_t line, const char* what) {
  int value = 0;
  if (!parseInt(word, value)) {
    refuseLine(name, line,
               std::string("verwacht een geheel getal als ") + what + ", niet " + quoted(word),
               ErrorKind::kRead);
  }
  return value;
}

// A number or "-" for none.
std::optional<double> optionalNumberOf(const std::string& word, const std::string& name,
                                       std::size_t line, const char* what) {
  if (word == "-") return std::nullopt;
  return numberOf(word, name, line, what);
}

// A date or "-" for none.
std::optional<CalendarDate> optionalDateOf(const std::string& word, const std::string& name,
                                           std::size_t line, const char* what) {
  if (word == "-") return std::nullopt;
  std::optional<CalendarDate> date = readIsoDate(word);
  if (!date) {
    refuseLine(name, line,
               std::string("verwacht een datum jjjj-mm-dd als ") + what + ", niet " + quoted(word),
               ErrorKind::kRead);
  }
  return date;
}

// The fixed words of a component line: `w` must hold `count` words with
// w[i] == expected[i] wherever expected[i] is not null.
bool componentLayout(const std::vector<std::string>& w, std::size_t count,
                     std::initializer_list<const char*> expected) {
  if (w.size() != count) return false;
  std::size_t i = 0;
  for (const char* word : expected) {
    if (word != nullptr && w[i] != word) return false;
    ++i;
  }
  return true;
}

// A "component" line of S.sel (layouts in the header).
ChosenComponent componentOf(std::vector<std::string> w, const std::string& name, std::size_t line) {
  ChosenComponent c;
  const std::string kind = w.size() > 1 ? w[1] : std::string();
  // The optional words after a trend's or step's fixed ones: "gegeven"
  // last, a step's "uitdoving <days> dagen" before it.
  if ((kind == "trend" || kind == "stap") && !w.empty() && w.back() == "gegeven") {
    c.given = true;
    w.pop_back();
  }
  if (kind == "stap" && w.size() == 11 && w[8] == "uitdoving" && w[10] == "dagen") {
    c.fade = numberOf(w[9], name, line, "uitdoving");
    if (!(c.fade > 0))
      refuseLine(name, line, "uitdoving hoort > 0 dagen te zijn", ErrorKind::kRead);
    w.resize(8);
  }
  if (kind == "trend") {
    if (!componentLayout(w, 13,
                         {"component", "trend", "van", nullptr, "tot", nullptr, "helling", nullptr,
                          nullptr, "cm/jaar", "verandering", nullptr, "cm"})) {
      refuseLine(name, line,
                 "verwacht component trend van <datum> tot <datum> helling <cm/jaar> "
                 "<standaardfout> cm/jaar verandering <cm> cm [gegeven]",
                 ErrorKind::kRead);
    }
    c.kind = ComponentKind::kTrend;
    c.from = optionalDateOf(w[3], name, line, "begin van de trend");
    c.to = optionalDateOf(w[5], name, line, "eind van de trend");
    c.value = numberOf(w[7], name, line, "helling");
    c.standardError = optionalNumberOf(w[8], name, line, "standaardfout");
    c.change = numberOf(w[11], name, line, "verandering");
  } else if (kind == "stap") {
    if (!componentLayout(w, 8,
                         {"component", "stap", "op", nullptr, "sprong", nullptr, nullptr, "cm"})) {
      refuseLine(name, line,
                 "verwacht component stap op <datum> sprong <cm> <standaardfout> cm "
                 "[uitdoving <dagen> dagen] [gegeven]",
                 ErrorKind::kRead);
    }
    c.kind = ComponentKind::kStep;
    c.from = optionalDateOf(w[3], name, line, "dag van de stap");
    c.value = numberOf(w[5], name, line, "sprong");
    c.standardError = optionalNumberOf(w[6], name, line, "standaardfout");
  } else if (kind == "stress") {
    if (!componentLayout(w, 11,
                         {"component", "stress", "versterking", nullptr, nullptr, "n", nullptr, "a",
                          nullptr, "t95", nullptr})) {
      refuseLine(name, line,
                 "verwacht component stress versterking <waarde> <standaardfout> n <n> a <dagen> "
                 "t95 <dagen>",
                 ErrorKind::kRead);
    }
    c.kind = ComponentKind::kStress;
    c.value = numberOf(w[3], name, line, "versterking");
    c.standardError = optionalNumberOf(w[4], name, line, "standaardfout");
    c.n = numberOf(w[6], name, line, "n");
    c.a = numberOf(w[8], name, line, "a");
    c.t95 = numberOf(w[10], name, line, "t95");
  } else {
    refuseLine(name, line, "verwacht component trend, stap of stress, niet " + quoted(kind),
               ErrorKind::kRead);
  }
  return c;
}

// The word after "model " in a comment line, up to a comma.
std::string modelOfComment(const std::string& line) {
  const std::size_t at = line.find("model ");
  if (at == std::string::npos) return {};
  const std::size_t start = at + 6;
  const std::size_t end = line.find_first_of(", \t\r", start);
  return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

std::optional<CalendarDate> readIsoDate(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  int year = 0, month = 0, day = 0;
  if (!parseInt(text.substr(0, 4), year) || !parseInt(text.substr(5, 2), month) ||
      !parseInt(text.substr(8, 2), day)) {
    return std::nullopt;
  }
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  }
  if (month < 1 || month > 12 || day < 1 || day > daysInMonth(month, year)) return std::nullopt;
  return CalendarDate{year, month, day};
}

EquilibriumFit readFitText(const std::string& name, const std::string& text) {
  EquilibriumFit fit;
  fit.level.push_back(0);
  const std::vector<std::string> lines = splitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (blank(line)) continue;
    if (line.find_first_not_of(" \t") == line.find('#')) {
      if (fit.label.empty()) fit.label = modelOfComment(line);
      continue;
    }
    const std::vector<std::string> w = words(line);
    if (w.size() != 2) refuseLine(name, i, "verwacht dag en stand", ErrorKind::kRead);
    const int day = wholeOf(w[0], name, i, "dag");
    if (day != static_cast<int>(fit.level.size())) {
      refuseLine(name, i,
                 "verwacht dag " + formatInt(static_cast<long long>(fit.level.size())) + ", niet " +
                     formatInt(day),
                 ErrorKind::kRead);
    }
    fit.level.push_back(numberOf(w[1], name, i, "stand"));
  }
  return fit;
}

SameYearsGxg readSameYearsText(const std::string& name, const std::string& text) {
  SameYearsGxg g;
  bool haveYears = false, have[3] = {false, false, false};
  const std::vector<std::string> lines = splitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (blank(line)) continue;
    if (line.find_first_not_of(" \t") == line.find('#')) {
      if (g.label.empty()) g.label = modelOfComment(line);
      continue;
    }
    const std::vector<std::string> w = words(line);
    if (w[0] == "jaren") {
      for (std::size_t k = 1; k < w.size(); ++k) g.years.push_back(wholeOf(w[k], name, i, "jaar"));
      haveYears = true;
      continue;
    }
    const char* keys[3] = {"ghg", "glg", "gvg"};
    double* values[3] = {&g.ghg, &g.glg, &g.gvg};
    for (int k = 0; k < 3; ++k) {
      if (w[0] != keys[k]) continue;
      if (w.size() != 2)
        refuseLine(name, i, std::string("verwacht ") + keys[k] + " en een getal", ErrorKind::kRead);
      *values[k] = numberOf(w[1], name, i, keys[k]);
      have[k] = true;
    }
  }
  if (!haveYears || !have[0] || !have[1] || !have[2]) {
    refuseFile(name, "verwacht de regels jaren, ghg, glg en gvg", ErrorKind::kRead);
  }
  return g;
}

const ModelParameter* ModelChoice::parameter(const std::string& name) const {
  for (const ModelParameter& p : parameters) {
    if (p.name == name) return &p;
  }
  return nullptr;
}

ModelChoice readModelChoiceText(const std::string& name, const std::string& text) {
  ModelChoice choice;
  const std::vector<std::string> lines = splitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::vector<std::string> w = words(lines[i]);
    if (w.empty()) continue;
    const std::string& key = w[0];
    if (key == "kandidaat") {
      // kandidaat <label> bic <b|-> k <k> n <n> plausibel <ja|nee> [reden <text>]
      if (w.size() < 10 || w[2] != "bic" || w[4] != "k" || w[6] != "n" || w[8] != "plausibel") {
        refuseLine(name, i, "verwacht kandidaat, label, bic, k, n en plausibel", ErrorKind::kRead);
      }
      ModelCandidate c;
      c.label = w[1];
      c.bic = optionalNumberOf(w[3], name, i, "bic");
      c.k = wholeOf(w[5], name, i, "k");
      c.n = wholeOf(w[7], name, i, "n");
      c.plausible = w[9] == "ja";
      if (w.size() > 10 && w[10] == "reden") {
        const std::string& line = lines[i];
        std::size_t at = line.find(" reden ");
        at = at == std::string::npos ? line.size() : at + 7;
        c.reason = line.substr(at);
        while (!c.reason.empty() && (c.reason.back() == '\r' || c.reason.back() == ' '))
          c.reason.pop_back();
      }
      choice.candidates.push_back(c);
    } else if (key == "gekozen") {
      // gekozen <label> bic <b> filter <FF>
      if (w.size() < 6 || w[2] != "bic" || w[4] != "filter") {
        refuseLine(name, i, "verwacht gekozen, label, bic en filter", ErrorKind::kRead);
      }
      choice.chosen = w[1];
      choice.bic = optionalNumberOf(w[3], name, i, "bic");
      choice.filter = w[5];
    } else if (key == "parameter") {
      // parameter <name> <value> <standard error|->
      if (w.size() < 4) {
        refuseLine(name, i, "verwacht parameter, naam, waarde en standaardfout", ErrorKind::kRead);
      }
      choice.parameters.push_back({w[1], numberOf(w[2], name, i, "waarde"),
                                   optionalNumberOf(w[3], name, i, "standaardfout")});
    } else if (key == "t95") {
      if (w.size() < 2) refuseLine(name, i, "verwacht t95 en een getal", ErrorKind::kRead);
      choice.t95 = numberOf(w[1], name, i, "t95");
    } else if (key == "component") {
      choice.components.push_back(componentOf(w, name, i));
    } else {
      continue;
    }
    choice.extended = true;
  }
  return choice;
}

}  // namespace phreatix
