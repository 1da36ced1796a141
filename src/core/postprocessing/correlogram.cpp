#include "postprocessing/correlogram.h"

#include <cstring>

namespace phreatix {

namespace {

// Lags summed together, their accumulators held in vector registers: lane j
// of a vector belongs to one lag and only ever adds that lag's terms, in
// increasing i, so the sums are those of the plain loop.
constexpr int kBlock = 8;
using Vec4 = double __attribute__((vector_size(32)));

// Lags first .. first+7.
__attribute__((target_clones("avx2", "default"))) void sumFullBlock(const double* __restrict d,
                                                                    const double* __restrict sq,
                                                                    long long L, int first,
                                                                    double* __restrict sxy,
                                                                    double* __restrict syy) {
  Vec4 xyLow = {0, 0, 0, 0}, xyHigh = {0, 0, 0, 0}, yyLow = {0, 0, 0, 0}, yyHigh = {0, 0, 0, 0};
  const long long full = L - (first + kBlock - 1);  // i <= L - k for every lag of the block
  long long i = 1;
  for (; i <= full; ++i) {
    const Vec4 di = {d[i], d[i], d[i], d[i]};
    const double* next = d + i + first;
    const double* nextSq = sq + i + first;
    Vec4 low, high, sqLow, sqHigh;
    std::memcpy(&low, next, sizeof low);
    std::memcpy(&high, next + 4, sizeof high);
    std::memcpy(&sqLow, nextSq, sizeof sqLow);
    std::memcpy(&sqHigh, nextSq + 4, sizeof sqHigh);
    xyLow += di * low;
    xyHigh += di * high;
    yyLow += sqLow;
    yyHigh += sqHigh;
  }
  double axy[kBlock], ayy[kBlock];
  for (int j = 0; j < 4; ++j) {
    axy[j] = xyLow[j];
    axy[j + 4] = xyHigh[j];
    ayy[j] = yyLow[j];
    ayy[j + 4] = yyHigh[j];
  }
  // The last pairs of the shorter lags of the block.
  for (; i <= L - first; ++i) {
    const double di = d[i];
    for (int j = 0; j < kBlock && i <= L - (first + j); ++j) {
      axy[j] += di * d[i + first + j];
      ayy[j] += sq[i + first + j];
    }
  }
  for (int j = 0; j < kBlock; ++j) {
    sxy[first + j] = axy[j];
    syy[first + j] = ayy[j];
  }
}

}  // namespace

void accumulateLagSums(const double* d, const double* sq, long long L, int lags, double* sxy,
                       double* syy) {
  int k = 1;
  for (; k + kBlock - 1 <= lags; k += kBlock) sumFullBlock(d, sq, L, k, sxy, syy);
  // The remaining lags one by one, each in increasing i.
  for (; k <= lags; ++k) {
    double xy = 0, yy = 0;
    for (long long i = 1; i <= L - k; ++i) {
      xy += d[i] * d[i + k];
      yy += sq[i + k];
    }
    sxy[k] = xy;
    syy[k] = yy;
  }
}

}  // namespace phreatix
