#include "builtin/solver/subtree_units.h"

#include "builtin/solver/candidates.h"
#include "builtin/solver/empty_cell_scan.h"
#include "builtin/solver/search.h"
#include "builtin/solver/shallow_levels.h"

namespace cubepack::builtin {

namespace {

// Unit `u`'s placement on boardStack[2], and depth 4 below it with `below` at depth 5.
template <class Below>
SearchCounts RunUnit(SearchState& s, const SubtreeUnits& units, int u, Below&& below) {
  const SubtreeUnit unit = units.units[u];
  const Board& prev = s.boardStack[2];
  const Placement& p = *s.candidates.fitByFillAnchor[unit.piece][units.anchor].refs[unit.index];
  s.stepCount = 0;
  s.solutionCount = 0;
  if (!Collides(p.mask, prev.mask))
    PlaceAndDescend(s, prev, s.boardStack[3], unit.piece, p,
                    [&below](SearchState& st) { ShallowLevel<4>(st, below); });
  return {s.stepCount, s.solutionCount};
}

}  // namespace

void MakeSubtreeUnits(const SearchState& s, SubtreeUnits& out) {
  const Board& board = s.boardStack[2];
  out.anchor = NextEmptyCell(board);
  out.count = 0;
  out.depth3Visits = 0;
  for (int i = 1; i < kPieceCount; ++i) {
    if (board.placed[i] != 0) continue;
    const CandidateList& list = s.candidates.fitByFillAnchor[i][out.anchor];
    if (!list.created) continue;
    for (int n = 0; n < list.Count(); ++n)
      out.units[out.count++] = {static_cast<std::uint8_t>(out.depth3Visits),
                                static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(n)};
    ++out.depth3Visits;
  }
}

SearchCounts CountSubtreeUnit(SearchState& s, const SubtreeUnits& units, int u) {
  return RunUnit(s, units, u, SearchDepth5);
}

SearchCounts ListSubtreeUnit(SearchState& s, const SubtreeUnits& units, int u,
                             const PackingListing& listing) {
  return RunUnit(s, units, u,
                 [&listing](SearchState& st) { AddCounts(st, ListDepth5(st, listing)); });
}

void StartTrace(SubtreeTrace& trace, const SubtreeUnits& units) {
  trace = SubtreeTrace{};
  trace.depth3Visits = units.depth3Visits;
}

// Visit j's placements are counted between visit j and visit j + 1, the last visit's after it.
void AddToTrace(SubtreeTrace& trace, SubtreeUnit unit, const SearchCounts& counts) {
  (unit.visit + 1 < trace.depth3Visits ? trace.beforeVisit[unit.visit + 1] : trace.tail) += counts;
}

std::int64_t TraceSolutions(const SubtreeTrace& trace) {
  std::int64_t solutions = trace.tail.solutions;
  for (int j = 0; j < trace.depth3Visits; ++j) solutions += trace.beforeVisit[j].solutions;
  return solutions;
}

void SearchDepth3Traced(SearchState& s, SubtreeTrace& trace) {
  RefreshCandidates(s.catalogue, s.boardStack[2], s.candidates);
  SubtreeUnits units;
  MakeSubtreeUnits(s, units);
  StartTrace(trace, units);
  for (int u = 0; u < units.count; ++u)
    AddToTrace(trace, units.units[u], CountSubtreeUnit(s, units, u));
}

}  // namespace cubepack::builtin
