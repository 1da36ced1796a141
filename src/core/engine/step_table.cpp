#include "engine/step_table.h"

#include <cmath>
#include <unordered_map>

#include "error.h"
#include "text/number_text.h"
#include "text/rounding.h"

namespace phreatix {

namespace {

// More steps than any run of the program takes (MAXDAT days, dt = 1); a
// smaller dt that asks for more is refused rather than allowed to fill the
// disk with its trace.
constexpr long long kMaxSteps = 50'000'000;

}  // namespace

void StepTable::build(const EngineInput& input) {
  const RunSettings& s = input.settings;
  const long long n = roundHalfEven(static_cast<long double>(s.span) / s.dt);
  if (n > kMaxSteps) {
    throw Error(ErrorKind::kIndex, "span " + formatReal(s.span, 0, 3) + " / time step " +
                                       formatReal(s.dt, 0, 3) + " gives more than " +
                                       formatInt(kMaxSteps) + " steps");
  }
  steps_ = n > 0 ? static_cast<int>(n) : 0;
  time_.assign(static_cast<std::size_t>(steps_) + 1, 0.0);
  surplus_.assign(static_cast<std::size_t>(steps_) + 1, 0.0);
  measurement_.assign(static_cast<std::size_t>(steps_) + 1, -1);

  // The first measurement of each day, in series order.
  std::unordered_map<long long, std::int32_t> firstOfDay;
  firstOfDay.reserve(input.measurements.size() * 2);
  for (std::size_t i = 0; i < input.measurements.size(); ++i) {
    double day = std::trunc(input.measurements[i].time);
    if (std::fabs(day) < 9e18)
      firstOfDay.emplace(static_cast<long long>(day), static_cast<std::int32_t>(i));
  }

  const int M = input.meteoDays;
  double t = 0;
  double q = 0;
  for (int k = 1; k <= steps_; ++k) {
    t = t + s.dt;
    // Meteo record m carries day number m: the first with m >= t is ceil(t).
    const double first = std::ceil(t);
    if (first <= M) q = input.surplus[first < 1 ? 1 : static_cast<std::size_t>(first)];
    time_[k] = t;
    surplus_[k] = q;
    const double day = std::trunc(t);
    if (std::fabs(day) < 9e18) {
      auto hit = firstOfDay.find(static_cast<long long>(day));
      if (hit != firstOfDay.end()) measurement_[k] = hit->second;
    }
  }
}

}  // namespace phreatix
