// Starting an outside program (the archiver, the cluster's sbatch) without a
// shell: the arguments are passed as they are, so no file name is ever
// interpreted by a shell.
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

// Runs a program (args[0], looked up on PATH) with the arguments after it
// in the current directory, waits for it and returns its standard output;
// its standard error goes to ours. `status` gets its exit status: 127 when
// the program was not found (as a shell says), -1 when no process could be
// made or it did not exit normally.
std::string runCapturing(const std::vector<std::string>& args, int& status);

}  // namespace phreatix
