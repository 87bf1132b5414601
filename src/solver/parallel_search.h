#pragma once
// The search on several threads with the sequential run's events: workers search the tasks of
// a script in order, each with its own state, while the calling thread replays the script and
// reports each event as soon as everything before it is known.

#include <cstdint>
#include <functional>
#include <memory>

#include "model/board.h"
#include "solver/search_report.h"
#include "solver/search_script.h"
#include "solver/search_state.h"

namespace cubepack {

// Makes the search state of worker `worker` (0, 1, ...), reporting to `silent`, like `parent`.
// It may throw; the run then fails with that exception.
using WorkerStateMaker = std::function<std::unique_ptr<SearchState>(
    const SearchState& parent, SearchReport& silent, int worker)>;

// The states the program's workers use: the parent's catalogue and deep kernel.
std::unique_ptr<SearchState> MakeWorkerState(const SearchState& parent, SearchReport& silent,
                                             int worker);

// Searches `script`'s tasks on `jobs` worker threads (at least 1, at most one per task) and
// replays it onto `s`. Once every task is handed out, idle workers take units of the running
// ones. When a worker fails, the others stop after their current task and the
// worker's exception is rethrown here; a thread that cannot be started throws
// std::runtime_error("cannot start worker threads: ...").
struct RunStats {
  std::uint64_t sharedUnits = 0;  // units of a task searched by a worker other than its own
};
RunStats RunScript(SearchState& s, const SearchScript& script, int jobs,
                   const WorkerStateMaker& makeState = MakeWorkerState);

// The same while the script is being recorded: `record` records it, handing each task to the
// feed it is given (as RecordScript does), and `jobs` workers search the tasks as they come.
// Should `record` throw, the workers stop and its exception leaves here.
using ScriptRecording = std::function<const SearchScript&(TaskFeed& feed)>;
RunStats RunRecording(SearchState& s, int jobs, const ScriptRecording& record,
                      const WorkerStateMaker& makeState = MakeWorkerState);

// SearchSeeds on `jobs` worker threads: the same events on `s` in the same order. The workers
// start on the first three-piece boards while the rest are still being found.
void SearchSeedsParallel(SearchState& s, const Board& emptyBox, int jobs);

}  // namespace cubepack
