#include "session/closing.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/doubles.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

using test::RecordingBox;

// Three tubes as a pipeline leaves them: A0000001 without a plausible model
// (no simulation), the other two simulated.
struct ClosingCase {
  test::TempDir dir;
  Session session{dir.path()};
  ProgressView main;
  RecordingBox box;
  ClosingCase() {
    for (const char* stem : {"A0000001", "A0000002", "A0000003"}) {
      for (const char* ext : {".01", ".met", ".LOG", ".a01", ".d01", ".sel", ".err", ".ok"}) {
        dir.write(std::string(stem) + ext, std::string(stem) + ext + "\n");
      }
    }
    for (const char* stem : {"A0000002", "A0000003"}) {
      for (const char* ext : {".u01", ".sta", ".inp", ".sim"}) {
        dir.write(std::string(stem) + ext, std::string(stem) + ext + "\n");
      }
    }
    dir.write("modsel.zft", "x\n");
    dir.write("zeftal0.par", "x\n");
    dir.write("00AAA0000.p00", "x\n");
  }
  bool inArchive(const std::string& stem, const std::string& name) const {
    if (!fileExists(dir.file(stem + ".zip"))) return false;
    return dir.read(stem + ".zip").find(name) != std::string::npos;
  }
};

bool zipInstalled() { return std::system("command -v zip > /dev/null 2>&1") == 0; }

// The labels the packing shows, tube by tube.
class LabelRecorder : public ProgressView {
 public:
  void setProgressLabel(const std::string& text) override { labels.push_back(text); }
  std::vector<std::string> labels;
};

TEST(Closing, KeyMetPacksEveryCalibratedTube) {
  if (!zipInstalled()) GTEST_SKIP() << "zip is not installed";
  ClosingCase c;
  c.session.markPipelineStarted();
  // An activation after the pipeline (the engine window had the focus)
  // keeps the key: every calibrated tube is packed.
  c.dir.write("kron.txt", "01-01-48 1\n");
  c.session.activate();
  EXPECT_EQ(packingKey(c.session), ".met");
  LabelRecorder progress;
  PackResult result = packTubes(c.session, progress, c.box, ArchiverSettings());
  EXPECT_EQ(progress.labels.back(),
            "Comprimeren resultaten naar zip-files: buis 3 van 3 (A0000003)");
  EXPECT_EQ(result.packed, (std::set<std::string>{"A0000001", "A0000002", "A0000003"}));
  EXPECT_TRUE(result.notPacked.empty());
  EXPECT_TRUE(c.inArchive("A0000001", "A0000001.sel"));
  EXPECT_TRUE(c.inArchive("A0000001", "A0000001.err"));
  EXPECT_TRUE(c.inArchive("A0000001", "A0000001.a01"));
  EXPECT_TRUE(c.inArchive("A0000002", "A0000002.u01"));
  EXPECT_FALSE(c.inArchive("A0000002", "A0000003"));
  EXPECT_FALSE(fileExists(c.dir.file("A0000001.sel")));
  EXPECT_EQ(c.session.messages().log()[0],
            "Start externe applicatie: zip  -m A0000001.zip A0000001.* ");
  EXPECT_EQ(c.box.shown.back(), "Druk op OK als alle DOS-boxen weg of beëindigd zijn.");
  EXPECT_TRUE(fileExists(c.dir.file("modsel.zft")));  // not a tube's file

  // A later run adds to the archive.
  c.dir.write("A0000002.met", "again\n");
  c.dir.write("A0000002.cor", "new\n");
  packTubes(c.session, c.main, c.box, ArchiverSettings());
  EXPECT_TRUE(c.inArchive("A0000002", "A0000002.cor"));
  EXPECT_TRUE(c.inArchive("A0000002", "A0000002.u01"));
}

TEST(Closing, KeyU01LeavesTheUnsimulatedTubeInPlace) {
  if (!zipInstalled()) GTEST_SKIP() << "zip is not installed";
  ClosingCase c;
  EXPECT_EQ(packingKey(c.session), ".u01");
  PackResult result = packTubes(c.session, c.main, c.box, ArchiverSettings());
  EXPECT_EQ(result.packed, (std::set<std::string>{"A0000002", "A0000003"}));
  cleanUp(c.session, result);
  EXPECT_FALSE(fileExists(c.dir.file("A0000001.zip")));
  for (const char* ext : {".01", ".met", ".LOG", ".a01", ".d01", ".sel", ".err"}) {
    EXPECT_TRUE(fileExists(c.dir.file(std::string("A0000001") + ext))) << ext;
  }
  EXPECT_FALSE(fileExists(c.dir.file("A0000001.ok")));
  EXPECT_FALSE(fileExists(c.dir.file("zeftal0.par")));
  EXPECT_FALSE(fileExists(c.dir.file("00AAA0000.p00")));
}

TEST(Closing, AnArchiverThatFailsOrStallsLeavesTheFiles) {
  ClosingCase c;
  // Not startable: the launcher's message, and nothing deleted.
  ArchiverSettings missing;
  missing.program = "no-such-archiver-here";
  PackResult none = packTubes(c.session, c.main, c.box, missing);
  EXPECT_EQ(none.notPacked, (std::set<std::string>{"A0000002", "A0000003"}));
  EXPECT_EQ(c.box.shown.front(), "bestands/directory of *.exe = fout");
  const std::vector<std::string>& log = c.session.messages().log();
  EXPECT_EQ(
      log[1],
      "Externe applicatieno-such-archiver-here  -m A0000002.zip A0000002.*  FOUT afgesloten.");
  EXPECT_EQ(
      log[2],
      "Buis A0000002 is niet (volledig) ingepakt in A0000002.zip; de bestanden blijven staan.");
  EXPECT_EQ(c.session.messages().stopExit()[0], log[2]);

  // One that never removes the key file: the wait ends at its bound.
  c.dir.write("stall.sh", "#!/bin/sh\nsleep 3\n");
  std::filesystem::permissions(c.dir.file("stall.sh"), std::filesystem::perms::owner_all);
  ArchiverSettings stall;
  stall.program = c.dir.file("stall.sh");
  stall.waitSeconds = 0.2;
  const auto started = std::chrono::steady_clock::now();
  PackResult stalled = packTubes(c.session, c.main, c.box, stall);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_EQ(stalled.notPacked.size(), 2u);
  EXPECT_LT(seconds, 5.0);  // bounded: 0.2 s a tube, not the stand-in's 3 s each
  EXPECT_GE(seconds, 0.4);
  cleanUp(c.session, stalled);
  EXPECT_TRUE(fileExists(c.dir.file("A0000002.u01")));
}

TEST(Closing, ClosingRightAfterStartUp) {
  test::TempDir dir;
  Session session(dir.path());
  ProgressView main;
  RecordingBox box;
  try {
    closingSequence(session, main, box);
    FAIL() << "the closing sequence returned";
  } catch (const FatalStop& stop) {
    EXPECT_EQ(stop.reason(), FatalStop::Reason::kNormalEnd);
  }
  EXPECT_TRUE(session.messages().log().empty());  // no archiver started
  EXPECT_EQ(session.messages().stopExit(),
            (std::vector<std::string>{"Op verzoek gestopt.", "Programma voortijdig afgesloten.",
                                      "Overzicht in ZEFTAL multi.log"}));
  ASSERT_TRUE(session.writeSessionLog());
  EXPECT_EQ(readLines(dir.file("Phreatix.log")).back(), "Overzicht in ZEFTAL multi.log");
}

}  // namespace
}  // namespace phreatix
