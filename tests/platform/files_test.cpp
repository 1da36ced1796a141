#include "platform/files.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "error.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

using test::TempDir;

TEST(Files, LinesLoseOneTrailingCrAndNoEmptyLastLine) {
  EXPECT_EQ(splitLines("a\r\nb\n\r\nc"), (std::vector<std::string>{"a", "b", "", "c"}));
  EXPECT_EQ(splitLines("EIND DATUM\r\r\n"), (std::vector<std::string>{"EIND DATUM\r"}));
  EXPECT_EQ(splitLines("x\n"), (std::vector<std::string>{"x"}));
  EXPECT_EQ(splitLines("\n"), (std::vector<std::string>{""}));
  EXPECT_TRUE(splitLines("").empty());

  TempDir dir;
  dir.write("in.csv", "LOCATIE,EIND DATUM\r\nB58C0698,\r\n");
  EXPECT_EQ(readLines(dir.file("in.csv")),
            (std::vector<std::string>{"LOCATIE,EIND DATUM", "B58C0698,"}));
}

// A file of an old Mac (or of a spreadsheet there) ends its lines in CR
// alone: read at LF only it was one line. LF and CR LF files, also those with
// a stray CR, split as they always did.
TEST(Files, LinesOfAnOldMacEndInCr) {
  EXPECT_EQ(splitLines("a\rb\r\rc\r"), (std::vector<std::string>{"a", "b", "", "c"}));
  EXPECT_EQ(splitLines("a\rb"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(splitLines("\r"), (std::vector<std::string>{""}));
  // A CR file that a tool gave one LF (at the end, or a CR LF) is still one.
  EXPECT_EQ(splitLines("a\rb\rc\r\n"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(splitLines("a\r\nb\rc\rd\r"), (std::vector<std::string>{"a", "b", "c", "d"}));

  // As many stray CRs as LFs, or fewer: the file is an LF file.
  EXPECT_EQ(splitLines("x\r\r\ny\r\r\n"), (std::vector<std::string>{"x\r", "y\r"}));
  EXPECT_EQ(splitLines("a\rb\nc\n"), (std::vector<std::string>{"a\rb", "c"}));
  EXPECT_EQ(splitLines("a\r\nb\r\n"), (std::vector<std::string>{"a", "b"}));

  TempDir dir;
  dir.write("mac.csv", "LOCATIE,EIND DATUM\rB58C0698,\r");
  EXPECT_EQ(readLines(dir.file("mac.csv")),
            (std::vector<std::string>{"LOCATIE,EIND DATUM", "B58C0698,"}));
}

TEST(Files, WritesAreWholeAndFailuresAreErrors) {
  TempDir dir;
  writeLines(dir.file("out.txt"), {"one", "", "three"});
  EXPECT_EQ(dir.read("out.txt"), "one\n\nthree\n");
  writeLines(dir.file("out.txt"), {"replaced"});
  EXPECT_EQ(dir.read("out.txt"), "replaced\n");

  EXPECT_THROW(writeLines(dir.file("no/such/dir/out.txt"), {"x"}), Error);
  EXPECT_THROW(readLines(dir.file("missing.txt")), Error);
  // A full disk: /dev/full accepts the open and fails the write.
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_THROW(
        {
          LineWriter out("/dev/full");
          for (int i = 0; i < 100000; ++i) out.write("a line that fills the buffer");
          out.close();
        },
        Error);
  }
}

TEST(Files, ExistsRemoveAndFreeSpace) {
  TempDir dir;
  dir.write("a.ok", "");
  EXPECT_TRUE(fileExists(dir.file("a.ok")));
  EXPECT_FALSE(fileExists(dir.path()));  // a directory is no file
  EXPECT_TRUE(removeFile(dir.file("a.ok")));
  EXPECT_FALSE(fileExists(dir.file("a.ok")));
  EXPECT_TRUE(removeFile(dir.file("a.ok")));
  EXPECT_GT(freeBytes(dir.path()), 0u);
  EXPECT_EQ(joinPath("", "kron.txt"), "kron.txt");
  EXPECT_EQ(joinPath("/w/", "kron.txt"), "/w/kron.txt");
  EXPECT_EQ(joinPath("/w", "kron.txt"), "/w/kron.txt");
}

}  // namespace
}  // namespace phreatix
