// Today's DINOloket layouts (2015 and 2024), with and without metadata,
// several exports as one data set, and the real exports of one tube in the
// old and the 2015 layout.
#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "error.h"
#include "input/dino_reader.h"
#include "input/dinoloket_reader.h"
#include "input/tube_file.h"
#include "platform/files.h"
#include "session/session.h"
#include "support/doubles.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

using test::RecordingBox;

const std::string kData = PHREATIX_TEST_DATA_DIR "/input/";

struct Reading {
  test::TempDir dir;
  Messages messages;
  ProgressView progress;
  RecordingBox box;
  ReaderContext context{messages, progress, box, ""};
  Reading() { context.workingDir = dir.path(); }
  ConvertedDataSet open(const std::vector<std::string>& paths) {
    std::vector<ExportFile> files;
    for (const std::string& p : paths) files.push_back({p, readLines(p)});
    return convertExports(files, context);
  }
  std::string refusal(const std::string& path) {
    try {
      open({path});
    } catch (const Error& e) {
      return e.what();
    }
    return "";
  }
};

std::vector<std::string> records(const ConvertedDataSet& data) {
  return std::vector<std::string>(data.lines.begin() + 1, data.lines.end());
}

const std::string kTube = "+00033-00017096260401410711214950314";

TEST(DinoloketReader, LayoutOf2015) {
  Reading r;
  ConvertedDataSet data = r.open({kData + "dinoloket_2015.csv"});
  ASSERT_FALSE(data.lines.empty());
  EXPECT_EQ(data.lines[0], "FMNT0034MVjansen          14-09-2015");
  // B28A0005 moved 60 m: its older period goes; B28A0006's readings outside
  // its period are dropped; an empty level and remark B are missing values.
  EXPECT_EQ(records(data), (std::vector<std::string>{"RB28A000501" + kTube, "S199601019999+00120",
                                                     "S199601149999+99999", "S199601289999+99999",
                                                     "RB28A000602" + kTube, "S200103109999-00006",
                                                     "S200105209999-00000"}));
  EXPECT_EQ(r.messages.log(),
            (std::vector<std::string>{
                "Buis B28A0005 >50 m. verplaatst. Oudste deel meetreeks verwijderd uit bestand.",
                "Buis B28A0005 +01: 1 meting(en) buiten de perioden van de metadata weggelaten "
                "(14-6-1990 t/m 14-6-1990).",
                "Buis B28A0006 +02: 1 meting(en) buiten de perioden van de metadata weggelaten "
                "(5-3-2001 t/m 5-3-2001)."}));
  EXPECT_EQ(data.tubeCounter, 2);
  EXPECT_TRUE(data.napFiles.empty());
  EXPECT_EQ(readLines(r.dir.file(kOlgaTmpName)), data.lines);
}

TEST(DinoloketReader, LayoutOf2024AndQuotedFields) {
  Reading r;
  ConvertedDataSet data = r.open({kData + "dinoloket_2024.csv"});
  EXPECT_EQ(data.lines, (std::vector<std::string>{"FMNT0034MV          19-04-2024",
                                                  "RB44F000101" + kTube, "S195005089999+00050",
                                                  "S195005199999+00075", "S195512289999-00005"}));

  std::vector<std::string> f;
  ASSERT_TRUE(splitCsvLine(R"("a","b ""c"", d",,e , "")", f));
  EXPECT_EQ(f, (std::vector<std::string>{"a", "b \"c\", d", "", "e", ""}));
  EXPECT_FALSE(splitCsvLine(R"("a","b)", f));
  EXPECT_FALSE(splitCsvLine(R"("a"x,b)", f));
}

// Without a metadata block every tube is one open period: all its readings,
// tubes in the order they first appear, and one line in mmLOG.
TEST(DinoloketReader, ExportsWithoutMetadataKeepEveryReading) {
  struct Case {
    const char* file;
    std::vector<std::string> lines;
    int tubes;
  };
  const Case cases[] = {
      {"dinoloket_2015_no_metadata.csv",
       {"FMNT0034MVjansen          14-09-2015", "RB28A000502" + kTube, "S199006149999+00035",
        "S199601149999+99999", "S200103109999-00000", "RB28A000501" + kTube,
        // The first day of the calendar and a reading far after the export.
        "S194801019999+00120", "S203001289999-00008", "RB28A000601" + kTube, "S200103059999+99999"},
       3},
      {"dinoloket_2024_no_metadata.csv",
       {"FMNT0034MV          19-04-2024", "RB44F000101" + kTube, "S195005089999+00050",
        "S195005199999+00075", "S195601019999+99999", "RB44F000201" + kTube, "S195512289999-00005"},
       2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Reading r;
    const std::string path = kData + c.file;
    ConvertedDataSet data = r.open({path});
    EXPECT_EQ(data.lines, c.lines);
    EXPECT_EQ(readLines(r.dir.file(kOlgaTmpName)), c.lines);
    EXPECT_EQ(
        r.messages.log(),
        std::vector<std::string>{path + ": geen metadata (coördinaten) in het bestand; controle op "
                                        "verplaatste buizen niet mogelijk."});
    EXPECT_EQ(data.tubeCounter, c.tubes);
    ASSERT_EQ(r.box.shown.size(), 1u);
    EXPECT_NE(r.box.shown[0].find("(nodig:" + std::to_string(c.tubes * kMegabytesPerTube) + ";"),
              std::string::npos)
        << r.box.shown[0];
  }

  // Without metadata every reading is kept, also outside the calendar (the
  // pipeline leaves those out and says so); a tube whose code does not fit
  // is reported as with metadata.
  test::TempDir dir;
  std::vector<std::string> lines = readLines(kData + "dinoloket_2024_no_metadata.csv");
  lines.push_back(R"("B44F0001","001","31-12-1947","12","12","","","")");
  lines.push_back(R"("B44F0001","001","31-12-2047","13","13","","","")");
  lines.push_back(R"("B44F01","001","01-01-1990","14","14","","","")");
  writeLines(dir.file("edges.csv"), lines);
  Reading r;
  ConvertedDataSet data = r.open({dir.file("edges.csv")});
  EXPECT_EQ(
      std::vector<std::string>(data.lines.begin() + 1, data.lines.begin() + 6),
      (std::vector<std::string>{"RB44F000101" + kTube, "S195005089999+00050", "S195005199999+00075",
                                "S195601019999+99999", "S194712319999+00012"}));
  EXPECT_EQ(data.lines[6], "S204712319999+00013");
  EXPECT_EQ(data.lines.size(), 9u);
  EXPECT_EQ(r.messages.log().size(), 2u);
  EXPECT_EQ(r.messages.log()[1],
            "Buis \"B44F01\" niet ingelezen: de locatiecode heeft geen 8 tekens.");
}

TEST(DinoloketReader, BadFilesNameFileLineAndWhat) {
  Reading r;
  struct Case {
    const char* file;
    const char* message;
  };
  for (const Case& c : std::vector<Case>{
           {"bad_missing_column.csv", ":8: de kolom \"Filternummer\" ontbreekt"},
           {"bad_open_quote.csv", ":10: een veld tussen aanhalingstekens is niet afgesloten"},
           {"bad_date.csv", ":11: Peildatum \"31-02-1955\" bestaat niet"},
           {"empty.csv", "empty.csv:1: het bestand is leeg"},
           {"dinoloket_no_readings.csv",
            "dinoloket_no_readings.csv:4: deze export bevat geen standen: \"Van deze put zijn geen "
            "standen opgenomen in de DINO-database\""},
       }) {
    SCOPED_TRACE(c.file);
    const std::string path = kData + c.file;
    const std::string refusal = r.refusal(path);
    EXPECT_EQ(refusal.rfind(path, 0), 0u) << refusal;
    EXPECT_NE(refusal.find(c.message), std::string::npos) << refusal;
  }
}

// A DINOloket export saved again by a spreadsheet under a Dutch locale:
// ";" between the fields, quotes only where needed, decimal commas, days
// without leading zeros, filters without them. It was read as the older
// layout into no tube at all; it reads as the export it was, also with the
// CR line ends of a spreadsheet on a Mac.
TEST(DinoloketReader, ASpreadsheetsResaveWithSemicolonsReadsAsTheExport) {
  Reading original;
  const ConvertedDataSet expected = original.open({kData + "dinoloket_2015.csv"});
  const std::string resaved = kData + "dinoloket_2015_resaved.csv";
  test::TempDir dir;
  std::string mac = readFileText(resaved);
  std::replace(mac.begin(), mac.end(), '\n', '\r');
  dir.write("mac.csv", mac);
  for (const std::string& path : {resaved, dir.file("mac.csv")}) {
    SCOPED_TRACE(path);
    Reading r;
    const ConvertedDataSet data = r.open({path});
    EXPECT_EQ(data.lines, expected.lines);
    std::vector<std::string> log = original.messages.log();
    log.insert(log.begin(), path +
                                ": door een spreadsheet opgeslagen met \";\" tussen de velden; "
                                "gelezen als de DINOloket-export, decimale komma's als punten.");
    EXPECT_EQ(r.messages.log(), log);
    // The coordinates with their decimal points (the 60 m of the relocation
    // came from them too).
    EXPECT_EQ(locationLines(data.locations),
              (std::vector<std::string>{"locatie,filter,x,y", "B28A0005,01,100060.5,400000.25",
                                        "B28A0006,02,5,5"}));
  }

  // Line for line: fields joined with commas, quoted where they hold one or
  // a quote; decimal commas and days made as DINOloket writes them; any
  // other field as it stands.
  EXPECT_EQ(dinoloketLinesOfResave(
                {"a;b,c;\"q\"\"x\";12,5;-0,25;4-6-1990 0:00;1,2,3;;12-3-95", "", ";;"}, "r.csv"),
            (std::vector<std::string>{
                R"(a,"b,c","q""x",12.5,-0.25,04-06-1990 0:00,"1,2,3",,12-3-95)", "", ",,"}));
  try {
    dinoloketLinesOfResave({"a;b", "\"open;c"}, "r.csv");
    ADD_FAILURE() << "not refused";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "r.csv:2: een veld tussen aanhalingstekens is niet afgesloten");
  }

  // The older layout saved so is refused, saying why, rather than read
  // into nothing.
  std::vector<std::string> old = readLines(kData + "three_tubes.csv");
  for (std::string& line : old) std::replace(line.begin(), line.end(), ',', ';');
  writeLines(dir.file("old.csv"), old);
  EXPECT_EQ(Reading().refusal(dir.file("old.csv")),
            dir.file("old.csv") +
                ":16: de velden zijn gescheiden door \";\" (door een spreadsheet opnieuw "
                "opgeslagen?); deze DINO-export van de oudere opmaak wordt alleen gelezen zoals "
                "DINO hem schreef, met komma's: exporteer hem opnieuw");
}

// A DINOloket export's codes are checked as the older layout's, with and
// without metadata: a code the file names cannot carry refuses the file.
TEST(DinoloketReader, LocationCodesTheFileNamesCannotCarryAreRefused) {
  test::TempDir dir;
  std::vector<std::string> lines = readLines(kData + "dinoloket_2024_no_metadata.csv");
  lines.push_back(R"("B44F+001","001","31-12-1990","12","12","","","")");
  writeLines(dir.file("plus.csv"), lines);
  const std::string refusal = Reading().refusal(dir.file("plus.csv"));
  EXPECT_EQ(refusal, dir.file("plus.csv") + ":" + std::to_string(lines.size()) +
                         ": locatiecode \"B44F+001\" past niet in de bestandsnamen van een buis "
                         "(toegestaan: letters, cijfers en (niet vooraan) '-' en '_')");

  lines = readLines(kData + "dinoloket_2015.csv");
  for (std::string& line : lines) {
    if (line.rfind("B28A0006", 0) == 0) line.replace(0, 8, "B28A 006");
  }
  writeLines(dir.file("blank.csv"), lines);
  EXPECT_EQ(Reading().refusal(dir.file("blank.csv")),
            dir.file("blank.csv") +
                ":12: locatiecode \"B28A 006\" past niet in de bestandsnamen van een buis "
                "(toegestaan: letters, cijfers en (niet vooraan) '-' en '_')");
}

TEST(DinoloketReader, SeveralExportsAsOneDataSet) {
  test::TempDir dir;
  // Levels relative to NAP only: the NAP column and no MV column.
  std::vector<std::string> nap = readLines(kData + "dinoloket_2024.csv");
  for (std::string& line : nap) {
    auto at = line.find("\"Stand (cm t.o.v. MV)\"");
    if (at != std::string::npos) line.replace(at, 22, "\"Stand (cm t.o.v. XY)\"");
  }
  writeLines(dir.file("nap.csv"), nap);

  Reading r;
  ConvertedDataSet data =
      r.open({kData + "dinoloket_2024.csv", kData + "three_tubes.csv", kData + "old_olga.dat"});
  // The first file's header, then every file's tubes in the order given.
  EXPECT_EQ(data.lines[0], "FMNT0034MV          19-04-2024");
  std::vector<std::string> tubes;
  for (const std::string& line : data.lines) {
    if (isTubeRecord(line)) tubes.push_back(line.substr(1, 10));
  }
  ASSERT_GE(tubes.size(), 3u);
  EXPECT_EQ(tubes[0], "B44F000101");
  EXPECT_EQ(tubes[1], "28AL000501");
  EXPECT_TRUE(data.modernFormat);
  EXPECT_EQ(readLines(r.dir.file(kOlgaTmpName)), data.lines);

  ConvertedDataSet withNap = r.open({kData + "dinoloket_2024.csv", dir.file("nap.csv")});
  EXPECT_EQ(withNap.napFiles, std::vector<std::string>{dir.file("nap.csv")});

  // The session stops on the NAP file, as for a single file.
  writeLines(dir.file("kron.txt"), builtinDayNumberLines());
  Session session(dir.path());
  RecordingBox box;
  ProgressView progress;
  EXPECT_THROW(
      session.openDataFiles({kData + "dinoloket_2024.csv", dir.file("nap.csv")}, progress, box),
      FatalStop);
  EXPECT_EQ(session.messages().stopExit(),
            (std::vector<std::string>{"OPEN_BESTAND_OLGA: standen zijn ten opzichte van NAP !",
                                      "(" + dir.file("nap.csv") + ")"}));
}

// One tube exported in the old layout and in the 2015 layout.
TEST(DinoloketReader, RealExportsOfOneTubeInBothLayoutsAgree) {
  const std::string real = test::realDataDir();
  if (real.empty()) GTEST_SKIP() << "no real data beside the repository";
  Reading r;
  ConvertedDataSet oldLayout = r.open({real + "/B58C0698001_0.csv"});
  ConvertedDataSet newLayout = r.open({real + "/B58C0698001_1.csv"});
  EXPECT_GT(oldLayout.lines.size(), 600u);
  EXPECT_EQ(records(oldLayout), records(newLayout));
  EXPECT_EQ(newLayout.lines[0].substr(0, 10), "FMNT0034MV");

  ConvertedDataSet quoted = r.open({real + "/B44F0279001_2024.csv"});
  ASSERT_GT(quoted.lines.size(), 100u);
  EXPECT_EQ(quoted.lines[1], "RB44F027901" + kTube);
  EXPECT_EQ(quoted.lines[2], "S195005089999+00050");
  EXPECT_EQ(quoted.lines.back(), "S195512289999-00005");
}

// The real exports with their metadata block taken out: the same readings,
// every one of them, under one tube record.
TEST(DinoloketReader, RealExportsWithoutTheirMetadataKeepEveryReading) {
  const std::string real = test::realDataDir();
  if (real.empty()) GTEST_SKIP() << "no real data beside the repository";
  auto isSeparator = [](const std::string& line) {
    return line.find_first_not_of(", ") == std::string::npos;
  };
  auto readings = [](const ConvertedDataSet& data) {
    std::vector<std::string> s;
    for (const std::string& line : data.lines) {
      if (isMeasurementRecord(line)) s.push_back(line);
    }
    return s;
  };
  test::TempDir dir;
  for (const std::string name : {"B58C0698001_1.csv", "B44F0279001_2024.csv"}) {
    SCOPED_TRACE(name);
    std::vector<std::string> lines = readLines(real + "/" + name);
    auto meta = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
      return line.find("Startdatum") != std::string::npos;
    });
    ASSERT_NE(meta, lines.end());
    lines.erase(meta, std::find_if(meta, lines.end(), isSeparator));
    auto title = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
      return line.find("Peildatum") != std::string::npos;
    });
    ASSERT_NE(title, lines.end());
    const auto rows =
        static_cast<std::size_t>(std::count_if(title + 1, lines.end(), std::not_fn(isSeparator)));
    writeLines(dir.file(name), lines);

    Reading r;
    ConvertedDataSet with = r.open({real + "/" + name});
    ConvertedDataSet without = r.open({dir.file(name)});
    EXPECT_EQ(readings(without), readings(with));
    EXPECT_EQ(readings(without).size(), rows);
    EXPECT_EQ(without.lines.size(), rows + 2);  // the header and one tube record
    EXPECT_EQ(without.lines[1], with.lines[1]);
  }
}

}  // namespace
}  // namespace phreatix
