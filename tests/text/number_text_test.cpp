#include "text/number_text.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace phreatix {
namespace {

std::string printfReal(double x, int w, int d) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, "%*.*f", w, d, x);
  return buffer;
}

TEST(NumberText, RealsMatchPrintfOverManyValues) {
  std::mt19937_64 random(20261209);
  std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-12, 12);
  std::uniform_int_distribution<int> width(0, 16);
  std::uniform_int_distribution<int> decimals(0, 9);
  for (int i = 0; i < 200000; ++i) {
    double x = mantissa(random) * std::pow(10.0, exponent(random));
    int w = width(random);
    int d = decimals(random);
    ASSERT_EQ(formatReal(x, w, d), printfReal(x, w, d)) << x << " " << w << ":" << d;
  }
}

TEST(NumberText, TiesNegativeZeroAndSpecialValues) {
  // Exactly representable halves: printf rounds them to even.
  const double ties[] = {0.5, 1.5, 2.5, -2.5, 0.125, 0.375, -0.625, 1.0625, 2.25, 1e15 + 0.5};
  for (double x : ties) {
    for (int d = 0; d <= 4; ++d)
      EXPECT_EQ(formatReal(x, 0, d), printfReal(x, 0, d)) << x << ":" << d;
  }
  EXPECT_EQ(formatReal(2.5, 0, 0), "2");
  EXPECT_EQ(formatReal(0.125, 6, 2), "  0.12");
  // Halves that are not exact in binary round by their true value.
  EXPECT_EQ(formatReal(0.15, 0, 1), printfReal(0.15, 0, 1));
  EXPECT_EQ(formatReal(2.675, 0, 2), "2.67");

  EXPECT_EQ(formatReal(-0.0, 6, 2), printfReal(-0.0, 6, 2));
  EXPECT_EQ(formatReal(-0.0, 6, 2), " -0.00");
  EXPECT_EQ(formatReal(-0.004, 0, 2), "-0.00");
  EXPECT_EQ(formatReal(1e300, 0, 2), printfReal(1e300, 0, 2));
  EXPECT_EQ(formatReal(std::numeric_limits<double>::max(), 5, 1),
            printfReal(std::numeric_limits<double>::max(), 5, 1));
  EXPECT_EQ(formatReal(5e-324, 0, 9), "0.000000000");
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(formatReal(nan, 6, 2), printfReal(nan, 6, 2));
  EXPECT_EQ(formatReal(-inf, 6, 2), printfReal(-inf, 6, 2));
}

TEST(NumberText, ExactTiesNearTiesAndPowersOfTenMatchPrintf) {
  std::mt19937_64 random(79359);
  std::uniform_int_distribution<long long> odd(0, (1LL << 40));
  int checked = 0;
  for (int d = 0; d <= 12; ++d) {
    for (int i = 0; i < 20000; ++i) {
      // odd / 2^(d+1) lies exactly halfway between two d-decimal numbers.
      double tie = std::ldexp(static_cast<double>(2 * odd(random) + 1), -(d + 1));
      tie = std::ldexp(tie, -static_cast<int>(random() % 12));  // and finer dyadics
      for (double x : {tie, -tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1e300)}) {
        ASSERT_EQ(formatReal(x, 12, d), printfReal(x, 12, d)) << x << " :" << d;
        ++checked;
      }
    }
  }
  // Decimal near-ties: the decimal halfway points, which binary cannot hold.
  for (int d = 0; d <= 9; ++d) {
    for (int i = 0; i < 5000; ++i) {
      double x = (static_cast<double>(random() % 2000000) + 0.5) / std::pow(10.0, d);
      for (double y : {x, std::nextafter(x, 0.0), std::nextafter(x, 1e9), -x}) {
        ASSERT_EQ(formatReal(y, 0, d), printfReal(y, 0, d)) << y << " :" << d;
        ++checked;
      }
    }
  }
  for (int e = -20; e <= 30; ++e) {
    double p = std::pow(10.0, e);
    for (double x : {p, std::nextafter(p, 0.0), std::nextafter(p, 1e308), -p}) {
      for (int d : {0, 1, 3, 6, 9, 15, 16, 20}) {
        ASSERT_EQ(formatReal(x, 15, d), printfReal(x, 15, d)) << x << " :" << d;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 1000000);
}

TEST(NumberText, WidthIsAMinimumAndIntegersAlignRight) {
  EXPECT_EQ(formatReal(123456.789, 4, 2), "123456.79");
  EXPECT_EQ(formatReal(-1.0, 8, 3), "  -1.000");
  EXPECT_EQ(formatInt(42, 5), "   42");
  EXPECT_EQ(formatInt(-42, 2), "-42");
  EXPECT_EQ(formatInt(7), "7");
  EXPECT_EQ(formatInt(std::numeric_limits<long long>::min()), "-9223372036854775808");
  std::string line = "x";
  appendReal(line, 1.25, 7, 3);
  appendInt(line, 3, 3);
  appendPadded(line, "ab", 4);
  EXPECT_EQ(line, "x  1.250  3  ab");
}

}  // namespace
}  // namespace phreatix
