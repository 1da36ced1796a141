// writeReports: the working directory's results read once and written as the
// three report files. Kept apart from the writers, which need no reader.
#include "platform/files.h"
#include "results/report_files.h"

#include "text/number_text.h"

namespace phreatix {

namespace {

constexpr std::string_view kWritten = "Rapport geschreven: ";
constexpr std::string_view kNotWritten = "Rapport niet geschreven: ";

}  // namespace

std::string reportWrittenLine(const DataSetResults& results) {
  std::size_t modelled = 0;
  for (const TubeResult& tube : results.tubes) modelled += tube.modelled ? 1 : 0;
  const std::size_t unreadable = results.unreadableTubes();
  return std::string(kWritten) + kReportFileName + ", " + kOverviewCsvName + " en " +
         kOverviewLayerName + " (" + formatInt(static_cast<long long>(results.tubes.size())) +
         " buizen, " + formatInt(static_cast<long long>(modelled)) + " met model" +
         (unreadable > 0 ? ", " + formatInt(static_cast<long long>(unreadable)) + " niet te lezen"
                         : std::string()) +
         ").";
}

std::vector<std::string> unreadableLines(const DataSetResults& results) {
  std::vector<std::string> lines;
  for (const TubeResult& tube : results.tubes) {
    if (tube.unreadable)
      lines.push_back(tube.stem + " filter " + tube.filter + ": " + tube.failure);
  }
  return lines;
}

std::string reportNotWrittenLine(const std::string& why) { return std::string(kNotWritten) + why; }

bool isReportLine(std::string_view line) {
  for (std::string_view start : {kWritten, kNotWritten}) {
    if (line.substr(0, start.size()) == start) return true;
  }
  return false;
}

void writeReportFiles(const DataSetResults& results, const std::string& workingDir, int workers) {
  writeOverviewCsv(results, joinPath(workingDir, kOverviewCsvName));
  writeOverviewLayer(results, joinPath(workingDir, kOverviewLayerName));
  writeHtmlReport(results, workingDir, &tubeCharts, workers);
}

DataSetResults writeReports(const std::string& workingDir, int workers) {
  DataSetResults results = readResults(workingDir, false, workers);
  writeReportFiles(results, workingDir, workers);
  return results;
}

}  // namespace phreatix
