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

// Names the tasks of `script`, the engine's version and the index file's layout: any change of
// a task's board, of their order or number, or of the layout gives another key, and so another
// file.
std::uint64_t IndexKey(const SearchScript& script);

// The secret of a cache folder, kIndexSecretBytes random bytes in a file of its own that only
// this user may read: it signs the index files, so that one edited by hand, by another tool or
// another version never passes. Made when absent and `create`; false when there is none to use
// (none yet, or a file there that is not this user's alone).
inline constexpr std::size_t kIndexSecretBytes = 16;
bool CacheSecret(const std::string& dir, bool create, std::string& secret);

// The index file: a header with `key` and the script's `taskCount`, the packing counts of its
// first tasks (all of them once complete), and a keyed hash of it all under `secret`.
std::string EncodeIndex(std::string_view secret, std::uint64_t key, std::size_t taskCount,
                        const std::vector<std::uint32_t>& counts);
// The counts that `bytes` holds when EncodeIndex wrote them with this secret for this key and
// task count. False, with `counts` empty, for anything else: another secret, key or layout, a
// file cut short, a changed byte.
bool DecodeIndex(std::string_view bytes, std::string_view secret, std::uint64_t key,
                 std::size_t taskCount, std::vector<std::uint32_t>& counts);

// The key of the index of a puzzle file's listing: its puzzle (`puzzleHash`, which holds the
// cell order and the mirror choice), the engine's version, its tasks (their number and
// `taskFingerprint`), and the labels and classes of its pieces in file order, which decide the
// line each class is written as, and so its task.
std::uint64_t PuzzleIndexKey(std::uint64_t puzzleHash, std::size_t taskCount,
                             std::uint64_t taskFingerprint, std::string_view labels,
                             const std::vector<int>& pieceClasses);

// The counts the cache holds for `key` and `taskCount` (none when it holds nothing usable, or
// the cache folder is not this user's alone), and saving them (failing to is no fault: nothing
// is said or thrown).
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
