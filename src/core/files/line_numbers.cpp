#include "files/line_numbers.h"

#include <algorithm>

#include "error.h"
#include "text/parse.h"

namespace phreatix {

std::optional<double> LineNumbers::next() {
  const std::size_t start = line_.find_first_not_of(" \t\r", pos_);
  if (start == std::string_view::npos) {
    pos_ = line_.size();
    return std::nullopt;
  }
  const std::size_t end = std::min(line_.find_first_of(" \t\r", start), line_.size());
  pos_ = end;
  const std::string_view token = line_.substr(start, end - start);
  double value = 0;
  if (valReal(token, value) != 0) {
    refuseLine(name_, lineIndex_, "expected a number, got " + quoted(token), ErrorKind::kRead);
  }
  return value;
}

}  // namespace phreatix
