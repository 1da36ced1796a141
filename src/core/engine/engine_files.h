// The input files of one engine run: the parameter file zeftal0.par, the
// measurement file and the meteo file it names, and their limits.
//
//   zeftal0.par  1 measurement file, 2 meteo file, 3 trace file, 4 results
//                file (whole lines); 5 mode seed realisations years startyear;
//                6 six initial values; 7 six calibration flags; 8 h0; 9
//                measurement-error variance; 10 dt span closure; 11 warm-up;
//                12 (optional) the name of the response, the exponential
//                when the line is missing or empty
//   measurement  head "N g", then N lines "time level" (level times g)
//   meteo        head "M K f p e", then M day lines of K values; the surplus
//                of day m is f*value[p] - f*value[e]
//
// Numbers are read free-format (text/free_reader.h). The engine converts no
// units: levels, h0 and c share the unit of the scaled levels (cm in
// practice), the variances its square, whatever the labels call them (m, m2).
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "engine/engine_view.h"
#include "engine/model_parameters.h"
#include "report/messages.h"
#include "text/free_reader.h"

namespace phreatix {

// Capacity of the measurements, the meteo days and the simulated steps: the
// whole calendar 1948..2047 (36,525 days) plus the longest warm-up the
// settings accept (2000 days).
inline constexpr int MAXDAT = 38525;
inline constexpr int kMaxMeteoColumns = 20;
inline constexpr const char* kParameterFileName = "zeftal0.par";

// The deterministic responses (engine/responses.h); the default value is
// the exponential response.
enum class ResponseKind : int;

enum class EngineMode { kCalibrate, kPredict, kSimulate };

struct RunSettings {
  std::string measurementFile;
  std::string meteoFile;
  std::string traceFile;  // the SSDKAL blocks, or the realisations when simulating
  std::string resultsFile;
  int mode = 0;  // 0 calibrate, 1 predict, 2 simulate; others calibrate
  int seed = 0;
  int realisations = 0;
  int years = 0;                   // only copied into the head of the realisations file
  double startYear = 0;            // likewise
  Parameters initial{};            // natural order
  ParameterFlags flags{};          // non-zero: calibrated
  ResponseKind response{};         // the exponential unless line 12 names another
  double h0 = 0;                   // level at time 0
  double measurementVariance = 0;  // R, square of the level unit
  double dt = 1;                   // days per step
  double span = 0;                 // days; calibrate and predict: time of the last kept measurement
  double closure = 0;              // convergence threshold of the simplex
  double warmUp = 0;               // days simulated but not written

  EngineMode effectiveMode() const {
    return mode == 1   ? EngineMode::kPredict
           : mode == 2 ? EngineMode::kSimulate
                       : EngineMode::kCalibrate;
  }
};

struct Measurement {
  double time;   // day number on the meteo file's days
  double level;  // scaled
};

struct MeteoHead {
  int days = 0;           // M
  int columns = 0;        // K
  double scale = 1;       // f
  int precipitation = 1;  // p
  int evaporation = 1;    // e
};

// Everything one run reads. The vectors keep their capacity from run to run.
struct EngineInput {
  RunSettings settings;
  std::vector<Measurement> measurements;  // kept ones, in file order
  std::vector<double> surplus;            // [1..M]; [0] unused
  int meteoDays = 0;
};

// Reads zeftal0.par of `parameterDir`, then the measurement file and the
// meteo file of `workingDir`, into `input`; fills the parameter grid and its
// statuses. The shortening line goes to mmLOG after `caption`. Raises an
// error with the run's message text on every failure.
void readEngineInput(const std::string& workingDir, const std::string& parameterDir,
                     const std::string& caption, EngineInput& input, EngineView& view,
                     Messages& messages);
inline void readEngineInput(const std::string& workingDir, const std::string& caption,
                            EngineInput& input, EngineView& view, Messages& messages) {
  readEngineInput(workingDir, workingDir, caption, input, view, messages);
}

// The head line of a meteo file, its five numbers; the file ending inside
// it is a read error naming the line. The caller judges the numbers.
MeteoHead readMeteoHead(FreeReader& r);
// The day lines after the head: `head.days` lines of `head.columns` values,
// the surplus of day m into surplus[m] (surplus[0] unused, 0). `eachDay`,
// when given, sees day m's values and the 0-based index of its line.
using MeteoDayVisitor = std::function<void(int m, const double* values, std::size_t lineIndex)>;
void readMeteoDays(FreeReader& r, const MeteoHead& head, std::vector<double>& surplus,
                   const MeteoDayVisitor& eachDay = {});
// A whole meteo file from its text (`name` for the error messages): the
// head, judged by `judgeHead` (which throws to refuse it), then the days.
MeteoHead readMeteoText(const std::string& name, const std::string& text,
                        const std::function<void(const MeteoHead&)>& judgeHead,
                        std::vector<double>& surplus, const MeteoDayVisitor& eachDay = {});
// A measurement file: head "N g", then N lines "time level". Keeps in
// `kept` the measurements whose day, rounded half to even, lies within the
// `meteoDays` days, their levels times g; more than MAXDAT kept is an index
// error. Returns N, the number the head announces.
int readMeasurements(FreeReader& r, int meteoDays, std::vector<Measurement>& kept);
// The same from the file's text, `name` for the error messages.
int readMeasurementText(const std::string& name, const std::string& text, int meteoDays,
                        std::vector<Measurement>& kept);

// A data file that ends before the lines its head announces is an input
// error: zeros read past the end would pass for data. Refuses the line the
// reader `r` stopped in, after `read` of `announced` lines.
void checkNotEnded(const FreeReader& r, int announced, int read);

// Puts initial values outside the bounds of `table` just inside them (0.01
// from the bound), in index order, reporting each correction in the runtime
// list.
void correctInitialValues(Parameters& initial, const ParameterTable& table, EngineView& view);

}  // namespace phreatix
