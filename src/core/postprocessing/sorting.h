// The sort and the percentile rule shared by the time-series characteristics.
//
// SortAscending is a non-recursive quicksort (Numerical Recipes' sort:
// median-of-three pivot, straight insertion below 7 elements, an explicit
// stack of NSTACK = 200 integers). OrderStatistic picks element round(n*p) of
// a sorted array, without interpolation; the product is formed in extended
// precision with the extended values of the decimal fractions, and a tie
// goes to the even index.
#pragma once

namespace phreatix {

inline constexpr const char* kNstackMessage =
    "Stop in Quicksort-routine in Postprocessing-routine: NSTACK is te klein.";

// Sorts a[1..n] ascending in place (a[0] is not touched). Raises an error
// with kNstackMessage when the stack overflows.
void SortAscending(double* a, long long n);

// Element round(n*p) of the ascending a[1..n]; an index outside 1..n (too
// few values for the fraction) raises an index error.
double OrderStatistic(const double* a, long long n, long double p);

// The nearest extended values of the fractions the characteristics use.
inline constexpr long double kP01 = 0.01L;
inline constexpr long double kP05 = 0.05L;
inline constexpr long double kP10 = 0.1L;
inline constexpr long double kP25 = 0.25L;
inline constexpr long double kP50 = 0.5L;
inline constexpr long double kP75 = 0.75L;
inline constexpr long double kP90 = 0.9L;
inline constexpr long double kP95 = 0.95L;
inline constexpr long double kP99 = 0.99L;

}  // namespace phreatix
