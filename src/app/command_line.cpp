#include "app/command_line.h"

#include <algorithm>
#include <charconv>
#include <thread>

namespace cubepack {

namespace {

constexpr std::string_view kProgram = "cubepack-parallel";

std::string Error(std::string_view what) {
  return std::string(kProgram) + ": " + std::string(what) + " (try --help)";
}

// A whole decimal number in 1..kMaxJobs, else 0.
int ParseJobs(std::string_view text) {
  int n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size() || n < 1 || n > kMaxJobs) return 0;
  return n;
}

}  // namespace

ParallelOptions ParseParallelOptions(const std::vector<std::string_view>& args, int defaultJobs) {
  ParallelOptions options;
  options.jobs = defaultJobs;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    std::string_view value;
    bool hasValue = false;
    if (arg == "-h" || arg == "--help") {
      options.help = true;
      continue;
    }
    if (arg == "-j" || arg == "--jobs") {
      if (i + 1 == args.size()) {
        options.error = Error(std::string(arg) + " needs a number of jobs");
        return options;
      }
      value = args[++i];
      hasValue = true;
    } else if (arg.starts_with("--jobs=")) {
      value = arg.substr(7);
      hasValue = true;
    } else if (arg.starts_with("-j")) {
      value = arg.substr(2);
      hasValue = true;
    }
    if (!hasValue) {
      options.error =
          Error(arg.starts_with("-") ? "unknown option '" + std::string(arg) + "'"
                                     : "unexpected argument '" + std::string(arg) + "'");
      return options;
    }
    options.jobs = ParseJobs(value);
    if (options.jobs == 0) {
      options.error = Error("the number of jobs must be a whole number from 1 to " +
                            std::to_string(kMaxJobs) + ", not '" + std::string(value) + "'");
      return options;
    }
  }
  return options;
}

std::string ParallelUsage() {
  return "Usage: cubepack-parallel [-j N | --jobs N]\n"
         "Counts every packing of the twelve pieces into the 5 x 4 x 3 box on N threads and\n"
         "prints exactly what cubepack prints; only the times and rates differ.\n"
         "\n"
         "  -j N, --jobs N  worker threads, 1 to " +
         std::to_string(kMaxJobs) + " (default: the hardware threads, here " +
         std::to_string(HardwareJobs()) +
         ")\n"
         "  -h, --help      show this help and exit\n";
}

int HardwareJobs() {
  const unsigned n = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(n, 1u, static_cast<unsigned>(kMaxJobs)));
}

}  // namespace cubepack
