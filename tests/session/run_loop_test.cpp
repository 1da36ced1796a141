// The run loop: which parameter file each stage runs, under which title, and
// a tube skipped when its file is missing.
#include "session/run_loop.h"

#include <gtest/gtest.h>

#include "session/pipeline_case.h"

namespace phreatix::test {
namespace {

TEST(RunLoop, EachStageRunsItsOwnParameterFile) {
  PipelineCase c({tube("28AL0005", "01"), "S9504019999+00120"});
  c.overview.rows = {{"28AL0005 +01", "west.prn"}};
  // Each parameter file holds its own name, so zeftal0.par tells which one
  // was copied; none can be run, so every run ends in an error.
  for (const char* ext : {".p01", ".q01", ".r01", ".s01", ".t01", ".std"}) {
    c.dir.write(std::string("28AL0005") + ext, std::string("28AL0005") + ext + "\n");
  }
  struct Case {
    std::vector<bool StageFlags::*> flags;
    std::string file, label;
    std::string note;  // the line that tells ds and d+s apart
  };
  // The trace runs while the simulation flag is still set: the later stage
  // wins.
  const Case cases[] = {
      {{&StageFlags::ds},
       "28AL0005.p01",
       "calibratie (det+stoch)",
       "  (ds: det+stoch calibratie ineens)"},
      {{&StageFlags::d}, "28AL0005.q01", "calibratie (det)"},
      {{&StageFlags::s}, "28AL0005.r01", "calibratie (stoch)"},
      {{&StageFlags::dPlusS},
       "28AL0005.s01",
       "calibratie (det+stoch)",
       "  (d+s: hercalibratie obv de beste eerdere fit)"},
      {{&StageFlags::simulation}, "28AL0005.t01", "simulatie (det+stoch)"},
      {{&StageFlags::simulation, &StageFlags::trace}, "28AL0005.std", "deterministische trace"},
  };
  for (const Case& stage : cases) {
    c.session.stageFlags() = StageFlags{};
    for (bool StageFlags::*flag : stage.flags) c.session.stageFlags().*flag = true;
    const std::size_t before = c.session.messages().buis().size();
    c.pipeline().runLoop();
    EXPECT_EQ(c.dir.read("zeftal0.par"), stage.file + "\n");
    std::vector<std::string> expected = {"ZEFTAL-" + stage.label + " op 28AL0005 gestart."};
    if (!stage.note.empty()) expected.push_back(stage.note);
    const std::vector<std::string>& buis = c.session.messages().buis();
    EXPECT_EQ(
        std::vector<std::string>(buis.begin() + static_cast<std::ptrdiff_t>(before), buis.end()),
        expected);
    EXPECT_EQ(c.log().back(), "ZEFTAL (op 28AL0005) met foutmelding afgesloten.");
  }

  // No parameter file: the tube is skipped, and told in mmLOG and on exit.
  removeFile(c.dir.file("28AL0005.std"));
  const std::size_t started = c.session.messages().buis().size();
  c.pipeline().runLoop();
  EXPECT_EQ(c.session.messages().buis().size(), started);
  const std::vector<std::string> skipped = {
      "Kopieren van 28AL0005.std naar zeftal0.par mislukt. Buis wordt overgeslagen",
      "Mogelijk is er geen plausibel calibratieresultaat."};
  EXPECT_EQ(std::vector<std::string>(c.log().end() - 2, c.log().end()), skipped);
  EXPECT_EQ(c.session.messages().stopExit(), skipped);
}

}  // namespace
}  // namespace phreatix::test
