#include "input/tube_file.h"

#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view column(std::string_view line, std::size_t first, std::size_t count) {
  if (line.size() < first) return {};
  return line.substr(first - 1, count);
}

bool isPrintable(char c) { return c >= ' ' && c <= '~'; }

bool allDigits(std::string_view text) {
  for (char c : text) {
    if (!isDigit(c)) return false;
  }
  return !text.empty();
}

std::string_view withoutTrailingBlanks(std::string_view line) {
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  return line;
}

}  // namespace

std::string normaliseFilter(std::string_view raw) {
  std::string f(raw);
  if (!f.empty() && !isDigit(f[0])) f.erase(0, 1);
  if (f.size() > 1 && !isDigit(f[1])) f.erase(1, 1);
  if (f.size() < 2) f = "0" + f;
  while (f.size() > 2 && f[0] == '0') f.erase(0, 1);
  return f;
}

bool isSafeLocationCode(std::string_view code) {
  if (code.empty()) return false;
  for (std::size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    const bool letterOrDigit = isDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (!letterOrDigit && (i == 0 || (c != '-' && c != '_'))) return false;
  }
  return true;
}

bool isStorableFilter(std::string_view normalised) {
  return normalised.size() == kFilterLength && isDigit(normalised[0]) && isDigit(normalised[1]);
}

std::string tubeRecord(std::string_view location, std::string_view filter) {
  std::string record = "R";
  record.append(location);
  record.append(filter);
  record.append(kTubeRecordTail);
  return record;
}

std::string levelField(std::optional<int> level) {
  if (!level) return std::string(kMissingLevelField);
  std::string field = *level > 0 ? "9999+" : "9999-";
  int magnitude = *level > 0 ? *level : -*level;
  // The last five digits of magnitude + 100000, i.e. five digits with
  // leading zeros.
  std::string six = formatInt(magnitude + 100000);
  field.append(six, six.size() - 5, 5);
  return field;
}

std::string measurementRecord(int year, int month, int day, std::string_view levelField) {
  std::string record = "S";
  record += formatInt(year);
  if (month < 10) record += '0';
  record += formatInt(month);
  if (day < 10) record += '0';
  record += formatInt(day);
  record.append(levelField);
  return record;
}

std::string_view recordLocation(std::string_view tubeRecord) {
  return column(tubeRecord, 2, kLocationLength);
}

std::string_view recordFilter(std::string_view tubeRecord) {
  return column(tubeRecord, 10, kFilterLength);
}

bool recordDate(std::string_view line, CalendarDate& date) {
  if (line.size() < 9) return false;
  return parseInt(line.substr(1, 4), date.year) && parseInt(line.substr(5, 2), date.month) &&
         parseInt(line.substr(7, 2), date.day);
}

std::optional<int> recordLevelUp(std::string_view record) {
  std::string_view sign = column(record, 14, 1);
  std::string_view digits = column(record, 15, 5);
  if (digits.size() != 5 || digits == "99999") return std::nullopt;
  for (char c : digits) {
    if (!isDigit(c)) return std::nullopt;
  }
  int magnitude = 0;
  if (!parseInt(digits, magnitude)) return std::nullopt;
  return sign == "+" ? -magnitude : magnitude;
}

bool isWellFormedTubeRecord(std::string_view line) {
  line = withoutTrailingBlanks(line);
  if (line.size() < 1 + kLocationLength + kFilterLength ||
      line.size() > static_cast<std::size_t>(kTubeRecordLength) || line[0] != 'R') {
    return false;
  }
  for (char c : line) {
    if (!isPrintable(c)) return false;
  }
  return recordLocation(line).find_first_not_of(' ') != std::string_view::npos &&
         allDigits(recordFilter(line));
}

bool isWellFormedMeasurementRecord(std::string_view line, int yearDigits) {
  line = withoutTrailingBlanks(line);
  const std::size_t y = static_cast<std::size_t>(yearDigits);
  // "S", the date, "9999", the sign, five digits.
  if (line.size() != 1 + y + 4 + 4 + 1 + 5 || line[0] != 'S') return false;
  std::string_view date = line.substr(1, y + 4);
  std::string_view value = line.substr(1 + y + 4);
  if (!allDigits(date) || value.substr(0, 4) != "9999" || (value[4] != '+' && value[4] != '-') ||
      !allDigits(value.substr(5))) {
    return false;
  }
  int month = 0, day = 0;
  parseInt(date.substr(y, 2), month);
  parseInt(date.substr(y + 2, 2), day);
  return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

}  // namespace phreatix
