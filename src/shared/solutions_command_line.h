#pragma once
// The command line of cubepack-solutions: list [-j N], show N [--svg | --html], show - [--svg |
// --html],
// verify FILE, each also of a puzzle file (--puzzle FILE [--problem NAME] [--mirror], and list
// --shard K/N or --limit N, and --progress SECONDS); count --puzzle FILE [--problem NAME]
// [--mirror] [--json] [-j N] [--progress SECONDS] [--shard K/N | --limit N] [--journal FILE]
// [--memory SIZE];
// merge [--json] FILE...; and --help.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cubepack {

// --shard K/N takes N up to this; merge refuses a share of more.
inline constexpr int kMaxShardCount = 1000000;

enum class SolutionsCommand { kHelp, kList, kShow, kVerify, kCount, kMerge };

struct SolutionsOptions {
  SolutionsCommand command = SolutionsCommand::kHelp;
  int jobs = 1;                    // list, count
  std::int64_t packingNumber = 0;  // show: 1-based; 0 is "-", a line from standard input
  bool svg = false;                // show
  bool html = false;               // show: the 3-D page
  bool moves = false;              // show: the disassembly, move by move
  bool disassemble = false;        // list, count: whether each class comes apart, and its level
  bool solutionsOnly = false;      // list --disassemble: only the classes that come apart
  std::string file;                // verify: a path, or "-" for standard input
  std::string puzzle;   // the puzzle file; empty for the built-in puzzle (count needs one)
  bool mirror = false;  // with a puzzle file
  std::string problem;  // with a puzzle file: the problem of an .xmpuzzle file, empty for the first
  bool json = false;    // count, merge
  int shardIndex = 0;   // list and count of a puzzle file: share shardIndex + 1 of shardCount
  int shardCount = 0;   // 0 without --shard
  std::int64_t limit = 0;  // list, count of a puzzle file: stop after this many lines (classes)
  // count: bytes for the memo of sub-boards; 0 turns it off, -1 is the machine's default
  std::int64_t memory = -1;
  std::string journal;              // count: the file that keeps the finished tasks, empty for none
  double progress = 0;              // list, count: seconds between progress lines, 0 for none
  std::vector<std::string> shares;  // merge
  std::string error;  // one line for standard error when the arguments are bad, else empty
};

// `args` excludes the program name. `defaultJobs` is used by list and count without -j.
SolutionsOptions ParseSolutionsOptions(const std::vector<std::string_view>& args, int defaultJobs);

// The --help text, ending in "\n".
std::string SolutionsUsage();

// "K/N" with 1 <= K <= N <= kMaxShardCount, whole decimal numbers and nothing else: index K - 1
// and count N. False, touching nothing, for anything else.
bool ParseShard(std::string_view text, int& index, int& count);

// A size in bytes: whole decimal digits, optionally followed by K, M or G (times 1024, 1024^2,
// 1024^3), at most 2^50. -1 for anything else.
std::int64_t ParseByteSize(std::string_view text);

}  // namespace cubepack
