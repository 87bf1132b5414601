#include "builtin/model/board.h"

#include <cstdint>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace cubepack::builtin {

void ClearBoard(Board& b) {
  b.mask = 0;
  b.cells.fill(0);
  b.placed.fill(0);
  for (int z = 0; z < kSizeZ; ++z) {
    for (int y = 0; y <= kSizeY; ++y) b.cells[GridIndex(kSizeX, y, z)] = kBorderValue;
    for (int x = 0; x <= kSizeX; ++x) b.cells[GridIndex(x, kSizeY, z)] = kBorderValue;
  }
}

OccupancyMask CellsHolding(const CellGrid& g, std::uint8_t value) {
  static_assert(kGridStrideZ == 30 && kGridStrideY == 6 && kSizeX == 5 && kSizeY == 4);
  OccupancyMask cells = 0;
  for (int z = 0; z < kSizeZ; ++z) {
    const std::uint8_t* layer = g.data() + z * kGridStrideZ;
    // Bit i: byte i of the layer's 30 (five rows of six; the last row and column are border).
#if defined(__SSE2__)
    const __m128i v = _mm_set1_epi8(static_cast<char>(value));
    const auto front = static_cast<std::uint32_t>(_mm_movemask_epi8(
        _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(layer)), v)));
    const auto back = static_cast<std::uint32_t>(_mm_movemask_epi8(
        _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(layer + 14)), v)));
    const std::uint32_t bytes = front | back << 14;  // bytes 14 and 15 are read twice
#else
    std::uint32_t bytes = 0;
    for (int i = 0; i < kGridStrideZ; ++i) bytes |= std::uint32_t{layer[i] == value} << i;
#endif
    // Five bits of every six: the border column and row dropped.
    const std::uint32_t row =
        (bytes & 0x1F) | (bytes >> 1 & 0x3E0) | (bytes >> 2 & 0x7C00) | (bytes >> 3 & 0xF8000);
    cells |= OccupancyMask{row} << (z * kBitStrideZ);
  }
  return cells;
}

void ComputeMask(Board& b) { b.mask = ~CellsHolding(b.cells, 0) & kFullMask; }

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

void TurnBoard(Board& b, BoxTurn turn) {
  switch (turn) {
    case BoxTurn::kNone:
      break;
    case BoxTurn::kHalfX:
      HalfTurnX(b.cells);
      break;
    case BoxTurn::kHalfY:
      HalfTurnY(b.cells);
      break;
    case BoxTurn::kHalfZ:
      HalfTurnZ(b.cells);
      break;
  }
}

bool SameCells(const Board& a, const Board& b) {
  for (int z = 0; z < kSizeZ; ++z)
    for (int y = 0; y < kSizeY; ++y)
      for (int x = 0; x < kSizeX; ++x)
        if (a.cells[GridIndex(x, y, z)] != b.cells[GridIndex(x, y, z)]) return false;
  return true;
}

}  // namespace cubepack::builtin
