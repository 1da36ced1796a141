// The common ground of the pipeline's tests: a session in a fresh working
// directory with a data set opened, the pipeline over it, and vertex files
// written as the calibrations write them.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "input/tube_file.h"
#include "pipeline/pipeline.h"
#include "platform/files.h"
#include "support/doubles.h"
#include "support/engine_screen.h"
#include "support/temp_dir.h"
#include "text/number_text.h"

namespace phreatix::test {

// A session in a fresh working directory with the built-in day numbering
// and an OLGA file (the internal layout with two-digit years) opened.
struct PipelineCase {
  TempDir dir;
  Session session{dir.path()};
  CouplingOverview overview;
  EngineScreen engineView;
  Engine engine{engineView, session.messages()};
  Postprocessor& post = postprocessor();
  PostView postView;
  ProgressView main;
  RecordingBox box;
  PipelineObserver observer;
  std::string dataFile;

  static Postprocessor& postprocessor() {
    static Postprocessor p;
    return p;
  }
  explicit PipelineCase(const std::vector<std::string>& records) {
    std::vector<std::string> lines = {"FMNT0034MV  test          01-01-2000"};
    lines.insert(lines.end(), records.begin(), records.end());
    open("data.dat", lines, builtinDayNumberLines());
  }
  // A DINO export (four-digit years) opened with the kron.txt given.
  PipelineCase(const std::vector<std::string>& exportLines, const std::vector<std::string>& kron) {
    open("data.csv", exportLines, kron);
  }
  void open(const std::string& name, const std::vector<std::string>& lines,
            const std::vector<std::string>& kron) {
    writeLines(dir.file("kron.txt"), kron);
    session.activate();
    dataFile = dir.file(name);
    writeLines(dataFile, lines);
    EXPECT_TRUE(session.openDataFile(dataFile, main, box));
  }
  Pipeline pipeline() {
    return Pipeline(session, overview, dataFile, engine, post,
                    WorkflowPorts{main, box, engineView, postView, observer});
  }
  std::vector<std::string> lines(const std::string& name) const {
    return readLines(dir.file(name));
  }
  const std::vector<std::string>& log() const { return session.messages().log(); }
  // A meteo file "M 5 0.01 4 5" with a line "d m y 12 4" for every day from
  // 1 `fromMonth` `fromYear` to the end of `toYear`, the days in `skip` left
  // out.
  void writeMeteo(const std::string& name, int fromYear, int toYear,
                  const std::vector<std::array<int, 3>>& skip = {}, int fromMonth = 1) {
    std::vector<std::string> days;
    for (int y = fromYear; y <= toYear; ++y) {
      for (int m = y == fromYear ? fromMonth : 1; m <= 12; ++m) {
        for (int d = 1; d <= daysInMonth(m, y); ++d) {
          if (std::find(skip.begin(), skip.end(), std::array<int, 3>{d, m, y}) != skip.end())
            continue;
          days.push_back(formatInt(d) + " " + formatInt(m) + " " + formatInt(y) + " 12 4");
        }
      }
    }
    days.insert(days.begin(), formatInt(static_cast<long long>(days.size())) + " 5 0.01 4 5");
    writeLines(dir.file(name), days);
  }
  // Puts a link to /dev/full in place of a file: every write to it fails as
  // on a full disk.
  void fillDisk(const std::string& name) const {
    removeFile(dir.file(name));
    ASSERT_EQ(::symlink("/dev/full", dir.file(name).c_str()), 0);
  }
};

inline std::string tube(const std::string& code, const std::string& filter) {
  return tubeRecord(code, filter);
}

inline std::size_t countOf(const std::vector<std::string>& log, const std::string& line) {
  return static_cast<std::size_t>(std::count(log.begin(), log.end(), line));
}

// The line after the first line equal to `line`; "" when there is none.
inline std::string lineAfter(const std::vector<std::string>& log, const std::string& line) {
  auto at = std::find(log.begin(), log.end(), line);
  return at == log.end() || at + 1 == log.end() ? std::string() : *(at + 1);
}

// Vertex files as the ds and d+s calibrations write them: columns delta,
// omega0, phi, c, sigma2, omega1, objective.
inline std::string vertexFile(const std::vector<std::string>& vertices) {
  std::string text = " number of iterations: 40\n";
  for (const std::string& v : vertices) text += v + "\n";
  return text + "    0.100000    2.000000    1.500000\n";
}

// One tube with readings on 1 and 15 April 1985, its ds inputs written, and
// a meteo file 1960-2000; simulation 1969-1998.
struct SelectionCase : PipelineCase {
  SelectionCase()
      : PipelineCase({tube("28AL0005", "01"), "S8504019999+00120", "S8504159999+00110"}) {
    overview.rows = {{"28AL0005 +01", "west.prn"}};
    writeMeteo("west.prn", 1960, 2000);
    session.stageFlags().ds = true;
    pipeline().writeCalibrationInputs();
    session.settings().startYear = 1969;
    session.settings().numberOfYears = 30;
  }
};

}  // namespace phreatix::test
