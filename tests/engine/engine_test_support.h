// Engine runs in a temporary working directory: the tests write zeftal0.par,
// the measurement file and the meteo file themselves.
#pragma once

#include <string>
#include <vector>

#include "engine/engine_run.h"
#include "platform/files.h"
#include "support/temp_dir.h"
#include "text/number_text.h"

namespace phreatix::test {

struct ParFile {
  std::string measurementFile = "t.01";
  std::string meteoFile = "t.met";
  std::string traceFile = "t.w01";
  std::string resultsFile = "t.a01";
  std::string line5 = "0 0 0 0 0";  // mode seed realisations years startyear
  std::string initial = "0.5 1 0 0.5 0 1";
  std::string flags = "0 0 0 0 0 0";
  std::string h0 = "0";
  std::string variance = "1";
  std::string line10 = "1 0 0.0001";  // dt span closure
  std::string warmUp = "0";

  std::vector<std::string> lines() const {
    return {measurementFile, meteoFile, traceFile, resultsFile, line5, initial,
            flags,           h0,        variance,  line10,      warmUp};
  }
};

// A meteo file with one column of surplus: precipitation in column 1,
// evaporation 0 in column 2, scale 1.
inline std::vector<std::string> meteoLines(const std::vector<double>& surplus) {
  std::vector<std::string> lines = {formatInt(static_cast<long long>(surplus.size())) +
                                    " 2 1.0 1 2"};
  for (double q : surplus) lines.push_back(formatReal(q, 0, 6) + " 0.0");
  return lines;
}

inline std::vector<std::string> measurementLines(
    const std::vector<std::pair<double, double>>& timeLevel) {
  std::vector<std::string> lines = {formatInt(static_cast<long long>(timeLevel.size())) + " 1.0"};
  for (auto [t, y] : timeLevel) lines.push_back(formatReal(t, 0, 6) + " " + formatReal(y, 0, 6));
  return lines;
}

struct EngineCase {
  TempDir dir;
  Messages messages;
  EngineScreen screen;
  Engine engine{screen, messages};
  ParFile par;

  void write(const std::vector<double>& surplus,
             const std::vector<std::pair<double, double>>& measurements) {
    writeLines(dir.file(par.meteoFile), meteoLines(surplus));
    writeLines(dir.file(par.measurementFile), measurementLines(measurements));
  }
  bool run(int maxIter = 500) {
    writeLines(dir.file("zeftal0.par"), par.lines());
    return engine.run(dir.path(), "ZEFTAL-test op t", maxIter);
  }
  std::vector<std::string> lines(const std::string& name) const {
    return readLines(dir.file(name));
  }
  std::vector<std::string> runtime() const {
    return {screen.runtime().begin(), screen.runtime().end()};
  }
};

}  // namespace phreatix::test
