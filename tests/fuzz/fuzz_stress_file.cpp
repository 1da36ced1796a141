// The stress-file reader on the input as it stands (CR LF kept), then the
// coverage check of what it read and the check before a calibration under
// both models, through a coupling overview that names the file.
#include "coupling/stress_file.h"
#include "fuzz_support.h"

using namespace phreatix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::writeBytes("s.csv", fuzz::text(data, size));
  fuzz::refusalsOnly([&] {
    const StressSeries series = readStressFile(path);
    // One value a day, first to last.
    const long long days =
        builtinDayNumber(series.last.year, series.last.month, series.last.day) -
        builtinDayNumber(series.first.year, series.first.month, series.first.day) + 1;
    if (days != static_cast<long long>(series.values.size())) std::abort();
    checkStressCovers(series, CalendarDate{1990, 1, 14}, CalendarDate{2010, 12, 28});
  });
  CouplingOverview overview;
  overview.couplingFile = "koppeling.txt";
  overview.rows.push_back({"28AL0005 +01", "m.prn", "s.csv", 3});
  overview.rows.push_back({"28AL0006 +01", "m.prn", "s.csv", 0});
  for (ModelFamily model : {ModelFamily::kStandaard, ModelFamily::kUitgebreid}) {
    fuzz::refusalsOnly([&] { stressCouplingRefusals(overview, model, fuzz::workDir()); });
  }
  return 0;
}
