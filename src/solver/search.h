#pragma once
// The search chain. Depth d places the (d + 1)-th piece into boardStack[d]:
//   SearchSeeds (depth 0) -> SearchPlain or SearchSymmetric (1-2) -> SearchDepth3 (3-4)
//   -> SearchDepth5 (5-7) -> SearchDepth8 (8-9) -> SearchDepth10 (10-11, counts solutions).

#include "model/board.h"
#include "solver/search_state.h"

namespace cubepack {

// Places piece 0 everywhere, skips seeds that a rotation maps onto a searched one, and counts
// the packings below every other seed.
void SearchSeeds(SearchState& s, const Board& emptyBox);

// Fills the eight variant slots from `b` (slot 4*tx + 2*ty + tz).
void FillVariants(SearchState& s, const Board& b);

// Depths 1-2 below a seed that a half turn maps onto itself: pairs (seed + piece 1) that a
// rotation maps onto a pair already searched in this call are skipped.
void SearchSymmetric(SearchState& s, const Board& seed);

// Depths 1-2 below boardStack[0].
void SearchPlain(SearchState& s);
// Depths 3-4 below boardStack[2]; refreshes the candidate lists and reports progress.
void SearchDepth3(SearchState& s);
// The mask-only depths below boardStack[4], [7] and [9].
void SearchDepth5(SearchState& s);
void SearchDepth8(SearchState& s);
void SearchDepth10(SearchState& s);

}  // namespace cubepack
