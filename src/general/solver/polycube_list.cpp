#include "general/solver/polycube_list.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "general/solver/cell_masks.h"
#include "general/solver/link_search.h"
#include "general/solver/linked_tasks.h"
#include "general/solver/polycube_cover_search.h"
#include "general/solver/puzzle_tasks.h"
#include "general/solver/task_pool.h"

namespace cubepack::general {

namespace {

// How far the workers may run ahead of the task the sink takes next: it bounds the lines held
// when the sink is slow, and leaves room for tasks far larger than the others.
constexpr std::size_t kAheadAtLeast = 64;
constexpr std::size_t kAheadPerWorker = 16;

// Per class: its placements by their masks, how the packings the search hands over are named.
template <class M>
struct MaskHash {
  std::size_t operator()(const M& m) const noexcept {
    if constexpr (std::is_same_v<M, std::uint64_t>)
      return static_cast<std::size_t>(m * 0x9E3779B97F4A7C15u);
    else
      return WideMaskHash()(m);
  }
};
template <class M>
using MaskIndex = std::vector<std::unordered_map<M, int, MaskHash<M>>>;

struct TaskLines {
  std::string lines;
  std::size_t count = 0;
  std::uint64_t packings = 0;  // found, written or not
};

// A worker's searcher, and the sink's work on each task's lines on the same thread.
template <class Searcher>
struct LinesWorker {
  std::unique_ptr<Searcher> searcher;
  std::unique_ptr<LineWork> work;
  TaskLines Run(std::size_t i, const std::atomic<bool>& stop) {
    TaskLines out = searcher->Run(i, stop);
    if (work != nullptr) work->Rewrite(out.lines, out.count);
    return out;
  }
};

// Tasks [begin, end) on `jobs` threads, each worker's searcher from `make`, the lines to `sink`
// in task order.
template <class Make>
void ListTasks(std::size_t begin, std::size_t end, int jobs, ListingSink& sink, Make make) {
  const std::size_t workers = static_cast<std::size_t>(std::max(jobs, 1));
  const auto makeWorker = [&] {
    using Searcher = typename decltype(make())::element_type;
    auto worker = std::make_unique<LinesWorker<Searcher>>();
    worker->searcher = make();
    worker->work = sink.MakeLineWork();
    return worker;
  };
  RunTasks<TaskLines>(
      end - begin, jobs, kAheadAtLeast + kAheadPerWorker * workers, makeWorker,
      [&](std::size_t i, TaskLines out) {
        sink.TaskPackings(begin + i, out.packings);
        return sink.TaskLines(begin + i, out.lines, out.count);
      },
      [](std::size_t) {});
}

// Writes a packing's line when it is its class's one line (see the header).
class ClassLines {
 public:
  ClassLines(const PolycubePuzzle& p, const PuzzleLine& line,
             const std::vector<int>& representative, bool fixesNothing)
      : p_(p),
        line_(line),
        representative_(representative),
        everyImage_(fixesNothing),
        key_(line.cells),
        other_(line.cells) {}

  // The packing of `placed` placements `pieces`, the task's first: its line into `out` if it is
  // its class's.
  void Write(const int* pieces, int placed, TaskLines& out) {
    // With nothing fixed, the one task finds every packing.
    const int root = everyImage_ ? 0 : representative_[pieces[0]];
    for (int j = 1; j < placed && !everyImage_; ++j) {
      const int r = representative_[pieces[j]];
      if (r != 0 && r < root) return;
    }
    const int n = line_.cells;
    WritePackingKey(line_, p_, pieces, placed, 0, key_.data());
    // A reflection joins the class only where the mirror image is a packing.
    const int symmetries =
        MirrorImageIsPacking(p_, pieces, placed) ? line_.symmetries : p_.rotations;
    for (int g = 1; g < symmetries; ++g) {
      const int* image = p_.placementImages.data() + static_cast<std::size_t>(g) * line_.placements;
      bool found = everyImage_;
      for (int j = 0; j < placed && !found; ++j) found = representative_[image[pieces[j]]] != 0;
      if (!found) continue;
      WritePackingKey(line_, p_, pieces, placed, g, other_.data());
      if (std::memcmp(other_.data(), key_.data(), static_cast<std::size_t>(n)) < 0) return;
    }
    out.lines += LineOfKey(line_, std::string_view(key_.data(), key_.size()));
    ++out.count;
  }

 private:
  const PolycubePuzzle& p_;
  const PuzzleLine& line_;
  const std::vector<int>& representative_;
  bool everyImage_;
  std::vector<char> key_, other_;
};

// One worker's search below a task: the count's search, which hands it every packing it
// completes; it writes the lines of those it keeps.
template <class M>
class Searcher final : public CoverLeaves<M> {
 public:
  Searcher(const PolycubePuzzle& p, const PuzzleLine& line, const SearchTables<M>& t,
           const std::vector<Task<M>>& tasks, const MaskIndex<M>& index, std::size_t begin)
      : t_(t),
        tasks_(tasks),
        index_(index),
        begin_(begin),
        exact_(t),
        lines_(p, line, t.representative, t.fixesNothing),
        pieces_(p.cells.size() + 1) {}

  // Task begin + i's lines.
  TaskLines Run(std::size_t i, const std::atomic<bool>& stop) {
    const Task<M>& task = tasks_[begin_ + i];
    TaskLines out;
    out_ = &out;
    // A cell left empty is no piece of the line (-1).
    taskPieces_ = 0;
    for (int k = 0; k < std::min(task.placed, kMaxTaskPieces); ++k)
      if (task.pieces[k] >= 0) pieces_[taskPieces_++] = task.pieces[k];
    exact_.ListTo(this, &stop);
    if (t_.exact && task.left == 0) {
      out.packings = 1;
      lines_.Write(pieces_.data(), taskPieces_, out);
    } else {
      out.packings = exact_.Count(task.board, task.counts.data(), task.left);
    }
    return out;
  }

  void Packing(const M* masks, const std::uint8_t* classes, int count) override {
    int placed = taskPieces_;
    for (int k = 0; k < count; ++k)
      if (const int piece = index_[classes[k]].at(masks[k]); piece >= 0) pieces_[placed++] = piece;
    lines_.Write(pieces_.data(), placed, *out_);
  }

 private:
  const SearchTables<M>& t_;
  const std::vector<Task<M>>& tasks_;
  const MaskIndex<M>& index_;
  std::size_t begin_;
  CoverSearch<M> exact_;
  ClassLines lines_;
  std::vector<int> pieces_;
  int taskPieces_ = 0;
  TaskLines* out_ = nullptr;
};

}  // namespace

class PuzzleLister::Impl {
 public:
  virtual ~Impl() = default;
  virtual std::size_t Tasks() const = 0;
  virtual std::uint64_t Fingerprint() const = 0;
  virtual std::uint64_t Weight(std::size_t task) const = 0;
  virtual std::uint64_t Divisor() const = 0;
  virtual void List(std::size_t begin, std::size_t end, int jobs, ListingSink& sink) const = 0;
};

namespace {

template <class M>
class TypedLister final : public PuzzleLister::Impl {
 public:
  TypedLister(const PolycubePuzzle& p, const PuzzleLine& line, TaskLimits limits)
      : p_(p), line_(line), t_(BuildSearchTables<M>(p)), index_(t_.classes) {
    // Per class: its entries are filed by anchor, then class.
    for (int a = 0; a < t_.cells; ++a)
      for (int c = 0; c < t_.classes; ++c) {
        const EntryRange r = t_.ranges[static_cast<std::size_t>(a) * t_.classes + c];
        for (std::uint32_t i = r.begin; i < r.end; ++i)
          index_[c].emplace(t_.masks[i], t_.placement[i]);
      }
    tasks_ = MakeTasks(p, t_, true, limits);
    // The listing's tasks are the fixed-piece tasks, which come first.
    fixedTasks_ =
        static_cast<std::size_t>(std::find_if(tasks_.begin(), tasks_.end(),
                                              [](const Task<M>& t) { return t.symmetry != 0; }) -
                                 tasks_.begin());
  }

  std::size_t Tasks() const override { return fixedTasks_; }

  std::uint64_t Fingerprint() const override { return TaskListFingerprint(tasks_, t_.classes); }
  std::uint64_t Weight(std::size_t task) const override { return tasks_[task].weight; }
  std::uint64_t Divisor() const override { return t_.firstCopies; }

  void List(std::size_t begin, std::size_t end, int jobs, ListingSink& sink) const override {
    end = std::min(end, fixedTasks_);
    if (begin >= end) return;
    ListTasks(begin, end, jobs, sink,
              [&] { return std::make_unique<Searcher<M>>(p_, line_, t_, tasks_, index_, begin); });
  }

 private:
  const PolycubePuzzle& p_;
  const PuzzleLine& line_;
  SearchTables<M> t_;
  MaskIndex<M> index_;  // per class, of the tables' classes
  std::vector<Task<M>> tasks_;
  std::size_t fixedTasks_ = 0;
};

// A worker's search below the tasks of a target over 128 cells.
class LinkedSearcher final : public LinkLeaves {
 public:
  LinkedSearcher(const PolycubePuzzle& p, const PuzzleLine& line, const LinkRows& rows,
                 const LinkedTasks& tasks, std::size_t begin)
      : rows_(rows),
        tasks_(tasks),
        begin_(begin),
        search_(p, rows),
        lines_(p, line, tasks.representative, tasks.fixesNothing),
        copies_(ClassCopies(p)),
        pieces_(p.cells.size() + 1) {}

  TaskLines Run(std::size_t i, const std::atomic<bool>& stop) {
    const LinkedTask& task = tasks_.tasks[begin_ + i];
    TaskLines out;
    out_ = &out;
    search_.ListTo(this, &stop);
    std::vector<int> chosen;
    if (task.placement >= 0) chosen.push_back(task.placement);
    out.packings = search_.Count(chosen, copies_.data());
    return out;
  }

  void Packing(const int* rows, int count) override {
    for (int k = 0; k < count; ++k) pieces_[k] = rows_.rows[rows[k]].placement;
    lines_.Write(pieces_.data(), count, *out_);
  }

 private:
  const LinkRows& rows_;
  const LinkedTasks& tasks_;
  std::size_t begin_;
  LinkSearch search_;
  ClassLines lines_;
  std::vector<int> copies_;
  std::vector<int> pieces_;
  TaskLines* out_ = nullptr;
};

class LinkedLister final : public PuzzleLister::Impl {
 public:
  LinkedLister(const PolycubePuzzle& p, const PuzzleLine& line)
      : p_(p), line_(line), tasks_(MakeLinkedTasks(p, false)), rows_(PlacementRows(p)) {}

  std::size_t Tasks() const override { return tasks_.fixedTasks; }
  std::uint64_t Fingerprint() const override { return tasks_.fingerprint; }
  std::uint64_t Weight(std::size_t task) const override { return tasks_.tasks[task].weight; }
  std::uint64_t Divisor() const override { return tasks_.firstCopies; }

  void List(std::size_t begin, std::size_t end, int jobs, ListingSink& sink) const override {
    end = std::min(end, tasks_.fixedTasks);
    if (begin >= end) return;
    ListTasks(begin, end, jobs, sink,
              [&] { return std::make_unique<LinkedSearcher>(p_, line_, rows_, tasks_, begin); });
  }

 private:
  const PolycubePuzzle& p_;
  const PuzzleLine& line_;
  LinkedTasks tasks_;
  LinkRows rows_;
};

}  // namespace

PuzzleLister::PuzzleLister(const PolycubePuzzle& puzzle, const PuzzleLine& line,
                           TaskLimits limits) {
  if (limits.links)
    impl_ = std::make_unique<LinkedLister>(puzzle, line);
  else if (puzzle.cells.size() <= 64)
    impl_ = std::make_unique<TypedLister<std::uint64_t>>(puzzle, line, limits);
  else if (puzzle.cells.size() <= 128)
    impl_ = std::make_unique<TypedLister<WideMask>>(puzzle, line, limits);
  else
    impl_ = std::make_unique<LinkedLister>(puzzle, line);
}

PuzzleLister::~PuzzleLister() = default;

std::size_t PuzzleLister::Tasks() const { return impl_->Tasks(); }

std::uint64_t PuzzleLister::Fingerprint() const { return impl_->Fingerprint(); }

std::uint64_t PuzzleLister::Weight(std::size_t task) const { return impl_->Weight(task); }

std::uint64_t PuzzleLister::Divisor() const { return impl_->Divisor(); }

void PuzzleLister::List(std::size_t begin, std::size_t end, int jobs, ListingSink& sink) const {
  impl_->List(begin, end, jobs, sink);
}

}  // namespace cubepack::general
