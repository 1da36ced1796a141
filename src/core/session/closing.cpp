#include "session/closing.h"

#include <chrono>
#include <thread>

#include "platform/files.h"
#include "platform/process.h"
#include "session/pipeline.h"
#include "text/number_text.h"
#include "text/rounding.h"

namespace phreatix {

namespace {

constexpr const char* kCleanUpList[] = {".met", ".01",  ".01s", ".LOG", ".a01", ".b01", ".c01",
                                        ".d01", ".e01", ".p01", ".q01", ".r01", ".s01", ".t01",
                                        ".u01", ".x01", ".y01", ".z01", ".inp", ".w01", ".sta",
                                        ".reg", ".foe", ".his", ".cor", ".std", ".upd", ".upt"};

// The program launcher for an outside program: the logged command line is
// the program, a blank and the argument text; the argument words are passed
// without a shell, with "S.*" expanded against the working directory.
StartedProcess launch(Session& session, MessageBox& box, const std::string& program,
                      const std::string& argumentText, const std::string& archive) {
  Messages& messages = session.messages();
  const std::string command = program + " " + argumentText;
  messages.appendLog("Start externe applicatie: " + command);
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
    box.show(process.error == EAGAIN || process.error == ENOMEM
                 ? "Systeem heeft onvoldoende resources"
                 : "bestands/directory of *.exe = fout");
    messages.appendLog("Externe applicatie" + command + " FOUT afgesloten.");
  }
  return process;
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
  int done = 0;
  for (const std::string& name : keys) {
    const std::string S = name.substr(0, 8);
    main.setProgressLabel("Comprimeren resultaten naar zip-files: buis " + formatInt(done + 1) +
                          " van " + formatInt(static_cast<long long>(keys.size())) + " (" + S +
                          ")");
    main.repaint();
    const std::string keyFile = joinPath(session.workingDir(), S + key);
    if (fileExists(keyFile)) {
      StartedProcess process = launch(session, messageBox, archiver.program,
                                      " -m " + S + ".zip " + S + ".* ", S + ".zip");
      // Wait for the key file to go: the archiver deletes the files it has
      // added to the archive. An archiver that ended, or one that keeps the
      // key file past the bound, ends the wait too.
      const auto deadline =
          std::chrono::steady_clock::now() + std::chrono::duration<double>(archiver.waitSeconds);
      int status = -1;
      bool ended = false;
      while (fileExists(keyFile) && std::chrono::steady_clock::now() < deadline) {
        if (!ended && processEnded(process, status)) {
          ended = true;
          if (fileExists(keyFile)) break;
          continue;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(archiver.pollMilliseconds));
        main.repaint();  // the windows stay alive while the archiver works
      }
      // The archive is complete once the key file has gone; let the
      // archiver finish and take its verdict.
      while (!ended && !fileExists(keyFile) && std::chrono::steady_clock::now() < deadline) {
        if (processEnded(process, status)) {
          ended = true;
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(archiver.pollMilliseconds));
      }
      if (!fileExists(keyFile) && ended && status == 0) {
        result.packed.insert(S);
      } else {
        result.notPacked.insert(S);
        const std::string line = "Buis " + S + " is niet (volledig) ingepakt in " + S +
                                 ".zip; de bestanden blijven staan.";
        session.messages().appendLog(line);
        session.messages().appendStopExit(line);
      }
    }
    ++done;
    main.setGauge(roundToInt(static_cast<long double>(done) * 100 / keys.size()));
    main.repaint();
  }
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
                     const ArchiverSettings& archiver) {
  const PackResult packing = packTubes(session, main, messageBox, archiver);
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
