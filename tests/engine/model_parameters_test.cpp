// The parameter table against the files the program has always written:
// the columns of the vertex files, the calibration flag lines of the stages,
// the bounds and line 6 of the parameter files (the start values and the
// values of a vertex).
#include "engine/model_parameters.h"

#include <gtest/gtest.h>

#include "engine/responses.h"
#include "files/parameter_lines.h"
#include "files/vertex_file.h"

namespace phreatix {
namespace {

const ParameterTable& exponential() { return parameterTable(ResponseKind::kExponential); }

TEST(ParameterTable, ExponentialRowsInNaturalOrderWithTheirBounds) {
  const char* names[] = {"delta", "omega0", "omega1", "phi", "c", "sigma2"};
  for (int i = 0; i < kModelParameters; ++i) EXPECT_STREQ(exponential()[i].name, names[i]);
  EXPECT_EQ(lowerBounds(exponential()), (Parameters{-1, 0, 0, -1, -10000, 0}));
  EXPECT_EQ(upperBounds(exponential()), (Parameters{1, 10000, 10000, 1, 10000, 10000}));
}

TEST(ParameterTable, GivesTheFlagLinesAndVertexColumnsOfEveryStage) {
  EXPECT_EQ(flagLine(exponential(), CalibrationStage::kOnce), "1 1 0 1 1 1");
  EXPECT_EQ(flagLine(exponential(), CalibrationStage::kDeterministic), "1 1 0 0 1 0");
  EXPECT_EQ(flagLine(exponential(), CalibrationStage::kStochastic), "0 0 0 1 0 1");
  EXPECT_EQ(flagLine(exponential(), CalibrationStage::kRecalibration), "1 1 0 1 1 1");
  EXPECT_EQ(kColumnsAD, (VertexColumns{1, 2, 6, 3, 4, 5}));
  EXPECT_EQ(kColumnsB, (VertexColumns{1, 2, 4, 5, 3, 6}));
  EXPECT_EQ(kColumnsC, (VertexColumns{3, 4, 5, 1, 6, 2}));
  EXPECT_EQ(vertexColumns(exponential(), CalibrationStage::kRecalibration), kColumnsAD);
}

TEST(ParameterTable, WritesLineSixAsTheStagesAlwaysHave) {
  EXPECT_EQ(startLine(exponential(), "-47.67"), "0.97 3.00 0. 0.97 -47.67 100.00");
  EXPECT_EQ(startLine(exponential(), "  4.50"), "0.97 3.00 0. 0.97   4.50 100.00");
  const Parameters p = {0.9712345678, 2.5, 7, 0.25, -123.456789, 12.3456789};
  EXPECT_EQ(parameterLine(p, sigma2Text(p)),
            "0.9712346 2.5000000 0. 0.2500000 -123.45679   12.34568");
  EXPECT_EQ(parameterLine(p, " 20.0"), "0.9712346 2.5000000 0. 0.2500000 -123.45679 20.0");
}

}  // namespace
}  // namespace phreatix
