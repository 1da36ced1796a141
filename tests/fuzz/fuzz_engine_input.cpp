// The engine's three input files: zeftal0.par and the measurement and
// meteo files it names (the seeds name f.01 and f.met, written from the
// second and third part of the input).
#include "engine/engine_files.h"
#include "engine/engine_view.h"
#include "engine/responses.h"
#include "fuzz_support.h"
#include "report/messages.h"

using namespace phreatix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> files = fuzz::parts(data, size, 3);
  fuzz::writeFile("zeftal0.par", files[0]);
  fuzz::writeFile("f.01", files[1]);
  fuzz::writeFile("f.met", files[2]);
  static EngineInput input;
  EngineView view;
  Messages messages;
  fuzz::refusalsOnly([&] {
    readEngineInput(fuzz::workDir(), "fuzz", input, view, messages);
    correctInitialValues(input.settings.initial, parameterTable(input.settings.response), view);
  });
  return 0;
}
