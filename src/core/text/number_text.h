// Fixed-width number text: the one way the program writes numbers into files
// and lists. Reals written w:d are byte-identical to C printf("%*.*f", w, d, x)
// (a point as decimal separator whatever the locale, right-aligned in w
// characters, wider when the number needs it); integers are right-aligned in w.
// A width of 0 writes the number plain, without blanks.
//
// The writers format straight into the caller's memory without allocating:
// engine traces and post-processing series write millions of numbers.
#pragma once

#include <string>
#include <string_view>

namespace phreatix {

// Room `writeReal` and `writeInt` may need beyond the width: the 309 integer
// digits of the largest double, sign, point and up to kMaxFixedDecimals.
inline constexpr int kMaxFixedDecimals = 40;
inline constexpr int kMaxNumberChars = 360;

// Writes x as width:decimals at dst and returns the end. dst must have room
// for max(width, kMaxNumberChars) characters.
char* writeReal(char* dst, double x, int width, int decimals);
// Writes v right-aligned in width at dst (room for max(width, 24)).
char* writeInt(char* dst, long long v, int width);

// Appends x written width:decimals to out.
void appendReal(std::string& out, double x, int width, int decimals);
std::string formatReal(double x, int width, int decimals);

// Appends v right-aligned in width characters (plain when width is 0).
void appendInt(std::string& out, long long v, int width = 0);
std::string formatInt(long long v, int width = 0);

// The shortest text that reads back as x, for messages about a number read
// from a file: plain digits from 0.0001 to below 1e15 ("211350.5",
// "400000"), an exponent beyond ("1e+300"); "nan", "inf".
std::string shortestReal(double x);

// Appends text right-aligned in width characters, as a string written w.
void appendPadded(std::string& out, std::string_view text, int width);

}  // namespace phreatix
