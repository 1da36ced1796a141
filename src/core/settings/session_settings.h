// The session settings that steer calibration, simulation and trace of every
// tube. They start at fixed values in every program run and are held in
// memory only, never saved.
#pragma once

#include <string>

namespace phreatix {

// Program version, shown in captions; not changeable.
inline constexpr const char* kVersion = "3.0";

// The model family a session calibrates: the four standard calibrations
// only, or after them the extended candidates (evaporation factor, Gamma
// response, start in equilibrium), chosen among by BIC.
enum class ModelFamily { kStandaard, kUitgebreid };

// For which situation the extended model's simulated GxG hold, as to its
// trend, step and stresses (pumping, river): as they stand at the end of the
// readings, at their mean over the calibration period, or without those
// components at all. Read only under ModelFamily::kUitgebreid.
enum class Situation { kEinde, kGemiddeld, kGeen };

// The word of a situation, as the setting "Situatie" and --situatie take it:
// "einde", "gemiddeld" or "geen".
constexpr const char* situationText(Situation situation) {
  switch (situation) {
    case Situation::kEinde:
      return "einde";
    case Situation::kGemiddeld:
      return "gemiddeld";
    case Situation::kGeen:
      return "geen";
  }
  return "einde";
}

struct SessionSettings {
  int MAXITER = 500;                // iteration limit of the simplex search
  std::string closure = " 0.0001";  // closure criterion: a blank and a number, as written
                                    // into line 10 of every parameter file
  // Plausibility bounds of the model selection; all comparisons are strict.
  double DELTAMIN = 0;               // delta > DELTAMIN
  double PHIMIN = 0;                 // phi > PHIMIN
  double CMAX = 0;                   // c < CMAX
  double OMEGAMIN = 0;               // omega0 > OMEGAMIN
  int startYear = 1969;              // the simulation begins on 1 January of this year
  int numberOfYears = 0;             // and ends on 31 December of startYear + numberOfYears - 1
  int warmUpDays = 731;              // longest run of meteo days before the start the
                                     // simulation's meteo file holds
  std::string realisations = "100";  // number of realisations, as written
  bool traceWithUpdating = false;    // deterministic trace with Kalman updating
  int jobs = 1;                      // engine runs and post-processings at once (--jobs,
                                     // "Aantal rekenprocessen"); outputs do not depend on it
  ModelFamily model = ModelFamily::kStandaard;  // --model, "Model"
  Situation situation = Situation::kEinde;      // --situatie, "Situatie"
  // Plausibility of the extended candidates: the response time (days to 95 %
  // of the step response) within [t95Min, t95Max].
  double t95Min = 10;
  double t95Max = 3650;
  bool moreTubesFollow = false;  // the data set is a cluster task before the study's
                                 // last: its last tube is written as any other

  // What every activation of the main window puts back: 500 iterations and
  // closure " 0.0001"; the other settings keep their values.
  void resetOnActivation() {
    MAXITER = 500;
    closure = " 0.0001";
  }
};

}  // namespace phreatix
