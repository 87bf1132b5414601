// Entry points of the mask-only depths. Boards 5..10 of the stack are not written: the kernel
// keeps each node in its queues and nothing reads those boards.

#include <cassert>

#include "solver/deep_kernel.h"
#include "solver/deep_search_dispatch.h"
#include "solver/search.h"

namespace cubepack {

bool DeepKernelAvailable(DeepKernelKind kind) {
  switch (kind) {
    case DeepKernelKind::kPortable:
      return true;
    case DeepKernelKind::kAvx2:
#if CUBEPACK_HAVE_AVX2_KERNEL
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
             __builtin_cpu_supports("popcnt");
#else
      return false;
#endif
    case DeepKernelKind::kAvx512:
#if CUBEPACK_HAVE_AVX512_KERNEL
      // These also tell whether the system saves the wide registers.
      return DeepKernelAvailable(DeepKernelKind::kAvx2) && __builtin_cpu_supports("avx512f") &&
             __builtin_cpu_supports("avx512vl");
#else
      return false;
#endif
  }
  return false;
}

DeepKernelKind BestDeepKernel() {
  return DeepKernelAvailable(DeepKernelKind::kAvx2) ? DeepKernelKind::kAvx2
                                                    : DeepKernelKind::kPortable;
}

std::vector<DeepKernelKind> AvailableDeepKernels() {
  std::vector<DeepKernelKind> kinds;
  for (const DeepKernelKind kind :
       {DeepKernelKind::kPortable, DeepKernelKind::kAvx2, DeepKernelKind::kAvx512})
    if (DeepKernelAvailable(kind)) kinds.push_back(kind);
  return kinds;
}

const char* DeepKernelName(DeepKernelKind kind) {
  switch (kind) {
    case DeepKernelKind::kAvx2:
      return "avx2";
    case DeepKernelKind::kAvx512:
      return "avx512";
    case DeepKernelKind::kPortable:
      break;
  }
  return "portable";
}

namespace {

PieceBits FreePieces(const Board& b) {
  PieceBits free = 0;
  for (int i = 1; i < kPieceCount; ++i)
    if (b.placed[i] == 0) free |= PieceBits{1} << i;
  return free;
}

void AddCounts(SearchState& s, const DeepCounts& counts) {
  s.stepCount += counts.visits;
  s.solutionCount += static_cast<std::int32_t>(counts.solutions);
}

void RunFrom(SearchState& s, int depth, const Board& b) {
  AddCounts(s, CountDeep(s, depth, b.mask, ToFillOrder(b.mask), FreePieces(b)));
}

}  // namespace

DeepCounts CountDeep(SearchState& s, int depth, OccupancyMask grid, OccupancyMask fill,
                     std::uint32_t free) {
  const CandidateTables& t = s.candidates;
  const DeepView view{t.deep.get(), t.deep->pairMasks.data(), t.piecesAtFillPosition.data(),
                      t.piecesAtLowBit.data()};
  DeepQueues& queues = *s.deepQueues;
  assert(DeepKernelAvailable(s.deepKernel));
#if CUBEPACK_HAVE_AVX512_KERNEL
  if (s.deepKernel == DeepKernelKind::kAvx512)
    return RunDeepAvx512(view, queues, depth, grid, fill, free);
#endif
#if CUBEPACK_HAVE_AVX2_KERNEL
  if (s.deepKernel == DeepKernelKind::kAvx2)
    return RunDeepAvx2(view, queues, depth, grid, fill, free);
#endif
  return RunDeepKernel(view, queues, depth, grid, fill, free);
}

// With a packing sink, the listing search takes the deep depths instead of the kernel alone.
void SearchDepth5(SearchState& s) {
  if (s.packingSink == nullptr) return RunFrom(s, 5, s.boardStack[4]);
  AddCounts(s, ListPackingsBelow(s));
}
void SearchDepth8(SearchState& s) { RunFrom(s, 8, s.boardStack[7]); }
void SearchDepth10(SearchState& s) { RunFrom(s, 10, s.boardStack[9]); }

}  // namespace cubepack
