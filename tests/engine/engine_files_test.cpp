#include "engine/engine_files.h"

#include <gtest/gtest.h>

#include "engine/responses.h"
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

// Line 12 names the response; a missing or blank line is the exponential,
// a name the program does not know ends the run naming the line.
TEST(EngineFiles, TheTwelfthLineNamesTheResponse) {
  const std::vector<double> surplus(5, 1.0);
  std::vector<std::string> traces[3];
  const std::vector<std::string> afters[3] = {{}, {"  exponential  "}, {"", "gamma"}};
  for (int i = 0; i < 3; ++i) {
    EngineCase c;
    c.write(surplus, {{2, 1}, {4, 3}});
    c.par.line5 = "1 0 0 0 0";
    c.par.after = afters[i];
    ASSERT_TRUE(c.run()) << i << ": " << c.engine.message();
    traces[i] = c.lines("t.w01");
  }
  EXPECT_EQ(traces[1], traces[0]);
  EXPECT_EQ(traces[2], traces[0]);  // line 12 blank; what follows is not read

  EngineCase unknown;
  unknown.write(surplus, {{2, 1}, {4, 3}});
  unknown.par.after = {"gamma"};
  EXPECT_FALSE(unknown.run());
  EXPECT_NE(unknown.engine.message().find("zeftal0.par:12: no response is called \"gamma\""),
            std::string::npos)
      << unknown.engine.message();
  EXPECT_FALSE(fileExists(unknown.dir.file("t.w01")));
}

TEST(EngineFiles, InitialValuesAreCorrectedIntoTheirBounds) {
  Parameters p = {0.5, 3, 0, 1.2, -20000, -3};
  EngineScreen screen;
  correctInitialValues(p, parameterTable(ResponseKind::kExponential), screen);
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

namespace phreatix {
namespace {

// The readers the engine shares with the results' fit, over a file's text.
TEST(EngineFiles, MeteoAndMeasurementTextReadAsTheEngineReadsThem) {
  const std::string meteo = "3 5 0.5 4 5 extra words\n1 1 2000 8 2\n2 1 2000 0 1\n\n3 1 2000 4 4\n";
  std::vector<double> surplus;
  std::vector<std::size_t> lineOfDay;
  bool judged = false;
  const MeteoHead head = readMeteoText(
      "T.met", meteo, [&](const MeteoHead& h) { judged = h.days == 3; }, surplus,
      [&](int m, const double* values, std::size_t lineIndex) {
        EXPECT_EQ(values[0], m);  // the day of January
        lineOfDay.push_back(lineIndex);
      });
  EXPECT_TRUE(judged);
  EXPECT_EQ(head.columns, 5);
  EXPECT_EQ(head.scale, 0.5);
  // f*value[p] - f*value[e]; a blank line between day lines is passed over.
  EXPECT_EQ(surplus, (std::vector<double>{0, 3, -0.5, 0}));
  EXPECT_EQ(lineOfDay, (std::vector<std::size_t>{1, 2, 4}));
  // The judge refuses before any day is read.
  EXPECT_THROW(readMeteoText(
                   "T.met", meteo, [](const MeteoHead&) { throw Error(ErrorKind::kIndex, "no"); },
                   surplus, [](int, const double*, std::size_t) { FAIL(); }),
               Error);
  for (const std::string& bad :
       {std::string("3 5 0.5 4\n"), std::string("2 3 1 2 3\n1 1 2000\n")}) {
    try {
      readMeteoText(
          "T.met", bad, [](const MeteoHead&) {}, surplus);
      ADD_FAILURE() << bad;
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::kRead);
      EXPECT_EQ(std::string(e.what()).rfind("T.met:", 0), 0u) << e.what();
    }
  }

  std::vector<Measurement> kept;
  // Kept while the time, rounded half to even, lies within the 3 meteo days.
  EXPECT_EQ(readMeasurementText("T.01", "4 2\n1 -7\n2.5 -8\n3.5 -9\n3 -6\n", 3, kept), 4);
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_EQ(kept[1].time, 2.5);
  EXPECT_EQ(kept[1].level, -16);
  EXPECT_EQ(kept[2].time, 3);
  try {
    readMeasurementText("T.01", "3 1\n1 -7\n2 x\n", 3, kept);
    ADD_FAILURE() << "a word for a level";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "T.01:3: expected a number, got \"x\"");
  }
}

}  // namespace
}  // namespace phreatix
