#pragma once
// The command line of cubepack-parallel: -j N / --jobs N and --help; and the jobs option as
// every program that takes one reads it.

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

// The arguments after the program name.
std::vector<std::string_view> Arguments(int argc, char** argv);

// Prints a usage error (one line) on standard error; returns the exit status for it, 2.
int UsageFailure(const std::string& error);

// "<program>: <what> (try --help)": one line for a bad command line.
std::string UsageError(std::string_view program, std::string_view what);

// When args[i] is a jobs option (-j N, --jobs N, -jN, --jobs=N): takes it, moving i onto its
// value, and sets `jobs`, or `error` (without the program name) when the number is missing or
// not a whole number from 1 to kMaxJobs. Returns false, touching nothing, for any other word.
bool TakeJobsOption(const std::vector<std::string_view>& args, std::size_t& i, int& jobs,
                    std::string& error);

// `args` excludes the program name. `defaultJobs` is used without -j.
ParallelOptions ParseParallelOptions(const std::vector<std::string_view>& args, int defaultJobs);

// The --help text, ending in "\n".
std::string ParallelUsage();

// The --help line of the jobs option: "  -j N, --jobs N  <what>worker threads, 1 to ...\n".
std::string JobsOptionHelp(std::string_view what = "");

// The number of hardware threads, at least 1 and at most kMaxJobs.
int HardwareJobs();

}  // namespace cubepack
