// A study run as tasks on a cluster: the data set of a study directory cut
// into tasks of whole locations, each task a working directory of its own
// under taken/ with the part of every export that holds its locations, the
// coupling lines and meteo files of those locations, kron.txt and the run
// command (run.sh); a Slurm job array over the tasks; the judgement of a
// task from its own files; the merge of the finished tasks back into the
// study directory.
//
// The tasks keep the data set's order of locations, so that the study's
// modsel.zft and foutbuis.zft are the tasks' files one after the other.
// Every task but the last runs with --more-tubes-follow: the data set's last
// tube is written as the last one only where it is the study's last.
//
// Entry points: prepareCluster, readClusterPlan, writeTaskInputs,
// judgeTask, mergeTasks.
#pragma once

#include <string>
#include <vector>

#include "results/tube_results.h"

namespace phreatix {

inline constexpr const char* kTasksFolder = "taken";
inline constexpr const char* kStudyFileName = "studie.txt";
inline constexpr const char* kBatchScriptName = "phreatix.sbatch";
inline constexpr const char* kTaskScriptName = "run.sh";
// Where each phase of a task's run begins in its three message lists, so
// that the merge can put every phase's lines of all tasks together as one
// run over the whole study writes them.
inline constexpr const char* kPhaseFileName = "fasen.txt";
// The lists of the study's own opening, written by prepare.
inline constexpr const char* kOpeningLogName = "opening.log";

struct PhaseMark {
  std::string phase;
  std::size_t log = 0, buis = 0, stopExit = 0;  // lines in each list before the phase
};
void writePhaseMarks(const std::string& path, const std::vector<PhaseMark>& marks);
// Empty when the file is not there or not whole.
std::vector<PhaseMark> readPhaseMarks(const std::string& path);

struct ClusterTask {
  std::string name;                    // taak001, ...
  std::vector<std::string> locations;  // in the data set's order
  int tubes = 0;                       // location-filter pairs
};

struct ClusterPlan {
  std::vector<std::string> dataFiles;  // names in the study directory
  std::string couplingFile;            // name in the study directory
  std::vector<std::string> options;    // the run's settings options, as typed
  int cpusPerTask = 1;
  std::string program;                 // phreatix-cli, absolute
  std::vector<ClusterTask> tasks;
};

// The locations of the data set (the internal tube file) in order, with
// their number of filters.
std::vector<std::pair<std::string, int>> dataSetLocations(const std::vector<std::string>& dataSet);

// Cuts the locations into tasks of about `tubesPerTask` tubes: a task is
// closed once it holds that many, never within a location.
std::vector<ClusterTask> planTasks(const std::vector<std::pair<std::string, int>>& locations,
                                   int tubesPerTask);

// The export lines of one task: every line whose first field names a
// location of `all` but not of `kept` is left out. False when no line of a
// kept location is in the file (the task does without it).
bool taskExportLines(const std::vector<std::string>& lines, const std::vector<std::string>& all,
                     const std::vector<std::string>& kept, std::vector<std::string>& out);

// Writes taken/studie.txt, every task's directory and the batch script
// (phreatix.sbatch) into `studyDir`. Raises an Error naming the file that
// could not be made.
void prepareCluster(const std::string& studyDir, const ClusterPlan& plan);
ClusterPlan readClusterPlan(const std::string& studyDir);

// Empties the task's directory and writes its inputs and run.sh anew;
// refuses an export none of whose lines begins with a location code.
void writeTaskInputs(const std::string& studyDir, const ClusterPlan& plan, std::size_t task);

// The batch script of the job array over every task (sbatch --array on the
// command line narrows it).
std::string batchScript(const std::string& studyDir, const ClusterPlan& plan);
// The --array value for the tasks of `indices` (1-based, ascending):
// "1-3,5,7-8".
std::string arrayRanges(const std::vector<std::size_t>& indices);

enum class TaskState { kFinished, kFailed, kMissing };

struct TaskStatus {
  TaskState state = TaskState::kMissing;
  std::string reason;  // what is missing or incomplete; empty when finished
};

// Judged from the task's own files: finished when Phreatix.log is complete
// and modsel.zft and foutbuis.zft name every location of the task (and each
// modelled location has its zip, unless nothing was packed); missing when
// the directory holds nothing but its inputs; failed otherwise.
TaskStatus judgeTask(const std::string& studyDir, const ClusterPlan& plan, std::size_t task);

// Gathers the finished tasks into the study directory: the tubes' zips,
// modsel.zft and foutbuis.zft (the tasks' lines in task order) and
// Phreatix.log, then the report over all tubes; returns what the report
// read. The log is put together phase by phase from the tasks' phase marks:
// the study's own opening, each phase's lines of every task in task order,
// the lines about the data set as a whole once. Where a task has no marks,
// each task's lists follow one another. Raises an Error
// naming every task that has not finished; nothing is written then.
DataSetResults mergeTasks(const std::string& studyDir, const ClusterPlan& plan, int workers = 1);

}  // namespace phreatix
