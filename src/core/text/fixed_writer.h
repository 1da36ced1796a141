// A text file written line by line with fixed-width numbers: engine traces,
// realisations, results and post-processing files.
//
// Fields are formatted straight into one large buffer, which goes to the file
// in big blocks; nothing per field or per line allocates, flushes or locks.
// Every write is checked: a file that cannot be created or written
// completely raises an I/O error naming it.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "text/number_text.h"

namespace phreatix {

class FixedWriter {
 public:
  FixedWriter();
  ~FixedWriter();  // closes without reporting; call close() to learn of failures
  FixedWriter(const FixedWriter&) = delete;
  FixedWriter& operator=(const FixedWriter&) = delete;

  // Creates (overwriting) the file.
  void open(const std::string& path);
  bool isOpen() const { return file_ != nullptr; }
  const std::string& path() const { return path_; }

  void real(double x, int width, int decimals) {
    ensureRoom(width);
    used_ = static_cast<std::size_t>(writeReal(buffer_.get() + used_, x, width, decimals) -
                                     buffer_.get());
  }
  void integer(long long v, int width = 0) {
    ensureRoom(width);
    used_ = static_cast<std::size_t>(writeInt(buffer_.get() + used_, v, width) - buffer_.get());
  }
  void text(std::string_view s);
  void endLine() {
    ensureRoom(1);
    buffer_[used_++] = '\n';
  }
  void line(std::string_view s) {
    text(s);
    endLine();
  }

  // Writes what is buffered and closes the file.
  void close();

 private:
  static constexpr std::size_t kCapacity = 1 << 20;

  void ensureRoom(int width) {
    std::size_t need = static_cast<std::size_t>(width > kMaxNumberChars ? width : kMaxNumberChars);
    if (used_ + need > kCapacity) flush(need);
  }
  void flush(std::size_t need = 0);

  std::string path_;
  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
};

}  // namespace phreatix
