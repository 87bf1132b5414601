#include "solver/empty_cell_scan.h"
#include "solver/search.h"

namespace cubepack {

namespace {

// One mask-only depth (5 to 11). Depths 5-8 anchor at the first empty cell in fill order and
// walk fitByFillAnchor; depths 9-11 anchor at the lowest empty grid cell and walk
// fitByLowAnchor. Depth 11 counts every fitting placement as a solution.
template <int kDepth>
void MaskLevel(SearchState& s) {
  static_assert(kDepth >= 5 && kDepth <= 11);
  constexpr bool kFillOrder = kDepth <= 8;
  const Board& prev = s.boardStack[kDepth - 1];
  const int anchor = kFillOrder ? NextEmptyCell(prev) : LowestEmptyCell(prev);
  const auto& table = kFillOrder ? s.candidates.fitByFillAnchor : s.candidates.fitByLowAnchor;

  for (int i = 1; i < kPieceCount; ++i) {
    if (prev.placed[i] != 0) continue;
    const CandidateList& list = table[i][anchor];
    if (!list.created) continue;
    ++s.stepCount;
    for (int n = 0; n < list.count; ++n) {
      const OccupancyMask m = list.masks[n];
      if (Collides(m, prev.mask)) continue;
      if constexpr (kDepth == 11) {
        ++s.solutionCount;
      } else {
        Board& next = s.boardStack[kDepth];
        next.placed = prev.placed;
        next.placed[i] = 1;
        next.mask = prev.mask | m;
        if constexpr (kDepth == 7) SearchDepth8(s);
        else if constexpr (kDepth == 9) SearchDepth10(s);
        else MaskLevel<kDepth + 1>(s);
      }
    }
  }
}

}  // namespace

void SearchDepth5(SearchState& s) { MaskLevel<5>(s); }
void SearchDepth8(SearchState& s) { MaskLevel<8>(s); }
void SearchDepth10(SearchState& s) { MaskLevel<10>(s); }

}  // namespace cubepack
