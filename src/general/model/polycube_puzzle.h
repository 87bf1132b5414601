#pragma once
// A polycube puzzle ready for a search: the target's cells numbered in search order, the
// pieces grouped into shape classes up to rotation (interchangeable copies are one class with
// a copy count), the target's symmetries as permutations of its cells, and every placement of
// every class as a mask over the cells.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "general/input/puzzle_file.h"
#include "general/model/cell_set.h"
#include "general/model/polycube.h"

namespace cubepack::general {

// The most distinct shapes a puzzle may hold: the searches keep the classes with copies left
// as bits of one 64-bit word. Pieces of at most 128 cubes in all make at most 64 (one shape of
// one cube, the others of two or more); connected ones at most 29.
inline constexpr int kMaxShapeClasses = 64;

struct ShapeClass {
  Shape shape;               // canonical form (the least of its turns, colours included)
  int copies = 0;            // the most pieces of this shape a packing holds
  int size = 0;              // cubes of one piece
  std::string names;         // the pieces' names, joined by ","
  int mirror = -1;           // the class of its mirror image (itself when achiral), -1 when absent
  bool connected = true;     // its cubes touch face to face (FaceConnected)
  int minCopies = 0;         // the fewest pieces of this shape a packing holds
  std::vector<int> colours;  // per cube of `shape`, 0 for plain
  // The copies of this class a packing whose mirror image is a packing holds: its own range
  // and its mirror class's (none without one).
  int imagedMin = 0, imagedMax = 0;
};

struct CellSymmetry {
  std::vector<int> image;                 // image[i]: the cell that cell i goes to
  bool proper = true;                     // a rotation; false for a reflection
  Turn turn{{0, 1, 2}, {1, 1, 1}, true};  // the map of space it comes from
};

struct ClassPlacement {
  int shapeClass = 0;
  CellSet mask;
};

// How a reflection of the target acts on the packings with --mirror: it maps every packing onto
// a packing (the pieces as a set are their own mirror image, copies and ranges alike), none
// (a chiral piece lacks its partner), or some: those whose pieces' mirror images the ranges
// also allow.
enum class MirrorPackings { kAll, kNone, kSome };

struct PolycubePuzzle {
  std::string name;
  std::vector<Point> cells;  // cell i, in search order
  // Cells that may stay empty (none: every cell must be covered), and the most that may.
  CellSet optional;
  int maxHoles = -1;  // -1: any number
  bool oneSided = false;
  std::vector<int> cellColours;  // per cell, 0 for plain; empty when every cell is plain
  int pieceCount = 0;            // the most pieces a packing holds
  std::vector<ShapeClass> classes;
  std::vector<CellSymmetry> symmetries;    // the identity first, the rotations before the rest
  int rotations = 1;                       // of them, the rotations
  std::vector<ClassPlacement> placements;  // grouped by class, in class order
  // placementImages[g * placements + p]: the placement that symmetry g makes of placement p;
  // -1 for a reflection of a piece without its mirror image (MirrorPackings::kSome).
  std::vector<int> placementImages;
  bool mirror = false;  // --mirror: reflections join a packing's class where they map it onto one
  MirrorPackings mirrorPackings = MirrorPackings::kNone;  // with mirror
  std::array<int, 3> axes = {2, 1, 0};                    // the cell order: slowest axis first
  std::uint64_t hash = 0;  // of the normalised puzzle, the cell order and the mirror choice
};

struct PuzzleBuild {
  PolycubePuzzle puzzle;
  std::string error;  // one line when the puzzle cannot be taken, else empty
};

// With `mirror`, reflections that map the target onto itself count as symmetries where they map
// some packing onto a packing; where they map none, the symmetries are the rotations. The cells
// are numbered
// in the order of their coordinates along axes[0] (slowest), axes[1], axes[2] (fastest).
PuzzleBuild BuildPolycubePuzzle(const PuzzleText& text, bool mirror,
                                std::array<int, 3> axes = {2, 1, 0});

// The cells that symmetry g maps the cells of `m` to.
CellSet Image(const CellSet& m, const CellSymmetry& g);

// Copies and cells decide the search: every piece placed and every cell covered, or not.
inline bool IsExact(const PolycubePuzzle& p) {
  if (!p.optional.Empty()) return false;
  for (const ShapeClass& c : p.classes)
    if (c.minCopies != c.copies) return false;
  return true;
}

inline int CellColour(const PolycubePuzzle& p, int cell) {
  return p.cellColours.empty() ? 0 : p.cellColours[cell];
}

// The symmetries that map every packing onto a packing, the first ActingSymmetries: all, or
// the rotations where a reflection maps only some packings onto packings.
inline int ActingSymmetries(const PolycubePuzzle& p) {
  return p.mirrorPackings == MirrorPackings::kSome ? p.rotations
                                                   : static_cast<int>(p.symmetries.size());
}

// The packing of `count` placements `pieces` has a mirror image that is a packing.
bool MirrorImageIsPacking(const PolycubePuzzle& p, const int* pieces, int count);

// The symmetries' group order.
inline int SymmetryCount(const PolycubePuzzle& p) { return static_cast<int>(p.symmetries.size()); }

}  // namespace cubepack::general
