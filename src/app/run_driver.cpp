#include "app/run_driver.h"

#include "app/console_report.h"
#include "model/board.h"
#include "model/catalogue.h"
#include "solver/search.h"

namespace cubepack {

std::int32_t RunCubepack(TickSource& clock, OutputSink& out) {
  const std::uint32_t startTick = clock.GetTickCount();
  ConsoleReport report(clock, out, startTick);
  out.Write(StartLine());

  const auto catalogue = BuildCatalogue(report);
  const auto state = std::make_unique<SearchState>(*catalogue, report);
  for (Board& b : state->boardStack) {
    ClearBoard(b);
    ComputeMask(b);
  }
  state->solutionCount = 0;

  const Board emptyBox = MakeEmptyBox();
  SearchSeeds(*state, emptyBox);

  report.RunDone(state->solutionCount);
  return state->solutionCount;
}

}  // namespace cubepack
