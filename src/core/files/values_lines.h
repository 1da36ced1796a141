// The values lines of modsel.zft (the tubes with a chosen model) and
// foutbuis.zft (the tubes without one), the line S.sel and S.err hold as
// well, and the fixed bounds a vertex of the re-calibration is judged by.
//
// A values line is "stem label delta omega0 0. phi c sigma2": the stem
// right-aligned in 8, the label ("1s" from S.a01, "2s" from S.d01, "ft" for
// none) and the parameters as on line 6 of a parameter file with sigma2.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/engine_files.h"
#include "files/vertex_file.h"

namespace phreatix {

inline constexpr const char* kModselName = "modsel.zft";
inline constexpr const char* kFoutbuisName = "foutbuis.zft";

// The plausibility of a vertex: all four comparisons strict.
struct PlausibilityBounds {
  double deltaMin;  // delta > deltaMin
  double phiMin;    // phi > phiMin
  double cMax;      // c < cMax
  double omegaMin;  // omega0 > omegaMin
  bool admit(const Vertex& v) const {
    return v.p[0] > deltaMin && v.p[3] > phiMin && v.p[4] < cMax && v.p[1] > omegaMin;
  }
  // The criteria the vertex fails, with its value and the bound:
  // "omega0 0.73 <= 1.00, c 12.50 >= 0.00"; "" when it is admitted.
  std::string failures(const Vertex& v) const;
};
// The vertices of S.a01 are judged by the session settings; those of the d+s
// calibration always by these fixed bounds. The session's bounds are kept in
// no file, so a reader of the results judges a refused ds vertex by these too.
inline constexpr PlausibilityBounds kRecalibrationBounds = {0.90, 0.5, 0, 1};

// Writes the values line of a tube.
std::string valuesLine(const std::string& stem, const std::string& label, const Parameters& p);

// The labels of the extended models ("ef", "gf", followed by a letter per
// component: t trend, p step, x stress), whose values lines hold "A n a f
// phi c sigma2": seven numbers, then three per component.
inline bool isExtendedLabel(const std::string& label) {
  if (label.size() < 2 || (label.compare(0, 2, "ef") != 0 && label.compare(0, 2, "gf") != 0)) {
    return false;
  }
  return label.find_first_not_of("tpx", 2) == std::string::npos;
}
inline constexpr int kExtendedValues = 7;
inline constexpr int kComponentValues = 3;

// One values line as read back: the stem without its blanks, the label and
// the parameters in natural order (omega1 as written, 0). For an extended
// label `extended` holds its seven numbers and p only phi, c and sigma2.
struct ValuesLine {
  std::string stem;
  std::string label;
  Parameters p{};
  std::vector<double> extended;
};

// The values lines of `text` (`name` for the error messages), blank lines
// passed over. A line without a stem, a label and six numbers is a read
// error naming the file and the line.
std::vector<ValuesLine> readValuesLines(const std::string& name, const std::string& text);
// The same from a file; an I/O error naming it when it cannot be read.
std::vector<ValuesLine> readValuesFile(const std::string& path);

// The chosen model of S.sel: its first line, the values line (under the
// model "uitgebreid" the candidates follow it); none for a tube without a
// model, whose S.sel opens with a sentence. The line as written in `line`.
std::optional<ValuesLine> readSelFile(const std::string& path, std::string* line = nullptr);

// The values line the model selection wrote for a tube, read back from the
// texts of its S.sel and S.err (from the directory or the tube's archive;
// `selName` and `errName` for the messages): the first line of S.sel for a
// chosen model (its line of modsel.zft), the last line of S.err for a tube
// without one (its line of foutbuis.zft). A read error when the line is not
// there or is no values line.
struct SelectionOutcome {
  std::string line;  // as written
  bool chosen = false;
};
SelectionOutcome readSelectionOutcome(const std::string& selName, const std::string& selText,
                                      const std::string& errName, const std::string& errText);

}  // namespace phreatix
