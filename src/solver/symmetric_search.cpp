#include <algorithm>
#include <cassert>

#include "solver/check_holes.h"
#include "solver/empty_cell_scan.h"
#include "solver/search.h"

namespace cubepack {

namespace {

bool PairSeenBefore(const SearchState& s) {
  return std::any_of(s.seenPairs.begin(), s.seenPairs.end(), [&](const Board& seen) {
    return std::any_of(s.variantBoards.begin(), s.variantBoards.end(),
                       [&](const Board& v) { return SameCells(v, seen); });
  });
}

}  // namespace

void SearchSymmetric(SearchState& s, const Board& seed) {
  s.seenPairs.RemoveAll();
  s.depthMarks[1].piece = kSixCubePiece;
  int accepted = 0;
  Board& pair = s.boardStack[1];
  Board& third = s.boardStack[2];

  for (const Orientation* o : s.catalogue.orientations[kSixCubePiece]) {
    for (int x = 0; x < kSizeX; ++x)
      for (int y = 0; y < kSizeY; ++y)
        for (int z = 0; z < kSizeZ; ++z) {
          // 1. Fit piece 1 beside the seed on the grid.
          const int origin = GridIndex(x, y, z);
          bool fits = true;
          for (int j = 0; j < o->cellCount && fits; ++j) {
            const int g = origin + o->offsets[j];
            fits = g >= 0 && g < kGridSize && seed.cells[g] == 0;
          }
          if (!fits) continue;

          pair = seed;
          for (int j = 0; j < o->cellCount; ++j) pair.cells[origin + o->offsets[j]] = kPairMark;
          pair.placed[kSixCubePiece] = 1;

          // 2. Skip a pair that a rotation maps onto one already searched.
          FillVariants(s, pair);
          if (PairSeenBefore(s)) continue;
          s.depthMarks[1].ordinal = ++accepted;
          s.seenPairs.Append(pair);
          ComputeMask(pair);

          // 3. The third piece at the first empty cell in fill order.
          const int anchor = NextEmptyCell(pair);
          for (int k = 1; k < kPieceCount; ++k) {
            if (pair.placed[k] != 0) continue;
            const PlacementList* list = s.catalogue.pieces[k].byFillAnchor[anchor].get();
            if (list == nullptr) continue;
            ++s.stepCount;
            s.depthMarks[2].piece = k;
            int ordinal = 0;
            for (const Placement& p : *list) {
              if (Collides(p.mask, pair.mask)) continue;
              third = pair;
              s.depthMarks[2].ordinal = ++ordinal;
              third.placed[k] = 1;
              for (int j = 0; j < p.orientation->cellCount; ++j)
                third.cells[p.origin + p.orientation->offsets[j]] = kPieceMark;
              third.mask |= p.mask;
              assert(MaskMatchesCells(third));
              if (CheckHoles(third)) SearchDepth3(s);
            }
          }
        }
  }
}

}  // namespace cubepack
