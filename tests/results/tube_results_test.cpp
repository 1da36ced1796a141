// Reading a finished working directory: the demo data set run through the
// pipeline, read loose and again from packed archives; the warnings and the
// reasons for a missing model on small made-up directories; the charts.
#include "results/tube_results.h"

#include <zip.h>

#include <algorithm>
#include <cmath>
#include <map>

#include <gtest/gtest.h>

#include "demo/demo_data.h"
#include "engine/kalman_filter.h"
#include "error.h"
#include "platform/files.h"
#include "results/charts.h"
#include "results/fit.h"
#include "support/doubles.h"
#include "support/engine_screen.h"
#include "support/temp_dir.h"
#include "text/number_text.h"
#include "workflow/workflow.h"

namespace phreatix {
namespace {

bool hasWarning(const TubeResult& tube, ResultWarningKind kind) {
  return std::any_of(tube.warnings.begin(), tube.warnings.end(),
                     [&](const ResultWarning& w) { return w.kind == kind; });
}

const TubeResult& tubeOf(const DataSetResults& results, const std::string& stem) {
  for (const TubeResult& t : results.tubes) {
    if (t.stem == stem) return t;
  }
  throw std::runtime_error("no tube " + stem);
}

// Moves every file of each tube into its own S.zip, as the archiver does.
void packTubes(const std::string& dir) {
  std::map<std::string, std::vector<std::string>> byStem;
  for (const std::string& name : listFiles(dir, "*")) {
    // foutbuis.zft has a name of the same form, but is no tube's.
    if (name.size() > 9 && name[8] == '.' && name.find('.') == 8 && name != "foutbuis.zft" &&
        name != kLocationsFileName) {
      byStem[name.substr(0, 8)].push_back(name);
    }
  }
  for (const auto& [stem, names] : byStem) {
    int error = 0;
    zip_t* zip = zip_open(joinPath(dir, stem + ".zip").c_str(), ZIP_CREATE | ZIP_EXCL, &error);
    ASSERT_NE(zip, nullptr) << stem;
    for (const std::string& name : names) {
      zip_source_t* source = zip_source_file(zip, joinPath(dir, name).c_str(), 0, -1);
      ASSERT_NE(source, nullptr) << name;
      ASSERT_GE(zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0) << name;
    }
    ASSERT_EQ(zip_close(zip), 0) << stem;
    for (const std::string& name : names) ASSERT_TRUE(removeFile(joinPath(dir, name)));
  }
}

// The demo data set after the whole pipeline, once for all tests, and a
// copy of it with every tube packed.
class FinishedDemo : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    loose_ = new test::TempDir;
    packed_ = new test::TempDir;
    demo_ = writeDemoData(loose_->path());
    Session session(loose_->path());
    ProgressView main;
    test::RecordingBox box;
    EngineScreen engineView;
    PostView postView;
    PipelineObserver observer;
    Workflow workflow(session, WorkflowPorts{main, box, engineView, postView, observer});
    WorkflowInput input;
    input.dataFiles = {loose_->file(demo_.exportFile)};
    input.couplingFile = loose_->file(demo_.couplingFile);
    ran_ = runWorkflow(workflow, input) == WorkflowOutcome::kCompleted;
    // The calibration traces and the realisations (some 500 MB together)
    // are read by no result; leaving them out keeps the packing quick.
    for (const std::string& name : listFiles(loose_->path(), "*")) {
      bool large = false;
      for (const char* ext : {".w01", ".x01", ".y01", ".z01", ".u01"}) {
        large = large || (name.size() > 4 && name.compare(name.size() - 4, 4, ext) == 0);
      }
      if (!large) {
        ASSERT_TRUE(copyFile(loose_->file(name), packed_->file(name))) << name;
      }
    }
    packTubes(packed_->path());
  }
  static void TearDownTestSuite() {
    delete loose_;
    delete packed_;
  }
  void SetUp() override { ASSERT_TRUE(ran_) << "the demo pipeline did not complete"; }

  static test::TempDir* loose_;
  static test::TempDir* packed_;
  static DemoDataSet demo_;
  static bool ran_;
};
test::TempDir* FinishedDemo::loose_ = nullptr;
test::TempDir* FinishedDemo::packed_ = nullptr;
DemoDataSet FinishedDemo::demo_;
bool FinishedDemo::ran_ = false;

TEST_F(FinishedDemo, EveryListedTubeWithItsModelAndCharacteristics) {
  const DataSetResults results = readResults(loose_->path());
  const std::vector<std::string> modsel = readLines(loose_->file("modsel.zft"));
  const std::vector<std::string> foutbuis = readLines(loose_->file("foutbuis.zft"));
  // Every tube of the export has its row: the listed ones, and 28AL0012
  // filter 02, which only filter 01 of its location takes to the simulation.
  ASSERT_EQ(results.tubes.size(), readLines(loose_->file(kLocationsFileName)).size() - 1);
  ASSERT_EQ(results.tubes.size(), modsel.size() + foutbuis.size() + 1);
  const TubeResult& second = results.tubes.at(2);
  EXPECT_EQ(second.stem + " " + second.filter, "28AL0012 02");
  EXPECT_EQ(second.failure, "niet gesimuleerd: alleen filter 01 gaat door naar de simulatie");
  EXPECT_TRUE(
      std::is_sorted(results.tubes.begin(), results.tubes.end(),
                     [](const TubeResult& a, const TubeResult& b) { return a.stem < b.stem; }));

  for (const std::string& line : modsel) {
    const TubeResult& tube = tubeOf(results, line.substr(0, 8));
    SCOPED_TRACE(tube.stem);
    EXPECT_TRUE(tube.modelled);
    EXPECT_EQ(tube.filter, "01");
    EXPECT_EQ(tube.label, line.substr(9, 2));
    EXPECT_TRUE(tube.failure.empty());
    ASSERT_TRUE(tube.ghg && tube.glg && tube.gvg);
    // The demo tubes lie below surface level; the highest level is the
    // smallest depth, and the spring level lies between the two.
    EXPECT_GT(*tube.ghg, 0);
    EXPECT_LT(*tube.ghg, *tube.gvg);
    EXPECT_LT(*tube.gvg, *tube.glg);
    EXPECT_FALSE(hasWarning(tube, ResultWarningKind::kNoModel));
    EXPECT_FALSE(hasWarning(tube, ResultWarningKind::kGhgAboveSurface));

    // The fit against the engine's own pass over the same files, set up as
    // the trace without updating: its innovations are the residuals, in
    // levels positive upward.
    ASSERT_TRUE(tube.fit.available);
    CalibrationSeries series =
        readCalibrationSeries(tube.stem + ".01", readFileText(loose_->file(tube.stem + ".01")),
                              tube.stem + ".met", readFileText(loose_->file(tube.stem + ".met")));
    EXPECT_EQ(tube.fit.n, static_cast<int>(series.input.measurements.size()));
    series.input.settings.h0 = tube.c;
    series.input.settings.measurementVariance = 10;
    StepTable steps;
    steps.build(series.input);
    const PassResult engine =
        KalmanFilter(series.input, steps)
            .pass(deterministicParameters(tube.delta, tube.omega0, tube.phi, tube.c), nullptr);
    EXPECT_NEAR(tube.fit.me, -engine.ME, 1e-9);
    EXPECT_NEAR(tube.fit.rmse, engine.RMSE, 1e-9);
    // The demo's tubes follow their model, under much noise.
    EXPECT_GT(tube.fit.evp, 10);
    EXPECT_LT(tube.fit.evp, 100);
    EXPECT_GE(tube.fit.first.year, 1985);
    EXPECT_LT(tube.fit.first, tube.fit.last);
    EXPECT_EQ(tube.fit.last, (CalendarDate{1995, 12, 28}));
  }
}

TEST_F(FinishedDemo, ATubeWithoutModelSaysWhichCriterionFailed) {
  const DataSetResults results = readResults(loose_->path());
  for (const std::string& line : readLines(loose_->file("foutbuis.zft"))) {
    const TubeResult& tube = tubeOf(results, line.substr(0, 8));
    SCOPED_TRACE(tube.stem);
    EXPECT_FALSE(tube.modelled);
    EXPECT_EQ(tube.label, "ft");
    EXPECT_FALSE(tube.ghg);
    ASSERT_TRUE(hasWarning(tube, ResultWarningKind::kNoModel));
    EXPECT_FALSE(tube.failure.empty());
    EXPECT_TRUE(tubeCharts(loose_->path(), tube).empty());
  }
  // The demo's tube with a base level above its surface: the d+s fit with
  // the smallest objective has c = 24.883174, the one the log names.
  const TubeResult& high = tubeOf(results, "40HN0007");
  EXPECT_NE(high.failure.find("c 24.88 >= 0.00 (moet < 0)"), std::string::npos) << high.failure;
  EXPECT_NE(high.failure.find("40HN0007.d01"), std::string::npos) << high.failure;
}

TEST_F(FinishedDemo, PackedTubesReadTheSame) {
  ASSERT_FALSE(fileExists(packed_->file("28AL0005.sta")));
  ASSERT_TRUE(fileExists(packed_->file("28AL0005.zip")));
  const DataSetResults loose = readResults(loose_->path());
  const DataSetResults packed = readResults(packed_->path());
  ASSERT_EQ(packed.tubes.size(), loose.tubes.size())
      << readFileText(packed_->file("modsel.zft")) << readFileText(packed_->file("foutbuis.zft"));
  for (std::size_t i = 0; i < loose.tubes.size(); ++i) {
    const TubeResult& a = loose.tubes[i];
    const TubeResult& b = packed.tubes[i];
    SCOPED_TRACE(a.stem);
    EXPECT_EQ(a.stem, b.stem);
    EXPECT_EQ(a.modelled, b.modelled);
    EXPECT_EQ(a.ghg, b.ghg);
    EXPECT_EQ(a.glg, b.glg);
    EXPECT_EQ(a.gvg, b.gvg);
    EXPECT_EQ(a.fit.n, b.fit.n);
    EXPECT_EQ(a.fit.me, b.fit.me);
    EXPECT_EQ(a.fit.rmse, b.fit.rmse);
    EXPECT_EQ(a.failure, b.failure);
    ASSERT_EQ(a.warnings.size(), b.warnings.size());
    for (std::size_t w = 0; w < a.warnings.size(); ++w) {
      EXPECT_EQ(a.warnings[w].text, b.warnings[w].text);
    }
    const std::vector<Chart> ca = tubeCharts(loose_->path(), a);
    const std::vector<Chart> cb = tubeCharts(packed_->path(), b);
    ASSERT_EQ(ca.size(), cb.size());
    for (std::size_t c = 0; c < ca.size(); ++c) {
      ASSERT_EQ(ca[c].series.size(), cb[c].series.size());
      for (std::size_t s = 0; s < ca[c].series.size(); ++s) {
        EXPECT_EQ(ca[c].series[s].y, cb[c].series[s].y) << ca[c].id << " " << s;
      }
    }
  }
}

TEST_F(FinishedDemo, FiveChartsOfAModelledTube) {
  const DataSetResults results = readResults(loose_->path());
  const TubeResult& tube = tubeOf(results, "28AL0005");
  const std::vector<Chart> charts = tubeCharts(loose_->path(), tube);
  ASSERT_EQ(charts.size(), 5u);
  const char* ids[5] = {"fit", "regime", "duurlijn", "histogram", "correlogram"};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(ids[i]);
    EXPECT_EQ(charts[i].id, ids[i]);
    EXPECT_FALSE(charts[i].series.empty());
    for (const ChartSeries& s : charts[i].series) {
      EXPECT_FALSE(s.x.empty()) << s.name;
      EXPECT_EQ(s.x.size(), s.y.size()) << s.name;
    }
  }
  const Chart& fit = charts[0];
  EXPECT_TRUE(fit.x.dates);
  EXPECT_TRUE(fit.y.reversed);
  ASSERT_EQ(fit.series.size(), 4u);
  // One point per reading; the residuals are the fit's.
  EXPECT_EQ(static_cast<int>(fit.series[0].x.size()), tube.fit.n);
  EXPECT_EQ(static_cast<int>(fit.series[3].x.size()), tube.fit.n);
  double sum = 0;
  for (double r : fit.series[3].y) sum += r;
  EXPECT_NEAR(sum / tube.fit.n, tube.fit.me, 1e-9);
  // The updated trace (S.upd, with updating) meets the readings: on the
  // date of the first reading it equals the measured depth.
  const ChartSeries& updated = fit.series[2];
  auto at = std::find(updated.x.begin(), updated.x.end(), fit.series[0].x[0]);
  ASSERT_NE(at, updated.x.end());
  EXPECT_NEAR(updated.y[static_cast<std::size_t>(at - updated.x.begin())], fit.series[0].y[0],
              1e-6);
  // Dates: the first reading of the demo falls in 1985 (days since 1970).
  EXPECT_GE(fit.series[0].x[0], daysSince1970({1985, 1, 1}));
  EXPECT_LT(fit.series[0].x[0], daysSince1970({1986, 1, 1}));

  EXPECT_EQ(charts[1].series.size(), 4u);
  EXPECT_EQ(charts[1].series[0].x.size(), 365u);
  EXPECT_EQ(charts[4].series[0].y.front(), 1.0);  // lag 0
  double total = 0;
  for (double f : charts[3].series[0].y) total += f;
  EXPECT_NEAR(total, 1.0, 0.01);  // class frequencies in 1/10000, rounded
  // The duration line runs from a few to all days of the year, deeper as
  // the level is exceeded longer.
  EXPECT_NEAR(charts[2].series[0].x.back(), 100.0, 1e-9);
  EXPECT_LT(charts[2].series[0].y.front(), charts[2].series[0].y.back());
}

// A made-up finished tube: about 8 years of meteo with a surplus of 0, so the
// model level runs from c towards c; readings every `every` days.
struct MadeUpTube {
  std::string stem = "11AA0001";
  double c = -100, phi = 0.5, sd = 10;
  int warmUp = 731, readings = 200, every = 14;
  double ghgLevel = -80;  // S.sta keeps levels positive upward

  void write(const test::TempDir& dir) const {
    const int days = readings * every + 1;
    std::string met = std::to_string(days) + " 5 1 4 5\n";
    long long d = builtinDayNumber(1980, 1, 1);
    for (int m = 1; m <= days; ++m, ++d) {
      const std::int64_t ymd = builtinDateOfDay(d);
      met += std::to_string(ymd % 100) + " " + std::to_string(ymd / 100 % 100) + " " +
             std::to_string(ymd / 10000) + " 0 0\n";
    }
    dir.write(stem + ".met", met);
    std::string ms = std::to_string(readings) + " 1\n";
    for (int i = 0; i < readings; ++i) {
      ms += std::to_string(1 + i * every) + " " + std::to_string(c + (i % 2 ? 10 : -10)) + "\n";
    }
    dir.write(stem + ".01", ms);
    dir.write(stem + ".sta", "stdev." + formatReal(sd, 15, 6) + "\nGLG(t)    -120.0\nGHG(t)" +
                                 formatReal(ghgLevel, 15, 6) + "\nGVG(t)    -100.0\n");
    dir.write(stem + ".t01",
              "a\nb\nc\nd\n2 -79359 100 30 1990\n.\n.\n.\n.\n.\n" + std::to_string(warmUp) + "\n");
  }
  std::string valuesLine() const {
    return stem + " 2s 0.9500000 2.0000000 0. " + formatReal(phi, 9, 7) + " " +
           formatReal(c, 10, 5) + "    4.00000";
  }
};

DataSetResults readMadeUp(const MadeUpTube& tube) {
  test::TempDir dir;
  tube.write(dir);
  dir.write("modsel.zft", tube.valuesLine() + "\n");
  return readResults(dir.path());
}

TEST(ResultWarnings, AQuietTubeHasNone) {
  // Readings alternate 10 cm about c: SD 10, realisations' SD 10.
  const DataSetResults results = readMadeUp(MadeUpTube{});
  ASSERT_EQ(results.tubes.size(), 1u);
  const TubeResult& tube = results.tubes[0];
  EXPECT_TRUE(tube.modelled);
  EXPECT_TRUE(tube.warnings.empty()) << tube.warnings[0].text;
  EXPECT_DOUBLE_EQ(*tube.ghg, 80);
}

TEST(ResultWarnings, EachCaseWithItsValueAndBound) {
  {
    MadeUpTube t;
    t.phi = 0.99;
    t.warmUp = 100;  // 100 * 0.99^100 = 36.6 cm left of the start
    const TubeResult tube = readMadeUp(t).tubes.at(0);
    ASSERT_TRUE(hasWarning(tube, ResultWarningKind::kStartTransient));
    EXPECT_NE(tube.warnings[0].text.find("36.6 cm op 1-1-1990"), std::string::npos)
        << tube.warnings[0].text;
    EXPECT_NE(tube.warnings[0].text.find("grens 5.0 cm"), std::string::npos);
    EXPECT_EQ(tube.warnings.size(), 1u);
  }
  {
    MadeUpTube t;
    t.phi = 0.99;
    t.warmUp = 300;  // 100 * 0.99^300 = 4.9 cm: below the bound
    EXPECT_TRUE(readMadeUp(t).tubes.at(0).warnings.empty());
  }
  {
    MadeUpTube t;
    t.sd = 12.1;  // just above 1.2 x 10
    const TubeResult tube = readMadeUp(t).tubes.at(0);
    ASSERT_EQ(tube.warnings.size(), 1u);
    EXPECT_EQ(tube.warnings[0].kind, ResultWarningKind::kNoiseDominates);
    EXPECT_NE(tube.warnings[0].text.find("12.1 cm > 1.2 x"), std::string::npos)
        << tube.warnings[0].text;
    EXPECT_NE(tube.warnings[0].text.find("11AA0001.01) 10.0 cm"), std::string::npos);
    t.sd = 11.9;
    EXPECT_TRUE(readMadeUp(t).tubes.at(0).warnings.empty());
  }
  {
    MadeUpTube t;
    t.ghgLevel = 3.5;  // 3.5 cm above surface level
    const TubeResult tube = readMadeUp(t).tubes.at(0);
    ASSERT_EQ(tube.warnings.size(), 1u);
    EXPECT_EQ(tube.warnings[0].kind, ResultWarningKind::kGhgAboveSurface);
    EXPECT_NE(tube.warnings[0].text.find("-3.5 cm-mv"), std::string::npos);
  }
  {
    MadeUpTube t;
    t.readings = 20;
    t.every = 35;  // 665 days, 11 readings a year
    const TubeResult tube = readMadeUp(t).tubes.at(0);
    EXPECT_TRUE(hasWarning(tube, ResultWarningKind::kShortSeries));
    EXPECT_TRUE(hasWarning(tube, ResultWarningKind::kSparseSeries));
    t.readings = 23;
    t.every = 21;  // 462 days, 18 a year: short, not sparse
    const TubeResult dense = readMadeUp(t).tubes.at(0);
    EXPECT_TRUE(hasWarning(dense, ResultWarningKind::kShortSeries));
    EXPECT_FALSE(hasWarning(dense, ResultWarningKind::kSparseSeries));
    t.readings = 36;
    t.every = 21;  // 735 days
    EXPECT_FALSE(hasWarning(readMadeUp(t).tubes.at(0), ResultWarningKind::kShortSeries));
  }
}

TEST(ResultWarnings, WhyATubeGotNoModel) {
  test::TempDir dir;
  // The vertex of smallest objective fails two criteria; the last one read
  // (the values line) would name another.
  dir.write("22BB0002.a01",
            " number of iterations: 3\n"
            "  0.95  0.73  0.80  -50.0  3.0  0.0  812.3\n"
            "  0.95  2.00  0.80  -50.0  3.0  0.0  999999.5\n"
            "  0.1 0.2 0.3\n");
  dir.write("22BB0002.d01",
            " number of iterations: 3\n"
            "  0.85  2.00  0.80  12.5  3.0  0.0  700.25\n"
            "  0.95  2.00  0.80  30.0  3.0  0.0  900.0\n"
            "  0.1 0.2 0.3\n");
  dir.write("foutbuis.zft",
            "22BB0002 ft 0.9500000 2.0000000 0. 0.8000000   30.00000    3.00000\n"
            "33CC0003 ft 0.0000000 0.0000000 0. 0.0000000    0.00000    0.00000\n");
  const DataSetResults results = readResults(dir.path());
  ASSERT_EQ(results.tubes.size(), 2u);
  EXPECT_EQ(results.tubes[0].failure,
            "delta 0.85 <= 0.90 (moet > 0.9), c 12.50 >= 0.00 (moet < 0) (beste fit, "
            "22BB0002.d01)");
  EXPECT_EQ(results.tubes[0].warnings.at(0).text,
            "Geen plausibel model: " + results.tubes[0].failure);
  EXPECT_NE(results.tubes[1].failure.find("33CC0003.a01 en 33CC0003.d01 ontbreken"),
            std::string::npos)
      << results.tubes[1].failure;
}

TEST(ReadResults, CoordinatesUnfinishedTubesAndEmptyDirectories) {
  test::TempDir dir;
  MadeUpTube finished;
  finished.write(dir);
  MadeUpTube unfinished;
  unfinished.stem = "11AA0002";
  unfinished.write(dir);
  removeFile(dir.file("11AA0002.sta"));
  dir.write("modsel.zft", unfinished.valuesLine() + "\n" + finished.valuesLine() + "\n");
  dir.write(kLocationsFileName, "locatie,filter,x,y\n11AA0001,1,155000.5,463000\n11AA0002,001,,\n");

  const DataSetResults all = readResults(dir.path());
  ASSERT_EQ(all.tubes.size(), 2u);
  EXPECT_EQ(all.tubes[0].stem, "11AA0001");
  EXPECT_EQ(all.tubes[0].x, 155000.5);
  EXPECT_EQ(all.tubes[0].y, 463000.0);
  EXPECT_FALSE(all.tubes[1].x);
  EXPECT_FALSE(all.tubes[1].modelled);
  EXPECT_TRUE(tubeCharts(dir.path(), all.tubes[1]).empty());
  EXPECT_EQ(readResults(dir.path(), true).tubes.size(), 1u);

  test::TempDir empty;
  EXPECT_THROW(readResults(empty.path()), Error);
}

}  // namespace
}  // namespace phreatix
