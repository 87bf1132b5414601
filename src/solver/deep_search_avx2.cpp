// The deep kernel compiled for CPUs with AVX2, BMI and POPCNT; used only when the CPU has them.
#include "solver/deep_search_dispatch.h"

#if CUBEPACK_HAVE_AVX2_KERNEL
#include "solver/deep_kernel.h"

namespace cubepack {

DeepCounts RunDeepAvx2(const DeepView& v, DeepQueues& queues, int depth, OccupancyMask grid,
                       OccupancyMask fill, std::uint32_t free) {
  return RunDeepKernel(v, queues, depth, grid, fill, free);
}

}  // namespace cubepack
#endif
