#include "postprocessing/sorting.h"

#include <utility>

#include "error.h"
#include "text/number_text.h"
#include "text/rounding.h"

namespace phreatix {

namespace {
constexpr long long kInsertionLimit = 7;  // M
constexpr int NSTACK = 200;
}  // namespace

void SortAscending(double* a, long long n) {
  long long stack[NSTACK + 1];
  int jstack = 0;
  long long l = 1, ir = n;
  for (;;) {
    if (ir - l < kInsertionLimit) {
      for (long long j = l + 1; j <= ir; ++j) {
        const double v = a[j];
        long long i = j - 1;
        for (; i >= l && a[i] > v; --i) a[i + 1] = a[i];
        a[i + 1] = v;
      }
      if (jstack == 0) return;
      ir = stack[jstack];
      l = stack[jstack - 1];
      jstack -= 2;
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
