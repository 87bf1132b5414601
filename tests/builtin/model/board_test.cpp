// The board record: border layout, mask computation, mirrors and half turns, comparison and the
// grid scan.

#include "builtin/model/board.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace cubepack::builtin {
namespace {

// The layout worked out here (index z*30 + y*6 + x), not taken from the code.
int GridOf(int x, int y, int z) { return z * 30 + y * 6 + x; }
bool IsBorder(int g) { return g % 6 == 5 || g % 30 / 6 == 4; }

// Every playable cell holds a different non-zero mark, so a cell moved to the wrong place shows.
Board NumberedBoard() {
  Board b = MakeEmptyBox();
  int n = 0;
  for (int g = 0; g < 90; ++g)
    if (!IsBorder(g)) b.cells[g] = static_cast<std::uint8_t>(17 + 3 * n++);
  return b;
}

TEST(Board, ClearedBoxHoldsOnlyTheBorder) {
  Board used;
  used.mask = ~OccupancyMask{0};
  used.cells.fill(9);
  used.placed.fill(1);
  ClearBoard(used);
  for (int g = 0; g < 90; ++g) EXPECT_EQ(used.cells[g], IsBorder(g) ? 15 : 0) << "grid index " << g;
  EXPECT_EQ(used.mask, 0u);
  EXPECT_EQ(used.placed, (std::array<std::uint8_t, kPieceCount>{}));
  const Board empty = MakeEmptyBox();
  EXPECT_EQ(empty.mask, 0u);
  EXPECT_EQ(empty.cells, used.cells);
  EXPECT_EQ(empty.placed, used.placed);
}

TEST(Board, ComputeMaskSetsTheCellsBitOnly) {
  // (1,2,1) = grid 43 is bit 31 and (2,2,1) = grid 44 bit 32: either side of a 32-bit boundary.
  struct Case {
    int grid;
    int bit;
  };
  for (const Case& c : {Case{0, 0}, Case{GridOf(2, 1, 1), 27}, Case{43, 31}, Case{44, 32},
                        Case{GridOf(4, 3, 2), 59}}) {
    Board b = MakeEmptyBox();
    b.cells[c.grid] = 255;  // any non-zero mark fills
    b.mask = kFullMask;     // rebuilt, not added to
    ComputeMask(b);
    EXPECT_EQ(b.mask, CellBit(c.bit)) << "grid index " << c.grid;
  }
  // A full box gives all 60 bits whatever the border holds, and a border alone fills nothing.
  for (const std::uint8_t border : {std::uint8_t{0}, std::uint8_t{15}, std::uint8_t{255}}) {
    Board full = NumberedBoard(), none = MakeEmptyBox();
    for (int g = 0; g < 90; ++g)
      if (IsBorder(g)) full.cells[g] = none.cells[g] = border;
    ComputeMask(full);
    ComputeMask(none);
    EXPECT_EQ(full.mask, kFullMask) << "border " << int{border};
    EXPECT_EQ(none.mask, 0u) << "border " << int{border};
  }
}

TEST(Board, MirrorsAndHalfTurnsMovePlayableCellsOnly) {
  struct Op {
    void (*apply)(CellGrid&);
    bool fx, fy, fz;  // which coordinates the operation reflects
  };
  const Op ops[] = {{&MirrorX, true, false, false},  {&MirrorY, false, true, false},
                    {&MirrorZ, false, false, true},  {&HalfTurnX, false, true, true},
                    {&HalfTurnY, true, false, true}, {&HalfTurnZ, true, true, false}};
  // Distinct border bytes, so a border cell swapped with another border cell shows too.
  Board numbered = NumberedBoard();
  int n = 0;
  for (int g = 0; g < 90; ++g)
    if (IsBorder(g)) numbered.cells[g] = static_cast<std::uint8_t>(200 + n++);
  for (const Op& op : ops) {
    CellGrid grid = numbered.cells;
    op.apply(grid);
    for (int g = 0; g < 90; ++g) {
      const int x = g % 6, y = g % 30 / 6, z = g / 30;
      const int from =
          IsBorder(g) ? g : GridOf(op.fx ? 4 - x : x, op.fy ? 3 - y : y, op.fz ? 2 - z : z);
      EXPECT_EQ(grid[g], numbered.cells[from]) << "operation " << &op - ops << " grid index " << g;
    }
  }
}

TEST(Board, TurnBoardFollowsTheRotationGroupAndKeepsMaskAndFlags) {
  Board source = NumberedBoard();
  source.mask = 0x0ABCDEF012345678u;  // deliberately not the cells' mask
  source.placed = {1, 0, 1, 1, 0, 0, 0, 1, 0, 0, 0, 1};
  const std::array<void (*)(CellGrid&), 3> halfTurns = {&HalfTurnX, &HalfTurnY, &HalfTurnZ};
  for (int t = 0; t < 4; ++t) {
    const BoxTurn turn = kBoxTurns[t];
    Board b = source;
    TurnBoard(b, turn);
    EXPECT_EQ(b.mask, source.mask) << "turn " << t;
    EXPECT_EQ(b.placed, source.placed) << "turn " << t;
    CellGrid g = source.cells;
    if (t > 0) halfTurns[t - 1](g);
    EXPECT_EQ(b.cells, g) << "turn " << t;
    // Turns combine as the rotation group does: every turn undoes itself, and X then Y is Z.
    for (const BoxTurn second : kBoxTurns) {
      Board twice = b;
      TurnBoard(twice, second);
      Board once = source;
      TurnBoard(once, Combine(turn, second));
      EXPECT_EQ(twice.cells, once.cells) << "turn " << t << " then " << static_cast<int>(second);
    }
  }
}

TEST(Board, SameCellsComparesPlayableMarksOnly) {
  const Board a = NumberedBoard();
  Board b = a;
  b.cells[5] = 0;
  b.cells[GridOf(3, 4, 2)] = 99;
  b.mask = kFullMask;
  b.placed.fill(1);
  EXPECT_TRUE(SameCells(a, b));
  EXPECT_TRUE(SameCells(b, a));
  // The first and last cells and both sides of the word boundary: all 60 cells are compared.
  for (int g : {0, 43, 44, 82}) {
    Board c = a;
    ++c.cells[g];
    EXPECT_FALSE(SameCells(a, c)) << "grid index " << g;
  }
  // The same filled cells under other marks differ.
  Board seed = MakeEmptyBox(), pair = MakeEmptyBox();
  seed.cells[7] = kSeedMark;
  pair.cells[7] = kPairMark;
  EXPECT_FALSE(SameCells(seed, pair));
}

TEST(Board, FirstEmptyGridCell) {
  const CellGrid empty = MakeEmptyBox().cells;
  // A playable start is its own answer; border runs are skipped (24..29 is the last row of
  // layer 0, 83..89 the end of the grid), and a start past the grid finds nothing.
  const int cases[][2] = {{0, 0},   {43, 43}, {82, 82}, {5, 6},   {24, 30},
                          {83, 90}, {89, 90}, {90, 90}, {200, 90}};
  for (const auto& c : cases) EXPECT_EQ(FirstEmptyGridCell(empty, c[0]), c[1]) << "from " << c[0];

  Board b = NumberedBoard();
  EXPECT_EQ(FirstEmptyGridCell(b.cells, 0), 90);
  const int middle = GridOf(2, 1, 1), last = GridOf(4, 3, 2);
  b.cells[middle] = b.cells[last] = 0;
  EXPECT_EQ(FirstEmptyGridCell(b.cells, 0), middle);
  EXPECT_EQ(FirstEmptyGridCell(b.cells, middle), middle);
  EXPECT_EQ(FirstEmptyGridCell(b.cells, middle + 1), last);
  EXPECT_EQ(FirstEmptyGridCell(b.cells, last + 1), 90);
}

}  // namespace
}  // namespace cubepack::builtin
