// The pipeline as a whole.
#include "pipeline/pipeline.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "pipeline/pipeline_case.h"

namespace phreatix::test {
namespace {

TEST(Pipeline, RefusesToStartWithoutASimulatedYear) {
  SelectionCase c;
  c.session.settings().numberOfYears = 0;
  EXPECT_FALSE(c.pipeline().start());
  ASSERT_EQ(c.box.shown.size(), 1u);
  EXPECT_NE(c.box.shown[0].find("Bevestig eerst de detailinstellingen"), std::string::npos);
  EXPECT_FALSE(fileExists(c.dir.file("modsel.zft")));
}

// The only tube was read before its meteo file begins: it is told once
// and calibrated by no stage, foutbuis.zft stays empty, and the verdict
// sends the user to the lines above, not to the empty foutbuis.zft.
TEST(Pipeline, ATubeReadBeforeItsMeteoFileIsToldOnceAndTheVerdictSaysWhere) {
  PipelineCase c({tube("28AL0005", "01"), "S8504019999+00120", "S8504159999+00110"});
  c.overview.rows = {{"28AL0005 +01", "west.prn"}};
  c.writeMeteo("west.prn", 1990, 2000);
  c.session.settings().startYear = 1991;
  c.session.settings().numberOfYears = 5;
  ASSERT_TRUE(c.pipeline().start());
  const std::vector<std::string>& log = c.log();
  EXPECT_EQ(countOf(log,
                    "Buis 28AL0005: geen meting binnen de periode van het meteobestand west.prn "
                    "(1-1-1990 t/m 31-12-2000); niet gecalibreerd."),
            1u);
  EXPECT_EQ(countOf(log,
                    "Geen enkele buis heeft een plausibel model gekregen; de redenen staan in de "
                    "regels hierboven."),
            1u);
  for (const std::string& line : log) {
    for (const char* word : {"Kopieren van", "(op 28AL0005)", "foutbuis.zft", "ontbreken"}) {
      EXPECT_EQ(line.find(word), std::string::npos) << line;
    }
  }
  EXPECT_TRUE(c.session.messages().stopExit().empty());
  EXPECT_TRUE(c.lines("foutbuis.zft").empty());
  EXPECT_TRUE(c.lines("modsel.zft").empty());
}

// A location with a filter other than 01 only: calibrated, told once with
// no failed copy in the stages after, and the verdict does not send the
// user to foutbuis.zft, which stays empty.
TEST(Pipeline, ALocationWithoutFilter01IsToldOnce) {
  PipelineCase c({tube("28AL0005", "02"), "S9504019999+00120", "S9504159999+00110",
                  "S9505019999+00100", "S9505159999+00090"});
  c.overview.rows = {{"28AL0005 +02", "west.prn"}};
  c.writeMeteo("west.prn", 1990, 2000);
  c.session.settings().startYear = 1991;
  c.session.settings().numberOfYears = 5;
  ASSERT_TRUE(c.pipeline().start());
  const std::vector<std::string>& log = c.log();
  EXPECT_EQ(countOf(log,
                    "Buis 28AL0005 filter 02: alleen filter 01 gaat door; deze locatie heeft geen "
                    "filter 01 en wordt niet gesimuleerd."),
            1u);
  EXPECT_EQ(countOf(log,
                    "Geen enkele buis heeft een plausibel model gekregen; de redenen staan in de "
                    "regels hierboven."),
            1u);
  for (const std::string& line : log) EXPECT_EQ(line.rfind("Kopieren van", 0), std::string::npos);
  EXPECT_TRUE(c.session.messages().stopExit().empty());
  EXPECT_TRUE(c.lines("foutbuis.zft").empty());
  // Its calibrations ran, and nothing after them.
  const std::vector<std::string>& buis = c.session.messages().buis();
  EXPECT_EQ(countOf(buis, "ZEFTAL-calibratie (det+stoch) op 28AL0005 gestart."), 1u);
  EXPECT_EQ(countOf(buis, "ZEFTAL-calibratie (det) op 28AL0005 gestart."), 1u);
  EXPECT_EQ(std::count_if(buis.begin(), buis.end(),
                          [](const std::string& line) { return line.rfind("ZEFTAL-", 0) == 0; }),
            2);
}

// A tube the selection refuses is in foutbuis.zft, and the verdict says so.
TEST(Pipeline, TheVerdictNamesFoutbuisWhenItHoldsARefusal) {
  SelectionCase c;
  // Recalibrated only, to a vertex the fixed bounds refuse.
  c.dir.write("28AL0005.d01", vertexFile({"0.5 0.3 0.1 -150 9 0 600"}));
  c.pipeline().simulationPhase();
  ASSERT_EQ(c.lines("foutbuis.zft").size(), 1u);
  EXPECT_EQ(countOf(c.log(),
                    "Geen enkele buis heeft een plausibel model gekregen; de redenen staan in "
                    "foutbuis.zft en hierboven."),
            1u);
}

}  // namespace
}  // namespace phreatix::test
