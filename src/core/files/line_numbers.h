// The numbers of one line of a program file, read as the free-format reader
// reads them (tokens between blanks and tabs, valReal), for the readers of
// files/ that take a file line by line: a token that is not a number is a
// read error naming the file and the line itself.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace phreatix {

class LineNumbers {
 public:
  // Line `lineIndex` (from 0) of the file `name`.
  LineNumbers(const std::string& name, std::size_t lineIndex, std::string_view line)
      : name_(name), lineIndex_(lineIndex), line_(line) {}
  // The next number; none once the line has no token left.
  std::optional<double> next();

 private:
  const std::string& name_;
  std::size_t lineIndex_;
  std::string_view line_;
  std::size_t pos_ = 0;
};

}  // namespace phreatix
