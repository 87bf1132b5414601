// cubepack-parallel: cubepack's search on all cores, printing the same bytes as cubepack (only
// the times and rates differ).

#include <cstdio>

#include "app/run_driver.h"
#include "shared/command_line.h"
#include "shared/platform.h"

int main(int argc, char** argv) {
  const cubepack::ParallelOptions options =
      cubepack::ParseParallelOptions(cubepack::Arguments(argc, argv), cubepack::HardwareJobs());
  if (!options.error.empty()) return cubepack::UsageFailure(options.error);
  if (options.help) return cubepack::WriteOut("cubepack-parallel", cubepack::ParallelUsage());
  return cubepack::RunOnStdout("cubepack-parallel", [&](cubepack::TickSource& clock,
                                                        cubepack::OutputSink& out) {
    cubepack::RunCubepackParallel(clock, out, options.jobs, cubepack::DeepKernelFromEnvironment());
  });
}
