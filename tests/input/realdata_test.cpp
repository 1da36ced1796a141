// The reader on real DINO exports of single tubes in the older layout, with
// mixed-case keys, hyphenated coordinate titles, three-digit filters and (one
// of them) CR LF line ends.
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "input/dino_reader.h"
#include "input/tube_file.h"
#include "platform/files.h"
#include "support/doubles.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

using SilentBox = test::RecordingBox;

struct Period {
  std::string start;  // yyyymmdd
  std::string end;
};

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream s(line);
  std::string field;
  while (std::getline(s, field, ',')) fields.push_back(field);
  if (!line.empty() && line.back() == ',') fields.push_back("");
  return fields;
}

std::string compact(const std::string& dateText) {  // "1985/11/14 ..." -> "19851114"
  return dateText.substr(0, 4) + dateText.substr(5, 2) + dateText.substr(8, 2);
}

void checkRealExport(const std::string& name, const std::string& location,
                     const std::vector<Period>& periods, std::size_t firstMeasurementLine,
                     const std::string& firstRecord, const std::string& lastRecord) {
  const std::string dir = test::realDataDir();
  if (dir.empty()) GTEST_SKIP() << "no real data beside the repository";
  std::vector<std::string> lines = readLines(dir + "/" + name);

  // The expected records, worked out straight from the rows: each
  // measurement goes to the first period holding its date.
  std::vector<std::vector<std::string>> expected(periods.size());
  for (std::size_t i = firstMeasurementLine; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    std::vector<std::string> f = split(lines[i]);
    ASSERT_GE(f.size(), 5u) << lines[i];
    std::string date = compact(f[2]);
    bool missing =
        f[3].empty() || (!f[4].empty() && std::string("NBYDO").find(f[4][0]) != std::string::npos);
    int level = missing ? 0 : std::stoi(f[3]);
    std::string value =
        missing ? "9999+99999"
        : level > 0
            ? "9999+" + std::string(5 - std::to_string(level).size(), '0') + std::to_string(level)
            : "9999-" + std::string(5 - std::to_string(-level).size(), '0') +
                  std::to_string(-level);
    for (std::size_t p = 0; p < periods.size(); ++p) {
      if (periods[p].start <= date && date <= periods[p].end) {
        expected[p].push_back("S" + date + value);
        break;
      }
    }
  }

  test::TempDir work;
  Messages messages;
  ProgressView progress;
  SilentBox box;
  ReaderContext context{messages, progress, box, work.path()};
  ConvertedDataSet result = convertExport(lines, name, context);
  EXPECT_TRUE(messages.log().empty()) << messages.log().front();
  EXPECT_EQ(result.tubeCounter, 1);

  std::vector<std::string> want = {result.lines.at(0)};
  for (const auto& records : expected) {
    want.push_back(tubeRecord(location, "01"));
    want.insert(want.end(), records.begin(), records.end());
  }
  EXPECT_EQ(result.lines, want);
  EXPECT_EQ(result.lines.at(0).substr(0, 11), "FMNT0034Maa");
  EXPECT_EQ(result.lines.at(2), firstRecord);
  EXPECT_EQ(result.lines.back(), lastRecord);
}

TEST(RealExports, B58C0698WithCrLfLineEnds) {
  checkRealExport("B58C0698001_0.csv", "B58C0698",
                  {{"19851028", "20020823"}, {"20020823", "20150628"}}, 12, "S198511149999+00256",
                  "S201506289999+00260");
}

TEST(RealExports, B33F0080WithFourPeriods) {
  checkRealExport("B33F0080001_0.csv", "B33F0080",
                  {{"19721128", "19861128"},
                   {"19861128", "19970910"},
                   {"19970910", "20040706"},
                   {"20040706", "20150617"}},
                  14, "S197211289999+00109", "S201506179999+00152");
}

}  // namespace
}  // namespace phreatix
