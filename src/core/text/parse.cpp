#include "text/parse.h"

#include <charconv>
#include <limits>

#include "text/shown_text.h"

namespace phreatix {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t skipLeadingBlanks(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  return i;
}

}  // namespace

int valInt(std::string_view text, std::int64_t& value) {
  std::size_t i = skipLeadingBlanks(text);
  if (i == text.size()) return static_cast<int>(i) + 1;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return static_cast<int>(i) + 1;
  // Accumulate negatively so that the most negative value converts too.
  std::int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (!isDigit(text[i])) return static_cast<int>(i) + 1;
    int digit = text[i] - '0';
    if (v < (std::numeric_limits<std::int64_t>::min() + digit) / 10) {
      return static_cast<int>(i) + 1;
    }
    v = v * 10 - digit;
  }
  if (!negative) {
    if (v == std::numeric_limits<std::int64_t>::min()) return static_cast<int>(text.size());
    v = -v;
  }
  value = v;
  return 0;
}

int valInt(std::string_view text, int& value) {
  std::int64_t wide = 0;
  int code = valInt(text, wide);
  if (code != 0) return code;
  if (wide < std::numeric_limits<int>::min() || wide > std::numeric_limits<int>::max()) {
    return static_cast<int>(text.size());
  }
  value = static_cast<int>(wide);
  return 0;
}

int valReal(std::string_view text, double& value) {
  std::size_t i = skipLeadingBlanks(text);
  if (i == text.size()) return static_cast<int>(i) + 1;
  std::size_t start = i;
  // from_chars takes no leading plus sign: step over it, but not over "+-".
  if (text[i] == '+') {
    ++start;
    if (start < text.size() && text[start] == '-') return static_cast<int>(start) + 1;
  }
  // Only digits, signs, a point and an exponent mark can form a number here:
  // this keeps "inf", "nan" and hexadecimal floats out.
  for (std::size_t k = start; k < text.size(); ++k) {
    char c = text[k];
    if (!(isDigit(c) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) {
      return static_cast<int>(k) + 1;
    }
  }
  double v = 0;
  const char* first = text.data() + start;
  const char* last = text.data() + text.size();
  auto result = std::from_chars(first, last, v, std::chars_format::general);
  if (result.ec == std::errc::invalid_argument) return static_cast<int>(start) + 1;
  if (result.ec == std::errc::result_out_of_range) return static_cast<int>(text.size());
  if (result.ptr != last) return static_cast<int>(result.ptr - text.data()) + 1;
  value = v;
  return 0;
}

std::string withoutBlanks(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (char c : text) {
    if (c != ' ') s.push_back(c);
  }
  return s;
}

std::string upperAscii(std::string_view text) {
  std::string s(text);
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

std::string quoted(std::string_view text) {
  std::string s = "\"";
  s.append(shownText(text));
  s.push_back('"');
  return s;
}

}  // namespace phreatix
