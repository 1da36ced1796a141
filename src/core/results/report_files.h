// The files a run leaves for the hydrologist next to modsel.zft (not packed,
// not cleaned up): rapport.html with one page per modelled tube in rapport/,
// overzicht.csv and the map layer overzicht.gpkg; and the table `run` prints.
// Levels in all of them in cm below surface level ("cm-mv"), so labelled.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "results/charts.h"
#include "results/tube_results.h"

namespace phreatix {

inline constexpr const char* kReportFileName = "rapport.html";
inline constexpr const char* kReportFolderName = "rapport";
inline constexpr const char* kOverviewCsvName = "overzicht.csv";
inline constexpr const char* kOverviewLayerName = "overzicht.gpkg";

// RFC 4180: comma-separated, decimal point, UTF-8, one header row whose names
// carry the unit; one row per tube.
void writeOverviewCsv(const DataSetResults& results, const std::string& path);

// The table of the results window as it shows it, in the same CSV form: the
// screen columns (screenColumns()) with their titles and decimals, one row
// per index into results.tubes in `rows`, in the window's order.
void writeScreenCsv(const DataSetResults& results, const std::vector<std::size_t>& rows,
                    const std::string& path);

// A GeoPackage point layer in EPSG:28992 with the attributes of the CSV;
// tubes without coordinates get a null geometry. The same results give the
// same bytes.
void writeOverviewLayer(const DataSetResults& results, const std::string& path);

// One chart as a self-contained inline SVG element.
std::string chartSvg(const Chart& chart, int width, int height);

// rapport.html and rapport/<stem>.html; `charts` gives a modelled tube's
// charts (tubeCharts in the program, made-up charts in tests).
using ChartSource = std::vector<Chart> (*)(const std::string& workingDir, const TubeResult& tube);
void writeHtmlReport(const DataSetResults& results, const std::string& workingDir,
                     ChartSource charts = &tubeCharts, int workers = 1);

// The table `run` prints: tube, model, GHG, GLG, GVG, warnings; one line each.
std::vector<std::string> resultsTable(const DataSetResults& results);

// One line per tube whose results could not be read, with the reason:
// "28AL0005 filter 01: resultaten niet te lezen: 28AL0005.zip: ...".
std::vector<std::string> unreadableLines(const DataSetResults& results);

// The log line after the three files were written: "Rapport geschreven:
// rapport.html, overzicht.csv en overzicht.gpkg (N buizen, M met model)."
// With ", K niet te lezen" after the M when the results of K tubes could
// not be read.
std::string reportWrittenLine(const DataSetResults& results);
// The log line when they could not be written: "Rapport niet geschreven: "
// and why.
std::string reportNotWrittenLine(const std::string& why);
// Whether a log line is one of these two.
bool isReportLine(std::string_view line);

// Reads the working directory's results and writes the three files; returns
// what it read. `workers` tubes are read and their pages written at once.
DataSetResults writeReports(const std::string& workingDir, int workers = 1);
// The writing half of writeReports: the three files of results already read.
void writeReportFiles(const DataSetResults& results, const std::string& workingDir,
                      int workers = 1);

}  // namespace phreatix
