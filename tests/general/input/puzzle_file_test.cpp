// Reading puzzle files: every form of line, and one line naming the line for each fault.

#include "general/input/puzzle_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cubepack::general {
namespace {

TEST(PuzzleFile, ReadsEveryForm) {
  const PuzzleParse p = ParsePuzzle(
      "# comment\r\n"
      "name  Two bars and a corner  \n"
      "\n"
      "target 0,0,0 1,0,0 2,0,0   # cells listed\n"
      "target 0,1,0 1,1,0 2,1,0\n"
      "target draw ... xxx/x..\n"
      "piece bar-1 0,0,0 1,0,0 2,0,0\n"
      "piece Bar_2 draw xxx\n"
      "\tpiece c 5,5,5 5,6,5 # comment after cubes\n"
      "piece d draw x./..   x");
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.puzzle.name, "Two bars and a corner");
  EXPECT_EQ(p.puzzle.target.size(), 10u);
  EXPECT_EQ(p.puzzle.target.back(), (Point{0, 1, 1}));
  ASSERT_EQ(p.puzzle.pieces.size(), 4u);
  EXPECT_EQ(p.puzzle.pieces[1].name, "Bar_2");
  EXPECT_EQ(p.puzzle.pieces[1].cubes, (std::vector<Point>{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}));
  EXPECT_EQ(p.puzzle.pieces[2].line, 9);
  EXPECT_EQ(p.puzzle.pieces[3].cubes, (std::vector<Point>{{0, 0, 0}, {0, 0, 1}}));

  const PuzzleParse box = ParsePuzzle("box 2 1 3\npiece a 0,0,0 1,0,0 2,0,0\npiece b draw xxx");
  ASSERT_EQ(box.error, "");
  EXPECT_EQ(box.puzzle.target.size(), 6u);
  EXPECT_TRUE(box.puzzle.optional.empty());
  EXPECT_TRUE(box.puzzle.targetColours.empty());
}

TEST(PuzzleFile, ReadsTheDesignersStatements) {
  const PuzzleParse p = ParsePuzzle(
      "target draw x+/.x\n"
      "target optional 5,0,0 6,0,0:2\n"
      "target 7,0,0:1\n"
      "max-holes 2\n"
      "allow 3 1\n"
      "allow 3 1\n"
      "one-sided\n"
      "piece a copies 0-2 0,0,0:3 1,0,0\n"
      "piece b copies 2 draw x\n");
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.puzzle.optional, (std::vector<std::uint8_t>{0, 1, 0, 1, 1, 0}));
  EXPECT_EQ(p.puzzle.targetColours, (std::vector<int>{0, 0, 0, 0, 2, 1}));
  EXPECT_EQ(p.puzzle.maxHoles, 2);
  EXPECT_EQ(p.puzzle.allowed, (std::vector<ColourRule>{{3, 1}}));
  EXPECT_TRUE(p.puzzle.oneSided);
  EXPECT_EQ(p.puzzle.pieces[0].colours, (std::vector<int>{3, 0}));
  EXPECT_EQ(p.puzzle.pieces[0].minCopies, 0);
  EXPECT_EQ(p.puzzle.pieces[0].maxCopies, 2);
  EXPECT_TRUE(p.puzzle.pieces[1].colours.empty());
  EXPECT_EQ(p.puzzle.pieces[1].minCopies, 2);
  EXPECT_EQ(p.puzzle.pieces[1].maxCopies, 2);
}

// Weights and groups for disassembly: in any order with copies, before listed or drawn cubes; a
// group without a count takes the piece's most copies, known only once the line is read.
TEST(PuzzleFile, ReadsWeightsAndGroupsInAnyOrder) {
  const PuzzleParse p = ParsePuzzle(
      "box 6 1 1\n"
      "piece a group 3,1:2 weight 1000000 copies 1-4 0,0,0\n"
      "piece b weight 7 draw x\n"
      "piece c copies 1 group 65535 draw x\n");
  ASSERT_EQ(p.error, "");
  ASSERT_EQ(p.puzzle.pieces.size(), 3u);
  const PuzzlePiece& a = p.puzzle.pieces[0];
  EXPECT_EQ(a.weight, kMaxWeight);
  EXPECT_EQ(a.groups, (std::vector<PieceGroup>{{3, 4}, {1, 2}}));
  EXPECT_EQ(a.maxCopies, 4);
  EXPECT_EQ(a.cubes, (std::vector<Point>{{0, 0, 0}}));
  EXPECT_EQ(p.puzzle.pieces[1].weight, 7);
  EXPECT_TRUE(p.puzzle.pieces[1].groups.empty());
  EXPECT_EQ(p.puzzle.pieces[2].weight, 1);
  EXPECT_EQ(p.puzzle.pieces[2].groups, (std::vector<PieceGroup>{{65535, 1}}));
}

TEST(PuzzleFile, EachFaultIsOneLineNamingTheLine) {
  const std::string good = "box 2 1 1\npiece a 0,0,0 1,0,0\n";
  struct Case {
    std::string text;
    int line;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"box 2 1 1\nshape a 0,0,0 1,0,0\n", 2,
       "unknown keyword 'shape' (name, box, target, piece, max-holes, allow or one-sided)"},
      {"box 2 1 1\npiece a 0,0,0 1,x,0\n", 2, "bad number 'x' in cube '1,x,0'"},
      {"box 2 1 1\npiece a 0,0,0 1,-1,0\n", 2, "negative number '-1' in cube '1,-1,0'"},
      {"box 2 1 1\npiece a 0,0,0 1,0\n", 2, "bad cube '1,0': expected x,y,z or x,y,z:K"},
      {"box 2 1 1\npiece a 0,0,0 1,0,0,0\n", 2, "bad cube '1,0,0,0': expected x,y,z or x,y,z:K"},
      {"box 2 1 1\npiece a 0,0,0 256,0,0\n", 2, "number '256' in cube '256,0,0' is above 255"},
      {"box 2 1 -1\n", 1, "negative number '-1' in box"},
      {"box 2 0 1\n", 1, "box size 0"},
      {"box 2 1\n", 1, "box needs three sizes: box X Y Z"},
      {"piece a 0,0,0 1,0,0\n", 0, "no target: give a box line or target lines"},
      {"box 2 1 1\n", 0, "no pieces: give piece lines"},
      {"box 2 1 1\npiece\n", 2, "piece needs a name and its cubes"},
      {"box 2 1 1\npiece a\n", 2, "piece a has no cube"},
      {"box 2 1 1\npiece a draw ..\n", 2, "piece a has no cube"},
      {"box 2 1 1\npiece a 0,0,0 0,0,0\n", 2, "piece a has cube 0,0,0 twice"},
      {"box 2 1 1\npiece a 0,0,0\npiece a 0,0,0\n", 3,
       "a second piece named a (the first is on line 2)"},
      {"box 2 1 1\npiece a! 0,0,0 1,0,0\n", 2,
       "bad piece name 'a!' (up to 32 letters, digits, _ or -)"},
      {"box 2 1 1\npiece a 0,0,0\n", 2, "the pieces have 1 cubes in all, the target 2 cells"},
      {"box 2 1 1\npiece a 0,0,0 1,0,0\npiece b 0,0,0\n", 3,
       "the pieces have 3 cubes in all, the target 2 cells"},
      {"box 256 256 1\n", 1, "the box has 65536 cells; the engine takes at most 32768"},
      {"box 2 1 1\ntarget 0,0,0\n", 2, "box and target lines together: give one or the other"},
      {"target 0,0,0\nbox 2 1 1\n", 2, "box and target lines together: give one or the other"},
      {"target 0,0,0 0,0,0\n", 1, "target cell 0,0,0 given twice"},
      {"name a\nname b\n", 2, "a second name line"},
      {"box 2 1 1\nname Caf\xe9 5x12\n", 2, "the name is not UTF-8 text (byte 0xe9)"},
      {"name \xc3\xa9t\xc3\n", 1, "the name is not UTF-8 text (byte 0xc3)"},
      {"name \xed\xa0\x80\n", 1, "the name is not UTF-8 text (byte 0xed)"},
      {"box 2 1 1\npiece a draw xy\n", 2,
       "bad character 'y' in drawing 'xy': use 'x' for a cube, '.' for none, '/' between rows"},
      {"box 2 1 1\npiece a 0,0,0 1,0,0\x01\n", 2, "not a text file (byte 0x01)"},
      {std::string("box 2 1 1\n\0piece", 16), 2, "not a text file (byte 0x00)"},
      {"box 2 1 1\n" + std::string(5000, ' ') + "\n", 2, "line longer than 4096 bytes"},
      {std::string(2 << 20, '\n'), 0, "the file has more than 1048576 bytes"},
      {"box 2 1 1\npiece a 0,0,0:0\n", 2,
       "colour 0 in cube '0,0,0:0': colours count from 1 (leave plain cubes bare)"},
      {"box 2 1 1\npiece a 0,0,0:x\n", 2, "bad number 'x' in cube '0,0,0:x'"},
      {"box 2 1 1\npiece a copies 2-1 0,0,0\n", 2,
       "copies '2-1': give N or MIN-MAX with MAX at least MIN and 1"},
      {"box 2 1 1\npiece a copies 0 0,0,0\n", 2,
       "copies '0': give N or MIN-MAX with MAX at least MIN and 1"},
      {"box 2 1 1\npiece a copies\n", 2, "copies needs N or MIN-MAX"},
      {"box 2 1 1\npiece a copies 3 0,0,0\n", 2,
       "the pieces have 3 cubes in all, the target 2 cells"},
      {"target draw x+\npiece a copies 2-3 0,0,0 1,0,0\n", 2,
       "no choice of the pieces' copies covers from 1 to 2 cells (the cells to fill)"},
      {"target draw x++\nmax-holes 1\npiece a copies 0-1 0,0,0\n", 3,
       "no choice of the pieces' copies covers from 2 to 3 cells (the cells to fill and all but "
       "max-holes of the others)"},
      {"target draw x+\npiece a draw x+\n", 2,
       "bad character '+' in drawing 'x+': use 'x' for a cube, '.' for none, '/' between rows"},
      {"box 2 1 1\npiece a weight 0 0,0,0 1,0,0\n", 2, "weight 0: weights count from 1"},
      {"box 2 1 1\npiece a weight 1000001 0,0,0 1,0,0\n", 2,
       "number '1000001' in weight is above 1000000"},
      {"box 2 1 1\npiece a weight 2 copies 1 weight 3 0,0,0 1,0,0\n", 2,
       "piece a has weight twice"},
      {"box 2 1 1\npiece a copies 1 group 1 copies 1 0,0,0 1,0,0\n", 2, "piece a has copies twice"},
      {"box 2 1 1\npiece a weight\n", 2, "weight needs a number from 1 to 1000000"},
      {"box 2 1 1\npiece a group 1:x 0,0,0 1,0,0\n", 2, "bad number 'x' in group '1:x'"},
      {"box 2 1 1\npiece a group 1, 0,0,0 1,0,0\n", 2, "missing number in group '1,'"},
      {"box 2 1 1\npiece a group 65536 0,0,0 1,0,0\n", 2,
       "number '65536' in group '65536' is above 65535"},
      {"box 2 1 1\npiece a group 2,0 0,0,0 1,0,0\n", 2,
       "group 0 in group '2,0': groups count from 1 (a piece of no group has no group)"},
      {"box 2 1 1\npiece a group 2:0 0,0,0 1,0,0\n", 2,
       "group 2:0 in group '2:0': a group takes at least 1 copy"},
      {"box 2 1 1\npiece a group 1:1,2,1 0,0,0 1,0,0\n", 2, "group 1 twice in group '1:1,2,1'"},
      {"box 4 1 1\npiece a group 1:3 copies 0-2 draw xx\n", 2,
       "group 1:3 allows more copies than the piece's 2"},
      {"box 2 1 1\npiece group 1 0,0,0 1,0,0\n", 2,
       "bad piece name 'group' (up to 32 letters, digits, _ or -)"},
      {"max-holes 1\nmax-holes 1\n", 2, "a second max-holes line (the first is line 1)"},
      {"allow 1\n", 1, "allow needs two colours: allow K L (piece colour K on target colour L)"},
      {"allow 0 1\n", 1, "colour 0 in allow: colours count from 1 (plain matches anything)"},
      {"one-sided 2\n", 1, "one-sided takes nothing after it"},
      {"one-sided\nbox 2 2 2\npiece a copies 8 0,0,0\n", 0,
       "one-sided: the target is not flat (one cell thick)"},
      {"one-sided\nbox 2 2 1\npiece a 0,0,0 0,0,1\npiece b 0,0,0 1,0,0\n", 0,
       "one-sided: piece a does not lie flat in the target's plane"},
  };
  for (const Case& c : cases) {
    const PuzzleParse p = ParsePuzzle(c.text);
    EXPECT_EQ(p.error, c.error) << c.text.substr(0, 60);
    EXPECT_EQ(p.errorLine, c.line) << c.text.substr(0, 60);
  }
  EXPECT_EQ(ParsePuzzle(good).error, "");
  EXPECT_EQ(ParsePuzzle("name W\xc3\xbcrfel \xe2\x9c\x93 \xf0\x9f\xa7\x8a\n" + good).puzzle.name,
            "W\xc3\xbcrfel \xe2\x9c\x93 \xf0\x9f\xa7\x8a");
}

// Lines of 15 rows of 256 cells, each line's rows below the last's: the ninth passes the limit.
TEST(PuzzleFile, TargetLimitNamesTheLimit) {
  std::string text;
  for (int line = 0; line < 9; ++line) {
    text += "target draw " + std::string(static_cast<std::size_t>(15 * line), '/');
    for (int row = 0; row < 15; ++row) text += (row > 0 ? "/" : "") + std::string(256, 'x');
    text += "\n";
  }
  const PuzzleParse p = ParsePuzzle(text);
  EXPECT_EQ(p.errorLine, 9);
  EXPECT_EQ(p.error, "the target has more than 32768 cells, the most the engine takes");
}

}  // namespace
}  // namespace cubepack::general
