#include "app/count_journal.h"

#include <cinttypes>
#include <cstdio>
#include <utility>

#include "shared/big_count.h"
#include "shared/hash.h"

namespace cubepack {

namespace {

using general::TaskCount;

constexpr std::string_view kMagic = "cubepack-solutions count journal 1";

std::string Hex16(std::uint64_t v) {
  char text[24];
  std::snprintf(text, sizeof text, "%016" PRIx64, v);
  return text;
}

std::string Checksum(std::string_view body) {
  Fnv1a fnv;
  for (const char c : body) fnv.Byte(static_cast<std::uint8_t>(c));
  return Hex16(fnv.value());
}

std::string Sealed(const std::string& body) { return body + " " + Checksum(body) + "\n"; }

// The line without its checksum, when the checksum is there and right.
bool Unsealed(std::string_view line, std::string_view& body) {
  const std::size_t space = line.rfind(' ');
  if (space == std::string_view::npos) return false;
  body = line.substr(0, space);
  return line.substr(space + 1) == Checksum(body);
}

// The words between single spaces; false for an empty one.
bool Words(std::string_view text, std::vector<std::string_view>& words) {
  words.clear();
  for (std::size_t at = 0;;) {
    const std::size_t space = text.find(' ', at);
    words.push_back(text.substr(at, space - at));
    if (words.back().empty()) return false;
    if (space == std::string_view::npos) return true;
    at = space + 1;
  }
}

// The first of the header's values that tells the journal's count from `want`'s, as a phrase;
// "" when all agree. Both are `key value` words after the magic words, in the same order.
std::string HeaderDifference(const std::vector<std::string_view>& got,
                             const std::vector<std::string_view>& want) {
  const auto value = [](const std::vector<std::string_view>& words, std::string_view key) {
    for (std::size_t i = 0; i + 1 < words.size(); i += 2)
      if (words[i] == key) return std::string(words[i + 1]);
    return std::string();
  };
  if (value(got, "mirror") != value(want, "mirror"))
    return value(got, "mirror") == "yes" ? "a journal of the count with --mirror"
                                         : "a journal of the count without --mirror";
  if (value(got, "puzzle") != value(want, "puzzle")) return "a journal of another puzzle";
  if (value(got, "shard") != value(want, "shard"))
    return "a journal of share " + value(got, "shard") + ", not " + value(want, "shard");
  if (value(got, "engine") != value(want, "engine"))
    return "a journal of engine version " + value(got, "engine") + ", not " + value(want, "engine");
  if (value(got, "task-list") != value(want, "task-list") ||
      value(got, "tasks") != value(want, "tasks"))
    return "a journal of another task list";
  return "";
}

// "" when the first line names the count `expected` names, else why not.
std::string CheckHeader(std::string_view line, const JournalHeader& expected) {
  if (!line.starts_with(std::string(kMagic) + " ")) return "not a count journal";
  std::string_view body;
  if (!Unsealed(line, body)) return "the first line is damaged";
  if (body.size() <= kMagic.size()) return "not a count journal";
  const std::string want = JournalHeaderLine(expected);
  std::vector<std::string_view> gotWords, wantWords;
  const std::string_view wantBody = std::string_view(want).substr(0, want.rfind(' '));
  if (!Words(body.substr(kMagic.size() + 1), gotWords) ||
      !Words(wantBody.substr(kMagic.size() + 1), wantWords) || gotWords.size() != wantWords.size())
    return "not a count journal";
  for (std::size_t i = 0; i < gotWords.size(); i += 2)
    if (gotWords[i] != wantWords[i]) return "not a count journal";
  const std::string difference = HeaderDifference(gotWords, wantWords);
  if (!difference.empty()) return difference;
  return body == wantBody ? "" : "not a count journal";
}

// A task line's index and count; false for any other line.
bool ParseTaskLine(std::string_view line, std::size_t& task, TaskCount& count) {
  std::string_view body;
  std::vector<std::string_view> words;
  BigCount index = 0;
  if (!Unsealed(line, body) || !Words(body, words) || words.size() != 4 || words[0] != "task" ||
      !ParseCount(words[1], index) || index > SIZE_MAX || !ParseCount(words[2], count.all) ||
      !ParseCount(words[3], count.imaged))
    return false;
  task = static_cast<std::size_t>(index);
  return true;
}

// The task lines from byte `at` on, into `c`, up to a last line cut short.
void ReadTasks(std::string_view bytes, std::size_t at, const JournalHeader& expected,
               JournalContents& c) {
  c.done.assign(expected.tasks, false);
  c.counts.assign(expected.tasks, TaskCount{});
  for (std::size_t line = 2; at < bytes.size(); ++line) {
    const std::size_t end = bytes.find('\n', at);
    if (end == std::string_view::npos) break;
    std::size_t task = 0;
    TaskCount count;
    c.errorLine = line;
    if (!ParseTaskLine(bytes.substr(at, end - at), task, count)) {
      if (end + 1 == bytes.size()) break;
      c.error = "a damaged line before the last: the journal is corrupt";
      return;
    }
    const auto shards = static_cast<std::size_t>(expected.shardCount);
    if (task >= expected.tasks || task % shards != static_cast<std::size_t>(expected.shardIndex)) {
      c.error = "task " + std::to_string(task) + " is none of this count's";
      return;
    }
    if (c.done[task]) {
      c.error = "task " + std::to_string(task) + " a second time";
      return;
    }
    c.done[task] = true;
    c.counts[task] = count;
    ++c.doneCount;
    at = end + 1;
  }
  c.errorLine = 0;
  c.keep = at;
}

}  // namespace

std::string JournalHeaderLine(const JournalHeader& h) {
  return Sealed(std::string(kMagic) + " puzzle " + h.puzzle + " mirror " +
                (h.mirror ? "yes" : "no") + " shard " + std::to_string(h.shardIndex + 1) + "/" +
                std::to_string(h.shardCount) + " engine " + h.engine + " task-list " + h.taskList +
                " tasks " + std::to_string(h.tasks));
}

std::string JournalTaskLine(std::size_t task, const TaskCount& count) {
  return Sealed("task " + std::to_string(task) + " " + CountText(count.all) + " " +
                CountText(count.imaged));
}

JournalContents ReadJournal(std::string_view bytes, const JournalHeader& expected) {
  JournalContents c;
  const std::size_t end = bytes.find('\n');
  if (end == std::string_view::npos) {
    // The first line cut short as it was written, or nothing yet: written anew.
    c.writeHeader = JournalHeaderLine(expected).starts_with(bytes);
    if (!c.writeHeader) c.error = "not a count journal";
    return c;
  }
  c.error = CheckHeader(bytes.substr(0, end), expected);
  if (c.error.empty()) ReadTasks(bytes, end + 1, expected, c);
  return c;
}

bool CountJournal::Open(std::string& error) { return file_.Open(path_, bytes_, error); }

bool CountJournal::Begin(std::size_t tasks, std::uint64_t taskFingerprint) {
  header_.tasks = tasks;
  header_.taskList = Hex16(taskFingerprint);
  contents_ = ReadJournal(bytes_, header_);
  const std::size_t size = bytes_.size();
  bytes_ = std::string();
  if (!contents_.error.empty()) {
    error_ = path_;
    if (contents_.errorLine > 0) error_ += ':' + std::to_string(contents_.errorLine);
    error_ += ": " + contents_.error;
    return false;
  }
  if (contents_.keep < size && !file_.Truncate(contents_.keep, error_)) return false;
  return !contents_.writeHeader || file_.Append(JournalHeaderLine(header_), error_);
}

bool CountJournal::Done(std::size_t task, TaskCount& count) {
  if (task >= contents_.done.size() || !contents_.done[task]) return false;
  count = contents_.counts[task];
  return true;
}

bool CountJournal::Finished(std::size_t task, const TaskCount& count) {
  return file_.Append(JournalTaskLine(task, count), error_);
}

}  // namespace cubepack
