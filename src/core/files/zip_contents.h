// zipinhoud.txt: the members of every tube's archive as the packing left
// them, so that what is gathered later (a cluster task's zips) can be held
// against what was packed. One line a member, in the data set's order of the
// locations and within an archive in its own order:
//
//   28AL0005.zip 28AL0005.01 21987 3f1c0a9e
//
// the archive, the member, its size in bytes (unpacked) and its CRC-32 as
// eight lower-case hexadecimal digits, separated by one blank (names of the
// program's own files hold no blank). Written by the packing, read by
// cluster status and merge; never packed itself.
//
// Entry points: writeZipContents, readZipContents.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace phreatix {

inline constexpr const char* kZipContentsName = "zipinhoud.txt";

struct ZipMember {
  std::string zip;         // S.zip, the archive's name in the working directory
  std::string member;      // S.ext, the member's name in the archive
  std::uint64_t size = 0;  // bytes, unpacked
  std::uint32_t crc = 0;   // CRC-32 of the unpacked bytes
  bool operator==(const ZipMember&) const = default;
};

std::string zipContentsLine(const ZipMember& member);

// Replaces the file by the lines of `members`, through a new file renamed
// into place; an I/O error naming the file when it could not be written
// completely (the old one then stays as it was).
void writeZipContents(const std::string& path, const std::vector<ZipMember>& members);

// The members of the text of such a file (`name` for the messages); a line
// that is not four fields, a size that is not a whole number or a CRC-32
// that is not eight hexadecimal digits is a read error naming the file and
// the line.
std::vector<ZipMember> readZipContents(const std::string& name, const std::string& text);
// The same from a file; an I/O error naming it when it cannot be read.
std::vector<ZipMember> readZipContentsFile(const std::string& path);

}  // namespace phreatix
