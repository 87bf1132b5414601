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

// One task's result; `done` is set once the trace (and, when listing, the packings) is written
// and never cleared.
struct TaskSlot {
  SubtreeTrace trace;
  std::vector<PieceCells> packings;
  std::atomic<bool> done{false};
};

// A worker's packings go into the slot of its current task.
class SlotCollector final : public PackingSink {
 public:
  void Found(const PieceCells& packing) override { into->push_back(packing); }
  std::vector<PieceCells>* into = nullptr;
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

namespace {

// One run of a script: the slots, what the workers share, and the two sides of the work.
class ScriptRun {
 public:
  ScriptRun(SearchState& s, const SearchScript& script, const WorkerStateMaker& makeState)
      : s_(s),
        script_(script),
        makeState_(makeState),
        slots_(std::make_unique<TaskSlot[]>(script.tasks.size())) {}

  // A worker's loop. Any exception, out of memory included, ends this worker and stops the
  // others; it must not leave the thread, where nothing could catch it.
  void Work(int worker) {
    try {
      SilentReport silent;
      const std::unique_ptr<SearchState> state = makeState_(s_, silent, worker);
      SlotCollector collector;
      if (s_.packingSink != nullptr) state->packingSink = &collector;
      // Tasks are taken in search order, so the replay rarely waits.
      while (!shared_.stop.load(std::memory_order_relaxed)) {
        const std::size_t i = shared_.next.fetch_add(1, std::memory_order_relaxed);
        if (i >= script_.tasks.size()) break;
        state->boardStack[2] = script_.tasks[i].board;
        state->firstPieces = script_.tasks[i].firstPieces;
        collector.into = &slots_[i].packings;
        SearchDepth3Traced(*state, slots_[i].trace);
        slots_[i].done.store(true, std::memory_order_release);
        shared_.Signal();
      }
    } catch (...) {
      shared_.Fail(std::current_exception());
    }
  }

  // Task i's trace once it is known; when listing, its packings go to the sink first.
  const SubtreeTrace& TraceOf(std::uint32_t i) {
    for (;;) {
      const std::uint32_t seen = shared_.events.load(std::memory_order_acquire);
      if (slots_[i].done.load(std::memory_order_acquire)) break;
      if (shared_.failed.load(std::memory_order_acquire)) shared_.Rethrow();
      shared_.events.wait(seen, std::memory_order_acquire);
    }
    if (s_.packingSink != nullptr) {
      for (const PieceCells& packing : slots_[i].packings) s_.packingSink->Found(packing);
      std::vector<PieceCells>().swap(slots_[i].packings);
      s_.packingSink->TaskDone(i + 1, script_.tasks.size());
    }
    return slots_[i].trace;
  }

  WorkerShared& shared() { return shared_; }

 private:
  SearchState& s_;
  const SearchScript& script_;
  const WorkerStateMaker& makeState_;
  std::unique_ptr<TaskSlot[]> slots_;
  WorkerShared shared_;
};

}  // namespace

void RunScript(SearchState& s, const SearchScript& script, int jobs,
               const WorkerStateMaker& makeState) {
  ScriptRun run(s, script, makeState);
  const std::size_t workerCount = std::min<std::size_t>(std::max(jobs, 1), script.tasks.size());
  WorkerGroup workers{run.shared().stop, {}};
  workers.threads.reserve(workerCount);
  try {
    for (std::size_t j = 0; j < workerCount; ++j)
      workers.threads.emplace_back([&run](int worker) { run.Work(worker); }, static_cast<int>(j));
  } catch (const std::system_error& e) {
    throw std::runtime_error(std::string("cannot start worker threads: ") + e.what());
  }
  ReplayScript(s, script,
               [&run](std::uint32_t i) -> const SubtreeTrace& { return run.TraceOf(i); });
  // A worker that failed after the others had done every task fails the run all the same.
  workers.threads.clear();
  if (run.shared().failed.load(std::memory_order_acquire)) run.shared().Rethrow();
}

void SearchSeedsParallel(SearchState& s, const Board& emptyBox, int jobs) {
  const SearchScript script = RecordScript(s.catalogue, emptyBox);
  RunScript(s, script, jobs);
}

}  // namespace cubepack
