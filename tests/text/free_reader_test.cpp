#include "text/free_reader.h"

#include <gtest/gtest.h>

#include "error.h"
#include "platform/files.h"

namespace phreatix {
namespace {

TEST(FreeReader, TokensSkipBlanksTabsAndLineEnds) {
  FreeReader r("zeftal0.par", "  1.5\t-2\r\n\n   3e2 7\n");
  EXPECT_DOUBLE_EQ(r.readReal(), 1.5);
  EXPECT_EQ(r.readInt(), -2);
  EXPECT_EQ(r.line(), 1);
  EXPECT_DOUBLE_EQ(r.readReal(), 300.0);
  EXPECT_EQ(r.line(), 3);
  EXPECT_EQ(r.readInt32(), 7);
  EXPECT_FALSE(r.hitEnd());
  // At the end a number reads as 0 and the reader says so.
  EXPECT_DOUBLE_EQ(r.readReal(), 0.0);
  EXPECT_TRUE(r.hitEnd());
  EXPECT_TRUE(r.atEnd());
}

TEST(FreeReader, SkipLineDropsTheRestOfTheLine) {
  FreeReader r("f", "1 2 3\r\n4 5\nname with blanks\r\n6");
  EXPECT_EQ(r.readInt(), 1);
  r.skipLine();
  EXPECT_EQ(r.readInt(), 4);
  EXPECT_FALSE(r.atLineEnd());
  EXPECT_EQ(r.readInt(), 5);
  EXPECT_TRUE(r.atLineEnd());
  r.skipLine();
  EXPECT_EQ(r.readLine(), "name with blanks");
  EXPECT_EQ(r.line(), 4);
  EXPECT_EQ(r.readInt(), 6);
  EXPECT_TRUE(r.atEnd());
  r.skipLine();  // at the end: stays there
  EXPECT_EQ(r.readLine(), "");
  EXPECT_EQ(r.readInt(), 0);
  EXPECT_TRUE(r.hitEnd());
}

TEST(FreeReader, ANonNumberIsAReadErrorNamingFileAndLine) {
  FreeReader r("28AL0005.01", "1\n2\n12,5x 3\n");
  r.readInt();
  r.readInt();
  try {
    r.readReal();
    FAIL() << "no read error";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kRead);
    EXPECT_STREQ(e.what(), "28AL0005.01:3: expected a number, got \"12,5x\"");
  }
  FreeReader ints("a.par", "\n\n\n 1.5");
  EXPECT_THROW(
      {
        try {
          ints.readInt();
        } catch (const Error& e) {
          EXPECT_STREQ(e.what(), "a.par:4: expected an integer, got \"1.5\"");
          throw;
        }
      },
      Error);
}

TEST(FreeReader, FromFileNamesAMissingFile) {
  try {
    freeReaderOfFile("/nonexistent/zeftal0.par");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kIo);
    EXPECT_NE(std::string(e.what()).find("/nonexistent/zeftal0.par"), std::string::npos);
  }
}

}  // namespace
}  // namespace phreatix
