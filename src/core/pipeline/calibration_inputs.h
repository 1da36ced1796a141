// The inputs of the ds and d calibrations, written per tube from the
// measurement records of the data set:
//
//   S.FF       the measurements: a head "count  1", then per reading its day
//              (1 = the location's first day) and level in cm, positive upward
//   S.LOG      the info text on the files of the tube's zip archive
//   S.met      the coupled meteo file from the location's first to its last
//              measurement day
//   S.pFF      parameter file of the ds calibration, or
//   S.qFF      of the d calibration
//
// Readings a calibration cannot use (dated outside the calendar, unknown to
// kron.txt, outside the coupled meteo file) are left out, each kind with one
// line in mmLOG per tube. A tube whose readings all lie outside its meteo
// file's period is not calibrated: one line in mmLOG names the meteo file and
// its period, and instead of its inputs it gets S.nFF with that reason.
#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "coupling/coupling.h"
#include "files/meteo_days.h"
#include "session/session.h"

namespace phreatix {

// The placeholder tube whose files the first flush writes (the clean-up
// deletes them). Nine characters, so no location (eight) can be it.
inline constexpr const char* kPlaceholderStem = "00AAA0000";
inline constexpr const char* kPlaceholderFilter = "00";
// Measurement lines one tube may hold: a reading a day over the whole
// calendar 1948..2047.
inline constexpr int kMaxTubeMeasurements = 36525;

// One measurement record of the data set, read once.
struct Reading {
  enum class Fate { kKept, kMissing, kOutsideCalendar, kNotInKron, kOutsideMeteo };
  CalendarDate date;
  Fate fate = Fate::kKept;
  int levelCm = 0;    // positive upward; 0 for a missing one
  int dayNumber = 0;  // kron.txt's number (0 where it lists none); 0 when missing or
                      // outside the calendar
};

// The measurement records of one tube: from its tube record to the next tube
// record of another tube.
struct TubeReadings {
  std::string stem;
  std::string filter;  // normalised
  std::vector<Reading> readings;
};

class CalibrationInputs {
 public:
  // `dataFiles` names the exports in the read errors of the records.
  CalibrationInputs(Session& session, const CouplingOverview& overview, std::string dataFiles,
                    const DayDates& dates);

  // Writes the inputs of stage ds or d, by the session's stage flags. What is
  // left out is told in the ds stage only. A date or level field that is not
  // an integer ends the program through the fatal stop, before any file is
  // written.
  void write();

 private:
  // The measurement records of the data set, tube by tube; the first entry
  // is the placeholder tube, which holds the records before any tube record.
  std::vector<TubeReadings> readTubes();
  Reading read(const std::string& record, const MeteoSpan* meteo);
  const MeteoSpan* meteoSpanOfStem(const std::string& stem);
  void writeTube(const TubeReadings& tube, bool placeholder, bool last);
  void leaveOut(const std::string& S, const std::string& FF, const std::string& reason);
  void extractCalibrationMeteo(const std::string& meteoName, const std::string& stem, int firstDay,
                               int lastDay);
  std::string path(const std::string& name) const;

  Session& session_;
  const CouplingOverview& overview_;
  std::string dataFiles_;
  const DayDates& dates_;
  // Per coupled meteo file, read once a pipeline.
  MeteoSpans meteoSpans_;
  // Per stem: the first and last measurement day over all its filters.
  std::unordered_map<std::string, std::pair<int, int>> stemDays_;
};

}  // namespace phreatix
