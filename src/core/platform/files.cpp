#include "platform/files.h"

#include <filesystem>
#include <sstream>
#include <system_error>

#include "error.h"

namespace phreatix {

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    if (end > start && text[end - 1] == '\r') --end;
    lines.emplace_back(text.substr(start, end - start));
    start = next;
  }
  return lines;
}

std::vector<std::string> readLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error(ErrorKind::kIo, path + ": cannot open file");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw Error(ErrorKind::kIo, path + ": cannot read file");
  return splitLines(text.view());
}

void writeLines(const std::string& path, const std::vector<std::string>& lines) {
  LineWriter out(path);
  for (const std::string& line : lines) out.write(line);
  out.close();
}

LineWriter::LineWriter(const std::string& path) : path_(path), out_(path, std::ios::binary) {
  if (!out_) throw Error(ErrorKind::kIo, path + ": cannot create file");
}

LineWriter::~LineWriter() {
  if (!closed_) out_.close();
}

void LineWriter::check() {
  if (!out_) throw Error(ErrorKind::kIo, path_ + ": write failed (disk full?)");
}

void LineWriter::write(std::string_view line) {
  out_.write(line.data(), static_cast<std::streamsize>(line.size()));
  out_.put('\n');
  check();
}

void LineWriter::close() {
  if (closed_) return;
  closed_ = true;
  out_.close();
  check();
}

bool fileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

bool removeFile(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
  return !std::filesystem::exists(path, ec);
}

std::uint64_t freeBytes(const std::string& dir) {
  std::error_code ec;
  auto info = std::filesystem::space(dir.empty() ? "." : dir, ec);
  if (ec) return 0;
  return info.available;
}

std::string currentDirectory() {
  std::error_code ec;
  auto path = std::filesystem::current_path(ec);
  return ec ? std::string(".") : path.string();
}

std::string joinPath(const std::string& dir, const std::string& name) {
  if (dir.empty() || (!name.empty() && name[0] == '/')) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

}  // namespace phreatix
