// Outside input as messages show it: control characters escaped, valid
// UTF-8 kept, long texts cut.
#include "text/shown_text.h"

#include <gtest/gtest.h>

#include "text/parse.h"

namespace phreatix {
namespace {

using namespace std::string_literals;

const std::string kEllipsis = "\xE2\x80\xA6";

TEST(ShownText, ControlCharactersAndBrokenUtf8AreEscaped) {
  struct Case {
    std::string text;
    std::string shown;
  };
  const Case cases[] = {
      {"28AL0005", "28AL0005"},
      {"", ""},
      {"Coördinaat “x” €", "Coördinaat “x” €"},
      // An escape sequence that would clear the terminal and recolour it.
      {"12\x1b[2J\x1b[31mx", "12\\x1b[2J\\x1b[31mx"},
      {"a\tb\rc\nd", "a\\x09b\\x0dc\\x0ad"},
      {"nul\0!"s, "nul\\x00!"},
      {"del\x7f", "del\\x7f"},
      // C1 controls: U+009B is CSI to a terminal that reads 8-bit controls.
      {"\xC2\x9B"
       "2J",
       "\\xc2\\x9b2J"},
      {"\xC2\xA0", "\xC2\xA0"},  // no-break space, no control
      // Bytes that are no UTF-8: Latin-1, a lone continuation byte, an
      // overlong slash, a surrogate, a sequence cut off at the end.
      {"co\xF6rdinaat", "co\\xf6rdinaat"},
      {"\x80", "\\x80"},
      {"\xC0\xAF", "\\xc0\\xaf"},
      {"\xE0\x80\xAF", "\\xe0\\x80\\xaf"},
      {"\xED\xA0\x80", "\\xed\\xa0\\x80"},
      {"ab\xE2\x82", "ab\\xe2\\x82"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(shownText(c.text), c.shown) << c.shown;
  }
  EXPECT_EQ(phreatix::quoted("12\x1b[2J"), "\"12\\x1b[2J\"");
  EXPECT_EQ(phreatix::quoted("12,5x"), "\"12,5x\"");
}

TEST(ShownText, LongTextsAreCutAfterEightyCharacters) {
  const std::string eighty(80, 'x');
  EXPECT_EQ(shownText(eighty), eighty);
  EXPECT_EQ(shownText(eighty + "y"), eighty + kEllipsis);
  // Characters, not bytes: 100 times "ö" (two bytes each) keeps 80 of them.
  std::string umlauts;
  for (int i = 0; i < 100; ++i) umlauts += "ö";
  EXPECT_EQ(shownText(umlauts), umlauts.substr(0, 160) + kEllipsis);
  // An escaped character counts as one.
  EXPECT_EQ(shownText(std::string(79, 'x') + "\x1b" + "zz"),
            std::string(79, 'x') + "\\x1b" + kEllipsis);
  // A token of 20 MB, a whole export on one line, costs a short message.
  const std::string token(20u << 20, '9');
  EXPECT_EQ(phreatix::quoted(token), "\"" + std::string(80, '9') + kEllipsis + "\"");
}

}  // namespace
}  // namespace phreatix
