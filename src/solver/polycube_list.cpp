#include "solver/polycube_list.h"

#include <algorithm>
#include <atomic>
#include <bitset>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "solver/cell_masks.h"
#include "solver/polycube_pruning.h"
#include "solver/polycube_tables.h"

namespace cubepack {

namespace {

constexpr int kMaxClasses = kMaxShapeClasses;
constexpr int kMaxPieces = kMaxTargetCells;
// The tasks: the orbits' representatives, expanded a piece at a time until there are this many
// (enough for every thread of a large machine) or after so many rounds.
constexpr std::size_t kTasksWanted = 1024;
constexpr int kMaxExpansionRounds = 3;
// Regions of empty cells are checked while at least this many pieces are left, and the empty
// cells next to a piece just placed must each still have a placement that fits. Counted with
// callgrind: from 5 to 3 pieces left the cell check took a share of 3 x 4 x 5 from 2.81 to 2.28
// billion instructions and one of the 5 x 4 x 3 puzzle from 4.96 to 4.67, the flat boxes about
// even; the region check from 5, 7 or 9 pieces left made a few percent either way.
constexpr int kRegionCheckFrom = 7;
constexpr int kDeadCellCheckFrom = 3;
// How far the workers may run ahead of the task the sink takes next: it bounds the lines held
// when the sink is slow, and leaves room for tasks far larger than the others.
constexpr std::size_t kAheadAtLeast = 64;
constexpr std::size_t kAheadPerWorker = 16;

using Range = EntryRange;

template <class M>
struct Task {
  M board;
  std::array<std::uint8_t, kMaxClasses> counts;
  std::uint64_t avail;  // classes with copies left
  int left;             // pieces left
  int placed;
  // The first is the orbit's representative, then a piece per round of expansion.
  std::array<int, 1 + kMaxExpansionRounds> pieces;
};

template <class M>
struct Tables : PlacementTables<M> {
  // Per placement: 1 + its orbit's number when it is the orbit's representative, else 0.
  std::vector<int> representative;
};

// The tables, with the representatives of the orbits of the class placed first; returns that
// class.
template <class M>
int BuildTables(const PolycubePuzzle& p, const PuzzleLine& line, Tables<M>& t) {
  static_cast<PlacementTables<M>&>(t) = BuildPlacementTables<M>(p);
  const FirstClassOrbits first = ChooseFirstClass(p, line.imageOf);
  t.representative.assign(p.placements.size(), 0);
  for (std::size_t k = 0; k < first.representatives.size(); ++k)
    t.representative[first.representatives[k]] = static_cast<int>(k) + 1;
  return first.shapeClass;
}

template <class M>
std::vector<Task<M>> MakeTasks(const PolycubePuzzle& p, const Tables<M>& t, int first) {
  Task<M> root{};
  root.board = t.outside;
  for (int c = 0; c < t.classes; ++c) {
    root.counts[c] = static_cast<std::uint8_t>(p.classes[c].copies);
    root.avail |= std::uint64_t{1} << c;
    root.left += p.classes[c].copies;
  }
  std::vector<std::pair<int, int>> orbits;  // (orbit number, representative)
  for (std::size_t i = 0; i < t.representative.size(); ++i)
    if (t.representative[i] != 0) orbits.emplace_back(t.representative[i], static_cast<int>(i));
  std::sort(orbits.begin(), orbits.end());
  std::vector<Task<M>> tasks;
  for (const auto& [orbit, r] : orbits) {
    Task<M> task = root;
    task.board = task.board | FromWide<M>(p.placements[r].mask);
    if (--task.counts[first] == 0) task.avail &= ~(std::uint64_t{1} << first);
    --task.left;
    task.pieces[task.placed++] = r;
    tasks.push_back(task);
  }
  // One piece more on each, at the first empty cell, in the order the search takes them.
  for (int round = 0; round < kMaxExpansionRounds && tasks.size() < kTasksWanted; ++round) {
    std::vector<Task<M>> next;
    for (const Task<M>& task : tasks) {
      if (task.left == 0) {
        next.push_back(task);
        continue;
      }
      const int anchor = FirstClear(task.board);
      for (std::uint64_t bits = task.avail; bits != 0; bits &= bits - 1) {
        const int c = std::countr_zero(bits);
        const Range r = t.ranges[anchor * t.classes + c];
        for (std::uint32_t i = r.begin; i < r.end; ++i) {
          if (Hits(t.masks[i], task.board)) continue;
          Task<M> child = task;
          child.board = task.board | t.masks[i];
          if (--child.counts[c] == 0) child.avail &= ~(std::uint64_t{1} << c);
          --child.left;
          child.pieces[child.placed++] = t.placement[i];
          next.push_back(child);
        }
      }
    }
    tasks = std::move(next);
  }
  return tasks;
}

// One worker's search below a task; writes the lines of the packings it keeps.
template <class M>
class Searcher {
 public:
  Searcher(const PolycubePuzzle& p, const PuzzleLine& line, const Tables<M>& t,
           const std::atomic<bool>& stop)
      : p_(p),
        line_(line),
        t_(t),
        stop_(stop),
        dead_(t),
        masks_(t.masks.size()),
        placement_(t.placement.size()),
        ranges_(t.ranges.size()),
        key_(line.cells),
        other_(line.cells) {}

  // Appends the task's lines to `out`; returns how many.
  std::size_t Run(const Task<M>& task, std::string& out) {
    out_ = &out;
    written_ = 0;
    counts_ = task.counts;
    placed_ = task.placed;
    std::copy(task.pieces.begin(), task.pieces.begin() + task.placed, pieces_.begin());
    Filter(task.board);
    Search(task.board, task.avail, task.left);
    return written_;
  }

 private:
  void Search(M board, std::uint64_t avail, int left) {
    if (left == 0) return Keep();
    if (stop_.load(std::memory_order_relaxed)) return;
    if (left >= kRegionCheckFrom && !dead_.Fillable(board, avail, counts_.data())) return;
    const int anchor = FirstClear(board);
    for (std::uint64_t bits = avail; bits != 0; bits &= bits - 1) {
      const int c = std::countr_zero(bits);
      const Range r = ranges_[anchor * t_.classes + c];
      if (r.begin == r.end) continue;
      const std::uint64_t next = --counts_[c] == 0 ? avail & ~(std::uint64_t{1} << c) : avail;
      for (std::uint32_t i = r.begin; i < r.end; ++i) {
        const M m = masks_[i];
        if (Hits(m, board)) continue;
        if (t_.pocketTest && dead_.Pocket(board | m)) continue;
        if (left - 1 >= kDeadCellCheckFrom &&
            !dead_.NeighboursCoverable(m, board | m, next, t_.cover.data(), t_.coverRanges.data()))
          continue;
        pieces_[placed_++] = placement_[i];
        Search(board | m, next, left - 1);
        --placed_;
      }
      ++counts_[c];
    }
  }

  // The placements that fit the task's board, filed as in the tables: the search below the
  // task never tests the others again.
  void Filter(M board) {
    std::uint32_t n = 0;
    for (std::size_t k = 0; k < t_.ranges.size(); ++k) {
      const Range r = t_.ranges[k];
      ranges_[k].begin = n;
      for (std::uint32_t i = r.begin; i < r.end; ++i) {
        masks_[n] = t_.masks[i];
        placement_[n] = t_.placement[i];
        n += !Hits(t_.masks[i], board);
      }
      ranges_[k].end = n;
    }
  }

  // A packing is complete: written when it is its class's one line (see the header).
  void Keep() {
    const int root = t_.representative[pieces_[0]];
    for (int j = 1; j < placed_; ++j) {
      const int r = t_.representative[pieces_[j]];
      if (r != 0 && r < root) return;
    }
    const int n = line_.cells;
    WritePackingKey(line_, p_, pieces_.data(), placed_, 0, key_.data());
    for (int g = 1; g < line_.symmetries; ++g) {
      const int* image = line_.imageOf.data() + static_cast<std::size_t>(g) * line_.placements;
      bool found = false;
      for (int j = 0; j < placed_ && !found; ++j) found = t_.representative[image[pieces_[j]]] != 0;
      if (!found) continue;
      WritePackingKey(line_, p_, pieces_.data(), placed_, g, other_.data());
      if (std::memcmp(other_.data(), key_.data(), static_cast<std::size_t>(n)) < 0) return;
    }
    *out_ += LineOfKey(line_, std::string_view(key_.data(), key_.size()));
    ++written_;
  }

  const PolycubePuzzle& p_;
  const PuzzleLine& line_;
  const Tables<M>& t_;
  const std::atomic<bool>& stop_;
  DeadEnds<M> dead_;
  std::vector<M> masks_;  // the task's placements: t_.masks, t_.placement, t_.ranges filtered
  std::vector<int> placement_;
  std::vector<Range> ranges_;
  std::array<std::uint8_t, kMaxClasses> counts_{};
  std::array<int, kMaxPieces> pieces_{};
  int placed_ = 0;
  std::vector<char> key_, other_;
  std::string* out_ = nullptr;
  std::size_t written_ = 0;
};

}  // namespace

class PuzzleLister::Impl {
 public:
  virtual ~Impl() = default;
  virtual std::size_t Tasks() const = 0;
  virtual std::uint64_t Fingerprint() const = 0;
  virtual void List(std::size_t begin, std::size_t end, int jobs, ListingSink& sink) const = 0;
};

namespace {

template <class M>
class TypedLister final : public PuzzleLister::Impl {
 public:
  TypedLister(const PolycubePuzzle& p, const PuzzleLine& line) : p_(p), line_(line) {
    const int first = BuildTables(p, line, t_);
    tasks_ = MakeTasks(p, t_, first);
  }

  std::size_t Tasks() const override { return tasks_.size(); }

  std::uint64_t Fingerprint() const override {
    std::uint64_t h = 0xcbf29ce484222325;  // FNV-1a, a byte at a time
    const auto mix = [&](std::uint64_t v) {
      for (int i = 0; i < 8; ++i) h = (h ^ ((v >> (8 * i)) & 0xff)) * 0x100000001b3;
    };
    mix(tasks_.size());
    for (const Task<M>& task : tasks_) {
      mix(static_cast<std::uint64_t>(task.placed));
      for (int i = 0; i < task.placed; ++i) mix(static_cast<std::uint64_t>(task.pieces[i]));
    }
    return h;
  }

  void List(std::size_t begin, std::size_t end, int jobs, ListingSink& sink) const override {
    end = std::min(end, tasks_.size());
    if (begin >= end) return;
    std::atomic<bool> stop{false};
    if (jobs <= 1) {
      Searcher<M> searcher(p_, line_, t_, stop);
      std::string lines;
      for (std::size_t i = begin; i < end; ++i) {
        lines.clear();
        const std::size_t count = searcher.Run(tasks_[i], lines);
        if (!sink.TaskLines(i, lines, count)) return;
      }
      return;
    }
    ListParallel(begin, end, jobs, sink, stop);
  }

 private:
  struct Slot {
    std::string lines;
    std::size_t count = 0;
    bool done = false;
  };

  // Workers take the tasks in order, at most a window ahead of the one the sink takes next;
  // this thread hands each task's lines to the sink once it is done.
  void ListParallel(std::size_t begin, std::size_t end, int jobs, ListingSink& sink,
                    std::atomic<bool>& stop) const {
    const std::size_t workers = std::min<std::size_t>(static_cast<std::size_t>(jobs), end - begin);
    const std::size_t window = kAheadAtLeast + kAheadPerWorker * workers;
    std::vector<Slot> slots(end - begin);
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t next = begin, delivered = begin;
    std::exception_ptr failure;
    auto work = [&] {
      try {
        Searcher<M> searcher(p_, line_, t_, stop);
        for (;;) {
          std::size_t i;
          {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return stop || next >= end || next < delivered + window; });
            if (stop || next >= end) return;
            i = next++;
          }
          std::string lines;
          const std::size_t count = searcher.Run(tasks_[i], lines);
          std::lock_guard lock(mutex);
          slots[i - begin] = {std::move(lines), count, true};
          changed.notify_all();
        }
      } catch (...) {
        std::lock_guard lock(mutex);
        if (!failure) failure = std::current_exception();
        stop = true;
        changed.notify_all();
      }
    };
    std::vector<std::thread> threads;
    auto finish = [&] {
      {
        std::lock_guard lock(mutex);
        stop = true;
        changed.notify_all();
      }
      for (std::thread& th : threads) th.join();
    };
    try {
      for (std::size_t w = 0; w < workers; ++w) threads.emplace_back(work);
      for (std::size_t i = begin; i < end; ++i) {
        Slot slot;
        {
          std::unique_lock lock(mutex);
          changed.wait(lock, [&] { return slots[i - begin].done || failure; });
          if (failure) break;
          slot = std::move(slots[i - begin]);
        }
        const bool more = sink.TaskLines(i, slot.lines, slot.count);
        std::lock_guard lock(mutex);
        delivered = i + 1;
        changed.notify_all();
        if (!more) break;
      }
    } catch (...) {
      finish();
      throw;
    }
    finish();
    if (failure) std::rethrow_exception(failure);
  }

  const PolycubePuzzle& p_;
  const PuzzleLine& line_;
  Tables<M> t_;
  std::vector<Task<M>> tasks_;
};

}  // namespace

PuzzleLister::PuzzleLister(const PolycubePuzzle& puzzle, const PuzzleLine& line) {
  if (puzzle.cells.size() <= 64)
    impl_ = std::make_unique<TypedLister<std::uint64_t>>(puzzle, line);
  else
    impl_ = std::make_unique<TypedLister<WideMask>>(puzzle, line);
}

PuzzleLister::~PuzzleLister() = default;

std::size_t PuzzleLister::Tasks() const { return impl_->Tasks(); }

std::uint64_t PuzzleLister::Fingerprint() const { return impl_->Fingerprint(); }

void PuzzleLister::List(std::size_t begin, std::size_t end, int jobs, ListingSink& sink) const {
  impl_->List(begin, end, jobs, sink);
}

}  // namespace cubepack
