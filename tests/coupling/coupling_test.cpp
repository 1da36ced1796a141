#include "coupling/coupling.h"

#include <gtest/gtest.h>

#include "error.h"
#include "input/tube_file.h"
#include "support/doubles.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

using test::RecordingBox;

using test::TempDir;

std::vector<std::string> dataSet(const std::vector<std::pair<const char*, const char*>>& tubes) {
  std::vector<std::string> lines = {"FMNT0034gebruiker          12-MAR-2004"};
  for (const auto& [location, filter] : tubes) {
    lines.push_back(tubeRecord(location, filter));
    lines.push_back(measurementRecord(1995, 4, 1, levelField(35)));
  }
  return lines;
}

TEST(Coupling, TubeListMarksFurtherRecordsOfALocationAsIngreep) {
  Messages messages;
  std::vector<std::string> tubes = buildTubeList(dataSet({{"99UU2201", "01"},
                                                          {"99UU2201", "01"},
                                                          {"99UU2201", "02"},
                                                          {"99UU2202", "01"},
                                                          {"99UU2203", "03"},
                                                          {"99UU2202", "01"}}),
                                                 messages);
  // A location that comes back after another one starts a new entry.
  EXPECT_EQ(tubes, (std::vector<std::string>{"99UU2201 +01 (ingreep!) (ingreep!)", "99UU2202 +01",
                                             "99UU2203 +03", "99UU2202 +01"}));
  // One warning for the location of three records, naming each.
  EXPECT_EQ(messages.log(),
            (std::vector<std::string>{
                "Koppel_Buis_Meteo: Waarschuwing voor mogelijke ingreep in buis "
                "99UU2201: 3 filters en perioden in de metadata (+01 1-4-1995 t/m "
                "1-4-1995; +01 1-4-1995 t/m 1-4-1995; +02 1-4-1995 t/m 1-4-1995)"}));

  Messages none;
  EXPECT_TRUE(buildTubeList({"FMNT0034"}, none).empty());
  EXPECT_TRUE(none.log().empty());
}

// A tube in three metadata periods: one warning, each period with its
// first and last reading (missing values left out), a period without
// readings said so; the line is about that tube.
TEST(Coupling, OneIngreepWarningPerTubeNamingItsPeriods) {
  const std::vector<std::string> lines = {
      "FMNT0034gebruiker          12-MAR-2004",
      tubeRecord("B33F0080", "01"),
      measurementRecord(1972, 11, 28, levelField(109)),
      measurementRecord(1986, 11, 20, levelField(120)),
      tubeRecord("B33F0080", "01"),
      measurementRecord(1986, 11, 28, levelField(115)),
      measurementRecord(1997, 9, 9, levelField(std::nullopt)),
      measurementRecord(1997, 9, 3, levelField(101)),
      tubeRecord("B33F0080", "01"),
      tubeRecord("B58C0698", "01"),
      measurementRecord(1985, 11, 14, levelField(256)),
  };
  Messages messages;
  EXPECT_EQ(buildTubeList(lines, messages),
            (std::vector<std::string>{"B33F0080 +01 (ingreep!) (ingreep!)", "B58C0698 +01"}));
  ASSERT_EQ(messages.log().size(), 1u);
  EXPECT_EQ(messages.log()[0],
            "Koppel_Buis_Meteo: Waarschuwing voor mogelijke ingreep in buis B33F0080: 3 perioden "
            "in de metadata (+01 28-11-1972 t/m 20-11-1986; +01 28-11-1986 t/m 3-9-1997; +01 "
            "zonder metingen)");
  EXPECT_EQ(messages.tags(MessageListId::kLog).at(0).tube, "B33F0080");
}

TEST(Coupling, OverviewReadersTakeStemFilterAndBareMeteoName) {
  EXPECT_EQ(entryStem("99UU2201 +01 (ingreep!)"), "99UU2201");
  EXPECT_EQ(entryFilter("99UU2201 +01 (ingreep!)"), "01");
  EXPECT_EQ(entryFilter("28AL0005 +12"), "12");
  EXPECT_EQ(entryFilter("28AL0005"), "");

  struct Case {
    const char* cell;
    const char* name;
  };
  const Case cases[] = {
      {"C:\\meteo\\de_bilt.prn", "de_bilt.prn"},
      {"/home/jan/meteo/de_bilt.prn", "de_bilt.prn"},
      {"D:\\data/meteo\\oost.txt", "oost.txt"},
      {"de_bilt.prn", "de_bilt.prn"},
      {"C:\\meteo\\", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(meteoFileName(c.cell), c.name) << c.cell;

  // The last row of a stem wins, whatever its filter.
  CouplingOverview overview;
  overview.rows = {{"28AL0005 +01", "C:\\meteo\\oost.prn"},
                   {"28AL0006 +01", "west.prn"},
                   {"28AL0005 +02", "C:\\meteo\\de_bilt.prn"},
                   {"28AL0007 +01", ""}};
  EXPECT_EQ(meteoFileOfStem(overview, "28AL0005"), "de_bilt.prn");
  EXPECT_EQ(meteoFileOfStem(overview, "28AL0006"), "west.prn");
  EXPECT_EQ(meteoFileOfStem(overview, "28AL0007"), "");
  EXPECT_EQ(meteoFileOfStem(overview, "28AL0099"), "");
}

TEST(Coupling, CouplingFileLinesInEveryForm) {
  const std::vector<std::string> tubes = {"99UU2201 +01 (ingreep!)", "99UU2202 +01"};
  struct Case {
    const char* text;
    const char* meteo2201;
    const char* meteo2202;
  };
  const Case cases[] = {
      {"99UU2201;met_oost.prn\n", "met_oost.prn", ""},
      {"met_oost.prn 99UU2201\n", "met_oost.prn", ""},
      {"99UU2201 , met_oost.prn\n", "met_oost.prn", ""},
      {"99UU2201\tmet_oost.prn\r\n99UU2202,met_west.prn\r\n", "met_oost.prn", "met_west.prn"},
      // A later line for the same tube wins; empty lines mention no tube.
      {"99UU2201 met_west.prn\n\n99UU2201 met_oost.prn\n", "met_oost.prn", ""},
      // A directory in the file is kept in the cell; the file is found in
      // the working directory.
      {"99UU2202 C:\\meteo\\met_west.prn\n", "", "C:\\meteo\\met_west.prn"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.write("met_oost.prn", "kop\n");
    dir.write("met_west.prn", "kop\n");
    dir.write("koppel.txt", c.text);
    CouplingOverview overview;
    overview.rows = {{"oud", "oud.prn"}, {"oud", "oud.prn"}, {"oud", "oud.prn"}};
    Messages messages;
    RecordingBox box;
    coupleFromFile(dir.file("koppel.txt"), tubes, dir.path(), overview, messages, box);
    ASSERT_EQ(overview.rows.size(), 2u) << c.text;
    EXPECT_EQ(overview.rows[0].tube, tubes[0]);
    EXPECT_EQ(overview.rows[0].meteo, c.meteo2201) << c.text;
    EXPECT_EQ(overview.rows[1].tube, tubes[1]);
    EXPECT_EQ(overview.rows[1].meteo, c.meteo2202) << c.text;
    EXPECT_TRUE(box.shown.empty());
    EXPECT_TRUE(messages.log().empty());
  }
}

TEST(Coupling, MissingMeteoFileInCouplingFileStopsTheProgram) {
  struct Case {
    const char* text;
    const char* why;  // after the fixed text, with file and line
  };
  const Case cases[] = {
      {"99UU2201 met_oost.prn\n99UU2202 met_noord.prn\n",
       ":2: buis 99UU2202: meteobestand \"met_noord.prn\" bestaat niet in de werkmap"},
      {"99UU2201 met_oost.prn\n99UU2202\n",  // a code without a meteo file
       ":2: buis 99UU2202: geen meteobestand achter de buiscode"},
  };
  for (const auto& [text, why] : cases) {
    TempDir dir;
    dir.write("met_oost.prn", "kop\n");
    dir.write("koppel.txt", text);
    const std::string path = dir.file("koppel.txt");
    CouplingOverview overview;
    Messages messages;
    RecordingBox box;
    EXPECT_THROW(
        coupleFromFile(path, {"99UU2201 +01", "99UU2202 +01"}, dir.path(), overview, messages, box),
        FatalStop)
        << text;
    const std::string first = "Er ontbreken 1 of meer meteofiles genoemd in <" + path + ">.";
    EXPECT_EQ(box.shown, (std::vector<std::string>{first + "\n" + path + why +
                                                   "\n\nVerbeter dit en begin opnieuw."}));
    EXPECT_EQ(messages.log(), (std::vector<std::string>{first, path + why}));
    EXPECT_EQ(messages.stopExit(), (std::vector<std::string>{first, path + why}));
  }

  // A meteo file beside the coupling file but outside the working directory
  // does not count.
  TempDir work;
  TempDir elsewhere;
  elsewhere.write("met_oost.prn", "kop\n");
  elsewhere.write("koppel.txt", "99UU2201 " + elsewhere.file("met_oost.prn") + "\n");
  CouplingOverview overview;
  Messages messages;
  RecordingBox box;
  EXPECT_THROW(coupleFromFile(elsewhere.file("koppel.txt"), {"99UU2201 +01"}, work.path(), overview,
                              messages, box),
               FatalStop);
}

// A third field: the code first, then a meteo file and a stress file in
// either order, the stress file by its extension .csv in any case, kept
// without its directory and with the line that named it; the last line of
// a code decides. Two fields stay a meteo file, whatever its extension.
TEST(Coupling, ThirdFieldOfACouplingLineIsAStressFile) {
  const std::vector<std::string> tubes = {"99UU2201 +01", "99UU2202 +01"};
  struct Case {
    const char* text;
    const char* meteo2201;
    const char* stress2201;
    int line2201;
    const char* stress2202;
  };
  const Case cases[] = {
      {"99UU2201 met_oost.prn put.csv\n", "met_oost.prn", "put.csv", 1, ""},
      {"99UU2201,put.csv;met_oost.prn\r\n", "met_oost.prn", "put.csv", 1, ""},
      {"\n  99UU2201\tmet_oost.prn , D:\\stress\\Maas.CSV\n", "met_oost.prn", "Maas.CSV", 2, ""},
      {"99UU2201 met_oost.prn put.csv\n99UU2201 met_west.prn\n", "met_west.prn", "", 0, ""},
      {"99UU2202 met_west.prn Maas.CSV\n99UU2201 met_oost.prn\n", "met_oost.prn", "", 0,
       "Maas.CSV"},
      {"99UU2201 put.csv\n", "put.csv", "", 0, ""},
  };
  for (const Case& c : cases) {
    TempDir dir;
    for (const char* name : {"met_oost.prn", "met_west.prn", "put.csv", "Maas.CSV"})
      dir.write(name, "kop\n");
    dir.write("koppel.txt", c.text);
    CouplingOverview overview;
    Messages messages;
    RecordingBox box;
    coupleFromFile(dir.file("koppel.txt"), tubes, dir.path(), overview, messages, box);
    ASSERT_EQ(overview.rows.size(), 2u) << c.text;
    EXPECT_EQ(overview.couplingFile, dir.file("koppel.txt"));
    EXPECT_EQ(overview.rows[0].meteo, c.meteo2201) << c.text;
    EXPECT_EQ(overview.rows[0].stress, c.stress2201) << c.text;
    EXPECT_EQ(overview.rows[0].stressLine, c.line2201) << c.text;
    EXPECT_EQ(overview.rows[1].stress, c.stress2202) << c.text;
    EXPECT_EQ(stressFileOfStem(overview, "99UU2201"), c.stress2201) << c.text;
    EXPECT_TRUE(box.shown.empty()) << c.text;
    EXPECT_TRUE(messages.log().empty()) << c.text;
  }
}

// A stress file that is missing stops the program as a missing meteo file
// does, under a heading of its own; so does a line of three fields that is
// not a code, a meteo file and a stress file.
TEST(Coupling, MissingStressFileInCouplingFileStopsTheProgram) {
  const std::string stressHeading = "Er ontbreken 1 of meer stressbestanden genoemd in <";
  const std::string meteoHeading = "Er ontbreken 1 of meer meteofiles genoemd in <";
  struct Case {
    const char* text;
    std::vector<std::string> headings;
    std::vector<std::string> details;  // each after the coupling file's path
  };
  const Case cases[] = {
      {"99UU2201 met_oost.prn weg.csv\n",
       {stressHeading},
       {":1: buis 99UU2201: stressbestand \"weg.csv\" bestaat niet in de werkmap"}},
      {"99UU2201 met_oost.prn\n99UU2202 weg.csv weg.prn\n",
       {meteoHeading, stressHeading},
       {":2: buis 99UU2202: meteobestand \"weg.prn\" bestaat niet in de werkmap",
        ":2: buis 99UU2202: stressbestand \"weg.csv\" bestaat niet in de werkmap"}},
      {"99UU2201 met_oost.prn put.prn\n",
       {stressHeading},
       {":1: buis 99UU2201: van \"met_oost.prn\" en \"put.prn\" hoort precies een het "
        "stressbestand (.csv) te zijn"}},
      {"99UU2201 a.csv put.csv\n",
       {stressHeading},
       {":1: buis 99UU2201: van \"a.csv\" en \"put.csv\" hoort precies een het stressbestand "
        "(.csv) te zijn"}},
      {"met_oost.prn 99UU2201 put.csv\n",
       {stressHeading},
       {":1: buis 99UU2201: op een regel van drie velden hoort de buiscode het eerste veld te "
        "zijn"}},
      // A control character: no name of a file in the working directory,
      // and shown escaped.
      {"99UU2201 met_oost.prn \x02.csv\n",
       {stressHeading},
       {":1: buis 99UU2201: stressbestand \"\\x02.csv\" is geen bestandsnaam in de werkmap"}},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.write("met_oost.prn", "kop\n");
    dir.write("put.csv", "kop\n");
    dir.write("a.csv", "kop\n");
    dir.write("koppel.txt", c.text);
    const std::string path = dir.file("koppel.txt");
    CouplingOverview overview;
    Messages messages;
    RecordingBox box;
    EXPECT_THROW(
        coupleFromFile(path, {"99UU2201 +01", "99UU2202 +01"}, dir.path(), overview, messages, box),
        FatalStop)
        << c.text;
    std::vector<std::string> lines;
    std::string shown;
    for (const std::string& heading : c.headings) {
      lines.push_back(heading + path + ">.");
      shown += (shown.empty() ? "" : "\n") + lines.back();
    }
    for (const std::string& detail : c.details) {
      lines.push_back(path + detail);
      shown += "\n" + lines.back();
    }
    EXPECT_EQ(box.shown, std::vector<std::string>{shown + "\n\nVerbeter dit en begin opnieuw."})
        << c.text;
    EXPECT_EQ(messages.log(), lines) << c.text;
    EXPECT_EQ(messages.stopExit(), lines) << c.text;
  }
}

TEST(Coupling, ManualGroupsFillTheOverviewInAlphabeticalBlocks) {
  CouplingOverview overview;
  overview.rows = {{"oud", "oud.prn"}};
  ManualCoupling coupling(
      {"99UU2205 +01", "99UU2201 +01", "99UU2204 +01", "99UU2202 +01", "99UU2203 +01"}, overview);
  ASSERT_EQ(overview.rows.size(), 5u);
  for (const CouplingRow& row : overview.rows) EXPECT_EQ(row.tube + row.meteo, "");

  // Nothing is written before a meteo file is chosen.
  EXPECT_FALSE(coupling.commit());
  coupling.chooseMeteo("C:\\meteo\\A.prn");
  coupling.select({4, 0, 2});
  EXPECT_EQ(coupling.selection(),
            (std::vector<std::string>{"99UU2203 +01", "99UU2204 +01", "99UU2205 +01"}));
  EXPECT_EQ(coupling.tubeList(), (std::vector<std::string>{"99UU2201 +01", "99UU2202 +01"}));
  EXPECT_FALSE(coupling.commit());
  EXPECT_TRUE(coupling.selection().empty());

  coupling.chooseMeteo("C:\\meteo\\B.prn");
  coupling.select({1});
  coupling.select({0});
  EXPECT_EQ(coupling.selection(), (std::vector<std::string>{"99UU2201 +01", "99UU2202 +01"}));
  EXPECT_TRUE(coupling.commit());

  const std::vector<std::pair<std::string, std::string>> expected = {
      {"99UU2203 +01", "C:\\meteo\\A.prn"}, {"99UU2204 +01", "C:\\meteo\\A.prn"},
      {"99UU2205 +01", "C:\\meteo\\A.prn"}, {"99UU2201 +01", "C:\\meteo\\B.prn"},
      {"99UU2202 +01", "C:\\meteo\\B.prn"},
  };
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(overview.rows[i].tube, expected[i].first) << "row " << i + 1;
    EXPECT_EQ(overview.rows[i].meteo, expected[i].second) << "row " << i + 1;
  }
  EXPECT_EQ(meteoFileOfStem(overview, "99UU2202"), "B.prn");
}

TEST(Coupling, CancelledMeteoDialogKeepsTheCurrentFile) {
  CouplingOverview overview;
  ManualCoupling coupling({"99UU2203 +01", "99UU2201 +01", "99UU2202 +01"}, overview);
  coupling.chooseMeteo("A.prn");
  coupling.select({0});
  EXPECT_FALSE(coupling.commit());
  // The dialog is cancelled: no chooseMeteo. The next group still gets A.
  EXPECT_EQ(coupling.currentMeteo(), "A.prn");
  coupling.select({0, 1});
  EXPECT_TRUE(coupling.commit());
  EXPECT_EQ(overview.rows[0].tube, "99UU2203 +01");
  EXPECT_EQ(overview.rows[1].tube, "99UU2201 +01");
  EXPECT_EQ(overview.rows[2].tube, "99UU2202 +01");
  for (const CouplingRow& row : overview.rows) EXPECT_EQ(row.meteo, "A.prn");
}

TEST(Coupling, MovingBackSortsTheTubeList) {
  CouplingOverview overview;
  ManualCoupling coupling({"99UU2203 +01", "99UU2201 +01", "99UU2205 +01", "99UU2202 +01"},
                          overview);
  coupling.select({2});
  // Data-set order until an entry comes back.
  EXPECT_EQ(coupling.tubeList(),
            (std::vector<std::string>{"99UU2203 +01", "99UU2201 +01", "99UU2202 +01"}));
  coupling.unselect({0});
  EXPECT_EQ(coupling.tubeList(), (std::vector<std::string>{"99UU2201 +01", "99UU2202 +01",
                                                           "99UU2203 +01", "99UU2205 +01"}));
  // Sorted from then on, and so is the selection after every move.
  coupling.select({3, 0});
  coupling.select({1});
  EXPECT_EQ(coupling.selection(),
            (std::vector<std::string>{"99UU2201 +01", "99UU2203 +01", "99UU2205 +01"}));
  coupling.unselect({2});
  EXPECT_EQ(coupling.tubeList(), (std::vector<std::string>{"99UU2202 +01", "99UU2205 +01"}));
  coupling.unselect({0, 1});
  EXPECT_EQ(coupling.tubeList(), (std::vector<std::string>{"99UU2201 +01", "99UU2202 +01",
                                                           "99UU2203 +01", "99UU2205 +01"}));

  // A position outside the list moves nothing.
  try {
    coupling.select({1, 4});
    FAIL() << "no index error";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kIndex);
  }
  EXPECT_EQ(coupling.tubeList().size(), 4u);
  EXPECT_TRUE(coupling.selection().empty());
}

}  // namespace
}  // namespace phreatix
