#include "platform/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "error.h"
#include "text/parse.h"

namespace phreatix {

namespace {

// True for a text written with CR alone at its line ends (an old Mac, a
// spreadsheet on one): its CRs not followed by LF outnumber its LFs. A file
// of LF or CR LF line ends, even one with a stray CR before some of them,
// never is.
bool endsLinesInCr(std::string_view text) {
  std::size_t loneCr = 0, lf = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++lf;
    } else if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) {
      ++loneCr;
    }
  }
  return loneCr > lf;
}

}  // namespace

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  if (endsLinesInCr(text)) {
    // Every CR, LF and CR LF ends a line.
    while (start < text.size()) {
      std::size_t end = text.find_first_of("\r\n", start);
      if (end == std::string_view::npos) end = text.size();
      lines.emplace_back(text.substr(start, end - start));
      start = end + (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
  }
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

std::string readFileText(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) throw Error(ErrorKind::kIo, path + ": bestand niet te openen");
  std::string text;
  char buffer[1 << 16];
  std::size_t n;
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (!ec) text.reserve(static_cast<std::size_t>(size));
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) throw Error(ErrorKind::kIo, path + ": bestand niet te lezen");
  return text;
}

std::vector<std::string> readLines(const std::string& path) {
  return splitLines(readFileText(path));
}

void writeLines(const std::string& path, const std::vector<std::string>& lines) {
  LineWriter out(path);
  for (const std::string& line : lines) out.write(line);
  out.close();
}

LineWriter::LineWriter(const std::string& path) : path_(path), out_(path, std::ios::binary) {
  if (!out_) throw Error(ErrorKind::kIo, path + ": bestand niet te maken");
}

LineWriter::~LineWriter() {
  if (!closed_) out_.close();
}

void LineWriter::check() {
  if (!out_) throw Error(ErrorKind::kIo, path_ + ": schrijven mislukt (schijf vol?)");
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

namespace {

// What a path is when it is no regular file, for the refusal; empty for a
// regular file or none.
std::string notRegular(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return std::string();
  if (S_ISREG(st.st_mode)) return std::string();
  if (S_ISLNK(st.st_mode)) return "een symbolische koppeling";
  if (S_ISDIR(st.st_mode)) return "een map";
  return "een speciaal bestand";
}

}  // namespace

void refuseUnlessRegularFile(const std::string& path) {
  const std::string what = notRegular(path);
  if (!what.empty()) {
    throw Error(ErrorKind::kIo,
                path + ": staat er als " + what + ", niet als gewoon bestand; niet overschreven");
  }
}

void makeOwnFolder(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return;
    const std::string what = S_ISLNK(st.st_mode)   ? "een symbolische koppeling"
                             : S_ISREG(st.st_mode) ? "een bestand"
                                                   : "een speciaal bestand";
    throw Error(ErrorKind::kIo,
                path + ": staat er als " + what + ", niet als map; niets in geschreven");
  }
  if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
    throw Error(ErrorKind::kIo, path + ": map niet te maken: " + std::strerror(errno));
  }
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    throw Error(ErrorKind::kIo, path + ": map niet te maken");
  }
}

StagedFile::StagedFile(const std::string& target) : target_(target) {
  refuseUnlessRegularFile(target_);
  const std::filesystem::path t(target_);
  const std::string name = t.filename().string();
  std::string pattern = joinPath(t.parent_path().string(), "." + name + ".XXXXXX");
  if (!::mkdtemp(pattern.data())) {
    throw Error(ErrorKind::kIo,
                target_ + ": tijdelijke map ernaast niet te maken: " + std::strerror(errno));
  }
  folder_ = pattern;
  path_ = joinPath(folder_, name);
}

StagedFile::~StagedFile() {
  std::error_code ec;
  std::filesystem::remove_all(folder_, ec);
}

void StagedFile::commit() {
  refuseUnlessRegularFile(target_);
  if (std::rename(path_.c_str(), target_.c_str()) != 0) {
    throw Error(ErrorKind::kIo,
                target_ + ": niet op zijn plaats te zetten: " + std::strerror(errno));
  }
}

bool fileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

bool copyFile(const std::string& src, const std::string& dst) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(src, ec)) return false;
  return std::filesystem::copy_file(src, dst, std::filesystem::copy_options::overwrite_existing,
                                    ec) &&
         !ec;
}

bool moveFile(const std::string& src, const std::string& dst) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(src, ec)) return false;
  std::filesystem::rename(src, dst, ec);
  return !ec;
}

ScratchDirs::ScratchDirs(const std::string& dir, std::size_t count)
    : root_(joinPath(dir, ".phreatix-werk")) {
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
  for (std::size_t k = 0; k < count; ++k) {
    slots_.push_back(joinPath(root_, std::to_string(k)));
    if (!std::filesystem::create_directories(slots_.back(), ec) || ec) {
      std::filesystem::remove_all(root_, ec);
      throw Error(ErrorKind::kIo, slots_.back() + ": werkmap van een rekenproces niet te maken");
    }
  }
}

ScratchDirs::~ScratchDirs() {
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

bool wildcardMatch(std::string_view name, std::string_view pattern) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  // Greedy matching with backtracking to the last '*'.
  std::size_t n = 0, p = 0, star = std::string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::string> listFiles(const std::string& dir, std::string_view pattern) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir.empty() ? "." : dir, ec)) {
    std::error_code typeError;
    if (!entry.is_regular_file(typeError)) continue;
    std::string name = entry.path().filename().string();
    if (wildcardMatch(name, pattern)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
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

bool isBareFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name) {
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
  }
  return true;
}

bool isSafeStem(std::string_view stem) {
  return isBareFileName(stem) && stem.find_first_of("*?[]") == std::string_view::npos;
}

std::string workingFile(const std::string& dir, const std::string& name,
                        const std::string& source) {
  if (!isBareFileName(name)) {
    throw Error(ErrorKind::kInput,
                source + ": " + phreatix::quoted(name) + " is geen bestandsnaam in de werkmap");
  }
  return joinPath(dir, name);
}

FreeReader freeReaderOfFile(const std::string& path) {
  return FreeReader(path, readFileText(path));
}

}  // namespace phreatix
