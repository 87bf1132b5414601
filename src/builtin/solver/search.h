#pragma once
// The search chain. Depth d places the (d + 1)-th piece; depths 0 to 4 write boardStack[d]
// with its cells, the deeper ones keep masks only.
//   SearchSeeds (depth 0, piece 0 everywhere up to rotation)
//   -> SearchPlain or SearchSymmetric (depth 1; the symmetric search skips pairs seen under a
//      rotation) -> SearchDepth2 -> SearchDepth3 (refreshes the candidate lists; depths 3-4)
//   -> SearchDepth5: the deep kernel (deep_kernel.h) takes depths 5 to 11 in batches, one
//      queue of waiting nodes per depth, and counts the solutions at depth 11.
// SearchDepth8 and SearchDepth10 enter the kernel further down, for tests and benchmarks.
// Every entry here counts. RecordSeeds runs the same depths 0 to 2 for the parallel runner;
// the listing's entries are in packing_search.h.

#include "builtin/model/board.h"
#include "builtin/model/ordered_list.h"
#include "builtin/solver/search_state.h"

namespace cubepack::builtin {

// Places piece 0 everywhere, skips seeds that a rotation maps onto a searched one, and counts
// the packings below every other seed.
void SearchSeeds(SearchState& s, const Board& emptyBox);

// Takes each three-piece board that the seed stage and depths 1-2 reach, instead of the search
// below it.
class ThreePieceBoards {
 public:
  virtual ~ThreePieceBoards() = default;
  // boardStack[0..2], depthMarks and seedOrdinal of `s` describe the board.
  virtual void Take(const SearchState& s) = 0;
};
// The seed stage and depths 1-2 as SearchSeeds runs them, with every report event, handing
// each three-piece board to `boards`.
void RecordSeeds(SearchState& s, const Board& emptyBox, ThreePieceBoards& boards);

// Fills the eight variant slots from `b` (slot 4*tx + 2*ty + tz).
void FillVariants(SearchState& s, const Board& b);
// True when a board of `seen` has the cells of one of the variant slots: the board the slots
// were filled from is a rotation of one seen before.
bool SeenUnderRotation(const SearchState& s, const OrderedList<Board, kListBlock>& seen);

// Depth 1 below a seed that a half turn maps onto itself: pairs (seed + piece 1) that a
// rotation maps onto a pair already searched in this call are skipped.
void SearchSymmetric(SearchState& s, const Board& seed);

// Depth 1 below boardStack[0].
void SearchPlain(SearchState& s);
// Depth 2 below boardStack[1]: the third piece, each board that passes CheckHoles to depth 3.
void SearchDepth2(SearchState& s);
// Depths 3-4 below boardStack[2]; refreshes the candidate lists and reports progress.
void SearchDepth3(SearchState& s);
// The mask-only depths below boardStack[4], [7] and [9].
void SearchDepth5(SearchState& s);
void SearchDepth8(SearchState& s);
void SearchDepth10(SearchState& s);

}  // namespace cubepack::builtin
