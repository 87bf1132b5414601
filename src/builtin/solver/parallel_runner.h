#pragma once
// The search on several threads with the sequential run's events: workers search the tasks of
// a script in order, each with its own state, while the calling thread replays the script and
// reports each event as soon as everything before it is known.

#include <cstdint>
#include <functional>
#include <memory>

#include "builtin/model/board.h"
#include "builtin/solver/packing_search.h"
#include "builtin/solver/search_report.h"
#include "builtin/solver/search_script.h"
#include "builtin/solver/search_state.h"

namespace cubepack::builtin {

// Makes the search state of worker `worker` (0, 1, ...), reporting to `silent`, like `parent`.
// It may throw; the run then fails with that exception.
using WorkerStateMaker = std::function<std::unique_ptr<SearchState>(
    const SearchState& parent, SearchReport& silent, int worker)>;

// The states the program's workers use: the parent's catalogue and deep kernel.
std::unique_ptr<SearchState> MakeWorkerState(const SearchState& parent, SearchReport& silent,
                                             int worker);

struct RunStats {
  std::uint64_t sharedUnits = 0;  // units of a task searched by a worker other than its own
};

// Records a script into `script` (empty), telling `feed` of each task as it does (as
// RecordScript does); it may throw.
using ScriptRecording = std::function<void(SearchScript& script, TaskFeed& feed)>;

// Searches the tasks of the script that `record` records on `jobs` worker threads (at least
// 1), which start on the first tasks while the rest are still being recorded, and replays it
// onto `s`: the same events on `s` in the same order as the sequential search. Once every task
// is handed out, idle workers take units of the running ones. When a worker or the recording
// fails, the workers stop after their current task (a helper after its current unit) and the
// exception leaves here; a thread that cannot be started throws std::runtime_error("cannot start
// worker threads: ...").
RunStats CountWhileRecording(SearchState& s, int jobs, const ScriptRecording& record,
                             const WorkerStateMaker& makeState = MakeWorkerState);
// The same, listing every packing to `sink` in the sequential search's order as well. Workers
// run at most a bounded number of tasks ahead of the sink.
RunStats ListWhileRecording(SearchState& s, int jobs, const ScriptRecording& record,
                            PackingSink& sink, const WorkerStateMaker& makeState = MakeWorkerState);

// The same for a script already recorded, on at most one worker per task.
RunStats CountScript(SearchState& s, const SearchScript& script, int jobs,
                     const WorkerStateMaker& makeState = MakeWorkerState);
RunStats ListScript(SearchState& s, const SearchScript& script, int jobs, PackingSink& sink,
                    const WorkerStateMaker& makeState = MakeWorkerState);

// Told of the packings below task `task`, in task order; returns false to stop the count.
using TaskCounted = std::function<bool(std::size_t task, std::int64_t packings)>;
// Counts the packings below the tasks of `script` from task `first` on, on `jobs` worker
// threads: the number of packings ListScript writes for each, told to `counted` in task order
// until it returns false. The state's counters are left as they were.
void CountTasks(SearchState& s, const SearchScript& script, std::size_t first, int jobs,
                const TaskCounted& counted, const WorkerStateMaker& makeState = MakeWorkerState);

// SearchSeeds on `jobs` worker threads, and the listing of every packing of the box.
void SearchSeedsParallel(SearchState& s, const Board& emptyBox, int jobs);
void ListSeedsParallel(SearchState& s, const Board& emptyBox, int jobs, PackingSink& sink);

}  // namespace cubepack::builtin
