// The lock of a working directory: the file .phreatix-lock, created
// exclusively by the one program that works there (a run, a repair, the
// demo, a report, a cluster submit or merge, the desktop program while it
// has a data set open) and removed when it ends. It names its holder: host,
// process id, start time and the command.
//
// A lock left by a process of this host that no longer runs (a kill -9, a
// crash, a power cut) is taken over; a lock of another host (a cluster's
// shared file system) never is: only the user can know that its program
// is gone. The holder keeps an flock on the file as well, so that two
// programs that find the same dead lock at once cannot both take it over.
//
// Entry points: DirectoryLock (RAII), lockHolder, releaseLocksAtSignals.
#pragma once

#include <optional>
#include <string>

#include "error.h"

namespace phreatix {

inline constexpr const char* kLockFileName = ".phreatix-lock";

// Who holds a lock, as its file says.
struct LockHolder {
  std::string host;
  long long pid = 0;
  std::string started;  // local time the lock was taken, "2025-03-01 14:02:11"
  std::string program;  // the command: "phreatix-cli run", "phreatix"
  // The holder's boot and its start in clock ticks since boot (the 22nd
  // field of /proc/PID/stat): a pid of an earlier boot, or one the system
  // has since given to another process, is not the holder. Empty and -1
  // where the system does not say.
  std::string bootId;
  long long startTicks = -1;
};

// "phreatix-cli run (proces 1234 op pc01, sinds 2025-03-01 14:02:11)".
std::string describeHolder(const LockHolder& holder);
// The refusal of `dir`, held by `holder` ("DIR is bezig: ..."): for a lock
// of another host, and for one that cannot be read (a holder without a
// host), it names the file to remove once that program is known to be gone.
std::string busyText(const std::string& dir, const LockHolder& holder);

// The refusal of a directory another program holds. what() is the whole
// message: who holds it and, for a lock of another host or one that cannot
// be read, which file to remove once that program is known to be gone.
class DirectoryBusy : public Error {
 public:
  DirectoryBusy(const std::string& dir, LockHolder holder)
      : Error(ErrorKind::kInput, busyText(dir, holder)), holder_(std::move(holder)) {}
  // Without a host when the lock file could not be read.
  const LockHolder& holder() const { return holder_; }

 private:
  LockHolder holder_;
};

class DirectoryLock {
 public:
  DirectoryLock() = default;
  // Takes the lock of `dir` for `program` (the command, as a refusal of
  // another program names it). Raises DirectoryBusy when another program
  // holds it, an I/O error naming the file when it cannot be made.
  DirectoryLock(const std::string& dir, const std::string& program);
  ~DirectoryLock() { release(); }
  DirectoryLock(DirectoryLock&& other) noexcept;
  DirectoryLock& operator=(DirectoryLock&& other) noexcept;
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;

  bool held() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }
  // The line for the log when a lock left by a process that no longer
  // runs was taken over ("Slot ... overgenomen: ..."); "" when none was.
  const std::string& takeOverLine() const { return takeOver_; }
  // Removes the file, unless another program has put its own in its place.
  void release();

 private:
  std::string path_;
  int fd_ = -1;
  std::string takeOver_;
};

// The holder of `dir`'s lock when one holds it: a live process of this
// host, or any process of another host. Nothing when there is no lock or
// its holder on this host no longer runs. A lock file that cannot be read
// counts as held, by a holder without a host.
std::optional<LockHolder> lockHolder(const std::string& dir);

// Removes the locks of this process on SIGINT, SIGTERM and SIGHUP (a
// Ctrl-C, a cluster's scancel or time limit) before the signal ends it as
// it would have. Only a kill -9 leaves a lock behind.
void releaseLocksAtSignals();

}  // namespace phreatix
