// The brute-force packer on puzzles small enough to count by hand, one group per feature of
// the puzzle file: the engine is held to this packer, so it must be right by itself.

#include "support/brute_packer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace cubepack::testing {
namespace {

void ExpectCounts(const std::string& text, bool mirror, std::uint64_t fixed, std::uint64_t classes,
                  bool interchangeable = true) {
  SCOPED_TRACE(text + (mirror ? "(with mirror)" : ""));
  PuzzleParse parse = ParsePuzzle(text);
  ASSERT_EQ(parse.error, "");
  parse.puzzle.shapesInterchangeable = interchangeable;
  const BruteCounts counts = BrutePacker(parse.puzzle, mirror).Count();
  EXPECT_EQ(counts.fixed, fixed);
  EXPECT_EQ(counts.classes, classes);
}

// A 2 x 2 square whose corner 1,1 may stay empty, an L tromino and at most one cube. The L
// leaves out 1,1 alone or with the cube there (2), or leaves out another corner for the cube
// (3): 5. Of the square's turns only the one about the diagonal through 1,1 keeps that corner;
// it swaps the packings with the cube on 1,0 and on 0,1: 4 classes. With no hole allowed the
// first packing goes. Mirror images add nothing: the reflection in the diagonal, again.
TEST(BrutePacker, CellsThatMayStayEmpty) {
  const std::string pieces = "piece L draw xx/x.\npiece m copies 0-1 draw x\n";
  for (const bool mirror : {false, true}) {
    ExpectCounts("target draw xx/x+\n" + pieces, mirror, 5, 4);
    ExpectCounts("target draw xx/x.\ntarget optional 1,1,0\n" + pieces, mirror, 5, 4);
    ExpectCounts("target draw xx/x+\nmax-holes 0\n" + pieces, mirror, 4, 3);
  }
}

// A row of 5 whose middle cell must be filled, by one or two dominoes: {12}, {23} leave three
// cells empty, {01 23}, {12 34} one. Reversing the row pairs them: 4 packings, 2 classes; with
// at most one or two holes, 2 and 1; with three, all again.
TEST(BrutePacker, MaxHoles) {
  const std::string puzzle = "target draw ++x++\npiece d copies 1-2 draw xx\n";
  ExpectCounts(puzzle, false, 4, 2);
  ExpectCounts("max-holes 1\n" + puzzle, false, 2, 1);
  ExpectCounts("max-holes 2\n" + puzzle, true, 2, 1);
  ExpectCounts("max-holes 3\n" + puzzle, true, 4, 2);
}

// A row of 4 by dominoes (d) and cubes (m), written left to right; reversing the row is its
// one symmetry on the cells. Any number of each: mmmm dmm mdm mmd dd, 5, in 4 classes (dmm with
// mmd). At most one domino and at least one cube: dd goes. Two lines of one shape pool their
// copies (1 to 2 dominoes, at most 2 cubes: dmm mdm mmd dd); a designer's file keeps them
// apart: b alone 3 ways, a and b in dd 2 ways, swapped by the reversal: 5 packings, 3 classes.
TEST(BrutePacker, CopiesAndRanges) {
  ExpectCounts("box 4 1 1\npiece d copies 0-2 draw xx\npiece m copies 0-4 draw x\n", false, 5, 4);
  ExpectCounts("box 4 1 1\npiece d copies 0-1 draw xx\npiece m copies 1-4 draw x\n", true, 4, 3);
  const std::string two =
      "box 4 1 1\npiece a copies 0-1 draw xx\npiece b draw xx\npiece m copies 0-2 draw x\n";
  ExpectCounts(two, false, 4, 3);
  ExpectCounts(two, false, 5, 3, false);
  ExpectCounts(two, true, 5, 3, false);
}

// The 2 x 2 square with an L tromino and a cube: the cube on any corner, 4 packings in 1 class.
// Coloured as a checkerboard, only the turns that keep the two diagonals stay symmetries: 2
// classes. A cube of colour 1 lies on colour 1 only (allow 1 1), or 2 only (allow 1 2), or
// nowhere: 2, 2, 0 packings, 1 class. An L whose corner is of colour 2 has that corner on 0,1
// or on 1,0, the cube on the other: colours turn with the cubes, 2 packings, 1 class.
TEST(BrutePacker, Colours) {
  const std::string board = "target 0,0,0:1 1,0,0:2 0,1,0:2 1,1,0:1\n";
  const std::string plain = "piece L draw xx/x.\npiece m 0,0,0\n";
  const std::string colouredCube = "piece L draw xx/x.\npiece m 0,0,0:1\n";
  for (const bool mirror : {false, true}) {
    ExpectCounts("box 2 2 1\n" + plain, mirror, 4, 1);
    ExpectCounts(board + plain, mirror, 4, 2);
    ExpectCounts(board + "allow 1 1\n" + colouredCube, mirror, 2, 1);
    ExpectCounts(board + "allow 1 2\n" + colouredCube, mirror, 2, 1);
    ExpectCounts(board + "allow 2 1\nallow 2 2\n" + colouredCube, mirror, 0, 0);
    ExpectCounts(board + "allow 2 2\npiece L 0,0,0:2 1,0,0 0,1,0\npiece m 0,0,0\n", mirror, 2, 1);
  }
}

// An L of three cells by a domino and a cube: 2 packings. Its one symmetry swaps them: a turn
// over its diagonal in space, a reflection within its plane. One-sided, that is no rotation:
// 2 classes, 1 with mirror.
TEST(BrutePacker, OneSidedTurnsOnlyInThePlane) {
  const std::string puzzle = "target draw xx/x.\npiece d draw xx\npiece m draw x\n";
  ExpectCounts(puzzle, false, 2, 1);
  ExpectCounts(puzzle, true, 2, 1);
  ExpectCounts("one-sided\n" + puzzle, false, 2, 2);
  ExpectCounts("one-sided\n" + puzzle, true, 2, 1);
}

// 2 x 4 is packed by two squares, or by two L tetrominoes of one hand, each tiling its own half
// turn; the two hands' tilings are each other's mirror image. One-sided with up to two of L, J
// and O: 3 packings, 3 classes, 2 with mirror. Turned over in space, L is J: one kind, 2
// classes. With at most one J the tiling by J goes, and with it the mirror pair: 2, 2, 2. In a
// designer's file of L1 L2 J1 J2 each tiling is labelled 2 ways, which its half turn swaps: 4
// packings, 2 classes; the mirror takes L1 to J1 and L2 to J2: 1 class.
TEST(BrutePacker, OneSidedMirrorImages) {
  const std::string square = "box 4 2 1\npiece O copies 0-2 draw xx/xx\n";
  const std::string l = "piece L copies 0-2 draw xxx/x..\n", j = "draw xxx/..x\n";
  ExpectCounts("one-sided\n" + square + l + "piece J copies 0-2 " + j, false, 3, 3);
  ExpectCounts("one-sided\n" + square + l + "piece J copies 0-2 " + j, true, 3, 2);
  ExpectCounts(square + l + "piece J copies 0-2 " + j, false, 3, 2);
  ExpectCounts(square + l + "piece J copies 0-2 " + j, true, 3, 2);
  ExpectCounts("one-sided\n" + square + l + "piece J copies 0-1 " + j, false, 2, 2);
  ExpectCounts("one-sided\n" + square + l + "piece J copies 0-1 " + j, true, 2, 2);
  const std::string labelled =
      "one-sided\nbox 4 2 1\npiece L1 copies 0-1 draw xxx/x..\npiece L2 copies 0-1 draw "
      "xxx/x..\npiece J1 copies 0-1 " +
      j + "piece J2 copies 0-1 " + j;
  ExpectCounts(labelled, false, 4, 2, false);
  ExpectCounts(labelled, true, 4, 1, false);
  ExpectCounts(labelled, true, 2, 1);
}

// The designers' puzzles have packings in more than one class, each class's least image a
// packing too; the mirror leaves the packings as they are and joins classes at most in pairs.
TEST(BrutePacker, DesignerPuzzles) {
  for (const SmallPuzzle& s : DesignerPuzzles()) {
    SCOPED_TRACE(s.what);
    BruteCounts counts[2];
    for (const bool mirror : {false, true}) {
      BrutePacker brute(ParsedPuzzle(s), mirror);
      counts[mirror] = brute.Count();
      for (const BrutePacking& packing : brute.Packings())
        ASSERT_EQ(brute.Packings().count(brute.Canonical(packing)), 1u);
    }
    EXPECT_GT(counts[0].classes, 1u);
    EXPECT_EQ(counts[1].fixed, counts[0].fixed);
    EXPECT_LE(counts[1].classes, counts[0].classes);
    EXPECT_GE(2 * counts[1].classes, counts[0].classes);
  }
}

}  // namespace
}  // namespace cubepack::testing
