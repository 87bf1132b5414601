#pragma once
// Depths 0 to 4, where each placement is written with its cells: one template each for the
// counting, recording and listing searches, which differ only in what they do with every board
// a depth accepts (`below`, called with the state once that board is in the board stack).

#include <cassert>

#include "builtin/model/placement.h"
#include "builtin/solver/check_holes.h"
#include "builtin/solver/check_sym.h"
#include "builtin/solver/empty_cell_scan.h"
#include "builtin/solver/search.h"

namespace cubepack::builtin {

// Piece `piece` at `p` on `prev` gives `next`; a board that passes CheckHoles goes below.
template <class Below>
void PlaceAndDescend(SearchState& s, const Board& prev, Board& next, int piece, const Placement& p,
                     Below&& below) {
  PlaceOnGrid(next, prev, piece, p);
  assert(MaskMatchesCells(next));
  if (CheckHoles(next)) below(s);
}

// One shallow depth (1 to 4): anchor at the first empty cell in fill order, every free piece's
// list there, each fitting placement written with its cells and judged by CheckHoles. Depths
// 1-2 walk the full lists, depths 3-4 the lists refreshed for boardStack[2]. Every depth-3 list
// visit makes the progress check.
template <int kDepth, class Below>
void ShallowLevel(SearchState& s, Below&& below) {
  static_assert(kDepth >= 1 && kDepth <= 4);
  const Board& prev = s.boardStack[kDepth - 1];
  Board& next = s.boardStack[kDepth];
  const int anchor = NextEmptyCell(prev);

  for (int i = 1; i < kPieceCount; ++i) {
    if (prev.placed[i] != 0) continue;
    auto visit = [&](auto&& placementOf, int count) {
      if constexpr (kDepth == 3) {
        if (ProgressDue(s.stepCount))
          s.report.Progress(s.seedOrdinal, s.depthMarks[1], s.depthMarks[2], s.solutionCount);
      } else {
        ++s.stepCount;
      }
      if constexpr (kDepth <= 2) s.depthMarks[kDepth].piece = i;
      int ordinal = 0;
      for (int n = 0; n < count; ++n) {
        const Placement& p = placementOf(n);
        if (Collides(p.mask, prev.mask)) continue;
        ++ordinal;
        if constexpr (kDepth <= 2) s.depthMarks[kDepth].ordinal = ordinal;
        PlaceAndDescend(s, prev, next, i, p, below);
      }
    };
    if constexpr (kDepth <= 2) {
      const PlacementList* list = s.catalogue.pieces[i].byFillAnchor[anchor].get();
      if (list == nullptr) continue;
      visit([&](int n) -> const Placement& { return (*list)[n]; }, list->Count());
    } else {
      const CandidateList& list = s.candidates.fitByFillAnchor[i][anchor];
      if (!list.created) continue;
      visit([&](int n) -> const Placement& { return *list.refs[n]; }, list.Count());
    }
  }
}

// Depths 1 and 2 below boardStack[0]; `atDepth3` takes each three-piece board.
template <class AtDepth3>
void PlainStage(SearchState& s, AtDepth3&& atDepth3) {
  ShallowLevel<1>(s, [&](SearchState& st) { ShallowLevel<2>(st, atDepth3); });
}

// Depth 1 below a seed that a half turn maps onto itself: pairs (seed + piece 1) that a
// rotation maps onto a pair already searched in this call are skipped; depth 2 below each.
template <class AtDepth3>
void SymmetricStage(SearchState& s, const Board& seed, AtDepth3&& atDepth3) {
  s.seenPairs.RemoveAll();
  s.depthMarks[1].piece = kSixCubePiece;
  int accepted = 0;
  Board& pair = s.boardStack[1];

  for (const Orientation* o : s.catalogue.orientations[kSixCubePiece]) {
    for (int x = 0; x < kSizeX; ++x)
      for (int y = 0; y < kSizeY; ++y)
        for (int z = 0; z < kSizeZ; ++z) {
          // 1. Fit piece 1 beside the seed on the grid.
          const int origin = GridIndex(x, y, z);
          if (!FitsGrid(seed, *o, origin)) continue;
          pair = seed;
          MarkCells(pair, *o, origin, kPairMark);
          pair.placed[kSixCubePiece] = 1;

          // 2. Skip a pair that a rotation maps onto one already searched.
          FillVariants(s, pair);
          if (SeenUnderRotation(s, s.seenPairs)) continue;
          s.depthMarks[1].ordinal = ++accepted;
          s.seenPairs.Append(pair);
          ComputeMask(pair);

          // 3. The third piece as the plain search places it.
          ShallowLevel<2>(s, atDepth3);
        }
  }
}

// Piece 0 everywhere, seeds that a rotation maps onto a searched one skipped, and depths 1 and
// 2 below every other seed; `atDepth3` takes each three-piece board.
template <class AtDepth3>
void SeedStage(SearchState& s, const Board& emptyBox, AtDepth3&& atDepth3) {
  int attempt = 0;
  for (const Orientation* o : s.catalogue.orientations[kSeedPiece]) {
    for (int x = 0; x < kSizeX; ++x)
      for (int y = 0; y < kSizeY; ++y)
        for (int z = 0; z < kSizeZ; ++z, ++attempt) {
          const int origin = GridIndex(x, y, z);
          if (!FitsGrid(emptyBox, *o, origin)) continue;
          s.seedOrdinal = attempt;

          Board& seed = s.boardStack[0];
          seed = emptyBox;
          MarkCells(seed, *o, origin, kSeedMark);
          seed.placed[kSeedPiece] = 1;

          FillVariants(s, seed);
          if (SeenUnderRotation(s, s.seenBoards)) continue;

          const bool symmetric = CheckSym(seed);
          s.report.SeedClassified(symmetric);
          // Every seed board gets its mask, so the piece on each depth's board is the
          // difference of two masks; the symmetric search reads only the seed's cells.
          ComputeMask(seed);
          if (symmetric)
            SymmetricStage(s, seed, atDepth3);
          else
            PlainStage(s, atDepth3);
          s.seenBoards.Append(seed);
          s.report.SeedSearched(s.solutionCount);
        }
  }
  s.seedOrdinal = attempt;
}

}  // namespace cubepack::builtin
