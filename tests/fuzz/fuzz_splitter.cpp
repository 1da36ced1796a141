// The splitter's scan of an export, the split and the session files, and
// the assessment of the first tubes (accepted from the middle).
#include "fuzz_support.h"
#include "preprocessor/assessment.h"
#include "preprocessor/splitter.h"

using namespace phreatix;

namespace {
class NoChart : public ChartSaver {
 public:
  void saveChart(const std::string&) override {}
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::writeFile("export.csv", fuzz::text(data, size));
  SplitterView view;
  fuzz::SilentBox box;
  Splitter splitter(fuzz::workDir(), view, box);
  fuzz::refusalsOnly([&] {
    splitter.activate(1000);
    if (!splitter.open(path) || !splitter.confirm("120")) return;
    NoChart charts;
    std::vector<std::string> first(
        splitter.tubes().begin(),
        splitter.tubes().begin() + std::min<std::size_t>(splitter.tubes().size(), 3));
    Assessment run(splitter.workingCopy(), first, splitter.flags(), fuzz::workDir(), charts, box);
    while (!run.done()) {
      run.moveTrackBar(500);
      run.accept();
    }
    splitter.removeRejected();
    splitter.autoSplit();
    splitter.save();
  });
  splitter.close();
  return 0;
}
