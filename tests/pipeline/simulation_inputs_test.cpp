// The inputs of the simulation, the trace and the post-processing, as the
// model selection writes them for a chosen model.
#include "pipeline/simulation_inputs.h"

#include <gtest/gtest.h>

#include "pipeline/pipeline_case.h"

namespace phreatix::test {
namespace {

TEST(SimulationInputs, StartDayWarmUpAndTraceKinds) {
  SelectionCase c;
  c.dir.write("28AL0005.a01", vertexFile({"0.95 2.5 0.97 -120 9 0 812.3"}));
  c.pipeline().selectModels();
  // Meteo from 1 January 1960, warm-up 731: C is 1 January 1967.
  const int C = c.session.dayNumbers().lookup(1, 1, 1967);
  const int E = c.session.dayNumbers().lookup(31, 12, 1998);
  std::vector<std::string> t01 = c.lines("28AL0005.t01");
  ASSERT_EQ(t01.size(), 11u);
  EXPECT_EQ(t01[0], "28AL0005.01s");
  EXPECT_EQ(t01[1], "28AL0005.sim");
  EXPECT_EQ(t01[2], "28AL0005.u01");
  EXPECT_EQ(t01[3], "28AL0005.e01");
  EXPECT_EQ(t01[4], "2 -79359 100 30 1969");
  EXPECT_EQ(t01[5], "0.9500000 2.5000000 0. 0.9700000 -120.00000    9.00000");
  EXPECT_EQ(t01[7], "-120.00000");
  EXPECT_EQ(t01[9], "1. " + formatInt(E - C + 1, 5) + " 0.0001");
  EXPECT_EQ(t01[10], "  731");
  std::vector<std::string> sim = c.lines("28AL0005.sim");
  EXPECT_EQ(sim[0], formatInt(static_cast<long long>(sim.size()) - 1) + "  5 0.01 4 5");
  EXPECT_EQ(sim[1], "1 1 1967  12 4");
  // The measurement on the first day of S.met gets day D0 - C + 1; the rest
  // of its line after the day (" -120") follows the new day and a blank.
  const int D0 = c.session.dayNumbers().lookup(1, 4, 1985);
  EXPECT_EQ(c.lines("28AL0005.01"), (std::vector<std::string>{"2  1", "    1 -120", "   15 -110"}));
  EXPECT_EQ(c.lines("28AL0005.01s"),
            (std::vector<std::string>{"2  1", formatInt(D0 - C + 1, 5) + "  -120",
                                      formatInt(D0 - C + 15, 5) + "  -110"}));
  for (const std::string& line : c.session.messages().log())
    EXPECT_EQ(line.find("opwarmperiode"), std::string::npos) << line;
  // The program starts with the trace without updating.
  std::vector<std::string> std = c.lines("28AL0005.std");
  EXPECT_EQ(std[4], "1 -79359 100 30 1969");
  EXPECT_EQ(std[5], "0.9500000 2.5000000 0. 0.9700000 -120.00000 0");
  EXPECT_EQ(std[8], "10.");
  c.session.settings().traceWithUpdating = true;
  c.pipeline().selectModels();
  std = c.lines("28AL0005.std");
  EXPECT_EQ(std[5], t01[5]);
  EXPECT_EQ(std[8], "0.");
  EXPECT_EQ(c.lines("28AL0005.inp")[0], "'28AL0005.u01'");

  // A meteo file that starts on 1 June 1968: C is that day, warm-up 214,
  // and the shortened warm-up is told.
  c.writeMeteo("west.prn", 1968, 2000, {}, 6);
  c.pipeline().selectModels();
  EXPECT_EQ(c.lines("28AL0005.t01")[10], "  214");
  EXPECT_EQ(c.session.messages().log().back(),
            "Buis 28AL0005: opwarmperiode ingekort van 731 tot 214 dagen: het meteobestand "
            "west.prn begint op 1-6-1968.");

  // A meteo file that ends before the simulation period does: no shorter
  // series, no simulation, and the file and its last day named after the
  // fixed line.
  c.writeMeteo("west.prn", 1960, 1990);
  c.pipeline().selectModels();
  EXPECT_FALSE(fileExists(c.dir.file("28AL0005.t01")));
  EXPECT_EQ(c.log().back(),
            "Buis 28AL0005: het meteobestand west.prn eindigt op 31-12-1990, voor 31-12-1998; "
            "geen simulatie.");
  EXPECT_EQ(c.log()[c.log().size() - 2], "Bestand 28AL0005.01 is leeg!");

  // A gap of two days in March 1980, after the start of the warm-up, moves
  // the start past 1 January 1970: the tube gets no simulation inputs.
  c.writeMeteo("west.prn", 1960, 2000, {{10, 3, 1980}, {11, 3, 1980}});
  c.session.settings().startYear = 1970;
  c.session.settings().numberOfYears = 29;
  c.pipeline().selectModels();
  EXPECT_FALSE(fileExists(c.dir.file("28AL0005.t01")));
  EXPECT_TRUE(c.lines("modsel.zft").empty());
  EXPECT_EQ(c.log().back(),
            "Buis 28AL0005: het meteobestand west.prn heeft een gat tot 12-3-1980, na 1-1-1970; "
            "geen simulatie.");
  EXPECT_EQ(c.log()[c.log().size() - 2], "Bestand 28AL0005.01 is leeg!");

  // S.met gone: the fixed line, then the file that could not be read.
  removeFile(c.dir.file("28AL0005.met"));
  c.pipeline().selectModels();
  EXPECT_EQ(c.log()[c.log().size() - 2], "Bestand 28AL0005.01 is leeg!");
  EXPECT_EQ(c.log().back(), c.dir.file("28AL0005.met") + ": bestand niet te openen");
}

}  // namespace
}  // namespace phreatix::test
