// The seed symmetry check: true when one of the three half turns maps the playable cells onto
// themselves.

#include "solver/check_sym.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "solver/solver_test_boards.h"

namespace cubepack {
namespace {

using testing::CellXYZ;
using testing::EmptyBoxWith;

// Each set is mapped onto itself by exactly the half turn it is named after:
// HalfTurnX (x, 3-y, 2-z), HalfTurnY (4-x, y, 2-z), HalfTurnZ (4-x, 3-y, z).
const std::vector<CellXYZ> kOnlyZ = {{0, 0, 0}, {1, 0, 0}, {4, 3, 0}, {3, 3, 0}};
const std::vector<CellXYZ> kOnlyX = {{0, 0, 0}, {1, 0, 0}, {0, 3, 2}, {1, 3, 2}};
const std::vector<CellXYZ> kOnlyY = {{0, 0, 0}, {0, 1, 0}, {4, 0, 2}, {4, 1, 2}};
// Piece 0 in its catalogue form at the origin: no half turn maps it onto itself.
const std::vector<CellXYZ> kAsymmetric = {{0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 1, 0}, {1, 2, 0}};

TEST(SeedSymmetry, EmptyBoxIsSymmetric) { EXPECT_TRUE(CheckSym(MakeEmptyBox())); }

TEST(SeedSymmetry, EachHalfTurnOnItsOwnIsEnough) {
  EXPECT_TRUE(CheckSym(EmptyBoxWith(kOnlyZ)));
  EXPECT_TRUE(CheckSym(EmptyBoxWith(kOnlyX)));
  EXPECT_TRUE(CheckSym(EmptyBoxWith(kOnlyY)));
  // The middle layer, which all three half turns keep.
  std::vector<CellXYZ> layer;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) layer.push_back({x, y, 1});
  EXPECT_TRUE(CheckSym(EmptyBoxWith(layer)));
}

TEST(SeedSymmetry, AsymmetricSeedIsFalseAndLeftUnchanged) {
  const Board before = EmptyBoxWith(kAsymmetric);
  Board b = before;
  EXPECT_FALSE(CheckSym(b));
  EXPECT_EQ(std::memcmp(&b, &before, sizeof(Board)), 0);
  // A quarter of a symmetric pair is not symmetric either.
  EXPECT_FALSE(CheckSym(EmptyBoxWith({{0, 0, 0}})));
}

TEST(SeedSymmetry, MarksAreComparedNotJustOccupancy) {
  // The same cells as a HalfTurnZ-symmetric set, but the turn swaps two different marks.
  Board b = EmptyBoxWith(kOnlyZ);
  b.cells[testing::GridOf({4, 3, 0})] = kPairMark;
  b.cells[testing::GridOf({3, 3, 0})] = kPairMark;
  EXPECT_FALSE(CheckSym(b));
}

TEST(SeedSymmetry, BorderMaskAndFlagsNeverMatter) {
  for (const auto& cells : {kOnlyZ, kOnlyX, kAsymmetric}) {
    Board b = EmptyBoxWith(cells);
    const bool expected = CheckSym(b);
    // Lopsided border bytes, a mask unrelated to the cells, all flags set.
    for (int g = 0; g < kGridSize; ++g)
      if (IsBorderIndex(g)) b.cells[g] = static_cast<std::uint8_t>(g < 30 ? 0 : g);
    b.mask = 0x0123456789ABCDEFull & kFullMask;
    b.placed.fill(1);
    EXPECT_EQ(CheckSym(b), expected);
  }
  EXPECT_TRUE(CheckSym(EmptyBoxWith(kOnlyZ)));
  EXPECT_FALSE(CheckSym(EmptyBoxWith(kAsymmetric)));
}

}  // namespace
}  // namespace cubepack
