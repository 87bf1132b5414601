#include "solver/parallel_search.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <string>
#include <system_error>
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

// What the workers share with the replaying thread besides the slots: the next task to take,
// the stop flag, the first failure, and a counter that moves at every finished or failed task
// so the replaying thread can wait for either.
struct WorkerShared {
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  std::atomic<bool> failed{false};
  std::atomic<std::uint32_t> events{0};
  std::mutex errorLock;
  std::exception_ptr error;

  void Signal() {
    events.fetch_add(1, std::memory_order_release);
    events.notify_all();
  }
  void Fail(std::exception_ptr e) {
    {
      const std::lock_guard<std::mutex> lock(errorLock);
      if (!error) error = std::move(e);
    }
    stop.store(true, std::memory_order_relaxed);
    failed.store(true, std::memory_order_release);
    Signal();
  }
  [[noreturn]] void Rethrow() {
    const std::lock_guard<std::mutex> lock(errorLock);
    std::rethrow_exception(error);
  }
};

// The worker threads. Leaving the scope early (a failed write, a failed worker) stops them
// after their current task; the flag is set before the member threads are joined.
struct WorkerGroup {
  std::atomic<bool>& stop;
  std::vector<std::jthread> threads;
  ~WorkerGroup() { stop.store(true, std::memory_order_relaxed); }
};

}  // namespace

std::unique_ptr<SearchState> MakeWorkerState(const SearchState& parent, SearchReport& silent,
                                             int /*worker*/) {
  auto state = std::make_unique<SearchState>(parent.catalogue, silent);
  state->deepKernel = parent.deepKernel;
  return state;
}

void RunScript(SearchState& s, const SearchScript& script, int jobs,
               const WorkerStateMaker& makeState) {
  const std::size_t taskCount = script.tasks.size();
  const auto slots = std::make_unique<TaskSlot[]>(taskCount);
  WorkerShared shared;

  // Any exception, out of memory included, ends this worker and stops the others; it must not
  // leave the thread, where nothing could catch it.
  auto work = [&](int worker) {
    try {
      SilentReport silent;
      const std::unique_ptr<SearchState> state = makeState(s, silent, worker);
      // Tasks are taken in search order, so the replay rarely waits.
      while (!shared.stop.load(std::memory_order_relaxed)) {
        const std::size_t i = shared.next.fetch_add(1, std::memory_order_relaxed);
        if (i >= taskCount) break;
        state->boardStack[2] = script.tasks[i].board;
        SearchDepth3Traced(*state, slots[i].trace);
        slots[i].done.store(true, std::memory_order_release);
        shared.Signal();
      }
    } catch (...) {
      shared.Fail(std::current_exception());
    }
  };

  const std::size_t workerCount = std::min<std::size_t>(std::max(jobs, 1), taskCount);
  WorkerGroup workers{shared.stop, {}};
  workers.threads.reserve(workerCount);
  try {
    for (std::size_t j = 0; j < workerCount; ++j)
      workers.threads.emplace_back(work, static_cast<int>(j));
  } catch (const std::system_error& e) {
    throw std::runtime_error(std::string("cannot start worker threads: ") + e.what());
  }

  ReplayScript(s, script, [&](std::uint32_t i) -> const SubtreeTrace& {
    for (;;) {
      const std::uint32_t seen = shared.events.load(std::memory_order_acquire);
      if (slots[i].done.load(std::memory_order_acquire)) return slots[i].trace;
      if (shared.failed.load(std::memory_order_acquire)) shared.Rethrow();
      shared.events.wait(seen, std::memory_order_acquire);
    }
  });
  // A worker that failed after the others had done every task fails the run all the same.
  workers.threads.clear();
  if (shared.failed.load(std::memory_order_acquire)) shared.Rethrow();
}

void SearchSeedsParallel(SearchState& s, const Board& emptyBox, int jobs) {
  const SearchScript script = RecordScript(s.catalogue, emptyBox);
  RunScript(s, script, jobs);
}

}  // namespace cubepack
