#include "general/solver/polycube_count.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

#include "general/model/puzzle_line.h"
#include "general/solver/cell_masks.h"
#include "general/solver/polycube_cover_search.h"
#include "general/solver/polycube_pruning.h"
#include "general/solver/polycube_tables.h"
#include "general/solver/puzzle_tasks.h"
#include "general/solver/task_pool.h"

namespace cubepack::general {

namespace {

template <class M>
class Searcher {
 public:
  Searcher(const SearchTables<M>& t, const std::vector<Task<M>>& tasks,
           const std::vector<std::size_t>& mine)
      : t_(t), tasks_(tasks), mine_(mine), dead_(t), exact_(t) {}

  // The packings below task mine_[k] (of its symmetry's kind).
  std::uint64_t Run(std::size_t k, const std::atomic<bool>&) {
    const Task<M>& task = tasks_[mine_[k]];
    if (t_.exact && IsFull(task.board)) return 1;
    if (task.symmetry == 0) return exact_.Count(task.board, task.counts.data(), task.left);
    counts_ = task.counts;
    units_ = t_.units[task.symmetry - 1].data();
    unitRanges_ = t_.unitRanges[task.symmetry - 1].data();
    if (!t_.exact) {
      cellOrbits_ = t_.cellOrbits[task.symmetry - 1].data();
      return OpenInvariant(task.board, 0);
    }
    return Invariant(task.board);
  }

 private:
  // Where not every piece must be placed nor every cell covered: the first undecided cell is
  // covered by a unit, or (one that may stay empty) left empty with its whole orbit, since the
  // packing is its own image.
  std::uint64_t OpenInvariant(M board, int holes) {
    if (IsFull(board)) {
      for (int c = 0; c < t_.classes; ++c)
        if (t_.copies[c] - counts_[c] < t_.minCopies[c]) return 0;
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
      if (Hits(u.mask, board) || !Take(u)) continue;
      total += OpenInvariant(board | u.mask, holes);
      Give(u);
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
      if (!Take(u)) continue;
      total += Invariant(board | u.mask);
      Give(u);
    }
    return total;
  }

  bool Take(const OrbitUnit<M>& u) {
    if (counts_[u.c[0]] < u.n[0]) return false;
    counts_[u.c[0]] = static_cast<std::uint8_t>(counts_[u.c[0]] - u.n[0]);
    if (counts_[u.c[1]] < u.n[1]) {
      counts_[u.c[0]] = static_cast<std::uint8_t>(counts_[u.c[0]] + u.n[0]);
      return false;
    }
    counts_[u.c[1]] = static_cast<std::uint8_t>(counts_[u.c[1]] - u.n[1]);
    return true;
  }
  void Give(const OrbitUnit<M>& u) {
    counts_[u.c[0]] = static_cast<std::uint8_t>(counts_[u.c[0]] + u.n[0]);
    counts_[u.c[1]] = static_cast<std::uint8_t>(counts_[u.c[1]] + u.n[1]);
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
};

// Adds weight * count to sum; false when it passes 2^64.
bool AddWeighted(std::uint64_t& sum, std::uint64_t count, std::uint64_t weight) {
  std::uint64_t term = 0;
  return !__builtin_mul_overflow(count, weight, &term) && !__builtin_add_overflow(sum, term, &sum);
}

template <class M>
CountSums Count(const PolycubePuzzle& p, int jobs, int shardIndex, int shardCount,
                CountProgress* progress, TaskLimits limits) {
  const SearchTables<M> tables = BuildSearchTables<M>(p);
  const std::vector<Task<M>> all = MakeTasks(p, tables, true, limits);
  CountSums sums;
  sums.divisor = tables.firstCopies;
  sums.cellFixingSymmetries = static_cast<std::uint64_t>(SymmetriesFixingEveryCell(p));
  sums.tasks = all.size();
  sums.taskFingerprint = TaskListFingerprint(all, tables.classes);
  std::vector<std::size_t> mine;
  for (std::size_t i = 0; i < all.size(); ++i)
    if (static_cast<int>(i % static_cast<std::size_t>(shardCount)) == shardIndex) mine.push_back(i);
  sums.tasksCounted = mine.size();
  RunTasks<std::uint64_t>(
      mine.size(), jobs, mine.size(),
      [&] { return std::make_unique<Searcher<M>>(tables, all, mine); },
      [&](std::size_t k, std::uint64_t count) {
        const Task<M>& task = all[mine[k]];
        std::uint64_t& sum = task.symmetry == 0 ? sums.weightedFixed : sums.invariant;
        if (!AddWeighted(sum, count, task.weight)) sums.overflow = true;
        return true;
      },
      [&](std::size_t done) {
        if (progress != nullptr) progress->TasksDone(done, mine.size());
      });
  if (progress != nullptr) progress->TasksDone(mine.size(), mine.size());
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
                        CountProgress* progress, TaskLimits limits) {
  if (puzzle.cells.size() <= 64)
    return Count<std::uint64_t>(puzzle, jobs, shardIndex, shardCount, progress, limits);
  return Count<WideMask>(puzzle, jobs, shardIndex, shardCount, progress, limits);
}

bool FinishCount(const CountSums& sums, int symmetries, std::uint64_t& fixed,
                 std::uint64_t& classes, std::string& error) {
  if (sums.overflow) {
    error = "the count passes 2^64";
    return false;
  }
  if (sums.divisor == 0 || sums.weightedFixed % sums.divisor != 0) {
    error = "internal fault: the fixed sum is not a multiple of the first piece's copies";
    return false;
  }
  fixed = sums.weightedFixed / sums.divisor;
  std::uint64_t burnside = 0;
  if (__builtin_mul_overflow(fixed, sums.cellFixingSymmetries + 1, &burnside) ||
      __builtin_add_overflow(burnside, sums.invariant, &burnside)) {
    error = "the count passes 2^64";
    return false;
  }
  if (symmetries <= 0 || burnside % static_cast<std::uint64_t>(symmetries) != 0) {
    error = "internal fault: the orbit count is not a whole number";
    return false;
  }
  classes = burnside / static_cast<std::uint64_t>(symmetries);
  return true;
}

}  // namespace cubepack::general
