#include "solver/parallel_search.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cassert>
#include <condition_variable>
#include <cstdint>
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

// Sleeping until another thread has made `ready` true. A mutex and a condition variable, not
// an atomic's wait: where the library has no futex (MinGW's), that wait checks the value
// outside its lock and can miss the notification that follows, and the run hung.
class Wakeup {
 public:
  // After whatever makes the condition true.
  void Notify() {
    { const std::lock_guard<std::mutex> hold(lock_); }
    woken_.notify_all();
  }
  template <class Ready>
  void WaitUntil(Ready ready) {
    if (ready()) return;
    std::unique_lock<std::mutex> hold(lock_);
    woken_.wait(hold, ready);
  }

 private:
  std::mutex lock_;
  std::condition_variable woken_;
};

// The tasks as the recording hands them over, each with its slot. Only the recording thread
// appends; a worker reads a task only after taking it from the TaskQueue, under the lock that
// the append was published under, and chunks never move, so reading needs no lock.
class TaskStore {
 public:
  struct Entry {
    SubtreeTask task;
    TaskSlot slot;
  };

  Entry& operator[](std::size_t i) { return chunks_[i / kChunk][i % kChunk]; }
  std::size_t size() const { return size_; }  // the recording thread's view

  void Append(const SubtreeTask& task) {
    if (size_ % kChunk == 0) {
      if (size_ / kChunk == kMaxChunks)
        throw std::length_error("more three-piece boards than the task store holds");
      chunks_[size_ / kChunk] = std::make_unique<Entry[]>(kChunk);
    }
    (*this)[size_].task = task;
    ++size_;
  }

 private:
  // Small chunks, so the first tasks are out quickly; room for far more boards than the box has.
  static constexpr std::size_t kChunk = 256;
  static constexpr std::size_t kMaxChunks = 1024;
  std::array<std::unique_ptr<Entry[]>, kMaxChunks> chunks_;
  std::size_t size_ = 0;
};

// Hands the tasks out in search order as they are recorded. A worker that finds none ready
// sleeps until the next is published (each publication wakes one sleeper), the recording ends,
// or the run stops.
class TaskQueue {
 public:
  void Publish(std::size_t count) {
    bool sleeper = false;
    {
      const std::lock_guard<std::mutex> hold(lock_);
      published_ = count;
      sleeper = sleeping_ > 0;
    }
    if (sleeper) ready_.notify_one();
  }
  void Close() {
    {
      const std::lock_guard<std::mutex> hold(lock_);
      closed_ = true;
    }
    ready_.notify_all();
  }
  // After `stop` is set: every sleeper looks at it.
  void WakeAll() {
    { const std::lock_guard<std::mutex> hold(lock_); }
    ready_.notify_all();
  }
  // The next task; none once the recording has ended and every task is handed out, or `stop`
  // is set.
  bool Take(const std::atomic<bool>& stop, std::size_t& task) {
    std::unique_lock<std::mutex> hold(lock_);
    while (next_ == published_ && !closed_ && !stop.load(std::memory_order_relaxed)) {
      ++sleeping_;
      ready_.wait(hold);
      --sleeping_;
    }
    if (next_ == published_ || stop.load(std::memory_order_relaxed)) return false;
    task = next_++;
    return true;
  }

 private:
  std::mutex lock_;
  std::condition_variable ready_;
  std::size_t published_ = 0;
  std::size_t next_ = 0;
  int sleeping_ = 0;
  bool closed_ = false;
};

// What the workers share with the replaying thread besides the tasks: the queue they take them
// from, the stop flag, the first failure, and a wake-up at every finished or failed task so the
// replaying thread can wait for either.
struct WorkerShared {
  TaskQueue queue;
  std::atomic<bool> stop{false};
  std::atomic<bool> failed{false};
  Wakeup taskEnded;
  std::mutex errorLock;
  std::exception_ptr error;

  void Signal() { taskEnded.Notify(); }
  void Stop() {
    stop.store(true, std::memory_order_relaxed);
    queue.WakeAll();
  }
  void Fail(std::exception_ptr e) {
    {
      const std::lock_guard<std::mutex> lock(errorLock);
      if (!error) error = std::move(e);
    }
    Stop();
    failed.store(true, std::memory_order_release);
    Signal();
  }
  [[noreturn]] void Rethrow() {
    const std::lock_guard<std::mutex> lock(errorLock);
    std::rethrow_exception(error);
  }
};

// A running task's units, open to the other workers once the queue has handed out every
// task: without this, the run would end with the last few large tasks each on one thread.
// Each worker owns one and publishes its current task in `claim`; any worker takes unit
// `next` by moving `next` on, runs it with its own state and candidate lists (made for the
// task's board), writes its counts and then moves `finished` on.
struct alignas(64) TaskShare {
  // (task + 1) << 32 | unit count << 16 | next unit; the task part tells a helper that the
  // units it made lists for are still the ones handed out. 0: nothing shared.
  std::atomic<std::uint64_t> claim{0};
  std::atomic<int> finished{0};
  Wakeup helped;  // the owner sleeps here for units others still run
  std::array<TraceSpan, kMaxSubtreeUnits> counts{};
  std::array<std::vector<PieceCells>, kMaxSubtreeUnits> packings;  // when listing
};

constexpr std::uint64_t Claim(std::size_t task, int unitCount) {
  return (std::uint64_t{task + 1} << 32) | (static_cast<std::uint64_t>(unitCount) << 16);
}
constexpr std::size_t ClaimedTask(std::uint64_t claim) { return (claim >> 32) - 1; }
constexpr int ClaimedUnits(std::uint64_t claim) { return static_cast<int>((claim >> 16) & 0xFFFF); }
constexpr int NextUnit(std::uint64_t claim) { return static_cast<int>(claim & 0xFFFF); }
constexpr int UnitsLeft(std::uint64_t claim) {
  return claim == 0 ? 0 : std::max(ClaimedUnits(claim) - NextUnit(claim), 0);
}
static_assert(kMaxSubtreeUnits < 0x8000, "the next unit may pass the count; both need room");

// The worker threads. Leaving the scope early (a failed write, a failed worker, a failed
// recording) stops them after their current task; the flag is set, and sleepers woken, before
// the member threads are joined.
struct WorkerGroup {
  WorkerShared& shared;
  std::vector<std::jthread> threads;
  ~WorkerGroup() { shared.Stop(); }
};

}  // namespace

std::unique_ptr<SearchState> MakeWorkerState(const SearchState& parent, SearchReport& silent,
                                             int /*worker*/) {
  auto state = std::make_unique<SearchState>(parent.catalogue, silent);
  state->deepKernel = parent.deepKernel;
  return state;
}

namespace {

// One run of a script: the tasks and their slots, what the workers share, and the two sides
// of the work. It is fed the tasks as they are recorded.
class ScriptRun final : public TaskFeed {
 public:
  ScriptRun(SearchState& s, const WorkerStateMaker& makeState, std::size_t workerCount)
      : s_(s),
        makeState_(makeState),
        workerCount_(workerCount),
        shares_(std::make_unique<TaskShare[]>(workerCount)) {}

  void Recorded(const SubtreeTask& task, std::uint32_t index) override {
    assert(index == tasks_.size());
    (void)index;
    tasks_.Append(task);
    shared_.queue.Publish(tasks_.size());
  }
  void RecordingEnded() { shared_.queue.Close(); }
  std::size_t TaskCount() const { return tasks_.size(); }  // the recording thread's view

  // A worker's loop. Any exception, out of memory included, ends this worker and stops the
  // others; it must not leave the thread, where nothing could catch it.
  void Work(int worker) {
    try {
      SilentReport silent;
      const std::unique_ptr<SearchState> state = makeState_(s_, silent, worker);
      Worker me{*state, {}, {}, shares_[static_cast<std::size_t>(worker)]};
      if (s_.packingSink != nullptr) state->packingSink = &me.collector;
      // Tasks are taken in search order, so the replay rarely waits.
      for (std::size_t i = 0; shared_.queue.Take(shared_.stop, i);) RunTask(me, i);
      Help(me);
    } catch (...) {
      shared_.Fail(std::current_exception());
    }
  }

  // Task i's trace once it is known; when listing, its packings go to the sink first.
  // Called once the recording has ended.
  const SubtreeTrace& TraceOf(std::uint32_t i) {
    TaskSlot& slot = tasks_[i].slot;
    shared_.taskEnded.WaitUntil([&] {
      return slot.done.load(std::memory_order_acquire) ||
             shared_.failed.load(std::memory_order_acquire);
    });
    if (!slot.done.load(std::memory_order_acquire)) shared_.Rethrow();
    if (s_.packingSink != nullptr) {
      for (const PieceCells& packing : slot.packings) s_.packingSink->Found(packing);
      std::vector<PieceCells>().swap(slot.packings);
      s_.packingSink->TaskDone(i + 1, tasks_.size());
    }
    return slot.trace;
  }

  WorkerShared& shared() { return shared_; }
  std::uint64_t sharedUnits() const { return sharedUnits_.load(std::memory_order_relaxed); }

 private:
  struct Worker {
    SearchState& state;
    SlotCollector collector;
    SubtreeUnits units;  // of the task whose candidate lists `state` holds
    TaskShare& share;    // where this worker publishes its own task
  };

  // Makes `me`'s candidate lists and units for task i.
  void Prepare(Worker& me, std::size_t i) {
    const SubtreeTask& task = tasks_[i].task;
    me.state.boardStack[2] = task.board;
    me.state.firstPieces = task.firstPieces;
    RefreshCandidates(s_.catalogue, me.state.boardStack[2], me.state.candidates);
    ListSubtreeUnits(me.state, me.units);
  }

  // Searches one unit of `share`'s task and hands its counts (and packings) over.
  static void RunUnit(Worker& me, TaskShare& share, int u) {
    me.collector.into = &share.packings[static_cast<std::size_t>(u)];
    share.counts[static_cast<std::size_t>(u)] = SearchSubtreeUnit(me.state, me.units, u);
    share.finished.fetch_add(1, std::memory_order_release);
  }

  // Task i: its units in order, as long as others take none, then its trace from every unit's
  // counts once those others are done.
  void RunTask(Worker& me, std::size_t i) {
    Prepare(me, i);
    TaskShare& share = me.share;
    const int count = me.units.count;
    share.finished.store(0, std::memory_order_relaxed);
    share.claim.store(Claim(i, count), std::memory_order_release);
    for (;;) {
      const int u = NextUnit(share.claim.fetch_add(1, std::memory_order_acq_rel));
      if (u >= count) break;
      RunUnit(me, share, u);
    }
    share.helped.WaitUntil([&] { return share.finished.load(std::memory_order_acquire) >= count; });
    share.claim.store(0, std::memory_order_relaxed);
    // A helper that failed counted its unit as finished without its counts.
    if (shared_.failed.load(std::memory_order_acquire)) return;

    TaskSlot& slot = tasks_[i].slot;
    StartTrace(slot.trace, me.units);
    for (int u = 0; u < count; ++u) {
      const auto k = static_cast<std::size_t>(u);
      AddToTrace(slot.trace, me.units.units[k], share.counts[k]);
      if (s_.packingSink == nullptr) continue;
      slot.packings.insert(slot.packings.end(), share.packings[k].begin(), share.packings[k].end());
      share.packings[k].clear();
    }
    slot.done.store(true, std::memory_order_release);
    shared_.Signal();
  }

  // Once every task is handed out: units of the running task with the most left, until no task
  // has any. The lists are made once per task helped.
  void Help(Worker& me) {
    std::size_t prepared = SIZE_MAX;
    while (!shared_.stop.load(std::memory_order_relaxed)) {
      TaskShare* best = nullptr;
      std::uint64_t bestClaim = 0;
      for (std::size_t w = 0; w < workerCount_; ++w) {
        const std::uint64_t claim = shares_[w].claim.load(std::memory_order_relaxed);
        if (UnitsLeft(claim) > UnitsLeft(bestClaim)) {
          best = &shares_[w];
          bestClaim = claim;
        }
      }
      if (best == nullptr) return;
      const std::size_t task = ClaimedTask(bestClaim);
      if (task != prepared) {
        Prepare(me, task);
        prepared = task;
      }
      std::uint64_t claim = best->claim.load(std::memory_order_acquire);
      while (claim != 0 && ClaimedTask(claim) == task && UnitsLeft(claim) > 0 &&
             !shared_.stop.load(std::memory_order_relaxed)) {
        if (!best->claim.compare_exchange_weak(claim, claim + 1, std::memory_order_acq_rel,
                                               std::memory_order_acquire))
          continue;
        HelpWith(me, *best, NextUnit(claim));
        claim = best->claim.load(std::memory_order_acquire);
      }
    }
  }

  // A unit of another worker's task; that worker waits for it, so it is counted as finished
  // whatever happens, and a failure reaches the run before the owner wakes.
  void HelpWith(Worker& me, TaskShare& share, int u) {
    sharedUnits_.fetch_add(1, std::memory_order_relaxed);
    try {
      RunUnit(me, share, u);
    } catch (...) {
      shared_.Fail(std::current_exception());
      share.finished.fetch_add(1, std::memory_order_release);
      share.helped.Notify();
      throw;
    }
    share.helped.Notify();
  }

  SearchState& s_;
  const WorkerStateMaker& makeState_;
  TaskStore tasks_;
  std::size_t workerCount_;
  std::unique_ptr<TaskShare[]> shares_;
  WorkerShared shared_;
  std::atomic<std::uint64_t> sharedUnits_{0};
};

}  // namespace

namespace {

// Starts `workerCount` workers, which make their states and then search the tasks as `record`
// hands them over; replays the script once it is recorded.
RunStats Run(SearchState& s, std::size_t workerCount, const ScriptRecording& record,
             const WorkerStateMaker& makeState) {
  ScriptRun run(s, makeState, workerCount);
  WorkerGroup workers{run.shared(), {}};
  workers.threads.reserve(workerCount);
  try {
    for (std::size_t j = 0; j < workerCount; ++j)
      workers.threads.emplace_back([&run](int worker) { run.Work(worker); }, static_cast<int>(j));
  } catch (const std::system_error& e) {
    throw std::runtime_error(std::string("cannot start worker threads: ") + e.what());
  }
  const SearchScript& script = record(run);
  run.RecordingEnded();
  if (run.TaskCount() != script.tasks.size())
    throw std::logic_error("the recording handed over " + std::to_string(run.TaskCount()) +
                           " of the script's " + std::to_string(script.tasks.size()) + " tasks");
  ReplayScript(s, script,
               [&run](std::uint32_t i) -> const SubtreeTrace& { return run.TraceOf(i); });
  // A worker that failed after the others had done every task fails the run all the same.
  workers.threads.clear();
  if (run.shared().failed.load(std::memory_order_acquire)) run.shared().Rethrow();
  return {run.sharedUnits()};
}

}  // namespace

RunStats RunScript(SearchState& s, const SearchScript& script, int jobs,
                   const WorkerStateMaker& makeState) {
  const std::size_t workerCount = std::min<std::size_t>(std::max(jobs, 1), script.tasks.size());
  return Run(
      s, workerCount,
      [&script](TaskFeed& feed) -> const SearchScript& {
        for (std::size_t i = 0; i < script.tasks.size(); ++i)
          feed.Recorded(script.tasks[i], static_cast<std::uint32_t>(i));
        return script;
      },
      makeState);
}

RunStats RunRecording(SearchState& s, int jobs, const ScriptRecording& record,
                      const WorkerStateMaker& makeState) {
  return Run(s, static_cast<std::size_t>(std::max(jobs, 1)), record, makeState);
}

void SearchSeedsParallel(SearchState& s, const Board& emptyBox, int jobs) {
  SearchScript script;
  RunRecording(s, jobs, [&](TaskFeed& feed) -> const SearchScript& {
    script = RecordScript(s.catalogue, emptyBox, &feed);
    return script;
  });
}

}  // namespace cubepack
