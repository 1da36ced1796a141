#include "settings/field_checks.h"

#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

namespace {

constexpr const char* kNotANumber = "geen getal ingevoerd";
constexpr const char* kNotAnInteger = "geen (geheel) getal ingevoerd";
constexpr const char* kOutsideDomain = "ingevoerd getal ligt buiten toegestaan domein";

bool readInt(const std::string& text, int& value) { return valInt(text, value) == 0; }
bool readReal(const std::string& text, double& value) { return valReal(text, value) == 0; }

}  // namespace

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
  return checkDetailField(*findDetailField("edtMAXITER"), text);
}

FieldResult checkDetailField(const DetailField& field, const std::string& typed) {
  if (isChoice(field)) {
    // "met or zonder"; "einde, gemiddeld or geen".
    std::string words;
    for (std::size_t i = 0; i < field.choices.size(); ++i) {
      if (typed == field.choices[i].word) return {typed, ""};
      if (i > 0) words += i + 1 == field.choices.size() ? " or " : ", ";
      words += field.choices[i].word;
    }
    return {field.putBack, "takes " + words + ", got " + typed};
  }
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

std::string checkResponseTimeOrder(const std::string& t95Min, const std::string& t95Max) {
  double least = 0, greatest = 0;
  if (!readReal(withDecimalPoint(t95Min), least) || !readReal(withDecimalPoint(t95Max), greatest)) {
    return {};
  }
  return greatest <= least ? kMaxNotAboveMin : "";
}

FieldResult leaveField(const DetailField& field, const std::string& text,
                       SessionSettings& settings) {
  FieldResult result = checkDetailField(field, text);
  int whole = 0;
  if (field.immediate && (!field.integer || readInt(text, whole))) {
    field.store(result.text, settings);
  }
  return result;
}

std::string periodLabel(int startYear, int endYear) {
  long long years = static_cast<long long>(endYear) - startYear + 1;
  return "Simulatieperiode (" + formatInt(years) + " jaar)";
}

bool applyDetailSettings(const DetailFields& fields, SessionSettings& settings) {
  SessionSettings s = settings;
  for (const DetailField& field : detailFields()) {
    if (!field.store(fields.*field.text, s)) return false;
  }
  settings = s;
  return true;
}

}  // namespace phreatix
