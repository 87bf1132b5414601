#include "general/solver/polycube_count.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>
#include <vector>

#include "general/model/puzzle_line.h"
#include "general/solver/cell_masks.h"
#include "general/solver/link_search.h"
#include "general/solver/linked_tasks.h"
#include "general/solver/memo_count.h"
#include "general/solver/polycube_cover_search.h"
#include "general/solver/polycube_pruning.h"
#include "general/solver/polycube_tables.h"
#include "general/solver/puzzle_tasks.h"
#include "general/solver/task_pool.h"
#include "general/solver/unit_copies.h"

namespace cubepack::general {

namespace {

template <class M>
class Searcher {
 public:
  Searcher(const SearchTables<M>& t, const std::vector<Task<M>>& tasks,
           const std::vector<std::size_t>& mine)
      : t_(t), tasks_(tasks), mine_(mine), dead_(t), exact_(t) {}

  // The packings below task mine_[k] (of its symmetry's kind). Once `stop` is set no result is
  // taken any more, so the search may give up.
  TaskCount Run(std::size_t k, const std::atomic<bool>& stop) {
    exact_.ListTo(nullptr, &stop);
    const Task<M>& task = tasks_[mine_[k]];
    if (t_.exact && IsFull(task.board)) return {1, 0};
    if (task.symmetry == 0) {
      const std::uint64_t n = exact_.Count(task.board, task.counts.data(), task.left);
      return {n, exact_.Imaged()};
    }
    counts_ = task.counts;
    units_ = t_.units[task.symmetry - 1].data();
    unitRanges_ = t_.unitRanges[task.symmetry - 1].data();
    if (t_.exact) return {Invariant(task.board), 0};
    cellOrbits_ = t_.cellOrbits[task.symmetry - 1].data();
    imaged_ = 0;
    const std::uint64_t n = OpenInvariant(task.board, 0);
    return {n, imaged_};
  }

 private:
  // Where not every piece must be placed nor every cell covered: the first undecided cell is
  // covered by a unit, or (one that may stay empty) left empty with its whole orbit, since the
  // packing is its own image.
  std::uint64_t OpenInvariant(M board, int holes) {
    if (IsFull(board)) {
      for (int c = 0; c < t_.classes; ++c)
        if (t_.copies[c] - counts_[c] < t_.minCopies[c]) return 0;
      if (t_.mirrorSome && MirrorImageFits(t_, counts_.data())) ++imaged_;
      return 1;
    }
    const int y = FirstClear(board);
    std::uint64_t total = 0;
    if (!HasCell(t_.must, y)) {
      const M orbit = cellOrbits_[y];
      const int more = BitCount(orbit);
      if (t_.maxHoles < 0 || holes + more <= t_.maxHoles)
        total += OpenInvariant(board | orbit, holes + more);
    }
    const EntryRange r = unitRanges_[y];
    for (std::uint32_t i = r.begin; i < r.end; ++i) {
      const OrbitUnit<M>& u = units_[i];
      if (Hits(u.mask, board) || !TakeCopies(counts_.data(), u)) continue;
      total += OpenInvariant(board | u.mask, holes);
      GiveCopies(counts_.data(), u);
    }
    return total;
  }

  // Packings that the task's symmetry maps onto themselves, one orbit unit at a time.
  std::uint64_t Invariant(M board) {
    if (IsFull(board)) return 1;
    const EntryRange r = unitRanges_[FirstClear(board)];
    std::uint64_t total = 0;
    for (std::uint32_t i = r.begin; i < r.end; ++i) {
      const OrbitUnit<M>& u = units_[i];
      if (Hits(u.mask, board)) continue;
      // Pockets end these branches too: a reflection of a flat box maps every packing
      // onto itself, so this search can be as large as the count's own.
      if (t_.pocketTest && dead_.Pocket(board | u.mask)) continue;
      if (!TakeCopies(counts_.data(), u)) continue;
      total += Invariant(board | u.mask);
      GiveCopies(counts_.data(), u);
    }
    return total;
  }

  const SearchTables<M>& t_;
  const std::vector<Task<M>>& tasks_;
  const std::vector<std::size_t>& mine_;
  DeadEnds<M> dead_;
  CoverSearch<M> exact_;
  std::array<std::uint8_t, kMaxShapeClasses> counts_{};
  const OrbitUnit<M>* units_ = nullptr;
  const EntryRange* unitRanges_ = nullptr;
  const M* cellOrbits_ = nullptr;
  std::uint64_t imaged_ = 0;
};

// Adds the packings of a task of symmetry g (0: a fixed-piece task) to the sums of its kind.
void AddTask(const PolycubePuzzle& p, int g, std::uint64_t weight, TaskCount count,
             CountSums& sums) {
  bool fits = true;
  if (g == 0) {
    fits = AddWeighted(sums.weightedFixed, count.all, weight) &&
           AddWeighted(sums.weightedFixedImaged, count.imaged, weight);
  } else if (!sums.mirrorSome || g < p.rotations) {
    fits = AddWeighted(sums.invariant, count.all, weight) &&
           AddWeighted(sums.invariantImaged, count.imaged, weight);
  } else {
    fits = AddWeighted(sums.invariantReflections, count.all, weight);
  }
  if (!fits || count.overflow) sums.overflow = true;
}

// A worker's search below the tasks of a target over 128 cells.
class LinkedSearcher {
 public:
  LinkedSearcher(const PolycubePuzzle& p, const LinkRows& rows, const LinkedTasks& tasks,
                 const std::vector<std::size_t>& mine)
      : p_(p), tasks_(tasks), mine_(mine), fixed_(p, rows), copies_(ClassCopies(p)) {}

  TaskCount Run(std::size_t k, const std::atomic<bool>& stop) {
    fixed_.ListTo(nullptr, &stop);
    const LinkedTask& task = tasks_.tasks[mine_[k]];
    if (task.symmetry == 0) {
      std::vector<int> chosen;
      if (task.placement >= 0) chosen.push_back(task.placement);
      const std::uint64_t n = fixed_.Count(chosen, copies_.data());
      return {n, fixed_.Imaged()};
    }
    const LinkRows units = UnitRows(p_, task.symmetry);
    LinkSearch invariant(p_, units);
    invariant.ListTo(nullptr, &stop);
    const std::uint64_t n = invariant.Count({}, copies_.data());
    return {n, invariant.Imaged()};
  }

 private:
  const PolycubePuzzle& p_;
  const LinkedTasks& tasks_;
  const std::vector<std::size_t>& mine_;
  LinkSearch fixed_;
  std::vector<int> copies_;
};

// A worker's memo search: one task counts the packings, each of the others those of one
// symmetry. The table is the worker's own and starts empty for each symmetry.
class MemoSearcher {
 public:
  MemoSearcher(const PolycubePuzzle& p, const std::vector<int>& symmetryOf,
               const std::vector<std::size_t>& mine, std::size_t bytes)
      : symmetryOf_(symmetryOf), mine_(mine), memo_(MakeMemoCounter(p, bytes)) {}

  TaskCount Run(std::size_t k, const std::atomic<bool>&) {
    const BigCount n = memo_->Count(symmetryOf_[mine_[k]]);
    return {n, 0, memo_->Overflowed()};
  }

 private:
  const std::vector<int>& symmetryOf_;
  const std::vector<std::size_t>& mine_;
  std::unique_ptr<MemoCounter> memo_;
};

// The tasks i with i % shardCount == shardIndex.
std::vector<std::size_t> Mine(std::size_t tasks, int shardIndex, int shardCount) {
  std::vector<std::size_t> mine;
  for (std::size_t i = 0; i < tasks; ++i)
    if (static_cast<int>(i % static_cast<std::size_t>(shardCount)) == shardIndex) mine.push_back(i);
  return mine;
}

// Counts the tasks `mine` of the whole list, each count added in task order; those the journal
// has are added as they were counted, the others searched by workers `make(todo)` makes and
// handed to the journal. `kind(i)` is task i's symmetry and weight.
template <class Make, class Kind>
void RunCounts(const PolycubePuzzle& p, const std::vector<std::size_t>& mine, int jobs, Make make,
               Kind kind, CountProgress* progress, TaskJournal* journal, CountSums& sums) {
  std::vector<std::size_t> todo;
  if (journal != nullptr && !journal->Begin(sums.tasks, sums.taskFingerprint)) return;
  for (const std::size_t i : mine) {
    TaskCount count;
    if (journal == nullptr || !journal->Done(i, count)) {
      todo.push_back(i);
      continue;
    }
    const auto [g, weight] = kind(i);
    AddTask(p, g, weight, count, sums);
  }
  const std::size_t before = mine.size() - todo.size();
  RunTasks<TaskCount>(
      todo.size(), jobs, todo.size(), [&] { return make(todo); },
      [&](std::size_t k, TaskCount count) {
        const auto [g, weight] = kind(todo[k]);
        AddTask(p, g, weight, count, sums);
        // A count that passed 2^128 is no count: it stops the run and stays out of the journal.
        return !count.overflow && (journal == nullptr || journal->Finished(todo[k], count));
      },
      [&](std::size_t done) {
        if (progress != nullptr) progress->TasksDone(before + done, mine.size());
      });
  if (progress != nullptr) progress->TasksDone(mine.size(), mine.size());
}

CountSums CountLinked(const PolycubePuzzle& p, int jobs, int shardIndex, int shardCount,
                      CountProgress* progress, TaskJournal* journal) {
  const LinkedTasks all = MakeLinkedTasks(p, true);
  const LinkRows rows = PlacementRows(p);
  CountSums sums;
  sums.divisor = all.firstCopies;
  sums.cellFixingSymmetries = static_cast<std::uint64_t>(SymmetriesFixingEveryCell(p));
  sums.tasks = all.tasks.size();
  sums.taskFingerprint = all.fingerprint;
  sums.mirrorSome = p.mirrorPackings == MirrorPackings::kSome;
  sums.rotations = static_cast<std::uint64_t>(p.rotations);
  const std::vector<std::size_t> mine = Mine(all.tasks.size(), shardIndex, shardCount);
  sums.tasksCounted = mine.size();
  RunCounts(
      p, mine, jobs,
      [&](const std::vector<std::size_t>& todo) {
        return std::make_unique<LinkedSearcher>(p, rows, all, todo);
      },
      [&](std::size_t i) { return std::make_pair(all.tasks[i].symmetry, all.tasks[i].weight); },
      progress, journal, sums);
  return sums;
}

CountSums CountMemo(const PolycubePuzzle& p, int jobs, int shardIndex, int shardCount,
                    CountProgress* progress, std::size_t bytes, TaskJournal* journal) {
  std::vector<int> symmetryOf = {0};
  for (int g = 1; g < SymmetryCount(p); ++g)
    if (!FixesEveryCell(p, g)) symmetryOf.push_back(g);
  CountSums sums;
  sums.cellFixingSymmetries = static_cast<std::uint64_t>(SymmetriesFixingEveryCell(p));
  sums.tasks = symmetryOf.size();
  Fnv1a fnv;
  fnv.Value(0x6d656d6f);  // another list than the enumeration's, though as long
  for (const int g : symmetryOf) fnv.Value(static_cast<std::uint64_t>(g));
  sums.taskFingerprint = fnv.value();
  sums.rotations = static_cast<std::uint64_t>(p.rotations);
  const std::vector<std::size_t> mine = Mine(symmetryOf.size(), shardIndex, shardCount);
  sums.tasksCounted = mine.size();
  const auto workers =
      std::max<std::size_t>(1, std::min(mine.size(), static_cast<std::size_t>(std::max(jobs, 1))));
  RunCounts(
      p, mine, jobs,
      [&](const std::vector<std::size_t>& todo) {
        return std::make_unique<MemoSearcher>(p, symmetryOf, todo, bytes / workers);
      },
      [&](std::size_t i) { return std::make_pair(symmetryOf[i], std::uint64_t{1}); }, progress,
      journal, sums);
  return sums;
}

template <class M>
CountSums Count(const PolycubePuzzle& p, int jobs, int shardIndex, int shardCount,
                CountProgress* progress, TaskLimits limits, TaskJournal* journal) {
  const SearchTables<M> tables = BuildSearchTables<M>(p);
  const std::vector<Task<M>> all = MakeTasks(p, tables, true, limits);
  CountSums sums;
  sums.divisor = tables.firstCopies;
  sums.cellFixingSymmetries = static_cast<std::uint64_t>(SymmetriesFixingEveryCell(p));
  sums.tasks = all.size();
  sums.taskFingerprint = TaskListFingerprint(all, tables.classes);
  sums.mirrorSome = tables.mirrorSome;
  sums.rotations = static_cast<std::uint64_t>(p.rotations);
  std::vector<std::size_t> mine;
  for (std::size_t i = 0; i < all.size(); ++i)
    if (static_cast<int>(i % static_cast<std::size_t>(shardCount)) == shardIndex) mine.push_back(i);
  sums.tasksCounted = mine.size();
  RunCounts(
      p, mine, jobs,
      [&](const std::vector<std::size_t>& todo) {
        return std::make_unique<Searcher<M>>(tables, all, todo);
      },
      [&](std::size_t i) { return std::make_pair(all[i].symmetry, all[i].weight); }, progress,
      journal, sums);
  return sums;
}

}  // namespace

PuzzleBuild BuildForCount(const PuzzleText& text, bool mirror) {
  // The longest axis slowest and the shortest fastest, so that the first empty cell runs
  // along a short line; but a target two cells thick is filled one layer after the other,
  // which measured three times faster on the 2 x 5 x 6 box.
  std::array<int, 3> high = {0, 0, 0};
  for (const Point& p : text.target) {
    high[0] = std::max(high[0], p.x);
    high[1] = std::max(high[1], p.y);
    high[2] = std::max(high[2], p.z);
  }
  std::array<int, 3> low = high;
  for (const Point& p : text.target) {
    low[0] = std::min(low[0], p.x);
    low[1] = std::min(low[1], p.y);
    low[2] = std::min(low[2], p.z);
  }
  std::array<int, 3> extent;
  for (int i = 0; i < 3; ++i) extent[i] = high[i] - low[i] + 1;
  std::array<int, 3> axes = {0, 1, 2};
  std::stable_sort(axes.begin(), axes.end(), [&](int a, int b) {
    if ((extent[a] == 2) != (extent[b] == 2)) return extent[a] == 2;
    return extent[a] > extent[b];
  });
  return BuildPolycubePuzzle(text, mirror, axes);
}

CountSums CountPackings(const PolycubePuzzle& puzzle, int jobs, int shardIndex, int shardCount,
                        CountProgress* progress, TaskLimits limits, TaskJournal* journal) {
  if (limits.memoBytes >= kMinMemoBytes &&
      (limits.memoEverywhere ? MemoFits(puzzle) : MemoPays(puzzle)))
    return CountMemo(puzzle, jobs, shardIndex, shardCount, progress, limits.memoBytes, journal);
  if (limits.links) return CountLinked(puzzle, jobs, shardIndex, shardCount, progress, journal);
  if (puzzle.cells.size() <= 64)
    return Count<std::uint64_t>(puzzle, jobs, shardIndex, shardCount, progress, limits, journal);
  if (puzzle.cells.size() <= 128)
    return Count<WideMask>(puzzle, jobs, shardIndex, shardCount, progress, limits, journal);
  return CountLinked(puzzle, jobs, shardIndex, shardCount, progress, journal);
}

namespace {

constexpr const char* kPastLimit = "the count passes 2^128";

// Burnside's sum (the fixed count, once more for each symmetry that fixes every cell, and the
// others' invariant packings) divided by the group's order; false when it does not divide.
bool Orbits(BigCount fixed, std::uint64_t again, BigCount invariant, std::uint64_t order,
            BigCount& orbits, std::string& error) {
  BigCount sum = invariant;
  if (!AddWeighted(sum, fixed, BigCount{again} + 1)) {
    error = kPastLimit;
    return false;
  }
  if (order == 0 || sum % order != 0) {
    error = "internal fault: the orbit count is not a whole number";
    return false;
  }
  orbits = sum / order;
  return true;
}

}  // namespace

bool FinishCount(const CountSums& sums, int symmetries, BigCount& fixed, BigCount& classes,
                 std::string& error) {
  if (sums.overflow) {
    error = kPastLimit;
    return false;
  }
  if (sums.divisor == 0 || sums.weightedFixed % sums.divisor != 0 ||
      sums.weightedFixedImaged % sums.divisor != 0) {
    error = "internal fault: the fixed sum is not a multiple of the first piece's copies";
    return false;
  }
  fixed = sums.weightedFixed / sums.divisor;
  const auto order = static_cast<std::uint64_t>(symmetries);
  if (!sums.mirrorSome)
    return Orbits(fixed, sums.cellFixingSymmetries, sums.invariant, order, classes, error);
  // The rotations' classes, less those of the packings whose mirror image is one, plus those
  // packings' classes under every symmetry (symmetries fixing every cell are reflections).
  const BigCount imaged = sums.weightedFixedImaged / sums.divisor;
  BigCount all = 0, imagedByRotations = 0, imagedByAll = 0, reflected = sums.invariantImaged;
  if (!AddCount(reflected, sums.invariantReflections)) {
    error = kPastLimit;
    return false;
  }
  if (!Orbits(fixed, 0, sums.invariant, sums.rotations, all, error) ||
      !Orbits(imaged, 0, sums.invariantImaged, sums.rotations, imagedByRotations, error) ||
      !Orbits(imaged, sums.cellFixingSymmetries, reflected, order, imagedByAll, error))
    return false;
  // The imaged packings are a part of all, closed under rotations: no more classes than all.
  if (imagedByRotations > all) {
    error = "internal fault: more classes of a part of the packings than of all";
    return false;
  }
  classes = all - imagedByRotations;
  if (!AddCount(classes, imagedByAll)) {
    error = kPastLimit;
    return false;
  }
  return true;
}

}  // namespace cubepack::general
