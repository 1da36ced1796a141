#include "engine/extended_model.h"

#include <algorithm>
#include <boost/math/special_functions/gamma.hpp>
#include <boost/math/tools/minima.hpp>
#include <cmath>
#include <limits>
#include <map>
#include <utility>

#include "engine/extended_search.h"
#include "engine/filter_pass.h"
#include "error.h"

namespace phreatix {

void ExtendedModel::setValues(const std::array<double, kExtendedParameters>& v) {
  A = v[0];
  n = v[1];
  a = v[2];
  f = v[3];
  phi = v[4];
  c = v[5];
  sigma2 = v[6];
}

const char* shapeLabel(ExtendedShape shape) {
  return shape == ExtendedShape::kExponential ? "ef" : "gf";
}

int calibratedParameters(ExtendedShape shape) {
  return shape == ExtendedShape::kExponential ? 6 : 7;
}

const char* shapeDescription(ExtendedShape shape) {
  return shape == ExtendedShape::kExponential ? "exponentiele respons met verdampingsfactor f"
                                              : "Gamma-respons met verdampingsfactor f";
}

namespace {

double stepShare(double n, double t) {
  if (t <= 0) return 0;
  return boost::math::gamma_p(n, t);
}

}  // namespace

std::vector<double> blockResponse(double n, double a, int length) {
  if (length <= 0) {
    const double end = a * boost::math::gamma_p_inv(n, kResponseCutoff);
    length =
        static_cast<int>(std::clamp(std::ceil(end), 1.0, static_cast<double>(kMaxResponseDays)));
  }
  std::vector<double> theta(static_cast<std::size_t>(length));
  double before = 0;
  for (int k = 0; k < length; ++k) {
    const double after = stepShare(n, (k + 1) / a);
    theta[static_cast<std::size_t>(k)] = after - before;
    before = after;
  }
  return theta;
}

double responseTime(double n, double a, double share) {
  return a * boost::math::gamma_p_inv(n, share);
}

double componentUnit(const ModelComponent& c, int day) {
  switch (c.kind) {
    case ComponentKind::kTrend: {
      const int t = std::clamp(day, c.start, std::max(c.start, c.end));
      return (t - c.start) / 365.25;
    }
    case ComponentKind::kStep:
      if (day < c.start) return 0;
      return c.fade > 0 ? std::exp(-(day - c.start) / c.fade) : 1.0;
    case ComponentKind::kStress:
      break;
  }
  throw Error(ErrorKind::kIndex, "extended model: a stress has no course of its own");
}

ExtendedFilter::ExtendedFilter(const DailyWeather& weather, const std::vector<DayLevel>& readings,
                               const DailyStress* stress)
    : weather_(weather), readings_(readings), stress_(stress) {
  const std::size_t days = weather.precipitation.size();
  if (days == 0 || weather.evaporation.size() != days) {
    throw Error(ErrorKind::kInput, "extended model: no weather");
  }
  double sumP = 0, sumE = 0;
  for (std::size_t i = 0; i < days; ++i) {
    sumP = sumP + weather.precipitation[i];
    sumE = sumE + weather.evaporation[i];
  }
  meanP_ = sumP / static_cast<double>(days);
  meanE_ = sumE / static_cast<double>(days);
  for (std::size_t i = 0; i < readings_.size(); ++i) {
    const int day = readings_[i].day;
    if (day < 0 || static_cast<std::size_t>(day) >= days ||
        (i > 0 && day <= readings_[i - 1].day)) {
      throw Error(ErrorKind::kIndex, "extended model: reading " + std::to_string(i + 1) +
                                         " on day " + std::to_string(day) +
                                         " is not after the one before or outside the weather");
    }
  }
}

void ExtendedFilter::convolveAtReadings(double n, double a, std::vector<double>& uP,
                                        std::vector<double>& uE, int length) const {
  const std::vector<double> theta = blockResponse(n, a, length);
  const int L = static_cast<int>(theta.size());
  std::vector<double> tail(theta.size() + 1, 0.0);  // tail[k] = sum of theta_j, j >= k
  for (int k = L - 1; k >= 0; --k) tail[k] = tail[k + 1] + theta[k];
  uP.resize(readings_.size());
  uE.resize(readings_.size());
  const double* P = weather_.precipitation.data();
  const double* E = weather_.evaporation.data();
  const std::size_t count = readings_.size();
  // A reading's sum over the days the weather holds, the mean before them.
  auto one = [&](std::size_t i) {
    const int t = readings_[i].day;
    const int within = std::min(L, t + 1);
    double sp = 0, se = 0;
    for (int k = 0; k < within; ++k) {
      sp += theta[k] * P[t - k];
      se += theta[k] * E[t - k];
    }
    uP[i] = sp + tail[within] * meanP_;
    uE[i] = se + tail[within] * meanE_;
  };
  std::size_t i = 0;
  for (; i < count && readings_[i].day + 1 < L; ++i) one(i);
  // Four readings whose whole response lies within the weather at once:
  // eight sums side by side, each in its own order of terms.
  for (; i + 4 <= count; i += 4) {
    const int t0 = readings_[i].day, t1 = readings_[i + 1].day;
    const int t2 = readings_[i + 2].day, t3 = readings_[i + 3].day;
    double p0 = 0, p1 = 0, p2 = 0, p3 = 0, e0 = 0, e1 = 0, e2 = 0, e3 = 0;
    for (int k = 0; k < L; ++k) {
      const double w = theta[k];
      p0 += w * P[t0 - k];
      p1 += w * P[t1 - k];
      p2 += w * P[t2 - k];
      p3 += w * P[t3 - k];
      e0 += w * E[t0 - k];
      e1 += w * E[t1 - k];
      e2 += w * E[t2 - k];
      e3 += w * E[t3 - k];
    }
    const double rest = tail[L];
    uP[i] = p0 + rest * meanP_;
    uP[i + 1] = p1 + rest * meanP_;
    uP[i + 2] = p2 + rest * meanP_;
    uP[i + 3] = p3 + rest * meanP_;
    uE[i] = e0 + rest * meanE_;
    uE[i + 1] = e1 + rest * meanE_;
    uE[i + 2] = e2 + rest * meanE_;
    uE[i + 3] = e3 + rest * meanE_;
  }
  for (; i < count; ++i) one(i);
}

std::vector<double> ExtendedFilter::deterministic(const ExtendedModel& m, int first,
                                                  int count) const {
  const std::vector<double> theta = blockResponse(m.n, m.a);
  const int L = static_cast<int>(theta.size());
  std::vector<double> tail(theta.size() + 1, 0.0);
  for (int k = L - 1; k >= 0; --k) tail[k] = tail[k + 1] + theta[k];
  const int days = static_cast<int>(weather_.precipitation.size());
  if (first < 0 || count < 0 || first + count > days) {
    throw Error(ErrorKind::kIndex, "extended model: days " + std::to_string(first) + " .. " +
                                       std::to_string(first + count - 1) +
                                       " lie outside the weather");
  }
  const double* P = weather_.precipitation.data();
  const double* E = weather_.evaporation.data();
  std::vector<double> d(static_cast<std::size_t>(count));
  for (int j = 0; j < count; ++j) {
    const int t = first + j;
    const int within = std::min(L, t + 1);
    double sp = 0, se = 0;
    for (int k = 0; k < within; ++k) {
      sp += theta[k] * P[t - k];
      se += theta[k] * E[t - k];
    }
    const double uP = sp + tail[within] * meanP_;
    const double uE = se + tail[within] * meanE_;
    d[j] = m.A * (uP - m.f * uE);
  }
  return d;
}

std::vector<double> ExtendedFilter::componentAtReadings(const ModelComponent& c, int length) const {
  std::vector<double> x(readings_.size());
  if (c.kind != ComponentKind::kStress) {
    for (std::size_t i = 0; i < readings_.size(); ++i) x[i] = componentUnit(c, readings_[i].day);
    return x;
  }
  if (stress_ == nullptr) throw Error(ErrorKind::kIndex, "extended model: no stress series");
  const std::vector<double> theta = blockResponse(c.n, c.a, length);
  const int L = static_cast<int>(theta.size());
  for (std::size_t i = 0; i < readings_.size(); ++i) {
    const int t = readings_[i].day;
    double s = 0;
    for (int k = 0; k < L; ++k) s += theta[k] * stress_->at(t - k);
    x[i] = s;
  }
  return x;
}

std::vector<double> ExtendedFilter::componentCourse(const ModelComponent& c, int first,
                                                    int count) const {
  std::vector<double> x(static_cast<std::size_t>(std::max(count, 0)));
  if (c.kind != ComponentKind::kStress) {
    for (int j = 0; j < count; ++j) x[j] = componentUnit(c, first + j);
    return x;
  }
  if (stress_ == nullptr) throw Error(ErrorKind::kIndex, "extended model: no stress series");
  const std::vector<double> theta = blockResponse(c.n, c.a);
  const int L = static_cast<int>(theta.size());
  for (int j = 0; j < count; ++j) {
    double s = 0;
    for (int k = 0; k < L; ++k) s += theta[k] * stress_->at(first + j - k);
    x[j] = s;
  }
  return x;
}

double ExtendedFilter::stressEquilibrium(const ModelComponent& c, double value) const {
  double sum = 0;
  for (double theta : blockResponse(c.n, c.a)) sum += theta;
  return sum * value;
}

ExtendedFilter::Objective ExtendedFilter::objective(
    const ExtendedModel& m, const std::vector<double>& uP, const std::vector<double>& uE,
    const std::vector<double>& weights, const std::vector<std::vector<double>>& columns) const {
  Objective o;
  const double denominator = 1 - m.phi * m.phi;
  double previous = 0;
  for (std::size_t i = 0; i < readings_.size(); ++i) {
    const double w = weights.empty() ? 1.0 : weights[i];
    double r = readings_[i].level - m.A * (uP[i] - m.f * uE[i]) - m.c;
    for (std::size_t j = 0; j < columns.size(); ++j) r -= m.components[j].gain * columns[j][i];
    double rho = 0;
    if (i > 0) rho = std::pow(m.phi, readings_[i].day - readings_[i - 1].day);
    const double g = (1 - rho * rho) / denominator;
    const double e = r - rho * previous;
    const double F = m.sigma2 * g;
    o.L += w * (kLn2Pi + std::log(F));
    o.S += w * e * e / F;
    previous = r;
  }
  o.value = o.L + o.S;
  return o;
}

namespace {

// The largest linear system of the profile: c, A, A*f and the components.
constexpr int kMaxLinear = 8;
using LinearMatrix = std::array<std::array<double, kMaxLinear>, kMaxLinear>;
using LinearVector = std::array<double, kMaxLinear>;

// Solves the symmetric system a x = b of size k by elimination; false when
// it is singular.
bool solve(LinearMatrix a, LinearVector b, int k, LinearVector& x) {
  for (int col = 0; col < k; ++col) {
    int pivot = col;
    for (int r = col + 1; r < k; ++r) {
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
    }
    if (!(std::fabs(a[pivot][col]) > 1e-300)) return false;
    std::swap(a[col], a[pivot]);
    std::swap(b[col], b[pivot]);
    for (int r = col + 1; r < k; ++r) {
      const double factor = a[r][col] / a[col][col];
      for (int j = col; j < k; ++j) a[r][j] -= factor * a[col][j];
      b[r] -= factor * b[col];
    }
  }
  for (int r = k - 1; r >= 0; --r) {
    double s = b[r];
    for (int j = r + 1; j < k; ++j) s -= a[r][j] * x[j];
    x[r] = s / a[r][r];
  }
  for (int r = 0; r < k; ++r) {
    if (!std::isfinite(x[r])) return false;
  }
  return true;
}

}  // namespace

double ExtendedFilter::profile(ExtendedModel& m, const std::vector<double>& uP,
                               const std::vector<double>& uE, const std::vector<double>& weights,
                               double fMin, double fMax,
                               const std::vector<std::vector<double>>& columns) const {
  const std::size_t N = readings_.size();
  const int K = static_cast<int>(columns.size());
  if (K + 3 > kMaxLinear || m.components.size() != columns.size()) {
    throw Error(ErrorKind::kIndex, "extended model: " + std::to_string(K) +
                                       " component columns for " +
                                       std::to_string(m.components.size()) + " components");
  }
  const double denominator = 1 - m.phi * m.phi;
  // The prewhitened readings and regressors, and the weights over g.
  std::vector<double> Y(N), X0(N), X1(N), X2(N), wg(N), lnG(N);
  std::vector<std::vector<double>> C(static_cast<std::size_t>(K), std::vector<double>(N));
  double W = 0;
  for (std::size_t i = 0; i < N; ++i) {
    double rho = 0;
    if (i > 0) rho = std::pow(m.phi, readings_[i].day - readings_[i - 1].day);
    const double g = (1 - rho * rho) / denominator;
    const double w = weights.empty() ? 1.0 : weights[i];
    const double y = readings_[i].level;
    const double yPrev = i > 0 ? readings_[i - 1].level : 0;
    const double pPrev = i > 0 ? uP[i - 1] : 0;
    const double ePrev = i > 0 ? uE[i - 1] : 0;
    Y[i] = y - rho * yPrev;
    X0[i] = 1 - rho;
    X1[i] = uP[i] - rho * pPrev;
    X2[i] = uE[i] - rho * ePrev;
    for (int j = 0; j < K; ++j) C[j][i] = columns[j][i] - (i > 0 ? rho * columns[j][i - 1] : 0);
    wg[i] = w / g;
    lnG[i] = w * std::log(g);
    W += w;
  }
  double sumLnG = 0;
  for (double v : lnG) sumLnG += v;

  // The weighted sum of squares and the objective for c, A, f and the gains.
  auto evaluate = [&](double c, double A, double f, const LinearVector& gains, double& sigma2) {
    double ss = 0;
    for (std::size_t i = 0; i < N; ++i) {
      double e = Y[i] - c * X0[i] - A * (X1[i] - f * X2[i]);
      for (int j = 0; j < K; ++j) e -= gains[j] * C[j][i];
      ss += wg[i] * e * e;
    }
    sigma2 = std::max(ss / W, 1e-12);
    return W * kLn2Pi + sumLnG + W * std::log(sigma2) + ss / sigma2;
  };
  // c, A and the gains for a fixed f.
  auto withF = [&](double f, double& c, double& A, LinearVector& gains) {
    LinearMatrix a{};
    LinearVector b{}, x{};
    const int k = 2 + K;
    std::vector<const std::vector<double>*> rest;
    for (int j = 0; j < K; ++j) rest.push_back(&C[j]);
    for (std::size_t i = 0; i < N; ++i) {
      const double xf = X1[i] - f * X2[i];
      a[0][0] += wg[i] * X0[i] * X0[i];
      a[0][1] += wg[i] * X0[i] * xf;
      a[1][1] += wg[i] * xf * xf;
      b[0] += wg[i] * X0[i] * Y[i];
      b[1] += wg[i] * xf * Y[i];
      for (int j = 0; j < K; ++j) {
        const double cj = (*rest[j])[i];
        a[0][2 + j] += wg[i] * X0[i] * cj;
        a[1][2 + j] += wg[i] * xf * cj;
        for (int l = 0; l <= j; ++l) a[2 + l][2 + j] += wg[i] * (*rest[l])[i] * cj;
        b[2 + j] += wg[i] * cj * Y[i];
      }
    }
    for (int r = 0; r < k; ++r) {
      for (int s2 = 0; s2 < r; ++s2) a[r][s2] = a[s2][r];
    }
    if (!solve(a, b, k, x)) return false;
    c = x[0];
    A = x[1];
    for (int j = 0; j < K; ++j) gains[j] = x[2 + j];
    return true;
  };

  double best = std::numeric_limits<double>::infinity();
  ExtendedModel chosen = m;
  auto consider = [&](double c, double A, double f, const LinearVector& gains) {
    double sigma2 = 0;
    const double value = evaluate(c, A, f, gains, sigma2);
    if (value < best) {
      best = value;
      chosen.c = c;
      chosen.A = A;
      chosen.f = f;
      chosen.sigma2 = sigma2;
      for (int j = 0; j < K; ++j) chosen.components[j].gain = gains[j];
    }
  };

  // All free.
  LinearMatrix a{};
  LinearVector b{}, x{};
  const int k = 3 + K;
  std::array<double, kMaxLinear> row{};
  for (std::size_t i = 0; i < N; ++i) {
    row[0] = X0[i];
    row[1] = X1[i];
    row[2] = X2[i];
    for (int j = 0; j < K; ++j) row[3 + j] = C[j][i];
    for (int r = 0; r < k; ++r) {
      for (int s2 = 0; s2 < k; ++s2) a[r][s2] += wg[i] * row[r] * row[s2];
      b[r] += wg[i] * row[r] * Y[i];
    }
  }
  bool interior = false;
  if (solve(a, b, k, x) && x[1] > 0) {
    const double f = -x[2] / x[1];
    LinearVector gains{};
    for (int j = 0; j < K; ++j) gains[j] = x[3 + j];
    if (f >= fMin && f <= fMax) {
      consider(x[0], x[1], f, gains);
      interior = true;
    } else {
      double c = 0, A = 0;
      const double fb = std::clamp(f, fMin, fMax);
      if (withF(fb, c, A, gains)) consider(c, A, fb, gains);
    }
  }
  if (!interior) {
    for (double f : {fMin, 1.0, fMax}) {
      double c = 0, A = 0;
      LinearVector gains{};
      if (withF(f, c, A, gains)) consider(c, A, f, gains);
    }
  }
  m = chosen;
  return best;
}

namespace {

// The searched parameters of a candidate: log a, logit phi and (Gamma) log n.
struct SearchSpace {
  ExtendedShape shape;
  CandidateBounds bounds;
  int dims() const { return shape == ExtendedShape::kGamma ? 3 : 2; }
  void toModel(const std::array<double, 3>& x, ExtendedModel& m) const {
    m.a = std::exp(std::clamp(x[0], std::log(bounds.aMin), std::log(bounds.aMax)));
    m.phi = 1 / (1 + std::exp(-std::clamp(x[1], -4.0, 12.0)));
    m.n = shape == ExtendedShape::kGamma
              ? std::exp(std::clamp(x[2], std::log(bounds.nMin), std::log(bounds.nMax)))
              : 1.0;
  }
};

}  // namespace

// Inverts a symmetric positive definite matrix by Cholesky; false when it is
// not positive definite.
bool invertPositiveDefinite(std::vector<std::vector<double>>& a) {
  const int n = static_cast<int>(a.size());
  std::vector<std::vector<double>> L(n, std::vector<double>(n, 0.0));
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j <= i; ++j) {
      double s = a[i][j];
      for (int k = 0; k < j; ++k) s -= L[i][k] * L[j][k];
      if (i == j) {
        if (!(s > 0)) return false;
        L[i][i] = std::sqrt(s);
      } else {
        L[i][j] = s / L[j][j];
      }
    }
  }
  // inverse of L, then (L^-1)^T L^-1
  std::vector<std::vector<double>> Li(n, std::vector<double>(n, 0.0));
  for (int i = 0; i < n; ++i) {
    Li[i][i] = 1 / L[i][i];
    for (int j = 0; j < i; ++j) {
      double s = 0;
      for (int k = j; k < i; ++k) s -= L[i][k] * Li[k][j];
      Li[i][j] = s / L[i][i];
    }
  }
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      double s = 0;
      for (int k = std::max(i, j); k < n; ++k) s += Li[k][i] * Li[k][j];
      a[i][j] = s;
    }
  }
  return true;
}

CandidateFit calibrateCandidate(ExtendedShape shape, const DailyWeather& weather,
                                const std::vector<DayLevel>& readings,
                                const std::vector<double>& weights, const CandidateBounds& bounds) {
  CandidateFit fit;
  fit.k = calibratedParameters(shape);
  fit.n = static_cast<int>(readings.size());
  fit.model.shape = shape;
  if (readings.size() < static_cast<std::size_t>(fit.k) + 2) {
    fit.failure = "te weinig metingen (" + std::to_string(readings.size()) + ")";
    return fit;
  }
  const ExtendedFilter filter(weather, readings);
  const SearchSpace space{shape, bounds};

  // The convolutions of the last shape (n, a), reused while only phi moves.
  double cachedN = -1, cachedA = -1;
  std::vector<double> uP, uE;
  auto convolve = [&](double n, double a) {
    if (n != cachedN || a != cachedA) {
      filter.convolveAtReadings(n, a, uP, uE);
      cachedN = n;
      cachedA = a;
    }
  };
  // For a response shape (n, a) the best phi, by Brent's method on logit
  // phi: a change of phi needs no new convolution.
  auto shapeObjective = [&](double n, double a, double& phiBest) {
    convolve(n, a);
    ExtendedModel m;
    m.shape = shape;
    m.n = n;
    m.a = a;
    auto byPhi = [&](double x) {
      m.phi = 1 / (1 + std::exp(-x));
      const double value = filter.profile(m, uP, uE, weights, bounds.fMin, bounds.fMax);
      return std::isfinite(value) ? value : std::numeric_limits<double>::max();
    };
    std::uintmax_t iterations = 60;
    const auto [x, value] =
        boost::math::tools::brent_find_minima(byPhi, -4.0, 12.0, 24, iterations);
    phiBest = 1 / (1 + std::exp(-x));
    fit.search.push_back({n, a, phiBest, value});
    return value;
  };
  auto outer = [&](const std::array<double, 3>& x) {
    ExtendedModel m;
    space.toModel({x[0], 0, x[1]}, m);
    double phi = 0;
    return shapeObjective(m.n, m.a, phi);
  };

  // The scale from a coarse grid of the exponential; a Gamma response then
  // tries shapes of the same mean response time (n a).
  std::array<double, 3> start{};
  double best = std::numeric_limits<double>::infinity();
  for (double a : {5.0, 20.0, 60.0, 200.0, 600.0, 2000.0}) {
    if (a < bounds.aMin || a > bounds.aMax) continue;
    const double value = outer({std::log(a), 0, 0});
    if (value < best) {
      best = value;
      start = {std::log(a), 0, 0};
    }
  }
  const int dims = shape == ExtendedShape::kGamma ? 2 : 1;
  if (shape == ExtendedShape::kGamma) {
    const double mean = std::exp(start[0]);
    for (double n : {0.5, 2.0, 4.0}) {
      const std::array<double, 3> x = {std::log(mean / n), std::log(n), 0};
      const double value = outer(x);
      if (value < best) {
        best = value;
        start = x;
      }
    }
  }
  std::array<double, 3> y = start;
  double value = best;
  if (dims == 1) {
    // The exponential: Brent's method on log a around the grid's best.
    auto byScale = [&](double logA) { return outer({logA, 0, 0}); };
    std::uintmax_t iterations = 40;
    const double lo = std::max(start[0] - 1.2, std::log(bounds.aMin));
    const double hi = std::min(start[0] + 1.2, std::log(bounds.aMax));
    const auto [logA, v] = boost::math::tools::brent_find_minima(byScale, lo, hi, 20, iterations);
    y = {logA, 0, 0};
    value = v;
  } else {
    std::tie(y, value) = downhill(outer, start, dims, 0.5, 120);
  }
  if (!std::isfinite(value) || value >= std::numeric_limits<double>::max()) {
    fit.failure = "de zoektocht vond geen eindige doelfunctie";
    return fit;
  }
  std::array<double, 3> x{};
  {
    ExtendedModel probe;
    space.toModel({y[0], 0, y[1]}, probe);
    double phi = 0;
    shapeObjective(probe.n, probe.a, phi);
    x = {y[0], std::log(phi / (1 - phi)), y[1]};
  }
  ExtendedModel m;
  m.shape = shape;
  space.toModel(x, m);
  convolve(m.n, m.a);
  fit.weightedObjective = filter.profile(m, uP, uE, weights, bounds.fMin, bounds.fMax);
  fit.model = m;
  fit.objective = filter.objective(m, uP, uE, {}).value;
  fit.bic = fit.objective + fit.k * std::log(static_cast<double>(fit.n));
  fit.t95 = responseTime(m.n, m.a);
  fit.ok = true;

  // Standard errors: the Hessian of the calibration objective over the
  // calibrated parameters, by central differences, with the block response
  // kept at the optimum's length (its cut would otherwise jump between the
  // differences).
  const int length = static_cast<int>(blockResponse(m.n, m.a).size());
  std::vector<int> free;
  for (int j = 0; j < kExtendedParameters; ++j) {
    if (j == 1 && shape == ExtendedShape::kExponential) continue;
    free.push_back(j);
  }
  const std::array<double, kExtendedParameters> x0 = m.values();
  std::array<double, kExtendedParameters> h{};
  for (int j = 0; j < kExtendedParameters; ++j) h[j] = 1e-3 * std::max(std::fabs(x0[j]), 1e-2);
  h[3] = 1e-3;
  h[4] = std::min(1e-4, (1 - m.phi) / 4);
  std::map<std::pair<double, double>, std::pair<std::vector<double>, std::vector<double>>>
      convolutions;
  auto at = [&](std::array<double, kExtendedParameters> v) {
    ExtendedModel q;
    q.shape = shape;
    q.setValues(v);
    if (!(q.phi > 0 && q.phi < 1 && q.sigma2 > 0 && q.a > 0 && q.n > 0)) {
      return std::numeric_limits<double>::quiet_NaN();
    }
    // Only the differences in n and a need a convolution of their own.
    auto key = std::make_pair(q.n, q.a);
    auto found = convolutions.find(key);
    if (found == convolutions.end()) {
      std::pair<std::vector<double>, std::vector<double>> u;
      filter.convolveAtReadings(q.n, q.a, u.first, u.second, length);
      found = convolutions.emplace(key, std::move(u)).first;
    }
    return filter.objective(q, found->second.first, found->second.second, weights).value;
  };
  // The free parameters as one vector, the rest held at the optimum.
  std::vector<double> freeX0, freeH;
  for (int j : free) {
    freeX0.push_back(x0[j]);
    freeH.push_back(h[j]);
  }
  auto atFree = [&](const std::vector<double>& v) {
    std::array<double, kExtendedParameters> all = x0;
    for (std::size_t r = 0; r < free.size(); ++r) all[free[r]] = v[r];
    return at(all);
  };
  const std::vector<double> errors = hessianStandardErrors(atFree, freeX0, freeH);
  fit.standardErrors.fill(-1);
  for (std::size_t r = 0; r < free.size(); ++r) fit.standardErrors[free[r]] = errors[r];
  return fit;
}

void simulateAroundLevels(const std::vector<double>& level, double phi, double sigma2,
                          int realisations, const std::function<double()>& normal,
                          const std::function<void(int, int, double)>& value) {
  const double sigma = std::sqrt(sigma2);
  const double stationary = std::sqrt(sigma2 / (1 - phi * phi));
  const int count = static_cast<int>(level.size());
  for (int r = 0; r < realisations; ++r) {
    double z = stationary * normal();
    for (int k = 0; k < count; ++k) {
      if (k > 0) z = phi * z + sigma * normal();
      value(r, k, level[static_cast<std::size_t>(k)] + z);
    }
  }
}

}  // namespace phreatix
