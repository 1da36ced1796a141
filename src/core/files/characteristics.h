// The five files of a tube's characteristics, as the post-processing writes
// them and the results read them back: their labels, head lines and rows.
//
//   .sta  univariate statistics (moments and percentiles of all simulated
//         levels), then GLG, GHG and GVG over the realisations
//   .reg  regime curve: per day of the year (1..365) mean, 5 %, 50 %, 95 %
//   .foe  duration line: days per year t (0.1 steps) and the level h with
//         Pr[level < h] = t/365, closed by the row of t = 365
//   .his  histogram: one row per 1/10000 of the levels, numbered, with the
//         centre of its class
//   .cor  correlogram: lag in days (0..730) and the correlation
//
// The four curve files open with seven head lines: the title, a blank line,
// "ARRAY <columns - 1> <rows> T", a blank line, the missing-value code
// (HOLE 1.0e+38, which no row of the program holds), a blank line and the
// column titles. Levels keep the engine's unit and sign (cm, positive upward).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/fixed_writer.h"

namespace phreatix {

// .sta: the labels at the start of its lines, each followed by the number(s).
inline constexpr const char* kMomentLabels[4] = {"mean", "variance", "stdev.", "3rd moment"};
inline constexpr const char* kPercentileLabels[9] = {"P01", "P05", "P10", "P25", "P50",
                                                     "P75", "P90", "P95", "P99"};
// Each followed by mean, 5 %, 50 %, 95 % and the standard deviation over
// the realisations.
inline constexpr const char* kGhgLabels[5] = {"GLG(t)", "GHG(t)", "GLG(z)", "GHG(w)", "GVG(t)"};
inline constexpr int kGlgIndex = 0, kGhgIndex = 1, kGvgIndex = 4;  // in kGhgLabels
inline constexpr int kStdevIndex = 2;                              // in kMomentLabels

// The univariate part of S.sta: R realisations of the years S..S+Y-1,
// mean, variance, standard deviation and third central moment, then the
// percentiles of kPercentileLabels.
void writeUnivariateStatistics(FixedWriter& out, int realisations, int firstYear, int years,
                               const double (&moments)[4], const double (&percentiles)[9]);
// The GHG part of S.sta, after the univariate one: per row of kGhgLabels
// mean, 5 %, 50 %, 95 % and standard deviation.
void writeGroundwaterCharacteristics(FixedWriter& out, const double (&rows)[5][5]);

// The first number after `label` at the start of a line of S.sta; none when
// no line starts with it. A label without a number after it is a read error
// naming the file and the line.
std::optional<double> statisticsValue(const std::string& name,
                                      const std::vector<std::string>& lines,
                                      std::string_view label);

// What the results take from S.sta, in the engine's sign.
struct StatisticsFigures {
  std::optional<double> ghg, glg, gvg;  // the means over the realisations
  std::optional<double> stdev;          // of all simulated levels
};
StatisticsFigures readStatistics(const std::string& name, const std::string& text);

// The head of a curve file.
struct CurveLayout {
  const char* title;         // line 1
  int columns;               // numbers per row
  int rowsWidth;             // width of the row count on line 3
  const char* rowsTail;      // what follows the row count on line 3
  const char* columnTitles;  // line 7
};
inline constexpr int kCurveHeadLines = 7;
inline constexpr CurveLayout kRegimeCurve = {
    "# Regime graph (Regimecurve)", 5, 5, "  T",
    "#  Day number     Mean       5%       median     95%"};
inline constexpr CurveLayout kDurationLine = {"# FOEGRAPH (Duurlijn) ", 2, 8, " T",
                                              "#      h      Pr[gws<h] (days per year)"};
inline constexpr CurveLayout kHistogram = {"# Histogram ", 2, 8, " T", "#    number       value"};
inline constexpr CurveLayout kCorrelogram = {"# Correlogram ", 2, 4, " T",
                                             "#  lag (days)    correlation"};

// The seven head lines, announcing `rows` rows.
void writeCurveHead(FixedWriter& out, const CurveLayout& layout, long long rows);
// The rows of each curve file.
void writeRegimeRow(FixedWriter& out, int day, double mean, double p05, double p50, double p95);
void writeDurationRow(FixedWriter& out, double daysPerYear, double level);
void writeHistogramRow(FixedWriter& out, long long number, double centre);
void writeCorrelogramRow(FixedWriter& out, int lag, double correlation);

// The rows of a curve file's text after its head, each `layout.columns`
// numbers; blank lines passed over. A row with fewer numbers is a read error
// naming the file and the line.
std::vector<std::vector<double>> readCurveRows(const std::string& name, const std::string& text,
                                               const CurveLayout& layout);

}  // namespace phreatix
