#include "model/placement.h"
#include "solver/search.h"

namespace cubepack {

void SearchSymmetric(SearchState& s, const Board& seed) {
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
          SearchDepth2(s);
        }
  }
}

}  // namespace cubepack
