#include "text/parse.h"

#include <gtest/gtest.h>

namespace phreatix {
namespace {

TEST(Parse, IntegerCodesLikeTheReadErrorExpects) {
  struct Case {
    const char* text;
    int code;
    long long value;
  };
  const Case cases[] = {
      {"12", 0, 12},
      {"  12", 0, 12},
      {"-7", 0, -7},
      {"+7", 0, 7},
      {"007", 0, 7},
      {"", 1, 0},
      {"   ", 4, 0},
      {"12 ", 3, 0},
      {"1x", 2, 0},
      {"-", 2, 0},
      {"1.0", 2, 0},
      {" 3 4", 3, 0},
      {"9223372036854775807", 0, 9223372036854775807LL},
      {"-9223372036854775808", 0, -9223372036854775807LL - 1},
      {"9223372036854775808", 19, 0},
  };
  for (const Case& c : cases) {
    std::int64_t v = -1;
    EXPECT_EQ(valInt(c.text, v), c.code) << '"' << c.text << '"';
    if (c.code == 0) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  int narrow = 0;
  EXPECT_EQ(valInt("2147483647", narrow), 0);
  EXPECT_EQ(narrow, 2147483647);
  EXPECT_NE(valInt("2147483648", narrow), 0);
}

TEST(Parse, RealsWithoutLocaleOrSpecialWords) {
  struct Case {
    const char* text;
    bool ok;
    double value;
  };
  const Case cases[] = {
      {"181600", true, 181600}, {"-0.5", true, -0.5}, {"+2.5", true, 2.5},
      {"1.5e3", true, 1500},    {".5", true, 0.5},    {"3.", true, 3},
      {" 12.25", true, 12.25},  {"12,5", false, 0},   {"inf", false, 0},
      {"nan", false, 0},        {"0x1p3", false, 0},  {"", false, 0},
      {"1e", false, 0},         {"+-1", false, 0},    {"1.5 ", false, 0},
  };
  for (const Case& c : cases) {
    double v = -1;
    EXPECT_EQ(valReal(c.text, v) == 0, c.ok) << '"' << c.text << '"';
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
  }
}

TEST(Parse, TextHelpers) {
  EXPECT_EQ(withoutBlanks(" 181 600 "), "181600");
  EXPECT_EQ(upperAscii("Gebruikersnaam: ë"), "GEBRUIKERSNAAM: ë");
  EXPECT_EQ(quoted("12,5x"), "\"12,5x\"");
}

}  // namespace
}  // namespace phreatix
