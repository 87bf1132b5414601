#pragma once
// The test that ends a branch of a puzzle file's search before its list is filtered: a pocket
// of one or two empty cells that no piece left can fill.

#include <cstdint>
#include <type_traits>

#include "general/solver/polycube_tables.h"

namespace cubepack::general {

template <class M>
class DeadEnds {
 public:
  explicit DeadEnds(const PlacementTables<M>& t) : t_(t) {}

  // True when an empty cell has no empty neighbour, or two empty cells have only each other.
  // Only asked where the tables' pocketTest holds: every piece connected and of three cubes or
  // more (a piece whose cubes do not touch can fill such a pocket), the steps shifts.
  bool Pocket(M board) const {
    if constexpr (std::is_same_v<M, std::uint64_t>) {
      const std::uint64_t empty = ~board;
      std::uint64_t one = 0, two = 0;  // empty cells with at least one, two empty neighbours
      for (int d = 0; d < 6; ++d) {
        const std::uint64_t n = Step(empty, d);
        two |= one & n;
        one |= n;
      }
      if ((empty & ~one) != 0) return true;
      const std::uint64_t single = empty & ~two;
      for (int d = 0; d < 6; ++d)
        if ((Step(single, d) & single) != 0) return true;
    }
    return false;
  }

 private:
  // The cells one step in direction d from `cells` (shift steps only).
  std::uint64_t Step(std::uint64_t cells, int d) const {
    const std::uint64_t from = cells & t_.stepFrom[d];
    return t_.stepOffset[d] > 0 ? from << t_.stepOffset[d] : from >> -t_.stepOffset[d];
  }

  const PlacementTables<M>& t_;
};

}  // namespace cubepack::general
