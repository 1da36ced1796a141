// Calibration by the downhill simplex method of Nelder and Mead (reflection
// 1, contraction 0.5, expansion 2), with trial points reflected at the
// parameter bounds of the run's response (engine/model_parameters.h). It
// minimises the SSDKAL objective over the parameters whose calibration flag
// is set and writes the final simplex.
//
// Vectors are in calibration order: the flagged parameters in index order,
// then the others in index order (calibrationOrder). Entry point: calibrate.
#pragma once

#include <array>
#include <string>

#include "engine/kalman_filter.h"
#include "engine/model_parameters.h"

namespace phreatix {

// Reflects a trial component once at each bound it lies beyond (the lower
// first), reporting both values of each reflection in the runtime list;
// `position` is the component's 0-based place in calibration order.
double reflectAtBounds(double value, double lower, double upper, int position, EngineView& view);

inline constexpr const char* kMaxIterMessage = "Amoeba exceeding maximum iterations.";

// Calibrates from the (bound-corrected) initial values; every evaluation
// appends its block to `trace`. Writes the results file and the runtime list.
// Returns the message text of a search that reached `maxIter` iterations
// (the results are then written as the simplex stands), empty otherwise.
std::string calibrate(const EngineInput& input, const KalmanFilter& filter, FixedWriter& trace,
                      FixedWriter& results, EngineView& view, int maxIter);

}  // namespace phreatix
