#include "postprocessing/karakt.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "error.h"
#include "files/characteristics.h"
#include "platform/files.h"
#include "platform/ordered_work.h"
#include "postprocessing/correlogram.h"
#include "postprocessing/sorting.h"
#include "text/free_reader.h"
#include "text/number_text.h"
#include "text/parse.h"
#include "text/rounding.h"

namespace phreatix {

const char* const kPostGridTitles[kPostGridColumns] = {
    "Buis:", "statistieken", "duurlijn", "histogram", "regimecurve", "correlatiefunctie"};

namespace {

constexpr int kMeasuringDays = 24;
// The 14th and 28th of every month as days of the day table (no 29
// February), April first: 1..12 the summer half, 13..24 the winter half.
constexpr int kMeasuringDay[kMeasuringDays] = {104, 118, 134, 148, 165, 179, 195, 209,
                                               226, 240, 257, 271, 287, 301, 318, 332,
                                               348, 362, 14,  28,  45,  59,  73,  87};
constexpr int kClasses = 100;
constexpr int kMaxDurationPoints = 3651;

// A tube's post-processing that cannot go on: a control or series file that
// cannot be read (kRead), a series beyond the capacities (kIndex), or one
// whose characteristics cannot be computed (kInput).
[[noreturn]] void fail(ErrorKind kind, const std::string& what) { throw Error(kind, what); }

// The square root of a variance that rounding may have pushed just below 0.
double rootOfVariance(double variance) { return std::sqrt(variance < 0 ? 0.0 : variance); }

class StepClock {
 public:
  explicit StepClock(std::vector<std::pair<std::string, double>>& times) : times_(times) {
    times_.clear();
  }
  void lap(const char* step) {
    auto now = std::chrono::steady_clock::now();
    times_.emplace_back(step, std::chrono::duration<double>(now - last_).count());
    last_ = now;
  }

 private:
  std::vector<std::pair<std::string, double>>& times_;
  std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

}  // namespace

void StripApostrophes(std::string& line) { std::erase(line, '\''); }

bool isSeriesLeapYear(double year) { return std::trunc(year / 4) * 4 == year; }

long long durationIndex(long long N, double t) {
  // The quotient is a stored double: rounding it from extended precision
  // decides the index where t lies within a rounding of a bound (t = 0.9
  // and 1.3 with N = 1,095,000).
  auto a = [N](long long i) {
    return static_cast<double>(static_cast<long double>((N + 1 - i) * 365) / N);
  };
  if (N < 2 || !(t > a(N))) return 0;  // t <= 365/N = b(N-1)
  // a(i) falls with i: the index is the largest i with a(i) >= t. Start from
  // the real-number estimate and step to the exact one.
  long double estimate = static_cast<long double>(N + 1) - static_cast<long double>(t) * N / 365;
  long long i = static_cast<long long>(std::floor(estimate));
  i = std::clamp<long long>(i, 1, N - 1);
  while (i > 1 && a(i) < t) --i;
  while (i < N - 1 && a(i + 1) >= t) ++i;
  if (a(i) < t) return 0;  // t above 365
  return i;
}

void ReportPostEnd(Messages& messages, const std::string& message) {
  if (message.empty()) {
    messages.appendLog("Postprocessing zonder fouten afgesloten.");
  } else {
    messages.appendLog("Postprocessing met foutmelding afgesloten:");
    messages.appendLog(message);
  }
}

Postprocessor::Postprocessor()
    : values_(allocateBigArray(kMaxSeriesValues + 1)),
      series_(allocateBigArray(kMaxSeriesValues + 1)),
      dayTable_(allocateBigArray(static_cast<std::size_t>(kDaysPerYear) * kMaxRealisationYears)),
      work_(kMaxRealisationYears + 1),
      measuring_(static_cast<std::size_t>(kMeasuringDays) * kMaxRealisationYears),
      sums_(5 * kMaxRealisations),
      deviations_(allocateBigArray(kMaxSeriesValues + 1)),
      squares_(allocateBigArray(kMaxSeriesValues + 1)) {}

bool Postprocessor::RunPostprocessing(const std::string& workingDir, PostView& view,
                                      Messages& messages) {
  return RunPostprocessing(workingDir, workingDir, view, messages);
}

bool Postprocessor::RunPostprocessing(const std::string& workingDir, const std::string& controlDir,
                                      PostView& view, Messages& messages) {
  std::string message;
  try {
    run(workingDir, controlDir, view);
  } catch (const std::exception& e) {
    message = e.what();
    if (message.empty()) message = "Onbekende fout";
  } catch (...) {
    message = "Onbekende fout";
  }
  closeAll();
  view.showGauge(false);
  ReportPostEnd(messages, message);
  return message.empty();
}

void Postprocessor::closeAll() noexcept {
  for (FixedWriter* out : {&sta_, &his_, &foe_, &reg_, &cor_}) {
    try {
      out->close();
    } catch (...) {
    }
  }
}

void Postprocessor::run(const std::string& workingDir, const std::string& controlDir,
                        PostView& view) {
  auto show = [&view](const std::string& text) {
    view.setMessage(text);
    view.repaint();
  };
  StepClock clock(stepTimes_);

  // 1. The control file: the factor on line 3, the series file on line 4,
  // the five outputs on lines 5 to 9.
  FreeReader control = freeReaderOfFile(joinPath(controlDir, kControlFileName));
  control.skipLine();
  control.skipLine();
  factor_ = control.readReal();
  if (control.hitEnd())
    fail(ErrorKind::kRead, std::string(kControlFileName) + ": no factor on line 3");
  control.skipLine();
  std::string names[6];
  for (std::string& name : names) {
    if (control.atEnd())
      fail(ErrorKind::kRead, std::string(kControlFileName) + ": fewer than 9 lines");
    name = control.readLine();
    StripApostrophes(name);
  }
  // Every name must be a file of the working directory.
  std::string paths[6];
  for (int k = 0; k < 6; ++k) paths[k] = workingFile(workingDir, names[k], kControlFileName);
  const std::string seriesPath = paths[0];
  // Created in this order, empty, before anything is computed.
  sta_.open(paths[1]);
  his_.open(paths[2]);
  foe_.open(paths[3]);
  reg_.open(paths[4]);
  cor_.open(paths[5]);

  show("Reading data without leap days");
  readSeries(seriesPath);
  show("Number of data without leap days = " + formatInt(N_));
  clock.lap("reading");

  fillDayTable();
  show("Calculating GHG and GLG");
  computeGhg();
  clock.lap("GHG, GLG, GVG");

  show("Calculating regime-graph");
  writeRegime(reg_);
  reg_.close();
  clock.lap("regime curve");

  show("Calculating univariate statistics");
  radixSortAscending(values_.get(), N_, deviations_.get(), squares_.get());
  clock.lap("sort");
  writeUnivariate(sta_);
  writeGhg(sta_);
  show("Calculating histogram");
  writeHistogram(his_);
  his_.close();
  clock.lap("univariate and histogram");

  show("Calculating foe-graph");
  writeDuration(foe_, view);
  foe_.close();
  clock.lap("duration line");

  show("Reading data including leap days");
  takePassWithLeapDays(seriesPath);
  L_ = M_ / R_;
  show("Number of data including leap days:=" + formatInt(M_));
  show("Number of data per year:=" + formatInt(L_));
  show("Calculating correlation function");
  writeCorrelogram(cor_, view);
  clock.lap("correlogram");

  sta_.close();
  cor_.close();
  show("Program KARAKT terminated");
}

namespace {

// Where the values of one reading go: pass 1 (without 29 February) always,
// pass 2 (all values) when it fits.
struct SeriesTarget {
  int S, R, Y;
  double factor;
  bool keepAll;
  double* withoutLeap;  // [1..]
  double* all;          // [1..]
  long long n = 0, m = 0;
};

// Reads the R realisations of Y years through `next(x)`, false when it found
// no value; then the values of pass 1 stored so far are target.n.
template <class Next>
bool storeValues(SeriesTarget& target, Next next) {
  for (int r = 1; r <= target.R; ++r) {
    double year = target.S;
    for (int y = 1; y <= target.Y; ++y) {
      const bool leap = isSeriesLeapYear(year);
      for (int d = 1; d <= 365 + (leap ? 1 : 0); ++d) {
        double raw;
        if (!next(raw)) return false;
        const double x = raw * target.factor;
        if (target.keepAll) target.all[++target.m] = x;
        if (leap && d == 60) continue;  // 29 February stays out of pass 1
        target.withoutLeap[++target.n] = x;
      }
      year = year + 1.0;
    }
  }
  return true;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Exact powers of ten, 10^0 .. 10^15.
constexpr double kPowersOfTen[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

}  // namespace

// A plain decimal "[-]digits.digits" or "[-]digits" of at most 15 digits is
// its digits, an exact integer, over an exact power of ten: one correctly
// rounded division, so the double that from_chars gives ("-0.000" included,
// as -0.0). Any other token goes to valReal.
bool readSeriesNumber(std::string_view token, double& value) {
  const char* p = token.data();
  const char* end = p + token.size();
  const bool negative = p < end && *p == '-';
  if (negative) ++p;
  std::uint64_t digits = 0;
  int count = 0, decimals = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p, ++count) digits = digits * 10 + (*p - '0');
  const bool integerPart = count > 0;
  if (p < end && *p == '.') {
    for (++p; p < end && *p >= '0' && *p <= '9'; ++p, ++count, ++decimals) {
      digits = digits * 10 + (*p - '0');
    }
    if (decimals == 0) count = 0;  // "5." goes to valReal
  }
  if (p == end && integerPart && count > 0 && count <= 15) {
    const double magnitude = static_cast<double>(digits) / kPowersOfTen[decimals];
    value = negative ? -magnitude : magnitude;
    return true;
  }
  return valReal(token, value) == 0;
}

// Pass 1 and pass 2 read the very same numbers, pass 1 dropping 29 February,
// so one reading fills both value lists. A well-formed file is read straight
// from its text; anything else (a bad number, a short file, a head line
// spread over lines) is read again by the free reader, whose error names the
// file and line.
void Postprocessor::readSeries(const std::string& path) {
  std::string text = readFileText(path);
  if (!readSeriesQuickly(path, text)) readSeriesSlowly(path, std::move(text));
}

bool Postprocessor::readSeriesQuickly(const std::string& path, const std::string& text) {
  const std::size_t headEnd = text.find('\n');
  if (headEnd == std::string::npos) return false;
  FreeReader head(path, text.substr(0, headEnd));
  S_ = head.readInt32();
  R_ = head.readInt32();
  Y_ = head.readInt32();
  if (head.hitEnd()) return false;
  checkHead(path);

  const char* p = text.data() + headEnd + 1;
  const char* end = text.data() + text.size();
  auto next = [&p, end](double& x) {
    while (p < end && isBlank(*p)) ++p;
    const char* start = p;
    while (p < end && !isBlank(*p)) ++p;
    if (p == start ||
        !readSeriesNumber(std::string_view(start, static_cast<std::size_t>(p - start)), x))
      return false;
    // The rest of the line is skipped.
    const void* lineEnd = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    p = lineEnd ? static_cast<const char*>(lineEnd) + 1 : end;
    return true;
  };
  SeriesTarget target{S_, R_, Y_, factor_, passTwoKept_, values_.get(), series_.get()};
  if (!storeValues(target, next)) return false;
  N_ = target.n;
  M_ = target.m;
  return true;
}

void Postprocessor::readSeriesSlowly(const std::string& path, std::string text) {
  FreeReader in(path, std::move(text));
  S_ = in.readInt32();
  R_ = in.readInt32();
  Y_ = in.readInt32();
  if (in.hitEnd())
    fail(ErrorKind::kRead, path + ": the head line lacks start year, realisations or years");
  in.skipLine();
  const long long expected = checkHead(path);

  auto next = [&in](double& x) {
    x = in.readReal();
    if (in.hitEnd()) return false;
    in.skipLine();
    return true;
  };
  SeriesTarget target{S_, R_, Y_, factor_, passTwoKept_, values_.get(), series_.get()};
  if (!storeValues(target, next)) {
    fail(ErrorKind::kRead, path + ": the series ends after " + formatInt(target.n) +
                               " values; its head line (" + formatInt(R_) + " realisations of " +
                               formatInt(Y_) + " years) announces " + formatInt(expected) +
                               " without 29 February");
  }
  N_ = target.n;
  M_ = target.m;
}

long long Postprocessor::checkHead(const std::string& path) {
  if (R_ < 1 || Y_ < 1) {
    fail(ErrorKind::kInput,
         path + ": " + formatInt(R_) + " realisations of " + formatInt(Y_) + " years");
  }
  if (R_ > kMaxRealisations) {
    fail(ErrorKind::kIndex,
         path + ": " + formatInt(R_) + " realisations, at most " + formatInt(kMaxRealisations));
  }
  if (static_cast<long long>(R_) * Y_ > kMaxRealisationYears) {
    fail(ErrorKind::kIndex, path + ": " + formatInt(static_cast<long long>(R_) * Y_) +
                                " realisation-years, at most " + formatInt(kMaxRealisationYears));
  }
  K_ = R_ * Y_;
  // The values the head line announces.
  const long long expected = 365LL * Y_ * R_;
  if (expected > kMaxSeriesValues) {
    fail(ErrorKind::kIndex,
         path + ": " + formatInt(expected) + " values, at most " + formatInt(kMaxSeriesValues));
  }
  // A pass 2 beyond its capacity fails when its turn comes.
  passTwoKept_ = valuesWithLeapDays() <= kMaxSeriesValues;
  return expected;
}

long long Postprocessor::valuesWithLeapDays() const {
  long long perRealisation = 0;
  for (int y = 0; y < Y_; ++y) {
    perRealisation += isSeriesLeapYear(S_ + static_cast<double>(y)) ? 366 : 365;
  }
  return perRealisation * R_;
}

// Pass 2: the series with 29 February, as the reading of pass 1 kept it.
void Postprocessor::takePassWithLeapDays(const std::string& path) {
  if (!passTwoKept_) {
    fail(ErrorKind::kIndex, path + ": " + formatInt(valuesWithLeapDays()) + " values, at most " +
                                formatInt(kMaxSeriesValues));
  }
}

void Postprocessor::fillDayTable() {
  long long next = 1;
  for (int k = 1; k <= K_; ++k) {
    for (int d = 1; d <= kDaysPerYear; ++d) {
      dayTable_[static_cast<std::size_t>(d - 1) * kMaxRealisationYears + (k - 1)] = values_[next++];
    }
  }
}

void Postprocessor::computeGhg() {
  auto day = [this](int d, int k) {
    return dayTable_[static_cast<std::size_t>(d - 1) * kMaxRealisationYears + (k - 1)];
  };
  auto entry = [this](int j, int k) -> double& {
    return measuring_[static_cast<std::size_t>(j - 1) * kMaxRealisationYears + (k - 1)];
  };
  for (int k = 1; k <= K_; ++k) {
    for (int j = 1; j <= kMeasuringDays; ++j) entry(j, k) = day(kMeasuringDay[j - 1], k);
  }
  double* w = work_.data();
  for (int r = 1; r <= R_; ++r) {
    double sum[5] = {0, 0, 0, 0, 0};
    for (int k = (r - 1) * Y_ + 1; k <= r * Y_; ++k) {
      for (int j = 1; j <= 24; ++j) w[j] = entry(j, k);
      SortAscending(w, 24);
      sum[0] = sum[0] + (w[1] + w[2] + w[3]);
      sum[1] = sum[1] + (w[22] + w[23] + w[24]);
      for (int j = 1; j <= 12; ++j) w[j] = entry(j, k);
      SortAscending(w, 12);
      sum[2] = sum[2] + (w[1] + w[2] + w[3]);
      for (int j = 13; j <= 24; ++j) w[j - 12] = entry(j, k);
      SortAscending(w, 12);
      sum[3] = sum[3] + (w[10] + w[11] + w[12]);
      sum[4] = sum[4] + (entry(23, k) + entry(24, k) + entry(1, k));
    }
    for (int c = 0; c < 5; ++c)
      sums_[static_cast<std::size_t>(c) * kMaxRealisations + (r - 1)] = sum[c] / (3 * Y_);
  }
  for (int c = 0; c < 5; ++c) {
    double sum = 0, squares = 0;
    for (int r = 1; r <= R_; ++r) {
      const double x = sums_[static_cast<std::size_t>(c) * kMaxRealisations + (r - 1)];
      sum = sum + x;
      squares = squares + x * x;
      w[r] = x;
    }
    SortAscending(w, R_);
    const double mean = sum / R_;
    ghg_[c][0] = mean;
    ghg_[c][1] = OrderStatistic(w, R_, kP05);
    ghg_[c][2] = OrderStatistic(w, R_, kP50);
    ghg_[c][3] = OrderStatistic(w, R_, kP95);
    ghg_[c][4] = rootOfVariance(squares / R_ - mean * mean);
  }
}

void Postprocessor::writeRegime(FixedWriter& out) {
  writeCurveHead(out, kRegimeCurve, kDaysPerYear);
  double* w = work_.data();
  for (int d = 1; d <= kDaysPerYear; ++d) {
    double* row = dayTable_.get() + static_cast<std::size_t>(d - 1) * kMaxRealisationYears;
    std::copy(row, row + K_, w + 1);
    radixSortAscending(w, K_, deviations_.get(), squares_.get());
    std::copy(w + 1, w + 1 + K_, row);
    double sum = 0;
    for (int k = 1; k <= K_; ++k) sum = sum + w[k];
    writeRegimeRow(out, d, sum / K_, OrderStatistic(w, K_, kP05), OrderStatistic(w, K_, kP50),
                   OrderStatistic(w, K_, kP95));
  }
}

void Postprocessor::writeUnivariate(FixedWriter& out) {
  const double* x = values_.get();
  const long long N = N_;
  minimum_ = x[1];
  const double maximum = x[N];
  width_ = static_cast<double>((static_cast<long double>(maximum) - minimum_) / kClasses);
  const double percentiles[9] = {
      OrderStatistic(x, N, kP01), OrderStatistic(x, N, kP05), OrderStatistic(x, N, kP10),
      OrderStatistic(x, N, kP25), OrderStatistic(x, N, kP50), OrderStatistic(x, N, kP75),
      OrderStatistic(x, N, kP90), OrderStatistic(x, N, kP95), OrderStatistic(x, N, kP99)};
  double s1 = 0, s2 = 0, s3 = 0;
  for (long long i = 1; i <= N; ++i) {
    const double v = x[i];
    s1 = s1 + v;
    s2 = s2 + v * v;
    s3 = s3 + v * v * v;
  }
  const double m1 = s1 / N, m2 = s2 / N, m3 = s3 / N;
  mean1_ = m1;
  const double variance = m2 - m1 * m1;
  const double third = m3 - 3 * m1 * m2 + 2 * (m1 * m1 * m1);

  const double moments[4] = {m1, variance, rootOfVariance(variance), third};
  writeUnivariateStatistics(out, R_, S_, Y_, moments, percentiles);
}

void Postprocessor::writeGhg(FixedWriter& out) { writeGroundwaterCharacteristics(out, ghg_); }

void Postprocessor::writeHistogram(FixedWriter& out) {
  const double* x = values_.get();
  const long long N = N_;
  // Class bounds b[c] = (c - 1)*w + minimum, c = 1..101, as stored doubles.
  double bound[kClasses + 2];
  for (int c = 1; c <= kClasses + 1; ++c) {
    bound[c] = static_cast<double>((c - 1) * static_cast<long double>(width_) + minimum_);
  }
  long long rows[kClasses + 2] = {};
  long long total = 0;
  long long i = 1;
  while (i <= N && x[i] <= bound[1]) ++i;  // the minimum lies in no class
  for (int c = 2; c <= kClasses + 1; ++c) {
    long long count = 0;
    while (i <= N && x[i] <= bound[c]) {
      ++count;
      ++i;
    }
    rows[c] = roundHalfEven(static_cast<long double>(count) * 10000 / N);
    total += rows[c];
  }
  writeCurveHead(out, kHistogram, total);
  long long number = 0;
  for (int c = 2; c <= kClasses + 1; ++c) {
    const double centre = static_cast<double>(bound[c] - 0.5L * width_);
    for (long long n = 0; n < rows[c]; ++n) {
      writeHistogramRow(out, ++number, centre);
    }
  }
}

void Postprocessor::writeDuration(FixedWriter& out, PostView& view) {
  const double* x = values_.get();
  const long long N = N_;
  long long P = kMaxDurationPoints;
  const long long tenth = roundHalfEven(static_cast<long double>(N) * kP10);
  if (tenth < P) P = tenth;
  writeCurveHead(out, kDurationLine, P - 1);
  view.setGauge(0);
  view.showGauge(true);
  // With no row written the closing row takes the level exceeded on all
  // 365 days: the lowest value.
  double h = x[1];
  for (long long c = 1; c <= P - 1; ++c) {
    // Days per year, a stored double like the quotients it is compared with.
    const double t = static_cast<double>((c - 1) * kP10);
    const long long i = durationIndex(N, t);
    if (i > 0) {
      h = (x[i] + x[i + 1]) / 2;
      writeDurationRow(out, t, h);
    }
    view.setGauge(roundToInt(static_cast<long double>(c) * 100 / (P - 1)));
    if (roundHalfEven(static_cast<long double>(c) * 1000 / (P - 1)) % 50 == 0) view.repaint();
  }
  view.showGauge(false);
  writeDurationRow(out, 365.0, h);
}

void Postprocessor::writeCorrelogram(FixedWriter& out, PostView& view) {
  const int lags = kCorrelogramLags;
  const long long L = L_;
  if (L - lags - 1 <= 0) {
    fail(ErrorKind::kInput, "correlogram: " + formatInt(L) +
                                " values per realisation are too few for lag " + formatInt(lags));
  }
  double sum[kMaxLags + 1] = {};
  double sxy[kMaxLags + 1], syy[kMaxLags + 1];
  // sxx of lag k, the running sum of the squares up to L - k: [k].
  double sxx[kMaxLags + 1];
  double* d = deviations_.get();
  double* sq = squares_.get();
  const double m = mean1_;
  view.showGauge(true);
  for (int r = 1; r <= R_; ++r) {
    // Realisation r in file order: values (r-1)L+1 .. rL as X[1..L].
    const double* X = series_.get() + static_cast<long long>(r - 1) * L;
    double running = 0;
    for (long long i = 1; i <= L; ++i) {
      d[i] = X[i] - m;
      sq[i] = d[i] * d[i];
      running = running + sq[i];
      if (i >= L - lags) sxx[L - i] = running;  // i = L - k for k = lags .. 1 (and 0)
    }
    view.setGauge(roundToInt(static_cast<long double>(r) * 100 / R_));
    view.repaint();
    accumulateLagSums(d, sq, L, lags, sxy, syy);
    for (int k = 1; k <= lags; ++k) {
      const double pairs = static_cast<double>(L - k) - 1;
      const double cxy = sxy[k] / pairs;
      const double cxx = sxx[k] / pairs;
      const double cyy = syy[k] / pairs;
      if (cxx == 0 || cyy == 0) {
        fail(ErrorKind::kInput, "correlogram: the correlation of lag " + formatInt(k) +
                                    " in realisation " + formatInt(r) +
                                    " is undefined (the values do not vary about the mean)");
      }
      sum[k] = sum[k] + cxy / (std::sqrt(cxx) * std::sqrt(cyy));
    }
  }
  view.showGauge(false);
  writeCurveHead(out, kCorrelogram, lags + 1);
  writeCorrelogramRow(out, 0, 1.0);
  for (int k = 1; k <= lags; ++k) writeCorrelogramRow(out, k, sum[k] / R_);
}

namespace {

// One tube of the batch while the workers have it.
struct PostItem {
  std::string name, stem;
  bool copied = false;
  bool created = false;
  std::vector<std::pair<MessageListId, std::string>> lines;
};

// A worker: its own arrays and its own lists.
struct PostWorker {
  std::unique_ptr<Postprocessor> own;
  Postprocessor* post = nullptr;
  MessageRecord record;
  PostView quiet;  // a worker draws nothing; the batch fills the grid in order
};

}  // namespace

std::vector<PostRow> runPostBatch(const std::string& workingDir, Postprocessor& post,
                                  PostView& view, ProgressView& main, Messages& messages,
                                  int workers) {
  view.showHelpTopic("PHREATIX._P_001");
  main.setGauge(0);
  main.setProgressLabel("Voortgang postprocessing buizen:");
  main.showProgressLabel(true);
  main.showGauge(true);
  for (int c = 0; c < kPostGridColumns; ++c) view.setCell(0, c, kPostGridTitles[c]);

  const std::vector<std::string> files = listFiles(workingDir, "*.u01");
  const int count = static_cast<int>(files.size());
  view.setRowCount(count + 1);
  std::vector<PostRow> rows;
  const bool parallel = workers > 1 && count > 1;
  std::vector<PostItem> items(files.size());
  std::vector<PostWorker> crew(parallel ? static_cast<std::size_t>(workers) : 0);
  for (std::size_t w = 0; w < crew.size(); ++w) {
    if (w == 0) {
      crew[w].post = &post;
    } else {
      crew[w].own = std::make_unique<Postprocessor>();
      crew[w].post = crew[w].own.get();
    }
  }
  std::unique_ptr<ScratchDirs> scratch;
  if (parallel) scratch = std::make_unique<ScratchDirs>(workingDir, orderedSlots(workers));
  const std::string control = joinPath(workingDir, kControlFileName);
  // Every line of a post-processing is its tube's, as in the run loop.
  TubeLines loopTube(messages, messages.tube());

  OrderedSteps steps;
  steps.prepare = [&](std::size_t item, std::size_t slot) {
    PostItem& it = items[item];
    const int n = static_cast<int>(item) + 1;
    it.name = files[item];
    it.stem = it.name.substr(0, it.name.find('.'));
    if (!parallel) messages.setTube(it.stem);
    view.setCell(n, 0, it.name);
    view.repaint();
    const std::string inp = joinPath(workingDir, it.stem + ".inp");
    it.copied = copyFile(inp, parallel ? joinPath((*scratch)[slot], kControlFileName) : control);
    if (it.copied && !parallel) {
      view.setCaption("Postprocessing buis: " + it.name);
      view.show();
    }
    return it.copied;
  };
  steps.work = [&](std::size_t item, std::size_t slot, int worker) {
    PostItem& it = items[item];
    if (!parallel) {
      it.created = post.RunPostprocessing(workingDir, view, messages);
      return;
    }
    PostWorker& w = crew[static_cast<std::size_t>(worker)];
    it.created =
        w.post->RunPostprocessing(workingDir, (*scratch)[slot], w.quiet, w.record.messages());
    it.lines = w.record.takeLines();
  };
  steps.take = [&](std::size_t item, std::size_t slot) {
    PostItem& it = items[item];
    TubeLines tubeLines(messages, it.stem);
    const int n = static_cast<int>(item) + 1;
    if (it.copied) {
      if (parallel) {
        // The working directory keeps the control file of the last tube.
        copyFile(joinPath((*scratch)[slot], kControlFileName), control);
        view.setCaption("Postprocessing buis: " + it.name);
        view.show();
        replayLines(it.lines, messages, joinPath((*scratch)[slot], ""), joinPath(workingDir, ""));
      }
      // The fixed outcome line does not name the tube: the next line does.
      messages.appendLog("Buis " + it.stem + ": " +
                         (it.created ? "karakteristieken geschreven in " + it.stem +
                                           ".sta, .reg, .foe, .his en .cor."
                                     : "postprocessing niet voltooid; de reden staat hierboven."));
    } else {
      messages.appendLog(it.stem + ".inp niet gevonden.");
    }
    for (int c = 1; c < kPostGridColumns; ++c) {
      view.setCell(n, c, it.created ? "aangemaakt" : "mislukt");
    }
    rows.push_back(PostRow{it.name, it.created});
    view.repaint();
    main.setGauge(roundToInt(static_cast<long double>(n) * 100 / count));
    main.setProgressLabel("Postprocessing buis " + it.name + " gereed.");
    main.repaint();
    view.rowFinished(n);
  };
  steps.idle = [&] {
    view.repaint();
    main.repaint();
  };
  runOrdered(parallel ? workers : 1, files.size(), steps);
  view.finished();
  view.repaint();
  return rows;
}

}  // namespace phreatix
