#pragma once
// Constant cell tables, generated at compile time from their defining formulas.

#include <array>
#include <bit>
#include <cstdint>

#include "builtin/model/geometry.h"
#include "builtin/model/mask.h"

namespace cubepack::builtin {

// Row k: the grid index of the cell of bit k.
struct BitCellRow {
  std::uint32_t gridIndex;
};

inline constexpr std::array<BitCellRow, kCellCount> BitCellTable = [] {
  std::array<BitCellRow, kCellCount> t{};
  for (int z = 0; z < kSizeZ; ++z)
    for (int y = 0; y < kSizeY; ++y)
      for (int x = 0; x < kSizeX; ++x) {
        const int k = BitNumber(x, y, z);
        t[k] = {static_cast<std::uint32_t>(GridIndex(x, y, z))};
      }
  return t;
}();

static_assert(BitCellTable[0].gridIndex == 0 && BitCellTable[4].gridIndex == 4);
static_assert(BitCellTable[5].gridIndex == 6 && BitCellTable[31].gridIndex == 43);
static_assert(BitCellTable[32].gridIndex == 44 && BitCellTable[59].gridIndex == 82);

// The order in which the search fills the box: x slowest, then y, z fastest.
inline constexpr int kFillStrideY = kSizeZ;           // 3
inline constexpr int kFillStrideX = kSizeY * kSizeZ;  // 12
inline constexpr int FillPosition(int x, int y, int z) {
  return x * kFillStrideX + y * kFillStrideY + z;
}

struct FillOrderRow {
  std::int32_t gridIndex;
  OccupancyMask mask;  // the cell's bit
};

inline constexpr std::array<FillOrderRow, kCellCount> FillOrderTable = [] {
  std::array<FillOrderRow, kCellCount> t{};
  for (int x = 0; x < kSizeX; ++x)
    for (int y = 0; y < kSizeY; ++y)
      for (int z = 0; z < kSizeZ; ++z) {
        const OccupancyMask m = CellBit(BitNumber(x, y, z));
        t[FillPosition(x, y, z)] = {GridIndex(x, y, z), m};
      }
  return t;
}();

static_assert(FillOrderTable[0].gridIndex == 0 && FillOrderTable[1].gridIndex == 30);
static_assert(FillOrderTable[3].gridIndex == 6 && FillOrderTable[11].gridIndex == 78);
static_assert(FillOrderTable[12].gridIndex == 1 && FillOrderTable[15].gridIndex == 7);
static_assert(FillOrderTable[57].gridIndex == 22 && FillOrderTable[59].gridIndex == 82);
static_assert(FillOrderTable[59].mask == CellBit(59));

inline constexpr int kFillGroupCount = 6;
inline constexpr int kFillGroupSize = 8;

// Eight consecutive fill positions per group, so a scan can skip a full group with one test.
// Positions 48..59 (x = 4) belong to no group.
inline constexpr std::array<OccupancyMask, kFillGroupCount> FillGroupMask = [] {
  std::array<OccupancyMask, kFillGroupCount> g{};
  for (int i = 0; i < kFillGroupCount; ++i)
    for (int r = kFillGroupSize * i; r < kFillGroupSize * (i + 1); ++r)
      g[i] |= FillOrderTable[r].mask;
  return g;
}();

static_assert(FillGroupMask[0] == (CellBit(0) | CellBit(20) | CellBit(40) | CellBit(5) |
                                   CellBit(25) | CellBit(45) | CellBit(10) | CellBit(30)));

// Fill position of each bit number, and the grid index of each bit number.
inline constexpr std::array<std::uint8_t, kCellCount> FillPositionOfBit = [] {
  std::array<std::uint8_t, kCellCount> t{};
  for (int x = 0; x < kSizeX; ++x)
    for (int y = 0; y < kSizeY; ++y)
      for (int z = 0; z < kSizeZ; ++z)
        t[BitNumber(x, y, z)] = static_cast<std::uint8_t>(FillPosition(x, y, z));
  return t;
}();

// The same cells with bit FillPosition instead of bit BitNumber: in this order the first empty
// cell in fill order is the lowest clear bit.
inline constexpr OccupancyMask ToFillOrder(OccupancyMask grid) {
  OccupancyMask fill = 0;
  for (; grid != 0; grid &= grid - 1) fill |= CellBit(FillPositionOfBit[std::countr_zero(grid)]);
  return fill;
}

// Bit number of each grid index; -1 for border cells.
inline constexpr std::array<std::int8_t, kGridSize> BitOfGridIndex = [] {
  std::array<std::int8_t, kGridSize> t{};
  for (auto& v : t) v = -1;
  for (int k = 0; k < kCellCount; ++k) t[BitCellTable[k].gridIndex] = static_cast<std::int8_t>(k);
  return t;
}();

}  // namespace cubepack::builtin
