#pragma once
// Packing N of the listing without listing everything before it. The listing writes its tasks'
// packings (three-piece boards, see search_script.h) in task order, so an index of how many
// packings each task holds leads to the one task to list. The index is counted on first use,
// as far as the packing asked for needs, and kept in the per-user cache for the runs after.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/packing.h"
#include "solver/search_script.h"

namespace cubepack {

// Names the tasks of `script` and the index file's layout: any change of a task's board, of
// their order or number, or of the layout gives another key, and so another file.
std::uint64_t IndexKey(const SearchScript& script);

// The index file: a header with `key` and the script's `taskCount`, the packing counts of its
// first tasks (all of them once complete) and a checksum of it all.
std::string EncodeIndex(std::uint64_t key, std::size_t taskCount,
                        const std::vector<std::uint32_t>& counts);
// The counts that `bytes` holds when EncodeIndex wrote them for this key and task count. False,
// with `counts` empty, for anything else: another key or layout, a file cut short, a changed byte.
bool DecodeIndex(std::string_view bytes, std::uint64_t key, std::size_t taskCount,
                 std::vector<std::uint32_t>& counts);

// The key of the index of a puzzle file's listing: its puzzle (`puzzleHash`, which holds the
// cell order and the mirror choice), its number of tasks, and the labels and classes of its
// pieces in file order, which decide the line each class is written as, and so its task.
std::uint64_t PuzzleIndexKey(std::uint64_t puzzleHash, std::size_t taskCount,
                             std::string_view labels, const std::vector<int>& pieceClasses);

// The counts the cache holds for `key` and `taskCount` (none when it holds nothing usable), and
// saving them (failing to is no fault: nothing is said or thrown).
std::vector<std::uint32_t> LoadIndex(std::uint64_t key, std::size_t taskCount);
void SaveIndex(std::uint64_t key, std::size_t taskCount, const std::vector<std::uint32_t>& counts);

// The first task whose packings reach number n (1-based), with the packings of the tasks before
// it in `before`; counts.size() when the counts do not reach n.
std::size_t TaskHolding(std::int64_t n, const std::vector<std::uint32_t>& counts,
                        std::int64_t& before);

// Packing number n (1-based) of the listing, in the order list writes them, from the index in
// the cache (counted, and saved when it can be, as far as n needs). Returns false when the
// listing has fewer than n packings; throws std::exception when it cannot tell.
bool FindPacking(std::int64_t n, Packing& out);

// Saves the index that a whole listing counted on its way (the packings it wrote for each task,
// in task order) for show. Failing to is no fault: nothing is said or thrown.
void SaveListedIndex(const std::vector<std::uint32_t>& counts);

}  // namespace cubepack
