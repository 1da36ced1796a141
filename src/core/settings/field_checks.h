// The checks of the detail-settings window (TfrmDefaults, "Detailinstellingen
// calibraties, simulaties en tracing"): every field is checked against its
// domain when the user leaves it, and "Instellingen OK" copies the fields
// into the session settings. Numbers are read without the locale: a point is
// the decimal separator, and a decimal comma ("0,95", as a Dutch user types
// it) is taken as the point it means.
#pragma once

#include <string>
#include <string_view>

#include "settings/session_settings.h"

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

// One edit field of the window.
struct DetailField {
  const char* name;         // control name, "edtMAXITER"
  const char* formDefault;  // the text the window opens with
  double lo;                // domain, inclusive
  double hi;
  const char* putBack;  // the text a refused entry is replaced by
  bool integer;         // refused with "geen (geheel) getal ingevoerd" when not an integer
};

inline constexpr int kDetailFieldCount = 10;
// edtMAXITER, edtCLOSURE, edtDELTAMIN, edtPHIMIN, edtCMAX, edtOMEGAMIN,
// edtSTARTJAAR, edtEINDJAAR, edtWARMUP, edtREALISATIES, in this order.
extern const DetailField kDetailFields[kDetailFieldCount];

// The field of that control name; null when there is none.
const DetailField* findDetailField(std::string_view name);

// A number typed with a decimal comma and no point ("0,95") with the point
// instead; any other text as it is.
std::string withDecimalPoint(const std::string& text);

// The exit check of one field: the integer check first for the integer
// fields (iterations and realisations), then the domain check. A decimal
// comma is accepted; the accepted text then holds the point.
FieldResult checkDetailField(const DetailField& field, const std::string& text);

// Leaving a field: its exit check, and for the two fields that take effect at
// once their setting: MAXITER becomes the (possibly restored) iterations
// unless the text was not an integer, in which case it keeps its value; the
// closure criterion becomes a blank followed by the (possibly restored) text.
FieldResult leaveField(const DetailField& field, const std::string& text,
                       SessionSettings& settings);

// "Eindjaar ligt voor het startjaar" when both texts are whole years and the
// end year lies before the start year; "" otherwise (the field checks judge
// the texts themselves).
std::string checkPeriodOrder(const std::string& startYear, const std::string& endYear);
inline constexpr const char* kEndBeforeStart = "Eindjaar ligt voor het startjaar";

// "Simulatieperiode (" + (end - start + 1) + " jaar)"; an end year before the
// start year shows zero or fewer years as they are.
std::string periodLabel(int startYear, int endYear);

// The texts of the window's fields and its trace choice. Default-constructed,
// it holds what the window opens with.
struct DetailFields {
  std::string maxIter = "500";       // edtMAXITER
  std::string closure = "0.0001";    // edtCLOSURE
  std::string deltaMin = "0.90";     // edtDELTAMIN
  std::string phiMin = "0.5";        // edtPHIMIN
  std::string cMax = "0";            // edtCMAX
  std::string omegaMin = "1";        // edtOMEGAMIN
  std::string startYear = "1970";    // edtSTARTJAAR
  std::string endYear = "1999";      // edtEINDJAAR
  std::string warmUp = "731";        // edtWARMUP, days
  std::string realisations = "100";  // edtREALISATIES
  bool traceWithUpdating = true;     // rdgrpDETTRACE: "met updating"
};

// What "Instellingen OK" stores: MAXITER, the closure criterion (a blank and
// the field's text), the four plausibility bounds, the start year, the number
// of years (end year - start year + 1), the warm-up rounded to the nearest
// integer with halves to even, the realisations text and the trace choice.
// Domains are not checked again (the exit checks did that), but every field
// must read as the number it stands for; when one does not, nothing is stored
// and the result is false. The completeness check is the caller's.
bool applyDetailSettings(const DetailFields& fields, SessionSettings& settings);

}  // namespace phreatix
