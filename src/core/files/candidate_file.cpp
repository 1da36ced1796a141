#include "files/candidate_file.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <sstream>
#include <vector>

#include "engine/component_calibration.h"
#include "engine/engine_files.h"
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

std::string seText(double se) { return se > 0 ? shortText(se, "%.6g") : std::string("-"); }

std::string dateText(const CalendarDate* first, int day) {
  if (first == nullptr) return "-";
  const std::int64_t ymd =
      builtinDateOfDay(builtinDayNumber(first->year, first->month, first->day) + day);
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", static_cast<int>(ymd / 10000),
                static_cast<int>(ymd / 100 % 100), static_cast<int>(ymd % 100));
  return buffer;
}

// A component line written back in its words.
std::string componentLine(const ModelComponent& c, const CandidateFit::ComponentErrors& e,
                          const CalendarDate* first) {
  switch (c.kind) {
    case ComponentKind::kTrend:
      return "component trend start " + std::to_string(c.start) + " eind " + std::to_string(c.end) +
             " helling " + exact(c.gain) + " se " + seText(e.gain) + " van " +
             dateText(first, c.start) + " tot " + dateText(first, c.end) +
             (c.given ? " gegeven ja" : "");
    case ComponentKind::kStep:
      return "component stap dag " + std::to_string(c.start) + " sprong " + exact(c.gain) + " se " +
             seText(e.gain) + " op " + dateText(first, c.start) +
             (c.fade > 0 ? " uitdoving " + exact(c.fade) + " se_uitdoving " + seText(e.fade)
                         : std::string()) +
             (c.given ? " gegeven ja" : "");
    case ComponentKind::kStress:
      return "component stress n " + exact(c.n) + " a " + exact(c.a) + " versterking " +
             exact(c.gain) + " se " + seText(e.gain) + " se_a " + seText(e.a) +
             (c.n != 1 ? " se_n " + seText(e.n) : std::string());
  }
  return "";
}

}  // namespace

std::string candidateResultsName(const std::string& S, const std::string& label,
                                 const std::string& FF) {
  return S + "." + label + FF;
}

std::string candidateSearchName(const std::string& S, const std::string& label,
                                const std::string& FF) {
  return S + "." + label + "s" + FF;
}

std::string candidateResultsName(const std::string& S, ExtendedShape shape, const std::string& FF) {
  return candidateResultsName(S, std::string(shapeLabel(shape)), FF);
}

std::string candidateSearchName(const std::string& S, ExtendedShape shape, const std::string& FF) {
  return candidateSearchName(S, std::string(shapeLabel(shape)), FF);
}

std::string candidateLabel(const ExtendedModel& m) {
  std::string label = shapeLabel(m.shape);
  for (const ModelComponent& c : m.components) label += componentLetter(c.kind);
  return label;
}

std::vector<std::string> allCandidateLabels() {
  std::vector<std::string> labels;
  for (const char* base : {"ef", "gf"}) {
    for (const char* suffix : kComponentSuffixes) labels.push_back(std::string(base) + suffix);
  }
  return labels;
}

bool parseCandidateLabel(const std::string& label, ExtendedShape& shape,
                         std::vector<ComponentKind>& kinds) {
  if (label.size() < 2) return false;
  const std::string base = label.substr(0, 2);
  if (base == "ef") {
    shape = ExtendedShape::kExponential;
  } else if (base == "gf") {
    shape = ExtendedShape::kGamma;
  } else {
    return false;
  }
  kinds.clear();
  for (std::size_t i = 2; i < label.size(); ++i) {
    switch (label[i]) {
      case 't':
        kinds.push_back(ComponentKind::kTrend);
        break;
      case 'p':
        kinds.push_back(ComponentKind::kStep);
        break;
      case 'x':
        kinds.push_back(ComponentKind::kStress);
        break;
      default:
        return false;
    }
  }
  return true;
}

void writeCandidateFiles(const std::string& dir, const std::string& S, const std::string& FF,
                         const CandidateFit& fit, const std::string& weights,
                         const CalendarDate* weatherFirst) {
  const ExtendedShape shape = fit.model.shape;
  const std::string label = candidateLabel(fit.model);
  std::string description = shapeDescription(shape);
  for (const ModelComponent& c : fit.model.components) {
    description += std::string(" + ") + (c.kind == ComponentKind::kTrend  ? "lineaire trend"
                                         : c.kind == ComponentKind::kStep ? "stap"
                                                                          : "extra reeks");
  }
  std::vector<std::string> lines = {"# kandidaat " + label + ": " + description +
                                    "; gewichten: " + weights};
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
    for (std::size_t j = 0; j < fit.model.components.size(); ++j) {
      const CandidateFit::ComponentErrors e =
          j < fit.componentErrors.size() ? fit.componentErrors[j] : CandidateFit::ComponentErrors{};
      lines.push_back(componentLine(fit.model.components[j], e, weatherFirst));
    }
  }
  writeLines(joinPath(dir, candidateResultsName(S, label, FF)), lines);

  std::vector<std::string> search = {"# evaluatie n a phi doelfunctie"};
  search.reserve(fit.search.size() + 1);
  int i = 0;
  for (const SearchStep& s : fit.search) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "%d %.8g %.8g %.8g %.6f", ++i, s.n, s.a, s.phi,
                  s.objective);
    search.emplace_back(buffer);
  }
  writeLines(joinPath(dir, candidateSearchName(S, label, FF)), search);
}

CandidateFit readCandidateResults(const std::string& path, ExtendedShape shape) {
  const std::vector<std::string> lines = readLines(path);
  CandidateFit fit;
  fit.model.shape = shape;
  fit.k = calibratedParameters(shape);
  fit.standardErrors.fill(-1);
  auto values = fit.model.values();
  int parameters = 0;
  std::vector<ModelComponent> components;
  std::vector<CandidateFit::ComponentErrors> componentErrors;
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
    if (key == "component") {
      std::string kind;
      in >> kind;
      std::map<std::string, std::string> pairs;
      for (std::string name, value; in >> name >> value;) pairs[name] = value;
      auto field = [&](const char* name) {
        const auto it = pairs.find(name);
        double v = 0;
        if (it == pairs.end() || !parseReal(it->second, v)) {
          refuseLine(path, i, "verwacht een getal na " + std::string(name), ErrorKind::kRead);
        }
        return v;
      };
      // A day number: whole and within an int before it becomes one.
      auto day = [&](const char* name) {
        const double v = field(name);
        if (!(v == std::trunc(v) && std::fabs(v) <= std::numeric_limits<int>::max())) {
          refuseLine(path, i, "verwacht een dagnummer na " + std::string(name), ErrorKind::kRead);
        }
        return static_cast<int>(v);
      };
      auto error = [&](const char* name) {
        const auto it = pairs.find(name);
        double v = -1;
        if (it != pairs.end() && it->second != "-" && !parseReal(it->second, v)) {
          refuseLine(path, i, "verwacht een getal of - na " + std::string(name), ErrorKind::kRead);
        }
        return v;
      };
      ModelComponent mc;
      CandidateFit::ComponentErrors e;
      auto given = [&]() {
        const auto it = pairs.find("gegeven");
        if (it == pairs.end()) return false;
        if (it->second != "ja") refuseLine(path, i, "verwacht ja na gegeven", ErrorKind::kRead);
        return true;
      };
      if (kind == "trend") {
        mc.kind = ComponentKind::kTrend;
        mc.start = day("start");
        mc.end = day("eind");
        mc.gain = field("helling");
        mc.given = given();
      } else if (kind == "stap") {
        mc.kind = ComponentKind::kStep;
        mc.start = day("dag");
        mc.end = mc.start;
        mc.gain = field("sprong");
        if (pairs.count("uitdoving") != 0) {
          mc.fade = field("uitdoving");
          if (!(mc.fade > 0)) refuseLine(path, i, "uitdoving hoort > 0 te zijn", ErrorKind::kRead);
          e.fade = error("se_uitdoving");
        }
        mc.given = given();
      } else if (kind == "stress") {
        mc.kind = ComponentKind::kStress;
        mc.n = field("n");
        mc.a = field("a");
        mc.gain = field("versterking");
        e.a = error("se_a");
        e.n = error("se_n");
      } else {
        refuseLine(path, i, "onbekende component " + kind, ErrorKind::kRead);
      }
      e.gain = error("se");
      components.push_back(mc);
      componentErrors.push_back(e);
      continue;
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
      const double n = number(a);
      if (!(n == std::trunc(n) && n >= 0 && n <= MAXDAT)) {
        refuseLine(path, i, "verwacht een aantal metingen van 0 t/m " + std::to_string(MAXDAT),
                   ErrorKind::kRead);
      }
      fit.n = static_cast<int>(n);
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
  fit.model.components = components;
  fit.componentErrors = componentErrors;
  for (const ModelComponent& mc : components) fit.k += componentParameters(mc);
  fit.ok = true;
  return fit;
}

}  // namespace phreatix
