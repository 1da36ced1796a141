#include "input/tube_file.h"

#include <gtest/gtest.h>

namespace phreatix {
namespace {

TEST(TubeFile, FilterNormalisation) {
  struct Case {
    const char* raw;
    const char* normalised;
  };
  const Case cases[] = {
      {"1", "01"},    {"F2", "02"},   {"12", "12"},  {"001", "01"}, {"012", "12"},
      {"0012", "12"}, {"F001", "01"}, {"1A", "01"},  {"AB", "0B"},  {"123", "123"},
      {"0", "00"},    {"00", "00"},   {"000", "00"}, {"", "0"},
  };
  for (const Case& c : cases) {
    std::string once = normaliseFilter(c.raw);
    EXPECT_EQ(once, c.normalised) << '"' << c.raw << '"';
    if (isStorableFilter(once)) {
      EXPECT_EQ(normaliseFilter(once), once) << "not idempotent for " << c.raw;
    }
  }
  EXPECT_TRUE(isStorableFilter(normaliseFilter("001")));
  EXPECT_FALSE(isStorableFilter(normaliseFilter("123")));
  EXPECT_FALSE(isStorableFilter(normaliseFilter("")));
  EXPECT_FALSE(isStorableFilter(normaliseFilter("AB")));  // "0B"
  EXPECT_TRUE(isStorableFilter(normaliseFilter("F2")));
}

TEST(TubeFile, RecordsHaveTheirFixedColumns) {
  std::string tube = tubeRecord("99UU2201", normaliseFilter("1"));
  EXPECT_EQ(tube, "R99UU220101+00033-00017096260401410711214950314");
  EXPECT_EQ(tube.size(), 47u);
  EXPECT_EQ(recordLocation(tube), "99UU2201");
  EXPECT_EQ(recordFilter(tube), "01");

  std::string s = measurementRecord(1995, 4, 1, levelField(35));
  EXPECT_EQ(s, "S199504019999+00035");
  EXPECT_EQ(s.size(), 19u);
}

TEST(TubeFile, LevelsRoundTripWithTheirSign) {
  // Exported cm below surface (positive down) -> field -> read back positive up.
  struct Case {
    int below;
    const char* field;
    int up;
  };
  const Case cases[] = {
      {35, "9999+00035", -35}, {-12, "9999-00012", 12},   {0, "9999-00000", 0},
      {-7, "9999-00007", 7},   {120, "9999+00120", -120}, {99998, "9999+99998", -99998},
  };
  for (const Case& c : cases) {
    std::string field = levelField(c.below);
    EXPECT_EQ(field, c.field) << c.below;
    auto up = recordLevelUp("S19950401" + field);
    ASSERT_TRUE(up.has_value()) << c.below;
    EXPECT_EQ(*up, c.up);
  }
  EXPECT_EQ(levelField(std::nullopt), "9999+99999");
  EXPECT_FALSE(recordLevelUp("S199504019999+99999").has_value());
  EXPECT_FALSE(recordLevelUp("S199504019999+0003").has_value());
  EXPECT_FALSE(recordLevelUp("S199504019999+0x035").has_value());
}

}  // namespace
}  // namespace phreatix
