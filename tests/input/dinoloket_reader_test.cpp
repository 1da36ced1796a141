// Today's DINOloket layouts (2015 and 2024), several exports as one data
// set, and the real exports of one tube in the old and the 2015 layout.
#include <gtest/gtest.h>

#include "error.h"
#include "input/dino_reader.h"
#include "input/dinoloket_reader.h"
#include "input/tube_file.h"
#include "platform/files.h"
#include "session/session.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

class SilentBox : public MessageBox {
 public:
  void show(const std::string&) override {}
};

const std::string kData = PHREATIX_TEST_DATA_DIR "/input/";

struct Reading {
  test::TempDir dir;
  Messages messages;
  ProgressView progress;
  SilentBox box;
  ReaderContext context{messages, progress, box, ""};
  Reading() { context.workingDir = dir.path(); }
  ConvertedDataSet open(const std::vector<std::string>& paths) {
    std::vector<ExportFile> files;
    for (const std::string& p : paths) files.push_back({p, readLines(p)});
    return convertExports(files, context);
  }
  std::string refusal(const std::string& path) {
    try {
      open({path});
    } catch (const Error& e) {
      return e.what();
    }
    return "";
  }
};

std::vector<std::string> records(const ConvertedDataSet& data) {
  return std::vector<std::string>(data.lines.begin() + 1, data.lines.end());
}

const std::string kTube = "+00033-00017096260401410711214950314";

TEST(DinoloketReader, LayoutOf2015) {
  Reading r;
  ConvertedDataSet data = r.open({kData + "dinoloket_2015.csv"});
  ASSERT_FALSE(data.lines.empty());
  EXPECT_EQ(data.lines[0], "FMNT0034MVjansen          14-09-2015");
  // B28A0005 moved 60 m: its older period goes; B28A0006's readings outside
  // its period are dropped; an empty level and remark B are missing values.
  EXPECT_EQ(records(data), (std::vector<std::string>{"RB28A000501" + kTube, "S199601019999+00120",
                                                     "S199601149999+99999", "S199601289999+99999",
                                                     "RB28A000602" + kTube, "S200103109999-00006",
                                                     "S200105209999-00000"}));
  EXPECT_EQ(r.messages.log(),
            std::vector<std::string>{
                "Buis B28A0005 >50 m. verplaatst. Oudste deel meetreeks verwijderd uit bestand."});
  EXPECT_EQ(data.tubeCounter, 2);
  EXPECT_TRUE(data.napFiles.empty());
  EXPECT_EQ(readLines(r.dir.file(kOlgaTmpName)), data.lines);
}

TEST(DinoloketReader, LayoutOf2024AndQuotedFields) {
  Reading r;
  ConvertedDataSet data = r.open({kData + "dinoloket_2024.csv"});
  EXPECT_EQ(data.lines, (std::vector<std::string>{"FMNT0034MV          19-04-2024",
                                                  "RB44F000101" + kTube, "S195005089999+00050",
                                                  "S195005199999+00075", "S195512289999-00005"}));

  std::vector<std::string> f;
  ASSERT_TRUE(splitCsvLine(R"("a","b ""c"", d",,e , "")", f));
  EXPECT_EQ(f, (std::vector<std::string>{"a", "b \"c\", d", "", "e", ""}));
  EXPECT_FALSE(splitCsvLine(R"("a","b)", f));
  EXPECT_FALSE(splitCsvLine(R"("a"x,b)", f));
}

TEST(DinoloketReader, BadFilesNameFileLineAndWhat) {
  Reading r;
  struct Case {
    const char* file;
    const char* message;
  };
  for (const Case& c : std::vector<Case>{
           {"bad_missing_column.csv", ":8: de kolom \"Filternummer\" ontbreekt"},
           {"bad_open_quote.csv", ":10: een veld tussen aanhalingstekens is niet afgesloten"},
           {"bad_date.csv", ":11: Peildatum \"31-02-1955\" bestaat niet"},
           {"empty.csv", "empty.csv:1: het bestand is leeg"},
       }) {
    SCOPED_TRACE(c.file);
    const std::string path = kData + c.file;
    const std::string refusal = r.refusal(path);
    EXPECT_EQ(refusal.rfind(path, 0), 0u) << refusal;
    EXPECT_NE(refusal.find(c.message), std::string::npos) << refusal;
  }
}

TEST(DinoloketReader, SeveralExportsAsOneDataSet) {
  test::TempDir dir;
  // Levels relative to NAP only: the NAP column and no MV column.
  std::vector<std::string> nap = readLines(kData + "dinoloket_2024.csv");
  for (std::string& line : nap) {
    auto at = line.find("\"Stand (cm t.o.v. MV)\"");
    if (at != std::string::npos) line.replace(at, 22, "\"Stand (cm t.o.v. XY)\"");
  }
  writeLines(dir.file("nap.csv"), nap);

  Reading r;
  ConvertedDataSet data =
      r.open({kData + "dinoloket_2024.csv", kData + "three_tubes.csv", kData + "old_olga.dat"});
  // The first file's header, then every file's tubes in the order given.
  EXPECT_EQ(data.lines[0], "FMNT0034MV          19-04-2024");
  std::vector<std::string> tubes;
  for (const std::string& line : data.lines) {
    if (isTubeRecord(line)) tubes.push_back(line.substr(1, 10));
  }
  ASSERT_GE(tubes.size(), 3u);
  EXPECT_EQ(tubes[0], "B44F000101");
  EXPECT_EQ(tubes[1], "28AL000501");
  EXPECT_TRUE(data.modernFormat);
  EXPECT_EQ(readLines(r.dir.file(kOlgaTmpName)), data.lines);

  ConvertedDataSet withNap = r.open({kData + "dinoloket_2024.csv", dir.file("nap.csv")});
  EXPECT_EQ(withNap.napFiles, std::vector<std::string>{dir.file("nap.csv")});

  // The session stops on the NAP file, as for a single file.
  writeLines(dir.file("kron.txt"), builtinDayNumberLines());
  Session session(dir.path());
  SilentBox box;
  ProgressView progress;
  EXPECT_THROW(
      session.openDataFiles({kData + "dinoloket_2024.csv", dir.file("nap.csv")}, progress, box),
      FatalStop);
  EXPECT_EQ(session.messages().stopExit(),
            (std::vector<std::string>{"OPEN_BESTAND_OLGA: standen zijn ten opzichte van NAP !",
                                      "(" + dir.file("nap.csv") + ")"}));
}

// One tube exported in the old layout and in the 2015 layout.
TEST(DinoloketReader, RealExportsOfOneTubeInBothLayoutsAgree) {
  const std::string real = test::realDataDir();
  if (real.empty()) GTEST_SKIP() << "no real data beside the repository";
  Reading r;
  ConvertedDataSet oldLayout = r.open({real + "/B58C0698001_0.csv"});
  ConvertedDataSet newLayout = r.open({real + "/B58C0698001_1.csv"});
  EXPECT_GT(oldLayout.lines.size(), 600u);
  EXPECT_EQ(records(oldLayout), records(newLayout));
  EXPECT_EQ(newLayout.lines[0].substr(0, 10), "FMNT0034MV");

  ConvertedDataSet quoted = r.open({real + "/B44F0279001_2024.csv"});
  ASSERT_GT(quoted.lines.size(), 100u);
  EXPECT_EQ(quoted.lines[1], "RB44F027901" + kTube);
  EXPECT_EQ(quoted.lines[2], "S195005089999+00050");
  EXPECT_EQ(quoted.lines.back(), "S195512289999-00005");
}

}  // namespace
}  // namespace phreatix
