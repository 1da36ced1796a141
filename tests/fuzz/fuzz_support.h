// What every fuzz target shares: one scratch working directory per process,
// the input written there as a file, and the faults a reader may report.
// A reader may refuse input only with phreatix::Error or the fatal stop; any
// other exception, a crash, a sanitizer report, a hang or an allocation
// beyond libFuzzer's limit is a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "error.h"
#include "platform/files.h"
#include "report/ports.h"

namespace phreatix::fuzz {

inline const std::string& workDir() {
  static const std::string dir = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/phreatix-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return dir;
}

inline std::string_view text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The input cut into `count` parts at the byte 0x01 (the seeds use it as
// the separator between files); missing parts are empty.
inline std::vector<std::string> parts(const std::uint8_t* data, std::size_t size,
                                      std::size_t count) {
  std::vector<std::string> out(count);
  std::string_view all = text(data, size);
  for (std::size_t k = 0; k < count; ++k) {
    std::size_t cut = k + 1 < count ? all.find('\x01') : std::string_view::npos;
    out[k] = std::string(all.substr(0, cut));
    if (cut == std::string_view::npos) break;
    all.remove_prefix(cut + 1);
  }
  return out;
}

inline std::string writeFile(const std::string& name, std::string_view content) {
  const std::string path = joinPath(workDir(), name);
  writeLines(path, splitLines(content));
  return path;
}

// The input as it stands, line ends and all (writeFile makes them LF).
inline std::string writeBytes(const std::string& name, std::string_view content) {
  const std::string path = joinPath(workDir(), name);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.close();
  if (!out) std::abort();
  return path;
}

class SilentBox : public MessageBox {
 public:
  void show(const std::string&) override {}
};

// Runs a reader; its refusals are expected, everything else escapes.
template <class F>
void refusalsOnly(F&& f) {
  try {
    f();
  } catch (const Error&) {
  } catch (const FatalStop&) {
  }
}

}  // namespace phreatix::fuzz
