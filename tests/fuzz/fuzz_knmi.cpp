// The KNMI converter: a station file alone, or precipitation and
// evaporation from two files.
#include "coupling/knmi_meteo.h"
#include "fuzz_support.h"

using namespace phreatix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> files = fuzz::parts(data, size, 2);
  KnmiFile rain{"rain.txt", splitLines(files[0])};
  KnmiFile evaporation{"ev.txt", splitLines(files[1])};
  isKnmiFile(rain.lines);
  fuzz::refusalsOnly([&] { convertKnmi(rain, nullptr, {}); });
  if (!files[1].empty()) fuzz::refusalsOnly([&] { convertKnmi(rain, &evaporation, {}); });
  return 0;
}
