#pragma once
// The task list of a target too large for the one- and two-word masks, searched by dancing
// links: one task per orbit of the placements fixed first (or one task with nothing fixed),
// then, for a count, one per symmetry that does not fix every cell. Each task is one search;
// the order is fixed, so threads and shares mean the same work.

#include <cstdint>
#include <vector>

#include "general/model/polycube_puzzle.h"
#include "general/solver/polycube_tables.h"
#include "general/solver/puzzle_tasks.h"
#include "shared/hash.h"

namespace cubepack::general {

struct LinkedTask {
  int symmetry = 0;    // 0: packings holding `placement`; g > 0: those g maps onto themselves
  int placement = -1;  // -1: nothing fixed
  std::uint64_t weight = 1;
};

struct LinkedTasks {
  std::vector<LinkedTask> tasks;  // the fixed-placement tasks first
  std::size_t fixedTasks = 0;
  std::vector<int> representative;  // per placement: 1 + its orbit's number if it is one's first
  std::uint64_t firstCopies = 1;    // the fixed sum's divisor
  bool fixesNothing = false;
  std::uint64_t fingerprint = 0;
};

inline LinkedTasks MakeLinkedTasks(const PolycubePuzzle& p, bool symmetryTasks) {
  LinkedTasks out;
  const FirstClassOrbits first = ChooseFirstClass(p);
  out.firstCopies = first.copies;
  out.fixesNothing = first.representatives.empty();
  out.representative.assign(p.placements.size(), 0);
  if (out.fixesNothing) out.tasks.push_back({});
  for (std::size_t k = 0; k < first.representatives.size(); ++k) {
    out.representative[first.representatives[k]] = static_cast<int>(k) + 1;
    out.tasks.push_back({0, first.representatives[k], first.weights[k]});
  }
  out.fixedTasks = out.tasks.size();
  for (int g = 1; symmetryTasks && g < SymmetryCount(p); ++g)
    if (!FixesEveryCell(p, g)) out.tasks.push_back({g, -1, 1});
  Fnv1a fnv;
  fnv.Value(out.tasks.size());
  for (const LinkedTask& t : out.tasks) {
    fnv.Value(static_cast<std::uint64_t>(t.symmetry));
    fnv.Value(static_cast<std::uint64_t>(static_cast<std::int64_t>(t.placement)));
    fnv.Value(t.weight);
  }
  out.fingerprint = fnv.value();
  return out;
}

// The copies of each class a search starts with.
inline std::vector<int> ClassCopies(const PolycubePuzzle& p) {
  std::vector<int> copies;
  for (const ShapeClass& c : p.classes) copies.push_back(c.copies);
  return copies;
}

}  // namespace cubepack::general
