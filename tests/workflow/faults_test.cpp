// Files that vanish between two stages of a pipeline: the tube they belong
// to fails with a message, the other tubes go on, nothing is reported as
// made that was not.
#include <algorithm>

#include <gtest/gtest.h>

#include "demo/demo_data.h"
#include "engine/engine_view.h"
#include "platform/files.h"
#include "support/doubles.h"
#include "support/engine_screen.h"
#include "support/temp_dir.h"
#include "workflow/workflow.h"

namespace phreatix {
namespace {

using SilentBox = test::RecordingBox;

// Deletes a file of one tube as the first run of a given stage finishes.
class DeletingObserver : public PipelineObserver {
 public:
  DeletingObserver(std::string stage, std::string path)
      : stage_(std::move(stage)), path_(std::move(path)) {}
  void engineRunFinished(const std::string& stage, const std::string&, double) override {
    if (stage == stage_ && !deleted) deleted = removeFile(path_);
  }
  bool deleted = false;

 private:
  std::string stage_, path_;
};

bool anyLineHas(const std::vector<std::string>& lines, const std::string& part) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

struct DemoRun {
  test::TempDir dir;
  DemoDataSet data = writeDemoData(dir.path());
  Session session{dir.path()};
  ProgressView main;
  SilentBox box;
  EngineScreen engineView;
  PostView postView;

  // True when the pipeline ran (with or without a model for some tube).
  bool run(PipelineObserver& observer) {
    Workflow workflow(session, WorkflowPorts{main, box, engineView, postView, observer});
    WorkflowInput input;
    input.dataFiles = {dir.file(data.exportFile)};
    input.couplingFile = dir.file(data.couplingFile);
    return runWorkflow(workflow, input) != WorkflowOutcome::kRefused;
  }
  const std::vector<std::string>& log() { return session.messages().log(); }
};

// The simulation input of one tube gone before its run: its simulation and
// trace fail with the file named, it gets no characteristics, the others do.
TEST(Faults, ASimulationInputDeletedBeforeItsRun) {
  DemoRun r;
  DeletingObserver observer("simulatie", r.dir.file("28AL0012.sim"));
  ASSERT_TRUE(r.run(observer));
  ASSERT_TRUE(observer.deleted);
  EXPECT_TRUE(anyLineHas(r.log(), "28AL0012.sim: bestand niet te openen"));
  EXPECT_TRUE(anyLineHas(r.log(), "ZEFTAL (op 28AL0012) met foutmelding afgesloten."));
  EXPECT_FALSE(fileExists(r.dir.file("28AL0012.sta")));
  // No realisations, so the post-processing never took it for a tube.
  EXPECT_FALSE(fileExists(r.dir.file("28AL0012.u01")));
  int others = 0;
  for (const std::string& line : readLines(r.dir.file("modsel.zft"))) {
    const std::string tube = line.substr(0, 8);
    if (tube == "28AL0012") continue;
    EXPECT_TRUE(fileExists(r.dir.file(tube + ".sta"))) << tube;
    ++others;
  }
  EXPECT_GE(others, 2);
}

// The same in a directory where an earlier run left its results: the old
// realisations and characteristics of that tube are gone, never passed off as
// this run's; the other tubes are made anew.
TEST(Faults, ASecondRunNeverKeepsStaleResultsOfAFailedRun) {
  DemoRun r;
  PipelineObserver quiet;
  ASSERT_TRUE(r.run(quiet));
  ASSERT_TRUE(fileExists(r.dir.file("28AL0012.sta")));
  ASSERT_TRUE(fileExists(r.dir.file("28AL0012.u01")));
  DeletingObserver observer("simulatie", r.dir.file("28AL0012.sim"));
  ASSERT_TRUE(r.run(observer));
  ASSERT_TRUE(observer.deleted);
  for (const char* ext : {".u01", ".e01", ".sta", ".reg", ".foe", ".his", ".cor"}) {
    EXPECT_FALSE(fileExists(r.dir.file(std::string("28AL0012") + ext))) << ext;
  }
  EXPECT_TRUE(fileExists(r.dir.file("28AL0005.sta")));
}

// The last calibration's results gone before the model selection: the
// selection judges what is left (the first calibration) and says which.
TEST(Faults, ACalibrationResultDeletedBeforeTheSelection) {
  DemoRun r;
  DeletingObserver observer("d+s", r.dir.file("28AL0005.d01"));
  ASSERT_TRUE(r.run(observer));
  ASSERT_TRUE(observer.deleted);
  const std::vector<std::string> modsel = readLines(r.dir.file("modsel.zft"));
  const std::vector<std::string> foutbuis = readLines(r.dir.file("foutbuis.zft"));
  auto chosen = std::find_if(modsel.begin(), modsel.end(),
                             [](const std::string& l) { return l.rfind("28AL0005", 0) == 0; });
  auto failed = std::find_if(foutbuis.begin(), foutbuis.end(),
                             [](const std::string& l) { return l.rfind("28AL0005", 0) == 0; });
  ASSERT_TRUE(chosen != modsel.end() || failed != foutbuis.end());
  // A model chosen without S.d01 can only be the first calibration's.
  if (chosen != modsel.end()) {
    EXPECT_EQ(chosen->substr(9, 2), "1s") << *chosen;
  }
}

}  // namespace
}  // namespace phreatix
