#include "results/zip_check.h"

#include <zip.h>

#include <array>
#include <filesystem>
#include <memory>

#include "error.h"
#include "platform/files.h"
#include "text/number_text.h"

namespace phreatix {

namespace {

constexpr std::array<std::uint32_t, 256> crcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = crcTable();

// Bytes of a member read at a time: enough to keep the reading quick, small
// enough that no archive decides what is allocated.
constexpr std::size_t kPiece = 64 * 1024;

struct Closer {
  void operator()(zip_t* zip) const { zip_discard(zip); }  // read only
};
using Archive = std::unique_ptr<zip_t, Closer>;

std::string openError(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string what = zip_error_strerror(&error);
  zip_error_fini(&error);
  return what;
}

// `flags` ZIP_CHECKCONS for the check: the local headers must agree with
// the directory too.
Archive openArchive(const std::string& path, int flags, std::string& fault) {
  int code = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY | flags, &code);
  if (!zip) fault = "het archief is niet te openen: " + openError(code);
  return Archive(zip);
}

std::string hex8(std::uint32_t value) {
  static const char digits[] = "0123456789abcdef";
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = digits[value & 15u];
  return text;
}

std::string bytes(std::uint64_t n) { return formatInt(static_cast<long long>(n)) + " bytes"; }

}  // namespace

void Crc32::add(std::string_view data) {
  std::uint32_t c = state_;
  for (unsigned char byte : data) c = kCrcTable[(c ^ byte) & 0xFFu] ^ (c >> 8);
  state_ = c;
}

std::vector<ZipMember> archiveMembers(const std::string& path, const std::string& zipName) {
  std::string fault;
  const Archive zip = openArchive(path, 0, fault);
  if (!zip) throw Error(ErrorKind::kIo, path + ": " + fault);
  std::vector<ZipMember> members;
  const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    const bool known = zip_stat_index(zip.get(), static_cast<zip_uint64_t>(i), 0, &stat) == 0 &&
                       (stat.valid & ZIP_STAT_NAME) && (stat.valid & ZIP_STAT_SIZE) &&
                       (stat.valid & ZIP_STAT_CRC);
    if (!known) throw Error(ErrorKind::kIo, path + ": " + zip_strerror(zip.get()));
    members.push_back({zipName, stat.name, stat.size, stat.crc});
  }
  return members;
}

std::string archiveFault(const std::string& path, const std::vector<ZipMember>& recorded) {
  const std::string name = std::filesystem::path(path).filename().string();
  if (!fileExists(path)) return name + " ontbreekt";
  std::string fault;
  const Archive zip = openArchive(path, ZIP_CHECKCONS, fault);
  if (!zip) return name + ": " + fault;
  std::vector<char> piece(kPiece);
  for (const ZipMember& want : recorded) {
    const std::string at = name + ": " + want.member + ": ";
    const zip_int64_t index = zip_name_locate(zip.get(), want.member.c_str(), 0);
    if (index < 0) return at + "ontbreekt in het archief";
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(zip.get(), static_cast<zip_uint64_t>(index), 0, &stat) != 0) {
      return at + zip_strerror(zip.get());
    }
    if ((stat.valid & ZIP_STAT_SIZE) && stat.size != want.size) {
      return at + bytes(stat.size) + " in plaats van " +
             formatInt(static_cast<long long>(want.size));
    }
    zip_file_t* file = zip_fopen_index(zip.get(), static_cast<zip_uint64_t>(index), 0);
    if (!file) return at + "niet te lezen: " + zip_strerror(zip.get());
    Crc32 crc;
    std::uint64_t total = 0;
    std::string readFault;
    while (total <= want.size) {
      const zip_int64_t got = zip_fread(file, piece.data(), piece.size());
      if (got < 0) {
        readFault = std::string("niet te lezen: ") + zip_file_strerror(file);
        break;
      }
      if (got == 0) break;
      crc.add(std::string_view(piece.data(), static_cast<std::size_t>(got)));
      total += static_cast<std::uint64_t>(got);
    }
    zip_fclose(file);
    if (!readFault.empty()) return at + readFault;
    if (total != want.size) {
      return at + (total > want.size ? "meer dan " : "") + bytes(total) + " in plaats van " +
             formatInt(static_cast<long long>(want.size));
    }
    if (crc.value() != want.crc) {
      return at + "CRC-32 " + hex8(crc.value()) + " in plaats van " + hex8(want.crc);
    }
  }
  return std::string();
}

}  // namespace phreatix
