// Splitting a large DINO export into sessions sized to the disk space: the
// logic of the splitting window, runnable without it.
//
// The export is copied to the working copy dummy.csv, its tubes (location
// codes; all filters of a location travel together) are listed in order of
// first appearance, the user drops tubes by hand or through the visual
// assessment of every series, the rest is spread over sessions of at most
// Z tubes, and each session is written as a DINO export of its own next to
// the chosen file ("<stem>-sessie<k><ext>"), with the dropped tubes in
// "<stem>-verwijderd<ext>".
//
// Entry point: Splitter, one per opening of the splitting window.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "input/dino_reader.h"
#include "report/ports.h"

namespace phreatix {

inline constexpr const char* kWorkingCopyName = "dummy.csv";
// The most tubes (location codes) the tube list takes: a province's export
// holds a few thousand. The lists and the acceptance flags grow with the
// tubes of the export; this only bounds what an opening accepts.
inline constexpr int kMaxSplitTubes = 100000;
// Disk space one tube of a session takes, in MB (as the reader estimates).
inline constexpr long long kSessionMegabytesPerTube = 60;

// The export as the splitting window and the assessment hold it: the lines
// of dummy.csv and the blocks found in them.
struct WorkingCopy {
  std::string path;  // dummy.csv in the working directory
  std::vector<std::string> lines;
  ExportBlocks blocks;
  // Writes the lines whole; a failed write raises an error.
  void save() const;
};

// Which controls of the splitting window can be used.
struct SplitControls {
  bool btbttnOpen = true;
  bool edtY = false;
  bool btbttnOK = false;
  bool btbttnTrash = false;
  bool chckbxAUTODEL = false;
  bool bttnNODEL = false;
  bool btbttnAUTO = false;
  bool btbttnReset = false;
  bool btbttnSAVE = false;
};

// The status bar, the gauge and the file label of the splitting window.
class SplitterView {
 public:
  virtual ~SplitterView() = default;
  virtual void setStatus(const std::string& /*text*/) {}
  virtual void showGauge(bool /*visible*/) {}
  virtual void setGauge(int /*percent*/) {}
  virtual void showFileLabel(bool /*visible*/) {}
  virtual void setFileLabel(const std::string& /*text*/) {}
  // Repaints the splitting window and the main window.
  virtual void repaint() {}
};

// "C:/data/west.csv" -> "C:/data/west-sessie2.csv"; a name without an
// extension gets none ("west-sessie2").
std::string sessionFileName(const std::string& exportPath, int session);
std::string removedFileName(const std::string& exportPath);

// The lines of one session file: every line before the first metadata row;
// after it, each line that holds one of `codes` anywhere in its text, is
// shorter than 10 characters, or is the measurement title line (for the
// removed-tubes file, `removedFile`: each line holding the word "LOCATIE").
// Empty codes match nothing.
std::vector<std::string> selectSessionLines(const std::vector<std::string>& lines,
                                            const ExportBlocks& blocks,
                                            const std::vector<std::string>& codes,
                                            bool removedFile);

class Splitter {
 public:
  Splitter(std::string workingDir, SplitterView& view, MessageBox& messageBox);

  // Activation: the available megabytes (free bytes / 1024 / 1000) become
  // the session size shown; lists, table and flags start afresh.
  void activate(long long availableMegabytes);

  // Step 1: reads the export, writes the working copy and lists its tubes.
  // False (with a message box) for an OLGA export or a file that cannot be
  // split; the user can then choose another file.
  bool open(const std::string& exportPath);

  // Recomputes Z and S from the text of edtY. False, with "Getal invoeren !"
  // in the status bar, when it is not an integer; nothing changes then.
  bool recompute(std::string_view yText);
  // Step 2: confirms the session size. False, with a message box, outside
  // 61..available.
  bool confirm(std::string_view yText);

  // Step 3: moves the tubes at the given positions of the tube list (any
  // order) to the removed list, or back.
  void removeTubes(const std::vector<int>& positions);
  void restoreTubes(const std::vector<int>& removedPositions);
  // After the visual assessment: moves every tube whose flag is rejected.
  void removeRejected();

  // Step 4: spreads the tube list over the session table.
  void autoSplit();
  // Step 5: back to the state after activation; the lists keep their content
  // until the next file is opened, the flags stay.
  void reset(long long availableMegabytes);
  // Step 6: writes the session files and the removed-tubes file from the
  // working copy on disk; returns their paths. The copy is read once and
  // the lines of all files are found in one pass over it. A failed write
  // raises an error and leaves saving possible.
  std::vector<std::string> save();
  // Closing the window: deletes the working copy.
  void close();

  const SplitControls& controls() const { return controls_; }
  const std::vector<std::string>& tubes() const { return tubes_; }
  const std::vector<std::string>& removed() const { return removed_; }
  // Column per session; row 0 "Sessie k", rows 1.. the codes ("" = empty).
  const std::vector<std::vector<std::string>>& table() const { return table_; }
  long long available() const { return available_; }
  long long z() const { return z_; }
  long long s() const { return s_; }
  const std::string& exportPath() const { return exportPath_; }
  WorkingCopy& workingCopy() { return copy_; }
  // Acceptance flags by tube-list position (true = accepted); at least one
  // for every position of the list since the last opening.
  std::vector<bool>& flags() { return flags_; }

 private:
  void recomputeFrom(long long y);
  void moveCodes(std::vector<std::string>& from, std::vector<std::string>& to,
                 std::vector<int> positions);
  void restart(long long availableMegabytes);

  std::string workingDir_;
  SplitterView& view_;
  MessageBox& messageBox_;
  SplitControls controls_;
  std::string exportPath_;
  WorkingCopy copy_;
  std::vector<std::string> tubes_;
  std::vector<std::string> removed_;
  std::vector<std::vector<std::string>> table_;
  std::vector<bool> flags_;
  long long available_ = 0;
  long long y_ = 0;
  long long z_ = 1;
  long long s_ = 0;
};

}  // namespace phreatix
