// A tube's archive held against what the packing recorded of it
// (zipinhoud.txt): every member there, of its size, with its CRC-32 over
// the unpacked bytes. The members are read in pieces of a fixed size, never
// into memory by the size an archive declares.
//
// Entry points: archiveMembers, archiveFault; Crc32 (IEEE 802.3, the
// checksum zip archives carry).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/zip_contents.h"

namespace phreatix {

// CRC-32 as zip computes it (reflected polynomial 0xEDB88320, start and
// final xor 0xFFFFFFFF): "123456789" gives cbf43926.
class Crc32 {
 public:
  void add(std::string_view bytes);
  std::uint32_t value() const { return ~state_; }

 private:
  std::uint32_t state_ = 0xFFFFFFFFu;
};

// The members of the archive at `path` as its directory records them, in
// its own order, each under the archive's name `zipName`. An I/O error
// naming the archive when it cannot be opened or its directory read.
std::vector<ZipMember> archiveMembers(const std::string& path, const std::string& zipName);

// What is wrong with the archive at `path` against the members recorded of
// it: empty when each is there and reads in full with the recorded size and
// CRC-32, else the first fault, naming the archive and the member ("S.zip:
// S.a01: 812 bytes in plaats van 40960").
std::string archiveFault(const std::string& path, const std::vector<ZipMember>& recorded);

}  // namespace phreatix
