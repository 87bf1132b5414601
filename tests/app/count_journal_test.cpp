// count's journal as a run that was killed, or a machine that stopped, leaves it: the last line
// cut short is cut off and counted again, anything else amiss refuses the file whole.

#include "app/count_journal.h"

#include <gtest/gtest.h>

#include <string>

namespace cubepack {

namespace {

using general::TaskCount;

// Share 2/3 of a list of 10 tasks.
JournalHeader Header() {
  return JournalHeader{std::string("a21fcfc72b8e63c5"), false, 1, 3, std::string("1"),
                       std::string("022cd0bc0b564bee"), 10};
}

// The header and tasks 1, 4 and 7 of share 2/3; task 4's count past 2^64.
std::string Journal() {
  const BigCount big = (BigCount{1} << 100) + 7;
  return JournalHeaderLine(Header()) + JournalTaskLine(1, {5, 2}) + JournalTaskLine(4, {big, 0}) +
         JournalTaskLine(7, {0, 0});
}

TEST(CountJournal, ReadsWhatItWrote) {
  EXPECT_EQ(JournalHeaderLine(Header()),
            "cubepack-solutions count journal 1 puzzle a21fcfc72b8e63c5 mirror no shard 2/3 "
            "engine 1 task-list 022cd0bc0b564bee tasks 10 3703eaa68a15565d\n");
  EXPECT_EQ(JournalTaskLine(4, {(BigCount{1} << 100) + 7, 0}),
            "task 4 1267650600228229401496703205383 0 ed918511790ab56d\n");
  const std::string bytes = Journal();
  const JournalContents c = ReadJournal(bytes, Header());
  ASSERT_EQ(c.error, "");
  EXPECT_EQ(c.keep, bytes.size());
  EXPECT_FALSE(c.writeHeader);
  EXPECT_EQ(c.doneCount, 3u);
  ASSERT_EQ(c.done.size(), 10u);
  EXPECT_TRUE(c.done[1] && c.done[4] && c.done[7] && !c.done[0] && !c.done[2]);
  EXPECT_TRUE(c.counts[1].all == 5 && c.counts[1].imaged == 2);
  EXPECT_TRUE(c.counts[4].all == (BigCount{1} << 100) + 7);
  // Nothing yet, or a first line cut short: written anew.
  EXPECT_TRUE(ReadJournal("", Header()).writeHeader);
  const JournalContents torn = ReadJournal(bytes.substr(0, 40), Header());
  EXPECT_EQ(torn.error, "");
  EXPECT_TRUE(torn.writeHeader);
  EXPECT_EQ(torn.keep, 0u);
}

TEST(CountJournal, CutsOffOnlyATornLastLine) {
  const std::string bytes = Journal();
  const std::size_t lastLine = bytes.rfind('\n', bytes.size() - 2) + 1;
  // Without its line end, with a wrong checksum, or not a task line at all.
  for (const std::string& tail :
       {bytes.substr(0, bytes.size() - 1), bytes.substr(0, bytes.size() - 2) + "0\n",
        bytes.substr(0, lastLine) + "task 7\n"}) {
    SCOPED_TRACE(tail.substr(lastLine));
    const JournalContents c = ReadJournal(tail, Header());
    EXPECT_EQ(c.error, "");
    EXPECT_EQ(c.keep, lastLine);
    EXPECT_EQ(c.doneCount, 2u);
    EXPECT_FALSE(c.done[7]);
  }
  // A damaged line with one after it is no write cut short.
  std::string damaged = bytes;
  damaged[lastLine - 3] = damaged[lastLine - 3] == '0' ? '1' : '0';
  EXPECT_EQ(ReadJournal(damaged, Header()).error,
            "a damaged line before the last: the journal is corrupt");
  EXPECT_EQ(ReadJournal(damaged, Header()).errorLine, 3u);
  // A task twice, even as the whole last line, or one of another share or past the list.
  const JournalContents twice = ReadJournal(bytes + JournalTaskLine(4, {1, 0}), Header());
  EXPECT_EQ(twice.error, "task 4 a second time");
  EXPECT_EQ(twice.errorLine, 5u);
  EXPECT_EQ(ReadJournal(bytes + JournalTaskLine(3, {1, 0}), Header()).error,
            "task 3 is none of this count's");
  EXPECT_EQ(ReadJournal(bytes + JournalTaskLine(10, {1, 0}), Header()).error,
            "task 10 is none of this count's");
}

TEST(CountJournal, RefusesAnotherCountsJournal) {
  const std::string bytes = Journal();
  const auto error = [&](JournalHeader h) { return ReadJournal(bytes, h).error; };
  JournalHeader h = Header();
  h.puzzle = std::string("b21fcfc72b8e63c5");
  EXPECT_EQ(error(h), "a journal of another puzzle");
  h = Header();
  h.mirror = true;
  EXPECT_EQ(error(h), "a journal of the count without --mirror");
  h = Header();
  h.shardIndex = 0;
  EXPECT_EQ(error(h), "a journal of share 2/3, not 1/3");
  h = Header();
  h.engine = std::string("2");
  EXPECT_EQ(error(h), "a journal of engine version 1, not 2");
  h = Header();
  h.tasks = 11;
  EXPECT_EQ(error(h), "a journal of another task list");
  h = Header();
  h.taskList = std::string("122cd0bc0b564bee");
  EXPECT_EQ(error(h), "a journal of another task list");
  EXPECT_EQ(ReadJournal("box 3 4 5\n", Header()).error, "not a count journal");
  EXPECT_EQ(ReadJournal("box 3 4 5", Header()).error, "not a count journal");
  std::string edited = bytes;
  edited[bytes.find("tasks 10") + 6] = '9';
  EXPECT_EQ(ReadJournal(edited, Header()).error, "the first line is damaged");
}

}  // namespace

}  // namespace cubepack
