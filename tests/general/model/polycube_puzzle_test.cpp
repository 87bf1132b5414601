// The general puzzle: shape classes with copies, the target's symmetries, placements.

#include "general/model/polycube_puzzle.h"

#include <gtest/gtest.h>

#include <string>

#include "general/input/puzzle_file.h"

namespace cubepack::general {
namespace {

PuzzleBuild Build(const std::string& text, bool mirror = false) {
  const PuzzleParse parse = ParsePuzzle(text);
  EXPECT_EQ(parse.error, "");
  return BuildPolycubePuzzle(parse.puzzle, mirror);
}

TEST(PolycubePuzzle, SymmetriesOfTheTarget) {
  const std::string bars = "\npiece a draw xx\npiece b draw xx\npiece c draw xx\n";
  struct Case {
    std::string text;
    int rotations, withMirror;
  };
  for (const Case& c : {Case{"box 3 2 1" + bars, 4, 8}, Case{"box 1 2 3" + bars, 4, 8},
                        Case{"target draw xxx/xxx" + bars, 4, 8},
                        Case{"box 2 3 2\npiece a draw xx/xx/xx xx/xx/xx", 8, 16},
                        Case{"box 2 2 2\npiece a draw xx/xx xx/xx", 24, 48},
                        Case{"target draw xxx/x.. x..\npiece a draw xxx/x.. x..", 1, 2}}) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SymmetryCount(Build(c.text).puzzle), c.rotations);
    EXPECT_EQ(SymmetryCount(Build(c.text, true).puzzle), c.withMirror);
  }
  EXPECT_EQ(Build("box 2 2 2\npiece a draw xx/xx xx/xx").puzzle.placements.size(), 1u);
}

TEST(PolycubePuzzle, ClassesCopiesAndPlacements) {
  // Two L trominoes written differently, one bar: two classes, the L with two copies.
  const PuzzleBuild b = Build(
      "box 3 3 1\npiece L1 0,0,0 1,0,0 0,1,0\npiece I 0,0,0 0,1,0 0,2,0\n"
      "piece L2 5,5,5 5,6,5 4,6,5");
  ASSERT_EQ(b.error, "");
  ASSERT_EQ(b.puzzle.classes.size(), 2u);
  int lClass = b.puzzle.classes[0].size == 3 && b.puzzle.classes[0].copies == 2 ? 0 : 1;
  EXPECT_EQ(b.puzzle.classes[lClass].copies, 2);
  EXPECT_EQ(b.puzzle.classes[lClass].names, "L1,L2");
  EXPECT_EQ(b.puzzle.classes[lClass].mirror, lClass);
  EXPECT_EQ(b.puzzle.classes[1 - lClass].copies, 1);
  EXPECT_EQ(b.puzzle.pieceCount, 3);
  // The L: 4 turns in each of the 4 corners of 2 x 2 squares; the bar: 3 rows and 3 columns.
  EXPECT_EQ(b.puzzle.placements.size(), 16u + 6u);
  EXPECT_EQ(b.puzzle.cells.size(), 9u);
}

// A reflection joins a packing's class only where it maps it onto a packing: never, when a
// chiral piece lacks its mirror image.
TEST(PolycubePuzzle, MirrorJoinsOnlyPackingsWhoseImageIsOne) {
  const std::string a = "piece A 0,0,0 1,0,0 1,1,0 0,0,1\n";
  const std::string b = "piece B 0,0,0 1,0,0 1,1,0 1,1,1\n";
  const std::string c = "piece C 0,0,0 1,0,0 1,1,0 0,0,1\n";  // the same screw as A
  const std::string o = "piece O 0,0,0 1,0,0 0,1,0 1,1,0\n";
  const PuzzleBuild pair = Build("box 2 2 3\n" + a + b + o, true);
  EXPECT_EQ(pair.puzzle.mirrorPackings, MirrorPackings::kAll);
  EXPECT_EQ(SymmetryCount(pair.puzzle), 16);
  const PuzzleBuild twins = Build("box 2 2 3\n" + a + c + o, true);
  ASSERT_EQ(twins.error, "");
  EXPECT_EQ(twins.puzzle.mirrorPackings, MirrorPackings::kNone);
  EXPECT_EQ(SymmetryCount(twins.puzzle), 8);
}

TEST(PolycubePuzzle, HashTellsPuzzlesApart) {
  const std::string pieces = "\npiece a draw xx\npiece b draw xx\npiece c draw xx\n";
  const auto hash = [&](const std::string& t, bool mirror) {
    return Build(t + pieces, mirror).puzzle.hash;
  };
  EXPECT_EQ(hash("box 3 2 1", false), Build("box 3 2 1\npiece c 7,7,7 7,8,7\npiece b draw xx\n"
                                            "piece a draw xx",
                                            false)
                                          .puzzle.hash);
  EXPECT_NE(hash("box 3 2 1", false), hash("box 3 2 1", true));
  EXPECT_NE(hash("box 3 2 1", false), hash("box 2 3 1", false));
}

}  // namespace
}  // namespace cubepack::general
