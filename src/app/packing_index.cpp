#include "app/packing_index.h"

#include <cstdio>
#include <limits>
#include <memory>
#include <stdexcept>

#include "app/run_driver.h"
#include "builtin/model/board.h"
#include "builtin/model/catalogue.h"
#include "builtin/solver/parallel_runner.h"
#include "shared/command_line.h"
#include "shared/index_file.h"
#include "shared/platform.h"
#include "shared/progress.h"

namespace cubepack {

using namespace cubepack::builtin;

namespace {

// Keeps packing `wanted` (1-based) of those it is given.
class PackingPicker final : public PackingSink {
 public:
  explicit PackingPicker(std::int64_t wanted) : wanted_(wanted) {}
  void Found(const PieceCells& cells) override {
    if (++seen_ == wanted_) packing = PackingOfPieces(cells);
  }
  Packing packing{};

 private:
  std::int64_t wanted_;
  std::int64_t seen_ = 0;
};

// The listing's tasks and what searches below them.
struct Listing {
  Listing() {
    SilentCatalogueReport quiet;
    catalogue = BuildCatalogue(quiet);
    state = std::make_unique<SearchState>(*catalogue, report);
    state->deepKernel = DeepKernelFromEnvironment();
    script = RecordScript(*catalogue, MakeEmptyBox());
  }
  std::unique_ptr<PieceCatalogue> catalogue;
  SilentSearchReport report;
  std::unique_ptr<SearchState> state;
  SearchScript script;
};

// Counts the tasks after those in `counts` on all cores, in order, until their packings reach
// number n or the tasks end.
void CountOn(Listing& listing, std::int64_t n, std::vector<std::uint32_t>& counts) {
  std::int64_t total = 0;
  for (const std::uint32_t c : counts) total += c;
  const std::size_t taskCount = listing.script.tasks.size();
  ProgressLine progress;
  CountTasks(*listing.state, listing.script, counts.size(), HardwareJobs(),
             [&](std::size_t task, std::int64_t packings) {
               if (packings > std::numeric_limits<std::uint32_t>::max())
                 throw std::length_error("more packings below one board than the index holds");
               counts.push_back(static_cast<std::uint32_t>(packings));
               progress.Draw("building the packing index ... " +
                             progress.ShareAndTimeLeft(task + 1, taskCount));
               total += packings;
               return total < n;
             });
}

}  // namespace

std::uint64_t IndexKey(const SearchScript& script) {
  Fnv1a fnv = IndexKeyHash();
  fnv.Value(script.tasks.size(), 8);
  // What the listing below a task depends on: its board and its first three pieces.
  for (std::size_t i = 0; i < script.tasks.size(); ++i) {
    const SubtreeTask& task = script.tasks[i];
    fnv.Value(task.board.mask, 8);
    for (const std::uint8_t c : task.board.cells) fnv.Byte(c);
    for (const std::uint8_t p : task.board.placed) fnv.Byte(p);
    for (const PlacedPiece& p : task.firstPieces) {
      fnv.Value(static_cast<std::uint64_t>(p.piece), 1);
      fnv.Value(p.cells, 8);
    }
  }
  return fnv.value();
}

bool FindPacking(std::int64_t n, Packing& out) {
  Listing listing;
  const std::size_t taskCount = listing.script.tasks.size();
  const std::uint64_t key = IndexKey(listing.script);
  std::vector<std::uint32_t> counts = LoadIndex(key, taskCount);

  for (bool recounted = false;; recounted = true) {
    // 1. The task that holds packing n, counting on where the index stops short of it.
    std::int64_t before = 0;
    std::size_t task = TaskHolding(n, counts, before);
    if (task == counts.size() && counts.size() < taskCount) {
      CountOn(listing, n, counts);
      // Without a cache the packing is still shown: saving is only for the runs after.
      SaveIndex(key, taskCount, counts);
      task = TaskHolding(n, counts, before);
    }
    if (task == counts.size()) return false;

    // 2. Packing n - before of that task, which must hold as many as the index says.
    PackingPicker picker(n - before);
    if (ListTask(*listing.state, listing.script.tasks[task], picker) == counts[task]) {
      out = picker.packing;
      return true;
    }
    // An index the search disagrees with is counted anew, once.
    if (recounted) throw std::logic_error("the packing index disagrees with the listing");
    counts.clear();
  }
}

void SaveListedIndex(const std::vector<std::uint32_t>& counts) {
  try {
    const Listing listing;
    // A listing cut short, or of other tasks, has no index to give.
    if (counts.size() != listing.script.tasks.size()) return;
    SaveIndex(IndexKey(listing.script), counts.size(), counts);
  } catch (const std::exception&) {
    // Out of memory, say: the listing itself is written, which is what was asked.
  }
}

}  // namespace cubepack
