#include "engine/simplex.h"

#include <cmath>

#include "engine/responses.h"
#include "error.h"
#include "text/number_text.h"

namespace phreatix {

namespace {

using Vector = std::array<double, kModelParameters>;

class Search {
 public:
  Search(const EngineInput& input, const KalmanFilter& filter, FixedWriter& trace, EngineView& view,
         const CalibrationOrder& order)
      : filter_(filter), trace_(trace), view_(view), order_(order) {
    const ParameterTable& table = parameterTable(input.settings.response);
    for (int j = 0; j < kModelParameters; ++j) {
      int natural = order.order[j];
      start_[j] = input.settings.initial[natural];
      lower_[j] = table[natural].lower;
      upper_[j] = table[natural].upper;
    }
  }

  const Vector& start() const { return start_; }
  const PassResult& lastPass() const { return last_; }

  // One SSDKAL pass of a vector in calibration order.
  double evaluate(const Vector& v) {
    Parameters natural;
    for (int j = 0; j < kModelParameters; ++j) natural[order_.order[j]] = v[j];
    last_ = filter_.pass(natural, &trace_);
    return last_.objective;
  }

  void report(const std::string& line) {
    view_.addRuntime(line);
    view_.repaint();
  }

  double reflect(int j, double value) {
    return reflectAtBounds(value, lower_[j], upper_[j], j, view_);
  }

  double lower(int j) const { return lower_[j]; }

 private:
  const KalmanFilter& filter_;
  FixedWriter& trace_;
  EngineView& view_;
  const CalibrationOrder& order_;
  Vector start_{};
  Vector lower_{};
  Vector upper_{};
  PassResult last_;
};

void writeStatistics(FixedWriter& out, const PassResult& r) {
  out.real(r.ME, 12, 6);
  out.real(r.RMSE, 12, 6);
  out.real(r.MAE, 12, 6);
  out.endLine();
}

}  // namespace

double reflectAtBounds(double value, double lower, double upper, int position, EngineView& view) {
  auto report = [&view](const std::string& line) {
    view.addRuntime(line);
    view.repaint();
  };
  if (value < lower) {
    report("old value of par nr " + formatInt(position + 1) + ": " + formatReal(value, 15, 6));
    value = 2 * lower - value;
    report("lower boundary of simplex corrected " + formatReal(value, 15, 6));
  }
  if (value > upper) {
    report("old value of par nr " + formatInt(position + 1) + ": " + formatReal(value, 15, 6));
    value = 2 * upper - value;
    report("upper boundary of simplex corrected " + formatReal(value, 15, 6));
  }
  return value;
}

std::string calibrate(const EngineInput& input, const KalmanFilter& filter, FixedWriter& trace,
                      FixedWriter& results, EngineView& view, int maxIter) {
  const CalibrationOrder order = calibrationOrder(input.settings.flags);
  Search search(input, filter, trace, view, order);
  const int k = order.flagged;

  if (k == 0) {
    // Nothing to calibrate: one pass with the start vector (natural order).
    double objective = search.evaluate(search.start());
    const PassResult& r = search.lastPass();
    for (double v : search.start()) results.real(v, 15, 6);
    results.real(r.L, 15, 6);
    results.real(r.S, 15, 6);
    results.real(objective, 15, 6);
    results.endLine();
    writeStatistics(results, r);
    return {};
  }

  // The simplex: vertex 0 the start vector, vertex j+1 with component j
  // scaled by 0.8 (and kept above its lower bound).
  const int m = k + 1;
  std::array<Vector, kModelParameters + 1> p;
  std::array<double, kModelParameters + 1> y{};
  for (int i = 0; i < m; ++i) p[i] = search.start();
  for (int j = 0; j < k; ++j) {
    p[j + 1][j] = search.start()[j] * 0.8;
    if (p[j + 1][j] < search.lower(j)) {
      p[j + 1][j] = search.lower(j) + 0.01;
      search.report("initial simplex corrected");
    }
  }
  for (int i = 0; i < m; ++i) y[i] = search.evaluate(p[i]);

  std::string message;
  int iter = 0;
  double rtol = 0;  // the spread shown before any has been computed
  Vector pbar{}, pr{}, prr{};
  for (;;) {
    int ilo = 0, ihi, inhi;
    if (y[0] > y[1]) {
      ihi = 0;
      inhi = 1;
    } else {
      ihi = 1;
      inhi = 0;
    }
    for (int i = 0; i < m; ++i) {
      if (y[i] < y[ilo]) ilo = i;
      if (y[i] > y[ihi]) {
        inhi = ihi;
        ihi = i;
      } else if (y[i] > y[inhi] && i != ihi) {
        inhi = i;
      }
    }

    search.report(" iteration number: " + formatInt(iter));
    std::string best;
    for (int j = 0; j < k; ++j) appendReal(best, p[ilo][j], 15, 6);
    appendReal(best, y[ilo], 15, 6);
    appendReal(best, rtol, 15, 6);
    search.report(best);

    const long double denominator = static_cast<long double>(std::fabs(y[ihi])) + std::fabs(y[ilo]);
    if (denominator == 0) {
      throw Error(ErrorKind::kOverflow,
                  "arithmetic fault in the simplex: the objective is zero at every vertex");
    }
    rtol =
        static_cast<double>(2 * static_cast<long double>(std::fabs(y[ihi] - y[ilo])) / denominator);
    if (rtol < input.settings.closure) break;
    if (iter == maxIter) {
      message = kMaxIterMessage;
      break;
    }
    ++iter;

    for (int j = 0; j < k; ++j) {
      double sum = 0;
      for (int i = 0; i < m; ++i) {
        if (i != ihi) sum += p[i][j];
      }
      pbar[j] = sum / k;
    }
    pr = search.start();
    for (int j = 0; j < k; ++j) pr[j] = search.reflect(j, 2 * pbar[j] - p[ihi][j]);
    const double ypr = search.evaluate(pr);

    if (ypr <= y[ilo]) {
      prr = search.start();
      for (int j = 0; j < k; ++j) prr[j] = search.reflect(j, 2 * pr[j] - pbar[j]);
      const double yprr = search.evaluate(prr);
      if (yprr < y[ilo]) {
        p[ihi] = prr;
        y[ihi] = yprr;
      } else {
        p[ihi] = pr;
        y[ihi] = ypr;
      }
    } else if (ypr >= y[inhi]) {
      if (ypr < y[ihi]) {
        p[ihi] = pr;
        y[ihi] = ypr;
      }
      prr = search.start();
      for (int j = 0; j < k; ++j) prr[j] = search.reflect(j, 0.5 * p[ihi][j] + 0.5 * pbar[j]);
      const double yprr = search.evaluate(prr);
      if (yprr < y[ihi]) {
        p[ihi] = prr;
        y[ihi] = yprr;
      } else {
        for (int i = 0; i < m; ++i) {
          if (i == ilo) continue;
          for (int j = 0; j < k; ++j) p[i][j] = 0.5 * (p[i][j] + p[ilo][j]);
          y[i] = search.evaluate(p[i]);
        }
      }
    } else {
      p[ihi] = pr;
      y[ihi] = ypr;
    }
  }

  results.text(" number of iterations: ");
  results.integer(iter);
  results.endLine();
  for (int i = 0; i < m; ++i) {
    for (double v : p[i]) results.real(v, 14, 6);
    results.real(y[i], 14, 6);
    results.endLine();
  }
  writeStatistics(results, search.lastPass());
  return message;
}

}  // namespace phreatix
