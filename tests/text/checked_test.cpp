#include "text/checked.h"

#include <climits>
#include <cstdint>

#include <gtest/gtest.h>

#include "text/rounding.h"

namespace phreatix {
namespace {

TEST(Checked, ArrayIndexOutsideItsRangeRaises) {
  CheckedArray<double> a("xmeet", 1, 3, 0.5);
  a[1] = 1;
  a[3] = 3;
  EXPECT_DOUBLE_EQ(a[2], 0.5);
  try {
    a[4] = 1;
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kIndex);
    EXPECT_STREQ(e.what(), "index 4 outside xmeet[1..3]");
  }
  EXPECT_THROW(a[0], Error);
  const CheckedArray<int> b("b", -2, 2);
  EXPECT_EQ(b[-2], 0);
  EXPECT_THROW(b[3], Error);
  a.fill(9);
  EXPECT_DOUBLE_EQ(a[3], 9);
}

TEST(Checked, IntegerArithmeticRaisesInsteadOfWrapping) {
  EXPECT_EQ(checkedAdd(2, 3), 5);
  EXPECT_EQ(checkedAdd(INT_MIN, 0), INT_MIN);
  EXPECT_EQ(checkedAdd<std::int64_t>(INT_MAX, 1), 2147483648LL);
  try {
    checkedAdd(INT_MAX, 1);
    FAIL() << "wrapped";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kOverflow);
  }
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
  struct Case {
    long double x;
    std::int64_t rounded;
    std::int64_t truncated;
  };
  const Case cases[] = {
      {0.5L, 0, 0},
      {1.5L, 2, 1},
      {2.5L, 2, 2},
      {-0.5L, 0, 0},
      {-1.5L, -2, -1},
      {-2.5L, -2, -2},
      {2.4999L, 2, 2},
      {2.5001L, 3, 2},
      {-2.7L, -3, -2},
      {0.0L, 0, 0},
      {1e15L + 0.5L, 1000000000000000LL, 1000000000000000LL},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(roundHalfEven(c.x), c.rounded) << static_cast<double>(c.x);
    EXPECT_EQ(truncToward0(c.x), c.truncated) << static_cast<double>(c.x);
  }
  EXPECT_EQ(roundToInt(182.5L), 182);
  EXPECT_EQ(roundToInt(183.5L), 184);
  EXPECT_THROW(roundToInt(3e9L), Error);
  EXPECT_THROW(truncToInt(-3e9L), Error);
  EXPECT_THROW(roundHalfEven(1e19L), Error);
  EXPECT_THROW(roundHalfEven(__builtin_nanl("")), Error);
}

}  // namespace
}  // namespace phreatix
