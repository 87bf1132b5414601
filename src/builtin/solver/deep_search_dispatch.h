#pragma once
// Which build of the deep kernel counts the mask-only depths: the portable one, or the AVX2 one
// where the build has it and the CPU can run it. The choice is a value of the search state, so
// a test or a program can run either.

#include <cstdint>
#include <vector>

#include "builtin/model/mask.h"
#include "builtin/solver/search_counts.h"

// The build defines CUBEPACK_HAVE_AVX2_KERNEL=1 when it compiles the kernel a second time for
// AVX2.
#if !defined(CUBEPACK_HAVE_AVX2_KERNEL)
#define CUBEPACK_HAVE_AVX2_KERNEL 0
#endif

namespace cubepack::builtin {

enum class DeepKernelKind : std::uint8_t { kPortable, kAvx2 };

// True when this build has the kernel and this CPU can run it.
bool DeepKernelAvailable(DeepKernelKind kind);
// The kernel programs run unless told otherwise: AVX2 where available.
DeepKernelKind BestDeepKernel();
// Every available kernel, the portable one first.
std::vector<DeepKernelKind> AvailableDeepKernels();
// "portable" or "avx2".
const char* DeepKernelName(DeepKernelKind kind);

struct DeepTables;
struct DeepQueues;
struct SearchState;

// Plain views of the candidate tables for the deep depths.
struct DeepView {
  DeepTables* deep;  // the triple lists are built on first use
  const std::uint32_t* piecesAtFillPosition;
  const std::uint32_t* piecesAtLowBit;
};
DeepView DeepViewOf(const SearchState& s);

// The kernel's count below one node that waits for depth `depth` (5 to 10): `grid` and `fill`
// are its mask in grid and fill order, `free` its free pieces as bits.
SearchCounts CountDeep(SearchState& s, int depth, OccupancyMask grid, OccupancyMask fill,
                       std::uint32_t free);

// The builds of the kernel itself (deep_kernel.cpp, compiled once for each).
SearchCounts RunDeepPortable(const DeepView& v, DeepQueues& queues, int depth, OccupancyMask grid,
                             OccupancyMask fill, std::uint32_t free);
#if CUBEPACK_HAVE_AVX2_KERNEL
SearchCounts RunDeepAvx2(const DeepView& v, DeepQueues& queues, int depth, OccupancyMask grid,
                         OccupancyMask fill, std::uint32_t free);
#endif

}  // namespace cubepack::builtin
