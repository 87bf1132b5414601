#pragma once
// Which build of the deep kernel runs: the AVX2 one where the CPU has it, else the portable one.

#include <cstdint>

#include "model/mask.h"

// The build defines CUBEPACK_HAVE_AVX2_KERNEL=1 when it compiles deep_search_avx2.cpp.
#if !defined(CUBEPACK_HAVE_AVX2_KERNEL)
#define CUBEPACK_HAVE_AVX2_KERNEL 0
#endif

namespace cubepack {

struct DeepView;
struct DeepCounts;
struct DeepQueues;

#if CUBEPACK_HAVE_AVX2_KERNEL
DeepCounts RunDeepAvx2(const DeepView& v, DeepQueues& queues, int depth, OccupancyMask grid,
                       OccupancyMask fill, std::uint32_t free);
#endif

}  // namespace cubepack
