// What a finished working directory holds for the hydrologist, per tube, as
// typed values: the chosen model, how well it fits, GHG/GLG/GVG and the
// warnings a user must see before quoting them. Read from the working
// directory, or from a tube's zip archive once it is packed. Reading writes no
// file and adds no message.
//
// Levels here are as DINO gives them: cm below surface level ("cm-mv",
// positive downward). The program's own result files keep their own sign.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "files/component_file.h"
#include "files/tube_extras.h"
#include "results/fit.h"

namespace phreatix {

enum class ResultWarningKind {
  kStartTransient,       // realisations' mean deviation in the first simulated year above 5 cm
  kNoiseDominates,       // realisations' standard deviation > 1.2 x the measured one
  kGhgAboveSurface,      // GHG above surface level
  kShortSeries,          // fewer than 730 days between first and last reading
  kSparseSeries,         // 17 readings a year or fewer
  kNoModel,              // no plausible model: the criterion that failed
  kLowFitEvp,            // EVP of the fit below kMinFitEvp
  kNoiseTooSmall,        // realisations' standard deviation < 0.8 x the measured one
  kResidualTrend,        // a drift of the fit's residuals over the years
  kClusteredReadings,    // more than half of the readings in under a quarter of the years
  kSimulatedVsMeasured,  // simulated GxG over the measured years off the measured ones
  kTryExtended,          // the advice to run the extended model family
  kMetadataPeriods,      // several metadata periods: the last one's coordinates
};

// The bounds of the warnings.
inline constexpr double kMinFitEvp = 15;        // %, the fit's EVP
inline constexpr double kMinSpreadRatio = 0.8;  // realisations' SD / measured SD
inline constexpr double kMaxSpreadRatio = 1.2;
inline constexpr double kStartTransientCm = 5;  // mean deviation in the first simulated year
inline constexpr double kTrendT = 2;            // |t| of the residuals' slope
inline constexpr double kTrendCm = 10;          // |slope| x span of the years
inline constexpr double kSimulatedVsMeasuredCm = 10;

struct ResultWarning {
  ResultWarningKind kind;
  std::string text;  // Dutch, one line, with the value and its bound
};

// What a warning of this kind means and what to try, one Dutch sentence
// for the report.
const char* warningMeaning(ResultWarningKind kind);

// A GHG, GLG and GVG in cm below surface level, each known or not.
struct LevelCharacteristics {
  std::optional<double> ghg;
  std::optional<double> glg;
  std::optional<double> gvg;
};

struct TubeResult {
  std::string stem;      // the 8-character stem of the tube's files (location code)
  std::string location;  // as in the export
  std::string filter;    // "01", "02", ...; the filter simulated
  // "1s", "2s", "ef", "gf" (and of the extended family with a letter per
  // component: "gft", "efp", "gfx", "eftx"), "ft"; empty for a tube the
  // selection did not take.
  std::string label;
  bool modelled = false;  // a chosen model whose post-processing finished
  // The standard model's parameters (1s, 2s); of an extended model (ef, gf)
  // phi, c and sigma2, from S.sel.
  double delta = 0;
  double omega0 = 0;
  double phi = 0;
  double c = 0;
  double sigma2 = 0;
  std::optional<double> x;  // RD New (EPSG:28992), metres
  std::optional<double> y;
  FitFigures fit;
  bool fitInEquilibrium = false;  // the fit is that of S.fit
  std::optional<double> ghg;      // cm-mv
  std::optional<double> glg;
  std::optional<double> gvg;
  // The GxG of the readings by the measuring-day rule (postprocessing/
  // measured_gxg), cm-mv, known from kMinMeasuredYears counted years; the
  // counted years whenever the readings were read.
  LevelCharacteristics measured;
  std::optional<std::vector<int>> measuredYears;
  // The simulated GxG over the measured years (S.gzj), cm-mv.
  LevelCharacteristics sameYears;
  std::vector<int> sameYearsList;
  // The extended family's choice (S.sel): candidates, BIC, parameters and
  // the chosen model's components.
  ModelChoice choice;
  // The components' levels (S.kmp), in the order of choice.components, cm
  // positive upward, and the situation the simulated GxG hold for; empty
  // and none for a model without components (or without a readable S.kmp).
  std::vector<ComponentLevel> componentLevels;
  std::optional<Situation> situation;
  std::vector<ResultWarning> warnings;
  std::string failure;  // why no model, for a tube without one
  // Files of the tube are there but could not be read (an archive that does
  // not open, a damaged or oversized member, an empty S.sta): `failure`
  // names the file and why.
  bool unreadable = false;
};

struct DataSetResults {
  std::string workingDir;
  bool extendedFamily = false;     // some tube's S.sel holds the extended lines
  std::vector<TubeResult> tubes;   // ordered by stem
  std::vector<std::string> notes;  // about the data set as a whole (no coordinates, ...)
  // The tubes whose results could not be read (TubeResult::unreadable).
  std::size_t unreadableTubes() const;
};

// Every tube of the working directory (modsel.zft, foutbuis.zft, locaties.csv,
// and per tube its files, from the directory or from S.zip). With
// `finishedOnly`, a modelled tube whose post-processing has not finished is
// left out. Raises an input error when the directory holds no results.
DataSetResults readResults(const std::string& workingDir, bool finishedOnly = false,
                           int workers = 1);

// Coordinates of the tubes, written at open next to modsel.zft.
inline constexpr const char* kLocationsFileName = "locaties.csv";

}  // namespace phreatix
