// The overview as CSV and the table `run` prints. The map layer, the charts
// and the HTML report have files of their own (report_layer.cpp,
// svg_chart.cpp, report_html.cpp).
#include "results/report_files.h"

#include <algorithm>

#include "platform/files.h"
#include "results/report_columns.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

namespace {

// RFC 4180: a field holding a comma, a double quote or a line end is quoted,
// its quotes doubled.
std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char ch : text) {
    if (ch == '"') quoted += '"';
    quoted += ch;
  }
  quoted += '"';
  return quoted;
}

// A text a spreadsheet would take for a formula (=, +, - or @ first, or a
// tab or CR, which some take the same way) gets the usual quote in front, so
// that a location code "=1+2" is shown as the text it is and runs nothing. A
// text that reads as a number ("-3.5") stays as it is: it is no formula.
std::string textCell(const std::string& text) {
  if (text.empty() || std::string_view("=+-@\t\r").find(text[0]) == std::string_view::npos) {
    return text;
  }
  double number = 0;
  if (parseReal(text, number)) return text;
  return "'" + text;
}

// A cell of a column: numbers as written, texts guarded as above.
std::string csvCell(OverviewColumn::Type type, const std::string& text) {
  return csvField(type == OverviewColumn::Type::kText ? textCell(text) : text);
}

// Short names of the warnings for the terminal table; the full texts are in
// the CSV and the report.
const char* shortWarning(ResultWarningKind kind) {
  switch (kind) {
    case ResultWarningKind::kStartTransient:
      return "inloop";
    case ResultWarningKind::kNoiseDominates:
      return "ruis";
    case ResultWarningKind::kGhgAboveSurface:
      return "GHG boven mv";
    case ResultWarningKind::kShortSeries:
      return "korte reeks";
    case ResultWarningKind::kSparseSeries:
      return "weinig metingen";
    case ResultWarningKind::kNoModel:
      return "geen model";
    case ResultWarningKind::kLowFitEvp:
      return "fit zwak";
    case ResultWarningKind::kNoiseTooSmall:
      return "realisaties vlak";
    case ResultWarningKind::kResidualTrend:
      return "trend";
    case ResultWarningKind::kClusteredReadings:
      return "metingen geclusterd";
    case ResultWarningKind::kSimulatedVsMeasured:
      return "gesim. <> gemeten";
    case ResultWarningKind::kTryExtended:
      return "probeer uitgebreid";
    case ResultWarningKind::kMetadataPeriods:
      return "perioden";
  }
  return "?";
}

std::string levelField(const std::optional<double>& levelCm) {
  std::string text = levelCm ? decimalText(*levelCm, 1) : std::string();
  if (text.empty()) text = "-";
  std::string field;
  appendPadded(field, text, 9);
  return field;
}

std::string leftPadded(const std::string& text, std::size_t width) {
  std::string field = text;
  if (field.size() < width) field.append(width - field.size(), ' ');
  return field;
}

}  // namespace

void writeOverviewCsv(const DataSetResults& results, const std::string& path) {
  const std::vector<OverviewColumn>& columns = overviewColumns(results.extendedFamily);
  StagedFile staged(path);
  LineWriter out(staged.path());
  // Each record ends in CR LF as RFC 4180 has it: the CR here, the LF from
  // the writer.
  std::string line;
  for (const OverviewColumn& column : columns) {
    if (!line.empty()) line += ',';
    line += csvField(columnTitle(column));
  }
  out.write(line + '\r');
  for (const TubeResult& tube : results.tubes) {
    const std::vector<OverviewValue> values = overviewValues(tube, results.extendedFamily);
    line.clear();
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) line += ',';
      line += csvCell(columns[i].type, overviewText(columns[i], values[i]));
    }
    out.write(line + '\r');
  }
  out.close();
  staged.commit();
}

void writeScreenCsv(const DataSetResults& results, const std::vector<std::size_t>& rows,
                    const std::string& path) {
  const std::vector<const OverviewColumn*>& columns = screenColumns();
  LineWriter out(path);
  std::string line;
  for (const OverviewColumn* column : columns) {
    if (!line.empty()) line += ',';
    line += csvField(column->screenTitle);
  }
  out.write(line + '\r');
  for (const std::size_t row : rows) {
    const TubeResult& tube = results.tubes.at(row);
    line.clear();
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) line += ',';
      line += csvCell(columns[i]->type, screenText(*columns[i], screenValue(*columns[i], tube)));
    }
    out.write(line + '\r');
  }
  out.close();
}

std::vector<std::string> resultsTable(const DataSetResults& results) {
  // The tube column as wide as its widest entry, "28AL0005 01".
  std::size_t tubeWidth = 4;
  for (const TubeResult& tube : results.tubes) {
    tubeWidth = std::max(tubeWidth, tube.stem.size() + 1 + tube.filter.size());
  }
  tubeWidth += 2;
  std::vector<std::string> lines;
  lines.push_back(leftPadded("buis", tubeWidth) + "model" + "   GHG cm-mv   GLG cm-mv   GVG cm-mv" +
                  "  waarschuwingen");
  for (const TubeResult& tube : results.tubes) {
    std::string line = leftPadded(tube.stem + " " + tube.filter, tubeWidth);
    line += leftPadded(tube.label.empty() ? "-" : tube.label, 5);
    for (const std::optional<double>* level : {&tube.ghg, &tube.glg, &tube.gvg}) {
      line += "   " + levelField(*level);
    }
    std::string warnings;
    for (const ResultWarning& w : tube.warnings) {
      const char* name = shortWarning(w.kind);
      if (warnings.find(name) != std::string::npos) continue;
      if (!warnings.empty()) warnings += ", ";
      warnings += name;
    }
    if (!tube.failure.empty() &&
        warnings.find(shortWarning(ResultWarningKind::kNoModel)) == std::string::npos) {
      if (!warnings.empty()) warnings += ", ";
      warnings += shortWarning(ResultWarningKind::kNoModel);
    }
    if (!warnings.empty()) line += "  " + warnings;
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace phreatix
