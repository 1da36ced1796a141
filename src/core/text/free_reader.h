// Free-format number reading from a text file, the way every parameter,
// measurement, meteo and series file of the program is read.
//
// A number is the next token after blanks, tabs and line ends. `skipLine`
// passes over the rest of the current line (reading on to the next line skips
// what is left of it). A token that is not a number is a read error that names
// the file and the line. A number asked for at the end of the file reads as 0;
// `hitEnd` then tells the caller that it ran out of data.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace phreatix {

class FreeReader {
 public:
  // A reader over text already in memory; `name` appears in error messages.
  FreeReader(std::string name, std::string text);

  double readReal();
  std::int64_t readInt();
  int readInt32();

  // Skips the rest of the current line.
  void skipLine();
  // The rest of the current line as text (one trailing CR dropped); the
  // reader then stands at the start of the next line.
  std::string readLine();

  bool atEnd() const { return pos_ >= text_.size(); }
  // True when nothing but the line end follows on the current line.
  bool atLineEnd() const;
  // True once a number was asked for at the end of the file.
  bool hitEnd() const { return hitEnd_; }
  // 1-based number of the line the reader stands on.
  int line() const { return line_; }
  const std::string& name() const { return name_; }

 private:
  // The next token, or an empty view at the end of the file.
  std::string_view nextToken();
  [[noreturn]] void failNumber(std::string_view token, const char* expected) const;

  std::string name_;
  std::string text_;
  std::size_t pos_ = 0;
  int line_ = 1;
  int tokenLine_ = 1;
  bool hitEnd_ = false;
};

}  // namespace phreatix
