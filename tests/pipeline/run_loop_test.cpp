// The run loop: which parameter file each stage runs, under which title, and
// a tube skipped when its file is missing.
#include "pipeline/run_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "platform/files.h"
#include "report/messages.h"

#include "pipeline/pipeline_case.h"

namespace phreatix::test {
namespace {

TEST(RunLoop, EachStageRunsItsOwnParameterFile) {
  PipelineCase c({tube("28AL0005", "01"), "S9504019999+00120"});
  c.overview.rows = {{"28AL0005 +01", "west.prn"}};
  // Each parameter file holds its own name, so zeftal0.par tells which one
  // was copied; none can be run, so every run ends in an error.
  for (const char* ext : {".p01", ".q01", ".r01", ".s01", ".t01", ".std"}) {
    c.dir.write(std::string("28AL0005") + ext, std::string("28AL0005") + ext + "\n");
  }
  struct Case {
    std::vector<bool StageFlags::*> flags;
    std::string file, label;
    std::string note;  // the line that tells ds and d+s apart
  };
  // The trace runs while the simulation flag is still set: the later stage
  // wins.
  const Case cases[] = {
      {{&StageFlags::ds},
       "28AL0005.p01",
       "calibratie (det+stoch)",
       "  (ds: det+stoch calibratie ineens)"},
      {{&StageFlags::d}, "28AL0005.q01", "calibratie (det)"},
      {{&StageFlags::s}, "28AL0005.r01", "calibratie (stoch)"},
      {{&StageFlags::dPlusS},
       "28AL0005.s01",
       "calibratie (det+stoch)",
       "  (d+s: hercalibratie obv de beste eerdere fit)"},
      {{&StageFlags::simulation}, "28AL0005.t01", "simulatie (det+stoch)"},
      {{&StageFlags::simulation, &StageFlags::trace}, "28AL0005.std", "deterministische trace"},
  };
  for (const Case& stage : cases) {
    c.session.stageFlags() = StageFlags{};
    for (bool StageFlags::*flag : stage.flags) c.session.stageFlags().*flag = true;
    const std::size_t before = c.session.messages().buis().size();
    c.pipeline().runLoop();
    EXPECT_EQ(c.dir.read("zeftal0.par"), stage.file + "\n");
    std::vector<std::string> expected = {"ZEFTAL-" + stage.label + " op 28AL0005 gestart."};
    if (!stage.note.empty()) expected.push_back(stage.note);
    const std::vector<std::string>& buis = c.session.messages().buis();
    EXPECT_EQ(
        std::vector<std::string>(buis.begin() + static_cast<std::ptrdiff_t>(before), buis.end()),
        expected);
    EXPECT_EQ(c.log().back(), "ZEFTAL (op 28AL0005) met foutmelding afgesloten.");
  }

  // No parameter file: the tube is skipped, and told in mmLOG and on exit.
  removeFile(c.dir.file("28AL0005.std"));
  const std::size_t started = c.session.messages().buis().size();
  c.pipeline().runLoop();
  EXPECT_EQ(c.session.messages().buis().size(), started);
  const std::vector<std::string> skipped = {
      "Kopieren van 28AL0005.std naar zeftal0.par mislukt. Buis wordt overgeslagen",
      "Mogelijk is er geen plausibel calibratieresultaat."};
  EXPECT_EQ(std::vector<std::string>(c.log().end() - 2, c.log().end()), skipped);
  EXPECT_EQ(c.session.messages().stopExit(), skipped);
}

// Another filter of a location is calibrated (ds, d), and the stages after
// take filter 01 only: over them it is told once, at the first, with no
// failed copy, even where a parameter file of its own lies about. A
// missing parameter file of filter 01 is still a failed copy. A tube the
// calibration inputs left out (S.nFF) is passed over without a line,
// however many of its files an earlier run left. One worker or two alike.
TEST(RunLoop, OtherFiltersAreToldOnceAndLeftOutTubesPassedOver) {
  for (int workers : {1, 2}) {
    SCOPED_TRACE(workers);
    PipelineCase c({tube("28AL0005", "01"), "S9504019999+00120"});
    c.overview.rows = {{"28AL0005 +01", "west.prn"},
                       {"28AL0005 +04", "west.prn"},
                       {"28AL0009 +02", "west.prn"},
                       {"28AL0010 +01", "west.prn"}};
    c.dir.write("28AL0005.01", "   1  1\n");
    for (const char* name :
         {"28AL0005.p01", "28AL0005.q01", "28AL0005.r01", "28AL0005.t01", "28AL0005.std",
          "28AL0005.p04", "28AL0005.q04", "28AL0005.r04", "28AL0005.s04", "28AL0005.t04",
          "28AL0009.p02", "28AL0009.q02", "28AL0010.p01", "28AL0010.q01", "28AL0010.t01"}) {
      c.dir.write(name, std::string(name) + "\n");
    }
    c.dir.write("28AL0010.n01", "geen meting binnen de periode van het meteobestand west.prn\n");
    std::set<std::string> told;
    const std::vector<std::vector<bool StageFlags::*>> stages = {
        {&StageFlags::ds},         {&StageFlags::d},
        {&StageFlags::s},          {&StageFlags::dPlusS},
        {&StageFlags::simulation}, {&StageFlags::simulation, &StageFlags::trace}};
    std::vector<std::size_t> logAfter;
    for (const auto& flags : stages) {
      c.session.stageFlags() = StageFlags{};
      for (bool StageFlags::*flag : flags) c.session.stageFlags().*flag = true;
      runLoop(c.session, c.overview, c.engine, c.engineView, c.observer, workers, &told);
      logAfter.push_back(c.log().size());
    }
    const std::string filter04 = "Buis 28AL0005 filter 04: alleen filter 01 gaat door.";
    const std::string filter02 =
        "Buis 28AL0009 filter 02: alleen filter 01 gaat door; deze locatie heeft geen filter 01 "
        "en wordt niet gesimuleerd.";
    const std::vector<std::string>& log = c.log();
    EXPECT_EQ(countOf(log, filter04), 1u);
    EXPECT_EQ(countOf(log, filter02), 1u);
    // Told in the s stage, the first that passes them over.
    const auto at = std::find(log.begin(), log.end(), filter04) - log.begin();
    EXPECT_GE(static_cast<std::size_t>(at), logAfter[1]);
    EXPECT_LT(static_cast<std::size_t>(at), logAfter[2]);
    const std::vector<LineTag>& tags = c.session.messages().tags(MessageListId::kLog);
    ASSERT_EQ(tags.size(), log.size());
    EXPECT_EQ(tags[static_cast<std::size_t>(at)].tube, "28AL0005");

    // The one failed copy: d+s of filter 01, which has no S.s01.
    const std::vector<std::string> skipped = {
        "Kopieren van 28AL0005.s01 naar zeftal0.par mislukt. Buis wordt overgeslagen",
        "Mogelijk is er geen plausibel calibratieresultaat."};
    EXPECT_EQ(c.session.messages().stopExit(), skipped);
    for (const std::string& line : log) {
      if (line.rfind("Kopieren van", 0) == 0) {
        EXPECT_EQ(line, skipped[0]);
      }
      EXPECT_EQ(line.find("28AL0010"), std::string::npos) << line;
    }
    // Runs: ds and d of all three calibrated tubes, then filter 01 alone.
    std::vector<std::string> started;
    for (const std::string& line : c.session.messages().buis()) {
      if (line.rfind("ZEFTAL-", 0) == 0) started.push_back(line);
    }
    EXPECT_EQ(started,
              (std::vector<std::string>{"ZEFTAL-calibratie (det+stoch) op 28AL0005 gestart.",
                                        "ZEFTAL-calibratie (det+stoch) op 28AL0005 gestart.",
                                        "ZEFTAL-calibratie (det+stoch) op 28AL0009 gestart.",
                                        "ZEFTAL-calibratie (det) op 28AL0005 gestart.",
                                        "ZEFTAL-calibratie (det) op 28AL0005 gestart.",
                                        "ZEFTAL-calibratie (det) op 28AL0009 gestart.",
                                        "ZEFTAL-calibratie (stoch) op 28AL0005 gestart.",
                                        "ZEFTAL-simulatie (det+stoch) op 28AL0005 gestart.",
                                        "ZEFTAL-deterministische trace op 28AL0005 gestart."}));
    EXPECT_EQ(c.dir.read("zeftal0.par"), "28AL0005.std\n");
  }
}

// One stage over twelve tubes on one worker and on two: some without a
// parameter file, the others with one the engine refuses (its message names
// the parameter file, which a worker reads from its scratch folder). The
// lists (every line tagged with its tube), zeftal0.par and the markers come
// out the same, the scratch folder goes, and a stop asked for at the first
// tube's end hands out no more.
TEST(RunLoop, TwoWorkersLeaveWhatOneLeaves) {
  struct Outcome {
    std::vector<std::string> buis, log, stopExit, files;
    std::string parameterFile;
    std::vector<LineTag> buisTags, logTags, stopExitTags;
    std::size_t logBefore = 0;  // lines of mmLOG before the loop
  };
  auto stage = [](int workers, bool stopAtFirst) {
    std::vector<std::string> records;
    CouplingOverview overview;
    for (int t = 0; t < 12; ++t) {
      const std::string code = "28AL" + std::string(t < 10 ? "000" : "00") + std::to_string(t);
      records.push_back(tube(code, "01"));
      records.push_back("S9504019999+00120");
      overview.rows.push_back({code + " +01", "west.prn"});
    }
    PipelineCase c(records);
    c.overview = overview;
    for (int t = 0; t < 12; ++t) {
      if (t % 3 == 1) continue;  // no parameter file
      const std::string S = entryStem(overview.rows[static_cast<std::size_t>(t)].tube);
      // The read error names the parameter file with its path.
      c.dir.write(S + ".p01", S + ".01\n" + S + ".met\n" + S + ".w01\n" + S + ".a01\n" +
                                  "0 -79359 1 9 1990\ngeen getal\n");
    }
    c.session.settings().jobs = workers;
    c.session.stageFlags().ds = true;
    struct StopAtFirst : PipelineObserver {
      Session* session = nullptr;
      void engineRunFinished(const std::string&, const std::string&, double) override {
        if (session) session->requestStop();
      }
    } stopper;
    if (stopAtFirst) stopper.session = &c.session;
    const std::vector<std::string> opened = c.session.messages().buis();
    const std::size_t logBefore = c.session.messages().log().size();
    runLoop(c.session, c.overview, c.engine, c.engineView, stopper, workers);
    std::vector<std::string> buis = c.session.messages().buis();
    buis.erase(buis.begin(), buis.begin() + static_cast<std::ptrdiff_t>(opened.size()));
    Outcome o{buis,
              c.session.messages().log(),
              c.session.messages().stopExit(),
              listFiles(c.dir.path(), "*"),
              c.dir.read("zeftal0.par"),
              {},
              {},
              {},
              0};
    for (std::string& line : o.log) line = replacedPath(line, c.dir.path(), "DIR");
    o.buisTags = c.session.messages().tags(MessageListId::kBuis);
    o.buisTags.erase(o.buisTags.begin(),
                     o.buisTags.begin() + static_cast<std::ptrdiff_t>(opened.size()));
    o.logTags = c.session.messages().tags(MessageListId::kLog);
    o.stopExitTags = c.session.messages().tags(MessageListId::kStopExit);
    o.logBefore = logBefore;
    EXPECT_EQ(c.session.messages().tube(), "");
    EXPECT_FALSE(std::filesystem::exists(c.dir.file(".phreatix-werk")));
    return o;
  };
  const Outcome one = stage(1, false), two = stage(2, false);
  EXPECT_EQ(two.buis, one.buis);
  EXPECT_EQ(two.log, one.log);
  EXPECT_EQ(two.stopExit, one.stopExit);
  EXPECT_EQ(two.files, one.files);
  EXPECT_EQ(two.parameterFile, one.parameterFile);
  EXPECT_EQ(two.buisTags, one.buisTags);
  EXPECT_EQ(two.logTags, one.logTags);
  EXPECT_EQ(two.stopExitTags, one.stopExitTags);
  ASSERT_EQ(one.logTags.size(), one.log.size());
  for (std::size_t i = one.logBefore; i < one.log.size(); ++i) {
    const std::string& tube = one.logTags[i].tube;
    EXPECT_EQ(tube.size(), 8u) << one.log[i];
    if (one.log[i].find("(op ") != std::string::npos) {
      EXPECT_NE(one.log[i].find("(op " + tube + ")"), std::string::npos) << one.log[i];
    }
  }
  for (const std::vector<LineTag>* tags : {&one.buisTags, &one.stopExitTags}) {
    for (const LineTag& tag : *tags) EXPECT_EQ(tag.tube.size(), 8u);
  }
  EXPECT_EQ(one.parameterFile.substr(0, 12), "28AL0011.01\n");
  EXPECT_NE(std::find(one.log.begin(), one.log.end(),
                      "Meldingen uit ZEFTAL3:DIR/zeftal0.par:6: expected a number, got \"geen\""),
            one.log.end());
  EXPECT_EQ(one.buis.size(), 16u);     // 8 runs, each with the ds note
  EXPECT_EQ(one.stopExit.size(), 8u);  // 4 tubes without a file, two lines each

  // Stopped after the first run: one worker runs nothing more; two workers
  // finish what they were handed (at most the slots ahead) and no more.
  const Outcome stoppedOne = stage(1, true), stoppedTwo = stage(2, true);
  EXPECT_EQ(stoppedOne.buis.size(), 2u);
  EXPECT_GE(stoppedTwo.buis.size(), 2u);
  EXPECT_LT(stoppedTwo.buis.size(), one.buis.size());
  EXPECT_EQ(std::vector<std::string>(stoppedTwo.buis.begin(), stoppedTwo.buis.begin() + 2),
            stoppedOne.buis);
}

}  // namespace
}  // namespace phreatix::test
