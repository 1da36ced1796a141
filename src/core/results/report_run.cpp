// writeReports: the working directory's results read once and written as the
// three report files. Kept apart from the writers, which need no reader.
#include "platform/files.h"
#include "results/report_files.h"

namespace phreatix {

DataSetResults writeReports(const std::string& workingDir) {
  DataSetResults results = readResults(workingDir);
  writeOverviewCsv(results, joinPath(workingDir, kOverviewCsvName));
  writeOverviewLayer(results, joinPath(workingDir, kOverviewLayerName));
  writeHtmlReport(results, workingDir);
  return results;
}

}  // namespace phreatix
