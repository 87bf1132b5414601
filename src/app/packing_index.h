#pragma once
// Packing N of the listing without listing everything before it. The listing writes its tasks'
// packings (three-piece boards, see search_script.h) in task order, so an index of how many
// packings each task holds leads to the one task to list. The index is counted on first use,
// as far as the packing asked for needs, and kept in the per-user cache for the runs after.

#include <cstdint>
#include <vector>

#include "builtin/model/packing.h"
#include "builtin/solver/search_script.h"

namespace cubepack {

// Names the tasks of `script`, the engine's version and the index file's layout: any change of
// a task's board, of their order or number, or of the layout gives another key, and so another
// file.
std::uint64_t IndexKey(const builtin::SearchScript& script);

// Packing number n (1-based) of the listing, in the order list writes them, from the index in
// the cache (counted, and saved when it can be, as far as n needs). Returns false when the
// listing has fewer than n packings; throws std::exception when it cannot tell.
bool FindPacking(std::int64_t n, builtin::Packing& out);

// Saves the index that a whole listing counted on its way (the packings it wrote for each task,
// in task order) for show. Failing to is no fault: nothing is said or thrown.
void SaveListedIndex(const std::vector<std::uint32_t>& counts);

}  // namespace cubepack
