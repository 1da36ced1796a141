// The internal tube file ("olga.tmp", the data-set line list): a header line,
// then per tube period a tube record "R" followed by its measurement records
// "S", all in fixed 1-based columns.
//
//   header       1-8 "FMNT0034", 9.. reference, user name, ten blanks, date
//   tube record  1 "R", 2-9 location, 10-11 filter, 12-47 constant tail
//   measurement  1 "S", 2-5 year, 6-7 month, 8-9 day, 10-13 "9999",
//                14 sign, 15-19 magnitude in cm ("99999" = missing)
//
// Levels in the export are cm below surface level (positive downward); "+"
// stands for a level above zero, "-" for zero or below. Readers turn a record
// into a level positive upward.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "input/calendar.h"

namespace phreatix {

inline constexpr std::string_view kTubeFileTag = "FMNT0034";
// Carried by every tube record; no reader interprets it.
inline constexpr std::string_view kTubeRecordTail = "+00033-00017096260401410711214950314";
inline constexpr std::string_view kMissingLevelField = "9999+99999";
inline constexpr int kLocationLength = 8;
inline constexpr int kFilterLength = 2;
inline constexpr int kTubeRecordLength = 47;
inline constexpr int kMeasurementRecordLength = 19;
// The largest magnitude a record can carry; 99999 is the missing-value code.
inline constexpr int kMaxLevelMagnitude = 99998;

// Filter-number normalisation: a first character that is not a digit is
// dropped, then a second character that is not a digit, then a single
// character gets a "0" in front ("1" -> "01", "F2" -> "02", "12" -> "12").
// Exports write filters with three digits ("001"), so leading zeros beyond
// two characters are dropped as well ("001" -> "01", "012" -> "12"). Only a
// result of two digits fits the tube record and normalises to itself again;
// "123", "0B" (from "AB") or an empty input do not, as `isStorableFilter`
// tells.
std::string normaliseFilter(std::string_view raw);
bool isStorableFilter(std::string_view normalised);

// The characters a location code may hold: it is the stem of every file of
// its tubes (28AL0005.01, 28AL0005.p01, 28AL0005.zip) and an archiver's
// argument, and the tube list writes it before " +" and the filter, which
// the coupling and the later stages find by the first blank and the first
// "+" ("28AL0005 +01"); the coupling file, the cluster's task lists and
// locaties.csv separate their fields with blanks, tabs, commas and
// semicolons. Letters and digits carry all of that, "-" and "_" too after
// the first character (a leading "-" reads as an option).
inline constexpr std::string_view kLocationCodeCharacters =
    "letters, cijfers en (niet vooraan) '-' en '_'";
bool isSafeLocationCode(std::string_view code);

// "R" + location + filter + tail; location of 8 and filter of 2 characters.
std::string tubeRecord(std::string_view location, std::string_view filter);

// Columns 10-19 of a measurement record for a level in cm below surface
// level: "9999+" and the level in five digits for a level above 0, "9999-" and
// its magnitude for 0 or below; "9999+99999" without a level. The caller
// keeps |level| <= kMaxLevelMagnitude.
std::string levelField(std::optional<int> levelBelowSurfaceCm);

std::string measurementRecord(int year, int month, int day, std::string_view levelField);

// Readers of the records. A tube record's location (columns 2-9) and filter
// (10-11); a measurement record's level positive upward, nothing for a
// missing value or a magnitude that is not five digits.
inline bool isTubeRecord(std::string_view line) { return !line.empty() && line[0] == 'R'; }
inline bool isMeasurementRecord(std::string_view line) { return !line.empty() && line[0] == 'S'; }
std::string_view recordLocation(std::string_view tubeRecord);
std::string_view recordFilter(std::string_view tubeRecord);
std::optional<int> recordLevelUp(std::string_view measurementRecord);
// The date of a measurement record (columns 2-9); false when the record is
// too short or a part is no integer.
bool recordDate(std::string_view measurementRecord, CalendarDate& date);
// True when a measurement record carries the missing-value code.
inline bool isMissingLevelRecord(std::string_view record) {
  return record.size() >= 19 && record.substr(14, 5) == "99999";
}

// Whole-record shape checks, for telling an OLGA export from other text.
// A tube record: "R", a location of 8 printable characters (not all blank),
// a filter of 2 digits, then at most the 36 characters of the tail, all
// printable. A measurement record: "S", a date of `yearDigits` year digits
// (2 in an OLGA export, 4 in the internal file), month 01..12 and day
// 01..31, then "9999", a sign and five digits; nothing after it but blanks.
bool isWellFormedTubeRecord(std::string_view line);
bool isWellFormedMeasurementRecord(std::string_view line, int yearDigits);

}  // namespace phreatix
