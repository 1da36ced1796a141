#include "engine/engine_files.h"

#include <gtest/gtest.h>

#include "engine_test_support.h"

namespace phreatix {
namespace {

using test::EngineCase;

TEST(EngineFiles, MeasurementsAfterTheLastMeteoDayAreDropped) {
  EngineCase c;
  std::vector<double> surplus(35, 0.0);
  c.write(surplus, {{10, 1}, {34.5, 2}, {35.4, 3}, {35.5, 4}, {40, 5}});
  c.par.line5 = "1 0 0 0 0";
  ASSERT_TRUE(c.run()) << c.engine.message();
  EXPECT_EQ(
      c.messages.log(),
      (std::vector<std::string>{
          "ZEFTAL-test op t : Freatische reeks loopt langer door dan meteogegevens. Ingekort."}));
  // The span becomes the time of the last kept measurement, 35.4: 35 steps.
  std::vector<std::string> trace = c.lines("t.w01");
  EXPECT_EQ(trace.size(), 4u + 1 + 35);
  EXPECT_EQ(c.screen.gridStatus(0), "File read");
  EXPECT_EQ(c.screen.gridStatus(1), "File read");
  EXPECT_EQ(c.screen.gridStatus(4), "Read/pred");
  for (int row = 5; row <= 10; ++row) EXPECT_EQ(c.screen.gridStatus(row), "Data read") << row;
  EXPECT_EQ(c.screen.gridLine(0), "t.01");
  EXPECT_EQ(c.screen.gridLine(4), "1 0 0 0 0");

  // All inside: no message.
  EngineCase inside;
  inside.write(surplus, {{10, 1}, {35, 2}});
  inside.par.line5 = "1 0 0 0 0";
  ASSERT_TRUE(inside.run());
  EXPECT_TRUE(inside.messages.log().empty());
}

TEST(EngineFiles, InputFailuresEndTheRunWithoutOutputs) {
  struct Case {
    const char* what;
    std::vector<std::string> meteo;
    std::vector<std::string> measurements;
    std::string message;
  };
  const std::vector<std::string> meteo3 = {"3 2 1.0 1 2", "1 0", "1 0", "1 0"};
  const std::vector<Case> cases = {
      {"all after the meteo",
       meteo3,
       {"1 1.0", "9 1"},
       "Geen grondwaterstandsmetingen bij deze buis!"},
      {"none at all", meteo3, {"0 1.0"}, "Geen grondwaterstandsmetingen bij deze buis!"},
      {"too many days",
       {formatInt(MAXDAT + 1) + " 2 1.0 1 2"},
       {"1 1.0", "1 1"},
       "Program stopped! increase MAXDAT"},
      {"too many columns", {"3 21 1.0 1 2"}, {"1 1.0", "1 1"}, ""},
      {"column beyond K", {"3 2 1.0 1 3"}, {"1 1.0", "1 1"}, ""},
      {"meteo ends early", {"3 2 1.0 1 2", "1 0", "1 0"}, {"1 1.0", "1 1"}, ""},
      {"measurements end early", meteo3, {"3 1.0", "1 1", "2 2"}, ""},
      {"not a number", meteo3, {"1 1.0", "1 x1"}, "t.01:2: expected a number, got \"x1\""},
  };
  for (const Case& k : cases) {
    EngineCase c;
    writeLines(c.dir.file("t.met"), k.meteo);
    writeLines(c.dir.file("t.01"), k.measurements);
    EXPECT_FALSE(c.run()) << k.what;
    if (!k.message.empty()) {
      // The message ends the text; a path may stand before it.
      const std::string& m = c.engine.message();
      EXPECT_EQ(m.substr(m.size() - std::min(m.size(), k.message.size())), k.message) << k.what;
    } else {
      EXPECT_FALSE(c.engine.message().empty()) << k.what;
    }
    EXPECT_FALSE(fileExists(c.dir.file("t.w01.ok"))) << k.what;
    EXPECT_FALSE(fileExists(c.dir.file("t.w01"))) << k.what;
    EXPECT_FALSE(fileExists(c.dir.file("t.a01"))) << k.what;
    EXPECT_EQ(c.screen.gereedCaption(), "Gestopt met foutmelding") << k.what;
    EXPECT_TRUE(c.screen.gereedVisible());
  }
  EngineCase early;
  writeLines(early.dir.file("t.met"), {"3 2 1.0 1 2", "1 0", "1 0"});
  writeLines(early.dir.file("t.01"), {"1 1.0", "1 1"});
  early.run();
  EXPECT_NE(early.engine.message().find("t.met:4: the file ends after 2 of the 3 lines"),
            std::string::npos)
      << early.engine.message();
  // A missing measurement file is an I/O error naming it.
  EngineCase missing;
  writeLines(missing.dir.file("t.met"), meteo3);
  EXPECT_FALSE(missing.run());
  EXPECT_NE(missing.engine.message().find("t.01: bestand niet te openen"), std::string::npos);
}

TEST(EngineFiles, InitialValuesAreCorrectedIntoTheirBounds) {
  Parameters p = {0.5, 3, 0, 1.2, -20000, -3};
  EngineScreen screen;
  correctInitialValues(p, screen);
  EXPECT_EQ(p, (Parameters{0.5, 3, 0, 0.99, -9999.99, 0.01}));
  EXPECT_EQ(std::vector<std::string>(screen.runtime().begin(), screen.runtime().end()),
            (std::vector<std::string>{
                " incorrect value of par nr 4:      1.20000",
                "upper boundary par0 corrected:      0.99000",
                " incorrect value of par nr 5: -20000.00000",
                "lower boundary par0 corrected:  -9999.99000",
                " incorrect value of par nr 6:     -3.00000",
                "lower boundary par0 corrected:      0.01000",
            }));
}

}  // namespace
}  // namespace phreatix
