#include "session/pipeline.h"

#include <gtest/gtest.h>

#include "input/tube_file.h"
#include "platform/files.h"
#include "preprocessor/dino_export.h"
#include "support/doubles.h"
#include "support/engine_screen.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

using SilentBox = test::RecordingBox;

// A session in a fresh working directory with the built-in day numbering
// and an OLGA file (the internal layout with two-digit years) opened.
struct PipelineCase {
  test::TempDir dir;
  Session session{dir.path()};
  CouplingOverview overview;
  EngineScreen engineView;
  Engine engine{engineView, session.messages()};
  Postprocessor& post = postprocessor();
  PostView postView;
  ProgressView main;
  SilentBox box;
  PipelineObserver observer;
  std::string dataFile;

  static Postprocessor& postprocessor() {
    static Postprocessor p;
    return p;
  }
  explicit PipelineCase(const std::vector<std::string>& records) {
    std::vector<std::string> lines = {"FMNT0034MV  test          01-01-2000"};
    lines.insert(lines.end(), records.begin(), records.end());
    open("data.dat", lines, builtinDayNumberLines());
  }
  // A DINO export (four-digit years) opened with the kron.txt given.
  PipelineCase(const std::vector<std::string>& exportLines, const std::vector<std::string>& kron) {
    open("data.csv", exportLines, kron);
  }
  void open(const std::string& name, const std::vector<std::string>& lines,
            const std::vector<std::string>& kron) {
    writeLines(dir.file("kron.txt"), kron);
    session.activate();
    dataFile = dir.file(name);
    writeLines(dataFile, lines);
    EXPECT_TRUE(session.openDataFile(dataFile, main, box));
  }
  Pipeline pipeline() {
    return Pipeline(session, overview, dataFile, engine, post,
                    WorkflowPorts{main, box, engineView, postView, observer});
  }
  std::vector<std::string> lines(const std::string& name) const {
    return readLines(dir.file(name));
  }
  void writeMeteo(const std::string& name, int fromYear, int toYear,
                  const std::vector<std::array<int, 3>>& skip = {}, int fromMonth = 1) {
    std::vector<std::string> days;
    for (int y = fromYear; y <= toYear; ++y) {
      for (int m = y == fromYear ? fromMonth : 1; m <= 12; ++m) {
        for (int d = 1; d <= daysInMonth(m, y); ++d) {
          if (std::find(skip.begin(), skip.end(), std::array<int, 3>{d, m, y}) != skip.end())
            continue;
          days.push_back(formatInt(d) + " " + formatInt(m) + " " + formatInt(y) + " 12 4");
        }
      }
    }
    days.insert(days.begin(), formatInt(static_cast<long long>(days.size())) + " 5 0.01 4 5");
    writeLines(dir.file(name), days);
  }
};

std::string tube(const std::string& code, const std::string& filter) {
  return tubeRecord(code, filter);
}

TEST(CalibrationInputs, MeasurementFileInfoTextAndParameterFile) {
  // Out of order: 1 April, 15 April, 8 April 1995; one missing; signs.
  PipelineCase c({tube("28AL0005", "01"), "S9504019999+00120", "S9504159999-00007",
                  "S9504089999+99999", "S9504089999+00030", tube("28AL0006", "01"),
                  "S9601019999+00050"});
  c.overview.rows = {{"28AL0005 +01", "C:\\meteo\\west.prn"}, {"28AL0006 +01", ""}};
  c.writeMeteo("west.prn", 1994, 1996);
  c.session.stageFlags().ds = true;
  c.pipeline().writeCalibrationInputs();

  // Relative days 1, 8, 15 in day order; levels positive upward.
  EXPECT_EQ(c.lines("28AL0005.01"),
            (std::vector<std::string>{"   3  1", "    1 -120", "    8  -30", "   15    7"}));
  // The last tube's head carries its count without alignment.
  EXPECT_EQ(c.lines("28AL0006.01"), (std::vector<std::string>{"1  1", "    1  -50"}));
  EXPECT_EQ(c.lines("28AL0005.p01"),
            (std::vector<std::string>{"28AL0005.01", "28AL0005.met", "28AL0005.w01", "28AL0005.a01",
                                      "0 -79359 1 9 1990", "0.97 3.00 0. 0.97 -47.67 100.00",
                                      "1 1 0 1 1 1", "-47.67", "0.", "1.   15 0.0001", "731"}));
  // S.met from 1 to 15 April 1995, with the count before the head's rest.
  std::vector<std::string> met = c.lines("28AL0005.met");
  ASSERT_EQ(met.size(), 16u);
  EXPECT_EQ(met[0], "15  5 0.01 4 5");
  EXPECT_EQ(met[1], " 1  4 1995  12 4");
  EXPECT_EQ(met[15], "15  4 1995  12 4");
  EXPECT_FALSE(fileExists(c.dir.file("tempmeteo.txt")));
  EXPECT_FALSE(fileExists(c.dir.file("28AL0006.met")));  // no meteo coupled

  // The placeholder tube of the first flush.
  EXPECT_EQ(c.lines("00AAA0000.00"), (std::vector<std::string>{"   1  1"}));
  EXPECT_TRUE(fileExists(c.dir.file("00AAA0000.LOG")));
  EXPECT_TRUE(fileExists(c.dir.file("00AAA0000.p00")));

  std::vector<std::string> info = c.lines("28AL0005.LOG");
  ASSERT_EQ(info.size(), 57u);
  EXPECT_EQ(info[3], "   a. 28AL0005.01 = bestand met gemeten grondwaterstanden");
  EXPECT_EQ(info[30], "       na hercalibratie, dus obv 28AL0005.d01");
  EXPECT_EQ(info[34], "   b.  28AL0005.sim = bestand met meteodata simulatieperiode");
  EXPECT_EQ(info[56], "   c. 28AL0005.upt = iteratie ZEFTAL.");
  EXPECT_EQ(c.lines("28AL0006.LOG")[56], "   c. 28AL0006.upt = iteratie ZEFTAL");

  // The d stage writes S.qFF with its own flags and files.
  c.session.stageFlags().ds = false;
  c.session.stageFlags().d = true;
  c.pipeline().writeCalibrationInputs();
  std::vector<std::string> q = c.lines("28AL0005.q01");
  EXPECT_EQ(q[2], "28AL0005.x01");
  EXPECT_EQ(q[6], "1 1 0 0 1 0");
}

TEST(CalibrationInputs, FiltersOfOneLocationShareDayOne) {
  // Filter 02 starts a month before filter 01: both count from 1 March.
  PipelineCase c({tube("28AL0005", "01"), "S9504019999+00120", "S9504159999+00110",
                  tube("28AL0005", "02"), "S9503019999+00200", "S9505019999+00210"});
  c.overview.rows = {{"28AL0005 +01 (ingreep!)", "west.prn"}};
  c.writeMeteo("west.prn", 1995, 1995);
  c.session.stageFlags().ds = true;
  c.pipeline().writeCalibrationInputs();
  EXPECT_EQ(c.lines("28AL0005.01")[1], "   32 -120");
  EXPECT_EQ(c.lines("28AL0005.02")[1], "    1 -200");
  EXPECT_EQ(c.lines("28AL0005.met")[0].substr(0, 3), "62 ");  // 1 March .. 1 May
  EXPECT_EQ(c.lines("28AL0005.p01")[9], "1.   62 0.0001");
}

std::size_t countOf(const std::vector<std::string>& log, const std::string& line) {
  return static_cast<std::size_t>(std::count(log.begin(), log.end(), line));
}

TEST(CalibrationInputs, ReadingsLeftOutAreToldOnceWithCountAndPeriod) {
  // 28AL0005: 1940 lies before the calendar; 1994 and 1996 outside its
  // meteo file (1995). 28AL0006: a kron.txt without 8 April 1995 leaves
  // that reading out; the tube keeps the others.
  PipelineCase c({tube("28AL0005", "01"), "S4004019999+00120", "S9404019999+00130",
                  "S9504019999+00120", "S9505019999+00125", "S9601019999+00140",
                  "S9602019999+00150", tube("28AL0006", "01"), "S9504089999+00050",
                  "S9504159999+00060"});
  c.overview.rows = {{"28AL0005 +01", "west.prn"}, {"28AL0006 +01", "oost.prn"}};
  c.writeMeteo("west.prn", 1995, 1995);
  c.writeMeteo("oost.prn", 1995, 1995);
  c.session.dayNumbers().store(8, 4, 1995, 0);
  // Both the ds and the d stage write the inputs; the lines come once.
  c.session.stageFlags().ds = true;
  c.pipeline().writeCalibrationInputs();
  c.session.stageFlags().ds = false;
  c.session.stageFlags().d = true;
  c.pipeline().writeCalibrationInputs();

  EXPECT_EQ(c.lines("28AL0005.01"),
            (std::vector<std::string>{"   2  1", "    1 -120", "   31 -125"}));
  // The last tube's count is written without alignment.
  EXPECT_EQ(c.lines("28AL0006.01"), (std::vector<std::string>{"1  1", "    1  -60"}));
  EXPECT_TRUE(fileExists(c.dir.file("28AL0006.p01")));
  const std::vector<std::string>& log = c.session.messages().log();
  EXPECT_EQ(countOf(log,
                    "Buis 28AL0005 +01: 1 meting(en) van buiten 1948..2047 weggelaten "
                    "(1-4-1940 t/m 1-4-1940)."),
            1u);
  EXPECT_EQ(countOf(log,
                    "Buis 28AL0005 +01: 3 meting(en) buiten de periode van meteobestand "
                    "west.prn (1-1-1995 t/m 31-12-1995) weggelaten (1-4-1994 t/m 1-2-1996)."),
            1u);
  EXPECT_EQ(countOf(log,
                    "Buis 28AL0006 +01: 1 meting(en) met een datum die kron.txt niet kent "
                    "weggelaten (8-4-1995 t/m 8-4-1995)."),
            1u);
}

// Readings of today reach the calibration; a kron.txt of before 2021 is
// named once at open and once at the start, and a simulation period beyond
// it is refused before anything is calibrated.
TEST(CalibrationInputs, ReadingsOfTodayAndAnOldKron) {
  std::vector<std::string> lines = test::dinoHeader();
  lines.push_back(test::metaRow("28AL0005"));
  lines.push_back("");
  lines.push_back(test::kMeasurementTitle);
  for (int year = 2019; year <= 2026; ++year)
    lines.push_back(test::measRow("28AL0005", year, 6, 14, 80));

  PipelineCase today(lines, builtinDayNumberLines());
  today.overview.rows = {{"28AL0005 +01", "west.prn"}};
  today.writeMeteo("west.prn", 2010, 2026);
  today.session.stageFlags().ds = true;
  today.pipeline().writeCalibrationInputs();
  const std::vector<std::string> measured = today.lines("28AL0005.01");
  ASSERT_EQ(measured.size(), 9u);
  const DayNumberTable& table = today.session.dayNumbers();
  EXPECT_EQ(measured.back(),
            formatInt(table.lookup(14, 6, 2026) - table.lookup(14, 6, 2019) + 1, 5) + "  -80");
  for (const std::string& line : today.session.messages().log())
    EXPECT_EQ(line.find("weggelaten"), std::string::npos) << line;

  std::vector<std::string> oldKron = builtinDayNumberLines();
  oldKron.resize(26664);  // to 31-12-20
  PipelineCase old(lines, oldKron);
  const std::string note =
      "kron.txt kent de dagen t/m 31-12-2020: 6 meting(en) van 14-6-2021 t/m 14-6-2026 kunnen "
      "niet worden gebruikt. Maak een nieuwe kron.txt met \"phreatix-cli kron --force\".";
  EXPECT_EQ(countOf(old.session.messages().log(), note), 1u);

  old.overview.rows = {{"28AL0005 +01", "west.prn"}};
  old.writeMeteo("west.prn", 1960, 2026);
  old.session.settings().startYear = 1995;
  old.session.settings().numberOfYears = 30;
  const std::size_t shownBefore = old.box.shown.size();
  EXPECT_FALSE(old.pipeline().start());
  ASSERT_EQ(old.box.shown.size(), shownBefore + 1);
  EXPECT_EQ(old.box.shown.back(),
            "kron.txt kent de dagen t/m 31-12-2020; de simulatieperiode 1995 t/m 2024 valt "
            "daarbuiten. De berekening is niet gestart. Maak een nieuwe kron.txt met "
            "\"phreatix-cli kron --force\".");
  EXPECT_FALSE(fileExists(old.dir.file("28AL0005.p01")));
  EXPECT_EQ(countOf(old.session.messages().log(), note), 1u);

  // A period inside it starts, says so once more, and leaves the readings
  // after 2020 out with their own line.
  old.session.settings().numberOfYears = 20;
  old.session.stageFlags().ds = true;
  old.pipeline().writeCalibrationInputs();
  EXPECT_EQ(old.lines("28AL0005.01").size(), 3u);
  EXPECT_EQ(countOf(old.session.messages().log(),
                    "Buis 28AL0005 +01: 6 meting(en) met een datum die kron.txt niet kent "
                    "weggelaten (14-6-2021 t/m 14-6-2026)."),
            1u);
}

TEST(VertexFiles, BestVertexAndColumnMaps) {
  test::TempDir dir;
  dir.write("x.b01",
            " number of iterations: 12\n"
            "  0.9 2.0 -80 0 0.97 100 900.5\n"
            "  0.8 2.5 -70 0 0.97 100 899.5\n"
            "  0.7 2.5 -60 0 0.97 100 899.5\n"
            "  1.0 1.0 1.0\n");
  VertexFile b = readVertexFile(dir.file("x.b01"), kColumnsB);
  ASSERT_EQ(b.vertices.size(), 3u);  // the ME line is not a vertex
  std::optional<Vertex> best = bestVertex(b);
  ASSERT_TRUE(best);
  EXPECT_EQ(best->p, (Parameters{0.8, 2.5, 0, 0.97, -70, 100}));  // the first of the tie
  EXPECT_EQ(readVertexFile(dir.file("x.b01"), kColumnsC).vertices[0].p,
            (Parameters{-80, 0, 0.97, 0.9, 100, 2.0}));
  EXPECT_EQ(readVertexFile(dir.file("x.b01"), kColumnsAD).vertices[0].p,
            (Parameters{0.9, 2.0, 100, -80, 0, 0.97}));
  dir.write("y.a01", " number of iterations: 1\n 1 2 3 4 5 6 999999\n 1 1 1\n");
  EXPECT_FALSE(bestVertex(readVertexFile(dir.file("y.a01"), kColumnsAD)));
  dir.write("z.a01", " number of iterations: 1\n 1 2 3\n");
  EXPECT_THROW(readVertexFile(dir.file("z.a01"), kColumnsAD), Error);
  EXPECT_EQ(valuesLine("28AL0005", "1s", {0.95, 2.5, 0, 0.97, -120.5, 9.25}),
            "28AL0005 1s 0.9500000 2.5000000 0. 0.9700000 -120.50000    9.25000");
}

// Vertex files as the ds and d+s calibrations write them: columns delta,
// omega0, phi, c, sigma2, omega1, objective.
std::string vertexFile(const std::vector<std::string>& vertices) {
  std::string text = " number of iterations: 40\n";
  for (const std::string& v : vertices) text += v + "\n";
  return text + "    0.100000    2.000000    1.500000\n";
}

struct SelectionCase : PipelineCase {
  SelectionCase()
      : PipelineCase({tube("28AL0005", "01"), "S8504019999+00120", "S8504159999+00110"}) {
    overview.rows = {{"28AL0005 +01", "west.prn"}};
    writeMeteo("west.prn", 1960, 2000);
    session.stageFlags().ds = true;
    pipeline().writeCalibrationInputs();
    session.settings().startYear = 1969;
    session.settings().numberOfYears = 30;
  }
};

TEST(ModelSelection, TiesKeepTheOneStepModelAndTheBoundsDiffer) {
  SelectionCase c;
  c.dir.write("28AL0005.a01", vertexFile({"0.95 2.5 0.97 -120 9 0 812.3"}));
  c.dir.write("28AL0005.d01", vertexFile({"0.96 2.6 0.98 -121 8 0 812.3"}));
  c.pipeline().selectModels();
  const std::string chosen = "28AL0005 1s 0.9500000 2.5000000 0. 0.9700000 -120.00000    9.00000";
  EXPECT_EQ(c.lines("modsel.zft"), (std::vector<std::string>{chosen}));
  EXPECT_TRUE(c.lines("foutbuis.zft").empty());
  EXPECT_EQ(c.lines("28AL0005.sel"), (std::vector<std::string>{chosen}));
  EXPECT_EQ(c.lines("28AL0005.err"),
            (std::vector<std::string>{
                "Deze buis is succesvol gecalibreerd. Resultaten in 28AL0005.sel"}));

  // With the settings' ds bounds still 0 a weak ds vertex is plausible; the
  // same vertex in S.d01 fails the fixed bounds (delta > 0.90, ...).
  c.dir.write("28AL0005.a01", vertexFile({"0.5 0.3 0.1 -150 9 0 700"}));
  c.dir.write("28AL0005.d01", vertexFile({"0.5 0.3 0.1 -150 9 0 600"}));
  c.pipeline().selectModels();
  EXPECT_EQ(c.lines("modsel.zft")[0].substr(9, 2), "1s");
  // Raised ds bounds: no plausible vertex at all.
  c.session.settings().DELTAMIN = 0.90;
  c.pipeline().selectModels();
  EXPECT_TRUE(c.lines("modsel.zft").empty());
  const std::string failed = "28AL0005 ft 0.5000000 0.3000000 0. 0.1000000 -150.00000    9.00000";
  EXPECT_EQ(c.lines("foutbuis.zft"), (std::vector<std::string>{failed}));
  EXPECT_EQ(c.lines("28AL0005.err"),
            (std::vector<std::string>{"Deze buis is niet succesvol gecalibreerd.",
                                      " Laatste calibratieresultaten:", failed}));
  // ... and no stale simulation input of the earlier selection stays.
  EXPECT_FALSE(fileExists(c.dir.file("28AL0005.t01")));
  EXPECT_FALSE(fileExists(c.dir.file("28AL0005.inp")));

  // A d+s vertex wins with a strictly smaller objective.
  c.dir.write("28AL0005.a01", vertexFile({"0.95 2.5 0.97 -120 9 0 812.3"}));
  c.dir.write("28AL0005.d01", vertexFile({"0.96 2.6 0.98 -121 8 0 812.2"}));
  c.pipeline().selectModels();
  EXPECT_EQ(c.lines("modsel.zft")[0].substr(9, 2), "2s");
}

TEST(Preparations, StochasticAndRecalibrationFilesFromTheBestVertex) {
  SelectionCase c;
  c.session.stageFlags().ds = false;
  c.session.stageFlags().d = true;
  c.pipeline().writeCalibrationInputs();  // 28AL0005.q01, the template
  // S.b01 columns delta, omega0, c, omega1, phi, sigma2; S.c01 phi, sigma2,
  // delta, omega0, omega1, c.
  c.dir.write("28AL0005.b01",
              vertexFile({"0.95 2.5 -120.25 0 0.97 100 812.3", "0.94 2.4 -119 0 0.97 100 812.4"}));
  c.dir.write("28AL0005.c01", vertexFile({"0.975 8.5 0.95 2.5 0 -120.25 700.1"}));
  c.dir.write("28AL0006.b01", vertexFile({"0.95 2.5 -120 0 0.97 100 999999"}));
  c.dir.write("28AL0006.r01", "stale\n");
  c.dir.write("28AL0007.b01", "only one line\n");
  c.pipeline().prepareStochastic();
  c.pipeline().prepareRecalibration();
  std::vector<std::string> r = c.lines("28AL0005.r01");
  ASSERT_EQ(r.size(), 11u);
  EXPECT_EQ(r[2], "28AL0005.y01");
  EXPECT_EQ(r[3], "28AL0005.c01");
  EXPECT_EQ(r[5], "0.9500000 2.5000000 0. 0.9700000 -120.25000 20.0");
  EXPECT_EQ(r[6], "0 0 0 1 0 1");
  EXPECT_EQ(r[7], "-120.25000");
  EXPECT_EQ(r[9], c.lines("28AL0005.q01")[9]);  // the rest as in the template
  std::vector<std::string> s = c.lines("28AL0005.s01");
  EXPECT_EQ(s[2], "28AL0005.z01");
  EXPECT_EQ(s[3], "28AL0005.d01");
  EXPECT_EQ(s[5], "0.9500000 2.5000000 0. 0.9750000 -120.25000    8.50000");
  EXPECT_EQ(s[6], "1 1 0 1 1 1");
  // No objective below 999999: no new file and no stale one; an unreadable
  // vertex file is reported.
  EXPECT_FALSE(fileExists(c.dir.file("28AL0006.r01")));
  const std::vector<std::string>& log = c.session.messages().log();
  EXPECT_NE(std::find(log.begin(), log.end(), "Bestand 28AL0007.b01 is leeg!"), log.end());
}

TEST(Pipeline, RefusesToStartWithoutASimulatedYear) {
  SelectionCase c;
  c.session.settings().numberOfYears = 0;
  EXPECT_FALSE(c.pipeline().start());
  ASSERT_EQ(c.box.shown.size(), 1u);
  EXPECT_NE(c.box.shown[0].find("Bevestig eerst de detailinstellingen"), std::string::npos);
  EXPECT_FALSE(fileExists(c.dir.file("modsel.zft")));
}

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
  // series, no simulation, and the file and its last day named.
  c.writeMeteo("west.prn", 1960, 1990);
  c.pipeline().selectModels();
  EXPECT_FALSE(fileExists(c.dir.file("28AL0005.t01")));
  {
    const std::vector<std::string>& log = c.session.messages().log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2],
              "Buis 28AL0005: het meteobestand west.prn eindigt op 31-12-1990, voor 31-12-1998; "
              "geen simulatie.");
  }

  // A gap of two days in March 1980, after the start of the warm-up, moves
  // the start past 1 January 1970: the tube gets no simulation inputs.
  c.writeMeteo("west.prn", 1960, 2000, {{10, 3, 1980}, {11, 3, 1980}});
  c.session.settings().startYear = 1970;
  c.session.settings().numberOfYears = 29;
  c.pipeline().selectModels();
  EXPECT_FALSE(fileExists(c.dir.file("28AL0005.t01")));
  EXPECT_TRUE(c.lines("modsel.zft").empty());
  const std::vector<std::string>& log = c.session.messages().log();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2],
            "Buis 28AL0005: het meteobestand west.prn heeft een gat tot 12-3-1980, na 1-1-1970; "
            "geen simulatie.");
  EXPECT_EQ(log.back(), "Bestand 28AL0005.01 is leeg!");
}

}  // namespace
}  // namespace phreatix
