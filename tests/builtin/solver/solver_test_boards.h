#pragma once
// Board builders shared by the solver tests.

#include <cstdint>
#include <vector>

#include "builtin/model/board.h"

namespace cubepack::testing {

// The test helpers of one engine speak its names.
using namespace cubepack::builtin;

struct CellXYZ {
  int x, y, z;
};
using Cells = std::vector<CellXYZ>;

inline int GridOf(CellXYZ c) { return GridIndex(c.x, c.y, c.z); }
inline OccupancyMask BitOf(CellXYZ c) { return CellBit(BitNumber(c.x, c.y, c.z)); }

// The empty box with the listed cells set to `mark`; mask computed, no piece placed.
inline Board EmptyBoxWith(const Cells& filled, std::uint8_t mark = kSeedMark) {
  Board b = MakeEmptyBox();
  for (const CellXYZ& c : filled) b.cells[GridOf(c)] = mark;
  ComputeMask(b);
  return b;
}

// Every playable cell holds `mark` except the listed ones; mask computed, no piece placed.
inline Board FullBoxExcept(const Cells& empty, std::uint8_t mark = kPieceMark) {
  Board b = MakeEmptyBox();
  for (int g = 0; g < kGridSize; ++g)
    if (b.cells[g] == 0) b.cells[g] = mark;
  for (const CellXYZ& c : empty) b.cells[GridOf(c)] = 0;
  ComputeMask(b);
  return b;
}

}  // namespace cubepack::testing
