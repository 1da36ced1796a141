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
