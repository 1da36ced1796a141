// The day-number file kron.txt.
#include "fuzz_support.h"
#include "input/calendar.h"

using namespace phreatix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::writeFile(kKronFileName, fuzz::text(data, size));
  static DayNumberTable table;
  Messages messages;
  fuzz::refusalsOnly([&] {
    table.clear();
    readDayNumberFile(fuzz::workDir(), table, messages);
  });
  return 0;
}
