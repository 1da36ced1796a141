// The checks of the detail-settings window (TfrmDefaults, "Detailinstellingen
// calibraties, simulaties en tracing"), drawn from the settings table
// (settings_table.h): every field is checked against its domain when the
// user leaves it, and "Instellingen OK" copies the fields into the session
// settings. The command line checks its settings options with the same
// checks.
#pragma once

#include <string>
#include <string_view>

#include "settings/session_settings.h"
#include "settings/settings_table.h"

namespace phreatix {

// "[" lo ";" hi "]", each bound written 7:2 and stripped of its blanks:
// domainText(50, 2000) is "[50.00;2000.00]", domainText(0.000001, 0.01) is
// "[0.00;0.01]".
std::string domainText(double lo, double hi);

// The outcome of a field check: `message` is empty when the text is
// accepted, and `text` is then the text as typed; otherwise `message` is the
// text the window shows and `text` the default it puts back.
struct FieldResult {
  std::string text;
  std::string message;
  bool accepted() const { return message.empty(); }
};

// A real within [lo, hi] (inclusive): "geen getal ingevoerd" for a text that
// is not a number, "ingevoerd getal ligt buiten toegestaan domein" followed
// by the domain text for one outside the domain.
FieldResult checkField(const std::string& text, double lo, double hi,
                       const std::string& defaultText);

// The iterations field: "geen (geheel) getal ingevoerd" and "500" back for a
// text that is not an integer, then the field check with [50, 2000].
FieldResult checkMaxIterField(const std::string& text);

// The exit check of one field: the integer check first for the integer
// fields (iterations and realisations), then the domain check. A decimal
// comma is accepted; the accepted text then holds the point. A choice takes
// one of its words ("takes met or zonder, got X", "takes einde, gemiddeld or
// geen, got X" otherwise, as the command line refuses it).
FieldResult checkDetailField(const DetailField& field, const std::string& text);

// Leaving a field: its exit check, and for the fields that take effect at
// once (`immediate`) their setting, from the text as the field now holds it
// (typed or put back): MAXITER becomes the iterations, the closure criterion
// a blank followed by the text. An integer field whose typed text was no
// integer leaves its setting as it was.
FieldResult leaveField(const DetailField& field, const std::string& text,
                       SessionSettings& settings);

// "Eindjaar ligt voor het startjaar" when both texts are whole years and the
// end year lies before the start year; "" otherwise (the field checks judge
// the texts themselves).
std::string checkPeriodOrder(const std::string& startYear, const std::string& endYear);
inline constexpr const char* kEndBeforeStart = "Eindjaar ligt voor het startjaar";

// "Responstijd t95 max ligt niet boven t95 min" when both texts read as
// numbers (a decimal comma taken as the point) and the greatest response
// time is not above the least; "" otherwise (the field checks judge the
// texts themselves).
std::string checkResponseTimeOrder(const std::string& t95Min, const std::string& t95Max);
inline constexpr const char* kMaxNotAboveMin = "Responstijd t95 max ligt niet boven t95 min";

// "Simulatieperiode (" + (end - start + 1) + " jaar)"; an end year before the
// start year shows zero or fewer years as they are.
std::string periodLabel(int startYear, int endYear);

// What "Instellingen OK" stores: every row's setting (its `store`): MAXITER,
// the closure criterion (a blank and the field's text), the four
// plausibility bounds, the start year, the number of years (end year - start
// year + 1), the warm-up rounded to the nearest integer with halves to even,
// the realisations text, the trace choice, the two response-time bounds,
// the model family and the situation. Domains are not checked again
// (the exit checks did that), but every field must read as the number it
// stands for; when one does not, nothing is stored and the result is false.
// The completeness check is the caller's.
bool applyDetailSettings(const DetailFields& fields, SessionSettings& settings);

}  // namespace phreatix
