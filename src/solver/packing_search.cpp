#include "solver/packing_search.h"

#include <bit>
#include <cassert>

#include "model/board.h"
#include "model/cell_tables.h"
#include "solver/deep_search_dispatch.h"
#include "solver/search_state.h"

namespace cubepack {

namespace {

// The piece that `after` has and `before` has not, and its cells.
PlacedPiece Difference(const Board& before, const Board& after) {
  PlacedPiece p;
  for (int i = 0; i < kPieceCount; ++i)
    if (after.placed[i] != 0 && before.placed[i] == 0) p.piece = i;
  p.cells = after.mask & ~before.mask;
  return p;
}

// Bit n set for every entry n of a padded row or list that does not collide with `board`:
// no branch per entry (the padding collides with every board).
inline std::uint64_t Fitting(const OccupancyMask* masks, int count, int minimum,
                             OccupancyMask board) {
  std::uint64_t hits = 0;
  const int padded = PaddedLength(count, minimum);
  for (int n = 0; n < padded; ++n) hits |= std::uint64_t{(masks[n] & board) == 0} << n;
  return hits;
}

// Depth first below one node, in the sequential search's order: at depths 5 to 8 the anchor is
// the first empty cell in fill order, from depth 9 on the lowest in grid order; free pieces in
// ascending number, each list in its order. The triple and pair lists at depths 9 and 10 hold
// the pieces' lists in that order, so they serve here too.
// Below each node of this depth the deep kernel counts first, and only a subtree that holds
// packings is walked. Measured on the first seed's slice (user CPU, the kernel's count alone
// 2.4-2.6 s): walking everything 6.8 s, counting first at depth 5 6.2 s, at 6 3.7 s, at 7
// 3.0-3.4 s, at 8 3.9 s.
constexpr int kCountFirst = 7;
class Lister {
 public:
  Lister(SearchState& s, const PieceCells& above)
      : deep_(*s.candidates.deep), t_(s.candidates), sink_(*s.packingSink), cells_(above), s_(s) {}

  template <int kDepth>
  void Search(OccupancyMask grid, OccupancyMask fill, std::uint32_t free) {
    if constexpr (kDepth == kCountFirst) {
      // The kernel counts faster than this search walks: only where it finds packings, walk.
      const DeepCounts below = CountDeep(s_, kDepth, grid, fill, free);
      if (below.solutions == 0) {
        counts.visits += below.visits;
        return;
      }
    }
    if constexpr (kDepth <= 8) {
      const int r = std::countr_one(fill);
      assert(r < kCellCount);
      counts.visits += std::popcount(free & t_.piecesAtFillPosition[r]);
      if ((fill >> r & kFillAhead) == kFillAhead) return;  // nothing fits here
      for (std::uint32_t pieces = free; pieces != 0; pieces &= pieces - 1) {
        const int i = std::countr_zero(pieces);
        const OccupancyMask* tests = deep_.fillTests[r][i].data();
        const OccupancyMask* masks = deep_.fillMasks[r][i].data();
        for (std::uint64_t hits = Fitting(tests, deep_.fillCount[r][i], kCandidateMinimum, fill);
             hits != 0; hits &= hits - 1) {
          const int n = std::countr_zero(hits);
          cells_[i] = masks[n];
          Search<kDepth + 1>(grid | masks[n], fill | tests[n], free & ~(1u << i));
        }
      }
    } else {
      const int k = std::countr_one(grid);
      assert(k < kCellCount);
      counts.visits += std::popcount(free & t_.piecesAtLowBit[k]);
      if ((grid >> k & kLowAhead) == kLowAhead) return;
      if constexpr (kDepth == 9) {
        // Each entry carries its own piece.
        const std::uint32_t span = TripleList(deep_, k, free);
        const OccupancyMask* list = deep_.tripleMasks.data() + SpanStart(span);
        for (std::uint64_t hits = Fitting(list, SpanCount(span), kTripleMinimum, grid); hits != 0;
             hits &= hits - 1) {
          const OccupancyMask cells = list[std::countr_zero(hits)] & kFullMask;
          const int i = static_cast<int>(list[std::countr_zero(hits)] >> kPieceTagShift);
          cells_[i] = cells;
          Search<10>(grid | cells, 0, free & ~(1u << i));
        }
      } else if constexpr (kDepth == 10) {
        // Each entry carries the other piece: the one left for depth 11.
        const std::uint32_t span = deep_.pairSpans[k][kPairOfPieces[free]];
        const OccupancyMask* list = deep_.pairMasks.data() + SpanStart(span);
        for (std::uint64_t hits = Fitting(list, SpanCount(span), kPairMinimum, grid); hits != 0;
             hits &= hits - 1) {
          const OccupancyMask cells = list[std::countr_zero(hits)] & kFullMask;
          const int last = static_cast<int>(list[std::countr_zero(hits)] >> kPieceTagShift);
          cells_[std::countr_zero(free & ~(1u << last))] = cells;
          Search<11>(grid | cells, 0, 1u << last);
        }
      } else {
        const int last = std::countr_zero(free);
        const OccupancyMask* masks = deep_.lowMasks[k][last].data();
        for (std::uint64_t hits = Fitting(masks, deep_.lowCount[k][last], kCandidateMinimum, grid);
             hits != 0; hits &= hits - 1) {
          cells_[last] = masks[std::countr_zero(hits)];
          ++counts.solutions;
          sink_.Found(cells_);
        }
      }
    }
  }

  DeepCounts counts;

 private:
  DeepTables& deep_;  // triple lists are built on first use
  const CandidateTables& t_;
  PackingSink& sink_;
  PieceCells cells_;
  SearchState& s_;
};

}  // namespace

std::array<PlacedPiece, 3> FirstThreePieces(const SearchState& s) {
  const PlacedPiece seed{kSeedPiece, CellsHolding(s.boardStack[2].cells, kSeedMark)};
  PlacedPiece second = Difference(s.boardStack[0], s.boardStack[1]);
  second.cells &= ~seed.cells;  // the symmetric search's seed board carries no mask
  return {seed, second, Difference(s.boardStack[1], s.boardStack[2])};
}

DeepCounts ListPackingsBelow(SearchState& s) {
  assert(s.packingSink != nullptr);
  PieceCells above{};
  for (const PlacedPiece& p : s.firstPieces) above[p.piece] = p.cells;
  for (int d = 3; d <= 4; ++d) {
    const PlacedPiece p = Difference(s.boardStack[d - 1], s.boardStack[d]);
    above[p.piece] = p.cells;
  }
  const Board& b = s.boardStack[4];
  std::uint32_t free = 0;
  for (int i = 1; i < kPieceCount; ++i)
    if (b.placed[i] == 0) free |= 1u << i;
  Lister lister(s, above);
  lister.Search<5>(b.mask, ToFillOrder(b.mask), free);
  return lister.counts;
}

}  // namespace cubepack
