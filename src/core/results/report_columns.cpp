#include "results/report_columns.h"

#include <cmath>
#include <cstdio>

#include "text/number_text.h"

namespace phreatix {

namespace {

using Type = OverviewColumn::Type;

// The parameters with the decimals of modsel.zft (delta, omega0 and phi 9:7,
// c and sigma2 10:5). The engine works in the unit of its files: levels in
// cm, positive upward, so c, the base level of the noise, is in cm above
// surface level ("cm+mv", negative below it) and sigma2 in cm2; the meteo
// surplus is in cm as well (the KNMI conversion scales it so), which makes
// omega0 cm of level per cm of surplus. Levels in cm below surface level with
// one decimal; coordinates in metres RD with two.
const std::vector<OverviewColumn> kColumns = {
    {"buis", "", "Buis", Type::kText, 0},
    {"locatie", "", "Locatie", Type::kText, 0},
    {"filter", "", "Filter", Type::kText, 0},
    {"x_rd", "m", "X RD", Type::kReal, 2},
    {"y_rd", "m", "Y RD", Type::kReal, 2},
    {"model", "", "Model", Type::kText, 0},
    {"delta", "-", "\xCE\xB4 (delta)", Type::kReal, 7},
    {"omega0", "cm/cm", "\xCF\x89\xE2\x82\x80 (omega0)", Type::kReal, 7},
    {"phi", "-", "\xCF\x86 (phi)", Type::kReal, 7},
    {"c", "cm+mv", "c", Type::kReal, 5},
    {"sigma2", "cm2", "\xCF\x83\xC2\xB2 (sigma2)", Type::kReal, 5},
    {"n_fit", "", "n fit", Type::kInteger, 0},
    {"me_fit", "cm", "ME fit", Type::kReal, 1},
    {"rmse_fit", "cm", "RMSE fit", Type::kReal, 1},
    {"evp_fit", "%", "EVP fit", Type::kReal, 1},
    {"fit_van", "", "fit van", Type::kText, 0},
    {"fit_tot", "", "fit tot", Type::kText, 0},
    {"ghg", "cm-mv", "GHG", Type::kReal, 1},
    {"glg", "cm-mv", "GLG", Type::kReal, 1},
    {"gvg", "cm-mv", "GVG", Type::kReal, 1},
    {"waarschuwingen", "", "Waarschuwingen", Type::kText, 0},
    {"reden_geen_model", "", "Reden geen model", Type::kText, 0},
};

OverviewValue text(const std::string& s) { return {!s.empty(), 0, s}; }
OverviewValue number(double x) { return {std::isfinite(x), x, {}}; }
OverviewValue number(const std::optional<double>& x) { return x ? number(*x) : OverviewValue{}; }
OverviewValue numberIf(bool known, double x) { return known ? number(x) : OverviewValue{}; }

}  // namespace

const std::vector<OverviewColumn>& overviewColumns() { return kColumns; }

std::string columnTitle(const OverviewColumn& column) {
  std::string title = column.name;
  if (*column.unit != '\0') title += std::string(" (") + column.unit + ")";
  return title;
}

bool hasChosenModel(const TubeResult& tube) { return tube.label == "1s" || tube.label == "2s"; }

std::string joinedWarnings(const TubeResult& tube) {
  std::string joined;
  for (const ResultWarning& w : tube.warnings) {
    if (!joined.empty()) joined += "; ";
    joined += w.text;
  }
  return joined;
}

std::vector<OverviewValue> overviewValues(const TubeResult& tube) {
  const bool model = hasChosenModel(tube);
  const FitFigures& fit = tube.fit;
  std::vector<OverviewValue> values = {
      text(tube.stem),
      text(tube.location),
      text(tube.filter),
      number(tube.x),
      number(tube.y),
      text(tube.label),
      numberIf(model, tube.delta),
      numberIf(model, tube.omega0),
      numberIf(model, tube.phi),
      numberIf(model, tube.c),
      numberIf(model, tube.sigma2),
      numberIf(fit.available, fit.n),
      numberIf(fit.available, fit.me),
      numberIf(fit.available, fit.rmse),
      numberIf(fit.available, fit.evp),
      fit.available ? text(isoDate(fit.first)) : OverviewValue{},
      fit.available ? text(isoDate(fit.last)) : OverviewValue{},
      number(tube.ghg),
      number(tube.glg),
      number(tube.gvg),
      text(joinedWarnings(tube)),
      text(tube.failure),
  };
  return values;
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
