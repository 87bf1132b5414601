// The deep kernel compiled for CPUs with AVX-512 (F and VL) besides AVX2, BMI and POPCNT; used
// only when the CPU has them.
#include "solver/deep_search_dispatch.h"

#if CUBEPACK_HAVE_AVX512_KERNEL
#include "solver/deep_kernel.h"

namespace cubepack {

DeepCounts RunDeepAvx512(const DeepView& v, DeepQueues& queues, int depth, OccupancyMask grid,
                         OccupancyMask fill, std::uint32_t free) {
  return RunDeepKernel(v, queues, depth, grid, fill, free);
}

}  // namespace cubepack
#endif
