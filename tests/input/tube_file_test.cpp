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

TEST(TubeFile, RecordShapes) {
  const std::string tail(kTubeRecordTail);
  struct Case {
    std::string line;
    bool tube;
    bool olgaMeasurement;      // two-digit year
    bool internalMeasurement;  // four-digit year
  };
  const Case cases[] = {
      {"R28AL000501" + tail, true, false, false},
      {"R28AL000501" + tail + "  ", true, false, false},  // trailing blanks
      {"R28AL000501", true, false, false},                // tail left off
      {"R28AL000501" + tail + "9", false, false, false},  // longer than 47
      {"R28AL0005F1" + tail, false, false, false},        // filter not two digits
      {"R        01" + tail, false, false, false},        // blank location
      {"R28AL\t00501" + tail, false, false, false},       // control character
      {"R28AL00050", false, false, false},
      {"r28AL000501" + tail, false, false, false},
      {"S8503149999+00035", false, true, false},
      {"S8503149999-00000 ", false, true, false},
      {"S198503149999+99999", false, false, true},
      {"S8513149999+00035", false, false, false},  // month 13
      {"S8503009999+00035", false, false, false},  // day 0
      {"S8503329999+00035", false, false, false},  // day 32
      {"S8503149998+00035", false, false, false},
      {"S8503149999 00035", false, false, false},
      {"S8503149999+0035", false, false, false},
      {"S8503149999+000350", false, false, false},
      {"S85031x9999+00035", false, false, false},
      {"# STN,YYYYMMDD,   DDVEC", false, false, false},
      {"", false, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isWellFormedTubeRecord(c.line), c.tube) << '"' << c.line << '"';
    EXPECT_EQ(isWellFormedMeasurementRecord(c.line, 2), c.olgaMeasurement) << '"' << c.line << '"';
    EXPECT_EQ(isWellFormedMeasurementRecord(c.line, 4), c.internalMeasurement)
        << '"' << c.line << '"';
  }
  // What the writers make has the shape the checks ask for.
  EXPECT_TRUE(isWellFormedTubeRecord(tubeRecord("B44F0279", "01")));
  EXPECT_TRUE(isWellFormedMeasurementRecord(measurementRecord(1950, 5, 8, levelField(-5)), 4));
}

}  // namespace
}  // namespace phreatix
