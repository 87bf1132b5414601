#pragma once
// The search on several threads with the sequential run's events: workers search the tasks of
// a script in order, each with its own state, while the calling thread replays the script and
// reports each event as soon as everything before it is known.

#include "model/board.h"
#include "solver/search_script.h"
#include "solver/search_state.h"

namespace cubepack {

// Searches `script`'s tasks on `jobs` worker threads (at least 1) and replays it onto `s`.
void RunScript(SearchState& s, const SearchScript& script, int jobs);

// SearchSeeds on `jobs` worker threads: the same events on `s` in the same order.
void SearchSeedsParallel(SearchState& s, const Board& emptyBox, int jobs);

}  // namespace cubepack
