#include "model/board.h"

#include <utility>

namespace cubepack {

void ClearBoard(Board& b) {
  b.mask = 0;
  b.cells.fill(0);
  b.placed.fill(0);
  for (int z = 0; z < kSizeZ; ++z) {
    for (int y = 0; y <= kSizeY; ++y) b.cells[GridIndex(kSizeX, y, z)] = kBorderValue;
    for (int x = 0; x <= kSizeX; ++x) b.cells[GridIndex(x, kSizeY, z)] = kBorderValue;
  }
}

void ComputeMask(Board& b) {
  OccupancyMask m = 0;
  for (int z = 0; z < kSizeZ; ++z)
    for (int y = 0; y < kSizeY; ++y)
      for (int x = 0; x < kSizeX; ++x)
        if (b.cells[GridIndex(x, y, z)] != 0) m |= CellBit(BitNumber(x, y, z));
  b.mask = m;
}

Board MakeEmptyBox() {
  Board b;
  ClearBoard(b);
  ComputeMask(b);
  return b;
}

void MirrorX(CellGrid& g) {
  for (int z = 0; z < kSizeZ; ++z)
    for (int y = 0; y < kSizeY; ++y)
      for (int x = 0; x < kSizeX / 2; ++x)
        std::swap(g[GridIndex(x, y, z)], g[GridIndex(kSizeX - 1 - x, y, z)]);
}

void MirrorY(CellGrid& g) {
  for (int z = 0; z < kSizeZ; ++z)
    for (int y = 0; y < kSizeY / 2; ++y)
      for (int x = 0; x < kSizeX; ++x)
        std::swap(g[GridIndex(x, y, z)], g[GridIndex(x, kSizeY - 1 - y, z)]);
}

void MirrorZ(CellGrid& g) {
  for (int z = 0; z < kSizeZ / 2; ++z)
    for (int y = 0; y < kSizeY; ++y)
      for (int x = 0; x < kSizeX; ++x)
        std::swap(g[GridIndex(x, y, z)], g[GridIndex(x, y, kSizeZ - 1 - z)]);
}

void TurnBoard(Board& b, bool tx, bool ty, bool tz) {
  if (tx) HalfTurnX(b.cells);
  if (ty) HalfTurnY(b.cells);
  if (tz) HalfTurnZ(b.cells);
}

bool SameCells(const Board& a, const Board& b) {
  for (int z = 0; z < kSizeZ; ++z)
    for (int y = 0; y < kSizeY; ++y)
      for (int x = 0; x < kSizeX; ++x)
        if (a.cells[GridIndex(x, y, z)] != b.cells[GridIndex(x, y, z)]) return false;
  return true;
}

}  // namespace cubepack
