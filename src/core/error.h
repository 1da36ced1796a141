// Errors of the Phreatix core.
//
// `Error` is the one exception hierarchy for faults that a caller turns into a
// message: the top of an engine run, of a tube's post-processing, of a window
// handler and `main` catch it. `FatalStop` is the program's fatal stop: it is
// deliberately not a std::exception, so that no ordinary `catch (const
// std::exception&)` swallows it on its way to the front end, which shows the
// exit lines, writes the session log and ends the process.
#pragma once

#include <stdexcept>
#include <string>

namespace phreatix {

enum class ErrorKind {
  kRead,      // a text field that is not what the reader expected
  kIndex,     // an index outside a declared array
  kOverflow,  // an integer result outside its type
  kIo,        // a file that could not be opened, read or written completely
  kInput,     // input that is refused as a whole (missing key, too many lines, ...)
};

class Error : public std::runtime_error {
 public:
  Error(ErrorKind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
  ErrorKind kind() const { return kind_; }

 private:
  ErrorKind kind_;
};

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
