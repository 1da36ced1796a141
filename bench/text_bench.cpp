// Fixed-width number text and free-format reading: the writers and readers
// that every engine trace line and post-processing series goes through.
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "text/free_reader.h"
#include "text/number_text.h"

namespace {

std::vector<double> levels(std::size_t n) {
  std::mt19937_64 random(7);
  std::normal_distribution<double> level(-120.0, 40.0);
  std::vector<double> v(n);
  for (double& x : v) x = level(random);
  return v;
}

void BM_AppendReal_10_3(benchmark::State& state) {
  std::vector<double> values = levels(4096);
  std::string line;
  for (auto _ : state) {
    line.clear();
    for (double x : values) phreatix::appendReal(line, x, 10, 3);
    benchmark::DoNotOptimize(line.data());
  }
  state.SetItemsProcessed(state.iterations() * values.size());
}
BENCHMARK(BM_AppendReal_10_3);

void BM_WriteReal_15_6(benchmark::State& state) {
  std::vector<double> values = levels(4096);
  std::vector<char> buffer(4096 * 16 + 400);
  for (auto _ : state) {
    char* p = buffer.data();
    for (double x : values) p = phreatix::writeReal(p, x, 15, 6);
    benchmark::DoNotOptimize(p);
  }
  state.SetItemsProcessed(state.iterations() * values.size());
  state.SetBytesProcessed(state.iterations() * values.size() * 15);
}
BENCHMARK(BM_WriteReal_15_6);

void BM_Snprintf_10_3(benchmark::State& state) {
  std::vector<double> values = levels(4096);
  std::string line;
  char buffer[64];
  for (auto _ : state) {
    line.clear();
    for (double x : values) {
      int n = std::snprintf(buffer, sizeof buffer, "%10.3f", x);
      line.append(buffer, n);
    }
    benchmark::DoNotOptimize(line.data());
  }
  state.SetItemsProcessed(state.iterations() * values.size());
}
BENCHMARK(BM_Snprintf_10_3);

void BM_FreeReaderReals(benchmark::State& state) {
  std::vector<double> values = levels(100000);
  std::string text;
  for (std::size_t i = 0; i < values.size(); ++i) {
    phreatix::appendReal(text, values[i], 10, 3);
    if (i % 10 == 9) text += '\n';
  }
  for (auto _ : state) {
    phreatix::FreeReader reader("series", text);
    double sum = 0;
    for (std::size_t i = 0; i < values.size(); ++i) sum += reader.readReal();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * values.size());
}
BENCHMARK(BM_FreeReaderReals);

}  // namespace
