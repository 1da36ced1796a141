#include "engine/engine_run.h"

#include "engine/responses.h"
#include "engine/simplex.h"
#include "error.h"
#include "platform/files.h"
#include "text/number_text.h"

namespace phreatix {

namespace {

constexpr int kTraceRow = 2;
constexpr int kResultsRow = 3;

void writePredictResults(FixedWriter& out, const Parameters& p, const PassResult& r) {
  for (double v : p) out.real(v, 15, 6);
  out.real(r.L, 15, 5);
  out.real(r.S, 15, 5);
  out.real(r.objective, 15, 5);
  out.endLine();
  out.real(r.ME, 12, 6);
  out.real(r.RMSE, 12, 6);
  out.real(r.MAE, 12, 6);
  out.endLine();
}

}  // namespace

std::string markerName(const std::string& traceFile) { return traceFile.substr(0, 8) + ".ok"; }

Engine::Engine(EngineView& view, Messages& messages) : view_(view), messages_(messages) {
  input_.measurements.reserve(MAXDAT);
  input_.surplus.reserve(MAXDAT + 1);
  deterministic_.reserve(MAXDAT + 1);
}

bool Engine::run(const std::string& workingDir, const std::string& caption, int maxIter) {
  return run(workingDir, workingDir, caption, maxIter);
}

bool Engine::run(const std::string& workingDir, const std::string& parameterDir,
                 const std::string& caption, int maxIter) {
  view_.setBusy(true);
  view_.setGereed(kGereedCaption, false);
  random_.reset();
  view_.clearRuntime();
  view_.repaint();
  message_.clear();
  marker_.clear();
  bool markerWritten = false;
  try {
    work(workingDir, parameterDir, caption, maxIter);
    markerWritten = true;
  } catch (const std::exception& e) {
    view_.showHelpTopic(kEngineErrorHelpTopic);
    closeOutputs();
    message_ = e.what();
    if (message_.empty()) message_ = kUnknownErrorMessage;
  } catch (...) {
    closeOutputs();
    message_ = kUnknownErrorMessage;
  }
  stop();
  return markerWritten;
}

void Engine::work(const std::string& workingDir, const std::string& parameterDir,
                  const std::string& caption, int maxIter) {
  filesOpen_ = false;
  readEngineInput(workingDir, parameterDir, caption, input_, view_, messages_);
  filesOpen_ = true;
  RunSettings& s = input_.settings;
  marker_ = markerName(s.traceFile);

  results_.open(workingFile(workingDir, s.resultsFile, kParameterFileName));
  view_.setGridStatus(kResultsRow, "File opened");
  trace_.open(workingFile(workingDir, s.traceFile, kParameterFileName));
  view_.setGridStatus(kTraceRow, "File opened");

  correctInitialValues(s.initial, parameterTable(s.response), view_);
  steps_.build(input_);
  std::string note;
  switch (s.effectiveMode()) {
    case EngineMode::kPredict: {
      KalmanFilter filter(input_, steps_);
      PassResult r = filter.pass(s.initial, &trace_);
      writePredictResults(results_, s.initial, r);
      break;
    }
    case EngineMode::kSimulate:
      simulate(input_, steps_, random_, deterministic_, trace_, results_, view_);
      break;
    case EngineMode::kCalibrate: {
      KalmanFilter filter(input_, steps_);
      note = calibrate(input_, filter, trace_, results_, view_, maxIter);
      break;
    }
  }

  results_.close();
  view_.setGridStatus(kResultsRow, "File closed");
  trace_.close();
  view_.setGridStatus(kTraceRow, "File closed");

  FixedWriter marker;
  marker.open(joinPath(parameterDir, marker_));
  marker.line(marker_);
  marker.close();
  message_ = note;
}

void Engine::closeOutputs() noexcept {
  if (!filesOpen_) return;
  // What was written before the error stays; a failing close changes nothing
  // more about a run that has already failed.
  if (results_.isOpen()) {
    try {
      results_.close();
    } catch (...) {
    }
    view_.setGridStatus(kResultsRow, "File closed");
  }
  if (trace_.isOpen()) {
    try {
      trace_.close();
    } catch (...) {
    }
    view_.setGridStatus(kTraceRow, "File closed");
  }
}

void Engine::stop() {
  view_.setBusy(false);
  view_.setGereed(message_.empty() ? kGereedCaption : kStoppedCaption, true);
  view_.repaint();
}

}  // namespace phreatix
