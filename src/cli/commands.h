// The commands of phreatix-cli, each given its arguments as main.cpp parsed
// them, and the exit status they end with.
#pragma once

#include <string>
#include <vector>

#include "coupling/knmi_meteo.h"
#include "workflow/workflow.h"

namespace phreatix::cli {

enum class ExitStatus {
  kOk = 0,          // a normal end
  kRefused = 1,     // the command could not do its work: a refused file, wrong
                    // arguments, no tube got a plausible model
  kInputError = 2,  // a fatal stop caused by an input error (no kron.txt, a data
                    // set relative to NAP, ...); the exit lines went to stderr
  kBusy = 3,        // "bezig": another program holds the directory's lock; nothing
                    // was done, the holder is named on stderr
  kIncomplete = 4,  // the work is done and nothing is lost, but the report or the
                    // packing of a tube failed (the reason on stderr): the files
                    // stay where they were
};

inline int exitCode(ExitStatus status) { return static_cast<int>(status); }

struct RunArguments {
  WorkflowInput input;  // the fields checked (checkWorkflowFields)
  std::string workDir;  // "" for the current directory
  WorkflowMode mode = WorkflowMode::kPipeline;
  bool pack = true;
  int jobs = 1;           // engine runs, post-processings and archivers at once; at least 1
  std::string phaseFile;  // the phase and tube of every message line ("" for none)
};

struct ClusterArguments {
  std::string dir;                   // the study directory
  WorkflowInput input;               // names of the exports and coupling file in it
  std::vector<std::string> options;  // the run's settings options, as typed
  int tubesPerTask = 50;
  int cpusPerTask = 1;
};

struct SplitArguments {
  std::string file;
  std::string megabytes;  // as typed: the splitter checks its domain
  std::vector<std::string> removeCodes;
};

struct MeteoArguments {
  std::string knmiFile;
  std::string evaporationFile;  // "" for EV24 of the KNMI file
  std::string out;
  KnmiPeriod period;
};

// Session command: opens the exports as one data set in the current directory.
ExitStatus commandOpen(const std::vector<std::string>& files);
ExitStatus commandKron(bool force);
// rapport.html, overzicht.csv and overzicht.gpkg for a finished working
// directory (DIR, default the current one), packed or not; prints the table.
ExitStatus commandReport(const std::string& dir);
ExitStatus commandEngine(int maxIter);
ExitStatus commandPost();
ExitStatus commandRun(const RunArguments& arguments);
// `dir` "" for a new folder phreatix-demo (phreatix-demo-2, ... when taken);
// `jobs` engine runs, post-processings and archivers at once; `fields` the
// settings, checked (checkWorkflowFields).
ExitStatus commandDemo(const std::string& dir, bool pack, int jobs, const DetailFields& fields);
ExitStatus commandSplit(const SplitArguments& arguments);
// A study on a Slurm cluster: tasks of whole locations under DIR/taken.
ExitStatus commandClusterPrepare(const ClusterArguments& arguments);
// sbatch of the job array; with `onlyFailed` only the tasks that have not
// finished, each from its prepared inputs again.
ExitStatus commandClusterSubmit(const std::string& dir, bool onlyFailed);
// Which tasks finished, failed or are missing; exit 0 when all finished.
ExitStatus commandClusterStatus(const std::string& dir);
ExitStatus commandClusterMerge(const std::string& dir);
ExitStatus commandMeteo(const MeteoArguments& arguments);

}  // namespace phreatix::cli
