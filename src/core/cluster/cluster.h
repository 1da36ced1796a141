// A study run as tasks on a cluster: the data set of a study directory cut
// into tasks of whole locations, each task a working directory of its own
// under taken/ with the part of every export that holds its locations, the
// coupling lines of those locations and the meteo and stress files they
// name, kron.txt, the lines of its locations in the study's componenten.txt
// and the run command (run.sh); a Slurm job array over the tasks; the judgement of a
// task from its own files; the merge of the finished tasks back into the
// study directory.
//
// The tasks keep the data set's order of locations, so that the study's
// modsel.zft and foutbuis.zft are the tasks' files one after the other.
// Every task but the last runs with --more-tubes-follow: the data set's last
// tube is written as the last one only where it is the study's last.
//
// Entry points: prepareStudy (with checkClusterRequest before it),
// readClusterPlan, writeTaskInputs, judgeTask, mergeTasks.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "report/messages.h"
#include "report/ports.h"
#include "results/tube_results.h"
#include "settings/session_settings.h"

namespace phreatix {

class Session;

inline constexpr const char* kTasksFolder = "taken";
inline constexpr const char* kStudyFileName = "studie.txt";
inline constexpr const char* kBatchScriptName = "phreatix.sbatch";
inline constexpr const char* kTaskScriptName = "run.sh";
// The tags of a task's message lines (the phase and tube of every line of
// its Phreatix.log), so that the merge can put every phase's lines of all
// tasks together as one run over the whole study writes them.
inline constexpr const char* kPhaseFileName = "fasen.txt";
// The lists of the study's own opening, written by prepare.
inline constexpr const char* kOpeningLogName = "opening.log";

// A run's phases and the tags of its lines, list by list as Phreatix.log
// holds them: mmLOG, mmBUIS, mmSTOPEXIT. One tag per line of the log: a
// line appended with line breaks in it is as many lines there, each with
// the tag of the whole.
struct RunTags {
  std::vector<std::string> phases;
  std::array<std::vector<LineTag>, 3> lists;
};
RunTags runTags(const Messages& messages);

// The phase file, written by a task's run (--phase-file) and read by the
// merge. Its lines, in order:
//   fase NAME            a phase of the run begins
//   LIST COUNT [TUBE]    the next COUNT lines of list LIST (log, buis or
//                        stopexit) are the phase's and are about tube TUBE,
//                        the rest of the line; without TUBE about the data
//                        set as a whole
// Lines appended before the first phase come before the first "fase" line.
// Within a phase the runs of each list follow that list's lines in order.
void writePhaseFile(const std::string& path, const RunTags& tags);
// Nothing when the file is not there or not whole; `fault`, when given,
// then says why, naming the file and the line.
std::optional<RunTags> readPhaseFile(const std::string& path, std::string* fault = nullptr);

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
  std::string program;  // phreatix-cli, absolute
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
// could not be made, DirectoryBusy (before anything is removed) while a
// run holds the folder of an earlier task.
void prepareCluster(const std::string& studyDir, const ClusterPlan& plan);

// What cluster prepare is asked.
struct ClusterRequest {
  std::string studyDir;                // absolute
  std::vector<std::string> dataFiles;  // names in the study directory
  std::string couplingFile;            // name in the study directory
  std::vector<std::string> options;    // the run's settings options, as typed
  int tubesPerTask = 50;
  int cpusPerTask = 1;
  std::string program;  // the program the tasks run, absolute
  // The tasks' model family (--model among the options): whether the
  // study's componenten.txt may be there.
  ModelFamily model = ModelFamily::kStandaard;
};

// Raises an Error naming the coupling file or the first export that is not
// a file directly in the study directory ("--data NAME: geen bestand in
// DIR"), or giving what a run would refuse about the study's given
// components (givenComponentRefusals, one a line), before anything is
// opened or written.
void checkClusterRequest(const ClusterRequest& request);

// The prepare sequence in `session`, the study directory's: the exports
// opened as one data set, cut into tasks, the tasks written
// (prepareCluster) and the study's own opening kept for the merged log
// (taken/opening.log). Nothing when the data set was refused (the message
// box said why); a plan without tasks, and nothing written, when the data
// set holds no tube.
std::optional<ClusterPlan> prepareStudy(const ClusterRequest& request, Session& session,
                                        ProgressView& progress, MessageBox& box);
ClusterPlan readClusterPlan(const std::string& studyDir);

// Empties the task's directory and writes its inputs and run.sh anew;
// refuses an export none of whose lines begins with a location code, and
// (DirectoryBusy) a task whose run still holds its folder.
void writeTaskInputs(const std::string& studyDir, const ClusterPlan& plan, std::size_t task);

// The batch script of the job array over every task (sbatch --array on the
// command line narrows it).
std::string batchScript(const std::string& studyDir, const ClusterPlan& plan);
// The --array value for the tasks of `indices` (1-based, ascending):
// "1-3,5,7-8".
std::string arrayRanges(const std::vector<std::size_t>& indices);

// kBusy: a run holds the task's folder (its .phreatix-lock), here or on
// another host; nothing of it is judged, emptied or merged meanwhile.
enum class TaskState { kFinished, kFailed, kMissing, kBusy };

struct TaskStatus {
  TaskState state = TaskState::kMissing;
  std::string reason;  // what is missing or incomplete; empty when finished
};

// Judged from the task's own files: finished when Phreatix.log is complete,
// fasen.txt tags every line of it, modsel.zft and foutbuis.zft read as
// values lines and name every location of the task but those the
// calibration left out (S.nFF) and, under "standaard", those without a
// filter 01 that were calibrated in another (S.02, ...; only filter 01 goes
// on to the selection, as in a run of the whole data set), and, where the
// tasks pack, zipinhoud.txt records the zip of each modelled location and
// of every zip in the folder, and every zip it records holds its members
// whole, of the size and CRC-32 recorded; missing when the directory holds
// nothing but its inputs; failed otherwise, with the first fault found.
TaskStatus judgeTask(const std::string& studyDir, const ClusterPlan& plan, std::size_t task);

// What the merge wrote, and what it could not: each entry names the file
// and why (a report that could not be written, a log not put together
// phase by phase); nothing was lost of the tasks' results then.
struct MergeOutcome {
  DataSetResults results;              // what the report read
  std::vector<std::string> unwritten;  // empty when everything was written
};

// Gathers the finished tasks into the study directory: the tubes' zips,
// zipinhoud.txt (the tasks' records in task order), modsel.zft and
// foutbuis.zft (in the order of one run over the whole study: the model
// selection's, by location code, whatever the order of the export) and
// Phreatix.log, then the report over all tubes. The log is put together
// phase by phase from the tags in the tasks' phase files, never from the
// wording of a line: the study's own opening, per phase the lines about
// tubes of every task in the order one run takes the tubes in that phase
// (the data set's, or by location code where the run lists its files: the
// s and d+s inputs, the selection, the post-processing, the packing) and
// the lines about the data set as a whole once, the merge's own report
// line, and the verdict that no tube got a model only where no task chose
// one (that of a task whose foutbuis.zft holds a line, when one does).
// Where the tasks went through other phases, each task's lists follow one
// another, with a line that says so (and an entry in `unwritten`).
// Raises an Error naming every task that has not finished, and why; nothing
// is written then. A zip, modsel.zft or foutbuis.zft that cannot be written
// raises an I/O error naming it; zipinhoud.txt, the report and
// Phreatix.log that cannot be written are entries in `unwritten`.
MergeOutcome mergeTasks(const std::string& studyDir, const ClusterPlan& plan, int workers = 1);

}  // namespace phreatix
