#include "pipeline/model_selection.h"

#include <optional>

#include "error.h"
#include "input/tube_file.h"
#include "pipeline/simulation_inputs.h"
#include "platform/files.h"
#include "text/number_text.h"

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

int selectModels(Session& session, const CouplingOverview& overview, const DayDates& dates) {
  const std::string& dir = session.workingDir();
  Messages& messages = session.messages();
  int chosen = 0;
  LineWriter foutbuis(joinPath(dir, kFoutbuisName));
  LineWriter modsel(joinPath(dir, kModselName));
  for (const std::string& name : listFiles(dir, "*.01")) {
    const std::string S = name.substr(0, 8);
    const std::string FF = normaliseFilter(name.size() > 10 ? name.substr(10, 2) : "");
    TubeLines tubeLines(messages, S);
    // A stale simulation input must not be run in place of this tube's.
    auto removeSimulationInputs = [&] {
      for (const char* ext : {".t01", ".std", ".inp"}) removeFile(joinPath(dir, S + ext));
    };

    Choice choice;
    SimulationInputs inputs;
    try {
      choice = choose(dir, S, session.settings());
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

    try {
      if (choice.chosen) {
        writeSimulationInputs(dir, S, FF, inputs);
        const std::string line = valuesLine(S, choice.label, choice.chosen->p);
        writeLines(joinPath(dir, S + ".err"),
                   {"Deze buis is succesvol gecalibreerd. Resultaten in " + S + ".sel"});
        writeLines(joinPath(dir, S + ".sel"), {line});
        modsel.write(line);
        ++chosen;
      } else {
        removeSimulationInputs();
        const std::string line =
            valuesLine(S, "ft", choice.lastRead ? choice.lastRead->p : Parameters{});
        writeLines(joinPath(dir, S + ".err"), {"Deze buis is niet succesvol gecalibreerd.",
                                               " Laatste calibratieresultaten:", line});
        writeLines(joinPath(dir, S + ".sel"), {"Deze buis is niet succesvol gecalibreerd.",
                                               " Laatste calibratieresultaten in " + S + ".err"});
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
