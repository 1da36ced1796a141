#include "pipeline/model_selection.h"

#include <algorithm>
#include <optional>

#include "error.h"
#include "input/tube_file.h"
#include "pipeline/simulation_inputs.h"
#include "platform/files.h"
#include "results/result_source.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

namespace {

// The outcome of one tube's vertex files.
struct Choice {
  std::optional<Vertex> chosen;
  std::string label = "ft";
  std::optional<Vertex> lastRead;  // for the values line of a tube without a model
  // Without a model: why the vertex with the smallest objective was refused.
  std::string refusal;
};

// The plausible vertex with the smallest objective. The best objective
// carries over from S.a01 to S.d01, so that a d+s vertex wins only with a
// strictly smaller one.
Choice choose(const std::string& dir, const std::string& S, const SessionSettings& settings) {
  struct Source {
    const char* ext;
    const char* label;
    PlausibilityBounds bounds;
  };
  const Source sources[2] = {
      {".a01", "1s", {settings.DELTAMIN, settings.PHIMIN, settings.CMAX, settings.OMEGAMIN}},
      {".d01", "2s", kRecalibrationBounds}};
  Choice choice;
  double best = kNoObjective;
  double bestRefused = kNoObjective;
  for (const Source& source : sources) {
    const std::string path = joinPath(dir, S + source.ext);
    if (!fileExists(path)) continue;
    for (const Vertex& v : readVertexFile(path, kColumnsAD).vertices) {
      choice.lastRead = v;
      if (v.objective < best && source.bounds.admit(v)) {
        best = v.objective;
        choice.chosen = v;
        choice.label = source.label;
      } else if (v.objective < bestRefused && !source.bounds.admit(v)) {
        bestRefused = v.objective;
        choice.refusal = std::string("de beste fit (") + source.label + ", " + S + source.ext +
                         ") faalt op " + source.bounds.failures(v);
      }
    }
  }
  if (!choice.chosen && choice.refusal.empty()) {
    choice.refusal = "geen calibratieresultaat met een doelfunctie onder " +
                     formatReal(kNoObjective, 0, 0) + " in " + S + ".a01 of " + S + ".d01";
  }
  return choice;
}

}  // namespace

int selectModels(Session& session, const CouplingOverview& overview, const DayDates& dates,
                 std::map<std::string, ChosenModel>* inProcess, WeatherCache* weatherCache,
                 const std::set<std::string>* packed) {
  const std::string& dir = session.workingDir();
  Messages& messages = session.messages();
  const bool extended = session.settings().model == ModelFamily::kUitgebreid;
  if (inProcess) inProcess->clear();
  WeatherCache ownCache;
  WeatherCache& weather = weatherCache ? *weatherCache : ownCache;
  int chosen = 0;
  LineWriter foutbuis(joinPath(dir, kFoutbuisName));
  LineWriter modsel(joinPath(dir, kModselName));
  // The filters of each location, in ascending order.
  std::map<std::string, std::vector<std::string>> filtersOf;
  for (const CouplingRow& row : overview.rows) {
    filtersOf[entryStem(row.tube)].push_back(normaliseFilter(entryFilter(row.tube)));
  }
  for (auto& [stem, filters] : filtersOf) std::sort(filters.begin(), filters.end());
  // A packed tube's files are those its archive holds.
  std::map<std::string, TubeFiles> archives;
  if (packed) {
    for (const std::string& S : *packed) archives.try_emplace(S, dir, S);
  }
  auto has = [&](const std::string& S, const std::string& ext) {
    const auto archive = archives.find(S);
    if (archive == archives.end()) return fileExists(joinPath(dir, S + ext));
    try {
      return archive->second.has(ext);
    } catch (const Error&) {
      return true;  // the archive cannot be read: the tube is named below
    }
  };
  std::vector<std::string> names = listFiles(dir, "*.01");
  for (const auto& [S, files] : archives) {
    if (has(S, ".01")) names.push_back(S + ".01");
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  if (extended) {
    // Under "uitgebreid" a location without filter 01 takes its lowest
    // filter that has a plausible model.
    for (const auto& [stem, filters] : filtersOf) {
      if (has(stem, ".01")) continue;
      for (const std::string& F : filters) {
        if (has(stem, "." + F)) {
          names.push_back(stem + ".01");
          break;
        }
      }
    }
  }
  for (const std::string& name : names) {
    const std::string S = name.substr(0, 8);
    std::string FF = normaliseFilter(name.size() > 10 ? name.substr(10, 2) : "");
    TubeLines tubeLines(messages, S);
    if (const auto archive = archives.find(S); archive != archives.end()) {
      // Packed: its line as its own selection wrote it.
      const TubeFiles& files = archive->second;
      try {
        const std::string sel = files.require(".sel");
        const std::optional<std::string> err = files.read(".err");
        const SelectionOutcome outcome =
            readSelectionOutcome(files.name(".sel"), sel, files.name(".err"), err.value_or(""));
        (outcome.chosen ? modsel : foutbuis).write(outcome.line);
        if (outcome.chosen) ++chosen;
        messages.appendLog("Buis " + S + ": al ingepakt in " + S + ".zip; de modelkeuze daaruit " +
                           "blijft staan.");
      } catch (const Error& e) {
        messages.appendLog("Buis " + S + ": ingepakt in " + S +
                           ".zip, maar de modelkeuze is daaruit niet te lezen: " + e.what());
      }
      continue;
    }
    // A stale simulation input must not be run in place of this tube's.
    auto removeSimulationInputs = [&] {
      for (const char* ext : {".t01", ".std", ".inp", ".fit", ".gzj", ".kmp"})
        removeFile(joinPath(dir, S + ext));
      if (FF != "01") removeFile(joinPath(dir, S + ".t" + FF));
    };

    Choice choice;
    SimulationInputs inputs;
    // The tube's readings on its weather, for the fit in equilibrium and
    // the extended candidates; a tube without them keeps today's files.
    std::optional<WeatherReadings> series;
    std::string seriesFailure;
    try {
      const std::string meteoName = meteoFileOfStem(overview, S);
      if (!meteoName.empty()) {
        series = readWeatherReadings(dir, S, "01", weather.get(joinPath(dir, meteoName)));
      }
    } catch (const Error& e) {
      seriesFailure = e.what();
    }
    CandidateJudgement judgement;
    std::optional<ChosenModel> model;
    try {
      choice = choose(dir, S, session.settings());
      if (extended) {
        // Filter 01 first; where it has no plausible model, the next filters
        // in ascending order.
        std::vector<std::string> filters = {"01"};
        for (const std::string& F : filtersOf[S]) {
          if (F != "01" && fileExists(joinPath(dir, S + "." + F))) filters.push_back(F);
        }
        for (const std::string& F : filters) {
          if (!fileExists(joinPath(dir, S + "." + F))) continue;
          std::optional<WeatherReadings> readings;
          try {
            const std::string meteoName = meteoFileOfStem(overview, S);
            if (!meteoName.empty()) {
              readings = readWeatherReadings(dir, S, F, weather.get(joinPath(dir, meteoName)));
            }
          } catch (const Error& e) {
            seriesFailure = e.what();
          }
          const int n = readings ? static_cast<int>(readings->readings.size()) : 0;
          CandidateJudgement j = judgeCandidates(dir, S, F, session.settings(), n);
          if (F == filters.front() || j.chosen) {
            judgement = std::move(j);
            series = std::move(readings);
            FF = F;
          }
          if (judgement.chosen) break;
        }
        choice.chosen.reset();
        choice.label = "ft";
        if (judgement.chosen) {
          const CandidateSummary& c = judgement.candidates[*judgement.chosen];
          model = c.model;
          choice.label = c.label;
          for (const ModelComponent& mc : model->extended.components) {
            if (mc.kind == ComponentKind::kStress && series) {
              model->stress = tubeStress(dir, overview, S, *series->weather);
            }
          }
          Vertex v;
          v.p = c.model.isExtended() ? Parameters{0,
                                                  0,
                                                  0,
                                                  c.model.extended.phi,
                                                  c.model.extended.c,
                                                  c.model.extended.sigma2}
                                     : c.model.standard;
          choice.chosen = v;
        } else {
          choice.refusal = "geen plausibele kandidaat:";
          for (const CandidateSummary& c : judgement.candidates) {
            choice.refusal += " " + c.label + " " + (c.reason.empty() ? "?" : c.reason) + ";";
          }
          choice.refusal.pop_back();
        }
      } else if (choice.chosen) {
        model = ChosenModel{choice.label, choice.chosen->p, {}};
      }
      if (choice.chosen) {
        inputs = buildSimulationInputs(session, overview, dates, S, FF, *choice.chosen);
      }
    } catch (const Error& e) {
      // A file that could not be read, or a tube that cannot be simulated:
      // the fixed line, then what the error says.
      removeSimulationInputs();
      messages.appendLog("Bestand " + name + " is leeg!");
      messages.appendLog(e.what());
      continue;
    }
    if (!inputs.warmUpNote.empty()) messages.appendLog(inputs.warmUpNote);

    const CalendarDate weatherFirst = series ? series->weather->first : CalendarDate{};
    try {
      if (choice.chosen) {
        writeSimulationInputs(dir, S, FF, inputs);
        const std::string line = model && model->isExtended()
                                     ? extendedValuesLine(S, *model, weatherFirst)
                                     : valuesLine(S, choice.label, choice.chosen->p);
        writeLines(joinPath(dir, S + ".err"),
                   {"Deze buis is succesvol gecalibreerd. Resultaten in " + S + ".sel"});
        std::vector<std::string> sel = {line};
        if (extended) {
          for (std::string& l : extendedSelLines(judgement, FF, series ? &weatherFirst : nullptr))
            sel.push_back(std::move(l));
        }
        writeLines(joinPath(dir, S + ".sel"), sel);
        modsel.write(line);
        if (model) model->filter = FF;
        if (model && series && !series->readings.empty()) {
          model->readingsFirst = series->readings.front().day;
          model->readingsLast = series->readings.back().day;
        }
        if (model && model->isExtended() && inProcess) inProcess->emplace(S, *model);
        if (model && series) {
          writeFitFile(dir, S, *model, *series);
          writeComponentFile(dir, S, *model, *series, session.settings().situation);
          int realisations = 0;
          parseInt(withoutBlanks(session.settings().realisations), realisations);
          writeSameYearsFile(dir, S, *model, *series, realisations);
        } else if (!seriesFailure.empty() && fileExists(joinPath(dir, S + ".met"))) {
          // The report then falls back on the pass from the calibration's
          // first day.
          messages.appendLog("Buis " + S + ": geen fit in evenwicht: " + seriesFailure);
        }
        ++chosen;
      } else {
        removeSimulationInputs();
        const std::string line =
            valuesLine(S, "ft", choice.lastRead ? choice.lastRead->p : Parameters{});
        writeLines(joinPath(dir, S + ".err"), {"Deze buis is niet succesvol gecalibreerd.",
                                               " Laatste calibratieresultaten:", line});
        std::vector<std::string> sel = {"Deze buis is niet succesvol gecalibreerd.",
                                        " Laatste calibratieresultaten in " + S + ".err"};
        if (extended) {
          for (std::string& l : extendedSelLines(judgement, FF)) sel.push_back(std::move(l));
        }
        writeLines(joinPath(dir, S + ".sel"), sel);
        foutbuis.write(line);
        // foutbuis.zft holds the values; the log says why they were refused.
        messages.appendLog("Buis " + S + ": geen plausibel model: " + choice.refusal + ".");
      }
    } catch (const Error& e) {
      // A file that could not be written: its own text says which.
      removeSimulationInputs();
      messages.appendLog(e.what());
    }
  }
  foutbuis.close();
  modsel.close();
  // Only filter 01 of a location goes on; the run loop tells each other
  // filter once, at the first stage that passes it over.
  return chosen;
}

}  // namespace phreatix
