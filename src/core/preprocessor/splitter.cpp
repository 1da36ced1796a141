#include "preprocessor/splitter.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <unordered_map>
#include <unordered_set>

#include "error.h"
#include "platform/files.h"
#include "text/number_text.h"
#include "text/parse.h"
#include "text/rounding.h"

namespace phreatix {

namespace {

constexpr std::string_view kLocationTitle = "LOCATIE";
// Lines shorter than this (the blank line between the blocks, short
// trailers) go into every session file.
constexpr std::size_t kShortLine = 10;

// The position in a path where the extension of its file name begins, or
// the path's length when the name has none. A leading dot is part of the
// name (".west" has no extension).
std::size_t extensionStart(const std::string& path) {
  std::size_t slash = path.find_last_of("/\\");
  std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= nameStart) return path.size();
  return dot;
}

std::string withSuffix(const std::string& exportPath, const std::string& suffix) {
  std::size_t ext = extensionStart(exportPath);
  return exportPath.substr(0, ext) + suffix + exportPath.substr(ext);
}

std::string baseName(const std::string& path) {
  std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Alphabetical order of the list boxes: letters without regard to case,
// then byte order so that the order is total.
bool alphabetical(const std::string& a, const std::string& b) {
  std::string ua = upperAscii(a), ub = upperAscii(b);
  if (ua != ub) return ua < ub;
  return a < b;
}

// Which lines of the working copy go into which file of one save, found in
// a single pass over the lines: each line is matched against the codes of
// all files at once, so that the work grows with lines plus files, not with
// their product.
//
// A file takes every line before the first metadata row, every short line,
// every line holding one of its codes anywhere in its text, and either the
// measurement title line (a session file) or each line holding the word
// "LOCATIE" (the removed-tubes file). The lines shared by all files of a
// kind are kept once; a file's own list holds only the lines its codes pull
// in beyond those.
class SplitSelection {
 public:
  struct File {
    const std::vector<std::string>* codes;  // empty codes match nothing
    bool removedFile;
  };

  SplitSelection(const std::vector<std::string>& lines, const ExportBlocks& blocks,
                 const std::vector<File>& files)
      : files_(files), own_(files.size()) {
    indexCodes();
    bool anyRemovedFile = false;
    for (const File& file : files_) anyRemovedFile = anyRemovedFile || file.removedFile;
    const int n = static_cast<int>(lines.size());
    for (int i = 0; i < n; ++i) {
      const std::string& line = lines[i];
      if (i < blocks.metaFirst || line.size() < kShortLine) {
        shared_[0].push_back(i);
        shared_[1].push_back(i);
        continue;
      }
      // Whether the rule of each kind of file takes the line already.
      const bool kindTakes[2] = {i == blocks.measFirst - 1,
                                 anyRemovedFile && containsKey(line, kLocationTitle)};
      for (int kind = 0; kind < 2; ++kind) {
        if (kindTakes[kind]) shared_[kind].push_back(i);
      }
      forEachMatch(line, [&](int f) {
        std::vector<int>& own = own_[f];
        if (kindTakes[files_[f].removedFile ? 1 : 0]) return;
        // A line with two codes of one file is taken once.
        if (own.empty() || own.back() != i) own.push_back(i);
      });
    }
  }

  // The line indexes of file f, in the order of the working copy.
  void linesOf(std::size_t f, std::vector<int>& out) const {
    const std::vector<int>& shared = shared_[files_[f].removedFile ? 1 : 0];
    out.clear();
    std::merge(shared.begin(), shared.end(), own_[f].begin(), own_[f].end(),
               std::back_inserter(out));
  }

 private:
  // The codes grouped by length, so that every window of a line of such a
  // length is looked up once.
  void indexCodes() {
    for (std::size_t f = 0; f < files_.size(); ++f) {
      for (const std::string& code : *files_[f].codes) {
        if (code.empty()) continue;
        std::vector<int>& owners = owners_[code];
        if (owners.empty()) lengths_.push_back(code.size());
        if (owners.empty() || owners.back() != static_cast<int>(f)) {
          owners.push_back(static_cast<int>(f));
        }
      }
    }
    std::sort(lengths_.begin(), lengths_.end());
    lengths_.erase(std::unique(lengths_.begin(), lengths_.end()), lengths_.end());
  }

  template <typename Visit>
  void forEachMatch(std::string_view line, Visit visit) const {
    for (std::size_t length : lengths_) {
      for (std::size_t i = 0; i + length <= line.size(); ++i) {
        auto found = owners_.find(line.substr(i, length));
        if (found == owners_.end()) continue;
        for (int f : found->second) visit(f);
      }
    }
  }

  const std::vector<File>& files_;
  // The files that hold each code (a code sits in one file as a rule).
  std::unordered_map<std::string_view, std::vector<int>> owners_;
  std::vector<std::size_t> lengths_;
  // [0] lines of every session file, [1] lines of every removed-tubes file.
  std::vector<int> shared_[2];
  std::vector<std::vector<int>> own_;
};

// The calls the gauge and the repaints get while a file is written: the
// gauge follows the lines of the working copy, and the windows are repainted
// every 2 % of them. The same for every file of a save, so worked out once.
class GaugeSteps {
 public:
  explicit GaugeSteps(std::size_t lineCount) {
    const long double last = lineCount > 1 ? static_cast<long double>(lineCount - 1) : 1;
    int shownPercent = -1, shownPermille = -1;
    for (std::size_t j = 0; j < lineCount; ++j) {
      const int percent = roundToInt(static_cast<long double>(j) * 100 / last);
      if (percent != shownPercent) {
        steps_.push_back(percent);
        shownPercent = percent;
      }
      const int permille = roundToInt(static_cast<long double>(j) * 1000 / last);
      if (permille != shownPermille && permille % 20 == 0) steps_.push_back(kRepaint);
      shownPermille = permille;
    }
  }
  void replay(SplitterView& view) const {
    for (int step : steps_) {
      if (step == kRepaint) {
        view.repaint();
      } else {
        view.setGauge(step);
      }
    }
  }

 private:
  static constexpr int kRepaint = -1;
  std::vector<int> steps_;  // a percentage for the gauge, or kRepaint
};

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

}  // namespace

void WorkingCopy::save() const { writeLines(path, lines); }

std::string sessionFileName(const std::string& exportPath, int session) {
  return withSuffix(exportPath, "-sessie" + formatInt(session));
}

std::string removedFileName(const std::string& exportPath) {
  return withSuffix(exportPath, "-verwijderd");
}

std::vector<std::string> selectSessionLines(const std::vector<std::string>& lines,
                                            const ExportBlocks& blocks,
                                            const std::vector<std::string>& codes,
                                            bool removedFile) {
  const std::vector<SplitSelection::File> files = {{&codes, removedFile}};
  SplitSelection selection(lines, blocks, files);
  std::vector<int> indexes;
  selection.linesOf(0, indexes);
  std::vector<std::string> selected;
  selected.reserve(indexes.size());
  for (int i : indexes) selected.push_back(lines[i]);
  return selected;
}

Splitter::Splitter(std::string workingDir, SplitterView& view, MessageBox& messageBox)
    : workingDir_(std::move(workingDir)), view_(view), messageBox_(messageBox) {
  copy_.path = joinPath(workingDir_, kWorkingCopyName);
}

void Splitter::activate(long long availableMegabytes) {
  tubes_.clear();
  removed_.clear();
  restart(availableMegabytes);
  // Every position is accepted; positions beyond the list are added as
  // files are opened.
  flags_.clear();
}

void Splitter::reset(long long availableMegabytes) { restart(availableMegabytes); }

void Splitter::restart(long long availableMegabytes) {
  available_ = availableMegabytes;
  table_.clear();
  controls_ = SplitControls{};
  recomputeFrom(available_);
}

bool Splitter::open(const std::string& exportPath) {
  if (sameFile(exportPath, copy_.path)) {
    messageBox_.show("Het bestand " + exportPath + " is de werkkopie van het opsplitsen; " +
                     "kies het oorspronkelijke DINO-bestand.");
    return false;
  }
  view_.setStatus("Inlezen van " + exportPath + " ....");
  std::vector<std::string> lines = readLines(exportPath);
  writeLines(copy_.path, lines);
  view_.setStatus("");
  if (!isDinoExport(lines)) {
    messageBox_.show("Opsplitsen pre-milennium formaat OLGA-bestanden wordt niet ondersteund.");
    return false;
  }

  tubes_.clear();
  removed_.clear();
  controls_.btbttnOpen = false;
  view_.setStatus("Scannen van " + exportPath + " ...");
  std::vector<std::string> codes;
  ExportBlocks blocks;
  try {
    if (lines.size() > static_cast<std::size_t>(kMaxExportLines)) {
      throw Error(ErrorKind::kInput,
                  exportPath + ": meer dan " + formatInt(kMaxExportLines) + " regels");
    }
    blocks = locateBlocks(lines, exportPath);
    int column = findTitleColumn(lines[blocks.metaTitle], kLocationTitle);
    if (column == 0) {
      throw Error(ErrorKind::kInput, exportPath + ":" + formatInt(blocks.metaTitle + 1) +
                                         ": de titel \"LOCATIE\" ontbreekt in de kopregel");
    }
    std::unordered_set<std::string> seen;
    for (int i = blocks.metaFirst; i <= blocks.metaLast; ++i) {
      std::string code(csvField(lines[i], column));
      if (!seen.insert(code).second) continue;
      if (static_cast<int>(codes.size()) == kMaxSplitTubes) {
        throw Error(ErrorKind::kInput,
                    exportPath + ": meer dan " + formatInt(kMaxSplitTubes) + " buizen");
      }
      codes.push_back(std::move(code));
    }
  } catch (const Error& e) {
    controls_.btbttnOpen = true;
    view_.setStatus("");
    messageBox_.show(std::string("Het bestand kan niet worden opgesplitst:\n") + e.what());
    return false;
  }
  exportPath_ = exportPath;
  copy_.lines = std::move(lines);
  copy_.blocks = blocks;
  tubes_ = std::move(codes);
  // A flag for every position of the list; flags already set by an earlier
  // assessment stay as they are until the window is activated again.
  if (flags_.size() < tubes_.size()) flags_.resize(tubes_.size(), true);
  controls_.edtY = true;
  controls_.btbttnOK = true;
  recomputeFrom(y_);
  view_.setStatus("");
  return true;
}

bool Splitter::recompute(std::string_view yText) {
  std::int64_t y = 0;
  if (valInt(yText, y) != 0) {
    view_.setStatus("Getal invoeren !");
    return false;
  }
  recomputeFrom(y);
  return true;
}

void Splitter::recomputeFrom(long long y) {
  y_ = y;
  // A negative size is only a moment of typing; it never makes a session
  // of fewer than one tube.
  z_ = std::max<long long>(y / kSessionMegabytesPerTube, 1);
  const long long count = static_cast<long long>(tubes_.size());
  s_ = count / z_ + (count % z_ != 0 ? 1 : 0);
  if (s_ > count) s_ = count;
}

bool Splitter::confirm(std::string_view yText) {
  std::int64_t y = 0;
  if (valInt(yText, y) != 0) {
    messageBox_.show("Getal invoeren !");
    return false;
  }
  if (y <= kSessionMegabytesPerTube || y > available_) {
    messageBox_.show("Getal moet in domein <60;" + formatInt(available_) + "] liggen.");
    return false;
  }
  recomputeFrom(y);
  controls_.edtY = false;
  controls_.btbttnOK = false;
  controls_.btbttnTrash = true;
  controls_.bttnNODEL = true;
  controls_.chckbxAUTODEL = true;
  controls_.btbttnAUTO = true;
  controls_.btbttnReset = true;
  controls_.btbttnSAVE = false;
  return true;
}

void Splitter::moveCodes(std::vector<std::string>& from, std::vector<std::string>& to,
                         std::vector<int> positions) {
  std::sort(positions.begin(), positions.end());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  std::vector<bool> selected(from.size(), false);
  for (int p : positions) {
    if (p >= 0 && p < static_cast<int>(from.size())) selected[p] = true;
  }
  std::vector<std::string> kept;
  for (std::size_t i = 0; i < from.size(); ++i) {
    if (selected[i]) {
      to.push_back(from[i]);
    } else {
      kept.push_back(from[i]);
    }
  }
  if (kept.size() == from.size()) return;
  from = std::move(kept);
  // The receiving list keeps itself in alphabetical order.
  std::stable_sort(to.begin(), to.end(), alphabetical);
  recomputeFrom(y_);
  // A split made before the move no longer matches the lists: it has to be
  // made again before the files can be saved.
  controls_.btbttnSAVE = false;
}

void Splitter::removeTubes(const std::vector<int>& positions) {
  moveCodes(tubes_, removed_, positions);
}

void Splitter::restoreTubes(const std::vector<int>& removedPositions) {
  moveCodes(removed_, tubes_, removedPositions);
}

void Splitter::removeRejected() {
  std::vector<int> rejected;
  for (std::size_t p = 0; p < tubes_.size() && p < flags_.size(); ++p) {
    if (!flags_[p]) rejected.push_back(static_cast<int>(p));
  }
  removeTubes(rejected);
}

void Splitter::autoSplit() {
  table_.clear();
  const long long count = static_cast<long long>(tubes_.size());
  recomputeFrom(y_);
  // Rows beyond the number of tubes would stay empty in every column.
  const long long rows = std::min(z_, std::max<long long>(count, 1)) + 1;
  table_.assign(static_cast<std::size_t>(s_), std::vector<std::string>(rows));
  for (long long i = 1; i <= count; ++i) {
    const long long column = (i - 1) / z_;
    const long long row = (i - 1) % z_ + 1;
    table_[column][row] = tubes_[i - 1];
    table_[column][0] = "Sessie" + formatInt(column + 1);
  }
  controls_.btbttnSAVE = true;
}

std::vector<std::string> Splitter::save() {
  recomputeFrom(y_);
  const SplitControls before = controls_;
  controls_.btbttnTrash = false;
  controls_.bttnNODEL = false;
  controls_.chckbxAUTODEL = false;
  controls_.btbttnAUTO = false;
  controls_.btbttnReset = false;
  controls_.btbttnSAVE = false;
  view_.setGauge(0);
  view_.showGauge(true);
  view_.showFileLabel(true);

  std::vector<std::string> written;
  try {
    // The working copy as it is on disk now (the assessment may have marked
    // rows in it), read once for all files.
    const std::vector<std::string> lines = readLines(copy_.path);
    std::vector<std::vector<std::string>> sessionCodes;
    sessionCodes.reserve(table_.size());
    std::vector<SplitSelection::File> files;
    std::vector<std::string> paths;
    for (std::size_t k = 0; k < table_.size(); ++k) {
      sessionCodes.emplace_back(table_[k].begin() + 1, table_[k].end());
      paths.push_back(sessionFileName(exportPath_, static_cast<int>(k + 1)));
    }
    for (const std::vector<std::string>& codes : sessionCodes) files.push_back({&codes, false});
    files.push_back({&removed_, true});
    paths.push_back(removedFileName(exportPath_));

    const SplitSelection selection(lines, copy_.blocks, files);
    const GaugeSteps gauge(lines.size());
    std::vector<int> indexes;
    for (std::size_t f = 0; f < files.size(); ++f) {
      view_.setFileLabel(baseName(paths[f]));
      gauge.replay(view_);
      selection.linesOf(f, indexes);
      LineWriter out(paths[f]);
      for (int i : indexes) out.write(lines[i]);
      out.close();
      written.push_back(paths[f]);
    }
  } catch (...) {
    controls_ = before;
    view_.showGauge(false);
    view_.setFileLabel("");
    throw;
  }
  view_.setFileLabel("Gereed.");
  return written;
}

void Splitter::close() {
  if (fileExists(copy_.path)) removeFile(copy_.path);
}

}  // namespace phreatix
