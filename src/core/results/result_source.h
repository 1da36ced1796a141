// The files of one tube as the results read them: the loose file in the
// working directory, or, once the tube is packed, the member of its archive
// S.zip, read into memory (nothing is extracted to disk), never more than
// kMaxResultFileBytes of either.
//
// Entry point: TubeFiles.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace phreatix {

// The most a file the results read may hold. The largest of them, the
// trace of the filter (S.upd) and the meteo files (S.met, S.sim), have a line
// per day of the meteo file and per reading, at most 2 x MAXDAT lines of
// some 80 characters (about 6 MB; the demo's are under 1 MB). The
// calibration traces, far larger, are read by no result. A file or member
// above this is damaged, or not the program's.
inline constexpr long long kMaxResultFileBytes = 64LL << 20;

class TubeFiles {
 public:
  // `stem` is the 8-character stem of the tube's files.
  TubeFiles(std::string workingDir, std::string stem);
  ~TubeFiles();
  TubeFiles(const TubeFiles&) = delete;
  TubeFiles& operator=(const TubeFiles&) = delete;

  // The text of stem + ext (ext with its point, ".sta"): the loose file when
  // it is there, else the member of S.zip of that name (case ignored); no
  // value when neither holds it. A file or member that cannot be read, or
  // that holds (or whose archive says it holds) more than
  // kMaxResultFileBytes, raises an I/O error naming it.
  std::optional<std::string> read(const std::string& ext) const;
  // The same, with an input error naming the file when it is absent.
  std::string require(const std::string& ext) const;
  // Whether the file or member is there; an archive that does not open
  // raises its I/O error here too.
  bool has(const std::string& ext) const;

  const std::string& stem() const { return stem_; }
  // "S.ext" as the messages name it.
  std::string name(const std::string& ext) const { return stem_ + ext; }

 private:
  struct Archive;
  Archive* archive() const;  // opened on first use; null when there is no S.zip

  std::string dir_;
  std::string stem_;
  mutable std::unique_ptr<Archive> archive_;
  mutable bool archiveTried_ = false;
  mutable std::string archiveFailure_;  // why S.zip did not open; empty when it did
};

}  // namespace phreatix
