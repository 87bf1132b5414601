// The counting entries of the mask-only depths. Boards 5..10 of the stack are not written: the
// kernel keeps each node in its queues and nothing reads those boards.

#include "builtin/model/cell_tables.h"
#include "builtin/solver/deep_search_dispatch.h"
#include "builtin/solver/search.h"

namespace cubepack::builtin {

namespace {

void CountFrom(SearchState& s, int depth, const Board& b) {
  AddCounts(s, CountDeep(s, depth, b.mask, ToFillOrder(b.mask), FreePieces(b)));
}

}  // namespace

void SearchDepth5(SearchState& s) { CountFrom(s, 5, s.boardStack[4]); }
void SearchDepth8(SearchState& s) { CountFrom(s, 8, s.boardStack[7]); }
void SearchDepth10(SearchState& s) { CountFrom(s, 10, s.boardStack[9]); }

}  // namespace cubepack::builtin
