#pragma once
// The count's search below a task: exact cover on bit masks. Every node keeps its own list of
// the placements that still fit (of classes with copies left), made from its parent's by
// dropping those that hit the piece just placed. The same pass counts, bit-sliced, how many of
// them cover each cell and how many each class keeps, so that a node knows at once whether
// some empty cell or some piece can no longer be placed, and branches on the cell with the
// fewest placements (or on the piece with the fewest). Against filling the first empty cell
// from lists filtered once per task, 3 x 4 x 5 takes a fifth of the time, 5 x 4 x 3 a little
// more than half.

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstdint>
#include <vector>

#include "general/solver/cell_masks.h"
#include "general/solver/cover_filter.h"
#include "general/solver/polycube_pruning.h"
#include "general/solver/polycube_tables.h"

namespace cubepack::general {

// What a listing does with each packing the search completes: `masks` are the placements the
// search made below its board, in the order made, and `classes` theirs.
template <class M>
class CoverLeaves {
 public:
  virtual ~CoverLeaves() = default;
  virtual void Packing(const M* masks, const std::uint8_t* classes, int count) = 0;
};

template <class M>
class CoverSearch {
 public:
  explicit CoverSearch(const PlacementTables<M>& t,
                       CoverKernel kernel = std::is_same_v<M, std::uint64_t> ? BestCoverKernel()
                                                                             : CoverKernel::kPlain)
      : t_(t), kernel_(kernel), dead_(t) {
    // Every placement in runs by class.
    for (int c = 0; c < t.classes; ++c) {
      const auto begin = static_cast<std::uint32_t>(all_.size());
      for (int a = 0; a < t.cells; ++a) {
        const EntryRange r = t.ranges[a * t.classes + c];
        all_.insert(all_.end(), t.masks.begin() + r.begin, t.masks.begin() + r.end);
      }
      allRuns_.push_back({begin, static_cast<std::uint32_t>(all_.size()), c});
    }
    stride_ = all_.size() + kListSlack;
    all_.resize(stride_);
    masks_.resize(stride_ * static_cast<std::size_t>(t.pieces + 1));
    runs_.resize(static_cast<std::size_t>(t.classes) * static_cast<std::size_t>(t.pieces + 1));
    runCounts_.resize(static_cast<std::size_t>(t.pieces + 1));
    keptBefore_.resize(stride_ / 4 + 2);
    keptLanes_.resize(stride_ / 4 + 2);
    // A node gathers at most the placements that cover one cell.
    candStride_ = t.mostCovering + kListSlack;
    candMasks_.resize(candStride_ * static_cast<std::size_t>(t.pieces + 1));
    candPlaces_.resize(candMasks_.size());
    candClasses_.resize(candMasks_.size());
    path_.resize(static_cast<std::size_t>(t.pieces) + 1);
    pathClasses_.resize(path_.size());
  }

  // From now on every packing completed goes to `leaves` as well as into the count, and the
  // search gives up (counting what it has) once `stop` is set.
  void ListTo(CoverLeaves<M>* leaves, const std::atomic<bool>* stop) {
    leaves_ = leaves;
    stop_ = stop;
  }

  // Packings of the empty cells of `board` with at most `counts[c]` copies of each class,
  // `left` pieces in all (at least one); where not every piece must be placed, with at least
  // those copies the classes' minimum still asks for.
  std::uint64_t Count(M board, const std::uint8_t* counts, int left) {
    imaged_ = 0;
    for (int c = 0; c < t_.classes; ++c) {
      counts_[c] = counts[c];
      const int used = t_.copies[c] - counts[c];
      need_[c] =
          t_.exact ? counts[c] : static_cast<std::uint8_t>(std::max(0, t_.minCopies[c] - used));
    }
    Cover cover;
    const CoverList<M> all{all_.data(), allRuns_.data(), static_cast<int>(allRuns_.size())};
    // Where every piece is placed, a class needs all its copies: the copies are the needs.
    const int runs = Filter(kernel_, all, board, counts_.data(), Needs(), masks_.data(),
                            runs_.data(), cover, Scratch());
    if (!UsableList(0, board, runs, cover)) return 0;
    if (!t_.exact) return Open(0, board, cover);
    // With one piece left, every placement that still fits is the hole itself.
    if (left == 1) {
      if (leaves_ != nullptr)
        for (std::uint32_t i = runs_[0].begin; i < runs_[0].end; ++i) {
          pathClasses_[0] = static_cast<std::uint8_t>(runs_[0].shapeClass);
          leaves_->Packing(&masks_[i], pathClasses_.data(), 1);
        }
      return runs_[0].end - runs_[0].begin;
    }
    return Node(0, board, left, cover);
  }

  // Of the packings the last Count counted, those whose mirror image is a packing, where a
  // reflection maps only some packings onto packings.
  std::uint64_t Imaged() const { return imaged_; }

 private:
  using Cover = CoverCounts<M>;

  const std::uint8_t* Needs() const { return t_.exact ? counts_.data() : need_.data(); }

  FilterScratch Scratch() { return {keptBefore_.data(), keptLanes_.data()}; }

  M* Masks(int d) { return masks_.data() + stride_ * static_cast<std::size_t>(d); }
  CoverRun* Runs(int d) { return runs_.data() + static_cast<std::size_t>(t_.classes) * d; }
  CoverList<M> List(int d) { return {Masks(d), Runs(d), runCounts_[d]}; }

  // Notes level d's list, which a filter made with `runs` runs (-1: a class fell short); false
  // when it cannot hold a packing.
  bool UsableList(int d, M board, int runs, const Cover& cover) {
    if (runs < 0 || !IsEmpty(~board & t_.must & ~cover.at[0])) return false;
    runCounts_[d] = runs;
    return true;
  }

  // Level d's list fits `board`, has enough placements of every class left and covers every
  // empty cell; at least two pieces are left.
  std::uint64_t Node(int d, M board, int left, const Cover& cover) {
    if (stop_ != nullptr && stop_->load(std::memory_order_relaxed)) return 0;
    int fewest = kCoverDepth;
    const int x = BranchCell(~board, cover, fewest);

    const CoverList<M> list = List(d);
    const std::size_t at = candStride_ * static_cast<std::size_t>(d);
    M* candMasks = candMasks_.data() + at;
    std::uint8_t* candClasses = candClasses_.data() + at;
    const std::uint32_t n = Candidates<false>(list, x, fewest, at);
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
      const M m = candMasks[i];
      const int c = candClasses[i];
      const M after = board | m;
      // A few shifts that spare a whole filter.
      if (t_.pocketTest && dead_.Pocket(after)) continue;
      --counts_[c];
      path_[d] = m;
      pathClasses_[d] = static_cast<std::uint8_t>(c);
      total += left == 2 ? LastPieceFits(d, list, ~after) : Child(d, after, m, left - 1);
      ++counts_[c];
    }
    return total;
  }

  // Places `m`, a copy of class c, as level d's piece (one the class still needs, if any);
  // returns what GiveCopy needs to take it back.
  std::uint8_t TakeCopy(int d, M m, int c) {
    const std::uint8_t needed = need_[c];
    --counts_[c];
    need_[c] = static_cast<std::uint8_t>(needed - (needed != 0 ? 1 : 0));
    path_[d] = m;
    pathClasses_[d] = static_cast<std::uint8_t>(c);
    return needed;
  }
  void GiveCopy(int c, std::uint8_t needed) {
    ++counts_[c];
    need_[c] = needed;
  }

  // Of the cells `empty` (not none), the one with the fewest placements, the first of those, and
  // how many (`fewest`); when every one has more than the counts tell apart, the first.
  static int BranchCell(M empty, const Cover& cover, int& fewest) {
    for (int k = 1; k < kCoverDepth; ++k)
      if (const M cells = empty & ~cover.at[k]; !IsEmpty(cells)) {
        fewest = k;
        return FirstSet(cells);
      }
    return FirstSet(empty);
  }

  // Into the candidates at `at`: the placements of `list` that cover cell x, which the counts
  // say `fewest` placements cover (kCoverDepth: more). But the piece with the fewest
  // placements, when its class has one copy left (that must be placed) and it has fewer than
  // 2 k for the cell's k, is tried in each of its placements instead: 3 x 4 x 5 took 2.5 s
  // instead of 5.6 s, the 5 x 4 x 3 puzzle 24.5 s instead of 27.7 s (tried from k to 5 k:
  // 3 k - 1 made 3 x 4 x 5 6 % faster and 5 x 4 x 3 12 % slower).
  template <bool kOpen>
  std::uint32_t Candidates(CoverList<M> list, int x, int fewest, std::size_t at) {
    M* candMasks = candMasks_.data() + at;
    std::uint8_t* candClasses = candClasses_.data() + at;
    int byClass = -1;
    std::uint32_t least = static_cast<std::uint32_t>(2 * fewest);
    for (int k = 0; k < list.runCount; ++k) {
      const CoverRun r = list.runs[k];
      if (counts_[r.shapeClass] == 1 && (!kOpen || need_[r.shapeClass] == 1) &&
          r.end - r.begin < least) {
        least = r.end - r.begin;
        byClass = k;
      }
    }
    if (byClass < 0) {
      const std::uint32_t n = Gather(kernel_, list, x, candMasks, candPlaces_.data() + at);
      ClassesOf(list.runs, candPlaces_.data() + at, n, candClasses);
      return n;
    }
    std::uint32_t n = 0;
    const CoverRun r = list.runs[byClass];
    for (std::uint32_t i = r.begin; i < r.end; ++i) {
      candMasks[n] = list.masks[i];
      candClasses[n++] = static_cast<std::uint8_t>(r.shapeClass);
    }
    return n;
  }

  // The placements of `list` of the one class left that are exactly `hole`; level d placed
  // the piece before.
  std::uint64_t LastPieceFits(int d, CoverList<M> list, M hole) {
    std::uint64_t n = 0;
    for (int k = 0; k < list.runCount; ++k) {
      const CoverRun r = list.runs[k];
      if (counts_[r.shapeClass] == 0) continue;
      for (std::uint32_t i = r.begin; i < r.end; ++i) n += list.masks[i] == hole ? 1 : 0;
    }
    if (leaves_ != nullptr && n != 0) HoleLeaves(d, list, hole);
    return n;
  }

  // A listing's packings that LastPieceFits counted: a hole is one placement of a class, at
  // most once in its run.
  void HoleLeaves(int d, CoverList<M> list, M hole) {
    for (int k = 0; k < list.runCount; ++k) {
      const CoverRun r = list.runs[k];
      if (counts_[r.shapeClass] == 0) continue;
      for (std::uint32_t i = r.begin; i < r.end; ++i)
        if (list.masks[i] == hole) {
          path_[d + 1] = hole;
          pathClasses_[d + 1] = static_cast<std::uint8_t>(r.shapeClass);
          leaves_->Packing(path_.data(), pathClasses_.data(), d + 2);
        }
    }
  }

  // Makes level d + 1 from level d without the placements that hit `m` or whose class is used
  // up, and searches it.
  std::uint64_t Child(int d, M board, M m, int left) {
    Cover cover;
    const int runs = Filter(kernel_, List(d), m, counts_.data(), counts_.data(), Masks(d + 1),
                            Runs(d + 1), cover, Scratch());
    if (runs < 0 || !IsEmpty(~board & ~cover.at[0])) return 0;
    runCounts_[d + 1] = runs;
    return Node(d + 1, board, left, cover);
  }

  // Where not every piece must be placed nor every cell covered. Level d's list fits `board`,
  // can still place the copies the classes need and covers every empty cell that must be
  // covered. Branches on those cells first (as Node does), then decides the others.
  std::uint64_t Open(int d, M board, const Cover& cover) {
    if (stop_ != nullptr && stop_->load(std::memory_order_relaxed)) return 0;
    const M empty = ~board & t_.must;
    if (IsEmpty(empty)) return Rest(d, board, 0, cover);
    int fewest = kCoverDepth;
    const int x = BranchCell(empty, cover, fewest);
    const CoverList<M> list = List(d);
    const std::size_t at = candStride_ * static_cast<std::size_t>(d);
    const std::uint32_t n = Candidates<true>(list, x, fewest, at);
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
      const M m = candMasks_[at + i];
      const int c = candClasses_[at + i];
      const std::uint8_t needed = TakeCopy(d, m, c);
      Cover next;
      const int runs = Filter(kernel_, list, m, counts_.data(), need_.data(), Masks(d + 1),
                              Runs(d + 1), next, Scratch());
      if (UsableList(d + 1, board | m, runs, next)) total += Open(d + 1, board | m, next);
      GiveCopy(c, needed);
    }
    return total;
  }

  // Every cell that must be covered is: the packings of the pieces placed so far (d of them)
  // and any further pieces of level d's list on the empty cells left, the first of them either
  // left empty (one hole more) or covered. `cover` is the list's, made before the holes since.
  std::uint64_t Rest(int d, M board, int holes, const Cover& cover) {
    if (IsFull(board)) {
      for (int c = 0; c < t_.classes; ++c)
        if (need_[c] != 0) return 0;
      if (leaves_ != nullptr) leaves_->Packing(path_.data(), pathClasses_.data(), d);
      if (t_.mirrorSome && MirrorImageFits(t_, counts_.data())) ++imaged_;
      return 1;
    }
    // Cells no placement left covers stay empty.
    if (t_.maxHoles >= 0 && holes + BitCount(~board & ~cover.at[0]) > t_.maxHoles) return 0;
    const int y = FirstClear(board);
    std::uint64_t total = 0;
    if (t_.maxHoles < 0 || holes < t_.maxHoles)
      total += Rest(d, board | CellOnly(board, y), holes + 1, cover);
    const CoverList<M> list = List(d);
    const std::size_t at = candStride_ * static_cast<std::size_t>(d);
    const std::uint32_t n =
        Gather(kernel_, list, y, candMasks_.data() + at, candPlaces_.data() + at);
    ClassesOf(list.runs, candPlaces_.data() + at, n, candClasses_.data() + at);
    for (std::uint32_t i = 0; i < n; ++i) {
      const M m = candMasks_[at + i];
      if (Hits(m, board)) continue;
      const int c = candClasses_[at + i];
      const std::uint8_t needed = TakeCopy(d, m, c);
      Cover next;
      const int runs = Filter(kernel_, list, m, counts_.data(), need_.data(), Masks(d + 1),
                              Runs(d + 1), next, Scratch());
      if (runs >= 0) {
        runCounts_[d + 1] = runs;
        total += Rest(d + 1, board | m, holes, next);
      }
      GiveCopy(c, needed);
    }
    return total;
  }

  const PlacementTables<M>& t_;
  CoverKernel kernel_;
  DeadEnds<M> dead_;
  std::vector<M> all_;  // every placement, as a list
  std::vector<CoverRun> allRuns_;
  // Level d's list: masks from masks_[stride_ * d], runs from runs_[classes * d].
  std::size_t stride_ = 0;
  std::vector<M> masks_;
  std::vector<CoverRun> runs_;
  std::vector<int> runCounts_;
  std::vector<std::uint32_t> keptBefore_;  // the vector filters' notes
  std::vector<std::uint8_t> keptLanes_;
  // Level d's placements that cover the cell it branches on.
  std::size_t candStride_ = 0;
  std::vector<M> candMasks_;
  std::vector<std::uint32_t> candPlaces_;
  std::vector<std::uint8_t> candClasses_;
  std::array<std::uint8_t, kMaxShapeClasses> counts_{};  // copies left
  std::array<std::uint8_t, kMaxShapeClasses> need_{};    // of them, those still to place
  // A listing's: where packings go, the placements made on the way there, when to give up.
  CoverLeaves<M>* leaves_ = nullptr;
  std::vector<M> path_;
  std::vector<std::uint8_t> pathClasses_;
  std::uint64_t imaged_ = 0;
  const std::atomic<bool>* stop_ = nullptr;
};

}  // namespace cubepack::general
