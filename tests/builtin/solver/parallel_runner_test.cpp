// The parallel runner's parts: replaying traces reproduces the sequential progress checks, a
// traced subtree counts what the sequential search counts, and several workers give the same
// events as one.

#include "builtin/solver/parallel_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "builtin/solver/search.h"
#include "builtin/solver/search_script.h"
#include "support/test_support.h"

// Allocation failure on demand: a thread whose countdown is armed fails the allocation that
// brings it to zero. Replaces the program's allocation for this test binary.
thread_local int t_allocationsLeft = 0;  // 0: never fail

#if defined(__GNUC__) && !defined(__clang__)
// GCC sees the replacement's free() meet its malloc() through operator new and warns.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

// Every form that plain allocation takes, so that none of them pairs with the library's own
// (the sanitizers check that allocation and release match); the aligned forms stay the
// library's, which pair among themselves.
void* operator new(std::size_t size) {
  if (t_allocationsLeft > 0 && --t_allocationsLeft == 0) throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return ::operator new(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return ::operator new(size, tag);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace cubepack::builtin {
namespace {

using Kind = ScriptStep::Kind;
using testing::RecordingReport;

const PieceCatalogue& Cat() { return testing::SharedCatalogue(); }

SubtreeTrace Trace(std::vector<SearchCounts> beforeVisits, SearchCounts tail) {
  SubtreeTrace t;
  for (const SearchCounts& counts : beforeVisits) t.beforeVisit[t.depth3Visits++] = counts;
  t.tail = tail;
  return t;
}

// A progress line falls due inside the first task and another one between the two tasks: the
// first task's tail and the shallow visits before the second push the count to the interval,
// and the second task's first depth-3 visit prints it with that task's marks.
TEST(ScriptReplay, ProgressChecksFallWhereTheSequentialRunHasThem) {
  SearchScript script;
  script.tasks.Append({MakeEmptyBox(), 7, {2, 1}, {4, 3}});
  script.tasks.Append({MakeEmptyBox(), 7, {2, 2}, {5, 1}});
  script.steps = {{Kind::kSeedClassified, true, 0, 0},
                  {Kind::kSubtree, false, 0, 1},
                  {Kind::kSubtree, false, 1, 1},
                  {Kind::kSeedSearched, false, 0, 4}};
  const std::vector<SubtreeTrace> traces = {Trace({{0, 0}, {3, 1}}, {kProgressInterval - 1, 2}),
                                            Trace({{0, 0}}, {5, 1})};

  RecordingReport report;
  const auto s = std::make_unique<SearchState>(Cat(), report);
  s->stepCount = kProgressInterval - 3;
  s->solutionCount = 100;
  ReplayScript(*s, script, [&](std::uint32_t i) -> const SubtreeTrace& { return traces[i]; });

  ASSERT_EQ(report.progress.size(), 2u);
  // Visit 1 of task 0: I-3 +1 (shallow) +1 (visit 0) +3 (span) is over the interval.
  EXPECT_EQ(report.progress[0].seedOrdinal, 7);
  EXPECT_EQ(report.progress[0].depth2.piece, 4);
  EXPECT_EQ(report.progress[0].solutions, 101);
  // Task 0's tail leaves I-1, the shallow visit makes it I: task 1's first visit prints.
  EXPECT_EQ(report.progress[1].depth1.ordinal, 2);
  EXPECT_EQ(report.progress[1].depth2.piece, 5);
  EXPECT_EQ(report.progress[1].solutions, 103);
  EXPECT_EQ(report.classified, std::vector<bool>{true});
  EXPECT_EQ(report.seedTotals, std::vector<std::int32_t>{104});
  EXPECT_EQ(s->stepCount, 5 + 4);
}

// The script of the whole run, recorded once per test binary (depths 0 to 2 only).
const SearchScript& WholeScript() {
  static const SearchScript script = RecordScript(Cat(), MakeEmptyBox());
  return script;
}

TEST(ScriptRecording, HoldsTheTwelveSeedsAndEveryThreePieceBoardInOrder) {
  const SearchScript& script = WholeScript();
  int classified = 0, searched = 0;
  std::uint32_t nextTask = 0;
  for (const ScriptStep& step : script.steps) {
    classified += step.kind == Kind::kSeedClassified;
    searched += step.kind == Kind::kSeedSearched;
    if (step.kind == Kind::kSubtree) {
      EXPECT_EQ(step.task, nextTask++);
    }
  }
  EXPECT_EQ(classified, 12);
  EXPECT_EQ(searched, 12);
  EXPECT_EQ(nextTask, script.tasks.size());
  for (std::size_t i = 0; i < script.tasks.size(); ++i) {
    int placed = 0;
    for (std::uint8_t p : script.tasks[i].board.placed) placed += p;
    ASSERT_EQ(placed, 3);
  }
}

// Below one three-piece board the traced search counts what the sequential one counts: its
// depth-3 visits plus what the units count.
TEST(TracedSubtree, CountsWhatTheSequentialSearchCounts) {
  const SubtreeTask& task = WholeScript().tasks.at(5);
  RecordingReport report;
  const auto s = std::make_unique<SearchState>(Cat(), report);
  s->boardStack[2] = task.board;
  SearchDepth3(*s);
  ASSERT_TRUE(report.progress.empty());
  const std::int64_t sequentialVisits = s->stepCount;
  const std::int32_t sequentialSolutions = s->solutionCount;

  SubtreeTrace trace;
  SearchDepth3Traced(*s, trace);
  std::int64_t visits = trace.depth3Visits + trace.tail.listVisits;
  std::int64_t solutions = trace.tail.solutions;
  for (int j = 0; j < trace.depth3Visits; ++j) {
    visits += trace.beforeVisit[j].listVisits;
    solutions += trace.beforeVisit[j].solutions;
  }
  EXPECT_GT(trace.depth3Visits, 0);
  EXPECT_EQ(visits, sequentialVisits);
  EXPECT_EQ(solutions, sequentialSolutions);
}

// Several workers, taking tasks as they come, give the events of one thread that searches the
// tasks in order. A prefix of the whole run keeps this fast enough for the sanitizers.
// The whole run's script up to its task `tasks`.
SearchScript ScriptPrefix(std::uint32_t tasks) {
  SearchScript prefix = WholeScript();
  std::size_t end = 0;
  while (end < prefix.steps.size() &&
         !(prefix.steps[end].kind == Kind::kSubtree && prefix.steps[end].task == tasks))
    ++end;
  prefix.steps.resize(end);
  prefix.tasks.Truncate(tasks);
  return prefix;
}

// A script of only the whole run's tasks `tasks`, in that order.
SearchScript ScriptOfTasks(std::initializer_list<std::uint32_t> tasks) {
  SearchScript script;
  for (const std::uint32_t task : tasks) {
    script.steps.push_back(
        {Kind::kSubtree, false, static_cast<std::uint32_t>(script.tasks.size()), 0});
    script.tasks.Append(WholeScript().tasks.at(task));
  }
  return script;
}

// The events of `script` searched task after task on this thread, starting `visitsBefore`
// list visits short of a progress line.
std::unique_ptr<SearchState> ReplayInOrder(const SearchScript& script, RecordingReport& report,
                                           std::int64_t visitsBefore) {
  auto one = std::make_unique<SearchState>(Cat(), report);
  one->stepCount = kProgressInterval - visitsBefore;
  RecordingReport silent;
  const auto worker = std::make_unique<SearchState>(Cat(), silent);
  SubtreeTrace trace;
  ReplayScript(*one, script, [&](std::uint32_t i) -> const SubtreeTrace& {
    worker->boardStack[2] = script.tasks[i].board;
    SearchDepth3Traced(*worker, trace);
    return trace;
  });
  return one;
}

void ExpectSameEvents(const RecordingReport& parallel, const RecordingReport& inOrder,
                      const SearchState& many, const SearchState& one) {
  ASSERT_FALSE(inOrder.progress.empty());
  ASSERT_EQ(parallel.progress.size(), inOrder.progress.size());
  for (std::size_t i = 0; i < inOrder.progress.size(); ++i) {
    EXPECT_EQ(parallel.progress[i].solutions, inOrder.progress[i].solutions);
    EXPECT_EQ(parallel.progress[i].depth1.ordinal, inOrder.progress[i].depth1.ordinal);
    EXPECT_EQ(parallel.progress[i].depth2.ordinal, inOrder.progress[i].depth2.ordinal);
  }
  EXPECT_EQ(parallel.classified, inOrder.classified);
  EXPECT_EQ(many.stepCount, one.stepCount);
  EXPECT_EQ(many.solutionCount, one.solutionCount);
  EXPECT_GT(many.solutionCount, 0);
}

// The tasks come while the script is still being recorded, in bursts with pauses, so the
// workers run out of tasks and sleep until more come.
TEST(ParallelRun, ThreeWorkersGiveTheEventsOfOneThread) {
  const SearchScript prefix = ScriptPrefix(120);
  RecordingReport inOrder;
  // So that progress lines fall in the prefix.
  const auto one = ReplayInOrder(prefix, inOrder, 100000);

  RecordingReport parallel;
  const auto three = std::make_unique<SearchState>(Cat(), parallel);
  three->stepCount = kProgressInterval - 100000;
  CountWhileRecording(*three, 3, [&prefix](SearchScript& script, TaskFeed& feed) {
    script.steps = prefix.steps;
    for (std::uint32_t i = 0; i < prefix.tasks.size(); ++i) {
      if (i % 20 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      script.tasks.Append(prefix.tasks[i]);
      feed.Recorded(i);
    }
  });
  ExpectSameEvents(parallel, inOrder, *three, *one);
}

// A worker whose state cannot be made (out of memory, say) fails the run with its exception,
// whichever worker it is: the others stop after their current task, nothing hangs or aborts.
TEST(ParallelRun, AWorkerThatFailsFailsTheRun) {
  const SearchScript prefix = ScriptPrefix(30);
  for (const int failing : {0, 2}) {
    SCOPED_TRACE(::testing::Message() << "failing worker " << failing);
    RecordingReport report;
    const auto s = std::make_unique<SearchState>(Cat(), report);
    const WorkerStateMaker make = [failing](const SearchState& parent, SearchReport& silent,
                                            int worker) {
      if (worker == failing) throw std::bad_alloc();
      return MakeWorkerState(parent, silent, worker);
    };
    EXPECT_THROW(CountScript(*s, prefix, 3, make), std::bad_alloc);
  }
  // A recording that fails, before any task or after some: the workers, busy or asleep, stop,
  // and the recording's exception leaves the run.
  for (const std::uint32_t recorded : {0u, 5u}) {
    RecordingReport report;
    const auto s = std::make_unique<SearchState>(Cat(), report);
    EXPECT_THROW(CountWhileRecording(*s, 3,
                                     [&](SearchScript& script, TaskFeed& feed) {
                                       for (std::uint32_t i = 0; i < recorded; ++i) {
                                         script.tasks.Append(prefix.tasks[i]);
                                         feed.Recorded(i);
                                       }
                                       // Long enough for idle workers to fall asleep.
                                       std::this_thread::sleep_for(std::chrono::milliseconds(50));
                                       throw std::length_error("recording failed");
                                     }),
                 std::length_error);
  }
  // A recording whose script names tasks it never handed over fails instead of reading them.
  RecordingReport unfed;
  const auto u = std::make_unique<SearchState>(Cat(), unfed);
  EXPECT_THROW(
      CountWhileRecording(*u, 2, [&](SearchScript& script, TaskFeed&) { script = prefix; }),
      std::logic_error);
  // More workers than tasks: only as many start as there are tasks.
  RecordingReport report;
  const auto s = std::make_unique<SearchState>(Cat(), report);
  std::atomic<int> made{0};
  CountScript(*s, ScriptPrefix(2), 8,
              [&made](const SearchState& parent, SearchReport& silent, int worker) {
                ++made;
                return MakeWorkerState(parent, silent, worker);
              });
  EXPECT_EQ(made.load(), 2);
  EXPECT_GT(s->solutionCount, 0);
}

// The packings of a run, as the replaying thread hands them on.
class Collect final : public PackingSink {
 public:
  void Found(const PieceCells& packing) override { found.push_back(packing); }
  void TaskDone(std::size_t done, std::size_t total) override {
    EXPECT_EQ(done, ++tasks);
    EXPECT_LE(done, total);
  }
  std::vector<PieceCells> found;
  std::size_t tasks = 0;
};

// Listing with one worker or three gives the same packings in the same order, as many as the
// count, and each is a packing: twelve pieces that fill the box without overlap.
TEST(ParallelRun, ListingGivesTheSamePackingsWithAnyNumberOfWorkers) {
  const SearchScript prefix = ScriptPrefix(30);
  std::vector<PieceCells> lists[2];
  for (const int jobs : {1, 3}) {
    RecordingReport report;
    const auto s = std::make_unique<SearchState>(Cat(), report);
    Collect collect;
    ListScript(*s, prefix, jobs, collect);
    EXPECT_EQ(collect.tasks, prefix.tasks.size());
    EXPECT_EQ(static_cast<std::int32_t>(collect.found.size()), s->solutionCount);
    lists[jobs == 3] = std::move(collect.found);
  }
  ASSERT_FALSE(lists[0].empty());
  EXPECT_EQ(lists[0], lists[1]);
  for (const PieceCells& packing : lists[0]) {
    OccupancyMask all = 0;
    int cells = 0;
    for (const OccupancyMask piece : packing) {
      EXPECT_EQ(all & piece, 0u);
      all |= piece;
      cells += std::popcount(piece);
    }
    ASSERT_EQ(all, kFullMask);
    ASSERT_EQ(cells, kCellCount);
  }
}

// A helper that fails in the middle of a unit of another worker's task (out of memory, say)
// fails the run with its exception: the task's owner, waiting for that unit, wakes, and nothing
// hangs or aborts. The failing worker starts late, when the other has taken the small task and
// the large one, so it can only help; it fails at its first allocation, for the first packing
// it finds.
TEST(ParallelRun, AHelperThatFailsInAUnitFailsTheRun) {
  // About 10 and 30 units, 3 and 25 ms.
  const SearchScript script = ScriptOfTasks({16, 264});
  const WorkerStateMaker lateAndFailing = [](const SearchState& parent, SearchReport& silent,
                                             int worker) {
    auto state = MakeWorkerState(parent, silent, worker);
    if (worker == 1) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      t_allocationsLeft = 1;
    }
    return state;
  };
  bool failed = false;
  for (int attempt = 0; attempt < 5 && !failed; ++attempt) {
    RecordingReport report;
    const auto s = std::make_unique<SearchState>(Cat(), report);
    Collect listed;
    try {
      ListScript(*s, script, 2, listed, lateAndFailing);
    } catch (const std::bad_alloc&) {
      failed = true;
    }
  }
  EXPECT_TRUE(failed);
}

// A large task and a small one on two workers: the worker that ends the small one takes units
// of the large one (whose owner waits for them), and the events, counts and packings are still
// those of one thread. Which worker takes which task is up to the threads, so a run in which
// nothing was shared is tried again.
TEST(ParallelRun, UnitsSharedOutGiveTheEventsAndPackingsOfOneThread) {
  // About 30 and 10 units, 25 and 3 ms.
  const SearchScript script = ScriptOfTasks({264, 16});
  RecordingReport inOrder;
  const auto one = ReplayInOrder(script, inOrder, 20000);
  Collect listedInOrder;
  {
    RecordingReport report;
    const auto s = std::make_unique<SearchState>(Cat(), report);
    ListScript(*s, script, 1, listedInOrder);
  }

  std::uint64_t shared = 0;
  for (int attempt = 0; attempt < 5 && shared == 0; ++attempt) {
    RecordingReport parallel;
    const auto two = std::make_unique<SearchState>(Cat(), parallel);
    two->stepCount = kProgressInterval - 20000;
    shared = CountScript(*two, script, 2).sharedUnits;
    ExpectSameEvents(parallel, inOrder, *two, *one);

    RecordingReport report;
    const auto s = std::make_unique<SearchState>(Cat(), report);
    Collect listed;
    shared = std::min(shared, ListScript(*s, script, 2, listed).sharedUnits);
    EXPECT_EQ(listed.found, listedInOrder.found);
  }
  EXPECT_GT(shared, 0u);
  EXPECT_FALSE(listedInOrder.found.empty());
}

}  // namespace
}  // namespace cubepack::builtin
