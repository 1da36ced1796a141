// A fresh working directory per test, removed afterwards, and small file
// helpers for tests that write their own input.
#pragma once

#include <string>
#include <vector>

namespace phreatix::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  // Writes text as it stands (no line ends added).
  void write(const std::string& name, const std::string& text) const;
  std::string read(const std::string& name) const;

 private:
  std::string path_;
};

// Lines joined with LF, each line ended.
std::string joinLines(const std::vector<std::string>& lines, const std::string& end = "\n");

// The real public data folder, or "" where it is absent.
std::string realDataDir();

}  // namespace phreatix::test
