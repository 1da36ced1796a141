#include "postprocessing/correlogram.h"

namespace phreatix {

void accumulateLagSums(const double* __restrict d, const double* __restrict sq, long long L,
                       int lags, double* __restrict sxy, double* __restrict syy) {
  for (int k = 1; k <= lags; ++k) {
    sxy[k] = 0;
    syy[k] = 0;
  }
  for (long long i = 1; i < L; ++i) {
    const long long room = L - i;  // lags k with i <= L - k
    const int kmax = room < lags ? static_cast<int>(room) : lags;
    const double di = d[i];
    const double* next = d + i;
    const double* nextSq = sq + i;
    for (int k = 1; k <= kmax; ++k) {
      sxy[k] += di * next[k];
      syy[k] += nextSq[k];
    }
  }
}

}  // namespace phreatix
