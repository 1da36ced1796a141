#include "cluster/cluster.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string_view>

#include "coupling/coupling.h"
#include "coupling/given_components.h"
#include "error.h"
#include "files/not_calibrated.h"
#include "files/values_lines.h"
#include "files/zip_contents.h"
#include "input/tube_file.h"
#include "pipeline/model_selection.h"
#include "platform/directory_lock.h"
#include "platform/files.h"
#include "report/messages.h"
#include "results/report_files.h"
#include "results/zip_check.h"
#include "session/session.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

namespace {

constexpr const char* kInputsListName = "invoer.txt";
constexpr const char* kKronName = "kron.txt";

std::string tasksDir(const std::string& studyDir) { return joinPath(studyDir, kTasksFolder); }

std::string taskDir(const std::string& studyDir, const ClusterTask& task) {
  return joinPath(tasksDir(studyDir), task.name);
}

// The words of a coupling line: separated by blanks, commas and semicolons.
std::vector<std::string> couplingWords(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  for (char c : line) {
    if (c == ' ' || c == '\t' || c == ',' || c == ';' || c == '\r') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

// The first field of an export line, without blanks and quotes around it.
std::string_view firstField(std::string_view line) {
  std::string_view field = line.substr(0, line.find_first_of(",;"));
  while (!field.empty() && (field.front() == ' ' || field.front() == '"')) field.remove_prefix(1);
  while (!field.empty() && (field.back() == ' ' || field.back() == '"' || field.back() == '\r')) {
    field.remove_suffix(1);
  }
  return field;
}

// A word for /bin/sh, in single quotes.
std::string shellWord(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// A file put into a task: a hard link where the drive allows it, a copy
// otherwise. False when the source is not there.
bool placeFile(const std::string& from, const std::string& to) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(from, ec)) return false;
  std::filesystem::remove(to, ec);
  std::filesystem::create_hard_link(from, to, ec);
  if (!ec) return true;
  if (!copyFile(from, to)) throw Error(ErrorKind::kIo, to + ": niet te schrijven");
  return true;
}

std::set<std::string> wordSet(const std::vector<std::string>& words) {
  return std::set<std::string>(words.begin(), words.end());
}

std::vector<std::string> allLocations(const ClusterPlan& plan) {
  std::vector<std::string> all;
  for (const ClusterTask& task : plan.tasks) {
    all.insert(all.end(), task.locations.begin(), task.locations.end());
  }
  return all;
}

// The three lists of a session log (Phreatix.log): before the first marker,
// between the markers, after the end marker.
std::array<std::vector<std::string>, 3> logLists(const std::string& path) {
  std::array<std::vector<std::string>, 3> lists;
  int part = 0;
  for (std::string& line : readLines(path)) {
    if (part == 0 && line == kLogBuisMarker) {
      part = 1;
    } else if (part == 1 && line == kLogEndMarker) {
      part = 2;
    } else {
      lists[static_cast<std::size_t>(part)].push_back(std::move(line));
    }
  }
  return lists;
}

// The lists in the order of Phreatix.log, and their names in the phase file.
constexpr MessageListId kLogOrder[3] = {MessageListId::kLog, MessageListId::kBuis,
                                        MessageListId::kStopExit};
constexpr const char* kListNames[3] = {"log", "buis", "stopexit"};

// A line of one phase of a task's list, and the tube it is about.
struct TaggedLine {
  const std::string* text;
  const std::string* tube;
  bool aboutTube() const { return !tube->empty(); }
};
using PhaseLines = std::vector<TaggedLine>;

// The place of a tube in the order a run takes the tubes of a phase.
using TubeKey = std::pair<int, std::string>;
// The key of each tube in one phase; none where the run takes them in the
// data set's order, which is that of the tasks.
using TubeOrder = std::function<TubeKey(const std::string& tube)>;
using PhaseOrder = std::function<TubeOrder(const std::string& phase)>;

struct TaskLog {
  std::array<std::vector<std::string>, 3> lists;  // as in Phreatix.log
  std::optional<RunTags> tags;                    // one per line of `lists`, or none
  bool tagged() const {
    if (!tags) return false;
    for (std::size_t L = 0; L < 3; ++L) {
      if (tags->lists[L].size() != lists[L].size()) return false;
    }
    return true;
  }
  // The lines of list L in phase p.
  PhaseLines lines(std::size_t p, std::size_t L) const {
    PhaseLines out;
    for (std::size_t i = 0; i < lists[L].size(); ++i) {
      if (tags->lists[L][i].phase == p) out.push_back({&lists[L][i], &tags->lists[L][i].tube});
    }
    return out;
  }
};

bool samePhases(const std::vector<TaskLog>& tasks) {
  for (const TaskLog& task : tasks) {
    if (!task.tagged() || task.tags->phases != tasks.front().tags->phases) return false;
  }
  return !tasks.empty();
}

void appendTexts(std::vector<std::string>& to, const PhaseLines& lines, std::size_t from,
                 std::size_t end) {
  for (std::size_t i = from; i < end && i < lines.size(); ++i) to.push_back(*lines[i].text);
}

// One phase of one list over the whole study, from the tasks' lines of it:
// what the first task that names a tube says about the data set before its
// tubes (a stage's heading), every task's lines from its first tube's to
// its last tube's, and what the last task that names a tube says about the
// data set after its tubes (the closing lines). Where no task names a tube,
// the data set's lines as the last task says them, once. The tasks' lines
// about tubes go task after task, or, by `order`, tube by tube in the order
// of their keys: each task's lines of a tube, with the lines about the data
// set that follow them, as one block, and a task's blocks in its own order.
std::vector<std::string> mergedPhase(const std::vector<PhaseLines>& tasks, const TubeOrder& order) {
  std::vector<std::string> out;
  auto firstTube = [](const PhaseLines& lines) {
    return static_cast<std::size_t>(
        std::find_if(lines.begin(), lines.end(),
                     [](const TaggedLine& l) { return l.aboutTube(); }) -
        lines.begin());
  };
  auto endTube = [](const PhaseLines& lines) {
    return static_cast<std::size_t>(std::find_if(lines.rbegin(), lines.rend(),
                                                 [](const TaggedLine& l) { return l.aboutTube(); })
                                        .base() -
                                    lines.begin());
  };
  std::vector<std::size_t> naming;
  for (std::size_t k = 0; k < tasks.size(); ++k) {
    if (firstTube(tasks[k]) < tasks[k].size()) naming.push_back(k);
  }
  if (naming.empty()) {
    if (!tasks.empty()) appendTexts(out, tasks.back(), 0, tasks.back().size());
    return out;
  }
  const PhaseLines& first = tasks[naming.front()];
  appendTexts(out, first, 0, firstTube(first));
  if (!order) {
    for (std::size_t k : naming) appendTexts(out, tasks[k], firstTube(tasks[k]), endTube(tasks[k]));
  } else {
    struct Block {
      TubeKey key;
      const std::string* tube;
      std::size_t from, end;
    };
    std::vector<std::vector<Block>> blocks(tasks.size());
    for (std::size_t k : naming) {
      const PhaseLines& lines = tasks[k];
      for (std::size_t i = firstTube(lines), end = endTube(lines); i < end; ++i) {
        std::vector<Block>& own = blocks[k];
        if (lines[i].aboutTube() && (own.empty() || *own.back().tube != *lines[i].tube)) {
          own.push_back({order(*lines[i].tube), lines[i].tube, i, i + 1});
        } else {
          own.back().end = i + 1;
        }
      }
    }
    // The tasks' blocks merged by key, each task's in its own order.
    std::vector<std::size_t> next(tasks.size(), 0);
    while (true) {
      std::optional<std::size_t> best;
      for (std::size_t k : naming) {
        if (next[k] == blocks[k].size()) continue;
        if (!best || blocks[k][next[k]].key < blocks[*best][next[*best]].key) best = k;
      }
      if (!best) break;
      const Block& block = blocks[*best][next[*best]++];
      appendTexts(out, tasks[*best], block.from, block.end);
    }
  }
  const PhaseLines& last = tasks[naming.back()];
  appendTexts(out, last, endTube(last), last.size());
  return out;
}

// The lists of one run over the whole study, phase by phase from the tasks'
// tags; the lines before the first phase go as those of any other phase.
std::array<std::vector<std::string>, 3> mergedLists(const std::vector<TaskLog>& tasks,
                                                    const std::string& opening,
                                                    std::optional<std::size_t> verdictTask,
                                                    const std::string& reportLine,
                                                    const PhaseOrder& phaseOrder) {
  std::array<std::vector<std::string>, 3> out;
  const std::vector<std::string>& phases = tasks.front().tags->phases;
  std::vector<std::size_t> order = {LineTag::kNoPhase};
  for (std::size_t p = 0; p < phases.size(); ++p) order.push_back(p);
  for (std::size_t p : order) {
    const std::string phase = p == LineTag::kNoPhase ? std::string() : phases[p];
    for (std::size_t L = 0; L < 3; ++L) {
      std::vector<std::string>& to = out[L];
      std::vector<PhaseLines> lines;
      for (const TaskLog& task : tasks) lines.push_back(task.lines(p, L));
      if (phase == "open" && !opening.empty()) {
        // The study's own opening: the same exports opened once.
        const auto study = logLists(opening);
        to.insert(to.end(), study[L].begin(), study[L].end());
      } else if (phase == "start") {
        // Notes about kron.txt and the period: the data set's, said once.
        appendTexts(to, lines.front(), 0, lines.front().size());
      } else if (phase == "rapport") {
        if (L == 0) to.push_back(reportLine);
      } else if (phase == "oordeel") {
        // The verdict over the data set holds for the study only when no
        // task chose a model; it names foutbuis.zft when that holds a line,
        // as the verdict of a task whose own one does.
        if (verdictTask) {
          const PhaseLines& verdict = lines.at(*verdictTask);
          appendTexts(to, verdict, 0, verdict.size());
        }
      } else {
        const std::vector<std::string> merged = mergedPhase(lines, phaseOrder(phase));
        to.insert(to.end(), merged.begin(), merged.end());
      }
    }
  }
  return out;
}

}  // namespace

RunTags runTags(const Messages& messages) {
  RunTags tags;
  tags.phases = messages.phases();
  for (std::size_t L = 0; L < 3; ++L) {
    const std::vector<std::string>& lines = messages.lines(kLogOrder[L]);
    const std::vector<LineTag>& own = messages.tags(kLogOrder[L]);
    for (std::size_t i = 0; i < lines.size() && i < own.size(); ++i) {
      const auto breaks = std::count(lines[i].begin(), lines[i].end(), '\n');
      tags.lists[L].insert(tags.lists[L].end(), static_cast<std::size_t>(breaks) + 1, own[i]);
    }
  }
  return tags;
}

void writePhaseFile(const std::string& path, const RunTags& tags) {
  std::vector<std::string> lines;
  auto runsOf = [&](std::size_t phase) {
    for (std::size_t L = 0; L < 3; ++L) {
      const std::vector<LineTag>& list = tags.lists[L];
      for (std::size_t i = 0; i < list.size();) {
        if (list[i].phase != phase) {
          ++i;
          continue;
        }
        std::size_t j = i;
        while (j < list.size() && list[j] == list[i]) ++j;
        std::string line =
            std::string(kListNames[L]) + " " + formatInt(static_cast<long long>(j - i));
        if (!list[i].tube.empty()) line += " " + list[i].tube;
        lines.push_back(std::move(line));
        i = j;
      }
    }
  };
  runsOf(LineTag::kNoPhase);
  for (std::size_t p = 0; p < tags.phases.size(); ++p) {
    lines.push_back("fase " + tags.phases[p]);
    runsOf(p);
  }
  writeLines(path, lines);
}

std::optional<RunTags> readPhaseFile(const std::string& path, std::string* fault) {
  auto damaged = [&](std::size_t i, const std::string& what) -> std::optional<RunTags> {
    if (fault) *fault = path + ":" + formatInt(static_cast<long long>(i + 1)) + ": " + what;
    return std::nullopt;
  };
  if (!fileExists(path)) {
    if (fault) *fault = path + ": ontbreekt";
    return std::nullopt;
  }
  RunTags tags;
  std::size_t phase = LineTag::kNoPhase;
  const std::vector<std::string> lines = readLines(path);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const std::size_t blank = line.find(' ');
    const std::string key = line.substr(0, blank);
    const std::string rest = blank == std::string::npos ? std::string() : line.substr(blank + 1);
    if (key == "fase") {
      if (rest.empty()) return damaged(i, "fase zonder naam");
      tags.phases.push_back(rest);
      phase = tags.phases.size() - 1;
      continue;
    }
    const auto list = std::find(std::begin(kListNames), std::end(kListNames), key);
    if (list == std::end(kListNames)) {
      return damaged(i, "verwacht fase, log, buis of stopexit, kreeg " + phreatix::quoted(key));
    }
    const std::size_t countEnd = rest.find(' ');
    int count = 0;
    if (!parseInt(rest.substr(0, countEnd), count) || count < 1) {
      return damaged(i, "verwacht een aantal regels van 1 of meer, kreeg " +
                            phreatix::quoted(rest.substr(0, countEnd)));
    }
    const std::string tube =
        countEnd == std::string::npos ? std::string() : rest.substr(countEnd + 1);
    std::vector<LineTag>& to = tags.lists[static_cast<std::size_t>(list - std::begin(kListNames))];
    to.insert(to.end(), static_cast<std::size_t>(count), LineTag{phase, tube});
  }
  return tags;
}

std::vector<std::pair<std::string, int>> dataSetLocations(const std::vector<std::string>& dataSet) {
  std::vector<std::pair<std::string, int>> locations;
  std::map<std::string, std::size_t> index;
  std::set<std::pair<std::string, std::string>> tubes;
  for (std::size_t i = 1; i < dataSet.size(); ++i) {
    if (!isTubeRecord(dataSet[i])) continue;
    std::string location(recordLocation(dataSet[i]));
    std::string filter(recordFilter(dataSet[i]));
    const bool newTube = tubes.emplace(location, filter).second;
    auto [at, fresh] = index.emplace(location, locations.size());
    if (fresh) locations.emplace_back(location, 0);
    if (newTube) ++locations[at->second].second;
  }
  return locations;
}

std::vector<ClusterTask> planTasks(const std::vector<std::pair<std::string, int>>& locations,
                                   int tubesPerTask) {
  std::vector<ClusterTask> tasks;
  for (const auto& [location, filters] : locations) {
    if (tasks.empty() || tasks.back().tubes >= tubesPerTask) tasks.emplace_back();
    tasks.back().locations.push_back(location);
    tasks.back().tubes += filters;
  }
  const int width =
      std::max(3, static_cast<int>(formatInt(static_cast<long long>(tasks.size())).size()));
  for (std::size_t k = 0; k < tasks.size(); ++k) {
    std::string number = formatInt(static_cast<long long>(k + 1));
    tasks[k].name =
        "taak" +
        std::string(static_cast<std::size_t>(width) - std::min<std::size_t>(width, number.size()),
                    '0') +
        number;
  }
  return tasks;
}

bool taskExportLines(const std::vector<std::string>& lines, const std::vector<std::string>& all,
                     const std::vector<std::string>& kept, std::vector<std::string>& out) {
  const std::set<std::string> allSet = wordSet(all), keptSet = wordSet(kept);
  bool found = false;
  out.clear();
  for (const std::string& line : lines) {
    const std::string field(firstField(line));
    if (allSet.count(field)) {
      if (!keptSet.count(field)) continue;
      found = true;
    }
    out.push_back(line);
  }
  return found;
}

namespace {

// The study's given components (componenten.txt) of the task's locations,
// with the file's comments, into the task's folder `dir`: the lines of the
// other locations and blank lines left out. No file, and false, when the
// study has none or it lists none of the task's locations. The run reads
// the task's file as it would the study's (checkClusterRequest read the
// study's whole file before).
bool writeTaskGivenComponents(const std::string& studyDir, const std::string& dir,
                              const std::set<std::string>& keptSet) {
  const std::string study = joinPath(studyDir, kGivenComponentsFile);
  if (!fileExists(study)) return false;
  std::vector<std::string> lines;
  bool own = false;
  bool firstLine = true;
  for (std::string line : readLines(study)) {
    // A byte-order mark, as a spreadsheet saves UTF-8, is no part of a field.
    if (firstLine && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    firstLine = false;
    const std::size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos) continue;
    if (line[at] == '#') {
      lines.push_back(line);
      continue;
    }
    const std::vector<std::string> words = couplingWords(line);
    if (words.empty() || !keptSet.count(words.front())) continue;
    lines.push_back(line);
    own = true;
  }
  if (!own) return false;
  writeLines(joinPath(dir, kGivenComponentsFile), lines);
  return true;
}

}  // namespace

void writeTaskInputs(const std::string& studyDir, const ClusterPlan& plan, std::size_t k) {
  const ClusterTask& task = plan.tasks.at(k);
  const std::string dir = taskDir(studyDir, task);
  if (const std::optional<LockHolder> holder = lockHolder(dir)) throw DirectoryBusy(dir, *holder);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  if (!std::filesystem::create_directories(dir, ec) || ec) {
    throw Error(ErrorKind::kIo, dir + ": map van de taak niet te maken");
  }
  const std::vector<std::string> all = allLocations(plan);
  const std::set<std::string> allSet = wordSet(all), keptSet = wordSet(task.locations);
  std::vector<std::string> inputs = {kInputsListName, kTaskScriptName};

  std::vector<std::string> data;
  for (const std::string& name : plan.dataFiles) {
    const std::vector<std::string> whole = readLines(joinPath(studyDir, name));
    std::vector<std::string> lines;
    if (!taskExportLines(whole, all, task.locations, lines)) {
      // A file none of whose lines begins with a location of the study
      // cannot be cut (an OLGA export): every task would get all of it.
      std::vector<std::string> any;
      if (!taskExportLines(whole, all, all, any)) {
        throw Error(ErrorKind::kInput,
                    name +
                        ": geen regel begint met een locatiecode van de dataset; alleen "
                        "DINO-exports (.csv) worden over taken verdeeld");
      }
      continue;
    }
    writeLines(joinPath(dir, name), lines);
    data.push_back(name);
    inputs.push_back(name);
  }
  if (data.empty()) throw Error(ErrorKind::kInput, task.name + ": geen export met haar buizen");

  // The coupling lines of the task's locations (and lines that name no
  // location at all), with the meteo and stress files they name. The run
  // opens each by its name alone, in its working directory (coupling.h):
  // a name given with a directory brings the study's file of that name.
  std::vector<std::string> coupling;
  std::set<std::string> meteo;
  for (const std::string& line : readLines(joinPath(studyDir, plan.couplingFile))) {
    const std::vector<std::string> words = couplingWords(line);
    bool other = false, own = false;
    for (const std::string& word : words) {
      if (keptSet.count(word))
        own = true;
      else if (allSet.count(word))
        other = true;
    }
    if (other && !own) continue;
    coupling.push_back(line);
    for (const std::string& word : words) {
      const std::string name = meteoFileName(word);
      if (!allSet.count(word) && isBareFileName(name)) meteo.insert(name);
    }
  }
  writeLines(joinPath(dir, plan.couplingFile), coupling);
  inputs.push_back(plan.couplingFile);
  for (const std::string& name : meteo) {
    // Never over the task's own part of an export, nor over its given components.
    if (std::find(data.begin(), data.end(), name) != data.end()) continue;
    if (name == kGivenComponentsFile || name == kLockFileName) continue;
    if (name != plan.couplingFile && placeFile(joinPath(studyDir, name), joinPath(dir, name))) {
      inputs.push_back(name);
    }
  }
  if (placeFile(joinPath(studyDir, kKronName), joinPath(dir, kKronName)))
    inputs.push_back(kKronName);
  if (writeTaskGivenComponents(studyDir, dir, keptSet)) inputs.push_back(kGivenComponentsFile);

  std::string command = "exec " + shellWord(plan.program) + " run";
  for (const std::string& name : data) command += " --data " + shellWord(name);
  command += " --coupling " + shellWord(plan.couplingFile);
  // The study's last tube is in the last task only.
  if (k + 1 < plan.tasks.size()) command += " --more-tubes-follow";
  command += std::string(" --phase-file ") + kPhaseFileName;
  for (const std::string& option : plan.options) command += " " + shellWord(option);
  command += " --jobs \"${SLURM_CPUS_PER_TASK:-1}\"";
  writeLines(joinPath(dir, kTaskScriptName),
             {"#!/bin/sh",
              "# Phreatix: " + task.name + ", " + formatInt(task.tubes) +
                  " buizen; draait in zijn eigen map.",
              command});
  std::filesystem::permissions(
      joinPath(dir, kTaskScriptName),
      std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
          std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
          std::filesystem::perms::others_exec,
      ec);
  writeLines(joinPath(dir, kInputsListName), inputs);
}

std::string arrayRanges(const std::vector<std::size_t>& indices) {
  std::string ranges;
  for (std::size_t i = 0; i < indices.size();) {
    std::size_t j = i;
    while (j + 1 < indices.size() && indices[j + 1] == indices[j] + 1) ++j;
    if (!ranges.empty()) ranges += ",";
    ranges += formatInt(static_cast<long long>(indices[i]));
    if (j > i) ranges += "-" + formatInt(static_cast<long long>(indices[j]));
    i = j + 1;
  }
  return ranges;
}

std::string batchScript(const std::string& studyDir, const ClusterPlan& plan) {
  const std::string tasks = tasksDir(studyDir);
  std::string text;
  text += "#!/bin/bash\n";
  text += "#SBATCH --job-name=phreatix\n";
  text += "#SBATCH --array=1-" + formatInt(static_cast<long long>(plan.tasks.size())) + "\n";
  text += "#SBATCH --cpus-per-task=" + formatInt(plan.cpusPerTask) + "\n";
  text += "#SBATCH --output=" + joinPath(tasks, "slurm-%A_%a.out") + "\n";
  text += "# Phreatix: one task of whole locations per array index; each runs run.sh\n";
  text += "# in its own directory under " + tasks + "\n";
  text += "set -u\n";
  text += "task=$(sed -n \"${SLURM_ARRAY_TASK_ID}p\" " + shellWord(joinPath(tasks, "taken.lst")) +
          ")\n";
  text += "cd " + shellWord(tasks) + "/\"$task\" && exec ./" + kTaskScriptName + "\n";
  return text;
}

void prepareCluster(const std::string& studyDir, const ClusterPlan& plan) {
  const std::string dir = tasksDir(studyDir);
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    if (!entry.is_directory(ec)) continue;
    const std::string earlier = entry.path().string();
    if (const std::optional<LockHolder> holder = lockHolder(earlier)) {
      throw DirectoryBusy(earlier, *holder);
    }
  }
  std::filesystem::remove_all(dir, ec);
  if (!std::filesystem::create_directories(dir, ec) || ec) {
    throw Error(ErrorKind::kIo, dir + ": map voor de taken niet te maken");
  }
  std::vector<std::string> study = {"programma " + plan.program};
  for (const std::string& name : plan.dataFiles) study.push_back("data " + name);
  study.push_back("koppeling " + plan.couplingFile);
  study.push_back("cpus " + formatInt(plan.cpusPerTask));
  for (const std::string& option : plan.options) study.push_back("optie " + option);
  std::vector<std::string> names;
  for (const ClusterTask& task : plan.tasks) {
    std::string line = "taak " + task.name + " " + formatInt(task.tubes);
    for (const std::string& location : task.locations) line += " " + location;
    study.push_back(line);
    names.push_back(task.name);
  }
  writeLines(joinPath(dir, kStudyFileName), study);
  writeLines(joinPath(dir, "taken.lst"), names);
  for (std::size_t k = 0; k < plan.tasks.size(); ++k) writeTaskInputs(studyDir, plan, k);
  const std::string script = joinPath(studyDir, kBatchScriptName);
  writeLines(script, splitLines(batchScript(studyDir, plan)));
}

void checkClusterRequest(const ClusterRequest& request) {
  auto check = [&](const char* option, const std::string& name) {
    if (!isBareFileName(name) || !fileExists(joinPath(request.studyDir, name))) {
      throw Error(ErrorKind::kInput,
                  std::string(option) + " " + name + ": geen bestand in " + request.studyDir);
    }
  };
  check("--coupling", request.couplingFile);
  for (const std::string& name : request.dataFiles) check("--data", name);
  // The tasks' runs would refuse them, each for its own part of the file.
  const std::vector<std::string> given = givenComponentRefusals(request.studyDir, request.model);
  if (!given.empty()) {
    std::string text;
    for (const std::string& refusal : given) text += (text.empty() ? "" : "\n") + refusal;
    throw Error(ErrorKind::kInput, text);
  }
}

std::optional<ClusterPlan> prepareStudy(const ClusterRequest& request, Session& session,
                                        ProgressView& progress, MessageBox& box) {
  const std::string& dir = request.studyDir;
  ClusterPlan plan;
  plan.dataFiles = request.dataFiles;
  plan.couplingFile = request.couplingFile;
  plan.options = request.options;
  plan.cpusPerTask = request.cpusPerTask;
  plan.program = request.program;
  std::vector<std::string> paths;
  for (const std::string& name : plan.dataFiles) paths.push_back(joinPath(dir, name));
  session.activate();
  if (!session.openDataFiles(paths, progress, box)) return std::nullopt;
  removeFile(joinPath(dir, "olga.tmp"));
  const std::vector<std::string> opening = sessionLogLines(session.messages());
  plan.tasks = planTasks(dataSetLocations(session.dataSet()), request.tubesPerTask);
  if (plan.tasks.empty()) return plan;
  prepareCluster(dir, plan);
  writeLines(joinPath(tasksDir(dir), kOpeningLogName), opening);
  return plan;
}

ClusterPlan readClusterPlan(const std::string& studyDir) {
  const std::string path = joinPath(tasksDir(studyDir), kStudyFileName);
  if (!fileExists(path)) {
    throw Error(ErrorKind::kInput,
                path + " bestaat niet: maak de taken eerst met \"cluster prepare\"");
  }
  ClusterPlan plan;
  for (const std::string& line : readLines(path)) {
    const std::size_t blank = line.find(' ');
    const std::string key = line.substr(0, blank);
    const std::string value = blank == std::string::npos ? std::string() : line.substr(blank + 1);
    if (key == "programma")
      plan.program = value;
    else if (key == "data")
      plan.dataFiles.push_back(value);
    else if (key == "koppeling")
      plan.couplingFile = value;
    else if (key == "cpus")
      plan.cpusPerTask = std::max(1, std::atoi(value.c_str()));
    else if (key == "optie")
      plan.options.push_back(value);
    else if (key == "taak") {
      std::vector<std::string> words = couplingWords(value);
      if (words.size() < 3)
        throw Error(ErrorKind::kRead, path + ": onvolledige regel " + phreatix::quoted(line));
      ClusterTask task;
      task.name = words[0];
      task.tubes = std::atoi(words[1].c_str());
      task.locations.assign(words.begin() + 2, words.end());
      if (!isSafeStem(task.name))
        throw Error(ErrorKind::kRead, path + ": " + phreatix::quoted(line));
      plan.tasks.push_back(std::move(task));
    }
  }
  if (plan.tasks.empty()) throw Error(ErrorKind::kRead, path + ": geen taken");
  return plan;
}

namespace {

// The model family of the tasks' runs: the last --model among the options.
ModelFamily taskModel(const ClusterPlan& plan) {
  ModelFamily model = ModelFamily::kStandaard;
  for (std::size_t i = 0; i < plan.options.size(); ++i) {
    const std::string& option = plan.options[i];
    std::string value;
    if (option == "--model" && i + 1 < plan.options.size())
      value = plan.options[i + 1];
    else if (option.rfind("--model=", 0) == 0)
      value = option.substr(8);
    else
      continue;
    model = value == "uitgebreid" ? ModelFamily::kUitgebreid : ModelFamily::kStandaard;
  }
  return model;
}

bool packedPlan(const ClusterPlan& plan) {
  return std::find(plan.options.begin(), plan.options.end(), "--no-pack") == plan.options.end();
}

// What a task's packing recorded (zipinhoud.txt), by archive in its order.
struct TaskContents {
  std::vector<std::string> zips;
  std::map<std::string, std::vector<ZipMember>> members;
  std::vector<ZipMember> all;  // as the file lists them

  explicit TaskContents(std::vector<ZipMember> lines) : all(std::move(lines)) {
    for (const ZipMember& m : all) {
      auto [at, fresh] = members.try_emplace(m.zip);
      if (fresh) zips.push_back(m.zip);
      at->second.push_back(m);
    }
  }
  bool records(const std::string& zip) const { return members.count(zip) > 0; }
  bool records(const std::string& zip, const std::string& member) const {
    const auto at = members.find(zip);
    if (at == members.end()) return false;
    return std::any_of(at->second.begin(), at->second.end(),
                       [&](const ZipMember& m) { return m.member == member; });
  }
};

// A file "location.FF" of a filter other than 01 (FF two digits): the
// measurement file of that filter.
bool otherFilterFile(const std::string& location, const std::string& name) {
  if (name.size() != location.size() + 3 || name.compare(0, location.size(), location) != 0 ||
      name[location.size()] != '.') {
    return false;
  }
  const std::string FF = name.substr(location.size() + 1);
  return std::isdigit(static_cast<unsigned char>(FF[0])) &&
         std::isdigit(static_cast<unsigned char>(FF[1])) && FF != "01";
}

// A file "location.nFF": why a filter of the location was not calibrated.
bool notCalibratedFile(const std::string& location, const std::string& name) {
  return wildcardMatch(name, notCalibratedName(location, "??"));
}

// The files a task holds of a location: loose in its folder, or recorded
// in the location's archive.
struct TaskFiles {
  std::string dir;
  std::optional<TaskContents> contents;  // none without packing

  bool holds(const std::string& location, const std::string& ext) const {
    return fileExists(joinPath(dir, location + ext)) ||
           (contents && contents->records(location + ".zip", location + ext));
  }
  // Whether a file of the location (by its name) is there, loose or packed.
  template <typename Match>
  bool holdsAny(const std::string& location, const std::string& pattern, Match match) const {
    for (const std::string& name : listFiles(dir, pattern)) {
      if (match(location, name)) return true;
    }
    if (!contents) return false;
    const auto at = contents->members.find(location + ".zip");
    if (at == contents->members.end()) return false;
    return std::any_of(at->second.begin(), at->second.end(),
                       [&](const ZipMember& m) { return match(location, m.member); });
  }
};

// One values line of a task's modsel.zft or foutbuis.zft, as written, and
// its location.
struct ListLine {
  std::string text;
  std::string stem;
};

// The values lines of a task's list, checked by the reader of values lines
// (a bad line is a read error naming the file and the line); none when the
// file is not there.
std::vector<ListLine> listLines(const std::string& path) {
  std::vector<ListLine> out;
  if (!fileExists(path)) return out;
  const std::string text = readFileText(path);
  const std::vector<ValuesLine> values = readValuesLines(path, text);
  std::size_t v = 0;
  // The reader passes over the lines of nothing but blanks and tabs.
  for (std::string& line : splitLines(text)) {
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    out.push_back({std::move(line), values.at(v++).stem});
  }
  return out;
}

// The order in which the model selection takes the locations, and so of
// modsel.zft and foutbuis.zft and the selection's lines: by the name of
// their S.01 as the directory lists it; under "uitgebreid" those without
// filter 01 (`without01`) after them, by code.
TubeKey selectionKey(const std::string& stem, const std::set<std::string>& without01) {
  if (without01.count(stem)) return {1, stem};
  return {0, stem + ".01"};
}

// The phases in which a run takes its tubes by the name of one file of each
// as the directory lists it, not in the data set's order, with that file's
// extension: the inputs of the s and d+s calibrations (from S.b01, S.c01),
// the post-processing (S.u01) and the packing (the key file S.met); the
// selection goes by selectionKey.
constexpr std::pair<const char*, const char*> kNameOrderedPhases[] = {
    {"s", ".b01"}, {"d+s", ".c01"}, {"post", ".u01"}, {"inpakken", ".met"}};

// The task's own check of its files after its log: phase file, lists,
// locations, archives. Empty when it has finished.
std::string taskFault(const ClusterPlan& plan, const ClusterTask& task, const std::string& dir,
                      const std::array<std::vector<std::string>, 3>& log) {
  // The phase file must tag every line of the log, or the merge cannot put
  // the task's lines in their places.
  std::string fault;
  const std::optional<RunTags> tags = readPhaseFile(joinPath(dir, kPhaseFileName), &fault);
  if (!tags) return std::string(kPhaseFileName) + " is beschadigd: " + fault;
  for (std::size_t L = 0; L < 3; ++L) {
    if (tags->lists[L].size() != log[L].size()) {
      return std::string(kPhaseFileName) + " past niet bij " + kSessionLogName + " (" +
             kListNames[L] + ": " + formatInt(static_cast<long long>(tags->lists[L].size())) +
             " regels in " + kPhaseFileName + ", " +
             formatInt(static_cast<long long>(log[L].size())) + " in " + kSessionLogName + ")";
    }
  }
  std::set<std::string> named, modelled;
  try {
    for (const ListLine& line : listLines(joinPath(dir, kModselName))) {
      named.insert(line.stem);
      modelled.insert(line.stem);
    }
    for (const ListLine& line : listLines(joinPath(dir, kFoutbuisName))) named.insert(line.stem);
  } catch (const Error& e) {
    return e.what();
  }
  TaskFiles files{dir, std::nullopt};
  const bool packed = packedPlan(plan);
  if (packed) {
    const std::string path = joinPath(dir, kZipContentsName);
    if (!fileExists(path)) return std::string(kZipContentsName) + " ontbreekt";
    try {
      files.contents.emplace(readZipContentsFile(path));
    } catch (const Error& e) {
      return e.what();
    }
    // The zips before what they hold: every zip the record holds whole,
    // every modelled location's zip recorded, no zip beside the record.
    const TaskContents& contents = *files.contents;
    for (const std::string& zip : contents.zips) {
      const std::string broken = archiveFault(joinPath(dir, zip), contents.members.at(zip));
      if (!broken.empty()) return broken;
    }
    for (const std::string& location : modelled) {
      const std::string zip = location + ".zip";
      if (!fileExists(joinPath(dir, zip))) return zip + " ontbreekt";
      if (!contents.records(zip)) return zip + " staat niet in " + kZipContentsName;
    }
    for (const std::string& name : listFiles(dir, "*.zip")) {
      if (!contents.records(name)) return name + " staat niet in " + kZipContentsName;
    }
  }
  const bool standaard = taskModel(plan) == ModelFamily::kStandaard;
  // A location the calibration left out is in neither list: its S.nFF,
  // loose or packed, accounts for it. So does, under "standaard", the lack
  // of a filter 01 in a location that was calibrated in another filter:
  // only filter 01 goes on to the selection.
  for (const std::string& location : task.locations) {
    if (named.count(location)) continue;
    if (files.holdsAny(location, notCalibratedName(location, "??"), notCalibratedFile)) continue;
    if (standaard && !files.holds(location, ".01") &&
        files.holdsAny(location, location + ".??", otherFilterFile)) {
      continue;
    }
    return std::string(kModselName) + " en " + kFoutbuisName + " noemen " + location + " niet";
  }
  return std::string();
}

}  // namespace

TaskStatus judgeTask(const std::string& studyDir, const ClusterPlan& plan, std::size_t k) {
  const ClusterTask& task = plan.tasks.at(k);
  const std::string dir = taskDir(studyDir, task);
  TaskStatus status;
  if (const std::optional<LockHolder> holder = lockHolder(dir)) {
    status.state = TaskState::kBusy;
    status.reason = busyText(dir, *holder);
    return status;
  }
  std::set<std::string> inputs;
  if (fileExists(joinPath(dir, kInputsListName))) {
    for (const std::string& name : readLines(joinPath(dir, kInputsListName))) inputs.insert(name);
  }
  bool produced = false;
  for (const std::string& name : listFiles(dir, "*")) {
    // A lock left by a process that no longer runs is no result.
    produced = produced || (!inputs.count(name) && name != kLockFileName);
  }
  if (!produced) {
    status.state = TaskState::kMissing;
    status.reason = "nog geen resultaten";
    return status;
  }
  status.state = TaskState::kFailed;
  const std::string log = joinPath(dir, kSessionLogName);
  if (!fileExists(log)) {
    status.reason = std::string(kSessionLogName) + " ontbreekt";
    return status;
  }
  const std::vector<std::string> lines = readLines(log);
  if (std::find(lines.begin(), lines.end(), kLogEndMarker) == lines.end() ||
      std::none_of(lines.begin(), lines.end(),
                   [](const std::string& l) { return isReportLine(l); })) {
    status.reason = std::string(kSessionLogName) + " is onvolledig";
    return status;
  }
  status.reason = taskFault(plan, task, dir, logLists(log));
  if (status.reason.empty()) status.state = TaskState::kFinished;
  return status;
}

MergeOutcome mergeTasks(const std::string& studyDir, const ClusterPlan& plan, int workers) {
  std::vector<std::string> open;
  for (std::size_t k = 0; k < plan.tasks.size(); ++k) {
    const TaskStatus status = judgeTask(studyDir, plan, k);
    if (status.state == TaskState::kFinished) continue;
    const char* state = status.state == TaskState::kMissing ? "ontbreekt"
                        : status.state == TaskState::kBusy  ? "bezig"
                                                            : "mislukt";
    open.push_back(plan.tasks[k].name + " (" + state + ": " + status.reason + ")");
  }
  if (!open.empty()) {
    std::string names;
    for (const std::string& name : open) names += (names.empty() ? "" : ", ") + name;
    throw Error(ErrorKind::kInput,
                "Niet samengevoegd: " + formatInt(static_cast<long long>(open.size())) +
                    " van de " + formatInt(static_cast<long long>(plan.tasks.size())) +
                    " taken zijn niet klaar: " + names + ".");
  }
  const bool packed = packedPlan(plan);
  const bool uitgebreid = taskModel(plan) == ModelFamily::kUitgebreid;
  MergeOutcome outcome;
  std::vector<ListLine> modsel, foutbuis;
  std::vector<ZipMember> contents;
  std::set<std::string> without01;
  std::vector<TaskLog> logs;
  // The last task whose foutbuis.zft holds a line.
  std::optional<std::size_t> refusingTask;
  for (const ClusterTask& task : plan.tasks) {
    const std::string dir = taskDir(studyDir, task);
    TaskFiles files{dir, std::nullopt};
    if (packed) files.contents.emplace(readZipContentsFile(joinPath(dir, kZipContentsName)));
    for (const std::string& name : listFiles(dir, "*.zip")) {
      placeFile(joinPath(dir, name), joinPath(studyDir, name));
    }
    for (const std::string& name : listFiles(dir, "*")) {
      const bool loose = name.find('.') != std::string::npos &&
                         std::find(task.locations.begin(), task.locations.end(),
                                   name.substr(0, name.find('.'))) != task.locations.end();
      if (loose) placeFile(joinPath(dir, name), joinPath(studyDir, name));  // --no-pack
    }
    if (files.contents) {
      contents.insert(contents.end(), files.contents->all.begin(), files.contents->all.end());
    }
    if (uitgebreid) {
      for (const std::string& location : task.locations) {
        if (!files.holds(location, ".01")) without01.insert(location);
      }
    }
    std::vector<ListLine> own = listLines(joinPath(dir, kModselName));
    modsel.insert(modsel.end(), own.begin(), own.end());
    own = listLines(joinPath(dir, kFoutbuisName));
    if (!own.empty()) refusingTask = logs.size();
    foutbuis.insert(foutbuis.end(), own.begin(), own.end());
    TaskLog log;
    log.lists = logLists(joinPath(dir, kSessionLogName));
    // A file the task's run names in its folder is the study's file.
    for (auto& list : log.lists) {
      for (std::string& line : list) {
        line = replacedPath(std::move(line), joinPath(dir, ""), joinPath(studyDir, ""));
      }
    }
    log.tags = readPhaseFile(joinPath(dir, kPhaseFileName));
    logs.push_back(std::move(log));
  }
  // The lists in the order one run over the whole study writes them: the
  // selection's, whatever the order of the tasks.
  auto writeList = [&](const char* name, std::vector<ListLine>& lines) {
    std::stable_sort(lines.begin(), lines.end(), [&](const ListLine& a, const ListLine& b) {
      return selectionKey(a.stem, without01) < selectionKey(b.stem, without01);
    });
    std::string text;
    for (const ListLine& line : lines) text += line.text + "\n";
    std::ofstream out(joinPath(studyDir, name), std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) throw Error(ErrorKind::kIo, joinPath(studyDir, name) + ": niet volledig geschreven");
  };
  writeList(kModselName, modsel);
  writeList(kFoutbuisName, foutbuis);
  if (packed) {
    // The tasks' records one after the other: the data set's order.
    try {
      writeZipContents(joinPath(studyDir, kZipContentsName), contents);
    } catch (const Error& e) {
      outcome.unwritten.push_back(e.what());
    }
  }
  std::string reportLine;
  try {
    outcome.results = writeReports(studyDir, workers);
    reportLine = reportWrittenLine(outcome.results);
  } catch (const std::exception& e) {
    outcome.results = DataSetResults{};
    reportLine = reportNotWrittenLine(e.what());
    outcome.unwritten.push_back(std::string("het rapport (rapport.html, overzicht.csv, "
                                            "overzicht.gpkg): ") +
                                e.what());
  }
  std::array<std::vector<std::string>, 3> lists;
  if (samePhases(logs)) {
    const std::string opening = joinPath(tasksDir(studyDir), kOpeningLogName);
    std::optional<std::size_t> verdictTask;
    if (modsel.empty()) verdictTask = refusingTask ? *refusingTask : logs.size() - 1;
    const PhaseOrder phaseOrder = [&](const std::string& phase) -> TubeOrder {
      if (phase == "selectie") {
        return [&](const std::string& tube) { return selectionKey(tube, without01); };
      }
      for (const auto& [name, ext] : kNameOrderedPhases) {
        if (phase == name) {
          const std::string e = ext;
          return [e](const std::string& tube) { return TubeKey{0, tube + e}; };
        }
      }
      return nullptr;
    };
    lists = mergedLists(logs, fileExists(opening) ? opening : std::string(), verdictTask,
                        reportLine, phaseOrder);
  } else {
    // The tasks ran through other phases (every task's phase file was read
    // whole: the judgement saw to it): each task's lists one after the
    // other, each task's own report line left out for the merge's, and a
    // line that says so.
    std::string differing;
    for (std::size_t k = 0; k < logs.size(); ++k) {
      if (!logs[k].tagged() || !logs.front().tagged() ||
          logs[k].tags->phases != logs.front().tags->phases) {
        differing += (differing.empty() ? "" : ", ") + plan.tasks[k].name;
      }
    }
    const std::string note = "Samenvoegen: de taken " + differing +
                             " doorliepen andere fasen dan " + plan.tasks.front().name +
                             "; hun regels staan per taak achter elkaar, niet per fase.";
    for (const TaskLog& log : logs) {
      for (std::size_t L = 0; L < 3; ++L) {
        for (const std::string& line : log.lists[L]) {
          if (L == 0 && isReportLine(line)) continue;
          lists[L].push_back(line);
        }
      }
    }
    lists[0].push_back(note);
    lists[0].push_back(reportLine);
    outcome.unwritten.push_back(std::string(kSessionLogName) + " per fase: " + note);
  }
  Messages merged;
  for (std::string& line : lists[0]) merged.appendLog(std::move(line));
  for (std::string& line : lists[1]) merged.appendBuis(std::move(line));
  for (std::string& line : lists[2]) merged.appendStopExit(std::move(line));
  try {
    writeLines(joinPath(studyDir, kSessionLogName), sessionLogLines(merged));
  } catch (const Error& e) {
    outcome.unwritten.push_back(e.what());  // the tasks' logs are still there
  }
  return outcome;
}

}  // namespace phreatix
