#include "files/trace_file.h"

#include "error.h"
#include "files/line_numbers.h"
#include "platform/files.h"

namespace phreatix {

std::vector<TraceRow> readTraceRows(const std::string& name, const std::string& text) {
  const std::vector<std::string> lines = splitLines(text);
  std::vector<TraceRow> rows;
  for (std::size_t i = kTraceHeadLines + 1; i < lines.size(); ++i) {
    if (lines[i].find_first_not_of(" \t") == std::string::npos) continue;
    LineNumbers numbers(name, i, lines[i]);
    const std::optional<double> time = numbers.next();
    const std::optional<double> predicted = numbers.next();
    const std::optional<double> updated = numbers.next();
    if (!updated)
      refuseLine(name, i, "verwacht tijd, voorspelling en bijgewerkte stand", ErrorKind::kRead);
    rows.push_back({*time, *predicted, *updated});
  }
  return rows;
}

}  // namespace phreatix
