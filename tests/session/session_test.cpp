#include "session/session.h"

#include <gtest/gtest.h>

#include "input/tube_file.h"
#include "platform/files.h"
#include "support/doubles.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

using test::RecordingBox;

class BusyProgress : public ProgressView {
 public:
  void setBusy(bool busy) override { busyCalls.push_back(busy); }
  std::vector<bool> busyCalls;
};

const std::vector<std::string> kSmallExport = {
    "TITEL:",
    "GEBRUIKERSNAAM: u",
    "DATUM: 01/01/2000",
    "REFERENTIE: MV",
    "",
    "LOCATIE,FILTERNUMMER,X COORDINAAT,Y COORDINAAT,START DATUM,EIND DATUM,BOVENKANT FILTER",
    "28AL0005,1,0,0,1990/01/01,,5",
    "",
    "LOCATIE,FILTERNUMMER,PEIL DATUM TIJD,STAND (MV),BIJZONDERHEID",
    "28AL0005,1,1990/06/01,12,"};

struct Fixture {
  test::TempDir dir;
  Session session{dir.path()};
  BusyProgress progress;
  RecordingBox box;
  Fixture() { dir.write("kron.txt", "01-06-90 42\n"); }
  bool open(const std::string& name, const std::vector<std::string>& lines) {
    writeLines(dir.file(name), lines);
    return session.openDataFile(dir.file(name), progress, box);
  }
};

TEST(Session, ActivationResetsAndReadsTheDayNumbers) {
  Fixture f;
  f.session.settings().MAXITER = 20;
  f.session.settings().closure = " 0.01";
  f.session.settings().startYear = 1970;
  f.session.stageFlags().ds = true;
  f.session.stageFlags().postprocessingReached = true;
  f.session.activate();
  EXPECT_EQ(f.session.settings().MAXITER, 500);
  EXPECT_EQ(f.session.settings().closure, " 0.0001");
  EXPECT_EQ(f.session.settings().startYear, 1970);
  EXPECT_FALSE(f.session.stageFlags().ds);
  EXPECT_TRUE(f.session.stageFlags().postprocessingReached);
  EXPECT_EQ(f.session.dayNumbers().lookup(1, 6, 1990), 42);
  EXPECT_FALSE(f.session.controls().btbttnMeteo);
  EXPECT_TRUE(f.session.controls().btbttnKOPPEL);
  EXPECT_EQ(f.session.caption(), "phreatix 3.0");

  removeFile(f.dir.file("kron.txt"));
  EXPECT_THROW(f.session.activate(), FatalStop);
  EXPECT_EQ(f.session.messages().stopExit().back(), "Programma gestopt.");
}

TEST(Session, OpeningAndRefusingADataFile) {
  Fixture f;
  f.session.activate();
  ASSERT_TRUE(f.open("a.csv", kSmallExport));
  EXPECT_EQ(f.session.caption(), "Phreatix 3.0 op " + f.dir.file("a.csv"));
  EXPECT_EQ(f.session.dataSet(),
            (std::vector<std::string>{"FMNT0034MVu          01/01/2000",
                                      "R28AL000501" + std::string(kTubeRecordTail),
                                      "S199006019999+00012"}));
  EXPECT_EQ(f.session.dataSetLineCount(), 3);
  EXPECT_TRUE(f.session.controls().btbttnMeteo);
  EXPECT_FALSE(f.session.controls().btbttnKOPPEL);
  EXPECT_FALSE(f.session.controls().btbttnPre);
  EXPECT_EQ(f.progress.busyCalls, (std::vector<bool>{true, false}));

  // A file without its user-name key is refused; the session stays as it was.
  std::vector<std::string> broken = kSmallExport;
  broken[1] = "";
  f.box.shown.clear();
  EXPECT_FALSE(f.open("b.csv", broken));
  EXPECT_EQ(f.session.caption(), "Phreatix 3.0 op " + f.dir.file("a.csv"));
  EXPECT_EQ(f.session.dataSetLineCount(), 3);
  const std::string refusal = "Het bestand " + f.dir.file("b.csv") + " is niet ingelezen:";
  const std::string reason = f.dir.file("b.csv") + ": sleutel \"GEBRUIKERSNAAM:\" ontbreekt";
  EXPECT_EQ(f.session.messages().log(), (std::vector<std::string>{refusal, reason}));
  EXPECT_EQ(f.box.refused, (std::vector<std::string>{refusal + "\n" + reason}));
  EXPECT_TRUE(f.box.shown.empty());

  // A missing file is refused the same way.
  EXPECT_FALSE(f.session.openDataFile(f.dir.file("none.csv"), f.progress, f.box));
  EXPECT_EQ(f.session.dataSetLineCount(), 3);
}

TEST(Session, AFileThatIsNoExportLeavesAFreshSessionAsItWas) {
  Fixture f;
  f.session.activate();
  const std::vector<std::string> knmi = {"# STN,YYYYMMDD,   DDVEC,   FHVEC",
                                         "  260,19010101,      ,"};
  EXPECT_FALSE(f.open("knmi.csv", knmi));
  EXPECT_EQ(f.session.caption(), "phreatix 3.0");
  EXPECT_TRUE(f.session.dataSet().empty());
  EXPECT_TRUE(f.session.controls().btbttnKOPPEL);
  EXPECT_TRUE(f.session.controls().btbttnPre);
  EXPECT_FALSE(f.session.controls().btbttnMeteo);
  EXPECT_FALSE(fileExists(f.dir.file("olga.tmp")));
  ASSERT_EQ(f.session.messages().log().size(), 2u);
  EXPECT_EQ(f.session.messages().log()[1].rfind(f.dir.file("knmi.csv") + ":2: ", 0), 0u);
  EXPECT_EQ(f.box.refused.size(), 1u);

  // Opened with a good export, the one refused file refuses both.
  writeLines(f.dir.file("a.csv"), kSmallExport);
  EXPECT_FALSE(
      f.session.openDataFiles({f.dir.file("a.csv"), f.dir.file("knmi.csv")}, f.progress, f.box));
  EXPECT_TRUE(f.session.dataSet().empty());
  EXPECT_TRUE(f.session.controls().btbttnKOPPEL);
  EXPECT_FALSE(fileExists(f.dir.file("olga.tmp")));
  const std::vector<std::string>& log = f.session.messages().log();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[2], "De bestanden " + f.dir.file("a.csv") + ", " + f.dir.file("knmi.csv") +
                        " zijn niet ingelezen:");
  EXPECT_EQ(log[3].rfind(f.dir.file("knmi.csv") + ":2: ", 0), 0u) << log[3];
}

TEST(Session, ADataSetRelativeToNapEndsInTheFatalStop) {
  for (bool dino : {true, false}) {
    Fixture f;
    std::vector<std::string> lines = kSmallExport;
    lines[3] = "REFERENTIE: NAP";
    if (!dino) lines = {"FMNT0034NAP jansen", "R28AL000501" + std::string(kTubeRecordTail)};
    EXPECT_THROW(f.open(dino ? "nap.csv" : "nap.dat", lines), FatalStop);
    const std::string line = "OPEN_BESTAND_OLGA: standen zijn ten opzichte van NAP !";
    EXPECT_EQ(f.session.messages().log().back(), line);
    EXPECT_EQ(f.session.messages().stopExit(), (std::vector<std::string>{line}));
    ASSERT_TRUE(f.session.writeSessionLog());
    std::vector<std::string> log = readLines(f.dir.file("Phreatix.log"));
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 2], "****** AFSLUITING PROGRAMMA ******");
    EXPECT_EQ(log.back(), line);
    EXPECT_EQ(f.progress.busyCalls, (std::vector<bool>{true, false}));
  }
}

// The enabled workflow buttons, as the main window shows them.
std::string enabled(const MainControls& c) {
  std::string s;
  auto add = [&s](bool on, const char* name) {
    if (on) s += std::string(s.empty() ? "" : " ") + name;
  };
  add(c.btbttnPre, "Pre");
  add(c.btbttnKOPPEL, "KOPPEL");
  add(c.btbttnMeteo, "Meteo");
  add(c.btbttnToonKoppeling, "ToonKoppeling");
  add(c.btbttnSTART, "START");
  add(c.btbttnDefaults, "Defaults");
  add(c.btbttnResetStart, "ResetStart");
  return s;
}

TEST(Session, ButtonsThroughTheWorkflow) {
  Fixture f;
  f.session.activate();
  EXPECT_EQ(enabled(f.session.controls()), "Pre KOPPEL ResetStart");
  ASSERT_TRUE(f.open("a.csv", kSmallExport));
  EXPECT_EQ(enabled(f.session.controls()), "Meteo ResetStart");
  f.session.coupled(true);
  EXPECT_EQ(enabled(f.session.controls()), "ToonKoppeling START Defaults ResetStart");
  EXPECT_TRUE(f.session.controls().btbttnRepair);
  f.session.coupled(false);
  EXPECT_EQ(enabled(f.session.controls()), "Meteo ToonKoppeling Defaults ResetStart");
  EXPECT_FALSE(f.session.controls().btbttnRepair);
  f.session.messages().appendLog("a line");
  ProgressView progress;
  f.session.reset(progress);
  EXPECT_EQ(enabled(f.session.controls()), "Pre KOPPEL ResetStart");
  EXPECT_TRUE(f.session.messages().log().empty());
  ASSERT_TRUE(f.open("a.csv", kSmallExport));
  f.session.coupled(true);
  f.session.pipelineControls();
  EXPECT_EQ(enabled(f.session.controls()), "");
}

}  // namespace
}  // namespace phreatix
