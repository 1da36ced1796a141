// The inner sums of the temporal autocorrelation, for lags 1..lags of one
// realisation's deviations d[1..L] from the mean:
//   sxy[k] = sum over i = 1..L-k of d[i]*d[i+k]
//   syy[k] = sum over i = 1..L-k of d[i+k]^2     (sq[j] = d[j]*d[j])
// Each lag's sum is accumulated in increasing i, exactly as the plain
// definition adds it; blocks of consecutive lags are summed together in
// vector registers, one lane per lag, so no single sum is reordered.
#pragma once

namespace phreatix {

// sxy and syy receive elements 1..lags.
void accumulateLagSums(const double* d, const double* sq, long long L, int lags, double* sxy,
                       double* syy);

}  // namespace phreatix
