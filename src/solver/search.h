#pragma once
// The search chain. Depth d places the (d + 1)-th piece; depths 0 to 4 write boardStack[d]
// with its cells, the deeper ones keep masks only.
//   SearchSeeds (depth 0, piece 0 everywhere up to rotation)
//   -> SearchPlain or SearchSymmetric (depth 1; the symmetric search skips pairs seen under a
//      rotation) -> SearchDepth2 -> SearchDepth3 (refreshes the candidate lists; depths 3-4)
//   -> SearchDepth5: the deep kernel (deep_kernel.h) takes depths 5 to 11 in batches, one
//      queue of waiting nodes per depth, and counts the solutions at depth 11.
// SearchDepth8 and SearchDepth10 enter the kernel further down, for tests and benchmarks.

#include <array>
#include <cstdint>

#include "model/board.h"
#include "model/ordered_list.h"
#include "model/placement.h"
#include "solver/search_state.h"
#include "solver/subtree_trace.h"

namespace cubepack {

// Places piece 0 everywhere, skips seeds that a rotation maps onto a searched one, and counts
// the packings below every other seed.
void SearchSeeds(SearchState& s, const Board& emptyBox);

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
// Depths 3-4 below boardStack[2]; refreshes the candidate lists and reports progress. With a
// subtree sink set, the board goes to the sink instead.
void SearchDepth3(SearchState& s);
// The same search without progress checks: what it counts goes into `trace`, split at the
// depth-3 list visits; `s`'s counters are left at the last unit's counts.
void SearchDepth3Traced(SearchState& s, SubtreeTrace& trace);

// The same search in units that can run anywhere in any order, for the parallel runner: one per
// placement a depth-3 list visit tries. Each needs the candidate lists of boardStack[2].
struct SubtreeUnit {
  std::uint8_t visit = 0;  // the depth-3 list visit (0, 1, ...) that tries it
  std::uint8_t piece = 0;
  std::uint8_t index = 0;  // in the piece's candidate list at the anchor
};
inline constexpr int kMaxSubtreeUnits = (kPieceCount - 3) * kMaxListLength;
struct SubtreeUnits {
  std::array<SubtreeUnit, kMaxSubtreeUnits> units;
  int count = 0;
  int depth3Visits = 0;
  int anchor = 0;
};
// The units below boardStack[2], in search order, after RefreshCandidates for it.
void ListSubtreeUnits(const SearchState& s, SubtreeUnits& out);
// What the search below unit `u` counts.
TraceSpan SearchSubtreeUnit(SearchState& s, const SubtreeUnits& units, int u);
// An empty trace with the units' depth-3 visits; adding every unit's counts completes it.
void StartTrace(SubtreeTrace& trace, const SubtreeUnits& units);
void AddToTrace(SubtreeTrace& trace, SubtreeUnit unit, const TraceSpan& counts);
// The mask-only depths below boardStack[4], [7] and [9].
void SearchDepth5(SearchState& s);
void SearchDepth8(SearchState& s);
void SearchDepth10(SearchState& s);

}  // namespace cubepack
