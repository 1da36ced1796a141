#include "postprocessing/correlogram.h"

#include <algorithm>
#include <cstring>

namespace phreatix {

namespace {

// One lane per lag: lane j only ever adds the terms of its own lag, in
// increasing i, so every sum is that of the plain loop. A block holds kVecs
// vectors of kLanes lags; its 2*kVecs vectors of sums are independent chains
// of additions, enough of them to hide an addition's latency.
template <int kLanes>
struct VectorOf;
template <>
struct VectorOf<8> {
  typedef double type __attribute__((vector_size(64)));
};
template <>
struct VectorOf<4> {
  typedef double type __attribute__((vector_size(32)));
};
template <>
struct VectorOf<2> {
  typedef double type __attribute__((vector_size(16)));
};
template <int kLanes>
using Vec = typename VectorOf<kLanes>::type;

// Lags first .. first + kLanes*kVecs - 1, of which those up to `last` are
// stored.
template <int kLanes, int kVecs>
__attribute__((always_inline)) inline void sumBlock(const double* __restrict d,
                                                    const double* __restrict sq, long long L,
                                                    int first, int last, double* __restrict sxy,
                                                    double* __restrict syy) {
  constexpr int kBlock = kLanes * kVecs;
  Vec<kLanes> xy[kVecs], yy[kVecs];
#pragma GCC unroll 8
  for (int v = 0; v < kVecs; ++v) {
    xy[v] = Vec<kLanes>{};
    yy[v] = Vec<kLanes>{};
  }
  const long long full = L - (first + kBlock - 1);  // i <= L - k for every lag of the block
  long long i = 1;
  for (; i <= full; ++i) {
    const double di = d[i];  // a scalar operand is spread over the lanes
    const double* next = d + i + first;
    const double* nextSq = sq + i + first;
#pragma GCC unroll 8  // the sums must stay in registers
    for (int v = 0; v < kVecs; ++v) {
      Vec<kLanes> y, y2;
      std::memcpy(&y, next + kLanes * v, sizeof y);
      std::memcpy(&y2, nextSq + kLanes * v, sizeof y2);
      xy[v] += y * di;  // the product of d[i+k] and d[i], commuted exactly
      yy[v] += y2;
    }
  }
  double axy[kBlock], ayy[kBlock];
  for (int v = 0; v < kVecs; ++v) {
    std::memcpy(axy + kLanes * v, &xy[v], sizeof xy[v]);
    std::memcpy(ayy + kLanes * v, &yy[v], sizeof yy[v]);
  }
  // The last pairs of the shorter lags of the block.
  for (; i <= L - first; ++i) {
    const double di = d[i];
    for (int j = 0; j < kBlock && i <= L - (first + j); ++j) {
      axy[j] += di * d[i + first + j];
      ayy[j] += sq[i + first + j];
    }
  }
  for (int j = 0; j < kBlock && first + j <= last; ++j) {
    sxy[first + j] = axy[j];
    syy[first + j] = ayy[j];
  }
}

// Blocks of lags up to `lags`; the last block may run past it, its extra
// lanes computed and dropped (they read no further than d[L]).
template <int kLanes, int kVecs>
__attribute__((always_inline)) inline void sumAllBlocks(const double* d, const double* sq,
                                                        long long L, int lags, double* sxy,
                                                        double* syy) {
  for (int k = 1; k <= lags; k += kLanes * kVecs) {
    sumBlock<kLanes, kVecs>(d, sq, L, k, lags, sxy, syy);
  }
}

// 32 lags a block, in AVX-512 registers.
__attribute__((target("avx512f"))) void sumAvx512(const double* d, const double* sq, long long L,
                                                  int lags, double* sxy, double* syy) {
  sumAllBlocks<8, 4>(d, sq, L, lags, sxy, syy);
}
// 16 lags a block, in AVX registers.
__attribute__((target("avx2"))) void sumAvx2(const double* d, const double* sq, long long L,
                                             int lags, double* sxy, double* syy) {
  sumAllBlocks<4, 4>(d, sq, L, lags, sxy, syy);
}
// 8 lags a block, in SSE2 registers.
void sumSse2(const double* d, const double* sq, long long L, int lags, double* sxy, double* syy) {
  sumAllBlocks<2, 4>(d, sq, L, lags, sxy, syy);
}

using SumFunction = void (*)(const double*, const double*, long long, int, double*, double*);

SumFunction chooseSum() {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f")) return sumAvx512;
  if (__builtin_cpu_supports("avx2")) return sumAvx2;
  return sumSse2;
}

}  // namespace

void accumulateLagSums(const double* d, const double* sq, long long L, int lags, double* sxy,
                       double* syy) {
  static const SumFunction sum = chooseSum();
  sum(d, sq, L, lags, sxy, syy);
}

}  // namespace phreatix
