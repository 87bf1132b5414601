#include "builtin/solver/deep_search_dispatch.h"

#include <cassert>

#include "builtin/solver/search_state.h"

namespace cubepack::builtin {

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
  }
  return false;
}

DeepKernelKind BestDeepKernel() {
  return DeepKernelAvailable(DeepKernelKind::kAvx2) ? DeepKernelKind::kAvx2
                                                    : DeepKernelKind::kPortable;
}

std::vector<DeepKernelKind> AvailableDeepKernels() {
  std::vector<DeepKernelKind> kinds;
  for (const DeepKernelKind kind : {DeepKernelKind::kPortable, DeepKernelKind::kAvx2})
    if (DeepKernelAvailable(kind)) kinds.push_back(kind);
  return kinds;
}

const char* DeepKernelName(DeepKernelKind kind) {
  return kind == DeepKernelKind::kAvx2 ? "avx2" : "portable";
}

DeepView DeepViewOf(const SearchState& s) {
  const CandidateTables& t = s.candidates;
  return {t.deep.get(), t.piecesAtFillPosition.data(), t.piecesAtLowBit.data()};
}

SearchCounts CountDeep(SearchState& s, int depth, OccupancyMask grid, OccupancyMask fill,
                       std::uint32_t free) {
  assert(DeepKernelAvailable(s.deepKernel));
#if CUBEPACK_HAVE_AVX2_KERNEL
  if (s.deepKernel == DeepKernelKind::kAvx2)
    return RunDeepAvx2(DeepViewOf(s), *s.deepQueues, depth, grid, fill, free);
#endif
  return RunDeepPortable(DeepViewOf(s), *s.deepQueues, depth, grid, fill, free);
}

}  // namespace cubepack::builtin
