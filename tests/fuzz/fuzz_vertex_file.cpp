// A calibration results file as the preparations and the model selection
// read it, in each of its column orders.
#include "fuzz_support.h"
#include "pipeline/pipeline.h"

using namespace phreatix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::writeFile("S.a01", fuzz::text(data, size));
  for (const VertexColumns& columns : {kColumnsAD, kColumnsB, kColumnsC}) {
    fuzz::refusalsOnly([&] {
      VertexFile file = readVertexFile(path, columns);
      if (auto best = bestVertex(file)) valuesLine("S", "1s", best->p);
    });
  }
  return 0;
}
