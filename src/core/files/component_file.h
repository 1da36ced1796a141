// S.kmp: the contributions of the chosen extended model's components (a
// trend, a step, a stress series) to the level, written by the model
// selection beside S.fit for a model with components and read here for the
// report, the overview and the results window (docs/formats/component-file.md):
//
//   # bijdragen van de componenten van model gft (cm, positief omhoog); situatie einde
//   component trend einde 235.20 gemiddeld 118.40 gebruikt 235.20
//   datum trend
//   1990-01-14 0.000
//   ...                 one line per day of the calibration period
//
// Entry point: readComponentText.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/extended_model.h"
#include "input/calendar.h"
#include "settings/session_settings.h"

namespace phreatix {

// One component's level in the situations, cm, positive upward (a positive
// contribution is a shallower level).
struct ComponentLevel {
  ComponentKind kind = ComponentKind::kTrend;
  double end = 0;   // on the last reading's day ("einde")
  double mean = 0;  // its mean over the calibration period ("gemiddeld")
  double used = 0;  // the level the simulation held it at; 0 under "geen"
};

struct ComponentCourses {
  std::string label;                   // the model of the head line; "" when it names none
  std::optional<Situation> situation;  // of the head line; none when it names none
  std::vector<ComponentLevel> levels;  // one per component, in the order written
  std::vector<CalendarDate> dates;     // the calibration period's days, one after the other
  // course[j][k]: component j's contribution on dates[k], cm, positive upward.
  std::vector<std::vector<double>> course;
};

// The text of S.kmp, `name` for the error messages. Blank lines are passed
// over. Read errors naming the file and the line: a component line of an
// unknown kind or without its three levels, a column line that does not
// name the components in the order of their lines, a day line before it,
// with another number of values, a value that is no number or a date that
// is not the day after the line before; a head line naming an unknown
// situation. A file without component lines, column line or day lines is a
// read error naming the file.
ComponentCourses readComponentText(const std::string& name, const std::string& text);

}  // namespace phreatix
