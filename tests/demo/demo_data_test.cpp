#include "demo/demo_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "engine/kalman_filter.h"
#include "input/calendar.h"
#include "input/dino_reader.h"
#include "input/tube_file.h"
#include "platform/files.h"
#include "support/doubles.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

using SilentBox = test::RecordingBox;

// One meteo file as the engine reads it: a head, then day, month, year, P
// and E (0.1 mm) per line.
struct Meteo {
  std::string head;
  std::vector<int> dates;       // yyyymmdd
  std::vector<double> surplus;  // cm/day: 0.01 P - 0.01 E, as the engine forms it
  std::map<int, int> dayOf;     // yyyymmdd -> day number, 1 = first day line
};

Meteo readMeteo(const std::string& path) {
  Meteo m;
  std::vector<std::string> lines = readLines(path);
  m.head = lines.at(0);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::istringstream in(lines[i]);
    int d, mo, y, rain, evaporation;
    std::string rest;
    const bool five = static_cast<bool>(in >> d >> mo >> y >> rain >> evaporation) && !(in >> rest);
    EXPECT_TRUE(five && rain >= 0 && evaporation >= 0) << path << ":" << i + 1 << ": " << lines[i];
    m.dates.push_back(y * 10000 + mo * 100 + d);
    m.dayOf[m.dates.back()] = static_cast<int>(i);
    m.surplus.push_back(0.01 * rain - 0.01 * evaporation);
  }
  return m;
}

// The demo data set, written once for all tests, and its export converted
// as a session opens it.
class DemoData : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    set_ = writeDemoData(dir_->path());
    SilentBox box;
    ProgressView progress;
    ReaderContext context{log_, progress, box, dir_->path()};
    ConvertedDataSet converted =
        convertExport(readLines(dir_->file(set_.exportFile)), set_.exportFile, context);
    for (const std::string& line : converted.lines) {
      if (isTubeRecord(line)) records_.push_back({std::string(line.substr(1, 10)), {}});
      if (isMeasurementRecord(line) && !records_.empty()) records_.back().second.push_back(line);
    }
  }
  static void TearDownTestSuite() { delete dir_; }

  static test::TempDir* dir_;
  static DemoDataSet set_;
  static Messages log_;
  // Location + filter of each tube record, with its measurement records.
  static std::vector<std::pair<std::string, std::vector<std::string>>> records_;
};
test::TempDir* DemoData::dir_ = nullptr;
DemoDataSet DemoData::set_;
Messages DemoData::log_;
std::vector<std::pair<std::string, std::vector<std::string>>> DemoData::records_;

TEST_F(DemoData, ExportGivesOneRecordPerTubeAfterOneRelocation) {
  std::vector<std::string> moved;
  for (const std::string& line : log_.log())
    if (line.find(">50 m. verplaatst.") != std::string::npos) moved.push_back(line.substr(5, 8));
  ASSERT_EQ(moved.size(), 1u);

  ASSERT_EQ(records_.size(), set_.tubes.size());
  std::map<std::string, std::set<std::string>> filters;
  for (std::size_t i = 0; i < records_.size(); ++i) {
    const DemoTube& tube = set_.tubes[i];
    const auto& [record, measured] = records_[i];
    EXPECT_EQ(record, tube.location + normaliseFilter(tube.filter));
    filters[tube.location].insert(record.substr(8));
    const long levels = std::count_if(measured.begin(), measured.end(),
                                      [](auto& r) { return recordLevelUp(r).has_value(); });
    // The moved tube keeps only its newer period, still years long.
    const bool isMoved = tube.location == moved[0];
    EXPECT_EQ(measured.at(0).substr(1, 4) == "1985", !isMoved) << record;
    EXPECT_GE(levels, isMoved ? 100 : 200) << record;
  }
  EXPECT_EQ(filters.count(moved[0]), 1u);
  int withTwoFilters = 0;
  for (const auto& [location, f] : filters)
    withTwoFilters += f == std::set<std::string>{"01", "02"};
  EXPECT_EQ(withTwoFilters, 1);
}

TEST_F(DemoData, MeteoFilesAreCompleteFrom1960To2005WithAPlausibleSurplus) {
  std::vector<int> everyDay;
  for (int y = 1960; y <= 2005; ++y)
    for (int m = 1; m <= 12; ++m)
      for (int d = 1; d <= daysInMonth(m, y); ++d) everyDay.push_back(y * 10000 + m * 100 + d);
  ASSERT_GE(set_.meteoFiles.size(), 2u);
  for (const std::string& name : set_.meteoFiles) {
    SCOPED_TRACE(name);
    Meteo meteo = readMeteo(dir_->file(name));
    EXPECT_EQ(meteo.head, std::to_string(everyDay.size()) + " 5 0.01 4 5");
    EXPECT_TRUE(meteo.dates == everyDay) << "a gap, a missing or a wrong day";

    double surplus = 0, summer = 0, winter = 0;
    for (std::size_t i = 0; i < meteo.dates.size(); ++i) {
      const int month = meteo.dates[i] / 100 % 100;
      surplus += meteo.surplus[i];
      if (month >= 6 && month <= 8) summer += meteo.surplus[i];
      if (month == 12 || month <= 2) winter += meteo.surplus[i];
    }
    const double years = static_cast<double>(everyDay.size()) / 365.25;
    // A Dutch surplus of 70 to 550 mm a year (cm/day in the file's unit):
    // wet winters, dry summers.
    EXPECT_GT(surplus / years / 365.25, 0.02);
    EXPECT_LT(surplus / years / 365.25, 0.15);
    EXPECT_LT(summer, 0.0);
    EXPECT_GT(winter, 0.0);
  }
}

// The levels must be what the stated model makes of the coupled meteo file:
// run through the engine's Kalman filter with the tube's own parameters from
// 1960-01-01 on, the innovations are standard normal (sum v^2/F close to N,
// within about 3 standard errors of sqrt(2N)), and the same filter fed the
// other meteo file fits clearly worse.
TEST_F(DemoData, LevelsStayInTheStatedRangeAndFollowTheirMeteoFile) {
  std::map<std::string, Meteo> meteo;
  for (const std::string& name : set_.meteoFiles) meteo[name] = readMeteo(dir_->file(name));
  ASSERT_EQ(records_.size(), set_.tubes.size());
  for (std::size_t i = 0; i < records_.size(); ++i) {
    const DemoTube& tube = set_.tubes[i];
    SCOPED_TRACE(records_[i].first);
    ASSERT_EQ(meteo.count(tube.meteoFile), 1u);
    EngineInput input;
    for (const std::string& r : records_[i].second) {
      std::optional<int> level = recordLevelUp(r);
      if (!level) continue;
      if (!tube.designedToFail) {
        EXPECT_LE(*level, -20) << r;
        EXPECT_GE(*level, -250) << r;
      }
      const int day = meteo[tube.meteoFile].dayOf.at(std::stoi(r.substr(1, 8)));
      input.measurements.push_back({static_cast<double>(day), static_cast<double>(*level)});
    }
    input.settings.h0 = tube.c;
    input.settings.span = input.measurements.back().time;
    const Parameters p = {tube.delta, tube.omega0, 0, tube.phi, tube.c, tube.sigma2};
    auto pass = [&](const Meteo& m) {
      input.surplus = {0.0};
      input.surplus.insert(input.surplus.end(), m.surplus.begin(), m.surplus.end());
      input.meteoDays = static_cast<int>(m.surplus.size());
      StepTable steps;
      steps.build(input);
      return KalmanFilter(input, steps).pass(p, nullptr);
    };
    const PassResult fit = pass(meteo[tube.meteoFile]);
    const double n = static_cast<double>(input.measurements.size());
    EXPECT_GT(fit.S / n, 0.75);
    EXPECT_LT(fit.S / n, 1.35);
    for (const auto& [name, other] : meteo) {
      if (name != tube.meteoFile) {
        EXPECT_GT(pass(other).objective, fit.objective + 10) << name;
      }
    }
  }
}

TEST_F(DemoData, CouplingFileNamesEveryLocationWithItsMeteoFile) {
  std::vector<std::string> lines = readLines(dir_->file(set_.couplingFile));
  std::map<std::string, std::string> meteoOf;
  for (const DemoTube& tube : set_.tubes) meteoOf[tube.location] = tube.meteoFile;
  EXPECT_EQ(lines.size(), meteoOf.size());
  for (const auto& [location, file] : meteoOf) {
    // The coupling's meteo file: the line without the code, blanks, commas
    // and semicolons.
    std::vector<std::string> named;
    for (std::string line : lines) {
      const std::size_t at = line.find(location);
      if (at == std::string::npos) continue;
      line.erase(at, location.size());
      std::erase_if(line, [](char c) { return c == ' ' || c == ',' || c == ';'; });
      named.push_back(line);
    }
    EXPECT_EQ(named, std::vector<std::string>{file}) << location;
    EXPECT_TRUE(fileExists(dir_->file(file))) << file;
  }
}

TEST_F(DemoData, SameFilesOnEveryCall) {
  test::TempDir again;
  writeDemoData(again.path());
  std::vector<std::string> expected = {set_.exportFile, set_.couplingFile, "kron.txt"};
  expected.insert(expected.end(), set_.meteoFiles.begin(), set_.meteoFiles.end());
  std::sort(expected.begin(), expected.end());
  ASSERT_EQ(listFiles(again.path(), "*"), expected);
  for (const std::string& name : expected)
    EXPECT_TRUE(readFileText(dir_->file(name)) == readFileText(again.file(name))) << name;
}

}  // namespace
}  // namespace phreatix
