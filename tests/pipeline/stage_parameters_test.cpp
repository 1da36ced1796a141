// The parameter files of the s and d+s calibrations.
#include "pipeline/stage_parameters.h"

#include <gtest/gtest.h>

#include "pipeline/pipeline_case.h"

namespace phreatix::test {
namespace {

TEST(Preparations, StochasticAndRecalibrationFilesFromTheBestVertex) {
  SelectionCase c;
  c.session.stageFlags().ds = false;
  c.session.stageFlags().d = true;
  c.pipeline().writeCalibrationInputs();  // 28AL0005.q01, the template
  // S.b01 columns delta, omega0, c, omega1, phi, sigma2; S.c01 phi, sigma2,
  // delta, omega0, omega1, c.
  c.dir.write("28AL0005.b01",
              vertexFile({"0.95 2.5 -120.25 0 0.97 100 812.3", "0.94 2.4 -119 0 0.97 100 812.4"}));
  c.dir.write("28AL0005.c01", vertexFile({"0.975 8.5 0.95 2.5 0 -120.25 700.1"}));
  c.dir.write("28AL0006.b01", vertexFile({"0.95 2.5 -120 0 0.97 100 999999"}));
  c.dir.write("28AL0006.r01", "stale\n");
  c.dir.write("28AL0007.b01", "only one line\n");
  c.pipeline().prepareStochastic();
  c.pipeline().prepareRecalibration();
  std::vector<std::string> r = c.lines("28AL0005.r01");
  ASSERT_EQ(r.size(), 11u);
  EXPECT_EQ(r[2], "28AL0005.y01");
  EXPECT_EQ(r[3], "28AL0005.c01");
  EXPECT_EQ(r[5], "0.9500000 2.5000000 0. 0.9700000 -120.25000 20.0");
  EXPECT_EQ(r[6], "0 0 0 1 0 1");
  EXPECT_EQ(r[7], "-120.25000");
  EXPECT_EQ(r[9], c.lines("28AL0005.q01")[9]);  // the rest as in the template
  std::vector<std::string> s = c.lines("28AL0005.s01");
  EXPECT_EQ(s[2], "28AL0005.z01");
  EXPECT_EQ(s[3], "28AL0005.d01");
  EXPECT_EQ(s[5], "0.9500000 2.5000000 0. 0.9750000 -120.25000    8.50000");
  EXPECT_EQ(s[6], "1 1 0 1 1 1");
  // No objective below 999999: no new file and no stale one; an unreadable
  // vertex file is reported, the reader's detail after the fixed line.
  EXPECT_FALSE(fileExists(c.dir.file("28AL0006.r01")));
  const std::vector<std::string>& log = c.log();
  EXPECT_EQ(lineAfter(log, "Bestand 28AL0007.b01 is leeg!"),
            c.dir.file("28AL0007.b01") + ": minder dan drie regels");

  // A parameter file that cannot be written (a full disk) is told as the
  // failed write it is, never as an empty vertex file, and is not left half
  // written.
  c.fillDisk("28AL0005.r01");
  c.pipeline().prepareStochastic();
  EXPECT_EQ(countOf(log, c.dir.file("28AL0005.r01") + ": schrijven mislukt (schijf vol?)"), 1u);
  EXPECT_EQ(countOf(log, "Bestand 28AL0005.b01 is leeg!"), 0u);
  EXPECT_FALSE(fileExists(c.dir.file("28AL0005.r01")));
}

}  // namespace
}  // namespace phreatix::test
