// Vertex files as the later stages read them, and the values line written
// from a vertex.
#include "files/vertex_file.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "error.h"
#include "pipeline/model_selection.h"
#include "support/temp_dir.h"

namespace phreatix::test {
namespace {

TEST(VertexFiles, BestVertexAndColumnMaps) {
  TempDir dir;
  dir.write("x.b01",
            " number of iterations: 12\n"
            "  0.9 2.0 -80 0 0.97 100 900.5\n"
            "  0.8 2.5 -70 0 0.97 100 899.5\n"
            "  0.7 2.5 -60 0 0.97 100 899.5\n"
            "  1.0 1.0 1.0\n");
  VertexFile b = readVertexFile(dir.file("x.b01"), kColumnsB);
  ASSERT_EQ(b.vertices.size(), 3u);  // the ME line is not a vertex
  std::optional<Vertex> best = bestVertex(b);
  ASSERT_TRUE(best);
  EXPECT_EQ(best->p, (Parameters{0.8, 2.5, 0, 0.97, -70, 100}));  // the first of the tie
  EXPECT_EQ(readVertexFile(dir.file("x.b01"), kColumnsC).vertices[0].p,
            (Parameters{-80, 0, 0.97, 0.9, 100, 2.0}));
  EXPECT_EQ(readVertexFile(dir.file("x.b01"), kColumnsAD).vertices[0].p,
            (Parameters{0.9, 2.0, 100, -80, 0, 0.97}));
  dir.write("y.a01", " number of iterations: 1\n 1 2 3 4 5 6 999999\n 1 1 1\n");
  EXPECT_FALSE(bestVertex(readVertexFile(dir.file("y.a01"), kColumnsAD)));
  // Unreadable files name the file and the line.
  const std::vector<std::pair<std::string, std::string>> bad = {
      {" number of iterations: 1\n 1 2 3\n", ": minder dan drie regels"},
      {" head\n 1 2 3 4 5 6 7\n 1 2 3 4 5 6\n 1 1 1\n", ":3: minder dan zeven getallen"},
      {" head\n 1 2 3 4,5 5 6 7\n 1 1 1\n", ":2: \"4,5\" is geen getal"},
  };
  for (const auto& [text, what] : bad) {
    dir.write("z.a01", text);
    try {
      readVertexFile(dir.file("z.a01"), kColumnsAD);
      ADD_FAILURE() << text;
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::kRead);
      EXPECT_EQ(e.what(), dir.file("z.a01") + what);
    }
  }
  EXPECT_EQ(valuesLine("28AL0005", "1s", {0.95, 2.5, 0, 0.97, -120.5, 9.25}),
            "28AL0005 1s 0.9500000 2.5000000 0. 0.9700000 -120.50000    9.25000");
}

}  // namespace
}  // namespace phreatix::test
