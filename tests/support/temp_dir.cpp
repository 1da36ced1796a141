#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace phreatix::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "phreatix-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void TempDir::write(const std::string& name, const std::string& text) const {
  std::ofstream out(file(name), std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + file(name));
}

std::string TempDir::read(const std::string& name) const {
  std::ifstream in(file(name), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file(name));
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string joinLines(const std::vector<std::string>& lines, const std::string& end) {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

std::string realDataDir() {
  std::error_code ec;
  return std::filesystem::is_directory(PHREATIX_REALDATA_DIR, ec) ? PHREATIX_REALDATA_DIR : "";
}

}  // namespace phreatix::test
