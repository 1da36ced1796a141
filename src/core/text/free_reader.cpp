#include "text/free_reader.h"

#include "error.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

FreeReader::FreeReader(std::string name, std::string text)
    : name_(std::move(name)), text_(std::move(text)) {}

std::string_view FreeReader::nextToken() {
  while (pos_ < text_.size() && isSpace(text_[pos_])) {
    if (text_[pos_] == '\n') ++line_;
    ++pos_;
  }
  tokenLine_ = line_;
  std::size_t start = pos_;
  while (pos_ < text_.size() && !isSpace(text_[pos_])) ++pos_;
  return std::string_view(text_).substr(start, pos_ - start);
}

void FreeReader::failNumber(std::string_view token, const char* expected) const {
  refuseLine(name_, static_cast<std::size_t>(tokenLine_) - 1,
             std::string("expected ") + expected + ", got " + quoted(token), ErrorKind::kRead);
}

double FreeReader::readReal() {
  std::string_view token = nextToken();
  if (token.empty()) {
    hitEnd_ = true;
    return 0;
  }
  double value = 0;
  if (valReal(token, value) != 0) failNumber(token, "a number");
  return value;
}

std::int64_t FreeReader::readInt() {
  std::string_view token = nextToken();
  if (token.empty()) {
    hitEnd_ = true;
    return 0;
  }
  std::int64_t value = 0;
  if (valInt(token, value) != 0) failNumber(token, "an integer");
  return value;
}

int FreeReader::readInt32() {
  std::string_view token = nextToken();
  if (token.empty()) {
    hitEnd_ = true;
    return 0;
  }
  int value = 0;
  if (valInt(token, value) != 0) failNumber(token, "an integer");
  return value;
}

void FreeReader::skipLine() {
  while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
  if (pos_ < text_.size()) {
    ++pos_;
    ++line_;
  }
}

std::string FreeReader::readLine() {
  std::size_t start = pos_;
  while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
  std::size_t end = pos_;
  if (end > start && text_[end - 1] == '\r') --end;
  std::string line = text_.substr(start, end - start);
  if (pos_ < text_.size()) {
    ++pos_;
    ++line_;
  }
  return line;
}

bool FreeReader::atLineEnd() const {
  std::size_t p = pos_;
  if (p < text_.size() && text_[p] == '\r') ++p;
  return p >= text_.size() || text_[p] == '\n';
}

}  // namespace phreatix
