// Whether kron.txt numbers every day a session needs.
//
// A kron.txt made before the calendar reached 2047 still reads (its two-digit
// years mean the same dates), but it ends on 31-12-2020: readings and
// simulation periods after its last date are unknown to it. The session says
// so once when the export is opened and once at the start of the pipeline,
// naming the last date it lists and the remedy, instead of refusing tubes or
// computing with day number 0.
#pragma once

#include <string>
#include <vector>

#include "input/calendar.h"

namespace phreatix {

inline constexpr const char* kKronRemedy =
    "Maak een nieuwe kron.txt met \"phreatix-cli kron --force\".";

// The line for the readings of the data set (the records of the internal
// tube file) dated after the last date kron.txt lists; empty when there are
// none.
std::string kronReadingsNote(const DayNumberTable& table, const std::vector<std::string>& dataSet);

// The refusal of a simulation period of which kron.txt does not list 1
// January of the start year or 31 December of the last year; empty when it
// lists both.
std::string kronPeriodRefusal(const DayNumberTable& table, int startYear, int numberOfYears);

}  // namespace phreatix
