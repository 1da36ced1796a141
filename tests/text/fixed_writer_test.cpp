#include "text/fixed_writer.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "error.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

TEST(FixedWriter, WritesFieldsAndLinesAcrossBufferBorders) {
  test::TempDir dir;
  FixedWriter out;
  out.open(dir.file("trace.w01"));
  std::string expected;
  for (int i = 0; i < 40000; ++i) {  // some 2.4 MB: more than one buffer
    out.real(i * 0.25, 10, 3);
    out.real(-i * 1.5, 15, 6);
    out.integer(i, 8);
    out.text(" x");
    out.endLine();
    expected +=
        formatReal(i * 0.25, 10, 3) + formatReal(-i * 1.5, 15, 6) + formatInt(i, 8) + " x\n";
  }
  out.line(" Results of SSDKAL");
  expected += " Results of SSDKAL\n";
  out.close();
  EXPECT_FALSE(out.isOpen());
  EXPECT_EQ(dir.read("trace.w01"), expected);
}

TEST(FixedWriter, FailuresAreErrors) {
  test::TempDir dir;
  FixedWriter out;
  EXPECT_THROW(out.open(dir.file("no/dir/x.a01")), Error);
  if (std::filesystem::exists("/dev/full")) {
    out.open("/dev/full");
    out.line("a line");
    EXPECT_THROW(out.close(), Error);
    FixedWriter big;
    big.open("/dev/full");
    EXPECT_THROW(for (int i = 0; i < 200000; ++i) big.real(i, 15, 6), Error);
  }
}

}  // namespace
}  // namespace phreatix
