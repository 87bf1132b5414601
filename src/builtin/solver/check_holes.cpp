#include "builtin/solver/check_holes.h"

#include <bit>

#include "builtin/model/catalogue.h"

namespace cubepack::builtin {

namespace {

// The regions are grown on the 60-bit mask, a whole layer of cells per instruction: a flood
// fill over the byte grid, one queued cell and six neighbour branches at a time, made this test
// the largest serial cost of recording the parallel runner's script.

// Cells with x = 0, x = 4, y = 0 and y = 3.
constexpr OccupancyMask CellsWhere(bool (*keep)(int x, int y)) {
  OccupancyMask m = 0;
  for (int z = 0; z < kSizeZ; ++z)
    for (int y = 0; y < kSizeY; ++y)
      for (int x = 0; x < kSizeX; ++x)
        if (keep(x, y)) m |= CellBit(BitNumber(x, y, z));
  return m;
}
constexpr OccupancyMask kFirstX = CellsWhere([](int x, int) { return x == 0; });
constexpr OccupancyMask kLastX = CellsWhere([](int x, int) { return x == kSizeX - 1; });
constexpr OccupancyMask kFirstY = CellsWhere([](int, int y) { return y == 0; });
constexpr OccupancyMask kLastY = CellsWhere([](int, int y) { return y == kSizeY - 1; });
static_assert(std::popcount(kFirstX) == 12 && std::popcount(kLastY) == 15);

// The face neighbours of `region` and the region itself, within `empty`. A shift that crosses
// a row or layer end lands on the far face, and those cells are masked out.
constexpr OccupancyMask Grow(OccupancyMask region, OccupancyMask empty) {
  return (region | (region << 1 & ~kFirstX) | (region >> 1 & ~kLastX) |
          (region << kBitStrideY & ~kFirstY) | (region >> kBitStrideY & ~kLastY) |
          region << kBitStrideZ | region >> kBitStrideZ) &
         empty;
}

}  // namespace

bool CheckHoles(const Board& b) {
  const bool sixFree = b.placed[kSixCubePiece] == 0;
  const bool fourFree = b.placed[kFourCubePiece] == 0;
  // Regions in the order of their lowest cell, each once; the first that fails ends the test.
  for (OccupancyMask empty = CellsHolding(b.cells, 0); empty != 0;) {
    OccupancyMask region = empty & (~empty + 1);
    for (OccupancyMask grown = Grow(region, empty); grown != region; grown = Grow(region, empty))
      region = grown;
    empty &= ~region;
    const int size = std::popcount(region);
    if (size < 4) return false;
    if (!fourFree && size < 5) return false;
    const int rest = size % 5;
    const bool fits = rest == 0 || (fourFree && rest == 4) || (sixFree && rest == 1);
    if (!fits) return false;
  }
  return true;
}

}  // namespace cubepack::builtin
