// Entry points of the mask-only depths. Boards 5..10 of the stack are not written: the kernel
// keeps each node's state in registers and nothing reads those boards.

#include <cstdlib>

#include "solver/deep_kernel.h"
#include "solver/deep_search_dispatch.h"
#include "solver/search.h"

namespace cubepack {

namespace {

bool UseAvx2Kernel() {
#if CUBEPACK_HAVE_AVX2_KERNEL
  // CUBEPACK_PORTABLE=1 forces the portable kernel, for comparing the two.
  static const bool use = [] {
    const char* portable = std::getenv("CUBEPACK_PORTABLE");
    if (portable != nullptr && portable[0] == '1') return false;
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
           __builtin_cpu_supports("popcnt");
  }();
  return use;
#else
  return false;
#endif
}

PieceBits FreePieces(const Board& b) {
  PieceBits free = 0;
  for (int i = 1; i < kPieceCount; ++i)
    if (b.placed[i] == 0) free |= PieceBits{1} << i;
  return free;
}

void RunFrom(SearchState& s, int depth, const Board& b) {
  const CandidateTables& t = s.candidates;
  const DeepView view{t.deep.get(), t.deep->pairMasks.data(), t.piecesAtFillPosition.data(),
                      t.piecesAtLowBit.data()};
  const OccupancyMask fill = ToFillOrder(b.mask);
  const PieceBits free = FreePieces(b);
#if CUBEPACK_HAVE_AVX2_KERNEL
  DeepQueues& queues = *s.deepQueues;
  const DeepCounts counts = UseAvx2Kernel()
                                ? RunDeepAvx2(view, queues, depth, b.mask, fill, free)
                                : RunDeepKernel(view, queues, depth, b.mask, fill, free);
#else
  (void)UseAvx2Kernel;
  const DeepCounts counts = RunDeepKernel(view, *s.deepQueues, depth, b.mask, fill, free);
#endif
  s.stepCount += counts.visits;
  s.solutionCount += static_cast<std::int32_t>(counts.solutions);
}

}  // namespace

void SearchDepth5(SearchState& s) { RunFrom(s, 5, s.boardStack[4]); }
void SearchDepth8(SearchState& s) { RunFrom(s, 8, s.boardStack[7]); }
void SearchDepth10(SearchState& s) { RunFrom(s, 10, s.boardStack[9]); }

}  // namespace cubepack
