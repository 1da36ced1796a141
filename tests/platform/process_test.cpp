// Outside programs started without a shell: their output and exit status.
#include "platform/process.h"

#include <gtest/gtest.h>

namespace phreatix {
namespace {

// The standard output comes back whole, the arguments reach the program as
// they are (no shell splits or expands them), and the exit status is the
// program's: 127 for a program that is not there, -1 for one killed.
TEST(Process, RunCapturingReturnsTheOutputAndTheExitStatus) {
  int status = 0;
  EXPECT_EQ(
      runCapturing({"sh", "-c", "printf '%s|' \"$@\"; exit 3", "sh", "a b", "*", "$x"}, status),
      "a b|*|$x|");
  EXPECT_EQ(status, 3);
  std::string many = runCapturing({"sh", "-c", "head -c 100000 /dev/zero"}, status);
  EXPECT_EQ(many.size(), 100000u);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(runCapturing({"phreatix-geen-programma"}, status), "");
  EXPECT_EQ(status, 127);
  runCapturing({"sh", "-c", "kill -9 $$"}, status);
  EXPECT_EQ(status, -1);
  status = 0;
  EXPECT_EQ(runCapturing({}, status), "");
  EXPECT_EQ(status, -1);
}

}  // namespace
}  // namespace phreatix
