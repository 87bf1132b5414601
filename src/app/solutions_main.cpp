// cubepack-solutions: writes, draws and checks the packings themselves, one line each.

#include <cstdio>
#include <exception>
#include <new>
#include <string_view>
#include <vector>

#include "app/puzzle_count.h"
#include "app/puzzle_listing.h"
#include "app/solution_show.h"
#include "app/solution_verify.h"
#include "app/solutions_list.h"
#include "shared/command_line.h"
#include "shared/platform.h"
#include "shared/solutions_command_line.h"

namespace {

int Run(const cubepack::SolutionsOptions& options) {
  using cubepack::SolutionsCommand;
  const bool puzzle = !options.puzzle.empty();
  switch (options.command) {
    case SolutionsCommand::kList:
      return puzzle ? cubepack::RunPuzzleList(options) : cubepack::RunList(options.jobs);
    case SolutionsCommand::kShow:
      return puzzle ? cubepack::RunPuzzleShow(options) : cubepack::RunShow(options);
    case SolutionsCommand::kVerify:
      return puzzle ? cubepack::RunPuzzleVerify(options) : cubepack::RunVerify(options.file);
    case SolutionsCommand::kCount:
      return cubepack::RunCount(options);
    case SolutionsCommand::kMerge:
      return cubepack::RunMerge(options);
    case SolutionsCommand::kHelp:
      break;
  }
  return cubepack::WriteOut("cubepack-solutions", cubepack::SolutionsUsage());
}

}  // namespace

int main(int argc, char** argv) {
  const cubepack::SolutionsOptions options =
      cubepack::ParseSolutionsOptions(cubepack::Arguments(argc, argv), cubepack::HardwareJobs());
  if (!options.error.empty()) return cubepack::UsageFailure(options.error);
  try {
    return Run(options);
  } catch (const std::bad_alloc&) {
    std::fputs("cubepack-solutions: out of memory\n", stderr);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "cubepack-solutions: %s\n", e.what());
  }
  return 1;
}
