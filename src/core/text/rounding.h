// Rounding of reals to integers: `roundHalfEven` goes to the nearest integer
// with halves to the even neighbour, `truncToward0` toward zero. Both take the
// extended-precision value of the expression and raise an overflow error when
// the result does not fit, instead of wrapping.
#pragma once

#include <cstdint>

namespace phreatix {

std::int64_t roundHalfEven(long double x);
std::int64_t truncToward0(long double x);

// The same, checked into a 32-bit int.
int roundToInt(long double x);
int truncToInt(long double x);

}  // namespace phreatix
