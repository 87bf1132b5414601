// Hole pruning: every face-connected empty region must have a size the free pieces could fill.

#include "solver/check_holes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "solver/solver_test_boards.h"

namespace cubepack {
namespace {

using testing::CellXYZ;
using Cells = std::vector<CellXYZ>;

// The first `n` cells of layer z in grid order: whole rows along x, stacked in y, so the
// region is connected for any n up to 20.
Cells LayerPrefix(int n, int z) {
  Cells cells;
  for (int k = 0; k < n; ++k) cells.push_back({k % 5, k / 5, z});
  return cells;
}

Cells Join(Cells a, const Cells& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Everything filled but `empty`; the six-cube and four-cube pieces placed or free as given.
Board Holes(const Cells& empty, bool sixPlaced, bool fourPlaced) {
  Board b = testing::FullBoxExcept(empty);
  b.placed[kSixCubePiece] = sixPlaced ? 1 : 0;
  b.placed[kFourCubePiece] = fourPlaced ? 1 : 0;
  return b;
}

TEST(HolePruning, RegionsTooSmallForAnyPiece) {
  for (int n = 1; n <= 3; ++n) {
    EXPECT_FALSE(CheckHoles(Holes(LayerPrefix(n, 0), false, false))) << n;
    EXPECT_FALSE(CheckHoles(Holes(LayerPrefix(n, 1), true, true))) << n;
  }
}

TEST(HolePruning, OneLessThanAMultipleOfFiveNeedsTheFourCubePiece) {
  for (int n : {4, 9, 14}) {
    EXPECT_TRUE(CheckHoles(Holes(LayerPrefix(n, 0), false, false))) << n;
    EXPECT_TRUE(CheckHoles(Holes(LayerPrefix(n, 0), true, false))) << n;
    EXPECT_FALSE(CheckHoles(Holes(LayerPrefix(n, 0), false, true))) << n;
    EXPECT_FALSE(CheckHoles(Holes(LayerPrefix(n, 0), true, true))) << n;
  }
}

TEST(HolePruning, OneMoreThanAMultipleOfFiveNeedsTheSixCubePiece) {
  for (int n : {6, 11}) {
    EXPECT_TRUE(CheckHoles(Holes(LayerPrefix(n, 2), false, false))) << n;
    EXPECT_TRUE(CheckHoles(Holes(LayerPrefix(n, 2), false, true))) << n;
    EXPECT_FALSE(CheckHoles(Holes(LayerPrefix(n, 2), true, false))) << n;
    EXPECT_FALSE(CheckHoles(Holes(LayerPrefix(n, 2), true, true))) << n;
  }
}

TEST(HolePruning, SizesNoPieceMixCanFill) {
  for (int n : {7, 8, 12, 13})
    EXPECT_FALSE(CheckHoles(Holes(LayerPrefix(n, 1), false, false))) << n;
}

TEST(HolePruning, MultiplesOfFiveNeedNoSpecialPiece) {
  for (int n : {5, 10, 15}) {
    EXPECT_TRUE(CheckHoles(Holes(LayerPrefix(n, 0), true, true))) << n;
    EXPECT_TRUE(CheckHoles(Holes(LayerPrefix(n, 0), false, false))) << n;
  }
}

TEST(HolePruning, EmptyAndFullBoxesPass) {
  Board empty = MakeEmptyBox();
  EXPECT_TRUE(CheckHoles(empty));
  empty.placed.fill(1);
  EXPECT_TRUE(CheckHoles(empty));

  EXPECT_TRUE(CheckHoles(Holes({}, true, true)));
  EXPECT_TRUE(CheckHoles(Holes({}, false, false)));
}

TEST(HolePruning, EachRegionIsJudgedOnItsOwn) {
  // Two regions of four, kept apart by the filled middle layer: both may claim the one
  // four-cube piece.
  const Cells twoFours = Join(LayerPrefix(4, 0), LayerPrefix(4, 2));
  EXPECT_TRUE(CheckHoles(Holes(twoFours, true, false)));
  EXPECT_FALSE(CheckHoles(Holes(twoFours, true, true)));

  // A region that fails is found whether it comes before or after one that passes.
  EXPECT_FALSE(CheckHoles(Holes(Join(LayerPrefix(5, 0), LayerPrefix(3, 2)), false, false)));
  EXPECT_FALSE(CheckHoles(Holes(Join(LayerPrefix(3, 0), LayerPrefix(5, 2)), false, false)));
  EXPECT_TRUE(CheckHoles(Holes(Join(LayerPrefix(5, 0), LayerPrefix(10, 2)), true, true)));
}

TEST(HolePruning, RegionsConnectOnlyThroughFaces) {
  // Each pair would make one region of five if joined, which passes; apart they are two and
  // three cells, which fail.
  const Cells two = {{0, 0, 0}, {1, 0, 0}};
  const Cells faceTouch = {{1, 1, 0}, {2, 1, 0}, {3, 1, 0}};
  const Cells edgeTouch = {{2, 1, 0}, {3, 1, 0}, {4, 1, 0}};
  const Cells cornerTouch = {{2, 1, 1}, {3, 1, 1}, {4, 1, 1}};
  EXPECT_TRUE(CheckHoles(Holes(Join(two, faceTouch), true, true)));
  EXPECT_FALSE(CheckHoles(Holes(Join(two, edgeTouch), false, false)));
  EXPECT_FALSE(CheckHoles(Holes(Join(two, cornerTouch), false, false)));

  // Neighbours in bit order but not in the box: the end of one row and the start of the
  // next, and the last row of one layer and the first row of the next.
  const Cells rowEnd = {{3, 0, 0}, {4, 0, 0}};
  const Cells nextRow = {{0, 1, 0}, {1, 1, 0}, {2, 1, 0}};
  EXPECT_FALSE(CheckHoles(Holes(Join(rowEnd, nextRow), false, false)));
  const Cells layerEnd = {{3, 3, 0}, {4, 3, 0}};
  const Cells nextLayer = {{0, 0, 1}, {1, 0, 1}, {2, 0, 1}};
  EXPECT_FALSE(CheckHoles(Holes(Join(layerEnd, nextLayer), false, false)));
}

TEST(HolePruning, RegionsAtTheFarFacesOfTheBox) {
  // The last row of the top layer and a column through all three layers at the far corner:
  // the fill must stop at the y, x and z faces without running off the grid.
  const Cells topRow = {{0, 3, 2}, {1, 3, 2}, {2, 3, 2}, {3, 3, 2}, {4, 3, 2}};
  EXPECT_TRUE(CheckHoles(Holes(topRow, true, true)));
  const Cells corner = {{4, 3, 0}, {4, 3, 1}, {4, 3, 2}, {4, 2, 2}};
  EXPECT_TRUE(CheckHoles(Holes(corner, true, false)));
  EXPECT_FALSE(CheckHoles(Holes(corner, true, true)));
}

TEST(HolePruning, LeavesTheBoardUnchanged) {
  for (bool fourPlaced : {false, true}) {
    const Board before = Holes(Join(LayerPrefix(4, 0), LayerPrefix(9, 2)), false, fourPlaced);
    Board b = before;
    CheckHoles(b);
    EXPECT_EQ(std::memcmp(&b, &before, sizeof(Board)), 0);
  }
  const Board empty = MakeEmptyBox();
  Board b = empty;
  CheckHoles(b);
  EXPECT_EQ(std::memcmp(&b, &empty, sizeof(Board)), 0);
}

TEST(HolePruning, ReadsOnlyCellsAndTheTwoSpecialFlags) {
  const Cells region = LayerPrefix(9, 1);
  for (bool fourPlaced : {false, true}) {
    Board b = Holes(region, false, fourPlaced);
    const bool expected = CheckHoles(b);
    // Other marks on the filled cells, a stale mask and every other flag set.
    for (int g = 0; g < kGridSize; ++g)
      if (b.cells[g] == kPieceMark) b.cells[g] = static_cast<std::uint8_t>(1 + g % 200);
    b.mask = 0;
    for (int i = 0; i < kPieceCount; ++i)
      if (i != kSixCubePiece && i != kFourCubePiece) b.placed[i] = 1;
    EXPECT_EQ(CheckHoles(b), expected);
  }
}

}  // namespace
}  // namespace cubepack
