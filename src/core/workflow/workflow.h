// The workflow of a session, the one entry both front ends drive: open the
// export ("Koppelen"), couple the meteo files (by hand in the coupling
// windows, or from a coupling file), check them, take the detail settings,
// start the pipeline or the repair, and close (packing, clean-up, fatal
// stop). The desktop's handlers and the command line's commands each call
// one of these and hold no sequence of their own.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "coupling/coupling.h"
#include "engine/engine_run.h"
#include "pipeline/pipeline.h"
#include "platform/directory_lock.h"
#include "postprocessing/karakt.h"
#include "results/tube_results.h"
#include "session/session.h"
#include "settings/field_checks.h"
#include "workflow/closing.h"

namespace phreatix {

// Checks the detail settings as the window's field checks do, plus what a
// run needs beyond them: a whole number of realisations, an end year not
// before the start year and a greatest response time above the least. The first refusal's message,
// or "" when all pass.
std::string checkWorkflowFields(const DetailFields& fields);

enum class WorkflowOutcome {
  kRefused,    // refused before the pipeline: a refused data file, incomplete
               // meteo files, settings; the reason is in mmLOG or a message box
  kNoModel,    // it ran, but no tube got a plausible model
  kCompleted,  // it ran and at least one tube got a model
};

// The head of the repair's refusal when calibrations did not finish.
inline constexpr const char* kUnfinishedRefusalHeading =
    "Repareren geweigerd: de calibraties van deze buizen zijn niet afgerond (de berekening is "
    "tijdens de calibratie afgebroken). Start de berekening opnieuw (\"Start "
    "calibratie>simulatie>trace>postprocessing\", phreatix-cli run).";

class Workflow {
 public:
  Workflow(Session& session, WorkflowPorts ports);

  Session& session() { return session_; }
  PipelineObserver& observer() { return ports_.observer; }
  // The coupling overview the coupling windows fill and the run loop walks.
  CouplingOverview& overview() { return overview_; }
  // The exports of the data set, as the read errors name them.
  const std::string& dataFiles() const { return dataFiles_; }

  // Opens one export, or several as one data set. False when refused; the
  // session is then as it was. The first open takes the working directory's
  // lock (kept until the close, a reset or the end of the workflow); a
  // directory another program holds is refused with a message naming it.
  bool open(const std::vector<std::string>& paths);
  // The front end took the lock itself, before it wrote anything (the
  // command line), and holds it for the workflow's whole life.
  void lockTakenByCaller() { lockTakenByCaller_ = true; }
  // "Koppelingen opnieuw instellen": back to opening a data set
  // (Session::reset); no data set is open, so the lock goes.
  void reset(ProgressView& progress);
  // The tubes of the data set, as the coupling offers them.
  std::vector<std::string> tubeList();
  // Couples every tube from a coupling file.
  void coupleFromFile(const std::string& couplingFile);
  // Whether every coupled meteo file covers the simulation period (writes
  // IncompleteMeteo.txt and tells the user when not).
  bool meteoComplete();
  // After a coupling or a change of the settings: the completeness check,
  // and the buttons it enables. True when complete.
  bool checkCoupling();
  // Takes the detail settings as the settings window holds them; false,
  // with a message, when they cannot be read.
  bool applySettings(const DetailFields& fields);

  // "Start calibratie>simulatie>trace>postprocessing". Refused first when the
  // coupling's stress files or the given components do not go with the model
  // (extendedInputsAccepted).
  WorkflowOutcome start();
  // The repair after a crash: the simulation phase on the calibrations in
  // the directory. The tubes already packed keep their archive and their
  // model (packedTubes); every other tube must have finished its
  // calibrations: where one did not, the repair is refused before it
  // changes anything, with kUnfinishedRefusalHeading and a line per tube
  // (unfinishedCalibrations). Refused like start for the stress files and
  // given components.
  WorkflowOutcome repair();
  // "Stoppen na deze buis", during a run.
  void requestStop() { session_.requestStop(); }
  // The results the last start or repair reported on (empty before).
  const DataSetResults& results() const { return results_; }
  // Writes rapport.html, overzicht.csv and overzicht.gpkg for what the
  // working directory holds; one line in mmLOG says what was written or why not.
  void writeReport();
  // Why the last report could not be written ("" when it was, or none was
  // asked): the run's results are all there, its report is not.
  const std::string& reportFailure() const { return reportFailure_; }
  // Closing: packing, clean-up and the fatal stop of a normal end; `packing`,
  // when given, gets which tubes were packed and which not. Without a data
  // set open the lock is taken for the packing; a directory another program
  // holds is not packed (the exit lines say why).
  [[noreturn]] void close(const ArchiverSettings& archiver = ArchiverSettings(),
                          PackResult* packing = nullptr);

 private:
  Pipeline pipeline();
  // The stress files of the coupling and the given components of the working
  // directory under the session's model (stressCouplingRefusals,
  // givenComponentRefusals): false after telling the user, in one refusal
  // box and in mmLOG, kStressRefusalHeading and every stress refusal, then
  // kGivenRefusalHeading and every refusal of componenten.txt (each heading
  // only where its list has one).
  bool extendedInputsAccepted();
  WorkflowOutcome outcome(const Pipeline& pipeline) const;
  // Takes the lock unless it is held; when another program holds it, tells
  // the user who (a refusal box and mmLOG) and returns that text, else "".
  std::string takeLock();

  Session& session_;
  WorkflowPorts ports_;
  CouplingOverview overview_;
  std::string dataFiles_;
  DataSetResults results_;
  std::string reportFailure_;
  DirectoryLock lock_;
  bool lockTakenByCaller_ = false;
  Engine engine_;
  // Some 150 MB of fixed capacities: made at the first pipeline.
  std::unique_ptr<Postprocessor> post_;
};

struct WorkflowInput {
  std::vector<std::string> dataFiles;  // one export, or several as one data set
  std::string couplingFile;
  DetailFields fields;           // the detail settings as the window would hold them
  int jobs = 1;                  // engine runs and post-processings at once
  bool moreTubesFollow = false;  // a cluster task before the study's last
};

enum class WorkflowMode {
  kPipeline,  // the four calibrations, then the simulation phase
  kRepair,    // the simulation phase alone, on the calibrations in the directory
};

// The whole main job without windows, as the command line runs it: activate,
// open, couple from the file, take the settings, check the meteo files, run.
// The coupling and other unrecoverable input errors end in the fatal stop.
WorkflowOutcome runWorkflow(Workflow& workflow, const WorkflowInput& input,
                            WorkflowMode mode = WorkflowMode::kPipeline);

}  // namespace phreatix
