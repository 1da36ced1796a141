#include "pipeline/stage_parameters.h"

#include <optional>
#include <string>
#include <vector>

#include "engine/responses.h"
#include "error.h"
#include "files/parameter_lines.h"
#include "files/vertex_file.h"
#include "platform/files.h"
#include "text/number_text.h"

namespace phreatix {

namespace {

// One preparation: the vertex files it reads and the lines it puts into its
// copy of S.q01.
struct Preparation {
  const char* pattern;  // the vertex files of the stage before
  VertexColumns columns;
  const char* traceExt;    // line 3: the Kalman filter results of the run
  const char* resultsExt;  // line 4: the vertex file the run writes
  const char* outExt;      // the parameter file made
  // Line 6 after c: the s calibration starts sigma2 afresh at 20.0, the d+s
  // calibration from the vertex's own sigma2.
  bool sigma2FromVertex;
  // Line 7, the calibration flags of the stage.
  CalibrationStage stage;
};

constexpr Preparation kStochastic = {.pattern = "*.b01",
                                     .columns = kColumnsB,
                                     .traceExt = ".y01",
                                     .resultsExt = ".c01",
                                     .outExt = ".r01",
                                     .sigma2FromVertex = false,
                                     .stage = CalibrationStage::kStochastic};
constexpr Preparation kRecalibration = {.pattern = "*.c01",
                                        .columns = kColumnsC,
                                        .traceExt = ".z01",
                                        .resultsExt = ".d01",
                                        .outExt = ".s01",
                                        .sigma2FromVertex = true,
                                        .stage = CalibrationStage::kRecalibration};

// The lines of S.q01 that the preparations replace end with line 8.
constexpr std::size_t kTemplateLines = 8;

void prepare(const Preparation& prep, const std::string& dir, Messages& messages) {
  for (const std::string& name : listFiles(dir, prep.pattern)) {
    const std::string S = name.substr(0, name.find('.'));
    TubeLines tubeLines(messages, S);
    const std::string out = joinPath(dir, S + prep.outExt);
    std::optional<Vertex> best;
    try {
      best = bestVertex(readVertexFile(joinPath(dir, name), prep.columns));
    } catch (const Error& e) {
      messages.appendLog("Bestand " + name + " is leeg!");
      messages.appendLog(e.what());
      removeFile(out);
      continue;
    }
    try {
      const std::string templatePath = joinPath(dir, S + ".q01");
      std::vector<std::string> lines = readParameterFileLines(templatePath);
      if (lines.size() < kTemplateLines) {
        throw Error(ErrorKind::kRead, templatePath + ": minder dan " +
                                          formatInt(static_cast<long long>(kTemplateLines)) +
                                          " regels");
      }
      if (!best) {
        // No vertex to start from: the run loop reports the tube.
        removeFile(out);
        continue;
      }
      const Parameters& p = best->p;
      lines[2] = S + prep.traceExt;
      lines[3] = S + prep.resultsExt;
      lines[5] = parameterLine(p, prep.sigma2FromVertex ? sigma2Text(p) : " 20.0");
      lines[6] = flagLine(kParameterTableOf<ExponentialResponse>, prep.stage);
      lines[7] = formatReal(p[4], 10, 5);  // the initial level: c
      writeLines(out, lines);
    } catch (const Error& e) {
      messages.appendLog(e.what());
      removeFile(out);
    }
  }
}

}  // namespace

void prepareStochastic(const std::string& workingDir, Messages& messages) {
  prepare(kStochastic, workingDir, messages);
}

void prepareRecalibration(const std::string& workingDir, Messages& messages) {
  prepare(kRecalibration, workingDir, messages);
}

}  // namespace phreatix
