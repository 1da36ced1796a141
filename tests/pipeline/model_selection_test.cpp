// The model selection: the plausible vertex with the smallest objective, and
// what a tube that fails leaves.
#include "pipeline/model_selection.h"

#include <gtest/gtest.h>

#include "pipeline/pipeline_case.h"

namespace phreatix::test {
namespace {

TEST(ModelSelection, TiesKeepTheOneStepModelAndTheBoundsDiffer) {
  SelectionCase c;
  c.dir.write("28AL0005.a01", vertexFile({"0.95 2.5 0.97 -120 9 0 812.3"}));
  c.dir.write("28AL0005.d01", vertexFile({"0.96 2.6 0.98 -121 8 0 812.3"}));
  c.pipeline().selectModels();
  const std::string chosen = "28AL0005 1s 0.9500000 2.5000000 0. 0.9700000 -120.00000    9.00000";
  EXPECT_EQ(c.lines("modsel.zft"), (std::vector<std::string>{chosen}));
  EXPECT_TRUE(c.lines("foutbuis.zft").empty());
  EXPECT_EQ(c.lines("28AL0005.sel"), (std::vector<std::string>{chosen}));
  EXPECT_EQ(c.lines("28AL0005.err"),
            (std::vector<std::string>{
                "Deze buis is succesvol gecalibreerd. Resultaten in 28AL0005.sel"}));

  // With the settings' ds bounds still 0 a weak ds vertex is plausible; the
  // same vertex in S.d01 fails the fixed bounds (delta > 0.90, ...).
  c.dir.write("28AL0005.a01", vertexFile({"0.5 0.3 0.1 -150 9 0 700"}));
  c.dir.write("28AL0005.d01", vertexFile({"0.5 0.3 0.1 -150 9 0 600"}));
  c.pipeline().selectModels();
  EXPECT_EQ(c.lines("modsel.zft")[0].substr(9, 2), "1s");
  // Raised ds bounds: no plausible vertex at all.
  c.session.settings().DELTAMIN = 0.90;
  c.pipeline().selectModels();
  EXPECT_TRUE(c.lines("modsel.zft").empty());
  const std::string failed = "28AL0005 ft 0.5000000 0.3000000 0. 0.1000000 -150.00000    9.00000";
  EXPECT_EQ(c.lines("foutbuis.zft"), (std::vector<std::string>{failed}));
  EXPECT_EQ(c.lines("28AL0005.err"),
            (std::vector<std::string>{"Deze buis is niet succesvol gecalibreerd.",
                                      " Laatste calibratieresultaten:", failed}));
  // The log says why: the vertex with the smallest objective and the
  // criteria it fails, with value and bound.
  EXPECT_EQ(c.session.messages().log().back(),
            "Buis 28AL0005: geen plausibel model: de beste fit (2s, 28AL0005.d01) faalt op "
            "delta 0.50 <= 0.90, omega0 0.30 <= 1.00, phi 0.10 <= 0.50.");
  // ... and no stale simulation input of the earlier selection stays.
  EXPECT_FALSE(fileExists(c.dir.file("28AL0005.t01")));
  EXPECT_FALSE(fileExists(c.dir.file("28AL0005.inp")));

  // A d+s vertex wins with a strictly smaller objective.
  c.dir.write("28AL0005.a01", vertexFile({"0.95 2.5 0.97 -120 9 0 812.3"}));
  c.dir.write("28AL0005.d01", vertexFile({"0.96 2.6 0.98 -121 8 0 812.2"}));
  c.pipeline().selectModels();
  EXPECT_EQ(c.lines("modsel.zft")[0].substr(9, 2), "2s");

  // Another filter of a location ends after its calibration; the run loop
  // tells it, once, and the selection adds no line of its own.
  c.overview.rows.push_back({"28AL0005 +02", "west.prn"});
  c.overview.rows.push_back({"28AL0009 +04", "west.prn"});
  const std::size_t before = c.session.messages().log().size();
  c.pipeline().selectModels();
  EXPECT_EQ(c.session.messages().log().size(), before);
}

// A tube that fails is left out of both lists with its reason in mmLOG: a
// vertex file that cannot be read under the fixed line with the reader's
// detail; a file that cannot be written (a full disk) as the failed write it
// is. Neither leaves a simulation input to run.
TEST(ModelSelection, AFailedTubeIsToldWithItsDetail) {
  SelectionCase c;
  c.dir.write("28AL0005.a01", vertexFile({"0.95 2.5 0.97 -120 9 0 812.3"}));
  c.dir.write("28AL0005.d01", vertexFile({"0.96 2.6 0.98 -121 8 0 x"}));
  Pipeline pipeline = c.pipeline();
  pipeline.selectModels();
  EXPECT_EQ(pipeline.modelsChosen(), 0);
  EXPECT_EQ(lineAfter(c.log(), "Bestand 28AL0005.01 is leeg!"),
            c.dir.file("28AL0005.d01") + ":2: \"x\" is geen getal");
  EXPECT_TRUE(c.lines("modsel.zft").empty());
  EXPECT_TRUE(c.lines("foutbuis.zft").empty());
  EXPECT_FALSE(fileExists(c.dir.file("28AL0005.t01")));

  removeFile(c.dir.file("28AL0005.d01"));
  c.fillDisk("28AL0005.sel");
  const std::size_t before = c.log().size();
  c.pipeline().selectModels();
  EXPECT_EQ(
      std::vector<std::string>(c.log().begin() + static_cast<long>(before), c.log().end()),
      (std::vector<std::string>{c.dir.file("28AL0005.sel") + ": schrijven mislukt (schijf vol?)"}));
  EXPECT_TRUE(c.lines("modsel.zft").empty());
  for (const char* ext : {".t01", ".std", ".inp"})
    EXPECT_FALSE(fileExists(c.dir.file(std::string("28AL0005") + ext))) << ext;
}

}  // namespace
}  // namespace phreatix::test
