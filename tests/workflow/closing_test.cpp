#include "workflow/closing.h"

#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "files/zip_contents.h"
#include "platform/files.h"
#include "results/zip_check.h"
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

// A line of zipinhoud.txt for a member holding `text`.
std::string recordLine(const std::string& stem, const std::string& name, const std::string& text) {
  Crc32 crc;
  crc.add(text);
  return zipContentsLine({stem + ".zip", name, text.size(), crc.value()});
}

// Every archive packed is recorded in zipinhoud.txt, member by member with
// its size and CRC-32, tube by tube and in the order zip took the files (by
// name). A later packing replaces the lines of the tubes it packs and keeps
// the others'; a tube the archiver failed keeps what was recorded of it,
// and an archive that is gone takes its lines with it.
TEST(Closing, ThePackingRecordsTheMembersOfEveryArchive) {
  if (!zipInstalled()) GTEST_SKIP() << "zip is not installed";
  ClosingCase c;
  c.session.markPipelineStarted();
  // Each file holds its own name and a line end.
  std::vector<std::string> first;
  for (const char* stem : {"A0000001", "A0000002", "A0000003"}) {
    for (const std::string& name : listFiles(c.dir.path(), std::string(stem) + ".*")) {
      first.push_back(recordLine(stem, name, name + "\n"));
    }
  }
  ASSERT_EQ(first.size(), 8u + 12u + 12u);
  EXPECT_EQ(first[0].rfind("A0000001.zip A0000001.01 12 ", 0), 0u) << first[0];
  packTubes(c.session, c.main, c.box, ArchiverSettings());
  EXPECT_EQ(readLines(c.dir.file("zipinhoud.txt")), first);

  // A0000002 again, with one file changed and one new, which zip adds last.
  c.dir.write("A0000002.met", "again\n");
  c.dir.write("A0000002.cor", "new\n");
  std::vector<std::string> second = first;
  const std::string oldMet = recordLine("A0000002", "A0000002.met", "A0000002.met\n");
  std::replace(second.begin(), second.end(), oldMet,
               recordLine("A0000002", "A0000002.met", "again\n"));
  ASSERT_NE(second, first);
  second.insert(second.begin() + 20, recordLine("A0000002", "A0000002.cor", "new\n"));
  packTubes(c.session, c.main, c.box, ArchiverSettings());
  EXPECT_EQ(readLines(c.dir.file("zipinhoud.txt")), second);

  // The archiver fails on A0000003: its lines stay as they were.
  c.dir.write("A0000003.met", "once more\n");
  ArchiverSettings failing;
  failing.program = "false";
  packTubes(c.session, c.main, c.box, failing);
  EXPECT_EQ(readLines(c.dir.file("zipinhoud.txt")), second);
  std::filesystem::remove(c.dir.file("A0000003.met"));

  // A0000001.zip taken away: its lines go at the next packing.
  std::filesystem::remove(c.dir.file("A0000001.zip"));
  PackResult result = packTubes(c.session, c.main, c.box, ArchiverSettings());
  EXPECT_TRUE(result.contentsWritten);
  const std::vector<std::string> third(second.begin() + 8, second.end());
  EXPECT_EQ(readLines(c.dir.file("zipinhoud.txt")), third);

  // A record that cannot be written is said, and the old one stays.
  std::filesystem::create_directory(c.dir.file("zipinhoud.txt.nieuw"));
  c.dir.write("A0000002.met", "last\n");
  result = packTubes(c.session, c.main, c.box, ArchiverSettings());
  EXPECT_FALSE(result.contentsWritten);
  EXPECT_EQ(result.packed, (std::set<std::string>{"A0000002"}));
  EXPECT_EQ(readLines(c.dir.file("zipinhoud.txt")), third);
  const std::string said = c.session.messages().stopExit().back();
  EXPECT_EQ(said.rfind("zipinhoud.txt niet geschreven: ", 0), 0u) << said;
  EXPECT_EQ(c.session.messages().log().back(), said);
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

// An archiver that copies rather than moves leaves the files behind: the
// clean-up takes the extended model's as well, the components' S.kmp
// among them, of a packed tube only.
TEST(Closing, CleanUpTakesTheExtendedModelsFilesOfAPackedTube) {
  ClosingCase c;
  const char* extended[] = {".fit", ".gzj", ".kmp", ".gf01", ".gft01", ".gftxs01", ".efpx01"};
  for (const char* stem : {"A0000002", "A0000003"}) {
    for (const char* ext : extended) c.dir.write(std::string(stem) + ext, "x\n");
  }
  c.dir.write("A0000002.zip", "x\n");
  PackResult packing;
  packing.packed = {"A0000002"};
  cleanUp(c.session, packing);
  for (const char* ext : extended) {
    EXPECT_FALSE(fileExists(c.dir.file(std::string("A0000002") + ext))) << ext;
    EXPECT_TRUE(fileExists(c.dir.file(std::string("A0000003") + ext))) << ext;
  }
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

// Packing with several archivers at once.

// Six tubes of ten files each, every file holding its own name; the key
// ".met" packs them all.
const char* const kStems[] = {"B0000001", "B0000002", "B0000003",
                              "B0000004", "B0000005", "B0000006"};
const char* const kTubeExtensions[] = {".01",  ".met", ".LOG", ".a01", ".d01",
                                       ".sel", ".err", ".u01", ".sta", ".wmf"};

void writeSixTubes(const test::TempDir& dir) {
  for (const char* stem : kStems) {
    for (const char* ext : kTubeExtensions) {
      dir.write(std::string(stem) + ext, std::string(stem) + ext + "\n");
    }
  }
  dir.write("modsel.zft", "x\n");
}

// Every name in an archive with what it holds, or an empty map when the
// archive cannot be opened.
std::map<std::string, std::string> archiveContents(const std::string& path) {
  std::map<std::string, std::string> contents;
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (zip == nullptr) return contents;
  for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
    zip_stat_t stat;
    zip_stat_index(zip, i, 0, &stat);
    std::string data(stat.size, '\0');
    zip_file_t* file = zip_fopen_index(zip, i, 0);
    if (file != nullptr) {
      zip_fread(file, data.data(), stat.size);
      zip_fclose(file);
    }
    contents[stat.name] = data;
  }
  zip_close(zip);
  return contents;
}

// What a tube's archive must hold: each of its files under its own name.
std::map<std::string, std::string> tubeFiles(const std::string& stem) {
  std::map<std::string, std::string> files;
  for (const char* ext : kTubeExtensions) files[stem + ext] = stem + ext + "\n";
  return files;
}

// Everything a packing shows, in the order shown: labels, gauge, the lines
// of mmLOG and mmSTOPEXIT, the message boxes. Repaints are counted apart, as
// their number depends on how long the archivers take.
class Transcript : public ProgressView, public MessageSink, public MessageBox {
 public:
  void setGauge(int percent) override { events.push_back("gauge " + std::to_string(percent)); }
  void setProgressLabel(const std::string& text) override { events.push_back("label " + text); }
  void repaint() override { ++repaints; }
  void appended(MessageListId list, const std::string& line) override {
    events.push_back((list == MessageListId::kStopExit ? "exit " : "log ") + line);
  }
  void show(const std::string& text) override { events.push_back("box " + text); }
  std::vector<std::string> events;
  int repaints = 0;
};

struct Packed {
  PackResult result;
  Transcript transcript;
};

Packed packWith(const test::TempDir& dir, const ArchiverSettings& archiver) {
  Session session(dir.path());
  session.markPipelineStarted();
  Packed packed;
  session.messages().setSink(&packed.transcript);
  packed.result = packTubes(session, packed.transcript, packed.transcript, archiver);
  session.messages().setSink(nullptr);
  return packed;
}

// A stand-in for the archiver that runs zip, first sleeping `seconds`, and
// keeps a marker in `markers` while it runs; each start writes the number of
// markers it saw to `markers`/seen. With `failStem` it ends with status 3
// for that tube, after a longer sleep, without touching its files.
std::string writeArchiver(const test::TempDir& dir, const std::string& markers, double seconds,
                          const std::string& failStem = "") {
  std::filesystem::create_directory(markers);
  std::string script = "#!/bin/sh\n";
  script += "touch '" + markers + "/run.'$$\n";
  script += "ls '" + markers + "' | grep -c '^run' >> '" + markers + "/seen'\n";
  if (!failStem.empty()) {
    script += "if [ \"$2\" = " + failStem + ".zip ]; then sleep " + std::to_string(seconds * 3) +
              "; rm '" + markers + "/run.'$$; exit 3; fi\n";
  }
  script += "sleep " + std::to_string(seconds) + "\n";
  script += "zip \"$@\" > /dev/null; rc=$?\n";
  script += "rm '" + markers + "/run.'$$\n";
  script += "exit $rc\n";
  dir.write("archiver.sh", script);
  std::filesystem::permissions(dir.file("archiver.sh"), std::filesystem::perms::owner_all);
  return dir.file("archiver.sh");
}

// The most archivers the stand-in saw at work at once.
int mostAtOnce(const std::string& markers) {
  int most = 0;
  for (const std::string& line : readLines(markers + "/seen"))
    most = std::max(most, std::stoi(line));
  return most;
}

TEST(ClosingArchivers, TwoAtOnceGiveTheArchivesAndLinesOfOne) {
  if (!zipInstalled()) GTEST_SKIP() << "zip is not installed";
  test::TempDir tools;
  const std::string program = writeArchiver(tools, tools.file("markers"), 0.2);
  ArchiverSettings archiver;
  archiver.program = program;

  // Written out from the packing's layout: per tube its label and its
  // command line, then the gauge.
  std::vector<std::string> expected = {"label Comprimeren resultaten naar zip-files", "gauge 0"};
  const int percents[] = {17, 33, 50, 67, 83, 100};
  for (int i = 0; i < 6; ++i) {
    const std::string S = kStems[i];
    expected.push_back("label Comprimeren resultaten naar zip-files: buis " +
                       std::to_string(i + 1) + " van 6 (" + S + ")");
    expected.push_back("log Start externe applicatie: " + program + "  -m " + S + ".zip " + S +
                       ".* ");
    expected.push_back("gauge " + std::to_string(percents[i]));
  }
  expected.push_back("box Druk op OK als alle DOS-boxen weg of beëindigd zijn.");

  for (int archivers : {1, 2, 4}) {
    SCOPED_TRACE(std::to_string(archivers) + " archivers");
    std::filesystem::remove_all(tools.file("markers"));
    std::filesystem::create_directory(tools.file("markers"));
    test::TempDir dir;
    writeSixTubes(dir);
    archiver.archivers = archivers;
    const Packed packed = packWith(dir, archiver);

    EXPECT_EQ(packed.transcript.events, expected);
    EXPECT_EQ(packed.result.packed, std::set<std::string>(std::begin(kStems), std::end(kStems)));
    EXPECT_TRUE(packed.result.notPacked.empty());
    for (const char* stem : kStems) {
      EXPECT_EQ(archiveContents(dir.file(std::string(stem) + ".zip")), tubeFiles(stem)) << stem;
    }
    // Only the archives and the file of no tube are left.
    std::vector<std::string> left = listFiles(dir.path(), "*");
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"B0000001.zip", "B0000002.zip", "B0000003.zip",
                                              "B0000004.zip", "B0000005.zip", "B0000006.zip",
                                              "modsel.zft", "zipinhoud.txt"}));
    // Never more archivers at once than asked for; with more than one, they
    // do overlap (each sleeps 0.2 s before zipping, and they start together).
    EXPECT_EQ(mostAtOnce(tools.file("markers")), archivers);
    // The window is repainted while the archivers work, at every poll of
    // 5 ms over at least 0.4 s; without those the packing repaints some 13
    // times, at each label and gauge.
    EXPECT_GE(packed.transcript.repaints, 30);
  }
}

TEST(ClosingArchivers, AFailingArchiverLosesNothingAndIsReportedInTubeOrder) {
  if (!zipInstalled()) GTEST_SKIP() << "zip is not installed";
  test::TempDir tools;
  // B0000002 fails after 0.3 s, while the tubes after it, 0.1 s each, are
  // already packed: their lines still come after its report.
  const std::string program = writeArchiver(tools, tools.file("markers"), 0.1, "B0000002");
  ArchiverSettings archiver;
  archiver.program = program;
  archiver.archivers = 2;
  test::TempDir dir;
  writeSixTubes(dir);
  const Packed packed = packWith(dir, archiver);

  EXPECT_EQ(packed.result.notPacked, (std::set<std::string>{"B0000002"}));
  EXPECT_EQ(mostAtOnce(tools.file("markers")), 2);
  EXPECT_EQ(packed.result.packed.size(), 5u);
  EXPECT_FALSE(fileExists(dir.file("B0000002.zip")));
  for (const char* ext : kTubeExtensions) {
    const std::string name = std::string("B0000002") + ext;
    EXPECT_EQ(dir.read(name), name + "\n");
  }
  for (const char* stem : {"B0000001", "B0000003", "B0000004", "B0000005", "B0000006"}) {
    EXPECT_EQ(archiveContents(dir.file(std::string(stem) + ".zip")), tubeFiles(stem)) << stem;
  }

  std::vector<std::string> lines;
  for (const std::string& event : packed.transcript.events) {
    if (event.rfind("log ", 0) == 0 || event.rfind("exit ", 0) == 0) lines.push_back(event);
  }
  const std::string notPacked =
      "Buis B0000002 is niet (volledig) ingepakt in B0000002.zip; de bestanden blijven staan.";
  std::vector<std::string> expected;
  for (const char* stem : kStems) {
    const std::string S = stem;
    expected.push_back("log Start externe applicatie: " + program + "  -m " + S + ".zip " + S +
                       ".* ");
    if (S == "B0000002") {
      expected.push_back("log " + notPacked);
      expected.push_back("exit " + notPacked);
    }
  }
  EXPECT_EQ(lines, expected);

  // The clean-up leaves the failed tube's files where they are.
  Session session(dir.path());
  PackResult result = packed.result;
  cleanUp(session, result);
  EXPECT_TRUE(fileExists(dir.file("B0000002.a01")));
  EXPECT_TRUE(fileExists(dir.file("B0000002.met")));
}

TEST(ClosingArchivers, AnArchiverThatCannotStartIsReportedPerTubeInOrder) {
  test::TempDir dir;
  writeSixTubes(dir);
  ArchiverSettings missing;
  missing.program = "no-such-archiver-here";
  missing.archivers = 3;
  const Packed packed = packWith(dir, missing);
  EXPECT_EQ(packed.result.notPacked.size(), 6u);
  // Per tube: its command line, the launcher's box, the failure, the line
  // for the exit window; then the next tube.
  std::vector<std::string> expected;
  for (const char* stem : kStems) {
    const std::string S = stem;
    const std::string command = "no-such-archiver-here  -m " + S + ".zip " + S + ".* ";
    const std::string notPacked =
        "Buis " + S + " is niet (volledig) ingepakt in " + S + ".zip; de bestanden blijven staan.";
    for (const std::string& line : std::initializer_list<std::string>{
             "log Start externe applicatie: " + command, "box bestands/directory of *.exe = fout",
             "log Externe applicatie" + command + " FOUT afgesloten.", "log " + notPacked,
             "exit " + notPacked}) {
      expected.push_back(line);
    }
  }
  std::vector<std::string> reports;
  for (const std::string& event : packed.transcript.events) {
    if (event.rfind("label ", 0) != 0 && event.rfind("gauge ", 0) != 0) reports.push_back(event);
  }
  expected.push_back("box Druk op OK als alle DOS-boxen weg of beëindigd zijn.");
  EXPECT_EQ(reports, expected);
  for (const char* stem : kStems) {
    EXPECT_EQ(dir.read(std::string(stem) + ".u01"), std::string(stem) + ".u01\n");
  }
}

}  // namespace
}  // namespace phreatix
