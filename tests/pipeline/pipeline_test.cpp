// The pipeline as a whole.
#include "pipeline/pipeline.h"

#include <gtest/gtest.h>

#include "pipeline/pipeline_case.h"

namespace phreatix::test {
namespace {

TEST(Pipeline, RefusesToStartWithoutASimulatedYear) {
  SelectionCase c;
  c.session.settings().numberOfYears = 0;
  EXPECT_FALSE(c.pipeline().start());
  ASSERT_EQ(c.box.shown.size(), 1u);
  EXPECT_NE(c.box.shown[0].find("Bevestig eerst de detailinstellingen"), std::string::npos);
  EXPECT_FALSE(fileExists(c.dir.file("modsel.zft")));
}

}  // namespace
}  // namespace phreatix::test
