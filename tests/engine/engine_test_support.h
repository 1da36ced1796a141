// Engine runs in a temporary working directory: the tests write zeftal0.par,
// the measurement file and the meteo file themselves.
#pragma once

#include <string>
#include <vector>

#include "engine/engine_run.h"
#include "platform/files.h"
#include "support/engine_screen.h"
#include "support/synthetic_tube.h"
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
  std::vector<std::string> after;  // lines after the eleventh (the response)

  std::vector<std::string> lines() const {
    std::vector<std::string> all = {measurementFile, meteoFile, traceFile, resultsFile,
                                    line5,           initial,   flags,     h0,
                                    variance,        line10,    warmUp};
    all.insert(all.end(), after.begin(), after.end());
    return all;
  }
};

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
