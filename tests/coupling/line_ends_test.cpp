// Every reader of outside input through the line reader takes the three
// kinds of line end alike: LF, CR LF and the CR alone of an old Mac (or a
// spreadsheet there), whose file read at LF only was a single line.
#include <string>

#include <gtest/gtest.h>

#include "coupling/completeness.h"
#include "coupling/coupling.h"
#include "coupling/given_components.h"
#include "coupling/stress_file.h"
#include "input/calendar.h"
#include "report/messages.h"
#include "support/doubles.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

using test::TempDir;

// `text` (lines ending in LF) with every LF made `end`.
std::string withLineEnds(const std::string& text, const std::string& end) {
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += end;
    } else {
      out += c;
    }
  }
  return out;
}

const char* const kEnds[] = {"\n", "\r\n", "\r"};

TEST(LineEnds, OutsideReadersTakeCrAloneAsLfAndCrLf) {
  for (const char* end : kEnds) {
    SCOPED_TRACE(end[0] == '\r' ? (end[1] == '\n' ? "CR LF" : "CR") : "LF");
    TempDir dir;

    // kron.txt
    dir.write("kron.txt", withLineEnds("01-01-48 1\n02-01-48 2\n29-02-00 19053\n", end));
    DayNumberTable table;
    Messages messages;
    readDayNumberFile(dir.path(), table, messages);
    EXPECT_EQ(table.lookup(2, 1, 1948), 2);
    EXPECT_EQ(table.lookup(29, 2, 2000), 19053);
    EXPECT_TRUE(messages.stopExit().empty());

    // A meteo file: its first and last day against the period.
    dir.write("m.prn", withLineEnds("  3  1  2  10957 De Bilt\n 1  1 1969   0.1   0.4\n"
                                    "  15  6 1980   2.0   3.1\n31 12 1998   0.0   0.2\n",
                                    end));
    EXPECT_TRUE(meteoFileCovers(dir.file("m.prn"), 1969, 1998));
    EXPECT_FALSE(meteoFileCovers(dir.file("m.prn"), 1969, 1999));

    // A stress file.
    dir.write("put.csv", withLineEnds("# soort=onttrekking eenheid=m3/dag\ndatum,waarde\n"
                                      "2010-02-27,1200\n2010-02-28,1150.5\n\n",
                                      end));
    const StressSeries stress = readStressFile(dir.file("put.csv"));
    EXPECT_EQ(stress.kind, "onttrekking");
    EXPECT_EQ(stress.values, (std::vector<double>{1200, 1150.5}));

    // componenten.txt
    dir.write("componenten.txt", withLineEnds("# drainage\nB01A0001 trend 1995-12-15 2001-07-28\n"
                                              "B01A0002;stap;2000-02-29\n",
                                              end));
    const GivenComponents given = readGivenComponents(dir.file("componenten.txt"));
    ASSERT_EQ(given.rows.size(), 2u);
    EXPECT_EQ(given.rows[1].location, "B01A0002");
    EXPECT_EQ(given.rows[1].line, 3);

    // The coupling file: a meteo file per tube, one with a stress file.
    dir.write("koppeling.txt", withLineEnds("B01A0001 m.prn\nB01A0002 m.prn put.csv\n", end));
    CouplingOverview overview;
    test::RecordingBox box;
    coupleFromFile(dir.file("koppeling.txt"), {"B01A0001 +01", "B01A0002 +01"}, dir.path(),
                   overview, messages, box);
    ASSERT_EQ(overview.rows.size(), 2u);
    EXPECT_EQ(overview.rows[0].meteo, "m.prn");
    EXPECT_EQ(overview.rows[0].stress, "");
    EXPECT_EQ(overview.rows[1].meteo, "m.prn");
    EXPECT_EQ(overview.rows[1].stress, "put.csv");
    EXPECT_EQ(overview.rows[1].stressLine, 2);
  }
}

}  // namespace
}  // namespace phreatix
