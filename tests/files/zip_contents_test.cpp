// zipinhoud.txt: the members of the tubes' archives as the packing recorded
// them.
#include "files/zip_contents.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "error.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

// Lines written out from the layout by hand: archive, member, size, CRC-32
// in eight lower-case hexadecimal digits; read back as they were written;
// a bad line refused with the file, the line and what it expected.
TEST(FilesZipContents, LinesOfTheLayoutReadBackAndBadLinesAreRefused) {
  test::TempDir dir;
  const std::vector<ZipMember> members = {
      {"28AL0005.zip", "28AL0005.01", 21987, 0x3f1c0a9eu},
      {"28AL0005.zip", "28AL0005.a01", 0, 0},
      {"B58C0698.zip", "B58C0698.sta", 1234567890123, 0xffffffffu}};
  writeZipContents(dir.file("zipinhoud.txt"), members);
  EXPECT_EQ(dir.read("zipinhoud.txt"),
            "28AL0005.zip 28AL0005.01 21987 3f1c0a9e\n"
            "28AL0005.zip 28AL0005.a01 0 00000000\n"
            "B58C0698.zip B58C0698.sta 1234567890123 ffffffff\n");
  EXPECT_EQ(readZipContentsFile(dir.file("zipinhoud.txt")), members);
  EXPECT_FALSE(std::filesystem::exists(dir.file("zipinhoud.txt.nieuw")));
  EXPECT_TRUE(readZipContents("z", "").empty());

  const std::pair<const char*, const char*> bad[] = {
      {"28AL0005.zip 28AL0005.01 21987\n",
       "z:1: verwacht archief, bestand, grootte en CRC-32, kreeg \"28AL0005.zip 28AL0005.01 "
       "21987\""},
      {"a b 1 00000000\na  b 1 00000000\n",
       "z:2: verwacht archief, bestand, grootte en CRC-32, kreeg \"a  b 1 00000000\""},
      {"a b -1 00000000\n", "z:1: verwacht een grootte in bytes, kreeg \"-1\""},
      {"a b 12x 00000000\n", "z:1: verwacht een grootte in bytes, kreeg \"12x\""},
      {"a b 99999999999999999999 00000000\n",
       "z:1: verwacht een grootte in bytes, kreeg \"99999999999999999999\""},
      {"a b 1 3f1c0a9\n", "z:1: verwacht een CRC-32 van 8 hexadecimale cijfers, kreeg \"3f1c0a9\""},
      {"a b 1 3f1c0a9g\n",
       "z:1: verwacht een CRC-32 van 8 hexadecimale cijfers, kreeg \"3f1c0a9g\""},
      {"\n", "z:1: verwacht archief, bestand, grootte en CRC-32, kreeg \"\""},
  };
  for (const auto& [text, message] : bad) {
    try {
      readZipContents("z", text);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
}

// A list that cannot be put in place leaves the old one as it was.
TEST(FilesZipContents, AListThatCannotBeWrittenLeavesTheOldOne) {
  test::TempDir dir;
  dir.write("zipinhoud.txt", "a.zip a.01 1 00000001\n");
  // A folder in the way of the new file.
  std::filesystem::create_directory(dir.file("zipinhoud.txt.nieuw"));
  EXPECT_THROW(writeZipContents(dir.file("zipinhoud.txt"), {{"b.zip", "b.01", 2, 2}}), Error);
  EXPECT_EQ(dir.read("zipinhoud.txt"), "a.zip a.01 1 00000001\n");
}

}  // namespace
}  // namespace phreatix
