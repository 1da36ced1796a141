// S.kmp, the components' contributions: a file laid out by hand as
// docs/formats/component-file.md describes it reads back whole, and each
// kind of damage is refused with the file and the line (or the file alone
// where a part is missing).
#include "files/component_file.h"

#include <string>

#include <gtest/gtest.h>

#include "error.h"

namespace phreatix {
namespace {

const char* kGood =
    "# bijdragen van de componenten van model gftx (cm, positief omhoog); situatie gemiddeld\n"
    "component trend einde 235.20 gemiddeld 118.40 gebruikt 118.40\n"
    "component stress einde -3.10 gemiddeld -25.00 gebruikt -25.00\n"
    "datum trend stress\n"
    "1992-02-28 0.000 -20.512\n"
    "1992-02-29 0.031 -20.498\n"
    "\n"
    "1992-03-01 0.062 -20.411\n";

TEST(ComponentFile, LevelsSituationAndTheCourseOfEveryDay) {
  const ComponentCourses c = readComponentText("B33F0133.kmp", kGood);
  EXPECT_EQ(c.label, "gftx");
  EXPECT_EQ(c.situation, Situation::kGemiddeld);
  ASSERT_EQ(c.levels.size(), 2u);
  EXPECT_EQ(c.levels[0].kind, ComponentKind::kTrend);
  EXPECT_EQ(c.levels[0].end, 235.20);
  EXPECT_EQ(c.levels[0].mean, 118.40);
  EXPECT_EQ(c.levels[0].used, 118.40);
  EXPECT_EQ(c.levels[1].kind, ComponentKind::kStress);
  EXPECT_EQ(c.levels[1].end, -3.10);
  EXPECT_EQ(c.levels[1].used, -25.00);
  ASSERT_EQ(c.dates.size(), 3u);
  EXPECT_EQ(c.dates[1], (CalendarDate{1992, 2, 29}));
  EXPECT_EQ(c.dates[2], (CalendarDate{1992, 3, 1}));
  ASSERT_EQ(c.course.size(), 2u);
  EXPECT_EQ(c.course[0], (std::vector<double>{0.000, 0.031, 0.062}));
  EXPECT_EQ(c.course[1], (std::vector<double>{-20.512, -20.498, -20.411}));

  // A step alone, under geen, with Windows line ends.
  const ComponentCourses step = readComponentText(
      "S.kmp",
      "# bijdragen van de componenten van model efp (cm, positief omhoog); situatie geen\r\n"
      "component stap einde 45.20 gemiddeld 20.10 gebruikt 0.00\r\n"
      "datum stap\r\n"
      "2005-07-13 0.000\r\n"
      "2005-07-14 45.200\r\n");
  EXPECT_EQ(step.situation, Situation::kGeen);
  EXPECT_EQ(step.levels[0].kind, ComponentKind::kStep);
  EXPECT_EQ(step.course[0].back(), 45.2);
}

std::string errorOf(const std::string& text) {
  try {
    readComponentText("S.kmp", text);
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kRead);
    return e.what();
  }
  return "";
}

TEST(ComponentFile, DamageIsRefusedNamingTheFileAndTheLine) {
  const std::string head = "# model gft; situatie einde\n";
  const std::string one = head + "component trend einde 1 gemiddeld 2 gebruikt 1\n";
  const std::string columns = one + "datum trend\n";
  struct Bad {
    std::string text;
    const char* error;  // the start of the message
  };
  for (const Bad& bad : {
           Bad{"# model gft; situatie later\n", "S.kmp:1: verwacht situatie einde, gemiddeld"},
           Bad{head + "component trend einde 1 gemiddeld 2\n", "S.kmp:2: verwacht component"},
           Bad{head + "component stroom einde 1 gemiddeld 2 gebruikt 1\n",
               "S.kmp:2: verwacht component trend, stap of stress, niet \"stroom\""},
           Bad{head + "component trend einde 1 gemiddeld 2,5 gebruikt 1\n",
               "S.kmp:2: verwacht een getal als gemiddeld, niet \"2,5\""},
           Bad{one + "datum stress\n", "S.kmp:3: verwacht de kolomregel \"datum trend\""},
           Bad{one + "datum trend stress\n", "S.kmp:3: verwacht de kolomregel \"datum trend\""},
           Bad{one + "1990-01-14 0.0\n", "S.kmp:3: dagregel voor de kolomregel"},
           Bad{columns + "component stap einde 1 gemiddeld 2 gebruikt 1\n",
               "S.kmp:4: componentregel na de kolomregel"},
           Bad{columns + "1990-01-14 0.0 1.0\n", "S.kmp:4: verwacht een datum en 1 bijdrage"},
           Bad{columns + "14-01-1990 0.0\n", "S.kmp:4: verwacht een datum jjjj-mm-dd"},
           Bad{columns + "1990-01-14 x\n",
               "S.kmp:4: verwacht een getal als bijdrage trend, niet \"x\""},
           Bad{columns + "1990-01-14 0.0\n1990-01-16 0.0\n",
               "S.kmp:5: datum 1990-01-16 is niet de dag na 1990-01-14"},
           Bad{columns + "1990-01-14 0.0\n1990-01-14 0.0\n", "S.kmp:5: datum 1990-01-14"},
           Bad{head + "datum\n1990-01-14\n", "S.kmp: geen componentregels"},
           Bad{one, "S.kmp: de kolomregel \"datum ...\" ontbreekt"},
           Bad{columns, "S.kmp: geen dagregels"},
       }) {
    const std::string error = errorOf(bad.text);
    EXPECT_EQ(error.rfind(bad.error, 0), 0u) << bad.text << "gave: " << error;
  }
}

}  // namespace
}  // namespace phreatix
