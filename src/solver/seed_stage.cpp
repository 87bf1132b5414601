#include <algorithm>

#include "model/placement.h"
#include "solver/check_sym.h"
#include "solver/search.h"

namespace cubepack {

void FillVariants(SearchState& s, const Board& b) {
  for (int slot = 0; slot < kVariantCount; ++slot) {
    s.variantBoards[slot] = b;
    TurnBoard(s.variantBoards[slot], (slot & 4) != 0, (slot & 2) != 0, (slot & 1) != 0);
  }
}

bool SeenUnderRotation(const SearchState& s, const OrderedList<Board, kListBlock>& seen) {
  return std::any_of(seen.begin(), seen.end(), [&](const Board& earlier) {
    return std::any_of(s.variantBoards.begin(), s.variantBoards.end(),
                       [&](const Board& v) { return SameCells(earlier, v); });
  });
}

void SearchSeeds(SearchState& s, const Board& emptyBox) {
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
          if (symmetric) {
            SearchSymmetric(s, seed);
          } else {
            ComputeMask(seed);
            SearchPlain(s);
          }
          s.seenBoards.Append(seed);
          s.report.SeedSearched(s.solutionCount);
        }
  }
  s.seedOrdinal = attempt;
}

}  // namespace cubepack
