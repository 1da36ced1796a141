// The reader of given components (componenten.txt) on the input as it
// stands (CR LF kept), what it read checked against the layout, then the
// check before a calibration under both models against the reader.
#include "coupling/given_components.h"
#include "fuzz_support.h"

using namespace phreatix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::writeBytes(kGivenComponentsFile, fuzz::text(data, size));
  bool read = false;
  std::string refusal;
  try {
    const GivenComponents given = readGivenComponents(path);
    for (const GivenComponent& row : given.rows) {
      // Eight characters, a trend over at least two days, a step on one
      // day, every day in the program's calendar.
      if (row.location.size() != 8 || row.line < 1) std::abort();
      if (row.trend ? !(row.first < row.last) : row.first != row.last) std::abort();
      if (row.first.year < kFirstYear || row.last.year > kLastYear) std::abort();
      // At most one trend and one step per location.
      const std::vector<GivenComponent> own = givenComponentsOf(given, row.location);
      if (own.size() > 2 || (own.size() == 2 && own[0].trend == own[1].trend)) std::abort();
    }
    read = true;
  } catch (const Error& e) {
    refusal = e.what();
  }
  const std::vector<std::string> standaard =
      givenComponentRefusals(fuzz::workDir(), ModelFamily::kStandaard);
  if (standaard.size() != 1) std::abort();
  const std::vector<std::string> uitgebreid =
      givenComponentRefusals(fuzz::workDir(), ModelFamily::kUitgebreid);
  // Refused exactly when the reader refuses; the first refusal is the
  // reader's; the list capped.
  if (uitgebreid.empty() != read || (!read && uitgebreid.front() != refusal)) std::abort();
  if (uitgebreid.size() > static_cast<std::size_t>(kMaxGivenRefusals) + 1) std::abort();
  return 0;
}
