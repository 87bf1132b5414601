#pragma once
// A brute-force packer for small puzzles, written apart from the engine: plain backtracking
// over every placement at the first undecided cell, classes by the least image under the
// target's symmetries. And the small puzzles the engine's searches are held to it on.
//
// A packing is a set of placed pieces, each of a kind (the pieces that are interchangeable)
// turned and moved inside the target with its colours allowed on the cells under it, no two
// overlapping, each kind used within its copies, every cell covered but the optional ones, of
// which at most maxHoles stay empty. Two packings are one when the same kinds cover the same
// cells. The symmetries are the turns that map the target, its optional cells and its colours
// onto themselves (one-sided: only those that keep the plane's normal); a reflection joins a
// packing to its image only when the image is itself a packing, its pieces of the mirror kinds.

#include <array>
#include <bitset>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "general/input/puzzle_file.h"

namespace cubepack::testing {

// The test helpers of one engine speak its names.
using namespace cubepack::general;

using Cells = std::vector<Point>;  // sorted

// A placed piece: its kind and its cells. Kinds are numbered by the first piece line of each.
struct BrutePiece {
  int kind = 0;
  Cells cells;
  friend bool operator==(const BrutePiece&, const BrutePiece&) = default;
  friend auto operator<=>(const BrutePiece&, const BrutePiece&) = default;
};
using BrutePacking = std::vector<BrutePiece>;  // sorted

struct BruteCounts {
  std::uint64_t fixed = 0, classes = 0;
};

class BrutePacker {
 public:
  BrutePacker(const PuzzleText& text, bool mirror);

  BruteCounts Count();
  // Every packing of the fixed target, after Count.
  const std::set<BrutePacking>& Packings() const { return packings_; }
  // The least image of a packing under the symmetries that map it onto a packing, after
  // Count: the same for the packings of a class.
  BrutePacking Canonical(const BrutePacking& packing) const;
  // The kind of the piece line named `name`, -1 for none: how another's packing, written by
  // piece names, is put in this packer's terms.
  int KindOf(std::string_view name) const;

 private:
  using Matrix = std::array<std::array<int, 3>, 3>;
  using Bits = std::bitset<256>;
  struct Cell {
    Point at;
    bool optional = false;
    int colour = 0;
  };
  struct Symmetry {
    Matrix turn;
    Point shift;  // what moves the turned target back onto itself
    bool proper;
  };
  struct Placed {
    BrutePiece piece;
    Bits bits;  // its cells as indices into cells_
  };

  void MakeKinds(const PuzzleText& text, const std::vector<Matrix>& rotations,
                 const std::vector<Matrix>& reflections);
  void MakeSymmetries(const std::vector<Matrix>& turns, bool proper);
  void MakePlacements(const PuzzleText& text, const std::vector<Matrix>& rotations);
  int IndexOf(const Point& p) const;  // in cells_, or -1
  Cells Image(const Symmetry& g, const Cells& cells) const;
  void Search();
  void Record();

  std::vector<Cell> cells_;  // sorted by position
  std::set<ColourRule> allowed_;
  int maxHoles_ = -1;
  std::vector<std::pair<std::string, int>> kindOfName_;
  std::vector<int> minCopies_, maxCopies_;
  std::vector<int> mirrorKind_;  // -1 when no kind is the mirror image
  std::vector<Symmetry> symmetries_;
  std::vector<std::vector<Placed>> byFirstCell_;  // [the index of its first cell]

  Bits decided_;  // covered, or left empty
  int holes_ = 0;
  std::vector<int> used_;
  BrutePacking placed_;
  std::set<BrutePacking> packings_;
};

struct SmallPuzzle {
  const char* what;
  const char* text;
  bool mirrorAllowed;  // counting with mirror is meant to work; false: the engine refuses it
  // False as for a designer's file: each piece line its own kind, even when drawn alike.
  bool shapesInterchangeable = true;
};

// The puzzle's text read, as the puzzle is meant: a fault of the text fails the test.
PuzzleText ParsedPuzzle(const SmallPuzzle& s);

const std::vector<SmallPuzzle>& SmallPuzzles();

// Puzzles of 6 to 9 pieces, deep enough that the search below a task does most of the work:
// pieces whose cubes do not touch, copies, self-symmetric packings and a target over 64 cells.
const std::vector<SmallPuzzle>& DeepPuzzles();

// Puzzles as deep, for what a designer may ask: cells that may stay empty, copies and ranges of
// copies, max-holes, colours, one-sided pieces, chiral pieces without their mirror image, and
// pieces drawn alike that are not interchangeable.
const std::vector<SmallPuzzle>& DesignerPuzzles();

}  // namespace cubepack::testing
