#include "postprocessing/measured_gxg.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <optional>

namespace phreatix {

namespace {

constexpr int kMeasuringDaysPerYear = 24;
constexpr int kMinMeasuringDays = 20;  // of 24, for a year to count
constexpr int kReach = 3;              // days between a measuring day and its reading
constexpr int kExtremes = 3;           // levels averaged into the GHG and the GLG

// Days since 1 January 1970 of a date of the proleptic Gregorian calendar.
long long civilDay(int year, int month, int day) {
  const long long y = static_cast<long long>(year) - (month <= 2 ? 1 : 0);
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// The level of each measuring day of a year, January 14 first; the
// spring days are 14 and 28 March and 14 April.
using YearLevels = std::optional<double>[kMeasuringDaysPerYear];
constexpr int kSpringDays[3] = {4, 5, 6};  // indices of 14-3, 28-3, 14-4

struct YearGxg {
  double ghg = 0, glg = 0;
  std::optional<double> gvg;
};

YearGxg yearGxg(const YearLevels& levels) {
  std::vector<double> present;
  for (const std::optional<double>& v : levels) {
    if (v) present.push_back(*v);
  }
  std::sort(present.begin(), present.end());
  YearGxg out;
  const std::size_t n = present.size();
  const std::size_t k = std::min<std::size_t>(kExtremes, n);
  double low = 0, high = 0;
  for (std::size_t i = 0; i < k; ++i) {
    low += present[i];
    high += present[n - 1 - i];
  }
  out.glg = low / static_cast<double>(k);
  out.ghg = high / static_cast<double>(k);
  double spring = 0;
  int springCount = 0;
  for (int index : kSpringDays) {
    if (levels[index]) {
      spring += *levels[index];
      ++springCount;
    }
  }
  if (springCount > 0) out.gvg = spring / springCount;
  return out;
}

MeasuredGxg meanOverYears(const std::vector<YearGxg>& perYear, std::vector<int> years) {
  MeasuredGxg out;
  out.years = std::move(years);
  out.available = static_cast<int>(out.years.size()) >= kMinMeasuredYears;
  if (perYear.empty()) return out;
  double ghg = 0, glg = 0, gvg = 0;
  int springYears = 0;
  for (const YearGxg& y : perYear) {
    ghg += y.ghg;
    glg += y.glg;
    if (y.gvg) {
      gvg += *y.gvg;
      ++springYears;
    }
  }
  const double n = static_cast<double>(perYear.size());
  out.ghg = ghg / n;
  out.glg = glg / n;
  out.gvg = springYears > 0 ? gvg / springYears : std::numeric_limits<double>::quiet_NaN();
  return out;
}

}  // namespace

MeasuredGxg measuredGxg(const std::vector<DatedLevel>& readings) {
  // The readings by day, in time order; on one day the first given first.
  struct Reading {
    long long day;
    double level;
  };
  std::vector<Reading> byDay;
  byDay.reserve(readings.size());
  std::map<int, bool> candidateYears;
  for (const DatedLevel& r : readings) {
    if (!std::isfinite(r.level)) continue;
    byDay.push_back({civilDay(r.year, r.month, r.day), r.level});
    // A reading reaches measuring days of its own year only (28 December
    // + 3 is 31 December, 14 January - 3 is 11 January).
    candidateYears[r.year] = true;
  }
  std::stable_sort(byDay.begin(), byDay.end(),
                   [](const Reading& a, const Reading& b) { return a.day < b.day; });

  std::vector<YearGxg> perYear;
  std::vector<int> counted;
  for (const auto& [year, unused] : candidateYears) {
    YearLevels levels;
    int found = 0;
    for (int i = 0; i < kMeasuringDaysPerYear; ++i) {
      const long long target = civilDay(year, i / 2 + 1, i % 2 == 0 ? 14 : 28);
      // The first reading on or after target - kReach; the nearest lies
      // between it and target + kReach, the earlier winning a tie.
      auto it = std::lower_bound(byDay.begin(), byDay.end(), target - kReach,
                                 [](const Reading& r, long long d) { return r.day < d; });
      std::optional<Reading> best;
      for (; it != byDay.end() && it->day <= target + kReach; ++it) {
        if (!best || std::llabs(it->day - target) < std::llabs(best->day - target)) best = *it;
      }
      if (best) {
        levels[i] = best->level;
        ++found;
      }
    }
    if (found < kMinMeasuringDays) continue;
    perYear.push_back(yearGxg(levels));
    counted.push_back(year);
  }
  return meanOverYears(perYear, std::move(counted));
}

MeasuredGxg gxgOverYears(const std::function<double(int, int, int)>& level,
                         const std::vector<int>& years) {
  std::vector<YearGxg> perYear;
  perYear.reserve(years.size());
  for (int year : years) {
    YearLevels levels;
    for (int i = 0; i < kMeasuringDaysPerYear; ++i) {
      levels[i] = level(year, i / 2 + 1, i % 2 == 0 ? 14 : 28);
    }
    perYear.push_back(yearGxg(levels));
  }
  return meanOverYears(perYear, years);
}

}  // namespace phreatix
