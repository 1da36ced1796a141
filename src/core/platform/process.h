// Starting an outside program (the archiver) without a shell: the arguments
// are passed as they are, so no file name is ever interpreted by a shell.
#pragma once

#include <string>
#include <vector>

namespace phreatix {

struct StartedProcess {
  int pid = -1;
  int error = 0;  // errno when the start failed
  bool started() const { return pid > 0; }
};

// Starts `program` (looked up on PATH) with `args` in `dir`, its output
// discarded, and returns at once.
StartedProcess startProgram(const std::string& dir, const std::string& program,
                            const std::vector<std::string>& args);

// Whether the process has ended; its exit status (0 for success, -1 when it
// did not exit normally) goes to `status` when it has.
bool processEnded(StartedProcess& process, int& status);

}  // namespace phreatix
