#include "text/fixed_writer.h"

#include <cstring>

#include "error.h"

namespace phreatix {

FixedWriter::FixedWriter() : buffer_(new char[kCapacity]) {}

FixedWriter::~FixedWriter() {
  if (file_) std::fclose(file_);
}

void FixedWriter::open(const std::string& path) {
  if (file_) close();
  path_ = path;
  used_ = 0;
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) throw Error(ErrorKind::kIo, path + ": bestand niet te maken");
  std::setvbuf(file_, nullptr, _IONBF, 0);  // this class buffers itself
}

void FixedWriter::text(std::string_view s) {
  while (!s.empty()) {
    if (used_ == kCapacity) flush();
    std::size_t n = std::min(s.size(), kCapacity - used_);
    std::memcpy(buffer_.get() + used_, s.data(), n);
    used_ += n;
    s.remove_prefix(n);
  }
}

void FixedWriter::flush(std::size_t need) {
  if (!file_) throw Error(ErrorKind::kIo, path_ + ": schrijven in een gesloten bestand");
  if (used_ > 0 && std::fwrite(buffer_.get(), 1, used_, file_) != used_) {
    throw Error(ErrorKind::kIo, path_ + ": schrijven mislukt (schijf vol?)");
  }
  used_ = 0;
  if (need > kCapacity) throw Error(ErrorKind::kIo, path_ + ": veld breder dan de buffer");
}

void FixedWriter::close() {
  if (!file_) return;
  std::FILE* file = file_;
  bool ok = used_ == 0 || std::fwrite(buffer_.get(), 1, used_, file) == used_;
  used_ = 0;
  file_ = nullptr;
  ok = std::fclose(file) == 0 && ok;
  if (!ok) throw Error(ErrorKind::kIo, path_ + ": schrijven mislukt (schijf vol?)");
}

}  // namespace phreatix
