#pragma once
// The packing index: how many packings (or lines) each task of a listing holds, so that packing
// N leads to the one task to list. Kept in the per-user cache folder, named for a key of the
// task list, and signed with a secret of that folder.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "shared/hash.h"

namespace cubepack {

// A key's hash so far: the index file's layout and the engine's version, so that a new layout
// or another engine never meets an old file.
Fnv1a IndexKeyHash();

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

}  // namespace cubepack
