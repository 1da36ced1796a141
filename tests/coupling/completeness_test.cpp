#include "coupling/completeness.h"

#include <gtest/gtest.h>

#include "error.h"
#include "platform/files.h"
#include "support/doubles.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

using test::RecordingBox;

using test::TempDir;

const char* const kMessage =
    "1 of meer meteobestand(en) zijn incompleet (<simulatieperiode). Pas de meteobestanden in "
    "<IncompleteMeteo.txt> aan of verander het aanvangstijdstip van de simulatieperiode. Voer "
    "daarna opnieuw de koppeling meteobestand/buis uit.";

// A meteo file with a head line, the first day, a day in between and the
// last day; only the first and the last are judged.
std::string meteoText(const std::string& first, const std::string& last) {
  return "  3  1  2  10957 De Bilt\n" + first + "   0.1   0.4\n" + "  15  6 1980   2.0   3.1\n" +
         last + "   0.0   0.2\n";
}

SessionSettings period(int startYear, int numberOfYears) {
  SessionSettings s;
  s.startYear = startYear;
  s.numberOfYears = numberOfYears;
  return s;
}

TEST(Completeness, FirstAndLastDayAgainstThePeriod) {
  struct Case {
    const char* first;
    const char* last;
    bool covered;
  };
  // S = 1969, N = 30: the period runs from 1 1 1969 to 31 12 1998.
  const Case cases[] = {
      {" 1  1 1969", "31 12 1998", true},  {" 2  1 1969", "31 12 1998", false},
      {" 1  2 1969", "31 12 1998", false}, {" 1  1 1970", "31 12 1998", false},
      {" 1  1 1969", "30 12 1998", false}, {" 1  1 1969", "31  1 1998", false},
      {" 1  1 1969", "31 12 1997", false}, {" 1  1 1969", " 1  1 1999", true},
      {" 1  1 1969", "30  6 2005", true},  {"15  7 1967", "31 12 1998", true},
      {"31 12 1968", "31 12 1998", true},  {"15  7 1967", "30 12 1998", false},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.write("m.prn", meteoText(c.first, c.last));
    EXPECT_EQ(meteoFileCovers(dir.file("m.prn"), 1969, 1998), c.covered)
        << c.first << " / " << c.last;
  }
}

TEST(Completeness, LayoutOfTheFile) {
  struct Case {
    const char* name;
    const char* text;
    bool covered;
  };
  const Case cases[] = {
      {"blank lines after the last day", "kop\n1 1 1969\n31 12 1998\n\n   \n\t\n", true},
      {"CR LF line ends", "kop\r\n1 1 1969 0.1\r\n31 12 1998 0.2\r\n", true},
      {"no final line end", "kop\n1 1 1969\n31 12 1998", true},
      {"tabs between the numbers", "kop\n1\t1\t1969\n31\t12\t1998\t0.3\n", true},
      {"blank line before the first day", "kop\n\n1 1 1969\n31 12 1998\n", true},
      {"head line only", "kop\n", false},
      {"empty file", "", false},
      // A second day line is needed to judge the end.
      {"one day line", "kop\n1 1 1960\n", false},
      {"one day line and blanks", "kop\n1 1 1960\n\n\n", false},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.write("m.prn", c.text);
    EXPECT_EQ(meteoFileCovers(dir.file("m.prn"), 1969, 1998), c.covered) << c.name;
  }

  // With no simulated years the period ends before it starts; a single day
  // line would pass both tests, but the end is judged on a further line.
  TempDir dir;
  dir.write("one.prn", "kop\n 1  1 1969\n");
  EXPECT_FALSE(meteoFileCovers(dir.file("one.prn"), 1969, 1968));
  dir.write("two.prn", "kop\n 1  1 1969\n 2  1 1969\n");
  EXPECT_TRUE(meteoFileCovers(dir.file("two.prn"), 1969, 1968));
}

TEST(Completeness, UnreadableFilesAreErrors) {
  TempDir dir;
  try {
    meteoFileCovers(dir.file("absent.prn"), 1969, 1998);
    FAIL() << "no error for a missing file";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kIo);
  }

  dir.write("bad.prn", "kop\n1 1 1969\n2 1 1969\n\n31 12 19x8 0.1\n");
  try {
    meteoFileCovers(dir.file("bad.prn"), 1969, 1998);
    FAIL() << "no error for a bad last line";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kRead);
    EXPECT_EQ(std::string(e.what()),
              dir.file("bad.prn") + ":5: geen dag, maand en jaar: \"31 12 19x8 0.1\"");
  }

  dir.write("short.prn", "kop\n1 1\n31 12 1998\n");
  EXPECT_THROW(meteoFileCovers(dir.file("short.prn"), 1969, 1998), Error);
}

TEST(Completeness, RunListsEveryFailingRow) {
  TempDir dir;
  dir.write("good.prn", meteoText(" 1  1 1960", "31 12 2000"));
  dir.write("short.prn", meteoText(" 1  1 1960", "30 12 1998"));
  dir.write("late.prn", meteoText(" 2  1 1969", "31 12 2000"));
  dir.write("bad.prn", "kop\nx y z\n31 12 2000\n");
  dir.write(kIncompleteMeteoFile, "oude lijst\n");

  CouplingOverview overview;
  overview.rows = {
      {"99UU2201 +01", "C:\\meteo\\good.prn"},
      {"99UU2202 +01", "short.prn"},
      {"99UU2203 +01 (ingreep!)", "D:\\elders\\short.prn"},
      {"99UU2204 +01", "late.prn"},
      {"99UU2205 +01", ""},
      {"99UU2206 +01", "C:\\meteo\\absent.prn"},
      {"99UU2207 +01", "bad.prn"},
  };
  RecordingBox box;
  CompletenessResult result = checkMeteoCompleteness(overview, period(1969, 30), dir.path(), box);

  const std::vector<std::string> expected = {
      "short.prn : Dit meteobestand is incompleet!",
      "short.prn : Dit meteobestand is incompleet!",
      "late.prn : Dit meteobestand is incompleet!",
      "(geen meteobestand gekoppeld aan 99UU2205 +01) : Dit meteobestand is incompleet!",
      "absent.prn : Dit meteobestand is incompleet!",
      "bad.prn : Dit meteobestand is incompleet!",
  };
  EXPECT_FALSE(result.complete);
  EXPECT_EQ(result.incompleteLines, expected);
  EXPECT_EQ(readLines(dir.file(kIncompleteMeteoFile)), expected);
  // The fixed message, then per failing tube its file and what it lacks.
  EXPECT_EQ(result.reasons,
            (std::vector<std::string>{
                "Buis 99UU2202 +01: meteobestand short.prn eindigt op 30-12-1998, voor 31-12-1998.",
                "Buis 99UU2203 +01 (ingreep!): meteobestand short.prn eindigt op 30-12-1998, voor "
                "31-12-1998.",
                "Buis 99UU2204 +01: meteobestand late.prn begint pas op 2-1-1969, na 1-1-1969.",
                "Buis 99UU2205 +01: geen meteobestand gekoppeld.",
                "Buis 99UU2206 +01: meteobestand absent.prn is niet te lezen (" +
                    dir.file("absent.prn") + ": bestand niet te openen).",
                "Buis 99UU2207 +01: meteobestand bad.prn is niet te lezen (" + dir.file("bad.prn") +
                    ":2: geen dag, maand en jaar: \"x y z\")."}));
  ASSERT_EQ(box.shown.size(), 1u);
  std::string shown = kMessage;
  for (const std::string& reason : result.reasons) shown += "\n" + reason;
  EXPECT_EQ(box.shown[0], shown);
}

TEST(Completeness, CompleteRunRemovesAnOldList) {
  TempDir dir;
  dir.write("good.prn", meteoText(" 1  1 1969", "31 12 1998"));
  dir.write(kIncompleteMeteoFile, "short.prn : Dit meteobestand is incompleet!\n");
  CouplingOverview overview;
  overview.rows = {{"99UU2201 +01", "good.prn"}, {"99UU2202 +01", "C:\\meteo\\good.prn"}};

  RecordingBox box;
  CompletenessResult result = checkMeteoCompleteness(overview, period(1969, 30), dir.path(), box);
  EXPECT_TRUE(result.complete);
  EXPECT_TRUE(result.incompleteLines.empty());
  EXPECT_FALSE(fileExists(dir.file(kIncompleteMeteoFile)));
  EXPECT_TRUE(box.shown.empty());

  // The last year is S + N - 1: one more year is not covered.
  result = checkMeteoCompleteness(overview, period(1969, 31), dir.path(), box);
  EXPECT_FALSE(result.complete);
  EXPECT_EQ(result.incompleteLines.size(), 2u);
  EXPECT_TRUE(fileExists(dir.file(kIncompleteMeteoFile)));
  EXPECT_EQ(box.shown.size(), 1u);

  // The settings at program start (1969 and no years) end the period in
  // 1968, so any file that starts in time passes.
  dir.write("one_year.prn", "kop\n 1  1 1969\n 2  1 1969\n");
  overview.rows = {{"99UU2201 +01", "one_year.prn"}};
  result = checkMeteoCompleteness(overview, SessionSettings{}, dir.path(), box);
  EXPECT_TRUE(result.complete);
  EXPECT_FALSE(fileExists(dir.file(kIncompleteMeteoFile)));
}

}  // namespace
}  // namespace phreatix
