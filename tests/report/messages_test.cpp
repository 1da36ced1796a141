#include "report/messages.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

class RecordingSink : public MessageSink {
 public:
  void appended(MessageListId list, const std::string& line) override {
    events.push_back(std::to_string(static_cast<int>(list)) + ":" + line);
  }
  void cleared(MessageListId list) override {
    events.push_back(std::to_string(static_cast<int>(list)) + ":cleared");
  }
  std::vector<std::string> events;
};

TEST(Messages, SinkSeesEveryLineAsItIsAppended) {
  Messages m;
  RecordingSink sink;
  m.setSink(&sink);
  m.appendBuis("b1");
  m.appendLog("l1");
  m.appendStopExit("e1");
  m.clear(MessageListId::kLog);
  m.appendLog("l2");
  EXPECT_EQ(sink.events, (std::vector<std::string>{"0:b1", "1:l1", "2:e1", "1:cleared", "1:l2"}));
  EXPECT_EQ(m.log(), (std::vector<std::string>{"l2"}));
  EXPECT_EQ(m.lines(MessageListId::kBuis), m.buis());
}

// Each line is tagged as it is appended with the phase begun last and the
// tube set then; a tube set for a while is undone when it ends, and a
// worker's recorded lines take the tags of the lists they are replayed
// into. Emptying a list empties its tags.
TEST(Messages, EachLineCarriesItsPhaseAndTube) {
  Messages m;
  m.appendLog("vooraf");
  m.beginPhase("start");
  m.appendLog("dataset");
  MessageRecord worker;
  worker.messages().beginPhase("elders");
  worker.messages().setTube("ELDERS");
  worker.messages().appendBuis("van de werker");
  {
    TubeLines tube(m, "28AL0005");
    m.appendLog("buis");
    m.beginPhase("ds");
    replayLines(worker.takeLines(), m);
  }
  m.appendStopExit("einde");
  EXPECT_EQ(m.phases(), (std::vector<std::string>{"start", "ds"}));
  EXPECT_EQ(m.tags(MessageListId::kLog),
            (std::vector<LineTag>{{LineTag::kNoPhase, ""}, {0, ""}, {0, "28AL0005"}}));
  EXPECT_EQ(m.tags(MessageListId::kBuis), (std::vector<LineTag>{{1, "28AL0005"}}));
  EXPECT_EQ(m.tags(MessageListId::kStopExit), (std::vector<LineTag>{{1, ""}}));
  m.clear(MessageListId::kLog);
  EXPECT_TRUE(m.tags(MessageListId::kLog).empty());
  m.appendLog("na het legen");
  EXPECT_EQ(m.tags(MessageListId::kLog), (std::vector<LineTag>{{1, ""}}));
}

TEST(Messages, ReadErrorStopsOnlyOnANonZeroCode) {
  Messages m;
  readError(m, 0, "(inlezen jaar in x.csv)");
  EXPECT_TRUE(m.stopExit().empty());
  EXPECT_THROW(readError(m, 3, "(inlezen jaar in /data/export.csv)", "export.csv:12: year"),
               FatalStop);
  EXPECT_EQ(m.stopExit(),
            (std::vector<std::string>{"Inleesfout !(inlezen jaar in /data/export.csv)",
                                      "export.csv:12: year"}));
}

TEST(SessionLog, LayoutAndReplacement) {
  test::TempDir dir;
  Messages m;
  m.appendLog("Buis 28AL0005 >50 m. verplaatst. Oudste deel meetreeks verwijderd uit bestand.");
  m.appendBuis("een");
  m.appendBuis("twee");
  m.appendBuis("drie");
  try {
    readError(m, 1, "(inlezen jaar in data.csv)");
  } catch (const FatalStop&) {
  }
  ASSERT_TRUE(writeSessionLog(m, dir.path()));
  EXPECT_EQ(dir.read("Phreatix.log"),
            "Buis 28AL0005 >50 m. verplaatst. Oudste deel meetreeks verwijderd uit bestand.\n"
            "%%%%Uitgevoerde bewerkingen:%%%%\n"
            "een\ntwee\ndrie\n"
            "****** AFSLUITING PROGRAMMA ******\n"
            "Inleesfout !(inlezen jaar in data.csv)\n");

  // A second program run in the same directory replaces the log.
  Messages second;
  ASSERT_TRUE(writeSessionLog(second, dir.path()));
  EXPECT_EQ(dir.read("Phreatix.log"),
            "%%%%Uitgevoerde bewerkingen:%%%%\n****** AFSLUITING PROGRAMMA ******\n");

  // A directory that cannot be written: no log, no exception.
  EXPECT_FALSE(writeSessionLog(m, dir.file("no/such/dir")));
}

}  // namespace
}  // namespace phreatix
