#include "report/messages.h"

#include "platform/files.h"

namespace phreatix {

void Messages::beginPhase(std::string name) {
  phases_.push_back(std::move(name));
  phase_ = phases_.size() - 1;
}

void Messages::append(MessageListId id, std::string line) {
  std::vector<std::string>& target = lists_[index(id)];
  target.push_back(std::move(line));
  tags_[index(id)].push_back(LineTag{phase_, tube_});
  if (sink_) sink_->appended(id, target.back());
}

void Messages::clear(MessageListId id) {
  lists_[index(id)].clear();
  tags_[index(id)].clear();
  if (sink_) sink_->cleared(id);
}

void MessageRecord::appended(MessageListId list, const std::string& line) {
  lines_.emplace_back(list, line);
}

std::vector<std::pair<MessageListId, std::string>> MessageRecord::takeLines() {
  std::vector<std::pair<MessageListId, std::string>> lines;
  lines.swap(lines_);
  own_.setSink(nullptr);
  for (MessageListId id : {MessageListId::kBuis, MessageListId::kLog, MessageListId::kStopExit}) {
    own_.clear(id);
  }
  own_.setSink(this);
  return lines;
}

std::string replacedPath(std::string text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

void replayLines(const std::vector<std::pair<MessageListId, std::string>>& lines,
                 Messages& messages, const std::string& from, const std::string& to) {
  for (const auto& [list, line] : lines) messages.append(list, replacedPath(line, from, to));
}

void fatalStop(FatalStop::Reason reason) { throw FatalStop(reason); }

void readError(Messages& messages, int code, const std::string& text, const std::string& detail) {
  if (code == 0) return;
  messages.appendStopExit("Inleesfout !" + text);
  if (!detail.empty()) messages.appendStopExit(detail);
  fatalStop();
}

std::vector<std::string> sessionLogLines(const Messages& messages) {
  std::vector<std::string> lines;
  lines.reserve(messages.log().size() + messages.buis().size() + messages.stopExit().size() + 2);
  lines.insert(lines.end(), messages.log().begin(), messages.log().end());
  lines.emplace_back(kLogBuisMarker);
  lines.insert(lines.end(), messages.buis().begin(), messages.buis().end());
  lines.emplace_back(kLogEndMarker);
  lines.insert(lines.end(), messages.stopExit().begin(), messages.stopExit().end());
  return lines;
}

bool writeSessionLog(const Messages& messages, const std::string& dir) noexcept {
  try {
    writeLines(joinPath(dir, kSessionLogName), sessionLogLines(messages));
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace phreatix
