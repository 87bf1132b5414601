#include <cassert>

#include "model/placement.h"
#include "solver/check_holes.h"
#include "solver/empty_cell_scan.h"
#include "solver/search.h"

namespace cubepack {

namespace {

template <int kDepth>
void ShallowLevel(SearchState& s);

// Piece `piece` at `p` on `prev` gives `next`; a board that passes CheckHoles goes one deeper.
template <int kDepth>
void Descend(SearchState& s, const Board& prev, Board& next, int piece, const Placement& p) {
  PlaceOnGrid(next, prev, piece, p);
  assert(MaskMatchesCells(next));
  if (!CheckHoles(next)) return;
  if constexpr (kDepth == 1) SearchDepth2(s);
  if constexpr (kDepth == 2) SearchDepth3(s);
  if constexpr (kDepth == 3) ShallowLevel<4>(s);
  if constexpr (kDepth == 4) SearchDepth5(s);
}

// One shallow depth (1 to 4): anchor at the first empty cell in fill order, every free piece's
// list there, each fitting placement written with its cells and judged by CheckHoles.
// Every depth-3 list visit makes the progress check.
template <int kDepth>
void ShallowLevel(SearchState& s) {
  static_assert(kDepth >= 1 && kDepth <= 4);
  const Board& prev = s.boardStack[kDepth - 1];
  Board& next = s.boardStack[kDepth];
  const int anchor = NextEmptyCell(prev);

  for (int i = 1; i < kPieceCount; ++i) {
    if (prev.placed[i] != 0) continue;
    // Depths 1-2 walk the full lists, depths 3-4 the lists refreshed for boardStack[2].
    auto visit = [&](auto&& placementOf, int count) {
      if constexpr (kDepth == 3) {
        if (ProgressDue(s.stepCount))
          s.report.Progress(s.seedOrdinal, s.depthMarks[1], s.depthMarks[2], s.solutionCount);
      } else {
        ++s.stepCount;
      }
      if constexpr (kDepth <= 2) s.depthMarks[kDepth].piece = i;
      int ordinal = 0;
      for (int n = 0; n < count; ++n) {
        const Placement& p = placementOf(n);
        if (Collides(p.mask, prev.mask)) continue;
        ++ordinal;
        if constexpr (kDepth <= 2) s.depthMarks[kDepth].ordinal = ordinal;
        Descend<kDepth>(s, prev, next, i, p);
      }
    };
    if constexpr (kDepth <= 2) {
      const PlacementList* list = s.catalogue.pieces[i].byFillAnchor[anchor].get();
      if (list == nullptr) continue;
      visit([&](int n) -> const Placement& { return (*list)[n]; }, list->Count());
    } else {
      const CandidateList& list = s.candidates.fitByFillAnchor[i][anchor];
      if (!list.created) continue;
      visit([&](int n) -> const Placement& { return *list.refs[n]; }, list.Count());
    }
  }
}

}  // namespace

void SearchPlain(SearchState& s) { ShallowLevel<1>(s); }

void SearchDepth2(SearchState& s) { ShallowLevel<2>(s); }

void SearchDepth3(SearchState& s) {
  if (s.subtreeSink != nullptr) {
    s.subtreeSink->Take(s);
    return;
  }
  if (s.packingSink != nullptr) s.firstPieces = FirstThreePieces(s);
  RefreshCandidates(s.catalogue, s.boardStack[2], s.candidates);
  ShallowLevel<3>(s);
}

void SearchDepth3Traced(SearchState& s, SubtreeTrace& trace) {
  RefreshCandidates(s.catalogue, s.boardStack[2], s.candidates);
  SubtreeUnits units;
  ListSubtreeUnits(s, units);
  StartTrace(trace, units);
  for (int u = 0; u < units.count; ++u)
    AddToTrace(trace, units.units[u], SearchSubtreeUnit(s, units, u));
}

void ListSubtreeUnits(const SearchState& s, SubtreeUnits& out) {
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

TraceSpan SearchSubtreeUnit(SearchState& s, const SubtreeUnits& units, int u) {
  const SubtreeUnit unit = units.units[u];
  const Board& prev = s.boardStack[2];
  const Placement& p = *s.candidates.fitByFillAnchor[unit.piece][units.anchor].refs[unit.index];
  s.stepCount = 0;
  s.solutionCount = 0;
  if (!Collides(p.mask, prev.mask)) Descend<3>(s, prev, s.boardStack[3], unit.piece, p);
  return {s.stepCount, s.solutionCount};
}

void StartTrace(SubtreeTrace& trace, const SubtreeUnits& units) {
  trace = SubtreeTrace{};
  trace.depth3Visits = units.depth3Visits;
}

// Visit j's placements are counted between visit j and visit j + 1, the last visit's after it.
void AddToTrace(SubtreeTrace& trace, SubtreeUnit unit, const TraceSpan& counts) {
  TraceSpan& span = unit.visit + 1 < trace.depth3Visits ? trace.spans[unit.visit + 1] : trace.tail;
  span.visits += counts.visits;
  span.solutions += counts.solutions;
}

}  // namespace cubepack
