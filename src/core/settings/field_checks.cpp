#include "settings/field_checks.h"

#include <limits>

#include "error.h"
#include "text/number_text.h"
#include "text/parse.h"
#include "text/rounding.h"

namespace phreatix {

namespace {

constexpr const char* kNotANumber = "geen getal ingevoerd";
constexpr const char* kNotAnInteger = "geen (geheel) getal ingevoerd";
constexpr const char* kOutsideDomain = "ingevoerd getal ligt buiten toegestaan domein";

bool readInt(const std::string& text, int& value) { return valInt(text, value) == 0; }
bool readReal(const std::string& text, double& value) { return valReal(text, value) == 0; }

}  // namespace

// The closure bounds 0.000001 and 0.01 are shown with two decimals, so the
// lower one reads 0.00 in the message although 0 itself is refused.
const DetailField kDetailFields[kDetailFieldCount] = {
    {"edtMAXITER", "500", 50, 2000, "500", true},
    {"edtCLOSURE", "0.0001", 0.000001, 0.01, "0.0001", false},
    {"edtDELTAMIN", "0.90", 0, 1, "0.90", false},
    // The form shows "0.5"; a refused entry gets "0.50" back.
    {"edtPHIMIN", "0.5", 0, 1, "0.50", false},
    {"edtCMAX", "0", 0, 1, "0", false},
    {"edtOMEGAMIN", "1", 0, 5, "1", false},
    {"edtSTARTJAAR", "1970", 1948, 2047, "1970", false},
    {"edtEINDJAAR", "1999", 1977, 2047, "1999", false},
    {"edtWARMUP", "731", 0, 2000, "731", false},
    // The simulation parameter file needs a whole number of realisations.
    {"edtREALISATIES", "100", 20, 100, "100", true},
};

std::string domainText(double lo, double hi) {
  return "[" + withoutBlanks(formatReal(lo, 7, 2)) + ";" + withoutBlanks(formatReal(hi, 7, 2)) +
         "]";
}

FieldResult checkField(const std::string& text, double lo, double hi,
                       const std::string& defaultText) {
  double value = 0;
  if (!readReal(text, value)) return {defaultText, kNotANumber};
  if (value < lo || value > hi) return {defaultText, kOutsideDomain + domainText(lo, hi)};
  return {text, ""};
}

FieldResult checkMaxIterField(const std::string& text) {
  return checkDetailField(kDetailFields[0], text);
}

const DetailField* findDetailField(std::string_view name) {
  for (const DetailField& field : kDetailFields) {
    if (name == field.name) return &field;
  }
  return nullptr;
}

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

FieldResult checkDetailField(const DetailField& field, const std::string& typed) {
  const std::string text = field.integer ? typed : withDecimalPoint(typed);
  int whole = 0;
  if (field.integer && !readInt(text, whole)) return {field.putBack, kNotAnInteger};
  return checkField(text, field.lo, field.hi, field.putBack);
}

std::string checkPeriodOrder(const std::string& startYear, const std::string& endYear) {
  int start = 0, end = 0;
  if (!readInt(startYear, start) || !readInt(endYear, end)) return {};
  return end < start ? kEndBeforeStart : "";
}

FieldResult leaveField(const DetailField& field, const std::string& text,
                       SessionSettings& settings) {
  FieldResult result = checkDetailField(field, text);
  const std::string_view name = field.name;
  if (name == "edtMAXITER") {
    // A text that was no integer leaves MAXITER as it was; otherwise the
    // field now holds an integer within the domain, typed or put back.
    int iterations = 0;
    bool typedInteger = readInt(text, iterations);
    if (typedInteger && readInt(result.text, iterations)) settings.MAXITER = iterations;
  } else if (name == "edtCLOSURE") {
    settings.closure = " " + result.text;
  }
  return result;
}

std::string periodLabel(int startYear, int endYear) {
  long long years = static_cast<long long>(endYear) - startYear + 1;
  return "Simulatieperiode (" + formatInt(years) + " jaar)";
}

bool applyDetailSettings(const DetailFields& fields, SessionSettings& settings) {
  SessionSettings s = settings;
  double closure = 0;
  int endYear = 0;
  int realisations = 0;
  double warmUp = 0;
  auto real = [](const std::string& text, double& value) {
    return readReal(withDecimalPoint(text), value);
  };
  if (!readInt(fields.maxIter, s.MAXITER) || !real(fields.closure, closure) ||
      !real(fields.deltaMin, s.DELTAMIN) || !real(fields.phiMin, s.PHIMIN) ||
      !real(fields.cMax, s.CMAX) || !real(fields.omegaMin, s.OMEGAMIN) ||
      !readInt(fields.startYear, s.startYear) || !readInt(fields.endYear, endYear) ||
      !real(fields.warmUp, warmUp) || !readInt(fields.realisations, realisations)) {
    return false;
  }
  long long years = static_cast<long long>(endYear) - s.startYear + 1;
  if (years < std::numeric_limits<int>::min() || years > std::numeric_limits<int>::max()) {
    return false;
  }
  try {
    s.warmUpDays = roundToInt(warmUp);
  } catch (const Error&) {
    return false;  // a warm-up beyond the range of an int
  }
  s.closure = " " + withDecimalPoint(fields.closure);
  s.numberOfYears = static_cast<int>(years);
  s.realisations = fields.realisations;
  s.traceWithUpdating = fields.traceWithUpdating;
  settings = s;
  return true;
}

}  // namespace phreatix
