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
  std::array<std::uint8_t, kMaxShapeClasses> copies{};
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

template <class M>
PlacementTables<M> BuildPlacementTables(const PolycubePuzzle& p) {
  PlacementTables<M> t;
  t.cells = static_cast<int>(p.cells.size());
  t.classes = static_cast<int>(p.classes.size());
  t.outside = FromWide<M>(~FirstCells(t.cells));
  for (int c = 0; c < t.classes; ++c) {
    t.size[c] = p.classes[c].size;
    t.copies[c] = static_cast<std::uint8_t>(p.classes[c].copies);
    t.pieces += p.classes[c].copies;
  }
  const std::size_t lists = static_cast<std::size_t>(t.cells) * t.classes;
  std::vector<std::vector<int>> filed(lists);
  std::vector<std::uint32_t> covering(t.cells, 0);
  for (std::size_t i = 0; i < p.placements.size(); ++i) {
    const ClassPlacement& pl = p.placements[i];
    const int anchor = FirstSet(pl.mask);
    filed[static_cast<std::size_t>(anchor) * t.classes + pl.shapeClass].push_back(
        static_cast<int>(i));
    for (int cell = anchor; cell < t.cells; ++cell) covering[cell] += pl.mask.Has(cell) ? 1 : 0;
  }
  for (std::size_t k = 0; k < lists; ++k) {
    t.ranges.push_back({static_cast<std::uint32_t>(t.masks.size()), 0});
    for (const int i : filed[k]) {
      t.masks.push_back(FromWide<M>(p.placements[i].mask));
      t.placement.push_back(i);
    }
    t.ranges.back().end = static_cast<std::uint32_t>(t.masks.size());
  }
  t.mostCovering = *std::max_element(covering.begin(), covering.end());

  AddShiftSteps(p, t);
  t.pocketTest = t.shiftFlood;
  for (int c = 0; c < t.classes; ++c)
    t.pocketTest = t.pocketTest && p.classes[c].connected && t.size[c] >= 3;
  return t;
}

// The class whose placements are fixed first, one per orbit of the symmetry group: the fewest
// copies, then the fewest orbits.
struct FirstClassOrbits {
  int shapeClass = -1;
  std::vector<int> representatives;    // each orbit's first placement, in placement order
  std::vector<std::uint64_t> weights;  // the placements of the class in each orbit
};

inline FirstClassOrbits ChooseFirstClass(const PolycubePuzzle& p) {
  const int placements = static_cast<int>(p.placements.size());
  const int symmetries = SymmetryCount(p);
  FirstClassOrbits best;
  for (int c = 0; c < static_cast<int>(p.classes.size()); ++c) {
    if (best.shapeClass >= 0 && p.classes[c].copies > p.classes[best.shapeClass].copies) continue;
    FirstClassOrbits orbits;
    orbits.shapeClass = c;
    std::vector<char> seen(placements, 0);
    for (int i = 0; i < placements; ++i) {
      if (p.placements[i].shapeClass != c || seen[i]) continue;
      std::uint64_t weight = 0;
      for (int g = 0; g < symmetries; ++g) {
        const int j = p.placementImages[static_cast<std::size_t>(g) * placements + i];
        if (seen[j]) continue;
        seen[j] = 1;
        weight += p.placements[j].shapeClass == c;
      }
      orbits.representatives.push_back(i);
      orbits.weights.push_back(weight);
    }
    if (best.shapeClass < 0 || p.classes[c].copies < p.classes[best.shapeClass].copies ||
        orbits.representatives.size() < best.representatives.size())
      best = std::move(orbits);
  }
  return best;
}

}  // namespace cubepack::general
