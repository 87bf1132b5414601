#pragma once
// The two mask scans for the next anchor cell.

#include "builtin/model/board.h"
#include "builtin/model/cell_tables.h"

namespace cubepack::builtin {

// Grid index of the first empty cell in fill order (x slowest, then y, z fastest), from the
// mask alone; -1 when the mask is full. Full groups of eight cells are skipped with one test.
inline int NextEmptyCell(OccupancyMask mask) {
  int r = 0;
  for (int g = 0; g < kFillGroupCount; ++g, r += kFillGroupSize) {
    if (Covers(mask, FillGroupMask[g])) continue;
    for (int end = r + kFillGroupSize; r < end; ++r)
      if (!Collides(mask, FillOrderTable[r].mask)) return FillOrderTable[r].gridIndex;
    return -1;
  }
  for (; r < kCellCount; ++r)
    if (!Collides(mask, FillOrderTable[r].mask)) return FillOrderTable[r].gridIndex;
  return -1;
}
inline int NextEmptyCell(const Board& b) { return NextEmptyCell(b.mask); }

// Grid index of the empty cell with the lowest grid index (the lowest clear mask bit).
// The mask must not be full.
inline int LowestEmptyCell(OccupancyMask mask) {
  return static_cast<int>(BitCellTable[LowestClearBit(mask)].gridIndex);
}
inline int LowestEmptyCell(const Board& b) { return LowestEmptyCell(b.mask); }

}  // namespace cubepack::builtin
