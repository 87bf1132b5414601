#pragma once
// The tables that the count and the listing of a puzzle file search with: every placement
// filed by its anchor (its first cell) and class and, on a box numbered in search order, the six
// steps as shifts; and the class whose placements are fixed first, up to symmetry.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "general/model/polycube_puzzle.h"
#include "general/solver/cell_masks.h"

namespace cubepack::general {

// How deep the task list goes: a piece more on every task, round after round, until there are
// `wanted` tasks or after `rounds` rounds. The tests lower it so that the search below the tasks
// does the work.
struct TaskLimits {
  std::size_t wanted = 0;
  int rounds = 0;
  // Search by dancing links, as for targets over 128 cells, whatever the target's size: the
  // tests hold that search to the brute-force packer on small puzzles.
  bool links = false;
  // Memory for the memo of sub-boards (0: none); the count uses it where it pays (MemoPays).
  std::size_t memoBytes = 0;
  // With memoBytes, the memo wherever it can count, whether it pays or not: the tests hold it
  // to the brute-force packer on every kind of puzzle.
  bool memoEverywhere = false;
};
// Tasks enough for 64 threads to stay busy.
inline constexpr TaskLimits kPuzzleTasks = {4096, 4};

// Entries [begin, end) of one list in a pool.
struct EntryRange {
  std::uint32_t begin = 0, end = 0;
};

template <class M>
struct PlacementTables {
  int cells = 0;
  int classes = 0;
  int pieces = 0;
  M outside{};                     // bits that are no cell of the target: set on every board
  std::vector<M> masks;            // every placement, by anchor, then by class
  std::vector<int> placement;      // the same entries' indices into the puzzle's placements
  std::vector<EntryRange> ranges;  // [anchor * classes + class]
  std::uint32_t mostCovering = 0;  // the most placements that cover one cell
  // When every step in one direction is the same index offset (a box in search order) and
  // the mask is one word, the cells next to others are six shifts away.
  bool shiftFlood = false;
  std::array<int, 6> stepOffset{};
  std::array<std::uint64_t, 6> stepFrom{};  // cells that have a neighbour in that direction
  std::array<int, kMaxShapeClasses> size{};
  std::array<std::uint8_t, kMaxShapeClasses> copies{};     // the most of each class
  std::array<std::uint8_t, kMaxShapeClasses> minCopies{};  // the fewest
  // Every piece is placed and every cell covered: the search's plain case. Else the cells that
  // must be covered, and the most of the others that may stay empty (-1: any number).
  bool exact = true;
  M must{};
  int maxHoles = -1;
  // The class of the cells left empty where the pieces leave a fixed number (a placement of it
  // is no placement of the puzzle: -1 in `placement`), or -1.
  int holeClass = -1;
  // Where a reflection maps some packings onto packings (MirrorPackings::kSome): the search
  // also counts those, whose copies of each class lie within imaged[c].
  bool mirrorSome = false;
  std::array<std::uint8_t, kMaxShapeClasses> imagedMin{}, imagedMax{};
  // Every piece is connected and has at least three cubes, and the steps are shifts: an empty
  // cell without empty neighbours, or two with only each other, end the branch (a few shifts,
  // no list scanned). A piece whose cubes do not touch can fill such a pocket.
  bool pocketTest = false;
};

// Where each direction is one index offset, the six steps as shifts.
template <class M>
void AddShiftSteps(const PolycubePuzzle& p, PlacementTables<M>& t) {
  std::map<Point, int> index;
  for (int i = 0; i < t.cells; ++i) index[p.cells[i]] = i;
  const Point steps[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  t.shiftFlood = t.cells <= 64;
  std::array<bool, 6> seen{};
  for (int i = 0; i < t.cells && t.shiftFlood; ++i) {
    const Point c = p.cells[i];
    for (int d = 0; d < 6; ++d) {
      const auto it = index.find({c.x + steps[d].x, c.y + steps[d].y, c.z + steps[d].z});
      if (it == index.end()) continue;
      const int offset = it->second - i;
      if (!seen[d]) t.stepOffset[d] = offset;
      if (offset != t.stepOffset[d]) t.shiftFlood = false;
      seen[d] = true;
      t.stepFrom[d] |= std::uint64_t{1} << i;
    }
  }
}

// Where every piece is placed and some cells may stay empty, as many stay empty as the pieces
// leave: the search places them as copies of a piece of one cell of its own, on those cells
// only, and every cell is covered, which the plain search does far faster than deciding each
// cell that may stay empty in turn.
template <class M>
void AddHoleClass(const PolycubePuzzle& p, PlacementTables<M>& t) {
  if (t.exact || t.classes >= kMaxShapeClasses) return;
  int covered = 0;
  for (const ShapeClass& c : p.classes) {
    if (c.minCopies != c.copies) return;
    covered += c.copies * c.size;
  }
  const int holes = t.cells - covered;
  if (holes > 255) return;
  t.exact = true;
  t.must = FromWide<M>(FirstCells(t.cells));
  if (holes == 0) return;
  t.holeClass = t.classes++;
  t.size[t.holeClass] = 1;
  t.copies[t.holeClass] = t.minCopies[t.holeClass] = static_cast<std::uint8_t>(holes);
  t.imagedMin[t.holeClass] = t.imagedMax[t.holeClass] = static_cast<std::uint8_t>(holes);
  t.pieces += holes;
}

template <class M>
PlacementTables<M> BuildPlacementTables(const PolycubePuzzle& p) {
  PlacementTables<M> t;
  t.cells = static_cast<int>(p.cells.size());
  t.classes = static_cast<int>(p.classes.size());
  t.outside = FromWide<M>(~FirstCells(t.cells));
  for (int c = 0; c < t.classes; ++c) {
    t.size[c] = p.classes[c].size;
    t.copies[c] = static_cast<std::uint8_t>(p.classes[c].copies);
    t.minCopies[c] = static_cast<std::uint8_t>(p.classes[c].minCopies);
    t.pieces += p.classes[c].copies;
  }
  t.exact = IsExact(p);
  t.must = FromWide<M>(FirstCells(t.cells)) & ~FromCells<M>(p.optional);
  AddHoleClass(p, t);
  t.maxHoles = p.maxHoles;
  t.mirrorSome = p.mirrorPackings == MirrorPackings::kSome;
  for (int c = 0; c < static_cast<int>(p.classes.size()); ++c) {
    t.imagedMin[c] = static_cast<std::uint8_t>(p.classes[c].imagedMin);
    t.imagedMax[c] = static_cast<std::uint8_t>(std::max(0, p.classes[c].imagedMax));
  }
  const std::size_t lists = static_cast<std::size_t>(t.cells) * t.classes;
  std::vector<std::vector<int>> filed(lists);
  std::vector<std::uint32_t> covering(t.cells, 0);
  for (std::size_t i = 0; i < p.placements.size(); ++i) {
    const ClassPlacement& pl = p.placements[i];
    const int anchor = pl.mask.First();
    filed[static_cast<std::size_t>(anchor) * t.classes + pl.shapeClass].push_back(
        static_cast<int>(i));
    for (int cell = anchor; cell < t.cells; ++cell) covering[cell] += pl.mask.Has(cell) ? 1 : 0;
  }
  for (int x = 0; x < t.cells && t.holeClass >= 0; ++x)
    if (p.optional.Has(x)) {
      filed[static_cast<std::size_t>(x) * t.classes + t.holeClass].push_back(-1 - x);
      ++covering[x];
    }
  for (std::size_t k = 0; k < lists; ++k) {
    t.ranges.push_back({static_cast<std::uint32_t>(t.masks.size()), 0});
    for (const int i : filed[k]) {
      t.masks.push_back(i >= 0 ? FromCells<M>(p.placements[i].mask) : CellOnly(t.outside, -1 - i));
      t.placement.push_back(i >= 0 ? i : -1);
    }
    t.ranges.back().end = static_cast<std::uint32_t>(t.masks.size());
  }
  t.mostCovering = *std::max_element(covering.begin(), covering.end());

  AddShiftSteps(p, t);
  t.pocketTest = t.shiftFlood && t.exact;
  for (int c = 0; c < t.classes; ++c)
    t.pocketTest = t.pocketTest && c != t.holeClass && p.classes[c].connected && t.size[c] >= 3;
  return t;
}

// Copies left `left` of each class: the packing's mirror image is a packing.
template <class M>
bool MirrorImageFits(const PlacementTables<M>& t, const std::uint8_t* left) {
  for (int c = 0; c < t.classes; ++c) {
    const int used = t.copies[c] - left[c];
    if (used < t.imagedMin[c] || used > t.imagedMax[c]) return false;
  }
  return true;
}

// The placements fixed first, one per orbit of the symmetry group, so that each class of
// packings is searched from one of its members. Where a class is in every packing as often, its
// placements: the fewest copies, then the fewest orbits; a packing holds `copies` of them.
// Else (ranges) the placements that cover one cell that must be covered, each packing exactly
// one: the cell whose placements make the fewest orbits. With neither (no cell must be
// covered), nothing is fixed: one task holds the whole search.
struct FirstClassOrbits {
  int shapeClass = -1;  // -1 when fixed by a cell (or not at all)
  int cell = -1;
  std::uint64_t copies = 1;
  std::vector<int> representatives;    // one placement per orbit, in placement order
  std::vector<std::uint64_t> weights;  // each orbit's placements of the class (on the cell)
};

// The orbits of the placements `mine` picks; weights count those it picks.
template <class Picks>
FirstClassOrbits OrbitsOf(const PolycubePuzzle& p, Picks mine) {
  const int placements = static_cast<int>(p.placements.size());
  const int symmetries = ActingSymmetries(p);
  FirstClassOrbits orbits;
  std::vector<char> seen(placements, 0);
  for (int i = 0; i < placements; ++i) {
    if (!mine(i) || seen[i]) continue;
    std::uint64_t weight = 0;
    for (int g = 0; g < symmetries; ++g) {
      const int j = p.placementImages[static_cast<std::size_t>(g) * placements + i];
      if (seen[j]) continue;
      seen[j] = 1;
      weight += mine(j) ? 1 : 0;
    }
    orbits.representatives.push_back(i);
    orbits.weights.push_back(weight);
  }
  return orbits;
}

inline FirstClassOrbits ChooseFirstCell(const PolycubePuzzle& p) {
  FirstClassOrbits best;
  for (int x = 0; x < static_cast<int>(p.cells.size()); ++x) {
    if (p.optional.Has(x)) continue;
    FirstClassOrbits orbits = OrbitsOf(p, [&](int i) { return p.placements[i].mask.Has(x); });
    orbits.cell = x;
    if (best.cell < 0 || orbits.representatives.size() < best.representatives.size())
      best = std::move(orbits);
  }
  return best;
}

inline FirstClassOrbits ChooseFirstClass(const PolycubePuzzle& p) {
  FirstClassOrbits best;
  for (int c = 0; c < static_cast<int>(p.classes.size()); ++c) {
    const ShapeClass& k = p.classes[c];
    if (k.minCopies != k.copies || k.copies == 0) continue;
    if (best.shapeClass >= 0 && p.classes[c].copies > p.classes[best.shapeClass].copies) continue;
    FirstClassOrbits orbits = OrbitsOf(p, [&](int i) { return p.placements[i].shapeClass == c; });
    orbits.shapeClass = c;
    orbits.copies = static_cast<std::uint64_t>(k.copies);
    if (best.shapeClass < 0 || p.classes[c].copies < p.classes[best.shapeClass].copies ||
        orbits.representatives.size() < best.representatives.size())
      best = std::move(orbits);
  }
  return best.shapeClass >= 0 ? best : ChooseFirstCell(p);
}

}  // namespace cubepack::general
