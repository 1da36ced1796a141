// The results reader: what `report` reads of a finished working directory.
// Parts, cut at the byte 0x01: modsel.zft, foutbuis.zft, locaties.csv, then
// the files of tube 28AL0005 (.sta .t01 .foe .01 .met .sim .sel .fit .reg
// .his .cor .upd .std .gzj .a01), then the bytes of 28AL0012.zip, the
// archive of a second tube. Every tube read is charted as its page would
// be. A damaged file may cost its tube (a reason, a note), never the reader.
#include "fuzz_support.h"
#include "results/charts.h"
#include "results/report_files.h"
#include "results/tube_results.h"

using namespace phreatix;

namespace {

constexpr const char* kTubeExtensions[] = {".sta", ".t01", ".foe", ".01",  ".met",
                                           ".sim", ".sel", ".fit", ".reg", ".his",
                                           ".cor", ".upd", ".std", ".gzj", ".a01"};
constexpr std::size_t kTubeFiles = sizeof kTubeExtensions / sizeof kTubeExtensions[0];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> files = fuzz::parts(data, size, 3 + kTubeFiles + 1);
  fuzz::writeBytes("modsel.zft", files[0]);
  fuzz::writeBytes("foutbuis.zft", files[1]);
  fuzz::writeBytes(kLocationsFileName, files[2]);
  for (std::size_t k = 0; k < kTubeFiles; ++k) {
    fuzz::writeBytes(std::string("28AL0005") + kTubeExtensions[k], files[3 + k]);
  }
  fuzz::writeBytes("28AL0012.zip", files[3 + kTubeFiles]);
  fuzz::refusalsOnly([&] {
    const DataSetResults results = readResults(fuzz::workDir());
    resultsTable(results);
    reportWrittenLine(results);
    for (const TubeResult& tube : results.tubes) {
      fuzz::refusalsOnly([&] { tubeCharts(fuzz::workDir(), tube); });
    }
  });
  return 0;
}
