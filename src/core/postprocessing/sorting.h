// The sort and the percentile rule shared by the time-series characteristics.
//
// SortAscending is a non-recursive quicksort (Numerical Recipes' sort:
// median-of-three pivot, straight insertion below 7 elements, an explicit
// stack of NSTACK = 200 integers). radixSortAscending leaves exactly the
// array SortAscending leaves, bit for bit, in a fraction of the time: an LSD
// radix sort of the values' bit patterns. OrderStatistic picks element
// round(n*p) of a sorted array, without interpolation; the product is formed
// in extended precision with the extended values of the decimal fractions,
// and a tie goes to the even index.
#pragma once

namespace phreatix {

inline constexpr const char* kNstackMessage =
    "Stop in Quicksort-routine in Postprocessing-routine: NSTACK is te klein.";

// Sorts a[1..n] ascending in place (a[0] is not touched). Raises an error
// with kNstackMessage when the stack overflows.
void SortAscending(double* a, long long n);

// Sorts a[1..n] into the very array SortAscending(a, n) leaves. Two values
// that compare equal have the same bits unless they are -0.0 and +0.0, whose
// places among the zeros the quicksort decides (and a zero written out shows
// its sign): when both zeros occur, the quicksort is followed through the
// parts of the array that hold zeros only, and the rest is radix sorted. An
// array holding a NaN is left to the quicksort. `scratch` and `spare` each
// hold n doubles, overwritten.
void radixSortAscending(double* a, long long n, double* scratch, double* spare);

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
