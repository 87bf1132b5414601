#pragma once
// A brute-force packer for small puzzles, written apart from the engine: plain backtracking
// over every placement, classes by the least image under the target's symmetries (made here
// as products of quarter turns). And the small puzzles the engine's searches are held to it
// on: self-symmetric packings, interchangeable copies, targets that are no box, a chiral pair.

#include <array>
#include <bitset>
#include <cstdint>
#include <set>
#include <vector>

#include "general/input/puzzle_file.h"

namespace cubepack::testing {

// The test helpers of one engine speak its names.
using namespace cubepack::general;

using Cells = std::vector<Point>;         // sorted
using BrutePacking = std::vector<Cells>;  // its pieces' cells, sorted

struct BruteCounts {
  std::uint64_t fixed = 0, classes = 0;
};

class BrutePacker {
 public:
  BrutePacker(const PuzzleText& text, bool mirror);

  BruteCounts Count();
  // Every packing of the fixed target, after Count.
  const std::set<BrutePacking>& Packings() const { return packings_; }
  // The least image of a packing under the symmetries: the same for the packings of a class.
  BrutePacking Canonical(const BrutePacking& packing) const;

 private:
  using Matrix = std::array<std::array<int, 3>, 3>;
  void Search();

  // A piece of kind `kind` on the target: its cells, and as bits of the target's cells in order.
  struct Placed {
    int kind;
    Cells cells;
    std::bitset<256> bits;
  };

  Cells target_;
  std::vector<std::set<Cells>> kinds_;
  std::vector<int> copies_;
  std::vector<Matrix> symmetries_;
  std::vector<std::vector<Placed>> byFirstCell_;  // [the index of its first cell]
  std::bitset<256> filled_;
  std::vector<Cells> placed_;
  std::set<BrutePacking> packings_;
};

struct SmallPuzzle {
  const char* what;
  const char* text;
  bool mirrorAllowed;  // the pieces are as a set their own mirror image
};

const std::vector<SmallPuzzle>& SmallPuzzles();

// Puzzles of 6 to 9 pieces, deep enough that the search below a task does most of the work:
// pieces whose cubes do not touch, copies, self-symmetric packings and a target over 64 cells.
const std::vector<SmallPuzzle>& DeepPuzzles();

}  // namespace cubepack::testing
