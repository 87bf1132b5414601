#pragma once
// count --journal FILE: every task's count as it is finished, one line each on the disk, so that
// a count of days survives a kill or a stopped machine and goes on where it stopped.
//
// The file is text. Its first line names the count:
//   cubepack-solutions count journal 1 puzzle <hash> mirror <yes|no> shard <K/N> engine <version>
//   task-list <fingerprint> tasks <n> <checksum>
// (one line), and each line after it a finished task, by its index in the whole list:
//   task <index> <packings> <packings whose mirror image is one> <checksum>
// The checksum is the FNV-1a hash (64 bits, 16 hex digits) of the line's bytes before the space
// that precedes it. A last line without its line end, or whose checksum or form is wrong, is a
// write the run did not finish: it is cut off and its task counted again. Any other bad line, a
// task twice or a task of another count, and the file is damaged: refused, left as it is.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "general/solver/polycube_count.h"
#include "shared/platform.h"

namespace cubepack {

// What a journal's first line names.
struct JournalHeader {
  std::string puzzle;  // the puzzle's hash, 16 hex digits
  bool mirror = false;
  int shardIndex = 0, shardCount = 1;
  std::string engine;    // kEngineVersion
  std::string taskList;  // the task list's fingerprint, 16 hex digits
  std::size_t tasks = 0;
};

// The lines as they are written, each with its checksum and line end.
std::string JournalHeaderLine(const JournalHeader& header);
std::string JournalTaskLine(std::size_t task, const general::TaskCount& count);

// What a journal's bytes hold for the count `expected` names.
struct JournalContents {
  std::string error;          // why the journal is refused, "" when it is not
  std::size_t errorLine = 0;  // the line the error is about (from 1), 0 for the whole file
  std::size_t keep = 0;       // bytes of its whole lines; the rest is cut off
  bool writeHeader = false;   // no first line yet (an empty file, or a first line cut short)
  std::vector<bool> done;     // per task of the whole list: counted
  std::vector<general::TaskCount> counts;  // per task: its count, where done
  std::size_t doneCount = 0;
};
JournalContents ReadJournal(std::string_view bytes, const JournalHeader& expected);

// The journal of one run of count, as CountPackings uses it.
class CountJournal final : public general::TaskJournal {
 public:
  // `header` without the task list and its size, which Begin learns.
  CountJournal(std::string path, JournalHeader header)
      : path_(std::move(path)), header_(std::move(header)) {}

  // Opens (or makes) the file and reads it; false with a one-line `error`.
  bool Open(std::string& error);

  bool Begin(std::size_t tasks, std::uint64_t taskFingerprint) override;
  bool Done(std::size_t task, general::TaskCount& count) override;
  bool Finished(std::size_t task, const general::TaskCount& count) override;

  // Why the journal stopped the count, one line; "" when it did not.
  const std::string& error() const { return error_; }
  // Tasks counted before this run.
  std::size_t resumed() const { return contents_.doneCount; }

 private:
  std::string path_;
  JournalHeader header_;
  SyncedFile file_;
  std::string bytes_;  // as read, until Begin
  JournalContents contents_;
  std::string error_;
};

}  // namespace cubepack
