#include "files/zip_contents.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "error.h"
#include "platform/files.h"
#include "text/parse.h"

namespace phreatix {

namespace {

// The blank-separated fields of a line; empty fields (two blanks) count.
std::vector<std::string_view> fields(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t from = 0;
  while (true) {
    const std::size_t blank = line.find(' ', from);
    out.push_back(line.substr(from, blank == std::string_view::npos ? blank : blank - from));
    if (blank == std::string_view::npos) return out;
    from = blank + 1;
  }
}

template <typename T>
bool wholeNumber(std::string_view text, T& value, int base) {
  if (text.empty() || text.front() == '+' || text.front() == '-') return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string zipContentsLine(const ZipMember& member) {
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(member.crc));
  return member.zip + " " + member.member + " " + std::to_string(member.size) + " " + crc;
}

void writeZipContents(const std::string& path, const std::vector<ZipMember>& members) {
  const std::string fresh = path + ".nieuw";
  {
    LineWriter out(fresh);
    for (const ZipMember& member : members) out.write(zipContentsLine(member));
    out.close();
  }
  std::error_code ec;
  std::filesystem::rename(fresh, path, ec);
  if (ec) {
    removeFile(fresh);
    throw Error(ErrorKind::kIo, path + ": niet te vervangen: " + ec.message());
  }
}

std::vector<ZipMember> readZipContents(const std::string& name, const std::string& text) {
  std::vector<ZipMember> members;
  const std::vector<std::string> lines = splitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::vector<std::string_view> f = fields(lines[i]);
    if (f.size() != 4 || f[0].empty() || f[1].empty()) {
      refuseLine(
          name, i,
          "verwacht archief, bestand, grootte en CRC-32, kreeg " + phreatix::quoted(lines[i]),
          ErrorKind::kRead);
    }
    ZipMember member{std::string(f[0]), std::string(f[1])};
    if (!wholeNumber(f[2], member.size, 10)) {
      refuseLine(name, i, "verwacht een grootte in bytes, kreeg " + phreatix::quoted(f[2]),
                 ErrorKind::kRead);
    }
    if (f[3].size() != 8 || !wholeNumber(f[3], member.crc, 16)) {
      refuseLine(name, i,
                 "verwacht een CRC-32 van 8 hexadecimale cijfers, kreeg " + phreatix::quoted(f[3]),
                 ErrorKind::kRead);
    }
    members.push_back(std::move(member));
  }
  return members;
}

std::vector<ZipMember> readZipContentsFile(const std::string& path) {
  return readZipContents(path, readFileText(path));
}

}  // namespace phreatix
