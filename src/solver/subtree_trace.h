#pragma once
// What the search below one three-piece board counted, split at its depth-3 list visits: all
// a replay needs to reproduce the progress checks and totals without searching again.

#include <array>
#include <cstdint>

#include "model/geometry.h"

namespace cubepack {

struct TraceSpan {
  std::int64_t visits = 0;  // list visits at depths 4 to 11
  std::int32_t solutions = 0;
};

struct SubtreeTrace {
  // spans[j]: counted between depth-3 list visit j - 1 (or the start) and visit j.
  // A three-piece board leaves nine free pieces, so at most nine visits.
  std::array<TraceSpan, kPieceCount> spans{};
  int depth3Visits = 0;
  TraceSpan tail;  // counted after the last depth-3 list visit
};

}  // namespace cubepack
