// The engine's hot paths on the standard tube: 10 years (3652 days) of
// twice-monthly measurements made by the model (delta 0.96, omega0 2.5,
// phi 0.98, c -120, sigma2 9, seed 20261209) on a fixed synthetic surplus.
//
//   BM_PassNoOutput        one SSDKAL pass without trace; ns per step
//   BM_PassWithTrace       the same pass writing its trace block
//   BM_PlainWriteOfTrace   a plain buffered write of the same bytes
//   BM_CalibrateStandard   the ds calibration (flags 1 1 0 1 1 1, MAXITER
//                          500, closure 0.0001) as one engine run, files
//                          included; passes and time per pass as counters
//   BM_Simulate100x10957   100 realisations of 10957 steps
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "engine/engine_run.h"
#include "engine/kalman_filter.h"
#include "engine/simulation.h"
#include "platform/files.h"
#include "support/synthetic_tube.h"

namespace {

using namespace phreatix;

const test::SyntheticTube& standardTube() {
  static const test::SyntheticTube tube =
      test::syntheticTube(3652, 0.96, 2.5, 0.98, -120, 9, 20261209);
  return tube;
}

EngineInput standardInput() {
  EngineInput input;
  const test::SyntheticTube& tube = standardTube();
  input.meteoDays = static_cast<int>(tube.surplus.size());
  input.surplus.push_back(0);
  input.surplus.insert(input.surplus.end(), tube.surplus.begin(), tube.surplus.end());
  for (auto [t, y] : tube.measurements) input.measurements.push_back({t, y});
  input.settings.h0 = -110;
  input.settings.measurementVariance = 1;
  input.settings.dt = 1;
  input.settings.span = 3652;
  return input;
}

const Parameters kParameters = {0.96, 2.5, 0, 0.98, -120, 9};

// Where the benchmarks write: PHREATIX_BENCH_DIR (for instance /dev/shm, to
// measure without the disk) or the temporary directory.
std::string scratchDir(const char* name) {
  const char* base = std::getenv("PHREATIX_BENCH_DIR");
  std::filesystem::path root =
      base ? std::filesystem::path(base) : std::filesystem::temp_directory_path();
  std::string dir = (root / name).string();
  std::filesystem::create_directories(dir);
  return dir;
}

void BM_PassNoOutput(benchmark::State& state) {
  EngineInput input = standardInput();
  StepTable steps;
  steps.build(input);
  KalmanFilter filter(input, steps);
  for (auto _ : state) benchmark::DoNotOptimize(filter.pass(kParameters, nullptr).objective);
  state.counters["ns_per_step"] = benchmark::Counter(
      static_cast<double>(steps.steps()) * 1e-9,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PassNoOutput);

void BM_PassWithTrace(benchmark::State& state) {
  EngineInput input = standardInput();
  StepTable steps;
  steps.build(input);
  KalmanFilter filter(input, steps);
  const std::string path = scratchDir("phreatix-bench") + "/trace.w01";
  FixedWriter trace;
  trace.open(path);
  for (auto _ : state) benchmark::DoNotOptimize(filter.pass(kParameters, &trace).objective);
  trace.close();
  const auto bytes = std::filesystem::file_size(path);
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.counters["ns_per_step"] = benchmark::Counter(
      static_cast<double>(steps.steps()) * 1e-9,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  std::filesystem::remove(path);
}
BENCHMARK(BM_PassWithTrace);

// The trace text alone: formatted and handed to /dev/null.
void BM_PassWithTraceToDevNull(benchmark::State& state) {
  EngineInput input = standardInput();
  StepTable steps;
  steps.build(input);
  KalmanFilter filter(input, steps);
  const std::string path = scratchDir("phreatix-bench") + "/size.w01";
  {
    FixedWriter one;
    one.open(path);
    filter.pass(kParameters, &one);
    one.close();
  }
  const auto blockBytes = std::filesystem::file_size(path);
  std::filesystem::remove(path);
  FixedWriter trace;
  trace.open("/dev/null");
  for (auto _ : state) benchmark::DoNotOptimize(filter.pass(kParameters, &trace).objective);
  trace.close();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * blockBytes));
}
BENCHMARK(BM_PassWithTraceToDevNull);

void BM_PlainWriteOfTrace(benchmark::State& state) {
  EngineInput input = standardInput();
  StepTable steps;
  steps.build(input);
  KalmanFilter filter(input, steps);
  const std::string path = scratchDir("phreatix-bench") + "/block.w01";
  {
    FixedWriter one;
    one.open(path);
    filter.pass(kParameters, &one);
    one.close();
  }
  std::ifstream in(path, std::ios::binary);
  std::string block((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::FILE* out = std::fopen((path + ".copy").c_str(), "wb");
  std::setvbuf(out, nullptr, _IOFBF, 1 << 20);
  for (auto _ : state) benchmark::DoNotOptimize(std::fwrite(block.data(), 1, block.size(), out));
  std::fclose(out);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * block.size()));
  std::filesystem::remove(path);
  std::filesystem::remove(path + ".copy");
}
BENCHMARK(BM_PlainWriteOfTrace);

void BM_CalibrateStandard(benchmark::State& state) {
  const std::string dir = scratchDir("phreatix-bench-calibrate");
  const test::SyntheticTube& tube = standardTube();
  double mean = 0;
  for (auto [t, y] : tube.measurements) mean += y;
  mean /= static_cast<double>(tube.measurements.size());
  writeLines(dir + "/S.met", test::meteoLines(tube.surplus));
  writeLines(dir + "/S.01", test::measurementLines(tube.measurements));
  writeLines(dir + "/zeftal0.par",
             {"S.01", "S.met", "S.w01", "S.a01", "0 0 0 0 0",
              "0.97 3.00 0 0.97 " + formatReal(mean, 0, 2) + " 100.00", "1 1 0 1 1 1",
              formatReal(mean, 0, 2), "1", "1 3652 0.0001", "0"});
  Messages messages;
  EngineView view;
  Engine engine(view, messages);
  double passes = 0;
  for (auto _ : state) {
    if (!engine.run(dir, "bench", 500)) state.SkipWithError(engine.message().c_str());
    state.PauseTiming();
    std::ifstream trace(dir + "/S.w01");
    std::string line;
    passes = 0;
    while (std::getline(trace, line)) passes += line == " Results of SSDKAL";
    state.ResumeTiming();
  }
  state.counters["passes"] = passes;
  state.counters["ms_per_pass"] = benchmark::Counter(
      passes * 1e-3, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_CalibrateStandard)->Unit(benchmark::kMillisecond);

void BM_Simulate100x10957(benchmark::State& state) {
  EngineInput input = standardInput();
  input.surplus.resize(10958);
  for (std::size_t m = 3653; m < input.surplus.size(); ++m)
    input.surplus[m] = input.surplus[m - 3652];
  input.meteoDays = 10957;
  input.settings.span = 10957;
  input.settings.realisations = 100;
  input.settings.years = 30;
  input.settings.startYear = 1969;
  input.settings.seed = -79359;
  input.settings.initial = kParameters;
  input.settings.warmUp = 0;
  StepTable steps;
  steps.build(input);
  const std::string dir = scratchDir("phreatix-bench");
  RandomSource random;
  std::vector<double> deterministic;
  EngineView view;
  for (auto _ : state) {
    random.reset();
    FixedWriter realisations, results;
    realisations.open(dir + "/S.u01");
    results.open(dir + "/S.e01");
    simulate(input, steps, random, deterministic, realisations, results, view);
    realisations.close();
    results.close();
  }
  std::filesystem::remove(dir + "/S.u01");
  std::filesystem::remove(dir + "/S.e01");
}
BENCHMARK(BM_Simulate100x10957)->Unit(benchmark::kMillisecond);

}  // namespace
