// A packing of any puzzle as a line: the labels, the refusals, and each fault of a line named.

#include "general/model/puzzle_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/listed_puzzle.h"

namespace cubepack::general {
namespace {

using Built = testing::ListedPuzzle;

// The line does not depend on the search's cell order: here z, x, y, while the line's is z, y, x.
Built Make(const std::string& text, bool mirror = false) {
  return testing::MakeListedPuzzle(text, mirror);
}

// The fault of a line, "" for a packing.
std::string Fault(const Built& b, const std::string& chars) {
  std::vector<int> pieces;
  return ParsePuzzleLine(b.format, b.build.puzzle, PlacementIndex(b.build.puzzle), chars, pieces);
}

// Two L trominoes (copies), a straight one and a domino: a 3 x 3 layer and two cells above.
constexpr const char* kTrominoes =
    "target draw xxx/xxx/xxx xx\npiece a draw xx/x.\npiece b draw xx/x.\npiece c draw xxx\n"
    "piece d draw x x\n";
constexpr const char* kGood = "cabcbbcddaa.......";

TEST(PuzzleLine, LabelsAreOneCharacterNamesOrElseGenerated) {
  const Built named = Make(kTrominoes);
  ASSERT_EQ(named.formatError, "");
  EXPECT_EQ(named.format.length, 18);
  EXPECT_EQ(std::string(named.format.pieceLabel.begin(), named.format.pieceLabel.end()), "abcd");
  EXPECT_EQ(Fault(named, kGood), "");

  const Built generated =
      Make("box 2 2 1\npiece a 0,0,0 1,0,0\npiece long 0,0,0 1,0,0\n");  // one name of four letters
  ASSERT_EQ(generated.formatError, "");
  EXPECT_EQ(Fault(generated, "0011"), "");
  EXPECT_EQ(Fault(generated, "1100"),
            "piece 1 (long) comes before piece 0 (a): copies of one shape take their labels in "
            "the order of their first cells");

  std::string many = "box 63 1 1\n";
  for (int i = 0; i < 63; ++i) many += "piece p" + std::to_string(i) + " 0,0,0\n";
  EXPECT_EQ(Make(many).formatError,
            "63 pieces: a line labels at most 62 (or any number of pieces named by one character "
            "each)");
  EXPECT_EQ(Make("target 0,0,0 255,255,255\npiece a 0,0,0\npiece b 0,0,0\n").formatError,
            "the target's bounding box has 16777216 cells; a line takes at most 65536");
}

TEST(PuzzleLine, NamesTheFirstFaultOfALine) {
  const Built b = Make(kTrominoes);
  EXPECT_EQ(Fault(b, "cabcbbc"), "7 characters, not 18");
  EXPECT_EQ(Fault(b, std::string(kGood) + "."), "more than 18 characters");
  EXPECT_EQ(Fault(b, "c.bcbbcddaa......."), "character 2 is '.', not a piece's label");
  EXPECT_EQ(Fault(b, std::string("\0abcbbcddaa.......", 18)),
            "character 1 is byte 0x00, not a piece's label");
  EXPECT_EQ(Fault(b, "cabcbbcddaa.a....."),
            "character 13 is 'a', not '.' (the cell is outside the target)");
  EXPECT_EQ(Fault(b, "ccbcbbcddaa......."), "piece a covers 2 cells, not 3");
  // Two cells swapped, and the two copies' labels swapped.
  EXPECT_EQ(Fault(b, "cbacbbcddaa......."), "piece a is not in one of its rotations");
  EXPECT_EQ(Fault(b, "cbacaacddbb......."),
            "piece b comes before piece a: copies of one shape take their labels in the order of "
            "their first cells");
}

TEST(PuzzleLine, AMirroredChiralPieceIsNamedSo) {
  const std::string soma =
      "box 3 3 3\npiece V 0,0,0 1,0,0 0,1,0\npiece L 0,0,0 1,0,0 2,0,0 0,1,0\n"
      "piece T 0,0,0 1,0,0 2,0,0 1,1,0\npiece Z 0,0,0 1,0,0 1,1,0 2,1,0\n"
      "piece A 0,0,0 1,0,0 1,1,0 0,0,1\npiece B 0,0,0 1,0,0 1,1,0 1,1,1\n"
      "piece P 0,0,0 1,0,0 0,1,0 0,0,1\n";
  for (const bool mirror : {false, true}) {
    const Built b = Make(soma, mirror);
    EXPECT_EQ(Fault(b, "ZLVPVVPPAZLBZAAPTALLBZBBTTT"), "");
    // A and B are each other's mirror images: with their labels swapped each is mirrored.
    EXPECT_EQ(Fault(b, "ZLVPVVPPBZLAZBBPTBLLAZAATTT"),
              "piece A is its mirror image, not one of its rotations");
  }
}

}  // namespace
}  // namespace cubepack::general
