// The packing line and the piece checks: the texts a user reads for a bad line, the rotations
// of each piece (a mirror image is not one), and the half turns of the box, each against
// versions worked out in the tests.

#include "builtin/model/packing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "builtin/model/packing_check.h"
#include "support/test_packings.h"

namespace cubepack::builtin {
namespace {

constexpr std::string_view kLine = "11023100031106315993B2222BB8668886655893B77AA7744A744AA55499";

TEST(PackingLine, ReadsAndWritesTheSixtyCharacters) {
  Packing p{};
  EXPECT_EQ(ParsePackingLine(kLine, p), "");
  EXPECT_EQ(p[0], 1);
  EXPECT_EQ(p[20], 11);  // 'B' at (0, 0, 1)
  EXPECT_EQ(p[43], 10);  // 'A'
  EXPECT_EQ(FormatPackingLine(p), std::string(kLine) + "\n");
  EXPECT_EQ(CheckPackingLine(kLine, p), "");
}

TEST(PackingLine, SaysWhatIsWrong) {
  Packing p{};
  std::string bad(kLine);
  bad[16] = 'x';
  EXPECT_EQ(ParsePackingLine(bad, p), "character 17 is 'x', not 0-9 or A-B");
  bad[16] = 'a';  // lower case is not a piece
  EXPECT_EQ(ParsePackingLine(bad, p), "character 17 is 'a', not 0-9 or A-B");
  bad[16] = '\x8f';
  EXPECT_EQ(ParsePackingLine(bad, p), "character 17 is byte 0x8F, not 0-9 or A-B");
  EXPECT_EQ(ParsePackingLine(bad.substr(0, 10), p), "10 characters, not 60");  // 17 not read
  EXPECT_EQ(ParsePackingLine(kLine.substr(0, 59), p), "59 characters, not 60");
  EXPECT_EQ(ParsePackingLine(kLine.substr(0, 1), p), "1 character, not 60");
  EXPECT_EQ(ParsePackingLine("", p), "0 characters, not 60");
  EXPECT_EQ(ParsePackingLine(std::string(kLine) + "1", p), "more than 60 characters");
  EXPECT_EQ(ParsePackingLine(std::string(kLine) + "\r", p), "more than 60 characters");

  std::string swapped(kLine);
  std::swap(swapped[0], swapped[2]);  // a cell of piece 1 and one of piece 0
  EXPECT_EQ(CheckPackingLine(swapped, p), "piece 0 is not in one of its rotations");
  std::string moved(kLine);
  moved[0] = '0';  // piece 0 gains the cell piece 1 loses
  EXPECT_EQ(CheckPackingLine(moved, p), "piece 0 covers 6 cells, not 5");
  EXPECT_EQ(CheckPackingLine(std::string(60, '3'), p), "piece 0 covers 0 cells, not 5");
}

TEST(PieceRotations, AreTheQuarterTurnsOfEachPieceAndNoMirrorImage) {
  for (int i = 0; i < kPieceCount; ++i) {
    std::vector<OccupancyMask> expected = testing::QuarterTurnOrientations(i);
    const PieceRotations& r = kPieceRotations[i];
    std::vector<OccupancyMask> table(r.masks.begin(), r.masks.begin() + r.count);
    std::sort(expected.begin(), expected.end());
    std::sort(table.begin(), table.end());
    EXPECT_EQ(table, expected) << "piece " << i;
  }
  // Piece 11, (0,0,0) (0,1,0) (1,0,0) (1,0,1), anywhere in the box; mirrored in x it is not
  // one of its rotations.
  const auto cells = [](std::initializer_list<int> bits) {
    OccupancyMask m = 0;
    for (const int b : bits) m |= CellBit(b);
    return m;
  };
  const int at = BitNumber(2, 1, 1);
  EXPECT_TRUE(IsRotationOfPiece(11, cells({at, at + 5, at + 1, at + 21})));
  EXPECT_FALSE(IsRotationOfPiece(11, cells({at + 1, at + 6, at, at + 20})));
}

TEST(BoxTurns, AreTheHalfTurns) {
  Packing p{};
  ASSERT_EQ(ParsePackingLine(kLine, p), "");
  EXPECT_EQ(TurnPacking(p, BoxTurn::kNone), p);
  EXPECT_EQ(TurnPacking(p, BoxTurn::kHalfX), testing::HalfTurned(p, 0));
  EXPECT_EQ(TurnPacking(p, BoxTurn::kHalfY), testing::HalfTurned(p, 1));
  EXPECT_EQ(TurnPacking(p, BoxTurn::kHalfZ), testing::HalfTurned(p, 2));
}

}  // namespace
}  // namespace cubepack::builtin
