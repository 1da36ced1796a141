#include "files/values_lines.h"

#include "error.h"
#include "files/line_numbers.h"
#include "files/parameter_lines.h"
#include "platform/files.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

std::string PlausibilityBounds::failures(const Vertex& v) const {
  std::string out;
  auto check = [&](bool ok, const char* name, double value, const char* op, double bound) {
    if (ok) return;
    if (!out.empty()) out += ", ";
    out += std::string(name) + " " + formatReal(value, 0, 2) + " " + op + " " +
           formatReal(bound, 0, 2);
  };
  check(v.p[0] > deltaMin, "delta", v.p[0], "<=", deltaMin);
  check(v.p[1] > omegaMin, "omega0", v.p[1], "<=", omegaMin);
  check(v.p[3] > phiMin, "phi", v.p[3], "<=", phiMin);
  check(v.p[4] < cMax, "c", v.p[4], ">=", cMax);
  return out;
}

std::string valuesLine(const std::string& stem, const std::string& label, const Parameters& p) {
  std::string line;
  appendPadded(line, stem, 8);
  return line + " " + label + " " + parameterLine(p, sigma2Text(p));
}

std::vector<ValuesLine> readValuesLines(const std::string& name, const std::string& text) {
  std::vector<ValuesLine> out;
  const std::vector<std::string> lines = splitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    if (line.size() < 9) refuseLine(name, i, "verwacht een stam van 8 tekens en de waarden");
    ValuesLine v;
    v.stem = withoutBlanks(line.substr(0, 8));
    const std::string rest = line.substr(8);
    const std::size_t start = rest.find_first_not_of(" \t");
    if (start == std::string::npos) {
      refuseLine(name, i, "een stam zonder label en waarden: " + quoted(line), ErrorKind::kRead);
    }
    const std::size_t end = rest.find_first_of(" \t", start);
    v.label = rest.substr(start, end - start);
    LineNumbers numbers(
        name, i, std::string_view(rest).substr(end == std::string::npos ? rest.size() : end));
    bool complete = true;
    if (isExtendedLabel(v.label)) {
      // An extended model: A n a f phi c sigma2 and its components' values;
      // p holds its noise.
      const int count = kExtendedValues + kComponentValues * static_cast<int>(v.label.size() - 2);
      for (int j = 0; j < count; ++j) {
        const std::optional<double> number = numbers.next();
        complete = complete && number.has_value();
        v.extended.push_back(number.value_or(0));
      }
      if (complete) v.p = {0, 0, 0, v.extended[4], v.extended[5], v.extended[6]};
    } else {
      for (double& x : v.p) {
        const std::optional<double> number = numbers.next();
        complete = complete && number.has_value();
        x = number.value_or(0);
      }
    }
    if (!complete || v.stem.empty()) {
      refuseLine(name, i,
                 std::string("geen stam, label en ") +
                     (isExtendedLabel(v.label) ? "zeven" : "zes") + " waarden: " + quoted(line),
                 ErrorKind::kRead);
    }
    out.push_back(v);
  }
  return out;
}

std::vector<ValuesLine> readValuesFile(const std::string& path) {
  return readValuesLines(path, readFileText(path));
}

std::optional<ValuesLine> readSelFile(const std::string& path, std::string* line) {
  const std::vector<std::string> lines = readLines(path);
  if (lines.empty() || lines[0].rfind("Deze buis", 0) == 0) return std::nullopt;
  if (line) *line = lines[0];
  const std::vector<ValuesLine> first = readValuesLines(path, lines[0] + "\n");
  if (first.empty() || first[0].label == "ft") return std::nullopt;
  return first[0];
}

SelectionOutcome readSelectionOutcome(const std::string& selName, const std::string& selText,
                                      const std::string& errName, const std::string& errText) {
  const std::vector<std::string> sel = splitLines(selText);
  if (sel.empty()) throw Error(ErrorKind::kRead, selName + ": leeg");
  SelectionOutcome outcome;
  std::string name = selName;
  if (sel[0].rfind("Deze buis", 0) == 0) {
    // No model: S.err ends with the values of the last calibration.
    std::vector<std::string> err = splitLines(errText);
    while (!err.empty() && err.back().find_first_not_of(" \t\r") == std::string::npos) {
      err.pop_back();
    }
    if (err.empty()) throw Error(ErrorKind::kRead, errName + ": leeg");
    outcome.line = err.back();
    name = errName;
  } else {
    outcome.line = sel[0];
    outcome.chosen = true;
  }
  const std::vector<ValuesLine> read = readValuesLines(name, outcome.line + "\n");
  if (read.empty()) throw Error(ErrorKind::kRead, name + ": geen waardenregel");
  if ((read[0].label == "ft") == outcome.chosen) {
    throw Error(ErrorKind::kRead,
                name + ": label " + quoted(read[0].label) +
                    (outcome.chosen ? " bij een gekozen model" : " bij een buis zonder model"));
  }
  return outcome;
}

}  // namespace phreatix
