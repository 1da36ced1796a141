// Given components: a trend or a step whose days the hydrologist knows (a
// drainage changed on a known date, a tube replaced), per location, in the
// file componenten.txt of the working directory, read under Model:
// uitgebreid.
//
//   # comment
//   <location> trend <yyyy-mm-dd> <yyyy-mm-dd>    first and last day of the rise
//   <location> stap <yyyy-mm-dd>                  the day of the step
//
// docs/formats/given-components.md gives the layout and every refusal.
// Entry points: readGivenComponents, givenComponentsOf and
// givenComponentRefusals (the check before a calibration).
#pragma once

#include <string>
#include <vector>

#include "input/calendar.h"
#include "settings/session_settings.h"

namespace phreatix {

inline constexpr const char* kGivenComponentsFile = "componenten.txt";

struct GivenComponent {
  std::string location;          // 8-character location code, as in the coupling file
  bool trend = true;             // true: a trend from `first` to `last`; false: a step on `first`
  CalendarDate first{}, last{};  // a step has last == first
  int line = 0;                  // line of the file, from 1
};

struct GivenComponents {
  std::string path;
  std::vector<GivenComponent> rows;  // in the file's order
};

// Reads a file of given components. Line ends LF, CR LF or CR; a UTF-8
// byte-order mark before line 1 is passed over. A file that does not follow
// the layout raises an input error "<path>:<line>: <reason>" for its first
// bad line (the texts are listed in docs/formats/given-components.md); an
// unreadable file an I/O error naming it.
GivenComponents readGivenComponents(const std::string& path);

// The given components of one location, in the file's order: at most a
// trend and a step.
std::vector<GivenComponent> givenComponentsOf(const GivenComponents& given,
                                              const std::string& location);

// What Start and the repair refuse about componenten.txt in `workingDir`,
// one message each: none when the file is absent; under standaard its
// presence ("<path>: gegeven trends en stappen kunnen alleen met Model:
// uitgebreid"); under uitgebreid every bad line, each with the text
// readGivenComponents would raise for it (at most kMaxGivenRefusals of
// them, then one line counting the rest), or the file's I/O error.
std::vector<std::string> givenComponentRefusals(const std::string& workingDir, ModelFamily model);
inline constexpr int kMaxGivenRefusals = 20;
// The first line of the message that lists the refusals.
inline constexpr const char* kGivenRefusalHeading =
    "De berekening is niet gestart: de gegeven trends en stappen (componenten.txt) zijn niet te "
    "gebruiken.";

}  // namespace phreatix
