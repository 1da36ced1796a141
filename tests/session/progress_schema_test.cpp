#include "session/progress_schema.h"

#include <gtest/gtest.h>

namespace phreatix {
namespace {

using N = SchemaNode;

std::string colours(const StageFlags& f) {  // one letter per node, in schema order
  std::string s;
  for (const DrawPrimitive& p : updateSchema(f)) {
    s += p.fill == kGreen ? 'g' : p.fill == kYellow ? 'y' : p.fill == kRed ? 'r' : '?';
  }
  return s;
}

TEST(ProgressSchema, ColoursFollowAWholePipeline) {
  // Node order: ICds Cds ICd Cd ICs Cs ICd+s Cd+s kIS S T.
  StageFlags f;
  for (const DrawPrimitive& p : drawSchema(f)) {
    if (p.kind == DrawPrimitive::Kind::kSquare || p.kind == DrawPrimitive::Kind::kCircle) {
      if (p.x1 != 210) {  // the legend aside
        EXPECT_EQ(p.fill, kRed) << p.x1 << "," << p.y1;
      }
    }
  }
  struct Step {
    const char* moment;
    StageFlags flags;
    const char* expected;
  };
  auto flags = [](bool ds, bool d, bool s, bool dps, bool sim, bool trace, bool R, bool pp) {
    StageFlags f;
    f.ds = ds, f.d = d, f.s = s, f.dPlusS = dps, f.simulation = sim, f.trace = trace;
    f.runsUnderWay = R, f.postprocessingReached = pp;
    return f;
  };
  const Step steps[] = {
      {"ds inputs", flags(1, 0, 0, 0, 0, 0, 0, 0), "yrrrrrrrrrr"},
      {"ds runs", flags(1, 0, 0, 0, 0, 0, 1, 0), "gyrrrrrrrrr"},
      {"d inputs", flags(0, 1, 0, 0, 0, 0, 0, 0), "ggyrrrrrrrr"},
      {"d runs", flags(0, 1, 0, 0, 0, 0, 1, 0), "gggyrrrrrrr"},
      {"s inputs", flags(0, 0, 1, 0, 0, 0, 0, 0), "ggggyrrrrrr"},
      {"s runs", flags(0, 0, 1, 0, 0, 0, 1, 0), "gggggyrrrrr"},
      {"d+s inputs", flags(0, 0, 0, 1, 0, 0, 0, 0), "ggggggyrrrr"},
      {"d+s runs", flags(0, 0, 0, 1, 0, 0, 1, 0), "gggggggyrrr"},
      {"selection", flags(0, 0, 0, 0, 1, 0, 0, 0), "ggggggggygr"},
      {"simulation runs", flags(0, 0, 0, 0, 1, 0, 1, 0), "gggggggggyr"},
      {"trace runs", flags(0, 0, 0, 0, 1, 1, 1, 0), "ggggggggggy"},
      {"after", flags(0, 0, 0, 0, 0, 0, 1, 1), "ggggggggggg"},
  };
  for (const Step& step : steps) EXPECT_EQ(colours(step.flags), step.expected) << step.moment;
}

TEST(ProgressSchema, DrawingHoldsNodesLinesLegendAndLabels) {
  std::vector<DrawPrimitive> all = drawSchema(StageFlags{});
  int squares = 0, circles = 0, lines = 0, texts = 0;
  for (const DrawPrimitive& p : all) {
    squares += p.kind == DrawPrimitive::Kind::kSquare;
    circles += p.kind == DrawPrimitive::Kind::kCircle;
    lines += p.kind == DrawPrimitive::Kind::kLine;
    texts += p.kind == DrawPrimitive::Kind::kText;
  }
  EXPECT_EQ(squares, 5);
  EXPECT_EQ(circles, 6 + 3);  // six engine nodes and the legend
  EXPECT_EQ(lines, 10);
  EXPECT_EQ(texts, 3 + 8 + 11);
  // The trace circle turns green with the rest once post-processing is reached.
  StageFlags done;
  done.postprocessingReached = true;
  EXPECT_EQ(nodeColour(N::T, done), kGreen);
}

}  // namespace
}  // namespace phreatix
