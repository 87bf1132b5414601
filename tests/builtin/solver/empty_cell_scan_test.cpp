// The two anchor scans, from the mask alone: first empty cell in fill order (x slowest, then y,
// z fastest) and lowest empty cell in grid order.

#include "builtin/solver/empty_cell_scan.h"

#include <gtest/gtest.h>

#include <random>

#include "builtin/solver/solver_test_boards.h"

namespace cubepack::builtin {
namespace {

using testing::BitOf;

// Plain references written from the coordinate formulas, not from the program's tables.
int GridFromBit(int k) { return k / 20 * 30 + k / 5 % 4 * 6 + k % 5; }

int PlainNextEmpty(OccupancyMask m) {
  for (int x = 0; x < 5; ++x)
    for (int y = 0; y < 4; ++y)
      for (int z = 0; z < 3; ++z)
        if ((m >> (z * 20 + y * 5 + x) & 1) == 0) return z * 30 + y * 6 + x;
  return -1;
}

int PlainLowestEmpty(OccupancyMask m) {
  for (int k = 0; k < 60; ++k)
    if ((m >> k & 1) == 0) return GridFromBit(k);
  return -1;
}

// The first `count` cells in fill order.
OccupancyMask FillPrefix(int count) {
  OccupancyMask m = 0;
  for (int r = 0; r < count; ++r) m |= BitOf({r / 12, r / 3 % 4, r % 3});
  return m;
}

TEST(EmptyCellScan, PinnedCases) {
  const struct {
    OccupancyMask mask;
    int expected;
  } cases[] = {
      {0, 0},
      {BitOf({0, 0, 0}), 30},                   // the next cell is the one above in z, not in x
      {FillPrefix(8), 72},                      // group 0 skipped whole: (0,2,2)
      {FillPrefix(48) | BitOf({4, 0, 0}), 34},  // past the groups, cell by cell: (4,0,1)
      {kFullMask & ~BitOf({4, 3, 2}), 82},
      {kFullMask, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(NextEmptyCell(c.mask), c.expected) << std::hex << c.mask;

  // Only the mask is read: a full grid with mask 0 yields cell 0.
  Board b = testing::FullBoxExcept({});
  b.mask = 0;
  EXPECT_EQ(NextEmptyCell(b), 0);
  EXPECT_EQ(LowestEmptyCell(b), 0);
  // Every cell below grid index 61 filled: the scans part at (1,0,2) = 61 and (0,1,2) = 66.
  for (int k = 0; k < 60; ++k)
    if (GridFromBit(k) < 61) b.mask |= CellBit(k);
  EXPECT_EQ(LowestEmptyCell(b), 61);
  EXPECT_EQ(NextEmptyCell(b), 66);
}

TEST(EmptyCellScan, BothScansAgreeWithAPlainScanOnRandomMasks) {
  std::mt19937_64 rng(20240611);
  for (int i = 0; i < 20000; ++i) {
    // Dense masks fill whole groups, sparse ones stop early, and a filled fill-order prefix
    // reaches the later groups and the x = 4 cells.
    const OccupancyMask r = rng();
    const OccupancyMask m =
        kFullMask & (i % 3 == 0   ? r | rng() | rng()
                     : i % 3 == 1 ? r & rng()
                                  : FillPrefix(static_cast<int>(r % 61)) | (rng() & rng() & rng()));
    EXPECT_EQ(NextEmptyCell(m), PlainNextEmpty(m)) << std::hex << m;
    if (m != kFullMask) {
      EXPECT_EQ(LowestEmptyCell(m), PlainLowestEmpty(m)) << std::hex << m;
    }
  }
}

}  // namespace
}  // namespace cubepack::builtin
