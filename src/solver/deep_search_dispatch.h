#pragma once
// Which build of the deep kernel runs: the portable one, or the AVX2 one where the build has it
// and the CPU can run it. The choice is a value of the search state, so a test or a program can
// run either.

#include <cstdint>
#include <vector>

#include "model/mask.h"

// The build defines CUBEPACK_HAVE_AVX2_KERNEL=1 when it compiles deep_search_avx2.cpp.
#if !defined(CUBEPACK_HAVE_AVX2_KERNEL)
#define CUBEPACK_HAVE_AVX2_KERNEL 0
#endif

namespace cubepack {

enum class DeepKernelKind : std::uint8_t { kPortable, kAvx2 };

// True when this build has the kernel and this CPU can run it.
bool DeepKernelAvailable(DeepKernelKind kind);
// The fastest available kernel.
DeepKernelKind BestDeepKernel();
// Every available kernel, the portable one first.
std::vector<DeepKernelKind> AvailableDeepKernels();
// "portable" or "avx2".
const char* DeepKernelName(DeepKernelKind kind);

struct DeepTables;
struct DeepQueues;

// Plain views of the candidate tables for the kernel.
struct DeepView {
  DeepTables* deep;  // the triple lists are built on first use
  const OccupancyMask* pairMasks;
  const std::uint32_t* piecesAtFillPosition;
  const std::uint32_t* piecesAtLowBit;
};

// What the deep depths add to the search's counters.
struct DeepCounts {
  std::int64_t visits = 0;
  std::int64_t solutions = 0;
};

#if CUBEPACK_HAVE_AVX2_KERNEL
DeepCounts RunDeepAvx2(const DeepView& v, DeepQueues& queues, int depth, OccupancyMask grid,
                       OccupancyMask fill, std::uint32_t free);
#endif

}  // namespace cubepack
