// The response seam of the filter pass: the pass through filterPass with a
// response class against the filter written out as matrices, for the
// exponential response and for a block response whose level row leaves out
// the level, and the simulation's deterministic step of the exponential.
#include "engine/filter_pass.h"

#include <array>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "engine/exponential_response.h"
#include "engine/responses.h"

namespace phreatix {
namespace {

// Four steps; measurements on steps 2 and 4 (days 2 and 4).
EngineInput tinyInput() {
  EngineInput input;
  input.meteoDays = 4;
  input.surplus = {0, 1.5, -0.5, 2, 0.25};
  input.measurements = {{2, -4.2}, {4, -1.1}};
  input.settings.dt = 1;
  input.settings.span = 4;
  return input;
}

struct Collected {
  std::vector<FilterStep> steps;
  int begun = 0;
  void begin(double, double) { ++begun; }
  void step(const FilterStep& s) { steps.push_back(s); }
};

// The filter as a textbook writes it: x- = A x + b, M = A P A' + Q with Q =
// sigma2 [[1,1],[1,1]], the gain K = M H'/(H M H' + R) with H = [1 0].
struct Expected {
  std::vector<double> predicted, level, M11, P11;
  double L = 0, S = 0;
};
Expected byMatrices(const EngineInput& input, const std::array<std::array<double, 2>, 2>& A,
                    const std::vector<double>& levelInput, double phi, double c, double sigma2,
                    double h0, double R) {
  Expected e;
  double x[2] = {h0, 0};
  double P[2][2] = {{0, 0}, {0, 0}};
  e.L = static_cast<double>(input.measurements.size()) * kLn2Pi;
  for (int k = 1; k <= 4; ++k) {
    double xp[2] = {A[0][0] * x[0] + A[0][1] * x[1] + levelInput[k] + (1 - phi) * c,
                    A[1][1] * x[1] + (1 - phi) * c};
    double AP[2][2], M[2][2];
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 2; ++j) AP[i][j] = A[i][0] * P[0][j] + A[i][1] * P[1][j];
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 2; ++j) M[i][j] = AP[i][0] * A[j][0] + AP[i][1] * A[j][1] + sigma2;
    e.predicted.push_back(xp[0]);
    e.M11.push_back(M[0][0]);
    const Measurement* m = nullptr;
    for (const Measurement& candidate : input.measurements) {
      if (candidate.time == k) m = &candidate;
    }
    if (m) {
      const double v = m->level - xp[0];
      const double F = M[0][0] + R;
      const double K[2] = {M[0][0] / F, M[1][0] / F};
      x[0] = xp[0] + K[0] * v;
      x[1] = xp[1] + K[1] * v;
      for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) P[i][j] = M[i][j] - K[i] * M[0][j];
      e.L += std::log(F);
      e.S += v * v / F;
    } else {
      x[0] = xp[0];
      x[1] = xp[1];
      for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) P[i][j] = M[i][j];
    }
    e.level.push_back(x[0]);
    e.P11.push_back(P[0][0]);
  }
  return e;
}

// The matrix form associates its sums differently from the pass: equal to a
// few units in the last place of values of order 1..10.
constexpr double kTolerance = 1e-12;

void expectSteps(const Collected& got, const Expected& want, const PassResult& result) {
  EXPECT_EQ(got.begun, 1);
  ASSERT_EQ(got.steps.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    const FilterStep& s = got.steps[static_cast<std::size_t>(i)];
    EXPECT_EQ(s.k, i + 1);
    EXPECT_NEAR(s.predicted, want.predicted[i], kTolerance) << "step " << i + 1;
    EXPECT_NEAR(s.level, want.level[i], kTolerance) << "step " << i + 1;
    EXPECT_NEAR(s.M11, want.M11[i], kTolerance) << "step " << i + 1;
    EXPECT_NEAR(s.P11, want.P11[i], kTolerance) << "step " << i + 1;
    EXPECT_EQ(s.measurement >= 0, i == 1 || i == 3) << "step " << i + 1;
  }
  EXPECT_NEAR(result.L, want.L, kTolerance);
  EXPECT_NEAR(result.S, want.S, kTolerance);
  EXPECT_EQ(result.objective, result.L + result.S);
}

TEST(FilterPass, ExponentialResponseMatchesTheFilterInMatrices) {
  const EngineInput input = tinyInput();
  StepTable steps;
  steps.build(input);
  const double delta = 0.8, omega0 = 2, omega1 = 0.5, phi = 0.6, c = -3, sigma2 = 0.5;
  const Parameters p = {delta, omega0, omega1, phi, c, sigma2};
  std::vector<double> levelInput(5, 0.0);
  for (int k = 1; k <= 4; ++k) {
    levelInput[k] = omega0 * input.surplus[k] - omega1 * input.surplus[k - 1];
  }
  Collected got;
  const PassResult result =
      filterPass<ExponentialResponse>(input, steps, p, PassStart{1, 0.25}, got);
  expectSteps(
      got,
      byMatrices(input, {{{delta, phi - delta}, {0, phi}}}, levelInput, phi, c, sigma2, 1, 0.25),
      result);

  // The simulation's step: d_k = delta d_{k-1} + omega0 q_k - omega1 q_{k-1}.
  const ExponentialResponse response(p, steps);
  EXPECT_EQ(response.deterministic(1, 4), delta * 4 + omega0 * 1.5 - omega1 * 0);
  EXPECT_EQ(response.deterministic(3, -2), delta * -2 + omega0 * 2 - omega1 * -0.5);
}

// A block response: d_k = omega q_k computed by the response itself, the
// level row [0, phi] of a state that is in effect the noise alone.
class BlockResponse {
 public:
  static constexpr const char* kName = "block";
  static constexpr ParameterRows kRows = ExponentialResponse::kRows;
  BlockResponse(const Parameters& p, const StepTable& steps)
      : phi_(p[3]), oneMinusPhiC_((1 - p[3]) * p[4]) {
    d_.assign(static_cast<std::size_t>(steps.steps()) + 1, 0.0);
    for (int k = 1; k <= steps.steps(); ++k) d_[k] = p[1] * steps.surplus()[k];
  }
  double levelWeight() const { return 0; }
  double noiseWeight() const { return phi_; }
  double predictedLevel(int k, double, double x2) const {
    return d_[k] + phi_ * x2 + oneMinusPhiC_;
  }
  double deterministic(int k, double) const { return d_[k]; }

 private:
  double phi_;
  double oneMinusPhiC_;
  std::vector<double> d_;
};
static_assert(Response<BlockResponse>);

TEST(FilterPass, BlockResponseRunsOnTheNoiseAlone) {
  const EngineInput input = tinyInput();
  StepTable steps;
  steps.build(input);
  const double omega = 1.5, phi = 0.7, c = 2, sigma2 = 0.8;
  std::vector<double> levelInput(5, 0.0);
  for (int k = 1; k <= 4; ++k) levelInput[k] = omega * input.surplus[k];
  Collected got;
  const PassResult result = filterPass<BlockResponse>(
      input, steps, Parameters{0, omega, 0, phi, c, sigma2}, PassStart{-2, 0.1}, got);
  expectSteps(got, byMatrices(input, {{{0, phi}, {0, phi}}}, levelInput, phi, c, sigma2, -2, 0.1),
              result);
}

TEST(FilterPass, ResponsesAreKnownByName) {
  EXPECT_EQ(responseByName("exponential"), ResponseKind::kExponential);
  EXPECT_STREQ(responseName(ResponseKind::kExponential), "exponential");
  EXPECT_FALSE(responseByName("gamma"));
  EXPECT_FALSE(responseByName(""));
}

}  // namespace
}  // namespace phreatix
