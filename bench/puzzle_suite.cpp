// The count over a suite of puzzle files on one thread: per puzzle its counts (the signature)
// and the CPU seconds, the median of --runs runs.
//
// usage: cubepack_puzzle_bench [--runs N] [--mirror] [--memory BYTES] FILE...
//
// The memo of sub-boards has 1 GiB unless --memory says otherwise (0: none), so that its
// puzzles are counted as the program counts them.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "general/input/puzzle_file.h"
#include "general/solver/polycube_count.h"
#include "shared/big_count.h"

// The benchmark names the engines' parts as cubepack::Name.
namespace cubepack {
using namespace general;
}  // namespace cubepack

namespace {

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

}  // namespace

int main(int argc, char** argv) {
  int runs = 1;
  bool mirror = false;
  std::size_t memory = std::size_t{1} << 30;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--memory" && i + 1 < argc) {
      memory = static_cast<std::size_t>(std::strtoull(argv[++i], nullptr, 10));
    } else if (arg == "--mirror") {
      mirror = true;
    } else {
      files.push_back(arg);
    }
  }
  if (files.empty()) {
    std::fputs("usage: cubepack_puzzle_bench [--runs N] [--mirror] [--memory BYTES] FILE...\n",
               stderr);
    return 2;
  }
  for (const std::string& file : files) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const cubepack::general::PuzzleParse parse = cubepack::general::ParsePuzzle(text.str());
    if (!in || !parse.error.empty()) {
      std::fprintf(stderr, "cubepack_puzzle_bench: %s: %s\n", file.c_str(),
                   parse.error.empty() ? "cannot read" : parse.error.c_str());
      return 1;
    }
    std::vector<double> seconds;
    cubepack::BigCount fixed = 0, classes = 0;
    for (int r = 0; r < runs; ++r) {
      const double start = CpuSeconds();
      const cubepack::general::PuzzleBuild build =
          cubepack::general::BuildForCount(parse.puzzle, mirror);
      if (!build.error.empty()) {
        std::fprintf(stderr, "cubepack_puzzle_bench: %s: %s\n", file.c_str(), build.error.c_str());
        return 1;
      }
      cubepack::general::TaskLimits limits = cubepack::general::kPuzzleTasks;
      limits.memoBytes = memory;
      const cubepack::general::CountSums sums =
          cubepack::general::CountPackings(build.puzzle, 1, 0, 1, nullptr, limits);
      std::string error;
      if (!cubepack::general::FinishCount(sums, cubepack::general::SymmetryCount(build.puzzle),
                                          fixed, classes, error)) {
        std::fprintf(stderr, "cubepack_puzzle_bench: %s: %s\n", file.c_str(), error.c_str());
        return 1;
      }
      seconds.push_back(CpuSeconds() - start);
    }
    std::sort(seconds.begin(), seconds.end());
    const std::string name = file.substr(file.find_last_of('/') + 1);
    std::printf("%-26s %10s classes %10s fixed %9.3f s CPU (median of %d)\n", name.c_str(),
                cubepack::CountText(classes).c_str(), cubepack::CountText(fixed).c_str(),
                seconds[seconds.size() / 2], runs);
    std::fflush(stdout);
  }
  return 0;
}
