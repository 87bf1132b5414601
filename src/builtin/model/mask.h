#pragma once
// The 60-bit occupancy mask and every bit operation on it. Bit k = z*20 + y*5 + x is the cell
// (x, y, z). The mask is held in one 64-bit word: one AND per collision test instead of the two
// that a pair of 32-bit words would take.

#include <bit>
#include <cassert>
#include <cstdint>

namespace cubepack::builtin {

using OccupancyMask = std::uint64_t;

inline constexpr OccupancyMask kFullMask = (OccupancyMask{1} << 60) - 1;

inline constexpr OccupancyMask CellBit(int k) { return OccupancyMask{1} << k; }
// True when the two masks share a filled cell.
inline constexpr bool Collides(OccupancyMask a, OccupancyMask b) { return (a & b) != 0; }

// True when every bit of `part` is set in `m`.
inline constexpr bool Covers(OccupancyMask m, OccupancyMask part) { return (m & part) == part; }

// Bit number of the lowest clear bit; the mask must not be full.
inline constexpr int LowestClearBit(OccupancyMask m) {
  assert((m & kFullMask) != kFullMask);
  return std::countr_one(m);
}

}  // namespace cubepack::builtin
