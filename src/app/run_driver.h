#pragma once

#include <cstdint>

#include "app/platform.h"

namespace cubepack {

// One whole run: start line, catalogue, every seed's search, final line. Returns the number of
// solutions counted.
std::int32_t RunCubepack(TickSource& clock, OutputSink& out);

// The same run with the search on `jobs` worker threads: the same bytes but the timings.
std::int32_t RunCubepackParallel(TickSource& clock, OutputSink& out, int jobs);

}  // namespace cubepack
