#include "preprocessor/splitter.h"

#include <algorithm>
#include <filesystem>
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

// Finds any of a set of codes inside a line: the codes grouped by length,
// every window of the line of such a length looked up once.
class CodeMatcher {
 public:
  explicit CodeMatcher(const std::vector<std::string>& codes) {
    for (const std::string& code : codes) {
      if (code.empty()) continue;
      if (codes_.insert(code).second) lengths_.push_back(code.size());
    }
    std::sort(lengths_.begin(), lengths_.end());
    lengths_.erase(std::unique(lengths_.begin(), lengths_.end()), lengths_.end());
  }
  bool matches(std::string_view line) const {
    for (std::size_t length : lengths_) {
      for (std::size_t i = 0; i + length <= line.size(); ++i) {
        if (codes_.count(line.substr(i, length))) return true;
      }
    }
    return false;
  }

 private:
  std::unordered_set<std::string_view> codes_;
  std::vector<std::size_t> lengths_;
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
  CodeMatcher matcher(codes);
  std::vector<std::string> selected;
  const int n = static_cast<int>(lines.size());
  for (int i = 0; i < n; ++i) {
    const std::string& line = lines[i];
    bool take = i < blocks.metaFirst || line.size() < kShortLine || matcher.matches(line);
    if (!take) {
      take = removedFile ? containsKey(line, kLocationTitle) : i == blocks.measFirst - 1;
    }
    if (take) selected.push_back(line);
  }
  return selected;
}

Splitter::Splitter(std::string workingDir, SplitterView& view, MessageBox& messageBox)
    : workingDir_(std::move(workingDir)),
      view_(view),
      messageBox_(messageBox),
      flags_(kMaxSplitTubes, true) {
  copy_.path = joinPath(workingDir_, kWorkingCopyName);
}

void Splitter::activate(long long availableMegabytes) {
  tubes_.clear();
  removed_.clear();
  restart(availableMegabytes);
  std::fill(flags_.begin(), flags_.end(), true);
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
  for (std::size_t p = 0; p < tubes_.size(); ++p) {
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
  auto writeOne = [&](const std::string& path, const std::vector<std::string>& codes,
                      bool removedFile) {
    view_.setFileLabel(baseName(path));
    std::vector<std::string> lines = readLines(copy_.path);
    std::vector<std::string> selected = selectSessionLines(lines, copy_.blocks, codes, removedFile);
    // The gauge follows the lines of the working copy; the windows are
    // repainted every 2 % of them.
    const long double last = lines.size() > 1 ? static_cast<long double>(lines.size() - 1) : 1;
    int shownPercent = -1, shownPermille = -1;
    for (std::size_t j = 0; j < lines.size(); ++j) {
      const int percent = roundToInt(static_cast<long double>(j) * 100 / last);
      if (percent != shownPercent) {
        view_.setGauge(percent);
        shownPercent = percent;
      }
      const int permille = roundToInt(static_cast<long double>(j) * 1000 / last);
      if (permille != shownPermille && permille % 20 == 0) view_.repaint();
      shownPermille = permille;
    }
    writeLines(path, selected);
    written.push_back(path);
  };
  try {
    for (std::size_t k = 0; k < table_.size(); ++k) {
      std::vector<std::string> codes(table_[k].begin() + 1, table_[k].end());
      writeOne(sessionFileName(exportPath_, static_cast<int>(k + 1)), codes, false);
    }
    writeOne(removedFileName(exportPath_), removed_, true);
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
