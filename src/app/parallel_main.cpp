// cubepack-parallel: cubepack's search on all cores, printing the same bytes as cubepack (only
// the times and rates differ).

#include <cstdio>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/platform.h"
#include "app/run_driver.h"

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const cubepack::ParallelOptions options =
      cubepack::ParseParallelOptions(args, cubepack::HardwareJobs());
  if (!options.error.empty()) {
    std::fprintf(stderr, "%s\n", options.error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(cubepack::ParallelUsage().c_str(), stdout);
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
    std::fputs("cubepack-parallel: cannot write to standard output\n", stderr);
    return 1;
  }
  return cubepack::RunOnStdout("cubepack-parallel", [&](cubepack::TickSource& clock,
                                                        cubepack::OutputSink& out) {
    cubepack::RunCubepackParallel(clock, out, options.jobs, cubepack::DeepKernelFromEnvironment());
  });
}
