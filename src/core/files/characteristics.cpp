#include "files/characteristics.h"

#include "error.h"
#include "files/line_numbers.h"
#include "platform/files.h"
#include "text/number_text.h"

namespace phreatix {

namespace {

const std::string kShortDashes(37, '-');
const std::string kLongDashes(74, '-');

}  // namespace

void writeUnivariateStatistics(FixedWriter& out, int realisations, int firstYear, int years,
                               const double (&moments)[4], const double (&percentiles)[9]) {
  out.line(kShortDashes);
  out.line("         Univariate Statistics       ");
  out.text("based on ");
  out.integer(realisations, 3);
  out.line(" simulations             ");
  out.text("period: from ");
  out.real(firstYear, 4, 0);
  out.text(" to ");
  out.real(firstYear + years - 1, 4, 0);
  out.endLine();
  out.line(kShortDashes);
  for (int i = 0; i < 4; ++i) {
    out.text(kMomentLabels[i]);
    out.real(moments[i], 15, 6);
    out.endLine();
  }
  out.line(kShortDashes);
  for (int i = 0; i < 9; ++i) {
    out.text(kPercentileLabels[i]);
    out.real(percentiles[i], 15, 6);
    out.endLine();
  }
  out.line(kShortDashes);
}

void writeGroundwaterCharacteristics(FixedWriter& out, const double (&rows)[5][5]) {
  out.line("");
  out.line("");
  out.line("");
  out.line(kLongDashes);
  out.line("   Mean Highest and Mean Lowest Water Table and Mean Spring Water Table");
  out.line(kLongDashes);
  out.line("");
  out.line(
      "                        mean             5%           50%             95%          std");
  out.line(kLongDashes);
  for (int c = 0; c < 5; ++c) {
    out.text(kGhgLabels[c]);
    for (double v : rows[c]) out.real(v, 15, 6);
    out.endLine();
  }
  out.line(kLongDashes);
}

std::optional<double> statisticsValue(const std::string& name,
                                      const std::vector<std::string>& lines,
                                      std::string_view label) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind(label, 0) != 0) continue;
    const std::optional<double> v =
        LineNumbers(name, i, std::string_view(lines[i]).substr(label.size())).next();
    if (!v) refuseLine(name, i, "verwacht een getal na " + std::string(label), ErrorKind::kRead);
    return v;
  }
  return std::nullopt;
}

StatisticsFigures readStatistics(const std::string& name, const std::string& text) {
  const std::vector<std::string> lines = splitLines(text);
  StatisticsFigures figures;
  figures.ghg = statisticsValue(name, lines, kGhgLabels[kGhgIndex]);
  figures.glg = statisticsValue(name, lines, kGhgLabels[kGlgIndex]);
  figures.gvg = statisticsValue(name, lines, kGhgLabels[kGvgIndex]);
  figures.stdev = statisticsValue(name, lines, kMomentLabels[kStdevIndex]);
  return figures;
}

void writeCurveHead(FixedWriter& out, const CurveLayout& layout, long long rows) {
  out.line(layout.title);
  out.line("");
  out.line(" ARRAY " + formatInt(layout.columns - 1) + formatInt(rows, layout.rowsWidth) +
           layout.rowsTail);
  out.line("");
  out.line(" HOLE 1.0e+38");
  out.line("");
  out.line(layout.columnTitles);
}

void writeRegimeRow(FixedWriter& out, int day, double mean, double p05, double p50, double p95) {
  out.integer(day, 4);
  out.real(mean, 15, 6);
  out.real(p05, 15, 6);
  out.real(p50, 15, 6);
  out.real(p95, 15, 6);
  out.endLine();
}

void writeDurationRow(FixedWriter& out, double daysPerYear, double level) {
  out.real(daysPerYear, 8, 1);
  out.real(level, 15, 6);
  out.endLine();
}

void writeHistogramRow(FixedWriter& out, long long number, double centre) {
  out.integer(number, 8);
  out.real(centre, 15, 6);
  out.endLine();
}

void writeCorrelogramRow(FixedWriter& out, int lag, double correlation) {
  out.integer(lag, 10);
  out.real(correlation, 12, 6);
  out.endLine();
}

std::vector<std::vector<double>> readCurveRows(const std::string& name, const std::string& text,
                                               const CurveLayout& layout) {
  const std::vector<std::string> lines = splitLines(text);
  std::vector<std::vector<double>> rows;
  for (std::size_t i = kCurveHeadLines; i < lines.size(); ++i) {
    if (lines[i].find_first_not_of(" \t") == std::string::npos) continue;
    LineNumbers numbers(name, i, lines[i]);
    std::vector<double> row(static_cast<std::size_t>(layout.columns));
    bool complete = true;
    for (double& v : row) {
      const std::optional<double> number = numbers.next();
      complete = complete && number.has_value();
      v = number.value_or(0);
    }
    if (!complete) {
      refuseLine(name, i, "verwacht " + formatInt(layout.columns) + " getallen", ErrorKind::kRead);
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace phreatix
