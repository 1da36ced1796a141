// The detail settings, each described once: its control in the settings
// window, its option on the command line, the text it starts with, its
// domain, the member of the session settings it sets, and the texts the
// window and the command line show for it. The settings window, the field
// checks, the options of `phreatix-cli run`, `repair`, `demo` and `cluster prepare`
// and the README's table of options are all drawn from this table; a new
// setting is one row here (and its member in SessionSettings and
// DetailFields).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/session_settings.h"

namespace phreatix {

// The texts of the window's fields and its choices, as typed. Default-
// constructed, it holds what the window opens with (each row's formDefault).
struct DetailFields {
  DetailFields();
  std::string maxIter;       // edtMAXITER
  std::string closure;       // edtCLOSURE
  std::string deltaMin;      // edtDELTAMIN
  std::string phiMin;        // edtPHIMIN
  std::string cMax;          // edtCMAX
  std::string omegaMin;      // edtOMEGAMIN
  std::string startYear;     // edtSTARTJAAR
  std::string endYear;       // edtEINDJAAR
  std::string warmUp;        // edtWARMUP, days
  std::string realisations;  // edtREALISATIES
  std::string trace;         // rdgrpDETTRACE: "met" (updating) or "zonder"
  std::string t95Min;        // edtT95MIN, days
  std::string t95Max;        // edtT95MAX, days
  std::string model;         // rdgrpMODEL: "standaard" or "uitgebreid"
  std::string situation;     // rdgrpSITUATIE: "einde", "gemiddeld" or "geen"
};

// One word of a choice: the word the command line takes, and the radio
// button that stands for it in the window.
struct SettingChoice {
  const char* word;     // "met"
  const char* control;  // "rdbttnMETUPDATING"
  const char* label;    // "met updating"
};

// Where the window puts a setting: the two groups of edit fields ("
// Calibratie " in three parts, " Simulatie " in two), or a group of its own
// with a radio button per word for a choice.
enum class SettingPlace {
  kCalibration,  // "Calibratiecriteria": label, field
  kBounds,       // "Plausibiliteitscheck": label>, field; two a line
  kPeriod,       // "Simulatieperiode": label, field
  kOther,        // "Overige instellingen": label, field, unit
  kResponse,     // "Plausibiliteit uitgebreid model": label, field, unit
  kChoice,       // a group box with one radio button per word
};

// One row of the table. Numbers are typed as text and checked when the
// field is left; a choice takes one of its words.
struct DetailField {
  const char* name;       // control name, "edtMAXITER"; the choice's group box
  const char* flag;       // command-line option, "--maxiter"
  const char* valueName;  // the option's value in --help, "N"
  const char* help;       // the option's text in --help
  const char* label;      // the window's caption of the field (the group's title)
  const char* unit;       // the window's text after the field; "" for none
  SettingPlace place;
  const char* formDefault;  // the text the window opens with, the option's default
  double lo;                // domain, inclusive
  double hi;
  const char* putBack;  // the text a refused entry is replaced by
  bool integer;         // refused with "geen (geheel) getal ingevoerd" when not an integer
  bool immediate;       // set in the session settings as soon as the field is left
  bool sessionField;    // disabled while a pipeline runs (setSessionFieldsEnabled)
  std::string DetailFields::*text;  // where the typed text is kept
  // "Instellingen OK" of this field: reads `text` into its member of the
  // session settings; false when it does not read as the number it stands
  // for. Rows are stored in table order (the end year after the start year).
  bool (*store)(const std::string& text, SessionSettings& settings);
  std::span<const SettingChoice> choices = {};  // a choice's words; empty for a number
};

// edtMAXITER, edtCLOSURE, edtDELTAMIN, edtPHIMIN, edtCMAX, edtOMEGAMIN,
// edtT95MIN, edtT95MAX, edtSTARTJAAR, edtEINDJAAR, edtWARMUP, edtREALISATIES,
// rdgrpDETTRACE, rdgrpMODEL, rdgrpSITUATIE, in this order: the window's
// order and the order the fields are checked in.
std::span<const DetailField> detailFields();

// The rows in the order of the command line's options: the simulation's
// settings (period, then the others), the calibration's (the plausibility
// bounds and the response times among them), then the choices.
std::vector<const DetailField*> optionOrder();

// The row of that control name or option; null when there is none.
const DetailField* findDetailField(std::string_view name);
const DetailField* findDetailOption(std::string_view flag);

bool isChoice(const DetailField& field);

// A number typed with a decimal comma and no point ("0,95") with the point
// instead; any other text as it is. Numbers are read without the locale: a
// point is the decimal separator, and a decimal comma, as a Dutch user types
// it, is taken as the point it means.
std::string withDecimalPoint(const std::string& text);

}  // namespace phreatix
