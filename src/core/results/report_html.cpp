// rapport.html and its pages: an index with one table of all tubes (the
// columns of overzicht.csv, readable) and the tubes without a model with the
// reason, and per modelled tube rapport/<stem>.html with its parameters, fit,
// GHG/GLG/GVG, warnings and charts as inline SVG.
//
// Every page stands alone: CSS in the page, no script, no image or font
// fetched from anywhere. Pages are written line by line, so a data set of
// thousands of tubes needs no more memory than one tube's charts.
#include <algorithm>
#include <cctype>
#include <cmath>

#include "engine/component_calibration.h"
#include "error.h"
#include "platform/files.h"
#include "platform/ordered_work.h"
#include "postprocessing/measured_gxg.h"
#include "results/component_texts.h"
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
.meaning { color: #444; }
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
const char* kEquilibriumFitNote =
    "De fit (n, ME, RMSE, EVP) is gemeten op het deterministische model in evenwicht: het "
    "verloop van het gekozen model vanaf de eerste dag van het gekoppelde meteobestand, met de "
    "ruis op haar gemiddelde c, vergeleken met de metingen van de calibratieperiode. ME is het "
    "gemiddelde van gemeten min model, RMSE de wortel uit het gemiddelde kwadraat van dat "
    "verschil, EVP de verklaarde variantie.";
const char* kMeasuredNote =
    "Gemeten GHG, GLG en GVG: per kalenderjaar de 24 meetdagen (de 14e en 28e van elke maand), "
    "elk met de meting die er het dichtst bij ligt binnen 3 dagen (bij gelijke afstand de "
    "eerdere); een jaar telt mee met minstens 20 van de 24 meetdagen. Per jaar is de GHG het "
    "gemiddelde van de 3 hoogste standen, de GLG van de 3 laagste, de GVG van 14 maart, 28 maart "
    "en 14 april; de gemeten GxG zijn de gemiddelden over de meegetelde jaren, vanaf 8 jaren. "
    "&quot;Zelfde jaren&quot; zijn de gesimuleerde GxG over precies die jaren, zodat ze met de "
    "gemeten te vergelijken zijn.";
const char* kParameterNote =
    "Modelparameters: &delta; en &phi; zonder eenheid; &omega;<sub>0</sub> in cm grondwaterstand "
    "per cm neerslagoverschot; c, het basisniveau van de ruis, in cm+mv (cm boven maaiveld, "
    "negatief eronder); &sigma;<sup>2</sup> in cm<sup>2</sup>. Model 1s: uit de calibratie in "
    "&eacute;&eacute;n stap; 2s: uit de calibratie in drie stappen; ef: exponenti&euml;le respons "
    "met verdampingsfactor f; gf: Gamma-respons met verdampingsfactor f (ef en gf uit Model: "
    "uitgebreid, gekozen op BIC); ft: geen plausibel model.";

const char* kComponentNote =
    "Componenten (Model: uitgebreid): naast het weer kan het gekozen model een lineaire trend "
    "(letter t in het model, bijvoorbeeld gft), een stap (p) of een stressreeks zoals een "
    "onttrekking of een rivierpeil (x) bevatten. Hun bijdragen zijn in cm, positief omhoog: een "
    "positieve bijdrage maakt de grondwaterstand hoger, dus minder diep onder maaiveld. "
    "&quot;Bijdrage componenten einde&quot; is de som van de bijdragen aan het eind van de "
    "metingen; &quot;Situatie&quot; zegt voor welke situatie de gesimuleerde GHG, GLG en GVG "
    "gelden: einde (de componenten zoals ze aan het eind van de metingen stonden), gemiddeld "
    "(hun gemiddelde over de calibratieperiode) of geen (zonder de componenten).";

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

// The name of a kind of warning in the legend.
const char* warningTitle(ResultWarningKind kind) {
  switch (kind) {
    case ResultWarningKind::kStartTransient:
      return "Inloopeffect";
    case ResultWarningKind::kNoiseDominates:
      return "Ruis overheerst";
    case ResultWarningKind::kGhgAboveSurface:
      return "GHG boven maaiveld";
    case ResultWarningKind::kShortSeries:
      return "Meetreeks kort";
    case ResultWarningKind::kSparseSeries:
      return "Meetreeks dun";
    case ResultWarningKind::kNoModel:
      return "Geen model";
    case ResultWarningKind::kLowFitEvp:
      return "Fit zwak";
    case ResultWarningKind::kNoiseTooSmall:
      return "Realisaties te vlak";
    case ResultWarningKind::kResidualTrend:
      return "Trend in de residuen";
    case ResultWarningKind::kClusteredReadings:
      return "Metingen geconcentreerd";
    case ResultWarningKind::kSimulatedVsMeasured:
      return "Gesimuleerd min gemeten";
    case ResultWarningKind::kTryExtended:
      return "Advies";
    case ResultWarningKind::kMetadataPeriods:
      return "Meerdere perioden";
  }
  return "";
}

// Every kind of warning that occurs, with what it means and what to try.
void writeWarningLegend(const DataSetResults& results, LineWriter& out) {
  std::vector<ResultWarningKind> kinds;
  for (const TubeResult& tube : results.tubes) {
    for (const ResultWarning& w : tube.warnings) {
      if (std::find(kinds.begin(), kinds.end(), w.kind) == kinds.end()) kinds.push_back(w.kind);
    }
  }
  if (kinds.empty()) return;
  std::sort(kinds.begin(), kinds.end());
  out.write("<h2>Waarschuwingen: wat ze betekenen</h2>");
  out.write("<table>");
  for (ResultWarningKind kind : kinds) {
    int count = 0;
    for (const TubeResult& tube : results.tubes) {
      for (const ResultWarning& w : tube.warnings) count += w.kind == kind ? 1 : 0;
    }
    out.write("<tr><th>" + markupEscaped(warningTitle(kind)) + "</th><td class=\"n\">" +
              formatInt(count) + "&times;</td><td>" + markupEscaped(warningMeaning(kind)) +
              "</td></tr>");
  }
  out.write("</table>");
}

void writeIndex(const DataSetResults& results, const std::string& path) {
  const std::vector<OverviewColumn>& columns = overviewColumns(results.extendedFamily);
  std::size_t modelled = 0;
  for (const TubeResult& tube : results.tubes) modelled += tube.modelled ? 1 : 0;

  StagedFile staged(path);
  LineWriter out(staged.path());
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
  // The note of each kind of fit the tubes have; today's pass when none has one.
  bool equilibrium = false, pass = false;
  for (const TubeResult& tube : results.tubes) {
    if (!tube.fit.available) continue;
    (tube.fitInEquilibrium ? equilibrium : pass) = true;
  }
  if (pass || !equilibrium) out.write(std::string("<p>") + kFitNote + "</p>");
  if (equilibrium) out.write(std::string("<p>") + kEquilibriumFitNote + "</p>");
  out.write(std::string("<p>") + kParameterNote + "</p>");
  if (results.extendedFamily) out.write(std::string("<p>") + kComponentNote + "</p>");
  out.write(std::string("<p>") + kMeasuredNote + "</p>");
  out.write("</div>");
  writeWarningLegend(results, out);

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
    const std::vector<OverviewValue> values = overviewValues(tube, results.extendedFamily);
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
      item += ": " + markupEscaped(reasonWithoutModel(tube));
      for (const ResultWarning& w : tube.warnings) {
        if (w.kind == ResultWarningKind::kTryExtended) item += " &mdash; " + markupEscaped(w.text);
      }
      out.write(item + "</li>");
    }
    out.write("</ul>");
  }
  writeTail(out);
  staged.commit();
}

// A row of a name/value table; an unknown value shows as a dash.
std::string valueRow(const std::string& nameHtml, const std::string& value,
                     const std::string& unitHtml) {
  return "<tr><th>" + nameHtml + "</th><td class=\"n\">" +
         (value.empty() ? std::string("-") : markupEscaped(value)) + "</td><td>" + unitHtml +
         "</td></tr>";
}

// "Gemeten over 1986-1995 (10 jaren: 1986, ...)", or why there are none.
std::string measuredYearsText(const TubeResult& tube) {
  if (!tube.measuredYears) return "Geen gemeten GxG: de metingen zijn niet gelezen.";
  const std::vector<int>& years = *tube.measuredYears;
  std::string list;
  for (int year : years) list += (list.empty() ? "" : ", ") + formatInt(year);
  const std::string counted = formatInt(static_cast<long long>(years.size()));
  if (static_cast<int>(years.size()) < kMinMeasuredYears) {
    return "Geen gemeten GxG: " + counted + " jaren met minstens 20 van de 24 meetdagen" +
           (list.empty() ? std::string() : " (" + list + ")") + ", minder dan " +
           formatInt(kMinMeasuredYears) + ".";
  }
  std::string text = "Gemeten over " + counted + " jaren: " + list + ".";
  if (!tube.sameYearsList.empty() && tube.sameYearsList != years) {
    text += " De gesimuleerde GxG van dezelfde jaren gaan over andere jaren (" +
            formatInt(static_cast<long long>(tube.sameYearsList.size())) + ").";
  }
  return markupEscaped(text);
}

// Six significant digits, trailing zeros dropped, a point whatever the locale.
std::string formatGeneral(double x) {
  if (!std::isfinite(x)) return "-";
  if (x == 0) return "0";
  const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(x))));
  std::string text = decimalText(x, std::clamp(5 - magnitude, 0, 12));
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

std::string optionalText(const std::optional<double>& v, int decimals) {
  return v ? decimalText(*v, decimals) : std::string("-");
}

// The extended family's candidates, the chosen one marked.
void writeCandidates(LineWriter& out, const ModelChoice& choice) {
  out.write("<table>");
  out.write(
      "<tr><th>kandidaat</th><th>BIC</th><th>k</th><th>n</th><th>plausibel</th><th>reden</th>"
      "</tr>");
  for (const ModelCandidate& c : choice.candidates) {
    const bool chosen = c.label == choice.chosen;
    out.write(std::string("<tr>") + "<td>" + markupEscaped(c.label) + (chosen ? " (gekozen)" : "") +
              "</td><td class=\"n\">" + optionalText(c.bic, 2) + "</td><td class=\"n\">" +
              formatInt(c.k) + "</td><td class=\"n\">" + formatInt(c.n) + "</td><td>" +
              (c.plausible ? "ja" : "nee") + "</td><td>" + markupEscaped(c.reason) + "</td></tr>");
  }
  out.write("</table>");
  if (!choice.filter.empty() || choice.bic) {
    out.write("<p>Gekozen: " + markupEscaped(choice.chosen) + ", BIC " +
              optionalText(choice.bic, 2) + ", filter " + markupEscaped(choice.filter) + ".</p>");
  }
}

// The chosen model's components with their parameters and standard errors,
// and each one's contribution in the situations (S.kmp).
void writeComponents(LineWriter& out, const TubeResult& tube) {
  out.write("<h3>Componenten</h3>");
  out.write("<table>");
  out.write(
      "<tr><th>component</th><th>parameters (&plusmn; standaardfout)</th><th>bijdrage einde</th>"
      "<th>bijdrage gemiddeld</th><th>gebruikt in de simulatie</th><th></th></tr>");
  for (std::size_t i = 0; i < tube.choice.components.size(); ++i) {
    const ChosenComponent& c = tube.choice.components[i];
    const ComponentLevel* level =
        i < tube.componentLevels.size() && tube.componentLevels[i].kind == c.kind
            ? &tube.componentLevels[i]
            : nullptr;
    auto levelCell = [&](double ComponentLevel::*which) {
      return "<td class=\"n\">" + (level ? decimalText(level->*which, 1) : std::string("-")) +
             "</td>";
    };
    out.write("<tr><th>" + markupEscaped(componentName(c.kind)) + "</th><td>" +
              markupEscaped(componentDetail(c)) + "</td>" + levelCell(&ComponentLevel::end) +
              levelCell(&ComponentLevel::mean) + levelCell(&ComponentLevel::used) +
              "<td>cm, positief omhoog</td></tr>");
  }
  out.write("</table>");
}

// The chosen parameters with their standard errors, and the response time.
void writeChosenParameters(LineWriter& out, const ModelChoice& choice) {
  out.write("<table>");
  out.write("<tr><th>parameter</th><th>waarde</th><th>standaardfout</th></tr>");
  for (const ModelParameter& p : choice.parameters) {
    out.write(
        "<tr><th>" + markupEscaped(p.name) + "</th><td class=\"n\">" +
        markupEscaped(formatGeneral(p.value)) + "</td><td class=\"n\">" +
        (p.standardError ? markupEscaped(formatGeneral(*p.standardError)) : std::string("-")) +
        "</td></tr>");
  }
  if (choice.t95) {
    out.write("<tr><th>t95</th><td class=\"n\">" + decimalText(*choice.t95, 1) +
              "</td><td>dagen tot 95 % van de staprespons</td></tr>");
  }
  out.write("</table>");
}

void writeTubePage(const TubeResult& tube, const std::string& workingDir, ChartSource charts,
                   const std::string& path) {
  StagedFile staged(path);
  LineWriter out(staged.path());
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
  const auto level = [](const std::optional<double>& v) {
    return v ? decimalText(*v, 1) : std::string();
  };
  const auto cellOf = [](const std::string& value) {
    return "<td class=\"n\">" + (value.empty() ? std::string("-") : markupEscaped(value)) + "</td>";
  };
  out.write("<table>");
  out.write(
      "<tr><th></th><th>gesimuleerd</th><th>gemeten</th><th>gesimuleerd, zelfde jaren</th>"
      "<th></th></tr>");
  const std::optional<double>* simulated[3] = {&tube.ghg, &tube.glg, &tube.gvg};
  const std::optional<double>* measured[3] = {&tube.measured.ghg, &tube.measured.glg,
                                              &tube.measured.gvg};
  const std::optional<double>* sameYears[3] = {&tube.sameYears.ghg, &tube.sameYears.glg,
                                               &tube.sameYears.gvg};
  const char* names[3] = {"GHG", "GLG", "GVG"};
  for (int i = 0; i < 3; ++i) {
    out.write(std::string("<tr><th>") + names[i] + "</th>" + cellOf(level(*simulated[i])) +
              cellOf(level(*measured[i])) + cellOf(level(*sameYears[i])) +
              "<td>cm-mv (cm onder maaiveld)</td></tr>");
  }
  out.write("</table>");
  out.write("<p>" + measuredYearsText(tube) + "</p>");
  if (const std::string situation = situationSentence(tube); !situation.empty()) {
    out.write("<p class=\"note\">" + markupEscaped(situation) + "</p>");
  }

  out.write("<h2>Waarschuwingen</h2>");
  if (tube.warnings.empty()) {
    out.write("<p>Geen.</p>");
  } else {
    out.write("<ul class=\"warn\">");
    for (const ResultWarning& w : tube.warnings) {
      out.write("<li>" + markupEscaped(w.text) + "<br><span class=\"meaning\">" +
                markupEscaped(warningMeaning(w.kind)) + "</span></li>");
    }
    out.write("</ul>");
  }

  out.write("<h2>Model " + markupEscaped(tube.label) + "</h2>");
  if (!tube.choice.candidates.empty()) writeCandidates(out, tube.choice);
  if (!tube.choice.parameters.empty()) {
    writeChosenParameters(out, tube.choice);
    if (!tube.choice.components.empty()) writeComponents(out, tube);
  } else {
    out.write("<table>");
    out.write(valueRow("&delta; (delta)", decimalText(tube.delta, 7), ""));
    out.write(valueRow("&omega;<sub>0</sub> (omega0)", decimalText(tube.omega0, 7),
                       "cm per cm neerslagoverschot"));
    out.write(valueRow("&phi; (phi)", decimalText(tube.phi, 7), ""));
    out.write(valueRow("c", decimalText(tube.c, 5), "cm+mv (cm boven maaiveld)"));
    out.write(
        valueRow("&sigma;<sup>2</sup> (sigma2)", decimalText(tube.sigma2, 5), "cm<sup>2</sup>"));
    out.write("</table>");
  }

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
  out.write(std::string("<p class=\"note\">") +
            (tube.fitInEquilibrium ? kEquilibriumFitNote : kFitNote) + "</p>");

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
  staged.commit();
}

}  // namespace

void writeHtmlReport(const DataSetResults& results, const std::string& workingDir,
                     ChartSource charts, int workers) {
  // The pages go into a folder of the working directory itself, never
  // through a link to one elsewhere.
  const std::string folder = joinPath(workingDir, kReportFolderName);
  makeOwnFolder(folder);
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
