#include "postprocessing/sorting.h"

#include <algorithm>
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
