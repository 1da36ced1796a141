// The charts of one modelled tube, described once here and drawn by both
// front ends (the results window with Qt Charts, the report as SVG): series,
// axes, labels and units, no drawing.
#pragma once

#include <string>
#include <vector>

#include "report/colour.h"
#include "results/tube_results.h"

namespace phreatix {

struct ChartSeries {
  enum class Kind { kLine, kPoints, kBars };
  std::string name;  // legend text
  Kind kind = Kind::kLine;
  Rgb colour;
  std::vector<double> x;
  std::vector<double> y;
  // Drawn against the chart's second value axis (Chart::y2, on the right)
  // instead of its first.
  bool secondAxis = false;
};

struct ChartAxis {
  std::string title;      // with its unit, "grondwaterstand (cm-mv)"
  bool dates = false;     // x values are days since 1-1-1970
  bool reversed = false;  // larger values lower (levels in cm-mv)
};

struct Chart {
  std::string id;     // "fit", "regime", "duurlijn", "histogram", "correlogram"
  std::string title;  // Dutch, with the tube
  ChartAxis x;
  ChartAxis y;
  std::vector<ChartSeries> series;
  // The value axis on the right of the series with secondAxis; a chart
  // without such series has none.
  ChartAxis y2 = {};
};

// The five charts of a modelled tube: measured levels with the deterministic
// trace, the updated trace and the residuals (and, for an extended model
// with components, each component's contribution from S.kmp on a second
// axis, cm positive upward); the regime curve with mean, 5 %,
// 50 % and 95 %; the duration line; the histogram; the correlogram. Reads the
// tube's files as readResults does. An empty list for a tube without a model.
std::vector<Chart> tubeCharts(const std::string& workingDir, const TubeResult& tube);

}  // namespace phreatix
