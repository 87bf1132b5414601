#pragma once
// The search below one three-piece board in units that can run anywhere in any order, for the
// parallel runner: one per placement a depth-3 list visit tries. What the units count, put
// together as a trace split at the depth-3 list visits, is all a replay needs to reproduce the
// progress checks and totals of the sequential search without searching again.

#include <array>
#include <cstdint>

#include "builtin/model/geometry.h"
#include "builtin/model/placement.h"
#include "builtin/solver/packing_search.h"
#include "builtin/solver/search_counts.h"
#include "builtin/solver/search_state.h"

namespace cubepack::builtin {

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
void MakeSubtreeUnits(const SearchState& s, SubtreeUnits& out);
// What the search below unit `u` counts; the state's counters are left at those counts.
SearchCounts CountSubtreeUnit(SearchState& s, const SubtreeUnits& units, int u);
// The same, listing the unit's packings as well.
SearchCounts ListSubtreeUnit(SearchState& s, const SubtreeUnits& units, int u,
                             const PackingListing& listing);

struct SubtreeTrace {
  // beforeVisit[j]: counted between depth-3 list visit j - 1 (or the start) and visit j.
  // A three-piece board leaves nine free pieces, so at most nine visits.
  std::array<SearchCounts, kPieceCount> beforeVisit{};
  int depth3Visits = 0;
  SearchCounts tail;  // counted after the last depth-3 list visit
};

// An empty trace with the units' depth-3 visits; adding every unit's counts completes it.
void StartTrace(SubtreeTrace& trace, const SubtreeUnits& units);
void AddToTrace(SubtreeTrace& trace, SubtreeUnit unit, const SearchCounts& counts);
// The packings a complete trace counts.
std::int64_t TraceSolutions(const SubtreeTrace& trace);

// SearchDepth3 without progress checks, unit by unit: what it counts goes into `trace`.
void SearchDepth3Traced(SearchState& s, SubtreeTrace& trace);

}  // namespace cubepack::builtin
