#pragma once
// A puzzle file's puzzle made ready for its listing, and the whole listing, as the tests of
// the listing and of its lines use them.

#include <cstddef>
#include <string>

#include "general/input/puzzle_file.h"
#include "general/model/polycube_puzzle.h"
#include "general/model/puzzle_line.h"
#include "general/solver/polycube_list.h"

namespace cubepack::testing {

// The test helpers of one engine speak its names.
using namespace cubepack::general;

struct ListedPuzzle {
  PuzzleText text;
  PuzzleBuild build;  // in the count's cell order
  PuzzleLine format;
  std::string formatError;  // why the packings cannot be written as lines, else empty
};

// The puzzle of a puzzle file's text; a fault of the text or of the build fails the test (one of
// the line is left to the caller).
ListedPuzzle MakeListedPuzzle(const std::string& text, bool mirror);
ListedPuzzle MakeListedPuzzle(const PuzzleText& text, bool mirror);

// The text of a file in puzzles/.
std::string PuzzleFileText(const std::string& name);

// The whole listing on `jobs` threads; its number of lines in `lines`.
// The whole listing on `jobs` threads; its number of lines in `lines`.
std::string ListingOf(const ListedPuzzle& puzzle, int jobs, std::size_t* lines = nullptr,
                      TaskLimits limits = kPuzzleTasks);

}  // namespace cubepack::testing
