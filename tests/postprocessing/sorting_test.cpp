#include "postprocessing/sorting.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "error.h"

namespace phreatix {
namespace {

TEST(Sorting, QuicksortOrdersLikeStdSort) {
  std::mt19937_64 random(5);
  for (long long n : {0LL, 1LL, 2LL, 6LL, 7LL, 8LL, 24LL, 1000LL, 100000LL}) {
    for (int pattern = 0; pattern < 4; ++pattern) {
      std::vector<double> a(static_cast<std::size_t>(n) + 1, -7.0);  // a[0] stays
      for (long long i = 1; i <= n; ++i) {
        a[i] = pattern == 0   ? std::uniform_real_distribution<double>(-200, 0)(random)
               : pattern == 1 ? static_cast<double>(random() % 5)  // many ties
               : pattern == 2 ? static_cast<double>(i)             // sorted
                              : static_cast<double>(n - i);        // reversed
      }
      std::vector<double> expected(a.begin() + 1, a.end());
      std::sort(expected.begin(), expected.end());
      SortAscending(a.data(), n);
      EXPECT_EQ(a[0], -7.0);
      EXPECT_EQ(std::vector<double>(a.begin() + 1, a.end()), expected) << n << " " << pattern;
    }
  }
}

// The radix sort must leave the very bits the quicksort leaves. Where values
// compare equal only -0.0 and +0.0 differ in their bits, and the quicksort
// scatters them over the zeros' places in an order of its own; a level
// written as "-0.000000" or "0.000000" shows which one a percentile or a
// duration-line midpoint picked.
std::vector<double> quicksorted(std::vector<double> a) {
  SortAscending(a.data(), static_cast<long long>(a.size()) - 1);
  return a;
}
std::vector<double> radixSorted(std::vector<double> a) {
  std::vector<double> scratch(a.size()), spare(a.size());
  radixSortAscending(a.data(), static_cast<long long>(a.size()) - 1, scratch.data(), spare.data());
  return a;
}
bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

TEST(Sorting, RadixSortLeavesTheQuicksortsBits) {
  std::mt19937_64 random(11);
  const double inf = std::numeric_limits<double>::infinity();
  // Levels of three decimals around zero, as a series file holds them:
  // "-0.000" and "0.000" read as -0.0 and +0.0.
  auto level = [&random](double spread) {
    return std::round(std::normal_distribution<double>(0, spread)(random) * 1000) / 1000;
  };
  enum Kind { kMixedZeros, kNegativeZerosOnly, kPositiveZerosOnly, kOnlyZeros, kTies, kWide };
  for (long long n : {1LL, 63LL, 64LL, 65LL, 3000LL, 65535LL, 65536LL, 300000LL}) {
    for (Kind kind :
         {kMixedZeros, kNegativeZerosOnly, kPositiveZerosOnly, kOnlyZeros, kTies, kWide}) {
      std::vector<double> a(static_cast<std::size_t>(n) + 1);
      a[0] = -7.5;  // not part of the array
      for (long long i = 1; i <= n; ++i) {
        switch (kind) {
          case kMixedZeros:
            a[i] = random() % 4 == 0 ? (random() % 2 ? -0.0 : 0.0) : level(0.05);
            break;
          case kNegativeZerosOnly:
            a[i] = random() % 4 == 0 ? -0.0 : level(50) - 100;
            break;
          case kPositiveZerosOnly:
            a[i] = random() % 4 == 0 ? 0.0 : level(50);
            break;
          case kOnlyZeros:
            a[i] = random() % 3 == 0 ? -0.0 : 0.0;
            break;
          case kTies:
            a[i] = static_cast<double>(random() % 7) - 3.0;  // +0.0 among them
            break;
          case kWide:
            a[i] = random() % 50 == 0
                       ? (random() % 2 ? inf : -inf)
                       : std::ldexp(level(1), static_cast<int>(random() % 200) - 100);
            break;
        }
      }
      EXPECT_TRUE(sameBits(radixSorted(a), quicksorted(a))) << "n " << n << " kind " << kind;
    }
  }
}

TEST(Sorting, RadixSortFollowsTheQuicksortAmongMixedZeros) {
  // The case that matters: the quicksort does not put every -0.0 before
  // every +0.0, so a plain sort of the bit patterns would change an output.
  std::mt19937_64 random(3);
  std::vector<double> a(100001);
  for (std::size_t i = 1; i < a.size(); ++i) {
    a[i] = random() % 3 == 0 ? (i % 2 ? -0.0 : 0.0) : std::round((random() % 2001) - 1000.0) / 8;
  }
  const std::vector<double> expected = quicksorted(a);
  bool positiveBeforeNegative = false;
  for (std::size_t i = 2; i < expected.size(); ++i) {
    positiveBeforeNegative |= expected[i] == 0 && !std::signbit(expected[i - 1]) &&
                              expected[i - 1] == 0 && std::signbit(expected[i]);
  }
  ASSERT_TRUE(positiveBeforeNegative) << "the quicksort happened to order the zeros by sign";
  EXPECT_TRUE(sameBits(radixSorted(a), expected));
}

TEST(Sorting, PercentileIndexTiesGoToEven) {
  std::vector<double> a(102);
  for (int i = 0; i <= 101; ++i) a[i] = i;  // element i holds i
  EXPECT_EQ(OrderStatistic(a.data(), 100, kP05), 5);
  EXPECT_EQ(OrderStatistic(a.data(), 100, kP50), 50);
  EXPECT_EQ(OrderStatistic(a.data(), 100, kP95), 95);
  EXPECT_EQ(OrderStatistic(a.data(), 101, kP50), 50);       // the tie 50.5
  EXPECT_EQ(OrderStatistic(a.data(), 11, kP05), 1);         // 0.55
  EXPECT_THROW(OrderStatistic(a.data(), 10, kP05), Error);  // the tie 0.5 gives 0
  try {
    OrderStatistic(a.data(), 10, kP05);
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "percentile index 0 outside 1..10 (too few values for the 5% point)");
  }
  // With the extended 0.01, 1,095,000 values give element 10950.
  std::vector<double> big(1095001);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<double>(i);
  EXPECT_EQ(OrderStatistic(big.data(), 1095000, kP01), 10950);
  EXPECT_EQ(OrderStatistic(big.data(), 1095000, kP99), 1084050);
  EXPECT_EQ(OrderStatistic(big.data(), 1095000, kP90), 985500);
}

}  // namespace
}  // namespace phreatix
