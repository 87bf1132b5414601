// The two anchor scans: first empty cell in fill order (x slowest, then y, z fastest) and
// lowest empty cell in grid order, both from the mask alone.

#include "solver/empty_cell_scan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "solver/solver_test_boards.h"

namespace cubepack {
namespace {

using testing::BitOf;
using testing::CellXYZ;

// Plain references written from the coordinate formulas, not from the program's tables.
int GridFromCoords(int x, int y, int z) { return z * 30 + y * 6 + x; }

int PlainNextEmpty(OccupancyMask m) {
  for (int x = 0; x < 5; ++x)
    for (int y = 0; y < 4; ++y)
      for (int z = 0; z < 3; ++z)
        if ((m >> (z * 20 + y * 5 + x) & 1) == 0) return GridFromCoords(x, y, z);
  return -1;
}

int PlainLowestEmpty(OccupancyMask m) {
  for (int k = 0; k < 60; ++k)
    if ((m >> k & 1) == 0) return GridFromCoords(k % 5, k / 5 % 4, k / 20);
  return -1;
}

OccupancyMask MaskOf(const std::vector<CellXYZ>& cells) {
  OccupancyMask m = 0;
  for (const CellXYZ& c : cells) m |= BitOf(c);
  return m;
}

// The first `count` cells in fill order.
OccupancyMask FillPrefix(int count) {
  OccupancyMask m = 0;
  for (int r = 0; r < count; ++r) m |= BitOf({r / 12, r / 3 % 4, r % 3});
  return m;
}

TEST(EmptyCellScan, NextEmptyCellWalksFillOrder) {
  EXPECT_EQ(NextEmptyCell(OccupancyMask{0}), 0);
  // The next cell in fill order is the one above in z, not the neighbour in x.
  EXPECT_EQ(NextEmptyCell(MaskOf({{0, 0, 0}})), 30);
  // A full group of eight is skipped; the next cell is (0,2,2).
  const OccupancyMask group0 = MaskOf(
      {{0, 0, 0}, {0, 0, 1}, {0, 0, 2}, {0, 1, 0}, {0, 1, 1}, {0, 1, 2}, {0, 2, 0}, {0, 2, 1}});
  EXPECT_EQ(NextEmptyCell(group0), 72);
  // Past the six groups the x = 4 cells are scanned one by one.
  EXPECT_EQ(NextEmptyCell(FillPrefix(48) | MaskOf({{4, 0, 0}})), 34);
  EXPECT_EQ(NextEmptyCell(kFullMask & ~MaskOf({{4, 3, 2}})), 82);
  EXPECT_EQ(NextEmptyCell(kFullMask), -1);
}

TEST(EmptyCellScan, NextEmptyCellFindsAHoleInsideAGroup) {
  // Every group full except one cell in the middle of group 3: the group test must not skip it.
  const OccupancyMask hole = MaskOf({{2, 1, 1}});  // fill position 28
  EXPECT_EQ(NextEmptyCell(FillPrefix(60) & ~hole), 38);
  // A hole in the last group position and one in the first position after the groups.
  EXPECT_EQ(NextEmptyCell(FillPrefix(60) & ~MaskOf({{3, 3, 2}})), 81);
  EXPECT_EQ(NextEmptyCell(FillPrefix(60) & ~MaskOf({{4, 0, 0}})), 4);
}

TEST(EmptyCellScan, ScansReadOnlyTheMask) {
  // A grid full of marks with an empty mask, and an empty grid with a full-but-one mask.
  Board fullGrid = testing::FullBoxExcept({});
  fullGrid.mask = 0;
  fullGrid.placed.fill(1);
  EXPECT_EQ(NextEmptyCell(fullGrid), 0);
  EXPECT_EQ(LowestEmptyCell(fullGrid), 0);

  Board emptyGrid = MakeEmptyBox();
  emptyGrid.mask = kFullMask & ~MaskOf({{3, 2, 1}});
  EXPECT_EQ(NextEmptyCell(emptyGrid), 45);
  EXPECT_EQ(LowestEmptyCell(emptyGrid), 45);
}

TEST(EmptyCellScan, GridOrderAndFillOrderPickDifferentCells) {
  // Every cell below grid index 61 filled, (1,0,2) = 61 and (0,1,2) = 66 empty.
  Board b = MakeEmptyBox();
  for (int z = 0; z < 3; ++z)
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x)
        if (GridFromCoords(x, y, z) < 61) b.mask |= BitOf({x, y, z});
  EXPECT_EQ(LowestEmptyCell(b), 61);
  EXPECT_EQ(NextEmptyCell(b), 66);
}

TEST(EmptyCellScan, LowestEmptyCellAcrossWordBoundaries) {
  // Every prefix of filled bits, alone and with the cells above it filled too: the result is
  // the first clear bit whichever word, half word or byte it lies in.
  for (int k = 0; k < 60; ++k) {
    const OccupancyMask below = (OccupancyMask{1} << k) - 1;
    const int expected = GridFromCoords(k % 5, k / 5 % 4, k / 20);
    EXPECT_EQ(LowestEmptyCell(below), expected) << "bit " << k;
    EXPECT_EQ(LowestEmptyCell(kFullMask & ~CellBit(k)), expected) << "bit " << k;
  }
}

TEST(EmptyCellScan, NextEmptyCellAtEveryFillPosition) {
  for (int r = 0; r < 60; ++r) {
    const CellXYZ cell{r / 12, r / 3 % 4, r % 3};
    const int expected = GridFromCoords(cell.x, cell.y, cell.z);
    EXPECT_EQ(NextEmptyCell(FillPrefix(r)), expected) << "position " << r;
    EXPECT_EQ(NextEmptyCell(kFullMask & ~BitOf(cell)), expected) << "position " << r;
  }
}

TEST(EmptyCellScan, BothScansAgreeWithAPlainScanOnRandomMasks) {
  std::mt19937_64 rng(20240611);
  for (int i = 0; i < 20000; ++i) {
    OccupancyMask m = rng();
    // Denser masks fill whole groups, sparser ones stop early; a filled fill-order prefix
    // reaches the later groups and the x = 4 cells.
    switch (i % 4) {
      case 0:
        m |= rng() | rng();
        break;
      case 1:
        m &= rng();
        break;
      case 2:
        m = FillPrefix(static_cast<int>(rng() % 61)) | (rng() & rng() & rng());
        break;
      default:
        break;
    }
    m &= kFullMask;
    EXPECT_EQ(NextEmptyCell(m), PlainNextEmpty(m)) << std::hex << m;
    if (m != kFullMask) {
      EXPECT_EQ(LowestEmptyCell(m), PlainLowestEmpty(m)) << std::hex << m;
    }
  }
}

}  // namespace
}  // namespace cubepack
