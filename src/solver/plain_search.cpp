#include <cassert>

#include "model/placement.h"
#include "solver/check_holes.h"
#include "solver/empty_cell_scan.h"
#include "solver/search.h"

namespace cubepack {

namespace {

// What every depth-3 list visit does: the progress check, or a note in a trace.
struct ProgressCheck {
  void operator()(SearchState& s) const {
    if (ProgressDue(s.stepCount))
      s.report.Progress(s.seedOrdinal, s.depthMarks[1], s.depthMarks[2], s.solutionCount);
  }
};

// Ends a trace span: the counters since the previous depth-3 visit move into the trace.
struct TraceMark {
  SubtreeTrace& trace;
  void operator()(SearchState& s) const {
    assert(trace.depth3Visits < kPieceCount);
    trace.spans[trace.depth3Visits++] = {s.stepCount, s.solutionCount};
    s.stepCount = 0;
    s.solutionCount = 0;
  }
};

// One shallow depth (1 to 4): anchor at the first empty cell in fill order, every free piece's
// list there, each fitting placement written with its cells and judged by CheckHoles.
// `onDepth3Visit` is only used at depth 3.
template <int kDepth, class Depth3Visit = ProgressCheck>
void ShallowLevel(SearchState& s, Depth3Visit onDepth3Visit = {}) {
  static_assert(kDepth >= 1 && kDepth <= 4);
  const Board& prev = s.boardStack[kDepth - 1];
  Board& next = s.boardStack[kDepth];
  const int anchor = NextEmptyCell(prev);

  for (int i = 1; i < kPieceCount; ++i) {
    if (prev.placed[i] != 0) continue;
    // Depths 1-2 walk the full lists, depths 3-4 the lists refreshed for boardStack[2].
    auto visit = [&](auto&& placementOf, int count) {
      if constexpr (kDepth == 3) {
        onDepth3Visit(s);
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
        PlaceOnGrid(next, prev, i, p);
        assert(MaskMatchesCells(next));
        if (!CheckHoles(next)) continue;
        if constexpr (kDepth == 1) SearchDepth2(s);
        if constexpr (kDepth == 2) SearchDepth3(s);
        if constexpr (kDepth == 3) ShallowLevel<4>(s);
        if constexpr (kDepth == 4) SearchDepth5(s);
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
  trace = SubtreeTrace{};
  s.stepCount = 0;
  s.solutionCount = 0;
  RefreshCandidates(s.catalogue, s.boardStack[2], s.candidates);
  ShallowLevel<3>(s, TraceMark{trace});
  trace.tail = {s.stepCount, s.solutionCount};
}

}  // namespace cubepack
