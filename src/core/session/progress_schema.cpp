#include "session/progress_schema.h"

namespace phreatix {

namespace {

struct NodePlace {
  SchemaNode node;
  bool square;
  int left, top;
  const char* label;
  int labelX, labelY;
};

constexpr NodePlace kNodes[kSchemaNodes] = {
    {SchemaNode::ICds, true, 25, 50, "ICds", 20, 35},
    {SchemaNode::Cds, false, 150, 50, "Cds", 145, 35},
    {SchemaNode::ICd, true, 25, 100, "ICd", 20, 85},
    {SchemaNode::Cd, false, 50, 100, "Cd", 45, 85},
    {SchemaNode::ICs, true, 75, 100, "ICs", 70, 85},
    {SchemaNode::Cs, false, 100, 100, "Cs", 95, 85},
    // The two widest labels of the row kept apart (they ran into each
    // other): Cd+s beside its circle, clear of the line up to kIS.
    {SchemaNode::ICdPlusS, true, 125, 100, "ICd+s", 117, 85},
    {SchemaNode::CdPlusS, false, 150, 100, "Cd+s", 163, 104},
    {SchemaNode::kIS, true, 175, 75, "kIS", 175, 60},
    {SchemaNode::S, false, 200, 75, "S", 205, 60},
    {SchemaNode::T, false, 250, 75, "T", 255, 60},
};

constexpr int kLines[10][4] = {{35, 55, 150, 55},    {160, 55, 175, 80},  {35, 105, 50, 105},
                               {60, 105, 75, 105},   {85, 105, 100, 105}, {110, 105, 125, 105},
                               {135, 105, 150, 105}, {160, 105, 175, 80}, {185, 80, 200, 80},
                               {210, 80, 250, 80}};

DrawPrimitive node(const NodePlace& place, Rgb fill) {
  DrawPrimitive p;
  p.kind = place.square ? DrawPrimitive::Kind::kSquare : DrawPrimitive::Kind::kCircle;
  p.x1 = place.left;
  p.y1 = place.top;
  p.x2 = place.left + 10;
  p.y2 = place.top + 10;
  p.fill = fill;
  return p;
}

DrawPrimitive text(int x, int y, const char* s) {
  DrawPrimitive p;
  p.kind = DrawPrimitive::Kind::kText;
  p.x1 = x;
  p.y1 = y;
  p.text = s;
  return p;
}

// An input square: green once its stage's runs are under way and whenever
// neither its stage nor an earlier one is set.
Rgb square(bool own, bool earlier, bool runs) {
  if (own && runs) return kGreen;
  if (own) return kYellow;
  if (earlier) return kRed;
  return kGreen;
}

}  // namespace

Rgb nodeColour(SchemaNode n, const StageFlags& f) {
  if (f.postprocessingReached) return kGreen;
  const bool R = f.runsUnderWay;
  switch (n) {
    case SchemaNode::Cds:
      return f.simulation || f.dPlusS || f.s || f.d ? kGreen : R && f.ds ? kYellow : kRed;
    case SchemaNode::Cd:
      return f.simulation || f.dPlusS || f.s ? kGreen : R && f.d ? kYellow : kRed;
    case SchemaNode::Cs:
      return f.simulation || f.dPlusS ? kGreen : R && f.s ? kYellow : kRed;
    case SchemaNode::CdPlusS:
      return f.simulation ? kGreen : R && f.dPlusS ? kYellow : kRed;
    case SchemaNode::S:
      return (f.simulation && !R) || f.trace ? kGreen
             : R && f.simulation && !f.trace ? kYellow
                                             : kRed;
    case SchemaNode::T:
      return f.trace ? kYellow : kRed;
    case SchemaNode::ICds:
      return square(f.ds, false, R);
    case SchemaNode::ICd:
      return square(f.d, f.ds, R);
    case SchemaNode::ICs:
      return square(f.s, f.ds || f.d, R);
    case SchemaNode::ICdPlusS:
      return square(f.dPlusS, f.ds || f.d || f.s, R);
    case SchemaNode::kIS:
      return square(f.simulation, f.ds || f.d || f.s || f.dPlusS, R);
  }
  return kRed;
}

std::vector<DrawPrimitive> drawSchema(const StageFlags& flags) {
  std::vector<DrawPrimitive> out;
  // The circles red but the trace circle; the squares in the trace circle's colour.
  const Rgb last = flags.postprocessingReached ? kGreen : flags.trace ? kYellow : kRed;
  for (const NodePlace& place : kNodes) {
    const bool isT = place.node == SchemaNode::T;
    out.push_back(node(place, place.square || isT ? last : kRed));
  }
  for (const auto& l : kLines) {
    DrawPrimitive p;
    p.kind = DrawPrimitive::Kind::kLine;
    p.x1 = l[0];
    p.y1 = l[1];
    p.x2 = l[2];
    p.y2 = l[3];
    out.push_back(p);
  }
  const Rgb legend[3] = {kGreen, kYellow, kRed};
  for (int i = 0; i < 3; ++i) {
    DrawPrimitive p;
    p.kind = DrawPrimitive::Kind::kCircle;
    p.x1 = 210;
    p.y1 = 123 + 15 * i;
    p.x2 = 220;
    p.y2 = 133 + 15 * i;
    p.fill = legend[i];
    out.push_back(p);
  }
  out.push_back(text(230, 120, "gereed"));
  out.push_back(text(230, 135, "bezig"));
  out.push_back(text(230, 150, "nog niet gedaan"));
  const char* lines[8] = {"I  =maken invoerbestand(en)",
                          "C  =calibratie(s) met ZEFTAL",
                          "S  =simulatie(s) met ZEFTAL",
                          "T  =deterministische trace met ZEFTAL",
                          "  ds =deterministisch en stochastisch ineens",
                          "  d  =alleen deterministisch; s =alleen stochastisch",
                          "  d+s=deterministisch en stochastisch samen",
                          "  k  =keuze beste (ds of d+s) calibratie"};
  for (int i = 0; i < 8; ++i) out.push_back(text(20, 120 + 15 * i, lines[i]));
  for (const NodePlace& place : kNodes)
    out.push_back(text(place.labelX, place.labelY, place.label));
  return out;
}

std::vector<DrawPrimitive> updateSchema(const StageFlags& flags) {
  std::vector<DrawPrimitive> out;
  for (const NodePlace& place : kNodes) out.push_back(node(place, nodeColour(place.node, flags)));
  return out;
}

}  // namespace phreatix
