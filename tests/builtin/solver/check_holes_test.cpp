// Hole pruning: every face-connected empty region must have a size the free pieces could fill.

#include "builtin/solver/check_holes.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "builtin/model/catalogue.h"
#include "builtin/solver/solver_test_boards.h"

namespace cubepack::builtin {
namespace {

using testing::Cells;

// The first `n` cells of layer z in grid order: whole rows along x stacked in y, so the region
// is connected for any n up to 20.
Cells LayerPrefix(int n, int z) {
  Cells cells;
  for (int k = 0; k < n; ++k) cells.push_back({k % 5, k / 5, z});
  return cells;
}

Cells Join(Cells a, const Cells& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Everything filled but `empty`, the six-cube and four-cube pieces placed or free as given. The
// mask is left at 0 and every other flag set: only the cells and those two flags may count.
bool Check(const Cells& empty, bool sixPlaced, bool fourPlaced) {
  Board b = testing::FullBoxExcept(empty);
  b.mask = 0;
  b.placed.fill(1);
  b.placed[kSixCubePiece] = sixPlaced ? 1 : 0;
  b.placed[kFourCubePiece] = fourPlaced ? 1 : 0;
  const Board before = b;
  const bool result = CheckHoles(b);
  EXPECT_EQ(std::memcmp(&b, &before, sizeof(Board)), 0) << "the board was changed";
  return result;
}

TEST(HolePruning, RegionSizeAgainstTheFreeSpecialPieces) {
  // Expected with: both special pieces free, six-cube placed, four-cube placed, both placed.
  const struct {
    int size;
    std::array<bool, 4> pass;
  } rows[] = {
      {1, {0, 0, 0, 0}}, {2, {0, 0, 0, 0}},  {3, {0, 0, 0, 0}},   // too small for any piece
      {4, {1, 1, 0, 0}}, {9, {1, 1, 0, 0}},  {14, {1, 1, 0, 0}},  // one less: the four-cube
      {6, {1, 0, 1, 0}}, {11, {1, 0, 1, 0}},                      // one more: the six-cube
      {7, {0, 0, 0, 0}}, {8, {0, 0, 0, 0}},  {12, {0, 0, 0, 0}}, {13, {0, 0, 0, 0}},
      {5, {1, 1, 1, 1}}, {10, {1, 1, 1, 1}}, {15, {1, 1, 1, 1}}, {0, {1, 1, 1, 1}},
  };
  int layer = 0;
  for (const auto& row : rows) {
    const Cells region = LayerPrefix(row.size, layer++ % 3);
    for (int c = 0; c < 4; ++c)
      EXPECT_EQ(Check(region, c == 1 || c == 3, c >= 2), row.pass[c]) << row.size << " case " << c;
  }
  EXPECT_TRUE(CheckHoles(MakeEmptyBox()));
}

TEST(HolePruning, EachRegionIsJudgedOnItsOwn) {
  // Two regions of four, kept apart by the filled middle layer: both may claim piece 11.
  EXPECT_TRUE(Check(Join(LayerPrefix(4, 0), LayerPrefix(4, 2)), true, false));
  // A failing region is found after a passing one.
  EXPECT_FALSE(Check(Join(LayerPrefix(5, 0), LayerPrefix(3, 2)), false, false));
  // A column at the far corner: the fill stops at the x, y and z faces.
  EXPECT_TRUE(Check({{4, 3, 0}, {4, 3, 1}, {4, 3, 2}, {4, 2, 2}}, true, false));

  // Two cells and three cells pass as one region of five only when a face joins them; touching
  // along an edge, at a corner, or as neighbours in bit order across a row end or a layer end
  // leaves two regions that fail.
  const Cells two = {{0, 0, 0}, {1, 0, 0}};
  EXPECT_TRUE(Check(Join(two, {{1, 1, 0}, {2, 1, 0}, {3, 1, 0}}), true, true));
  EXPECT_FALSE(Check(Join(two, {{2, 1, 0}, {3, 1, 0}, {4, 1, 0}}), false, false));
  EXPECT_FALSE(Check(Join(two, {{2, 1, 1}, {3, 1, 1}, {4, 1, 1}}), false, false));
  EXPECT_FALSE(Check({{3, 0, 0}, {4, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}}, false, false));
  EXPECT_FALSE(Check({{3, 3, 0}, {4, 3, 0}, {0, 0, 1}, {1, 0, 1}, {2, 0, 1}}, false, false));
  // A region of four that reaches the first cell of a row, or of a layer's first row, must not
  // take in a lone cell just before it in bit order (the last of the row or layer below).
  EXPECT_FALSE(Check({{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {4, 0, 0}}, false, false));
  EXPECT_FALSE(Check({{0, 0, 0}, {0, 0, 1}, {1, 0, 1}, {2, 0, 1}, {2, 3, 0}}, false, false));
}

}  // namespace
}  // namespace cubepack::builtin
