#pragma once
// What a part of the search adds to the run's counters.

#include <cstdint>

namespace cubepack::builtin {

struct SearchCounts {
  std::int64_t listVisits = 0;  // what the step count advances by
  std::int64_t solutions = 0;

  SearchCounts& operator+=(const SearchCounts& o) {
    listVisits += o.listVisits;
    solutions += o.solutions;
    return *this;
  }
};

}  // namespace cubepack::builtin
