#pragma once
// SipHash-2-4: a keyed hash whose value cannot be made for bytes of one's choosing without the
// key. It signs the files the cache keeps, so that only this user's own runs make one that
// passes.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace cubepack {

inline constexpr std::size_t kSipKeyBytes = 16;

// The hash of `bytes` under the first kSipKeyBytes bytes of `key` (zeros for those it lacks).
std::uint64_t SipHash24(std::string_view key, std::string_view bytes);

}  // namespace cubepack
