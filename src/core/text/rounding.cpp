#include "text/rounding.h"

#include <cmath>
#include <limits>
#include <string>

#include "error.h"
#include "text/number_text.h"

namespace phreatix {

namespace {

// 2^63 is exact in long double; everything at or above it, and NaN, is out.
constexpr long double kTwo63 = 9223372036854775808.0L;

std::int64_t checkedInt64(long double r, long double x) {
  if (!(r >= -kTwo63 && r < kTwo63)) {
    throw Error(ErrorKind::kOverflow,
                "integer overflow: " + formatReal(static_cast<double>(x), 0, 1) +
                    " does not fit a 64-bit integer");
  }
  return static_cast<std::int64_t>(r);
}

int checkedInt32(std::int64_t v) {
  if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) {
    throw Error(ErrorKind::kOverflow,
                "integer overflow: " + formatInt(v) + " does not fit a 32-bit integer");
  }
  return static_cast<int>(v);
}

}  // namespace

std::int64_t roundHalfEven(long double x) {
  long double f = std::floor(x);
  long double diff = x - f;  // exact: x and f share their binade or f is 0
  long double r = f;
  if (diff > 0.5L) {
    r = f + 1;
  } else if (diff == 0.5L) {
    r = std::fmod(f, 2.0L) == 0 ? f : f + 1;
  }
  return checkedInt64(r, x);
}

std::int64_t truncToward0(long double x) { return checkedInt64(std::trunc(x), x); }

int roundToInt(long double x) { return checkedInt32(roundHalfEven(x)); }
int truncToInt(long double x) { return checkedInt32(truncToward0(x)); }

}  // namespace phreatix
