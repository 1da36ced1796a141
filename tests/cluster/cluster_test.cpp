// A study cut into cluster tasks of whole locations, the tasks judged from
// their own files and merged back.
#include "cluster/cluster.h"

#include <zip.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <tuple>

#include "coupling/given_components.h"
#include "demo/demo_data.h"
#include "error.h"
#include "files/values_lines.h"
#include "files/zip_contents.h"
#include "input/calendar.h"
#include "platform/files.h"
#include "report/messages.h"
#include "results/zip_check.h"
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

// A values line of modsel.zft or foutbuis.zft as the selection writes it.
std::string values(const std::string& stem, const std::string& label) {
  return valuesLine(stem, label, Parameters{0.93, 4.24, 0, 0.96, -104.8, 5.1}) + "\n";
}

// A zip archive of the members, each holding its own name, as the packing
// leaves it; the members as zipinhoud.txt records them.
std::vector<ZipMember> writeArchive(const std::string& dir, const std::string& zipName,
                                    const std::vector<std::string>& members) {
  int error = 0;
  zip_t* zip = zip_open(joinPath(dir, zipName).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  EXPECT_NE(zip, nullptr);
  std::vector<ZipMember> recorded;
  std::vector<std::string> texts;
  texts.reserve(members.size());
  for (const std::string& name : members) {
    texts.push_back("inhoud van " + name + "\n" + std::string(200, 'x'));
    const std::string& text = texts.back();
    const zip_int64_t index =
        zip_file_add(zip, name.c_str(), zip_source_buffer(zip, text.data(), text.size(), 0), 0);
    // Stored as it is, so that a test can find a member's bytes in the file.
    zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    Crc32 crc;
    crc.add(text);
    recorded.push_back({zipName, name, text.size(), crc.value()});
  }
  EXPECT_EQ(zip_close(zip), 0);
  return recorded;
}

// A study of tasks written as cluster prepare writes it (by default two
// tasks: 28AL0005 and 32CN0031, then 40HN0007), with the results a
// finished run leaves (or part of them).
struct Study {
  test::TempDir dir;
  ClusterPlan plan;
  explicit Study(const std::vector<std::pair<std::string, int>>& locations = {{"28AL0005", 1},
                                                                              {"32CN0031", 1},
                                                                              {"40HN0007", 1}},
                 const std::vector<std::string>& options = {"--start-year", "1970", "--end-year",
                                                            "1999"}) {
    std::string exportText = "LOCATIE,F\n", coupling;
    for (std::size_t i = 0; i < locations.size(); ++i) {
      exportText += locations[i].first + ",001\n";
      coupling += locations[i].first + (i == 0   ? " west.prn\n"
                                        : i == 1 ? ",oost.prn\n"
                                                 : " oost.prn\n");
    }
    dir.write("export.csv", exportText);
    dir.write("koppeling.txt", coupling);
    dir.write("west.prn", "w\n");
    dir.write("oost.prn", "o\n");
    dir.write("kron.txt", "k\n");
    plan.dataFiles = {"export.csv"};
    plan.couplingFile = "koppeling.txt";
    plan.options = options;
    plan.program = "/opt/phreatix cli/phreatix-cli";
    plan.tasks = planTasks(locations, 2);
    prepareCluster(dir.path(), plan);
  }
  std::string task(const std::string& name) const { return "taken/" + name + "/"; }
  // The task's archives, each zip with its members, and zipinhoud.txt.
  void pack(const std::string& name,
            const std::vector<std::pair<std::string, std::vector<std::string>>>& zips) {
    std::vector<ZipMember> recorded;
    for (const auto& [zip, members] : zips) {
      const std::vector<ZipMember> own = writeArchive(dir.file(task(name)), zip, members);
      recorded.insert(recorded.end(), own.begin(), own.end());
    }
    writeZipContents(dir.file(task(name) + kZipContentsName), recorded);
  }
  // Packs the locations of `zips` ("28AL0005.zip") with their S.01 and S.sta.
  void packLocations(const std::string& name, const std::vector<std::string>& zips) {
    std::vector<std::pair<std::string, std::vector<std::string>>> archives;
    for (const std::string& zip : zips) {
      const std::string S = zip.substr(0, zip.size() - 4);
      archives.push_back({zip, {S + ".01", S + ".sta"}});
    }
    pack(name, archives);
  }
  void finish(const std::string& name, const std::string& modsel, const std::string& foutbuis,
              const std::vector<std::string>& zips, const std::string& logLine) {
    dir.write(task(name) + "modsel.zft", modsel);
    dir.write(task(name) + "foutbuis.zft", foutbuis);
    packLocations(name, zips);
    // The lines about the task's first location.
    const std::string& first = plan.tasks.at(name == "taak001" ? 0 : 1).locations.front();
    Messages m;
    m.beginPhase("open");
    {
      TubeLines tube(m, first);
      m.appendLog(logLine);
    }
    m.beginPhase("rapport");
    m.appendLog("Rapport geschreven: (taak)");
    m.beginPhase("inpakken");
    {
      TubeLines tube(m, first);
      m.appendBuis("buis " + name);
      m.appendStopExit("exit " + name);
    }
    writeSessionLog(m, dir.file(task(name)));
    writePhaseFile(dir.file(task(name) + kPhaseFileName), runTags(m));
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
  std::filesystem::remove(s.dir.file(s.task("taak001") + "28AL0005.01"));
  s.finish("taak001", values("28AL0005", "2s"), "", {"28AL0005.zip"}, "Buis 28AL0005");
  status = judgeTask(s.dir.path(), s.plan, 0);
  EXPECT_EQ(status.state, TaskState::kFailed);
  EXPECT_EQ(status.reason, "modsel.zft en foutbuis.zft noemen 32CN0031 niet");
  s.dir.write(s.task("taak001") + "foutbuis.zft", values("32CN0031", "ft"));
  s.packLocations("taak001", {"28AL0005.zip", "32CN0031.zip"});
  EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 0).state, TaskState::kFinished);
  std::filesystem::remove(s.dir.file(s.task("taak001") + "28AL0005.zip"));
  EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 0).reason, "28AL0005.zip ontbreekt");
  // No model at all: finished.
  s.finish("taak002", "", values("40HN0007", "ft"), {}, "Buis 40HN0007");
  EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 1).state, TaskState::kFinished);
  s.dir.write(s.task("taak002") + "Phreatix.log", "Buis 40HN0007\n");
  EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 1).reason, "Phreatix.log is onvolledig");

  writeTaskInputs(s.dir.path(), s.plan, 0);
  EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 0).state, TaskState::kMissing);
  EXPECT_FALSE(fileExists(s.dir.file(s.task("taak001") + "modsel.zft")));
}

// A task's zip is opened and held against zipinhoud.txt, member by member:
// one cut short, emptied, overwritten with something else, with a member
// changed, or left out of the record is no finished task, and the reason
// names it; so is a task without the record. Without packing there is
// nothing to hold the zips against.
TEST(Cluster, ATaskZipThatIsDamagedIsNotFinished) {
  Study s;
  s.finish("taak001", values("28AL0005", "2s"), values("32CN0031", "ft"),
           {"28AL0005.zip", "32CN0031.zip"}, "Buis 28AL0005");
  ASSERT_EQ(judgeTask(s.dir.path(), s.plan, 0).state, TaskState::kFinished);
  const std::string zip = s.task("taak001") + "28AL0005.zip";
  const std::string whole = s.dir.read(zip);
  std::string changed = whole;
  const std::size_t at = changed.find("inhoud van 28AL0005.sta");
  ASSERT_NE(at, std::string::npos);
  changed[at + 3] = 'X';
  const std::pair<std::string, std::string> damages[] = {
      {whole.substr(0, whole.size() - 30), "28AL0005.zip: het archief is niet te openen"},
      {"", "28AL0005.zip: het archief is niet te openen"},
      {std::string(whole.size(), 'x'), "28AL0005.zip: het archief is niet te openen"},
      {changed, "28AL0005.zip: 28AL0005.sta: "},
  };
  for (const auto& [text, reason] : damages) {
    s.dir.write(zip, text);
    const TaskStatus status = judgeTask(s.dir.path(), s.plan, 0);
    EXPECT_EQ(status.state, TaskState::kFailed) << reason;
    EXPECT_EQ(status.reason.rfind(reason, 0), 0u) << status.reason;
  }
  s.dir.write(zip, whole);
  ASSERT_EQ(judgeTask(s.dir.path(), s.plan, 0).state, TaskState::kFinished);

  // A zip the record does not hold, and no record at all.
  writeArchive(s.dir.file(s.task("taak001")), "32CN0031x.zip", {"32CN0031x.01"});
  EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 0).reason, "32CN0031x.zip staat niet in zipinhoud.txt");
  std::filesystem::remove(s.dir.file(s.task("taak001") + "32CN0031x.zip"));
  const std::string record = s.dir.read(s.task("taak001") + kZipContentsName);
  std::filesystem::remove(s.dir.file(s.task("taak001") + kZipContentsName));
  EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 0).reason, "zipinhoud.txt ontbreekt");
  s.dir.write(s.task("taak001") + kZipContentsName, record + "28AL0005.zip 28AL0005.a01 12\n");
  EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 0).reason.find(":5: verwacht archief"),
            s.dir.file(s.task("taak001") + kZipContentsName).size())
      << judgeTask(s.dir.path(), s.plan, 0).reason;
  s.dir.write(s.task("taak001") + kZipContentsName, record);

  // Without packing the zips are not looked at.
  Study loose({{"28AL0005", 1}}, {"--no-pack"});
  loose.finish("taak001", values("28AL0005", "2s"), "", {}, "Buis 28AL0005");
  std::filesystem::remove(loose.dir.file(loose.task("taak001") + kZipContentsName));
  EXPECT_EQ(judgeTask(loose.dir.path(), loose.plan, 0).state, TaskState::kFinished);
}

// What a task's lists say is read as values lines: a line the reader
// refuses is no finished task, named with its file and line, and the merge
// refuses the study rather than pass the line on to the report.
TEST(Cluster, ABadValuesLineInATaskIsNamedAndRefused) {
  Study s;
  s.finish("taak001", values("28AL0005", "2s"), values("32CN0031", "ft"),
           {"28AL0005.zip", "32CN0031.zip"}, "Buis 28AL0005");
  s.finish("taak002", "", values("40HN0007", "ft"), {"40HN0007.zip"}, "Buis 40HN0007");
  s.dir.write(s.task("taak001") + "modsel.zft", values("28AL0005", "2s") + "32CN0031 2s 0.93 x\n");
  const TaskStatus status = judgeTask(s.dir.path(), s.plan, 0);
  EXPECT_EQ(status.state, TaskState::kFailed);
  EXPECT_EQ(status.reason.rfind(s.dir.file(s.task("taak001") + "modsel.zft:2: "), 0), 0u)
      << status.reason;
  try {
    mergeTasks(s.dir.path(), s.plan);
    ADD_FAILURE() << "merged a bad values line";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("taak001 (mislukt: " + status.reason + ")"),
              std::string::npos)
        << e.what();
  }
  EXPECT_FALSE(fileExists(s.dir.file("modsel.zft")));
}

// A location without filter 01 was calibrated in its other filter and
// never selected: under "standaard" neither list names it, as in a run of
// the whole data set, and its task has finished; under "uitgebreid" the
// selection takes that filter, so a list must name it. A location with a
// filter 01 is always named.
TEST(Cluster, ALocationWithoutFilter01CountsAsOneRunOfTheModelTreatsIt) {
  for (const bool extended : {false, true}) {
    SCOPED_TRACE(extended ? "uitgebreid" : "standaard");
    std::vector<std::string> options = {"--start-year", "1970", "--end-year", "1999"};
    if (extended) options.insert(options.end(), {"--model", "uitgebreid"});
    for (const bool packed : {true, false}) {
      SCOPED_TRACE(packed ? "packed" : "not packed");
      if (!packed) options.push_back("--no-pack");
      Study s({{"28AL0005", 1}, {"32CN0031", 1}, {"40HN0007", 1}}, options);
      s.finish("taak001", values("28AL0005", "2s"), "", {"28AL0005.zip"}, "Buis 28AL0005");
      const std::vector<std::string> filter02 = {"32CN0031.02", "32CN0031.a02", "32CN0031.LOG"};
      if (packed) {
        s.pack("taak001", {{"28AL0005.zip", {"28AL0005.01"}}, {"32CN0031.zip", filter02}});
      } else {
        for (const std::string& name : filter02) s.dir.write(s.task("taak001") + name, "x\n");
      }
      const TaskStatus status = judgeTask(s.dir.path(), s.plan, 0);
      if (extended) {
        EXPECT_EQ(status.reason, "modsel.zft en foutbuis.zft noemen 32CN0031 niet");
      } else {
        EXPECT_EQ(status.state, TaskState::kFinished) << status.reason;
      }
      // With a filter 01 the location went to the selection.
      if (packed) {
        s.pack("taak001", {{"28AL0005.zip", {"28AL0005.01"}},
                           {"32CN0031.zip", {"32CN0031.01", "32CN0031.02"}}});
      } else {
        s.dir.write(s.task("taak001") + "32CN0031.01", "x\n");
      }
      EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 0).reason,
                "modsel.zft en foutbuis.zft noemen 32CN0031 niet");
    }
  }
}

// The merge refuses while a task has not finished, naming each; then it
// gathers the zips, their records and both lists and the logs list by list.
TEST(Cluster, MergeGathersFinishedTasksInTaskOrder) {
  Study s;
  s.finish("taak002", "", values("40HN0007", "ft"), {"40HN0007.zip"}, "Buis 40HN0007");
  try {
    mergeTasks(s.dir.path(), s.plan);
    ADD_FAILURE() << "merged with a task missing";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Niet samengevoegd: 1 van de 2 taken zijn niet klaar: taak001 (ontbreekt: nog geen "
              "resultaten).");
  }
  EXPECT_FALSE(fileExists(s.dir.file("modsel.zft")));
  s.finish("taak001", values("28AL0005", "2s"), values("32CN0031", "ft"),
           {"28AL0005.zip", "32CN0031.zip"}, "Buis 28AL0005");
  const MergeOutcome merged = mergeTasks(s.dir.path(), s.plan);
  EXPECT_TRUE(merged.unwritten.empty());
  EXPECT_EQ(s.dir.read("modsel.zft"), values("28AL0005", "2s"));
  EXPECT_EQ(s.dir.read("foutbuis.zft"), values("32CN0031", "ft") + values("40HN0007", "ft"));
  EXPECT_EQ(s.dir.read("28AL0005.zip"), s.dir.read(s.task("taak001") + "28AL0005.zip"));
  EXPECT_EQ(s.dir.read(kZipContentsName), s.dir.read(s.task("taak001") + kZipContentsName) +
                                              s.dir.read(s.task("taak002") + kZipContentsName));
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

// A study whose export is not sorted by location: the tasks hold the data
// set's order, the selection goes by location code. modsel.zft and
// foutbuis.zft come out in the selection's order, under "uitgebreid" with
// the locations without filter 01 after the others, as the selection
// appends them.
TEST(Cluster, MergeWritesTheListsInTheOrderOfTheSelection) {
  for (const bool extended : {false, true}) {
    SCOPED_TRACE(extended ? "uitgebreid" : "standaard");
    std::vector<std::string> options = {"--no-pack"};
    if (extended) options.insert(options.end(), {"--model", "uitgebreid"});
    Study s({{"40HN0007", 1}, {"30BB0002", 1}, {"34EF0047", 1}, {"28AL0005", 1}}, options);
    ASSERT_EQ(s.plan.tasks.size(), 2u);
    // 30BB0002 has only filter 02: under "standaard" in neither list.
    s.finish("taak001", "", values("40HN0007", "ft") + (extended ? values("30BB0002", "ft") : ""),
             {}, "Buis 40HN0007");
    s.finish("taak002", values("28AL0005", "2s") + values("34EF0047", "1s"), "", {},
             "Buis 34EF0047");
    for (const auto& [task, name] : {std::pair{"taak001", "40HN0007.01"},
                                     {"taak001", "30BB0002.02"},
                                     {"taak002", "34EF0047.01"},
                                     {"taak002", "28AL0005.01"}}) {
      s.dir.write(s.task(task) + name, "x\n");
    }
    const MergeOutcome merged = mergeTasks(s.dir.path(), s.plan);
    EXPECT_TRUE(merged.unwritten.empty());
    EXPECT_EQ(s.dir.read("modsel.zft"), values("28AL0005", "2s") + values("34EF0047", "1s"));
    EXPECT_EQ(s.dir.read("foutbuis.zft"),
              values("40HN0007", "ft") + (extended ? values("30BB0002", "ft") : ""));
    if (!extended) continue;
    // A location without filter 01 after one with it, in another task.
    s.dir.write(s.task("taak002") + "foutbuis.zft", values("34EF0047", "ft"));
    s.dir.write(s.task("taak002") + "modsel.zft", values("28AL0005", "2s"));
    mergeTasks(s.dir.path(), s.plan);
    EXPECT_EQ(s.dir.read("foutbuis.zft"),
              values("34EF0047", "ft") + values("40HN0007", "ft") + values("30BB0002", "ft"));
  }
}

// A phase file that does not tag the log (cut off, a line that is none of
// its own, or fewer tags than log lines) is named with its fault and the
// merge refuses, rather than put the lines in another order.
TEST(Cluster, ADamagedPhaseFileIsNamedAndTheMergeRefuses) {
  Study s;
  s.finish("taak001", values("28AL0005", "2s"), values("32CN0031", "ft"),
           {"28AL0005.zip", "32CN0031.zip"}, "Buis 28AL0005");
  s.finish("taak002", "", values("40HN0007", "ft"), {"40HN0007.zip"}, "Buis 40HN0007");
  const std::string phases = s.task("taak002") + kPhaseFileName;
  const std::string whole = s.dir.read(phases);
  const std::pair<std::string, std::string> damages[] = {
      {"fase open\nlog 1 40HN0007\nfase rapport\nlog 1\nfa",
       "fasen.txt is beschadigd: " + s.dir.file(phases) +
           ":5: verwacht fase, log, buis of stopexit, kreeg \"fa\""},
      {"fase open\nlog 1 40HN0007\n",
       "fasen.txt past niet bij Phreatix.log (log: 1 regels in fasen.txt, 2 in Phreatix.log)"},
      {"fase open\nlog x\n", "fasen.txt is beschadigd: " + s.dir.file(phases) +
                                 ":2: verwacht een aantal regels van 1 of meer, kreeg \"x\""},
  };
  for (const auto& [text, reason] : damages) {
    s.dir.write(phases, text);
    EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 1).reason, reason);
    try {
      mergeTasks(s.dir.path(), s.plan);
      ADD_FAILURE() << "merged with " << reason;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("taak002 (mislukt: " + reason + ")"), std::string::npos)
          << e.what();
    }
    EXPECT_FALSE(fileExists(s.dir.file("Phreatix.log")));
  }
  std::filesystem::remove(s.dir.file(phases));
  EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 1).reason,
            "fasen.txt is beschadigd: " + s.dir.file(phases) + ": ontbreekt");
  s.dir.write(phases, whole);
  EXPECT_EQ(judgeTask(s.dir.path(), s.plan, 1).state, TaskState::kFinished);
}

// A report that cannot be written leaves the merge unfinished: its outcome
// names the report and why, the tasks' results are all in place, and the
// log says the report was not written.
TEST(Cluster, AMergeWhoseReportCannotBeWrittenSaysSo) {
  Study s;
  s.finish("taak001", values("28AL0005", "2s"), values("32CN0031", "ft"),
           {"28AL0005.zip", "32CN0031.zip"}, "Buis 28AL0005");
  s.finish("taak002", "", values("40HN0007", "ft"), {"40HN0007.zip"}, "Buis 40HN0007");
  std::filesystem::create_directory(s.dir.file("overzicht.csv"));  // in the way of the report
  const MergeOutcome merged = mergeTasks(s.dir.path(), s.plan);
  ASSERT_EQ(merged.unwritten.size(), 1u);
  EXPECT_EQ(
      merged.unwritten[0].rfind("het rapport (rapport.html, overzicht.csv, overzicht.gpkg): ", 0),
      0u)
      << merged.unwritten[0];
  EXPECT_EQ(s.dir.read("modsel.zft"), values("28AL0005", "2s"));
  EXPECT_TRUE(fileExists(s.dir.file("40HN0007.zip")));
  EXPECT_NE(s.dir.read("Phreatix.log").find("Rapport niet geschreven: "), std::string::npos);
}

// The words of a run's lines that the merge must not go by.
struct Wording {
  std::string heading = "Alle buizen: maken invoer ZEFTAL (det+stoch calib)";
  std::string noModel = "Geen enkele buis heeft een plausibel model gekregen; zie boven.";
  std::string packing = "zip -m TUBE.zip TUBE.*";  // TUBE: the tube's stem
  std::string engineMessage = "";                  // after "Meldingen uit ZEFTAL3:"
};

// A task's run over `tubes` (in the data set's order) as the pipeline
// appends its lines: every phase begun, the lines of a tube tagged with it;
// the selection, the post-processing and the packing take the tubes by
// code, as they list the tubes' files.
Messages taskRun(const std::vector<std::string>& tubes, bool noModel, const Wording& w = {}) {
  std::vector<std::string> byCode = tubes;
  std::sort(byCode.begin(), byCode.end());
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
  for (const std::string& t : byCode) {
    TubeLines tube(r, t);
    r.appendBuis("Modelkeuze " + t);
  }
  r.beginPhase("oordeel");
  if (noModel) r.appendLog(w.noModel);
  r.beginPhase("post");
  for (const std::string& t : byCode) {
    TubeLines tube(r, t);
    r.appendLog("Buis " + t + ": karakteristieken geschreven");
  }
  r.beginPhase("rapport");
  r.appendLog("Rapport geschreven: (taak)");
  r.beginPhase("inpakken");
  for (const std::string& t : byCode) {
    TubeLines tube(r, t);
    r.appendLog(replacedPath(w.packing, "TUBE", t));
  }
  r.appendStopExit("Op verzoek gestopt.");
  return r;
}

// Leaves a task's run in its folder as run.sh does: Phreatix.log, the phase
// file, modsel.zft and foutbuis.zft (each given as "STEM LABEL" a line, a
// values line of that tube), and the zip of every location they name with
// zipinhoud.txt.
void leaveTask(Study& s, const std::string& task, const Messages& r, const std::string& modsel,
               const std::string& foutbuis) {
  writeSessionLog(r, s.dir.file(s.task(task)));
  writePhaseFile(s.dir.file(s.task(task) + "fasen.txt"), runTags(r));
  std::vector<std::string> zips;
  for (const auto& [name, given] : {std::pair{"modsel.zft", modsel}, {"foutbuis.zft", foutbuis}}) {
    std::string text;
    for (const std::string& line : splitLines(given)) {
      const std::string stem = line.substr(0, line.find(' '));
      text += values(stem, line.substr(line.find(' ') + 1));
      zips.push_back(stem + ".zip");
    }
    s.dir.write(s.task(task) + name, text);
  }
  s.packLocations(task, zips);
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

// An export not sorted by location: one run takes the tubes in the data
// set's order in most phases, and by code where it lists their files (the
// selection, the post-processing, the packing). The merged log follows the
// order of each phase, however the tasks cut the data set.
TEST(Cluster, MergePutsTheTubesOfEachPhaseInTheOrderOfOneRun) {
  Study s({{"40HN0007", 1}, {"32CN0031", 1}, {"28AL0005", 1}});
  leaveTask(s, "taak001", taskRun({"40HN0007", "32CN0031"}, false), "32CN0031 2s\n",
            "40HN0007 ft\n");
  leaveTask(s, "taak002", taskRun({"28AL0005"}, false), "28AL0005 2s\n", "");
  Messages opening;
  for (const char* tube : {"40HN0007", "32CN0031", "28AL0005"}) {
    opening.appendLog(std::string("Buis ") + tube + " geopend");
  }
  writeLines(s.dir.file("taken/opening.log"), sessionLogLines(opening));
  mergeTasks(s.dir.path(), s.plan);
  expectLogOfOneRun(readLines(s.dir.file("Phreatix.log")),
                    taskRun({"40HN0007", "32CN0031", "28AL0005"}, false));
  EXPECT_EQ(s.dir.read("modsel.zft"), values("28AL0005", "2s") + values("32CN0031", "2s"));
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
  s.finish("taak001", values("28AL0005", "2s"), "", {"28AL0005.zip"}, "Buis 28AL0005");
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
