#include "files/candidate_file.h"

#include <cstdio>
#include <sstream>
#include <vector>

#include "error.h"
#include "platform/files.h"
#include "text/parse.h"

namespace phreatix {

namespace {

std::string exact(double v) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", v);
  return buffer;
}

std::string shortText(double v, const char* format) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, format, v);
  return buffer;
}

}  // namespace

std::string candidateResultsName(const std::string& S, ExtendedShape shape, const std::string& FF) {
  return S + "." + shapeLabel(shape) + FF;
}

std::string candidateSearchName(const std::string& S, ExtendedShape shape, const std::string& FF) {
  return S + "." + shapeLabel(shape) + "s" + FF;
}

void writeCandidateFiles(const std::string& dir, const std::string& S, const std::string& FF,
                         const CandidateFit& fit, const std::string& weights) {
  const ExtendedShape shape = fit.model.shape;
  std::vector<std::string> lines = {"# kandidaat " + std::string(shapeLabel(shape)) + ": " +
                                    shapeDescription(shape) + "; gewichten: " + weights};
  if (!fit.ok) {
    lines.push_back("mislukt " + fit.failure);
  } else {
    lines.push_back("metingen " + std::to_string(fit.n));
    lines.push_back("doelfunctie " + exact(fit.objective));
    lines.push_back("doelfunctie_gewogen " + exact(fit.weightedObjective));
    lines.push_back("bic " + exact(fit.bic));
    lines.push_back("t95 " + exact(fit.t95));
    const auto values = fit.model.values();
    for (int j = 0; j < kExtendedParameters; ++j) {
      const double se = fit.standardErrors[static_cast<std::size_t>(j)];
      lines.push_back("parameter " + std::string(kExtendedParameterNames[j]) + " " +
                      exact(values[static_cast<std::size_t>(j)]) + " " +
                      (se > 0 ? shortText(se, "%.6g") : std::string("-")));
    }
  }
  writeLines(joinPath(dir, candidateResultsName(S, shape, FF)), lines);

  std::vector<std::string> search = {"# evaluatie n a phi doelfunctie"};
  search.reserve(fit.search.size() + 1);
  int i = 0;
  for (const SearchStep& s : fit.search) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "%d %.8g %.8g %.8g %.6f", ++i, s.n, s.a, s.phi,
                  s.objective);
    search.emplace_back(buffer);
  }
  writeLines(joinPath(dir, candidateSearchName(S, shape, FF)), search);
}

CandidateFit readCandidateResults(const std::string& path, ExtendedShape shape) {
  const std::vector<std::string> lines = readLines(path);
  CandidateFit fit;
  fit.model.shape = shape;
  fit.k = calibratedParameters(shape);
  fit.standardErrors.fill(-1);
  auto values = fit.model.values();
  int parameters = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::istringstream in(lines[i]);
    std::string key;
    if (!(in >> key) || key[0] == '#') continue;
    if (key == "mislukt") {
      std::string rest;
      std::getline(in, rest);
      fit.failure = rest.empty() ? rest : rest.substr(1);
      fit.ok = false;
      return fit;
    }
    std::string a, b, c;
    in >> a >> b >> c;
    double v = 0;
    auto number = [&](const std::string& text) {
      if (!parseReal(text, v))
        refuseLine(path, i, "verwacht een getal na " + key, ErrorKind::kRead);
      return v;
    };
    if (key == "metingen") {
      fit.n = static_cast<int>(number(a));
    } else if (key == "doelfunctie") {
      fit.objective = number(a);
    } else if (key == "doelfunctie_gewogen") {
      fit.weightedObjective = number(a);
    } else if (key == "bic") {
      fit.bic = number(a);
    } else if (key == "t95") {
      fit.t95 = number(a);
    } else if (key == "parameter") {
      int j = 0;
      while (j < kExtendedParameters && a != kExtendedParameterNames[j]) ++j;
      if (j == kExtendedParameters) {
        refuseLine(path, i, "onbekende parameter " + a, ErrorKind::kRead);
      }
      values[static_cast<std::size_t>(j)] = number(b);
      if (c != "-") fit.standardErrors[static_cast<std::size_t>(j)] = number(c);
      ++parameters;
    } else {
      refuseLine(path, i, "onbekend trefwoord " + key, ErrorKind::kRead);
    }
  }
  if (parameters != kExtendedParameters || fit.n <= 0) {
    refuseFile(path,
               "onvolledig: " + std::to_string(parameters) + " van de " +
                   std::to_string(kExtendedParameters) + " parameters",
               ErrorKind::kRead);
  }
  fit.model.setValues(values);
  fit.ok = true;
  return fit;
}

}  // namespace phreatix
