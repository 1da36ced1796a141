// Text-to-number conversion of whole fields, without the locale.
//
// `valInt` and `valReal` return a conversion code as the program's read-error
// path expects it: 0 when the whole text is a number, otherwise the 1-based
// position of the first character that is not part of one (1 for an empty
// text, one past the end for a text that stops inside a number, the position
// of the last digit for an integer outside the target type). Leading blanks
// are allowed; trailing ones are not.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace phreatix {

int valInt(std::string_view text, std::int64_t& value);
int valInt(std::string_view text, int& value);

// A real in plain or exponent notation ("12", "-0.5", "1.5e3", ".5", "3.");
// "inf" and "nan" are not numbers here.
int valReal(std::string_view text, double& value);

// The same conversions as yes/no.
inline bool parseInt(std::string_view text, int& value) { return valInt(text, value) == 0; }
inline bool parseReal(std::string_view text, double& value) { return valReal(text, value) == 0; }

// Text with every blank removed (header values, coordinates).
std::string withoutBlanks(std::string_view text);

// ASCII upper case, for matching keys and titles without regard to case.
std::string upperAscii(std::string_view text);

// The quoted field as it appears in error messages: "12,5x"; control
// characters escaped and a long text cut, as `shownText` (text/shown_text.h)
// shows them.
std::string quoted(std::string_view text);

}  // namespace phreatix
