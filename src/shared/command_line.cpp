#include "shared/command_line.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <thread>

namespace cubepack {

namespace {

constexpr std::string_view kProgram = "cubepack-parallel";

// A whole decimal number in 1..kMaxJobs, else 0.
int ParseJobs(std::string_view text) {
  int n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size() || n < 1 || n > kMaxJobs) return 0;
  return n;
}

}  // namespace

std::string UsageError(std::string_view program, std::string_view what) {
  return std::string(program) + ": " + std::string(what) + " (try --help)";
}

bool TakeJobsOption(const std::vector<std::string_view>& args, std::size_t& i, int& jobs,
                    std::string& error) {
  const std::string_view arg = args[i];
  std::string_view value;
  if (arg == "-j" || arg == "--jobs") {
    if (i + 1 == args.size()) {
      error = std::string(arg) + " needs a number of jobs";
      return true;
    }
    value = args[++i];
  } else if (arg.starts_with("--jobs=")) {
    value = arg.substr(7);
  } else if (arg.starts_with("-j")) {
    value = arg.substr(2);
  } else {
    return false;
  }
  jobs = ParseJobs(value);
  if (jobs == 0)
    error = "the number of jobs must be a whole number from 1 to " + std::to_string(kMaxJobs) +
            ", not '" + std::string(value) + "'";
  return true;
}

ParallelOptions ParseParallelOptions(const std::vector<std::string_view>& args, int defaultJobs) {
  ParallelOptions options;
  options.jobs = defaultJobs;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "-h" || arg == "--help") {
      options.help = true;
      continue;
    }
    std::string error;
    if (!TakeJobsOption(args, i, options.jobs, error))
      error = arg.starts_with("-") ? "unknown option '" + std::string(arg) + "'"
                                   : "unexpected argument '" + std::string(arg) + "'";
    if (!error.empty()) {
      options.error = UsageError(kProgram, error);
      return options;
    }
  }
  return options;
}

std::string ParallelUsage() {
  return "Usage: cubepack-parallel [-j N | --jobs N]\n"
         "Counts every packing of the twelve pieces into the 5 x 4 x 3 box on N threads and\n"
         "prints exactly what cubepack prints; only the times and rates differ.\n"
         "\n" +
         JobsOptionHelp() + "  -h, --help      show this help and exit\n";
}

std::string JobsOptionHelp(std::string_view what) {
  return "  -j N, --jobs N  " + std::string(what) + "worker threads, 1 to " +
         std::to_string(kMaxJobs) + " (default: the hardware threads, here " +
         std::to_string(HardwareJobs()) + ")\n";
}

std::vector<std::string_view> Arguments(int argc, char** argv) {
  return std::vector<std::string_view>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

int UsageFailure(const std::string& error) {
  std::fprintf(stderr, "%s\n", error.c_str());
  return 2;
}

int HardwareJobs() {
  const unsigned n = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(n, 1u, static_cast<unsigned>(kMaxJobs)));
}

}  // namespace cubepack
