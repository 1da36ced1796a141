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

}  // namespace phreatix
