#include "engine/engine_view.h"

namespace phreatix {

const char* const kParameterRowLabels[kParameterRows] = {
    "file with phreatic measurements=",   "file with meteodata=",
    "file with Kalman filter results=",   "file with optimization results=",
    "mode (calibrate/predict/simulate)",  "initial values",
    "parameter yes/no to be calibrated",  "initial groundwaterlevel",
    "variance of measurement error (m2)", "time step/span and closure crit.",
    "warming up time simulation"};

}  // namespace phreatix
