#include "platform/directory_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include "platform/files.h"

namespace phreatix {

namespace {

// A whole decimal number, nothing else in the text.
bool parseWhole(std::string_view text, long long& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

std::string thisHost() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "onbekend";
  return name;
}

std::string bootId() {
  try {
    const std::string text = readFileText("/proc/sys/kernel/random/boot_id");
    return text.substr(0, text.find('\n'));
  } catch (const Error&) {
    return {};
  }
}

// The 22nd field of /proc/PID/stat, after the command in brackets (which
// may itself hold blanks and brackets); -1 when there is no such process.
long long startTicksOf(long long pid) {
  std::string text;
  try {
    text = readFileText("/proc/" + std::to_string(pid) + "/stat");
  } catch (const Error&) {
    return -1;
  }
  std::size_t pos = text.rfind(')');
  if (pos == std::string::npos) return -1;
  // Field 3 (the state) follows the bracket; the start time is field 22.
  for (int field = 2; field < 22; ++field) {
    pos = text.find(' ', pos + 1);
    if (pos == std::string::npos) return -1;
  }
  const std::size_t end = text.find(' ', pos + 1);
  long long ticks = -1;
  if (!parseWhole(std::string_view(text).substr(pos + 1, end - pos - 1), ticks)) return -1;
  return ticks;
}

std::string localTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
  return text;
}

std::string lockText(const LockHolder& h) {
  return "host " + h.host + "\nproces " + std::to_string(h.pid) + "\nsinds " + h.started +
         "\nprogramma " + h.program + "\nboot " + h.bootId + "\nstart " +
         std::to_string(h.startTicks) + "\n";
}

// Nothing when the text is not a whole lock (no host or no process id).
std::optional<LockHolder> parseLock(const std::string& text) {
  LockHolder h;
  bool host = false, pid = false;
  for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
    end = std::min(text.find('\n', start), text.size());
    const std::string line = text.substr(start, end - start);
    const std::size_t blank = line.find(' ');
    const std::string key = line.substr(0, blank);
    const std::string value = blank == std::string::npos ? std::string() : line.substr(blank + 1);
    if (key == "host") {
      h.host = value;
      host = !value.empty();
    } else if (key == "proces") {
      pid = parseWhole(value, h.pid) && h.pid > 0;
    } else if (key == "sinds") {
      h.started = value;
    } else if (key == "programma") {
      h.program = value;
    } else if (key == "boot") {
      h.bootId = value;
    } else if (key == "start" && !parseWhole(value, h.startTicks)) {
      h.startTicks = -1;
    }
  }
  if (!host || !pid) return std::nullopt;
  return h;
}

std::string readAll(int fd) {
  std::string text;
  char buffer[4096];
  lseek(fd, 0, SEEK_SET);
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  return text;
}

// Whether the holder, of this host, still runs: the same boot, a process
// of that id, and (where both are known) the same start.
bool stillRuns(const LockHolder& h) {
  const std::string boot = bootId();
  if (!h.bootId.empty() && !boot.empty() && h.bootId != boot) return false;
  if (kill(static_cast<pid_t>(h.pid), 0) != 0 && errno == ESRCH) return false;
  if (h.startTicks >= 0) {
    const long long ticks = startTicksOf(h.pid);
    if (ticks >= 0 && ticks != h.startTicks) return false;
  }
  return true;
}

bool sameFile(int fd, const std::string& path) {
  struct stat open {
  }, named{};
  return fstat(fd, &open) == 0 && stat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
         open.st_ino == named.st_ino;
}

// The locks this process holds, for the signal handler and the exit: plain
// arrays, read there without allocating.
struct HeldSlot {
  volatile std::sig_atomic_t used = 0;
  char path[4096] = {};
  dev_t dev = 0;
  ino_t ino = 0;
};
HeldSlot heldSlots[8];

void releaseHeld() {
  for (HeldSlot& slot : heldSlots) {
    if (!slot.used) continue;
    struct stat named {};
    if (stat(slot.path, &named) == 0 && named.st_dev == slot.dev && named.st_ino == slot.ino) {
      unlink(slot.path);
    }
    slot.used = 0;
  }
}

void registerHeld(int fd, const std::string& path) {
  static bool atExit = false;
  if (!atExit) {
    // A front end that ends through std::exit (the desktop's fatal stop)
    // unwinds nothing: the locks go here.
    std::atexit(releaseHeld);
    atExit = true;
  }
  struct stat open {};
  if (fstat(fd, &open) != 0 || path.size() >= sizeof(HeldSlot::path)) return;
  for (HeldSlot& slot : heldSlots) {
    if (slot.used) continue;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.dev = open.st_dev;
    slot.ino = open.st_ino;
    slot.used = 1;
    return;
  }
}

void unregisterHeld(const std::string& path) {
  for (HeldSlot& slot : heldSlots) {
    if (slot.used && path == slot.path) slot.used = 0;
  }
}

extern "C" void releaseAndResignal(int signal) {
  releaseHeld();
  // SA_RESETHAND put the default back: raised again, the signal ends the
  // program as it would have without us once this handler returns.
  std::raise(signal);
}

}  // namespace

std::string busyText(const std::string& dir, const LockHolder& holder) {
  const std::string path = joinPath(dir, kLockFileName);
  const std::string start = (dir.empty() ? std::string(".") : dir) + " is bezig: ";
  if (holder.host.empty()) {
    return start + path +
           " staat er, maar is niet te lezen als slot. Werkt er geen ander programma in deze "
           "map, verwijder het dan.";
  }
  std::string text = start + describeHolder(holder) + " werkt in deze map.";
  if (holder.host != thisHost()) {
    text +=
        " Een slot van een andere computer wordt nooit vanzelf overgenomen: draait dat "
        "programma daar niet meer, verwijder dan " +
        path + ".";
  } else {
    text += " Wacht tot het klaar is.";
  }
  return text;
}

std::string describeHolder(const LockHolder& h) {
  return (h.program.empty() ? std::string("een programma") : h.program) + " (proces " +
         std::to_string(h.pid) + " op " + h.host +
         (h.started.empty() ? std::string() : ", sinds " + h.started) + ")";
}

DirectoryLock::DirectoryLock(const std::string& dir, const std::string& program)
    : path_(joinPath(dir, kLockFileName)) {
  // A lock file found empty is one its maker has only just created: it is
  // looked at again a few times before it counts as unreadable.
  int emptySeen = 0;
  int stale = -1;  // the dead holder's file, flocked, until ours is there
  auto closeStale = [&] {
    if (stale >= 0) close(stale);
    stale = -1;
  };
  for (int attempt = 0; attempt < 50; ++attempt) {
    const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      closeStale();
      // Blocking: whoever flocks a new lock to look at it lets go at once.
      flock(fd, LOCK_EX);
      LockHolder self;
      self.host = thisHost();
      self.pid = getpid();
      self.started = localTimeNow();
      self.program = program;
      self.bootId = bootId();
      self.startTicks = startTicksOf(self.pid);
      const std::string text = lockText(self);
      const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
      if (!written) {
        unlink(path_.c_str());
        close(fd);
        throw Error(ErrorKind::kIo, path_ + ": slot niet te schrijven (schijf vol?)");
      }
      fd_ = fd;
      registerHeld(fd_, path_);
      return;
    }
    if (errno != EEXIST) {
      const int error = errno;
      closeStale();
      throw Error(ErrorKind::kIo, path_ + ": slot niet te maken (" + std::strerror(error) + ")");
    }
    closeStale();
    const int old = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (old < 0) {
      if (errno == ENOENT) continue;  // its holder just ended
      const int error = errno;
      throw Error(ErrorKind::kIo, path_ + ": slot niet te lezen (" + std::strerror(error) + ")");
    }
    const bool flocked = flock(old, LOCK_EX | LOCK_NB) == 0;
    const std::string text = readAll(old);
    const std::optional<LockHolder> holder = parseLock(text);
    if (!holder && text.empty() && ++emptySeen < 20) {
      close(old);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    // The flock held by another process: its holder lives (or another
    // program is taking a dead lock over this moment).
    if (!flocked || !holder || holder->host != thisHost() || stillRuns(*holder)) {
      close(old);
      throw DirectoryBusy(dir, holder ? *holder : LockHolder{});
    }
    // Left by a process of this host that no longer runs. Holding its
    // flock, nobody else can be taking it over: remove it, if the name
    // still names it, and make ours.
    if (sameFile(old, path_)) unlink(path_.c_str());
    takeOver_ = "Slot " + path_ + " overgenomen van " + describeHolder(*holder) +
                ": dat proces draait niet meer.";
    stale = old;
  }
  closeStale();
  throw Error(ErrorKind::kIo, path_ + ": slot niet te maken");
}

DirectoryLock::DirectoryLock(DirectoryLock&& other) noexcept
    : path_(std::move(other.path_)), fd_(other.fd_), takeOver_(std::move(other.takeOver_)) {
  other.fd_ = -1;
}

DirectoryLock& DirectoryLock::operator=(DirectoryLock&& other) noexcept {
  if (this != &other) {
    release();
    path_ = std::move(other.path_);
    fd_ = other.fd_;
    takeOver_ = std::move(other.takeOver_);
    other.fd_ = -1;
  }
  return *this;
}

void DirectoryLock::release() {
  if (fd_ < 0) return;
  if (sameFile(fd_, path_)) unlink(path_.c_str());
  unregisterHeld(path_);
  close(fd_);
  fd_ = -1;
}

std::optional<LockHolder> lockHolder(const std::string& dir) {
  const std::string path = joinPath(dir, kLockFileName);
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  const bool flocked = flock(fd, LOCK_SH | LOCK_NB) == 0;
  const std::optional<LockHolder> holder = parseLock(readAll(fd));
  close(fd);
  if (!holder) return LockHolder{};
  if (flocked && holder->host == thisHost() && !stillRuns(*holder)) return std::nullopt;
  return holder;
}

void releaseLocksAtSignals() {
  struct sigaction action {};
  action.sa_handler = releaseAndResignal;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

}  // namespace phreatix
