// The parameter set of a transfer-noise model as one table: per parameter
// its name, its place in the natural order, the bounds the engine keeps it
// in, which calibration stages calibrate it, and how line 6 of a parameter
// file writes it. The columns of the vertex files, the calibration flag
// lines of the stages and the bound corrections are all drawn from it.
//
// The natural order is the response's parameters first, then the noise's
// (phi, c, sigma2), whatever the response; each response names its own rows
// (engine/responses.h).
//
// Entry points: ParameterTable, parameterTable, calibrationOrder,
// vertexColumns, flagLine.
#pragma once

#include <array>
#include <string>

namespace phreatix {

inline constexpr int kModelParameters = 6;
// The parameters of the deterministic response lead; the noise's follow.
inline constexpr int kResponseParameters = 3;
inline constexpr int kNoiseParameters = kModelParameters - kResponseParameters;

// Parameters in natural order (the exponential response: delta, omega0,
// omega1, phi, c, sigma2).
using Parameters = std::array<double, kModelParameters>;
using ParameterFlags = std::array<int, kModelParameters>;

// The calibration stages, each with its parameter file and the vertex file
// it writes: ds (S.p01, S.a01), d (S.q01, S.b01), s (S.r01, S.c01) and the
// re-calibration d+s (S.s01, S.d01).
enum class CalibrationStage { kOnce, kDeterministic, kStochastic, kRecalibration };
inline constexpr int kCalibrationStages = 4;

struct ParameterRow {
  const char* name;
  double lower;  // the engine keeps the parameter within [lower, upper]
  double upper;
  // Calibrated in each stage, in the order of CalibrationStage.
  std::array<bool, kCalibrationStages> calibrated;
  // Line 6 of a parameter file: the value right-aligned in `width` with
  // `decimals`, or `fixedText` when the stages never calibrate it (it then
  // stands in for the value, whatever the vertex holds).
  int width;
  int decimals;
  const char* fixedText;
  // Its start value on line 6 of the first calibrations' parameter files (ds
  // and d) as written there; nullptr for the level's mean, which the series
  // gives.
  const char* startText;
};

using ParameterRows = std::array<ParameterRow, kResponseParameters>;
using ParameterTable = std::array<ParameterRow, kModelParameters>;

// The noise: z_t - c = phi*(z_{t-1} - c) + a_t, a_t of variance sigma2.
inline constexpr std::array<ParameterRow, kNoiseParameters> kNoiseRows = {{
    {"phi", -1, 1, {true, false, true, true}, 9, 7, nullptr, "0.97"},
    {"c", -10000, 10000, {true, true, false, true}, 10, 5, nullptr, nullptr},
    {"sigma2", 0, 10000, {true, false, true, true}, 10, 5, nullptr, "100.00"},
}};

// A response's rows followed by the noise's.
constexpr ParameterTable joinRows(const ParameterRows& response) {
  ParameterTable table{};
  for (int i = 0; i < kResponseParameters; ++i) table[i] = response[i];
  for (int i = 0; i < kNoiseParameters; ++i) table[kResponseParameters + i] = kNoiseRows[i];
  return table;
}

constexpr Parameters lowerBounds(const ParameterTable& table) {
  Parameters bounds{};
  for (int i = 0; i < kModelParameters; ++i) bounds[i] = table[i].lower;
  return bounds;
}

constexpr Parameters upperBounds(const ParameterTable& table) {
  Parameters bounds{};
  for (int i = 0; i < kModelParameters; ++i) bounds[i] = table[i].upper;
  return bounds;
}

constexpr ParameterFlags stageFlags(const ParameterTable& table, CalibrationStage stage) {
  ParameterFlags flags{};
  for (int i = 0; i < kModelParameters; ++i) {
    flags[i] = table[i].calibrated[static_cast<int>(stage)] ? 1 : 0;
  }
  return flags;
}

// The calibration order of the flags: order[j] is the natural index of the
// parameter at position j; `flagged` how many lead. The flagged parameters
// come first in natural order, then the others in natural order. A flag
// other than 0 counts as 1.
struct CalibrationOrder {
  std::array<int, kModelParameters> order{};
  int flagged = 0;
};

constexpr CalibrationOrder calibrationOrder(const ParameterFlags& flags) {
  CalibrationOrder c;
  int j = 0;
  for (int i = 0; i < kModelParameters; ++i) {
    if (flags[i] != 0) c.order[j++] = i;
  }
  c.flagged = j;
  for (int i = 0; i < kModelParameters; ++i) {
    if (flags[i] == 0) c.order[j++] = i;
  }
  return c;
}

// The columns of a vertex file, per parameter in natural order (1-based):
// the engine writes a vertex in calibration order.
using VertexColumns = std::array<int, kModelParameters>;
constexpr VertexColumns vertexColumns(const ParameterTable& table, CalibrationStage stage) {
  const CalibrationOrder order = calibrationOrder(stageFlags(table, stage));
  VertexColumns columns{};
  for (int j = 0; j < kModelParameters; ++j) columns[order.order[j]] = j + 1;
  return columns;
}

// Line 7 of a stage's parameter file: its flags separated by blanks
// ("1 1 0 1 1 1").
std::string flagLine(const ParameterTable& table, CalibrationStage stage);

// Line 6 of the first calibrations' parameter files: the start values
// separated by blanks, `meanText` for the level's mean ("0.97 3.00 0. 0.97
// -47.67 100.00").
std::string startLine(const ParameterTable& table, const std::string& meanText);

}  // namespace phreatix
