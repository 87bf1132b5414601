#pragma once
// The one task list of a puzzle file's count, listing and index. One class A (the fewest
// copies, then the fewest orbits) has a placement fixed first, one task per orbit of A's
// placements under the symmetry group at the orbit's first placement (its representative);
// the count adds one task per symmetry g but the identity (the packings g maps onto
// themselves, built from orbit units: unions of a placement's images under g). Every task is
// then expanded a piece (a unit) at a time at its first empty cell. The order is fixed, so any
// number of threads, a share on another machine or the listing's lines in task order mean the
// same work; the fixed-piece tasks come first and are the listing's tasks.

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "general/model/polycube_puzzle.h"
#include "general/model/puzzle_line.h"
#include "general/solver/cell_masks.h"
#include "general/solver/polycube_tables.h"
#include "shared/hash.h"

namespace cubepack::general {

// Pieces a task places: the representative, then one per round of expansion.
inline constexpr int kMaxTaskPieces = 1 + 4;

// A union of a placement's images under one symmetry g, pairwise disjoint: one unit of a
// packing that g maps onto itself. It uses `n[0]` copies of class c[0] and `n[1]` of c[1].
template <class M>
struct OrbitUnit {
  M mask;
  std::uint8_t c[2];
  std::uint8_t n[2];
};

template <class M>
struct SearchTables : PlacementTables<M> {
  int firstClass = -1;            // -1: the first placements cover one cell, or none is fixed
  std::uint64_t firstCopies = 1;  // how many of the first placements a packing holds
  bool fixesNothing = false;      // no cell must be covered: one task, nothing fixed
  // Per placement: 1 + its orbit's number when it is its orbit's representative, else 0.
  std::vector<int> representative;
  std::vector<std::uint64_t> orbitWeight;  // per orbit: the first class's placements in it
  // Per symmetry g != identity (index g - 1): its units filed by anchor.
  std::vector<std::vector<OrbitUnit<M>>> units;
  std::vector<std::vector<EntryRange>> unitRanges;  // [g - 1][anchor]
  // Where cells may stay empty: per symmetry g != identity, each cell's orbit under g.
  std::vector<std::vector<M>> cellOrbits;  // [g - 1][cell]
};

template <class M>
struct Task {
  M board;
  std::array<std::uint8_t, kMaxShapeClasses> counts;
  std::uint64_t avail;  // classes with copies left
  int left;             // pieces left
  int placed;           // placements (orbit units on a symmetry's task) made
  int symmetry;  // 0: a fixed-piece task; g > 0: packings that symmetry g maps onto themselves
  std::uint64_t weight;
  std::array<int, kMaxTaskPieces> pieces;  // a fixed-piece task's placements, in order
};

namespace detail {

// The units of symmetry g: each orbit of placements under g whose members are pairwise
// disjoint and use copies the puzzle has, once, from its least member, filed by anchor.
template <class M>
void AddOrbitUnits(const PolycubePuzzle& p, int g, SearchTables<M>& t) {
  const int placements = static_cast<int>(p.placements.size());
  const int* image = p.placementImages.data() + static_cast<std::size_t>(g) * placements;
  std::vector<std::vector<OrbitUnit<M>>> byAnchor(t.cells);
  for (int q = 0; q < placements; ++q) {
    CellSet unionMask = p.placements[q].mask;
    int used[kMaxShapeClasses] = {};
    used[p.placements[q].shapeClass] = 1;
    bool disjoint = true, least = true;
    for (int member = image[q]; member != q && disjoint; member = image[member]) {
      // A reflection of a piece without its mirror image: in no packing that g maps onto itself.
      if (member < 0) {
        disjoint = false;
        break;
      }
      disjoint = !p.placements[member].mask.Meets(unionMask);
      least = least && member > q;
      unionMask |= p.placements[member].mask;
      ++used[p.placements[member].shapeClass];
    }
    if (!disjoint || !least) continue;
    OrbitUnit<M> u{FromCells<M>(unionMask), {0, 0}, {0, 0}};
    int k = 0;
    bool fits = true;
    for (int c = 0; c < t.classes && fits; ++c) {
      if (used[c] == 0) continue;
      // A cycle of images holds a shape and at most its mirror image.
      fits = k < 2 && used[c] <= p.classes[c].copies;
      if (!fits) break;
      u.c[k] = static_cast<std::uint8_t>(c);
      u.n[k] = static_cast<std::uint8_t>(used[c]);
      ++k;
    }
    if (!fits) continue;
    if (k == 1) u.c[1] = u.c[0];  // n[1] stays 0
    byAnchor[unionMask.First()].push_back(u);
  }
  // The cells left empty: each orbit of them under g as copies of the class of one cell.
  for (int x = 0; x < t.cells && t.holeClass >= 0; ++x) {
    if (!p.optional.Has(x)) continue;
    M orbit{};
    int n = 0;
    bool least = true;
    for (int y = x;; ++n) {
      orbit = orbit | CellOnly(orbit, y);
      least = least && y >= x;
      y = p.symmetries[g].image[y];
      if (y == x) break;
    }
    ++n;
    if (!least || n > t.copies[t.holeClass]) continue;
    const auto hole = static_cast<std::uint8_t>(t.holeClass);
    byAnchor[x].push_back({orbit, {hole, hole}, {static_cast<std::uint8_t>(n), 0}});
  }
  std::vector<OrbitUnit<M>> units;
  std::vector<EntryRange> ranges(t.cells);
  for (int a = 0; a < t.cells; ++a) {
    ranges[a].begin = static_cast<std::uint32_t>(units.size());
    units.insert(units.end(), byAnchor[a].begin(), byAnchor[a].end());
    ranges[a].end = static_cast<std::uint32_t>(units.size());
  }
  t.units.push_back(std::move(units));
  t.unitRanges.push_back(std::move(ranges));
}

// The child of `task` that places `m` of class c (a fixed-piece task).
template <class M>
Task<M> WithPlacement(const Task<M>& task, M m, int c, int placement) {
  Task<M> child = task;
  child.board = task.board | m;
  if (--child.counts[c] == 0) child.avail &= ~(std::uint64_t{1} << c);
  --child.left;
  if (child.placed < kMaxTaskPieces) child.pieces[child.placed] = placement;
  ++child.placed;
  return child;
}

// Where not every cell must be covered: the children of a fixed-piece task, one per placement
// that covers its first empty cell that must be covered; a task with none, or of a symmetry,
// as it is.
template <class M>
void ExpandOpen(const SearchTables<M>& t, const Task<M>& task, std::vector<Task<M>>& next) {
  const M empty = ~task.board & t.must;
  if (task.symmetry != 0 || IsEmpty(empty)) {
    next.push_back(task);
    return;
  }
  const int x = FirstSet(empty);
  for (int anchor = 0; anchor <= x; ++anchor)
    for (std::uint64_t bits = task.avail; bits != 0; bits &= bits - 1) {
      const int c = std::countr_zero(bits);
      const EntryRange r = t.ranges[anchor * t.classes + c];
      for (std::uint32_t i = r.begin; i < r.end; ++i)
        if (HasCell(t.masks[i], x) && !Hits(t.masks[i], task.board))
          next.push_back(WithPlacement(task, t.masks[i], c, t.placement[i]));
    }
}

// The children of `task`, one per placement (unit) at its first empty cell, in table order.
template <class M>
void Expand(const SearchTables<M>& t, const Task<M>& task, std::vector<Task<M>>& next) {
  if (!t.exact) return ExpandOpen(t, task, next);
  if (IsFull(task.board)) {
    next.push_back(task);
    return;
  }
  const int anchor = FirstClear(task.board);
  if (task.symmetry == 0) {
    for (std::uint64_t bits = task.avail; bits != 0; bits &= bits - 1) {
      const int c = std::countr_zero(bits);
      const EntryRange r = t.ranges[anchor * t.classes + c];
      for (std::uint32_t i = r.begin; i < r.end; ++i)
        if (!Hits(t.masks[i], task.board))
          next.push_back(WithPlacement(task, t.masks[i], c, t.placement[i]));
    }
    return;
  }
  const EntryRange r = t.unitRanges[task.symmetry - 1][anchor];
  for (std::uint32_t i = r.begin; i < r.end; ++i) {
    const OrbitUnit<M>& u = t.units[task.symmetry - 1][i];
    if (Hits(u.mask, task.board) || task.counts[u.c[0]] < u.n[0]) continue;
    Task<M> child = task;
    child.counts[u.c[0]] = static_cast<std::uint8_t>(child.counts[u.c[0]] - u.n[0]);
    if (child.counts[u.c[1]] < u.n[1]) continue;
    child.counts[u.c[1]] = static_cast<std::uint8_t>(child.counts[u.c[1]] - u.n[1]);
    child.board = task.board | u.mask;
    child.left -= u.n[0] + u.n[1];
    ++child.placed;
    child.avail = 0;
    for (int c = 0; c < t.classes; ++c)
      if (child.counts[c] != 0) child.avail |= std::uint64_t{1} << c;
    next.push_back(child);
  }
}

}  // namespace detail

// The tables of both searches below the tasks.
template <class M>
SearchTables<M> BuildSearchTables(const PolycubePuzzle& p) {
  SearchTables<M> t;
  static_cast<PlacementTables<M>&>(t) = BuildPlacementTables<M>(p);
  const FirstClassOrbits first = ChooseFirstClass(p);
  t.firstClass = first.shapeClass;
  t.firstCopies = first.copies;
  t.fixesNothing = first.representatives.empty();
  t.representative.assign(p.placements.size(), 0);
  for (std::size_t k = 0; k < first.representatives.size(); ++k)
    t.representative[first.representatives[k]] = static_cast<int>(k) + 1;
  t.orbitWeight = first.weights;
  for (int g = 1; g < SymmetryCount(p); ++g) detail::AddOrbitUnits(p, g, t);
  if (!t.exact)
    for (int g = 1; g < SymmetryCount(p); ++g) {
      std::vector<M> orbits(t.cells);
      for (int x = 0; x < t.cells; ++x) {
        CellSet orbit;
        for (int y = x; !orbit.Has(y); y = p.symmetries[g].image[y]) orbit.Set(y);
        orbits[x] = FromCells<M>(orbit);
      }
      t.cellOrbits.push_back(std::move(orbits));
    }
  return t;
}

// The symmetries but the identity that fix every cell (a reflection of a flat target): each
// maps every packing onto itself, so the count adds the fixed count again for each, unsearched.
inline bool FixesEveryCell(const PolycubePuzzle& p, int g) {
  for (std::size_t i = 0; i < p.cells.size(); ++i)
    if (p.symmetries[g].image[i] != static_cast<int>(i)) return false;
  return true;
}
inline int SymmetriesFixingEveryCell(const PolycubePuzzle& p) {
  int n = 0;
  for (int g = 1; g < SymmetryCount(p); ++g) n += FixesEveryCell(p, g);
  return n;
}

// The task list: the fixed-piece tasks, then (with `symmetryTasks`) one per symmetry that
// does not fix every cell, each expanded as `limits` says.
template <class M>
std::vector<Task<M>> MakeTasks(const PolycubePuzzle& p, const SearchTables<M>& t,
                               bool symmetryTasks, TaskLimits limits) {
  Task<M> root{};
  root.board = t.outside;
  for (int c = 0; c < t.classes; ++c) {
    root.counts[c] = t.copies[c];
    root.avail |= std::uint64_t{1} << c;
  }
  root.left = t.pieces;
  root.weight = 1;
  for (int c = 0; c < t.classes; ++c)
    if (root.counts[c] == 0) root.avail &= ~(std::uint64_t{1} << c);
  std::vector<Task<M>> tasks;
  if (t.fixesNothing) tasks.push_back(root);
  for (std::size_t i = 0; i < t.representative.size(); ++i) {
    const int orbit = t.representative[i];
    if (orbit == 0) continue;
    Task<M> task = detail::WithPlacement(root, FromCells<M>(p.placements[i].mask),
                                         p.placements[i].shapeClass, static_cast<int>(i));
    task.weight = t.orbitWeight[orbit - 1];
    tasks.push_back(task);
  }
  // Representatives are numbered in placement order, so the tasks are in orbit order.
  for (int g = 1; symmetryTasks && g < SymmetryCount(p); ++g) {
    if (FixesEveryCell(p, g)) continue;
    Task<M> task = root;
    task.symmetry = g;
    tasks.push_back(task);
  }
  limits.rounds = std::min(limits.rounds, kMaxTaskPieces - 1);
  for (int round = 0; round < limits.rounds && tasks.size() < limits.wanted; ++round) {
    std::vector<Task<M>> next;
    for (const Task<M>& task : tasks) detail::Expand(t, task, next);
    tasks = std::move(next);
  }
  return tasks;
}

// Names the task list: each task's board, copies left, symmetry, weight and pieces, in order.
// A share, an index or a listing cut from another list gets another value.
template <class M>
std::uint64_t TaskListFingerprint(const std::vector<Task<M>>& tasks, int classes) {
  Fnv1a fnv;
  const auto mix = [&](std::uint64_t v) { fnv.Value(v); };
  mix(tasks.size());
  for (const Task<M>& task : tasks) {
    const WideMask board = ToWide(task.board);
    mix(board.lo);
    mix(board.hi);
    for (int c = 0; c < classes; ++c) mix(task.counts[c]);
    mix(static_cast<std::uint64_t>(task.symmetry));
    mix(task.weight);
    for (int i = 0; i < std::min(task.placed, kMaxTaskPieces); ++i)
      mix(static_cast<std::uint64_t>(task.pieces[i]));
  }
  return fnv.value();
}

}  // namespace cubepack::general
