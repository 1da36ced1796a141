// One program per working directory, and exit codes that tell the truth:
// phreatix-cli run as a user runs it, with a second program started in the
// same directory, a lock left by a kill -9 or by another host, and a report
// or a packing that fails.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <zip.h>

#include <gtest/gtest.h>

#include "demo/demo_data.h"
#include "platform/directory_lock.h"
#include "platform/files.h"
#include "report/messages.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

struct CliRun {
  int code = -1;
  std::string out;
  std::string err;
  double seconds = 0;
};

// A shell command line in the directory, with its exit code and output.
CliRun runShell(const test::TempDir& dir, const std::string& line) {
  const std::string command =
      "cd '" + dir.path() + "' && (" + line + ") > cli.out 2> cli.err < /dev/null";
  const auto started = std::chrono::steady_clock::now();
  const int status = std::system(command.c_str());
  CliRun run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = dir.read("cli.out");
  run.err = dir.read("cli.err");
  removeFile(dir.file("cli.out"));
  removeFile(dir.file("cli.err"));
  return run;
}

const std::string kCli = "'" PHREATIX_CLI "' ";

std::string hostName() {
  char name[256] = {};
  gethostname(name, sizeof name - 1);
  return name;
}

// Waits up to `seconds` for the file; true when it came.
bool waitFor(const std::string& path, double seconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!std::filesystem::exists(path)) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// Every file of a directory tree by its path below it, with its content.
std::map<std::string, std::string> filesOf(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    files[std::filesystem::relative(entry.path(), dir).string()] =
        readFileText(entry.path().string());
  }
  return files;
}

// Every member of an archive with its size and checksum.
std::map<std::string, std::pair<zip_uint64_t, zip_uint32_t>> archiveIndex(const std::string& path) {
  std::map<std::string, std::pair<zip_uint64_t, zip_uint32_t>> index;
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (zip == nullptr) return index;
  for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
    zip_stat_t stat;
    if (zip_stat_index(zip, i, 0, &stat) == 0) index[stat.name] = {stat.size, stat.crc};
  }
  zip_close(zip);
  return index;
}

// A zip ahead of the real one on PATH (in `dir`/bin): it marks that it
// started, waits while `dir`/hold exists, then stores without compressing.
std::string writeHoldingZip(const test::TempDir& dir) {
  std::filesystem::create_directories(dir.file("bin"));
  dir.write("bin/zip", "#!/bin/sh\ntouch '" + dir.file("zip-started") + "'\nwhile [ -e '" +
                           dir.file("hold") +
                           "' ]; do sleep 0.05; done\nexec /usr/bin/zip -0 \"$@\" > /dev/null\n");
  std::filesystem::permissions(dir.file("bin/zip"), std::filesystem::perms::owner_all);
  return "PATH='" + dir.file("bin") + "':\"$PATH\" ";
}

// The process id a lock file names.
std::string lockPid(const std::string& lock) {
  for (const std::string& line : splitLines(lock)) {
    if (line.rfind("proces ", 0) == 0) return line.substr(7);
  }
  return "";
}

std::string runArgs(const DemoDataSet& data) {
  return "run --data " + data.exportFile + " --coupling " + data.couplingFile + " --jobs 1";
}

// Two runs in one directory: the second is refused at once with 3, naming
// the first, and changes nothing; so are a repair, a demo and a report
// there. The first, held in its packing meanwhile, ends as a run that was
// alone: the same files, the same archives, the same log.
TEST(CliLock, ASecondRunInTheDirectoryIsRefusedAndTheFirstUndisturbed) {
  if (!fileExists("/usr/bin/zip")) GTEST_SKIP() << "zip is not installed";
  test::TempDir dir;
  const std::string path = writeHoldingZip(dir);
  std::filesystem::create_directories(dir.file("a"));
  std::filesystem::create_directories(dir.file("b"));
  const DemoDataSet data = writeDemoData(dir.file("a"));
  writeDemoData(dir.file("b"));

  dir.write("hold", "");
  const std::string first = "cd a && " + path + kCli + runArgs(data) +
                            " > ../first.out 2> ../first.err; echo $? > ../first.code";
  ASSERT_EQ(std::system(("cd '" + dir.path() + "' && (" + first + ") &").c_str()), 0);
  ASSERT_TRUE(waitFor(dir.file("zip-started"), 600)) << dir.read("first.out");
  const std::string lockPath = dir.file(std::string("a/") + kLockFileName);
  EXPECT_TRUE(fileExists(lockPath)) << "no lock while the first run works";
  const std::string lock = fileExists(lockPath) ? dir.read(std::string("a/") + kLockFileName) : "";
  const std::map<std::string, std::string> before = filesOf(dir.file("a"));

  // Each bounded: a program that is not refused would run the whole pipeline.
  const std::string bounded = "timeout 600 " + kCli;
  for (const std::string& second : {"cd a && " + bounded + runArgs(data) + " --no-pack",
                                    "cd a && " + bounded + "repair --data " + data.exportFile +
                                        " --coupling " + data.couplingFile + " --no-pack",
                                    bounded + "demo a --no-pack", bounded + "report a",
                                    "cd a && " + bounded + "open " + data.exportFile}) {
    const CliRun run = runShell(dir, second);
    EXPECT_EQ(run.code, 3) << second << "\n" << run.out << run.err;
    EXPECT_NE(run.err.find(" is bezig: phreatix-cli run (proces "), std::string::npos)
        << second << "\n"
        << run.err;
    EXPECT_NE(run.err.find("(proces " + lockPid(lock) + " op " + hostName() + ", sinds "),
              std::string::npos)
        << run.err << lock;
    EXPECT_LT(run.seconds, 10) << second;
    EXPECT_TRUE(filesOf(dir.file("a")) == before) << second;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("first.code")));  // still packing, held

  removeFile(dir.file("hold"));
  ASSERT_TRUE(waitFor(dir.file("first.code"), 600));
  for (int i = 0; i < 100 && dir.read("first.code").empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(dir.read("first.code"), "0\n") << dir.read("first.err");
  const CliRun alone = runShell(dir, "cd b && " + path + kCli + runArgs(data));
  ASSERT_EQ(alone.code, 0) << alone.err;

  const std::map<std::string, std::string> a = filesOf(dir.file("a")), b = filesOf(dir.file("b"));
  ASSERT_EQ(a.size(), b.size());
  std::size_t archives = 0;
  for (const auto& [name, text] : a) {
    ASSERT_TRUE(b.count(name)) << name;
    if (name.size() > 4 && name.substr(name.size() - 4) == ".zip") {
      const auto index = archiveIndex(dir.file("a/" + name));
      EXPECT_GE(index.size(), 15u) << name;
      EXPECT_EQ(index, archiveIndex(dir.file("b/" + name))) << name;
      ++archives;
    } else {
      EXPECT_TRUE(replacedPath(text, dir.file("a"), "DIR") ==
                  replacedPath(b.at(name), dir.file("b"), "DIR"))
          << name;
    }
  }
  EXPECT_EQ(archives, 5u);
  EXPECT_FALSE(fileExists(dir.file(std::string("a/") + kLockFileName)));
  EXPECT_EQ(dir.read("first.err"), alone.err);
}

// A run killed with kill -9 leaves its lock; the next run on this host
// finds its holder gone, takes it over with a line on standard error and in
// Phreatix.log, and ends well, leaving no lock.
TEST(CliLock, TheLockOfAKilledRunIsTakenOverByTheNextRun) {
  test::TempDir dir;
  const DemoDataSet data = writeDemoData(dir.path());
  const std::string command = "cd '" + dir.path() + "' && (" + kCli + runArgs(data) +
                              " --no-pack > first.out 2>&1 & echo $! > first.pid; wait)";
  std::thread first([&] { std::system(command.c_str()); });
  // Killed once it has opened the data set.
  const bool opened = waitFor(dir.file("olga.tmp"), 300);
  const bool locked = fileExists(dir.file(kLockFileName));
  const std::string pid = readLines(dir.file("first.pid")).at(0);
  std::system(("kill -9 " + pid).c_str());
  first.join();
  ASSERT_TRUE(opened) << dir.read("first.out");
  ASSERT_TRUE(locked) << "no lock while the run works";
  ASSERT_TRUE(fileExists(dir.file(kLockFileName))) << "kill -9 leaves the lock";
  EXPECT_NE(dir.read(kLockFileName).find("proces " + pid + "\n"), std::string::npos);

  const CliRun next = runShell(dir, kCli + runArgs(data) + " --no-pack");
  ASSERT_EQ(next.code, 0) << next.out << next.err;
  const std::string line = "Slot " + dir.file(kLockFileName) +
                           " overgenomen van phreatix-cli run (proces " + pid + " op " +
                           hostName() + ", sinds ";
  EXPECT_NE(next.err.find("phreatix-cli: " + line), std::string::npos) << next.err;
  EXPECT_NE(dir.read("Phreatix.log").find(line), std::string::npos);
  EXPECT_FALSE(fileExists(dir.file(kLockFileName)));
}

// However a program ends short of a kill -9, its lock goes with it: after
// a fatal stop (no kron.txt), an error unwinding to the front end (a
// coupling file that is not there) and a refused export the next program
// finds the directory free, with nothing to take over.
TEST(CliLock, TheLockGoesAfterAFatalStopAndARefusal) {
  test::TempDir dir;
  const DemoDataSet data = writeDemoData(dir.path());
  const std::string kron = dir.read("kron.txt");
  removeFile(dir.file("kron.txt"));
  CliRun run = runShell(dir, kCli + runArgs(data) + " --no-pack");
  EXPECT_EQ(run.code, 2) << run.out << run.err;
  EXPECT_FALSE(fileExists(dir.file(kLockFileName)));
  dir.write("kron.txt", kron);
  run = runShell(dir, kCli + "run --data " + data.exportFile + " --coupling geen.txt --no-pack");
  EXPECT_EQ(run.code, 1) << run.out << run.err;
  EXPECT_FALSE(fileExists(dir.file(kLockFileName)));
  dir.write("leeg.csv", "");
  run = runShell(dir, kCli + "open leeg.csv");
  EXPECT_EQ(run.code, 1) << run.out << run.err;
  EXPECT_FALSE(fileExists(dir.file(kLockFileName)));
  run = runShell(dir, kCli + "open " + data.exportFile);
  EXPECT_EQ(run.code, 0) << run.out << run.err;
  EXPECT_EQ(run.err.find("overgenomen"), std::string::npos) << run.err;
  EXPECT_FALSE(fileExists(dir.file(kLockFileName)));
}

// A lock of another host (a cluster's shared file system) is never taken
// over: every program is refused with 3, told which file to remove, and
// writes nothing.
TEST(CliLock, ALockOfAnotherHostIsRefusedWithTheRemedy) {
  test::TempDir dir;
  const DemoDataSet data = writeDemoData(dir.path());
  const std::string foreign =
      "host rekenknoop-17\nproces 4242\nsinds 2024-11-02 08:15:00\nprogramma phreatix-cli run\n";
  dir.write(kLockFileName, foreign);
  const std::map<std::string, std::string> before = filesOf(dir.path());
  for (const std::string& command : {kCli + runArgs(data) + " --no-pack", kCli + "report",
                                     kCli + "demo '" + dir.path() + "' --no-pack"}) {
    const CliRun run = runShell(dir, "timeout 600 " + command);
    EXPECT_EQ(run.code, 3) << command << "\n" << run.out << run.err;
    EXPECT_EQ(run.err, "phreatix-cli: " + dir.path() +
                           " is bezig: phreatix-cli run (proces 4242 op rekenknoop-17, sinds "
                           "2024-11-02 08:15:00) werkt in deze map. Een slot van een andere "
                           "computer wordt nooit vanzelf overgenomen: draait dat programma daar "
                           "niet meer, verwijder dan " +
                           dir.file(kLockFileName) + ".\n")
        << command;
    EXPECT_TRUE(filesOf(dir.path()) == before) << command;
  }
}

// cluster submit never empties the folder of a task whose run holds it
// (here on a compute node): --only-failed leaves it out and says so, a
// submit of every task is refused with 3; status calls it bezig. sbatch is
// a stand-in that notes its arguments.
TEST(CliLock, ClusterSubmitLeavesATaskWhoseRunHoldsItsFolder) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.file("study"));
  const DemoDataSet data = writeDemoData(dir.file("study"));
  std::filesystem::create_directories(dir.file("bin"));
  dir.write("bin/sbatch",
            "#!/bin/sh\necho \"$@\" >> '" + dir.file("sbatch.args") + "'\necho '4711;cluster'\n");
  std::filesystem::permissions(dir.file("bin/sbatch"), std::filesystem::perms::owner_all);
  const std::string path = "PATH='" + dir.file("bin") + "':\"$PATH\" ";
  CliRun run = runShell(dir, kCli + "cluster prepare study --data " + data.exportFile +
                                 " --coupling " + data.couplingFile + " --tubes-per-task 2");
  ASSERT_EQ(run.code, 0) << run.out << run.err;
  ASSERT_NE(run.out.find("3 taken voor 6 buizen"), std::string::npos) << run.out;

  // taak001 at work on a node: its lock and a first result.
  const std::string task = dir.file("study/taken/taak001");
  dir.write("study/taken/taak001/28AL0005.01", "halverwege\n");
  dir.write(std::string("study/taken/taak001/") + kLockFileName,
            "host rekenknoop-3\nproces 812\nsinds 2024-11-02 08:15:00\n"
            "programma phreatix-cli run\n");
  const std::map<std::string, std::string> before = filesOf(task);

  run = runShell(dir, kCli + "cluster status study");
  EXPECT_NE(run.out.find("taak001  bezig: " + task +
                         " is bezig: phreatix-cli run (proces 812 op "
                         "rekenknoop-3"),
            std::string::npos)
      << run.out;
  run = runShell(dir, path + kCli + "cluster submit study --only-failed");
  EXPECT_EQ(run.code, 0) << run.out << run.err;
  EXPECT_EQ(
      readLines(dir.file("sbatch.args")),
      std::vector<std::string>{"--parsable --array=2-3 " + dir.file("study/phreatix.sbatch")});
  EXPECT_NE(run.err.find(task + " is bezig: "), std::string::npos) << run.err;
  EXPECT_NE(
      run.err.find("verwijder dan " + task + "/" + kLockFileName + ". Niet opnieuw ingediend."),
      std::string::npos)
      << run.err;
  EXPECT_TRUE(filesOf(task) == before);

  run = runShell(dir, path + kCli + "cluster submit study");
  EXPECT_EQ(run.code, 3) << run.out << run.err;
  EXPECT_EQ(readLines(dir.file("sbatch.args")).size(), 1u);
  EXPECT_TRUE(filesOf(task) == before);
  run = runShell(dir, kCli + "cluster merge study");
  EXPECT_NE(run.err.find("taak001 (bezig: "), std::string::npos) << run.err;
}

// Finished, but the report or the packing of a tube failed: exit 4 with
// the reason on standard error, every result still there. The report's
// table cannot be written where a folder stands in its place; the packing
// fails with an archiver that fails.
TEST(CliLock, AReportOrPackingThatFailsExitsFour) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.file("d/overzicht.csv"));
  CliRun run = runShell(dir, kCli + "demo d --no-pack --jobs 1");
  EXPECT_EQ(run.code, 4) << run.out << run.err;
  EXPECT_NE(run.err.find("phreatix-cli: klaar, maar het rapport is niet geschreven: " +
                         dir.file("d/overzicht.csv")),
            std::string::npos)
      << run.err;
  EXPECT_TRUE(fileExists(dir.file("d/28AL0005.sta")));
  EXPECT_FALSE(readLines(dir.file("d/modsel.zft")).empty());
  // The report alone: 4 while its table cannot be written, 0 once it can.
  run = runShell(dir, kCli + "report d");
  EXPECT_EQ(run.code, 4) << run.out << run.err;
  EXPECT_EQ(run.err.rfind("phreatix-cli: rapport niet geschreven: d/overzicht.csv: ", 0), 0u)
      << run.err;
  std::filesystem::remove(dir.file("d/overzicht.csv"));
  run = runShell(dir, kCli + "report d");
  EXPECT_EQ(run.code, 0) << run.out << run.err;
  EXPECT_TRUE(fileExists(dir.file("d/overzicht.csv")));

  // An archiver that fails every tube: none is packed, none loses a file.
  std::filesystem::create_directories(dir.file("bin"));
  dir.write("bin/zip", "#!/bin/sh\nexit 12\n");
  std::filesystem::permissions(dir.file("bin/zip"), std::filesystem::perms::owner_all);
  run = runShell(dir, "PATH='" + dir.file("bin") + "':\"$PATH\" " + kCli + "demo e --jobs 1");
  EXPECT_EQ(run.code, 4) << run.out << run.err;
  EXPECT_NE(run.err.find("phreatix-cli: klaar, maar niet (volledig) ingepakt: 28AL0005, "
                         "28AL0012, 32CN0031, 34EF0047, 40HN0007; hun bestanden blijven staan in " +
                         dir.file("e") + ".\n"),
            std::string::npos)
      << run.err;
  EXPECT_TRUE(listFiles(dir.file("e"), "*.zip").empty());
  EXPECT_TRUE(fileExists(dir.file("e/28AL0005.sta")));
  EXPECT_TRUE(fileExists(dir.file("e/overzicht.csv")));
}

}  // namespace
}  // namespace phreatix
