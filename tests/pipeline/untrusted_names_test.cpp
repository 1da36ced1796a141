// Names that come from files (location codes, coupling-file entries, names
// in parameter and control files) never reach outside the working directory.
#include <gtest/gtest.h>

#include "coupling/coupling.h"
#include "engine/engine_run.h"
#include "engine/engine_view.h"
#include "input/dino_reader.h"
#include "input/tube_file.h"
#include "platform/files.h"
#include "postprocessing/karakt.h"
#include "postprocessing/post_view.h"
#include "preprocessor/dino_export.h"
#include "support/doubles.h"
#include "support/engine_screen.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

using SilentBox = test::RecordingBox;

TEST(UntrustedNames, BareNamesAndSafeStems) {
  for (const char* good : {"28AL0005.01", "meteo west.prn", ".verborgen", "a..b"}) {
    EXPECT_TRUE(isBareFileName(good)) << good;
  }
  for (const char* bad : {"", ".", "..", "../x", "/etc/passwd", "a/b", "a\\b", "a\nb"}) {
    EXPECT_FALSE(isBareFileName(bad)) << bad;
  }
  EXPECT_TRUE(isSafeStem("28AL0005"));
  for (const char* bad : {"28AL*005", "28AL?005", "[8AL0005", "../../ab"}) {
    EXPECT_FALSE(isSafeStem(bad)) << bad;
  }
  EXPECT_THROW(workingFile("/w", "../x", "zeftal0.par"), Error);
  EXPECT_EQ(workingFile("/w", "x.01", "zeftal0.par"), "/w/x.01");
}

TEST(UntrustedNames, LocationCodesThatAreNoFileNamesAreRefused) {
  test::TempDir dir;
  std::vector<std::string> lines = test::dinoHeader();
  lines.push_back(test::metaRow("../../ab"));
  lines.push_back(test::metaRow("B01A0001"));
  lines.push_back("");
  lines.push_back(test::kMeasurementTitle);
  lines.push_back(test::measRow("../../ab", 2000, 1, 14, 50));
  lines.push_back(test::measRow("B01A0001", 2000, 1, 14, 60));
  Messages messages;
  ProgressView progress;
  SilentBox box;
  ReaderContext context{messages, progress, box, dir.path()};
  try {
    convertExport(lines, "x.csv", context);
    ADD_FAILURE() << "not refused";
  } catch (const Error& e) {
    const std::string what = e.what();
    EXPECT_EQ(what.rfind("x.csv:8: locatiecode \"../../ab\" past niet in de bestandsnamen", 0), 0u)
        << what;
  }
  EXPECT_FALSE(fileExists(dir.file("olga.tmp")));

  // An internal tube file (OLGA) carries its codes as they stand: the tube
  // list leaves such a tube out.
  Messages listMessages;
  std::vector<std::string> olga = {"FMNT0034MV", tubeRecord("../../ab", "01"),
                                   tubeRecord("B01A0001", "01")};
  EXPECT_EQ(buildTubeList(olga, listMessages), std::vector<std::string>{"B01A0001 +01"});
  EXPECT_EQ(listMessages.log().size(), 1u);
}

TEST(UntrustedNames, CouplingFileNamesStayInTheWorkingDirectory) {
  test::TempDir outside;
  writeLines(outside.file("m.prn"), {"1 5 0.01 4 5"});
  test::TempDir dir;
  writeLines(dir.file("m.prn"), {"1 5 0.01 4 5"});
  // A path is reduced to its name, looked up in the working directory.
  writeLines(dir.file("koppeling.txt"), {"B01A0001 " + outside.file("m.prn")});
  CouplingOverview overview;
  Messages messages;
  SilentBox box;
  coupleFromFile(dir.file("koppeling.txt"), {"B01A0001 +01"}, dir.path(), overview, messages, box);
  EXPECT_EQ(meteoFileOfStem(overview, "B01A0001"), "m.prn");
  // ".." names no meteo file, though the directory exists.
  writeLines(dir.file("koppeling.txt"), {"B01A0001 .."});
  EXPECT_THROW(coupleFromFile(dir.file("koppeling.txt"), {"B01A0001 +01"}, dir.path(), overview,
                              messages, box),
               FatalStop);
}

TEST(UntrustedNames, EngineAndPostprocessingRefuseNamesOutsideTheWorkingDirectory) {
  test::TempDir dir;
  // A parameter file whose output names point outside.
  const std::string seed =
      readFileText(PHREATIX_TEST_DATA_DIR "/../fuzz/corpus/fuzz_engine_input/calibration");
  const std::string par = seed.substr(0, seed.find('\x01'));
  std::vector<std::string> parLines = splitLines(par);
  ASSERT_GE(parLines.size(), 4u);
  parLines[2] = "../buiten.w01";
  writeLines(dir.file("zeftal0.par"), parLines);
  const std::string rest = seed.substr(seed.find('\x01') + 1);
  writeLines(dir.file("f.01"), splitLines(rest.substr(0, rest.find('\x01'))));
  writeLines(dir.file("f.met"), splitLines(rest.substr(rest.find('\x01') + 1)));
  EngineScreen view;
  Messages messages;
  Engine engine(view, messages);
  EXPECT_FALSE(engine.run(dir.path(), "test", 5));
  EXPECT_NE(engine.message().find("\"../buiten.w01\" is geen bestandsnaam in de werkmap"),
            std::string::npos)
      << engine.message();
  EXPECT_FALSE(fileExists(dir.path() + "/../buiten.w01"));

  // A control file naming an output outside.
  writeLines(dir.file("input.txt"), {"'s.u01'", "'s.frm'", "1", "'s.u01'", "'/tmp/buiten.sta'",
                                     "'s.his'", "'s.foe'", "'s.reg'", "'s.cor'"});
  writeLines(dir.file("s.u01"), {"1970 12 3"});
  Postprocessor post;
  PostView postView;
  EXPECT_FALSE(post.RunPostprocessing(dir.path(), postView, messages));
  EXPECT_NE(messages.log().back().find("is geen bestandsnaam in de werkmap"), std::string::npos)
      << messages.log().back();
}

}  // namespace
}  // namespace phreatix
