#include "solver/polycube_count.h"

#include <algorithm>
#include <atomic>
#include <bitset>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "model/puzzle_line.h"
#include "solver/cell_masks.h"
#include "solver/polycube_cover_search.h"
#include "solver/polycube_pruning.h"
#include "solver/polycube_tables.h"

namespace cubepack {

namespace {

constexpr int kMaxClasses = kMaxShapeClasses;
// Tasks: the states a few pieces deep, expanded a piece at a time until there are at least
// kTasksWanted (enough for 64 threads to stay busy) or after kMaxExpansionRounds.
constexpr std::size_t kTasksWanted = 4096;
constexpr int kMaxExpansionRounds = 4;

using Range = EntryRange;

// A union of a placement's images under one symmetry g, pairwise disjoint: one unit of a
// packing that g maps onto itself. It uses `n[0]` copies of class c[0] and `n[1]` of c[1].
template <class M>
struct OrbitUnit {
  M mask;
  std::uint8_t c[2];
  std::uint8_t n[2];
};

template <class M>
struct Tables : PlacementTables<M> {
  // Per symmetry g != identity (index g - 1): its units filed by anchor.
  std::vector<std::vector<OrbitUnit<M>>> units;
  std::vector<std::vector<Range>> unitRanges;  // [g - 1][anchor]
};

template <class M>
struct Task {
  M board;
  std::array<std::uint8_t, kMaxClasses> counts;
  std::uint64_t avail;  // classes with copies left
  int left;             // pieces left
  int placed;           // pieces placed
  int symmetry;  // 0: a fixed-piece task; g > 0: packings that symmetry g maps onto themselves
  std::uint64_t weight;
};

using Key = std::pair<std::uint64_t, std::uint64_t>;
Key KeyOf(const WideMask& m) { return {m.hi, m.lo}; }

template <class M>
Tables<M> BuildTables(const PolycubePuzzle& p) {
  Tables<M> t;
  static_cast<PlacementTables<M>&>(t) = BuildPlacementTables<M>(p);

  // Orbit units of every symmetry but the identity.
  std::map<Key, int> placementOf;
  for (std::size_t i = 0; i < p.placements.size(); ++i)
    placementOf[KeyOf(p.placements[i].mask)] = static_cast<int>(i);
  for (std::size_t g = 1; g < p.symmetries.size(); ++g) {
    std::vector<std::vector<OrbitUnit<M>>> byAnchor(t.cells);
    for (const ClassPlacement& q : p.placements) {
      WideMask unionMask = q.mask;
      int used[kMaxClasses] = {};
      used[q.shapeClass] = 1;
      bool disjoint = true, least = true;
      WideMask member = Image(q.mask, p.symmetries[g], t.cells);
      while (!(member == q.mask)) {
        if (!(member & unionMask).Empty()) {
          disjoint = false;
          break;
        }
        if (KeyOf(member) < KeyOf(q.mask)) least = false;
        unionMask = unionMask | member;
        ++used[p.placements[placementOf.at(KeyOf(member))].shapeClass];
        member = Image(member, p.symmetries[g], t.cells);
      }
      if (!disjoint || !least) continue;  // each orbit once, from its least member
      OrbitUnit<M> u{FromWide<M>(unionMask), {0, 0}, {0, 0}};
      int k = 0;
      bool fits = true;
      for (int c = 0; c < t.classes; ++c) {
        if (used[c] == 0) continue;
        if (k == 2 || used[c] > p.classes[c].copies) {
          fits = false;
          break;
        }
        u.c[k] = static_cast<std::uint8_t>(c);
        u.n[k] = static_cast<std::uint8_t>(used[c]);
        ++k;
      }
      if (!fits) continue;
      if (k == 1) u.c[1] = u.c[0];  // n[1] stays 0
      byAnchor[FirstSet(unionMask)].push_back(u);
    }
    std::vector<OrbitUnit<M>> units;
    std::vector<Range> ranges(t.cells);
    for (int a = 0; a < t.cells; ++a) {
      ranges[a].begin = static_cast<std::uint32_t>(units.size());
      units.insert(units.end(), byAnchor[a].begin(), byAnchor[a].end());
      ranges[a].end = static_cast<std::uint32_t>(units.size());
    }
    t.units.push_back(std::move(units));
    t.unitRanges.push_back(std::move(ranges));
  }
  return t;
}

template <class M>
class Searcher {
 public:
  explicit Searcher(const Tables<M>& t) : t_(t), dead_(t), exact_(t) {}

  std::uint64_t Count(const Task<M>& task) {
    if (IsFull(task.board)) return 1;
    if (task.symmetry == 0) return exact_.Count(task.board, task.counts.data(), task.left);
    counts_ = task.counts;
    units_ = t_.units[task.symmetry - 1].data();
    unitRanges_ = t_.unitRanges[task.symmetry - 1].data();
    return Invariant(task.board);
  }

 private:
  // Packings that the task's symmetry maps onto themselves, one orbit unit at a time.
  std::uint64_t Invariant(M board) {
    if (IsFull(board)) return 1;
    const Range r = unitRanges_[FirstClear(board)];
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

  const Tables<M>& t_;
  DeadEnds<M> dead_;
  CoverSearch<M> exact_;
  std::array<std::uint8_t, kMaxClasses> counts_{};
  const OrbitUnit<M>* units_ = nullptr;
  const Range* unitRanges_ = nullptr;
};

// The task list: one task per orbit of the first class's placements and one per symmetry
// but the identity, each expanded a few pieces deep, in a fixed order.
template <class M>
std::vector<Task<M>> MakeTasks(const PolycubePuzzle& p, const Tables<M>& t, CountSums& sums,
                               std::size_t wanted = kTasksWanted,
                               int rounds = kMaxExpansionRounds) {
  const int symmetries = SymmetryCount(p);
  const FirstClassOrbits first = ChooseFirstClass(p, PlacementImages(p));
  sums.divisor = static_cast<std::uint64_t>(p.classes[first.shapeClass].copies);

  std::vector<Task<M>> tasks;
  Task<M> root{};
  root.board = t.outside;
  for (int c = 0; c < t.classes; ++c) {
    root.counts[c] = t.copies[c];
    root.avail |= std::uint64_t{1} << c;
  }
  root.left = t.pieces;
  for (std::size_t k = 0; k < first.representatives.size(); ++k) {
    Task<M> task = root;
    const int c = first.shapeClass;
    task.board = task.board | FromWide<M>(p.placements[first.representatives[k]].mask);
    if (--task.counts[c] == 0) task.avail &= ~(std::uint64_t{1} << c);
    --task.left;
    task.placed = 1;
    task.weight = first.weights[k];
    tasks.push_back(task);
  }
  for (int g = 1; g < symmetries; ++g) {
    bool fixesEveryCell = true;
    for (int i = 0; i < t.cells; ++i)
      fixesEveryCell = fixesEveryCell && p.symmetries[g].image[i] == i;
    if (fixesEveryCell) {
      ++sums.fixedAgain;
      continue;
    }
    Task<M> task = root;
    task.symmetry = g;
    task.weight = 1;
    tasks.push_back(task);
  }

  // Expands every task by one piece (one orbit unit) until there are enough.
  for (int round = 0; round < rounds && tasks.size() < wanted; ++round) {
    std::vector<Task<M>> next;
    for (const Task<M>& task : tasks) {
      if (IsFull(task.board)) {
        next.push_back(task);
        continue;
      }
      const int anchor = FirstClear(task.board);
      if (task.symmetry == 0) {
        for (int c = 0; c < t.classes; ++c) {
          if (task.counts[c] == 0) continue;
          const Range r = t.ranges[anchor * t.classes + c];
          for (std::uint32_t i = r.begin; i < r.end; ++i) {
            if (Hits(t.masks[i], task.board)) continue;
            Task<M> child = task;
            child.board = task.board | t.masks[i];
            if (--child.counts[c] == 0) child.avail &= ~(std::uint64_t{1} << c);
            --child.left;
            ++child.placed;
            next.push_back(child);
          }
        }
      } else {
        const Range r = t.unitRanges[task.symmetry - 1][anchor];
        for (std::uint32_t i = r.begin; i < r.end; ++i) {
          const OrbitUnit<M>& u = t.units[task.symmetry - 1][i];
          if (Hits(u.mask, task.board) || task.counts[u.c[0]] < u.n[0]) continue;
          Task<M> child = task;
          child.counts[u.c[0]] = static_cast<std::uint8_t>(child.counts[u.c[0]] - u.n[0]);
          if (child.counts[u.c[1]] < u.n[1]) continue;
          child.counts[u.c[1]] = static_cast<std::uint8_t>(child.counts[u.c[1]] - u.n[1]);
          child.board = task.board | u.mask;
          child.left -= u.n[0] + u.n[1];
          ++child.placed;
          child.avail = 0;
          for (int c = 0; c < t.classes; ++c)
            if (child.counts[c] != 0) child.avail |= std::uint64_t{1} << c;
          next.push_back(child);
        }
      }
    }
    tasks = std::move(next);
  }
  return tasks;
}

// FNV-1a over the task list, eight bytes a value.
void Mix(std::uint64_t& h, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) h = (h ^ ((v >> (8 * i)) & 0xff)) * 0x100000001b3;
}
void MixMask(std::uint64_t& h, std::uint64_t m) { Mix(h, m); }
void MixMask(std::uint64_t& h, const WideMask& m) {
  Mix(h, m.lo);
  Mix(h, m.hi);
}

template <class M>
std::uint64_t Fingerprint(const std::vector<Task<M>>& tasks, int classes) {
  std::uint64_t h = 0xcbf29ce484222325;
  Mix(h, tasks.size());
  for (const Task<M>& task : tasks) {
    MixMask(h, task.board);
    for (int c = 0; c < classes; ++c) Mix(h, task.counts[c]);
    Mix(h, static_cast<std::uint64_t>(task.symmetry));
    Mix(h, task.weight);
  }
  return h;
}

template <class M>
CountSums Count(const PolycubePuzzle& p, int jobs, int shardIndex, int shardCount,
                CountProgress* progress) {
  const Tables<M> tables = BuildTables<M>(p);
  CountSums sums;
  const std::vector<Task<M>> all = MakeTasks(p, tables, sums);
  sums.tasks = all.size();
  sums.taskFingerprint = Fingerprint(all, tables.classes);
  std::vector<const Task<M>*> mine;
  for (std::size_t i = 0; i < all.size(); ++i)
    if (static_cast<int>(i % static_cast<std::size_t>(shardCount)) == shardIndex)
      mine.push_back(&all[i]);
  sums.tasksCounted = mine.size();

  std::vector<std::uint64_t> results(mine.size(), 0);
  std::atomic<std::size_t> nextTask{0};
  std::atomic<std::size_t> done{0};
  std::mutex mutex;
  std::condition_variable finished;
  int running = 0;
  const int workers = std::max(1, std::min<int>(jobs, static_cast<int>(mine.size())));
  // Every worker's buffers exist before any search starts: the searches allocate nothing.
  std::vector<std::unique_ptr<Searcher<M>>> searchers;
  for (int w = 0; w < workers; ++w) searchers.push_back(std::make_unique<Searcher<M>>(tables));
  auto work = [&](Searcher<M>& searcher) {
    for (std::size_t i; (i = nextTask.fetch_add(1)) < mine.size();) {
      results[i] = searcher.Count(*mine[i]);
      done.fetch_add(1);
    }
    std::lock_guard lock(mutex);
    --running;
    finished.notify_all();
  };
  std::vector<std::thread> threads;
  {
    std::unique_lock lock(mutex);
    try {
      for (int w = 0; w < workers; ++w) {
        threads.emplace_back(work, std::ref(*searchers[w]));
        ++running;
      }
    } catch (...) {
      nextTask.store(mine.size());  // the started workers stop at their next task
      finished.wait(lock, [&] { return running == 0; });
      lock.unlock();
      for (std::thread& th : threads) th.join();
      throw;
    }
    while (!finished.wait_for(lock, std::chrono::milliseconds(250), [&] { return running == 0; }))
      if (progress != nullptr) progress->TasksDone(done.load(), mine.size());
  }
  for (std::thread& th : threads) th.join();
  if (progress != nullptr) progress->TasksDone(mine.size(), mine.size());

  for (std::size_t i = 0; i < mine.size(); ++i) {
    std::uint64_t& sum = mine[i]->symmetry == 0 ? sums.weightedFixed : sums.invariant;
    std::uint64_t term = 0;
    if (__builtin_mul_overflow(results[i], mine[i]->weight, &term) ||
        __builtin_add_overflow(sum, term, &sum))
      sums.overflow = true;
  }
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
                        CountProgress* progress) {
  if (puzzle.cells.size() <= 64)
    return Count<std::uint64_t>(puzzle, jobs, shardIndex, shardCount, progress);
  return Count<WideMask>(puzzle, jobs, shardIndex, shardCount, progress);
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
  if (__builtin_mul_overflow(fixed, sums.fixedAgain + 1, &burnside) ||
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

}  // namespace cubepack
