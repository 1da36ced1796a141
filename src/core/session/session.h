// The state of one program run that the main window holds: the data-set line
// list, the day-number table, the session settings, the stage flags, the
// message lists, the caption and which workflow buttons are enabled; with the
// session actions that act on it. Windows and the command line drive a
// Session; it shows itself to them only through its message sink and the
// ports of report/ports.h.
#pragma once

#include <string>
#include <vector>

#include "input/calendar.h"
#include "input/dino_reader.h"
#include "report/messages.h"
#include "report/ports.h"
#include "settings/session_settings.h"

namespace phreatix {

// Which pipeline stages have run; `postprocessingReached` and `runsUnderWay`
// steer the progress schema and the packing.
struct StageFlags {
  bool ds = false;
  bool d = false;
  bool s = false;
  bool dPlusS = false;
  bool simulation = false;
  bool trace = false;
  bool postprocessingReached = false;
  bool runsUnderWay = false;
};

// The enabled state of the main window's workflow controls (the hidden ones
// too), as the steps of the workflow set them.
struct MainControls {
  bool btbttnPre = true;
  bool Label8 = true;
  bool btbttnKOPPEL = true;
  bool lblOLGAgeg = true;
  bool btbttnDagnummers = true;
  bool lblDagnummers = true;
  bool btbttnMeteo = true;
  bool btbttnToonKoppeling = true;
  bool btbttnResetStart = true;
  bool btbttnDefaults = true;
  bool btbttnSTART = true;
  bool btbttnRepair = false;
  bool btbttnSTARTSIMUL = false;
  bool btbttnPOST = true;
  bool parallelRuns = true;     // rdbttnWEL, rdbttnNIET, Label3, Label4
  bool parallelCount = true;    // edtAantal, Label1, Label2
  bool sessionSettings = true;  // the settings fields for start year, realisations,
                                // warm-up, iterations and closure
};

class Session {
 public:
  // `workingDir` is where every file of the session lives (the process's
  // current directory at start-up).
  explicit Session(std::string workingDir);

  const std::string& workingDir() const { return workingDir_; }
  Messages& messages() { return messages_; }
  const Messages& messages() const { return messages_; }
  SessionSettings& settings() { return settings_; }
  DayNumberTable& dayNumbers() { return dayNumbers_; }
  StageFlags& stageFlags() { return stageFlags_; }
  const MainControls& controls() const { return controls_; }
  const std::string& caption() const { return caption_; }
  // The internal tube file of the open data set; index 0 is the header.
  const std::vector<std::string>& dataSet() const { return dataSet_; }
  int dataSetLineCount() const { return dataSetLineCount_; }

  // What every activation of the main window does to the session state:
  // controls back to the start of the workflow, stage flags cleared (except
  // postprocessing reached), 500 iterations and closure " 0.0001", the
  // day-number table emptied and kron.txt read again (fatal stop when it is
  // missing or wrong).
  void activate();

  // Opens a DINO or OLGA export: converts it into the data set, enables the
  // meteo coupling, refuses a data set relative to NAP through the fatal stop
  // and reads kron.txt. A file that cannot be converted is refused: its
  // reason is shown as a refusal (MessageBox::showRefusal) and then put in
  // mmLOG; the session then stays as it was.
  // True when the file was opened.
  bool openDataFile(const std::string& path, ProgressView& progress, MessageBox& messageBox);
  // Several exports as one data set, in the order given; each file is
  // recognised and checked on its own, a refusal of one refuses them all.
  bool openDataFiles(const std::vector<std::string>& paths, ProgressView& progress,
                     MessageBox& messageBox);

  // Whether a pipeline was started in this program run: the packer
  // then packs every calibrated tube, not only the simulated ones.
  bool pipelineStarted() const { return pipelineStarted_; }
  void markPipelineStarted() { pipelineStarted_ = true; }
  // "Stoppen na deze buis": asked during a run, the run loop ends after the
  // tube it is running and the pipeline does not begin another stage. What
  // was finished stays for the repair. Cleared when a pipeline starts.
  void requestStop() { stopRequested_ = true; }
  void clearStop() { stopRequested_ = false; }
  bool stopRequested() const { return stopRequested_; }

  // The enabling after the meteo coupling: `complete` tells whether the
  // completeness check passed every meteo file.
  void coupled(bool complete);
  // "Koppelingen opnieuw instellen": back to opening a data file; mmLOG is
  // emptied, the gauge and its label put back.
  void reset(ProgressView& progress);
  // The controls while and after a pipeline runs: none of the workflow.
  void pipelineControls();

  // Writes Phreatix.log into the working directory; never throws.
  bool writeSessionLog() const;

 private:
  // locaties.csv: the tubes' coordinates as the export gave them.
  void writeLocations(const std::vector<TubeLocation>& locations);
  std::string workingDir_;
  Messages messages_;
  SessionSettings settings_;
  DayNumberTable dayNumbers_;
  StageFlags stageFlags_;
  MainControls controls_;
  std::string caption_;
  std::vector<std::string> dataSet_;
  int dataSetLineCount_ = 0;
  bool pipelineStarted_ = false;
  bool stopRequested_ = false;
};

}  // namespace phreatix
