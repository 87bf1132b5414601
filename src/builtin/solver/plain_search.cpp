// The counting entries of depths 1 to 4.

#include "builtin/solver/candidates.h"
#include "builtin/solver/search.h"
#include "builtin/solver/shallow_levels.h"

namespace cubepack::builtin {

void SearchPlain(SearchState& s) { PlainStage(s, SearchDepth3); }

void SearchDepth2(SearchState& s) { ShallowLevel<2>(s, SearchDepth3); }

void SearchDepth3(SearchState& s) {
  RefreshCandidates(s.catalogue, s.boardStack[2], s.candidates);
  ShallowLevel<3>(s, [](SearchState& st) { ShallowLevel<4>(st, SearchDepth5); });
}

}  // namespace cubepack::builtin
