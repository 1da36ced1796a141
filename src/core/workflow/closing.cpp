#include "workflow/closing.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <map>
#include <thread>
#include <utility>
#include <vector>

#include "files/zip_contents.h"
#include "input/tube_file.h"
#include "pipeline/pipeline.h"
#include "platform/files.h"
#include "platform/process.h"
#include "results/zip_check.h"
#include "text/number_text.h"
#include "text/rounding.h"

namespace phreatix {

namespace {

constexpr const char* kCleanUpList[] = {
    ".met", ".01", ".01s", ".LOG", ".a01", ".b01", ".c01", ".d01", ".e01", ".p01", ".q01", ".r01",
    ".s01", ".t01", ".u01", ".x01", ".y01", ".z01", ".inp", ".w01", ".sta", ".reg", ".foe", ".his",
    ".cor", ".std", ".upd", ".upt",
    // the fit in equilibrium, the GxG over the readings'
    // years, the components' contributions and the extended model's candidates
    ".fit", ".gzj", ".kmp", ".ef01", ".efs01", ".gf01", ".gfs01",
    // with components: trend, step, stress
    ".eft01", ".efts01", ".efp01", ".efps01", ".efx01", ".efxs01", ".eftx01", ".eftxs01", ".efpx01",
    ".efpxs01", ".gft01", ".gfts01", ".gfp01", ".gfps01", ".gfx01", ".gfxs01", ".gftx01",
    ".gftxs01", ".gfpx01", ".gfpxs01"};

// What packing one tube has to say, in the order it said it: kept until
// every tube before it has reported, so that the lists read tube by tube
// however many archivers run at once.
class TubeReport {
 public:
  void log(std::string line) { lines_.push_back({To::kLog, std::move(line)}); }
  void box(std::string text) { lines_.push_back({To::kBox, std::move(text)}); }
  void stopExit(std::string line) { lines_.push_back({To::kStopExit, std::move(line)}); }

  void emit(Messages& messages, MessageBox& box) const {
    for (const auto& [to, text] : lines_) {
      switch (to) {
        case To::kLog:
          messages.appendLog(text);
          break;
        case To::kBox:
          box.show(text);
          break;
        case To::kStopExit:
          messages.appendStopExit(text);
          break;
      }
    }
  }

 private:
  enum class To { kLog, kBox, kStopExit };
  std::vector<std::pair<To, std::string>> lines_;
};

// The program launcher for an outside program: the logged command line is
// the program, a blank and the argument text; the argument words are passed
// without a shell, with "S.*" expanded against the working directory.
StartedProcess launch(const Session& session, TubeReport& report, const std::string& program,
                      const std::string& argumentText, const std::string& archive) {
  const std::string command = program + " " + argumentText;
  report.log("Start externe applicatie: " + command);
  std::vector<std::string> args;
  std::size_t pos = 0;
  while ((pos = argumentText.find_first_not_of(' ', pos)) != std::string::npos) {
    std::size_t end = argumentText.find(' ', pos);
    std::string word = argumentText.substr(pos, end == std::string::npos ? end : end - pos);
    pos = end;
    if (word.find('*') != std::string::npos || word.find('?') != std::string::npos) {
      for (const std::string& name : listFiles(session.workingDir(), word)) {
        if (name != archive) args.push_back(name);
      }
    } else {
      args.push_back(word);
    }
  }
  StartedProcess process = startProgram(session.workingDir(), program, args);
  if (!process.started()) {
    report.box(process.error == EAGAIN || process.error == ENOMEM
                   ? "Systeem heeft onvoldoende resources"
                   : "bestands/directory of *.exe = fout");
    report.log("Externe applicatie" + command + " FOUT afgesloten.");
  }
  return process;
}

// One tube of the packing, from its hand-over to the archiver to its verdict.
struct TubePacking {
  std::string stem;  // S, the first 8 characters of the key file's name
  std::string keyFile;
  std::string archive;             // S.zip, its path
  std::vector<ZipMember> members;  // of S.zip once it is packed
  bool launched = false;           // an archiver was asked to take it (whether it started or not)
  bool done = false;               // its verdict is in (or it had no key file left)
  StartedProcess process;
  bool ended = false;  // the archiver has ended, with `status`
  int status = -1;
  std::chrono::steady_clock::time_point deadline;
  TubeReport report;
};

// Hands the tube to an archiver, or finds it has nothing left to pack.
void handOver(const Session& session, const ArchiverSettings& archiver, TubePacking& tube) {
  if (!fileExists(tube.keyFile)) {
    tube.done = true;
    return;
  }
  const std::string& S = tube.stem;
  tube.process =
      launch(session, tube.report, archiver.program, " -m " + S + ".zip " + S + ".* ", S + ".zip");
  tube.launched = true;
  tube.deadline = std::chrono::steady_clock::now() +
                  std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                      std::chrono::duration<double>(archiver.waitSeconds));
}

// Whether the tube's wait is over, and its verdict when it is. The archiver
// deletes the files it has added, the key file among them; the archive is
// complete once the key file has gone and the archiver has ended well. An
// archiver that ended (or never started) with the key file still there, or
// one that outlives the bound, ends the wait too: the tube is not packed.
bool verdictIn(TubePacking& tube, PackResult& result) {
  if (!tube.ended && processEnded(tube.process, tube.status)) tube.ended = true;
  if (!tube.ended && std::chrono::steady_clock::now() < tube.deadline) return false;
  tube.done = true;
  const std::string& S = tube.stem;
  if (tube.ended && tube.status == 0 && !fileExists(tube.keyFile)) {
    // What the archive holds now, for zipinhoud.txt. One that cannot be
    // read back is no packed tube.
    try {
      tube.members = archiveMembers(tube.archive, S + ".zip");
      result.packed.insert(S);
      return true;
    } catch (const Error& e) {
      result.notPacked.insert(S);
      const std::string line = "Buis " + S + ": " + S + ".zip is na het inpakken niet te lezen (" +
                               e.what() + "); de bestanden die er nog zijn blijven staan.";
      tube.report.log(line);
      tube.report.stopExit(line);
      return true;
    }
  }
  result.notPacked.insert(S);
  const std::string line =
      "Buis " + S + " is niet (volledig) ingepakt in " + S + ".zip; de bestanden blijven staan.";
  tube.report.log(line);
  tube.report.stopExit(line);
  return true;
}

// zipinhoud.txt anew: the members of every archive packed now, the lines
// of the archives recorded before and not packed again while these are
// still there (a repair packs only what it made), and the members of any
// other zip of a location of the data set, in the data set's order of the
// locations; archives of locations the data set does not hold follow by
// name. A failure is told in mmLOG and mmSTOPEXIT.
void recordContents(Session& session, const std::vector<TubePacking>& tubes, PackResult& result) {
  const std::string& dir = session.workingDir();
  const std::string path = joinPath(dir, kZipContentsName);
  std::map<std::string, std::size_t> rank;  // location code -> place in the data set
  for (const std::string& line : session.dataSet()) {
    if (isTubeRecord(line)) rank.emplace(std::string(recordLocation(line)), rank.size());
  }
  std::vector<std::string> zips;  // in the order found
  std::map<std::string, std::vector<ZipMember>> byZip;
  auto take = [&](const ZipMember& member) {
    auto [at, fresh] = byZip.try_emplace(member.zip);
    if (fresh) zips.push_back(member.zip);
    at->second.push_back(member);
  };
  auto fail = [&](const std::string& line) {
    session.messages().appendLog(line);
    session.messages().appendStopExit(line);
  };
  std::map<std::string, const TubePacking*> packedNow;
  for (const TubePacking& tube : tubes) {
    if (result.packed.count(tube.stem)) packedNow[tube.stem + ".zip"] = &tube;
  }
  if (fileExists(path)) {
    try {
      for (const ZipMember& member : readZipContentsFile(path)) {
        if (!packedNow.count(member.zip) && fileExists(joinPath(dir, member.zip))) take(member);
      }
    } catch (const Error& e) {
      fail(std::string(kZipContentsName) + " van eerder niet te lezen (" + e.what() +
           "); alleen de buizen die nu zijn ingepakt staan erin.");
      zips.clear();
      byZip.clear();
    }
  }
  for (const auto& entry : packedNow) {
    for (const ZipMember& member : entry.second->members) take(member);
  }
  // The zip of a location of the data set that no record holds was packed
  // by a run that ended before it could record it (a crash while packing):
  // recorded as it is.
  for (const std::string& zip : listFiles(dir, "*.zip")) {
    if (byZip.count(zip) || !rank.count(zip.substr(0, zip.size() - 4))) continue;
    try {
      for (const ZipMember& member : archiveMembers(joinPath(dir, zip), zip)) take(member);
    } catch (const Error& e) {
      fail(zip + " niet te lezen (" + e.what() + "); niet opgenomen in " + kZipContentsName + ".");
    }
  }
  auto place = [&](const std::string& zip) {
    const auto at = rank.find(zip.substr(0, zip.size() - 4));
    return at == rank.end() ? rank.size() : at->second;
  };
  std::stable_sort(zips.begin(), zips.end(), [&](const std::string& a, const std::string& b) {
    const std::size_t pa = place(a), pb = place(b);
    return pa != pb ? pa < pb : pa == rank.size() && a < b;
  });
  std::vector<ZipMember> members;
  for (const std::string& zip : zips) {
    members.insert(members.end(), byZip[zip].begin(), byZip[zip].end());
  }
  try {
    writeZipContents(path, members);
  } catch (const Error& e) {
    result.contentsWritten = false;
    fail(std::string(kZipContentsName) + " niet geschreven: " + e.what());
  }
}

}  // namespace

std::string packingKey(const Session& session) {
  return session.pipelineStarted() ? ".met" : ".u01";
}

PackResult packTubes(Session& session, ProgressView& main, MessageBox& messageBox,
                     const ArchiverSettings& archiver) {
  PackResult result;
  const std::string key = packingKey(session);
  main.setProgressLabel("Comprimeren resultaten naar zip-files");
  main.repaint();
  const std::vector<std::string> keys = listFiles(session.workingDir(), "*" + key);
  main.showGauge(true);
  main.showProgressLabel(true);
  main.setGauge(0);

  std::vector<TubePacking> tubes(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    tubes[i].stem = keys[i].substr(0, 8);
    tubes[i].keyFile = joinPath(session.workingDir(), tubes[i].stem + key);
    tubes[i].archive = joinPath(session.workingDir(), tubes[i].stem + ".zip");
  }
  // The label names the first tube not yet reported: the one under way when
  // a single archiver packs them one by one.
  auto showTube = [&](std::size_t i) {
    main.setProgressLabel(
        "Comprimeren resultaten naar zip-files: buis " + formatInt(static_cast<long long>(i + 1)) +
        " van " + formatInt(static_cast<long long>(tubes.size())) + " (" + tubes[i].stem + ")");
    main.repaint();
  };
  // Two key files can share their first 8 characters (S.met and S1.met both
  // give S): the second waits until no archiver works on S.zip any more.
  auto stemBusy = [&](std::size_t from, std::size_t to, const std::string& stem) {
    for (std::size_t i = from; i < to; ++i) {
      if (tubes[i].launched && !tubes[i].done && tubes[i].stem == stem) return true;
    }
    return false;
  };

  const int slots = std::max(1, archiver.archivers);
  int working = 0;        // archivers handed a tube whose verdict is not in
  std::size_t next = 0;   // the next tube to hand over
  std::size_t shown = 0;  // the tubes reported so far, in order
  if (!tubes.empty()) showTube(0);
  while (shown < tubes.size()) {
    bool moved = false;
    while (next < tubes.size() && working < slots && !stemBusy(shown, next, tubes[next].stem)) {
      handOver(session, archiver, tubes[next]);
      if (tubes[next].launched) ++working;
      ++next;
      moved = true;
    }
    for (std::size_t i = shown; i < next; ++i) {
      if (tubes[i].done || !verdictIn(tubes[i], result)) continue;
      --working;
      moved = true;
    }
    while (shown < tubes.size() && tubes[shown].done) {
      {
        TubeLines tubeLines(session.messages(), tubes[shown].stem);
        tubes[shown].report.emit(session.messages(), messageBox);
      }
      ++shown;
      main.setGauge(roundToInt(static_cast<long double>(shown) * 100 / tubes.size()));
      main.repaint();
      if (shown < tubes.size()) showTube(shown);
      moved = true;
    }
    if (!moved) {
      std::this_thread::sleep_for(std::chrono::milliseconds(archiver.pollMilliseconds));
      main.repaint();  // the windows stay alive while the archivers work
    }
  }
  recordContents(session, tubes, result);
  messageBox.show(
      "Druk op OK als alle DOS-boxen weg of be\xC3\xAB"
      "indigd zijn.");
  return result;
}

void cleanUp(Session& session, const PackResult& packing) {
  const std::string& dir = session.workingDir();
  for (const std::string& name : listFiles(dir, "*.a01")) {
    const std::string S = name.substr(0, 8);
    if (packing.packed.count(S) && fileExists(joinPath(dir, S + ".zip"))) {
      for (const char* ext : kCleanUpList) removeFile(joinPath(dir, S + ext));
    }
  }
  for (const std::string& name : listFiles(dir, "*.ok")) removeFile(joinPath(dir, name));
  for (const std::string& name :
       {std::string(kPlaceholderStem) + ".q00", std::string(kPlaceholderStem) + ".p00",
        std::string(kPlaceholderStem) + ".00", std::string(kPlaceholderStem) + ".LOG",
        std::string(kParameterFileName), std::string("input.txt"), std::string("olga.tmp")}) {
    removeFile(joinPath(dir, name));
  }
}

void closingSequence(Session& session, ProgressView& main, MessageBox& messageBox,
                     const ArchiverSettings& archiver, PackResult* packed) {
  const PackResult packing = packTubes(session, main, messageBox, archiver);
  if (packed) *packed = packing;
  Messages& messages = session.messages();
  messages.appendStopExit("Op verzoek gestopt.");
  if (session.stageFlags().postprocessingReached) {
    messages.appendStopExit("Resultaten in <buis>.zip (30/31 bestanden, uitleg in <buis>.LOG)");
    messages.appendStopExit("Alle foute calibraties in foutbuis.zft en de goede in modsel.zft.");
    messages.appendStopExit("Deze 2 bestanden zitten NIET in een zip-bestand!");
  } else {
    messages.appendStopExit("Programma voortijdig afgesloten.");
  }
  messages.appendStopExit("Overzicht in ZEFTAL multi.log");
  cleanUp(session, packing);
  fatalStop(FatalStop::Reason::kNormalEnd);
}

}  // namespace phreatix
