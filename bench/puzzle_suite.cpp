// The count over a suite of puzzle files on one thread: per puzzle its counts (the signature)
// and the CPU seconds, the median of --runs runs. With --disassemble, every class listed and
// its assembly taken apart instead: the classes, how many come apart, the states the searches
// met, and the CPU seconds of listing and disassembly together.
//
// usage: cubepack_puzzle_bench [--runs N] [--mirror] [--memory BYTES] [--disassemble] FILE...
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
#include "general/model/puzzle_line.h"
#include "general/solver/disassembly.h"
#include "general/solver/line_assembly.h"
#include "general/solver/polycube_count.h"
#include "general/solver/polycube_list.h"
#include "shared/big_count.h"

// The benchmark names the engines' parts as cubepack::Name.
namespace cubepack {
using namespace general;
}  // namespace cubepack

namespace {

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Each listed line's assembly taken apart on the listing's thread.
class Disassembled final : public cubepack::general::ListingSink {
 public:
  Disassembled(const cubepack::general::PuzzleText& text, const cubepack::general::PuzzleLine& line)
      : text_(text), line_(line) {}
  bool TaskLines(std::size_t, std::string_view lines, std::size_t count) override {
    classes += count;
    for (std::size_t at = 0; at < lines.size();) {
      const std::size_t end = lines.find('\n', at);
      const auto r = disassembler_.Run(
          cubepack::general::AssemblyOfLine(text_, line_, lines.substr(at, end - at)).input);
      solutions += r.solution;
      states += r.states;
      at = end + 1;
    }
    return true;
  }
  std::uint64_t classes = 0, solutions = 0, states = 0;

 private:
  const cubepack::general::PuzzleText& text_;
  const cubepack::general::PuzzleLine& line_;
  cubepack::general::Disassembler disassembler_;
};

struct DisassemblyCounts {
  std::uint64_t classes = 0, solutions = 0, states = 0;
};

// The listing and the disassembly of every class, once; false after a line on standard error.
bool RunDisassembly(const std::string& file, const cubepack::general::PuzzleText& text, bool mirror,
                    DisassemblyCounts& out) {
  const cubepack::general::PuzzleBuild build = cubepack::general::BuildForCount(text, mirror);
  const cubepack::general::PuzzleLineBuild line =
      cubepack::general::MakePuzzleLine(text, build.puzzle);
  if (!build.error.empty() || !line.error.empty()) {
    std::fprintf(stderr, "cubepack_puzzle_bench: %s: %s\n", file.c_str(),
                 (build.error + line.error).c_str());
    return false;
  }
  const cubepack::general::PuzzleLister lister(build.puzzle, line.format);
  Disassembled sink(text, line.format);
  lister.List(0, lister.Tasks(), 1, sink);
  out = {sink.classes, sink.solutions, sink.states};
  return true;
}

// The listing and disassembly of every class, --runs times: one line, or false after a fault.
bool BenchDisassembly(const std::string& file, const std::string& name,
                      const cubepack::general::PuzzleText& text, int runs, bool mirror) {
  std::vector<double> seconds;
  DisassemblyCounts last;
  for (int r = 0; r < runs; ++r) {
    const double start = CpuSeconds();
    if (!RunDisassembly(file, text, mirror, last)) return false;
    seconds.push_back(CpuSeconds() - start);
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf("%-26s %8llu classes %8llu come apart %10llu states %9.3f s CPU (median of %d)\n",
              name.c_str(), static_cast<unsigned long long>(last.classes),
              static_cast<unsigned long long>(last.solutions),
              static_cast<unsigned long long>(last.states), seconds[seconds.size() / 2], runs);
  std::fflush(stdout);
  return true;
}

// The count, --runs times: one line, or false after a fault.
bool BenchCount(const std::string& file, const std::string& name,
                const cubepack::general::PuzzleText& text, int runs, bool mirror,
                std::size_t memory) {
  std::vector<double> seconds;
  cubepack::BigCount fixed = 0, classes = 0;
  for (int r = 0; r < runs; ++r) {
    const double start = CpuSeconds();
    const cubepack::general::PuzzleBuild build = cubepack::general::BuildForCount(text, mirror);
    if (!build.error.empty()) {
      std::fprintf(stderr, "cubepack_puzzle_bench: %s: %s\n", file.c_str(), build.error.c_str());
      return false;
    }
    cubepack::general::TaskLimits limits = cubepack::general::kPuzzleTasks;
    limits.memoBytes = memory;
    const cubepack::general::CountSums sums =
        cubepack::general::CountPackings(build.puzzle, 1, 0, 1, nullptr, limits);
    std::string error;
    if (!cubepack::general::FinishCount(sums, cubepack::general::SymmetryCount(build.puzzle), fixed,
                                        classes, error)) {
      std::fprintf(stderr, "cubepack_puzzle_bench: %s: %s\n", file.c_str(), error.c_str());
      return false;
    }
    seconds.push_back(CpuSeconds() - start);
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf("%-26s %10s classes %10s fixed %9.3f s CPU (median of %d)\n", name.c_str(),
              cubepack::CountText(classes).c_str(), cubepack::CountText(fixed).c_str(),
              seconds[seconds.size() / 2], runs);
  std::fflush(stdout);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 1;
  bool mirror = false, disassemble = false;
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
    } else if (arg == "--disassemble") {
      disassemble = true;
    } else {
      files.push_back(arg);
    }
  }
  if (files.empty()) {
    std::fputs(
        "usage: cubepack_puzzle_bench [--runs N] [--mirror] [--memory BYTES] [--disassemble] "
        "FILE...\n",
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
    const std::string name = file.substr(file.find_last_of('/') + 1);
    const bool done = disassemble ? BenchDisassembly(file, name, parse.puzzle, runs, mirror)
                                  : BenchCount(file, name, parse.puzzle, runs, mirror, memory);
    if (!done) return 1;
  }
  return 0;
}
