// The calibration inputs of the ds and d stages, written from the records of
// an opened data set.
#include "pipeline/calibration_inputs.h"

#include <gtest/gtest.h>

#include "pipeline/pipeline_case.h"
#include "preprocessor/dino_export.h"

namespace phreatix::test {
namespace {

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

// A cluster task before the study's last: its last tube is written as any
// other, so that its files equal those of the run over the whole study.
TEST(CalibrationInputs, ATaskBeforeTheStudysLastWritesItsLastTubeAsAnyOther) {
  PipelineCase c(
      {tube("28AL0005", "01"), "S9504019999+00120", tube("28AL0006", "01"), "S9601019999+00050"});
  c.overview.rows = {{"28AL0005 +01", "west.prn"}, {"28AL0006 +01", "west.prn"}};
  c.writeMeteo("west.prn", 1994, 1996);
  c.session.settings().moreTubesFollow = true;
  c.session.stageFlags().ds = true;
  c.pipeline().writeCalibrationInputs();
  EXPECT_EQ(c.lines("28AL0006.01"), (std::vector<std::string>{"   1  1", "    1  -50"}));
  EXPECT_EQ(c.lines("28AL0006.LOG")[56], "   c. 28AL0006.upt = iteratie ZEFTAL.");
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

TEST(CalibrationInputs, AWindowsMeteoFileAndATubeWithoutReadings) {
  PipelineCase c({tube("28AL0005", "01"), "S9504019999+00120", "S9504039999+00110",
                  tube("28AL0006", "01"), "S9504019999+99999"});
  c.overview.rows = {{"28AL0005 +01", "west.prn"}, {"28AL0006 +01", "west.prn"}};
  // CR LF line ends, one day line with a stray second CR.
  c.dir.write("west.prn",
              "4 5 0.01 4 5\r\n31 3 1995 1 2\r\n1 4 1995 12 4\r\n2 4 1995 13 5\r\r\n"
              "3 4 1995 14 6\r\n");
  c.session.stageFlags().ds = true;
  c.pipeline().writeCalibrationInputs();
  EXPECT_EQ(c.dir.read("28AL0005.met"),
            "3  5 0.01 4 5\n 1  4 1995  12 4\n 2  4 1995  13 5\n 3  4 1995  14 6\n");
  // Only a missing reading: no S.met, and the span counts from the sentinel
  // first day (the engine stops on the empty measurement file first).
  EXPECT_EQ(c.lines("28AL0006.01"), (std::vector<std::string>{"0  1"}));
  EXPECT_EQ(c.lines("28AL0006.p01")[9], "1. -99999 0.0001");
  EXPECT_FALSE(fileExists(c.dir.file("28AL0006.met")));
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

// A tube whose readings all lie before its meteo file begins is not
// calibrated: one line names the meteo file and its period, S.nFF holds the
// reason, and nothing of an earlier run stays for a later stage to take.
// The S.met of a location stays while another filter of it is calibrated,
// and once the meteo file covers the readings the tube is calibrated again.
TEST(CalibrationInputs, ATubeWithoutAReadingInItsMeteoPeriodIsNotCalibrated) {
  PipelineCase c({tube("28AL0005", "01"), "S8504019999+00120", "S8505019999+00125",
                  tube("28AL0005", "02"), "S9504019999+00200", tube("28AL0006", "01"),
                  "S8504019999+00050", tube("28AL0007", "01"), "S9504019999+00080",
                  tube("28AL0007", "02"), "S8504019999+00090"});
  c.overview.rows = {
      {"28AL0005 +01", "west.prn"}, {"28AL0006 +01", "west.prn"}, {"28AL0007 +01", "west.prn"}};
  c.writeMeteo("west.prn", 1990, 1995);
  for (const char* ext :
       {".01", ".met", ".LOG", ".p01", ".q01", ".r01", ".a01", ".d01", ".t01", ".std", ".inp"}) {
    c.dir.write(std::string("28AL0006") + ext, "van een eerdere run\n");
  }
  c.session.stageFlags().ds = true;
  c.pipeline().writeCalibrationInputs();
  c.session.stageFlags().ds = false;
  c.session.stageFlags().d = true;
  c.pipeline().writeCalibrationInputs();

  const std::string why =
      "geen meting binnen de periode van het meteobestand west.prn "
      "(1-1-1990 t/m 31-12-1995)";
  const std::vector<std::string>& log = c.log();
  EXPECT_EQ(countOf(log, "Buis 28AL0005: " + why + "; niet gecalibreerd."), 1u);
  EXPECT_EQ(countOf(log, "Buis 28AL0006: " + why + "; niet gecalibreerd."), 1u);
  EXPECT_EQ(countOf(log, "Buis 28AL0007 filter 02: " + why + "; niet gecalibreerd."), 1u);
  for (const std::string& line : log) EXPECT_EQ(line.find("weggelaten"), std::string::npos);
  EXPECT_EQ(c.lines("28AL0005.n01"), (std::vector<std::string>{why}));
  EXPECT_EQ(c.lines("28AL0006.n01"), (std::vector<std::string>{why}));
  EXPECT_EQ(c.lines("28AL0007.n02"), (std::vector<std::string>{why}));
  for (const char* name : {"28AL0005.01", "28AL0005.p01", "28AL0005.q01", "28AL0007.02",
                           "28AL0007.p02", "28AL0007.q02", "28AL0005.n02", "28AL0007.n01"}) {
    EXPECT_FALSE(fileExists(c.dir.file(name))) << name;
  }
  for (const char* ext :
       {".01", ".met", ".LOG", ".p01", ".q01", ".r01", ".a01", ".d01", ".t01", ".std", ".inp"}) {
    EXPECT_FALSE(fileExists(c.dir.file(std::string("28AL0006") + ext))) << ext;
  }
  // The other filter of each location is calibrated, with the location's
  // S.met.
  for (const char* name : {"28AL0005.02", "28AL0005.q02", "28AL0005.met", "28AL0005.LOG",
                           "28AL0007.01", "28AL0007.q01", "28AL0007.met"}) {
    EXPECT_TRUE(fileExists(c.dir.file(name))) << name;
  }

  c.writeMeteo("west.prn", 1980, 1995);
  c.pipeline().writeCalibrationInputs();
  EXPECT_FALSE(fileExists(c.dir.file("28AL0006.n01")));
  EXPECT_EQ(c.lines("28AL0006.01").size(), 2u);
  EXPECT_TRUE(fileExists(c.dir.file("28AL0006.q01")));
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

}  // namespace
}  // namespace phreatix::test
