// Errors of the Phreatix core.
//
// `Error` is the one exception hierarchy for faults that a caller turns into a
// message: the top of an engine run, of a tube's post-processing, of a window
// handler and `main` catch it. `FatalStop` is the program's fatal stop: it is
// deliberately not a std::exception, so that no ordinary `catch (const
// std::exception&)` swallows it on its way to the front end, which shows the
// exit lines, writes the session log and ends the process.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace phreatix {

// What went wrong, for the few places that treat kinds apart (the message
// texts say the rest):
enum class ErrorKind {
  kRead,      // a field of a file that could not be read as what was expected
  kIndex,     // an index outside a declared array or a capacity: a limit of the program
  kOverflow,  // an integer result outside its type, or an arithmetic fault
  kIo,        // the file system failed: a file not opened, read or written completely
  kInput,     // input refused for what it says (missing key, no known kind of file,
              // a period that cannot be computed, ...)
};

class Error : public std::runtime_error {
 public:
  Error(ErrorKind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
  ErrorKind kind() const { return kind_; }

 private:
  ErrorKind kind_;
};

// The one form of a refusal of outside input, as every reader words it:
// "<file>:<line>: <what>", the line counted from 1 (`lineIndex` is 0-based,
// as the readers hold their lines).
[[noreturn]] inline void refuseLine(const std::string& file, std::size_t lineIndex,
                                    const std::string& what, ErrorKind kind = ErrorKind::kInput) {
  throw Error(kind, file + ":" + std::to_string(lineIndex + 1) + ": " + what);
}
// The same without a line: "<file>: <what>".
[[noreturn]] inline void refuseFile(const std::string& file, const std::string& what,
                                    ErrorKind kind = ErrorKind::kInput) {
  throw Error(kind, file + ": " + what);
}

// Thrown by the fatal stop once its lines are in the exit list. `kInputError`
// is an unrecoverable input error (missing kron.txt, a data set relative to
// NAP, ...); `kNormalEnd` is the closing sequence, which ends the program the
// same way.
class FatalStop {
 public:
  enum class Reason { kInputError, kNormalEnd };
  explicit FatalStop(Reason reason) : reason_(reason) {}
  Reason reason() const { return reason_; }

 private:
  Reason reason_;
};

}  // namespace phreatix
