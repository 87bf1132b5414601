#pragma once
// Which build of the deep kernel runs: the portable one, or the AVX2 or AVX-512 one where the
// build has it and the CPU can run it. The choice is a value of the search state, so a test or a
// program can run either.

#include <cstdint>
#include <vector>

#include "model/mask.h"

// The build defines CUBEPACK_HAVE_AVX2_KERNEL=1 when it compiles deep_search_avx2.cpp, and
// CUBEPACK_HAVE_AVX512_KERNEL=1 for deep_search_avx512.cpp.
#if !defined(CUBEPACK_HAVE_AVX2_KERNEL)
#define CUBEPACK_HAVE_AVX2_KERNEL 0
#endif
#if !defined(CUBEPACK_HAVE_AVX512_KERNEL)
#define CUBEPACK_HAVE_AVX512_KERNEL 0
#endif

namespace cubepack {

enum class DeepKernelKind : std::uint8_t { kPortable, kAvx2, kAvx512 };

// True when this build has the kernel and this CPU can run it.
bool DeepKernelAvailable(DeepKernelKind kind);
// The kernel programs run unless told otherwise: AVX2 where available. The AVX-512 kernel is
// tested wherever the CPU has it but only chosen on request until it has been measured faster.
DeepKernelKind BestDeepKernel();
// Every available kernel, the portable one first.
std::vector<DeepKernelKind> AvailableDeepKernels();
// "portable", "avx2" or "avx512".
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
#if CUBEPACK_HAVE_AVX512_KERNEL
DeepCounts RunDeepAvx512(const DeepView& v, DeepQueues& queues, int depth, OccupancyMask grid,
                         OccupancyMask fill, std::uint32_t free);
#endif

}  // namespace cubepack
