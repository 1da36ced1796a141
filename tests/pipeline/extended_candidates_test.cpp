// The extended model family in the pipeline: the candidates' files, the
// choice by BIC among the plausible ones, the fit in equilibrium and the
// simulation and trace the program makes itself in the engine's layouts.
#include "pipeline/extended_candidates.h"

#include <gtest/gtest.h>

#include <cmath>

#include "files/candidate_file.h"
#include "files/component_file.h"
#include "files/values_lines.h"
#include "pipeline/pipeline_case.h"

namespace phreatix::test {
namespace {

CandidateFit candidate(ExtendedShape shape, double bic, double A, double n, double a) {
  CandidateFit fit;
  fit.ok = true;
  fit.model.shape = shape;
  fit.model.A = A;
  fit.model.n = n;
  fit.model.a = a;
  fit.model.f = 0.9;
  fit.model.phi = 0.95;
  fit.model.c = -120.123456789012;
  fit.model.sigma2 = 2.5;
  fit.n = 2;
  fit.k = calibratedParameters(shape);
  fit.objective = bic - fit.k * std::log(2.0);
  fit.weightedObjective = fit.objective;
  fit.bic = bic;
  fit.t95 = responseTime(n, a);
  fit.standardErrors = {3, -1, 2, 0.1, 0.01, 1.5, 0.2};
  fit.search = {{n, a, 0.95, fit.objective}};
  return fit;
}

TEST(ExtendedCandidates, FilesReadBackExactlyAndBadLinesAreNamed) {
  TempDir dir;
  const CandidateFit fit = candidate(ExtendedShape::kGamma, 812.25, 350.5, 1.7, 41.25);
  writeCandidateFiles(dir.path(), "28AL0005", "01", fit, "elk kalenderjaar even zwaar");
  const CandidateFit back = readCandidateResults(dir.file("28AL0005.gf01"), ExtendedShape::kGamma);
  ASSERT_TRUE(back.ok);
  EXPECT_EQ(back.model.values(), fit.model.values());  // 17 digits: the very doubles
  EXPECT_EQ(back.bic, fit.bic);
  EXPECT_EQ(back.standardErrors[1], -1);
  EXPECT_EQ(back.standardErrors[0], 3);
  EXPECT_EQ(readLines(dir.file("28AL0005.gfs01")).size(), 2u);

  CandidateFit failed;
  failed.model.shape = ExtendedShape::kExponential;
  failed.failure = "te weinig metingen (3)";
  writeCandidateFiles(dir.path(), "28AL0005", "01", failed, "x");
  const CandidateFit f =
      readCandidateResults(dir.file("28AL0005.ef01"), ExtendedShape::kExponential);
  EXPECT_FALSE(f.ok);
  EXPECT_EQ(f.failure, "te weinig metingen (3)");

  dir.write("28AL0005.ef01", "# kandidaat\nmetingen 10\nbic x\n");
  try {
    readCandidateResults(dir.file("28AL0005.ef01"), ExtendedShape::kExponential);
    ADD_FAILURE() << "a bad number passed";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), dir.file("28AL0005.ef01") + ":3: verwacht een getal na bic");
  }
}

// A count or a day number of a candidate file is whole and within range
// before it becomes an int: a damaged file is refused naming the line.
TEST(ExtendedCandidates, CountsAndDayNumbersOutOfRangeAreRefusedNotCast) {
  TempDir dir;
  const struct {
    std::string line;
    std::string message;
  } cases[] = {
      {"metingen 1e300", ":2: verwacht een aantal metingen van 0 t/m 38525"},
      {"metingen 12.5", ":2: verwacht een aantal metingen van 0 t/m 38525"},
      {"component trend start 1e300 eind 100 helling 0.1 se -",
       ":2: verwacht een dagnummer na start"},
      {"component stap dag -3e9 sprong 10 se -", ":2: verwacht een dagnummer na dag"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    dir.write("28AL0005.ef01", "# kandidaat\n" + c.line + "\n");
    try {
      readCandidateResults(dir.file("28AL0005.ef01"), ExtendedShape::kExponential);
      ADD_FAILURE() << "not refused";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), dir.file("28AL0005.ef01") + c.message);
    }
  }
}

TEST(ExtendedCandidates, ValuesLinesOfBothFamiliesReadBack) {
  ChosenModel m;
  m.label = "gf";
  m.extended = candidate(ExtendedShape::kGamma, 1, 350.5, 1.7, 41.25).model;
  const std::string line = extendedValuesLine("28AL0005", m, CalendarDate{1990, 1, 1});
  const std::vector<ValuesLine> read = readValuesLines(
      "modsel.zft",
      line + "\n" + valuesLine("28AL0009", "1s", {0.95, 2.5, 0, 0.97, -120, 9}) + "\n");
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].label, "gf");
  ASSERT_EQ(read[0].extended.size(), 7u);
  EXPECT_DOUBLE_EQ(read[0].extended[0], 350.5);
  EXPECT_NEAR(read[0].p[4], -120.123457, 1e-6);
  EXPECT_TRUE(read[1].extended.empty());
  EXPECT_DOUBLE_EQ(read[1].p[1], 2.5);
  // Six numbers are too few for an extended label.
  EXPECT_THROW(readValuesLines("modsel.zft", "28AL0005 gf 1 2 3 4 5 6\n"), Error);
}

TEST(ExtendedCandidates, TheSmallestPlausibleBicIsChosenAndEveryShapeHasItsResponseTime) {
  SelectionCase c;
  c.session.settings().model = ModelFamily::kUitgebreid;
  // 1s: objective 812.3 with 5 parameters over 2 readings.
  c.dir.write("28AL0005.a01", vertexFile({"0.95 2.5 0.97 -120 9 0 812.3"}));
  writeCandidateFiles(c.dir.path(), "28AL0005", "01",
                      candidate(ExtendedShape::kExponential, 800, 300, 1, 10), "w");
  writeCandidateFiles(c.dir.path(), "28AL0005", "01",
                      candidate(ExtendedShape::kGamma, 790, 300, 2, 20), "w");
  CandidateJudgement j = judgeCandidates(c.dir.path(), "28AL0005", "01", c.session.settings(), 2);
  ASSERT_EQ(j.candidates.size(), 4u);
  EXPECT_NEAR(j.candidates[0].bic, 812.3 + 5 * std::log(2.0), 1e-9);
  EXPECT_FALSE(j.candidates[1].calibrated);  // no S.d01
  ASSERT_TRUE(j.chosen);
  EXPECT_EQ(j.candidates[*j.chosen].label, "gf");

  // A Gamma response slower than t95-max is refused (t95 95 days), and so
  // is 1s (58 days); the exponential (30 days) wins.
  c.session.settings().t95Max = 50;
  j = judgeCandidates(c.dir.path(), "28AL0005", "01", c.session.settings(), 2);
  EXPECT_FALSE(j.candidates[3].plausible);
  EXPECT_NE(j.candidates[3].reason.find("t95"), std::string::npos);
  EXPECT_EQ(j.candidates[*j.chosen].label, "ef");
  // A negative gain is refused whatever its BIC.
  c.session.settings().t95Max = 3650;
  writeCandidateFiles(c.dir.path(), "28AL0005", "01",
                      candidate(ExtendedShape::kExponential, 700, -5, 1, 30), "w");
  writeCandidateFiles(c.dir.path(), "28AL0005", "01",
                      candidate(ExtendedShape::kGamma, 700, -5, 2, 20), "w");
  j = judgeCandidates(c.dir.path(), "28AL0005", "01", c.session.settings(), 2);
  EXPECT_EQ(j.candidates[*j.chosen].label, "1s");
  // The standard one's response time applies too: delta 0.95 reaches 95 %
  // in ln 0.05 / ln 0.95 = 58.4 days.
  EXPECT_NEAR(j.candidates[0].t95, std::log(0.05) / std::log(0.95), 1e-9);
  c.session.settings().t95Min = 60;
  j = judgeCandidates(c.dir.path(), "28AL0005", "01", c.session.settings(), 2);
  EXPECT_FALSE(j.chosen);

  // The selection writes the chosen model into modsel.zft and S.sel with
  // its candidates, and S.fit.
  c.session.settings().t95Min = 10;
  writeCandidateFiles(c.dir.path(), "28AL0005", "01",
                      candidate(ExtendedShape::kGamma, 700, 300, 2, 20), "w");
  std::map<std::string, ChosenModel> inProcess;
  ASSERT_EQ(selectModels(c.session, c.overview, DayDates(c.session.dayNumbers()), &inProcess), 1);
  const std::vector<std::string> sel = c.lines("28AL0005.sel");
  EXPECT_EQ(sel[0], c.lines("modsel.zft")[0]);
  EXPECT_EQ(sel[0].substr(0, 11), "28AL0005 gf");
  EXPECT_EQ(sel[1].substr(0, 15), "kandidaat 1s bi");
  EXPECT_NE(std::find(sel.begin(), sel.end(), "gekozen gf bic 700.00 filter 01"), sel.end());
  EXPECT_EQ(inProcess.count("28AL0005"), 1u);
  const std::vector<std::string> fit = c.lines("28AL0005.fit");
  EXPECT_EQ(fit[0], "# fit in evenwicht: model gf, meteo vanaf 1-1-1960");
  EXPECT_EQ(fit.size(), 1u + c.lines("28AL0005.met").size() - 1);
}

// The engine's simulation of a standard model and the program's of an
// extended one write realisation files of the same shape; the trace without
// updating is the model's own course, with updating it meets every reading.
TEST(ExtendedCandidates, SimulationAndTraceKeepTheEnginesLayouts) {
  SelectionCase c;
  c.dir.write("28AL0005.a01", vertexFile({"0.95 2.5 0.97 -120 9 0 812.3"}));
  ASSERT_EQ(selectModels(c.session, c.overview, DayDates(c.session.dayNumbers())), 1);
  // Standard S.fit: the recursion from the equilibrium of the mean
  // surplus; this meteo file has the same surplus every day (0.12 - 0.04),
  // so the level is flat: c + omega0 q / (1 - delta).
  const std::vector<std::string> fit = c.lines("28AL0005.fit");
  ASSERT_GT(fit.size(), 2u);
  EXPECT_EQ(fit[1], "     1   -116.000");
  EXPECT_EQ(fit.back().substr(6), fit[1].substr(6));

  ASSERT_TRUE(copyFile(c.dir.file("28AL0005.t01"), c.dir.file("zeftal0.par")));
  ASSERT_TRUE(c.engine.run(c.dir.path(), "sim", 500));
  const std::vector<std::string> engineRealisations = c.lines("28AL0005.u01");

  ChosenModel m;
  m.label = "ef";
  m.extended = candidate(ExtendedShape::kExponential, 1, 30, 1, 20).model;
  const DatedWeather weather = readDatedWeather(c.dir.file("west.prn"));
  std::string message;
  ASSERT_TRUE(runExtendedStage(c.dir.path(), "28AL0005", "01", m, weather, false, Situation::kEinde,
                               message))
      << message;
  const std::vector<std::string> realisations = c.lines("28AL0005.u01");
  EXPECT_EQ(realisations.size(), engineRealisations.size());
  EXPECT_EQ(realisations[0], engineRealisations[0]);
  // Every realisation starts in equilibrium: the first day's levels lie
  // around the model level, not off by the start of the noise.
  const double level = m.extended.c + m.extended.A * (0.12 - 0.9 * 0.04) * kResponseCutoff;
  const int perRealisation = static_cast<int>(realisations.size() - 1) / 100;
  double sum = 0;
  for (int r = 0; r < 100; ++r) sum += std::stod(realisations[1 + r * perRealisation]);
  EXPECT_NEAR(sum / 100, level, 1.5);
  EXPECT_EQ(c.lines("28AL0005.e01")[0], "ME, RMSE, MAE deterministic model:");

  ASSERT_TRUE(runExtendedStage(c.dir.path(), "28AL0005", "01", m, weather, true, Situation::kEinde,
                               message))
      << message;
  const std::vector<std::string> trace = c.lines("28AL0005.upd");
  ASSERT_TRUE(copyFile(c.dir.file("28AL0005.std"), c.dir.file("zeftal0.par")));
  ASSERT_TRUE(c.engine.run(c.dir.path(), "trace", 500));
  EXPECT_EQ(trace.size(), c.lines("28AL0005.upd").size());
  // Without updating (the default) prediction and update are the same.
  EXPECT_EQ(trace[5].substr(10, 15), trace[5].substr(25, 15));
}

}  // namespace
}  // namespace phreatix::test

namespace phreatix::test {
namespace {

// Under "uitgebreid" a location with only filter 04 is simulated on it; its
// realisations go to S.u01, which the post-processing reads.
TEST(ExtendedCandidates, ALocationWithoutFilter01IsSimulatedOnItsLowestFilter) {
  PipelineCase c({tube("28AL0005", "04"), "S8504019999+00120", "S8504159999+00110"});
  c.overview.rows = {{"28AL0005 +04", "west.prn"}};
  c.writeMeteo("west.prn", 1960, 2000);
  c.session.stageFlags().ds = true;
  c.pipeline().writeCalibrationInputs();
  c.session.settings().startYear = 1969;
  c.session.settings().numberOfYears = 30;
  c.dir.write("28AL0005.a04", vertexFile({"0.95 2.5 0.97 -120 9 0 812.3"}));
  ASSERT_FALSE(fileExists(c.dir.file("28AL0005.01")));
  // Under the standard model it gets none.
  EXPECT_EQ(selectModels(c.session, c.overview, DayDates(c.session.dayNumbers())), 0);
  c.session.settings().model = ModelFamily::kUitgebreid;
  writeCandidateFiles(c.dir.path(), "28AL0005", "04",
                      candidate(ExtendedShape::kGamma, 700, 300, 2, 20), "w");
  std::map<std::string, ChosenModel> inProcess;
  ASSERT_EQ(selectModels(c.session, c.overview, DayDates(c.session.dayNumbers()), &inProcess), 1);
  const std::vector<std::string> sel = c.lines("28AL0005.sel");
  EXPECT_NE(std::find(sel.begin(), sel.end(), "gekozen gf bic 700.00 filter 04"), sel.end());
  ASSERT_EQ(inProcess.count("28AL0005"), 1u);
  EXPECT_EQ(inProcess.at("28AL0005").filter, "04");
  EXPECT_EQ(c.lines("28AL0005.t04").at(2), "28AL0005.u01");
  EXPECT_EQ(c.lines("modsel.zft").size(), 1u);
}

}  // namespace
}  // namespace phreatix::test

namespace phreatix::test {
namespace {

CandidateFit withTrend(double bic, double slope, int start, int end) {
  CandidateFit fit = candidate(ExtendedShape::kGamma, bic, 300, 2, 20);
  ModelComponent trend;
  trend.kind = ComponentKind::kTrend;
  trend.start = start;
  trend.end = end;
  trend.gain = slope;
  fit.model.components = {trend};
  fit.componentErrors = {{0.25, -1, -1}};
  fit.k += 3;
  return fit;
}

TEST(ExtendedComponents, ACandidateWithATrendIsChosenOnlyWhereItBuysTheMargin) {
  SelectionCase c;
  c.session.settings().model = ModelFamily::kUitgebreid;
  writeCandidateFiles(c.dir.path(), "28AL0005", "01",
                      candidate(ExtendedShape::kExponential, 800, 300, 1, 10), "w");
  writeCandidateFiles(c.dir.path(), "28AL0005", "01",
                      candidate(ExtendedShape::kGamma, 790, 300, 2, 20), "w");
  const CalendarDate first{1960, 1, 1};
  // 9.9 lower than gf: not enough.
  writeCandidateFiles(c.dir.path(), "28AL0005", "01", withTrend(780.1, 8.5, 400, 4052), "w",
                      &first);
  CandidateJudgement j = judgeCandidates(c.dir.path(), "28AL0005", "01", c.session.settings(), 2);
  ASSERT_TRUE(j.chosen);
  EXPECT_EQ(j.candidates[*j.chosen].label, "gf");
  // The file reads back with its trend, and the candidate is judged.
  const CandidateFit back =
      readCandidateResults(c.dir.file("28AL0005.gft01"), ExtendedShape::kGamma);
  ASSERT_EQ(back.model.components.size(), 1u);
  EXPECT_EQ(back.model.components[0].start, 400);
  EXPECT_EQ(back.model.components[0].end, 4052);
  EXPECT_EQ(back.model.components[0].gain, 8.5);
  EXPECT_EQ(back.componentErrors[0].gain, 0.25);
  EXPECT_EQ(back.k, 10);
  const std::vector<std::string> file = c.lines("28AL0005.gft01");
  EXPECT_NE(std::find(file.begin(), file.end(),
                      "component trend start 400 eind 4052 helling 8.5 se 0.25 van 1961-02-04 tot "
                      "1971-02-04"),
            file.end());
  // 10.1 lower: chosen.
  writeCandidateFiles(c.dir.path(), "28AL0005", "01", withTrend(779.9, 8.5, 400, 4052), "w",
                      &first);
  j = judgeCandidates(c.dir.path(), "28AL0005", "01", c.session.settings(), 2);
  EXPECT_EQ(j.candidates[*j.chosen].label, "gft");
  // A trend of more than 3 m over its years is not plausible: 30 cm a
  // year over ten years.
  writeCandidateFiles(c.dir.path(), "28AL0005", "01", withTrend(700, 30, 400, 4052), "w", &first);
  // 30 cm a year over 3652 days is 299.96 cm: within the bound.
  j = judgeCandidates(c.dir.path(), "28AL0005", "01", c.session.settings(), 2);
  EXPECT_EQ(j.candidates[*j.chosen].label, "gft");
  writeCandidateFiles(c.dir.path(), "28AL0005", "01", withTrend(700, 31, 400, 4052), "w", &first);
  j = judgeCandidates(c.dir.path(), "28AL0005", "01", c.session.settings(), 2);
  EXPECT_EQ(j.candidates[*j.chosen].label, "gf");
  for (const CandidateSummary& s : j.candidates) {
    if (s.label == "gft") {
      EXPECT_FALSE(s.plausible);
      EXPECT_NE(s.reason.find("trend verandert 310.0 cm (grens 300 cm)"), std::string::npos)
          << s.reason;
    }
  }
}

// A fading step, a given trend and a stress with a Gamma response read
// back with their extra fields, and k counts what each adds.
TEST(ExtendedComponents, FadingGivenAndGammaComponentsReadBackWithTheirK) {
  TempDir dir;
  const CalendarDate first{1960, 1, 1};
  CandidateFit fit = candidate(ExtendedShape::kGamma, 700, 300, 2, 20);
  ModelComponent trend, step, stress;
  trend.kind = ComponentKind::kTrend;
  trend.start = 400;
  trend.end = 4052;
  trend.gain = 2.5;
  trend.given = true;
  step.kind = ComponentKind::kStep;
  step.start = 5000;
  step.end = 5000;
  step.gain = -60;
  step.fade = 440.25;
  stress.kind = ComponentKind::kStress;
  stress.n = 2.5;
  stress.a = 30;
  stress.gain = 41;
  fit.model.components = {trend, step, stress};
  fit.componentErrors = {{0.1, -1, -1, -1}, {4, -1, -1, 35}, {2, 0.4, 3, -1}};
  fit.k += 3 + 3 + 3;
  writeCandidateFiles(dir.path(), "28AL0005", "01", fit, "w", &first);
  const CandidateFit back =
      readCandidateResults(joinPath(dir.path(), "28AL0005.gftpx01"), ExtendedShape::kGamma);
  ASSERT_EQ(back.model.components.size(), 3u);
  EXPECT_TRUE(back.model.components[0].given);
  EXPECT_FALSE(back.model.components[1].given);
  EXPECT_EQ(back.model.components[1].fade, 440.25);
  EXPECT_EQ(back.componentErrors[1].fade, 35);
  EXPECT_EQ(back.model.components[2].n, 2.5);
  EXPECT_EQ(back.componentErrors[2].n, 0.4);
  EXPECT_EQ(back.k, fit.k);
  // A lasting step and an exponential stress count one less each.
  fit.model.components[1].fade = 0;
  fit.model.components[2].n = 1;
  writeCandidateFiles(dir.path(), "28AL0005", "01", fit, "w", &first);
  EXPECT_EQ(readCandidateResults(joinPath(dir.path(), "28AL0005.gftpx01"), ExtendedShape::kGamma).k,
            fit.k - 2);
}

TEST(ExtendedComponents, AStressMayActWithinDaysButNotSlowerThanTheBound) {
  SelectionCase c;
  c.session.settings().model = ModelFamily::kUitgebreid;
  writeCandidateFiles(c.dir.path(), "28AL0005", "01",
                      candidate(ExtendedShape::kGamma, 790, 300, 2, 20), "w");
  CandidateFit river = candidate(ExtendedShape::kGamma, 700, 300, 2, 20);
  ModelComponent stage;
  stage.kind = ComponentKind::kStress;
  stage.a = 1;  // t95 3.0 days: below --t95-min, a river next to the tube
  stage.gain = 44;
  river.model.components = {stage};
  river.componentErrors = {{2, -1, -1}};
  writeCandidateFiles(c.dir.path(), "28AL0005", "01", river, "w");
  CandidateJudgement j = judgeCandidates(c.dir.path(), "28AL0005", "01", c.session.settings(), 2);
  EXPECT_EQ(j.candidates[*j.chosen].label, "gfx");
  // A scale of 2000 days: t95 = 2000 * 3.0 = 5991 days.
  river.model.components[0].a = 2000;
  writeCandidateFiles(c.dir.path(), "28AL0005", "01", river, "w");
  c.session.settings().t95Max = 6000;
  j = judgeCandidates(c.dir.path(), "28AL0005", "01", c.session.settings(), 2);
  EXPECT_EQ(j.candidates[*j.chosen].label, "gfx");
  c.session.settings().t95Max = 4000;
  j = judgeCandidates(c.dir.path(), "28AL0005", "01", c.session.settings(), 2);
  EXPECT_EQ(j.candidates[*j.chosen].label, "gf");
  for (const CandidateSummary& s : j.candidates) {
    if (s.label == "gfx") {
      EXPECT_NE(s.reason.find("stress t95 5991.5 dagen > 4000"), std::string::npos) << s.reason;
    }
  }
}

TEST(ExtendedComponents, EachSituationHoldsTheComponentsAtTheirLevel) {
  DatedWeather weather;
  weather.first = {2000, 1, 1};
  weather.weather.precipitation.assign(2000, 0.2);
  weather.weather.evaporation.assign(2000, 0.1);
  ChosenModel m;
  m.label = "eftx";
  m.extended.shape = ExtendedShape::kExponential;
  m.extended.A = 100;
  m.extended.a = 30;
  m.extended.f = 1;
  m.extended.c = -50;
  m.readingsFirst = 0;
  m.readingsLast = 830;
  ModelComponent trend;
  trend.kind = ComponentKind::kTrend;
  trend.start = 100;
  trend.end = 465;
  trend.gain = 10;
  ModelComponent stress;
  stress.kind = ComponentKind::kStress;
  stress.a = 20;
  stress.gain = -0.01;
  m.extended.components = {trend, stress};
  // An abstraction of 3000 m3 a day that drops to 1000 in the last year of
  // the readings.
  auto pump = std::make_shared<DailyStress>();
  for (int t = 0; t < 2000; ++t) pump->values.push_back(t > 830 - 365 ? 1000 : 3000);
  pump->mean = 2000;
  m.stress = pump;
  const double sumTheta = [] {
    double s = 0;
    for (double v : blockResponse(1, 20)) s += v;
    return s;
  }();
  // einde: the trend's 365 days (9.993 cm), the stress's response to the
  // last year's 1000 m3 a day.
  EXPECT_NEAR(componentSituationLevel(m, weather, trend, Situation::kEinde), 10 * 365 / 365.25,
              1e-12);
  EXPECT_NEAR(componentSituationLevel(m, weather, stress, Situation::kEinde), -10 * sumTheta, 1e-9);
  // gemiddeld over days 0..830: 100 days at 0, the rise (sum k/365.25 for
  // k = 0..365), then 365 days at 365/365.25.
  const double mean = (365.0 * 366 / 2 / 365.25 + 365 * 365 / 365.25) / 831;
  EXPECT_NEAR(componentSituationLevel(m, weather, trend, Situation::kGemiddeld), 10 * mean, 1e-9);
  EXPECT_EQ(componentSituationLevel(m, weather, stress, Situation::kGeen), 0);
  // The levels: the course in the fit, one level in a situation.
  const std::vector<double> course = modelLevels(m, weather, 1000, 5);
  const Situation geen = Situation::kGeen, einde = Situation::kEinde;
  const std::vector<double> without = modelLevels(m, weather, 1000, 5, &geen);
  const std::vector<double> atEnd = modelLevels(m, weather, 1000, 5, &einde);
  double weatherTheta = 0;
  for (double v : blockResponse(1, 30)) weatherTheta += v;
  EXPECT_NEAR(without[0], -50 + 100 * 0.1 * weatherTheta, 1e-9);
  EXPECT_NEAR(atEnd[0] - without[0], 10 * 365 / 365.25 - 10 * sumTheta, 1e-9);
  // After the readings the stress runs on at 1000 m3 a day: the course
  // there equals the end.
  EXPECT_NEAR(course[0], atEnd[0], 1e-9);
}

// S.kmp as the selection writes it reads back through the results' reader:
// the three levels of each component and its course on every day of the
// calibration period, dated from the weather's first day.
TEST(ExtendedComponents, TheComponentFileReadsBackWithTheLevelsAndTheCourse) {
  auto weather = std::make_shared<DatedWeather>();
  weather->first = {1999, 12, 30};
  weather->weather.precipitation.assign(1500, 0.2);
  weather->weather.evaporation.assign(1500, 0.1);
  ChosenModel m;
  m.label = "eftx";
  m.extended.shape = ExtendedShape::kExponential;
  m.extended.A = 100;
  m.extended.a = 30;
  m.extended.f = 1;
  m.readingsFirst = 10;
  m.readingsLast = 700;
  ModelComponent trend;
  trend.kind = ComponentKind::kTrend;
  trend.start = 100;
  trend.end = 465;
  trend.gain = 10;
  ModelComponent stress;
  stress.kind = ComponentKind::kStress;
  stress.a = 20;
  stress.gain = -0.01;
  m.extended.components = {trend, stress};
  auto pump = std::make_shared<DailyStress>();
  for (int t = 0; t < 1500; ++t) pump->values.push_back(t > 400 ? 1000 : 3000);
  pump->mean = 2000;
  m.stress = pump;
  WeatherReadings series;
  series.weather = weather;
  series.calibrationFirst = 5;
  series.calibrationDays = 720;

  TempDir dir;
  writeComponentFile(dir.path(), "28AL0005", m, series, Situation::kGemiddeld);
  const ComponentCourses back =
      readComponentText("28AL0005.kmp", readFileText(dir.file("28AL0005.kmp")));
  EXPECT_EQ(back.label, "eftx");
  EXPECT_EQ(back.situation, Situation::kGemiddeld);
  ASSERT_EQ(back.levels.size(), 2u);
  for (std::size_t j = 0; j < 2; ++j) {
    const ModelComponent& c = m.extended.components[j];
    EXPECT_EQ(back.levels[j].kind, c.kind);
    // Written with two decimals.
    EXPECT_NEAR(back.levels[j].end, componentSituationLevel(m, *weather, c, Situation::kEinde),
                0.005);
    EXPECT_NEAR(back.levels[j].mean, componentSituationLevel(m, *weather, c, Situation::kGemiddeld),
                0.005);
    EXPECT_EQ(back.levels[j].used, back.levels[j].mean);
  }
  // The trend's level at the end: its 365 days of 10 cm a year.
  EXPECT_NEAR(back.levels[0].end, 10 * 365 / 365.25, 0.005);
  // Day 5 of the weather is 2000-01-04; 720 days on.
  ASSERT_EQ(back.dates.size(), 720u);
  EXPECT_EQ(back.dates.front(), (CalendarDate{2000, 1, 4}));
  EXPECT_EQ(back.dates.back(), (CalendarDate{2001, 12, 23}));
  // The trend's course, three decimals: 0 up to its start (day 100 of the
  // weather, index 95), then 10 cm a year, and held after its end.
  ASSERT_EQ(back.course[0].size(), 720u);
  EXPECT_EQ(back.course[0][95], 0);
  EXPECT_NEAR(back.course[0][95 + 200], 10 * 200 / 365.25, 0.0005);
  EXPECT_NEAR(back.course[0][719], 10 * 365 / 365.25, 0.0005);
  // The stress: 3000 m3 a day held long enough for its response (t95 of
  // some 60 days) to settle at -0.01 x 3000 x its block response's sum.
  double sumTheta = 0;
  for (double v : blockResponse(1, 20)) sumTheta += v;
  EXPECT_NEAR(back.course[1][300], -0.01 * 3000 * sumTheta, 0.0005);
  EXPECT_NEAR(back.course[1][719], -0.01 * 1000 * sumTheta, 0.0005);

  // A model without components leaves no S.kmp behind.
  m.extended.components.clear();
  writeComponentFile(dir.path(), "28AL0005", m, series, Situation::kEinde);
  EXPECT_FALSE(fileExists(dir.file("28AL0005.kmp")));
}

}  // namespace
}  // namespace phreatix::test
