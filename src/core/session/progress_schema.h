// The progress schema of the main window (imgProgress): eleven nodes for the
// stages of the pipeline, squares for writing input files and circles for
// engine runs, coloured by the stage flags: green done, yellow busy, red not
// yet done. The drawing is a list of primitives the window only renders.
#pragma once

#include <string>
#include <vector>

#include "report/colour.h"
#include "session/session.h"

namespace phreatix {

enum class SchemaNode { ICds, Cds, ICd, Cd, ICs, Cs, ICdPlusS, CdPlusS, kIS, S, T };
inline constexpr int kSchemaNodes = 11;

// The colour a node takes at an update of the schema.
Rgb nodeColour(SchemaNode node, const StageFlags& flags);

struct DrawPrimitive {
  enum class Kind { kSquare, kCircle, kLine, kText };
  Kind kind = Kind::kLine;
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // box or line ends; text at (x1, y1)
  Rgb fill;                            // squares and circles
  Rgb pen = kSchemaPen;                // outline or line, 2 wide
  std::string text;                    // labels and legend, 8 point
};

// The whole schema as drawn at activation and at the start of a pipeline:
// nodes, lines, labels and legend.
std::vector<DrawPrimitive> drawSchema(const StageFlags& flags);
// The eleven nodes in the colours of the update rule.
std::vector<DrawPrimitive> updateSchema(const StageFlags& flags);

}  // namespace phreatix
