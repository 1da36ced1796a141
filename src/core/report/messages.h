// The message lists through which the program reports to its user, the read
// error, the fatal stop and the session log Phreatix.log.
//
// mmBUIS ("Huidige DINO-buis in bewerking") lists what was started, mmLOG
// ("Meldingen ") what came of it, mmSTOPEXIT the lines the exit window shows
// when the program ends. Lines are appended whole and only grow, except that
// resetting the coupling empties mmLOG. A window or the command line observes
// the lists through a MessageSink and shows each line as it is appended.
//
// Each line is tagged, as it is appended, with the phase of the run it
// belongs to and the tube it is about, so that the lines of runs over parts
// of a data set can be put together as one run over the whole writes them.
// The tags live beside the lines in memory only; Phreatix.log holds the
// text alone.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "error.h"

namespace phreatix {

enum class MessageListId { kBuis, kLog, kStopExit };

// Where a line stands in the run: the phase it was appended in (an index
// into Messages::phases(); kNoPhase before the first phase began) and the
// stem of the tube it is about ("" for a line about the data set as a
// whole).
struct LineTag {
  static constexpr std::size_t kNoPhase = static_cast<std::size_t>(-1);
  std::size_t phase = kNoPhase;
  std::string tube;
  bool operator==(const LineTag&) const = default;
};

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void appended(MessageListId list, const std::string& line) = 0;
  virtual void cleared(MessageListId /*list*/) {}
};

class Messages {
 public:
  void append(MessageListId list, std::string line);
  void appendBuis(std::string line) { append(MessageListId::kBuis, std::move(line)); }
  void appendLog(std::string line) { append(MessageListId::kLog, std::move(line)); }
  void appendStopExit(std::string line) { append(MessageListId::kStopExit, std::move(line)); }
  void clear(MessageListId list);

  const std::vector<std::string>& lines(MessageListId list) const { return lists_[index(list)]; }
  const std::vector<std::string>& buis() const { return lines(MessageListId::kBuis); }
  const std::vector<std::string>& log() const { return lines(MessageListId::kLog); }
  const std::vector<std::string>& stopExit() const { return lines(MessageListId::kStopExit); }
  // The tags of a list's lines, one per line.
  const std::vector<LineTag>& tags(MessageListId list) const { return tags_[index(list)]; }

  // A phase of the run begins: the lines appended from now on are its.
  void beginPhase(std::string name);
  // The phases begun, in order.
  const std::vector<std::string>& phases() const { return phases_; }
  // The tube the lines appended from now on are about ("" for none).
  void setTube(std::string stem) { tube_ = std::move(stem); }
  const std::string& tube() const { return tube_; }

  // The one observer of the lists (null for none); not owned.
  void setSink(MessageSink* sink) { sink_ = sink; }

 private:
  static std::size_t index(MessageListId id) { return static_cast<std::size_t>(id); }

  // Per list, in the order of MessageListId: its lines and their tags.
  std::array<std::vector<std::string>, 3> lists_;
  std::array<std::vector<LineTag>, 3> tags_;
  std::vector<std::string> phases_;
  std::size_t phase_ = LineTag::kNoPhase;
  std::string tube_;
  MessageSink* sink_ = nullptr;
};

// The lines appended to `messages` while it lives are about tube `stem`;
// the tube before it is the lists' tube again when it ends.
class TubeLines {
 public:
  TubeLines(Messages& messages, std::string stem) : messages_(messages), before_(messages.tube()) {
    messages_.setTube(std::move(stem));
  }
  ~TubeLines() { messages_.setTube(std::move(before_)); }
  TubeLines(const TubeLines&) = delete;
  TubeLines& operator=(const TubeLines&) = delete;

 private:
  Messages& messages_;
  std::string before_;
};

// The lines a worker appends to its own lists, kept in the order appended,
// to be appended to the session's lists when the worker's item is taken.
// `from` and `to` put a path back: a worker's scratch directory in a line
// is named as the working directory it stands in for.
class MessageRecord : public MessageSink {
 public:
  MessageRecord() { own_.setSink(this); }
  MessageRecord(const MessageRecord&) = delete;
  MessageRecord& operator=(const MessageRecord&) = delete;
  // The lists the worker appends to.
  Messages& messages() { return own_; }
  void appended(MessageListId list, const std::string& line) override;
  // Hands over the lines appended since the last call and empties the lists.
  std::vector<std::pair<MessageListId, std::string>> takeLines();

 private:
  Messages own_;
  std::vector<std::pair<MessageListId, std::string>> lines_;
};

// Appends recorded lines, in order, with every `from` in them written as `to`.
void replayLines(const std::vector<std::pair<MessageListId, std::string>>& lines,
                 Messages& messages, const std::string& from = std::string(),
                 const std::string& to = std::string());
// `text` with every `from` written as `to`.
std::string replacedPath(std::string text, const std::string& from, const std::string& to);

// The fatal stop: the caller has put its lines in mmSTOPEXIT (and, where it
// reports there too, in mmLOG). Unwinds to the front end, which shows the exit
// window's lines, writes the session log and ends the process.
[[noreturn]] void fatalStop(FatalStop::Reason reason = FatalStop::Reason::kInputError);

// The read error of a text-to-number conversion. With code 0 (the whole text
// was a number) nothing happens. Otherwise "Inleesfout !" + text goes to
// mmSTOPEXIT, followed by `detail` (file, line and field, when given) on a
// line of its own, and the fatal stop follows.
void readError(Messages& messages, int code, const std::string& text,
               const std::string& detail = std::string());

inline constexpr const char* kSessionLogName = "Phreatix.log";
inline constexpr const char* kLogBuisMarker = "%%%%Uitgevoerde bewerkingen:%%%%";
inline constexpr const char* kLogEndMarker = "****** AFSLUITING PROGRAMMA ******";

// The lines of the session log: mmLOG, the first marker, mmBUIS, the closing
// marker, mmSTOPEXIT.
std::vector<std::string> sessionLogLines(const Messages& messages);

// Writes Phreatix.log into `dir`, replacing an older one. A directory that is
// not writable is no reason to stop differently: the result only tells
// whether the log was written, and nothing is thrown.
bool writeSessionLog(const Messages& messages, const std::string& dir) noexcept;

}  // namespace phreatix
