// The pipeline of a session: the four calibration stages (ds, d, s, d+s)
// over every tube of the coupling overview, the model selection, the
// simulation, the deterministic trace and the post-processing batch.
//
// Stages exchange nothing but files in the working directory, named after
// the tube's stem S and filter FF: S.FF measurements, S.met meteo, S.pFF ..
// S.s01 parameter files, S.wFF .. S.d01 engine results, S.sel/S.err the
// selection, S.t01, S.std, S.01s, S.sim, S.inp the simulation inputs.
//
// Entry points: Pipeline::start (the whole pipeline) and
// Pipeline::simulationPhase (also the repair), with the steps as members so
// that each can be run and tested on its own.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "coupling/coupling.h"
#include "engine/engine_run.h"
#include "postprocessing/karakt.h"
#include "session/session.h"

namespace phreatix {

// The placeholder tube whose files the first flush writes (the clean-up
// deletes them).
inline constexpr const char* kPlaceholderStem = "00AAA0000";
inline constexpr const char* kPlaceholderFilter = "00";
// Measurement lines one tube may hold: a reading a day over the whole
// calendar 1948..2047.
inline constexpr int kMaxTubeMeasurements = 36525;
inline constexpr const char* kModselName = "modsel.zft";
inline constexpr const char* kFoutbuisName = "foutbuis.zft";
inline constexpr const char* kTempMeteoName = "tempmeteo.txt";

// What the pipeline tells its front end besides the message lists.
class PipelineObserver {
 public:
  virtual ~PipelineObserver() = default;
  virtual void showHelpTopic(const std::string& /*topic*/) {}
  // The stage flags changed: the progress schema is drawn anew.
  virtual void stageChanged() {}
  // The session's controls changed (a pipeline begins, a coupling was
  // checked): the front end shows them.
  virtual void controlsChanged() {}
  // One engine run: its stage ("ds", "d", "s", "d+s", "simulatie",
  // "trace"), the tube's stem and the run's wall time.
  virtual void engineRunFinished(const std::string& /*stage*/, const std::string& /*stem*/,
                                 double /*seconds*/) {}
};

// The front end's views of a workflow and its pipeline.
struct WorkflowPorts {
  ProgressView& main;
  MessageBox& messageBox;
  EngineView& engineView;
  PostView& postView;
  PipelineObserver& observer;
};

// One vertex of a calibration: the parameters in natural order (delta,
// omega0, omega1, phi, c, sigma2) and its objective.
struct Vertex {
  Parameters p{};
  double objective = 0;
};

// The columns of a vertex file, per parameter in natural order (1-based).
using VertexColumns = std::array<int, kModelParameters>;
inline constexpr VertexColumns kColumnsAD = {1, 2, 6, 3, 4, 5};  // S.a01, S.d01
inline constexpr VertexColumns kColumnsB = {1, 2, 4, 5, 3, 6};   // S.b01
inline constexpr VertexColumns kColumnsC = {3, 4, 5, 1, 6, 2};   // S.c01

struct VertexFile {
  std::vector<Vertex> vertices;  // the lines after the head, the last line left out
};
// Reads a vertex file; an error when it has fewer than three lines or a
// number cannot be read.
VertexFile readVertexFile(const std::string& path, const VertexColumns& columns);
// The vertex with the smallest objective below 999999 (the first on ties).
std::optional<Vertex> bestVertex(const VertexFile& file);

// The values line of modsel.zft, foutbuis.zft and S.sel.
std::string valuesLine(const std::string& stem, const std::string& label, const Parameters& p);

class Pipeline {
 public:
  // `dataFiles` names the exports in the read errors of the records.
  Pipeline(Session& session, const CouplingOverview& overview, const std::string& dataFiles,
           Engine& engine, Postprocessor& post, const WorkflowPorts& ports);

  // The whole pipeline. Refused, with a message, while the settings give
  // fewer than one simulated year. True when it ran.
  bool start();
  // Model selection, simulation, trace and post-processing batch.
  void simulationPhase();

  // The steps.
  void writeCalibrationInputs();  // stage ds or d, by the stage flags
  void prepareStochastic();       // s: S.r01 from the best vertex of S.b01
  void prepareRecalibration();    // d+s: S.s01 from the best vertex of S.c01
  void runLoop();
  void selectModels();
  // Tubes the last model selection gave a model (a line in modsel.zft).
  int modelsChosen() const { return modelsChosen_; }

 private:
  struct LeftOut;
  struct TubeData;
  // The first and last day of a meteo file that kron.txt numbers (0 when
  // the file is unreadable or has none), and their dates.
  struct MeteoSpan {
    int first = 0, last = 0;
    CalendarDate firstDate, lastDate;
  };
  const MeteoSpan& meteoSpan(const std::string& meteoName);
  void flush(TubeData& tube, bool last);
  void extractCalibrationMeteo(const std::string& meteoName, const std::string& stem, int firstDay,
                               int lastDay);
  // Writes S.sim, S.FFs, S.tFF, S.std and S.inp; an error when the tube
  // cannot be simulated.
  void writeSimulationInputs(const std::string& stem, const std::string& filter,
                             const Vertex& vertex);
  void prepareFrom(const char* pattern, const VertexColumns& columns, const char* traceExt,
                   const char* resultsExt, const char* outExt, bool recalibration);
  int dayNumber(int day, int month, int year) const;
  std::string path(const std::string& name) const;
  void setFlag(bool StageFlags::*flag, bool value);

  void removeStaleOutputs(const std::string& S, bool simulation);

  Session& session_;
  const CouplingOverview& overview_;
  std::string dataFilePath_;
  Engine& engine_;
  EngineView& engineView_;
  Postprocessor& post_;
  PostView& postView_;
  ProgressView& main_;
  MessageBox& messageBox_;
  PipelineObserver& observer_;
  // Day number -> date (the last one found scanning the table by day, month,
  // year), for the calibration meteo extraction.
  std::unordered_map<int, std::array<int, 3>> dates_;
  // Per stem: the first and last measurement day over all its filters.
  std::unordered_map<std::string, std::pair<int, int>> stemDays_;
  int modelsChosen_ = 0;
  // Per coupled meteo file, read once a pipeline.
  std::unordered_map<std::string, MeteoSpan> meteoSpans_;
};

}  // namespace phreatix
