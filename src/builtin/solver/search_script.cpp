#include "builtin/solver/search_script.h"

#include <cassert>
#include <memory>

#include "builtin/solver/candidates.h"
#include "builtin/solver/search.h"

namespace cubepack::builtin {

namespace {

// Collects the steps; the shallow list visits are taken from the state's counter at each step.
class ScriptRecorder final : public SearchReport, public ThreePieceBoards {
 public:
  ScriptRecorder(SearchScript& script, TaskFeed* feed) : script_(script), feed_(feed) {}
  void Attach(SearchState& s) { state_ = &s; }

  void SeedClassified(bool symmetric) override {
    Add({ScriptStep::Kind::kSeedClassified, symmetric, 0, 0});
  }
  // Progress lines come from depth 3 only, which recording never runs.
  void Progress(std::int32_t, DepthMark, DepthMark, std::int32_t) override { assert(false); }
  void SeedSearched(std::int32_t) override { Add({ScriptStep::Kind::kSeedSearched, false, 0, 0}); }

  void Take(const SearchState& s) override {
    script_.tasks.Append(
        {s.boardStack[2], s.seedOrdinal, s.depthMarks[1], s.depthMarks[2], FirstThreePieces(s)});
    const auto index = static_cast<std::uint32_t>(script_.tasks.size() - 1);
    Add({ScriptStep::Kind::kSubtree, false, index, 0});
    if (feed_ != nullptr) feed_->Recorded(index);
  }

 private:
  void Add(ScriptStep step) {
    step.visitsBefore = state_->stepCount;
    state_->stepCount = 0;
    script_.steps.push_back(step);
  }

  SearchScript& script_;
  TaskFeed* feed_;
  SearchState* state_ = nullptr;
};

}  // namespace

void RecordScript(const PieceCatalogue& catalogue, const Board& emptyBox, SearchScript& script,
                  TaskFeed* feed) {
  ScriptRecorder recorder(script, feed);
  const auto state = std::make_unique<SearchState>(catalogue, recorder);
  recorder.Attach(*state);
  RecordSeeds(*state, emptyBox, recorder);
}

SearchScript RecordScript(const PieceCatalogue& catalogue, const Board& emptyBox) {
  SearchScript script;
  RecordScript(catalogue, emptyBox, script);
  return script;
}

void PrepareTask(SearchState& s, const SubtreeTask& task, SubtreeUnits& units) {
  s.boardStack[2] = task.board;
  RefreshCandidates(s.catalogue, s.boardStack[2], s.candidates);
  MakeSubtreeUnits(s, units);
}

std::int64_t ListTask(SearchState& s, const SubtreeTask& task, PackingSink& sink) {
  SubtreeUnits units;
  PrepareTask(s, task, units);
  std::int64_t solutions = 0;
  for (int u = 0; u < units.count; ++u)
    solutions += ListSubtreeUnit(s, units, u, {sink, task.firstPieces}).solutions;
  return solutions;
}

void ReplayScript(SearchState& s, const SearchScript& script, const TraceSource& traceOf) {
  for (const ScriptStep& step : script.steps) {
    s.stepCount += step.visitsBefore;
    switch (step.kind) {
      case ScriptStep::Kind::kSeedClassified:
        s.report.SeedClassified(step.symmetric);
        break;
      case ScriptStep::Kind::kSeedSearched:
        s.report.SeedSearched(s.solutionCount);
        break;
      case ScriptStep::Kind::kSubtree: {
        const SubtreeTask& task = script.tasks[step.task];
        const SubtreeTrace& trace = traceOf(step.task);
        for (int j = 0; j < trace.depth3Visits; ++j) {
          AddCounts(s, trace.beforeVisit[j]);
          if (ProgressDue(s.stepCount))
            s.report.Progress(task.seedOrdinal, task.depth1, task.depth2, s.solutionCount);
        }
        AddCounts(s, trace.tail);
        break;
      }
    }
  }
}

}  // namespace cubepack::builtin
