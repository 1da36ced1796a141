#include "input/dino_reader.h"

#include <cstdio>

#include <gtest/gtest.h>

#include "input/tube_file.h"
#include "platform/files.h"
#include "support/doubles.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

using test::RecordingBox;

using test::TempDir;

const std::string kTail(kTubeRecordTail);

class RecordingProgress : public ProgressView {
 public:
  void setGauge(int percent) override { gauge.push_back(percent); }
  void setProgressLabel(const std::string& text) override { labels.push_back(text); }
  std::vector<int> gauge;
  std::vector<std::string> labels;
};

// One conversion in a fresh working directory.
struct Conversion {
  TempDir dir;
  Messages messages;
  RecordingProgress progress;
  RecordingBox box;
  ReaderContext context{messages, progress, box, ""};
  Conversion() { context.workingDir = dir.path(); }
  ConvertedDataSet run(const std::vector<std::string>& lines, const std::string& name = "x.csv") {
    return convertExport(lines, name, context);
  }
  // The error text of a refused conversion ("" when it was not refused).
  std::string refusal(const std::vector<std::string>& lines) {
    try {
      run(lines);
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::kInput);
      return e.what();
    }
    return "";
  }
};

std::vector<std::string> threeTubes() {
  return readLines(std::string(PHREATIX_TEST_DATA_DIR) + "/input/three_tubes.csv");
}

// A minimal export around the given metadata and measurement rows.
std::vector<std::string> exportOf(const std::vector<std::string>& meta,
                                  const std::vector<std::string>& measurements) {
  std::vector<std::string> lines = {
      "TITEL: t",
      "GEBRUIKERSNAAM: u",
      "DATUM: 01/01/2000",
      "REFERENTIE: MV",
      "",
      "LOCATIE,FILTERNUMMER,X COORDINAAT,Y COORDINAAT,START DATUM,EIND DATUM,BOVENKANT FILTER"};
  lines.insert(lines.end(), meta.begin(), meta.end());
  lines.push_back("");
  lines.push_back("LOCATIE,FILTERNUMMER,PEIL DATUM TIJD,STAND (MV),BIJZONDERHEID");
  lines.insert(lines.end(), measurements.begin(), measurements.end());
  return lines;
}

TEST(DinoReader, ConvertsThreeTubesIntoTheInternalFile) {
  Conversion c;
  ConvertedDataSet result = c.run(threeTubes());
  const std::vector<std::string> expected = {
      "FMNT0034Maajansen          14/09/2015",
      // 28AL0005: its first period lies 50.1 m from the second and is dropped.
      "R28AL000501" + kTail,
      "S199601019999+00120",
      // 28AL0006: 50.0 m apart, both periods stay; start and end days belong.
      "R28AL000601" + kTail,
      "S200103109999+00011",
      "S200105209999+00012",
      "R28AL000601" + kTail,
      "S200105219999-00012",
      // 28AL0007, filter F2: missing values of each kind, file order kept,
      // nothing after the open end 2047-12-31.
      "R28AL000702" + kTail,
      "S198503149999-00000",
      "S198503159999+99999",
      "S198503169999+99999",
      "S198503179999+99999",
      "S198503189999+99999",
      "S198503199999+99999",
      "S198503209999-00007",
      "S198503139999+99999",
  };
  EXPECT_EQ(result.lines, expected);
  EXPECT_TRUE(result.modernFormat);
  EXPECT_EQ(result.tubeCounter, 3);
  EXPECT_EQ(readLines(c.dir.file("olga.tmp")), expected);

  EXPECT_EQ(c.messages.buis(),
            (std::vector<std::string>{
                "Modern formaat OLGA-bestand converteren naar intern formaat",
                "OLGA-bestand van na 31-12-1999. Naar intern formaat geconverteerd."}));
  EXPECT_EQ(c.messages.log(),
            (std::vector<std::string>{
                "Buis \"28AL007\" niet ingelezen: de locatiecode heeft geen 8 tekens.",
                "Buis 28AL0008 filter \"123\" niet ingelezen: het filternummer is geen getal van 2 "
                "cijfers.",
                "Buis 28AL0005 >50 m. verplaatst. Oudste deel meetreeks verwijderd uit bestand.",
                // What no period took is told per tube: the moved tube's
                // older part, a reading before its period, one after 2047.
                "Buis 28AL0005 +01: 1 meting(en) buiten de perioden van de metadata weggelaten "
                "(14-6-1990 t/m 14-6-1990).",
                "Buis 28AL0006 +01: 1 meting(en) buiten de perioden van de metadata weggelaten "
                "(5-3-2001 t/m 5-3-2001).",
                "Buis 28AL0007 +02: 1 meting(en) buiten de perioden van de metadata weggelaten "
                "(1-1-2048 t/m 1-1-2048)."}));
  ASSERT_EQ(c.box.shown.size(), 1u);
  const std::string& disk = c.box.shown[0];
  EXPECT_EQ(disk.rfind("Waarschijnlijk voldoende diskruimte (nodig:180; beschikbaar:", 0), 0u)
      << disk;
  const std::string tail =
      " MBytes).Let op: netwerkschijven mogen maar voor een deel worden gebruikt!";
  EXPECT_EQ(disk.substr(disk.size() - tail.size()), tail);
  EXPECT_EQ(c.progress.gauge, (std::vector<int>{25, 50, 75, 100}));
  EXPECT_EQ(c.progress.labels.back(), "Ingelezen buis: 28AL0007");

  // Windows line ends give the same result.
  Conversion crlf;
  std::string text = test::joinLines(threeTubes(), "\r\n");
  EXPECT_EQ(crlf.run(splitLines(text)).lines, expected);
}

TEST(DinoReader, RelocationsAndFiltersOfOneLocation) {
  Conversion c;
  // Three periods, each more than 50 m from the next: only the last stays.
  // Two filters of one location far apart are two tubes, not a relocation.
  ConvertedDataSet result = c.run(
      exportOf({"28AL0005,1,0,0,1990/01/01,1990/12/31,5",
                "28AL0005,1,100,0,1991/01/01,1991/12/31,5", "28AL0005,1,200,0,1992/01/01,,5",
                "28AL0009,1,0,0,1990/01/01,,5", "28AL0009,2,5000,0,1990/01/01,,5"},
               {"28AL0005,1,1990/06/01,1,", "28AL0005,1,1991/06/01,2,", "28AL0005,1,1992/06/01,3,",
                "28AL0009,1,1990/06/01,4,", "28AL0009,2,1990/06/01,5,"}));
  EXPECT_EQ(result.lines, (std::vector<std::string>{"FMNT0034MVu          01/01/2000",
                                                    "R28AL000501" + kTail, "S199206019999+00003",
                                                    "R28AL000901" + kTail, "S199006019999+00004",
                                                    "R28AL000902" + kTail, "S199006019999+00005"}));
  EXPECT_EQ(c.messages.log(),
            (std::vector<std::string>{
                "Buis 28AL0005 >50 m. verplaatst. Oudste deel meetreeks verwijderd uit bestand.",
                "Buis 28AL0005 >50 m. verplaatst. Oudste deel meetreeks verwijderd uit bestand.",
                "Buis 28AL0005 +01: 2 meting(en) buiten de perioden van de metadata weggelaten "
                "(1-6-1990 t/m 1-6-1991)."}));
  EXPECT_EQ(result.tubeCounter, 3);
  ASSERT_EQ(c.box.shown.size(), 1u);
  EXPECT_NE(c.box.shown[0].find("(nodig:180;"), std::string::npos);
}

TEST(DinoReader, FieldsTitlesAndDates) {
  EXPECT_EQ(csvField("a,b,,d", 1), "a");
  EXPECT_EQ(csvField("a,b,,d", 3), "");
  EXPECT_EQ(csvField("a,b,,d", 4), "d");
  EXPECT_EQ(csvField("a,b,,d", 5), "");
  EXPECT_EQ(csvField("a, ,c", 2), "");
  EXPECT_EQ(csvField("a,  ,c", 2), "  ");

  const std::string titles = "LOCATIE,Start Datum,X-COORDINAAT,FILTERNUMMER";
  EXPECT_EQ(titleColumn(titles, "START DATUM"), 2);
  EXPECT_EQ(titleColumn(titles, "X COORDINAAT"), 3);
  EXPECT_EQ(titleColumn(titles, "FILTERNUMMER"), 4);
  EXPECT_EQ(titleColumn(titles, "EIND DATUM"), 20);
  EXPECT_EQ(titleColumn("LOCATIE ,LOCATIE", "LOCATIE"), 2);  // exact, no trimming

  EXPECT_TRUE(isDinoExport({"Titel: ", "x"}));
  EXPECT_FALSE(isDinoExport({"FMNT0034", "TITEL"}));
  EXPECT_FALSE(isDinoExport({}));

  CalendarDate d;
  EXPECT_TRUE(parseDateText("2001/03/10 0:00:00", d));
  EXPECT_EQ(d, (CalendarDate{2001, 3, 10}));
  EXPECT_FALSE(parseDateText("2001/3/10", d));
  EXPECT_FALSE(parseDateText("2001/13/10", d));
  EXPECT_FALSE(parseDateText("10-03-2001", d));

  TubePeriod period{"28AL0005", "01", {2001, 3, 10}, {2001, 5, 20}};
  EXPECT_TRUE(dateInPeriod(period, "28AL0005", "01", {2001, 3, 10}));
  EXPECT_TRUE(dateInPeriod(period, "28AL0005", "01", {2001, 5, 20}));
  EXPECT_FALSE(dateInPeriod(period, "28AL0005", "01", {2001, 3, 5}));
  EXPECT_FALSE(dateInPeriod(period, "28AL0005", "01", {2001, 5, 21}));
  EXPECT_FALSE(dateInPeriod(period, "28AL0005", "02", {2001, 4, 1}));
  EXPECT_FALSE(dateInPeriod(period, "28AL0006", "01", {2001, 4, 1}));
}

TEST(DinoReader, RefusedFilesNameFileLineAndFieldAndLeaveOlgaTmp) {
  Conversion c;
  c.dir.write("olga.tmp", "earlier\n");
  std::vector<std::string> good =
      exportOf({"28AL0005,1,0,0,1990/01/01,,5"}, {"28AL0005,1,1990/06/01,12,"});
  for (const char* key :
       {"GEBRUIKERSNAAM:", "DATUM:", "REFERENTIE", "BOVENKANT FILTER", "BIJZONDERHEID"}) {
    std::vector<std::string> lines = good;
    for (std::string& line : lines) {
      if (containsKey(line, key)) line = "weg";
    }
    lines[0] = "TITEL";
    EXPECT_EQ(c.refusal(lines), std::string("x.csv: sleutel \"") + key + "\" ontbreekt");
  }

  auto withMeasurement = [&](const std::string& row) {
    return exportOf({"28AL0005,1,0,0,1990/01/01,,5"}, {"28AL0005,1,1990/06/01,12,", row});
  };
  EXPECT_EQ(c.refusal(withMeasurement("28AL0005,1,1990/06/02,12x,")),
            "x.csv:11: stand \"12x\" is geen geheel getal");
  EXPECT_EQ(c.refusal(withMeasurement("28AL0005,1,1990/06/02,12.5,")),
            "x.csv:11: stand \"12.5\" is geen geheel getal");
  EXPECT_EQ(c.refusal(withMeasurement("28AL0005,1,1990/06/02,123456,")),
            "x.csv:11: stand \"123456\" past niet in het interne formaat (hoogstens 99998 cm)");
  EXPECT_EQ(c.refusal(withMeasurement("28AL0005,1,1990/6/2,12,")),
            "x.csv:11: meetdatum \"1990/6/2\" is geen datum");
  EXPECT_EQ(c.refusal(exportOf({"28AL0005,1,0,0,1990/01/01,1990/13/01,5"}, {})),
            "x.csv:7: EIND DATUM \"1990/13/01\" is geen datum");
  EXPECT_EQ(c.refusal(exportOf(
                {"28AL0005,1,0,0,1990/01/01,1990/12/31,5", "28AL0005,1,1 0x,0,1991/01/01,,5"}, {})),
            "x.csv:8: X COORDINAAT \"1 0x\" is geen getal");

  // A file beyond the line limit is refused by name before it is read (20
  // million lines are too many to build here).
  EXPECT_NO_THROW(checkExportLength(kMaxExportLines, "x.csv"));
  try {
    checkExportLength(kMaxExportLines + 1, "x.csv");
    ADD_FAILURE() << "not refused";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kInput);
    EXPECT_EQ(std::string(e.what()),
              "x.csv: meer dan 20000000 regels; splits het bestand eerst in sessies met "
              "\"Opsplitsen\"");
  }
  EXPECT_EQ(c.dir.read("olga.tmp"), "earlier\n");

  // A row of another tube is dropped without being read.
  std::vector<std::string> other = good;
  other.push_back("28AL0099,1,garbage,x,");
  EXPECT_EQ(c.refusal(other), "");
  EXPECT_NE(c.dir.read("olga.tmp"), "earlier\n");
}

// A province's export of more than 200,001 lines: 850 tubes, each read twice
// a month for ten years, converted whole and in the order of the file.
TEST(DinoReader, ConvertsAnExportOfMoreThan200001Lines) {
  const int kTubes = 850, kReadings = 240;
  auto code = [](int t) {
    char text[16];
    std::snprintf(text, sizeof text, "28AL%04d", t + 1);
    return std::string(text);
  };
  auto levelCm = [](int t, int r) { return (7 * r + 13 * t) % 300 - 100; };
  std::vector<std::string> meta, rows;
  for (int t = 0; t < kTubes; ++t) {
    meta.push_back(code(t) + ",1," + std::to_string(150000 + t) + ",400000,1990/01/01,,5");
  }
  for (int t = 0; t < kTubes; ++t) {
    for (int r = 0; r < kReadings; ++r) {
      char date[32];
      std::snprintf(date, sizeof date, "%d/%02d/%02d 00:00:00", 1990 + r / 24, r / 2 % 12 + 1,
                    r % 2 == 0 ? 14 : 28);
      rows.push_back(code(t) + ",1," + date + "," + std::to_string(levelCm(t, r)) + ",");
    }
  }
  const std::vector<std::string> lines = exportOf(meta, rows);
  ASSERT_GT(lines.size(), 200001u);

  Conversion c;
  ConvertedDataSet result = c.run(lines);
  EXPECT_EQ(result.tubeCounter, kTubes);
  ASSERT_EQ(result.lines.size(), 1u + kTubes * (1u + kReadings));
  for (int t = 0; t < kTubes; ++t) {
    const std::size_t tubeLine = 1 + static_cast<std::size_t>(t) * (1 + kReadings);
    ASSERT_EQ(result.lines[tubeLine], "R" + code(t) + "01" + kTail);
    for (int r = 0; r < kReadings; ++r) {
      // "S" yyyymmdd "9999", the sign (0 counts as '-'), five digits of |level|.
      const int v = levelCm(t, r);
      char record[32];
      std::snprintf(record, sizeof record, "S%d%02d%02d9999%c%05d", 1990 + r / 24, r / 2 % 12 + 1,
                    r % 2 == 0 ? 14 : 28, v > 0 ? '+' : '-', v > 0 ? v : -v);
      ASSERT_EQ(result.lines[tubeLine + 1 + r], record) << code(t) << " reading " << r;
    }
  }
  EXPECT_EQ(readLines(c.dir.file("olga.tmp")), result.lines);
  ASSERT_EQ(c.box.shown.size(), 1u);
  EXPECT_NE(c.box.shown[0].find("(nodig:51000;"), std::string::npos) << c.box.shown[0];
}

TEST(DinoReader, BlockBoundaries) {
  // No blank line between the blocks, and short lines after the last
  // measurement.
  std::vector<std::string> lines = {"TITEL:",
                                    "GEBRUIKERSNAAM: u",
                                    "DATUM: d",
                                    "REFERENTIE: MV",
                                    "LOCATIE,FILTERNUMMER,START DATUM,EIND DATUM,BOVENKANT FILTER",
                                    "28AL0005,1,1990/01/01,,",
                                    "LOCATIE,FILTERNUMMER,PEIL DATUM TIJD,STAND (MV),BIJZONDERHEID",
                                    "28AL0005,1,1990/06/01,12,",
                                    "",
                                    "x",
                                    "",
                                    "",
                                    "",
                                    "",
                                    ""};
  ExportBlocks b = locateBlocks(lines, "x.csv");
  EXPECT_EQ(b.metaFirst, 5);
  EXPECT_EQ(b.metaLast, 5);
  EXPECT_EQ(b.measFirst, 7);
  EXPECT_EQ(b.measLast, 7);
  Conversion c;
  EXPECT_EQ(c.run(lines).lines.size(), 3u);
}

TEST(OlgaReader, RepairsTheMillenniumInPlace) {
  Conversion c;
  std::vector<std::string> lines =
      readLines(std::string(PHREATIX_TEST_DATA_DIR) + "/input/old_olga.dat");
  // A blank line, and a tube record without its tail, pass as they stand.
  lines.insert(lines.end(), {"", "R28AL000701", "S9901019999-00003"});
  ConvertedDataSet result = c.run(lines, "old.dat");
  EXPECT_FALSE(result.modernFormat);
  EXPECT_EQ(result.lines, (std::vector<std::string>{
                              "FMNT0034MV  jansen          12-05-1998", "R28AL000501" + kTail,
                              "S198503149999+00035", "S198503289999-00012", "R28AL000601" + kTail,
                              "S199812319999+99999", "", "R28AL000701", "S199901019999-00003"}));
  EXPECT_EQ(
      c.messages.buis(),
      (std::vector<std::string>{"Oud formaat OLGA-bestand corrigeren voor millennium bug",
                                "OLGA-bestand van voor 31-12-1999. Millennium bug gerepareerd."}));
  EXPECT_FALSE(fileExists(c.dir.file("olga.tmp")));
  EXPECT_TRUE(c.box.shown.empty());
  // The first line is never changed, even when it begins with "S".
  Conversion s;
  EXPECT_EQ(s.run({"S8501019999+00001", "R28AL000501" + kTail, "S8501019999+00001"}).lines,
            (std::vector<std::string>{"S8501019999+00001", "R28AL000501" + kTail,
                                      "S198501019999+00001"}));
}

// A file is an OLGA export only when it is built like one; whatever is
// neither that nor a DINO export is refused before anything is converted,
// and olga.tmp stays as it was.
TEST(ExportRecognition, FilesOfNoKnownKindAreRefused) {
  using namespace std::string_literals;
  const std::string noReadings = "Van deze put zijn geen standen opgenomen in de DINO-database";
  const std::string tubeExpected =
      "verwacht een buisrecord \"R\" + locatie (8 tekens) + filter (2 cijfers)";
  const std::string notAnExport = "geen DINO-export en geen OLGA-bestand: " + tubeExpected;
  const std::string badOlga = "geen geldig OLGA-bestand: " + tubeExpected +
                              " of een meetrecord \"S\" + jjmmdd + \"9999\" + teken + 5 cijfers";
  std::vector<std::string> titelLater =
      readLines(std::string(PHREATIX_TEST_DATA_DIR) + "/input/old_olga.dat");
  titelLater.push_back("TITEL in a later line");
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    std::string refusal;
  };
  const Case cases[] = {
      {"a well without readings",
       {noReadings},
       "x.csv:1: deze export bevat geen standen: \"" + noReadings + "\""},
      {"the same under header lines of the 2015 layout",
       {"Titel:,,,", "Gebruikersnaam:,,,", "", noReadings},
       "x.csv:4: deze export bevat geen standen: \"" + noReadings + "\""},
      {"a KNMI file",
       {"# BRON: KONINKLIJK NEDERLANDS METEOROLOGISCH INSTITUUT (KNMI)", "",
        "# STN,YYYYMMDD,   DDVEC,   FHVEC", "  260,19010101,      ,"},
       "x.csv:3: " + notAnExport},
      {"a binary file", splitLines("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe"s),
       "x.csv:3: geen tekstbestand (NUL-teken); verwacht een DINO-export (.csv) of een "
       "OLGA-bestand (.dat)"},
      {"a letter",
       {"Beste collega,", "Hierbij de standen van 28AL0005."},
       "x.csv:2: " + notAnExport},
      {"a header line alone",
       {"FMNT0034MV  jansen          12-05-1998", ""},
       "x.csv: geen DINO-export en geen OLGA-bestand: geen buisrecord na de eerste regel"},
      {"a measurement before any tube",
       {"FMNT0034MV", "S8503149999+00035", "R28AL000501" + kTail},
       "x.csv:2: " + notAnExport},
      {"a measurement of month 13",
       {"FMNT0034MV", "R28AL000501" + kTail, "S8513149999+00035"},
       "x.csv:3: " + badOlga},
      {"\"TITEL\" in a later line of an OLGA file", titelLater, "x.csv:7: " + badOlga},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Conversion c;
    c.dir.write("olga.tmp", "earlier\n");
    EXPECT_EQ(c.refusal(k.lines), k.refusal);
    EXPECT_EQ(c.dir.read("olga.tmp"), "earlier\n");
    EXPECT_TRUE(c.messages.buis().empty());
    EXPECT_TRUE(c.box.shown.empty());
  }

  // With several files, the one refused file refuses them all before any is
  // converted.
  Conversion c;
  c.dir.write("olga.tmp", "earlier\n");
  try {
    convertExports({{"goed.csv", threeTubes()}, {"knmi.csv", cases[2].lines}}, c.context);
    ADD_FAILURE() << "not refused";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "knmi.csv:3: " + notAnExport);
  }
  EXPECT_EQ(c.dir.read("olga.tmp"), "earlier\n");
  EXPECT_TRUE(c.messages.buis().empty());
}

// Each tube stands where its last metadata period puts it (an older period
// may lie before a relocation); an OLGA file knows no coordinates, and a
// coordinate that is no number is left empty rather than break the columns.
TEST(DinoReader, TubesStandWhereTheirLastPeriodPutsThem) {
  Conversion c;
  const std::vector<std::string> dino = exportOf(
      {"28AL0005,1,0,0,1990/01/01,1990/12/31,5", "28AL0005,1,200,7,1991/01/01,,5",
       "28AL0009,1,12a,3,1990/01/01,,5", "28AL0009,2,5000.5,0,1990/01/01,,5"},
      {"28AL0005,1,1991/06/01,2,", "28AL0009,1,1990/06/01,4,", "28AL0009,2,1990/06/01,5,"});
  const std::vector<std::string> olga =
      readLines(std::string(PHREATIX_TEST_DATA_DIR) + "/input/old_olga.dat");
  ConvertedDataSet result =
      convertExports({ExportFile{"a.csv", dino}, ExportFile{"b.dat", olga}}, c.context);
  EXPECT_EQ(locationLines(result.locations),
            (std::vector<std::string>{"locatie,filter,x,y", "28AL0005,01,200,7", "28AL0009,01,,3",
                                      "28AL0009,02,5000.5,0", "28AL0005,01,,", "28AL0006,01,,"}));
}

// A file mangled on the way (line ends, separators) reads into nothing; an
// export that gave not a single level is refused naming the file and why,
// and olga.tmp stays as it was.
TEST(ExportRecognition, ExportsWithoutASingleLevelAreRefused) {
  const std::string meta = "28AL0005,1,0,0,1990/01/01,1990/12/31,5";
  const std::string logged = " (weggelaten buizen en metingen staan in het logboek)";
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    std::string refusal;
  };
  const Case cases[] = {
      {"metadata without measurements", exportOf({meta}, {}),
       "x.csv: geen enkele stand in het bestand: er is geen meting van de ingelezen buizen" +
           logged},
      {"readings outside every period", exportOf({meta}, {"28AL0005,1,1995/06/01,12,"}),
       "x.csv: geen enkele stand in het bestand: er is geen meting van de ingelezen buizen" +
           logged},
      {"missing values only",
       exportOf({meta}, {"28AL0005,1,1990/06/01,,", "28AL0005,1,1990/06/02,4,N"}),
       "x.csv: geen enkele stand in het bestand: alle metingen zijn ontbrekende waarden"},
      {"no tube that fits", exportOf({"28AL05,1,0,0,1990/01/01,,5"}, {"28AL05,1,1990/06/01,12,"}),
       "x.csv: geen enkele stand in het bestand: er is geen buis ingelezen" + logged},
      {"an OLGA file of tube records only",
       {"FMNT0034MV", "R28AL000501" + kTail, "R28AL000601" + kTail},
       "x.csv: geen enkele stand in het bestand: er is geen meting van de ingelezen buizen" +
           logged},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Conversion c;
    c.dir.write("olga.tmp", "earlier\n");
    EXPECT_EQ(c.refusal(k.lines), k.refusal);
    EXPECT_EQ(c.dir.read("olga.tmp"), "earlier\n");
  }
  // One level among missing values is enough.
  Conversion c;
  EXPECT_EQ(c.refusal(exportOf({meta}, {"28AL0005,1,1990/06/01,,", "28AL0005,1,1990/06/02,4,"})),
            "");
}

// The export of an old Mac ends its lines in CR alone: read as one line it
// was accepted with no tube at all. It reads as the same export with LF or
// CR LF line ends.
TEST(DinoReader, AnExportWithCrLineEndsReadsAsWithLf) {
  const std::string text =
      readFileText(std::string(PHREATIX_TEST_DATA_DIR) + "/input/three_tubes.csv");
  Conversion lf;
  const ConvertedDataSet expected = lf.run(splitLines(text));
  ASSERT_EQ(expected.lines.size(), 17u);
  for (const std::string end : {"\r", "\r\n"}) {
    std::string mangled;
    for (char ch : text) mangled += ch == '\n' ? end : std::string(1, ch);
    Conversion c;
    c.dir.write("mac.csv", mangled);
    const ConvertedDataSet result = c.run(readLines(c.dir.file("mac.csv")));
    EXPECT_EQ(result.lines, expected.lines);
    EXPECT_EQ(c.messages.log(), lf.messages.log());
  }
}

// A location code is the stem of its tube's files and is found in the tube
// list before " +" and the filter: a code with any other character than
// letters, digits, '-' and '_' refuses the export, naming line and code.
TEST(DinoReader, LocationCodesTheFileNamesCannotCarryAreRefused) {
  const std::string allowed =
      " past niet in de bestandsnamen van een buis (toegestaan: letters, cijfers en (niet vooraan) "
      "'-' en '_')";
  struct Case {
    std::string code;
    std::string shown;
  };
  const Case bad[] = {
      {"28AL+005", "28AL+005"},
      {"28AL 005", "28AL 005"},
      {"-8AL0005", "-8AL0005"},
      {"28AL*005", "28AL*005"},
      {"../../ab", "../../ab"},
      {"28AL\"005", "28AL\"005"},
      {"28AL\x1b"
       "005",
       "28AL\\x1b005"},
      {"28AL;005", "28AL;005"},
      {"28AL\xC3\xA9"
       "05",
       "28AL\xC3\xA9"
       "05"},
  };
  for (const Case& k : bad) {
    SCOPED_TRACE(k.shown);
    Conversion c;
    c.dir.write("olga.tmp", "earlier\n");
    EXPECT_EQ(c.refusal(exportOf({"28AL0004,1,0,0,1990/01/01,,5", k.code + ",1,0,0,1990/01/01,,5"},
                                 {"28AL0004,1,1990/06/01,12,", k.code + ",1,1990/06/01,12,"})),
              "x.csv:8: locatiecode \"" + k.shown + "\"" + allowed);
    EXPECT_EQ(c.dir.read("olga.tmp"), "earlier\n");
  }
  for (const std::string good : {"28AL-005", "28al_005", "B58C0698"}) {
    Conversion c;
    EXPECT_EQ(c.run(exportOf({good + ",1,0,0,1990/01/01,,5"}, {good + ",1,1990/06/01,12,"}))
                  .lines[1]
                  .substr(1, 8),
              good);
  }
  // An OLGA file carries its codes in its tube records.
  Conversion olga;
  EXPECT_EQ(olga.refusal({"FMNT0034MV", "R28AL000501" + kTail, "S8503149999+00035",
                          "R28AL+00501" + kTail, "S8503149999+00035"}),
            "x.csv:4: locatiecode \"28AL+005\"" + allowed);
}

// A message quotes what the file said with its control characters escaped
// and a long token cut: neither an escape sequence nor a whole file reaches
// the terminal.
TEST(DinoReader, RefusalsShowTheirInputEscapedAndCut) {
  Conversion c;
  const std::string level = "12\x1b[2J" + std::string(200000, '7');
  EXPECT_EQ(
      c.refusal(exportOf({"28AL0005,1,0,0,1990/01/01,,5"},
                         {"28AL0005,1,1990/06/01,12,", "28AL0005,1,1990/06/02," + level + ","})),
      "x.csv:11: stand \"12\\x1b[2J" + std::string(74, '7') +
          "\xE2\x80\xA6\" is geen geheel getal");
}

}  // namespace
}  // namespace phreatix
