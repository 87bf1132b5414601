// cubepack_tasks: the parallel runner's tasks (three-piece boards) searched one after another
// on one thread, each with its CPU time and list visits; and a model that replays those costs
// through the runner's scheduling for any number of threads.
//
//   cubepack_tasks [--save FILE] [--threads 1,2,4,...]   record (about one full run), then model
//   cubepack_tasks --load FILE [--threads ...]           model a saved recording
//
// The model: the serial part (catalogue and the recording of the script) first; then each
// thread, when free, takes the next task in search order, as the runner's shared index hands
// them out; the replaying thread prints in order, so the run ends when the last task ends.

#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <queue>
#include <string>
#include <vector>

#include "model/catalogue.h"
#include "solver/search.h"
#include "solver/search_script.h"

namespace {

using cubepack::SearchState;

struct TaskCost {
  double seconds;
  long long visits;
  long long solutions;
};

struct Recording {
  double serialSeconds = 0;     // catalogue and script
  double workerBytes = 0;       // heap of one worker's search state
  std::vector<TaskCost> tasks;  // in search order
};

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

class Quiet final : public cubepack::CatalogueReport, public cubepack::SearchReport {
 public:
  void PieceBuilt(int, int, int) override {}
  void SeedClassified(bool) override {}
  void Progress(std::int32_t, cubepack::DepthMark, cubepack::DepthMark, std::int32_t) override {}
  void SeedSearched(std::int32_t) override {}
};

Recording Record() {
  Recording r;
  Quiet quiet;
  const double start = ThreadSeconds();
  const auto catalogue = cubepack::BuildCatalogue(quiet);
  const cubepack::SearchScript script =
      cubepack::RecordScript(*catalogue, cubepack::MakeEmptyBox());
  r.serialSeconds = ThreadSeconds() - start;

  const std::size_t heapBefore = mallinfo2().uordblks;
  const auto state = std::make_unique<SearchState>(*catalogue, quiet);
  r.workerBytes = static_cast<double>(mallinfo2().uordblks - heapBefore) + sizeof(SearchState);

  cubepack::SubtreeTrace trace;
  for (const cubepack::SubtreeTask& task : script.tasks) {
    state->boardStack[2] = task.board;
    const double t0 = ThreadSeconds();
    cubepack::SearchDepth3Traced(*state, trace);
    TaskCost cost{ThreadSeconds() - t0, trace.depth3Visits + trace.tail.visits,
                  trace.tail.solutions};
    for (int j = 0; j < trace.depth3Visits; ++j) {
      cost.visits += trace.spans[j].visits;
      cost.solutions += trace.spans[j].solutions;
    }
    r.tasks.push_back(cost);
  }
  return r;
}

bool Save(const Recording& r, const char* path) {
  std::FILE* f = std::fopen(path, "w");
  if (f == nullptr) return false;
  std::fprintf(f, "serial %.6f\nworker_bytes %.0f\n", r.serialSeconds, r.workerBytes);
  for (const TaskCost& t : r.tasks)
    std::fprintf(f, "%.9f %lld %lld\n", t.seconds, t.visits, t.solutions);
  return std::fclose(f) == 0;
}

bool Load(Recording& r, const char* path) {
  std::FILE* f = std::fopen(path, "r");
  if (f == nullptr) return false;
  bool ok = std::fscanf(f, "serial %lf worker_bytes %lf", &r.serialSeconds, &r.workerBytes) == 2;
  TaskCost t{};
  while (ok && std::fscanf(f, "%lf %lld %lld", &t.seconds, &t.visits, &t.solutions) == 3)
    r.tasks.push_back(t);
  std::fclose(f);
  return ok && !r.tasks.empty();
}

struct Prediction {
  double wall, makespan;
};

// List scheduling in task order: the earliest free thread takes the next task.
Prediction Model(const Recording& r, int threads) {
  std::priority_queue<double, std::vector<double>, std::greater<>> freeAt;
  for (int i = 0; i < threads; ++i) freeAt.push(0);
  double end = 0;
  for (const TaskCost& t : r.tasks) {
    const double start = freeAt.top();
    freeAt.pop();
    freeAt.push(start + t.seconds);
    end = std::max(end, start + t.seconds);
  }
  return {r.serialSeconds + end, end};
}

void PrintModel(const Recording& r, const std::vector<int>& threadCounts) {
  double work = 0, largest = 0;
  long long visits = 0, solutions = 0;
  for (const TaskCost& t : r.tasks) {
    work += t.seconds;
    largest = std::max(largest, t.seconds);
    visits += t.visits;
    solutions += t.solutions;
  }
  std::printf(
      "%zu tasks, %lld solutions, %lld list visits; work %.2f s, largest task %.3f s, "
      "serial part %.3f s\n",
      r.tasks.size(), solutions, visits, work, largest, r.serialSeconds);
  std::printf("memory per worker %.1f MB, at 256 workers %.0f MB\n\n", r.workerBytes / 1e6,
              256 * r.workerBytes / 1e6);
  std::printf("| threads | predicted wall (s) | speed-up | efficiency | limited by |\n");
  std::printf("|---:|---:|---:|---:|---|\n");
  const double one = Model(r, 1).wall;
  for (const int n : threadCounts) {
    const Prediction p = Model(r, n);
    const double balanced = work / n;
    const char* limit = "the work itself (balanced)";
    if (r.serialSeconds > 0.1 * p.wall)
      limit = "the serial part";
    else if (largest > 0.8 * p.makespan)
      limit = "the largest task";
    else if (p.makespan > 1.1 * balanced)
      limit = "the tail (tasks in order)";
    std::printf("| %d | %.2f | %.1f | %.0f %% | %s |\n", n, p.wall, one / p.wall,
                100 * one / p.wall / n, limit);
  }
}

std::vector<int> ParseThreads(const char* text) {
  std::vector<int> v;
  for (const char* p = text; *p != '\0';) {
    char* end = nullptr;
    const long n = std::strtol(p, &end, 10);
    if (end == p || n < 1) return {};
    v.push_back(static_cast<int>(n));
    p = *end == ',' ? end + 1 : end;
    if (*end != ',' && *end != '\0') return {};
  }
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  const char* save = nullptr;
  const char* load = nullptr;
  std::vector<int> threads = {1, 2, 4, 8, 16, 32, 64, 128, 256};
  for (int a = 1; a < argc; ++a) {
    if (std::strcmp(argv[a], "--save") == 0 && a + 1 < argc) {
      save = argv[++a];
    } else if (std::strcmp(argv[a], "--load") == 0 && a + 1 < argc) {
      load = argv[++a];
    } else if (std::strcmp(argv[a], "--threads") == 0 && a + 1 < argc &&
               !(threads = ParseThreads(argv[++a])).empty()) {
    } else {
      std::fprintf(stderr,
                   "usage: cubepack_tasks [--save FILE | --load FILE] [--threads 1,2,...]\n");
      return 2;
    }
  }
  Recording r;
  if (load != nullptr) {
    if (!Load(r, load)) {
      std::fprintf(stderr, "cubepack_tasks: cannot read a recording from '%s'\n", load);
      return 1;
    }
  } else {
    r = Record();
    if (save != nullptr && !Save(r, save)) {
      std::fprintf(stderr, "cubepack_tasks: cannot write '%s'\n", save);
      return 1;
    }
  }
  PrintModel(r, threads);
  return 0;
}
