// The extended model family in the pipeline (Model "uitgebreid"): after the
// four standard calibrations every tube and filter gets two further
// candidates, ef and gf (engine/extended_model.h), calibrated in the
// program on the tube's calibration readings S.FF and the weather of its
// coupled meteo file from that file's first day; the selection takes the
// plausible candidate with the smallest BIC = F + k ln n among all four
// (1s, 2s, ef, gf); a tube whose chosen model is ef or gf is simulated and
// traced here rather than by the engine, into the same files.
//
// For both families the selection writes S.fit: the chosen model's level
// with the noise at its mean over the calibration period, the deterministic
// part spun up from the meteo file's first day (the fit started in
// equilibrium).
//
// Files, per tube S and filter FF:
//   S.efFF, S.gfFF     candidate results      (files/candidate_file.h)
//   S.efsFF, S.gfsFF   candidate searches
//   S.fit              the fit pass in equilibrium
//
// Entry points: WeatherReadings, readWeatherReadings, ChosenModel, modelLevels,
// calibrateExtendedCandidates, CandidateSummary, judgeCandidates,
// writeFitFile, runExtendedStage.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "coupling/coupling.h"
#include "engine/extended_model.h"
#include "engine/model_parameters.h"
#include "files/daily_weather.h"
#include "files/vertex_file.h"
#include "session/session.h"

namespace phreatix {

// The readings of a tube's calibration on the days of its meteo file's
// weather.
struct WeatherReadings {
  std::shared_ptr<const DatedWeather> weather;
  std::vector<DayLevel> readings;   // one per day (the first), days ascending
  std::vector<CalendarDate> dates;  // of the readings
  int calibrationFirst = 0;         // the weather's index of day 1 of S.met
  int calibrationDays = 0;          // the day lines of S.met
};

// The weather of the meteo files, each read once.
class WeatherCache {
 public:
  std::shared_ptr<const DatedWeather> get(const std::string& path);
  // Forgets what was read: a new pipeline reads the files as they stand.
  void clear() { read_.clear(); }

 private:
  std::map<std::string, std::shared_ptr<const DatedWeather>> read_;
};

// Reads S.FF and S.met of a tube and places its readings on the weather of
// `meteoPath`. Read and I/O errors name the file.
WeatherReadings readWeatherReadings(const std::string& dir, const std::string& S,
                                    const std::string& FF,
                                    const std::shared_ptr<const DatedWeather>& weather);

// A tube's chosen model, of either family.
struct ChosenModel {
  std::string label;          // 1s, 2s, ef, gf, or ef/gf with components (gft, efx, ...)
  Parameters standard{};      // 1s, 2s: delta omega0 omega1 phi c sigma2
  ExtendedModel extended;     // ef, gf and their components
  std::string filter = "01";  // the filter it was calibrated on
  // The stress series of a stress component, on the weather's days.
  std::shared_ptr<const DailyStress> stress;
  // The weather's days of the first and last calibration reading: the
  // period the components' situations are taken over.
  int readingsFirst = 0;
  int readingsLast = 0;
  bool isExtended() const {
    return label.size() >= 2 && (label.compare(0, 2, "ef") == 0 || label.compare(0, 2, "gf") == 0);
  }
  double c() const { return isExtended() ? extended.c : standard[4]; }
  double phi() const { return isExtended() ? extended.phi : standard[3]; }
  double sigma2() const { return isExtended() ? extended.sigma2 : standard[5]; }
};

// The model's level with the noise at its mean (d + c), cm positive upward,
// over `count` days from index `first` of the weather; the deterministic
// part from the weather's first day: the convolution of ef and gf (with
// each component's course day by day), or the recursion d_t = delta d_{t-1}
// + omega0 q_t of the standard model started from the equilibrium of the
// mean surplus.
//
// With `situation` each component stands at one level instead of following
// its course: einde its level on the last calibration reading's day (a
// stress: its response to the stress's mean over the 365 days up to it),
// gemiddeld its mean over the calibration readings' period, geen 0.
std::vector<double> modelLevels(const ChosenModel& model, const DatedWeather& weather, int first,
                                int count, const Situation* situation = nullptr);

// A component's level (gain included, cm positive upward) in a situation.
double componentSituationLevel(const ChosenModel& model, const DatedWeather& weather,
                               const ModelComponent& c, Situation situation);

// Writes S.kmp for a chosen model with components: each component's level
// at the end and on average, the one the simulation uses under
// `situation`, and its course day by day over the calibration period.
// Removes a stale S.kmp for a model without components.
void writeComponentFile(const std::string& dir, const std::string& S, const ChosenModel& model,
                        const WeatherReadings& series, Situation situation);

// The stress series coupled to tube S on the days of `weather`, null when
// none is coupled; with `calibration`, a series that does not cover the
// calibration readings' period is refused naming both periods. Read and
// input errors name the file.
std::shared_ptr<const DailyStress> tubeStress(const std::string& dir,
                                              const CouplingOverview& overview,
                                              const std::string& S, const DatedWeather& weather,
                                              const WeatherReadings* calibration = nullptr);

// Days to 95 % of the step response of a chosen model.
double chosenResponseTime(const ChosenModel& model);

// The calibration of ef and gf for every row of the overview that has its
// calibration readings; lines in mmBUIS and mmLOG per tube.
void calibrateExtendedCandidates(Session& session, const CouplingOverview& overview,
                                 WeatherCache& weather);

// What the selection knows of one candidate.
struct CandidateSummary {
  std::string label;
  bool calibrated = false;
  double bic = 0;
  int k = 0;
  int n = 0;
  bool plausible = false;
  std::string reason;  // why not plausible or not calibrated
  ChosenModel model;
  std::array<double, kExtendedParameters> standardErrors{};
  std::vector<CandidateFit::ComponentErrors> componentErrors;
  double t95 = 0;
};

// The four candidates of a tube and filter (1s and 2s: the best plausible
// vertex of S.a01 and S.d01 by their bounds, or the best one when none is),
// judged for plausibility, and the index of the chosen one (smallest BIC
// among the plausible), if any. `n` is the readings' count.
struct CandidateJudgement {
  std::vector<CandidateSummary> candidates;
  std::optional<std::size_t> chosen;
};
CandidateJudgement judgeCandidates(const std::string& dir, const std::string& S,
                                   const std::string& FF, const SessionSettings& settings, int n);

// The lines of S.sel in "uitgebreid" after the values line.
// `weatherFirst` (may be null) dates the components' days.
std::vector<std::string> extendedSelLines(const CandidateJudgement& judgement,
                                          const std::string& FF,
                                          const CalendarDate* weatherFirst = nullptr);
// The values line of modsel.zft for an extended model: "stem label A n a f
// phi c sigma2", then three numbers per component: a trend's first and last
// day (yyyymmdd) and slope (cm/year), a step's day, size (cm) and fading
// (days, 0 lasting), a stress's gain (cm per unit), n and a (days).
// `weatherFirst` is the date of the weather's day 0.
std::string extendedValuesLine(const std::string& S, const ChosenModel& model,
                               const CalendarDate& weatherFirst);

// A candidate with components must lower BIC by this much per component
// over the best candidate without them to be chosen.
inline constexpr double kComponentMargin = 10;
// The plausible total change of a trend and size of a step, cm.
inline constexpr double kComponentMaxChange = 300;

// Writes S.gzj: the chosen model's GxG over the years the readings measure
// (postprocessing/measured_gxg.h), the mean over `realisations` realisations
// simulated on the weather of those years (the deterministic part from the
// weather's first day, the noise from its stationary distribution). False,
// and no file (a stale one removed), when the readings give fewer than the
// years measured GxG need or the weather does not cover them.
bool writeSameYearsFile(const std::string& dir, const std::string& S, const ChosenModel& model,
                        const WeatherReadings& series, int realisations);

// Writes S.fit for the chosen model.
void writeFitFile(const std::string& dir, const std::string& S, const ChosenModel& model,
                  const WeatherReadings& series);

// The simulation (`trace` false: S.tFF's realisations and results) or the
// deterministic trace (S.std's trace and results) of a tube whose model is
// extended, in the layouts the engine writes them. False with `message` on
// a failure.
// The simulation holds the components at their level in `situation`; the
// trace follows their course.
bool runExtendedStage(const std::string& dir, const std::string& S, const std::string& FF,
                      const ChosenModel& model, const DatedWeather& weather, bool trace,
                      Situation situation, std::string& message);

}  // namespace phreatix
