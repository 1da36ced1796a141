// KNMI daily files into meteo files: the longest period without a gap, RH
// = -1 as 0, a separate evaporation file, periods asked for, bad files, and
// KNMI De Bilt.
#include <gtest/gtest.h>

#include "coupling/knmi_meteo.h"
#include "error.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

const std::string kData = PHREATIX_TEST_DATA_DIR "/coupling/";

KnmiFile load(const std::string& name) { return KnmiFile{kData + name, readLines(kData + name)}; }

TEST(KnmiMeteo, LongestPeriodWithoutAGap) {
  KnmiFile station = load("knmi_station.txt");
  EXPECT_TRUE(isKnmiFile(station.lines));
  MeteoConversion m = convertKnmi(station, nullptr, {});
  EXPECT_EQ(m.lines, (std::vector<std::string>{"4 5 0.01 4 5", " 4  1 2000    11     3",
                                               " 5  1 2000     2     2", " 6  1 2000     0     1",
                                               " 7  1 2000    55     2"}));
  EXPECT_EQ(m.report, (std::vector<std::string>{
                          "Geschreven: 4-1-2000 t/m 7-1-2000 (4 dagen).",
                          "Weggelaten: 30-12-1999 t/m 3-1-2000 (5 dagen, buiten de langste "
                          "reeks zonder gat).",
                          "2 dag(en) zonder neerslag of verdamping, de eerste op 30-12-1999."}));

  // A period asked for: the longest run inside it; RH = -1 is 0.
  KnmiPeriod period{CalendarDate{1999, 12, 31}, CalendarDate{2000, 1, 3}};
  MeteoConversion asked = convertKnmi(station, nullptr, period);
  EXPECT_EQ(asked.lines,
            (std::vector<std::string>{"3 5 0.01 4 5", "31 12 1999     0     4",
                                      " 1  1 2000    30     5", " 2  1 2000     0     6"}));
  EXPECT_EQ(asked.report.back(), "1 dag(en) zonder neerslag of verdamping, de eerste op 3-1-2000.");
}

TEST(KnmiMeteo, PrecipitationStationWithEvaporationFromAnotherFile) {
  KnmiFile rain = load("knmi_neerslag.txt");
  KnmiFile evaporation = load("knmi_station.txt");
  MeteoConversion m = convertKnmi(rain, &evaporation, {});
  EXPECT_EQ(m.lines, (std::vector<std::string>{"2 5 0.01 4 5", "31 12 1999     5     4",
                                               " 1  1 2000    14     5"}));
  // Without an evaporation source a precipitation file cannot be converted.
  try {
    convertKnmi(rain, nullptr, {});
    FAIL() << "converted without evaporation";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), kData + "knmi_neerslag.txt:1: de kolom EV24 ontbreekt");
  }
}

TEST(KnmiMeteo, BadFilesNameFileLineAndWhat) {
  auto refusal = [](const KnmiFile& file, const KnmiPeriod& period = {}) {
    try {
      convertKnmi(file, nullptr, period);
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_EQ(refusal(load("knmi_bad_date.txt")),
            kData + "knmi_bad_date.txt:3: datum \"20000132\" bestaat niet");
  KnmiFile station = load("knmi_station.txt");
  KnmiFile reordered = station;
  std::swap(reordered.lines[8], reordered.lines[9]);
  EXPECT_EQ(refusal(reordered), kData +
                                    "knmi_station.txt:10: datum \"19991231\" ligt niet na "
                                    "die van de vorige regel");
  KnmiFile notANumber = station;
  notANumber.lines[9] = "  260,20000101,   3x,    5";
  EXPECT_EQ(refusal(notANumber), kData + "knmi_station.txt:10: RH \"3x\" is geen geheel getal");
  KnmiFile noColumns{"plain.txt", {"1 2 3", "4 5 6"}};
  EXPECT_FALSE(isKnmiFile(noColumns.lines));
  EXPECT_NE(refusal(noColumns).find("plain.txt: geen KNMI-bestand"), std::string::npos);
  EXPECT_NE(refusal(station, {CalendarDate{2010, 1, 1}, std::nullopt})
                .find("geen enkele dag met zowel neerslag als verdamping"),
            std::string::npos);
}

// Every day of the file outside what was written is named, before and after
// it, with the reason: outside the calendar, outside the period asked for,
// or outside the longest run.
TEST(KnmiMeteo, EveryDayLeftOutIsNamed) {
  KnmiFile file{"wide.txt", {"# STN,YYYYMMDD,   RH, EV24"}};
  for (const char* date : {"19471230", "19471231", "19480101", "19480102", "19480103", "19480104",
                           "20471231", "20480101", "20480102"}) {
    file.lines.push_back(std::string("  260,") + date + ",    3,    1");
  }
  MeteoConversion all = convertKnmi(file, nullptr, {});
  EXPECT_EQ(all.first, (CalendarDate{1948, 1, 1}));
  EXPECT_EQ(all.last, (CalendarDate{1948, 1, 4}));
  EXPECT_EQ(all.report,
            (std::vector<std::string>{
                "Geschreven: 1-1-1948 t/m 4-1-1948 (4 dagen).",
                "Weggelaten: 30-12-1947 t/m 31-12-1947 (2 dagen, voor 1-1-1948, buiten de "
                "kalender).",
                "Weggelaten: 5-1-1948 t/m 31-12-2047 (36521 dagen, buiten de langste reeks "
                "zonder gat).",
                "Weggelaten: 1-1-2048 t/m 2-1-2048 (2 dagen, na 31-12-2047, buiten de kalender).",
                "36520 dag(en) zonder neerslag of verdamping, de eerste op 5-1-1948."}));

  KnmiPeriod period{CalendarDate{1948, 1, 2}, CalendarDate{1948, 1, 3}};
  MeteoConversion asked = convertKnmi(file, nullptr, period);
  EXPECT_EQ(
      asked.report,
      (std::vector<std::string>{
          "Geschreven: 2-1-1948 t/m 3-1-1948 (2 dagen).",
          "Weggelaten: 30-12-1947 t/m 31-12-1947 (2 dagen, voor 1-1-1948, buiten de "
          "kalender).",
          "Weggelaten: 1-1-1948 t/m 1-1-1948 (1 dagen, voor de gevraagde periode).",
          "Weggelaten: 4-1-1948 t/m 31-12-2047 (36522 dagen, na de gevraagde periode).",
          "Weggelaten: 1-1-2048 t/m 2-1-2048 (2 dagen, na 31-12-2047, buiten de kalender)."}));
}

TEST(KnmiMeteo, DeBilt) {
  const std::string real = test::realDataDir();
  if (real.empty()) GTEST_SKIP() << "no real data beside the repository";
  test::TempDir dir;
  const std::string target = convertedMeteoName(real + "/KNMI_Bilt.txt", dir.path());
  EXPECT_EQ(target, dir.file("KNMI_Bilt.prn"));
  MeteoConversion m = convertKnmiFile(real + "/KNMI_Bilt.txt", target);
  // EV24 begins in July 1957; the file ends on 22 May 2016.
  EXPECT_EQ(m.first, (CalendarDate{1957, 7, 1}));
  EXPECT_EQ(m.last, (CalendarDate{2016, 5, 22}));
  std::vector<std::string> written = readLines(target);
  EXPECT_EQ(written.size(), 21512u);
  EXPECT_EQ(written[0], "21511 5 0.01 4 5");
  EXPECT_EQ(written.back(), "22  5 2016   153    11");
}

}  // namespace
}  // namespace phreatix
