#pragma once
// The command line of cubepack-solutions: list [-j N], show N [--svg], show - [--svg],
// verify FILE, and --help.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cubepack {

enum class SolutionsCommand { kHelp, kList, kShow, kVerify };

struct SolutionsOptions {
  SolutionsCommand command = SolutionsCommand::kHelp;
  int jobs = 1;                    // list
  std::int64_t packingNumber = 0;  // show: 1-based; 0 is "-", a line from standard input
  bool svg = false;                // show
  std::string file;                // verify: a path, or "-" for standard input
  std::string error;  // one line for standard error when the arguments are bad, else empty
};

// `args` excludes the program name. `defaultJobs` is used by list without -j.
SolutionsOptions ParseSolutionsOptions(const std::vector<std::string_view>& args, int defaultJobs);

// The --help text, ending in "\n".
std::string SolutionsUsage();

}  // namespace cubepack
