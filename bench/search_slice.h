#pragma once
// A fixed slice of the search for benchmarking: everything below the first seed (piece 0 in its
// first orientation at the origin), with a signature of what the search visited.

#include <array>
#include <cstdint>

#include "builtin/model/board.h"
#include "builtin/model/catalogue.h"
#include "builtin/solver/deep_search_dispatch.h"
#include "builtin/solver/packing_search.h"

namespace cubepack::builtin {

struct SliceSignature {
  std::int32_t solutions;
  std::int64_t stepCount;  // the visit counter at the end (progress lines reset it)
  std::int32_t progressLines;
};

// With a packing sink, the listing search runs instead of the deep kernel.
SliceSignature RunFirstSeedSlice(const PieceCatalogue& catalogue,
                                 DeepKernelKind kernel = BestDeepKernel(),
                                 PackingSink* packings = nullptr);

}  // namespace cubepack::builtin

namespace cubepack::builtin {

// The boards on the path to the first packing found below the first seed: path[k] holds k + 1
// pieces with cells, mask and placed flags current. Used to benchmark single steps.
std::array<Board, kPieceCount> FirstPackingPath(const PieceCatalogue& catalogue);

}  // namespace cubepack::builtin
