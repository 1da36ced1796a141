// Per-tube files the pipeline writes next to S.sel for the results, read
// here for the report, the overview and the results window:
//
//   S.fit  the chosen model's deterministic course over the calibration
//          period, started in equilibrium with the weather before the first
//          reading, the noise at its mean c: "# fit in evenwicht: model
//          <label>, meteo vanaf <dd-mm-yyyy>", then one line "m level" per
//          day m = 1..M of S.met (cm, positive upward)
//   S.gzj  the simulated GHG, GLG and GVG over the years the readings
//          measure: a comment line, "jaren <year> ...", "ghg <cm-mv>",
//          "glg <cm-mv>", "gvg <cm-mv>" (cm below surface level)
//   S.sel  in the extended family: after the values line, lines beginning
//          with "kandidaat", "gekozen", "parameter" and "t95", and one
//          "component" line per component of the chosen model (the
//          standard family's one-line S.sel has none of them)
//
// Entry points: readFitText, readSameYearsText, readModelChoiceText,
// readIsoDate.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/extended_model.h"
#include "input/calendar.h"

namespace phreatix {

struct EquilibriumFit {
  std::string label;          // from the head line; "" when it names none
  std::vector<double> level;  // [1..M] the level of day m; [0] unused
};

// The text of S.fit, `name` for the error messages. A line that is not the
// next day's "m level" (days 1, 2, ... in order) is a read error naming the
// file and the line; lines starting with "#" and blank lines are passed over.
EquilibriumFit readFitText(const std::string& name, const std::string& text);

struct SameYearsGxg {
  std::string label;                 // the model named by the comment line; "" when none
  std::vector<int> years;            // ascending as written
  double ghg = 0, glg = 0, gvg = 0;  // cm below surface level
};

// The text of S.gzj. Missing "jaren", "ghg", "glg" or "gvg", or a token
// that is no number, is a read error naming the file (and the line).
SameYearsGxg readSameYearsText(const std::string& name, const std::string& text);

struct ModelCandidate {
  std::string label;          // 1s, 2s, ef, gf
  std::optional<double> bic;  // none for a candidate whose calibration failed ("-")
  int k = 0;                  // parameters
  int n = 0;                  // readings
  bool plausible = false;
  std::string reason;  // why not plausible; "" when none is given
};

struct ModelParameter {
  std::string name;  // delta omega0 phi c sigma2, or A n a f phi c sigma2
  double value = 0;
  std::optional<double> standardError;  // none when written as "-"
};

// One component of the chosen model, from its "component" line:
//   component trend van <date> tot <date> helling <cm/jaar> <se> cm/jaar verandering <cm> cm
//   component stap op <date> sprong <cm> <se> cm
//   component stress versterking <gain> <se> n <n> a <days> t95 <days>
// Dates yyyy-mm-dd, "-" where the selection knew no date; standard errors
// "-" where there is none. Levels positive upward.
struct ChosenComponent {
  ComponentKind kind = ComponentKind::kTrend;
  std::optional<CalendarDate> from;  // trend: first day of its rise; step: its day
  std::optional<CalendarDate> to;    // trend: last day of its rise
  // trend: slope, cm/year; step: size, cm; stress: gain, cm per unit of
  // the stress file.
  double value = 0;
  std::optional<double> standardError;  // of `value`
  double change = 0;                    // trend: its total change, cm
  double n = 0, a = 0, t95 = 0;         // stress: response shape, scale and t95 (days)
  double fade = 0;                      // step: days of its fading, 0 for a lasting step
  bool given = false;                   // trend, step: its days were given per tube
};

struct ModelChoice {
  bool extended = false;                   // the file holds any of the extended lines
  std::vector<ModelCandidate> candidates;  // in the order written
  std::string chosen;                      // label of the "gekozen" line; "" without one
  std::optional<double> bic;
  std::string filter;  // the filter simulated, "01"
  std::vector<ModelParameter> parameters;
  std::optional<double> t95;                // days to 95 % of the step response
  std::vector<ChosenComponent> components;  // in the order written
  // The chosen parameter of that name; none when not listed.
  const ModelParameter* parameter(const std::string& name) const;
};

// The extended lines of S.sel; every other line (the values line, the text
// of a tube without a model) is passed over. A keyword line without the
// fields it needs, and a component line of an unknown kind or with a field
// that is not its number or date, is a read error naming the file and the
// line.
ModelChoice readModelChoiceText(const std::string& name, const std::string& text);

// A date "yyyy-mm-dd" (four, two and two digits, a day the month has);
// none for any other text.
std::optional<CalendarDate> readIsoDate(const std::string& text);

}  // namespace phreatix
