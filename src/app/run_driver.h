#pragma once

#include <cstdint>
#include <functional>

#include "builtin/solver/deep_search_dispatch.h"
#include "shared/platform.h"

namespace cubepack {

// The deep kernel a program runs: the default one (BestDeepKernel), unless the environment has
// CUBEPACK_PORTABLE=1, which forces the portable one (to compare them).
builtin::DeepKernelKind DeepKernelFromEnvironment();

// One whole run: start line, catalogue, every seed's search, final line. Returns the number of
// solutions counted. `kernel` must be available (DeepKernelAvailable).
std::int32_t RunCubepack(TickSource& clock, OutputSink& out,
                         builtin::DeepKernelKind kernel = builtin::BestDeepKernel());

// The same run with the search on `jobs` worker threads: the same bytes but the timings.
std::int32_t RunCubepackParallel(TickSource& clock, OutputSink& out, int jobs,
                                 builtin::DeepKernelKind kernel = builtin::BestDeepKernel());

// A program's main: `run` on the steady clock and standard output. Returns the exit status:
// 0, or 1 after one line on standard error ("<program>: ...") when the output cannot be
// written, memory runs out or anything else fails.
int RunOnStdout(const char* program, const std::function<void(TickSource&, OutputSink&)>& run);

}  // namespace cubepack
