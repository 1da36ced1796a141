// phreatix-cli as a user runs it: in a working directory, with its exit code,
// its output and the files it leaves.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include <zip.h>

#include <gtest/gtest.h>

#include "demo/demo_data.h"
#include "input/calendar.h"
#include "platform/files.h"
#include "preprocessor/dino_export.h"
#include "report/messages.h"
#include "settings/field_checks.h"
#include "settings/settings_table.h"
#include "support/synthetic_tube.h"
#include "support/temp_dir.h"
#include "text/number_text.h"

namespace phreatix {
namespace {

struct CliRun {
  int code = -1;
  std::string out;
  std::string err;
};

// A shell command line in the directory, with its exit code and output.
CliRun runShell(const test::TempDir& dir, const std::string& line) {
  const std::string command =
      "cd '" + dir.path() + "' && (" + line + ") > cli.out 2> cli.err < /dev/null";
  const int status = std::system(command.c_str());
  CliRun run;
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = dir.read("cli.out");
  run.err = dir.read("cli.err");
  removeFile(dir.file("cli.out"));
  removeFile(dir.file("cli.err"));
  return run;
}

CliRun runCli(const test::TempDir& dir, const std::string& args) {
  return runShell(dir, "'" PHREATIX_CLI "' " + args);
}

const std::string kData = PHREATIX_TEST_DATA_DIR "/input/";

TEST(Cli, KronWritesTheBuiltInNumberingOnce) {
  test::TempDir dir;
  CliRun first = runCli(dir, "kron");
  EXPECT_EQ(first.code, 0) << first.err;
  std::vector<std::string> lines = readLines(dir.file("kron.txt"));
  ASSERT_EQ(lines.size(), 36525u);
  EXPECT_EQ(lines[19052], "29-02-00 19053");
  EXPECT_EQ(lines.back(), "31-12-47 36525");
  EXPECT_NE(first.out.find("36525 dagen, 1-1-1948 t/m 31-12-2047"), std::string::npos) << first.out;
  dir.write("kron.txt", "01-01-48 1\n");
  CliRun again = runCli(dir, "kron");
  EXPECT_EQ(again.code, 1);
  EXPECT_NE(again.err.find("kron.txt bestaat al"), std::string::npos);
  EXPECT_EQ(dir.read("kron.txt"), "01-01-48 1\n");
  EXPECT_EQ(runCli(dir, "kron --force").code, 0);
  EXPECT_EQ(readLines(dir.file("kron.txt")).size(), 36525u);
  EXPECT_FALSE(fileExists(dir.file("Phreatix.log")));  // not a session command
}

TEST(Cli, OpenConvertsAndLogs) {
  test::TempDir dir;
  ASSERT_EQ(runCli(dir, "kron").code, 0);
  CliRun run = runCli(dir, "open '" + kData + "three_tubes.csv'");
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out.rfind("Modern formaat OLGA-bestand converteren naar intern formaat\n", 0), 0u)
      << run.out;
  EXPECT_NE(run.out.find(
                "Buis 28AL0005 >50 m. verplaatst. Oudste deel meetreeks verwijderd uit bestand.\n"),
            std::string::npos);
  EXPECT_NE(run.out.find("diskruimte (nodig:180; beschikbaar:"), std::string::npos);
  EXPECT_EQ(readLines(dir.file("olga.tmp")).size(), 17u);
  std::vector<std::string> log = readLines(dir.file("Phreatix.log"));
  // Three tube-code refusals and relocation, three tubes with readings no
  // period took, then the processing list and the closing line.
  ASSERT_EQ(log.size(), 10u);
  EXPECT_EQ(log[5],
            "Buis 28AL0007 +02: 1 meting(en) buiten de perioden van de metadata weggelaten "
            "(1-1-2048 t/m 1-1-2048).");
  EXPECT_EQ(log[6], "%%%%Uitgevoerde bewerkingen:%%%%");
  EXPECT_EQ(log[7], "Modern formaat OLGA-bestand converteren naar intern formaat");
  EXPECT_EQ(log[9], "****** AFSLUITING PROGRAMMA ******");

  CliRun olga = runCli(dir, "open '" + kData + "old_olga.dat'");
  EXPECT_EQ(olga.code, 0) << olga.err;
  EXPECT_NE(olga.out.find("OLGA-bestand van voor 31-12-1999. Millennium bug gerepareerd."),
            std::string::npos);
}

TEST(Cli, FatalStopsAndRefusals) {
  test::TempDir dir;
  // Without kron.txt the program stops at start-up.
  CliRun noKron = runCli(dir, "open '" + kData + "three_tubes.csv'");
  EXPECT_EQ(noKron.code, 2);
  EXPECT_EQ(noKron.err,
            "Het bestand <KRON.txt> met de koppeling datum/dagnummers is niet gevonden.\n"
            "Programma gestopt.\n");
  EXPECT_TRUE(fileExists(dir.file("Phreatix.log")));

  ASSERT_EQ(runCli(dir, "kron").code, 0);
  dir.write("nap.csv",
            "TITEL:\nGEBRUIKERSNAAM: u\nDATUM: d\nREFERENTIE: NAP\n\n"
            "LOCATIE,FILTERNUMMER,START DATUM,BOVENKANT FILTER\n28AL0005,1,1990/01/01,5\n\n"
            "LOCATIE,FILTERNUMMER,PEIL DATUM TIJD,STAND (NAP),BIJZONDERHEID\n"
            "28AL0005,1,1990/06/01,-120,\n");
  CliRun nap = runCli(dir, "open nap.csv");
  EXPECT_EQ(nap.code, 2);
  EXPECT_EQ(nap.err, "OPEN_BESTAND_OLGA: standen zijn ten opzichte van NAP !\n");
  std::vector<std::string> log = readLines(dir.file("Phreatix.log"));
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], "****** AFSLUITING PROGRAMMA ******");
  EXPECT_EQ(log.back(), "OPEN_BESTAND_OLGA: standen zijn ten opzichte van NAP !");

  dir.write("bad.csv", "TITEL:\nDATUM: d\n");
  CliRun bad = runCli(dir, "open bad.csv");
  EXPECT_EQ(bad.code, 1);
  EXPECT_EQ(bad.err,
            "Het bestand bad.csv is niet ingelezen:\n"
            "bad.csv: sleutel \"GEBRUIKERSNAAM:\" ontbreekt\n");
  EXPECT_EQ(bad.out.find("ontbreekt"), std::string::npos) << bad.out;
}

// Today's exports without metadata are read; what is no export is refused
// once, on standard error, by open and run alike.
TEST(Cli, OpenReadsExportsWithoutMetadataAndRefusesWhatIsNoExport) {
  test::TempDir dir;
  ASSERT_EQ(runCli(dir, "kron").code, 0);
  CliRun noMeta = runCli(dir, "open '" + kData + "dinoloket_2024_no_metadata.csv'");
  EXPECT_EQ(noMeta.code, 0) << noMeta.err;
  EXPECT_NE(noMeta.out.find("geen metadata (coördinaten) in het bestand"), std::string::npos)
      << noMeta.out;
  EXPECT_NE(noMeta.out.find("(nodig:120;"), std::string::npos) << noMeta.out;
  EXPECT_EQ(readLines(dir.file("olga.tmp")).size(), 7u);
  removeFile(dir.file("olga.tmp"));

  dir.write("knmi.csv", "# STN,YYYYMMDD,   DDVEC,   FHVEC\n  260,19010101,      ,\n");
  dir.write("binair.csv", std::string("PK\x03\x04\x14\0\0\0\xff\xfe\n\x01\n", 13));
  struct Case {
    std::string file;
    std::string reason;
  };
  const Case cases[] = {
      {kData + "dinoloket_no_readings.csv", ":4: deze export bevat geen standen"},
      {"knmi.csv", ":2: geen DINO-export en geen OLGA-bestand"},
      {"binair.csv", ":1: geen tekstbestand"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    for (const std::string& command :
         {"open '" + c.file + "'", "run --data '" + c.file + "' --coupling koppeling.txt"}) {
      CliRun run = runCli(dir, command);
      EXPECT_EQ(run.code, 1);
      const std::string refusal = c.file + c.reason;
      const std::size_t at = run.err.find(refusal);
      EXPECT_NE(at, std::string::npos) << run.err;
      EXPECT_EQ(run.err.find(refusal, at + 1), std::string::npos) << run.err;
      EXPECT_EQ(run.out.find(c.reason), std::string::npos) << run.out;
      EXPECT_FALSE(fileExists(dir.file("olga.tmp")));
    }
  }
  CliRun both = runCli(dir, "open '" + kData + "three_tubes.csv' knmi.csv");
  EXPECT_EQ(both.code, 1);
  EXPECT_NE(both.err.find("\nknmi.csv:2: geen DINO-export"), std::string::npos) << both.err;
  EXPECT_FALSE(fileExists(dir.file("olga.tmp")));
}

TEST(Cli, EngineRunsZeftal0ParInTheCurrentDirectory) {
  test::TempDir dir;
  test::SyntheticTube tube = test::syntheticTube(400, 0.9, 2, 0.8, -50, 4, 7);
  writeLines(dir.file("28AL0005.met"), test::meteoLines(tube.surplus));
  writeLines(dir.file("28AL0005.01"), test::measurementLines(tube.measurements));
  writeLines(dir.file("zeftal0.par"),
             {"28AL0005.01", "28AL0005.met", "28AL0005.w01", "28AL0005.a01", "0 0 0 0 0",
              "0.97 3.00 0 0.97 -40 100.00", "1 1 0 1 1 1", "-40", "1", "1 400 0.0001", "0"});
  CliRun run = runCli(dir, "engine");
  EXPECT_EQ(run.code, 0) << run.out << run.err;
  EXPECT_EQ(run.out.rfind(" iteration number: 0\n", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("\nMeldingen uit ZEFTAL3:\n"), std::string::npos);
  EXPECT_TRUE(fileExists(dir.file("28AL0005.ok")));
  EXPECT_FALSE(fileExists(dir.file("Phreatix.log")));  // not a session command

  CliRun limited = runCli(dir, "engine --maxiter 2");
  EXPECT_EQ(limited.code, 0);
  EXPECT_NE(limited.out.find("Meldingen uit ZEFTAL3:Amoeba exceeding maximum iterations.\n"),
            std::string::npos);
  EXPECT_EQ(readLines(dir.file("28AL0005.a01"))[0], " number of iterations: 2");

  removeFile(dir.file("28AL0005.ok"));
  removeFile(dir.file("28AL0005.met"));
  CliRun failed = runCli(dir, "engine");
  EXPECT_EQ(failed.code, 1);
  EXPECT_NE(failed.out.find("28AL0005.met: bestand niet te openen"), std::string::npos)
      << failed.out;
  EXPECT_FALSE(fileExists(dir.file("28AL0005.ok")));
  EXPECT_EQ(runCli(dir, "engine --maxiter x").code, 1);
}

TEST(Cli, PostReportsEachTubeAndFailsWhenOneFailed) {
  test::TempDir dir;
  std::string series = "1969 11 3\n";
  for (int r = 1; r <= 11; ++r) {
    for (int day = 0; day < 3 * 365; ++day) {  // 1969, 1970, 1971: no leap day
      series +=
          formatReal(-100 + 20 * std::sin(day / 58.1) + r + (day * 7 % 13) * 0.1, 8, 3) + "\n";
    }
  }
  dir.write("28AL0005.u01", series);
  dir.write("28AL0005.inp",
            "'28AL0005.u01'\n'28AL0005.frm'\n1\n'28AL0005.u01'\n'28AL0005.sta'\n'28AL0005.his'\n"
            "'28AL0005.foe'\n'28AL0005.reg'\n'28AL0005.cor'\n0 500\n100\n");
  CliRun good = runCli(dir, "post");
  EXPECT_EQ(good.code, 0) << good.out << good.err;
  EXPECT_EQ(good.out,
            "Postprocessing zonder fouten afgesloten.\nBuis 28AL0005: karakteristieken geschreven "
            "in 28AL0005.sta, .reg, .foe, .his en .cor.\n28AL0005.u01: aangemaakt\n");
  EXPECT_EQ(readLines(dir.file("28AL0005.cor")).size(), 738u);

  dir.write("28AL0006.u01", series);
  CliRun missing = runCli(dir, "post");
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.out.find("28AL0006.inp niet gevonden.\n28AL0006.u01: mislukt\n"),
            std::string::npos)
      << missing.out;
}

TEST(Cli, DemoRunsTheWholeJobAndASecondRunRepeatsIt) {
  test::TempDir dir;
  CliRun demo = runCli(dir, "demo work --no-pack");
  ASSERT_EQ(demo.code, 0) << demo.out << demo.err;
  const std::string work = dir.file("work");
  test::TempDir reference;
  const DemoDataSet data = writeDemoData(reference.path());

  // Every file of a tube with a chosen model, but the archive and the chart.
  const char* extensions[] = {".01",  ".LOG", ".met", ".p01", ".q01", ".r01", ".s01", ".w01",
                              ".x01", ".y01", ".z01", ".a01", ".b01", ".c01", ".d01", ".sel",
                              ".err", ".inp", ".t01", ".std", ".01s", ".sim", ".u01", ".e01",
                              ".upd", ".upt", ".ok",  ".sta", ".reg", ".foe", ".his", ".cor"};
  std::vector<std::string> modsel = readLines(work + "/modsel.zft");
  std::vector<std::string> foutbuis = readLines(work + "/foutbuis.zft");
  int chosen = 0;
  for (const DemoTube& tube : data.tubes) {
    if (tube.filter != "001") continue;
    auto line = std::find_if(modsel.begin(), modsel.end(),
                             [&](const std::string& l) { return l.rfind(tube.location, 0) == 0; });
    if (tube.designedToFail) {
      EXPECT_EQ(line, modsel.end()) << tube.location;
      ASSERT_EQ(foutbuis.size(), 1u);
      EXPECT_EQ(foutbuis[0].substr(0, 11), tube.location + " ft");
      continue;
    }
    ASSERT_NE(line, modsel.end()) << tube.location << " has no chosen model";
    ++chosen;
    const std::string label = line->substr(9, 2);
    EXPECT_TRUE(label == "1s" || label == "2s") << *line;
    for (const char* ext : extensions) {
      EXPECT_TRUE(fileExists(work + "/" + tube.location + ext)) << tube.location << ext;
    }
    // Within these of the parameters the levels were made with: delta and
    // omega0 trade off against each other (their ratio sets the mean
    // response), phi, c and sigma2 are sharper.
    const double delta = std::stod(line->substr(12, 9));
    const double omega0 = std::stod(line->substr(22, 9));
    const double phi = std::stod(line->substr(35, 9));
    const double c = std::stod(line->substr(45, 10));
    const double sigma2 = std::stod(line->substr(56, 10));
    EXPECT_NEAR(delta, tube.delta, 0.04) << *line;
    EXPECT_NEAR(omega0, tube.omega0, 0.5 * tube.omega0) << *line;
    EXPECT_NEAR(phi, tube.phi, 0.03) << *line;
    EXPECT_NEAR(c, tube.c, 6) << *line;
    EXPECT_NEAR(sigma2, tube.sigma2, 0.5 * tube.sigma2) << *line;
  }
  EXPECT_GE(chosen, 4);
  EXPECT_TRUE(fileExists(work + "/Phreatix.log"));
  EXPECT_NE(demo.out.find("Buis 32CN0031 >50 m. verplaatst."), std::string::npos);

  // A second run in the same directory gives the same results, byte for byte.
  std::string before = readFileText(work + "/modsel.zft");
  std::string u01 = readFileText(work + "/28AL0005.u01");
  std::string sta = readFileText(work + "/28AL0005.sta");
  CliRun again = runCli(dir, "run --data work/" + data.exportFile + " --coupling work/" +
                                 data.couplingFile + " --workdir work --no-pack");
  ASSERT_EQ(again.code, 0) << again.out << again.err;
  EXPECT_EQ(readFileText(work + "/modsel.zft"), before);
  EXPECT_EQ(readFileText(work + "/28AL0005.u01"), u01);
  EXPECT_EQ(readFileText(work + "/28AL0005.sta"), sta);
}

TEST(Cli, RunRefusesSettingsItCannotUse) {
  test::TempDir dir;
  const std::string base = "run --data x.csv --coupling k.txt ";
  CliRun realisations = runCli(dir, base + "--realisations 50.5");
  EXPECT_EQ(realisations.code, 1);
  EXPECT_NE(realisations.err.find("edtREALISATIES"), std::string::npos) << realisations.err;
  CliRun period = runCli(dir, base + "--start-year 1990 --end-year 1985");
  EXPECT_EQ(period.code, 1);
  EXPECT_NE(period.err.find("De simulatieperiode 1990 t/m 1985"), std::string::npos) << period.err;
  // A start year alone would run from it to the default end year 1999.
  CliRun startOnly = runCli(dir, base + "--start-year 1991");
  EXPECT_EQ(startOnly.code, 1);
  EXPECT_NE(startOnly.err.find("--start-year 1991 zonder --end-year"), std::string::npos)
      << startOnly.err;
  EXPECT_EQ(runCli(dir, base + "--start-year 2048 --end-year 2050").code, 1);
  CliRun domain = runCli(dir, base + "--phi-min 1.5");
  EXPECT_EQ(domain.code, 1);
  EXPECT_NE(domain.err.find("ingevoerd getal ligt buiten toegestaan domein[0.00;1.00]"),
            std::string::npos)
      << domain.err;
  // A negative value is a value, not an option: it reaches the field check.
  CliRun negative = runCli(dir, base + "--phi-min -0.5");
  EXPECT_EQ(negative.code, 1);
  EXPECT_NE(negative.err.find("edtPHIMIN \"-0.5\": ingevoerd getal ligt buiten toegestaan domein"),
            std::string::npos)
      << negative.err;
  EXPECT_EQ(runCli(dir, base + "--trace soms").code, 1);
  EXPECT_EQ(runCli(dir, "run --data x.csv").code, 1);
  // Response-time bounds without room between them admit no extended model;
  // a least one above the default greatest one is refused too.
  for (const char* bounds :
       {"--t95-min 400 --t95-max 300", "--t95-min 20 --t95-max 20,0", "--t95-min 4000"}) {
    CliRun t95 = runCli(dir, base + bounds);
    EXPECT_EQ(t95.code, 1) << bounds;
    EXPECT_NE(t95.err.find("ligt niet boven t95 min"), std::string::npos) << bounds << t95.err;
  }
  // The demo takes the settings as run does, and refuses before it writes.
  CliRun demo = runCli(dir, "demo d --t95-min 400 --t95-max 300 --no-pack");
  EXPECT_EQ(demo.code, 1);
  EXPECT_NE(demo.err.find("De responstijd t95 max (300 dagen) ligt niet boven t95 min (400 dagen)"),
            std::string::npos)
      << demo.err;
  EXPECT_EQ(runCli(dir, "demo d --model bic").code, 1);
  EXPECT_EQ(runCli(dir, "demo d --model uitgebreid --situatie laatste").code, 1);
  EXPECT_FALSE(fileExists(dir.file("d")));
}

// Every row of the settings table is an option of run, repair and cluster
// prepare, refused on the command line with the message its window field
// gives for the same text, and listed by --help with its default.
TEST(Cli, EverySettingsOptionIsCheckedAsItsWindowField) {
  test::TempDir dir;
  for (const DetailField& row : detailFields()) {
    SCOPED_TRACE(row.flag);
    // A start year needs an end year beside it.
    const std::string base = std::string("run --data x.csv --coupling k.txt ") +
                             (row.flag == std::string("--start-year") ? "--end-year 2047 " : "");
    std::vector<std::string> refused = {"abc"};
    if (isChoice(row)) {
      refused = {"soms", std::string(row.choices[0].word) + "x"};
    } else {
      char above[32], below[32];
      std::snprintf(above, sizeof above, "%g", row.hi + 1);
      std::snprintf(below, sizeof below, "%g", row.lo - 1);
      refused.push_back(above);
      refused.push_back(below);
      if (row.integer) refused.push_back(std::string(row.formDefault) + ".5");
    }
    for (const std::string& value : refused) {
      const FieldResult window = checkDetailField(row, value);
      ASSERT_FALSE(window.accepted()) << value;
      const CliRun run = runCli(dir, base + row.flag + "=" + value);
      EXPECT_EQ(run.code, 1) << value;
      const std::string expected =
          isChoice(row) ? window.message
                        : std::string(row.name) + " \"" + value + "\": " + window.message;
      EXPECT_NE(run.err.find(expected), std::string::npos) << value << ": " << run.err;
    }
    // Its default passes the checks: the run starts, and stops on the
    // missing kron.txt.
    const CliRun accepted = runCli(dir, base + row.flag + "=" + row.formDefault);
    EXPECT_EQ(accepted.code, 2) << accepted.err;
    EXPECT_EQ(accepted.err.find(row.name), std::string::npos) << accepted.err;
  }
  const std::string help = runCli(dir, "run --help").out;
  const std::string prepareHelp = runCli(dir, "cluster prepare --help").out;
  const std::string demoHelp = runCli(dir, "demo --help").out;
  for (const DetailField& row : detailFields()) {
    const std::string head = std::string(row.flag) + " " + row.valueName + "=" + row.formDefault;
    for (const std::string* text : {&help, &prepareHelp, &demoHelp}) {
      // A long head has its text on the next line.
      std::size_t at = text->find("  " + head + " ");
      if (at == std::string::npos) at = text->find("  " + head + "\n");
      ASSERT_NE(at, std::string::npos) << head << "\n" << *text;
      const std::string firstLine =
          std::string(row.help).substr(0, std::string(row.help).find('\n'));
      EXPECT_EQ(
          text->substr(text->find_first_not_of(" \n", at + 2 + head.size()), firstLine.size()),
          firstLine);
    }
  }
}

// The line of `text` from `from` on that starts with `option`, or "".
std::string optionLine(const std::string& text, const std::string& option, std::size_t from = 0) {
  for (std::size_t at = text.find(option + " ", from); at != std::string::npos;
       at = text.find(option + " ", at + 1)) {
    const std::size_t begin = text.rfind('\n', at) + 1;
    if (text.find_first_not_of(' ', begin) == at) {
      return text.substr(begin, text.find('\n', at) - begin);
    }
  }
  return "";
}

// The help of the program shows every command with its options, the help
// of run every option of run, each with the value it takes when not given.
TEST(Cli, HelpShowsEveryOptionWithItsDefault) {
  test::TempDir dir;
  const std::pair<const char*, const char*> runDefaults[] = {{"--start-year", "=1970"},
                                                             {"--end-year", "=1999"},
                                                             {"--warmup", "=731"},
                                                             {"--realisations", "=100"},
                                                             {"--maxiter", "=500"},
                                                             {"--closure", "=0.0001"},
                                                             {"--delta-min", "=0.90"},
                                                             {"--phi-min", "=0.5"},
                                                             {"--c-max", "=0"},
                                                             {"--omega-min", "=1"},
                                                             {"--trace", "met|zonder=met"},
                                                             {"--workdir", "current directory"},
                                                             {"--no-pack", "default: pack"},
                                                             {"--data", "REQUIRED"},
                                                             {"--coupling", "REQUIRED"}};
  CliRun all = runCli(dir, "--help");
  CliRun run = runCli(dir, "run --help");
  for (const CliRun& help : {all, run}) {
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.err, "");
  }
  for (const char* command :
       {"open", "split", "meteo", "kron", "engine", "post", "run", "repair", "demo"}) {
    EXPECT_NE(all.out.find("\n" + std::string(command) + "\n"), std::string::npos) << command;
  }
  const std::size_t runSection = all.out.find("\nrun\n");
  const std::size_t repairSection = all.out.find("\nrepair\n");
  for (const auto& [option, shown] : runDefaults) {
    for (const std::string& line :
         {optionLine(run.out, option), optionLine(all.out, option, runSection),
          optionLine(all.out, option, repairSection)}) {
      EXPECT_NE(line.find(shown), std::string::npos) << option << ": " << line;
    }
  }
  const std::size_t engineSection = all.out.find("\nengine\n");
  EXPECT_NE(optionLine(all.out, "--maxiter", engineSection).find("=500"), std::string::npos);
  for (const char* option : {"--mb", "--remove", "-o", "--from", "--to", "--force", "DIR"}) {
    EXPECT_NE(optionLine(all.out, option), "") << option;
  }
  EXPECT_NE(all.out.find("Exit status: 0"), std::string::npos);
}

// Wrong arguments exit 1 with a message on standard error and do nothing.
TEST(Cli, WrongArgumentsExitOneWithAMessage) {
  test::TempDir dir;
  struct Case {
    std::string args;
    std::string message;
  };
  const Case cases[] = {
      {"", "no command given"},
      {"frobnicate", "unknown command frobnicate"},
      {"--frobnicate", "unknown option --frobnicate"},
      {"kron --frce", "not expected: --frce"},
      {"open", "FILE is required"},
      {"run --data x.csv --coupling", "--coupling: 1 required FILE missing"},
      {"run --data x.csv --coupling k.txt --frob 1", "not expected: --frob 1"},
      {"run --data a.csv b.csv --coupling k.txt", "not expected: b.csv"},
      {"split x.csv --mb", "--mb: 1 required N missing"},
      {"engine --maxiter 1.5", "--maxiter: needs a whole number of iterations, got 1.5"},
      {"meteo k.txt -o x.prn --from 1990-02-30", "--from: needs a date YYYY-MM-DD, got 1990-02-30"},
      {"run --data x.csv --coupling k.txt --trace soms", "--trace: takes met or zonder, got soms"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    CliRun run = runCli(dir, c.args);
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("phreatix-cli: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(c.message + "\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("--help"), std::string::npos) << run.err;
  }
  EXPECT_TRUE(listFiles(dir.path(), "*").empty());
}

}  // namespace
}  // namespace phreatix

namespace phreatix {
namespace {

TEST(Cli, SplitWritesSessionFilesNextToTheExport) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.file("data"));
  copyFile(kData + "three_tubes.csv", dir.file("data/west.csv"));
  CliRun run = runCli(dir, "split data/west.csv --mb 120 --remove 28AL0006");
  ASSERT_EQ(run.code, 0) << run.err;
  // Five location codes (the reader would refuse two of them; the splitter
  // keeps every code together with its lines).
  EXPECT_NE(run.out.find("4 buizen, 2 per sessie, 2 sessie(s)"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("west-sessie1.csv: 28AL0005 28AL0007"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("west-sessie2.csv: 28AL007 28AL0008"), std::string::npos) << run.out;
  EXPECT_TRUE(fileExists(dir.file("data/west-verwijderd.csv")));
  EXPECT_FALSE(fileExists(dir.file("data/west-sessie3.csv")));
  EXPECT_FALSE(fileExists(dir.file("dummy.csv")));
  EXPECT_NE(run.out.find("west-verwijderd.csv: 28AL0006"), std::string::npos) << run.out;

  // Refusals: a size outside the domain, an unknown tube, an OLGA file.
  CliRun small = runCli(dir, "split data/west.csv --mb 60");
  EXPECT_EQ(small.code, 1);
  EXPECT_NE(small.out.find("Getal moet in domein <60;"), std::string::npos) << small.out;
  CliRun unknown = runCli(dir, "split data/west.csv --mb 120 --remove XX");
  EXPECT_EQ(unknown.code, 1);
  EXPECT_NE(unknown.err.find("buis XX staat niet in"), std::string::npos) << unknown.err;
  CliRun olga = runCli(dir, "split '" + kData + "old_olga.dat' --mb 120");
  EXPECT_EQ(olga.code, 1);
  EXPECT_NE(olga.out.find("Opsplitsen pre-milennium formaat"), std::string::npos);
  EXPECT_FALSE(fileExists(dir.file("dummy.csv")));
  EXPECT_EQ(runCli(dir, "split data/west.csv").code, 1);
}

}  // namespace
}  // namespace phreatix

namespace phreatix {
namespace {

// Today's inputs through the whole main job: KNMI De Bilt converted by the
// meteo command, three real exports in the old, the 2015 and the 2024 layout
// opened as one data set.
TEST(Cli, RealExportsAndKnmiMeteoThroughThePipeline) {
  const std::string real = test::realDataDir();
  if (real.empty()) GTEST_SKIP() << "no real data beside the repository";
  test::TempDir dir;
  ASSERT_EQ(runCli(dir, "kron").code, 0);
  CliRun meteo = runCli(dir, "meteo '" + real + "/KNMI_Bilt.txt' -o bilt.prn");
  ASSERT_EQ(meteo.code, 0) << meteo.err;
  EXPECT_NE(meteo.out.find("Geschreven: 1-7-1957 t/m 22-5-2016 (21511 dagen)."), std::string::npos)
      << meteo.out;
  EXPECT_EQ(runCli(dir, "meteo '" + real + "/KNMI_Bilt.txt'").code, 1);
  CliRun badDate = runCli(dir, "meteo '" + real + "/KNMI_Bilt.txt' -o x.prn --from 1990-02-30");
  EXPECT_EQ(badDate.code, 1);

  dir.write("koppeling.txt", "B58C0698 bilt.prn\nB33F0080 bilt.prn\nB44F0279 bilt.prn\n");
  CliRun run = runCli(dir, "run --data '" + real + "/B58C0698001_1.csv' --data '" + real +
                               "/B33F0080001_0.csv' --data '" + real +
                               "/B44F0279001_2024.csv' --coupling koppeling.txt --no-pack");
  ASSERT_EQ(run.code, 0) << run.err;
  // B44F0279 was measured 1950-1955, before the meteo file begins: it is
  // not calibrated, which the log says once with the meteo file's period,
  // and no stage after it tries; the other two get a plausible model.
  const std::string notCalibrated =
      "Buis B44F0279: geen meting binnen de periode van het meteobestand bilt.prn (1-7-1957 t/m "
      "22-5-2016); niet gecalibreerd.";
  const std::vector<std::string> log = readLines(dir.file("Phreatix.log"));
  EXPECT_EQ(std::count(log.begin(), log.end(), notCalibrated), 1);
  for (const char* word : {"(op B44F0279)", "cannot open", "ontbreken", "Kopieren van B44F0279"}) {
    EXPECT_EQ(run.out.find(word), std::string::npos) << word;
    EXPECT_EQ(dir.read("Phreatix.log").find(word), std::string::npos) << word;
  }
  const std::vector<std::string> chosen = readLines(dir.file("modsel.zft"));
  int plausible = 0;
  for (const std::string& line : chosen) {
    const std::string label = line.substr(9, 2);
    if (label == "1s" || label == "2s") {
      ++plausible;
      const std::string tube = line.substr(0, 8);
      // A complete .sta: the statistics and the GHG, GLG and GVG table.
      const std::string sta = dir.read(tube + ".sta");
      for (const char* part : {"Univariate Statistics", "P99", "GLG(t)", "GHG(t)", "GVG(t)"}) {
        EXPECT_NE(sta.find(part), std::string::npos) << tube << " " << part;
      }
      EXPECT_TRUE(fileExists(dir.file(tube + ".reg")) && fileExists(dir.file(tube + ".foe")) &&
                  fileExists(dir.file(tube + ".his")) && fileExists(dir.file(tube + ".cor")))
          << tube;
    }
  }
  EXPECT_GE(plausible, 1) << dir.read("modsel.zft");

  // The report of the run: a row per tube in the overview, a page with five
  // charts per modelled tube, and the table on the terminal.
  const std::vector<std::string> overview = readLines(dir.file("overzicht.csv"));
  ASSERT_EQ(overview.size(), 4u) << dir.read("overzicht.csv");
  EXPECT_NE(overview[0].find("ghg (cm-mv)"), std::string::npos);
  for (const std::string& line : chosen) {
    const std::string tube = line.substr(0, 8), label = line.substr(9, 2);
    if (label != "1s" && label != "2s") continue;
    const std::string page = dir.read("rapport/" + tube + ".html");
    std::size_t charts = 0;
    for (std::size_t at = page.find("<svg"); at != std::string::npos;
         at = page.find("<svg", at + 1)) {
      ++charts;
    }
    EXPECT_EQ(charts, 5u) << tube;
    EXPECT_NE(run.out.find(tube + " 01  " + label), std::string::npos) << run.out;
  }
  EXPECT_TRUE(fileExists(dir.file("overzicht.gpkg")));
  EXPECT_NE(dir.read("rapport.html").find("B44F0279"), std::string::npos);
  EXPECT_NE(dir.read("overzicht.csv").find("niet gecalibreerd: geen meting binnen de periode"),
            std::string::npos);
}

// A finished directory is reported on again after packing, from the zips, with
// the same overview; a directory without results is refused.
TEST(Cli, ReportReadsPackedTubes) {
  test::TempDir dir;
  CliRun demo = runCli(dir, "demo d");
  ASSERT_EQ(demo.code, 0) << demo.err;
  const std::string before = dir.read("d/overzicht.csv");
  EXPECT_FALSE(fileExists(dir.file("d/28AL0005.sta")));
  std::remove(dir.file("d/overzicht.csv").c_str());
  CliRun report = runCli(dir, "report d");
  ASSERT_EQ(report.code, 0) << report.err;
  EXPECT_EQ(dir.read("d/overzicht.csv"), before);
  EXPECT_NE(report.out.find("40HN0007 01  ft"), std::string::npos) << report.out;
  EXPECT_EQ(runCli(dir, "report .").code, 1);
}

// The size the zip's central directory declares for a member, set as four
// changed bytes of a damaged copy would set it.
void declareMemberSize(const std::string& path, const std::string& member, std::uint32_t size) {
  std::string bytes = readFileText(path);
  const std::string signature("PK\x01\x02", 4);
  for (std::size_t at = bytes.find(signature); at != std::string::npos;
       at = bytes.find(signature, at + 4)) {
    const std::size_t nameLength =
        static_cast<unsigned char>(bytes[at + 28]) |
        static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 29])) << 8;
    if (bytes.compare(at + 46, nameLength, member) != 0) continue;
    for (int k = 0; k < 4; ++k) bytes[at + 24 + k] = static_cast<char>(size >> (8 * k) & 0xff);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    ASSERT_EQ(std::fclose(f), 0);
    return;
  }
  FAIL() << member << " not in " << path;
}

// `report` on a packed directory where one tube's zip is no archive and
// another's directory claims 4 GB for its S.sta: each tube of the two gets
// the true reason in the table, the CSV and on standard error, the other tubes
// keep their results, and nothing near 4 GB is taken (the command runs
// within 2 GB of address space).
TEST(Cli, ReportNamesTheTubesWhoseResultsCannotBeRead) {
  test::TempDir dir;
  ASSERT_EQ(runCli(dir, "demo d").code, 0);
  const std::string before = dir.read("d/overzicht.csv");
  dir.write("d/28AL0012.zip", "geen archief\n");
  declareMemberSize(dir.file("d/28AL0005.zip"), "28AL0005.sta", 0xFFFFFFF0u);
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  const std::string limit;  // the sanitizers reserve more address space than any limit
#else
  const std::string limit = "ulimit -v 2000000; ";
#endif
  CliRun report = runShell(dir, limit + "'" PHREATIX_CLI "' report d");
  // Finished, but not the whole of it: exit 4, never a refusal of the
  // whole report.
  EXPECT_EQ(report.code, 4) << report.err;
  EXPECT_NE(report.err.find("phreatix-cli: klaar, maar de resultaten van 3 van de 6 buizen zijn "
                            "niet te lezen\n"),
            std::string::npos)
      << report.err;
  // The paths as the command was given its directory.
  const std::string zip12 = "d/28AL0012.zip";
  const std::string zip05 = "d/28AL0005.zip";
  EXPECT_NE(report.err.find("phreatix-cli: 28AL0012 filter 01: resultaten niet te lezen: " + zip12 +
                            ": het archief is niet te openen: "),
            std::string::npos)
      << report.err;
  EXPECT_NE(report.err.find("phreatix-cli: 28AL0005 filter 01: resultaten niet te lezen: " + zip05 +
                            ": 28AL0005.sta: 4294967280 bytes volgens het archief, meer dan de "
                            "67108864 bytes die een resultaatbestand hoogstens heeft"),
            std::string::npos)
      << report.err;
  // Filter 02 of 28AL0012 was not simulated; whether its calibration
  // refused it is in the same archive.
  EXPECT_NE(report.err.find("phreatix-cli: 28AL0012 filter 02: niet gesimuleerd: alleen filter 01 "
                            "gaat door naar de simulatie; reden niet te lezen: " +
                            zip12 + ": het archief is niet te openen: "),
            std::string::npos)
      << report.err;
  EXPECT_EQ(report.err.find("postprocessing niet afgerond"), std::string::npos) << report.err;

  const std::string csv = dir.read("d/overzicht.csv");
  EXPECT_NE(csv.find("resultaten niet te lezen: " + zip12 + ": het archief is niet te openen: "),
            std::string::npos)
      << csv;
  EXPECT_NE(csv.find("resultaten niet te lezen: " + zip05 + ": 28AL0005.sta: 4294967280 bytes"),
            std::string::npos)
      << csv;
  // The rows of the other tubes as they were.
  auto rowsWithout = [](std::string text, const std::vector<std::string>& stems) {
    std::vector<std::string> rows;
    for (std::size_t start = 0; start < text.size();) {
      std::size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      const std::string row = text.substr(start, end - start);
      bool left = false;
      for (const std::string& stem : stems) left = left || row.rfind(stem + ",", 0) == 0;
      if (!left) rows.push_back(row);
      start = end + 2;
    }
    return rows;
  };
  EXPECT_EQ(rowsWithout(csv, {"28AL0012", "28AL0005"}),
            rowsWithout(before, {"28AL0012", "28AL0005"}));
  const std::string index = dir.read("d/rapport.html");
  EXPECT_NE(index.find("<b>28AL0012 filter 01</b>: resultaten niet te lezen: "), std::string::npos);
}

}  // namespace
}  // namespace phreatix

namespace phreatix {
namespace {

std::string runArgs(const DemoDataSet& data) {
  return "run --data " + data.exportFile + " --coupling " + data.couplingFile;
}

// The inputs of a working directory, to see that a fault left them as they were.
std::vector<std::string> inputsOf(const test::TempDir& dir, const DemoDataSet& data) {
  std::vector<std::string> texts = {dir.read(data.exportFile), dir.read(data.couplingFile),
                                    dir.read("kron.txt")};
  for (const std::string& meteo : data.meteoFiles) texts.push_back(dir.read(meteo));
  return texts;
}

// A disk that fills up, stood in for by a file-size limit: every write that
// does not fit fails, and the program says so instead of reporting success.
TEST(CliFaults, AFullDiskFailsTheRunsThatCannotWriteAndLosesNothing) {
  test::TempDir dir;
  const DemoDataSet data = writeDemoData(dir.path());
  const std::vector<std::string> before = inputsOf(dir, data);
  // 1 MB: the inputs fit, the calibration traces do not.
  CliRun run =
      runShell(dir, "ulimit -f 1000 && '" PHREATIX_CLI "' " + runArgs(data) + " --no-pack");
  EXPECT_NE(run.out.find("schrijven mislukt"), std::string::npos) << run.out << run.err;
  EXPECT_NE(run.out.find("met foutmelding afgesloten"), std::string::npos);
  EXPECT_EQ(run.out.find("goed afgesloten"), std::string::npos);
  EXPECT_EQ(run.out.find("aangemaakt"), std::string::npos);
  // No marker for an engine run whose files are incomplete.
  EXPECT_TRUE(listFiles(dir.path(), "*.ok").empty());
  EXPECT_EQ(inputsOf(dir, data), before);
}

// An output of the post-processing that cannot be written (a directory in
// its place): that tube is "mislukt", never "aangemaakt"; the others go on.
TEST(CliFaults, APostprocessingOutputThatCannotBeWritten) {
  test::TempDir dir;
  ASSERT_EQ(runCli(dir, "demo work --no-pack").code, 0);
  const std::string work = dir.file("work");
  removeFile(work + "/28AL0005.his");
  std::filesystem::create_directory(work + "/28AL0005.his");
  CliRun post = runShell(dir, "cd work && '" PHREATIX_CLI "' post");
  EXPECT_EQ(post.code, 1) << post.out;
  EXPECT_NE(post.out.find("28AL0005.u01: mislukt"), std::string::npos) << post.out;
  EXPECT_EQ(post.out.find("28AL0005.u01: aangemaakt"), std::string::npos) << post.out;
  EXPECT_NE(post.out.find("28AL0012.u01: aangemaakt"), std::string::npos) << post.out;
}

// A working directory the user may read but not write: the program says it
// cannot write there, and writes nothing. Needs a real refusal of the
// permission bits, so it runs the program as the user nobody.
TEST(CliFaults, AReadOnlyWorkingDirectoryIsRefusedWithAMessage) {
  if (geteuid() != 0 || std::system("command -v setpriv > /dev/null") != 0) {
    GTEST_SKIP() << "needs root and setpriv to run the program as nobody";
  }
  test::TempDir dir;
  const std::string work = dir.file("alleen-lezen");
  std::filesystem::create_directory(work);
  const DemoDataSet data = writeDemoData(work);
  std::filesystem::permissions(dir.path(), std::filesystem::perms(0755));
  std::filesystem::permissions(work, std::filesystem::perms(0755));
  const std::size_t filesBefore = listFiles(work, "*").size();
  // The program itself must be reachable for nobody.
  if (std::system("setpriv --reuid=nobody --regid=nogroup --clear-groups test -x '" PHREATIX_CLI
                  "'") != 0) {
    GTEST_SKIP() << "the program is not reachable for nobody";
  }
  CliRun run = runShell(dir,
                        "cd alleen-lezen && setpriv --reuid=nobody --regid=nogroup "
                        "--clear-groups '" PHREATIX_CLI "' " +
                            runArgs(data) + " --no-pack");
  // The lock on the directory is the first file the program makes: it is
  // refused there, naming the file and the reason, before anything else.
  EXPECT_EQ(run.code, 1) << run.out << run.err;
  EXPECT_NE(run.err.find(".phreatix-lock: slot niet te maken"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Permission denied"), std::string::npos) << run.err;
  EXPECT_EQ(listFiles(work, "*").size(), filesBefore);
}

// The names, sizes and CRC-32 of an archive's members (defined below).
std::map<std::string, std::pair<zip_uint64_t, zip_uint32_t>> archiveIndex(const std::string& path);

std::string repairArgs(const DemoDataSet& data) {
  return "repair --data " + data.exportFile + " --coupling " + data.couplingFile;
}

// A pipeline killed during its last calibration (d+s): the tubes whose d+s
// run had not ended have no model to choose from, and the repair refuses,
// naming them, before it changes anything.
TEST(CliFaults, APipelineKilledDuringTheCalibrationIsNotRepaired) {
  test::TempDir dir;
  const DemoDataSet data = writeDemoData(dir.path());
  const std::vector<std::string> before = inputsOf(dir, data);
  // Killed once the last calibration (d+s) has begun on its first tube.
  const std::string command = "cd '" + dir.path() + "' && ('" PHREATIX_CLI "' " + runArgs(data) +
                              " --no-pack > first.out 2>&1 & pid=$!; "
                              "for i in $(seq 1 1000); do "
                              "  ls *.d01 > /dev/null 2>&1 && break; sleep 0.005; done; "
                              "kill -9 $pid; wait $pid; true)";
  ASSERT_EQ(std::system(command.c_str()), 0);
  ASSERT_FALSE(listFiles(dir.path(), "*.d01").empty()) << "the kill came too early";
  ASSERT_LT(listFiles(dir.path(), "*.d01").size(), 5u) << "the kill came too late";

  CliRun repair = runCli(dir, repairArgs(data) + " --no-pack");
  EXPECT_EQ(repair.code, 1) << repair.out << repair.err;
  EXPECT_NE(
      repair.err.find("Repareren geweigerd: de calibraties van deze buizen zijn niet afgerond"),
      std::string::npos)
      << repair.err;
  // Every tube of filter 01 without a whole S.d01 is named, with that file.
  for (const std::string& tube : {"28AL0005", "28AL0012", "32CN0031", "34EF0047", "40HN0007"}) {
    const bool whole = fileExists(dir.file(tube + ".d01")) && !dir.read(tube + ".d01").empty();
    const std::string named = "Buis " + tube + ": calibratie d+s niet afgerond: " + tube + ".d01";
    EXPECT_EQ(repair.err.find(named) != std::string::npos, !whole) << tube << "\n" << repair.err;
  }
  EXPECT_EQ(inputsOf(dir, data), before);
  EXPECT_TRUE(listFiles(dir.path(), "*.sel").empty());
  EXPECT_TRUE(listFiles(dir.path(), "*.u01").empty());
}

// The calibration results that show a stage did not finish, each in a copy
// of a finished directory (its times kept): the repair refuses with the tube
// and the file, exit 1, and leaves modsel.zft and the tubes' files alone.
TEST(CliFaults, RepairRefusesToSelectFromCalibrationsThatDidNotFinish) {
  test::TempDir dir;
  ASSERT_EQ(runCli(dir, "demo done --no-pack").code, 0);
  // The names of the demo's export and coupling file.
  std::filesystem::create_directory(dir.file("inputs"));
  const DemoDataSet data = writeDemoData(dir.file("inputs"));
  struct Case {
    const char* name;
    const char* fault;  // shell commands in the copy
    std::vector<std::string> named;
  };
  const Case cases[] = {
      // Killed during d+s: one run cut short, two never begun.
      {"d+s cut short",
       ": > 32CN0031.d01 && rm 34EF0047.d01 40HN0007.d01",
       {"Buis 32CN0031: calibratie d+s niet afgerond: 32CN0031.d01 is leeg",
        "Buis 34EF0047: calibratie d+s niet afgerond: 34EF0047.d01 ontbreekt",
        "Buis 40HN0007: calibratie d+s niet afgerond: 40HN0007.d01 ontbreekt"}},
      // Killed during ds: the last tube has its inputs, no results, and no
      // later stage was prepared.
      {"ds not reached",
       "rm 40HN0007.a01 40HN0007.b01 40HN0007.c01 40HN0007.d01 40HN0007.q01 40HN0007.r01 "
       "40HN0007.s01",
       {"Buis 40HN0007: calibratie ds niet afgerond: 40HN0007.a01 ontbreekt"}},
      // A vertex file written only in part.
      {"s incomplete",
       "head -n 3 28AL0005.c01 > c && touch -r 28AL0005.c01 c && mv c 28AL0005.c01",
       {"Buis 28AL0005: calibratie s niet afgerond: 28AL0005.c01 is onvolledig (1 van de 3 "
        "hoekpunten)"}},
      // A second run killed during d: its parameter file is new, the
      // results beside it are the first run's.
      {"d of an earlier run",
       "sleep 0.01 && touch 34EF0047.q01",
       {"Buis 34EF0047: calibratie d niet afgerond: 34EF0047.b01 is ouder dan 34EF0047.q01"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(std::system(("rm -rf '" + dir.file("w") + "' && cp -a '" + dir.file("done") + "' '" +
                           dir.file("w") + "' && cd '" + dir.file("w") + "' && " + c.fault)
                              .c_str()),
              0);
    const std::string modsel = dir.read("w/modsel.zft");
    const std::string sta = dir.read("w/28AL0012.sta");
    CliRun repair = runShell(dir, "cd w && '" PHREATIX_CLI "' " + repairArgs(data));
    EXPECT_EQ(repair.code, 1) << repair.out << repair.err;
    for (const std::string& line : c.named)
      EXPECT_NE(repair.err.find(line), std::string::npos) << line << "\n" << repair.err;
    // Only the tubes named.
    EXPECT_EQ(static_cast<std::size_t>(std::count(repair.err.begin(), repair.err.end(), '\n')),
              c.named.size() + 1)
        << repair.err;
    EXPECT_EQ(dir.read("w/modsel.zft"), modsel);
    EXPECT_EQ(dir.read("w/28AL0012.sta"), sta);
    EXPECT_TRUE(listFiles(dir.file("w"), "*.zip").empty());
  }
}

// A run killed while packing: two tubes packed, a third packed with some of
// its files still beside the archive (the archiver was removing them), the
// rest loose. The repair keeps the archives as they are, completes the rest
// and ends as a run that was never disturbed: the same modsel.zft,
// foutbuis.zft, overview and archives, and nothing beside them.
TEST(CliFaults, RepairAfterACrashDuringPackingKeepsWhatWasPacked) {
  if (!fileExists("/usr/bin/zip")) GTEST_SKIP() << "zip is not installed";
  test::TempDir dir;
  ASSERT_EQ(runCli(dir, "demo whole").code, 0);
  ASSERT_EQ(runCli(dir, "demo crash --no-pack").code, 0);
  // The names of the demo's export and coupling file.
  std::filesystem::create_directory(dir.file("inputs"));
  const DemoDataSet data = writeDemoData(dir.file("inputs"));
  // As the packing does it: zip -m S.zip S.*, one tube after the other in
  // the order of their S.met.
  ASSERT_EQ(std::system(("cd '" + dir.file("crash") +
                         "' && zip -q -m 28AL0005.zip 28AL0005.* && zip -q -m 28AL0012.zip "
                         "28AL0012.* && mkdir keep && cp -p 32CN0031.sel 32CN0031.t01 "
                         "32CN0031.u01 32CN0031.upd keep/ && zip -q -m 32CN0031.zip 32CN0031.* "
                         "&& mv keep/* . && rmdir keep")
                            .c_str()),
            0);
  CliRun repair = runShell(dir, "cd crash && '" PHREATIX_CLI "' " + repairArgs(data));
  ASSERT_EQ(repair.code, 0) << repair.out << repair.err;
  EXPECT_EQ(dir.read("crash/modsel.zft"), dir.read("whole/modsel.zft"));
  EXPECT_EQ(dir.read("crash/foutbuis.zft"), dir.read("whole/foutbuis.zft"));
  EXPECT_EQ(dir.read("crash/overzicht.csv"), dir.read("whole/overzicht.csv"));
  const std::vector<std::string> archives = listFiles(dir.file("whole"), "*.zip");
  EXPECT_EQ(archives.size(), 5u);
  EXPECT_EQ(listFiles(dir.file("crash"), "*.zip"), archives);
  for (const std::string& archive : archives) {
    EXPECT_EQ(archiveIndex(dir.file("crash/" + archive)),
              archiveIndex(dir.file("whole/" + archive)))
        << archive;
    EXPECT_EQ(listFiles(dir.file("crash"), archive.substr(0, 8) + ".*"),
              std::vector<std::string>{archive});
  }
  EXPECT_NE(dir.read("crash/Phreatix.log")
                .find("Buis 32CN0031: 4 bestand(en) naast 32CN0031.zip verwijderd"),
            std::string::npos);
  // zipinhoud.txt records the zips packed before the crash too, each member
  // as the undisturbed run packed it (the order within a zip is the shell's
  // of the hand-made ones).
  std::vector<std::string> recorded = readLines(dir.file("crash/zipinhoud.txt")),
                           undisturbed = readLines(dir.file("whole/zipinhoud.txt"));
  EXPECT_FALSE(undisturbed.empty());
  std::sort(recorded.begin(), recorded.end());
  std::sort(undisturbed.begin(), undisturbed.end());
  EXPECT_EQ(recorded, undisturbed);
}

}  // namespace
}  // namespace phreatix

namespace phreatix {
namespace {

// Data of today: a tube read up to 2026 and meteo up to the end of 2026, run
// for the climate period 1995-2024. Every reading up to 2026 must reach the
// tube's measurement file, the tube must get a model and complete
// characteristics, and nothing may be left out without a line saying so.

// The fields of a comma-separated line.
std::vector<std::string> csvFields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = line.find(',', start);
    fields.push_back(line.substr(start, comma == std::string::npos ? comma : comma - start));
    if (comma == std::string::npos) return fields;
    start = comma + 1;
  }
}

bool isDayMonthYear(const std::string& s) {
  return s.size() == 10 && s[2] == '-' && s[5] == '-' &&
         std::all_of(s.begin(), s.end(), [](char c) { return std::isdigit(c) || c == '-'; });
}

// yyyymmdd of a "dd-mm-yyyy" text.
int dayMonthYearValue(const std::string& s) {
  return std::stoi(s.substr(6, 4)) * 10000 + std::stoi(s.substr(3, 2)) * 100 +
         std::stoi(s.substr(0, 2));
}

// What every run of today's data must show for tube `stem` with `readings`
// readings from `firstDate` to `lastDate` (yyyymmdd).
void expectTodaysRun(const test::TempDir& dir, const CliRun& run, const std::string& stem,
                     int readings, int firstDate, int lastDate) {
  ASSERT_EQ(run.code, 0) << run.err << run.out;
  const std::vector<std::string> measured = readLines(dir.file(stem + ".01"));
  ASSERT_FALSE(measured.empty());
  // The head line counts every reading; the last line lies on the day of
  // the last reading, counted from the first.
  EXPECT_EQ(std::stoi(measured[0]), readings);
  EXPECT_EQ(static_cast<int>(measured.size()) - 1, readings);
  auto dayOf = [](int v) { return builtinDayNumber(v / 10000, v / 100 % 100, v % 100); };
  EXPECT_EQ(std::stoll(measured.back()), dayOf(lastDate) - dayOf(firstDate) + 1);
  const std::string log = dir.read("Phreatix.log");
  for (const char* silentLoss : {"weggelaten", "ingekort", "Ingekort", "geen simulatie"}) {
    EXPECT_EQ(log.find(silentLoss), std::string::npos) << silentLoss << "\n" << log;
  }
  const std::vector<std::string> chosen = readLines(dir.file("modsel.zft"));
  ASSERT_EQ(chosen.size(), 1u) << dir.read("foutbuis.zft");
  const std::string label = chosen[0].substr(9, 2);
  EXPECT_TRUE(label == "1s" || label == "2s") << chosen[0];
  // The simulation covers 1995-2024 after the whole warm-up.
  const std::vector<std::string> t01 = readLines(dir.file(stem + ".t01"));
  ASSERT_EQ(t01.size(), 11u);
  EXPECT_EQ(t01[4].substr(t01[4].size() - 8), " 30 1995");
  EXPECT_EQ(t01[10], "  731");
  const std::string sta = dir.read(stem + ".sta");
  for (const char* part : {"Univariate Statistics", "P99", "GLG(t)", "GHG(t)", "GVG(t)"}) {
    EXPECT_NE(sta.find(part), std::string::npos) << part;
  }
  for (const char* ext : {".reg", ".foe", ".his", ".cor"})
    EXPECT_TRUE(fileExists(dir.file(stem + ext))) << ext;
}

TEST(TodaysData, RealExportAndDeBiltMovedTwelveYearsForward) {
  const std::string real = test::realDataDir();
  if (real.empty()) GTEST_SKIP() << "no real data beside the repository";
  test::TempDir dir;
  // Twelve years (a multiple of 4 keeps 29 February); what then lies after
  // 2026 is dropped, as an export made this month would not hold it.
  constexpr int kShift = 12, kToday = 20261231;
  std::vector<std::string> knmi;
  for (const std::string& line : readLines(real + "/KNMI_Bilt.txt")) {
    std::vector<std::string> f = csvFields(line);
    if (line.rfind('#', 0) == 0 || f.size() < 4) {
      knmi.push_back(line);
      continue;
    }
    const int date = std::stoi(f[1]) + kShift * 10000;
    if (date > kToday) continue;
    knmi.push_back(f[0] + "," + formatInt(date) + "," + f[2] + "," + f[3]);
  }
  writeLines(dir.file("bilt2026.txt"), knmi);

  std::vector<std::string> csv;
  int readings = 0, first = 0, last = 0;
  for (const std::string& line : readLines(real + "/B58C0698001_1.csv")) {
    std::vector<std::string> f = csvFields(line);
    const bool isReading = f.size() >= 7 && f[0] == "B58C0698" && isDayMonthYear(f[2]);
    std::string shifted;
    for (std::size_t i = 0; i < f.size(); ++i) {
      std::string field = f[i];
      if (isDayMonthYear(field)) {
        field = field.substr(0, 6) + formatInt(std::stoi(field.substr(6, 4)) + kShift);
      }
      shifted += (i ? "," : "") + field;
    }
    if (isReading) {
      const int date = dayMonthYearValue(csvFields(shifted)[2]);
      if (date > kToday) continue;
      // A reading counts when it has a level below surface and no remark
      // marking it missing.
      const std::string remark = f[6];
      if (!f[4].empty() &&
          (remark.empty() || std::string("NBYDO").find(remark[0]) == std::string::npos)) {
        ++readings;
        if (first == 0) first = date;
        last = date;
      }
    }
    csv.push_back(shifted);
  }
  writeLines(dir.file("B58C0698_2026.csv"), csv);
  ASSERT_GT(last, 20260000);

  ASSERT_EQ(runCli(dir, "kron").code, 0);
  CliRun meteo = runCli(dir, "meteo bilt2026.txt -o bilt.prn");
  ASSERT_EQ(meteo.code, 0) << meteo.err;
  EXPECT_NE(meteo.out.find("Geschreven: 1-7-1969 t/m 31-12-2026"), std::string::npos) << meteo.out;
  dir.write("koppeling.txt", "B58C0698 bilt.prn\n");
  CliRun run = runCli(dir,
                      "run --data B58C0698_2026.csv --coupling koppeling.txt --start-year 1995 "
                      "--end-year 2024 --realisations 20 --no-pack");
  expectTodaysRun(dir, run, "B58C0698", readings, first, last);
}

// A tube made by the model itself with base level `c` (cm, positive upward),
// read twice a month from 2005 to December 2026 ("gen.csv", location
// 28AL0005), daily weather from 1990 to 2026 ("gen.prn"), the coupling file
// "koppeling.txt" and kron.txt. The count and the first and last date of the
// readings.
struct GeneratedReadings {
  int count = 0, first = 0, last = 0;
};
GeneratedReadings writeGeneratedCase(const test::TempDir& dir, double c) {
  const long long day1 = builtinDayNumber(1990, 1, 1);
  const int days = static_cast<int>(builtinDayNumber(2026, 12, 31) - day1 + 1);
  test::SyntheticTube tube = test::syntheticTube(days, 0.96, 2.5, 0.98, c, 9, 20261209);

  std::vector<std::string> meteo = {formatInt(days) + " 5 0.01 4 5"};
  for (int k = 0; k < days; ++k) {
    const std::int64_t date = builtinDateOfDay(day1 + k);
    // The surplus (cm) as precipitation and evaporation that the scale
    // factor 0.01 turns back into cm.
    const long long p = std::llround(std::max(tube.surplus[k], 0.0) * 100);
    const long long e = std::llround(std::max(-tube.surplus[k], 0.0) * 100);
    meteo.push_back(formatInt(date % 100) + " " + formatInt(date / 100 % 100) + " " +
                    formatInt(date / 10000) + " " + formatInt(p) + " " + formatInt(e));
  }
  writeLines(dir.file("gen.prn"), meteo);

  std::vector<std::string> csv = test::dinoHeader();
  csv.push_back(test::metaRow("28AL0005"));
  csv.push_back("");
  csv.push_back(test::kMeasurementTitle);
  GeneratedReadings readings;
  for (auto [t, level] : tube.measurements) {
    const std::int64_t date = builtinDateOfDay(day1 + static_cast<long long>(t) - 1);
    if (date < 20050101) continue;
    csv.push_back(test::measRow("28AL0005", static_cast<int>(date / 10000),
                                static_cast<int>(date / 100 % 100), static_cast<int>(date % 100),
                                static_cast<int>(std::lround(-level))));
    ++readings.count;
    if (readings.first == 0) readings.first = static_cast<int>(date);
    readings.last = static_cast<int>(date);
  }
  writeLines(dir.file("gen.csv"), csv);
  EXPECT_EQ(runShell(dir, "'" PHREATIX_CLI "' kron").code, 0);
  dir.write("koppeling.txt", "28AL0005 gen.prn\n");
  return readings;
}

// The same kind of case from generated data, so that it runs wherever the
// real data are absent.
TEST(TodaysData, GeneratedTubeReadUpTo2026) {
  test::TempDir dir;
  const GeneratedReadings readings = writeGeneratedCase(dir, -120);
  ASSERT_GT(readings.last, 20261200);
  CliRun run = runCli(dir,
                      "run --data gen.csv --coupling koppeling.txt --start-year 1995 "
                      "--end-year 2024 --realisations 20 --no-pack");
  expectTodaysRun(dir, run, "28AL0005", readings.count, readings.first, readings.last);
  // The simulation meteo keeps every day from its start on, 2026 included.
  const std::vector<std::string> sim = readLines(dir.file("28AL0005.sim"));
  EXPECT_EQ(sim.back().substr(0, 10), "31 12 2026");
}

// A run in which no tube gets a plausible model (a base level above surface
// level fails every selection) is no success: exit 1, and the log says so.
TEST(TodaysData, NoTubeWithAModelExitsOne) {
  test::TempDir dir;
  writeGeneratedCase(dir, 60);
  CliRun run = runCli(dir,
                      "run --data gen.csv --coupling koppeling.txt --start-year 1995 "
                      "--end-year 2024 --realisations 20 --no-pack");
  EXPECT_EQ(run.code, 1) << run.out;
  EXPECT_NE(run.err.find("geen enkele buis heeft een plausibel model gekregen; zie foutbuis.zft "
                         "en Phreatix.log"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(readLines(dir.file("foutbuis.zft")).size(), 1u);
  EXPECT_NE(dir.read("Phreatix.log")
                .find("Geen enkele buis heeft een plausibel model gekregen; de redenen staan in "
                      "foutbuis.zft en hierboven."),
            std::string::npos);
}

// A tube read in 1950-1955 beside the generated one, both coupled to the
// meteo file of 1990-2026: it is not calibrated, and the log says so once
// with the meteo file's period; no stage after tries it (no failed copy, no
// file the engine cannot open), the report gives the reason, and a cluster
// task of that tube alone has finished and merges into the same run.
TEST(TodaysData, ATubeReadBeforeItsMeteoFileIsNotCalibrated) {
  test::TempDir dir;
  writeGeneratedCase(dir, -120);
  std::vector<std::string> csv = readLines(dir.file("gen.csv"));
  const auto title = std::find(csv.begin(), csv.end(), test::kMeasurementTitle);
  ASSERT_NE(title, csv.end());
  // Its metadata from 1948 on, so that the export keeps the readings.
  csv.insert(title - 1, "28AL0006,001,EXT,181700,359360,3017,,3026,2648,2598,1948/01/01,");
  for (int year = 1950; year <= 1955; ++year) {
    for (int month : {3, 9}) csv.push_back(test::measRow("28AL0006", year, month, 14, 150));
  }
  writeLines(dir.file("gen.csv"), csv);
  dir.write("koppeling.txt", "28AL0005 gen.prn\n28AL0006 gen.prn\n");
  std::filesystem::create_directory(dir.file("study"));
  for (const char* name : {"gen.csv", "gen.prn", "koppeling.txt", "kron.txt"}) {
    copyFile(dir.file(name), dir.file(std::string("study/") + name));
  }

  const CliRun run = runCli(dir,
                            "run --data gen.csv --coupling koppeling.txt --start-year 1995 "
                            "--end-year 2024 --realisations 20 --no-pack --jobs 1");
  ASSERT_EQ(run.code, 0) << run.out << run.err;
  const std::string reason =
      "geen meting binnen de periode van het meteobestand gen.prn (1-1-1990 t/m 31-12-2026)";
  const std::vector<std::string> log = readLines(dir.file("Phreatix.log"));
  EXPECT_EQ(std::count(log.begin(), log.end(), "Buis 28AL0006: " + reason + "; niet gecalibreerd."),
            1);
  EXPECT_EQ(dir.read("28AL0006.n01"), reason + "\n");
  for (const char* ext : {".01", ".p01", ".q01", ".met", ".LOG", ".a01", ".d01", ".sel"}) {
    EXPECT_FALSE(fileExists(dir.file(std::string("28AL0006") + ext))) << ext;
  }
  for (const std::string& text : {dir.read("Phreatix.log"), run.out, run.err}) {
    for (const char* word : {"cannot open", "ontbreken", "Kopieren van 28AL0006", "(op 28AL0006)",
                             "28AL0006 gestart", "28AL0006 +01: 12 meting(en)"}) {
      EXPECT_EQ(text.find(word), std::string::npos) << word << "\n" << text;
    }
  }
  // Neither list names it; the report does, with the reason.
  EXPECT_EQ(dir.read("foutbuis.zft").find("28AL0006"), std::string::npos);
  EXPECT_EQ(readLines(dir.file("modsel.zft")).size(), 1u);
  bool reported = false;
  for (const std::string& line : readLines(dir.file("overzicht.csv"))) {
    if (line.rfind("28AL0006,", 0) != 0) continue;
    reported = true;
    EXPECT_NE(line.find("niet gecalibreerd: " + reason), std::string::npos) << line;
    EXPECT_EQ(line.find("ontbreken"), std::string::npos) << line;
  }
  EXPECT_TRUE(reported) << dir.read("overzicht.csv");
  EXPECT_NE(dir.read("rapport.html").find("niet gecalibreerd: " + reason), std::string::npos);

  // One task a location: the task of 28AL0006 alone gets no model and has
  // finished all the same.
  CliRun study = runCli(dir,
                        "cluster prepare study --data gen.csv --coupling koppeling.txt "
                        "--tubes-per-task 1 --start-year 1995 --end-year 2024 "
                        "--realisations 20 --no-pack");
  ASSERT_EQ(study.code, 0) << study.out << study.err;
  runShell(dir, "cd study/taken/taak001 && ./run.sh");
  // Its task chose no model and refused none: the reasons are in the log
  // only, and neither the log nor the run sends the user to foutbuis.zft.
  const CliRun alone = runShell(dir, "cd study/taken/taak002 && ./run.sh");
  EXPECT_EQ(alone.code, 1) << alone.out << alone.err;
  EXPECT_NE(alone.err.find("geen enkele buis heeft een plausibel model gekregen; zie Phreatix.log"),
            std::string::npos)
      << alone.err;
  EXPECT_EQ(dir.read("study/taken/taak002/foutbuis.zft"), "");
  const std::string taskLog = dir.read("study/taken/taak002/Phreatix.log");
  EXPECT_NE(taskLog.find("Geen enkele buis heeft een plausibel model gekregen; de redenen staan in "
                         "de regels hierboven."),
            std::string::npos)
      << taskLog;
  EXPECT_EQ(taskLog.find("foutbuis.zft"), std::string::npos) << taskLog;
  study = runCli(dir, "cluster status study");
  EXPECT_EQ(study.code, 0) << study.out;
  study = runCli(dir, "cluster merge study");
  ASSERT_EQ(study.code, 0) << study.out << study.err;
  for (const char* name : {"modsel.zft", "foutbuis.zft", "overzicht.csv", "28AL0006.n01"}) {
    EXPECT_TRUE(dir.read(std::string("study/") + name) == dir.read(name)) << name;
  }
  EXPECT_EQ(replacedPath(dir.read("study/Phreatix.log"), dir.file("study"), "DIR"),
            replacedPath(dir.read("Phreatix.log"), dir.path(), "DIR"));
}

}  // namespace
}  // namespace phreatix

namespace phreatix {
namespace {

// --jobs: how many archivers pack at once.

// Every name in an archive with its size and checksum, or an empty map when
// the archive cannot be opened.
std::map<std::string, std::pair<zip_uint64_t, zip_uint32_t>> archiveIndex(const std::string& path) {
  std::map<std::string, std::pair<zip_uint64_t, zip_uint32_t>> index;
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (zip == nullptr) return index;
  for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
    zip_stat_t stat;
    if (zip_stat_index(zip, i, 0, &stat) == 0) index[stat.name] = {stat.size, stat.crc};
  }
  zip_close(zip);
  return index;
}

// A zip ahead of the real one on PATH: it stores without compressing (the
// packing, not the deflating, is under test), sleeps 0.2 s first, and keeps a
// marker in `markers` while it runs; each start adds the number of markers
// it saw to `markers`/seen.
std::string writeCountingZip(const test::TempDir& dir, const std::string& markers) {
  std::filesystem::create_directories(dir.file("bin"));
  std::filesystem::create_directories(markers);
  dir.write("bin/zip",
            "#!/bin/sh\n"
            "touch '" +
                markers +
                "/run.'$$\n"
                "ls '" +
                markers + "' | grep -c '^run' >> '" + markers +
                "/seen'\n"
                "sleep 0.2\n"
                "/usr/bin/zip -0 \"$@\" > /dev/null; rc=$?\n"
                "rm '" +
                markers +
                "/run.'$$\n"
                "exit $rc\n");
  std::filesystem::permissions(dir.file("bin/zip"), std::filesystem::perms::owner_all);
  return "PATH='" + dir.file("bin") + "':\"$PATH\" ";
}

int mostAtOnce(const std::string& markers) {
  int most = 0;
  for (const std::string& line : readLines(markers + "/seen"))
    most = std::max(most, std::stoi(line));
  return most;
}

// The demo packed by one archiver and by two at once: the same archives with
// the same files, the same session log, and two archivers did work at once.
TEST(CliJobs, TwoArchiversPackTheDemoAsOneDoes) {
  if (!fileExists("/usr/bin/zip")) GTEST_SKIP() << "zip is not installed";
  test::TempDir dir;
  std::map<int, CliRun> runs;
  for (int jobs : {1, 2}) {
    const std::string n = std::to_string(jobs);
    const std::string path = writeCountingZip(dir, dir.file("markers" + n));
    runs[jobs] = runShell(dir, path + "'" PHREATIX_CLI "' demo d" + n + " --jobs " + n);
    ASSERT_EQ(runs[jobs].code, 0) << runs[jobs].out << runs[jobs].err;
    EXPECT_EQ(mostAtOnce(dir.file("markers" + n)), jobs);
  }
  std::vector<std::string> archives = listFiles(dir.file("d1"), "*.zip");
  EXPECT_EQ(listFiles(dir.file("d2"), "*.zip"), archives);
  EXPECT_EQ(archives.size(), 5u);  // the demo's five tubes of filter 01
  for (const std::string& archive : archives) {
    const auto one = archiveIndex(dir.file("d1/" + archive));
    EXPECT_GE(one.size(), 15u) << archive;  // 17 files for the tube without a model
    EXPECT_EQ(archiveIndex(dir.file("d2/" + archive)), one) << archive;
    // Nothing of the tube is left beside its archive.
    EXPECT_TRUE(listFiles(dir.file("d2"), archive.substr(0, 8) + ".*") ==
                std::vector<std::string>{archive})
        << archive;
  }
  EXPECT_EQ(dir.read("d2/Phreatix.log"), dir.read("d1/Phreatix.log"));
  // The record of the archives' members too, line for line.
  EXPECT_FALSE(dir.read("d1/zipinhoud.txt").empty());
  EXPECT_EQ(dir.read("d2/zipinhoud.txt"), dir.read("d1/zipinhoud.txt"));
  EXPECT_NE(dir.read("d2/Phreatix.log").find("Start externe applicatie: zip  -m 28AL0005.zip"),
            std::string::npos);
}

// The demo's whole pipeline on one worker and on two: every file the same,
// byte for byte, the same lines on standard output apart from the free disk
// space and the times, and no scratch directory left behind.
TEST(CliJobs, TwoWorkersWriteEveryFileAsOneDoes) {
  test::TempDir dir;
  std::map<int, CliRun> runs;
  for (int jobs : {1, 2}) {
    const std::string n = std::to_string(jobs);
    runs[jobs] = runCli(dir, "demo w" + n + " --no-pack --jobs " + n);
    ASSERT_EQ(runs[jobs].code, 0) << runs[jobs].out << runs[jobs].err;
  }
  const std::vector<std::string> files = listFiles(dir.file("w1"), "*");
  EXPECT_GT(files.size(), 150u);
  EXPECT_EQ(listFiles(dir.file("w2"), "*"), files);
  for (const std::string& name : files) {
    std::string one = dir.read("w1/" + name), two = dir.read("w2/" + name);
    if (name == "rapport.html") {  // names its working directory
      one = replacedPath(one, dir.file("w1"), "DIR");
      two = replacedPath(two, dir.file("w2"), "DIR");
    }
    EXPECT_TRUE(one == two) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("w2/.phreatix-werk")));
  auto comparable = [&](const std::string& out, const std::string& own) {
    std::vector<std::string> lines;
    std::istringstream in(replacedPath(out, own, "DIR"));
    for (std::string line; std::getline(in, line);) {
      if (line.find("diskruimte") != std::string::npos || line.find(" s)") != std::string::npos ||
          line.find("Tijd per") != std::string::npos || line.find("Totaal:") != std::string::npos ||
          (line.size() > 2 && line[0] == ' ' && line.back() != ')' &&
           line.find(": ") != std::string::npos && line.find('.') != std::string::npos &&
           std::isdigit(static_cast<unsigned char>(line.back())))) {
        continue;
      }
      lines.push_back(line);
    }
    return lines;
  };
  EXPECT_EQ(comparable(runs[2].out, dir.file("w2")), comparable(runs[1].out, dir.file("w1")));
}

// Three real exports (one tube of them without meteo for its period)
// against KNMI De Bilt, on one worker and on two: every file the same,
// apart from the working directory's own name.
TEST(CliJobs, TwoWorkersWriteTheRealExportsAsOneDoes) {
  const std::string real = test::realDataDir();
  if (real.empty()) GTEST_SKIP() << "no real exports beside the repository";
  test::TempDir dir;
  const char* exports[] = {"B33F0080001_0.csv", "B58C0698001_0.csv", "B58C0698001_1.csv",
                           "B44F0279001_2024.csv"};
  for (int jobs : {1, 2}) {
    const std::string w = "r" + std::to_string(jobs);
    std::filesystem::create_directory(dir.file(w));
    std::string data;
    for (const char* name : exports) {
      std::filesystem::copy_file(real + "/" + name, dir.file(w + "/" + name));
      data += std::string(" --data ") + name;
    }
    dir.write(w + "/koppeling.txt", "B33F0080 bilt.prn\nB58C0698 bilt.prn\nB44F0279 bilt.prn\n");
    const CliRun run = runShell(dir, "cd " + w + " && '" PHREATIX_CLI "' meteo '" + real +
                                         "/KNMI_Bilt.txt' -o bilt.prn && '" PHREATIX_CLI
                                         "' kron && '" PHREATIX_CLI "' run" +
                                         data + " --coupling koppeling.txt --no-pack --jobs " +
                                         std::to_string(jobs));
    ASSERT_EQ(run.code, 0) << run.out << run.err;
  }
  const std::vector<std::string> files = listFiles(dir.file("r1"), "*");
  EXPECT_GT(files.size(), 80u);
  EXPECT_EQ(listFiles(dir.file("r2"), "*"), files);
  for (const std::string& name : files) {
    EXPECT_TRUE(replacedPath(dir.read("r1/" + name), dir.file("r1"), "DIR") ==
                replacedPath(dir.read("r2/" + name), dir.file("r2"), "DIR"))
        << name;
  }
}

// The cluster workflow without a scheduler: the demo's data set prepared as
// three tasks (unpacked, to keep it quick), each task's run.sh run by hand,
// judged and merged; the merge equals the demo's own run: every file of
// every tube, both lists, the overview and the log. Before that, the
// refusals: no tasks yet, a data file outside the study directory, a merge
// with tasks missing.
TEST(CliCluster, TasksRunByHandMergeIntoTheRunOfTheWholeDataSet) {
  test::TempDir dir;
  const CliRun demo = runCli(dir, "demo single --no-pack --jobs 1");
  ASSERT_EQ(demo.code, 0) << demo.out << demo.err;
  std::filesystem::create_directory(dir.file("study"));
  for (const char* name :
       {"demo_dino.csv", "koppeling.txt", "meteo_oost.prn", "meteo_west.prn", "kron.txt"}) {
    std::filesystem::copy_file(dir.file(std::string("single/") + name),
                               dir.file(std::string("study/") + name));
  }
  CliRun run = runCli(dir, "cluster status study");
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("bestaat niet: maak de taken eerst met \"cluster prepare\""),
            std::string::npos)
      << run.err;
  run =
      runCli(dir, "cluster prepare study --data ../single/demo_dino.csv --coupling koppeling.txt");
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("--data ../single/demo_dino.csv: geen bestand in"), std::string::npos)
      << run.err;
  run = runCli(dir,
               "cluster prepare study --data demo_dino.csv --coupling koppeling.txt "
               "--tubes-per-task 2 --no-pack");
  ASSERT_EQ(run.code, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("3 taken voor 6 buizen"), std::string::npos) << run.out;
  run = runCli(dir, "cluster merge study");
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("3 van de 3 taken zijn niet klaar: taak001 (ontbreekt"), std::string::npos)
      << run.err;
  for (const char* task : {"taak001", "taak002", "taak003"}) {
    // The last task's only tube gets no model: its run exits with 1.
    runShell(dir, std::string("cd study/taken/") + task + " && ./run.sh");
  }
  run = runCli(dir, "cluster status study");
  EXPECT_EQ(run.code, 0) << run.out;
  EXPECT_NE(run.out.find("3 van de 3 taken klaar."), std::string::npos) << run.out;
  run = runCli(dir, "cluster merge study");
  ASSERT_EQ(run.code, 0) << run.out << run.err;

  std::size_t compared = 0;
  for (const char* location : {"28AL0005", "28AL0012", "32CN0031", "34EF0047", "40HN0007"}) {
    const std::vector<std::string> files =
        listFiles(dir.file("single"), std::string(location) + ".*");
    EXPECT_EQ(listFiles(dir.file("study"), std::string(location) + ".*"), files) << location;
    for (const std::string& name : files) {
      EXPECT_TRUE(dir.read("study/" + name) == dir.read("single/" + name)) << name;
      ++compared;
    }
  }
  EXPECT_GT(compared, 120u);
  for (const char* name : {"modsel.zft", "foutbuis.zft", "overzicht.csv", "Phreatix.log"}) {
    EXPECT_TRUE(dir.read(std::string("study/") + name) == dir.read(std::string("single/") + name))
        << name;
  }
}

// The real exports in four files (one tube in two, one in the 2024 layout
// with quoted fields and no meteo for its period), one task per location:
// the merge equals a run over the whole data set, the log too apart from
// the name of its folder (a task's file paths are written as the study's).
TEST(CliCluster, RealExportsOneTaskPerLocationMergeAsOneRun) {
  const std::string real = test::realDataDir();
  if (real.empty()) GTEST_SKIP() << "no real exports beside the repository";
  test::TempDir dir;
  std::string data;
  for (const char* w : {"single", "study"}) {
    std::filesystem::create_directory(dir.file(w));
    for (const char* name :
         {"B33F0080001_0.csv", "B58C0698001_0.csv", "B58C0698001_1.csv", "B44F0279001_2024.csv"}) {
      std::filesystem::copy_file(real + "/" + name, dir.file(std::string(w) + "/" + name));
      if (std::string(w) == "single") data += std::string(" --data ") + name;
    }
    dir.write(std::string(w) + "/koppeling.txt",
              "B33F0080 bilt.prn\nB58C0698 bilt.prn\nB44F0279 bilt.prn\n");
    const CliRun made =
        runShell(dir, std::string("cd ") + w + " && '" PHREATIX_CLI "' meteo '" + real +
                          "/KNMI_Bilt.txt' -o bilt.prn && '" PHREATIX_CLI "' kron");
    ASSERT_EQ(made.code, 0) << made.err;
  }
  CliRun run = runShell(dir, "cd single && '" PHREATIX_CLI "' run" + data +
                                 " --coupling koppeling.txt --no-pack --jobs 1");
  ASSERT_EQ(run.code, 0) << run.out << run.err;
  run = runCli(dir, "cluster prepare study" + data +
                        " --coupling koppeling.txt --tubes-per-task 1 --no-pack");
  ASSERT_EQ(run.code, 0) << run.out << run.err;
  for (const char* task : {"taak001", "taak002", "taak003"}) {
    runShell(dir, std::string("cd study/taken/") + task + " && ./run.sh");
  }
  run = runCli(dir, "cluster merge study");
  ASSERT_EQ(run.code, 0) << run.out << run.err;
  for (const char* name : {"modsel.zft", "foutbuis.zft", "overzicht.csv"}) {
    EXPECT_TRUE(dir.read(std::string("study/") + name) == dir.read(std::string("single/") + name))
        << name;
  }
  EXPECT_EQ(replacedPath(dir.read("study/Phreatix.log"), dir.file("study"), "DIR"),
            replacedPath(dir.read("single/Phreatix.log"), dir.file("single"), "DIR"));
  for (const char* location : {"B33F0080", "B58C0698", "B44F0279"}) {
    const std::vector<std::string> files =
        listFiles(dir.file("single"), std::string(location) + ".*");
    EXPECT_FALSE(files.empty()) << location;
    EXPECT_EQ(listFiles(dir.file("study"), std::string(location) + ".*"), files) << location;
    for (const std::string& name : files) {
      EXPECT_TRUE(dir.read("study/" + name) == dir.read("single/" + name)) << name;
    }
  }
}

// The demo's data set in `sub` as an export not sorted by location, with a
// location that has only a filter 02 (30BB0002, the readings of 28AL0012's
// second filter): its metadata and its readings in the order 40HN0007,
// 28AL0012, 34EF0047, 30BB0002, 28AL0005, 32CN0031.
void writeUnsortedDemo(const test::TempDir& dir, const std::string& sub) {
  std::filesystem::create_directories(dir.file(sub));
  const DemoDataSet demo = writeDemoData(dir.file(sub));
  const std::vector<std::string> lines = readLines(dir.file(sub + "/" + demo.exportFile));
  const auto metadata = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
    return l.rfind("LOCATIE,FILTERNUMMER,EXTERNE", 0) == 0;
  });
  const auto readings = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
    return l.rfind("LOCATIE,FILTERNUMMER,PEIL", 0) == 0;
  });
  ASSERT_NE(metadata, lines.end());
  ASSERT_NE(readings, lines.end());
  const char* const order[] = {"40HN0007", "28AL0012", "34EF0047",
                               "30BB0002", "28AL0005", "32CN0031"};
  auto rowsOf = [&](auto from, auto to, const std::string& code) {
    std::vector<std::string> rows;
    for (auto it = from; it != to; ++it) {
      if (code == "30BB0002" && it->rfind("28AL0012,002,", 0) == 0) {
        rows.push_back("30BB0002" + it->substr(8));
      } else if (it->rfind(code + ",", 0) == 0) {
        rows.push_back(*it);
      }
    }
    return rows;
  };
  std::vector<std::string> out(lines.begin(), metadata + 1);
  for (const char* code : order) {
    for (std::string& row : rowsOf(metadata + 1, readings, code)) out.push_back(std::move(row));
  }
  out.push_back("");
  out.push_back(*readings);
  for (const char* code : order) {
    for (std::string& row : rowsOf(readings + 1, lines.end(), code)) out.push_back(std::move(row));
  }
  writeLines(dir.file(sub + "/" + demo.exportFile), out);
  std::vector<std::string> coupling = readLines(dir.file(sub + "/" + demo.couplingFile));
  coupling.push_back("30BB0002 meteo_west.prn");
  writeLines(dir.file(sub + "/" + demo.couplingFile), coupling);
}

// A log without the lines that differ between two runs of the same data
// set: free disk space, and the times of the runs.
std::string comparableLog(const std::string& text, const std::string& dir) {
  std::string out;
  for (const std::string& line : splitLines(replacedPath(text, dir, "DIR"))) {
    const bool timed = line.size() > 3 && line.compare(line.size() - 3, 3, " s)") == 0;
    if (line.find("diskruimte") == std::string::npos && !timed) out += line + "\n";
  }
  return out;
}

// An export not sorted by location, with a location that has only a
// filter 02, as three tasks of whole locations run by hand, under each
// model: every task finishes, and the merge equals a run of the whole data
// set: modsel.zft and foutbuis.zft in the selection's order, the overview,
// the log phase by phase, and (packed) zipinhoud.txt, which holds the size
// and CRC-32 of every file in every zip. Then what the merge must not pass:
// a task's zip cut short, a damaged phase file and a bad values line are
// named by status and merge, which refuses; a report that cannot be written
// makes the merge exit 4, naming it.
TEST(CliCluster, AnUnsortedExportWithAFilter02LocationMergesAsOneRun) {
  for (const bool extended : {false, true}) {
    SCOPED_TRACE(extended ? "uitgebreid" : "standaard");
    test::TempDir dir;
    // zip storing without compressing: the packing, not the deflating, is
    // under test here.
    std::filesystem::create_directories(dir.file("bin"));
    dir.write("bin/zip", "#!/bin/sh\nexec /usr/bin/zip -0 \"$@\"\n");
    std::filesystem::permissions(dir.file("bin/zip"), std::filesystem::perms::owner_all);
    const std::string path = "PATH='" + dir.file("bin") + "':\"$PATH\" ";
    const bool packed = !extended && fileExists("/usr/bin/zip");
    const std::string options = std::string(" --realisations 20") +
                                (extended ? " --model uitgebreid" : "") +
                                (packed ? "" : " --no-pack");
    writeUnsortedDemo(dir, "single");
    writeUnsortedDemo(dir, "study");
    CliRun run = runShell(dir, "cd single && " + path +
                                   "'" PHREATIX_CLI
                                   "' run --data demo_dino.csv --coupling koppeling.txt --jobs 2" +
                                   options);
    ASSERT_EQ(run.code, 0) << run.out << run.err;
    run = runCli(dir,
                 "cluster prepare study --data demo_dino.csv --coupling koppeling.txt "
                 "--tubes-per-task 2" +
                     options);
    ASSERT_EQ(run.code, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("taak002: 2 buizen (34EF0047 .. 30BB0002)"), std::string::npos)
        << run.out;
    for (const char* task : {"taak001", "taak002", "taak003"}) {
      runShell(dir, std::string("cd study/taken/") + task + " && " + path + "./run.sh");
    }
    run = runCli(dir, "cluster status study");
    EXPECT_EQ(run.code, 0) << run.out;
    EXPECT_NE(run.out.find("taak002  klaar\n"), std::string::npos) << run.out;
    run = runCli(dir, "cluster merge study");
    ASSERT_EQ(run.code, 0) << run.out << run.err;
    std::vector<std::string> compared = {"modsel.zft", "foutbuis.zft", "overzicht.csv"};
    if (packed) compared.push_back("zipinhoud.txt");
    for (const std::string& name : compared) {
      EXPECT_FALSE(dir.read("single/" + name).empty()) << name;
      EXPECT_EQ(dir.read("study/" + name), dir.read("single/" + name)) << name;
    }
    EXPECT_EQ(dir.read("single/modsel.zft").rfind("28AL0005 ", 0), 0u);
    EXPECT_EQ(comparableLog(dir.read("study/Phreatix.log"), dir.file("study")),
              comparableLog(dir.read("single/Phreatix.log"), dir.file("single")));
    if (!packed) continue;
    EXPECT_EQ(listFiles(dir.file("study"), "*.zip"), listFiles(dir.file("single"), "*.zip"));
    EXPECT_EQ(dir.read("single/zipinhoud.txt").rfind("40HN0007.zip ", 0), 0u);

    const std::string zip = "study/taken/taak002/30BB0002.zip";
    const std::string whole = dir.read(zip);
    dir.write(zip, whole.substr(0, whole.size() / 2));
    run = runCli(dir, "cluster status study");
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.out.find("taak002  mislukt: 30BB0002.zip: het archief is niet te openen"),
              std::string::npos)
        << run.out;
    run = runCli(dir, "cluster merge study");
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("taak002 (mislukt: 30BB0002.zip: het archief is niet te openen"),
              std::string::npos)
        << run.err;
    dir.write(zip, whole);

    // A damaged phase file and a bad values line: each named, with its file
    // and line, and the merge refuses.
    const std::string phases = "study/taken/taak003/fasen.txt";
    const std::string tags = dir.read(phases);
    dir.write(phases, tags.substr(0, tags.size() / 2) + "\n?\n");
    const std::string values = "study/taken/taak001/modsel.zft";
    const std::string chosen = dir.read(values);
    dir.write(values, chosen + "40HN0007 2s 0.93 x\n");
    run = runCli(dir, "cluster status study");
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.out.find("taak003  mislukt: fasen.txt is beschadigd: " + dir.file(phases) + ":"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("taak001  mislukt: " + dir.file(values) + ":"), std::string::npos)
        << run.out;
    run = runCli(dir, "cluster merge study");
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("2 van de 3 taken zijn niet klaar"), std::string::npos) << run.err;
    dir.write(phases, tags);
    dir.write(values, chosen);

    std::filesystem::remove(dir.file("study/overzicht.csv"));
    std::filesystem::create_directory(dir.file("study/overzicht.csv"));
    run = runCli(dir, "cluster merge study");
    EXPECT_EQ(run.code, 4) << run.out << run.err;
    EXPECT_NE(run.err.find("niet geschreven: het rapport (rapport.html, overzicht.csv, "
                           "overzicht.gpkg): "),
              std::string::npos)
        << run.err;
    EXPECT_EQ(dir.read("study/modsel.zft"), dir.read("single/modsel.zft"));
  }
}

// The settings given to cluster prepare reach every task: its run.sh runs
// `run` with the same model, situation and bounds, which run takes as given.
TEST(CliCluster, EveryTaskRunsWithTheSettingsGivenToPrepare) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.file("study"));
  copyFile(kData + "three_tubes.csv", dir.file("study/west.csv"));
  dir.write("study/koppeling.txt", "28AL0005 west.prn\n28AL0006 west.prn\n28AL0007 west.prn\n");
  dir.write("study/west.prn", "M 5 0.01 4 5\n");
  ASSERT_EQ(runShell(dir, "cd study && '" PHREATIX_CLI "' kron").code, 0);
  const std::string prepare = "cluster prepare study --data west.csv --coupling koppeling.txt ";
  CliRun refused = runCli(dir, prepare + "--model bic");
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("--model: takes standaard or uitgebreid, got bic"), std::string::npos)
      << refused.err;
  refused = runCli(dir, prepare + "--t95-min 900 --t95-max 20");
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("ligt niet boven t95 min"), std::string::npos) << refused.err;
  refused = runCli(dir, prepare + "--situatie gemiddelde");
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("--situatie: takes einde, gemiddeld or geen, got gemiddelde"),
            std::string::npos)
      << refused.err;
  EXPECT_FALSE(fileExists(dir.file("study/taken")));

  CliRun run = runCli(dir, prepare + "--tubes-per-task 1 --model=uitgebreid --t95-min 20,5 " +
                               "--t95-max 900 --realisations 20 --situatie=gemiddeld");
  ASSERT_EQ(run.code, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("3 taken voor 3 buizen"), std::string::npos) << run.out;
  for (const char* task : {"taak001", "taak002", "taak003"}) {
    SCOPED_TRACE(task);
    const std::string script = dir.read(std::string("study/taken/") + task + "/run.sh");
    for (const char* option :
         {" '--model' 'uitgebreid'", " '--t95-min' '20,5'", " '--t95-max' '900'",
          " '--realisations' '20'", " '--situatie' 'gemiddeld'"}) {
      EXPECT_NE(script.find(option), std::string::npos) << option << "\n" << script;
    }
    // The task's run takes them: without kron.txt it stops there (exit 2),
    // past the settings, where a refused option would exit 1.
    removeFile(dir.file(std::string("study/taken/") + task + "/kron.txt"));
    const CliRun taskRun = runShell(dir, std::string("cd study/taken/") + task + " && ./run.sh");
    EXPECT_EQ(taskRun.code, 2) << taskRun.out << taskRun.err;
    EXPECT_EQ(taskRun.err.find("phreatix-cli: --"), std::string::npos) << taskRun.err;
  }
}

// componenten.txt in the study is checked by prepare under the model given
// to it, before any task is written: refused under standaard, a bad line
// refused under uitgebreid; a good one goes to the task of its location.
TEST(CliCluster, PrepareChecksTheGivenComponentsUnderTheModelGiven) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.file("study"));
  copyFile(kData + "three_tubes.csv", dir.file("study/west.csv"));
  dir.write("study/koppeling.txt", "28AL0005 west.prn\n28AL0006 west.prn\n28AL0007 west.prn\n");
  dir.write("study/west.prn", "M 5 0.01 4 5\n");
  ASSERT_EQ(runShell(dir, "cd study && '" PHREATIX_CLI "' kron").code, 0);
  dir.write("study/componenten.txt", "# gegeven\n28AL0006 stap 1990-06-14\n");
  const std::string prepare =
      "cluster prepare study --data west.csv --coupling koppeling.txt --tubes-per-task 1";
  const std::string path = dir.file("study/componenten.txt");
  CliRun refused = runCli(dir, prepare);
  EXPECT_EQ(refused.code, 1);
  EXPECT_EQ(refused.err, "phreatix-cli: " + path +
                             ": gegeven trends en stappen kunnen alleen met Model: uitgebreid\n");
  dir.write("study/componenten.txt", "28AL0006 stap 1990-06-14\n28AL0006 stap 1991-06-14\n");
  refused = runCli(dir, prepare + " --model uitgebreid");
  EXPECT_EQ(refused.code, 1);
  EXPECT_EQ(refused.err, "phreatix-cli: " + path +
                             ":2: locatie 28AL0006 heeft al een stap, op regel 1 (een trend en "
                             "een stap per locatie)\n");
  EXPECT_FALSE(fileExists(dir.file("study/taken")));

  dir.write("study/componenten.txt", "# gegeven\n28AL0006 stap 1990-06-14\n");
  const CliRun run = runCli(dir, prepare + " --model uitgebreid");
  ASSERT_EQ(run.code, 0) << run.out << run.err;
  EXPECT_FALSE(fileExists(dir.file("study/taken/taak001/componenten.txt")));
  EXPECT_EQ(dir.read("study/taken/taak002/componenten.txt"),
            "# gegeven\n28AL0006 stap 1990-06-14\n");
  EXPECT_FALSE(fileExists(dir.file("study/taken/taak003/componenten.txt")));
}

// --jobs takes a whole number of at least 1 and shows the number of cores
// as its default.
TEST(CliJobs, JobsIsAWholeNumberOfAtLeastOne) {
  test::TempDir dir;
  for (const char* command :
       {"run --data x.csv --coupling k.txt", "repair --data x.csv --coupling k.txt", "demo d"}) {
    for (const char* jobs : {"0", "x", "-2", "1.5", "99999999999", ""}) {
      SCOPED_TRACE(std::string(command) + " --jobs '" + jobs + "'");
      CliRun run = runCli(dir, std::string(command) + " --jobs '" + jobs + "'");
      EXPECT_EQ(run.code, 1);
      EXPECT_EQ(run.out, "");
      EXPECT_NE(
          run.err.find(std::string("--jobs: needs a whole number of workers, at least 1, got ") +
                       jobs + "\n"),
          std::string::npos)
          << run.err;
    }
  }
  EXPECT_TRUE(listFiles(dir.path(), "*").empty());

  const std::string cores = "=" + std::to_string(std::max(1u, std::thread::hardware_concurrency()));
  CliRun all = runCli(dir, "--help");
  for (const char* section : {"\nrun\n", "\nrepair\n", "\ndemo\n"}) {
    const std::string line = optionLine(all.out, "--jobs", all.out.find(section));
    EXPECT_NE(line.find(cores), std::string::npos) << section << line;
    EXPECT_NE(line.find("up to N tubes at once"), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace phreatix
