#pragma once
// The 60-bit occupancy mask and every bit operation on it. Bit k = z*20 + y*5 + x is the cell
// (x, y, z); bits 0..31 form the low word and bits 32..59 the high word. The mask is held in
// one 64-bit word (one AND per collision test instead of two); the word view stays available
// for code and tests that speak of the two halves.

#include <bit>
#include <cassert>
#include <cstdint>

namespace cubepack {

using OccupancyMask = std::uint64_t;

inline constexpr OccupancyMask kFullMask = (OccupancyMask{1} << 60) - 1;

inline constexpr OccupancyMask CellBit(int k) { return OccupancyMask{1} << k; }
inline constexpr std::uint32_t LowWord(OccupancyMask m) { return static_cast<std::uint32_t>(m); }
inline constexpr std::uint32_t HighWord(OccupancyMask m) {
  return static_cast<std::uint32_t>(m >> 32);
}
inline constexpr OccupancyMask MaskFromWords(std::uint32_t low, std::uint32_t high) {
  return (OccupancyMask{high} << 32) | low;
}

// True when the two masks share a filled cell.
inline constexpr bool Collides(OccupancyMask a, OccupancyMask b) { return (a & b) != 0; }

// True when every bit of `part` is set in `m`.
inline constexpr bool Covers(OccupancyMask m, OccupancyMask part) { return (m & part) == part; }

// Bit number of the lowest clear bit; the mask must not be full.
inline constexpr int LowestClearBit(OccupancyMask m) {
  assert((m & kFullMask) != kFullMask);
  return std::countr_one(m);
}

}  // namespace cubepack
