#pragma once
// list, show and verify of a puzzle file (--puzzle): one line per class of packings that count
// counts, drawn, and checked.

#include "shared/solutions_command_line.h"

namespace cubepack {

// Writes the listing (or share --shard K/N of it: a contiguous run of its lines). Returns the
// exit status: 0; 2 for a bad puzzle file or one whose packings cannot be written as lines; 1
// when the output cannot be written.
int RunPuzzleList(const SolutionsOptions& options);

// Draws packing N of that listing, or the line read from standard input (N = 0). Returns 0; 2
// for a bad puzzle, a line that is no packing of it, or N past the listing's end; 1 when the
// output cannot be written.
int RunPuzzleShow(const SolutionsOptions& options);

// Checks a listing of the puzzle, as verify does the built-in puzzle's.
int RunPuzzleVerify(const SolutionsOptions& options);

}  // namespace cubepack
