// The exponential response: d_t = delta*d_{t-1} + omega0*q_t - omega1*q_{t-1},
// the level h = d + z over the noise z. In the filter the state is (h, z)
// with the level row of the transition [delta, phi - delta].
//
// Entry point: ExponentialResponse (a response as engine/responses.h
// describes it).
#pragma once

#include "engine/model_parameters.h"
#include "engine/step_table.h"

namespace phreatix {

class ExponentialResponse {
 public:
  static constexpr const char* kName = "exponential";
  static constexpr ParameterRows kRows = {{
      {"delta", -1, 1, {true, true, false, true}, 9, 7, nullptr, "0.97"},
      {"omega0", 0, 10000, {true, true, false, true}, 9, 7, nullptr, "3.00"},
      // No stage calibrates omega1: line 6 carries it as 0.
      {"omega1", 0, 10000, {false, false, false, false}, 9, 7, "0.", "0."},
  }};

  ExponentialResponse(const Parameters& p, const StepTable& steps)
      : delta_(p[0]),
        omega0_(p[1]),
        omega1_(p[2]),
        phiMinusDelta_(p[3] - p[0]),
        oneMinusPhiC_((1 - p[3]) * p[4]),
        surplus_(steps.surplus()) {}

  // The level row of the transition: the weights of the level and of the
  // noise of the step before.
  double levelWeight() const { return delta_; }
  double noiseWeight() const { return phiMinusDelta_; }

  // The level predicted at step k from the level x1 and the noise x2 of the
  // step before, noise mean included.
  double predictedLevel(int k, double x1, double x2) const {
    return delta_ * x1 + phiMinusDelta_ * x2 + omega0_ * surplus_[k] - omega1_ * surplus_[k - 1] +
           oneMinusPhiC_;
  }

  // d_k from d_{k-1}: the deterministic step of the simulation.
  double deterministic(int k, double previous) const {
    return delta_ * previous + omega0_ * surplus_[k] - omega1_ * surplus_[k - 1];
  }

 private:
  double delta_;
  double omega0_;
  double omega1_;
  double phiMinusDelta_;
  double oneMinusPhiC_;
  const double* surplus_;
};

}  // namespace phreatix
