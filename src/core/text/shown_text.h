// Outside input as a message shows it. A message quotes what a file said
// ("stand \"12x\" is geen geheel getal"), and a file can say anything: an
// escape sequence that recolours or clears the terminal, a whole export on
// one line. `shownText` makes such a text safe to print and short enough to
// read; `quoted` (text/parse.h) puts it between double quotes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace phreatix {

// How much of a text a message shows: 80 characters, then "…".
inline constexpr std::size_t kShownCharacters = 80;

// `text` with every control character (C0, DEL, the C1 range U+0080..U+009F)
// and every byte that is no part of valid UTF-8 written as \xNN (ESC as
// \x1b, a tab as \x09), other UTF-8 kept as it is ("coördinaat"); after
// kShownCharacters characters of the text the rest is left out and "…"
// (U+2026) put in its place. A text that needs neither comes back as it is.
std::string shownText(std::string_view text);

}  // namespace phreatix
