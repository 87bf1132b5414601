#pragma once
// A run split for parallel search. Recording runs the seed stage and depths 1-2 as usual but
// hands every three-piece board over as a task; the script keeps, in search order, what the
// sequential run would report between the tasks. Replaying the script with one trace per task
// reproduces the sequential run's events exactly: every progress check happens at the same
// list visit with the same counts.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "builtin/model/board.h"
#include "builtin/solver/packing_search.h"
#include "builtin/solver/search_report.h"
#include "builtin/solver/search_state.h"
#include "builtin/solver/subtree_units.h"
#include "builtin/solver/task_store.h"

namespace cubepack::builtin {

// A three-piece board and how the search reached it.
struct SubtreeTask {
  Board board;
  std::int32_t seedOrdinal = 0;
  DepthMark depth1;
  DepthMark depth2;
  std::array<PlacedPiece, 3> firstPieces{};  // what the listing search needs of depths 0-2
};

struct ScriptStep {
  enum class Kind : std::uint8_t { kSeedClassified, kSubtree, kSeedSearched };
  Kind kind = Kind::kSubtree;
  bool symmetric = false;         // kSeedClassified
  std::uint32_t task = 0;         // kSubtree: index into SearchScript::tasks
  std::int64_t visitsBefore = 0;  // list visits at depths 1-2 since the previous step
};

struct SearchScript {
  std::vector<ScriptStep> steps;
  ChunkedStore<SubtreeTask> tasks;  // in the order the steps name them
};

// Told of each task as soon as it is recorded, so the search below it can start while the
// rest of the script is still being recorded.
class TaskFeed {
 public:
  virtual ~TaskFeed() = default;
  // The script's tasks 0 to `index` are recorded.
  virtual void Recorded(std::uint32_t index) = 0;
};

// Runs the seed stage from `emptyBox` and depths 1-2, recording the script into `script`
// (empty); `feed`, when there is one, hears of each task.
void RecordScript(const PieceCatalogue& catalogue, const Board& emptyBox, SearchScript& script,
                  TaskFeed* feed = nullptr);
SearchScript RecordScript(const PieceCatalogue& catalogue, const Board& emptyBox);

// Makes the candidate lists of `s` and the units for the search below `task`.
void PrepareTask(SearchState& s, const SubtreeTask& task, SubtreeUnits& units);
// Lists the packings below `task` to `sink` on the calling thread, in the order the listing of
// the whole script writes them; returns how many there are.
std::int64_t ListTask(SearchState& s, const SubtreeTask& task, PackingSink& sink);

// Gives the trace of task i, once it is known (it may wait for it).
using TraceSource = std::function<const SubtreeTrace&(std::uint32_t task)>;

// Replays `script` onto `s`: its step count and solution count advance as in the sequential
// run, and its report receives the same events in the same order.
void ReplayScript(SearchState& s, const SearchScript& script, const TraceSource& traceOf);

}  // namespace cubepack::builtin
