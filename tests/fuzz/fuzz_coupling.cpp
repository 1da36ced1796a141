// The coupling file of the automatic coupling, against a tube list taken
// from a small data set; the meteo files it names are looked up in the
// working directory (one meteo file, m.prn, and one stress file, s.csv,
// exist).
#include "coupling/coupling.h"
#include "fuzz_support.h"
#include "report/messages.h"

using namespace phreatix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool prepared = [] {
    fuzz::writeFile("m.prn", "1 5 0.01 4 5\n 1  1 1990 1 1\n");
    fuzz::writeFile("s.csv", "# soort=rivier eenheid=m\ndatum,waarde\n1990-01-01,1\n");
    return true;
  }();
  (void)prepared;
  const std::string path = fuzz::writeFile("koppeling.txt", fuzz::text(data, size));
  Messages messages;
  fuzz::SilentBox box;
  const std::vector<std::string> tubes = {"28AL0005 +01", "28AL0006 +02 (ingreep!)",
                                          "B58C0698 +01"};
  CouplingOverview overview;
  fuzz::refusalsOnly(
      [&] { coupleFromFile(path, tubes, fuzz::workDir(), overview, messages, box); });
  return 0;
}
