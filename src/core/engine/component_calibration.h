// Extended candidates with components: a calibrated extended model (ef or
// gf) with a linear trend, a step or an extra stress series added, each
// with its gain solved with c, A and A*f in the same Kalman filter.
//
// The search, from the candidate without components:
//   1. with the response and phi of that candidate held, the trend's start
//      and end on a grid of whole years from the first reading (at least a
//      year long), then refined day by day down to single days; the step's
//      day on a grid of 30 days, then refined to single days; the stress's
//      response scale a on the grid 5 .. 2000 days;
//   2. the response shape (a, and n of gf), the stress's scale and phi
//      searched together by the downhill simplex with phi by Brent's method,
//      the days held;
//   3. the days refined once more at that shape and phi, and phi last;
//   4. a step then also tried fading (its size dying out with its own
//      exponential response, fading days on 30 .. 3000 and refined), and a
//      stress with a Gamma response (its own n free): each kept only where
//      it lowers the objective by more than the ln n that BIC charges for
//      the parameter it adds.
// The days are searched on a grid and are not differentiable: they count
// as calibrated parameters in k but get no standard error. Days given per
// tube are held in the search and count in k all the same, so that a given
// component is judged by the same rule as a calibrated one.
//
// Entry points: ComponentLabel, componentParameters, calibrateWithComponents.
#pragma once

#include <string>
#include <vector>

#include "engine/extended_model.h"

namespace phreatix {

// The letter of a component in a candidate's label: t trend, p step
// ("plotselinge stap"), x extra stress.
char componentLetter(ComponentKind kind);
const char* componentName(ComponentKind kind);  // "trend", "stap", "stress"
// The calibrated parameters a component adds to k: trend 3 (start, end,
// slope), step 2 (day, size) and 3 when it fades, stress 2 (gain, a) and 3
// with a Gamma response (n not 1).
int componentParameters(const ModelComponent& c);

// Calibrates `base` (a candidate without components that calibrated) with
// the components `kinds` added; `stress` is the extra series when kinds
// holds a stress. The readings and weights as for `base`. A trend or step
// of `kinds` for which `given` holds one of its kind (given true) takes that
// one's days and holds them.
CandidateFit calibrateWithComponents(const CandidateFit& base,
                                     const std::vector<ComponentKind>& kinds,
                                     const DailyWeather& weather,
                                     const std::vector<DayLevel>& readings,
                                     const DailyStress* stress, const std::vector<double>& weights,
                                     const CandidateBounds& bounds,
                                     const std::vector<ModelComponent>& given = {});

}  // namespace phreatix
