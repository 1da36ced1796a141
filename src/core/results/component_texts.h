// How the results name the extended model's components (a trend, a step, a
// stress series) and the situation its simulated GxG hold for, once for the
// overview's columns, the report and the results window. Levels of the
// components in cm, positive upward: a positive contribution is a shallower
// level, fewer cm below surface level.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "results/tube_results.h"

namespace phreatix {

// "trend; stress": the names of the chosen model's components in the order
// of S.sel; "" for a model without.
std::string componentNames(const TubeResult& tube);

// The components' parameters in short, for the overview:
// "trend 10.70 cm/jaar 1990-01-14..2010-12-28; stap 45.20 cm 2005-07-14;
// stress -0.0213 cm/eenheid a 118 d"; "" for a model without.
std::string componentParameterText(const TubeResult& tube);

// One component in full, for the report and the window: its parameters,
// each with its standard error where there is one, and its dates:
// "helling 10.70 ± 0.31 cm/jaar van 1990-01-14 tot 2010-12-28 (verandering
// 235.2 cm)".
std::string componentDetail(const ChosenComponent& component);

// The sum of the components' levels at the end of the readings (S.kmp's
// "einde"), cm positive upward; none without their levels.
std::optional<double> endContribution(const TubeResult& tube);

// One plain Dutch sentence saying for which situation the simulated GHG,
// GLG and GVG hold, naming the components and how much higher or lower they
// put the simulated levels; "" for a model without components.
std::string situationSentence(const TubeResult& tube);

// The tube's model with its components, one line each, for the results
// window's details: "Model gftx, BIC 4321.00", then "trend: ...", ...,
// then the situation sentence. Empty for a tube outside the extended family.
std::vector<std::string> modelDetailLines(const TubeResult& tube);

}  // namespace phreatix
