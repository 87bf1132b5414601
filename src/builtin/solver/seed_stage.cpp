// Depth 0 and the symmetric search's depth 1: the seeds and pairs, up to rotation.

#include <algorithm>

#include "builtin/solver/search.h"
#include "builtin/solver/shallow_levels.h"

namespace cubepack::builtin {

void FillVariants(SearchState& s, const Board& b) {
  for (int slot = 0; slot < kVariantCount; ++slot) {
    const BoxTurn tx = (slot & 4) != 0 ? BoxTurn::kHalfX : BoxTurn::kNone;
    const BoxTurn ty = (slot & 2) != 0 ? BoxTurn::kHalfY : BoxTurn::kNone;
    const BoxTurn tz = (slot & 1) != 0 ? BoxTurn::kHalfZ : BoxTurn::kNone;
    s.variantBoards[slot] = b;
    TurnBoard(s.variantBoards[slot], Combine(Combine(tx, ty), tz));
  }
}

bool SeenUnderRotation(const SearchState& s, const OrderedList<Board, kListBlock>& seen) {
  return std::any_of(seen.begin(), seen.end(), [&](const Board& earlier) {
    return std::any_of(s.variantBoards.begin(), s.variantBoards.end(),
                       [&](const Board& v) { return SameCells(earlier, v); });
  });
}

void SearchSeeds(SearchState& s, const Board& emptyBox) { SeedStage(s, emptyBox, SearchDepth3); }

void RecordSeeds(SearchState& s, const Board& emptyBox, ThreePieceBoards& boards) {
  SeedStage(s, emptyBox, [&boards](SearchState& st) { boards.Take(st); });
}

void SearchSymmetric(SearchState& s, const Board& seed) { SymmetricStage(s, seed, SearchDepth3); }

}  // namespace cubepack::builtin
