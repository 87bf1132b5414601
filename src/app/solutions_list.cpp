#include "app/solutions_list.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/packing_index.h"
#include "app/run_driver.h"
#include "builtin/model/board.h"
#include "builtin/model/catalogue.h"
#include "builtin/model/packing.h"
#include "builtin/solver/parallel_runner.h"
#include "builtin/solver/search.h"
#include "shared/command_line.h"
#include "shared/listing_output.h"
#include "shared/platform.h"

namespace cubepack {

using namespace cubepack::builtin;

namespace {

// Lists every packing on `jobs` worker threads (the order does not depend on them) to `sink`.
void ListAll(int jobs, PackingSink& sink) {
  SilentCatalogueReport quiet;
  const auto catalogue = BuildCatalogue(quiet);
  SilentSearchReport report;
  const auto state = std::make_unique<SearchState>(*catalogue, report);
  state->deepKernel = DeepKernelFromEnvironment();
  ListSeedsParallel(*state, MakeEmptyBox(), jobs, sink);
}

// Writes each packing as its line, and counts them per task: show's index, for free.
class LineWriter final : public PackingSink {
 public:
  void Found(const PieceCells& cells) override {
    output.Add(FormatPackingLine(PackingOfPieces(cells)), 1);
  }

  void TaskDone(std::size_t done, std::size_t total) override {
    taskCounts.push_back(static_cast<std::uint32_t>(output.count() - countBeforeTask_));
    countBeforeTask_ = output.count();
    output.Progress(done, total);
  }

  ListingOutput output;
  // The packings written for each task, in task order.
  std::vector<std::uint32_t> taskCounts;

 private:
  std::size_t countBeforeTask_ = 0;
};

}  // namespace

int RunList(int jobs) {
  try {
    LineWriter writer;
    ListAll(jobs, writer);
    writer.output.Finish();
    SaveListedIndex(writer.taskCounts);
    return 0;
  } catch (const OutputError&) {
    std::fputs("cubepack-solutions: cannot write to standard output\n", stderr);
  }
  return 1;
}

}  // namespace cubepack
