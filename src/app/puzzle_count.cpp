#include "app/puzzle_count.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "app/count_journal.h"
#include "app/count_json.h"
#include "app/puzzle_disassembly.h"
#include "general/input/puzzle_file.h"
#include "general/input/xmpuzzle_file.h"
#include "general/model/polycube_puzzle.h"
#include "general/model/puzzle_line.h"
#include "general/solver/polycube_count.h"
#include "general/solver/polycube_list.h"
#include "shared/big_count.h"
#include "shared/engine_version.h"
#include "shared/platform.h"
#include "shared/progress.h"

namespace cubepack {
using namespace cubepack::general;

namespace {

constexpr const char* kProgram = "cubepack-solutions";

int Fail(int status, const std::string& line) { return FailLine(status, line); }

// The share of the tasks done and the time left at this run's pace: on a terminal the line
// redrawn in place; with --progress SECONDS a line of its own that often, wherever it goes.
class TerminalProgress final : public CountProgress {
 public:
  explicit TerminalProgress(double every, const CountJournal* journal = nullptr)
      : line_(every > 0 ? false : StderrIsTerminal()), lines_(kProgram, every), journal_(journal) {}

  void TasksDone(std::size_t done, std::size_t total) override {
    const std::size_t before = journal_ != nullptr ? journal_->resumed() : 0;
    if (done == total)
      line_.Wipe();
    else if (lines_.shown())
      lines_.Tasks(done, total, before);
    else
      line_.Draw("counting " + std::to_string(total) +
                 " tasks: " + line_.ShareAndTimeLeft(done, total, before));
  }

 private:
  ProgressLine line_;
  ProgressLines lines_;
  const CountJournal* journal_;
};

std::string Hex(std::uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%016" PRIx64, v);
  return buf;
}

// How many classes come apart, and how many at each level.
std::string LevelsText(const CountRecord& r) {
  std::string s = CountText(r.solutionsDisassembled) + " of them come apart" +
                  (r.levels.empty() ? std::string("\n") : ", by level:\n");
  for (const auto& [level, count] : r.levels) s += "  " + level + ": " + CountText(count) + "\n";
  return s;
}

// Built piece by piece: the name alone may be thousands of bytes.
std::string Summary(const CountRecord& r) {
  char buf[256];
  std::string s = r.name.empty() ? std::string() : r.name + ": ";
  std::snprintf(buf, sizeof buf, "%d cells, %d pieces, %" PRIu64 " placements, %d symmetr%s%s\n",
                r.cells, r.pieces, r.placements, r.symmetries, r.symmetries == 1 ? "y" : "ies",
                !r.mirror ? " (rotations)"
                : r.rotations == static_cast<std::uint64_t>(r.symmetries)
                    ? " (rotations: no packing's mirror image is one)"
                    : " (rotations and reflections)");
  s += buf;
  if (r.atLeast) {
    s += "at least " + CountText(r.solutions) +
         " solutions (one per class under the symmetries): stopped at --limit " +
         std::to_string(r.limit) + "\n";
  } else if (r.shardCount > 0 && r.disassembled) {
    s += "share " + std::to_string(r.shardIndex + 1) + "/" + std::to_string(r.shardCount) + " of " +
         std::to_string(r.tasks) + " tasks: classes " + CountText(r.classes) + ", fixed_weighted " +
         CountText(r.fixedWeighted) + ", come apart " + CountText(r.solutionsDisassembled) +
         " (merge the shares' --json output for the count)\n";
  } else if (r.shardCount > 0) {
    s += "share " + std::to_string(r.shardIndex + 1) + "/" + std::to_string(r.shardCount) + " of " +
         std::to_string(r.tasks) + " tasks: fixed_weighted " + CountText(r.fixedWeighted) +
         ", invariant " + CountText(r.invariant) +
         " (merge the shares' --json output for the count)\n";
  } else {
    s += CountText(r.solutions) + " solutions (one per class under the symmetries), " +
         CountText(r.solutionsFixed) + " packings of the fixed target\n";
    if (r.disassembled) s += LevelsText(r);
  }
  std::snprintf(buf, sizeof buf, "%.3f s\n", r.seconds);
  return s + buf;
}

int Write(const CountRecord& r, bool json) {
  return WriteOut(kProgram, json ? FormatCountJson(r) : Summary(r));
}

// The classes as the listing's search finds them, each once, up to a limit (0: none); a search
// that ends first knows them all, and the fixed count from every packing it met on the way.
// With --disassemble, each class's assembly is taken apart on the listing's threads and its
// level tallied.
class ListedCount final : public ListingSink {
 public:
  ListedCount(const PuzzleLister& lister, std::int64_t limit, double progressEvery,
              std::size_t begin, std::size_t end)
      : lister_(lister), limit_(limit), progress_(progressEvery), begin_(begin), end_(end) {}

  void Disassemble(const PuzzleText& text, const PuzzleLine& line) {
    text_ = &text;
    line_ = &line;
  }
  std::unique_ptr<LineWork> MakeLineWork() const override {
    if (line_ == nullptr) return nullptr;
    return MakeLevelWork(*text_, *line_, LevelLines::kLevelsOnly);
  }
  void TaskPackings(std::size_t task, std::uint64_t packings) override {
    if (!AddWeighted(weighted, packings, lister_.Weight(task))) overflow = true;
  }
  bool TaskLines(std::size_t task, std::string_view lines, std::size_t count) override {
    classes += count;
    if (line_ != nullptr) disassembled += TallyLevels(lines, levels);
    progress_.TasksDone(task + 1 - begin_, end_ - begin_);
    return limit_ == 0 || classes < static_cast<std::uint64_t>(limit_);
  }

  BigCount classes = 0, weighted = 0, disassembled = 0;
  LevelCounts levels;
  bool overflow = false;

 private:
  const PuzzleLister& lister_;
  std::int64_t limit_;
  TerminalProgress progress_;
  std::size_t begin_, end_;
  const PuzzleText* text_ = nullptr;
  const PuzzleLine* line_ = nullptr;
};

// count --limit N: at least N classes, or every class and packing when there are fewer.
// count --disassemble: every class (or a share's: a contiguous run of the listing's tasks),
// and how many of them come apart, by level.
int ListedRun(const SolutionsOptions& options, const LoadedPuzzle& loaded, CountRecord& r) {
  const PuzzleLineBuild line = MakePuzzleLine(loaded.text, loaded.build.puzzle);
  const char* option = options.disassemble ? "--disassemble" : "--limit";
  if (!line.error.empty())
    return Fail(2, PuzzleSource(options) + ": " + option + ": " + line.error);
  if (options.disassemble)
    if (const std::string fault = DisassemblyFault(line.format); !fault.empty())
      return Fail(2, PuzzleSource(options) + ": " + fault);
  const PuzzleLister lister(loaded.build.puzzle, line.format);
  std::size_t begin = 0, end = lister.Tasks();
  if (options.shardCount > 0) {
    const std::size_t n = static_cast<std::size_t>(options.shardCount);
    begin = lister.Tasks() * static_cast<std::size_t>(options.shardIndex) / n;
    end = lister.Tasks() * static_cast<std::size_t>(options.shardIndex + 1) / n;
  }
  ListedCount count(lister, options.limit, options.progress, begin, end);
  if (options.disassemble) count.Disassemble(loaded.text, line.format);
  lister.List(begin, end, options.jobs, count);
  if (options.limit > 0 && count.classes >= static_cast<std::uint64_t>(options.limit)) {
    r.solutions = static_cast<std::uint64_t>(options.limit);
    r.limit = options.limit;
    r.atLeast = true;
    return 0;
  }
  if (count.overflow) return Fail(1, "the count passes 2^128");
  r.disassembled = options.disassemble;
  r.solutionsDisassembled = count.disassembled;
  r.levels = std::move(count.levels);
  if (options.shardCount > 0) {
    r.shardIndex = options.shardIndex;
    r.shardCount = options.shardCount;
    r.engine = std::string(kEngineVersion);
    r.taskList = Hex(lister.Fingerprint());
    r.tasks = lister.Tasks();
    r.classes = count.classes;
    r.fixedWeighted = count.weighted;
    r.firstPieceCopies = lister.Divisor();
    return 0;
  }
  if (count.weighted % lister.Divisor() != 0)
    return Fail(1, "internal fault: the fixed sum is not a multiple of the first piece's copies");
  r.solutions = count.classes;
  r.solutionsFixed = count.weighted / lister.Divisor();
  return 0;
}

// --memory, or a quarter of the machine's memory (at most 16 GiB; 1 GiB where the platform
// does not say): the table only grows as far as a count fills it.
std::size_t MemoBytes(const SolutionsOptions& options) {
  if (options.memory >= 0) return static_cast<std::size_t>(options.memory);
  const std::uint64_t physical = PhysicalMemoryBytes();
  const std::uint64_t bytes = physical == 0 ? std::uint64_t{1} << 30 : physical / 4;
  return static_cast<std::size_t>(std::min<std::uint64_t>(bytes, std::uint64_t{1} << 34));
}

// The sums of the count's tasks (or its share's), through --journal where given: 0, or 1 after
// one line on standard error.
int CountTasks(const SolutionsOptions& options, const PolycubePuzzle& puzzle, CountSums& sums) {
  const int shards = options.shardCount > 0 ? options.shardCount : 1;
  std::unique_ptr<CountJournal> journal;
  if (!options.journal.empty()) {
    JournalHeader header;
    header.puzzle = Hex(puzzle.hash);
    header.mirror = options.mirror;
    header.shardIndex = options.shardIndex;
    header.shardCount = shards;
    header.engine = std::string(kEngineVersion);
    journal = std::make_unique<CountJournal>(options.journal, std::move(header));
    std::string error;
    if (!journal->Open(error)) return Fail(1, error);
  }
  TerminalProgress progress(options.progress, journal.get());
  TaskLimits limits = kPuzzleTasks;
  limits.memoBytes = MemoBytes(options);
  sums = CountPackings(puzzle, options.jobs, options.shardIndex, shards, &progress, limits,
                       journal.get());
  if (journal != nullptr && !journal->error().empty()) return Fail(1, journal->error());
  return 0;
}

// Shares of one count: the same puzzle, cut the same way, counted the same way.
bool SameCount(const CountRecord& r, const CountRecord& first) {
  return r.puzzle == first.puzzle && r.mirror == first.mirror && r.shardCount == first.shardCount &&
         r.tasks == first.tasks && r.symmetries == first.symmetries &&
         r.firstPieceCopies == first.firstPieceCopies &&
         r.cellFixingSymmetries == first.cellFixingSymmetries && r.mirrorSome == first.mirrorSome &&
         r.rotations == first.rotations && r.disassembled == first.disassembled;
}

// The whole count of --disassemble shares from their sums: 0, or 1 after one line.
int MergeLevels(CountRecord& sums, CountRecord& whole) {
  if (whole.firstPieceCopies == 0 || sums.fixedWeighted % whole.firstPieceCopies != 0)
    return Fail(1, "the shares' fixed sum is not a multiple of the first piece's copies");
  whole.solutions = sums.classes;
  whole.solutionsFixed = sums.fixedWeighted / whole.firstPieceCopies;
  whole.solutionsDisassembled = sums.solutionsDisassembled;
  whole.levels = std::move(sums.levels);
  return 0;
}

// Adds a --disassemble share's classes, fixed sum and levels to `to`; false past 2^128.
bool AddLevels(CountRecord& to, const CountRecord& share) {
  bool fits = AddCount(to.classes, share.classes) &&
              AddCount(to.fixedWeighted, share.fixedWeighted) &&
              AddCount(to.solutionsDisassembled, share.solutionsDisassembled);
  for (const auto& [level, count] : share.levels) fits = AddCount(to.levels[level], count) && fits;
  return fits;
}

}  // namespace

int FailLine(int status, const std::string& line) {
  std::fprintf(stderr, "%s: %s\n", kProgram, line.c_str());
  return status;
}

std::string PuzzleSource(const SolutionsOptions& options) {
  return options.puzzle == "-" ? "standard input" : options.puzzle;
}

int LoadPuzzle(const SolutionsOptions& options, LoadedPuzzle& out) {
  // "-" is standard input, in the text form or the designers' (told apart by its first bytes).
  const bool fromInput = options.puzzle == "-";
  const std::string source = PuzzleSource(options);
  std::string text, error;
  if (fromInput && !ReadStandardInput(kMaxXmPuzzleBytes, text, error)) return Fail(2, error);
  PuzzleParse parse;
  if (fromInput ? LooksLikeXmPuzzle(text) : IsXmPuzzleName(options.puzzle)) {
    XmPuzzleRead read = fromInput ? ParseXmPuzzleBytes(text, options.problem)
                                  : ReadXmPuzzle(options.puzzle, options.problem);
    if (!read.error.empty()) return Fail(2, source + ": " + read.error);
    parse.puzzle = std::move(read.puzzle);
  } else {
    if (!options.problem.empty())
      return Fail(2, "--problem is for .xmpuzzle files, and " + source + " is none");
    if (!fromInput && !ReadSmallFile(options.puzzle, kMaxPuzzleFileBytes, text, error))
      return Fail(2, error);
    parse = ParsePuzzle(text);
  }
  if (!parse.error.empty()) {
    std::string where = source;
    if (parse.errorLine > 0) where += ':' + std::to_string(parse.errorLine);
    return Fail(2, where + ": " + parse.error);
  }
  out.text = std::move(parse.puzzle);
  out.build = BuildForCount(out.text, options.mirror);
  if (!out.build.error.empty()) return Fail(2, source + ": " + out.build.error);
  return 0;
}

int RunCount(const SolutionsOptions& options) {
  const auto start = std::chrono::steady_clock::now();
  LoadedPuzzle loaded;
  if (const int status = LoadPuzzle(options, loaded); status != 0) return status;
  const PolycubePuzzle& puzzle = loaded.build.puzzle;
  std::string error;

  CountRecord r;
  r.puzzle = Hex(puzzle.hash);
  r.name = puzzle.name;
  r.cells = static_cast<int>(puzzle.cells.size());
  r.pieces = puzzle.pieceCount;
  r.placements = puzzle.placements.size();
  r.symmetries = SymmetryCount(puzzle);
  r.rotations = static_cast<std::uint64_t>(puzzle.rotations);
  r.mirror = puzzle.mirror;
  if (options.limit > 0 || options.disassemble) {
    if (const int status = ListedRun(options, loaded, r); status != 0) return status;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return Write(r, options.json);
  }
  CountSums sums;
  if (const int status = CountTasks(options, puzzle, sums); status != 0) return status;
  if (options.shardCount > 0) {
    if (sums.overflow) return Fail(1, "the count passes 2^128");
    r.shardIndex = options.shardIndex;
    r.shardCount = options.shardCount;
    r.engine = std::string(kEngineVersion);
    r.taskList = Hex(sums.taskFingerprint);
    r.tasks = sums.tasks;
    r.fixedWeighted = sums.weightedFixed;
    r.firstPieceCopies = sums.divisor;
    r.cellFixingSymmetries = sums.cellFixingSymmetries;
    r.invariant = sums.invariant;
    r.mirrorSome = sums.mirrorSome;
    r.fixedWeightedImaged = sums.weightedFixedImaged;
    r.invariantImaged = sums.invariantImaged;
    r.invariantReflections = sums.invariantReflections;
  } else if (!FinishCount(sums, r.symmetries, r.solutionsFixed, r.solutions, error)) {
    return Fail(1, error);
  }
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return Write(r, options.json);
}

int RunMerge(const SolutionsOptions& options) {
  std::vector<CountRecord> shares;
  std::vector<int> fileOf;  // per share index: the file that gave it, -1 for none yet
  CountSums sums;
  CountRecord disassembled;  // the sums of shares with --disassemble
  double seconds = 0;
  for (std::size_t i = 0; i < options.shares.size(); ++i) {
    const std::string& path = options.shares[i];
    std::string text, error;
    if (!ReadSmallFile(path, 1 << 16, text, error)) return Fail(1, error);
    CountRecord r;
    if (!ParseShareJson(text, r, error)) return Fail(1, path + ": " + error);
    if (!shares.empty()) {
      const CountRecord& first = shares.front();
      if (!SameCount(r, first))
        return Fail(1, path + ": a share of another count than " + options.shares[0]);
      // The same puzzle cut into other tasks (the engine's tasks changed, its version did not).
      if (r.taskList != first.taskList)
        return Fail(1, path + ": a share of another task list than " + options.shares[0]);
    } else {
      fileOf.assign(static_cast<std::size_t>(r.shardCount), -1);
    }
    int& seen = fileOf[static_cast<std::size_t>(r.shardIndex)];
    if (seen >= 0)
      return Fail(1, "share " + std::to_string(r.shardIndex + 1) + "/" +
                         std::to_string(r.shardCount) + " given twice: " +
                         options.shares[static_cast<std::size_t>(seen)] + " and " + path);
    seen = static_cast<int>(i);
    if (!AddCount(sums.weightedFixed, r.fixedWeighted) || !AddCount(sums.invariant, r.invariant) ||
        !AddCount(sums.weightedFixedImaged, r.fixedWeightedImaged) ||
        !AddCount(sums.invariantImaged, r.invariantImaged) ||
        !AddCount(sums.invariantReflections, r.invariantReflections))
      sums.overflow = true;
    if (r.disassembled && !AddLevels(disassembled, r)) sums.overflow = true;
    seconds += r.seconds;
    shares.push_back(r);
  }
  for (std::size_t k = 0; k < fileOf.size(); ++k)
    if (fileOf[k] < 0)
      return Fail(
          1, "share " + std::to_string(k + 1) + "/" + std::to_string(fileOf.size()) + " missing");
  CountRecord whole = shares.front();
  whole.shardCount = 0;
  whole.shardIndex = 0;
  whole.seconds = seconds;
  if (whole.disassembled) {
    if (sums.overflow) return Fail(1, "the count passes 2^128");
    if (const int status = MergeLevels(disassembled, whole); status != 0) return status;
    return Write(whole, options.json);
  }
  sums.divisor = whole.firstPieceCopies;
  sums.cellFixingSymmetries = whole.cellFixingSymmetries;
  sums.mirrorSome = whole.mirrorSome;
  sums.rotations = whole.rotations;
  std::string error;
  if (!FinishCount(sums, whole.symmetries, whole.solutionsFixed, whole.solutions, error))
    return Fail(1, error);
  whole.seconds = seconds;
  return Write(whole, options.json);
}

}  // namespace cubepack
