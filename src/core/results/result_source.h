// The files of one tube as the results read them: the loose file in the
// working directory, or, once the tube is packed, the member of its archive
// S.zip, read into memory (nothing is extracted to disk).
//
// Entry point: TubeFiles.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace phreatix {

class TubeFiles {
 public:
  // `stem` is the 8-character stem of the tube's files.
  TubeFiles(std::string workingDir, std::string stem);
  ~TubeFiles();
  TubeFiles(const TubeFiles&) = delete;
  TubeFiles& operator=(const TubeFiles&) = delete;

  // The text of stem + ext (ext with its point, ".sta"): the loose file when
  // it is there, else the member of S.zip of that name (case ignored); no
  // value when neither holds it. A file or member that cannot be read raises
  // an I/O error naming it.
  std::optional<std::string> read(const std::string& ext) const;
  // The same, with an input error naming the file when it is absent.
  std::string require(const std::string& ext) const;
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
};

}  // namespace phreatix
