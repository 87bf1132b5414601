#pragma once
// The search chain. Depth d places the (d + 1)-th piece into boardStack[d]:
//   SearchSeeds (depth 0) -> SearchPlain or SearchSymmetric (1-2) -> SearchDepth3 (3-4)
//   -> SearchDepth5 (5-7) -> SearchDepth8 (8-9) -> SearchDepth10 (10-11, counts solutions).

#include "model/board.h"
#include "solver/search_state.h"
#include "solver/subtree_trace.h"

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
// Depths 3-4 below boardStack[2]; refreshes the candidate lists and reports progress. With a
// subtree sink set, the board goes to the sink instead.
void SearchDepth3(SearchState& s);
// The same search without progress checks: what it counts goes into `trace`, split at the
// depth-3 list visits, and `s`'s counters restart from zero.
void SearchDepth3Traced(SearchState& s, SubtreeTrace& trace);
// The mask-only depths below boardStack[4], [7] and [9].
void SearchDepth5(SearchState& s);
void SearchDepth8(SearchState& s);
void SearchDepth10(SearchState& s);

}  // namespace cubepack
