// Small DINO exports in the layout the splitter and the reader know, made
// by the tests: header lines, one metadata row per tube, a blank line, the
// measurement block.
#pragma once

#include <string>
#include <vector>

#include "text/number_text.h"

namespace phreatix::test {

inline std::vector<std::string> dinoHeader() {
  return {"Titel: ",
          "Gebruikersnaam: tester",
          "Periode aangevraagd: 01/01/1800-14/09/2015",
          "Datum: 14/09/2015",
          "Referentie: Maaiveld (MV)",
          "",
          "LOCATIE,FILTERNUMMER,EXTERNE AANDUIDING,X-COORDINAAT,Y-COORDINAAT,MAAIVELD NAP,"
          "GESCHAT,MEETPUNT NAP,BOVENKANT FILTER,ONDERKANT FILTER,START DATUM,EIND DATUM"};
}

inline std::string metaRow(const std::string& code, const std::string& filter = "001") {
  return code + "," + filter + ",EXT,181600,359260,3017,,3026,2648,2598,1985/01/01,";
}

inline const char* kMeasurementTitle =
    "LOCATIE,FILTERNUMMER,PEIL DATUM TIJD,STAND (MV),BIJZONDERHEID";

// "yyyy/mm/dd 00:00:00"
inline std::string dateTime(int year, int month, int day) {
  return formatInt(year) + "/" + (month < 10 ? "0" : "") + formatInt(month) + "/" +
         (day < 10 ? "0" : "") + formatInt(day) + " 00:00:00";
}

inline std::string measRow(const std::string& code, int year, int month, int day, int levelCm,
                           const std::string& remark = "") {
  return code + ",001," + dateTime(year, month, day) + "," + formatInt(levelCm) + "," + remark;
}

// An export of the codes, each with `readings` readings on the 14th and 28th
// of the months from January 1990 on.
inline std::vector<std::string> dinoExport(const std::vector<std::string>& codes,
                                           int readings = 4) {
  std::vector<std::string> lines = dinoHeader();
  for (const std::string& code : codes) lines.push_back(metaRow(code));
  lines.push_back("");
  lines.push_back(kMeasurementTitle);
  for (const std::string& code : codes) {
    for (int r = 0; r < readings; ++r) {
      lines.push_back(
          measRow(code, 1990 + r / 24, r / 2 % 12 + 1, r % 2 == 0 ? 14 : 28, 100 + r % 37));
    }
  }
  return lines;
}

// Codes B00A0001, B00A0002, ..., B00A9999, B01A0000, ...: eight characters
// each, in alphabetical order.
inline std::vector<std::string> tubeCodes(int n) {
  auto padded = [](int value, std::size_t width) {
    std::string digits = formatInt(value);
    return std::string(width - digits.size(), '0') + digits;
  };
  std::vector<std::string> codes;
  for (int i = 1; i <= n; ++i) {
    codes.push_back("B" + padded(i / 10000, 2) + "A" + padded(i % 10000, 4));
  }
  return codes;
}

}  // namespace phreatix::test
