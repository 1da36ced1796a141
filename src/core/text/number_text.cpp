// Fixed-point formatting that rounds the exact binary value itself.
//
// For |x|·10^d below 2^52 the scaled value s = fl(x·10^d) is split into its
// integer part and a fraction, both exact. Rounding s to the nearest integer
// gives the same result as rounding the exact product x·10^d, except when s
// is exactly a half: then the exact rounding error of the product, taken
// with fma, tells on which side the true value lies, and a true tie goes to
// the even neighbour as printf does. The digits are written right to left
// from a table of digit triples. Larger values, more than 15 decimals, infinities
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

struct DigitTriples {
  char triples[1000][3];
  constexpr DigitTriples() : triples() {
    for (int i = 0; i < 1000; ++i) {
      triples[i][0] = static_cast<char>('0' + i / 100);
      triples[i][1] = static_cast<char>('0' + i / 10 % 10);
      triples[i][2] = static_cast<char>('0' + i % 10);
    }
  }
};
constexpr DigitTriples kTriples;

// Writes exactly `count` digits of v ending just before `end`, three at a time.
inline void writeDigitTriples(char* end, std::uint64_t v, int count) {
  while (count >= 3) {
    const unsigned triple = static_cast<unsigned>(v % 1000);
    v /= 1000;
    end -= 3;
    std::memcpy(end, kTriples.triples[triple], 3);
    count -= 3;
  }
  if (count == 2) {
    std::memcpy(end - 2, kDigits.pairs + 2 * (v % 100), 2);
  } else if (count == 1) {
    end[-1] = static_cast<char>('0' + v % 10);
  }
}

inline int integerDigitCount(std::uint64_t v) {
  if (v < 10) return 1;
  if (v < 100) return 2;
  if (v < 1000) return 3;
  if (v < 10000) return 4;
  return digitCount(v);
}

// Writes the rounded scaled value n = round(|x|·10^D) with D decimals. D is a
// template argument so that the split into integer and fraction divides by
// constants, which compile to multiplications.
template <int D>
char* writeScaled(char* dst, bool negative, std::uint64_t n, int width) {
  constexpr std::uint64_t kScale = kPow10Int[D];
  const std::uint64_t integerPart = n / kScale;
  const int integerDigits = integerDigitCount(integerPart);
  const int length = (negative ? 1 : 0) + integerDigits + (D > 0 ? D + 1 : 0);
  int pad = width > length ? width - length : 0;
  if (pad <= 16) {
    // Blanks over the widest usual padding in two fixed stores.
    std::memcpy(dst, "                ", 16);
  } else {
    std::memset(dst, ' ', static_cast<std::size_t>(pad));
  }
  char* end = dst + pad + length;
  if constexpr (D > 0) {
    writeDigitTriples(end, n % kScale, D);
    end[-D - 1] = '.';
  }
  writeDigitTriples(end - (D > 0 ? D + 1 : 0), integerPart, integerDigits);
  if (negative) dst[pad] = '-';
  return end;
}

}  // namespace

char* writeReal(char* dst, double x, int width, int decimals) {
  if (decimals < 0 || decimals > kFastDecimals) return writeRealSlow(dst, x, width, decimals);
  const bool negative = std::signbit(x);
  const double ax = std::fabs(x);
  const double scaled = ax * kPow10[decimals];
  if (!(scaled < kTwo52)) return writeRealSlow(dst, x, width, decimals);  // also inf, NaN

  // scaled is below 2^52 and not negative: truncation is its floor, and the
  // fraction is exact.
  std::uint64_t n = static_cast<std::uint64_t>(static_cast<std::int64_t>(scaled));
  const double fraction = scaled - static_cast<double>(static_cast<std::int64_t>(n));
  if (fraction > 0.5) {
    ++n;
  } else if (fraction == 0.5) {
    const double error = std::fma(ax, kPow10[decimals], -scaled);  // exact: x·10^d − scaled
    if (error > 0 || (error == 0 && (n & 1) != 0)) ++n;
  }
  switch (decimals) {
    case 0:
      return writeScaled<0>(dst, negative, n, width);
    case 1:
      return writeScaled<1>(dst, negative, n, width);
    case 2:
      return writeScaled<2>(dst, negative, n, width);
    case 3:
      return writeScaled<3>(dst, negative, n, width);
    case 4:
      return writeScaled<4>(dst, negative, n, width);
    case 5:
      return writeScaled<5>(dst, negative, n, width);
    case 6:
      return writeScaled<6>(dst, negative, n, width);
    case 7:
      return writeScaled<7>(dst, negative, n, width);
    case 8:
      return writeScaled<8>(dst, negative, n, width);
    case 9:
      return writeScaled<9>(dst, negative, n, width);
    case 10:
      return writeScaled<10>(dst, negative, n, width);
    case 11:
      return writeScaled<11>(dst, negative, n, width);
    case 12:
      return writeScaled<12>(dst, negative, n, width);
    case 13:
      return writeScaled<13>(dst, negative, n, width);
    case 14:
      return writeScaled<14>(dst, negative, n, width);
    default:
      return writeScaled<15>(dst, negative, n, width);
  }
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

std::string shortestReal(double x) {
  // Plain digits where they stay short ("400000", not "4e+05"), the
  // exponent beyond.
  char buffer[64];
  const double magnitude = std::fabs(x);
  const bool plain = x == 0 || (magnitude >= 1e-4 && magnitude < 1e15);
  const auto result =
      plain ? std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed)
            : std::to_chars(buffer, buffer + sizeof buffer, x);
  return std::string(buffer, result.ptr);
}

}  // namespace phreatix
