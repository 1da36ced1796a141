// The meteo completeness check on one meteo file, alone and through the
// coupling overview.
#include "coupling/completeness.h"
#include "fuzz_support.h"
#include "settings/session_settings.h"

using namespace phreatix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::writeFile("m.prn", fuzz::text(data, size));
  fuzz::refusalsOnly([&] { meteoFileCovers(path, 1970, 1999); });
  CouplingOverview overview;
  overview.rows.push_back({"28AL0005 +01", "m.prn"});
  SessionSettings settings;
  fuzz::SilentBox box;
  fuzz::refusalsOnly([&] { checkMeteoCompleteness(overview, settings, fuzz::workDir(), box); });
  return 0;
}
