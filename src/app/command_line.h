#pragma once
// The command line of cubepack-parallel: -j N / --jobs N and --help.

#include <string>
#include <string_view>
#include <vector>

namespace cubepack {

inline constexpr int kMaxJobs = 1024;

struct ParallelOptions {
  int jobs = 1;
  bool help = false;
  std::string error;  // one line for standard error when the arguments are bad, else empty
};

// `args` excludes the program name. `defaultJobs` is used without -j.
ParallelOptions ParseParallelOptions(const std::vector<std::string_view>& args, int defaultJobs);

// The --help text, ending in "\n".
std::string ParallelUsage();

// The number of hardware threads, at least 1 and at most kMaxJobs.
int HardwareJobs();

}  // namespace cubepack
