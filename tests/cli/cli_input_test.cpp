// `phreatix-cli open` on exports mangled on the way (an old Mac's line ends,
// a spreadsheet's re-save with ";"), on location codes the file names cannot
// carry, and on input that would reach the terminal raw: exit code, output
// and olga.tmp, against the export as DINOloket wrote it.
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

struct CliRun {
  int code = -1;
  std::string out;
  std::string err;
};

CliRun runCli(const test::TempDir& dir, const std::string& args) {
  const std::string command =
      "cd '" + dir.path() + "' && '" PHREATIX_CLI "' " + args + " > cli.out 2> cli.err < /dev/null";
  const int status = std::system(command.c_str());
  CliRun run;
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = dir.read("cli.out");
  run.err = dir.read("cli.err");
  removeFile(dir.file("cli.out"));
  removeFile(dir.file("cli.err"));
  return run;
}

const std::string kData = PHREATIX_TEST_DATA_DIR "/input/";

// olga.tmp of `open` on one export in a fresh directory.
std::string openedTubeFile(const std::string& path) {
  test::TempDir dir;
  EXPECT_EQ(runCli(dir, "kron").code, 0);
  const CliRun run = runCli(dir, "open '" + path + "'");
  EXPECT_EQ(run.code, 0) << run.err;
  return fileExists(dir.file("olga.tmp")) ? dir.read("olga.tmp") : "";
}

std::string withCrLineEnds(std::string text) {
  std::replace(text.begin(), text.end(), '\n', '\r');
  return text;
}

TEST(CliInput, OpenReadsMangledExportsInFull) {
  const std::string asWritten = openedTubeFile(kData + "three_tubes.csv");
  const std::string dinoloket = openedTubeFile(kData + "dinoloket_2015.csv");
  ASSERT_EQ(splitLines(asWritten).size(), 17u);
  ASSERT_EQ(splitLines(dinoloket).size(), 8u);

  test::TempDir dir;
  ASSERT_EQ(runCli(dir, "kron").code, 0);
  // An old Mac's export: CR alone at every line end.
  dir.write("mac.csv", withCrLineEnds(readFileText(kData + "three_tubes.csv")));
  CliRun mac = runCli(dir, "open mac.csv");
  EXPECT_EQ(mac.code, 0) << mac.err;
  EXPECT_EQ(dir.read("olga.tmp"), asWritten);
  EXPECT_NE(mac.out.find("diskruimte (nodig:180;"), std::string::npos) << mac.out;

  // A DINOloket export saved again by a Dutch spreadsheet, on Windows and
  // on a Mac.
  dir.write("excel.csv", readFileText(kData + "dinoloket_2015_resaved.csv"));
  dir.write("excel-mac.csv", withCrLineEnds(readFileText(kData + "dinoloket_2015_resaved.csv")));
  for (const std::string file : {"excel.csv", "excel-mac.csv"}) {
    SCOPED_TRACE(file);
    removeFile(dir.file("olga.tmp"));
    CliRun excel = runCli(dir, "open " + file);
    EXPECT_EQ(excel.code, 0) << excel.err;
    EXPECT_EQ(dir.read("olga.tmp"), dinoloket);
    EXPECT_NE(excel.out.find(file + ": door een spreadsheet opgeslagen met \";\" tussen de velden"),
              std::string::npos)
        << excel.out;
  }
}

TEST(CliInput, OpenRefusesWhatItCannotReadWholeAndSaysWhy) {
  test::TempDir dir;
  ASSERT_EQ(runCli(dir, "kron").code, 0);
  std::string old = readFileText(kData + "three_tubes.csv");
  std::replace(old.begin(), old.end(), ',', ';');
  dir.write("old.csv", old);
  std::string plus = readFileText(kData + "dinoloket_2015.csv");
  plus.replace(plus.find("B28A0006,002,28AP02"), 8, "B28A+006");
  dir.write("plus.csv", plus);
  dir.write("empty-tubes.csv",
            "TITEL:\nGEBRUIKERSNAAM: u\nDATUM: d\nREFERENTIE: MV\n\n"
            "LOCATIE,FILTERNUMMER,START DATUM,BOVENKANT FILTER\n28AL0005,1,1990/01/01,5\n\n"
            "LOCATIE,FILTERNUMMER,PEIL DATUM TIJD,STAND (MV),BIJZONDERHEID\n");
  struct Case {
    std::string file;
    std::string reason;
  };
  const Case cases[] = {
      {"old.csv", "old.csv:16: de velden zijn gescheiden door \";\""},
      {"plus.csv", "plus.csv:12: locatiecode \"B28A+006\" past niet in de bestandsnamen"},
      {"empty-tubes.csv",
       "empty-tubes.csv: geen enkele stand in het bestand: er is geen meting van de ingelezen "
       "buizen"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    CliRun run = runCli(dir, "open " + c.file);
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("Het bestand " + c.file + " is niet ingelezen:\n" + c.reason),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fileExists(dir.file("olga.tmp")));
  }
}

// A level holding an escape sequence and a token of 1 MB: the refusal on
// the terminal shows the sequence escaped and the token cut.
TEST(CliInput, RefusalsShowInputEscapedAndCut) {
  test::TempDir dir;
  ASSERT_EQ(runCli(dir, "kron").code, 0);
  dir.write("esc.csv",
            "TITEL:\nGEBRUIKERSNAAM: u\nDATUM: d\nREFERENTIE: MV\n\n"
            "LOCATIE,FILTERNUMMER,START DATUM,BOVENKANT FILTER\n28AL0005,1,1990/01/01,5\n\n"
            "LOCATIE,FILTERNUMMER,PEIL DATUM TIJD,STAND (MV),BIJZONDERHEID\n"
            "28AL0005,1,1990/06/01,\x1b]0;pwned\x07\x1b[2J" +
                std::string(1 << 20, '7') + ",\n");
  CliRun run = runCli(dir, "open esc.csv");
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("esc.csv:10: stand \"\\x1b]0;pwned\\x07\\x1b[2J7777"), std::string::npos)
      << run.err.substr(0, 300);
  EXPECT_NE(run.err.find("7\xE2\x80\xA6\" is geen geheel getal"), std::string::npos);
  EXPECT_EQ(run.err.find('\x1b'), std::string::npos);
  EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
  EXPECT_LT(run.err.size(), 1000u);
  EXPECT_LT(readFileText(dir.file("Phreatix.log")).size(), 2000u);
}

}  // namespace
}  // namespace phreatix
