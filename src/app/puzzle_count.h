#pragma once
// count and merge: the packings of a puzzle the user describes in a file.

#include <string>

#include "general/input/puzzle_file.h"
#include "general/model/polycube_puzzle.h"
#include "shared/solutions_command_line.h"

namespace cubepack {

struct LoadedPuzzle {
  general::PuzzleText text;
  general::PuzzleBuild build;  // in the count's cell order
};

// Writes "cubepack-solutions: <line>" on standard error; returns `status`.
int FailLine(int status, const std::string& line);

// How faults name the puzzle of --puzzle: its path, or "standard input" for "-".
std::string PuzzleSource(const SolutionsOptions& options);

// Reads the puzzle of --puzzle (standard input for "-"; with --problem for an .xmpuzzle file)
// and builds it, with --mirror. Returns 0, or 2 after one line on standard error.
int LoadPuzzle(const SolutionsOptions& options, LoadedPuzzle& out);

// Reads, checks and counts the puzzle; prints the summary or one JSON line. Returns the exit
// status: 0, 2 for a bad file or option, 1 for a failed run.
int RunCount(const SolutionsOptions& options);

// Adds up the JSON objects of every share of one count. 0, or 1 after one line on standard
// error for a missing, repeated, foreign or unreadable share.
int RunMerge(const SolutionsOptions& options);

}  // namespace cubepack
