#include "builtin/solver/packing_search.h"

#include <vector>

#include "builtin/model/cell_tables.h"
#include "builtin/solver/candidates.h"
#include "builtin/solver/deep_rules.h"
#include "builtin/solver/search_state.h"
#include "builtin/solver/shallow_levels.h"

namespace cubepack::builtin {

namespace {

// Below each node of this depth the deep kernel counts first, and only a subtree that holds
// packings is walked. Measured on the first seed's slice (user CPU, the kernel's count alone
// 2.4-2.6 s): walking everything 6.8 s, counting first at depth 5 6.2 s, at 6 3.7 s, at 7
// 3.0-3.4 s, at 8 3.9 s.
constexpr int kCountFirst = 7;

// Depth first below one node, in the sequential search's order: free pieces in ascending
// number, each list in its order. The triple and pair lists at depths 9 and 10 hold the
// pieces' lists in that order, so they serve here too. One function per stage of the kernel.
class Lister {
 public:
  Lister(SearchState& s, PackingSink& sink, const PieceCells& above)
      : s_(s), v_(DeepViewOf(s)), deep_(*v_.deep), sink_(sink), cells_(above) {}

  // Depths 5-8: the anchor in fill order, every free piece's list there.
  template <int kDepth>
  void FillOrder(OccupancyMask grid, OccupancyMask fill, PieceBits free) {
    if constexpr (kDepth == kCountFirst) {
      // The kernel counts faster than this search walks: only where it finds packings, walk.
      const SearchCounts below = CountDeep(s_, kDepth, grid, fill, free);
      if (below.solutions == 0) {
        counts.listVisits += below.listVisits;
        return;
      }
    }
    const int r = FillAnchor(fill);
    counts.listVisits += VisitsAtFill(v_, r, free);
    if (DeadAtFill(fill, r)) return;
    for (PieceBits pieces = free; pieces != 0; pieces &= pieces - 1) {
      const int i = TrailingZeros(pieces);
      const OccupancyMask* tests = deep_.fillTests[r][i].data();
      const OccupancyMask* masks = deep_.fillMasks[r][i].data();
      ForEachFree(tests, deep_.fillCount[r][i], fill, [&](int n) {
        cells_[i] = masks[n];
        const PieceBits rest = free & ~(PieceBits{1} << i);
        if constexpr (kDepth < 8)
          FillOrder<kDepth + 1>(grid | masks[n], fill | tests[n], rest);
        else
          Triples(grid | masks[n], rest);
      });
    }
  }

  // Depth 9: the triple list at the anchor in grid order; each entry carries its own piece.
  void Triples(OccupancyMask grid, PieceBits free) {
    const int k = LowNode(grid, free);
    if (k < 0) return;
    ForEachEntry(deep_.tripleMasks, TripleSpanAt(deep_, k, free), grid, [&](OccupancyMask entry) {
      const int i = TaggedPiece(entry);
      cells_[i] = TaggedCells(entry);
      Pairs(grid | cells_[i], free & ~(PieceBits{1} << i));
    });
  }

  // Depth 10: the pair list; each entry carries the other piece, the one left for depth 11.
  void Pairs(OccupancyMask grid, PieceBits free) {
    const int k = LowNode(grid, free);
    if (k < 0) return;
    ForEachEntry(deep_.pairMasks, PairSpanAt(deep_, k, free), grid, [&](OccupancyMask entry) {
      const int last = TaggedPiece(entry);
      cells_[TrailingZeros(free & ~(PieceBits{1} << last))] = TaggedCells(entry);
      LastPiece(grid | TaggedCells(entry), last);
    });
  }

  // Depth 11: every fitting placement of the last piece is a packing.
  void LastPiece(OccupancyMask grid, int last) {
    const int k = LowAnchor(grid);
    counts.listVisits += VisitOfLast(v_, k, last);
    if (DeadAtLow(grid, k)) return;
    const OccupancyMask* masks = deep_.lowMasks[k][last].data();
    ForEachFree(masks, deep_.lowCount[k][last], grid, [&](int n) {
      cells_[last] = masks[n];
      ++counts.solutions;
      sink_.Found(cells_);
    });
  }

  SearchCounts counts;

 private:
  // The anchor of a node of depths 9 to 11, in grid order, with the node's visits counted; -1
  // where nothing can fit.
  int LowNode(OccupancyMask grid, PieceBits free) {
    const int k = LowAnchor(grid);
    counts.listVisits += VisitsAtLow(v_, k, free);
    return DeadAtLow(grid, k) ? -1 : k;
  }

  // Every entry of the pool's list `span` that does not collide with `grid`, tag and all.
  template <class Take>
  static void ForEachEntry(const std::vector<OccupancyMask>& pool, std::uint32_t span,
                           OccupancyMask grid, Take&& take) {
    const OccupancyMask* list = pool.data() + SpanStart(span);
    ForEachFree(list, SpanCount(span), grid, [&](int n) { take(list[n]); });
  }

  SearchState& s_;
  const DeepView v_;
  DeepTables& deep_;  // triple lists are built on first use
  PackingSink& sink_;
  PieceCells cells_;
};

}  // namespace

PlacedPiece AddedPiece(const Board& before, const Board& after) {
  PlacedPiece p;
  for (int i = 0; i < kPieceCount; ++i)
    if (after.placed[i] != 0 && before.placed[i] == 0) p.piece = i;
  p.cells = after.mask & ~before.mask;
  return p;
}

std::array<PlacedPiece, 3> FirstThreePieces(const SearchState& s) {
  return {PlacedPiece{kSeedPiece, s.boardStack[0].mask},
          AddedPiece(s.boardStack[0], s.boardStack[1]),
          AddedPiece(s.boardStack[1], s.boardStack[2])};
}

SearchCounts ListDepth5(SearchState& s, const PackingListing& listing) {
  PieceCells above{};
  for (const PlacedPiece& p : listing.firstPieces) above[p.piece] = p.cells;
  for (int d = 3; d <= 4; ++d) {
    const PlacedPiece p = AddedPiece(s.boardStack[d - 1], s.boardStack[d]);
    above[p.piece] = p.cells;
  }
  const Board& b = s.boardStack[4];
  Lister lister(s, listing.sink, above);
  lister.FillOrder<5>(b.mask, ToFillOrder(b.mask), FreePieces(b));
  return lister.counts;
}

void ListDepth3(SearchState& s, const PackingListing& listing) {
  RefreshCandidates(s.catalogue, s.boardStack[2], s.candidates);
  ShallowLevel<3>(s, [&listing](SearchState& st) {
    ShallowLevel<4>(st, [&listing](SearchState& s4) { AddCounts(s4, ListDepth5(s4, listing)); });
  });
}

void ListPlain(SearchState& s, PackingSink& sink) {
  PlainStage(s, [&sink](SearchState& st) { ListDepth3(st, {sink, FirstThreePieces(st)}); });
}

}  // namespace cubepack::builtin
