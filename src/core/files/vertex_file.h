// The optimisation results of a calibration as the later stages read them:
// the vertices of the final simplex, each the six model parameters and its
// objective, and the best of them.
//
// A vertex file (S.a01, S.b01, S.c01, S.d01) has a head line, one line per
// vertex and a last line with ME, RMSE and MAE. A vertex line holds seven
// numbers: the calibrated parameters first, then the fixed ones (each group
// in parameter order), then the objective; so the columns differ by stage.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine_files.h"
#include "engine/responses.h"

namespace phreatix {

// The start of the search for the smallest objective, above any objective
// of a real fit: a vertex file whose objectives are all 999999 or more has
// no best vertex.
inline constexpr double kNoObjective = 999999;

// One vertex of a calibration: the parameters in natural order (delta,
// omega0, omega1, phi, c, sigma2) and its objective.
struct Vertex {
  Parameters p{};
  double objective = 0;
};

// The columns of a vertex file, per parameter in natural order (1-based):
// the calibration order of the stage that writes it.
inline constexpr const ParameterTable& kVertexTable = kParameterTableOf<ExponentialResponse>;
inline constexpr VertexColumns kColumnsAD =  // S.a01, S.d01 (ds, d+s)
    vertexColumns(kVertexTable, CalibrationStage::kOnce);
inline constexpr VertexColumns kColumnsB =  // S.b01 (d)
    vertexColumns(kVertexTable, CalibrationStage::kDeterministic);
inline constexpr VertexColumns kColumnsC =  // S.c01 (s)
    vertexColumns(kVertexTable, CalibrationStage::kStochastic);
static_assert(vertexColumns(kVertexTable, CalibrationStage::kRecalibration) == kColumnsAD,
              "S.a01 and S.d01 share their columns");

struct VertexFile {
  std::vector<Vertex> vertices;  // the lines after the head, the last line left out
};
// Reads a vertex file: a read error naming the file (and the line) when it
// has fewer than three lines or a number cannot be read, an I/O error when
// it cannot be opened.
VertexFile readVertexFile(const std::string& path, const VertexColumns& columns);
// The same from the file's text (from the directory or a tube's archive),
// `name` for the error messages.
VertexFile readVertexText(const std::string& name, const std::string& text,
                          const VertexColumns& columns);
// The vertex with the smallest objective below kNoObjective (the first on
// ties).
std::optional<Vertex> bestVertex(const VertexFile& file);

}  // namespace phreatix
