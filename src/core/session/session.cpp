#include "session/session.h"

#include "results/tube_results.h"

#include "input/dino_reader.h"
#include "platform/files.h"
#include "session/kron_coverage.h"
#include "text/number_text.h"

namespace phreatix {

namespace {

constexpr const char* kNapRefusal = "OPEN_BESTAND_OLGA: standen zijn ten opzichte van NAP !";

class BusyScope {
 public:
  explicit BusyScope(ProgressView& view) : view_(view) { view_.setBusy(true); }
  ~BusyScope() { view_.setBusy(false); }

 private:
  ProgressView& view_;
};

}  // namespace

Session::Session(std::string workingDir)
    : workingDir_(std::move(workingDir)), caption_(std::string("phreatix ") + kVersion) {}

void Session::activate() {
  controls_.btbttnMeteo = false;
  controls_.btbttnDagnummers = false;
  controls_.lblDagnummers = false;
  controls_.btbttnToonKoppeling = false;
  controls_.btbttnDefaults = false;
  controls_.parallelRuns = false;
  controls_.parallelCount = false;
  controls_.btbttnSTART = false;
  controls_.btbttnRepair = false;
  bool reached = stageFlags_.postprocessingReached;
  stageFlags_ = StageFlags{};
  stageFlags_.postprocessingReached = reached;
  settings_.resetOnActivation();
  // Once a pipeline has run, closing packs every calibrated tube whatever
  // window had the focus since (the engine window's runs activate the main
  // window again).
  dayNumbers_.clear();
  readDayNumberFile(workingDir_, dayNumbers_, messages_);
}

bool Session::openDataFile(const std::string& path, ProgressView& progress,
                           MessageBox& messageBox) {
  return openDataFiles({path}, progress, messageBox);
}

bool Session::openDataFiles(const std::vector<std::string>& paths, ProgressView& progress,
                            MessageBox& messageBox) {
  if (paths.empty()) return false;
  std::string shown = paths[0];
  for (std::size_t i = 1; i < paths.size(); ++i) shown += ", " + paths[i];
  ConvertedDataSet converted;
  std::string current = paths[0];
  try {
    BusyScope busy(progress);
    ReaderContext context{messages_, progress, messageBox, workingDir_};
    std::vector<ExportFile> files;
    for (const std::string& path : paths) {
      current = path;
      files.push_back(ExportFile{path, readLines(path)});
    }
    current = shown;
    converted = convertExports(files, context);
  } catch (const Error& e) {
    // The error names the file it refuses; with several files none is read.
    const std::string refusal = current == shown && paths.size() > 1
                                    ? "De bestanden " + shown + " zijn niet ingelezen:"
                                    : "Het bestand " + current + " is niet ingelezen:";
    messageBox.showRefusal(refusal + "\n" + e.what());
    messages_.appendLog(refusal);
    messages_.appendLog(e.what());
    return false;
  }

  caption_ = std::string("Phreatix ") + kVersion + " op " + shown;
  dataSet_ = std::move(converted.lines);
  dataSetLineCount_ = static_cast<int>(dataSet_.size());
  controls_.btbttnMeteo = true;
  controls_.btbttnKOPPEL = false;
  controls_.lblOLGAgeg = false;
  controls_.btbttnPre = false;
  controls_.Label8 = false;

  if (!converted.napFiles.empty()) {
    messages_.appendLog(kNapRefusal);
    messages_.appendStopExit(kNapRefusal);
    if (paths.size() > 1) {
      for (const std::string& file : converted.napFiles) {
        messages_.appendLog("(" + file + ")");
        messages_.appendStopExit("(" + file + ")");
      }
    }
    fatalStop();
  }
  writeLocations(converted.locations);
  readDayNumberFile(workingDir_, dayNumbers_, messages_);
  const std::string kronNote = kronReadingsNote(dayNumbers_, dataSet_);
  if (!kronNote.empty()) messages_.appendLog(kronNote);
  return true;
}

void Session::writeLocations(const std::vector<TubeLocation>& locations) {
  // The map and the report place the tubes from this file once the export
  // is gone; a tube without coordinates gets no place on the map.
  std::size_t without = 0;
  for (const TubeLocation& l : locations) without += l.x.empty() || l.y.empty() ? 1 : 0;
  try {
    writeLines(joinPath(workingDir_, kLocationsFileName), locationLines(locations));
  } catch (const Error& e) {
    messages_.appendLog(std::string(kLocationsFileName) +
                        " kan niet worden geschreven; de kaart en het rapport krijgen geen "
                        "coördinaten (" +
                        e.what() + ").");
    return;
  }
  if (without > 0) {
    messages_.appendLog(formatInt(static_cast<long long>(without)) + " van de " +
                        formatInt(static_cast<long long>(locations.size())) +
                        " buizen zonder coördinaten (OLGA-bestand of export zonder metadata): "
                        "zonder plaats op de kaart.");
  }
}

void Session::coupled(bool complete) {
  MainControls& c = controls_;
  c.btbttnToonKoppeling = true;
  c.btbttnSTART = complete;
  c.btbttnRepair = complete;
  c.parallelRuns = true;
  c.btbttnMeteo = !complete;
  c.parallelCount = false;
  c.sessionSettings = true;
  c.btbttnDefaults = true;
}

void Session::reset(ProgressView& progress) {
  MainControls& c = controls_;
  c.btbttnPre = c.Label8 = c.btbttnKOPPEL = c.lblOLGAgeg = true;
  c.sessionSettings = false;
  messages_.clear(MessageListId::kLog);
  c.btbttnDagnummers = c.lblDagnummers = c.btbttnToonKoppeling = c.btbttnDefaults = false;
  c.btbttnMeteo = c.btbttnSTART = c.btbttnRepair = c.parallelRuns = c.parallelCount = false;
  progress.setGauge(0);
  progress.setProgressLabel("Voortgang inlezen buizen:");
}

void Session::pipelineControls() {
  MainControls& c = controls_;
  c.btbttnDefaults = false;
  c.btbttnSTART = c.btbttnRepair = c.btbttnSTARTSIMUL = c.btbttnPOST = false;
  c.btbttnKOPPEL = c.lblOLGAgeg = c.btbttnDagnummers = c.lblDagnummers = false;
  c.btbttnToonKoppeling = c.btbttnMeteo = c.btbttnResetStart = false;
  c.parallelRuns = c.parallelCount = false;
  c.sessionSettings = false;
}

bool Session::writeSessionLog() const { return phreatix::writeSessionLog(messages_, workingDir_); }

}  // namespace phreatix
