#include "text/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace phreatix {

namespace {

// std::to_chars writes the exact decimal value of the binary number rounded
// to `decimals` digits, ties to even: the same digits glibc's printf writes
// under the default rounding mode, without consulting the locale.
constexpr int kMaxDecimals = 40;
constexpr int kBufferSize = 400;  // 309 integer digits of DBL_MAX, sign, point, decimals

}  // namespace

void appendPadded(std::string& out, std::string_view text, int width) {
  if (width > static_cast<int>(text.size())) out.append(width - text.size(), ' ');
  out.append(text);
}

void appendReal(std::string& out, double x, int width, int decimals) {
  char buffer[kBufferSize];
  if (!std::isfinite(x) || decimals < 0 || decimals > kMaxDecimals) {
    // printf's own spelling of nan and inf ("-nan", "inf"); also the fallback
    // for precisions beyond any the program asks for.
    int n = std::snprintf(buffer, sizeof buffer, "%.*f", decimals < 0 ? 6 : decimals, x);
    if (n < 0 || n >= kBufferSize) n = 0;
    appendPadded(out, std::string_view(buffer, n), width);
    return;
  }
  auto result =
      std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, decimals);
  appendPadded(out, std::string_view(buffer, result.ptr - buffer), width);
}

std::string formatReal(double x, int width, int decimals) {
  std::string s;
  appendReal(s, x, width, decimals);
  return s;
}

void appendInt(std::string& out, long long v, int width) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  appendPadded(out, std::string_view(buffer, result.ptr - buffer), width);
}

std::string formatInt(long long v, int width) {
  std::string s;
  appendInt(s, v, width);
  return s;
}

}  // namespace phreatix
