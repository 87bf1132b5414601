#include "builtin/solver/parallel_runner.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "builtin/solver/search.h"
#include "builtin/solver/subtree_units.h"
#include "builtin/solver/task_store.h"
#include "builtin/solver/unit_sharing.h"
#include "builtin/solver/wakeup.h"

namespace cubepack::builtin {

namespace {

// How far the workers may run ahead of the listing's sink, in tasks per worker, plus a margin:
// enough that one long task (up to about 0.2 s against about 1.5 ms for the average one) does
// not starve the others, and little memory (a task holds about 25 packings of 96 bytes).
constexpr std::size_t kListingWindowPerWorker = 32;
constexpr std::size_t kListingWindowMargin = 64;

// One task's result; `done` is set once the trace (and, when listing, the packings) is written
// and never cleared.
struct TaskSlot {
  SubtreeTrace trace;
  std::vector<PieceCells> packings;
  std::atomic<bool> done{false};
};

// What the workers share with the replaying thread besides the tasks: the queue they take them
// from, the stop flag, the first failure, and a wake-up at every finished or failed task so the
// replaying thread can wait for either.
struct WorkerShared {
  explicit WorkerShared(std::size_t window) : queue(window) {}

  TaskQueue queue;
  std::atomic<bool> stop{false};
  std::atomic<bool> failed{false};
  Wakeup taskEnded;
  std::mutex errorLock;
  std::exception_ptr error;

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
    taskEnded.Notify();
  }
  [[noreturn]] void Rethrow() {
    const std::lock_guard<std::mutex> lock(errorLock);
    std::rethrow_exception(error);
  }
};

// The worker threads. Leaving the scope early (a failed write, a failed worker, a failed
// recording) stops them after their current task; the flag is set, and sleepers woken, before
// the member threads are joined.
struct WorkerGroup {
  WorkerShared& shared;
  std::vector<std::jthread> threads;
  ~WorkerGroup() { shared.Stop(); }
};

// A worker's packings go into the vector of the unit it runs.
class UnitCollector final : public PackingSink {
 public:
  void Found(const PieceCells& packing) override { into->push_back(packing); }
  std::vector<PieceCells>* into = nullptr;
};

// One run of a script: the tasks' results, what the workers share, and the two sides of the
// work. It is told of the tasks as they are recorded. `listTo` is null when only counting.
class ScriptRun final : public TaskFeed {
 public:
  ScriptRun(SearchState& s, const SearchScript& script, const WorkerStateMaker& makeState,
            std::size_t workerCount, PackingSink* listTo)
      : s_(s),
        script_(script),
        makeState_(makeState),
        workerCount_(workerCount),
        shares_(std::make_unique<TaskShare[]>(workerCount)),
        listTo_(listTo),
        shared_(listTo == nullptr ? 0
                                  : kListingWindowMargin + kListingWindowPerWorker * workerCount) {}

  void Recorded(std::uint32_t index) override {
    assert(index == slots_.size());
    slots_.Grow(std::size_t{index} + 1);
    shared_.queue.Publish(slots_.size());
  }
  // Checks that the script names only tasks that were handed over; the workers take no more.
  void RecordingEnded() {
    shared_.queue.Close();
    const std::size_t published = slots_.size();
    const bool named = std::all_of(script_.steps.begin(), script_.steps.end(), [&](auto& step) {
      return step.kind != ScriptStep::Kind::kSubtree || step.task < published;
    });
    if (script_.tasks.size() != published || !named)
      throw std::logic_error("the recording handed over " + std::to_string(published) +
                             " of the script's " + std::to_string(script_.tasks.size()) + " tasks");
  }

  // A worker's loop. Any exception, out of memory included, ends this worker and stops the
  // others; it must not leave the thread, where nothing could catch it.
  void Work(int worker) {
    try {
      // Workers never report: their depth 3 is traced, and the seed stage is not theirs.
      SilentSearchReport silent;
      const std::unique_ptr<SearchState> state = makeState_(s_, silent, worker);
      Worker me{*state, {}, {}, shares_[static_cast<std::size_t>(worker)], {}};
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
    TaskSlot& slot = slots_[i];
    shared_.taskEnded.WaitUntil([&] {
      return slot.done.load(std::memory_order_acquire) ||
             shared_.failed.load(std::memory_order_acquire);
    });
    if (!slot.done.load(std::memory_order_acquire)) shared_.Rethrow();
    if (listTo_ != nullptr) {
      for (const PieceCells& packing : slot.packings) listTo_->Found(packing);
      std::vector<PieceCells>().swap(slot.packings);
      shared_.queue.Consumed(std::size_t{i} + 1);
      listTo_->TaskDone(std::size_t{i} + 1, slots_.size());
    }
    return slot.trace;
  }

  WorkerShared& shared() { return shared_; }
  std::uint64_t sharedUnits() const { return sharedUnits_.load(std::memory_order_relaxed); }

 private:
  struct Worker {
    SearchState& state;
    UnitCollector collector;
    SubtreeUnits units;  // of the task whose candidate lists `state` holds
    TaskShare& share;    // where this worker opens its own task to the others
    std::array<PlacedPiece, 3> firstPieces;
  };

  // Makes `me`'s candidate lists and units for task i.
  void Prepare(Worker& me, std::size_t i) {
    const SubtreeTask& task = script_.tasks[i];
    me.firstPieces = task.firstPieces;
    PrepareTask(me.state, task, me.units);
  }

  // Searches one unit of `share`'s task and hands its counts (and packings) over.
  void RunUnit(Worker& me, TaskShare& share, int u) {
    const auto k = static_cast<std::size_t>(u);
    if (listTo_ == nullptr) {
      share.counts[k] = CountSubtreeUnit(me.state, me.units, u);
    } else {
      me.collector.into = &share.packings[k];
      share.counts[k] = ListSubtreeUnit(me.state, me.units, u, {me.collector, me.firstPieces});
    }
    share.Finished();
  }

  // Task i: its units in order, as long as others take none, then its trace from every unit's
  // counts once those others are done.
  void RunTask(Worker& me, std::size_t i) {
    Prepare(me, i);
    TaskShare& share = me.share;
    const int count = me.units.count;
    share.Open(i, count);
    for (int u; (u = share.TakeOwnUnit(count)) >= 0;) RunUnit(me, share, u);
    share.Close(count);
    // A helper that failed counted its unit as finished without its counts.
    if (shared_.failed.load(std::memory_order_acquire)) return;

    TaskSlot& slot = slots_[i];
    StartTrace(slot.trace, me.units);
    for (int u = 0; u < count; ++u) {
      const auto k = static_cast<std::size_t>(u);
      AddToTrace(slot.trace, me.units.units[k], share.counts[k]);
      if (listTo_ == nullptr) continue;
      slot.packings.insert(slot.packings.end(), share.packings[k].begin(), share.packings[k].end());
      share.packings[k].clear();
    }
    slot.done.store(true, std::memory_order_release);
    shared_.taskEnded.Notify();
  }

  // Once every task is handed out: units of the running task with the most left, until no task
  // has any. The lists are made once per task helped.
  void Help(Worker& me) {
    std::size_t prepared = SIZE_MAX;
    while (!shared_.stop.load(std::memory_order_relaxed)) {
      std::uint64_t claim = 0;
      TaskShare* const best = MostUnitsLeft(shares_.get(), workerCount_, claim);
      if (best == nullptr) return;
      const std::size_t task = ClaimedTask(claim);
      if (task != prepared) {
        Prepare(me, task);
        prepared = task;
      }
      for (int u = 0; !shared_.stop.load(std::memory_order_relaxed) && best->TakeUnitOf(task, u);)
        HelpWith(me, *best, u);
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
      share.Finished();
      share.helped.Notify();
      throw;
    }
    share.helped.Notify();
  }

  SearchState& s_;
  const SearchScript& script_;
  const WorkerStateMaker& makeState_;
  ChunkedStore<TaskSlot> slots_;  // one per task handed over, in step with the queue
  std::size_t workerCount_;
  std::unique_ptr<TaskShare[]> shares_;
  PackingSink* const listTo_;
  WorkerShared shared_;
  std::atomic<std::uint64_t> sharedUnits_{0};
};

// Takes the tasks' traces from a run, in task order.
using TraceConsumer = std::function<void(ScriptRun& run)>;

// Starts `workerCount` workers, which make their states and then search the tasks of `script`
// as `record` hands them over; once it is recorded, replays the script onto `s` or, with a
// `consume`, hands the run to that.
RunStats Run(SearchState& s, const SearchScript& script, std::size_t workerCount,
             const std::function<void(TaskFeed&)>& record, PackingSink* listTo,
             const WorkerStateMaker& makeState, const TraceConsumer& consume = nullptr) {
  ScriptRun run(s, script, makeState, workerCount, listTo);
  WorkerGroup workers{run.shared(), {}};
  workers.threads.reserve(workerCount);
  try {
    for (std::size_t j = 0; j < workerCount; ++j)
      workers.threads.emplace_back([&run](int worker) { run.Work(worker); }, static_cast<int>(j));
  } catch (const std::system_error& e) {
    throw std::runtime_error(std::string("cannot start worker threads: ") + e.what());
  }
  record(run);
  run.RecordingEnded();
  if (consume)
    consume(run);
  else
    ReplayScript(s, script,
                 [&run](std::uint32_t i) -> const SubtreeTrace& { return run.TraceOf(i); });
  // A worker that failed after the others had done every task fails the run all the same.
  workers.threads.clear();
  if (run.shared().failed.load(std::memory_order_acquire)) run.shared().Rethrow();
  return {run.sharedUnits()};
}

std::size_t Workers(int jobs) { return static_cast<std::size_t>(std::max(jobs, 1)); }

// Runs a script already recorded: every task is handed over at once.
RunStats RunRecorded(SearchState& s, const SearchScript& script, int jobs, PackingSink* listTo,
                     const WorkerStateMaker& makeState, const TraceConsumer& consume = nullptr) {
  const auto feedAll = [&script](TaskFeed& feed) {
    for (std::size_t i = 0; i < script.tasks.size(); ++i)
      feed.Recorded(static_cast<std::uint32_t>(i));
  };
  return Run(s, script, std::min(Workers(jobs), script.tasks.size()), feedAll, listTo, makeState,
             consume);
}

// Records a script while its tasks are searched.
RunStats RunRecording(SearchState& s, int jobs, const ScriptRecording& record, PackingSink* listTo,
                      const WorkerStateMaker& makeState) {
  SearchScript script;
  return Run(
      s, script, Workers(jobs), [&](TaskFeed& feed) { record(script, feed); }, listTo, makeState);
}

}  // namespace

std::unique_ptr<SearchState> MakeWorkerState(const SearchState& parent, SearchReport& silent,
                                             int /*worker*/) {
  auto state = std::make_unique<SearchState>(parent.catalogue, silent);
  state->deepKernel = parent.deepKernel;
  return state;
}

RunStats CountWhileRecording(SearchState& s, int jobs, const ScriptRecording& record,
                             const WorkerStateMaker& makeState) {
  return RunRecording(s, jobs, record, nullptr, makeState);
}

RunStats ListWhileRecording(SearchState& s, int jobs, const ScriptRecording& record,
                            PackingSink& sink, const WorkerStateMaker& makeState) {
  return RunRecording(s, jobs, record, &sink, makeState);
}

RunStats CountScript(SearchState& s, const SearchScript& script, int jobs,
                     const WorkerStateMaker& makeState) {
  return RunRecorded(s, script, jobs, nullptr, makeState);
}

RunStats ListScript(SearchState& s, const SearchScript& script, int jobs, PackingSink& sink,
                    const WorkerStateMaker& makeState) {
  return RunRecorded(s, script, jobs, &sink, makeState);
}

void CountTasks(SearchState& s, const SearchScript& script, std::size_t first, int jobs,
                const TaskCounted& counted, const WorkerStateMaker& makeState) {
  // The tasks from `first` on as a script of their own; nothing is replayed, so it needs no
  // steps.
  SearchScript rest;
  for (std::size_t i = first; i < script.tasks.size(); ++i) rest.tasks.Append(script.tasks[i]);
  if (rest.tasks.size() == 0) return;
  RunRecorded(s, rest, jobs, nullptr, makeState, [&](ScriptRun& run) {
    for (std::size_t i = 0; i < rest.tasks.size(); ++i) {
      const SubtreeTrace& trace = run.TraceOf(static_cast<std::uint32_t>(i));
      if (!counted(first + i, TraceSolutions(trace))) {
        // The tasks in hand are left unfinished.
        run.shared().Stop();
        return;
      }
    }
  });
}

void SearchSeedsParallel(SearchState& s, const Board& emptyBox, int jobs) {
  CountWhileRecording(s, jobs, [&](SearchScript& script, TaskFeed& feed) {
    RecordScript(s.catalogue, emptyBox, script, &feed);
  });
}

void ListSeedsParallel(SearchState& s, const Board& emptyBox, int jobs, PackingSink& sink) {
  ListWhileRecording(
      s, jobs,
      [&](SearchScript& script, TaskFeed& feed) {
        RecordScript(s.catalogue, emptyBox, script, &feed);
      },
      sink);
}

}  // namespace cubepack::builtin
