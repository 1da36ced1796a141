// Reading a finished working directory: the demo data set run through the
// pipeline, read loose and again from packed archives; the warnings and the
// reasons for a missing model on small made-up directories; the charts.
#include "results/tube_results.h"

#include <zip.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "demo/demo_data.h"
#include "engine/kalman_filter.h"
#include "error.h"
#include "files/values_lines.h"
#include "platform/files.h"
#include "postprocessing/measured_gxg.h"
#include "results/charts.h"
#include "results/fit.h"
#include "results/report_columns.h"
#include "results/report_files.h"
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

    // The fit is the readings against the model's course in equilibrium
    // (S.fit, one level a day of S.met), in cm below surface level.
    ASSERT_TRUE(tube.fit.available);
    CalibrationSeries series =
        readCalibrationSeries(tube.stem + ".01", readFileText(loose_->file(tube.stem + ".01")),
                              tube.stem + ".met", readFileText(loose_->file(tube.stem + ".met")));
    EXPECT_EQ(tube.fit.n, static_cast<int>(series.input.measurements.size()));
    const std::vector<std::string> fitLines = readLines(loose_->file(tube.stem + ".fit"));
    double sum = 0, squares = 0;
    std::set<long long> days;
    for (const Measurement& m : series.input.measurements) {
      const long long day = static_cast<long long>(m.time);
      if (!days.insert(day).second) continue;
      ASSERT_LT(static_cast<std::size_t>(day), fitLines.size());
      const double model = std::stod(fitLines[static_cast<std::size_t>(day)].substr(7));
      const double residual = -m.level + model;  // measured depth - model depth
      sum += residual;
      squares += residual * residual;
    }
    const double n = static_cast<double>(days.size());
    EXPECT_NEAR(tube.fit.me, sum / n, 1e-9);
    EXPECT_NEAR(tube.fit.rmse, std::sqrt(squares / n), 1e-9);
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

// A made-up finished tube. From 1 January 1980 a seasonal surplus drives the
// standard model; the readings are its course in equilibrium (written as
// S.fit) plus an alternating error of +-`noise` cm (and a drift of
// `trendPerYear` cm a year downward). Readings every `every` days from day
// `firstDay`, or on every 14th and 28th of 1980-1989 with `onMeasuringDays`,
// or on the days in `readingDays`.
struct MadeUpTube {
  std::string stem = "11AA0001";
  std::string label = "2s";
  double delta = 0.95, omega0 = 2, phi = 0.5, c = -100;
  double amplitude = 0.5;  // cm a day of the surplus
  double noise = 3, trendPerYear = 0;
  int warmUp = 731, readings = 200, every = 14, firstDay = 120;
  bool onMeasuringDays = false;
  std::vector<int> readingDays;
  bool writeFit = true;
  double sdRatio = 1;     // S.sta's standard deviation over the readings'
  double ghgLevel = -80;  // S.sta keeps levels positive upward
  double h0Above = 0;     // h0 of S.t01 above c
  double simSurplus = 0.1;
  std::string extraSel;  // lines after the values line of S.sel
  std::string kmp;       // S.kmp, written when not empty

  std::vector<int> days() const {
    if (!readingDays.empty()) return readingDays;
    std::vector<int> out;
    if (onMeasuringDays) {
      const long long first = builtinDayNumber(1980, 1, 1);
      for (long long d = first; d < builtinDayNumber(1990, 1, 1); ++d) {
        const std::int64_t ymd = builtinDateOfDay(d);
        if (ymd % 100 == 14 || ymd % 100 == 28) out.push_back(static_cast<int>(d - first + 1));
      }
      return out;
    }
    for (int i = 0; i < readings; ++i) out.push_back(firstDay + i * every);
    return out;
  }
  int meteoDays() const { return days().back() + 1; }
  double surplus(int m) const { return amplitude * std::sin(2 * 3.14159265358979 * m / 365); }
  // The course in equilibrium, [1..M], as S.fit writes it (three decimals).
  std::vector<double> course() const {
    const int days = meteoDays();
    std::vector<double> level(static_cast<std::size_t>(days) + 1, 0);
    double d = 0;
    for (int m = -3650; m <= days; ++m) {
      d = delta * d + omega0 * surplus(m);
      if (m >= 1) level[static_cast<std::size_t>(m)] = std::round((d + c) * 1000) / 1000;
    }
    return level;
  }
  // The readings: day and level, positive upward.
  std::vector<std::pair<int, double>> levels() const {
    const std::vector<double> model = course();
    std::vector<std::pair<int, double>> out;
    int i = 0;
    for (int day : days()) {
      out.push_back({day, model[static_cast<std::size_t>(day)] + (i++ % 2 ? noise : -noise) -
                              trendPerYear * day / 365.25});
    }
    return out;
  }
  double measuredSd() const {
    double sum = 0, ss = 0;
    const auto l = levels();
    for (const auto& [day, level] : l) sum += level;
    const double mean = sum / static_cast<double>(l.size());
    for (const auto& [day, level] : l) ss += (level - mean) * (level - mean);
    return std::sqrt(ss / static_cast<double>(l.size()));
  }
  // The dates of the meteo days.
  static CalendarDate dateOf(int m) {
    const std::int64_t ymd = builtinDateOfDay(builtinDayNumber(1980, 1, 1) + m - 1);
    return {static_cast<int>(ymd / 10000), static_cast<int>(ymd / 100 % 100),
            static_cast<int>(ymd % 100)};
  }

  void write(const test::TempDir& dir) const {
    const int days = meteoDays();
    std::string met = std::to_string(days) + " 5 1 4 5\n";
    for (int m = 1; m <= days; ++m) {
      const CalendarDate date = dateOf(m);
      const double q = surplus(m);
      met += std::to_string(date.day) + " " + std::to_string(date.month) + " " +
             std::to_string(date.year) + " " + formatReal(std::max(q, 0.0), 0, 9) + " " +
             formatReal(std::max(-q, 0.0), 0, 9) + "\n";
    }
    dir.write(stem + ".met", met);
    const auto l = levels();
    std::string ms = std::to_string(l.size()) + " 1\n";
    for (const auto& [day, level] : l)
      ms += std::to_string(day) + " " + formatReal(level, 0, 6) + "\n";
    dir.write(stem + ".01", ms);
    if (writeFit) {
      std::string fit = "# fit in evenwicht: model " + label + ", meteo vanaf 01-01-1980\n";
      const std::vector<double> model = course();
      for (int m = 1; m <= days; ++m) {
        char line[40];
        std::snprintf(line, sizeof line, "%6d %10.3f\n", m, model[static_cast<std::size_t>(m)]);
        fit += line;
      }
      dir.write(stem + ".fit", fit);
    }
    dir.write(stem + ".sta", "stdev." + formatReal(sdRatio * measuredSd(), 15, 6) +
                                 "\nGLG(t)    -120.0\nGHG(t)" + formatReal(ghgLevel, 15, 6) +
                                 "\nGVG(t)    -100.0\n");
    dir.write(stem + ".t01", "a\nb\nc\nd\n2 -79359 100 30 1990\n" + parameters() +
                                 "\n0 0 0 0 0 0\n" + formatReal(c + h0Above, 0, 5) +
                                 "\n0.\n1. 11688 0.0001\n" + std::to_string(warmUp) + "\n");
    // S.sim: a constant surplus.
    std::string sim = "1000 5 1 4 5\n";
    for (int m = 1; m <= 1000; ++m) sim += "1 1 1970 " + formatReal(simSurplus, 0, 6) + " 0\n";
    dir.write(stem + ".sim", sim);
    dir.write(stem + ".sel", valuesLine() + "\n" + extraSel);
    if (!kmp.empty()) dir.write(stem + ".kmp", kmp);
  }
  std::string parameters() const {
    return formatReal(delta, 9, 7) + " " + formatReal(omega0, 9, 7) + " 0. " +
           formatReal(phi, 9, 7) + " " + formatReal(c, 10, 5) + "    4.00000";
  }
  // An extended model's line holds A n a f phi c sigma2, and three
  // numbers per component letter.
  std::string valuesLine() const {
    if (isExtendedLabel(label)) {
      std::string line = stem + " " + label + " 50.0 1.0 20.0 1.0 " + formatReal(phi, 0, 6) + " " +
                         formatReal(c, 0, 6) + " 4.0";
      for (std::size_t k = 2; k < label.size(); ++k) line += " 19800501 19851228 2.5";
      return line;
    }
    return stem + " " + label + " " + parameters();
  }
};

DataSetResults readMadeUp(const MadeUpTube& tube, const std::string& gzj = "") {
  test::TempDir dir;
  tube.write(dir);
  if (!gzj.empty()) dir.write(tube.stem + ".gzj", gzj);
  dir.write("modsel.zft", tube.valuesLine() + "\n");
  return readResults(dir.path());
}

const ResultWarning* warningOf(const TubeResult& tube, ResultWarningKind kind) {
  for (const ResultWarning& w : tube.warnings) {
    if (w.kind == kind) return &w;
  }
  return nullptr;
}

std::string kinds(const TubeResult& tube) {
  std::string out;
  for (const ResultWarning& w : tube.warnings) out += w.text + "\n";
  return out;
}

TEST(ResultWarnings, AQuietTubeHasNone) {
  const DataSetResults results = readMadeUp(MadeUpTube{});
  ASSERT_EQ(results.tubes.size(), 1u);
  const TubeResult& tube = results.tubes[0];
  EXPECT_TRUE(tube.modelled);
  EXPECT_TRUE(tube.warnings.empty()) << kinds(tube);
  EXPECT_DOUBLE_EQ(*tube.ghg, 80);
  EXPECT_FALSE(results.extendedFamily);
}

// The fit of S.fit: the readings are its course +-3 cm, so ME 0 and RMSE 3
// exactly; without S.fit the pass of today, which starts out of
// equilibrium, fits worse. The chart's deterministic line is S.fit's.
TEST(ResultFit, FromTheCourseInEquilibriumWhenThePipelineWroteIt) {
  MadeUpTube t;
  const TubeResult honest = readMadeUp(t).tubes.at(0);
  ASSERT_TRUE(honest.fit.available);
  EXPECT_TRUE(honest.fitInEquilibrium);
  EXPECT_EQ(honest.fit.n, 200);
  EXPECT_NEAR(honest.fit.me, 0, 1e-9);
  EXPECT_NEAR(honest.fit.rmse, 3, 1e-9);
  EXPECT_EQ(honest.fit.first, MadeUpTube::dateOf(120));
  EXPECT_EQ(honest.fit.last, MadeUpTube::dateOf(120 + 199 * 14));

  // From the first day on, where today's pass starts far from equilibrium.
  t.firstDay = 1;
  EXPECT_NEAR(readMadeUp(t).tubes.at(0).fit.rmse, 3, 1e-9);
  t.writeFit = false;
  const TubeResult today = readMadeUp(t).tubes.at(0);
  ASSERT_TRUE(today.fit.available);
  EXPECT_FALSE(today.fitInEquilibrium);
  EXPECT_EQ(today.fit.n, 200);
  EXPECT_GT(today.fit.rmse, 4);

  test::TempDir dir;
  MadeUpTube withFit;
  withFit.write(dir);
  dir.write("modsel.zft", withFit.valuesLine() + "\n");
  const TubeResult tube = readResults(dir.path()).tubes.at(0);
  const std::vector<Chart> charts = tubeCharts(dir.path(), tube);
  ASSERT_FALSE(charts.empty());
  const ChartSeries& line = charts[0].series[1];
  const std::vector<double> course = withFit.course();
  ASSERT_EQ(line.y.size(), static_cast<std::size_t>(120 + 199 * 14));
  for (std::size_t k = 0; k < line.y.size(); k += 97) EXPECT_DOUBLE_EQ(line.y[k], -course[k + 1]);
  EXPECT_EQ(line.x.front(), daysSince1970({1980, 1, 1}));
  // The residuals are the fit's: +-3 cm.
  for (double r : charts[0].series[3].y) EXPECT_NEAR(std::fabs(r), 3, 1e-9);
}

TEST(ResultWarnings, StartOfTheRealisationsFromBothParts) {
  {
    // The noise from 0 instead of c: mean over steps 101..465 of
    // 100 * 0.99^k = 100 * 0.99^101 * (1 - 0.99^365) / (0.01 * 365) = 9.7 cm;
    // the deterministic part from d0 = 0 against dbar = 2 * 0.1 / 0.05 = 4
    // is gone by then.
    MadeUpTube t;
    t.phi = 0.99;
    t.warmUp = 100;
    const TubeResult tube = readMadeUp(t).tubes.at(0);
    const ResultWarning* w = warningOf(tube, ResultWarningKind::kStartTransient);
    ASSERT_NE(w, nullptr) << kinds(tube);
    EXPECT_NE(w->text.find("in 1990, het eerste gesimuleerde jaar, gemiddeld 9.7 cm te hoog"),
              std::string::npos)
        << w->text;
    EXPECT_NE(w->text.find("ruisdeel 9.7 cm, deterministisch deel 0.0 cm"), std::string::npos)
        << w->text;
    EXPECT_NE(w->text.find("grens 5.0 cm"), std::string::npos);
    t.warmUp = 300;  // 1.3 cm left
    EXPECT_EQ(warningOf(readMadeUp(t).tubes.at(0), ResultWarningKind::kStartTransient), nullptr);
  }
  {
    // The deterministic part from d0 = 0 against dbar = 1 * 0.1 / 0.001 =
    // 100 cm: mean over steps 732..1096 of -100 * 0.999^k = -40.3 cm.
    MadeUpTube t;
    t.delta = 0.999;
    t.omega0 = 1;
    const TubeResult tube = readMadeUp(t).tubes.at(0);
    const ResultWarning* w = warningOf(tube, ResultWarningKind::kStartTransient);
    ASSERT_NE(w, nullptr) << kinds(tube);
    EXPECT_NE(w->text.find("gemiddeld 40.3 cm te laag"), std::string::npos) << w->text;
    // Started from its equilibrium, h0 = c + dbar, it has none.
    t.h0Above = 100;
    EXPECT_EQ(warningOf(readMadeUp(t).tubes.at(0), ResultWarningKind::kStartTransient), nullptr);
    // Nor has an extended model, which starts in equilibrium.
    t.h0Above = 0;
    t.label = "ef";
    t.extraSel = "gekozen ef bic 1234.50 filter 01\nparameter phi 0.5 0.01\nparameter c -100 2\n";
    const TubeResult extended = readMadeUp(t).tubes.at(0);
    EXPECT_EQ(extended.label, "ef");
    EXPECT_EQ(warningOf(extended, ResultWarningKind::kStartTransient), nullptr) << kinds(extended);
  }
}

TEST(ResultWarnings, SpreadOfTheRealisationsAgainstTheReadings) {
  MadeUpTube t;
  t.sdRatio = 1.21;
  TubeResult tube = readMadeUp(t).tubes.at(0);
  ASSERT_EQ(tube.warnings.size(), 1u) << kinds(tube);
  EXPECT_EQ(tube.warnings[0].kind, ResultWarningKind::kNoiseDominates);
  EXPECT_NE(tube.warnings[0].text.find(" > 1.2 x die van de metingen (11AA0001.01) "),
            std::string::npos)
      << tube.warnings[0].text;
  t.sdRatio = 1.19;
  EXPECT_TRUE(readMadeUp(t).tubes.at(0).warnings.empty());
  t.sdRatio = 0.79;
  tube = readMadeUp(t).tubes.at(0);
  ASSERT_EQ(tube.warnings.size(), 1u) << kinds(tube);
  EXPECT_EQ(tube.warnings[0].kind, ResultWarningKind::kNoiseTooSmall);
  EXPECT_NE(tube.warnings[0].text.find(" < 0.8 x die van de metingen"), std::string::npos)
      << tube.warnings[0].text;
  EXPECT_NE(tube.warnings[0].text.find(formatReal(0.8 * t.measuredSd(), 0, 1) + " cm"),
            std::string::npos);
  t.sdRatio = 0.81;
  EXPECT_TRUE(readMadeUp(t).tubes.at(0).warnings.empty());
}

TEST(ResultWarnings, GhgAboveSurfaceAndShortOrSparseSeries) {
  {
    MadeUpTube t;
    t.ghgLevel = 3.5;  // 3.5 cm above surface level
    const TubeResult tube = readMadeUp(t).tubes.at(0);
    ASSERT_EQ(tube.warnings.size(), 1u) << kinds(tube);
    EXPECT_EQ(tube.warnings[0].kind, ResultWarningKind::kGhgAboveSurface);
    EXPECT_NE(tube.warnings[0].text.find("-3.5 cm-mv"), std::string::npos);
  }
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

// Errors of +-40 cm about a seasonal course of some 20 cm: the weather
// explains little. The standard family is advised the extended one.
TEST(ResultWarnings, WeakFitAndTheAdviceToTryTheExtendedFamily) {
  MadeUpTube t;
  t.noise = 40;
  const DataSetResults results = readMadeUp(t);
  const TubeResult& tube = results.tubes.at(0);
  ASSERT_LT(tube.fit.evp, kMinFitEvp);
  const ResultWarning* weak = warningOf(tube, ResultWarningKind::kLowFitEvp);
  ASSERT_NE(weak, nullptr) << kinds(tube);
  EXPECT_EQ(weak->text, "Fit zwak: EVP " + formatReal(tube.fit.evp, 0, 1) + " % (grens 15 %)");
  const ResultWarning* advice = warningOf(tube, ResultWarningKind::kTryExtended);
  ASSERT_NE(advice, nullptr);
  EXPECT_EQ(advice->text, "Advies: probeer Model: uitgebreid (EVP van de fit onder 15 %)");
  EXPECT_EQ(&tube.warnings.back(), advice);

  // A directory of the extended family gets no advice.
  t.extraSel =
      "kandidaat 1s bic 2100.00 k 5 n 200 plausibel ja\n"
      "kandidaat 2s bic 2090.00 k 5 n 200 plausibel ja\n"
      "kandidaat ef bic - k 7 n 0 plausibel nee reden calibratie mislukt\n"
      "gekozen 2s bic 2090.00 filter 01\n";
  const DataSetResults extended = readMadeUp(t);
  EXPECT_TRUE(extended.extendedFamily);
  const TubeResult& chosen = extended.tubes.at(0);
  EXPECT_TRUE(hasWarning(chosen, ResultWarningKind::kLowFitEvp));
  EXPECT_FALSE(hasWarning(chosen, ResultWarningKind::kTryExtended));
  ASSERT_EQ(chosen.choice.candidates.size(), 3u);
  EXPECT_EQ(chosen.choice.candidates[2].reason, "calibratie mislukt");
  EXPECT_EQ(chosen.choice.bic, 2090.0);

  // An honest fit of the same course draws neither.
  t.noise = 3;
  t.extraSel.clear();
  EXPECT_TRUE(readMadeUp(t).tubes.at(0).warnings.empty());
}

// Readings that drift 2 cm a year deeper from the model over 1980-1987: a
// slope of about 2 cm a year, some 14 cm over the 7 years; 1 cm a year gives
// 7 cm, under the bound, however sure its t.
TEST(ResultWarnings, TrendInTheResiduals) {
  MadeUpTube t;
  t.trendPerYear = 2;
  const TubeResult tube = readMadeUp(t).tubes.at(0);
  const ResultWarning* w = warningOf(tube, ResultWarningKind::kResidualTrend);
  ASSERT_NE(w, nullptr) << kinds(tube);
  // 1980 and 1987 are partial years: the slope of the yearly means is
  // near 2, not 2 itself (ResidualTrend has the exact cases).
  EXPECT_NE(w->text.find("Trend in de residuen (gemeten - model): 1.9"), std::string::npos)
      << w->text;
  EXPECT_NE(w->text.find(" cm/jaar (t = "), std::string::npos);
  EXPECT_NE(w->text.find(") over 1980-1987, 13."), std::string::npos) << w->text;
  EXPECT_NE(w->text.find(" cm over 7 jaar"), std::string::npos);
  EXPECT_NE(w->text.find("grenzen |t| > 2 en 10.0 cm"), std::string::npos);
  t.trendPerYear = 1;
  EXPECT_FALSE(hasWarning(readMadeUp(t).tubes.at(0), ResultWarningKind::kResidualTrend));
  t.trendPerYear = -2;  // shallower: the same, the other way
  const TubeResult rising = readMadeUp(t).tubes.at(0);
  const ResultWarning* up = warningOf(rising, ResultWarningKind::kResidualTrend);
  ASSERT_NE(up, nullptr) << kinds(rising);
  EXPECT_NE(up->text.find("(gemeten - model): -1.9"), std::string::npos) << up->text;
}

// Eight years with two of 50 readings and six of 10: the two busiest hold
// 100 of 160, but two years are a quarter of eight, not fewer. A ninth year
// of 10 readings makes them fewer than a quarter.
TEST(ResultWarnings, ReadingsConcentratedInAFewYears) {
  auto daysOf = [](const std::vector<std::pair<int, int>>& perYear) {
    std::vector<int> days;
    for (const auto& [year, count] : perYear) {
      const int first =
          static_cast<int>(builtinDayNumber(year, 1, 1) - builtinDayNumber(1980, 1, 1) + 1);
      for (int i = 0; i < count; ++i) days.push_back(first + 10 + i * (340 / count));
    }
    return days;
  };
  MadeUpTube t;
  std::vector<std::pair<int, int>> perYear = {{1980, 10}, {1981, 50}, {1982, 10}, {1983, 10},
                                              {1984, 50}, {1985, 10}, {1986, 10}, {1987, 10}};
  t.readingDays = daysOf(perYear);
  EXPECT_FALSE(hasWarning(readMadeUp(t).tubes.at(0), ResultWarningKind::kClusteredReadings));
  perYear.push_back({1988, 10});
  t.readingDays = daysOf(perYear);
  const TubeResult tube = readMadeUp(t).tubes.at(0);
  const ResultWarning* w = warningOf(tube, ResultWarningKind::kClusteredReadings);
  ASSERT_NE(w, nullptr) << kinds(tube);
  EXPECT_EQ(w->text,
            "Metingen geconcentreerd: 100 van de 170 metingen in 11AA0001.01 (meer dan de helft) "
            "vallen in 2 van de 9 jaren met metingen (1981, 1984) (minder dan een kwart)");
}

// Readings on every measuring day of 1980-1989: the measured GxG of ten
// years, in cm below surface level; S.gzj over the same years set against
// them like for like.
TEST(ResultWarnings, SimulatedAgainstMeasuredOverTheSameYears) {
  MadeUpTube t;
  t.onMeasuringDays = true;
  const TubeResult plain = readMadeUp(t).tubes.at(0);
  ASSERT_TRUE(plain.measuredYears);
  EXPECT_EQ(plain.measuredYears->size(), 10u);
  std::vector<DatedLevel> dated;
  for (const auto& [day, level] : t.levels()) {
    const CalendarDate d = MadeUpTube::dateOf(day);
    dated.push_back({d.year, d.month, d.day, level});
  }
  const MeasuredGxg expected = measuredGxg(dated);
  ASSERT_TRUE(plain.measured.ghg && plain.measured.glg && plain.measured.gvg);
  EXPECT_DOUBLE_EQ(*plain.measured.ghg, -expected.ghg);
  EXPECT_DOUBLE_EQ(*plain.measured.glg, -expected.glg);
  EXPECT_DOUBLE_EQ(*plain.measured.gvg, -expected.gvg);
  EXPECT_LT(*plain.measured.ghg, *plain.measured.glg);  // highest level, smallest depth
  EXPECT_FALSE(plain.sameYears.ghg);

  const std::string years = "jaren 1980 1981 1982 1983 1984 1985 1986 1987 1988 1989\n";
  auto gzj = [&](double ghg, double glg, double gvg, const std::string& yearLine) {
    return "# GxG over de meetjaren, gesimuleerd met model 2s, 100 realisaties (cm-mv)\n" +
           yearLine + "ghg " + formatReal(ghg, 0, 2) + "\nglg " + formatReal(glg, 0, 2) + "\ngvg " +
           formatReal(gvg, 0, 2) + "\n";
  };
  const double ghg = std::round(*plain.measured.ghg * 100) / 100;
  const double glg = std::round(*plain.measured.glg * 100) / 100;
  const double gvg = std::round(*plain.measured.gvg * 100) / 100;
  const TubeResult off = readMadeUp(t, gzj(ghg + 12.5, glg - 4, gvg - 10.5, years)).tubes.at(0);
  EXPECT_EQ(off.sameYears.ghg, ghg + 12.5);
  EXPECT_EQ(off.sameYearsList.size(), 10u);
  const ResultWarning* w = warningOf(off, ResultWarningKind::kSimulatedVsMeasured);
  ASSERT_NE(w, nullptr) << kinds(off);
  EXPECT_NE(w->text.find("over dezelfde jaren 1980-1989 (10 jaar) (11AA0001.gzj): GHG +12.5 cm"),
            std::string::npos)
      << w->text;
  EXPECT_NE(w->text.find(", GVG -10.5 cm"), std::string::npos) << w->text;
  EXPECT_EQ(w->text.find("GLG"), std::string::npos) << w->text;
  EXPECT_NE(w->text.find("grens 10.0 cm"), std::string::npos);
  const ResultWarning* advice = warningOf(off, ResultWarningKind::kTryExtended);
  ASSERT_NE(advice, nullptr);
  EXPECT_NE(advice->text.find("gesimuleerd en gemeten over dezelfde jaren meer dan 10.0 cm"),
            std::string::npos);

  // Within 10 cm, or over other years, nothing to compare.
  EXPECT_FALSE(hasWarning(readMadeUp(t, gzj(ghg + 9.9, glg, gvg - 9.9, years)).tubes.at(0),
                          ResultWarningKind::kSimulatedVsMeasured));
  EXPECT_FALSE(hasWarning(
      readMadeUp(t, gzj(ghg + 30, glg, gvg, "jaren 1981 1982 1983 1984 1985 1986 1987 1988\n"))
          .tubes.at(0),
      ResultWarningKind::kSimulatedVsMeasured));
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

// S.kmp as the selection lays it out, over the tube's meteo days: a trend
// rising 2.5 cm a year from 1980-05-01 to 1985-12-28.
std::string trendCourse(const MadeUpTube& t, const char* situation) {
  std::string text = "# bijdragen van de componenten van model " + t.label +
                     " (cm, positief omhoog); situatie " + situation +
                     "\ncomponent trend einde 14.16 gemiddeld 7.80 gebruikt 14.16\ndatum trend\n";
  const long long start = builtinDayNumber(1980, 5, 1), end = builtinDayNumber(1985, 12, 28);
  for (int m = 1; m <= t.meteoDays(); ++m) {
    const CalendarDate date = MadeUpTube::dateOf(m);
    const long long day = builtinDayNumber(date.year, date.month, date.day);
    const double years = static_cast<double>(std::clamp(day, start, end) - start) / 365.25;
    text += isoDate(date) + " " + formatReal(2.5 * years, 0, 3) + "\n";
  }
  return text;
}

// Regression: a model with components (gft) was taken for no chosen model,
// its parameters left out of the overview, and judged by the standard
// model's start from S.t01 as if it had not started in equilibrium.
TEST(ResultComponents, AModelWithComponentsIsAnExtendedModelWithItsLevelsAndSituation) {
  MadeUpTube t;
  t.delta = 0.999;  // S.t01 as gives the standard model a start transient
  t.omega0 = 1;
  t.label = "gft";
  t.extraSel =
      "gekozen gft bic 1234.50 filter 01\nparameter phi 0.5 0.01\nparameter c -100 2\n"
      "t95 50.0\n"
      "component trend van 1980-05-01 tot 1985-12-28 helling 2.5 0.2 cm/jaar verandering 14.2 "
      "cm\n";
  t.kmp = trendCourse(t, "einde");
  test::TempDir dir;
  t.write(dir);
  dir.write("modsel.zft", t.valuesLine() + "\n");
  dir.write(kLocationsFileName, "locatie,filter,x,y\n11AA0001,1,155000.5,463000\n");
  const DataSetResults results = readResults(dir.path());
  EXPECT_TRUE(results.notes.empty()) << results.notes.front();
  const TubeResult& tube = results.tubes.at(0);
  EXPECT_EQ(tube.label, "gft");
  EXPECT_TRUE(hasChosenModel(tube));
  EXPECT_EQ(tube.phi, 0.5);
  EXPECT_EQ(warningOf(tube, ResultWarningKind::kStartTransient), nullptr) << kinds(tube);
  ASSERT_EQ(tube.choice.components.size(), 1u);
  EXPECT_EQ(tube.choice.components[0].value, 2.5);
  ASSERT_EQ(tube.componentLevels.size(), 1u);
  EXPECT_EQ(tube.componentLevels[0].end, 14.16);
  EXPECT_EQ(tube.componentLevels[0].mean, 7.80);
  EXPECT_EQ(tube.situation, Situation::kEinde);

  // The fit chart draws the trend's course on its second axis, positive
  // upward as S.kmp has it, dated as the readings.
  const std::vector<Chart> charts = tubeCharts(dir.path(), tube);
  ASSERT_FALSE(charts.empty());
  const Chart& fit = charts[0];
  ASSERT_EQ(fit.series.size(), 5u);
  const ChartSeries& course = fit.series[4];
  EXPECT_EQ(course.name, "bijdrage trend (rechter as)");
  EXPECT_TRUE(course.secondAxis);
  EXPECT_EQ(fit.y2.title, "bijdrage component (cm, positief omhoog)");
  EXPECT_FALSE(fit.y2.reversed);
  ASSERT_EQ(course.x.size(), static_cast<std::size_t>(t.meteoDays()));
  EXPECT_EQ(course.x.front(), daysSince1970({1980, 1, 1}));
  EXPECT_EQ(course.y.front(), 0);
  EXPECT_NEAR(course.y.back(),
              2.5 * (builtinDayNumber(1985, 12, 28) - builtinDayNumber(1980, 5, 1)) / 365.25,
              0.0005);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_FALSE(fit.series[i].secondAxis);

  // A damaged S.kmp costs the levels and the chart's course, not the tube:
  // a note names the file and the line.
  t.kmp = "# model gft; situatie einde\ncomponent trend einde 1 gemiddeld 2 gebruikt\n";
  t.write(dir);
  const DataSetResults damaged = readResults(dir.path());
  ASSERT_EQ(damaged.notes.size(), 1u);
  EXPECT_NE(damaged.notes[0].find("11AA0001.kmp:2: verwacht component"), std::string::npos)
      << damaged.notes[0];
  const TubeResult& without = damaged.tubes.at(0);
  EXPECT_TRUE(without.modelled);
  EXPECT_TRUE(without.componentLevels.empty());
  EXPECT_FALSE(without.situation);
  EXPECT_EQ(without.choice.components.size(), 1u);
  EXPECT_THROW(tubeCharts(dir.path(), without), Error);
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

// --- Results that cannot be read -------------------------------------------

// Packs the files of one tube into S.zip (stored, so that a test can change
// the archive's directory) and removes them.
void packOneTube(const test::TempDir& dir, const std::string& stem) {
  int error = 0;
  zip_t* zip = zip_open(dir.file(stem + ".zip").c_str(), ZIP_CREATE | ZIP_EXCL, &error);
  ASSERT_NE(zip, nullptr);
  for (const std::string& name : listFiles(dir.path(), stem + ".*")) {
    if (name == stem + ".zip") continue;
    zip_source_t* source = zip_source_file(zip, dir.file(name).c_str(), 0, -1);
    ASSERT_NE(source, nullptr) << name;
    const zip_int64_t index = zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    ASSERT_GE(index, 0) << name;
    ASSERT_EQ(zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0), 0);
  }
  ASSERT_EQ(zip_close(zip), 0);
  for (const std::string& name : listFiles(dir.path(), stem + ".*")) {
    if (name != stem + ".zip") removeFile(dir.file(name));
  }
}

// Sets the size the central directory of a zip declares for one member:
// four bytes of the file, as a damaged copy would have them.
void declareSize(const std::string& path, const std::string& member, std::uint32_t size) {
  std::string bytes = readFileText(path);
  const std::string signature("PK\x01\x02", 4);
  for (std::size_t at = bytes.find(signature); at != std::string::npos;
       at = bytes.find(signature, at + 4)) {
    const auto u16 = [&](std::size_t k) {
      return static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + k])) |
             static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + k + 1])) << 8;
    };
    if (bytes.compare(at + 46, u16(28), member) != 0) continue;
    for (int k = 0; k < 4; ++k) bytes[at + 24 + k] = static_cast<char>(size >> (8 * k) & 0xff);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    ASSERT_EQ(std::fclose(f), 0);
    return;
  }
  FAIL() << member << " not in " << path;
}

// A tube whose archive does not open, whose statistics are empty or whose
// archive holds a member too large for a result file has that as its
// reason; it has no model and no GxG, counts as unreadable, and the other
// tubes keep theirs.
TEST(ReadResults, ATubeWhoseResultsCannotBeReadHasThatAsItsReason) {
  test::TempDir dir;
  std::string modsel;
  for (const char* stem : {"11AA0001", "11AA0002", "11AA0003", "11AA0004", "11AA0005"}) {
    MadeUpTube t;
    t.stem = stem;
    t.write(dir);
    modsel += t.valuesLine() + "\n";
  }
  dir.write("modsel.zft", modsel);
  MadeUpTube refused;
  refused.stem = "11AA0006";
  dir.write("foutbuis.zft", refused.valuesLine() + "\n");
  // Not an archive at all, and no loose files beside it.
  for (const std::string& name : listFiles(dir.path(), "11AA0002.*")) removeFile(dir.file(name));
  dir.write("11AA0002.zip", "dit is geen zip\n");
  dir.write("11AA0006.zip", "PK\x03\x04 afgebroken");
  // Empty statistics.
  dir.write("11AA0003.sta", "");
  // A member whose directory entry claims 200 MB.
  packOneTube(dir, "11AA0004");
  declareSize(dir.file("11AA0004.zip"), "11AA0004.sta", 200u << 20);
  // A loose file of 65 MB (sparse: nothing is written).
  std::filesystem::resize_file(dir.file("11AA0005.sta"), 65u << 20);

  const DataSetResults results = readResults(dir.path(), false, 2);
  ASSERT_EQ(results.tubes.size(), 6u);
  const TubeResult& good = tubeOf(results, "11AA0001");
  EXPECT_TRUE(good.modelled);
  EXPECT_FALSE(good.unreadable);
  EXPECT_TRUE(good.ghg);

  struct Case {
    const char* stem;
    std::string reason;
  };
  const Case cases[] = {
      {"11AA0002", "resultaten niet te lezen: " + dir.file("11AA0002.zip") +
                       ": het archief is niet te openen: "},
      {"11AA0003", "resultaten niet te lezen: 11AA0003.sta: leeg"},
      {"11AA0004", "resultaten niet te lezen: " + dir.file("11AA0004.zip") +
                       ": 11AA0004.sta: 209715200 bytes volgens het archief, meer dan de "
                       "67108864 bytes die een resultaatbestand hoogstens heeft"},
      {"11AA0005", "resultaten niet te lezen: " + dir.file("11AA0005.sta") +
                       ": 68157440 bytes, meer dan de 67108864 bytes"},
      {"11AA0006", "calibratieresultaten niet te lezen: " + dir.file("11AA0006.zip") +
                       ": het archief is niet te openen: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stem);
    const TubeResult& tube = tubeOf(results, c.stem);
    EXPECT_FALSE(tube.modelled);
    EXPECT_TRUE(tube.unreadable);
    EXPECT_FALSE(tube.ghg || tube.glg || tube.gvg);
    EXPECT_EQ(tube.failure.rfind(c.reason, 0), 0u) << tube.failure;
  }
  EXPECT_EQ(results.unreadableTubes(), 5u);
  EXPECT_NE(reportWrittenLine(results).find("(6 buizen, 1 met model, 5 niet te lezen)"),
            std::string::npos);
  // The results window shows them too, unfinished tubes aside.
  EXPECT_EQ(readResults(dir.path(), true).tubes.size(), 6u);
}

// Numbers of a program file are checked before they are used: an
// out-of-range first year of the simulation (S.t01) is a note naming the
// file and line, not a warning about the year -2147483648; a head line of
// S.sim naming a column beyond its day lines is refused before a day line
// is read.
TEST(ReadResults, NumbersOfTheSimulationFilesAreCheckedBeforeUse) {
  test::TempDir dir;
  MadeUpTube t;
  t.phi = 0.99;
  t.warmUp = 100;  // a start transient of 9.7 cm (see above)
  t.write(dir);
  dir.write("modsel.zft", t.valuesLine() + "\n");
  std::string t01 = dir.read("11AA0001.t01");
  const std::size_t at = t01.find(" 1990\n");
  ASSERT_NE(at, std::string::npos);
  const struct {
    std::string year, shown;
  } cases[] = {{"1e10", "10000000000"}, {"1990.5", "1990.5"}, {"-3", "-3"}, {"1e300", "1e+300"}};
  for (const auto& [year, shown] : cases) {
    SCOPED_TRACE(year);
    dir.write("11AA0001.t01", t01.substr(0, at + 1) + year + t01.substr(at + 5));
    const DataSetResults results = readResults(dir.path());
    const TubeResult& tube = results.tubes.at(0);
    EXPECT_TRUE(tube.modelled);
    EXPECT_EQ(warningOf(tube, ResultWarningKind::kStartTransient), nullptr) << kinds(tube);
    const std::string expected =
        "11AA0001: simulatie-invoer niet gelezen: 11AA0001.t01:5: "
        "verwacht als eerste jaar een geheel getal van 1 t/m 9999, niet " +
        shown;
    EXPECT_NE(std::find(results.notes.begin(), results.notes.end(), expected), results.notes.end())
        << (results.notes.empty() ? "" : results.notes.back());
  }
  dir.write("11AA0001.t01", t01);
  std::string sim = dir.read("11AA0001.sim");
  ASSERT_EQ(sim.rfind("1000 5 1 4 5\n", 0), 0u);
  dir.write("11AA0001.sim", "1000 5 1 1984 5\n" + sim.substr(13));
  const DataSetResults results = readResults(dir.path());
  EXPECT_EQ(warningOf(results.tubes.at(0), ResultWarningKind::kStartTransient), nullptr);
  const std::string expected =
      "11AA0001: simulatie-invoer niet gelezen: 11AA0001.sim:1: de "
      "kopregel noemt geen bruikbare kolommen";
  EXPECT_NE(std::find(results.notes.begin(), results.notes.end(), expected), results.notes.end())
      << (results.notes.empty() ? "" : results.notes.back());
}

// A values line of a stem and blanks, or with too few numbers, is refused
// naming the file, the line and why.
TEST(ReadResults, AValuesLineTooShortIsRefusedWithFileAndLine) {
  test::TempDir dir;
  const std::string good = "28AL0005 1s 0.9712345 2.5000000 0. 0.9800000 -152.12346   12.25000\n";
  const struct {
    std::string line;
    std::string message;
  } cases[] = {
      {"28AL0006      ", ":2: een stam zonder label en waarden: \"28AL0006      \""},
      {"28AL0006 \t ", ":2: een stam zonder label en waarden"},
      {"28AL0006 1s 0.97 2.5", ":2: geen stam, label en zes waarden"},
      {"28AL0", ":2: verwacht een stam van 8 tekens en de waarden"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    dir.write("modsel.zft", good + c.line + "\n");
    try {
      readResults(dir.path());
      ADD_FAILURE() << "not refused";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(dir.file("modsel.zft") + c.message), std::string::npos)
          << e.what();
    }
  }
}

// locaties.csv as RFC 4180 has it, and only points in the Netherlands: a
// quoted decimal comma is one field that is no number, a point far outside
// RD New is refused; each refusal names the line, and the tube stays,
// without coordinates.
TEST(ReadResults, LocationsReadAsCsvAndWithinTheNetherlands) {
  test::TempDir dir;
  dir.write("modsel.zft", "");
  dir.write(kLocationsFileName,
            "locatie,filter,x,y\r\n"
            "\"11AA0001\",\"001\",\"155000.5\",\"463000\"\r\n"
            "11AA0002,1,\"211350,5\",463000\r\n"
            "11AA0003,1,1e300,400000\r\n"
            "11AA0004,1,150000,\r\n"
            "11AA0005,1,-7000,629000\r\n"
            "11AA0006,1,-7000.5,450000\r\n"
            "\"11AA0007\"x,1,150000,450000\r\n"
            "11AA0008,1,,\r\n"
            "\"11AA0009,1,150000,450000\r\n");
  const DataSetResults results = readResults(dir.path());
  ASSERT_EQ(results.tubes.size(), 7u);
  EXPECT_EQ(tubeOf(results, "11AA0001").x, 155000.5);
  EXPECT_EQ(tubeOf(results, "11AA0001").y, 463000.0);
  EXPECT_EQ(tubeOf(results, "11AA0005").x, -7000.0);  // the corner of the area
  for (const char* stem : {"11AA0002", "11AA0003", "11AA0004", "11AA0006", "11AA0008"}) {
    EXPECT_FALSE(tubeOf(results, stem).x) << stem;
    EXPECT_FALSE(tubeOf(results, stem).y) << stem;
  }
  const std::string file = dir.file(kLocationsFileName);
  const std::string area =
      " ligt buiten RD New (EPSG:28992) in Nederland (x -7000..300000, "
      "y 289000..629000 m); ";
  for (const std::string& expected :
       {file + ":3: x \"211350,5\" is geen getal; 11AA0002 zonder coördinaten",
        file + ":4: x 1e+300, y 400000" + area + "11AA0003 zonder coördinaten",
        file + ":5: alleen x gegeven; 11AA0004 zonder coördinaten",
        file + ":7: x -7000.5, y 450000" + area + "11AA0006 zonder coördinaten",
        file + ":8: tekst na het sluitende aanhalingsteken; regel overgeslagen",
        file + ":10: aanhalingsteken niet gesloten; regel overgeslagen"}) {
    EXPECT_NE(std::find(results.notes.begin(), results.notes.end(), expected), results.notes.end())
        << expected;
  }
}

}  // namespace
}  // namespace phreatix
