#include "engine/simulation.h"

#include <cmath>
#include <cstdlib>

#include "engine/responses.h"
#include "error.h"
#include "text/number_text.h"

namespace phreatix {

namespace {

constexpr std::int64_t MBIG = 1000000000;
constexpr std::int64_t MSEED = 161803398;
constexpr std::int64_t MZ = 0;
constexpr double FAC = 1.0e-9;  // 1/MBIG

struct FitSums {
  double sum = 0;
  double squares = 0;
  double absolutes = 0;
  void add(double residual) {
    sum = sum + residual;
    squares = squares + residual * residual;
    absolutes = absolutes + std::fabs(residual);
  }
};

}  // namespace

void writeFitLine(FixedWriter& out, double me, double rmse, double mae) {
  out.real(me, 10, 3);
  out.text(" ");
  out.real(rmse, 10, 3);
  out.text(" ");
  out.real(mae, 10, 3);
  out.endLine();
}

double RandomSource::uniform(int& seed) {
  if (seed < 0 || !initialised_) {
    initialised_ = true;
    std::int64_t mj = MSEED - std::llabs(static_cast<std::int64_t>(seed));
    mj = mj % MBIG;
    ma_[55] = mj;
    std::int64_t mk = 1;
    for (int i = 1; i <= 54; ++i) {
      const int ii = (21 * i) % 55;
      ma_[ii] = mk;
      mk = mj - mk;
      if (mk < MZ) mk += MBIG;
      mj = ma_[ii];
    }
    inext_ = 0;
    inextp_ = 31;
    seed = 1;
  }
  if (++inext_ == 56) inext_ = 1;
  if (++inextp_ == 56) inextp_ = 1;
  std::int64_t mj = ma_[inext_] - ma_[inextp_];
  if (mj < MZ) mj += MBIG;
  ma_[inext_] = mj;
  return static_cast<double>(mj) * FAC;
}

double RandomSource::normal(int& seed) {
  if (haveSpare_) {
    haveSpare_ = false;
    return spare_;
  }
  double g1, g2, r;
  do {
    g1 = 2 * uniform(seed) - 1;
    g2 = 2 * uniform(seed) - 1;
    r = g1 * g1 + g2 * g2;
  } while (!(r < 1 && r > 0));
  const double f = std::sqrt(-2 * std::log(r) / r);
  spare_ = g1 * f;
  haveSpare_ = true;
  return g2 * f;
}

void simulate(const EngineInput& input, const StepTable& steps, RandomSource& random,
              std::vector<double>& d, FixedWriter& realisations, FixedWriter& results,
              EngineView& view) {
  const RunSettings& s = input.settings;
  const double phi = s.initial[3], c = s.initial[4], sigma2 = s.initial[5];
  const int n = steps.steps();
  if (n > MAXDAT) {
    throw Error(ErrorKind::kIndex, "simulation of " + formatInt(n) + " steps: more than " +
                                       formatInt(MAXDAT) + " (MAXDAT)");
  }
  if (s.realisations <= 0) {
    throw Error(ErrorKind::kOverflow, "arithmetic fault in the simulation: " +
                                          formatInt(s.realisations) + " realisations");
  }
  const double* time = steps.time();
  const std::int32_t* measurement = steps.measurement();
  const Measurement* series = input.measurements.data();
  const double N = static_cast<double>(input.measurements.size());

  // The deterministic component, the response's own step from d_0 = h0 - c
  // (the level at time 0 less the noise's mean).
  d.assign(static_cast<std::size_t>(n) + 1, 0.0);
  withResponse(s.response, [&]<class Deterministic>() {
    const Deterministic response(s.initial, steps);
    double previous = s.h0 - c;
    for (int k = 1; k <= n; ++k) {
      d[k] = response.deterministic(k, previous);
      previous = d[k];
    }
  });

  realisations.real(s.startYear, 4, 0);
  realisations.text(" ");
  realisations.integer(s.realisations);
  realisations.text(" ");
  realisations.integer(s.years);
  realisations.endLine();

  int seed = s.seed;
  const double sigma = std::sqrt(sigma2);
  FitSums deterministic;
  double meanME = 0, meanRMSE = 0, meanMAE = 0;
  for (int r = 1; r <= s.realisations; ++r) {
    view.addRuntime("busy with realization:" + formatInt(r));
    view.repaint();
    double z = 0;
    FitSums fit;
    for (int k = 1; k <= n; ++k) {
      const double zPrev = z;
      const double a = sigma * random.normal(seed);
      z = (zPrev - c) * phi + c + a;
      const double h = d[k] + z;
      const std::int32_t m = measurement[k];
      if (m >= 0) {
        const double y = series[m].level;
        fit.add(y - h);
        if (r == 1) deterministic.add(y - d[k] - c);
      }
      if (time[k] > s.warmUp) {
        realisations.real(h, 8, 3);
        realisations.endLine();
      }
    }
    meanME = meanME + fit.sum / N;
    meanRMSE = meanRMSE + std::sqrt(fit.squares / N);
    meanMAE = meanMAE + fit.absolutes / N;
  }
  const double R = s.realisations;
  results.line("ME, RMSE, MAE deterministic model:");
  writeFitLine(results, deterministic.sum / N, std::sqrt(deterministic.squares / N),
               deterministic.absolutes / N);
  results.line("expected ME, RMSE, MAE of realizations:");
  writeFitLine(results, meanME / R, meanRMSE / R, meanMAE / R);
}

}  // namespace phreatix
