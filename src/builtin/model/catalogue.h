#pragma once
// The twelve pieces, every distinct orientation of each, and the placement lists filed by
// anchor cell. Built once at start-up and only read afterwards.

#include <array>
#include <deque>
#include <memory>

#include "builtin/model/geometry.h"
#include "builtin/model/mask.h"
#include "builtin/model/ordered_list.h"

namespace cubepack::builtin {

struct Cube {
  int x, y, z;
  friend constexpr bool operator==(const Cube&, const Cube&) = default;
  friend constexpr auto operator<=>(const Cube&, const Cube&) = default;
};

inline constexpr Cube kSpareCube{-1, -1, -1};

// One distinct rotation of a piece: cubes turned and normalised to the corner planes, and their
// grid offsets (offset 0 never stands first: it is exchanged with the second).
struct Orientation {
  int cellCount;
  std::array<Cube, kMaxCubes> cubes;
  std::array<int, kMaxCubes> offsets;
};

// An orientation at an origin; it covers the grid cells origin + offsets[k].
struct Placement {
  OccupancyMask mask;
  const Orientation* orientation;
  int origin;
  OccupancyMask fillMask;  // `mask` with the cells numbered in fill order, for the deep search
};

using OrientationList = OrderedList<const Orientation*, kListBlock>;
using PlacementList = OrderedList<Placement, kListBlock>;  // full lists own their records

// A table of lists indexed by grid index; nullptr is "no list".
using PlacementTable = std::array<std::unique_ptr<PlacementList>, kGridSize>;

struct Piece {
  int cellCount;
  std::array<Cube, kMaxCubes> cubes;
  PlacementTable byFillAnchor;
  PlacementTable byLowAnchor;
};

// Number of each piece: 0 is the seed, 1 the only six-cube piece, 11 the only four-cube piece.
inline constexpr int kSeedPiece = 0;
inline constexpr int kSixCubePiece = 1;
inline constexpr int kFourCubePiece = 11;

struct PieceShape {
  int cellCount;
  std::array<Cube, kMaxCubes> cubes;
};

// The puzzle's pieces in catalogue order.
inline constexpr std::array<PieceShape, kPieceCount> kPieceShapes = {{
    {5, {{{0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 1, 0}, {1, 2, 0}, kSpareCube}}},   // X
    {6, {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 2, 0}, {1, 2, 0}, {0, 3, 0}}}},    // six cubes
    {5, {{{0, 0, 0}, {0, 1, 0}, {0, 2, 0}, {1, 2, 0}, {0, 3, 0}, kSpareCube}}},   // Y
    {5, {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 2, 0}, {1, 3, 0}, kSpareCube}}},   // L
    {5, {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {2, 1, 0}, {1, 2, 0}, kSpareCube}}},   // F
    {5, {{{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {1, 2, 0}, kSpareCube}}},   // P
    {5, {{{0, 0, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, 0}, {0, 1, 1}, kSpareCube}}},   // standing
    {5, {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {2, 1, 0}, {2, 2, 0}, kSpareCube}}},   // W
    {5, {{{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {0, 2, 0}, kSpareCube}}},   // T
    {5, {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 2, 0}, {2, 2, 0}, kSpareCube}}},   // Z
    {5, {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 2, 0}, {1, 2, 0}, kSpareCube}}},   // U
    {4, {{{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 0, 1}, kSpareCube, kSpareCube}}},  // four cubes
}};

static_assert(
    [] {
      int total = 0;
      for (const auto& p : kPieceShapes) total += p.cellCount;
      return total == kCellCount;
    }(),
    "the pieces must fill the box exactly");

struct PieceCatalogue {
  std::array<Piece, kPieceCount> pieces;
  std::array<OrientationList, kPieceCount> orientations;
  std::deque<Orientation> orientationStore;  // stable addresses for the lists and placements
};

// Receives the one line per piece that building the catalogue reports.
class CatalogueReport {
 public:
  virtual ~CatalogueReport() = default;
  virtual void PieceBuilt(int piece, int orientationCount, int cubeCount) = 0;
};

// Ignores the catalogue lines: for the programs and tools that do not print them.
class SilentCatalogueReport final : public CatalogueReport {
 public:
  void PieceBuilt(int, int, int) override {}
};

// Builds every orientation of every piece in the fixed generation order and files all
// placements of pieces 1..11 under their anchors.
std::unique_ptr<PieceCatalogue> BuildCatalogue(CatalogueReport& report);

// Quarter turns of one cube about an axis (turns = 0..3).
Cube TurnX(Cube c, int turns);
Cube TurnY(Cube c, int turns);
Cube TurnZ(Cube c, int turns);

}  // namespace cubepack::builtin
