#include "results/report_columns.h"

#include "files/values_lines.h"

#include <cmath>
#include <cstdio>
#include <string_view>

#include "text/number_text.h"

namespace phreatix {

namespace {

using Type = OverviewColumn::Type;

OverviewValue text(const std::string& s) { return {!s.empty(), 0, s}; }
OverviewValue number(double x) { return {std::isfinite(x), x, {}}; }
OverviewValue number(const std::optional<double>& x) { return x ? number(*x) : OverviewValue{}; }
OverviewValue numberIf(bool known, double x) { return known ? number(x) : OverviewValue{}; }

// The files give a chosen model's parameters whether or not its
// post-processing finished; the window only those of a modelled tube, whose
// charts it draws.
template <double TubeResult::*parameter>
OverviewValue modelParameter(const TubeResult& tube) {
  return numberIf(hasChosenModel(tube), tube.*parameter);
}
template <double TubeResult::*parameter>
OverviewValue shownParameter(const TubeResult& tube) {
  return numberIf(tube.modelled, tube.*parameter);
}
template <auto figure>
OverviewValue fitFigure(const TubeResult& tube) {
  return numberIf(tube.fit.available, tube.fit.*figure);
}
template <std::optional<double> TubeResult::*level>
OverviewValue levelOf(const TubeResult& tube) {
  return number(tube.*level);
}

template <std::optional<double> LevelCharacteristics::*level>
OverviewValue measuredLevel(const TubeResult& tube) {
  return number(tube.measured.*level);
}
template <std::optional<double> LevelCharacteristics::*level>
OverviewValue sameYearsLevel(const TubeResult& tube) {
  return number(tube.sameYears.*level);
}
OverviewValue measuredYears(const TubeResult& tube) {
  return tube.measuredYears ? number(static_cast<double>(tube.measuredYears->size()))
                            : OverviewValue{};
}

OverviewValue screenWarningsValue(const TubeResult& tube) {
  std::string joined;
  for (const std::string& w : screenWarnings(tube)) joined += (joined.empty() ? "" : "; ") + w;
  return text(joined);
}

// The fit's figures in the window's tips.
#define PHREATIX_FIT \
  "van het deterministische model (zonder bijwerken) over de meetperiode van de calibratie"
// The measured GxG in the window's tips.
#define PHREATIX_MEASURED                                                             \
  ", cm onder maaiveld, uit de metingen: per kalenderjaar met minstens 20 van de 24 " \
  "meetdagen (de 14e en 28e), vanaf 8 jaren"
#define PHREATIX_SAME_YEARS ", cm onder maaiveld, gesimuleerd over de jaren van de gemeten GxG"

// The parameters with the decimals of modsel.zft (delta, omega0 and phi 9:7,
// c and sigma2 10:5). The engine works in the unit of its files: levels in
// cm, positive upward, so c, the base level of the noise, is in cm above
// surface level ("cm+mv", negative below it) and sigma2 in cm2; the meteo
// surplus is in cm as well (the KNMI conversion scales it so), which makes
// omega0 cm of level per cm of surplus. Levels in cm below surface level with
// one decimal; coordinates in metres RD with two. The window shows fewer
// decimals of the parameters, enough to compare tubes by eye.
const std::vector<OverviewColumn> kColumns = {
    {"buis", "", "Buis", Type::kText, 0, [](const TubeResult& t) { return text(t.stem); }, "Buis",
     "Locatie van de buis", 0, [](const TubeResult& t) { return text(screenTubeName(t)); }},
    {"locatie", "", "Locatie", Type::kText, 0,
     [](const TubeResult& t) { return text(t.location); }},
    {"filter", "", "Filter", Type::kText, 0, [](const TubeResult& t) { return text(t.filter); },
     "Filter", "Filternummer"},
    {"x_rd", "m", "X RD", Type::kReal, 2, [](const TubeResult& t) { return number(t.x); }},
    {"y_rd", "m", "Y RD", Type::kReal, 2, [](const TubeResult& t) { return number(t.y); }},
    {"model", "", "Model", Type::kText, 0, [](const TubeResult& t) { return text(t.label); },
     "Model", "Gekozen model: 1s, 2s, ef, gf of ft"},
    // The extended family's criterion; empty in the standard family.
    {"bic", "", "BIC", Type::kReal, 2,
     [](const TubeResult& t) { return hasChosenModel(t) ? number(t.choice.bic) : OverviewValue{}; },
     "BIC", "Bayesiaans informatiecriterium van het gekozen model (Model: uitgebreid)", 1},
    {"delta", "-", "\xCE\xB4 (delta)", Type::kReal, 7, modelParameter<&TubeResult::delta>,
     "delta (-)", "Autoregressieve coëfficiënt van de deterministische component", 4,
     shownParameter<&TubeResult::delta>},
    {"omega0", "cm/cm", "\xCF\x89\xE2\x82\x80 (omega0)", Type::kReal, 7,
     modelParameter<&TubeResult::omega0>, "omega0 (cm/cm)",
     "Respons op het neerslagoverschot van de dag (cm per cm/d)", 4,
     shownParameter<&TubeResult::omega0>},
    {"phi", "-", "\xCF\x86 (phi)", Type::kReal, 7, modelParameter<&TubeResult::phi>, "phi (-)",
     "Autoregressieve coëfficiënt van de ruiscomponent", 4, shownParameter<&TubeResult::phi>},
    {"c", "cm+mv", "c", Type::kReal, 5, modelParameter<&TubeResult::c>, "c (cm+mv)",
     "Basisniveau van de ruiscomponent, cm boven maaiveld", 1, shownParameter<&TubeResult::c>},
    {"sigma2", "cm2", "\xCF\x83\xC2\xB2 (sigma2)", Type::kReal, 5,
     modelParameter<&TubeResult::sigma2>, "sigma2 (cm²)", "Variantie van de witte ruis", 2,
     shownParameter<&TubeResult::sigma2>},
    {"n_fit", "", "n fit", Type::kInteger, 0, fitFigure<&FitFigures::n>, "n",
     "Aantal metingen " PHREATIX_FIT},
    {"me_fit", "cm", "ME fit", Type::kReal, 1, fitFigure<&FitFigures::me>, "ME (cm)",
     "Gemiddelde fout (gemeten - model) " PHREATIX_FIT, 1},
    {"rmse_fit", "cm", "RMSE fit", Type::kReal, 1, fitFigure<&FitFigures::rmse>, "RMSE (cm)",
     "Wortel van de gemiddelde kwadratische fout " PHREATIX_FIT, 1},
    {"evp_fit", "%", "EVP fit", Type::kReal, 1, fitFigure<&FitFigures::evp>, "EVP (%)",
     "Verklaarde variantie " PHREATIX_FIT, 1},
    {"fit_van", "", "fit van", Type::kText, 0,
     [](const TubeResult& t) {
       return t.fit.available ? text(isoDate(t.fit.first)) : OverviewValue{};
     }},
    {"fit_tot", "", "fit tot", Type::kText, 0,
     [](const TubeResult& t) {
       return t.fit.available ? text(isoDate(t.fit.last)) : OverviewValue{};
     }},
    {"ghg", "cm-mv", "GHG", Type::kReal, 1, levelOf<&TubeResult::ghg>, "GHG (cm-mv)",
     "Gemiddelde hoogste grondwaterstand, cm onder maaiveld", 1},
    {"glg", "cm-mv", "GLG", Type::kReal, 1, levelOf<&TubeResult::glg>, "GLG (cm-mv)",
     "Gemiddelde laagste grondwaterstand, cm onder maaiveld", 1},
    {"gvg", "cm-mv", "GVG", Type::kReal, 1, levelOf<&TubeResult::gvg>, "GVG (cm-mv)",
     "Gemiddelde voorjaarsgrondwaterstand, cm onder maaiveld", 1},
    {"ghg_gemeten", "cm-mv", "GHG gemeten", Type::kReal, 1,
     measuredLevel<&LevelCharacteristics::ghg>, "GHG gemeten (cm-mv)",
     "Gemiddelde hoogste grondwaterstand" PHREATIX_MEASURED, 1},
    {"glg_gemeten", "cm-mv", "GLG gemeten", Type::kReal, 1,
     measuredLevel<&LevelCharacteristics::glg>, "GLG gemeten (cm-mv)",
     "Gemiddelde laagste grondwaterstand" PHREATIX_MEASURED, 1},
    {"gvg_gemeten", "cm-mv", "GVG gemeten", Type::kReal, 1,
     measuredLevel<&LevelCharacteristics::gvg>, "GVG gemeten (cm-mv)",
     "Gemiddelde voorjaarsgrondwaterstand" PHREATIX_MEASURED, 1},
    {"jaren_gemeten", "", "jaren gemeten", Type::kInteger, 0, measuredYears, "Jaren gemeten",
     "Aantal kalenderjaren met minstens 20 van de 24 meetdagen; de gemeten GxG vanaf 8"},
    {"ghg_zelfde_jaren", "cm-mv", "GHG zelfde jaren", Type::kReal, 1,
     sameYearsLevel<&LevelCharacteristics::ghg>, "GHG zelfde jaren (cm-mv)",
     "Gemiddelde hoogste grondwaterstand" PHREATIX_SAME_YEARS, 1},
    {"glg_zelfde_jaren", "cm-mv", "GLG zelfde jaren", Type::kReal, 1,
     sameYearsLevel<&LevelCharacteristics::glg>, "GLG zelfde jaren (cm-mv)",
     "Gemiddelde laagste grondwaterstand" PHREATIX_SAME_YEARS, 1},
    {"gvg_zelfde_jaren", "cm-mv", "GVG zelfde jaren", Type::kReal, 1,
     sameYearsLevel<&LevelCharacteristics::gvg>, "GVG zelfde jaren (cm-mv)",
     "Gemiddelde voorjaarsgrondwaterstand" PHREATIX_SAME_YEARS, 1},
    // The window leaves out the missing model: "Reden geen model" says it.
    {"waarschuwingen", "", "Waarschuwingen", Type::kText, 0,
     [](const TubeResult& t) { return text(joinedWarnings(t)); }, "Waarschuwingen",
     "Lees deze voordat u de karakteristieken gebruikt", 0, screenWarningsValue},
    {"reden_geen_model", "", "Reden geen model", Type::kText, 0,
     [](const TubeResult& t) { return text(t.failure); }, "Reden geen model",
     "Waarom de buis geen model heeft"},
};

#undef PHREATIX_FIT
#undef PHREATIX_MEASURED
#undef PHREATIX_SAME_YEARS

// The window puts what a tube is and its model first, its fit and levels
// after; the coordinates and the fit period it leaves to the files.
const std::vector<const OverviewColumn*> kScreenColumns = [] {
  std::vector<const OverviewColumn*> shown;
  for (const char* name : {"buis",
                           "filter",
                           "model",
                           "bic",
                           "delta",
                           "omega0",
                           "phi",
                           "c",
                           "sigma2",
                           "n_fit",
                           "me_fit",
                           "rmse_fit",
                           "evp_fit",
                           "ghg",
                           "glg",
                           "gvg",
                           "ghg_gemeten",
                           "glg_gemeten",
                           "gvg_gemeten",
                           "jaren_gemeten",
                           "ghg_zelfde_jaren",
                           "glg_zelfde_jaren",
                           "gvg_zelfde_jaren",
                           "waarschuwingen",
                           "reden_geen_model"}) {
    for (const OverviewColumn& column : kColumns) {
      if (std::string_view(column.name) == name) shown.push_back(&column);
    }
  }
  return shown;
}();

}  // namespace

const std::vector<OverviewColumn>& overviewColumns() { return kColumns; }

const std::vector<const OverviewColumn*>& screenColumns() { return kScreenColumns; }

std::string columnTitle(const OverviewColumn& column) {
  std::string title = column.name;
  if (*column.unit != '\0') title += std::string(" (") + column.unit + ")";
  return title;
}

bool hasChosenModel(const TubeResult& tube) {
  return tube.label == "1s" || tube.label == "2s" || isExtendedLabel(tube.label);
}

std::string joinedWarnings(const TubeResult& tube) {
  std::string joined;
  for (const ResultWarning& w : tube.warnings) {
    if (!joined.empty()) joined += "; ";
    joined += w.text;
  }
  return joined;
}

std::vector<std::string> screenWarnings(const TubeResult& tube) {
  std::vector<std::string> texts;
  for (const ResultWarning& w : tube.warnings) {
    if (w.kind != ResultWarningKind::kNoModel) texts.push_back(w.text);
  }
  return texts;
}

std::string screenTubeName(const TubeResult& tube) {
  return tube.location.empty() ? tube.stem : tube.location;
}

std::vector<OverviewValue> overviewValues(const TubeResult& tube) {
  std::vector<OverviewValue> values;
  values.reserve(kColumns.size());
  for (const OverviewColumn& column : kColumns) values.push_back(column.value(tube));
  return values;
}

OverviewValue screenValue(const OverviewColumn& column, const TubeResult& tube) {
  return column.screenValue ? column.screenValue(tube) : column.value(tube);
}

std::string screenText(const OverviewColumn& column, const OverviewValue& value) {
  if (!value.known || column.type != Type::kReal) return overviewText(column, value);
  return decimalText(value.number, column.screenDecimals);
}

std::string decimalText(double x, int decimals) {
  if (!std::isfinite(x)) return {};
  std::string s = formatReal(x, 0, decimals);
  // "-0.0": a small negative value rounded to zero is zero.
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

std::string overviewText(const OverviewColumn& column, const OverviewValue& value) {
  if (!value.known) return {};
  switch (column.type) {
    case Type::kText:
      return value.text;
    case Type::kInteger:
      return formatInt(static_cast<long long>(value.number));
    case Type::kReal:
      return decimalText(value.number, column.decimals);
  }
  return {};
}

std::string isoDate(const CalendarDate& date) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", date.year, date.month, date.day);
  return buf;
}

}  // namespace phreatix
