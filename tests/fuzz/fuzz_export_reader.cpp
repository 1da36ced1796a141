// The data-file reader on any text: DINO exports of the older layout and of
// today's DINOloket layouts, OLGA exports; one file, or two as one data set.
#include "fuzz_support.h"
#include "input/dino_reader.h"
#include "report/messages.h"

using namespace phreatix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> files = fuzz::parts(data, size, 2);
  Messages messages;
  ProgressView progress;
  fuzz::SilentBox box;
  ReaderContext context{messages, progress, box, fuzz::workDir()};
  fuzz::refusalsOnly([&] {
    std::vector<ExportFile> exports{{"a.csv", splitLines(files[0])}};
    if (!files[1].empty()) exports.push_back({"b.csv", splitLines(files[1])});
    convertExports(exports, context);
  });
  return 0;
}
