#include "results/component_texts.h"

#include <algorithm>
#include <cmath>

#include "engine/component_calibration.h"
#include "files/values_lines.h"
#include "results/report_columns.h"
#include "text/number_text.h"

namespace phreatix {

namespace {

// The decimals that give `digits` significant digits of x (at least 0).
int significantDecimals(double x, int digits) {
  if (!std::isfinite(x) || x == 0) return digits - 1;
  const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(x))));
  return std::clamp(digits - 1 - magnitude, 0, 12);
}

std::string dateText(const std::optional<CalendarDate>& date) {
  return date ? isoDate(*date) : std::string("?");
}

// "1 dag", "118 dagen": whole days.
std::string daysText(double days) {
  const std::string whole = decimalText(days, 0);
  return whole + (whole == "1" ? " dag" : " dagen");
}

// A value with its standard error in the same decimals: "10.70 ± 0.31".
std::string withError(double value, const std::optional<double>& error, int decimals) {
  std::string text = decimalText(value, decimals);
  if (error) text += " \xC2\xB1 " + decimalText(*error, decimals);
  return text;
}

// The decimals of a component's own value: a trend's slope and a step's
// size in hundredths of a cm, a stress's gain (cm per unit of a series of
// any unit) in three significant digits.
int valueDecimals(const ChosenComponent& c) {
  return c.kind == ComponentKind::kStress ? significantDecimals(c.value, 3) : 2;
}

// "de trend", "de stap", "de stressreeks".
std::string withArticle(ComponentKind kind) {
  switch (kind) {
    case ComponentKind::kTrend:
      return "de trend";
    case ComponentKind::kStep:
      return "de stap";
    case ComponentKind::kStress:
      return "de stressreeks";
  }
  return "";
}

// The kinds of the chosen model's components: from S.sel, or from S.kmp
// where S.sel names none.
std::vector<ComponentKind> componentKinds(const TubeResult& tube) {
  std::vector<ComponentKind> kinds;
  for (const ChosenComponent& c : tube.choice.components) kinds.push_back(c.kind);
  if (kinds.empty()) {
    for (const ComponentLevel& level : tube.componentLevels) kinds.push_back(level.kind);
  }
  return kinds;
}

// "de trend", "de trend en de stap", "de trend, de stap en de stressreeks".
std::string namedInASentence(const std::vector<ComponentKind>& kinds) {
  std::string text;
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    if (i > 0) text += i + 1 == kinds.size() ? " en " : ", ";
    text += withArticle(kinds[i]);
  }
  return text;
}

// "samen 232.1 cm hoger dan zonder", "3.1 cm lager", for the levels used.
std::string shiftText(const TubeResult& tube) {
  double sum = 0;
  for (const ComponentLevel& level : tube.componentLevels) sum += level.used;
  const std::string size = decimalText(std::fabs(sum), 1);
  const std::string together = tube.componentLevels.size() > 1 ? "samen " : "";
  if (size == "0.0") return together + "zonder verschil met de situatie zonder componenten";
  return together + size + " cm " + (sum > 0 ? "hoger" : "lager") + " dan zonder";
}

}  // namespace

std::string componentNames(const TubeResult& tube) {
  std::string names;
  for (const ChosenComponent& c : tube.choice.components) {
    names += (names.empty() ? "" : "; ") + std::string(componentName(c.kind));
  }
  return names;
}

std::string componentParameterText(const TubeResult& tube) {
  std::string text;
  for (const ChosenComponent& c : tube.choice.components) {
    if (!text.empty()) text += "; ";
    text += std::string(componentName(c.kind)) + " " + decimalText(c.value, valueDecimals(c));
    switch (c.kind) {
      case ComponentKind::kTrend:
        text += " cm/jaar " + dateText(c.from) + ".." + dateText(c.to);
        break;
      case ComponentKind::kStep:
        text += " cm " + dateText(c.from);
        if (c.fade > 0) text += " uitdoving " + decimalText(c.fade, 0) + " d";
        break;
      case ComponentKind::kStress:
        text += " cm/eenheid a " + decimalText(c.a, 0) + " d";
        break;
    }
  }
  return text;
}

std::string componentDetail(const ChosenComponent& c) {
  const int decimals = valueDecimals(c);
  switch (c.kind) {
    case ComponentKind::kTrend:
      return "helling " + withError(c.value, c.standardError, decimals) + " cm/jaar van " +
             dateText(c.from) + " tot " + dateText(c.to) + " (verandering " +
             decimalText(c.change, 1) + " cm)" + (c.given ? ", dagen gegeven" : "");
    case ComponentKind::kStep:
      return "sprong " + withError(c.value, c.standardError, decimals) + " cm op " +
             dateText(c.from) +
             (c.fade > 0 ? ", uitdovend in " + daysText(c.fade) : std::string()) +
             (c.given ? ", dag gegeven" : "");
    case ComponentKind::kStress:
      return "versterking " + withError(c.value, c.standardError, decimals) +
             " cm per eenheid van de stressreeks, respons n " + decimalText(c.n, 2) + ", a " +
             daysText(c.a) + ", t95 " + daysText(c.t95);
  }
  return "";
}

std::optional<double> endContribution(const TubeResult& tube) {
  if (tube.componentLevels.empty()) return std::nullopt;
  double sum = 0;
  for (const ComponentLevel& level : tube.componentLevels) sum += level.end;
  return sum;
}

std::string situationSentence(const TubeResult& tube) {
  const std::vector<ComponentKind> kinds = componentKinds(tube);
  if (kinds.empty()) return "";
  const bool several = kinds.size() > 1;
  const std::string named = namedInASentence(kinds);
  const std::string start = "De gesimuleerde GHG, GLG en GVG gelden voor ";
  if (!tube.situation) {
    return start + "een onbekende situatie: de bijdragen van " + named + " (" + tube.stem +
           ".kmp) zijn niet gelezen.";
  }
  switch (*tube.situation) {
    case Situation::kEinde:
      return start + "de situatie aan het eind van de metingen, met " + named + " zoals die toen " +
             (several ? "stonden" : "stond") + " (" + shiftText(tube) + ").";
    case Situation::kGemiddeld:
      return start + "de gemiddelde situatie over de calibratieperiode, met " + named + " op " +
             (several ? "hun" : "zijn") + " gemiddelde over die periode (" + shiftText(tube) + ").";
    case Situation::kGeen:
      return start + "de situatie zonder " + named + ", alsof " +
             (several ? "die er niet waren" : "die er niet was") + ".";
  }
  return "";
}

std::vector<std::string> modelDetailLines(const TubeResult& tube) {
  if (!tube.choice.extended) return {};
  std::string head = "Model " + tube.label;
  if (tube.choice.bic) head += ", BIC " + decimalText(*tube.choice.bic, 2);
  std::vector<std::string> lines = {head};
  if (tube.choice.components.empty()) {
    if (hasChosenModel(tube)) lines.back() += ", zonder componenten";
    return lines;
  }
  for (std::size_t i = 0; i < tube.choice.components.size(); ++i) {
    const ChosenComponent& c = tube.choice.components[i];
    std::string line = std::string(componentName(c.kind)) + ": " + componentDetail(c);
    if (i < tube.componentLevels.size() && tube.componentLevels[i].kind == c.kind) {
      const ComponentLevel& level = tube.componentLevels[i];
      line += "; bijdrage einde " + decimalText(level.end, 1) + " cm, gemiddeld " +
              decimalText(level.mean, 1) + " cm, gebruikt " + decimalText(level.used, 1) + " cm";
    }
    lines.push_back(line);
  }
  lines.push_back(situationSentence(tube));
  return lines;
}

}  // namespace phreatix
