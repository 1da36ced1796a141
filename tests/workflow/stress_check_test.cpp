// The stress files of a coupling and the given components (componenten.txt)
// checked at Start, before any calibration: refused under standaard, read
// under uitgebreid; the demo data set with a coupling file of our own.
#include <gtest/gtest.h>

#include "coupling/given_components.h"
#include "coupling/stress_file.h"
#include "demo/demo_data.h"
#include "platform/files.h"
#include "support/doubles.h"
#include "support/engine_screen.h"
#include "support/temp_dir.h"
#include "workflow/workflow.h"

namespace phreatix {
namespace {

struct StressRun {
  test::TempDir dir;
  DemoDataSet demo = writeDemoData(dir.path());
  Session session{dir.path()};
  ProgressView main;
  test::RecordingBox box;
  EngineScreen engineView;
  PostView postView;
  PipelineObserver observer;

  // The demo's locations coupled one a line, the second one's line with a
  // third field when `stressFile` names one.
  WorkflowOutcome run(const std::string& model, const std::string& stressFile) {
    std::vector<std::string> lines;
    std::string previous;
    for (const DemoTube& tube : demo.tubes) {
      if (tube.location != previous) lines.push_back(tube.location + " " + tube.meteoFile);
      previous = tube.location;
    }
    if (!stressFile.empty()) lines[1] += " " + stressFile;
    writeLines(dir.file("stress-koppeling.txt"), lines);
    Workflow workflow(session, WorkflowPorts{main, box, engineView, postView, observer});
    WorkflowInput input;
    input.dataFiles = {dir.file(demo.exportFile)};
    input.couplingFile = dir.file("stress-koppeling.txt");
    input.fields.model = model;
    return runWorkflow(workflow, input);
  }
  bool calibrationStarted() const {
    return fileExists(dir.file("zeftal0.par")) || !listFiles(dir.path(), "*.met").empty();
  }
};

TEST(StressCheck, StandaardRefusesAThirdFieldBeforeTheCalibration) {
  StressRun r;
  r.dir.write("onttrekking.csv",
              "# soort=onttrekking eenheid=m3/dag\ndatum,waarde\n1980-01-01,100\n");
  ASSERT_EQ(r.run("standaard", "onttrekking.csv"), WorkflowOutcome::kRefused);
  const std::string refusal = r.dir.file("stress-koppeling.txt") + ":2: buis " +
                              r.demo.tubes[1].location +
                              ": een derde veld (stressbestand onttrekking.csv) kan alleen met "
                              "Model: uitgebreid";
  EXPECT_EQ(r.box.refused,
            std::vector<std::string>{std::string(kStressRefusalHeading) + "\n" + refusal});
  const std::vector<std::string>& log = r.session.messages().log();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], kStressRefusalHeading);
  EXPECT_EQ(log.back(), refusal);
  EXPECT_FALSE(r.calibrationStarted());
}

TEST(StressCheck, UitgebreidRefusesABadStressFileBeforeTheCalibration) {
  StressRun r;
  r.dir.write("maas.csv",
              "# soort=rivier eenheid=m\ndatum,waarde\n1980-01-01,3.5\n1980-01-02,3.4\n"
              "1980-01-05,3.1\n");
  ASSERT_EQ(r.run("uitgebreid", "maas.csv"), WorkflowOutcome::kRefused);
  const std::string refusal =
      r.dir.file("maas.csv") +
      ":5: gat van 2 dagen na 1980-01-02 (geef vullen=lineair of vullen=vorige in de kopregel)";
  EXPECT_EQ(r.box.refused,
            std::vector<std::string>{std::string(kStressRefusalHeading) + "\n" + refusal});
  EXPECT_EQ(r.session.messages().log().back(), refusal);
  EXPECT_FALSE(r.calibrationStarted());
}

TEST(StressCheck, GivenComponentsRefusedWithTheStressFilesInOneMessage) {
  StressRun r;
  r.dir.write("onttrekking.csv",
              "# soort=onttrekking eenheid=m3/dag\ndatum,waarde\n1980-01-01,100\n");
  r.dir.write(kGivenComponentsFile, r.demo.tubes[0].location + " stap 1990-06-14\n");
  ASSERT_EQ(r.run("standaard", "onttrekking.csv"), WorkflowOutcome::kRefused);
  const std::vector<std::string> lines = {
      kStressRefusalHeading,
      r.dir.file("stress-koppeling.txt") + ":2: buis " + r.demo.tubes[1].location +
          ": een derde veld (stressbestand onttrekking.csv) kan alleen met Model: uitgebreid",
      kGivenRefusalHeading,
      r.dir.file(kGivenComponentsFile) +
          ": gegeven trends en stappen kunnen alleen met Model: uitgebreid"};
  EXPECT_EQ(r.box.refused, std::vector<std::string>{lines[0] + "\n" + lines[1] + "\n" + lines[2] +
                                                    "\n" + lines[3]});
  const std::vector<std::string>& log = r.session.messages().log();
  ASSERT_GE(log.size(), lines.size());
  EXPECT_EQ(std::vector<std::string>(log.end() - 4, log.end()), lines);
  EXPECT_FALSE(r.calibrationStarted());
}

TEST(StressCheck, UitgebreidRefusesABadGivenComponentBeforeTheCalibration) {
  StressRun r;
  r.dir.write(kGivenComponentsFile,
              "# bekend\n" + r.demo.tubes[0].location + " trend 2001-07-28 1995-12-15\n");
  ASSERT_EQ(r.run("uitgebreid", ""), WorkflowOutcome::kRefused);
  const std::string refusal =
      r.dir.file(kGivenComponentsFile) +
      ":2: de laatste dag van de trend (1995-12-15) ligt niet na de eerste (2001-07-28)";
  EXPECT_EQ(r.box.refused,
            std::vector<std::string>{std::string(kGivenRefusalHeading) + "\n" + refusal});
  const std::vector<std::string>& log = r.session.messages().log();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], kGivenRefusalHeading);
  EXPECT_EQ(log.back(), refusal);
  EXPECT_FALSE(r.calibrationStarted());
}

}  // namespace
}  // namespace phreatix
