#pragma once
// The count's search below a task: exact cover on bit masks. Every node keeps its own list of
// the placements that still fit (of classes with copies left), made from its parent's by
// dropping those that hit the piece just placed. The same pass counts, bit-sliced, how many of
// them cover each cell and which classes still have one, so that a node knows at once whether
// some empty cell or some piece can no longer be placed, and branches on the cell with the
// fewest placements. Against filling the first empty cell from lists filtered once per task,
// 3 x 4 x 5 takes half the nodes and less than half the time.

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <vector>

#include "solver/cell_masks.h"
#include "solver/cover_filter.h"
#include "solver/polycube_pruning.h"
#include "solver/polycube_tables.h"

namespace cubepack {

template <class M>
class CoverSearch {
 public:
  explicit CoverSearch(const PlacementTables<M>& t,
                       CoverKernel kernel = std::is_same_v<M, std::uint64_t>
                                                ? BestCoverKernel()
                                                : CoverKernel::kPlain)
      : t_(t), kernel_(kernel), dead_(t) {
    for (std::size_t i = 0; i < t.masks.size(); ++i) all_.push_back(t.masks[i]);
    for (int a = 0; a < t.cells; ++a)
      for (int c = 0; c < t.classes; ++c) {
        const EntryRange r = t.ranges[a * t.classes + c];
        allClasses_.insert(allClasses_.end(), r.end - r.begin, static_cast<std::uint8_t>(c));
      }
    allSize_ = static_cast<std::uint32_t>(all_.size());
    all_.resize(all_.size() + kListSlack);
    allClasses_.resize(all_.size());
    EndList(all_.data(), allClasses_.data(), allSize_);
    stride_ = all_.size();
    masks_.resize(stride_ * static_cast<std::size_t>(t.pieces + 1));
    classes_.resize(masks_.size());
    lengths_.resize(static_cast<std::size_t>(t.pieces + 1));
    // A node gathers at most the placements that cover one cell.
    std::size_t under = 0;
    for (int cell = 0; cell < t.cells; ++cell) {
      std::size_t here = 0;
      for (int c = 0; c < t.classes; ++c) {
        const EntryRange r = t.coverRanges[cell * t.classes + c];
        here += r.end - r.begin;
      }
      under = std::max(under, here);
    }
    candStride_ = under + kListSlack;
    candMasks_.resize(candStride_ * static_cast<std::size_t>(t.pieces + 1));
    candClasses_.resize(candMasks_.size());
  }

  // Packings of the empty cells of `board` with `counts[c]` copies of each class, `left`
  // pieces in all (at least one).
  std::uint64_t Count(M board, const std::uint8_t* counts, int left) {
    std::uint64_t avail = 0;
    for (int c = 0; c < t_.classes; ++c) {
      counts_[c] = counts[c];
      if (counts[c] != 0) avail |= std::uint64_t{1} << c;
    }
    Cover cover;
    const std::uint32_t n = Filter(kernel_, CoverList<M>{all_.data(), allClasses_.data(), allSize_},
                                   board, ~avail, masks_.data(), classes_.data(), cover);
    lengths_[0] = n;
    if ((avail & ~cover.classes) != 0 || !IsEmpty(~board & ~cover.at[0])) return 0;
    if (left == 1) return n;  // every placement that still fits is the hole itself
    return Node(0, board, avail, left, cover);
  }

 private:
  using Cover = CoverCounts<M>;

  CoverList<M> List(int d) const {
    const std::size_t at = stride_ * static_cast<std::size_t>(d);
    return {masks_.data() + at, classes_.data() + at, lengths_[d]};
  }

  // Level d's list fits `board`, has an entry of every class in `avail` and covers every empty
  // cell; at least two pieces are left.
  std::uint64_t Node(int d, M board, std::uint64_t avail, int left, const Cover& cover) {
    // The empty cell with the fewest placements, the first of those; when every empty cell has
    // more than the counts tell apart, the first empty cell.
    const M empty = ~board;
    int x = -1;
    for (int k = 1; k < kCoverDepth && x < 0; ++k)
      if (const M fewest = empty & ~cover.at[k]; !IsEmpty(fewest)) x = FirstSet(fewest);
    if (x < 0) x = FirstClear(board);

    const CoverList<M> list = List(d);
    const std::size_t at = candStride_ * static_cast<std::size_t>(d);
    M* candMasks = candMasks_.data() + at;
    std::uint8_t* candClasses = candClasses_.data() + at;
    const std::uint32_t n = Gather(kernel_, list, x, candMasks, candClasses);
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
      const M m = candMasks[i];
      const int c = candClasses[i];
      const M after = board | m;
      // A few shifts that spare a whole filter.
      if (t_.pocketTest && dead_.Pocket(after)) continue;
      const std::uint64_t next = --counts_[c] == 0 ? avail & ~(std::uint64_t{1} << c) : avail;
      total += left == 2 ? Last(list, ~after, next) : Child(d, after, m, next, left - 1);
      ++counts_[c];
    }
    return total;
  }

  // The entries of `list` of a class in `avail` that are exactly `hole`.
  static std::uint64_t Last(CoverList<M> list, M hole, std::uint64_t avail) {
    std::uint64_t n = 0;
    for (std::uint32_t i = 0; i < list.n; ++i)
      n += (list.masks[i] == hole && ((avail >> list.classes[i]) & 1) != 0) ? 1 : 0;
    return n;
  }

  // Makes level d + 1 from level d without the entries that hit `m` or whose class is no longer
  // in `avail`, and searches it.
  std::uint64_t Child(int d, M board, M m, std::uint64_t avail, int left) {
    const std::size_t at = stride_ * static_cast<std::size_t>(d + 1);
    Cover cover;
    const std::uint32_t n =
        Filter(kernel_, List(d), m, ~avail, masks_.data() + at, classes_.data() + at, cover);
    if ((avail & ~cover.classes) != 0 || !IsEmpty(~board & ~cover.at[0])) return 0;
    lengths_[d + 1] = n;
    return Node(d + 1, board, avail, left, cover);
  }

  const PlacementTables<M>& t_;
  CoverKernel kernel_;
  DeadEnds<M> dead_;
  std::vector<M> all_;  // every placement, by anchor, then class, as a list
  std::vector<std::uint8_t> allClasses_;
  std::uint32_t allSize_ = 0;
  // Level d's list: entries [stride_ * d, stride_ * d + lengths_[d]) of masks_ and classes_.
  std::size_t stride_ = 0;
  std::vector<M> masks_;
  std::vector<std::uint8_t> classes_;
  std::vector<std::uint32_t> lengths_;
  // Level d's placements that cover the cell it branches on.
  std::size_t candStride_ = 0;
  std::vector<M> candMasks_;
  std::vector<std::uint8_t> candClasses_;
  std::array<std::uint8_t, kMaxShapeClasses> counts_{};
};

}  // namespace cubepack
