#include "settings/settings_table.h"

#include <limits>

#include "error.h"
#include "text/parse.h"
#include "text/rounding.h"

namespace phreatix {

namespace {

bool readInt(const std::string& text, int& value) { return valInt(text, value) == 0; }

bool readReal(const std::string& text, double& value) {
  return valReal(withDecimalPoint(text), value) == 0;
}

// The member a real field sets, as it reads.
template <double SessionSettings::*member>
bool storeReal(const std::string& text, SessionSettings& s) {
  return readReal(text, s.*member);
}

bool storeMaxIter(const std::string& text, SessionSettings& s) { return readInt(text, s.MAXITER); }

// The closure criterion is written into the parameter files as it is held:
// a blank and the number with a point.
bool storeClosure(const std::string& text, SessionSettings& s) {
  double closure = 0;
  if (!readReal(text, closure)) return false;
  s.closure = " " + withDecimalPoint(text);
  return true;
}

bool storeStartYear(const std::string& text, SessionSettings& s) {
  return readInt(text, s.startYear);
}

// The simulation runs from 1 January of the start year to 31 December of
// the end year: the number of years counts both.
bool storeEndYear(const std::string& text, SessionSettings& s) {
  int endYear = 0;
  if (!readInt(text, endYear)) return false;
  const long long years = static_cast<long long>(endYear) - s.startYear + 1;
  if (years < std::numeric_limits<int>::min() || years > std::numeric_limits<int>::max()) {
    return false;
  }
  s.numberOfYears = static_cast<int>(years);
  return true;
}

// Rounded to the nearest day, halves to even.
bool storeWarmUp(const std::string& text, SessionSettings& s) {
  double warmUp = 0;
  if (!readReal(text, warmUp)) return false;
  try {
    s.warmUpDays = roundToInt(warmUp);
  } catch (const Error&) {
    return false;  // a warm-up beyond the range of an int
  }
  return true;
}

// Kept as typed: the simulation parameter file gets the text itself.
bool storeRealisations(const std::string& text, SessionSettings& s) {
  int realisations = 0;
  if (!readInt(text, realisations)) return false;
  s.realisations = text;
  return true;
}

bool storeTrace(const std::string& text, SessionSettings& s) {
  s.traceWithUpdating = text == "met";
  return true;
}

// The model family: the standard calibrations only, or the extended
// candidates after them.
bool storeModel(const std::string& text, SessionSettings& s) {
  s.model = text == "uitgebreid" ? ModelFamily::kUitgebreid : ModelFamily::kStandaard;
  return true;
}

constexpr SettingChoice kModelChoices[] = {
    {"standaard", "rdbttnSTANDAARD", "standaard"},
    {"uitgebreid", "rdbttnUITGEBREID", "uitgebreid"},
};

// The situation the extended model's GxG hold for: the word as
// situationText writes it; any other text does not read as one.
bool storeSituation(const std::string& text, SessionSettings& s) {
  for (const Situation situation : {Situation::kEinde, Situation::kGemiddeld, Situation::kGeen}) {
    if (text == situationText(situation)) {
      s.situation = situation;
      return true;
    }
  }
  return false;
}

constexpr SettingChoice kSituationChoices[] = {
    {"einde", "rdbttnEINDE", "einde van de metingen"},
    {"gemiddeld", "rdbttnGEMIDDELD", "gemiddeld over de calibratie"},
    {"geen", "rdbttnGEEN", "zonder componenten"},
};

constexpr SettingChoice kTraceChoices[] = {
    {"met", "rdbttnMETUPDATING", "met updating"},
    {"zonder", "rdbttnZONDERUPDATING", "zonder updating"},
};

using Place = SettingPlace;

// The closure bounds 0.000001 and 0.01 are shown with two decimals, so the
// lower one reads 0.00 in the message although 0 itself is refused.
const DetailField kRows[] = {
    {.name = "edtMAXITER",
     .flag = "--maxiter",
     .valueName = "N",
     .help = "iteration limit of each calibration",
     .label = "Maximaal aantal iteraties bij calibratie",
     .unit = "",
     .place = Place::kCalibration,
     .formDefault = "500",
     .lo = 50,
     .hi = 2000,
     .putBack = "500",
     .integer = true,
     .immediate = true,
     .sessionField = true,
     .text = &DetailFields::maxIter,
     .store = storeMaxIter},
    {.name = "edtCLOSURE",
     .flag = "--closure",
     .valueName = "X",
     .help = "closure criterion of the calibration",
     .label = "Convergentiecriterium calibratie",
     .unit = "",
     .place = Place::kCalibration,
     .formDefault = "0.0001",
     .lo = 0.000001,
     .hi = 0.01,
     .putBack = "0.0001",
     .integer = false,
     .immediate = true,
     .sessionField = true,
     .text = &DetailFields::closure,
     .store = storeClosure},
    {.name = "edtDELTAMIN",
     .flag = "--delta-min",
     .valueName = "X",
     .help = "plausibility bound: least delta",
     .label = "delta>",
     .unit = "",
     .place = Place::kBounds,
     .formDefault = "0.90",
     .lo = 0,
     .hi = 1,
     .putBack = "0.90",
     .integer = false,
     .immediate = false,
     .sessionField = false,
     .text = &DetailFields::deltaMin,
     .store = storeReal<&SessionSettings::DELTAMIN>},
    // The form shows "0.5"; a refused entry gets "0.50" back.
    {.name = "edtPHIMIN",
     .flag = "--phi-min",
     .valueName = "X",
     .help = "plausibility bound: least phi",
     .label = "phi>",
     .unit = "",
     .place = Place::kBounds,
     .formDefault = "0.5",
     .lo = 0,
     .hi = 1,
     .putBack = "0.50",
     .integer = false,
     .immediate = false,
     .sessionField = false,
     .text = &DetailFields::phiMin,
     .store = storeReal<&SessionSettings::PHIMIN>},
    {.name = "edtCMAX",
     .flag = "--c-max",
     .valueName = "X",
     .help = "plausibility bound: greatest base level c (cm)",
     .label = "c<",
     .unit = "",
     .place = Place::kBounds,
     .formDefault = "0",
     .lo = 0,
     .hi = 1,
     .putBack = "0",
     .integer = false,
     .immediate = false,
     .sessionField = false,
     .text = &DetailFields::cMax,
     .store = storeReal<&SessionSettings::CMAX>},
    {.name = "edtOMEGAMIN",
     .flag = "--omega-min",
     .valueName = "X",
     .help = "plausibility bound: least omega0",
     .label = "omega>",
     .unit = "",
     .place = Place::kBounds,
     .formDefault = "1",
     .lo = 0,
     .hi = 5,
     .putBack = "1",
     .integer = false,
     .immediate = false,
     .sessionField = false,
     .text = &DetailFields::omegaMin,
     .store = storeReal<&SessionSettings::OMEGAMIN>},
    // The response time of an extended candidate, in days to 95 % of its
    // step response, lies within these bounds; a hundred years at most.
    {.name = "edtT95MIN",
     .flag = "--t95-min",
     .valueName = "DAYS",
     .help = "plausibility of the extended models: least response time t95",
     .label = "Responstijd t95 min",
     .unit = "(dagen)",
     .place = Place::kResponse,
     .formDefault = "10",
     .lo = 1,
     .hi = 36500,
     .putBack = "10",
     .integer = false,
     .immediate = false,
     .sessionField = false,
     .text = &DetailFields::t95Min,
     .store = storeReal<&SessionSettings::t95Min>},
    {.name = "edtT95MAX",
     .flag = "--t95-max",
     .valueName = "DAYS",
     .help = "plausibility of the extended models: greatest response time t95,\nabove --t95-min",
     .label = "Responstijd t95 max",
     .unit = "(dagen)",
     .place = Place::kResponse,
     .formDefault = "3650",
     .lo = 1,
     .hi = 36500,
     .putBack = "3650",
     .integer = false,
     .immediate = false,
     .sessionField = false,
     .text = &DetailFields::t95Max,
     .store = storeReal<&SessionSettings::t95Max>},
    {.name = "edtSTARTJAAR",
     .flag = "--start-year",
     .valueName = "YEAR",
     .help = "first year of the simulation period (1948-2047)",
     .label = "Startjaar (1-jan-xxxx)",
     .unit = "",
     .place = Place::kPeriod,
     .formDefault = "1970",
     .lo = 1948,
     .hi = 2047,
     .putBack = "1970",
     .integer = false,
     .immediate = false,
     .sessionField = true,
     .text = &DetailFields::startYear,
     .store = storeStartYear},
    {.name = "edtEINDJAAR",
     .flag = "--end-year",
     .valueName = "YEAR",
     .help = "last year of the simulation period (1977-2047);\nto be given with --start-year",
     .label = "Eindjaar (31-dec-yyyy)",
     .unit = "",
     .place = Place::kPeriod,
     .formDefault = "1999",
     .lo = 1977,
     .hi = 2047,
     .putBack = "1999",
     .integer = false,
     .immediate = false,
     .sessionField = false,
     .text = &DetailFields::endYear,
     .store = storeEndYear},
    {.name = "edtWARMUP",
     .flag = "--warmup",
     .valueName = "DAYS",
     .help = "warm-up of the simulation before the start year",
     .label = "maximale opwarmtijd",
     .unit = "(dagen)",
     .place = Place::kOther,
     .formDefault = "731",
     .lo = 0,
     .hi = 2000,
     .putBack = "731",
     .integer = false,
     .immediate = false,
     .sessionField = true,
     .text = &DetailFields::warmUp,
     .store = storeWarmUp},
    // The simulation parameter file needs a whole number of realisations.
    {.name = "edtREALISATIES",
     .flag = "--realisations",
     .valueName = "N",
     .help = "simulated realisations per tube",
     .label = "aantal realisaties",
     .unit = "",
     .place = Place::kOther,
     .formDefault = "100",
     .lo = 20,
     .hi = 100,
     .putBack = "100",
     .integer = true,
     .immediate = false,
     .sessionField = true,
     .text = &DetailFields::realisations,
     .store = storeRealisations},
    // Takes effect at once in the window, like iterations and closure.
    {.name = "rdgrpDETTRACE",
     .flag = "--trace",
     .valueName = "met|zonder",
     .help = "trace met (with) or zonder (without) updating",
     .label = " Deterministische trace ",
     .unit = "",
     .place = Place::kChoice,
     .formDefault = "met",
     .lo = 0,
     .hi = 0,
     .putBack = "met",
     .integer = false,
     .immediate = true,
     .sessionField = false,
     .text = &DetailFields::trace,
     .store = storeTrace,
     .choices = kTraceChoices},
    // Which candidates the calibration fits; taken at "Instellingen OK" and
    // locked while a pipeline runs, as the other settings of the calibration.
    {.name = "rdgrpMODEL",
     .flag = "--model",
     .valueName = "standaard|uitgebreid",
     .help = "model family: standaard (the four calibrations) or uitgebreid\n"
             "(also the extended candidates, chosen by BIC)",
     .label = " Model ",
     .unit = "",
     .place = Place::kChoice,
     .formDefault = "standaard",
     .lo = 0,
     .hi = 0,
     .putBack = "standaard",
     .integer = false,
     .immediate = false,
     .sessionField = true,
     .text = &DetailFields::model,
     .store = storeModel,
     .choices = kModelChoices},
    // Read by the extended model only (the window enables it under
    // uitgebreid); taken and locked as the model family.
    {.name = "rdgrpSITUATIE",
     .flag = "--situatie",
     .valueName = "einde|gemiddeld|geen",
     .help = "for the extended model's trend, step and stresses: einde (their\n"
             "situation at the end of the readings), gemiddeld (their mean over\n"
             "the calibration period) or geen (left out)",
     .label = " Situatie ",
     .unit = "",
     .place = Place::kChoice,
     .formDefault = "einde",
     .lo = 0,
     .hi = 0,
     .putBack = "einde",
     .integer = false,
     .immediate = false,
     .sessionField = true,
     .text = &DetailFields::situation,
     .store = storeSituation,
     .choices = kSituationChoices},
};

// The command line lists the simulation's settings before the calibration's.
int optionRank(SettingPlace place) {
  switch (place) {
    case Place::kPeriod:
      return 0;
    case Place::kOther:
      return 1;
    case Place::kCalibration:
      return 2;
    case Place::kBounds:
      return 3;
    case Place::kResponse:
      return 4;
    case Place::kChoice:
      return 5;
  }
  return 6;
}

}  // namespace

std::string withDecimalPoint(const std::string& text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos ||
      text.find('.') != std::string::npos) {
    return text;
  }
  std::string pointed = text;
  pointed[comma] = '.';
  return pointed;
}

DetailFields::DetailFields() {
  for (const DetailField& field : kRows) this->*field.text = field.formDefault;
}

std::span<const DetailField> detailFields() { return kRows; }

std::vector<const DetailField*> optionOrder() {
  std::vector<const DetailField*> rows;
  for (int rank = 0; rank <= 5; ++rank) {
    for (const DetailField& field : kRows) {
      if (optionRank(field.place) == rank) rows.push_back(&field);
    }
  }
  return rows;
}

const DetailField* findDetailField(std::string_view name) {
  for (const DetailField& field : kRows) {
    if (name == field.name) return &field;
  }
  return nullptr;
}

const DetailField* findDetailOption(std::string_view flag) {
  for (const DetailField& field : kRows) {
    if (flag == field.flag) return &field;
  }
  return nullptr;
}

bool isChoice(const DetailField& field) { return !field.choices.empty(); }

}  // namespace phreatix
