// Given components (componenten.txt): a good file read with its days and
// lines, every refusal with its exact text, and the check before a
// calibration under both models.
#include "coupling/given_components.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "error.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

using test::TempDir;

CalendarDate date(int y, int m, int d) { return CalendarDate{y, m, d}; }

// The refusal of `text` as a file of given components, "" when it is read.
std::string refusalOf(const std::string& text) {
  TempDir dir;
  dir.write(kGivenComponentsFile, text);
  try {
    readGivenComponents(dir.file(kGivenComponentsFile));
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kInput);
    const std::string what = e.what();
    const std::string prefix = dir.file(kGivenComponentsFile) + ":";
    if (what.rfind(prefix, 0) != 0) return "without the file: " + what;
    return what.substr(prefix.size());
  }
  return "";
}

TEST(GivenComponents, ReadsTrendsAndStepsWithTheirDaysAndLines) {
  TempDir dir;
  // A byte-order mark and CR LF as a spreadsheet saves them, comments (one
  // indented), a blank line, and every separator of the coupling file.
  dir.write(kGivenComponentsFile,
            "\xEF\xBB\xBF# drainage veranderd, buis vervangen\r\n"
            "B33F0133 trend 1995-12-15 2001-07-28\r\n"
            "\r\n"
            "  # de stap van de nieuwe buis\r\n"
            "28AL0005;stap;2000-02-29\r\n"
            "B33F0133,\tstap , 2005-07-14\r\n"
            "28AL0006\ttrend\t1948-01-01\t2047-12-31\n");
  const GivenComponents given = readGivenComponents(dir.file(kGivenComponentsFile));
  EXPECT_EQ(given.path, dir.file(kGivenComponentsFile));
  struct Row {
    const char* location;
    bool trend;
    CalendarDate first, last;
    int line;
  };
  const Row expected[] = {
      {"B33F0133", true, date(1995, 12, 15), date(2001, 7, 28), 2},
      {"28AL0005", false, date(2000, 2, 29), date(2000, 2, 29), 5},
      {"B33F0133", false, date(2005, 7, 14), date(2005, 7, 14), 6},
      {"28AL0006", true, date(1948, 1, 1), date(2047, 12, 31), 7},
  };
  ASSERT_EQ(given.rows.size(), std::size(expected));
  for (std::size_t i = 0; i < given.rows.size(); ++i) {
    const GivenComponent& row = given.rows[i];
    EXPECT_EQ(row.location, expected[i].location) << i;
    EXPECT_EQ(row.trend, expected[i].trend) << i;
    EXPECT_EQ(row.first, expected[i].first) << i;
    EXPECT_EQ(row.last, expected[i].last) << i;
    EXPECT_EQ(row.line, expected[i].line) << i;
  }

  // Per location in the file's order; none for a location not listed.
  const std::vector<GivenComponent> own = givenComponentsOf(given, "B33F0133");
  ASSERT_EQ(own.size(), 2u);
  EXPECT_TRUE(own[0].trend);
  EXPECT_EQ(own[0].line, 2);
  EXPECT_FALSE(own[1].trend);
  EXPECT_EQ(own[1].line, 6);
  EXPECT_TRUE(givenComponentsOf(given, "B33F0134").empty());
  EXPECT_TRUE(givenComponentsOf(given, "B33F013").empty());

  // Only comments and blank lines: no component, no refusal.
  dir.write("leeg.txt", "# nog niets bekend\n\n");
  EXPECT_TRUE(readGivenComponents(dir.file("leeg.txt")).rows.empty());
}

TEST(GivenComponents, RefusesWithFileLineAndReason) {
  const std::string forms =
      "verwacht \"<locatie> trend jjjj-mm-dd jjjj-mm-dd\" of \"<locatie> stap jjjj-mm-dd\", "
      "gevonden ";
  const std::string trendForm =
      "een trend heeft 4 velden (\"<locatie> trend jjjj-mm-dd "
      "jjjj-mm-dd\"), gevonden ";
  const std::string stepForm = "een stap heeft 3 velden (\"<locatie> stap jjjj-mm-dd\"), gevonden ";
  const std::string calendar =
      " valt buiten de kalender van het programma (1948-01-01 t/m "
      "2047-12-31)";
  struct Case {
    std::string text;
    std::string refusal;  // after "<path>:"
  };
  const Case cases[] = {
      {"B33F0133\n", "1: " + forms + "\"B33F0133\""},
      {"# kop\nB33F0133 ;\n", "2: " + forms + "\"B33F0133 ;\""},
      {"B33F0133 helling 2001-01-01\n", "1: onbekende soort \"helling\" (bekend: trend, stap)"},
      {"B33F0133 Trend 2001-01-01 2002-01-01\n",
       "1: onbekende soort \"Trend\" (bekend: trend, stap)"},
      {"B33F0133 trend 2001-01-01\n", "1: " + trendForm + "3"},
      {"B33F0133 trend 2001-01-01 2002-01-01 2003-01-01\n", "1: " + trendForm + "5"},
      {"B33F0133 stap\n", "1: " + stepForm + "2"},
      {"B33F0133 stap 2001-01-01 2002-01-01\n", "1: " + stepForm + "4"},
      {"B33F013 stap 2001-01-01\n", "1: \"B33F013\" is geen locatiecode van 8 tekens"},
      {"B33F01330 stap 2001-01-01\n", "1: \"B33F01330\" is geen locatiecode van 8 tekens"},
      {"2001-01-01 stap B33F0133\n", "1: \"2001-01-01\" is geen locatiecode van 8 tekens"},
      {"B33F0133 stap 2001-02-30\n", "1: datum \"2001-02-30\" bestaat niet"},
      {"B33F0133 stap 2001-13-01\n", "1: datum \"2001-13-01\" bestaat niet"},
      {"B33F0133 trend 2001-01-01 2003-02-29\n", "1: datum \"2003-02-29\" bestaat niet"},
      {"B33F0133 stap 2001-2-3\n", "1: datum \"2001-2-3\" is geen jjjj-mm-dd"},
      {"B33F0133 stap 14-07-2005\n", "1: datum \"14-07-2005\" is geen jjjj-mm-dd"},
      {"B33F0133 stap 2005/07/14\n", "1: datum \"2005/07/14\" is geen jjjj-mm-dd"},
      {"B33F0133 stap 1947-12-31\n", "1: datum 1947-12-31" + calendar},
      {"B33F0133 trend 2040-01-01 2048-01-01\n", "1: datum 2048-01-01" + calendar},
      {"B33F0133 trend 2001-07-28 2001-07-28\n",
       "1: de laatste dag van de trend (2001-07-28) ligt niet na de eerste (2001-07-28)"},
      {"B33F0133 trend 2001-07-28 1995-12-15\n",
       "1: de laatste dag van de trend (1995-12-15) ligt niet na de eerste (2001-07-28)"},
      // The line counts comments and blank lines; a second trend or step of
      // a location names the line of the first.
      {"# kop\n\nB33F0133 trend 1995-12-15 2001-07-28\nB33F0133 stap 2005-07-14\n"
       "28AL0005 trend 1990-01-01 1991-01-01\nB33F0133 trend 2002-01-01 2003-01-01\n",
       "6: locatie B33F0133 heeft al een trend, op regel 3 (een trend en een stap per locatie)"},
      {"B33F0133 stap 2005-07-14\nB33F0133 stap 2005-07-14\n",
       "2: locatie B33F0133 heeft al een stap, op regel 1 (een trend en een stap per locatie)"},
  };
  for (const Case& c : cases) EXPECT_EQ(refusalOf(c.text), c.refusal) << c.text;

  // A file that is not there is the file system's error, naming it.
  try {
    readGivenComponents("/nonexistent/componenten.txt");
    ADD_FAILURE() << "a missing file was read";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kIo);
    EXPECT_NE(std::string(e.what()).find("/nonexistent/componenten.txt"), std::string::npos)
        << e.what();
  }
}

// Before a calibration: nothing without the file; under standaard the file
// itself is refused, whatever it holds; under uitgebreid a good file passes
// and every bad line of a bad one is told, in file order.
TEST(GivenComponents, CheckedAgainstTheModelBeforeACalibration) {
  TempDir work;
  EXPECT_TRUE(givenComponentRefusals(work.path(), ModelFamily::kStandaard).empty());
  EXPECT_TRUE(givenComponentRefusals(work.path(), ModelFamily::kUitgebreid).empty());

  const std::string path = work.file(kGivenComponentsFile);
  const std::vector<std::string> standaard = {
      path + ": gegeven trends en stappen kunnen alleen met Model: uitgebreid"};
  work.write(kGivenComponentsFile, "B33F0133 trend 1995-12-15 2001-07-28\n");
  EXPECT_EQ(givenComponentRefusals(work.path(), ModelFamily::kStandaard), standaard);
  EXPECT_TRUE(givenComponentRefusals(work.path(), ModelFamily::kUitgebreid).empty());
  work.write(kGivenComponentsFile, "# nog niets\n");
  EXPECT_EQ(givenComponentRefusals(work.path(), ModelFamily::kStandaard), standaard);

  work.write(kGivenComponentsFile,
             "B33F0133 trend 1995-12-15 2001-07-28\n"
             "B33F0133 stap 2001-02-30\n"
             "28AL0005 stap 2000-02-29\n"
             "B33F0133 trend 2002-01-01 2003-01-01\n"
             "28AL0005 helling 2000-02-29\n");
  EXPECT_EQ(givenComponentRefusals(work.path(), ModelFamily::kUitgebreid),
            (std::vector<std::string>{
                path + ":2: datum \"2001-02-30\" bestaat niet",
                path + ":4: locatie B33F0133 heeft al een trend, op regel 1 (een trend en een "
                       "stap per locatie)",
                path + ":5: onbekende soort \"helling\" (bekend: trend, stap)"}));
  EXPECT_EQ(givenComponentRefusals(work.path(), ModelFamily::kStandaard), standaard);

  // Many bad lines: the first ones, then how many more.
  std::string many;
  for (int i = 0; i < kMaxGivenRefusals + 3; ++i) many += "B33F013 stap 2001-01-01\n";
  work.write(kGivenComponentsFile, many);
  const std::vector<std::string> capped =
      givenComponentRefusals(work.path(), ModelFamily::kUitgebreid);
  ASSERT_EQ(capped.size(), static_cast<std::size_t>(kMaxGivenRefusals) + 1);
  EXPECT_EQ(capped[kMaxGivenRefusals - 1], path + ":" + std::to_string(kMaxGivenRefusals) +
                                               ": \"B33F013\" is geen locatiecode van 8 tekens");
  EXPECT_EQ(capped.back(), path + ": en nog 3 regels die niet te gebruiken zijn");

  // Something of the name that cannot be read as a file is refused too.
  TempDir folder;
  std::filesystem::create_directory(folder.file(kGivenComponentsFile));
  const std::vector<std::string> unreadable =
      givenComponentRefusals(folder.path(), ModelFamily::kUitgebreid);
  ASSERT_EQ(unreadable.size(), 1u);
  EXPECT_EQ(unreadable[0].rfind(folder.file(kGivenComponentsFile), 0), 0u) << unreadable[0];
}

}  // namespace
}  // namespace phreatix
