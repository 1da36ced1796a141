// The engine's top level: one run takes zeftal0.par and its two data files,
// calibrates, predicts or simulates, writes its trace and results files and,
// when it finished without error, the success marker (the first eight
// characters of the trace file name + ".ok"). Every error raised during the
// run is caught here and becomes the run's message text; no error leaves
// the run.
//
// The Engine keeps its series, step table and buffers from run to run, so
// that a data set of hundreds of tubes allocates them once.
#pragma once

#include <string>
#include <vector>

#include "engine/engine_files.h"
#include "engine/engine_view.h"
#include "engine/kalman_filter.h"
#include "engine/simulation.h"
#include "report/messages.h"
#include "text/fixed_writer.h"

namespace phreatix {

inline constexpr const char* kEngineErrorHelpTopic = "PHREATIX._CR001";
inline constexpr const char* kUnknownErrorMessage = "Onbekende fout";

// The marker a run with this trace file writes: its first eight characters
// (all of it when shorter) + ".ok".
std::string markerName(const std::string& traceFile);

class Engine {
 public:
  Engine(EngineView& view, Messages& messages);

  // One run in `workingDir`. `caption` names the run (the engine window's
  // caption; it starts the shortening line in mmLOG); `maxIter` is the
  // iteration limit of the calibration. True when the marker was written;
  // message() then holds "" or the note of a calibration that reached its
  // iteration limit, and otherwise the error's message.
  bool run(const std::string& workingDir, const std::string& caption, int maxIter);
  // The same run with zeftal0.par read from, and the marker written to,
  // `parameterDir` (a worker's scratch directory); the data files and the
  // results and trace files are those of `workingDir`.
  bool run(const std::string& workingDir, const std::string& parameterDir,
           const std::string& caption, int maxIter);
  const std::string& message() const { return message_; }
  // The name of the marker the last run wrote, or would have written.
  const std::string& marker() const { return marker_; }

 private:
  void work(const std::string& workingDir, const std::string& parameterDir,
            const std::string& caption, int maxIter);
  void closeOutputs() noexcept;
  void stop();

  EngineView& view_;
  Messages& messages_;
  EngineInput input_;
  StepTable steps_;
  RandomSource random_;
  std::vector<double> deterministic_;
  FixedWriter trace_;
  FixedWriter results_;
  bool filesOpen_ = false;
  std::string message_;
  std::string marker_;
};

}  // namespace phreatix
