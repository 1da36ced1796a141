// Splitting DINO exports into sessions: session sizes, moving tubes, the
// split table, the lines of the session files, refused files, and session
// files that the data-file reader opens again with the same tubes.
#include <algorithm>
#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "input/dino_reader.h"
#include "input/tube_file.h"
#include "platform/files.h"
#include "preprocessor/dino_export.h"
#include "preprocessor/splitter.h"
#include "support/doubles.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

using test::RecordingBox;

class RecordingView : public SplitterView {
 public:
  void setStatus(const std::string& text) override { status = text; }
  void setGauge(int percent) override {
    gauge = percent;
    ++gaugeCalls;
  }
  void setFileLabel(const std::string& text) override {
    fileLabel = text;
    fileLabels.push_back(text);
  }
  void repaint() override { ++repaints; }
  std::string status, fileLabel;
  std::vector<std::string> fileLabels;
  int gauge = -1;
  int gaugeCalls = 0;
  int repaints = 0;
};

struct SplitFixture {
  test::TempDir dir;
  RecordingView view;
  RecordingBox box;
  Splitter splitter{dir.path(), view, box};

  std::string exportPath(const std::string& name = "west.csv") const { return dir.file(name); }
  void openExport(const std::vector<std::string>& lines, long long available = 1000,
                  const std::string& name = "west.csv") {
    writeLines(exportPath(name), lines);
    splitter.activate(available);
    ASSERT_TRUE(splitter.open(exportPath(name))) << (box.shown.empty() ? "" : box.shown.back());
  }
};

std::vector<std::string> nonEmpty(const std::vector<std::string>& cells) {
  std::vector<std::string> out;
  for (const std::string& c : cells) {
    if (!c.empty()) out.push_back(c);
  }
  return out;
}

// The tubes (location + filter) of a converted data set.
std::set<std::string> readTubes(const std::vector<std::string>& exportLines,
                                const std::string& path, const std::string& workDir) {
  Messages messages;
  ProgressView progress;
  RecordingBox box;
  ReaderContext context{messages, progress, box, workDir};
  ConvertedDataSet data = convertExport(exportLines, path, context);
  std::set<std::string> tubes;
  for (const std::string& line : data.lines) {
    if (isTubeRecord(line)) tubes.insert(line.substr(1, 10));
  }
  return tubes;
}

TEST(Splitter, SessionSizesFromTheMegabytes) {
  SplitFixture f;
  f.openExport(test::dinoExport(test::tubeCodes(25)), 1000);
  EXPECT_EQ(f.splitter.tubes().size(), 25u);
  // Before step 2 the size shown is the available space.
  EXPECT_EQ(f.splitter.z(), 16);
  EXPECT_EQ(f.splitter.s(), 2);

  EXPECT_TRUE(f.splitter.recompute("350"));
  EXPECT_EQ(f.splitter.z(), 5);
  EXPECT_EQ(f.splitter.s(), 5);
  EXPECT_FALSE(f.splitter.recompute("3x0"));
  EXPECT_EQ(f.view.status, "Getal invoeren !");
  EXPECT_EQ(f.splitter.z(), 5);

  EXPECT_FALSE(f.splitter.confirm("60"));
  ASSERT_EQ(f.box.shown.size(), 1u);
  EXPECT_EQ(f.box.shown[0], "Getal moet in domein <60;1000] liggen.");
  EXPECT_FALSE(f.splitter.confirm("1001"));
  EXPECT_TRUE(f.splitter.controls().btbttnOK);

  EXPECT_TRUE(f.splitter.confirm("300"));
  EXPECT_EQ(f.splitter.z(), 5);
  EXPECT_EQ(f.splitter.s(), 5);
  const SplitControls& c = f.splitter.controls();
  EXPECT_FALSE(c.edtY || c.btbttnOK || c.btbttnOpen || c.btbttnSAVE);
  EXPECT_TRUE(c.btbttnTrash && c.bttnNODEL && c.chckbxAUTODEL && c.btbttnAUTO && c.btbttnReset);
  EXPECT_TRUE(f.splitter.confirm("61"));
  EXPECT_EQ(f.splitter.z(), 1);
  EXPECT_EQ(f.splitter.s(), 25);
}

TEST(Splitter, SevenTubesOverSessionsOfThree) {
  SplitFixture f;
  f.openExport(test::dinoExport(test::tubeCodes(7)));
  ASSERT_TRUE(f.splitter.confirm("180"));
  f.splitter.autoSplit();
  const auto& table = f.splitter.table();
  ASSERT_EQ(table.size(), 3u);
  std::vector<std::string> codes = test::tubeCodes(7);
  EXPECT_EQ(table[0], (std::vector<std::string>{"Sessie1", codes[0], codes[1], codes[2]}));
  EXPECT_EQ(table[1], (std::vector<std::string>{"Sessie2", codes[3], codes[4], codes[5]}));
  EXPECT_EQ(table[2], (std::vector<std::string>{"Sessie3", codes[6], "", ""}));
  EXPECT_TRUE(f.splitter.controls().btbttnSAVE);
}

TEST(Splitter, RemovingAndRestoringOneTubeOfTwentyOne) {
  SplitFixture f;
  // Codes in an order that is not alphabetical, to see the lists sort.
  std::vector<std::string> codes = test::tubeCodes(21);
  std::reverse(codes.begin(), codes.end());
  f.openExport(test::dinoExport(codes));
  EXPECT_EQ(f.splitter.tubes(), codes);  // order of first appearance
  ASSERT_TRUE(f.splitter.confirm("300"));
  EXPECT_EQ(f.splitter.s(), 5);
  f.splitter.autoSplit();

  f.splitter.removeTubes({4});
  EXPECT_EQ(f.splitter.tubes().size(), 20u);
  EXPECT_EQ(f.splitter.removed(), std::vector<std::string>{codes[4]});
  EXPECT_EQ(f.splitter.s(), 4);
  // The split made before the removal is out of date.
  EXPECT_FALSE(f.splitter.controls().btbttnSAVE);

  f.splitter.restoreTubes({0});
  EXPECT_TRUE(f.splitter.removed().empty());
  EXPECT_EQ(f.splitter.s(), 5);
  std::vector<std::string> sorted = test::tubeCodes(21);
  EXPECT_EQ(f.splitter.tubes(), sorted);  // the receiving list sorted itself

  f.splitter.autoSplit();
  std::vector<std::string> placed;
  for (const auto& column : f.splitter.table()) {
    for (const std::string& code : nonEmpty({column.begin() + 1, column.end()}))
      placed.push_back(code);
  }
  EXPECT_EQ(placed, sorted);

  // Rejected flags by list position move exactly those tubes.
  f.splitter.flags()[0] = false;
  f.splitter.flags()[20] = false;
  f.splitter.removeRejected();
  EXPECT_EQ(f.splitter.removed(), (std::vector<std::string>{sorted[0], sorted[20]}));
}

TEST(Splitter, SessionFilesTakeTheirTubesShortLinesAndTitles) {
  SplitFixture f;
  std::vector<std::string> lines = test::dinoHeader();
  const std::string metaTitle = lines.back();
  lines.push_back(test::metaRow("B01A0001"));
  lines.push_back(test::metaRow("B01A0002"));
  lines.push_back(test::metaRow("B01A0003"));
  lines.push_back("");
  lines.push_back(test::kMeasurementTitle);
  lines.push_back(test::measRow("B01A0001", 2000, 1, 14, 50));
  lines.push_back(test::measRow("B01A0002", 2000, 1, 14, 60));
  // A remark that names another tube pulls the row into that tube's session.
  lines.push_back(test::measRow("B01A0003", 2000, 1, 14, 70, "zie B01A0001"));
  lines.push_back("x,y");
  f.openExport(lines);
  ASSERT_TRUE(f.splitter.confirm("61"));
  f.splitter.removeTubes({1});
  f.splitter.autoSplit();
  std::vector<std::string> written = f.splitter.save();
  ASSERT_EQ(written.size(), 3u);
  EXPECT_EQ(written[0], f.dir.file("west-sessie1.csv"));
  EXPECT_EQ(written[1], f.dir.file("west-sessie2.csv"));
  EXPECT_EQ(written[2], f.dir.file("west-verwijderd.csv"));
  EXPECT_EQ(f.view.fileLabel, "Gereed.");
  EXPECT_EQ(f.view.gauge, 100);
  EXPECT_GT(f.view.repaints, 0);

  std::vector<std::string> header(lines.begin(), lines.begin() + 7);
  auto expect = [&](std::vector<std::string> body) {
    std::vector<std::string> all = header;
    all.insert(all.end(), body.begin(), body.end());
    return all;
  };
  EXPECT_EQ(readLines(written[0]),
            expect({test::metaRow("B01A0001"), "", test::kMeasurementTitle,
                    test::measRow("B01A0001", 2000, 1, 14, 50),
                    test::measRow("B01A0003", 2000, 1, 14, 70, "zie B01A0001"), "x,y"}));
  EXPECT_EQ(readLines(written[1]),
            expect({test::metaRow("B01A0003"), "", test::kMeasurementTitle,
                    test::measRow("B01A0003", 2000, 1, 14, 70, "zie B01A0001"), "x,y"}));
  // The removed-tubes file keeps the lines with the word LOCATIE in place of
  // the measurement title rule.
  EXPECT_EQ(readLines(written[2]), expect({test::metaRow("B01A0002"), "", test::kMeasurementTitle,
                                           test::measRow("B01A0002", 2000, 1, 14, 60), "x,y"}));
  EXPECT_FALSE(f.splitter.controls().btbttnSAVE);

  f.splitter.close();
  EXPECT_FALSE(fileExists(f.dir.file(kWorkingCopyName)));
}

// One session per tube: every file takes its own rows, the rows that name
// its code elsewhere, the shared lines, and nothing of the other tubes.
TEST(Splitter, OneSessionPerTubeTakesItsOwnRows) {
  SplitFixture f;
  std::vector<std::string> lines = test::dinoHeader();  // lines 0..6
  for (const char* code : {"B01A0001", "B01A0002", "B01A0003", "B01A0004"}) {
    lines.push_back(test::metaRow(code));  // 7..10
  }
  // 11 and 12: the blank line and the measurement title.
  lines.push_back("");
  lines.push_back(test::kMeasurementTitle);
  // 13..17 the rows; 15 names another tube, 16 holds the word "locatie", 17
  // names its own tube twice.
  lines.push_back(test::measRow("B01A0001", 2000, 1, 14, 50));
  lines.push_back(test::measRow("B01A0002", 2000, 1, 14, 60));
  lines.push_back(test::measRow("B01A0003", 2000, 1, 14, 70, "zie B01A0004"));
  lines.push_back(test::measRow("B01A0004", 2000, 1, 14, 80, "locatie verlegd"));
  lines.push_back(test::measRow("B01A0001", 2000, 1, 28, 55, "B01A0001"));
  // 18 is short (nine characters) and goes everywhere; 20 (ten characters,
  // no code) goes nowhere.
  lines.push_back("012345678");
  lines.push_back(test::measRow("B01A0002", 2000, 1, 28, 65));
  lines.push_back("0123456789");
  f.openExport(lines);
  ASSERT_TRUE(f.splitter.confirm("61"));  // Z = 1
  f.splitter.removeTubes({2});            // B01A0003
  f.splitter.autoSplit();
  std::vector<std::string> written = f.splitter.save();
  ASSERT_EQ(written.size(), 4u);
  EXPECT_EQ(f.view.fileLabels,
            (std::vector<std::string>{"west-sessie1.csv", "west-sessie2.csv", "west-sessie3.csv",
                                      "west-verwijderd.csv", "Gereed."}));

  auto linesAt = [&](std::vector<int> indexes) {
    std::vector<std::string> out(lines.begin(), lines.begin() + 7);
    for (int i : indexes) out.push_back(lines[i]);
    return out;
  };
  // A row that names its own code twice is written once.
  EXPECT_EQ(readLines(written[0]), linesAt({7, 11, 12, 13, 17, 18}));
  EXPECT_EQ(readLines(written[1]), linesAt({8, 11, 12, 14, 18, 19}));
  // B01A0003's row comes along for the remark that names B01A0004.
  EXPECT_EQ(readLines(written[2]), linesAt({10, 11, 12, 15, 16, 18}));
  // The removed-tubes file: its tube's rows, and the row whose remark holds
  // the word "locatie" (case aside) although it belongs to another tube.
  EXPECT_EQ(readLines(written[3]), linesAt({9, 11, 12, 15, 16, 18}));

  // 21 lines: per file the gauge steps 0, 5, ..., 100 and a repaint at
  // every other line (permille 0, 100, ..., 1000).
  EXPECT_EQ(f.view.gaugeCalls, 1 + 4 * 21);  // the gauge starts at 0 first
  EXPECT_EQ(f.view.repaints, 4 * 11);
}

// An export of more than 200,001 lines (850 tubes over ten years of
// readings twice a month) split into one session per tube: each session
// file is the export of that tube alone.
TEST(Splitter, ExportOfMoreThan200001LinesSplitsIntoOneSessionPerTube) {
  const int kTubes = 850, kReadings = 240;
  const std::vector<std::string> codes = test::tubeCodes(kTubes);
  const std::vector<std::string> lines = test::dinoExport(codes, kReadings);
  ASSERT_GT(lines.size(), 200001u);

  SplitFixture f;
  f.openExport(lines, 100000);
  EXPECT_EQ(f.splitter.tubes(), codes);
  ASSERT_TRUE(f.splitter.confirm("100"));  // Z = 1
  f.splitter.removeTubes({kTubes - 1});
  f.splitter.autoSplit();
  ASSERT_EQ(f.splitter.s(), kTubes - 1);
  std::vector<std::string> written = f.splitter.save();
  ASSERT_EQ(written.size(), static_cast<std::size_t>(kTubes));
  for (int k = 0; k < kTubes - 1; ++k) {
    ASSERT_EQ(readLines(written[k]), test::dinoExport({codes[k]}, kReadings)) << written[k];
  }
  EXPECT_EQ(readLines(written.back()), test::dinoExport({codes.back()}, kReadings));
}

TEST(Splitter, RemovedFileWithNoTubesAndNamesWithoutExtension) {
  SplitFixture f;
  f.openExport(test::dinoExport(test::tubeCodes(2)), 1000, "west");
  ASSERT_TRUE(f.splitter.confirm("120"));
  f.splitter.autoSplit();
  std::vector<std::string> written = f.splitter.save();
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0], f.dir.file("west-sessie1"));
  EXPECT_EQ(written[1], f.dir.file("west-verwijderd"));
  std::vector<std::string> lines = test::dinoExport({});
  EXPECT_EQ(readLines(written[1]), lines);
  // Both tubes in the one session file, which reads back to both tubes.
  EXPECT_EQ(readTubes(readLines(written[0]), written[0], f.dir.path()),
            (std::set<std::string>{"B00A000101", "B00A000201"}));

  EXPECT_EQ(sessionFileName("/data/v1.2/west", 3), "/data/v1.2/west-sessie3");
  EXPECT_EQ(sessionFileName("/data/.west", 1), "/data/.west-sessie1");
  EXPECT_EQ(removedFileName("west.csv"), "west-verwijderd.csv");
}

TEST(Splitter, RefusedFilesLeaveTheWindowUsable) {
  SplitFixture f;
  f.splitter.activate(1000);
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    const char* message;
  };
  std::vector<std::string> noMeasTitle = test::dinoExport(test::tubeCodes(2));
  noMeasTitle.erase(std::find(noMeasTitle.begin(), noMeasTitle.end(), test::kMeasurementTitle));
  std::vector<std::string> noLocation = test::dinoExport(test::tubeCodes(2));
  noLocation[6].replace(0, 7, "PLAATS");
  std::vector<std::string> noMetaTitle = test::dinoExport(test::tubeCodes(2));
  noMetaTitle[6] = "LOCATIE,FILTERNUMMER,START DATUM";
  const std::vector<Case> cases = {
      {"OLGA",
       {"FMNT0034MV  tester", "RB01A000101+00033"},
       "Opsplitsen pre-milennium formaat OLGA-bestanden wordt niet ondersteund."},
      {"no BIJZONDERHEID", noMeasTitle, "sleutel \"BIJZONDERHEID\" ontbreekt"},
      {"no BOVENKANT FILTER", noMetaTitle, "sleutel \"BOVENKANT FILTER\" ontbreekt"},
      {"no LOCATIE", noLocation, ":7: de titel \"LOCATIE\" ontbreekt"},
      {"too many tubes", test::dinoExport(test::tubeCodes(kMaxSplitTubes + 1), 0),
       "meer dan 100000 buizen"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeLines(f.exportPath(), c.lines);
    f.box.shown.clear();
    EXPECT_FALSE(f.splitter.open(f.exportPath()));
    ASSERT_EQ(f.box.shown.size(), 1u);
    EXPECT_NE(f.box.shown[0].find(c.message), std::string::npos) << f.box.shown[0];
    EXPECT_TRUE(f.splitter.controls().btbttnOpen);
    EXPECT_FALSE(f.splitter.controls().edtY);
    EXPECT_TRUE(f.splitter.tubes().empty());
  }
  // 100000 tubes are the most the list holds, each with its acceptance flag.
  writeLines(f.exportPath(), test::dinoExport(test::tubeCodes(kMaxSplitTubes), 0));
  EXPECT_TRUE(f.splitter.open(f.exportPath()));
  EXPECT_EQ(f.splitter.tubes().size(), static_cast<std::size_t>(kMaxSplitTubes));
  EXPECT_GE(f.splitter.flags().size(), f.splitter.tubes().size());

  // The working copy itself is never opened (closing would delete it).
  f.box.shown.clear();
  f.splitter.reset(1000);
  EXPECT_FALSE(f.splitter.open(f.dir.file(kWorkingCopyName)));
  EXPECT_TRUE(fileExists(f.dir.file(kWorkingCopyName)));
}

TEST(Splitter, FailedWriteIsReportedAndSavingStaysPossible) {
  SplitFixture f;
  const std::string sub = f.dir.file("gone");
  std::filesystem::create_directory(sub);
  writeLines(sub + "/west.csv", test::dinoExport(test::tubeCodes(3)));
  f.splitter.activate(1000);
  ASSERT_TRUE(f.splitter.open(sub + "/west.csv"));
  ASSERT_TRUE(f.splitter.confirm("120"));
  f.splitter.autoSplit();
  std::filesystem::remove_all(sub);
  EXPECT_THROW(f.splitter.save(), Error);
  EXPECT_TRUE(f.splitter.controls().btbttnSAVE);
  EXPECT_NE(f.view.fileLabel, "Gereed.");
}

// The real single-tube exports, concatenated as one multi-tube export,
// split into one session per tube.
TEST(Splitter, RealExportsSplitIntoSessionsTheReaderOpens) {
  const std::string real = test::realDataDir();
  if (real.empty()) GTEST_SKIP() << "no real data beside the repository";
  std::vector<std::string> a = readLines(real + "/B58C0698001_0.csv");
  std::vector<std::string> b = readLines(real + "/B33F0080001_0.csv");
  ExportBlocks ba = locateBlocks(a, "a"), bb = locateBlocks(b, "b");
  std::vector<std::string> joined(a.begin(), a.begin() + ba.metaLast + 1);
  joined.insert(joined.end(), b.begin() + bb.metaFirst, b.begin() + bb.metaLast + 1);
  joined.insert(joined.end(), a.begin() + ba.metaLast + 1, a.begin() + ba.measLast + 1);
  joined.insert(joined.end(), b.begin() + bb.measFirst, b.begin() + bb.measLast + 1);

  SplitFixture f;
  f.openExport(joined, 1000, "real.csv");
  EXPECT_EQ(f.splitter.tubes(), (std::vector<std::string>{"B58C0698", "B33F0080"}));
  ASSERT_TRUE(f.splitter.confirm("100"));
  f.splitter.autoSplit();
  std::vector<std::string> written = f.splitter.save();
  ASSERT_EQ(written.size(), 3u);

  auto measurementCount = [&](const std::vector<std::string>& lines, const std::string& path) {
    Messages messages;
    ProgressView progress;
    RecordingBox box;
    ReaderContext context{messages, progress, box, f.dir.path()};
    ConvertedDataSet data = convertExport(lines, path, context);
    return std::count_if(data.lines.begin(), data.lines.end(),
                         [](const std::string& l) { return isMeasurementRecord(l); });
  };
  EXPECT_EQ(readTubes(readLines(written[0]), written[0], f.dir.path()),
            std::set<std::string>{"B58C069801"});
  EXPECT_EQ(readTubes(readLines(written[1]), written[1], f.dir.path()),
            std::set<std::string>{"B33F008001"});
  EXPECT_EQ(measurementCount(readLines(written[0]), written[0]),
            measurementCount(a, real + "/B58C0698001_0.csv"));
  EXPECT_EQ(measurementCount(readLines(written[1]), written[1]),
            measurementCount(b, real + "/B33F0080001_0.csv"));
  // The file of removed tubes holds none here: opened, it is refused as an
  // export without a single level, not taken as a data set of 0 readings.
  try {
    readTubes(readLines(written[2]), written[2], f.dir.path());
    ADD_FAILURE() << "an export without tubes was opened";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(written[2] + ": geen enkele stand in het bestand"),
              std::string::npos)
        << e.what();
  }
}

}  // namespace
}  // namespace phreatix
