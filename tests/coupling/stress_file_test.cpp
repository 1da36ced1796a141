// Stress files: the reader's good files and fill methods with values worked
// out by hand, every refusal with its exact text, the coverage check, the
// choice in the overview and the check before a calibration.
#include "coupling/stress_file.h"

#include <gtest/gtest.h>

#include "error.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

using test::TempDir;

CalendarDate date(int y, int m, int d) { return CalendarDate{y, m, d}; }

// The refusal of `text` as a stress file, "" when it is read.
std::string refusalOf(const std::string& text) {
  TempDir dir;
  dir.write("s.csv", text);
  try {
    readStressFile(dir.file("s.csv"));
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kInput);
    const std::string what = e.what();
    const std::string prefix = dir.file("s.csv") + ":";
    if (what.rfind(prefix, 0) != 0) return "without the file: " + what;
    return what.substr(prefix.size());
  }
  return "";
}

TEST(StressFile, ReadsEveryDayWithKindAndUnit) {
  TempDir dir;
  // CR LF line ends, blanks around the fields, blank lines at the end.
  dir.write("put.csv",
            "# soort=onttrekking eenheid=m3/dag\r\ndatum,waarde\r\n2010-02-27,1200\r\n"
            "2010-02-28, 1150.5\r\n2010-03-01 ,-3.25e2\r\n\r\n  \r\n");
  const StressSeries s = readStressFile(dir.file("put.csv"));
  EXPECT_EQ(s.path, dir.file("put.csv"));
  EXPECT_EQ(s.kind, "onttrekking");
  EXPECT_EQ(s.unit, "m3/dag");
  EXPECT_EQ(s.first, date(2010, 2, 27));
  EXPECT_EQ(s.last, date(2010, 3, 1));
  EXPECT_EQ(s.values, (std::vector<double>{1200, 1150.5, -325}));
  EXPECT_EQ(s.filledDays, 0);
  EXPECT_EQ(s.fill, "");

  // The other kinds with their units, in any order of the keys; a
  // spreadsheet's byte-order mark before the head; one day is a series.
  struct Case {
    const char* head;
    const char* kind;
    const char* unit;
  };
  const Case cases[] = {
      {"# soort=rivier eenheid=m", "rivier", "m"},
      {"#eenheid=m soort=oppervlaktewater", "oppervlaktewater", "m"},
      {"\xEF\xBB\xBF# soort=anders eenheid=mm/dag vullen=vorige", "anders", "mm/dag"},
      {"# soort=anders\teenheid=graden", "anders", "graden"},
  };
  for (const Case& c : cases) {
    dir.write("s.csv", std::string(c.head) + "\nDatum,Waarde\n2024-02-29,7\n");
    const StressSeries one = readStressFile(dir.file("s.csv"));
    EXPECT_EQ(one.kind, c.kind) << c.head;
    EXPECT_EQ(one.unit, c.unit) << c.head;
    EXPECT_EQ(one.first, date(2024, 2, 29)) << c.head;
    EXPECT_EQ(one.last, one.first) << c.head;
    EXPECT_EQ(one.values, std::vector<double>{7}) << c.head;
  }
}

// Gaps over a month's end and a leap day, filled as the head says:
// lineair gives a + (b - a) k / (g + 1) on the k-th of g days left out,
// vorige the value before the gap.
TEST(StressFile, FillsGapsLinearlyOrWithTheValueBefore) {
  TempDir dir;
  const std::string days =
      "datum,waarde\n"
      "2012-02-27,10\n"  // 28 and 29 February left out: 2 days
      "2012-03-01,16\n"
      "2012-03-02,1\n"  // 3, 4 and 5 March left out: 3 days
      "2012-03-06,0\n";
  dir.write("l.csv", "# soort=rivier eenheid=m vullen=lineair\n" + days);
  const StressSeries linear = readStressFile(dir.file("l.csv"));
  EXPECT_EQ(linear.fill, "lineair");
  EXPECT_EQ(linear.filledDays, 5);
  EXPECT_EQ(linear.first, date(2012, 2, 27));
  EXPECT_EQ(linear.last, date(2012, 3, 6));
  // 10 + 6/3 = 12, 10 + 12/3 = 14; 1 - 1/4 = 0.75, 1 - 2/4 = 0.5, 1 - 3/4 = 0.25.
  EXPECT_EQ(linear.values, (std::vector<double>{10, 12, 14, 16, 1, 0.75, 0.5, 0.25, 0}));

  dir.write("v.csv", "# soort=rivier eenheid=m vullen=vorige\n" + days);
  const StressSeries previous = readStressFile(dir.file("v.csv"));
  EXPECT_EQ(previous.fill, "vorige");
  EXPECT_EQ(previous.filledDays, 5);
  EXPECT_EQ(previous.values, (std::vector<double>{10, 10, 10, 16, 1, 1, 1, 1, 0}));

  // Thirds are not exact in binary: 0 + 1 * 1 / 3 and 0 + 1 * 2 / 3.
  dir.write("t.csv",
            "# soort=rivier eenheid=m vullen=lineair\ndatum,waarde\n"
            "1999-12-31,0\n2000-01-03,1\n");
  const StressSeries thirds = readStressFile(dir.file("t.csv"));
  ASSERT_EQ(thirds.values.size(), 4u);
  EXPECT_DOUBLE_EQ(thirds.values[1], 1.0 / 3.0);
  EXPECT_DOUBLE_EQ(thirds.values[2], 2.0 / 3.0);
  EXPECT_EQ(thirds.values[3], 1.0);
}

TEST(StressFile, RefusesWithFileLineAndReason) {
  const std::string head = "# soort=onttrekking eenheid=m3/dag\n";
  const std::string columns = "datum,waarde\n";
  struct Case {
    std::string text;
    const char* refusal;  // after "<path>:"
  };
  const Case cases[] = {
      {"", "1: het bestand is leeg (verwacht de kopregel \"# soort=<soort> eenheid=<eenheid>\")"},
      {"\n \n",
       "1: het bestand is leeg (verwacht de kopregel \"# soort=<soort> "
       "eenheid=<eenheid>\")"},
      {"soort=rivier eenheid=m\n",
       "1: verwacht de kopregel \"# soort=<soort> eenheid=<eenheid>\", gevonden \"soort=rivier "
       "eenheid=m\""},
      {"# soort=onttrekking\n",
       "1: eenheid ontbreekt (verwacht \"# soort=<soort> eenheid=<eenheid>\")"},
      {"# eenheid=m\n", "1: soort ontbreekt (verwacht \"# soort=<soort> eenheid=<eenheid>\")"},
      {"# soort=rivier eenheid\n",
       "1: \"eenheid\" is geen sleutel=waarde (verwacht \"# soort=<soort> eenheid=<eenheid>\")"},
      {"# soort=rivier eenheid= m\n",
       "1: \"eenheid=\" is geen sleutel=waarde (verwacht \"# soort=<soort> eenheid=<eenheid>\")"},
      {"# soort=rivier eenheid=m bron=rws\n",
       "1: onbekende sleutel \"bron\" (bekend: soort, eenheid, vullen)"},
      {"# soort=rivier eenheid=m soort=rivier\n",
       "1: de sleutel soort staat twee keer in de kopregel"},
      {"# soort=kwel eenheid=mm/dag\n",
       "1: onbekende soort \"kwel\" (bekend: onttrekking, oppervlaktewater, rivier, anders)"},
      {"# soort=onttrekking eenheid=m3/uur\n",
       "1: eenheid \"m3/uur\" past niet bij soort onttrekking (verwacht eenheid=m3/dag)"},
      {"# soort=rivier eenheid=cm\n",
       "1: eenheid \"cm\" past niet bij soort rivier (verwacht eenheid=m)"},
      {"# soort=oppervlaktewater eenheid=m3/dag\n",
       "1: eenheid \"m3/dag\" past niet bij soort oppervlaktewater (verwacht eenheid=m)"},
      {"# soort=rivier eenheid=m vullen=spline\n",
       "1: onbekende vulmethode \"spline\" (verwacht vullen=lineair of vullen=vorige)"},
      {head, "2: de kolomregel \"datum,waarde\" ontbreekt"},
      {head + "datum;waarde\n2010-01-01;5\n",
       "2: verwacht de kolomregel \"datum,waarde\", gevonden \"datum;waarde\""},
      {head + "2010-01-01,5\n",
       "2: verwacht de kolomregel \"datum,waarde\", gevonden \"2010-01-01,5\""},
      {head + columns + "\n\n", "3: geen dagregels (verwacht \"jjjj-mm-dd,waarde\" per dag)"},
      {head + columns + "2010-01-01,5\n\n2010-01-02,5\n", "4: lege regel tussen de dagregels"},
      {head + columns + "2010-01-01 5\n",
       "3: verwacht \"jjjj-mm-dd,waarde\", gevonden \"2010-01-01 5\""},
      {head + columns + "1-1-2010,5\n", "3: datum \"1-1-2010\" is geen jjjj-mm-dd"},
      {head + columns + "2010/01/01,5\n", "3: datum \"2010/01/01\" is geen jjjj-mm-dd"},
      {head + columns + "2010-01-01,5\n2010-02-30,5\n", "4: datum \"2010-02-30\" bestaat niet"},
      {head + columns + "2011-02-29,5\n", "3: datum \"2011-02-29\" bestaat niet"},
      {head + columns + "2010-13-01,5\n", "3: datum \"2010-13-01\" bestaat niet"},
      {head + columns + "0000-01-01,5\n", "3: datum \"0000-01-01\" bestaat niet"},
      {head + columns + "2010-01-02,5\n2010-01-02,6\n",
       "4: datum 2010-01-02 ligt niet na die van de regel ervoor (2010-01-02)"},
      {head + columns + "2010-01-02,5\n2010-01-01,6\n",
       "4: datum 2010-01-01 ligt niet na die van de regel ervoor (2010-01-02)"},
      {head + columns + "2010-01-01,12,5\n",
       "3: waarde \"12,5\" is geen getal (decimaalteken een punt)"},
      {head + columns + "2010-01-01,12;5\n",
       "3: waarde \"12;5\" is geen getal (decimaalteken een punt)"},
      {head + columns + "2010-01-01,\n", "3: waarde \"\" is geen getal (decimaalteken een punt)"},
      {head + columns + "2010-01-01,nan\n",
       "3: waarde \"nan\" is geen getal (decimaalteken een punt)"},
      {head + columns + "2010-03-03,1\n2010-03-04,1\n2010-03-08,1\n",
       "5: gat van 3 dagen na 2010-03-04 (geef vullen=lineair of vullen=vorige in de kopregel)"},
      {head + columns + "2010-12-31,1\n2011-01-02,1\n",
       "4: gat van 1 dag na 2010-12-31 (geef vullen=lineair of vullen=vorige in de kopregel)"},
  };
  for (const Case& c : cases) EXPECT_EQ(refusalOf(c.text), c.refusal) << c.text;

  // A file that is not there is the file system's error, naming it.
  try {
    readStressFile("/nonexistent/put.csv");
    ADD_FAILURE() << "a missing file was read";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kIo);
    EXPECT_NE(std::string(e.what()).find("/nonexistent/put.csv"), std::string::npos) << e.what();
  }
}

TEST(StressFile, CoverageNamesBothPeriods) {
  StressSeries s;
  s.path = "put.csv";
  s.first = date(1995, 1, 1);
  s.last = date(2012, 12, 31);
  EXPECT_NO_THROW(checkStressCovers(s, date(1995, 1, 1), date(2012, 12, 31)));
  EXPECT_NO_THROW(checkStressCovers(s, date(2000, 6, 1), date(2000, 6, 1)));
  struct Case {
    CalendarDate from, to;
    const char* refusal;
  };
  const Case cases[] = {
      {date(1990, 1, 14), date(2010, 12, 28),
       "put.csv: de stressreeks dekt de calibratieperiode 1990-01-14 t/m 2010-12-28 niet (reeks "
       "1995-01-01 t/m 2012-12-31)"},
      {date(1995, 1, 2), date(2013, 1, 1),
       "put.csv: de stressreeks dekt de calibratieperiode 1995-01-02 t/m 2013-01-01 niet (reeks "
       "1995-01-01 t/m 2012-12-31)"},
      {date(1994, 12, 31), date(2012, 12, 31),
       "put.csv: de stressreeks dekt de calibratieperiode 1994-12-31 t/m 2012-12-31 niet (reeks "
       "1995-01-01 t/m 2012-12-31)"},
  };
  for (const Case& c : cases) {
    try {
      checkStressCovers(s, c.from, c.to);
      ADD_FAILURE() << c.refusal;
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::kInput);
      EXPECT_EQ(std::string(e.what()), c.refusal);
    }
  }
}

CouplingOverview threeRows() {
  CouplingOverview overview;
  overview.rows = {{"28AL0005 +01", "oost.prn"},
                   {"28AL0006 +01 (ingreep!)", "oost.prn"},
                   {"28AL0007 +01", "west.prn"}};
  return overview;
}

// "Kies stressbestand": a good file of the working directory goes to the
// rows chosen, by its bare name; a file elsewhere, a bad file or a row
// outside the overview changes nothing; an empty choice takes it off.
TEST(StressFile, ChosenInTheOverviewForTheSelectedRows) {
  TempDir work, elsewhere;
  const std::string good = "# soort=onttrekking eenheid=m3/dag\ndatum,waarde\n2001-01-01,5\n";
  work.write("put.csv", good);
  work.write("slecht.csv", "# soort=rivier eenheid=cm\n");
  elsewhere.write("ander.csv", good);
  elsewhere.write("put.csv", good);

  CouplingOverview overview = threeRows();
  overview.rows[2].stress = "rivier.csv";
  overview.rows[2].stressLine = 4;
  chooseStressFile(overview, {0, 2}, work.file("put.csv"), work.path());
  EXPECT_EQ(overview.rows[0].stress, "put.csv");
  EXPECT_EQ(overview.rows[1].stress, "");
  EXPECT_EQ(overview.rows[2].stress, "put.csv");
  EXPECT_EQ(overview.rows[2].stressLine, 0);
  EXPECT_EQ(overview.rows[0].meteo, "oost.prn");

  auto refused = [&](const std::vector<int>& rows, const std::string& path) {
    const CouplingOverview before = overview;
    std::string what;
    try {
      chooseStressFile(overview, rows, path, work.path());
    } catch (const Error& e) {
      what = e.what();
    }
    for (std::size_t i = 0; i < before.rows.size(); ++i)
      EXPECT_EQ(overview.rows[i].stress, before.rows[i].stress) << path;
    return what;
  };
  const std::string notThere = " staan: de berekening opent het daar";
  EXPECT_EQ(refused({1}, elsewhere.file("ander.csv")),
            elsewhere.file("ander.csv") + ": een stressbestand moet in de werkmap " + work.path() +
                notThere);
  // A file of the same name elsewhere is not the one the run would open.
  EXPECT_EQ(refused({1}, elsewhere.file("put.csv")), elsewhere.file("put.csv") +
                                                         ": een stressbestand moet in de werkmap " +
                                                         work.path() + notThere);
  EXPECT_EQ(refused({1}, work.file("slecht.csv")),
            work.file("slecht.csv") +
                ":1: eenheid \"cm\" past niet bij soort rivier (verwacht "
                "eenheid=m)");
  EXPECT_EQ(refused({1, 3}, work.file("put.csv")),
            "overzichtsregel 4 buiten een overzicht van 3 regels");

  chooseStressFile(overview, {2}, "", work.path());
  EXPECT_EQ(overview.rows[0].stress, "put.csv");
  EXPECT_EQ(overview.rows[2].stress, "");
}

// Before a calibration: under standaard every row with a stress file is
// refused, naming the coupling file's line or the tube chosen by hand;
// under uitgebreid every stress file is read, each once, and a bad one
// refused with the reader's text.
TEST(StressFile, CheckedAgainstTheModelBeforeACalibration) {
  TempDir work;
  work.write("put.csv", "# soort=onttrekking eenheid=m3/dag\ndatum,waarde\n2001-01-01,5\n");
  work.write("maas.csv", "# soort=rivier eenheid=m\ndatum,waarde\n2001-01-01,5\n2001-01-03,4\n");

  CouplingOverview none = threeRows();
  EXPECT_TRUE(stressCouplingRefusals(none, ModelFamily::kStandaard, work.path()).empty());
  EXPECT_TRUE(stressCouplingRefusals(none, ModelFamily::kUitgebreid, work.path()).empty());

  CouplingOverview overview = threeRows();
  overview.couplingFile = "/data/koppeling.txt";
  overview.rows[0].stress = "put.csv";
  overview.rows[0].stressLine = 3;
  overview.rows[1].stress = "maas.csv";  // chosen by hand
  overview.rows[2].stress = "maas.csv";
  overview.rows[2].stressLine = 5;
  EXPECT_EQ(stressCouplingRefusals(overview, ModelFamily::kStandaard, work.path()),
            (std::vector<std::string>{
                "/data/koppeling.txt:3: buis 28AL0005: een derde veld (stressbestand put.csv) kan "
                "alleen met Model: uitgebreid",
                "buis 28AL0006 +01 (ingreep!): stressbestand maas.csv kan alleen met Model: "
                "uitgebreid",
                "/data/koppeling.txt:5: buis 28AL0007: een derde veld (stressbestand maas.csv) kan "
                "alleen met Model: uitgebreid"}));
  // maas.csv has a gap and no fill: refused once, though two rows name it.
  EXPECT_EQ(stressCouplingRefusals(overview, ModelFamily::kUitgebreid, work.path()),
            (std::vector<std::string>{work.file("maas.csv") +
                                      ":4: gat van 1 dag na 2001-01-01 (geef vullen=lineair of "
                                      "vullen=vorige in de kopregel)"}));
  work.write("maas.csv",
             "# soort=rivier eenheid=m vullen=lineair\ndatum,waarde\n2001-01-01,5\n2001-01-03,4\n");
  EXPECT_TRUE(stressCouplingRefusals(overview, ModelFamily::kUitgebreid, work.path()).empty());
  // A file gone since the coupling.
  overview.rows[0].stress = "weg.csv";
  const std::vector<std::string> gone =
      stressCouplingRefusals(overview, ModelFamily::kUitgebreid, work.path());
  ASSERT_EQ(gone.size(), 1u);
  EXPECT_EQ(gone[0].rfind(work.file("weg.csv"), 0), 0u) << gone[0];
}

}  // namespace
}  // namespace phreatix
