// A tube's archive held against the members recorded of it.
#include "results/zip_check.h"

#include <zip.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "error.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

// An archive of the members, stored (not deflated) so that a test can find
// a member's bytes in the file.
void writeArchive(const std::string& path, const std::map<std::string, std::string>& members) {
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(zip, nullptr);
  for (const auto& [name, text] : members) {
    zip_source_t* source = zip_source_buffer(zip, text.data(), text.size(), 0);
    const zip_int64_t index = zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    ASSERT_GE(index, 0);
    zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
  }
  ASSERT_EQ(zip_close(zip), 0);
}

std::uint32_t crcOf(std::string_view text) {
  Crc32 crc;
  crc.add(text);
  return crc.value();
}

// The check value of CRC-32 (IEEE 802.3) is cbf43926 for "123456789";
// pieces added one after the other give the checksum of the whole.
TEST(ZipCheck, Crc32IsTheChecksumZipArchivesCarry) {
  EXPECT_EQ(crcOf("123456789"), 0xCBF43926u);
  EXPECT_EQ(crcOf(""), 0u);
  Crc32 pieces;
  pieces.add("1234");
  pieces.add("56789");
  EXPECT_EQ(pieces.value(), 0xCBF43926u);
}

// The members as the archive's directory gives them, with the checksum the
// library read from it: the same as ours over the bytes.
TEST(ZipCheck, TheMembersOfAnArchiveAsItsDirectoryRecordsThem) {
  test::TempDir dir;
  const std::string levels(100000, '7');
  writeArchive(dir.file("28AL0005.zip"), {{"28AL0005.01", levels}, {"28AL0005.sta", "GHG\n"}});
  EXPECT_EQ(archiveMembers(dir.file("28AL0005.zip"), "28AL0005.zip"),
            (std::vector<ZipMember>{{"28AL0005.zip", "28AL0005.01", 100000, crcOf(levels)},
                                    {"28AL0005.zip", "28AL0005.sta", 4, crcOf("GHG\n")}}));
  dir.write("kapot.zip", "geen archief");
  EXPECT_THROW(archiveMembers(dir.file("kapot.zip"), "kapot.zip"), Error);
}

// Each fault a gathered archive can have, named with the archive and the
// member: a member missing, of another size or checksum than recorded,
// bytes changed inside a member, an archive cut short, empty or no archive
// at all, or not there.
TEST(ZipCheck, AnArchiveIsHeldAgainstItsRecordedMembers) {
  test::TempDir dir;
  const std::string levels = "12345678901234567890 levels of the tube\n";
  const std::string zip = dir.file("28AL0005.zip");
  writeArchive(zip, {{"28AL0005.01", levels}, {"28AL0005.sta", "GHG\n"}});
  const std::vector<ZipMember> recorded = archiveMembers(zip, "28AL0005.zip");
  EXPECT_EQ(archiveFault(zip, recorded), "");
  EXPECT_EQ(archiveFault(zip, {}), "");

  std::vector<ZipMember> other = recorded;
  other.push_back({"28AL0005.zip", "28AL0005.a01", 10, 1});
  EXPECT_EQ(archiveFault(zip, other), "28AL0005.zip: 28AL0005.a01: ontbreekt in het archief");
  other = recorded;
  other[1].size = 5;
  EXPECT_EQ(archiveFault(zip, other), "28AL0005.zip: 28AL0005.sta: 4 bytes in plaats van 5");
  other = recorded;
  other[1].crc = 0x12345678u;
  ASSERT_NE(recorded[1].crc, 0x12345678u);
  char actual[9];
  std::snprintf(actual, sizeof actual, "%08x", static_cast<unsigned>(crcOf("GHG\n")));
  EXPECT_EQ(archiveFault(zip, other), "28AL0005.zip: 28AL0005.sta: CRC-32 " + std::string(actual) +
                                          " in plaats van 12345678");

  // One byte of the stored levels changed: the directory still says the
  // old size and checksum, the bytes do not.
  const std::string whole = dir.read("28AL0005.zip");
  std::string changed = whole;
  const std::size_t at = changed.find(levels);
  ASSERT_NE(at, std::string::npos);
  changed[at + 3] = 'X';
  dir.write("28AL0005.zip", changed);
  const std::string damaged = archiveFault(zip, recorded);
  EXPECT_EQ(damaged.rfind("28AL0005.zip: 28AL0005.01: ", 0), 0u) << damaged;

  for (const std::string& text : {whole.substr(0, whole.size() / 2), std::string(),
                                  std::string("PK\x03\x04 but nothing else", 22)}) {
    dir.write("28AL0005.zip", text);
    const std::string fault = archiveFault(zip, recorded);
    EXPECT_EQ(fault.rfind("28AL0005.zip: ", 0), 0u) << fault;
  }
  std::filesystem::remove(zip);
  EXPECT_EQ(archiveFault(zip, recorded), "28AL0005.zip ontbreekt");
}

}  // namespace
}  // namespace phreatix
