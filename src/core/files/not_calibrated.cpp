#include "files/not_calibrated.h"

#include <vector>

#include "error.h"
#include "platform/files.h"

namespace phreatix {

std::string notCalibratedName(const std::string& S, const std::string& FF) { return S + ".n" + FF; }

void writeNotCalibrated(const std::string& path, const std::string& reason) {
  writeLines(path, {reason});
}

std::string readNotCalibrated(const std::string& name, const std::string& text) {
  for (const std::string& line : splitLines(text)) {
    if (line.find_first_not_of(" \r") != std::string::npos) return line;
  }
  throw Error(ErrorKind::kRead, name + ": geen reden vermeld");
}

}  // namespace phreatix
