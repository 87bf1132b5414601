// The published counts of the longer puzzles, from the puzzle files (minutes in Release).

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "general/input/puzzle_file.h"
#include "general/solver/polycube_count.h"

namespace cubepack {

using namespace cubepack::general;
namespace {

struct Counts {
  BigCount fixed = 0, classes = 0;
  std::string error;
};

Counts CountFile(const std::string& name, bool mirror) {
  std::ifstream in(std::string(CUBEPACK_PUZZLES) + "/" + name);
  std::stringstream text;
  text << in.rdbuf();
  const PuzzleParse parse = ParsePuzzle(text.str());
  Counts out;
  if (!parse.error.empty()) {
    out.error = parse.error;
    return out;
  }
  const PuzzleBuild build = BuildForCount(parse.puzzle, mirror);
  if (!build.error.empty()) {
    out.error = build.error;
    return out;
  }
  const CountSums sums = CountPackings(build.puzzle, 2, 0, 1, nullptr);
  FinishCount(sums, SymmetryCount(build.puzzle), out.fixed, out.classes, out.error);
  return out;
}

TEST(PuzzleCounts, PentominoBoxes) {
  struct Case {
    const char* file;
    bool mirror;
    std::uint64_t classes, fixed;
  };
  for (const Case& c : {Case{"pentominoes-6x10.txt", true, 2339, 9356},
                        Case{"pentominoes-5x12.txt", false, 1010, 4040},
                        Case{"pentominoes-2x5x6.txt", false, 528, 2112},
                        Case{"pentominoes-2x5x6.txt", true, 264, 2112},
                        Case{"pentominoes-3x4x5.txt", false, 7880, 31520},
                        Case{"pentominoes-3x4x5.txt", true, 3940, 31520}}) {
    SCOPED_TRACE(std::string(c.file) + (c.mirror ? " --mirror" : ""));
    const Counts counts = CountFile(c.file, c.mirror);
    EXPECT_EQ(counts.error, "");
    EXPECT_EQ(counts.classes, c.classes);
    EXPECT_EQ(counts.fixed, c.fixed);
  }
}

// The built-in puzzle written as a file: pieces in another order, turned and moved, axes
// swapped.
TEST(PuzzleCounts, TheBuiltInPuzzleAsAFile) {
  const Counts counts = CountFile("cubepack-5x4x3.txt", false);
  EXPECT_EQ(counts.error, "");
  EXPECT_EQ(counts.classes, 409963u);
  EXPECT_EQ(counts.fixed, 1639852u);
  // Its chiral pieces lack their mirror images: --mirror joins nothing and counts the same.
  std::ifstream in(std::string(CUBEPACK_PUZZLES) + "/cubepack-5x4x3.txt");
  std::stringstream text;
  text << in.rdbuf();
  const PuzzleBuild mirrored = BuildForCount(ParsePuzzle(text.str()).puzzle, true);
  EXPECT_EQ(mirrored.error, "");
  EXPECT_EQ(mirrored.puzzle.mirrorPackings, MirrorPackings::kNone);
  EXPECT_EQ(SymmetryCount(mirrored.puzzle), 4);
}

}  // namespace
}  // namespace cubepack
