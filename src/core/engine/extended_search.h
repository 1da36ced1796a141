// The searches the extended candidates share: the downhill simplex in a
// few dimensions and the inverse of the Hessian for standard errors.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace phreatix {

// Downhill simplex (Nelder and Mead) in up to N dimensions (the first
// `dims` of `start`).
template <std::size_t N, class Objective>
std::pair<std::array<double, N>, double> downhill(Objective&& f, std::array<double, N> start,
                                                  int dims, double step, int maxEvaluations) {
  const int m = dims + 1;
  std::array<std::array<double, N>, N + 1> p{};
  std::array<double, N + 1> y{};
  for (int i = 0; i < m; ++i) {
    p[i] = start;
    if (i > 0) p[i][i - 1] += step;
    y[i] = f(p[i]);
  }
  int evaluations = m;
  while (evaluations < maxEvaluations) {
    int lo = 0, hi = 0;
    for (int i = 1; i < m; ++i) {
      if (y[i] < y[lo]) lo = i;
      if (y[i] > y[hi]) hi = i;
    }
    int nextHi = lo;
    for (int i = 0; i < m; ++i) {
      if (i != hi && y[i] > y[nextHi]) nextHi = i;
    }
    // Converged when the vertices' objectives (minus twice a log-likelihood)
    // agree within 0.001.
    if (std::fabs(y[hi] - y[lo]) <= 1e-3) break;
    std::array<double, N> centre{};
    for (int i = 0; i < m; ++i) {
      if (i == hi) continue;
      for (int d = 0; d < dims; ++d) centre[d] += p[i][d] / dims;
    }
    auto along = [&](double t) {
      std::array<double, N> q{};
      for (int d = 0; d < dims; ++d) q[d] = centre[d] + t * (p[hi][d] - centre[d]);
      return q;
    };
    const std::array<double, N> reflected = along(-1);
    const double yr = f(reflected);
    ++evaluations;
    if (yr < y[lo]) {
      const std::array<double, N> expanded = along(-2);
      const double ye = f(expanded);
      ++evaluations;
      if (ye < yr) {
        p[hi] = expanded;
        y[hi] = ye;
      } else {
        p[hi] = reflected;
        y[hi] = yr;
      }
    } else if (yr < y[nextHi]) {
      p[hi] = reflected;
      y[hi] = yr;
    } else {
      const bool outside = yr < y[hi];
      const std::array<double, N> contracted = along(outside ? -0.5 : 0.5);
      const double yc = f(contracted);
      ++evaluations;
      if (yc < std::min(yr, y[hi])) {
        p[hi] = contracted;
        y[hi] = yc;
      } else {
        for (int i = 0; i < m; ++i) {
          if (i == lo) continue;
          for (int d = 0; d < dims; ++d) p[i][d] = p[lo][d] + 0.5 * (p[i][d] - p[lo][d]);
          y[i] = f(p[i]);
          ++evaluations;
        }
      }
    }
  }
  int lo = 0;
  for (int i = 1; i < m; ++i) {
    if (y[i] < y[lo]) lo = i;
  }
  return {p[lo], y[lo]};
}

// Inverts a symmetric positive definite matrix by Cholesky; false when it is
// not positive definite.
bool invertPositiveDefinite(std::vector<std::vector<double>>& a);

// Standard errors from the Hessian of an objective (minus twice a
// log-likelihood) at x0, by central differences with steps h: sqrt of the
// diagonal of 2 H^-1; -1 where not available (every one when the Hessian is
// not finite or not positive definite).
template <class Objective>
std::vector<double> hessianStandardErrors(Objective&& at, const std::vector<double>& x0,
                                          const std::vector<double>& h) {
  const int k = static_cast<int>(x0.size());
  std::vector<double> errors(static_cast<std::size_t>(k), -1.0);
  const double F0 = at(x0);
  std::vector<std::vector<double>> H(k, std::vector<double>(k, 0.0));
  bool finite = std::isfinite(F0);
  for (int r = 0; r < k && finite; ++r) {
    auto plus = x0, minus = x0;
    plus[r] += h[r];
    minus[r] -= h[r];
    H[r][r] = (at(plus) - 2 * F0 + at(minus)) / (h[r] * h[r]);
    finite = std::isfinite(H[r][r]);
    for (int s = 0; s < r && finite; ++s) {
      auto pp = x0, pm = x0, mp = x0, mm = x0;
      pp[r] += h[r];
      pp[s] += h[s];
      pm[r] += h[r];
      pm[s] -= h[s];
      mp[r] -= h[r];
      mp[s] += h[s];
      mm[r] -= h[r];
      mm[s] -= h[s];
      H[r][s] = H[s][r] = (at(pp) - at(pm) - at(mp) + at(mm)) / (4 * h[r] * h[s]);
      finite = std::isfinite(H[r][s]);
    }
  }
  if (finite && invertPositiveDefinite(H)) {
    for (int r = 0; r < k; ++r) {
      const double variance = 2 * H[r][r];
      if (variance > 0) errors[static_cast<std::size_t>(r)] = std::sqrt(variance);
    }
  }
  return errors;
}

}  // namespace phreatix
