// The lock of a working directory: one holder at a time, a dead holder of
// this host taken over, another host's lock left alone, and the file gone
// however its holder ends but for a kill -9.
#include "platform/directory_lock.h"

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

std::string hostName() {
  char name[256] = {};
  gethostname(name, sizeof name - 1);
  return name;
}

// A process id that no process has any more: a child that has ended and
// been waited for.
long long deadPid() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

std::string lockFile(const std::string& host, long long pid, const std::string& more = "") {
  return "host " + host + "\nproces " + std::to_string(pid) +
         "\nsinds 2024-11-02 08:15:00\nprogramma phreatix-cli run\n" + more;
}

// What the refused program is told, and that it changed nothing.
std::string refusal(const test::TempDir& dir) {
  const std::string before = dir.read(kLockFileName);
  std::string what;
  try {
    DirectoryLock lock(dir.path(), "phreatix-cli report");
    ADD_FAILURE() << "taken: " << dir.read(kLockFileName);
  } catch (const DirectoryBusy& busy) {
    what = busy.what();
  }
  EXPECT_EQ(dir.read(kLockFileName), before);
  return what;
}

TEST(DirectoryLock, OneHolderAtATimeNamedToTheNext) {
  test::TempDir dir;
  {
    DirectoryLock lock(dir.path(), "phreatix-cli run");
    ASSERT_TRUE(lock.held());
    EXPECT_EQ(lock.takeOverLine(), "");
    const std::string text = dir.read(kLockFileName);
    EXPECT_EQ(text.rfind("host " + hostName() + "\nproces " + std::to_string(getpid()) + "\n", 0),
              0u)
        << text;
    EXPECT_NE(text.find("\nprogramma phreatix-cli run\n"), std::string::npos) << text;
    // A second program of this same host, here this process itself.
    const std::string what = refusal(dir);
    EXPECT_EQ(what.rfind(dir.path() + " is bezig: phreatix-cli run (proces " +
                             std::to_string(getpid()) + " op " + hostName() + ", sinds ",
                         0),
              0u)
        << what;
    EXPECT_NE(what.find("Wacht tot het klaar is."), std::string::npos) << what;
    ASSERT_TRUE(lockHolder(dir.path()));
    EXPECT_EQ(lockHolder(dir.path())->pid, getpid());

    // Moved, the lock stays held once.
    DirectoryLock moved = std::move(lock);
    EXPECT_FALSE(lock.held());
    EXPECT_TRUE(moved.held());
    EXPECT_TRUE(fileExists(dir.file(kLockFileName)));
  }
  EXPECT_FALSE(fileExists(dir.file(kLockFileName)));
  EXPECT_FALSE(lockHolder(dir.path()));
  DirectoryLock again(dir.path(), "phreatix-cli run");
  EXPECT_TRUE(again.held());
}

// Left by a kill -9: a process of this host that no longer runs, or whose
// number the system has since given to another (another start, another
// boot). Taken over, with a line naming the old holder.
TEST(DirectoryLock, ALockOfAProcessOfThisHostThatNoLongerRunsIsTakenOver) {
  const long long dead = deadPid();
  const struct {
    const char* what;
    std::string text;
    long long pid;
  } cases[] = {
      {"dead pid", lockFile(hostName(), dead), dead},
      // Process 1 runs, but not since the start the lock gives.
      {"pid given to another", lockFile(hostName(), 1, "start 1234567890123\n"), 1},
      {"earlier boot", lockFile(hostName(), getpid(), "boot 00000000-voor-de-herstart\n"),
       getpid()},
  };
  for (const auto& c : cases) {
    test::TempDir dir;
    dir.write(kLockFileName, c.text);
    EXPECT_FALSE(lockHolder(dir.path())) << c.what;
    DirectoryLock lock(dir.path(), "phreatix-cli run");
    EXPECT_EQ(lock.takeOverLine(), "Slot " + dir.file(kLockFileName) +
                                       " overgenomen van phreatix-cli run (proces " +
                                       std::to_string(c.pid) + " op " + hostName() +
                                       ", sinds 2024-11-02 08:15:00): dat proces draait niet meer.")
        << c.what;
    EXPECT_NE(dir.read(kLockFileName).find("proces " + std::to_string(getpid()) + "\n"),
              std::string::npos)
        << c.what;
  }
}

// A lock of another host, or one that cannot be read, is never taken over:
// the refusal names the file to remove.
TEST(DirectoryLock, ALockOfAnotherHostOrAnUnreadableOneIsLeftAlone) {
  test::TempDir dir;
  dir.write(kLockFileName, lockFile("rekenknoop-17", deadPid()));
  const std::string what = refusal(dir);
  EXPECT_NE(what.find("phreatix-cli run (proces "), std::string::npos) << what;
  EXPECT_NE(what.find(" op rekenknoop-17, sinds 2024-11-02 08:15:00) werkt in deze map."),
            std::string::npos)
      << what;
  EXPECT_NE(what.find("nooit vanzelf overgenomen"), std::string::npos) << what;
  EXPECT_NE(what.find("verwijder dan " + dir.file(kLockFileName) + "."), std::string::npos) << what;
  ASSERT_TRUE(lockHolder(dir.path()));
  EXPECT_EQ(lockHolder(dir.path())->host, "rekenknoop-17");

  for (const std::string& garbage :
       {std::string("rommel\n"), std::string("host \nproces 0\n"), lockFile(hostName(), -5)}) {
    dir.write(kLockFileName, garbage);
    const std::string unreadable = refusal(dir);
    EXPECT_EQ(unreadable, dir.path() + " is bezig: " + dir.file(kLockFileName) +
                              " staat er, maar is niet te lezen als slot. Werkt er geen ander "
                              "programma in deze map, verwijder het dan.")
        << garbage;
    ASSERT_TRUE(lockHolder(dir.path()));
  }
}

// Release removes the holder's own file only: one put in its place by hand
// stays.
TEST(DirectoryLock, ReleaseLeavesAnotherProgramsLock) {
  test::TempDir dir;
  DirectoryLock lock(dir.path(), "phreatix-cli run");
  removeFile(dir.file(kLockFileName));
  const std::string foreign = lockFile("rekenknoop-3", 77);
  dir.write(kLockFileName, foreign);
  lock.release();
  EXPECT_FALSE(lock.held());
  EXPECT_EQ(dir.read(kLockFileName), foreign);
}

// A child process that takes the lock and then ends as `end` says.
int childHolding(const test::TempDir& dir, void (*end)()) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    releaseLocksAtSignals();
    // Never destroyed: only the exit or the signal can remove it.
    new DirectoryLock(dir.path(), "phreatix-cli run");
    char byte = 1;
    if (write(ready[1], &byte, 1) != 1) _exit(9);
    end();
    _exit(8);
  }
  char byte = 0;
  close(ready[1]);
  EXPECT_EQ(read(ready[0], &byte, 1), 1);
  close(ready[0]);
  return child;
}

TEST(DirectoryLock, GoneAtExitAndSignalsButLeftByKillNine) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    test::TempDir dir;
    const int child = childHolding(dir, [] { pause(); });
    ASSERT_TRUE(fileExists(dir.file(kLockFileName)));
    kill(child, signal);
    int status = 0;
    waitpid(child, &status, 0);
    // Ended by the signal, as without the handler.
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
    EXPECT_FALSE(fileExists(dir.file(kLockFileName))) << signal;
  }
  {
    // The desktop's fatal stop ends through std::exit, unwinding nothing.
    test::TempDir dir;
    const int child = childHolding(dir, [] { std::exit(0); });
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(fileExists(dir.file(kLockFileName)));
  }
  test::TempDir dir;
  const int child = childHolding(dir, [] { pause(); });
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  ASSERT_TRUE(fileExists(dir.file(kLockFileName)));
  EXPECT_FALSE(lockHolder(dir.path()));
  DirectoryLock next(dir.path(), "phreatix-cli run");
  EXPECT_NE(next.takeOverLine().find("(proces " + std::to_string(child) + " op "),
            std::string::npos)
      << next.takeOverLine();
}

}  // namespace
}  // namespace phreatix
