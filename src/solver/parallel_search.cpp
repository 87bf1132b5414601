#include "solver/parallel_search.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "solver/search.h"

namespace cubepack {

namespace {

// One task's result; `done` is set once the trace is written and never cleared.
struct TaskSlot {
  SubtreeTrace trace;
  std::atomic<bool> done{false};
};

// Workers never report: their depth 3 is traced, and the seed stage is not theirs.
class SilentReport final : public SearchReport {
 public:
  void SeedClassified(bool) override {}
  void Progress(std::int32_t, DepthMark, DepthMark, std::int32_t) override {}
  void SeedSearched(std::int32_t) override {}
};

// The worker threads. Leaving the scope early (a failed write) stops them after their current
// task; the flag is set before the member threads are joined.
struct WorkerGroup {
  std::atomic<bool>& stop;
  std::vector<std::jthread> threads;
  ~WorkerGroup() { stop.store(true, std::memory_order_relaxed); }
};

}  // namespace

void RunScript(SearchState& s, const SearchScript& script, int jobs) {
  const std::size_t taskCount = script.tasks.size();
  const auto slots = std::make_unique<TaskSlot[]>(taskCount);
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};

  auto work = [&] {
    SilentReport silent;
    const auto state = std::make_unique<SearchState>(s.catalogue, silent);
    // Tasks are taken in search order, so the replay rarely waits.
    while (!stop.load(std::memory_order_relaxed)) {
      const std::size_t i = next.fetch_add(1, std::memory_order_relaxed);
      if (i >= taskCount) break;
      state->boardStack[2] = script.tasks[i].board;
      SearchDepth3Traced(*state, slots[i].trace);
      slots[i].done.store(true, std::memory_order_release);
      slots[i].done.notify_one();
    }
  };

  WorkerGroup workers{stop, {}};
  for (int j = 0; j < std::max(jobs, 1); ++j) workers.threads.emplace_back(work);

  ReplayScript(s, script, [&](std::uint32_t i) -> const SubtreeTrace& {
    slots[i].done.wait(false, std::memory_order_acquire);
    return slots[i].trace;
  });
}

void SearchSeedsParallel(SearchState& s, const Board& emptyBox, int jobs) {
  const SearchScript script = RecordScript(s.catalogue, emptyBox);
  RunScript(s, script, jobs);
}

}  // namespace cubepack
