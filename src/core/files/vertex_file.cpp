#include "files/vertex_file.h"

#include <algorithm>
#include <string_view>

#include "error.h"
#include "platform/files.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

VertexFile readVertexFile(const std::string& path, const VertexColumns& columns) {
  return readVertexText(path, readFileText(path), columns);
}

VertexFile readVertexText(const std::string& path, const std::string& text,
                          const VertexColumns& columns) {
  const std::vector<std::string> lines = splitLines(text);
  if (lines.size() < 3) throw Error(ErrorKind::kRead, path + ": minder dan drie regels");
  VertexFile file;
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    // Seven numbers separated by blanks; what follows them is not read.
    const std::string_view line = lines[i];
    auto where = [&] { return path + ":" + formatInt(static_cast<long long>(i) + 1) + ": "; };
    double values[7];
    std::size_t pos = 0;
    for (double& v : values) {
      pos = line.find_first_not_of(" \t\r", pos);
      if (pos == std::string_view::npos) {
        throw Error(ErrorKind::kRead, where() + "minder dan zeven getallen");
      }
      const std::size_t end = std::min(line.find_first_of(" \t\r", pos), line.size());
      const std::string_view token = line.substr(pos, end - pos);
      if (valReal(token, v) != 0) {
        throw Error(ErrorKind::kRead, where() + quoted(token) + " is geen getal");
      }
      pos = end;
    }
    Vertex vertex;
    for (int k = 0; k < kModelParameters; ++k) vertex.p[k] = values[columns[k] - 1];
    vertex.objective = values[6];
    file.vertices.push_back(vertex);
  }
  return file;
}

std::optional<Vertex> bestVertex(const VertexFile& file) {
  std::optional<Vertex> best;
  double objective = kNoObjective;
  for (const Vertex& v : file.vertices) {
    if (v.objective < objective) {
      objective = v.objective;
      best = v;
    }
  }
  return best;
}

}  // namespace phreatix
