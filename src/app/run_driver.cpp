#include "app/run_driver.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <new>

#include "app/console_report.h"
#include "builtin/model/board.h"
#include "builtin/model/catalogue.h"
#include "builtin/solver/parallel_runner.h"
#include "builtin/solver/search.h"

namespace cubepack {

using namespace cubepack::builtin;

DeepKernelKind DeepKernelFromEnvironment() {
  const char* portable = std::getenv("CUBEPACK_PORTABLE");
  if (portable != nullptr && portable[0] == '1') return DeepKernelKind::kPortable;
  return BestDeepKernel();
}

namespace {

template <class Search>
std::int32_t Run(TickSource& clock, OutputSink& out, DeepKernelKind kernel, Search&& searchSeeds) {
  const std::uint32_t startTick = clock.GetTickCount();
  ConsoleReport report(clock, out, startTick);
  out.Write(StartLine());

  const auto catalogue = BuildCatalogue(report);
  const auto state = std::make_unique<SearchState>(*catalogue, report);
  state->deepKernel = kernel;
  for (Board& b : state->boardStack) {
    ClearBoard(b);
    ComputeMask(b);
  }
  state->solutionCount = 0;

  searchSeeds(*state, MakeEmptyBox());

  report.RunDone(state->solutionCount);
  return state->solutionCount;
}

}  // namespace

std::int32_t RunCubepack(TickSource& clock, OutputSink& out, DeepKernelKind kernel) {
  return Run(clock, out, kernel, [](SearchState& s, const Board& box) { SearchSeeds(s, box); });
}

std::int32_t RunCubepackParallel(TickSource& clock, OutputSink& out, int jobs,
                                 DeepKernelKind kernel) {
  return Run(clock, out, kernel,
             [jobs](SearchState& s, const Board& box) { SearchSeedsParallel(s, box, jobs); });
}

int RunOnStdout(const char* program, const std::function<void(TickSource&, OutputSink&)>& run) {
  try {
    SteadyTickSource clock;
    StdoutSink out;
    run(clock, out);
    if (!out.Finish()) throw OutputError();
    return 0;
  } catch (const OutputError&) {
    std::fprintf(stderr, "%s: cannot write to standard output\n", program);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "%s: out of memory\n", program);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", program, e.what());
  }
  return 1;
}

}  // namespace cubepack
