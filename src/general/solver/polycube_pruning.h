#pragma once
// The tests that end a branch of a puzzle file's search early, shared by the count and the
// listing: regions of empty cells no choice of the pieces left fills, pockets of one or two
// empty cells, and an empty cell next to a new piece that no placement left covers.

#include <bit>
#include <bitset>
#include <cstdint>
#include <type_traits>

#include "general/solver/polycube_tables.h"

namespace cubepack::general {

template <class M>
class DeadEnds {
 public:
  explicit DeadEnds(const PlacementTables<M>& t) : t_(t) {
    // No witness yet: a mask that hits every board (a search's board is never empty).
    for (Witness& w : witness_) w.mask = ~M{};
  }

  // False when some region of empty cells has a size no choice of the pieces left (`counts`
  // copies of each class in `avail`) adds up to (only asked where the tables' regionTest holds).
  bool Fillable(M board, std::uint64_t avail, const std::uint8_t* counts) const {
    M empty = ~board;
    bool haveSums = false;
    SizeSet sums;
    int smallest = kMaxTargetCells + 1;
    for (std::uint64_t bits = avail; bits != 0; bits &= bits - 1)
      smallest = std::min(smallest, t_.size[std::countr_zero(bits)]);
    while (!IsEmpty(empty)) {
      const M region = Region(CellOnly(board, FirstSet(empty)), empty);
      if (region == empty) return true;  // the last region: the pieces left fill it exactly
      const int size = BitCount(region);
      if (size < smallest) return false;
      if (!haveSums) {
        sums = Sums(avail, counts);
        haveSums = true;
      }
      if (!sums[size - 1]) return false;
      empty = empty & ~region;
    }
    return true;
  }

  // True when an empty cell has no empty neighbour, or two empty cells have only each other
  // (only asked where the tables' pocketTest holds).
  bool Pocket(M board) const {
    if constexpr (std::is_same_v<M, std::uint64_t>) {
      const std::uint64_t empty = ~board;
      std::uint64_t one = 0, two = 0;  // empty cells with at least one, two empty neighbours
      for (int d = 0; d < 6; ++d) {
        const std::uint64_t n = Step(empty, d);
        two |= one & n;
        one |= n;
      }
      if ((empty & ~one) != 0) return true;
      const std::uint64_t single = empty & ~two;
      for (int d = 0; d < 6; ++d)
        if ((Step(single, d) & single) != 0) return true;
    }
    return false;
  }

  // False when an empty cell next to the placement `m` just made (the board is now `board`)
  // has no placement of a class in `avail` that fits, looked up in the cover lists given. With
  // shift steps only the cells with at most one empty neighbour are asked: the others nearly
  // always have one, and scanning their lists cost more than it pruned (a share of the tasks
  // of 3 x 4 x 5 and of 5 x 4 x 3 took 5 to 8 % less time).
  bool NeighboursCoverable(M m, M board, std::uint64_t avail, const CoverEntry<M>* cover,
                           const EntryRange* coverRanges) {
    const int anchor = FirstClear(board);
    M near = Spread(m) & ~board;
    if constexpr (std::is_same_v<M, std::uint64_t>) {
      if (t_.shiftFlood) {
        std::uint64_t one = 0, two = 0;  // cells with at least one, two empty neighbours
        for (int d = 0; d < 6; ++d) {
          const std::uint64_t n = Step(~board, d);
          two |= one & n;
          one |= n;
        }
        near &= ~two;
      }
    }
    for (M cells = near; !IsEmpty(cells); cells = WithoutFirst(cells)) {
      const int cell = FirstSet(cells);
      // The placement that covered the cell last time mostly still does.
      Witness& w = witness_[cell];
      if (((avail >> w.shapeClass) & 1) != 0 && !Hits(w.mask, board)) continue;
      bool covered = false;
      for (std::uint64_t bits = avail; bits != 0 && !covered; bits &= bits - 1) {
        const int c = std::countr_zero(bits);
        const EntryRange r = coverRanges[cell * t_.classes + c];
        for (std::uint32_t i = r.begin; i < r.end; ++i) {
          const CoverEntry<M>& e = cover[i];
          if (e.anchor < anchor) break;  // the rest begin on filled cells
          if (!Hits(e.mask, board)) {
            w = {e.mask, c};
            covered = true;
            break;
          }
        }
      }
      if (!covered) return false;
    }
    return true;
  }

 private:
  // Sums of piece sizes up to 128 that some of the remaining pieces make: bit s - 1 for sum s.
  using SizeSet = std::bitset<kMaxTargetCells>;

  SizeSet Sums(std::uint64_t avail, const std::uint8_t* counts) const {
    SizeSet sums;
    for (std::uint64_t bits = avail; bits != 0; bits &= bits - 1) {
      const int c = std::countr_zero(bits);
      for (int k = 0; k < counts[c]; ++k) {
        SizeSet more = sums << t_.size[c];
        more.set(t_.size[c] - 1);
        sums |= more;
      }
    }
    return sums;
  }

  // The cells one step in direction d from `cells` (shift steps only).
  std::uint64_t Step(std::uint64_t cells, int d) const {
    const std::uint64_t from = cells & t_.stepFrom[d];
    return t_.stepOffset[d] > 0 ? from << t_.stepOffset[d] : from >> -t_.stepOffset[d];
  }

  // The cells next to `m`'s (and its own).
  M Spread(M m) const {
    if constexpr (std::is_same_v<M, std::uint64_t>) {
      if (t_.shiftFlood) {
        std::uint64_t grow = m;
        for (int d = 0; d < 6; ++d) grow |= Step(m, d);
        return grow;
      }
    }
    M grow = m;
    for (M f = m; !IsEmpty(f); f = WithoutFirst(f)) grow = grow | t_.neighbours[FirstSet(f)];
    return grow;
  }

  // The region of `within` that holds `seed`.
  M Region(M seed, M within) const {
    if constexpr (std::is_same_v<M, std::uint64_t>) {
      if (t_.shiftFlood) {
        std::uint64_t region = seed;
        for (;;) {
          std::uint64_t grow = region;
          for (int d = 0; d < 6; ++d) grow |= Step(region, d);
          grow &= within;
          if (grow == region) return region;
          region = grow;
        }
      }
    }
    M region = seed;
    M frontier = region;
    while (!IsEmpty(frontier)) {
      M grow{};
      for (M f = frontier; !IsEmpty(f); f = WithoutFirst(f))
        grow = grow | t_.neighbours[FirstSet(f)];
      frontier = grow & within & ~region;
      region = region | frontier;
    }
    return region;
  }

  struct Witness {
    M mask{};  // a placement that covered the cell, of class shapeClass
    int shapeClass = 0;
  };

  const PlacementTables<M>& t_;
  std::array<Witness, kMaxTargetCells> witness_{};
};

}  // namespace cubepack::general
