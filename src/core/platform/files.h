// Files of the working directory: whole-file line reading and writing, and
// the few file-system questions the program asks (exists, delete, free space).
//
// Every text reader drops one trailing CR from each line: exports and files
// made on Windows end their lines in CR LF, and a CR left on a title
// ("EIND DATUM\r") would silently move a column. A file whose lines end in
// CR alone (an old Mac's, a spreadsheet's there) is split at its CRs: read
// at LF only it would be one line, an export without a single reading. Every write is checked: a
// file that could not be written completely raises an I/O error.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "text/free_reader.h"

namespace phreatix {

// The lines of a text file, each without its line end (LF or CR LF; in a
// text whose CRs not followed by LF outnumber its LFs, also CR alone). A
// final line without a line end counts; a file ending in a line end has no
// empty last line. Raises an I/O error naming the file when it cannot be read.
std::vector<std::string> readLines(const std::string& path);

// The whole content of a file; an I/O error naming it when it cannot be read.
std::string readFileText(const std::string& path);
// A free-format reader over the whole file; an unreadable file is an I/O
// error naming it.
FreeReader freeReaderOfFile(const std::string& path);

// Splits text into lines as readLines does.
std::vector<std::string> splitLines(std::string_view text);

// Writes the lines, each followed by LF, replacing the file.
void writeLines(const std::string& path, const std::vector<std::string>& lines);

// A file written line by line. `close` (or the destructor, which cannot
// report) flushes; a failed write or close raises an I/O error naming the file.
class LineWriter {
 public:
  explicit LineWriter(const std::string& path);
  ~LineWriter();
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  void write(std::string_view line);  // the line and LF
  void close();

 private:
  void check();
  std::string path_;
  std::ofstream out_;
  bool closed_ = false;
};

// A file of the working directory written whole, then put in place: the
// writer (a LineWriter, or a library that makes its own file) writes path(),
// a new file in a new folder of its own beside the target (".NAME.XXXXXX",
// made exclusively, so no link can be waiting there), and commit() renames
// it over the target. A target that is there as anything but a regular file
// (a symbolic link, a folder, a device) is refused, when the file is staged
// and again at the commit, and stays as it was; should a link be planted in
// between, the rename replaces the link itself and writes nothing through
// it. Without a commit the new file and its folder are removed and the
// target is left untouched.
class StagedFile {
 public:
  // An I/O error naming the target when it is there and no regular file, or
  // when the folder cannot be made.
  explicit StagedFile(const std::string& target);
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  const std::string& path() const { return path_; }  // where to write
  // Renames path() over the target: an I/O error naming the target when
  // the target turned into something else than a regular file, or the
  // rename fails.
  void commit();

 private:
  std::string target_;
  std::string folder_;
  std::string path_;
};

// An I/O error naming `path` unless it is absent or a regular file (a
// symbolic link, even to a regular file, is refused).
void refuseUnlessRegularFile(const std::string& path);
// Makes the folder `path` (not its parents' parents) unless it is there as a
// folder; an I/O error naming it when it is there as anything else (a
// symbolic link, even to a folder) or cannot be made.
void makeOwnFolder(const std::string& path);

bool fileExists(const std::string& path);
// Copies src over dst (replacing it); true when the copy is complete.
bool copyFile(const std::string& src, const std::string& dst);
// DOS-style wildcard match, without regard to case: '*' any run of
// characters, '?' one character ("*.u01" matches "28AL0005.U01").
bool wildcardMatch(std::string_view name, std::string_view pattern);
// The names (not paths) of the regular files in `dir` matching `pattern`,
// in alphabetical order.
std::vector<std::string> listFiles(const std::string& dir, std::string_view pattern);
// Deletes the file if it is there; true when it is gone afterwards.
bool removeFile(const std::string& path);
// Moves src over dst (replacing it) within one drive; false when src is
// not there or cannot be moved.
bool moveFile(const std::string& src, const std::string& dst);

// The scratch directories of the workers of one loop, `dir`/.phreatix-werk/0
// .. count-1, made empty at construction and removed with everything in them
// at destruction (a working directory holds none afterwards). Throws an Error
// naming the directory when one cannot be made.
class ScratchDirs {
 public:
  ScratchDirs(const std::string& dir, std::size_t count);
  ~ScratchDirs();
  ScratchDirs(const ScratchDirs&) = delete;
  ScratchDirs& operator=(const ScratchDirs&) = delete;
  const std::string& operator[](std::size_t slot) const { return slots_[slot]; }

 private:
  std::string root_;
  std::vector<std::string> slots_;
};

// Free bytes available to this process on the drive that holds `dir`.
std::uint64_t freeBytes(const std::string& dir);
std::string currentDirectory();
// dir + "/" + name; name alone when dir is empty or name is an absolute path.
std::string joinPath(const std::string& dir, const std::string& name);

// True for a bare file name, one that can only name a file in the
// directory it is joined to: not empty, not "." or "..", no '/' or '\\',
// no control character.
bool isBareFileName(std::string_view name);
// A bare name that is also safe as the stem of a tube's files and in the
// wildcards that later stages list them by: no '*', '?', '[' or ']'.
bool isSafeStem(std::string_view stem);
// joinPath for a file name read from a file (`source` names that file): an
// input error when the name is not bare.
std::string workingFile(const std::string& dir, const std::string& name, const std::string& source);

}  // namespace phreatix
