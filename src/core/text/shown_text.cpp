#include "text/shown_text.h"

namespace phreatix {

namespace {

// The length of the valid UTF-8 sequence at text[i], 0 when there is none
// (a stray continuation byte, an overlong form, a surrogate, a cut end).
std::size_t sequenceLength(std::string_view text, std::size_t i, char32_t& codePoint) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = 0;
  char32_t value = 0;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(i + k) & 0x3F);
  }
  // Overlong three- and four-byte forms, surrogates and values past U+10FFFF.
  if ((length == 3 && value < 0x800) || (length == 4 && value < 0x10000) ||
      (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
    return 0;
  }
  codePoint = value;
  return length;
}

void appendEscaped(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\x";
  out += kHex[c >> 4];
  out += kHex[c & 0x0F];
}

}  // namespace

std::string shownText(std::string_view text) {
  std::string out;
  out.reserve(text.size() < kShownCharacters ? text.size() : kShownCharacters + 3);
  std::size_t shown = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (shown == kShownCharacters) {
      out += "\xE2\x80\xA6";  // …
      break;
    }
    char32_t codePoint = 0;
    const std::size_t length = sequenceLength(text, i, codePoint);
    if (length == 0) {
      appendEscaped(out, static_cast<unsigned char>(text[i]));
      i += 1;
    } else if (codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F)) {
      for (std::size_t k = 0; k < length; ++k) {
        appendEscaped(out, static_cast<unsigned char>(text[i + k]));
      }
      i += length;
    } else {
      out.append(text.substr(i, length));
      i += length;
    }
    ++shown;
  }
  return out;
}

}  // namespace phreatix
