// GHG, GLG and GVG of measured levels, by the measuring-day rule of Dutch
// practice, and of a complete daily series over the same years, so that a
// model's GxG can be set against the measured ones like for like.
//
// Calendar years; the 24 measuring days are the 14th and 28th of every
// month. A measuring day takes the reading nearest to it within 3 days (of
// two equally near, the earlier). A year counts when at least 20 of its 24
// measuring days have a reading. Per counted year: GHG the mean of the 3
// highest levels of its measuring days, GLG the mean of the 3 lowest, GVG
// the mean of 14 March, 28 March and 14 April (those that have a reading).
// The GxG are the means over the counted years (the GVG over the counted
// years that have one of its days; NaN when none has). Levels keep the
// input's sign: with levels positive upward the GHG is the highest, in cm
// below surface level the caller turns them round.
//
// Entry points: measuredGxg, gxgOverYears.
#pragma once

#include <functional>
#include <vector>

namespace phreatix {

struct DatedLevel {
  int year, month, day;
  double level;  // cm, positive upward
};

struct MeasuredGxg {
  bool available = false;  // at least kMinMeasuredYears counted years
  std::vector<int> years;  // the counted years, ascending
  double ghg = 0, glg = 0, gvg = 0;
};

// The GxG of readings in any order. `years` lists every counted year, and
// the GxG are computed from them even with fewer than kMinMeasuredYears
// (all zero without any); `available` only with at least that many.
MeasuredGxg measuredGxg(const std::vector<DatedLevel>& readings);

inline constexpr int kMinMeasuredYears = 8;

// The same characteristics of a complete daily series over the given years
// (every measuring day has a value): level(year, month, day). `years` as
// given, `available` under the same rule of kMinMeasuredYears years.
MeasuredGxg gxgOverYears(const std::function<double(int, int, int)>& level,
                         const std::vector<int>& years);

}  // namespace phreatix
