#include "results/result_source.h"

#include <zip.h>

#include "error.h"
#include "platform/files.h"

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
    throw Error(ErrorKind::kIo, path + ": het archief is niet te openen: " + what);
  }
  archive_ = std::make_unique<Archive>();
  archive_->handle = handle;
  archive_->path = path;
  return archive_.get();
}

std::optional<std::string> TubeFiles::read(const std::string& ext) const {
  const std::string name = stem_ + ext;
  const std::string path = joinPath(dir_, name);
  if (fileExists(path)) return readFileText(path);
  Archive* zip = archive();
  if (!zip) return std::nullopt;
  // The archiver stores the bare names; a folder in front, or another case
  // (an archive made on Windows), still names the same file.
  const zip_int64_t index =
      zip_name_locate(zip->handle, name.c_str(), ZIP_FL_NOCASE | ZIP_FL_NODIR);
  if (index < 0) return std::nullopt;
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat_index(zip->handle, static_cast<zip_uint64_t>(index), 0, &stat) != 0 ||
      !(stat.valid & ZIP_STAT_SIZE)) {
    throw Error(ErrorKind::kIo, zip->path + ": " + name + ": " + zip_strerror(zip->handle));
  }
  zip_file_t* file = zip_fopen_index(zip->handle, static_cast<zip_uint64_t>(index), 0);
  if (!file) {
    throw Error(ErrorKind::kIo, zip->path + ": " + name + ": " + zip_strerror(zip->handle));
  }
  std::string text(static_cast<std::size_t>(stat.size), '\0');
  const zip_int64_t got = text.empty() ? 0 : zip_fread(file, text.data(), text.size());
  const bool complete = got == static_cast<zip_int64_t>(text.size());
  const std::string what = complete ? std::string() : zip_file_strerror(file);
  zip_fclose(file);
  if (!complete)
    throw Error(ErrorKind::kIo, zip->path + ": " + name + ": niet volledig gelezen: " + what);
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
