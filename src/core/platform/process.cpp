#include "platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace phreatix {

StartedProcess startProgram(const std::string& dir, const std::string& program,
                            const std::vector<std::string>& args) {
  StartedProcess process;
  std::vector<std::string> words;
  words.push_back(program);
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    process.error = rc;
    return process;
  }
  process.pid = pid;
  return process;
}

bool processEnded(StartedProcess& process, int& status) {
  if (!process.started()) {
    status = -1;
    return true;
  }
  int raw = 0;
  pid_t r = waitpid(process.pid, &raw, WNOHANG);
  if (r == 0) return false;
  status = r == process.pid && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  process.pid = -1;
  return true;
}

std::string runCapturing(const std::vector<std::string>& args, int& status) {
  status = -1;
  if (args.empty()) return {};
  // Made before the fork: the child only calls what is safe after it.
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return {};
  const pid_t pid = fork();
  if (pid < 0) {
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    return {};
  }
  if (pid == 0) {
    dup2(pipeEnds[1], STDOUT_FILENO);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(pipeEnds[1]);
  std::string out;
  char buffer[4096];
  for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    out.append(buffer, static_cast<std::size_t>(n));
  }
  close(pipeEnds[0]);
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(wstatus)) status = WEXITSTATUS(wstatus);
  return out;
}

}  // namespace phreatix
