// cubepack-parallel: cubepack's search on all cores, printing the same bytes as cubepack (only
// the times and rates differ).

#include <cstdio>
#include <exception>
#include <new>
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
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
  }
  try {
    cubepack::SteadyTickSource clock;
    cubepack::StdoutSink out;
    cubepack::RunCubepackParallel(clock, out, options.jobs);
    if (!out.Finish()) throw cubepack::OutputError();
    return 0;
  } catch (const cubepack::OutputError&) {
    std::fputs("cubepack-parallel: cannot write to standard output\n", stderr);
  } catch (const std::bad_alloc&) {
    std::fputs("cubepack-parallel: out of memory\n", stderr);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "cubepack-parallel: %s\n", e.what());
  }
  return 1;
}
