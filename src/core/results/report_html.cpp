// rapport.html and its pages: an index with one table of all tubes (the
// columns of overzicht.csv, readable) and the tubes without a model with the
// reason, and per modelled tube rapport/<stem>.html with its parameters, fit,
// GHG/GLG/GVG, warnings and charts as inline SVG.
//
// Every page stands alone: CSS in the page, no script, no image or font
// fetched from anywhere. Pages are written line by line, so a data set of
// thousands of tubes needs no more memory than one tube's charts.
#include <cctype>
#include <filesystem>
#include <system_error>

#include "error.h"
#include "platform/files.h"
#include "platform/ordered_work.h"
#include "results/report_columns.h"
#include "results/report_files.h"
#include "results/svg_chart.h"
#include "text/number_text.h"

namespace phreatix {

namespace {

constexpr int kChartWidth = 900;
constexpr int kChartHeight = 380;

constexpr const char* kStyle = R"(<style>
body { font-family: sans-serif; font-size: 14px; color: #222; margin: 1.5em; }
h1 { font-size: 1.5em; } h2 { font-size: 1.2em; margin-top: 1.6em; }
table { border-collapse: collapse; }
th, td { border: 1px solid #ccc; padding: 2px 6px; vertical-align: top; }
th { background: #eef2f6; position: sticky; top: 0; text-align: left; }
th .unit { font-weight: normal; color: #555; }
td.n { text-align: right; white-space: nowrap; font-variant-numeric: tabular-nums; }
tr.geen-model td { background: #fbf3f0; }
.note { background: #f6f6ee; border-left: 4px solid #b8b070; padding: 0.4em 1em; max-width: 60em; }
.warn { color: #8a3b00; }
figure { margin: 1em 0; }
</style>)";

const char* kLevelNote =
    "Grondwaterstanden, GHG, GLG en GVG staan in cm-mv (cm onder maaiveld): hoe groter het "
    "getal, hoe dieper het grondwater.";
const char* kFitNote =
    "De fit (n, ME, RMSE, EVP) is gemeten op het deterministische model: een filterdoorgang "
    "zonder bijwerken met de metingen, vergeleken met de metingen van de calibratieperiode. "
    "ME is het gemiddelde van gemeten min model, RMSE de wortel uit het gemiddelde kwadraat "
    "van dat verschil, EVP de verklaarde variantie.";
const char* kParameterNote =
    "Modelparameters: &delta; en &phi; zonder eenheid; &omega;<sub>0</sub> in cm grondwaterstand "
    "per cm neerslagoverschot; c, het basisniveau van de ruis, in cm+mv (cm boven maaiveld, "
    "negatief eronder); &sigma;<sup>2</sup> in cm<sup>2</sup>. Model 1s: uit de calibratie in "
    "&eacute;&eacute;n stap; 2s: uit de calibratie in drie stappen; ft: geen plausibel model.";

// The units as the report spells them out.
std::string readableUnit(const std::string& unit) {
  if (unit == "cm-mv") return "cm-mv (cm onder maaiveld)";
  if (unit == "cm+mv") return "cm+mv (cm boven maaiveld)";
  if (unit == "cm/cm") return "cm per cm neerslagoverschot";
  if (unit == "cm2") return "cm\xC2\xB2";
  if (unit == "-") return "";
  return unit;
}

// A file name in a link: characters other than letters, digits and ._-
// percent-encoded.
std::string urlComponent(const std::string& name) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char ch : name) {
    if (std::isalnum(ch) || ch == '.' || ch == '_' || ch == '-') {
      out += static_cast<char>(ch);
    } else {
      out += '%';
      out += kHex[ch / 16];
      out += kHex[ch % 16];
    }
  }
  return out;
}

std::string pageName(const TubeResult& tube) { return tube.stem + ".html"; }

// A tube gets a page when it has a model and its stem can name a file.
bool hasPage(const TubeResult& tube) { return tube.modelled && isSafeStem(tube.stem); }

std::string tubeName(const TubeResult& tube) { return tube.stem + " filter " + tube.filter; }

std::string reasonWithoutModel(const TubeResult& tube) {
  if (!tube.failure.empty()) return tube.failure;
  if (hasChosenModel(tube)) return "nabewerking (GHG, GLG, GVG) niet afgerond";
  if (tube.label.empty()) return "niet meegenomen in de modelselectie";
  return "geen reden bekend";
}

void writeHead(LineWriter& out, const std::string& title) {
  out.write("<!DOCTYPE html>");
  out.write("<html lang=\"nl\">");
  out.write("<head>");
  out.write("<meta charset=\"utf-8\">");
  out.write("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">");
  out.write("<title>" + markupEscaped(title) + "</title>");
  out.write(kStyle);
  out.write("</head>");
  out.write("<body>");
}

void writeTail(LineWriter& out) {
  out.write("</body>");
  out.write("</html>");
  out.close();
}

// The cell of one column, as in the CSV but with the warnings one to a line.
std::string cell(const OverviewColumn& column, const OverviewValue& value, const TubeResult& tube) {
  const bool numeric = column.type != OverviewColumn::Type::kText;
  std::string html = numeric ? "<td class=\"n\">" : "<td>";
  if (std::string(column.name) == "buis" && hasPage(tube)) {
    html += "<a href=\"" + std::string(kReportFolderName) + "/" +
            markupEscaped(urlComponent(pageName(tube))) + "\">" + markupEscaped(tube.stem) + "</a>";
  } else if (std::string(column.name) == "waarschuwingen") {
    for (std::size_t i = 0; i < tube.warnings.size(); ++i) {
      if (i > 0) html += "<br>";
      html += markupEscaped(tube.warnings[i].text);
    }
  } else {
    html += markupEscaped(overviewText(column, value));
  }
  return html + "</td>";
}

void writeIndex(const DataSetResults& results, const std::string& path) {
  const std::vector<OverviewColumn>& columns = overviewColumns();
  std::size_t modelled = 0;
  for (const TubeResult& tube : results.tubes) modelled += tube.modelled ? 1 : 0;

  LineWriter out(path);
  writeHead(out, "Phreatix: resultaten");
  out.write("<h1>Resultaten per buis</h1>");
  out.write("<p>Werkmap: " + markupEscaped(results.workingDir) + "<br>" +
            formatInt(static_cast<long long>(results.tubes.size())) + " buizen, waarvan " +
            formatInt(static_cast<long long>(modelled)) + " met model en " +
            formatInt(static_cast<long long>(results.tubes.size() - modelled)) + " zonder.</p>");
  if (!results.notes.empty()) {
    out.write("<ul class=\"warn\">");
    for (const std::string& note : results.notes) out.write("<li>" + markupEscaped(note) + "</li>");
    out.write("</ul>");
  }
  out.write("<div class=\"note\">");
  out.write(std::string("<p>") + kLevelNote + "</p>");
  out.write(std::string("<p>") + kFitNote + "</p>");
  out.write(std::string("<p>") + kParameterNote + "</p>");
  out.write("</div>");

  out.write("<h2>Alle buizen</h2>");
  out.write("<table>");
  std::string head = "<thead><tr>";
  for (const OverviewColumn& column : columns) {
    head += "<th>" + markupEscaped(column.heading);
    const std::string unit = readableUnit(column.unit);
    if (!unit.empty()) head += "<br><span class=\"unit\">" + markupEscaped(unit) + "</span>";
    head += "</th>";
  }
  out.write(head + "</tr></thead>");
  out.write("<tbody>");
  for (const TubeResult& tube : results.tubes) {
    const std::vector<OverviewValue> values = overviewValues(tube);
    std::string row = tube.modelled ? "<tr>" : "<tr class=\"geen-model\">";
    for (std::size_t i = 0; i < columns.size(); ++i) row += cell(columns[i], values[i], tube);
    out.write(row + "</tr>");
  }
  out.write("</tbody>");
  out.write("</table>");

  out.write("<h2>Buizen zonder model</h2>");
  if (modelled == results.tubes.size()) {
    out.write("<p>Geen: elke buis heeft een model.</p>");
  } else {
    out.write("<ul>");
    for (const TubeResult& tube : results.tubes) {
      if (tube.modelled) continue;
      std::string item = "<li><b>" + markupEscaped(tubeName(tube)) + "</b>";
      if (!tube.location.empty() && tube.location != tube.stem) {
        item += " (" + markupEscaped(tube.location) + ")";
      }
      out.write(item + ": " + markupEscaped(reasonWithoutModel(tube)) + "</li>");
    }
    out.write("</ul>");
  }
  writeTail(out);
}

// A row of a name/value table; an unknown value shows as a dash.
std::string valueRow(const std::string& nameHtml, const std::string& value,
                     const std::string& unitHtml) {
  return "<tr><th>" + nameHtml + "</th><td class=\"n\">" +
         (value.empty() ? std::string("-") : markupEscaped(value)) + "</td><td>" + unitHtml +
         "</td></tr>";
}

void writeTubePage(const TubeResult& tube, const std::string& workingDir, ChartSource charts,
                   const std::string& path) {
  LineWriter out(path);
  writeHead(out, "Buis " + tubeName(tube));
  out.write("<p><a href=\"../" + std::string(kReportFileName) + "\">&larr; alle buizen</a></p>");
  out.write("<h1>Buis " + markupEscaped(tubeName(tube)) + "</h1>");
  std::string where = "<p>Locatie " + markupEscaped(tube.location);
  if (tube.x && tube.y) {
    where += ", RD x " + markupEscaped(decimalText(*tube.x, 2)) + " m, y " +
             markupEscaped(decimalText(*tube.y, 2)) + " m";
  } else {
    where += ", zonder co&ouml;rdinaten";
  }
  out.write(where + ".</p>");

  out.write("<h2>GHG, GLG en GVG</h2>");
  out.write("<table>");
  const auto level = [](const std::optional<double>& v) {
    return v ? decimalText(*v, 1) : std::string();
  };
  out.write(valueRow("GHG", level(tube.ghg), "cm-mv (cm onder maaiveld)"));
  out.write(valueRow("GLG", level(tube.glg), "cm-mv (cm onder maaiveld)"));
  out.write(valueRow("GVG", level(tube.gvg), "cm-mv (cm onder maaiveld)"));
  out.write("</table>");

  out.write("<h2>Waarschuwingen</h2>");
  if (tube.warnings.empty()) {
    out.write("<p>Geen.</p>");
  } else {
    out.write("<ul class=\"warn\">");
    for (const ResultWarning& w : tube.warnings)
      out.write("<li>" + markupEscaped(w.text) + "</li>");
    out.write("</ul>");
  }

  out.write("<h2>Model " + markupEscaped(tube.label) + "</h2>");
  out.write("<table>");
  out.write(valueRow("&delta; (delta)", decimalText(tube.delta, 7), ""));
  out.write(valueRow("&omega;<sub>0</sub> (omega0)", decimalText(tube.omega0, 7),
                     "cm per cm neerslagoverschot"));
  out.write(valueRow("&phi; (phi)", decimalText(tube.phi, 7), ""));
  out.write(valueRow("c", decimalText(tube.c, 5), "cm+mv (cm boven maaiveld)"));
  out.write(
      valueRow("&sigma;<sup>2</sup> (sigma2)", decimalText(tube.sigma2, 5), "cm<sup>2</sup>"));
  out.write("</table>");

  out.write("<h2>Fit</h2>");
  const FitFigures& fit = tube.fit;
  if (!fit.available) {
    out.write("<p>Niet beschikbaar.</p>");
  } else {
    out.write("<table>");
    out.write(valueRow("n", formatInt(fit.n), "metingen"));
    out.write(valueRow("ME", decimalText(fit.me, 1), "cm"));
    out.write(valueRow("RMSE", decimalText(fit.rmse, 1), "cm"));
    out.write(valueRow("EVP", decimalText(fit.evp, 1), "%"));
    out.write(valueRow("periode", isoDate(fit.first) + " t/m " + isoDate(fit.last), ""));
    out.write("</table>");
  }
  out.write(std::string("<p class=\"note\">") + kFitNote + "</p>");

  out.write("<h2>Grafieken</h2>");
  std::vector<Chart> tubeChartList;
  try {
    tubeChartList = charts(workingDir, tube);
  } catch (const Error& e) {
    // One tube's damaged files cost its charts, not the report.
    out.write("<p class=\"warn\">Grafieken niet beschikbaar: " + markupEscaped(e.what()) + "</p>");
  }
  for (const Chart& chart : tubeChartList) {
    out.write("<figure id=\"" + markupEscaped(chart.id) + "\">");
    out.write(chartSvg(chart, kChartWidth, kChartHeight));
    out.write("</figure>");
  }
  writeTail(out);
}

}  // namespace

void writeHtmlReport(const DataSetResults& results, const std::string& workingDir,
                     ChartSource charts, int workers) {
  const std::string folder = joinPath(workingDir, kReportFolderName);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) refuseFile(folder, "map niet te maken: " + ec.message(), ErrorKind::kIo);
  // One page per modelled tube, the pages written by the workers.
  OrderedSteps steps;
  steps.prepare = [&](std::size_t k, std::size_t) { return hasPage(results.tubes[k]); };
  steps.work = [&](std::size_t k, std::size_t, int) {
    const TubeResult& tube = results.tubes[k];
    writeTubePage(tube, workingDir, charts, joinPath(folder, pageName(tube)));
  };
  steps.take = [](std::size_t, std::size_t) {};
  runOrdered(workers, results.tubes.size(), steps);
  writeIndex(results, joinPath(workingDir, kReportFileName));
}

}  // namespace phreatix
