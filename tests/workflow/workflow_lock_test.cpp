// The desktop's hold on its working directory: the workflow takes the lock
// when it opens a data set, refuses a directory another program holds,
// lets go at a reset, and packs nothing of another program's.
#include <gtest/gtest.h>

#include "demo/demo_data.h"
#include "engine/engine_view.h"
#include "platform/directory_lock.h"
#include "platform/files.h"
#include "support/doubles.h"
#include "support/temp_dir.h"
#include "workflow/workflow.h"

namespace phreatix {
namespace {

struct DesktopSession {
  test::TempDir dir;
  DemoDataSet data = writeDemoData(dir.path());
  Session session{dir.path()};
  ProgressView main;
  test::RecordingBox box;
  EngineView engineView;
  PostView postView;
  PipelineObserver observer;
  Workflow workflow{session, WorkflowPorts{main, box, engineView, postView, observer}};

  bool open() {
    session.activate();
    return workflow.open({dir.file(data.exportFile)});
  }
};

const std::string kForeign =
    "host rekenknoop-17\nproces 4242\nsinds 2024-11-02 08:15:00\nprogramma phreatix-cli run\n";

TEST(WorkflowLock, HeldWhileADataSetIsOpen) {
  DesktopSession s;
  ASSERT_TRUE(s.open());
  ASSERT_TRUE(lockHolder(s.dir.path()));
  EXPECT_EQ(lockHolder(s.dir.path())->program, "phreatix");
  // A second data set opened keeps the one lock.
  ASSERT_TRUE(s.workflow.open({s.dir.file(s.data.exportFile)}));
  s.workflow.reset(s.main);
  EXPECT_FALSE(fileExists(s.dir.file(kLockFileName)));
  ASSERT_TRUE(s.open());
  EXPECT_TRUE(fileExists(s.dir.file(kLockFileName)));
}

TEST(WorkflowLock, ADirectoryAnotherProgramHoldsIsNotOpened) {
  DesktopSession s;
  s.dir.write(kLockFileName, kForeign);
  EXPECT_FALSE(s.open());
  ASSERT_EQ(s.box.refused.size(), 1u);
  EXPECT_NE(s.box.refused[0].find("is bezig: phreatix-cli run (proces 4242 op rekenknoop-17"),
            std::string::npos)
      << s.box.refused[0];
  EXPECT_EQ(s.session.messages().log().back(), s.box.refused[0]);
  EXPECT_TRUE(s.session.dataSet().empty());
  EXPECT_FALSE(fileExists(s.dir.file("locaties.csv")));
  EXPECT_EQ(s.dir.read(kLockFileName), kForeign);
}

// Closing packs every tube in the directory: never those of a program that
// holds it.
TEST(WorkflowLock, CloseInADirectoryAnotherProgramHoldsPacksNothing) {
  DesktopSession s;
  s.dir.write("28AL0005.u01", "resultaat\n");
  s.dir.write(kLockFileName, kForeign);
  ArchiverSettings archiver;
  archiver.program = "false";
  PackResult packing;
  packing.packed.insert("niets");
  EXPECT_THROW(s.workflow.close(archiver, &packing), FatalStop);
  EXPECT_EQ(packing.packed.size(), 1u);  // the closing sequence never ran
  const std::vector<std::string>& exit = s.session.messages().stopExit();
  ASSERT_EQ(exit.size(), 2u);
  EXPECT_NE(exit[0].find("is bezig: phreatix-cli run (proces 4242"), std::string::npos);
  EXPECT_EQ(exit[1], "Niets ingepakt.");
  for (const std::string& line : s.session.messages().log()) {
    EXPECT_EQ(line.find("Start externe applicatie"), std::string::npos) << line;
  }
  EXPECT_TRUE(fileExists(s.dir.file("28AL0005.u01")));
  EXPECT_EQ(s.dir.read(kLockFileName), kForeign);
}

}  // namespace
}  // namespace phreatix
