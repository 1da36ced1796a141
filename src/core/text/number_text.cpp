// Fixed-point formatting that rounds the exact binary value itself.
//
// For |x|·10^d below 2^52 the scaled value s = fl(x·10^d) is split into its
// integer part and a fraction, both exact. Rounding s to the nearest integer
// gives the same result as rounding the exact product x·10^d, except when s
// is exactly a half: then the exact rounding error of the product, taken
// with fma, tells on which side the true value lies, and a true tie goes to
// the even neighbour as printf does. The digits are written right to left
// from a two-digit table. Larger values, more than 15 decimals, infinities
// and NaN go to std::to_chars or snprintf.
#include "text/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace phreatix {

namespace {

constexpr int kFastDecimals = 15;
constexpr double kTwo52 = 4503599627370496.0;

constexpr double kPow10[kFastDecimals + 1] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
constexpr std::uint64_t kPow10Int[kFastDecimals + 1] = {1ull,
                                                        10ull,
                                                        100ull,
                                                        1000ull,
                                                        10000ull,
                                                        100000ull,
                                                        1000000ull,
                                                        10000000ull,
                                                        100000000ull,
                                                        1000000000ull,
                                                        10000000000ull,
                                                        100000000000ull,
                                                        1000000000000ull,
                                                        10000000000000ull,
                                                        100000000000000ull,
                                                        1000000000000000ull};

struct DigitPairs {
  char pairs[200];
  constexpr DigitPairs() : pairs() {
    for (int i = 0; i < 100; ++i) {
      pairs[2 * i] = static_cast<char>('0' + i / 10);
      pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
  }
};
constexpr DigitPairs kDigits;

int digitCount(std::uint64_t v) {
  int n = 1;
  while (v >= 10000) {
    v /= 10000;
    n += 4;
  }
  if (v >= 1000) return n + 3;
  if (v >= 100) return n + 2;
  if (v >= 10) return n + 1;
  return n;
}

// Writes exactly `count` digits of v ending just before `end`.
void writeDigitsBackward(char* end, std::uint64_t v, int count) {
  while (count >= 2) {
    unsigned pair = static_cast<unsigned>(v % 100);
    v /= 100;
    end -= 2;
    std::memcpy(end, kDigits.pairs + 2 * pair, 2);
    count -= 2;
  }
  if (count == 1) *--end = static_cast<char>('0' + v % 10);
}

char* padded(char* dst, const char* text, int length, int width) {
  int pad = width > length ? width - length : 0;
  std::memset(dst, ' ', static_cast<std::size_t>(pad));
  std::memcpy(dst + pad, text, static_cast<std::size_t>(length));
  return dst + pad + length;
}

char* writeRealSlow(char* dst, double x, int width, int decimals) {
  char buffer[kMaxNumberChars + 8];
  int length = 0;
  if (std::isfinite(x) && decimals >= 0 && decimals <= kMaxFixedDecimals) {
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, decimals);
    length = static_cast<int>(result.ptr - buffer);
  } else {
    // printf's own spelling of nan and inf ("-nan", "inf"); also the
    // fallback for precisions beyond any the program asks for.
    int d = decimals < 0 ? 6 : (decimals > kMaxFixedDecimals ? kMaxFixedDecimals : decimals);
    length = std::snprintf(buffer, sizeof buffer, "%.*f", d, x);
    if (length < 0 || length >= static_cast<int>(sizeof buffer)) length = 0;
  }
  return padded(dst, buffer, length, width);
}

}  // namespace

char* writeReal(char* dst, double x, int width, int decimals) {
  if (decimals < 0 || decimals > kFastDecimals) return writeRealSlow(dst, x, width, decimals);
  const bool negative = std::signbit(x);
  const double ax = std::fabs(x);
  const double scaled = ax * kPow10[decimals];
  if (!(scaled < kTwo52)) return writeRealSlow(dst, x, width, decimals);  // also inf, NaN

  double whole = std::floor(scaled);
  const double fraction = scaled - whole;  // exact
  if (fraction > 0.5) {
    whole += 1;
  } else if (fraction == 0.5) {
    const double error = std::fma(ax, kPow10[decimals], -scaled);  // exact: x·10^d − scaled
    if (error > 0 || (error == 0 && std::fmod(whole, 2.0) != 0)) whole += 1;
  }
  const std::uint64_t n = static_cast<std::uint64_t>(whole);
  const std::uint64_t integerPart = n / kPow10Int[decimals];
  const std::uint64_t fractionPart = n % kPow10Int[decimals];

  const int integerDigits = digitCount(integerPart);
  const int length = (negative ? 1 : 0) + integerDigits + (decimals > 0 ? decimals + 1 : 0);
  int pad = width > length ? width - length : 0;
  std::memset(dst, ' ', static_cast<std::size_t>(pad));
  char* p = dst + pad;
  if (negative) *p++ = '-';
  char* end = p + integerDigits + (decimals > 0 ? decimals + 1 : 0);
  if (decimals > 0) {
    writeDigitsBackward(end, fractionPart, decimals);
    p[integerDigits] = '.';
  }
  writeDigitsBackward(p + integerDigits, integerPart, integerDigits);
  return end;
}

char* writeInt(char* dst, long long v, int width) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return padded(dst, buffer, static_cast<int>(result.ptr - buffer), width);
}

void appendPadded(std::string& out, std::string_view text, int width) {
  if (width > static_cast<int>(text.size())) out.append(width - text.size(), ' ');
  out.append(text);
}

void appendReal(std::string& out, double x, int width, int decimals) {
  std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(width > kMaxNumberChars ? width : kMaxNumberChars));
  char* end = writeReal(out.data() + at, x, width, decimals);
  out.resize(static_cast<std::size_t>(end - out.data()));
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
