// The board record: border layout, mask computation, mirrors and half turns, comparison and the
// grid scan, plus the bit and cell conversions the mask relies on.

#include "model/board.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "model/cell_tables.h"
#include "model/mask.h"

namespace cubepack {
namespace {

// Coordinates of a grid index, worked out from the layout rather than taken from the code.
struct Coord {
  int x, y, z;
};
Coord CoordOf(int g) { return {g % 6, (g % 30) / 6, g / 30}; }
bool IsBorder(int g) {
  const Coord c = CoordOf(g);
  return c.x == 5 || c.y == 4;
}
int GridOf(int x, int y, int z) { return z * 30 + y * 6 + x; }
int BitOf(int x, int y, int z) { return z * 20 + y * 5 + x; }

// A board whose 60 playable cells all hold different non-zero marks, so any cell that moves to
// the wrong place shows; the border, mask and flags are those of a cleared board.
Board NumberedBoard() {
  Board b = MakeEmptyBox();
  int n = 0;
  for (int g = 0; g < 90; ++g)
    if (!IsBorder(g)) b.cells[g] = static_cast<std::uint8_t>(17 + 3 * n++);
  return b;
}

TEST(Board, EmptyBoxHasZeroMaskBorderOfFifteenAndEmptyCells) {
  const Board b = MakeEmptyBox();
  EXPECT_EQ(b.mask, 0u);
  EXPECT_EQ(LowWord(b.mask), 0u);
  EXPECT_EQ(HighWord(b.mask), 0u);
  int border = 0, playable = 0;
  for (int g = 0; g < 90; ++g) {
    if (IsBorder(g)) {
      EXPECT_EQ(b.cells[g], 15) << "grid index " << g;
      ++border;
    } else {
      EXPECT_EQ(b.cells[g], 0) << "grid index " << g;
      ++playable;
    }
    EXPECT_EQ(IsBorderIndex(g), IsBorder(g)) << "grid index " << g;
  }
  EXPECT_EQ(border, 30);
  EXPECT_EQ(playable, 60);
  for (int i = 0; i < kPieceCount; ++i) EXPECT_EQ(b.placed[i], 0) << "piece " << i;
}

TEST(Board, ClearBoardWipesEveryFieldOfAUsedBoard) {
  Board b;
  b.mask = ~OccupancyMask{0};
  b.cells.fill(9);
  b.placed.fill(1);
  ClearBoard(b);
  const Board empty = MakeEmptyBox();
  EXPECT_EQ(b.mask, 0u);
  EXPECT_EQ(b.cells, empty.cells);
  EXPECT_EQ(b.placed, empty.placed);
}

TEST(Board, ComputeMaskSetsTheBitOfEachSingleCell) {
  for (int z = 0; z < 3; ++z)
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) {
        Board b = MakeEmptyBox();
        b.cells[GridOf(x, y, z)] = kPieceMark;
        ComputeMask(b);
        EXPECT_EQ(b.mask, OccupancyMask{1} << BitOf(x, y, z))
            << "cell (" << x << ", " << y << ", " << z << ")";
      }
}

TEST(Board, LowAndHighWordsMeetBetweenCells43And44) {
  // (1, 2, 1) is the last cell of the low word, (2, 2, 1) the first of the high word.
  Board b = MakeEmptyBox();
  b.cells[43] = kSeedMark;
  ComputeMask(b);
  EXPECT_EQ(LowWord(b.mask), 0x80000000u);
  EXPECT_EQ(HighWord(b.mask), 0u);

  b = MakeEmptyBox();
  b.cells[44] = kSeedMark;
  ComputeMask(b);
  EXPECT_EQ(LowWord(b.mask), 0u);
  EXPECT_EQ(HighWord(b.mask), 1u);

  EXPECT_EQ(BitCellTable[31].bitValue, 0x80000000u);
  EXPECT_EQ(BitCellTable[31].gridIndex, 43u);
  EXPECT_EQ(BitCellTable[32].bitValue, 1u);
  EXPECT_EQ(BitCellTable[32].gridIndex, 44u);
}

TEST(Board, ComputeMaskOfAFullBoxIgnoresTheBorder) {
  // Whatever the border holds, including 0, only the 60 playable cells count.
  for (const std::uint8_t borderValue : {std::uint8_t{0}, std::uint8_t{15}, std::uint8_t{255}}) {
    Board b = NumberedBoard();
    for (int g = 0; g < 90; ++g)
      if (IsBorder(g)) b.cells[g] = borderValue;
    ComputeMask(b);
    EXPECT_EQ(LowWord(b.mask), 0xFFFFFFFFu) << "border " << int{borderValue};
    EXPECT_EQ(HighWord(b.mask), 0x0FFFFFFFu) << "border " << int{borderValue};
    EXPECT_EQ(b.mask, kFullMask);
  }
  // And a non-zero border alone fills nothing.
  Board b = MakeEmptyBox();
  for (int g = 0; g < 90; ++g)
    if (IsBorder(g)) b.cells[g] = 255;
  b.mask = kFullMask;
  ComputeMask(b);
  EXPECT_EQ(b.mask, 0u);
}

TEST(Board, ComputeMaskTreatsAnyNonZeroMarkAsFilled) {
  Board b = MakeEmptyBox();
  b.cells[GridOf(0, 0, 0)] = 1;
  b.cells[GridOf(4, 3, 2)] = 255;
  b.cells[GridOf(2, 1, 1)] = 2;
  ComputeMask(b);
  EXPECT_EQ(b.mask, (OccupancyMask{1} << 0) | (OccupancyMask{1} << 59) |
                        (OccupancyMask{1} << BitOf(2, 1, 1)));
}

TEST(Board, BitCellTableMapsEveryBitToItsCell) {
  for (int z = 0; z < 3; ++z)
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) {
        const int k = BitOf(x, y, z);
        EXPECT_EQ(BitCellTable[k].bitValue, std::uint32_t{1} << (k % 32)) << "bit " << k;
        EXPECT_EQ(BitCellTable[k].gridIndex, static_cast<std::uint32_t>(GridOf(x, y, z)))
            << "bit " << k;
        EXPECT_EQ(BitOfGridIndex[GridOf(x, y, z)], k);
      }
  for (int g = 0; g < 90; ++g)
    if (IsBorder(g)) {
      EXPECT_EQ(BitOfGridIndex[g], -1) << "grid index " << g;
    }
}

TEST(Mask, WordViewAndTests) {
  const OccupancyMask m = MaskFromWords(0x80000001u, 0x08000000u);
  EXPECT_EQ(m, CellBit(0) | CellBit(31) | CellBit(59));
  EXPECT_EQ(LowWord(m), 0x80000001u);
  EXPECT_EQ(HighWord(m), 0x08000000u);
  // A collision in the high word alone still counts.
  EXPECT_TRUE(Collides(m, CellBit(59)));
  EXPECT_FALSE(Collides(m, CellBit(32) | CellBit(30)));
  EXPECT_TRUE(Covers(m, CellBit(31) | CellBit(59)));
  EXPECT_FALSE(Covers(m, CellBit(31) | CellBit(32)));
  EXPECT_EQ(LowestClearBit(0), 0);
  EXPECT_EQ(LowestClearBit(kFullMask & ~CellBit(32)), 32);
  EXPECT_EQ(LowestClearBit(kFullMask & ~CellBit(59)), 59);
  EXPECT_EQ(std::popcount(kFullMask), 60);
  EXPECT_EQ(HighWord(kFullMask), 0x0FFFFFFFu);
}

TEST(Board, EachMirrorMovesPlayableCellsToTheOppositeSide) {
  const Board original = NumberedBoard();
  CellGrid mx = original.cells, my = original.cells, mz = original.cells;
  MirrorX(mx);
  MirrorY(my);
  MirrorZ(mz);
  for (int z = 0; z < 3; ++z)
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) {
        const std::uint8_t v = original.cells[GridOf(x, y, z)];
        EXPECT_EQ(mx[GridOf(4 - x, y, z)], v);
        EXPECT_EQ(my[GridOf(x, 3 - y, z)], v);
        EXPECT_EQ(mz[GridOf(x, y, 2 - z)], v);
      }
}

TEST(Board, HalfTurnsMoveCellsAsRotationsOfTheBox) {
  const Board original = NumberedBoard();
  CellGrid tx = original.cells, ty = original.cells, tz = original.cells;
  HalfTurnX(tx);
  HalfTurnY(ty);
  HalfTurnZ(tz);
  for (int z = 0; z < 3; ++z)
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) {
        const std::uint8_t v = original.cells[GridOf(x, y, z)];
        EXPECT_EQ(tx[GridOf(x, 3 - y, 2 - z)], v);
        EXPECT_EQ(ty[GridOf(4 - x, y, 2 - z)], v);
        EXPECT_EQ(tz[GridOf(4 - x, 3 - y, z)], v);
      }
}

TEST(Board, HalfTurnsFormTheFourRotationGroup) {
  const CellGrid original = NumberedBoard().cells;

  for (void (*turn)(CellGrid&) : {&HalfTurnX, &HalfTurnY, &HalfTurnZ}) {
    CellGrid g = original;
    turn(g);
    EXPECT_NE(g, original);  // the numbered grid has no symmetry
    turn(g);
    EXPECT_EQ(g, original);
  }

  CellGrid xy = original, z = original;
  HalfTurnX(xy);
  HalfTurnY(xy);
  HalfTurnZ(z);
  EXPECT_EQ(xy, z);

  CellGrid all = original;
  HalfTurnX(all);
  HalfTurnY(all);
  HalfTurnZ(all);
  EXPECT_EQ(all, original);
}

TEST(Board, MirrorsNeverTouchBorderCells) {
  // Distinct border values, so a border cell swapped with another border cell shows too.
  Board b = NumberedBoard();
  int n = 0;
  for (int g = 0; g < 90; ++g)
    if (IsBorder(g)) b.cells[g] = static_cast<std::uint8_t>(200 + n++);
  const CellGrid before = b.cells;
  for (void (*mirror)(CellGrid&) : {&MirrorX, &MirrorY, &MirrorZ}) {
    CellGrid g = before;
    mirror(g);
    for (int i = 0; i < 90; ++i)
      if (IsBorder(i)) {
        EXPECT_EQ(g[i], before[i]) << "grid index " << i;
      }
  }
}

TEST(Board, TurnBoardKeepsMaskAndFlagsAndTurnsInOrder) {
  Board source = NumberedBoard();
  source.mask = MaskFromWords(0x12345678u, 0x0ABCDEF0u);  // deliberately not the cells' mask
  source.placed = {1, 0, 1, 1, 0, 0, 0, 1, 0, 0, 0, 1};
  for (int bits = 0; bits < 8; ++bits) {
    const bool tx = (bits & 4) != 0, ty = (bits & 2) != 0, tz = (bits & 1) != 0;
    Board b = source;
    TurnBoard(b, tx, ty, tz);
    CellGrid expected = source.cells;
    if (tx) HalfTurnX(expected);
    if (ty) HalfTurnY(expected);
    if (tz) HalfTurnZ(expected);
    EXPECT_EQ(b.cells, expected) << "slot " << bits;
    EXPECT_EQ(b.mask, source.mask) << "slot " << bits;
    EXPECT_EQ(b.placed, source.placed) << "slot " << bits;
  }
  // Slots 0 and 7 both leave the board as it was.
  Board seven = source;
  TurnBoard(seven, true, true, true);
  EXPECT_EQ(seven.cells, source.cells);
}

TEST(Board, SameCellsLooksOnlyAtPlayableBytes) {
  const Board a = NumberedBoard();

  Board b = a;
  b.cells[5] = 0;
  b.cells[GridOf(3, 4, 2)] = 99;
  b.mask = kFullMask;
  b.placed.fill(1);
  EXPECT_TRUE(SameCells(a, b));
  EXPECT_TRUE(SameCells(b, a));

  // A different mark in any single playable cell, first to last, is a difference.
  for (int g = 0; g < 90; ++g) {
    if (IsBorder(g)) continue;
    Board c = a;
    c.cells[g] = static_cast<std::uint8_t>(c.cells[g] + 1);
    EXPECT_FALSE(SameCells(a, c)) << "grid index " << g;
  }

  // The same filled cells under other marks differ too.
  Board seed = MakeEmptyBox(), pair = MakeEmptyBox();
  seed.cells[7] = kSeedMark;
  pair.cells[7] = kPairMark;
  EXPECT_FALSE(SameCells(seed, pair));
}

TEST(Board, FirstEmptyGridCellOnTheEmptyBox) {
  const CellGrid g = MakeEmptyBox().cells;
  for (int i = 0; i < 90; ++i)
    if (!IsBorder(i)) {
      EXPECT_EQ(FirstEmptyGridCell(g, i), i) << "from " << i;
    }
  EXPECT_EQ(FirstEmptyGridCell(g, 5), 6);
  EXPECT_EQ(FirstEmptyGridCell(g, 24), 30);  // the whole border row of layer 0
  EXPECT_EQ(FirstEmptyGridCell(g, 83), 90);
  EXPECT_EQ(FirstEmptyGridCell(g, 89), 90);
  EXPECT_EQ(FirstEmptyGridCell(g, 90), 90);
  EXPECT_EQ(FirstEmptyGridCell(g, 200), 90);
}

TEST(Board, FirstEmptyGridCellSkipsFilledCellsOfAnyMark) {
  Board b = NumberedBoard();
  EXPECT_EQ(FirstEmptyGridCell(b.cells, 0), 90);
  b.cells[GridOf(4, 3, 2)] = 0;  // the last playable cell
  b.cells[GridOf(2, 1, 1)] = 0;
  EXPECT_EQ(FirstEmptyGridCell(b.cells, 0), GridOf(2, 1, 1));
  EXPECT_EQ(FirstEmptyGridCell(b.cells, GridOf(2, 1, 1)), GridOf(2, 1, 1));
  EXPECT_EQ(FirstEmptyGridCell(b.cells, GridOf(2, 1, 1) + 1), GridOf(4, 3, 2));
  EXPECT_EQ(FirstEmptyGridCell(b.cells, GridOf(4, 3, 2) + 1), 90);
}

}  // namespace
}  // namespace cubepack
