// Conversion of a DINO export into the internal tube file: a session of 150
// tubes with two periods and 1000 readings each.
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "input/dino_reader.h"
#include "text/number_text.h"

namespace {

class NoBox : public phreatix::MessageBox {
 public:
  void show(const std::string&) override {}
};

std::vector<std::string> bigExport(int tubes, int readings) {
  std::vector<std::string> lines = {
      "Titel:",
      "Gebruikersnaam: bench",
      "Datum: 01/01/2015",
      "Referentie: Maaiveld (MV)",
      "",
      "LOCATIE,FILTERNUMMER,X-COORDINAAT,Y-COORDINAAT,BOVENKANT FILTER,START DATUM,EIND DATUM"};
  auto code = [](int t) {
    std::string s = phreatix::formatInt(t + 10000000);
    return "B" + s.substr(1);
  };
  for (int t = 0; t < tubes; ++t) {
    lines.push_back(code(t) + ",001,1000,2000,5,1980/01/01,1995/12/31");
    lines.push_back(code(t) + ",001,1010,2000,5,1996/01/01,");
  }
  lines.push_back("");
  lines.push_back("LOCATIE,FILTERNUMMER,PEIL DATUM TIJD,STAND (MV),BIJZONDERHEID");
  for (int t = 0; t < tubes; ++t) {
    for (int r = 0; r < readings; ++r) {
      int year = 1980 + r / 28;
      int month = 1 + (r / 2) % 12;
      int day = r % 2 == 0 ? 14 : 28;
      std::string date = phreatix::formatInt(year) + (month < 10 ? "/0" : "/") +
                         phreatix::formatInt(month) + "/" + phreatix::formatInt(day) + " 00:00:00";
      lines.push_back(code(t) + ",001," + date + "," + phreatix::formatInt(100 + r % 50) + ",");
    }
  }
  return lines;
}

void BM_ConvertDinoExport(benchmark::State& state) {
  std::vector<std::string> lines = bigExport(150, 1000);
  phreatix::Messages messages;
  phreatix::ProgressView progress;
  NoBox box;
  phreatix::ReaderContext context{messages, progress, box, "/tmp"};
  for (auto _ : state) {
    auto result = phreatix::convertExport(lines, "bench.csv", context);
    benchmark::DoNotOptimize(result.lines.data());
  }
  state.SetItemsProcessed(state.iterations() * 150 * 1000);
}
BENCHMARK(BM_ConvertDinoExport)->Unit(benchmark::kMillisecond);

}  // namespace
