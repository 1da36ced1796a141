#include "postprocessing/karakt.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "postprocessing/correlogram.h"
#include "support/temp_dir.h"
#include "text/parse.h"

namespace phreatix {
namespace {

using test::TempDir;

std::string fixed(double x, int w, int d) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%*.*f", w, d, x);
  return buffer;
}

// Days per month; the series calendar makes every fourth year a leap year.
constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// value(r, year, dayOfYear with 29 February as 60 in leap years, leap)
using SeriesValue = std::function<double(int, int, int)>;

void writeSeries(const TempDir& dir, const std::string& stem, int S, int R, int Y,
                 const SeriesValue& value, const std::string& factor = "1") {
  std::string text = formatInt(S) + " " + formatInt(R) + " " + formatInt(Y) + "\n";
  for (int r = 1; r <= R; ++r) {
    for (int y = 0; y < Y; ++y) {
      int days = (S + y) % 4 == 0 ? 366 : 365;
      for (int d = 1; d <= days; ++d) text += formatReal(value(r, S + y, d), 8, 3) + "\n";
    }
  }
  dir.write(stem + ".u01", text);
  dir.write(stem + ".inp", "'" + stem + ".u01'\n'" + stem + ".frm'\n" + factor + "\n'" + stem +
                               ".u01'\n'" + stem + ".sta'\n'" + stem + ".his'\n'" + stem +
                               ".foe'\n'" + stem + ".reg'\n'" + stem + ".cor'\n" +
                               "0 500 (deze getallen worden niet gebruikt.)\n" +
                               "100 (dit getal wordt niet gebruikt.)\n");
}

class RecordingView : public PostView {
 public:
  void setMessage(const std::string& text) override { messages.push_back(text); }
  void setCell(int row, int column, const std::string& text) override {
    if (static_cast<int>(grid.size()) <= row) grid.resize(row + 1, std::vector<std::string>(6));
    grid[row][column] = text;
  }
  std::vector<std::string> messages;
  std::vector<std::vector<std::string>> grid;
};

struct BatchRun {
  TempDir dir;
  Messages messages;
  RecordingView view;
  ProgressView main;
  std::vector<PostRow> rows;
  void batch(Postprocessor& post) { rows = runPostBatch(dir.path(), post, view, main, messages); }
  std::vector<std::string> lines(const std::string& name) const {
    return readLines(dir.file(name));
  }
};

Postprocessor& processor() {
  static Postprocessor post;  // the capacities are allocated once, as in the program
  return post;
}

// The values of pass 1 (without 29 February) and pass 2, worked out from the
// series definition directly.
struct Passes {
  std::vector<double> withoutLeap, withLeap;
};
Passes passes(int S, int R, int Y, const SeriesValue& value, double factor = 1) {
  Passes p;
  for (int r = 1; r <= R; ++r) {
    for (int y = 0; y < Y; ++y) {
      bool leap = (S + y) % 4 == 0;
      for (int d = 1; d <= (leap ? 366 : 365); ++d) {
        // The file holds 8:3 text; read it back as the program does.
        double v = std::stod(formatReal(value(r, S + y, d), 8, 3)) * factor;
        p.withLeap.push_back(v);
        if (!(leap && d == 60)) p.withoutLeap.push_back(v);
      }
    }
  }
  return p;
}

double percentile(const std::vector<double>& sorted, long double p) {
  long long i = std::llrint(static_cast<long double>(sorted.size()) * p);  // ties to even
  return sorted.at(static_cast<std::size_t>(i - 1));
}

double wave(int r, int year, int d) {
  return -100 + 25 * std::sin(2 * M_PI * d / 365.0) + 3 * r + 0.37 * ((r * 7 + d * 13 + year) % 11);
}

TEST(Postprocessing, AllFilesAgreeWithTheirDefinitions) {
  const int S = 1999, R = 11, Y = 3;  // 2000 is a leap year
  BatchRun run;
  writeSeries(run.dir, "28AL0005", S, R, Y, wave, "0.5");
  run.batch(processor());
  ASSERT_EQ(run.rows.size(), 1u);
  ASSERT_TRUE(run.rows[0].created) << run.messages.log().back();
  EXPECT_EQ(run.messages.log(),
            (std::vector<std::string>{"Postprocessing zonder fouten afgesloten.",
                                      "Buis 28AL0005: karakteristieken geschreven in 28AL0005.sta, "
                                      ".reg, .foe, .his en .cor."}));
  EXPECT_EQ(run.view.grid[0][0], "Buis:");
  EXPECT_EQ(run.view.grid[1], (std::vector<std::string>{"28AL0005.u01", "aangemaakt", "aangemaakt",
                                                        "aangemaakt", "aangemaakt", "aangemaakt"}));
  EXPECT_EQ(run.view.messages,
            (std::vector<std::string>{
                "Reading data without leap days", "Number of data without leap days = 12045",
                "Calculating GHG and GLG", "Calculating regime-graph",
                "Calculating univariate statistics", "Calculating histogram",
                "Calculating foe-graph", "Reading data including leap days",
                "Number of data including leap days:=12056", "Number of data per year:=1096",
                "Calculating correlation function", "Program KARAKT terminated"}));

  Passes p = passes(S, R, Y, wave, 0.5);
  std::vector<double> sorted = p.withoutLeap;
  std::sort(sorted.begin(), sorted.end());
  const double N = static_cast<double>(sorted.size());

  // .sta, univariate block.
  double s1 = 0, s2 = 0, s3 = 0;
  for (double v : sorted) {
    s1 += v;
    s2 += v * v;
    s3 += v * v * v;
  }
  const double m1 = s1 / N, m2 = s2 / N, m3 = s3 / N;
  std::vector<std::string> sta = run.lines("28AL0005.sta");
  ASSERT_EQ(sta.size(), 20u + 15);
  const std::string dashes(37, '-');
  EXPECT_EQ(sta[0], dashes);
  EXPECT_EQ(sta[1], "         Univariate Statistics       ");
  EXPECT_EQ(sta[2], "based on  11 simulations             ");
  EXPECT_EQ(sta[3], "period: from 1999 to 2001");
  EXPECT_EQ(sta[5], "mean" + fixed(m1, 15, 6));
  EXPECT_EQ(sta[6], "variance" + fixed(m2 - m1 * m1, 15, 6));
  EXPECT_EQ(sta[7], "stdev." + fixed(std::sqrt(m2 - m1 * m1), 15, 6));
  EXPECT_EQ(sta[8], "3rd moment" + fixed(m3 - 3 * m1 * m2 + 2 * m1 * m1 * m1, 15, 6));
  const char* names[9] = {"P01", "P05", "P10", "P25", "P50", "P75", "P90", "P95", "P99"};
  const long double fractions[9] = {0.01L, 0.05L, 0.1L, 0.25L, 0.5L, 0.75L, 0.9L, 0.95L, 0.99L};
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(sta[10 + i], names[i] + fixed(percentile(sorted, fractions[i]), 15, 6));
  }
  EXPECT_EQ(sta[19], dashes);

  // .sta, GHG block: measuring days from the calendar, per realisation.
  std::vector<int> measuring;
  for (int month : {4, 5, 6, 7, 8, 9, 10, 11, 12, 1, 2, 3}) {
    int before = 0;
    for (int m = 1; m < month; ++m) before += kMonthDays[m - 1];
    measuring.push_back(before + 14);
    measuring.push_back(before + 28);
  }
  std::vector<double> characteristic[5];
  for (int r = 0; r < R; ++r) {
    double sum[5] = {};
    for (int y = 0; y < Y; ++y) {
      const double* year = &p.withoutLeap[static_cast<std::size_t>((r * Y + y) * 365)];
      std::vector<double> all, summer, winter;
      for (int j = 0; j < 24; ++j) {
        double v = year[measuring[j] - 1];
        all.push_back(v);
        (j < 12 ? summer : winter).push_back(v);
      }
      std::sort(all.begin(), all.end());
      std::sort(summer.begin(), summer.end());
      std::sort(winter.begin(), winter.end());
      sum[0] += all[0] + all[1] + all[2];
      sum[1] += all[21] + all[22] + all[23];
      sum[2] += summer[0] + summer[1] + summer[2];
      sum[3] += winter[9] + winter[10] + winter[11];
      sum[4] += year[72] + year[86] + year[103];  // 14 March, 28 March, 14 April
    }
    for (int c = 0; c < 5; ++c) characteristic[c].push_back(sum[c] / (3 * Y));
  }
  EXPECT_EQ(sta[20], "");
  EXPECT_EQ(sta[23], std::string(74, '-'));
  EXPECT_EQ(sta[24], "   Mean Highest and Mean Lowest Water Table and Mean Spring Water Table");
  EXPECT_EQ(
      sta[27],
      "                        mean             5%           50%             95%          std");
  const char* labels[5] = {"GLG(t)", "GHG(t)", "GLG(z)", "GHG(w)", "GVG(t)"};
  for (int c = 0; c < 5; ++c) {
    std::vector<double> v = characteristic[c];
    double sum = 0, squares = 0;
    for (double x : v) {
      sum += x;
      squares += x * x;
    }
    std::sort(v.begin(), v.end());
    const double mean = sum / R;
    // R = 11: the 5%, 50% and 95% points are elements 1, 6 and 10.
    EXPECT_EQ(sta[29 + c], labels[c] + fixed(mean, 15, 6) + fixed(v[0], 15, 6) +
                               fixed(v[5], 15, 6) + fixed(v[9], 15, 6) +
                               fixed(std::sqrt(std::max(0.0, squares / R - mean * mean)), 15, 6));
  }
  EXPECT_EQ(sta[34], std::string(74, '-'));

  // .reg: per day of the year over the 33 realisation-years.
  std::vector<std::string> reg = run.lines("28AL0005.reg");
  ASSERT_EQ(reg.size(), 7u + 365);
  EXPECT_EQ(std::vector<std::string>(reg.begin(), reg.begin() + 7),
            (std::vector<std::string>{"# Regime graph (Regimecurve)", "", " ARRAY 4  365  T", "",
                                      " HOLE 1.0e+38", "",
                                      "#  Day number     Mean       5%       median     95%"}));
  for (int d = 1; d <= 365; d += 52) {
    std::vector<double> day;
    for (int k = 0; k < R * Y; ++k)
      day.push_back(p.withoutLeap[static_cast<std::size_t>(k * 365 + d - 1)]);
    std::sort(day.begin(), day.end());
    double sum = 0;
    for (double x : day) sum += x;
    // K = 33: round(1.65) = 2, round(16.5) = 16, round(31.35) = 31.
    EXPECT_EQ(reg[6 + d], formatInt(d, 4) + fixed(sum / 33, 15, 6) + fixed(day[1], 15, 6) +
                              fixed(day[15], 15, 6) + fixed(day[30], 15, 6))
        << d;
  }

  // .foe: the index of every row by a scan of the definition itself.
  std::vector<std::string> foe = run.lines("28AL0005.foe");
  const long long n = static_cast<long long>(sorted.size());
  const long long P = std::llrint(n * 0.1L);  // 1204 < 3651
  EXPECT_EQ(foe[2], " ARRAY 1" + formatInt(P - 1, 8) + " T");
  std::vector<std::string> rows;
  double h = 0;
  for (long long c = 1; c <= P - 1; ++c) {
    long double t = (c - 1) * 0.1L;
    for (long long i = 1; i <= n - 1; ++i) {
      long double a = static_cast<long double>((n + 1 - i) * 365) / n;
      long double b = static_cast<long double>((n - i) * 365) / n;
      if (b < t && t <= a) {
        h = (sorted[i - 1] + sorted[i]) / 2;
        rows.push_back(fixed(static_cast<double>(t), 8, 1) + fixed(h, 15, 6));
        break;
      }
    }
  }
  rows.push_back(fixed(365.0, 8, 1) + fixed(h, 15, 6));
  EXPECT_EQ(std::vector<std::string>(foe.begin() + 7, foe.end()), rows);
  EXPECT_EQ(foe[0], "# FOEGRAPH (Duurlijn) ");

  // .his: 100 classes by a scan, each centre repeated by its frequency.
  const double minimum = sorted.front();
  const double width =
      static_cast<double>((static_cast<long double>(sorted.back()) - minimum) / 100);
  std::vector<std::string> his = run.lines("28AL0005.his");
  std::vector<std::string> histogram;
  for (int c = 2; c <= 101; ++c) {
    double low = static_cast<double>((c - 2) * static_cast<long double>(width) + minimum);
    double high = static_cast<double>((c - 1) * static_cast<long double>(width) + minimum);
    long long count = 0;
    for (double x : sorted) count += low < x && x <= high;
    long long times = std::llrint(static_cast<long double>(count) * 10000 / n);
    for (long long k = 0; k < times; ++k) {
      histogram.push_back(formatInt(static_cast<long long>(histogram.size()) + 1, 8) +
                          fixed(static_cast<double>(high - 0.5L * width), 15, 6));
    }
  }
  EXPECT_EQ(his[2], " ARRAY 1" + formatInt(static_cast<long long>(histogram.size()), 8) + " T");
  EXPECT_EQ(his[6], "#    number       value");
  EXPECT_EQ(std::vector<std::string>(his.begin() + 7, his.end()), histogram);

  // .cor: the plain definition, with the pass-1 mean, for all 730 lags.
  std::vector<std::string> cor = run.lines("28AL0005.cor");
  ASSERT_EQ(cor.size(), 7u + 731);
  EXPECT_EQ(cor[2], " ARRAY 1 731 T");
  EXPECT_EQ(cor[7], "         0    1.000000");
  const long long L = 1096;
  for (int k = 1; k <= 730; k += 1) {
    double sumRho = 0;
    for (int r = 0; r < R; ++r) {
      const double* X = &p.withLeap[static_cast<std::size_t>(r * L)];
      double sxy = 0, sxx = 0, syy = 0;
      for (long long i = 0; i < L - k; ++i) {
        sxy += (X[i] - m1) * (X[i + k] - m1);
        sxx += (X[i] - m1) * (X[i] - m1);
        syy += (X[i + k] - m1) * (X[i + k] - m1);
      }
      double pairs = static_cast<double>(L - k) - 1;
      sumRho += (sxy / pairs) / (std::sqrt(sxx / pairs) * std::sqrt(syy / pairs));
    }
    ASSERT_EQ(cor[7 + k], formatInt(k, 10) + fixed(sumRho / R, 12, 6)) << k;
  }
}

TEST(Postprocessing, LagSumsAddEachLagInItsOwnOrder) {
  // The vector blocks of lags must give every lag's sums the bits of the
  // plain loop, in whole blocks, in the last block cut short at `lags`, and
  // where a realisation is barely longer than the longest lag.
  std::mt19937_64 random(7);
  for (long long L : {732LL, 737LL, 760LL, 10957LL}) {
    std::vector<double> d(static_cast<std::size_t>(L) + 1), sq(d.size());
    for (long long i = 1; i <= L; ++i) {
      d[i] = std::normal_distribution<double>(0, 20)(random) + 0.1 * std::sin(i * 0.0172);
      sq[i] = d[i] * d[i];
    }
    for (int lags : {1, 7, 8, 33, 730}) {
      std::vector<double> sxy(kMaxLags + 1, -1), syy(kMaxLags + 1, -1);
      accumulateLagSums(d.data(), sq.data(), L, lags, sxy.data(), syy.data());
      for (int k = 1; k <= lags; ++k) {
        double xy = 0, yy = 0;
        for (long long i = 1; i <= L - k; ++i) {
          xy += d[i] * d[i + k];
          yy += sq[i + k];
        }
        ASSERT_EQ(std::memcmp(&xy, &sxy[k], sizeof xy), 0) << "L " << L << " lag " << k;
        ASSERT_EQ(std::memcmp(&yy, &syy[k], sizeof yy), 0) << "L " << L << " lag " << k;
      }
      EXPECT_EQ(sxy[lags + 1], -1) << "a lag beyond " << lags << " was written";
    }
  }
}

TEST(Postprocessing, GhgByHandAndAFailingCorrelogram) {
  // Every value 0 except 14 March = 1, 28 March = 2, 14 April = 6: GVG adds
  // 9 a year (3 on average), GHG(t) takes 6, 2 and 1, the lows are the tied
  // zeros. One year per realisation is too short for lag 730.
  auto spring = [](int, int, int d) {
    return d == 73 ? 1.0 : d == 87 ? 2.0 : d == 104 ? 6.0 : 0.0;
  };
  BatchRun run;
  writeSeries(run.dir, "28AL0006", 1997, 11, 1, spring);
  run.batch(processor());
  EXPECT_FALSE(run.rows[0].created);
  EXPECT_EQ(run.view.grid[1][1], "mislukt");
  EXPECT_EQ(run.messages.log(),
            (std::vector<std::string>{
                "Postprocessing met foutmelding afgesloten:",
                "correlogram: 365 values per realisation are too few for lag 730",
                "Buis 28AL0006: postprocessing niet voltooid; de reden staat hierboven."}));
  std::vector<std::string> sta = run.lines("28AL0006.sta");
  ASSERT_EQ(sta.size(), 35u);
  const std::string zeros =
      fixed(0, 15, 6) + fixed(0, 15, 6) + fixed(0, 15, 6) + fixed(0, 15, 6) + fixed(0, 15, 6);
  EXPECT_EQ(sta[29], "GLG(t)" + zeros);
  // The same value in every realisation: the standard deviation's radicand
  // may round below zero and is taken as 0.
  EXPECT_EQ(sta[30],
            "GHG(t)       3.000000       3.000000       3.000000       3.000000       0.000000");
  EXPECT_EQ(sta[31], "GLG(z)" + zeros);
  // The winter half is January to March and October to December of the
  // same year: its three highest are 2, 1 and 0.
  EXPECT_EQ(sta[32],
            "GHG(w)       1.000000       1.000000       1.000000       1.000000       0.000000");
  EXPECT_EQ(sta[33],
            "GVG(t)       3.000000       3.000000       3.000000       3.000000       0.000000");
  EXPECT_TRUE(run.lines("28AL0006.cor").empty());
  EXPECT_EQ(run.lines("28AL0006.reg").size(), 372u);
  // 1, 2 and 6 each occur 11 times in 4015 values: round(27.4) = 27 rows
  // each; the zeros are the minimum, which lies in no class.
  EXPECT_EQ(run.lines("28AL0006.his").size(), 7u + 3 * 27);
}

TEST(Postprocessing, AValueOnAClassBoundBelongsToTheClassBelowIt) {
  // Values 0..100 (day mod 101): w = 1 and every bound b[c] = c - 1 is a
  // value, which belongs to class c, centre c - 1.5. Values up to 62 occur 4
  // times a year (132 in 12045: 110 rows), the others 3 times (82 rows).
  BatchRun run;
  writeSeries(run.dir, "28AL0009", 1969, 11, 3, [](int, int, int d) { return d % 101 * 1.0; });
  run.batch(processor());
  std::vector<std::string> his = run.lines("28AL0009.his");
  ASSERT_EQ(his.size(), 7u + 62 * 110 + 38 * 82);
  EXPECT_EQ(his[7], "       1       0.500000");
  EXPECT_EQ(his[7 + 109], "     110       0.500000");
  EXPECT_EQ(his[7 + 110], "     111       1.500000");
  EXPECT_EQ(his.back(), formatInt(62 * 110 + 38 * 82, 8) + "      99.500000");
}

TEST(Postprocessing, LeapYearsCountEveryFourthYear) {
  EXPECT_TRUE(isSeriesLeapYear(1900));
  EXPECT_TRUE(isSeriesLeapYear(2000));
  EXPECT_TRUE(isSeriesLeapYear(1972));
  EXPECT_FALSE(isSeriesLeapYear(1969));
  // 1900 is a leap year of the series: 366 lines, 365 values in pass 1.
  BatchRun run;
  writeSeries(run.dir, "28AL0007", 1900, 11, 3, wave);
  run.batch(processor());
  EXPECT_TRUE(run.rows[0].created);
  auto said = [&](const std::string& line) {
    return std::find(run.view.messages.begin(), run.view.messages.end(), line) !=
           run.view.messages.end();
  };
  EXPECT_TRUE(said("Number of data without leap days = 12045"));
  EXPECT_TRUE(said("Number of data including leap days:=12056"));
  EXPECT_EQ(run.lines("28AL0007.sta")[3], "period: from 1900 to 1902");
}

TEST(Postprocessing, DurationLineIndexAndRowCount) {
  const long long N = 1095000;
  // t and the quotients are stored doubles, each formed in extended
  // precision.
  auto days = [](long long c) { return static_cast<double>((c - 1) * 0.1L); };
  auto bound = [N](long long k) {
    return static_cast<double>(static_cast<long double>(k * 365) / N);
  };
  EXPECT_EQ(durationIndex(N, days(2)), N - 299);
  EXPECT_EQ(durationIndex(N, 0), 0);
  EXPECT_EQ(durationIndex(N, bound(1)), 0);
  EXPECT_EQ(durationIndex(N, 365), 1);
  EXPECT_EQ(durationIndex(N, 366), 0);
  // t = 0.9 and 1.3 lie within a rounding of a bound: kept in extended
  // precision they would pick the neighbouring index. The index by the
  // definition, searched over every i.
  for (long long c : {10, 14}) {
    const double t = days(c);
    long long expected = 0;
    for (long long i = 1; i < N; ++i) {
      if (bound(N - i) < t && t <= bound(N + 1 - i)) expected = i;
    }
    ASSERT_NE(expected, 0);
    EXPECT_EQ(durationIndex(N, t), expected) << t;
  }
  // Every t of the line against the definition.
  for (long long c = 1; c <= 3650; c += 7) {
    const double t = days(c);
    long long i = durationIndex(N, t);
    if (i == 0) continue;
    EXPECT_LT(bound(N - i), t);
    EXPECT_LE(t, bound(N + 1 - i));
  }
  // R = 12, Y = 3: P = 1314, 1313 rows announced and written.
  BatchRun run;
  writeSeries(run.dir, "28AL0008", 1969, 12, 3, wave);
  run.batch(processor());
  std::vector<std::string> foe = run.lines("28AL0008.foe");
  EXPECT_EQ(foe[2], " ARRAY 1    1313 T");
  ASSERT_EQ(foe.size(), 7u + 1313);
  EXPECT_EQ(foe[7].substr(0, 8), "     0.1");
  EXPECT_EQ(foe[foe.size() - 2].substr(0, 8), "   131.2");
  EXPECT_EQ(foe.back().substr(0, 8), "   365.0");
  EXPECT_EQ(foe.back().substr(8), foe[foe.size() - 2].substr(8));
}

TEST(Postprocessing, SeriesNumbersReadAsTheFreeReaderReadsThem) {
  // Every token must give the free reader's double, bit for bit (the sign of
  // a zero included), and be refused where the free reader refuses it.
  auto agree = [](const std::string& token) {
    double fast = 12345.678, reference = 12345.678;
    const bool read = readSeriesNumber(token, fast);
    const bool referenceRead = valReal(token, reference) == 0;
    if (read != referenceRead) return false;
    return !read || std::memcmp(&fast, &reference, sizeof fast) == 0;
  };
  for (const char* token : {"-0.000",
                            "0.000",
                            "-0",
                            "0",
                            "007.250",
                            "-153.267",
                            "999999999999999",
                            "99999999999999.9",
                            "0.000000000000001",
                            "9007199254740993",
                            "0.1234567890123456789",
                            "-.5",
                            ".5",
                            "5.",
                            "+5.0",
                            "1e2",
                            "-1.5E-3",
                            "--1",
                            "-",
                            ".",
                            "12,5",
                            "1.2.3",
                            "0x1p3",
                            "inf",
                            "nan",
                            ""}) {
    EXPECT_TRUE(agree(token)) << '"' << token << '"';
  }
  std::mt19937_64 random(17);
  for (int i = 0; i < 200000; ++i) {
    // Levels as the series files hold them (3 decimals), and tokens of up to
    // 18 digits, beyond those a double holds exactly.
    const long long digits = static_cast<long long>(random() % 1000000000000000000ULL);
    const int decimals = i % 2 ? 3 : static_cast<int>(random() % 19);
    std::string token = std::to_string(digits % (i % 2 ? 1000000 : 1000000000000000000LL));
    if (static_cast<int>(token.size()) <= decimals)
      token.insert(0, decimals + 1 - token.size(), '0');
    if (decimals > 0) token.insert(token.size() - decimals, ".");
    if (random() % 2) token.insert(0, "-");
    ASSERT_TRUE(agree(token)) << '"' << token << '"';
  }
}

TEST(Postprocessing, EverySpellingOfALevelReadsAlike) {
  // The same levels, once as plain decimals and once spelt every other way
  // the free reader takes a number, with line ends of both kinds, blank
  // lines and words after a value: both tubes must give the same files.
  const int S = 1971, R = 12, Y = 3;
  auto level = [](int r, int year, int d) {
    if (d % 17 == 0) return d % 2 ? -0.0 : 0.0;  // "-0.000" and "0.000"
    return wave(r, year, d) + 100;
  };
  BatchRun run;
  writeSeries(run.dir, "A0000001", S, R, Y, level);
  std::string plain = run.dir.read("A0000001.u01");
  std::string spelt;
  std::size_t at = plain.find('\n') + 1;
  spelt = plain.substr(0, at);
  for (int i = 0; at < plain.size(); ++i) {
    const std::size_t end = plain.find('\n', at);
    const std::string token = plain.substr(at, end - at);
    const double x = std::stod(token);
    char buffer[64];
    switch (i % 8) {
      case 0:
        std::snprintf(buffer, sizeof buffer, "%.6e", x);
        break;  // 1.234000e+01
      case 1:
        std::snprintf(buffer, sizeof buffer, "%+.3f", x);
        break;  // +12.340
      case 2:
        std::snprintf(buffer, sizeof buffer, "%.9f\r", x);
        break;  // 12.340000000
      case 3:
        std::snprintf(buffer, sizeof buffer, "%.20f", x);
        break;  // beyond 15 digits
      case 4:
        std::snprintf(buffer, sizeof buffer, "%s  eind", token.c_str());
        break;
      case 5:
        std::snprintf(buffer, sizeof buffer, "\n \t%s", token.c_str());
        break;
      default:
        std::snprintf(buffer, sizeof buffer, "%s", token.c_str());
        break;
    }
    spelt += buffer;
    spelt += '\n';
    at = end + 1;
  }
  ASSERT_NE(spelt, plain);
  writeSeries(run.dir, "A0000002", S, R, Y, level);
  run.dir.write("A0000002.u01", spelt);
  run.batch(processor());
  ASSERT_EQ(run.rows.size(), 2u);
  ASSERT_TRUE(run.rows[0].created && run.rows[1].created) << run.messages.log().back();
  ASSERT_NE(plain.find("\n  -0.000\n"), std::string::npos);
  for (const char* ext : {".sta", ".reg", ".foe", ".his", ".cor"}) {
    EXPECT_EQ(run.dir.read(std::string("A0000002") + ext),
              run.dir.read(std::string("A0000001") + ext))
        << ext;
  }
}

TEST(Postprocessing, EachFailureEndsItsTubeAlone) {
  BatchRun run;
  writeSeries(run.dir, "A0000001", 1969, 11, 3, wave);
  writeSeries(run.dir, "A0000002", 1969, 11, 3, wave);
  writeSeries(run.dir, "A0000003", 1969, 11, 3, wave);
  writeSeries(run.dir, "A0000004", 1969, 11, 3, wave);
  writeSeries(run.dir, "A0000005", 1969, 10, 3, wave);
  // 2: an unreadable number; 3: a truncated file; 4: no control file; 5: ten
  // realisations, too few for the 5% point of the GHG table.
  std::string text = run.dir.read("A0000002.u01");
  text.replace(text.find('\n', 2000) + 1, 8, "  12,5x ");
  run.dir.write("A0000002.u01", text);
  text = run.dir.read("A0000003.u01");
  run.dir.write("A0000003.u01", text.substr(0, text.size() / 2));
  removeFile(run.dir.file("A0000004.inp"));
  run.dir.write("notes.txt", "no series");
  run.batch(processor());
  ASSERT_EQ(run.rows.size(), 5u);
  EXPECT_FALSE(run.rows[4].created);
  EXPECT_TRUE(run.rows[0].created);
  EXPECT_FALSE(run.rows[1].created);
  EXPECT_FALSE(run.rows[2].created);
  EXPECT_FALSE(run.rows[3].created);
  // Per tube the fixed outcome (with the error's text), then a line that
  // names the tube.
  const std::vector<std::string>& log = run.messages.log();
  auto at = [&](std::size_t i) { return i < log.size() ? log[i] : std::string(); };
  ASSERT_EQ(log.size(), (1u + 1) + (2 + 1) + (2 + 1) + 1 + (2 + 1));
  EXPECT_EQ(at(0), "Postprocessing zonder fouten afgesloten.");
  EXPECT_EQ(at(1),
            "Buis A0000001: karakteristieken geschreven in A0000001.sta, .reg, .foe, .his "
            "en .cor.");
  EXPECT_EQ(at(2), "Postprocessing met foutmelding afgesloten:");
  EXPECT_NE(at(3).find("A0000002.u01:"), std::string::npos) << at(3);
  EXPECT_NE(at(3).find("expected a number, got \"12,5x\""), std::string::npos) << at(3);
  EXPECT_EQ(at(4), "Buis A0000002: postprocessing niet voltooid; de reden staat hierboven.");
  EXPECT_NE(at(6).find("A0000003.u01: the series ends after"), std::string::npos) << at(6);
  EXPECT_NE(at(6).find("announces 12045 without 29 February"), std::string::npos) << at(6);
  EXPECT_EQ(at(8), "A0000004.inp niet gevonden.");
  EXPECT_EQ(at(10), "percentile index 0 outside 1..10 (too few values for the 5% point)");
  // The unreadable file left all five outputs empty; the missing control
  // file none at all.
  for (const char* ext : {".sta", ".his", ".foe", ".reg", ".cor"}) {
    EXPECT_TRUE(run.lines(std::string("A0000002") + ext).empty()) << ext;
    EXPECT_FALSE(fileExists(run.dir.file(std::string("A0000004") + ext))) << ext;
    EXPECT_FALSE(run.lines(std::string("A0000001") + ext).empty()) << ext;
  }
  EXPECT_EQ(run.view.grid[4][5], "mislukt");
}

}  // namespace
}  // namespace phreatix

namespace phreatix {
namespace {

// The widest period the settings accept, 100 realisations of the 100 years
// 1948..2047, fits the capacities: K = 10,000 realisation-years and
// 3,652,500 values in the pass with 29 February.
TEST(Postprocessing, OneHundredRealisationsOfOneHundredYears) {
  const int S = 1948, R = 100, Y = 100;
  BatchRun run;
  auto level = [](int r, int year, int d) { return -100.0 + (r * 31 + year * 7 + d) % 97; };
  writeSeries(run.dir, "28AL0005", S, R, Y, level);
  run.batch(processor());
  ASSERT_EQ(run.rows.size(), 1u);
  ASSERT_TRUE(run.rows[0].created) << run.messages.log().back();
  EXPECT_NE(std::find(run.view.messages.begin(), run.view.messages.end(),
                      "Number of data without leap days = 3650000"),
            run.view.messages.end());
  EXPECT_NE(std::find(run.view.messages.begin(), run.view.messages.end(),
                      "Number of data including leap days:=3652500"),
            run.view.messages.end());
  std::vector<std::string> sta = run.lines("28AL0005.sta");
  ASSERT_GE(sta.size(), 4u);
  EXPECT_EQ(sta[2], "based on 100 simulations             ");
  EXPECT_EQ(sta[3], "period: from 1948 to 2047");
  // The mean over every value of pass 1, worked out from the definition.
  Passes p = passes(S, R, Y, level);
  double sum = 0;
  for (double v : p.withoutLeap) sum += v;
  EXPECT_EQ(sta[5], "mean" + fixed(sum / static_cast<double>(p.withoutLeap.size()), 15, 6));
}

// The one reading of the series fills pass 2 as well, yet a pass 2 beyond its
// capacity still fails in its own turn: 1000 realisations of the ten years
// 1972..1981 hold 3,650,000 values without 29 February, which fit, and
// 3,653,000 with it, which do not. Every file but the correlogram is written.
TEST(Postprocessing, APassWithLeapDaysBeyondItsCapacityFailsInItsTurn) {
  BatchRun run;
  auto level = [](int r, int year, int d) { return -80.0 + (r * 13 + year * 5 + d) % 89; };
  writeSeries(run.dir, "28AL0005", 1972, 1000, 10, level);
  run.batch(processor());
  ASSERT_EQ(run.rows.size(), 1u);
  EXPECT_FALSE(run.rows[0].created);
  const std::vector<std::string>& log = run.messages.log();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0], "Postprocessing met foutmelding afgesloten:");
  EXPECT_NE(log[1].find("28AL0005.u01: 3653000 values, at most 3652500"), std::string::npos)
      << log[1];
  EXPECT_EQ(run.lines("28AL0005.reg").size(), 7u + 365);
  EXPECT_EQ(run.lines("28AL0005.foe").size(), 7u + 3650);
  EXPECT_EQ(run.lines("28AL0005.sta").size(), 20u + 3 + 6 + 5 + 1);
  EXPECT_FALSE(run.lines("28AL0005.his").empty());
  EXPECT_TRUE(run.lines("28AL0005.cor").empty());
}

}  // namespace
}  // namespace phreatix
