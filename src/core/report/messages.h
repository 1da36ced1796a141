// The message lists through which the program reports to its user, the read
// error, the fatal stop and the session log Phreatix.log.
//
// mmBUIS ("Huidige DINO-buis in bewerking") lists what was started, mmLOG
// ("Meldingen ") what came of it, mmSTOPEXIT the lines the exit window shows
// when the program ends. Lines are appended whole and only grow, except that
// resetting the coupling empties mmLOG. A window or the command line observes
// the lists through a MessageSink and shows each line as it is appended.
#pragma once

#include <string>
#include <vector>

#include "error.h"

namespace phreatix {

enum class MessageListId { kBuis, kLog, kStopExit };

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

  const std::vector<std::string>& lines(MessageListId list) const;
  const std::vector<std::string>& buis() const { return buis_; }
  const std::vector<std::string>& log() const { return log_; }
  const std::vector<std::string>& stopExit() const { return stopExit_; }

  // The one observer of the lists (null for none); not owned.
  void setSink(MessageSink* sink) { sink_ = sink; }

 private:
  std::vector<std::string>& list(MessageListId id);

  std::vector<std::string> buis_;
  std::vector<std::string> log_;
  std::vector<std::string> stopExit_;
  MessageSink* sink_ = nullptr;
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
