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

#include "results/fit.h"

namespace phreatix {

enum class ResultWarningKind {
  kStartTransient,   // |c|*phi^W above 5 cm on 1 January of the first simulated year
  kNoiseDominates,   // realisations' standard deviation > 1.2 x the measured one
  kGhgAboveSurface,  // GHG above surface level
  kShortSeries,      // fewer than 730 days between first and last reading
  kSparseSeries,     // 17 readings a year or fewer
  kNoModel,          // no plausible model: the criterion that failed
};

struct ResultWarning {
  ResultWarningKind kind;
  std::string text;  // Dutch, one line, with the value and its bound
};

struct TubeResult {
  std::string stem;       // the 8-character stem of the tube's files (location code)
  std::string location;   // as in the export
  std::string filter;     // "01", "02", ...
  std::string label;      // "1s", "2s", "ft"; empty for a tube the selection did not take
  bool modelled = false;  // a chosen model whose post-processing finished
  double delta = 0;
  double omega0 = 0;
  double phi = 0;
  double c = 0;
  double sigma2 = 0;
  std::optional<double> x;  // RD New (EPSG:28992), metres
  std::optional<double> y;
  FitFigures fit;
  std::optional<double> ghg;  // cm-mv
  std::optional<double> glg;
  std::optional<double> gvg;
  std::vector<ResultWarning> warnings;
  std::string failure;  // why no model, for a tube without one
};

struct DataSetResults {
  std::string workingDir;
  std::vector<TubeResult> tubes;   // ordered by stem
  std::vector<std::string> notes;  // about the data set as a whole (no coordinates, ...)
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
