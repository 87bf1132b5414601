#include "support/listed_puzzle.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "general/solver/polycube_count.h"
#include "general/solver/polycube_list.h"

namespace cubepack::testing {

using namespace cubepack::general;

namespace {

class Collect final : public ListingSink {
 public:
  bool TaskLines(std::size_t, std::string_view lines, std::size_t count) override {
    text += lines;
    lineCount += count;
    return true;
  }
  std::string text;
  std::size_t lineCount = 0;
};

}  // namespace

ListedPuzzle MakeListedPuzzle(const std::string& text, bool mirror) {
  const PuzzleParse parse = ParsePuzzle(text);
  EXPECT_EQ(parse.error, "");
  return MakeListedPuzzle(parse.puzzle, mirror);
}

ListedPuzzle MakeListedPuzzle(const PuzzleText& text, bool mirror) {
  ListedPuzzle out;
  out.text = text;
  out.build = BuildForCount(out.text, mirror);
  EXPECT_EQ(out.build.error, "");
  PuzzleLineBuild made = MakePuzzleLine(out.text, out.build.puzzle);
  out.format = std::move(made.format);
  out.formatError = made.error;
  return out;
}

std::string PuzzleFileText(const std::string& name) {
  std::ifstream in(std::string(CUBEPACK_PUZZLES) + "/" + name);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string ListingOf(const ListedPuzzle& puzzle, int jobs, std::size_t* lines, TaskLimits limits) {
  EXPECT_EQ(puzzle.formatError, "");
  const PuzzleLister lister(puzzle.build.puzzle, puzzle.format, limits);
  Collect sink;
  lister.List(0, lister.Tasks(), jobs, sink);
  if (lines != nullptr) *lines = sink.lineCount;
  return sink.text;
}

}  // namespace cubepack::testing
