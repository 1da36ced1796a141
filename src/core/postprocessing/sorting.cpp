#include "postprocessing/sorting.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

#include "error.h"
#include "text/number_text.h"
#include "text/rounding.h"

namespace phreatix {

namespace {
constexpr long long kInsertionLimit = 7;  // M
constexpr int NSTACK = 200;

// The quicksort over a[1..n], following only the ranges that hold an element
// of the final places lo..hi: a range of the quicksort holds exactly the
// elements that end in its places, and each range is sorted by itself, so
// places lo..hi come out as in the whole sort. The other places keep their
// final elements in some order. With lo = 1 and hi = n it is the whole sort.
void quicksortThrough(double* a, long long n, long long lo, long long hi) {
  long long stack[NSTACK + 1];
  int jstack = 0;
  long long l = 1, ir = n;
  // An empty range is kept, as the whole sort keeps it.
  auto wanted = [lo, hi](long long first, long long last) {
    return last < first || (last >= lo && first <= hi);
  };
  auto pop = [&]() {
    if (jstack == 0) return false;
    ir = stack[jstack];
    l = stack[jstack - 1];
    jstack -= 2;
    return true;
  };
  for (;;) {
    if (ir - l < kInsertionLimit) {
      for (long long j = l + 1; j <= ir; ++j) {
        const double v = a[j];
        long long i = j - 1;
        for (; i >= l && a[i] > v; --i) a[i + 1] = a[i];
        a[i + 1] = v;
      }
      if (!pop()) return;
      continue;
    }
    const long long k = (l + ir) / 2;
    std::swap(a[k], a[l + 1]);
    if (a[l + 1] > a[ir]) std::swap(a[l + 1], a[ir]);
    if (a[l] > a[ir]) std::swap(a[l], a[ir]);
    if (a[l + 1] > a[l]) std::swap(a[l + 1], a[l]);
    long long i = l + 1, j = ir;
    const double v = a[l];
    for (;;) {
      do ++i;
      while (a[i] < v);
      do --j;
      while (a[j] > v);
      if (j < i) break;
      std::swap(a[i], a[j]);
    }
    a[l] = a[j];
    a[j] = v;
    const bool left = wanted(l, j - 1), right = wanted(i, ir);
    if (left && right) {
      jstack += 2;
      if (jstack > NSTACK) throw Error(ErrorKind::kIndex, kNstackMessage);
      // Push the longer sub-range, go on with the shorter.
      if (ir - i + 1 >= j - l) {
        stack[jstack] = ir;
        stack[jstack - 1] = i;
        ir = j - 1;
      } else {
        stack[jstack] = j - 1;
        stack[jstack - 1] = l;
        l = i;
      }
    } else if (left) {
      ir = j - 1;
    } else if (right) {
      l = i;
    } else if (!pop()) {
      return;
    }
  }
}

// The bit pattern of a double mapped to an unsigned integer of the same
// order: negative values have all bits flipped, the others only the sign.
// -0.0 maps just below +0.0.
constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
constexpr std::uint64_t kNegativeZeroKey = ~kSignBit;
constexpr std::uint64_t kPositiveZeroKey = kSignBit;

inline std::uint64_t keyOf(double x) {
  const auto bits = std::bit_cast<std::uint64_t>(x);
  return (bits & kSignBit) != 0 ? ~bits : bits | kSignBit;
}
inline double valueOf(std::uint64_t key) {
  return std::bit_cast<double>((key & kSignBit) != 0 ? key & ~kSignBit : ~key);
}
// The keys live in the caller's double buffers as bare bit patterns.
inline void storeKey(double* at, std::uint64_t key) { std::memcpy(at, &key, sizeof key); }
inline std::uint64_t loadKey(const double* at) {
  std::uint64_t key;
  std::memcpy(&key, at, sizeof key);
  return key;
}

// Below this the quicksort itself is as fast.
constexpr long long kRadixThreshold = 64;

// LSD radix sort of a[1..n] in digits of kBits bits, least significant
// first; a digit that is the same in every key takes no pass.
template <int kBits>
void radixSort(double* a, long long n, double* scratch, double* spare) {
  constexpr int kDigits = (64 + kBits - 1) / kBits;
  constexpr std::size_t kBuckets = std::size_t{1} << kBits;
  constexpr std::uint64_t kMask = kBuckets - 1;
  std::uint32_t counts[kDigits][kBuckets];  // n is at most a few million
  std::memset(counts, 0, sizeof counts);

  long long negatives = 0, negativeZeros = 0, positiveZeros = 0;
  bool nan = false;
  for (long long i = 1; i <= n; ++i) {
    const double x = a[i];
    const std::uint64_t key = keyOf(x);
    nan |= x != x;
    negatives += key < kNegativeZeroKey;
    negativeZeros += key == kNegativeZeroKey;
    positiveZeros += key == kPositiveZeroKey;
    storeKey(scratch + i - 1, key);
    for (int d = 0; d < kDigits; ++d) ++counts[d][(key >> (d * kBits)) & kMask];
  }
  if (nan) {
    SortAscending(a, n);
    return;
  }
  if (negativeZeros > 0 && positiveZeros > 0) {
    // Places negatives+1 .. negatives+zeros hold the zeros; the values
    // either side of them are all distinct from zero.
    const long long zeros = negativeZeros + positiveZeros;
    quicksortThrough(a, n, negatives + 1, negatives + zeros);
    radixSortAscending(a, negatives, scratch, spare);
    radixSortAscending(a + negatives + zeros, n - negatives - zeros, scratch, spare);
    return;
  }

  double* from = scratch;
  double* to = spare;
  const std::uint64_t firstKey = loadKey(scratch);
  for (int d = 0; d < kDigits; ++d) {
    const int shift = d * kBits;
    std::uint32_t* count = counts[d];
    if (count[(firstKey >> shift) & kMask] == static_cast<std::uint64_t>(n)) continue;
    std::uint32_t offset = 0;
    for (std::size_t b = 0; b < kBuckets; ++b) {
      const std::uint32_t c = count[b];
      count[b] = offset;
      offset += c;
    }
    for (long long i = 0; i < n; ++i) {
      const std::uint64_t key = loadKey(from + i);
      storeKey(to + count[(key >> shift) & kMask]++, key);
    }
    std::swap(from, to);
  }
  for (long long i = 0; i < n; ++i) a[i + 1] = valueOf(loadKey(from + i));
}

}  // namespace

void SortAscending(double* a, long long n) { quicksortThrough(a, n, 1, n); }

void radixSortAscending(double* a, long long n, double* scratch, double* spare) {
  if (n < kRadixThreshold) {
    SortAscending(a, n);
  } else if (n < 65536) {
    radixSort<8>(a, n, scratch, spare);  // the day rows: small tables of counts
  } else {
    radixSort<11>(a, n, scratch, spare);
  }
}

double OrderStatistic(const double* a, long long n, long double p) {
  const long long index = roundHalfEven(static_cast<long double>(n) * p);
  if (index < 1 || index > n) {
    throw Error(ErrorKind::kIndex, "percentile index " + formatInt(index) + " outside 1.." +
                                       formatInt(n) + " (too few values for the " +
                                       formatReal(static_cast<double>(p * 100), 0, 0) + "% point)");
  }
  return a[index];
}

}  // namespace phreatix
