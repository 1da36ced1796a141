// The whole RunPostprocessing of one tube of R = 100 realisations of Y = 30
// years from 1969 (1,095,000 values in pass 1, 1,095,700 in pass 2), with
// the share of each step as counters (seconds).
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include <benchmark/benchmark.h>

#include "platform/files.h"
#include "postprocessing/karakt.h"
#include "text/fixed_writer.h"

namespace {

using namespace phreatix;

std::string writeTube() {
  const char* base = std::getenv("PHREATIX_BENCH_DIR");
  std::filesystem::path root =
      base ? std::filesystem::path(base) : std::filesystem::temp_directory_path();
  const std::string dir = (root / "phreatix-bench-post").string();
  std::filesystem::create_directories(dir);
  FixedWriter u;
  u.open(dir + "/S.u01");
  u.line("1969 100 30");
  std::mt19937 random(1969);
  std::normal_distribution<double> noise(0.0, 3.0);
  for (int r = 0; r < 100; ++r) {
    double z = 0;
    for (int y = 1969; y < 1999; ++y) {
      for (int d = 1; d <= (y % 4 == 0 ? 366 : 365); ++d) {
        z = 0.98 * z + noise(random);
        u.real(-120 + 35 * std::sin(2 * M_PI * d / 365.25) + z, 8, 3);
        u.endLine();
      }
    }
  }
  u.close();
  writeLines(dir + "/S.inp", {"'S.u01'", "'S.frm'", "1", "'S.u01'", "'S.sta'", "'S.his'", "'S.foe'",
                              "'S.reg'", "'S.cor'", "0 500 (deze getallen worden niet gebruikt.)",
                              "100 (dit getal wordt niet gebruikt.)"});
  copyFile(dir + "/S.inp", dir + "/input.txt");
  return dir;
}

void BM_RunPostprocessing(benchmark::State& state) {
  const std::string dir = writeTube();
  Postprocessor post;
  Messages messages;
  PostView view;
  // A batch touches the pages of its arrays in its first tube; time the
  // tubes after it.
  if (!post.RunPostprocessing(dir, view, messages)) state.SkipWithError("first tube failed");
  for (auto _ : state) {
    if (!post.RunPostprocessing(dir, view, messages))
      state.SkipWithError(messages.log().back().c_str());
  }
  for (const auto& [step, seconds] : post.stepTimes()) state.counters[step] = seconds;
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_RunPostprocessing)->Unit(benchmark::kMillisecond);

}  // namespace
