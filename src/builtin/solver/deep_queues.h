#pragma once
// The deep search's waiting nodes, one queue per depth. The search state keeps them, so the deep
// search allocates nothing and needs little stack. Data only: the two builds of the deep kernel
// share these types but no code.

#include <cstddef>
#include <cstdint>

#include "builtin/model/mask.h"
#include "builtin/model/placement.h"

namespace cubepack::builtin {

// Depths up to 8 keep the mask in fill order too; depths up to 10 keep the free pieces (at
// depth 10 the parent's, less the piece in the top bits of the mask); a depth-11 node keeps its
// last piece in the top bits of its mask.
template <int kDepth>
struct NodeQueue {
  static constexpr bool kFill = kDepth <= 8;
  static constexpr bool kFree = kDepth <= 10;
  // Drained when it holds more than this. Large batches measured faster: each drain is a
  // long loop that the branch predictor learns, and the drains alternate less often.
  static constexpr int kBatch = 2048;
  // A node of depth 5 has seven free pieces, each with a list of at most 24 entries, and a
  // block of four is always written whole.
  static constexpr int kCapacity = kBatch + 7 * kMaxListLength + 4;
  OccupancyMask grid[kCapacity];
  OccupancyMask fill[kFill ? kCapacity : 1];
  std::uint32_t free[kFree ? kCapacity : 1];
  std::ptrdiff_t size = 0;
};

struct DeepQueues {
  NodeQueue<5> q5;
  NodeQueue<6> q6;
  NodeQueue<7> q7;
  NodeQueue<8> q8;
  NodeQueue<9> q9;
  NodeQueue<10> q10;
  NodeQueue<11> q11;
};

}  // namespace cubepack::builtin
