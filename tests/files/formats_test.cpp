// Each reader of files/ against its writer: what the writer puts down reads
// back as it went in, a line written by hand after the documented layout
// reads as it says, and a bad line is refused naming the file and the line.
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "coupling/meteo_day.h"
#include "engine/engine_files.h"
#include "error.h"
#include "files/characteristics.h"
#include "files/locations.h"
#include "files/measurement_lines.h"
#include "files/meteo_days.h"
#include "files/parameter_lines.h"
#include "files/trace_file.h"
#include "files/values_lines.h"
#include "files/vertex_file.h"
#include "platform/files.h"
#include "support/temp_dir.h"
#include "text/fixed_writer.h"
#include "text/number_text.h"

namespace phreatix::test {
namespace {

// The text of the error `read` raises; "" when it raises none.
template <typename Read>
std::string refusal(Read read, ErrorKind kind = ErrorKind::kRead) {
  try {
    read();
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), kind) << e.what();
    return e.what();
  }
  return "";
}

TEST(FilesValuesLines, WrittenLinesReadBackAndBadLinesAreRefused) {
  const Parameters chosen = {0.95, 2.5, 0, 0.97, -120.5, 9.25};
  const Parameters none = {0.5, 0.25, 0, 0.3, 12.75, 0};
  const std::string line = valuesLine("28AL0005", "1s", chosen);
  EXPECT_EQ(line, "28AL0005 1s 0.9500000 2.5000000 0. 0.9700000 -120.50000    9.25000");
  // A short stem stands right-aligned in 8; blank lines are passed over.
  const std::string text = line + "\n\n" + valuesLine("B12", "ft", none) + "\n";
  const std::vector<ValuesLine> lines = readValuesLines(kModselName, text);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].stem, "28AL0005");
  EXPECT_EQ(lines[0].label, "1s");
  EXPECT_EQ(lines[0].p, chosen);
  EXPECT_EQ(lines[1].stem, "B12");
  EXPECT_EQ(lines[1].label, "ft");
  EXPECT_EQ(lines[1].p, none);
  // By hand, as foutbuis.zft holds them.
  const std::vector<ValuesLine> typed =
      readValuesLines(kFoutbuisName, "     B07 2s 0.8 1.5 0. 0.6 -40 3.5\n");
  ASSERT_EQ(typed.size(), 1u);
  EXPECT_EQ(typed[0].stem, "B07");
  EXPECT_EQ(typed[0].p, (Parameters{0.8, 1.5, 0, 0.6, -40, 3.5}));

  EXPECT_EQ(refusal([&] { readValuesLines("m.zft", line + "\n28AL0006 1s 0.9 2.5 0. 0.97\n"); }),
            "m.zft:2: geen stam, label en zes waarden: \"28AL0006 1s 0.9 2.5 0. 0.97\"");
  EXPECT_EQ(refusal([&] { readValuesLines("m.zft", line + "\n28AL0006 1s 0.9 x 0. 0.97 -1 1\n"); }),
            "m.zft:2: expected a number, got \"x\"");
  EXPECT_EQ(refusal([&] { readValuesLines("m.zft", "\nB07\n"); }, ErrorKind::kInput),
            "m.zft:2: verwacht een stam van 8 tekens en de waarden");

  // The fixed bounds of the re-calibration, all four strict.
  const Vertex refused{{0.9, 0.73, 0, 0.5, 12.5, 1}, 10};
  EXPECT_FALSE(kRecalibrationBounds.admit(refused));
  EXPECT_EQ(kRecalibrationBounds.failures(refused),
            "delta 0.90 <= 0.90, omega0 0.73 <= 1.00, phi 0.50 <= 0.50, c 12.50 >= 0.00");
  EXPECT_TRUE(kRecalibrationBounds.admit({{0.91, 1.01, 0, 0.51, -0.01, 1}, 10}));
}

// A packed tube's line of modsel.zft or foutbuis.zft, from its S.sel and
// S.err as the selection writes them.
TEST(FilesValuesLines, TheSelectionsLineReadBackFromSelAndErr) {
  const std::string chosen = "28AL0005 2s 0.9304800 4.2388910 0. 0.9646740 -104.77683    5.09914";
  const std::string none = "40HN0007 ft 0.9556490 1.7481650 0. 0.9562370   24.80332    3.37851";
  const SelectionOutcome model =
      readSelectionOutcome("S.sel", chosen + "\nkandidaat ef ...\n", "S.err",
                           "Deze buis is succesvol gecalibreerd. Resultaten in 28AL0005.sel\n");
  EXPECT_TRUE(model.chosen);
  EXPECT_EQ(model.line, chosen);
  const SelectionOutcome noModel = readSelectionOutcome(
      "S.sel",
      "Deze buis is niet succesvol gecalibreerd.\n Laatste calibratieresultaten in 40HN0007.err\n",
      "S.err",
      "Deze buis is niet succesvol gecalibreerd.\n Laatste calibratieresultaten:\n" + none +
          "\n\n");
  EXPECT_FALSE(noModel.chosen);
  EXPECT_EQ(noModel.line, none);

  const std::string noModelSel = "Deze buis is niet succesvol gecalibreerd.\n";
  EXPECT_EQ(refusal([&] { readSelectionOutcome("S.sel", "", "S.err", ""); }), "S.sel: leeg");
  EXPECT_EQ(refusal([&] { readSelectionOutcome("S.sel", noModelSel, "S.err", "\n"); }),
            "S.err: leeg");
  EXPECT_EQ(refusal([&] { readSelectionOutcome("S.sel", noModelSel, "S.err", chosen); }),
            "S.err: label \"2s\" bij een buis zonder model");
  EXPECT_EQ(refusal([&] { readSelectionOutcome("S.sel", none + "\n", "S.err", ""); }),
            "S.sel: label \"ft\" bij een gekozen model");
  EXPECT_EQ(refusal([&] { readSelectionOutcome("S.sel", "28AL0005 2s 0.93 4.2\n", "S.err", ""); }),
            "S.sel:1: geen stam, label en zes waarden: \"28AL0005 2s 0.93 4.2\"");
}

TEST(FilesVertexText, ReadsAsTheFileReaderAndNamesTheSource) {
  TempDir dir;
  const std::string text =
      " number of iterations: 3\n"
      "      0.950000      2.500000      0.970000   -120.500000      9.250000      0.000000"
      "    812.125000\n"
      "      0.940000      2.400000      0.960000   -119.500000      9.000000      0.000000"
      "    812.500000\n"
      " ME= 0.1 RMSE= 2.0 MAE= 1.5\n";
  dir.write("S.a01", text);
  const VertexFile fromText = readVertexText("S.zip:S.a01", text, kColumnsAD);
  const VertexFile fromFile = readVertexFile(dir.file("S.a01"), kColumnsAD);
  ASSERT_EQ(fromText.vertices.size(), 2u);
  ASSERT_EQ(fromFile.vertices.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(fromText.vertices[i].p, fromFile.vertices[i].p);
    EXPECT_EQ(fromText.vertices[i].objective, fromFile.vertices[i].objective);
  }
  EXPECT_EQ(fromText.vertices[0].p, (Parameters{0.95, 2.5, 0, 0.97, -120.5, 9.25}));
  EXPECT_EQ(bestVertex(fromText)->objective, 812.125);
  EXPECT_EQ(refusal([] { readVertexText("S.zip:S.d01", " head\n 1 2 3\n 1 1 1\n", kColumnsAD); }),
            "S.zip:S.d01:2: minder dan zeven getallen");
}

// The text a FixedWriter puts in a file.
template <typename Write>
std::string written(const TempDir& dir, Write write) {
  FixedWriter out;
  out.open(dir.file("out"));
  write(out);
  out.close();
  return dir.read("out");
}

TEST(FilesCharacteristics, StatisticsReadBackWhatTheWriterPutDown) {
  TempDir dir;
  const double moments[4] = {-52.25, 144, 12, -3.5};
  const double percentiles[9] = {-80, -75, -70, -60, -52, -45, -35, -30, -25};
  const double ghg[5][5] = {{-71.5, -75, -71, -68, 2.5},
                            {-33.25, -36, -33, -30, 1.5},
                            {-70, -74, -70, -66, 2},
                            {-34, -37, -34, -31, 1.75},
                            {-45.5, -48, -45, -43, 1.25}};
  const std::string text = written(dir, [&](FixedWriter& out) {
    writeUnivariateStatistics(out, 100, 1990, 30, moments, percentiles);
    writeGroundwaterCharacteristics(out, ghg);
  });
  EXPECT_NE(text.find("based on 100 simulations"), std::string::npos) << text;
  EXPECT_NE(text.find("period: from 1990 to 2019\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nstdev.      12.000000\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nGHG(t)     -33.250000     -36.000000"), std::string::npos) << text;
  const StatisticsFigures figures = readStatistics("S.sta", text);
  EXPECT_EQ(figures.ghg, -33.25);
  EXPECT_EQ(figures.glg, -71.5);
  EXPECT_EQ(figures.gvg, -45.5);
  EXPECT_EQ(figures.stdev, 12);

  // A file cut short has no GHG; a label without its number is refused.
  const StatisticsFigures part = readStatistics("S.sta", "mean  -52.25\nstdev.  7.5\n");
  EXPECT_FALSE(part.ghg);
  EXPECT_EQ(part.stdev, 7.5);
  EXPECT_EQ(refusal([] { readStatistics("S.sta", "mean  -52.25\n\nGLG(t)\n"); }),
            "S.sta:3: verwacht een getal na GLG(t)");
  EXPECT_EQ(refusal([] { readStatistics("S.sta", "mean  -52.25\nstdev.  7,5\n"); }),
            "S.sta:2: expected a number, got \"7,5\"");
}

TEST(FilesCharacteristics, CurveFilesReadBackTheirRows) {
  TempDir dir;
  struct Case {
    const CurveLayout* layout;
    long long announced;
    const char* arrayLine;
    std::vector<std::vector<double>> rows;
  };
  const Case cases[] = {
      {&kRegimeCurve,
       365,
       " ARRAY 4  365  T",
       {{1, -50.5, -60, -50, -41.25}, {2, -50, -59, -49.5, -41}}},
      {&kDurationLine, 2, " ARRAY 1       2 T", {{0.1, -20.5}, {365, -80.25}}},
      {&kHistogram, 3, " ARRAY 1       3 T", {{1, -80.5}, {2, -80.5}, {3, -79.5}}},
      {&kCorrelogram, 2, " ARRAY 1   2 T", {{0, 1}, {1, 0.984375}}},
  };
  for (const Case& c : cases) {
    const std::string text = written(dir, [&](FixedWriter& out) {
      writeCurveHead(out, *c.layout, c.announced);
      for (const std::vector<double>& row : c.rows) {
        if (c.layout == &kRegimeCurve) {
          writeRegimeRow(out, static_cast<int>(row[0]), row[1], row[2], row[3], row[4]);
        } else if (c.layout == &kDurationLine) {
          writeDurationRow(out, row[0], row[1]);
        } else if (c.layout == &kHistogram) {
          writeHistogramRow(out, static_cast<long long>(row[0]), row[1]);
        } else {
          writeCorrelogramRow(out, static_cast<int>(row[0]), row[1]);
        }
      }
    });
    const std::string head = std::string(c.layout->title) + "\n\n" + c.arrayLine +
                             "\n\n HOLE 1.0e+38\n\n" + c.layout->columnTitles + "\n";
    EXPECT_EQ(text.substr(0, head.size()), head) << c.layout->title;
    EXPECT_EQ(readCurveRows("S.crv", text, *c.layout), c.rows) << c.layout->title;
    // A row short of a number, after a blank line that is passed over.
    EXPECT_EQ(refusal([&] { readCurveRows("S.crv", text + "  1 1,5\n", *c.layout); }),
              "S.crv:" + std::to_string(kCurveHeadLines + c.rows.size() + 1) +
                  ": expected a number, got \"1,5\"")
        << c.layout->title;
    EXPECT_EQ(refusal([&] { readCurveRows("S.crv", text + "\n  7\n", *c.layout); }),
              "S.crv:" + std::to_string(kCurveHeadLines + c.rows.size() + 2) + ": verwacht " +
                  std::to_string(c.layout->columns) + " getallen")
        << c.layout->title;
  }
}

TEST(FilesParameterLines, NumbersOfTheLinesTheStagesWrite) {
  TempDir dir;
  const Parameters p = {0.95, 2.5, 0, 0.97, -120.5, 9.25};
  const std::vector<std::string> lines = {"S.01s",
                                          "S.sim",
                                          "S.u01",
                                          "S.e01",
                                          runLine(EngineMode::kSimulate, "100 30 1990"),
                                          parameterLine(p, sigma2Text(p)),
                                          "0 0 0 0 0 0",
                                          "-120.50000",
                                          "10.",
                                          "1. 12053 1.0E-6",
                                          "  365"};
  EXPECT_EQ(lines[4], "2 -79359 100 30 1990");
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  dir.write("S.t01", text);
  EXPECT_EQ(readParameterFileLines(dir.file("S.t01")), lines);  // CR LF read as LF
  const std::vector<std::string> read = parameterFileLines(text);
  EXPECT_EQ(read, lines);
  EXPECT_EQ(parameterNumber("S.t01", read, kRunLineNumber, 4), 1990);
  EXPECT_EQ(parameterNumber("S.t01", read, kVarianceLineNumber, 0), 10);
  EXPECT_EQ(parameterNumber("S.t01", read, kWarmUpLineNumber, 0), 365);
  for (int k = 0; k < kModelParameters; ++k) EXPECT_EQ(parameterNumber("S.t01", read, 6, k), p[k]);
  // No such line, or too few numbers on it: none.
  EXPECT_FALSE(parameterNumber("S.t01", read, 12, 0));
  EXPECT_FALSE(parameterNumber("S.t01", read, kRunLineNumber, 5));
  std::vector<std::string> bad = read;
  bad[10] = "  36x";
  EXPECT_EQ(refusal([&] { parameterNumber("S.t01", bad, kWarmUpLineNumber, 0); }),
            "S.t01:11: expected a number, got \"36x\"");
}

TEST(FilesMeasurementLines, DaysMoveAndTheRestStays) {
  EXPECT_EQ(measurementLine(12, formatInt(-35, 4)), "   12  -35");
  const std::vector<std::string> file = {"3  1", measurementLine(1, " -35"),
                                         measurementLine(14, "-135"), "", "   40   -36 extra"};
  for (std::size_t i = 1; i < file.size(); ++i) {
    const std::optional<MeasurementDay> m = measurementDay("S.01", i, file[i]);
    if (file[i].empty()) {
      EXPECT_FALSE(m);
      continue;
    }
    ASSERT_TRUE(m) << file[i];
    // Written again on the same day, the line is as it was.
    EXPECT_EQ(measurementLine(m->day, m->rest.substr(1)), file[i]);
  }
  EXPECT_EQ(measurementDay("S.01", 4, file[4])->day, 40);
  EXPECT_EQ(measurementLine(measurementDay("S.01", 1, file[1])->day + 100,
                            measurementDay("S.01", 1, file[1])->rest),
            "  101   -35");
  EXPECT_EQ(refusal([] { measurementDay("S.01", 6, "  1.5  -35"); }),
            "S.01:7: expected an integer, got \"1.5\"");
}

TEST(FilesMeteoDays, CopiesReadBackByTheEngineAndTheDayReader) {
  const std::string source = "4001  5 0.01 4 5\n";
  const std::vector<MeteoDay> days = {{14, 1, 1985, "  110    2"}, {15, 1, 1985, "   15    2"}};
  for (bool aligned : {true, false}) {
    std::string copy = meteoHeadLine(days.size(), source.substr(0, source.size() - 1)) + "\n";
    for (const MeteoDay& day : days) copy += meteoDayLine(day, aligned) + "\n";
    EXPECT_EQ(copy.substr(0, copy.find('\n')), "2   5 0.01 4 5");
    EXPECT_EQ(meteoDayLine(days[0], aligned),
              aligned ? "14  1 1985   110    2" : "14 1 1985   110    2");
    // The engine reads the copy's count and its surplus f*p - f*e.
    std::vector<double> surplus;
    const MeteoHead head = readMeteoText(
        "S.met", copy, [](const MeteoHead&) {}, surplus);
    EXPECT_EQ(head.days, 2);
    EXPECT_EQ(surplus, (std::vector<double>{0, 0.01 * 110 - 0.01 * 2, 0.01 * 15 - 0.01 * 2}));
    // The stages read each day line back as it was.
    const std::vector<std::string> lines = splitLines(copy);
    for (std::size_t i = 0; i < days.size(); ++i) {
      MeteoDay read;
      ASSERT_TRUE(parseMeteoDay(lines[i + 1], read));
      EXPECT_EQ(read.day, days[i].day);
      EXPECT_EQ(read.month, days[i].month);
      EXPECT_EQ(read.year, days[i].year);
      EXPECT_EQ(read.rest, " " + days[i].rest);
    }
  }
  EXPECT_EQ(headRest("4001  5 0.01 4 5"), "  5 0.01 4 5");
  EXPECT_EQ(headRest("  12"), "");
  EXPECT_EQ(refusal([] {
              std::vector<double> surplus;
              readMeteoText(
                  "S.met", "2 5 1 4 5\n1 1 2000 3 1\n2 1 2000 x 1\n", [](const MeteoHead&) {},
                  surplus);
            }),
            "S.met:3: expected a number, got \"x\"");
}

TEST(FilesTraceAndLocations, ReadTheRowsOfTheirLayout) {
  TempDir dir;
  const std::string trace =
      " Results of SSDKAL\n"
      "\n"
      "  Time      pred.      update      M           P         meas.        innov.\n"
      "  (days)     (m)          (m)     (m2)        (m2)       (m)           (m)  \n"
      "     0.000    -120.500000    -120.500000       0.000000       0.000000\n"
      "     1.000    -119.250000    -118.750000       9.250000       4.625000    -118.000000"
      "       1.250000\n"
      "\n"
      "     2.000    -118.500000    -118.500000      13.875000      13.875000\n";
  const std::vector<TraceRow> rows = readTraceRows("S.upd", trace);
  ASSERT_EQ(rows.size(), 2u);  // the row of time 0 is the start, not a step
  EXPECT_EQ(rows[0].time, 1);
  EXPECT_EQ(rows[0].predicted, -119.25);
  EXPECT_EQ(rows[0].updated, -118.75);
  EXPECT_EQ(rows[1].time, 2);
  EXPECT_EQ(refusal([&] { readTraceRows("S.upd", trace + "     3.000    -118.5\n"); }),
            "S.upd:9: verwacht tijd, voorspelling en bijgewerkte stand");

  dir.write("locaties.csv",
            "locatie,filter,x,y\n"
            "28AL0005,001,141234.5,456789\n"
            "\"B07\",\"002\",,\n"
            ",003,1,2\n"
            "B08 ,1,12x,5\n");
  const LocationRows read = readLocationRows(dir.file("locaties.csv"));
  const std::vector<LocationRow>& locations = read.rows;
  ASSERT_EQ(locations.size(), 3u);  // the row without a location is passed over
  EXPECT_EQ(locations[0].location, "28AL0005");
  EXPECT_EQ(locations[0].filter, "001");
  EXPECT_EQ(locations[0].x, 141234.5);
  EXPECT_EQ(locations[0].y, 456789);
  EXPECT_EQ(locations[1].location, "B07");
  EXPECT_FALSE(locations[1].x);
  EXPECT_EQ(locations[2].location, "B08");
  EXPECT_FALSE(locations[2].x);  // x unreadable: neither is kept
  EXPECT_FALSE(locations[2].y);
  ASSERT_EQ(read.refused.size(), 1u);
  EXPECT_EQ(read.refused[0],
            dir.file("locaties.csv") + ":5: x \"12x\" is geen getal; B08 zonder coördinaten");
  EXPECT_EQ(refusal([&] { readLocationRows(dir.file("absent.csv")); }, ErrorKind::kIo),
            dir.file("absent.csv") + ": bestand niet te openen");
}

}  // namespace
}  // namespace phreatix::test
