#include "results/charts.h"

namespace phreatix {

// Placeholder until the chart descriptions are built from the tube's files.
std::vector<Chart> tubeCharts(const std::string& /*workingDir*/, const TubeResult& /*tube*/) {
  return {};
}

}  // namespace phreatix
