// The deep kernel's entry point. This file is compiled twice: as RunDeepPortable for any
// x86-64, and as RunDeepAvx2 with AVX2, BMI and POPCNT, used only when the CPU has them.
#include "builtin/solver/deep_kernel.h"

#if !defined(CUBEPACK_KERNEL_ENTRY)
#define CUBEPACK_KERNEL_ENTRY RunDeepPortable
#endif

namespace cubepack::builtin {

SearchCounts CUBEPACK_KERNEL_ENTRY(const DeepView& v, DeepQueues& queues, int depth,
                                   OccupancyMask grid, OccupancyMask fill, std::uint32_t free) {
  return RunDeepKernel(v, queues, depth, grid, fill, free);
}

}  // namespace cubepack::builtin
