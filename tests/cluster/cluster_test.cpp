// A study cut into cluster tasks of whole locations, the tasks judged from
// their own files and merged back.
#include "cluster/cluster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <tuple>

#include "coupling/given_components.h"
#include "demo/demo_data.h"
#include "error.h"
#include "input/calendar.h"
#include "platform/files.h"
#include "report/messages.h"
#include "session/session.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

// A location's filters stay together, also where a later record of the
// location comes after another location; a further record of the same tube
// is no new tube; a task closes once it holds K tubes.
TEST(Cluster, TasksHoldWholeLocationsOfAboutKTubes) {
  const std::vector<std::string> dataSet = {
      "FMNT header",   "R28AL000501+0", "S19850114",     "R28AL001201+0", "R28AL001202+0",
      "R28AL000501+0", "R32CN003101+0", "R34EF004701+0", "R28AL000502+0", "R40HN000701+0"};
  const auto locations = dataSetLocations(dataSet);
  EXPECT_EQ(
      locations,
      (std::vector<std::pair<std::string, int>>{
          {"28AL0005", 2}, {"28AL0012", 2}, {"32CN0031", 1}, {"34EF0047", 1}, {"40HN0007", 1}}));
  const std::vector<ClusterTask> tasks = planTasks(locations, 3);
  ASSERT_EQ(tasks.size(), 2u);
  EXPECT_EQ(tasks[0].name, "taak001");
  EXPECT_EQ(tasks[0].locations, (std::vector<std::string>{"28AL0005", "28AL0012"}));
  EXPECT_EQ(tasks[0].tubes, 4);
  EXPECT_EQ(tasks[1].locations, (std::vector<std::string>{"32CN0031", "34EF0047", "40HN0007"}));
  EXPECT_EQ(tasks[1].tubes, 3);
  EXPECT_EQ(planTasks(locations, 1).size(), 5u);
  // More than 999 tasks: the names keep one width, so they sort in order.
  std::vector<std::pair<std::string, int>> many(1200, {"X", 1});
  const std::vector<ClusterTask> thousand = planTasks(many, 1);
  EXPECT_EQ(thousand.front().name, "taak0001");
  EXPECT_EQ(thousand.back().name, "taak1200");
}

// The export lines of a task: other locations' metadata and readings out,
// whatever the quoting, every heading line kept; a file holding none of the
// task's locations is not the task's.
TEST(Cluster, ATaskKeepsTheExportLinesOfItsOwnLocations) {
  const std::vector<std::string> all = {"28AL0005", "32CN0031"};
  const std::vector<std::string> lines = {"Titel: x",
                                          "",
                                          "LOCATIE,FILTERNUMMER,X",
                                          "28AL0005,001,1",
                                          "32CN0031,001,2",
                                          "",
                                          "LOCATIE,FILTERNUMMER,PEIL DATUM TIJD",
                                          "\"32CN0031\",\"001\",\"1985\"",
                                          " 28AL0005 ,001,1985/01/14,100,",
                                          "32CN0031;001;1985"};
  std::vector<std::string> out;
  ASSERT_TRUE(taskExportLines(lines, all, {"28AL0005"}, out));
  EXPECT_EQ(out, (std::vector<std::string>{
                     "Titel: x", "", "LOCATIE,FILTERNUMMER,X", "28AL0005,001,1", "",
                     "LOCATIE,FILTERNUMMER,PEIL DATUM TIJD", " 28AL0005 ,001,1985/01/14,100,"}));
  EXPECT_FALSE(taskExportLines({"Titel", "32CN0031,001,2"}, all, {"28AL0005"}, out));
}

// A study of two tasks written as cluster prepare writes it, with the
// results a finished run leaves (or part of them).
struct Study {
  test::TempDir dir;
  ClusterPlan plan;
  Study() {
    dir.write("export.csv", "LOCATIE,F\n28AL0005,001\n32CN0031,001\n40HN0007,001\n");
    dir.write("koppeling.txt", "28AL0005 west.prn\n32CN0031,oost.prn\n40HN0007 oost.prn\n");
    dir.write("west.prn", "w\n");
    dir.write("oost.prn", "o\n");
    dir.write("kron.txt", "k\n");
    plan.dataFiles = {"export.csv"};
    plan.couplingFile = "koppeling.txt";
    plan.options = {"--start-year", "1970", "--end-year", "1999"};
    plan.program = "/opt/phreatix cli/phreatix-cli";
    plan.tasks = planTasks({{"28AL0005", 1}, {"32CN0031", 1}, {"40HN0007", 1}}, 2);
    prepareCluster(dir.path(), plan);
  }
  std::string task(const std::string& name) const { return "taken/" + name + "/"; }
  void finish(const std::string& name, const std::string& modsel, const std::string& foutbuis,
              const std::vector<std::string>& zips, const std::string& logLine) {
    dir.write(task(name) + "modsel.zft", modsel);
    dir.write(task(name) + "foutbuis.zft", foutbuis);
    for (const std::string& zip : zips) dir.write(task(name) + zip, "zip of " + zip);
    Messages m;
    m.appendLog(logLine);
    m.appendLog("Rapport geschreven: (taak)");
    m.appendBuis("buis " + name);
    m.appendStopExit("exit " + name);
    writeSessionLog(m, dir.file(task(name)));
  }
};

TEST(Cluster, PrepareWritesEachTaskItsInputsAndRunCommand) {
  Study s;
  ASSERT_EQ(s.plan.tasks.size(), 2u);
  EXPECT_EQ(s.dir.read("taken/taak001/export.csv"), "LOCATIE,F\n28AL0005,001\n32CN0031,001\n");
  EXPECT_EQ(s.dir.read("taken/taak001/koppeling.txt"), "28AL0005 west.prn\n32CN0031,oost.prn\n");
  EXPECT_EQ(s.dir.read("taken/taak002/koppeling.txt"), "40HN0007 oost.prn\n");
  EXPECT_TRUE(fileExists(s.dir.file("taken/taak001/west.prn")));
  EXPECT_FALSE(fileExists(s.dir.file("taken/taak002/west.prn")));
  EXPECT_EQ(s.dir.read("taken/taak002/kron.txt"), "k\n");
  const std::string first = s.dir.read("taken/taak001/run.sh");
  const std::string last = s.dir.read("taken/taak002/run.sh");
  EXPECT_NE(first.find("exec '/opt/phreatix cli/phreatix-cli' run --data 'export.csv' --coupling "
                       "'koppeling.txt' --more-tubes-follow --phase-file fasen.txt '--start-year' "
                       "'1970' '--end-year' '1999' --jobs \"${SLURM_CPUS_PER_TASK:-1}\""),
            std::string::npos)
      << first;
  EXPECT_EQ(last.find("--more-tubes-follow"), std::string::npos) << last;
  const std::string script = s.dir.read("phreatix.sbatch");
  EXPECT_NE(script.find("#SBATCH --array=1-2\n"), std::string::npos) << script;
  EXPECT_NE(script.find("#SBATCH --cpus-per-task=1\n"), std::string::npos) << script;

  // An export whose lines do not begin with their location (OLGA) cannot be
  // cut into tasks: refused, naming it.
  s.dir.write("olga.dat", "R28AL000501\nS8501149999+00081\n");
  ClusterPlan olga = s.plan;
  olga.dataFiles.push_back("olga.dat");
  try {
    writeTaskInputs(s.dir.path(), olga, 0);
    ADD_FAILURE() << "an OLGA export was cut";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("olga.dat: geen regel begint met een locatiecode", 0), 0u)
        << e.what();
  }

  const ClusterPlan read = readClusterPlan(s.dir.path());
  EXPECT_EQ(read.dataFiles, s.plan.dataFiles);
  EXPECT_EQ(read.options, s.plan.options);
  EXPECT_EQ(read.program, s.plan.program);
  ASSERT_EQ(read.tasks.size(), 2u);
  EXPECT_EQ(read.tasks[0].locations, s.plan.tasks[0].locations);
  EXPECT_EQ(arrayRanges({1, 2, 3, 5, 7, 8}), "1-3,5,7-8");
}

// The stress files of a task's coupling lines go with it as its meteo
// files do, each listed among its inputs; one named with a directory
// brings the study's file of that name, which is what the run opens.
TEST(Cluster, ATaskGetsTheStressFilesItsCouplingLinesName) {
  test::TempDir dir;
  dir.write("export.csv", "LOCATIE,F\n28AL0005,001\n32CN0031,001\n40HN0007,001\n");
  dir.write("koppeling.txt",
            "28AL0005 west.prn put.csv\n32CN0031,Maas.CSV;oost.prn\n"
            "40HN0007 oost.prn D:\\stress\\rivier.csv\n");
  for (const char* name : {"west.prn", "oost.prn", "put.csv", "Maas.CSV", "rivier.csv"})
    dir.write(name, std::string("inhoud van ") + name + "\n");
  dir.write("kron.txt", "k\n");
  ClusterPlan plan;
  plan.dataFiles = {"export.csv"};
  plan.couplingFile = "koppeling.txt";
  plan.program = "/opt/phreatix-cli";
  plan.tasks = planTasks({{"28AL0005", 1}, {"32CN0031", 1}, {"40HN0007", 1}}, 2);
  prepareCluster(dir.path(), plan);

  EXPECT_EQ(dir.read("taken/taak001/koppeling.txt"),
            "28AL0005 west.prn put.csv\n32CN0031,Maas.CSV;oost.prn\n");
  EXPECT_EQ(dir.read("taken/taak001/put.csv"), "inhoud van put.csv\n");
  EXPECT_EQ(dir.read("taken/taak001/Maas.CSV"), "inhoud van Maas.CSV\n");
  EXPECT_FALSE(fileExists(dir.file("taken/taak001/rivier.csv")));
  EXPECT_EQ(dir.read("taken/taak002/rivier.csv"), "inhoud van rivier.csv\n");
  EXPECT_FALSE(fileExists(dir.file("taken/taak002/put.csv")));
  EXPECT_FALSE(fileExists(dir.file("taken/taak002/Maas.CSV")));
  const std::vector<std::string> inputs = readLines(dir.file("taken/taak001/invoer.txt"));
  for (const char* name : {"put.csv", "Maas.CSV", "west.prn", "oost.prn"}) {
    EXPECT_NE(std::find(inputs.begin(), inputs.end(), name), inputs.end()) << name;
  }
  // Its inputs alone: not begun, so missing rather than failed.
  EXPECT_EQ(judgeTask(dir.path(), plan, 0).state, TaskState::kMissing);
  // A name on a coupling line that is the export's own is not put over the
  // task's part of it.
  dir.write("koppeling.txt", "28AL0005 west.prn export.csv\n");
  writeTaskInputs(dir.path(), plan, 0);
  EXPECT_EQ(dir.read("taken/taak001/export.csv"), "LOCATIE,F\n28AL0005,001\n32CN0031,001\n");
}

// The study's componenten.txt goes to each task with the lines of the
// task's locations and every comment; a task none of whose locations it
// lists gets none. A file the run would refuse is refused by prepare's
// check before anything is written, naming the study's file and line.
TEST(Cluster, ATaskGetsTheGivenComponentsOfItsLocations) {
  test::TempDir dir;
  dir.write("export.csv", "LOCATIE,F\n28AL0005,001\n32CN0031,001\n40HN0007,001\n");
  dir.write("koppeling.txt", "28AL0005 west.prn\n32CN0031 west.prn\n40HN0007 west.prn\n");
  dir.write("west.prn", "w\n");
  dir.write("componenten.txt",
            "\xEF\xBB\xBF# bekende ingrepen\r\n"
            "28AL0005 trend 1990-01-01 1995-06-30\r\n"
            "\r\n"
            "  # buis vervangen\r\n"
            "32CN0031;stap;2003-04-14\r\n"
            "99XX0001 stap 2000-01-01\r\n"  // no location of the study
            "28AL0005 stap 1998-03-01\r\n");
  ClusterPlan plan;
  plan.dataFiles = {"export.csv"};
  plan.couplingFile = "koppeling.txt";
  plan.program = "/opt/phreatix-cli";
  plan.tasks = planTasks({{"28AL0005", 1}, {"32CN0031", 1}, {"40HN0007", 1}}, 2);
  prepareCluster(dir.path(), plan);

  EXPECT_EQ(dir.read("taken/taak001/componenten.txt"),
            "# bekende ingrepen\n28AL0005 trend 1990-01-01 1995-06-30\n  # buis vervangen\n"
            "32CN0031;stap;2003-04-14\n28AL0005 stap 1998-03-01\n");
  const std::vector<std::string> inputs = readLines(dir.file("taken/taak001/invoer.txt"));
  EXPECT_NE(std::find(inputs.begin(), inputs.end(), "componenten.txt"), inputs.end());
  // The task's run reads its part as the study's file says it.
  const GivenComponents own = readGivenComponents(dir.file("taken/taak001/componenten.txt"));
  ASSERT_EQ(own.rows.size(), 3u);
  EXPECT_EQ(own.rows[0].location, "28AL0005");
  EXPECT_EQ(own.rows[1].location, "32CN0031");
  EXPECT_EQ(own.rows[1].first, (CalendarDate{2003, 4, 14}));
  EXPECT_EQ(own.rows[2].location, "28AL0005");
  EXPECT_FALSE(own.rows[2].trend);
  EXPECT_FALSE(std::filesystem::exists(dir.file("taken/taak002/componenten.txt")));
  const std::vector<std::string> lastInputs = readLines(dir.file("taken/taak002/invoer.txt"));
  EXPECT_EQ(std::find(lastInputs.begin(), lastInputs.end(), "componenten.txt"), lastInputs.end());
  EXPECT_EQ(judgeTask(dir.path(), plan, 0).state, TaskState::kMissing);

  // Written anew with the task's inputs: a file taken out of the study is
  // gone from the task.
  std::filesystem::remove(dir.file("componenten.txt"));
  writeTaskInputs(dir.path(), plan, 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("taken/taak001/componenten.txt")));

  ClusterRequest request;
  request.studyDir = dir.path();
  request.dataFiles = {"export.csv"};
  request.couplingFile = "koppeling.txt";
  request.model = ModelFamily::kUitgebreid;
  EXPECT_NO_THROW(checkClusterRequest(request));
  dir.write("componenten.txt", "# kop\n40HN0007 stap 2003-04-14\n40HN0007 trend 2001-01-01\n");
  try {
    checkClusterRequest(request);
    ADD_FAILURE() << "a bad componenten.txt passed";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              dir.file("componenten.txt") +
                  ":3: een trend heeft 4 velden (\"<locatie> trend jjjj-mm-dd jjjj-mm-dd\"), "
                  "gevonden 3");
  }
  dir.write("componenten.txt", "40HN0007 stap 2003-04-14\n");
  EXPECT_NO_THROW(checkClusterRequest(request));
  request.model = ModelFamily::kStandaard;
  try {
    checkClusterRequest(request);
    ADD_FAILURE() << "componenten.txt passed under standaard";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              dir.file("componenten.txt") +
                  ": gegeven trends en stappen kunnen alleen met Model: uitgebreid");
  }
}

// cluster prepare in one call: a name that is no file of the study
// directory is refused before anything is opened; then the exports are
// opened in the session as one data set, cut into tasks of whole locations
// and written, and the study's own opening is kept for the merged log.
TEST(Cluster, PrepareStudyOpensTheExportsOnceAndWritesTheTasks) {
  test::TempDir dir;
  const DemoDataSet demo = writeDemoData(dir.path());
  writeLines(dir.file("kron.txt"), builtinDayNumberLines());
  ClusterRequest request;
  request.studyDir = dir.path();
  request.dataFiles = {demo.exportFile};
  request.couplingFile = demo.couplingFile;
  request.options = {"--no-pack"};
  request.tubesPerTask = 2;
  request.program = "/opt/phreatix-cli";
  for (const auto& [data, coupling, refusal] :
       {std::tuple{demo.exportFile, std::string("geen.txt"),
                   "--coupling geen.txt: geen bestand in "},
        std::tuple{std::string("../") + demo.exportFile, demo.couplingFile,
                   "--data ../demo_dino.csv: geen bestand in "}}) {
    ClusterRequest wrong = request;
    wrong.dataFiles = {data};
    wrong.couplingFile = coupling;
    try {
      checkClusterRequest(wrong);
      ADD_FAILURE() << "accepted " << data << " and " << coupling;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), refusal + dir.path());
    }
  }
  checkClusterRequest(request);
  EXPECT_FALSE(std::filesystem::exists(dir.file("taken")));

  Session session(dir.path());
  ProgressView progress;
  struct Box : MessageBox {
    void show(const std::string&) override {}  // the disk space note
    void showRefusal(const std::string& text) override { ADD_FAILURE() << text; }
  } box;
  const std::optional<ClusterPlan> plan = prepareStudy(request, session, progress, box);
  ASSERT_TRUE(plan);
  ASSERT_EQ(plan->tasks.size(), 3u);
  EXPECT_EQ(plan->tasks[0].locations, (std::vector<std::string>{"28AL0005", "28AL0012"}));
  EXPECT_EQ(plan->tasks[0].tubes, 3);
  EXPECT_EQ(plan->tasks[2].locations, (std::vector<std::string>{"40HN0007"}));
  const ClusterPlan read = readClusterPlan(dir.path());
  EXPECT_EQ(read.options, request.options);
  EXPECT_EQ(read.program, request.program);
  ASSERT_EQ(read.tasks.size(), plan->tasks.size());
  EXPECT_TRUE(fileExists(dir.file("taken/taak003/run.sh")));
  EXPECT_TRUE(fileExists(dir.file("phreatix.sbatch")));
  EXPECT_FALSE(fileExists(dir.file("olga.tmp")));
  EXPECT_EQ(readLines(dir.file("taken/opening.log")), sessionLogLines(session.messages()));
  EXPECT_FALSE(session.messages().log().empty());
}

// Judged from the task's own files: nothing but inputs is missing; a log
// without its end, a location named in neither list, or a modelled
// location's missing zip is failed; a task whose tubes all failed the
// selection has finished. Writing the inputs again clears a failed try.
TEST(Cluster, ATaskIsJudgedByItsOwnFiles) {
  Study s;
  EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 0).state, TaskState::kMissing);
  s.dir.write(s.task("taak001") + "28AL0005.01", "partial");
  TaskStatus status = judgeTask(s.dir.path(), s.plan, 0);
  EXPECT_EQ(status.state, TaskState::kFailed);
  EXPECT_EQ(status.reason, "Phreatix.log ontbreekt");
  s.finish("taak001", "28AL0005 2s 0.9\n", "", {"28AL0005.zip"}, "Buis 28AL0005");
  status = judgeTask(s.dir.path(), s.plan, 0);
  EXPECT_EQ(status.state, TaskState::kFailed);
  EXPECT_EQ(status.reason, "modsel.zft en foutbuis.zft noemen 32CN0031 niet");
  s.dir.write(s.task("taak001") + "foutbuis.zft", "32CN0031 ft 0.\n");
  EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 0).state, TaskState::kFinished);
  std::filesystem::remove(s.dir.file(s.task("taak001") + "28AL0005.zip"));
  EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 0).reason, "28AL0005.zip ontbreekt");
  // No model at all: finished.
  s.finish("taak002", "", "40HN0007 ft 0.\n", {}, "Buis 40HN0007");
  EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 1).state, TaskState::kFinished);
  s.dir.write(s.task("taak002") + "Phreatix.log", "Buis 40HN0007\n");
  EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 1).reason, "Phreatix.log is onvolledig");

  writeTaskInputs(s.dir.path(), s.plan, 0);
  EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 0).state, TaskState::kMissing);
  EXPECT_FALSE(fileExists(s.dir.file(s.task("taak001") + "modsel.zft")));
}

// The merge refuses while a task has not finished, naming each; then it
// gathers the zips and both lists in task order and the logs list by list.
TEST(Cluster, MergeGathersFinishedTasksInTaskOrder) {
  Study s;
  s.finish("taak002", "", "40HN0007 ft 0.\n", {}, "Buis 40HN0007");
  try {
    mergeTasks(s.dir.path(), s.plan);
    ADD_FAILURE() << "merged with a task missing";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Niet samengevoegd: 1 van de 2 taken zijn niet klaar: taak001 (ontbreekt: nog geen "
              "resultaten).");
  }
  EXPECT_FALSE(fileExists(s.dir.file("modsel.zft")));
  s.finish("taak001", "28AL0005 2s 0.9\n", "32CN0031 ft 0.\n", {"28AL0005.zip"}, "Buis 28AL0005");
  mergeTasks(s.dir.path(), s.plan);
  EXPECT_EQ(s.dir.read("modsel.zft"), "28AL0005 2s 0.9\n");
  EXPECT_EQ(s.dir.read("foutbuis.zft"), "32CN0031 ft 0.\n40HN0007 ft 0.\n");
  EXPECT_EQ(s.dir.read("28AL0005.zip"), "zip of 28AL0005.zip");
  const std::vector<std::string> log = readLines(s.dir.file("Phreatix.log"));
  ASSERT_GE(log.size(), 8u);
  EXPECT_EQ(log[0], "Buis 28AL0005");
  EXPECT_EQ(log[1], "Buis 40HN0007");
  EXPECT_EQ(log[2].rfind("Rapport ", 0), 0u);  // the merge's own report line, once
  EXPECT_EQ(log[3], kLogBuisMarker);
  EXPECT_EQ(log[4], "buis taak001");
  EXPECT_EQ(log[5], "buis taak002");
  EXPECT_EQ(log[6], kLogEndMarker);
  EXPECT_EQ(log[7], "exit taak001");
}

// The words of a run's lines that the merge must not go by.
struct Wording {
  std::string heading = "Alle buizen: maken invoer ZEFTAL (det+stoch calib)";
  std::string noModel = "Geen enkele buis heeft een plausibel model gekregen; zie boven.";
  std::string packing = "zip -m TUBE.zip TUBE.*";  // TUBE: the tube's stem
  std::string engineMessage = "";                  // after "Meldingen uit ZEFTAL3:"
};

// A task's run over `tubes` as the pipeline appends its lines: every phase
// begun, the lines of a tube tagged with it.
Messages taskRun(const std::vector<std::string>& tubes, bool noModel, const Wording& w = {}) {
  Messages r;
  r.beginPhase("open");
  for (const std::string& t : tubes) {
    TubeLines tube(r, t);
    r.appendLog("Buis " + t + " geopend");
  }
  r.beginPhase("koppeling");
  r.beginPhase("controle");
  r.beginPhase("start");
  r.appendLog("kron.txt: oud");
  r.beginPhase("ds");
  r.appendBuis(w.heading);
  for (const std::string& t : tubes) {
    TubeLines tube(r, t);
    r.appendBuis("ZEFTAL op " + t + " gestart.");
    r.appendLog("Meldingen uit ZEFTAL3:" + w.engineMessage);
    r.appendLog("ZEFTAL (op " + t + ") goed afgesloten.");
  }
  r.beginPhase("selectie");
  r.beginPhase("oordeel");
  if (noModel) r.appendLog(w.noModel);
  r.beginPhase("rapport");
  r.appendLog("Rapport geschreven: (taak)");
  r.beginPhase("inpakken");
  for (const std::string& t : tubes) {
    TubeLines tube(r, t);
    r.appendLog(replacedPath(w.packing, "TUBE", t));
  }
  r.appendStopExit("Op verzoek gestopt.");
  return r;
}

// Leaves a task's run in its folder as run.sh does: Phreatix.log, the phase
// file, modsel.zft, foutbuis.zft and the zip of every modelled location.
void leaveTask(Study& s, const std::string& task, const Messages& r, const std::string& modsel,
               const std::string& foutbuis) {
  writeSessionLog(r, s.dir.file(s.task(task)));
  writePhaseFile(s.dir.file(s.task(task) + "fasen.txt"), runTags(r));
  s.dir.write(s.task(task) + "modsel.zft", modsel);
  s.dir.write(s.task(task) + "foutbuis.zft", foutbuis);
  for (const std::string& location : readLines(s.dir.file(s.task(task) + "modsel.zft"))) {
    s.dir.write(s.task(task) + location.substr(0, 8) + ".zip", "zip");
  }
}

// The study's opening as prepare saves it.
void leaveOpening(Study& s) {
  Messages opening;
  opening.appendLog("Buis 28AL0005 geopend");
  opening.appendLog("Buis 32CN0031 geopend");
  opening.appendLog("Buis 40HN0007 geopend");
  writeLines(s.dir.file("taken/opening.log"), sessionLogLines(opening));
}

// The merged log against the log of one run over the whole study, line by
// line; the merge's own report line stands for the run's.
void expectLogOfOneRun(const std::vector<std::string>& merged, const Messages& whole) {
  const std::vector<std::string> wholeLines = splitLines([&] {
    std::string text;
    for (const std::string& line : sessionLogLines(whole)) text += line + "\n";
    return text;
  }());
  ASSERT_EQ(merged.size(), wholeLines.size());
  for (std::size_t i = 0; i < merged.size(); ++i) {
    if (wholeLines[i].rfind("Rapport ", 0) == 0) {
      EXPECT_EQ(merged[i].rfind("Rapport ", 0), 0u) << i;
    } else {
      EXPECT_EQ(merged[i], wholeLines[i]) << i;
    }
  }
}

// With every task's phase file the log comes out as one run over the
// whole study writes it: the study's own opening, per phase the tasks'
// lines in task order, a stage's heading and the kron note once, the report
// line of the merge, each tube's packing lines and then the closing lines.
TEST(Cluster, MergeWritesTheLogPhaseByPhase) {
  Study s;
  const Wording w;
  const Messages one = taskRun({"28AL0005", "32CN0031"}, false), two = taskRun({"40HN0007"}, true);
  const Messages whole = taskRun({"28AL0005", "32CN0031", "40HN0007"}, false);
  leaveTask(s, "taak001", one, "28AL0005 2s\n", "32CN0031 ft\n");
  leaveTask(s, "taak002", two, "", "40HN0007 ft\n");
  leaveOpening(s);
  const std::optional<RunTags> read = readPhaseFile(s.dir.file(s.task("taak001") + "fasen.txt"));
  ASSERT_TRUE(read);
  ASSERT_EQ(read->phases.size(), one.phases().size());

  mergeTasks(s.dir.path(), s.plan);
  const std::vector<std::string> merged = readLines(s.dir.file("Phreatix.log"));
  expectLogOfOneRun(merged, whole);
  EXPECT_EQ(std::count(merged.begin(), merged.end(), w.noModel), 0);
}

// The merge goes by the tags of the lines, not by their words: a stage's
// heading and the verdict that no tube got a model in other words, packing
// lines that do not name their own tube but hold another task's location
// code, and
// an engine message of several lines still come out as one run over the
// whole study writes them. With every task's verdict the study has it once.
TEST(Cluster, MergeGoesByTheTagsNotByTheWording) {
  Wording w;
  w.heading = "Invoer ZEFTAL voor elke buis (det+stoch calib)";
  w.noModel = "Voor deze dataset is geen model gevonden.";
  w.packing = "Ingepakt in archief.zip (niet in 40HN0007.zip)";
  w.engineMessage = " waarschuwing\nnog een regel over 32CN0031";
  {
    Study s;
    const Messages one = taskRun({"28AL0005", "32CN0031"}, false, w),
                   two = taskRun({"40HN0007"}, true, w);
    leaveTask(s, "taak001", one, "28AL0005 2s\n", "32CN0031 ft\n");
    leaveTask(s, "taak002", two, "", "40HN0007 ft\n");
    leaveOpening(s);
    mergeTasks(s.dir.path(), s.plan);
    const std::vector<std::string> merged = readLines(s.dir.file("Phreatix.log"));
    expectLogOfOneRun(merged, taskRun({"28AL0005", "32CN0031", "40HN0007"}, false, w));
    EXPECT_EQ(std::count(merged.begin(), merged.end(), w.noModel), 0);
    EXPECT_EQ(std::count(merged.begin(), merged.end(), w.heading), 1);
  }
  {
    Study s;
    leaveTask(s, "taak001", taskRun({"28AL0005", "32CN0031"}, true, w), "",
              "28AL0005 ft\n32CN0031 ft\n");
    leaveTask(s, "taak002", taskRun({"40HN0007"}, true, w), "", "40HN0007 ft\n");
    leaveOpening(s);
    mergeTasks(s.dir.path(), s.plan);
    const std::vector<std::string> merged = readLines(s.dir.file("Phreatix.log"));
    expectLogOfOneRun(merged, taskRun({"28AL0005", "32CN0031", "40HN0007"}, true, w));
    EXPECT_EQ(std::count(merged.begin(), merged.end(), w.noModel), 1);
  }
}

// A location the calibration left out is in neither list: its S.n01 tells
// for it, and the task has finished all the same.
TEST(Cluster, ALocationLeftOutOfTheCalibrationCountsAsFinished) {
  Study s;
  s.finish("taak001", "28AL0005 2s 0.9\n", "", {"28AL0005.zip"}, "Buis 28AL0005");
  EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 0).reason,
            "modsel.zft en foutbuis.zft noemen 32CN0031 niet");
  s.dir.write(s.task("taak001") + "32CN0031.n01", "geen meting binnen de periode\n");
  EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 0).state, TaskState::kFinished);
  // Another location's reason does not count for this one.
  s.finish("taak002", "", "", {}, "Buis 40HN0007");
  s.dir.write(s.task("taak002") + "32CN0031.n01", "geen meting binnen de periode\n");
  EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 1).state, TaskState::kFailed);
}

// Where no task chose a model the study gets one verdict: that of a task
// whose foutbuis.zft holds a line (the merged one does), else the last
// task's, which sends the user to the lines above.
TEST(Cluster, TheVerdictOfTheStudyNamesFoutbuisOnlyWhenItHoldsALine) {
  Wording inList, above;
  inList.noModel = "Geen model; de redenen staan in foutbuis.zft en hierboven.";
  above.noModel = "Geen model; de redenen staan in de regels hierboven.";
  {
    Study s;
    leaveTask(s, "taak001", taskRun({"28AL0005", "32CN0031"}, true, inList), "", "28AL0005 ft\n");
    leaveTask(s, "taak002", taskRun({"40HN0007"}, true, above), "", "");
    s.dir.write(s.task("taak001") + "32CN0031.n01", "geen meting\n");
    s.dir.write(s.task("taak002") + "40HN0007.n01", "geen meting\n");
    leaveOpening(s);
    mergeTasks(s.dir.path(), s.plan);
    expectLogOfOneRun(readLines(s.dir.file("Phreatix.log")),
                      taskRun({"28AL0005", "32CN0031", "40HN0007"}, true, inList));
  }
  {
    Study s;
    leaveTask(s, "taak001", taskRun({"28AL0005", "32CN0031"}, true, inList), "", "");
    leaveTask(s, "taak002", taskRun({"40HN0007"}, true, above), "", "");
    for (const char* file :
         {"taak001/28AL0005.n01", "taak001/32CN0031.n01", "taak002/40HN0007.n01"}) {
      s.dir.write(std::string("taken/") + file, "geen meting\n");
    }
    leaveOpening(s);
    mergeTasks(s.dir.path(), s.plan);
    expectLogOfOneRun(readLines(s.dir.file("Phreatix.log")),
                      taskRun({"28AL0005", "32CN0031", "40HN0007"}, true, above));
  }
}

// The phase file gives back every line's phase and tube, lines before the
// first phase and lines with line breaks in them included, one tag per line
// of Phreatix.log; a file that is not whole gives nothing.
TEST(Cluster, ThePhaseFileKeepsTheTagOfEveryLine) {
  test::TempDir dir;
  Messages m;
  m.appendLog("voor de eerste fase");
  m.beginPhase("open");
  m.appendBuis("over de dataset");
  {
    TubeLines tube(m, "28AL0005");
    m.appendLog("twee\nregels");
    {
      TubeLines inner(m, "buis met spatie");
      m.appendStopExit("genest");
    }
    m.appendLog("weer 28AL0005");
  }
  m.beginPhase("open");  // a phase of the same name is a phase of its own
  m.appendLog("tweede open");
  const RunTags tags = runTags(m);
  EXPECT_EQ(tags.phases, (std::vector<std::string>{"open", "open"}));
  ASSERT_EQ(tags.lists[0].size(), 5u);  // mmLOG as Phreatix.log holds it
  EXPECT_EQ(tags.lists[0][0], (LineTag{LineTag::kNoPhase, ""}));
  EXPECT_EQ(tags.lists[0][1], (LineTag{0, "28AL0005"}));
  EXPECT_EQ(tags.lists[0][2], (LineTag{0, "28AL0005"}));
  EXPECT_EQ(tags.lists[0][4], (LineTag{1, ""}));
  EXPECT_EQ(tags.lists[2], (std::vector<LineTag>{{0, "buis met spatie"}}));
  writePhaseFile(dir.file("fasen.txt"), tags);
  const std::optional<RunTags> read = readPhaseFile(dir.file("fasen.txt"));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->phases, tags.phases);
  EXPECT_EQ(read->lists, tags.lists);

  EXPECT_FALSE(readPhaseFile(dir.file("geen.txt")));
  for (const char* damaged :
       {"fase open\nlog x\n", "fase open\nlog 0\n", "fase open\nregel 2\n", "fase\n"}) {
    dir.write("kapot.txt", damaged);
    EXPECT_FALSE(readPhaseFile(dir.file("kapot.txt"))) << damaged;
  }
}

}  // namespace
}  // namespace phreatix
