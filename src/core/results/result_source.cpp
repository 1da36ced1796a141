#include "results/result_source.h"

#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>

#include "error.h"
#include "platform/files.h"
#include "text/number_text.h"

namespace phreatix {

struct TubeFiles::Archive {
  zip_t* handle = nullptr;
  std::string path;
  ~Archive() {
    if (handle) zip_discard(handle);  // read only: nothing to write back
  }
};

TubeFiles::TubeFiles(std::string workingDir, std::string stem)
    : dir_(std::move(workingDir)), stem_(std::move(stem)) {}

TubeFiles::~TubeFiles() = default;

TubeFiles::Archive* TubeFiles::archive() const {
  // An archive that would not open fails every read from it, not only the
  // first: a later file must not pass for one the tube lacks.
  if (!archiveFailure_.empty()) throw Error(ErrorKind::kIo, archiveFailure_);
  if (archiveTried_) return archive_.get();
  archiveTried_ = true;
  const std::string path = joinPath(dir_, stem_ + ".zip");
  if (!fileExists(path)) return nullptr;
  int code = 0;
  zip_t* handle = zip_open(path.c_str(), ZIP_RDONLY, &code);
  if (!handle) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const std::string what = zip_error_strerror(&error);
    zip_error_fini(&error);
    archiveFailure_ = path + ": het archief is niet te openen: " + what;
    throw Error(ErrorKind::kIo, archiveFailure_);
  }
  archive_ = std::make_unique<Archive>();
  archive_->handle = handle;
  archive_->path = path;
  return archive_.get();
}

std::optional<std::string> TubeFiles::read(const std::string& ext) const {
  const std::string name = stem_ + ext;
  const std::string path = joinPath(dir_, name);
  if (fileExists(path)) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxResultFileBytes) {
      throw Error(ErrorKind::kIo, path + ": " + formatInt(static_cast<long long>(size)) +
                                      " bytes, meer dan de " + formatInt(kMaxResultFileBytes) +
                                      " bytes die een resultaatbestand hoogstens heeft");
    }
    return readFileText(path);
  }
  Archive* zip = archive();
  if (!zip) return std::nullopt;
  // The archiver stores the bare names; a folder in front, or another case
  // (an archive made on Windows), still names the same file.
  const zip_int64_t index =
      zip_name_locate(zip->handle, name.c_str(), ZIP_FL_NOCASE | ZIP_FL_NODIR);
  if (index < 0) return std::nullopt;
  const std::string member = zip->path + ": " + name;
  // The size the archive's directory declares is only a claim: a member
  // that claims more than any result file has is refused unread, and the
  // member is read in pieces, never into room made from that claim.
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat_index(zip->handle, static_cast<zip_uint64_t>(index), 0, &stat) != 0) {
    throw Error(ErrorKind::kIo, member + ": " + zip_strerror(zip->handle));
  }
  auto tooLarge = [&](const std::string& how) {
    throw Error(ErrorKind::kIo, member + ": " + how + "meer dan de " +
                                    formatInt(kMaxResultFileBytes) +
                                    " bytes die een resultaatbestand hoogstens heeft");
  };
  if ((stat.valid & ZIP_STAT_SIZE) && stat.size > static_cast<zip_uint64_t>(kMaxResultFileBytes)) {
    tooLarge(formatInt(static_cast<long long>(std::min<zip_uint64_t>(
                 stat.size, static_cast<zip_uint64_t>(std::numeric_limits<long long>::max())))) +
             " bytes volgens het archief, ");
  }
  zip_file_t* file = zip_fopen_index(zip->handle, static_cast<zip_uint64_t>(index), 0);
  if (!file) throw Error(ErrorKind::kIo, member + ": " + zip_strerror(zip->handle));
  std::string text;
  char buffer[1 << 16];
  std::string failure;
  bool overLimit = false;
  for (;;) {
    const zip_int64_t got = zip_fread(file, buffer, sizeof buffer);
    if (got < 0) {
      failure = std::string("niet volledig gelezen: ") + zip_file_strerror(file);
      break;
    }
    if (got == 0) break;
    if (text.size() + static_cast<std::size_t>(got) >
        static_cast<std::size_t>(kMaxResultFileBytes)) {
      overLimit = true;
      break;
    }
    text.append(buffer, static_cast<std::size_t>(got));
  }
  zip_fclose(file);
  if (overLimit) tooLarge("uitgepakt ");
  if (!failure.empty()) throw Error(ErrorKind::kIo, member + ": " + failure);
  return text;
}

std::string TubeFiles::require(const std::string& ext) const {
  std::optional<std::string> text = read(ext);
  if (!text) {
    throw Error(ErrorKind::kInput,
                name(ext) + ": niet in " + dir_ + " en niet in " + stem_ + ".zip");
  }
  return std::move(*text);
}

bool TubeFiles::has(const std::string& ext) const {
  if (fileExists(joinPath(dir_, stem_ + ext))) return true;
  Archive* zip = archive();
  return zip &&
         zip_name_locate(zip->handle, (stem_ + ext).c_str(), ZIP_FL_NOCASE | ZIP_FL_NODIR) >= 0;
}

}  // namespace phreatix
