// cubepack_tasks: the parallel runner's tasks (three-piece boards) searched one after another
// on one thread, each with the CPU time of its set-up and of each of its units, and its list
// visits; and a model that replays those costs through the runner's scheduling for any number
// of threads.
//
//   cubepack_tasks [--save FILE] [--threads 1,2,4,...]   record (about one full run), then model
//   cubepack_tasks --load FILE [--threads ...]           model a saved recording
//
// The model: the serial part (catalogue and the recording of the script) first; then each
// thread, when free, takes the next task in search order, as the runner's shared index hands
// them out, and works through its units; once every task is handed out, a free thread sets up
// the running task with the most units left and takes units from it. The replaying thread
// prints in order, so the run ends when the last task ends. The last column shows the same
// without the sharing of units: whole tasks only.

#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
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
  double setup = 0;  // the candidate lists and the list of units
  long long visits = 0;
  long long solutions = 0;
  std::vector<double> units;  // in search order
  double Seconds() const {
    double total = setup;
    for (const double u : units) total += u;
    return total;
  }
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

  cubepack::SubtreeUnits units;
  for (const cubepack::SubtreeTask& task : script.tasks) {
    state->boardStack[2] = task.board;
    TaskCost cost;
    double t0 = ThreadSeconds();
    cubepack::RefreshCandidates(*catalogue, task.board, state->candidates);
    cubepack::ListSubtreeUnits(*state, units);
    double t1 = ThreadSeconds();
    cost.setup = t1 - t0;
    cost.visits = units.depth3Visits;
    for (int u = 0; u < units.count; ++u) {
      const cubepack::TraceSpan counts = cubepack::SearchSubtreeUnit(*state, units, u);
      t0 = t1;
      t1 = ThreadSeconds();
      cost.units.push_back(t1 - t0);
      cost.visits += counts.visits;
      cost.solutions += counts.solutions;
    }
    r.tasks.push_back(std::move(cost));
  }
  return r;
}

bool Save(const Recording& r, const char* path) {
  std::FILE* f = std::fopen(path, "w");
  if (f == nullptr) return false;
  std::fprintf(f, "serial %.6f\nworker_bytes %.0f\n", r.serialSeconds, r.workerBytes);
  for (const TaskCost& t : r.tasks) {
    std::fprintf(f, "%lld %lld %.9f %zu", t.visits, t.solutions, t.setup, t.units.size());
    for (const double u : t.units) std::fprintf(f, " %.9f", u);
    std::fputc('\n', f);
  }
  return std::fclose(f) == 0;
}

bool Load(Recording& r, const char* path) {
  std::FILE* f = std::fopen(path, "r");
  if (f == nullptr) return false;
  bool ok = std::fscanf(f, "serial %lf worker_bytes %lf", &r.serialSeconds, &r.workerBytes) == 2;
  TaskCost t;
  std::size_t count = 0;
  while (ok &&
         std::fscanf(f, "%lld %lld %lf %zu", &t.visits, &t.solutions, &t.setup, &count) == 4) {
    t.units.assign(count, 0);
    for (double& u : t.units) ok = ok && std::fscanf(f, "%lf", &u) == 1;
    r.tasks.push_back(t);
  }
  std::fclose(f);
  return ok && !r.tasks.empty();
}

struct Prediction {
  double wall, makespan;
};

// Whole tasks only: the earliest free thread takes the next task.
Prediction ModelWholeTasks(const Recording& r, int threads) {
  std::priority_queue<double, std::vector<double>, std::greater<>> freeAt;
  for (int i = 0; i < threads; ++i) freeAt.push(0);
  double end = 0;
  for (const TaskCost& t : r.tasks) {
    const double start = freeAt.top();
    freeAt.pop();
    freeAt.push(start + t.Seconds());
    end = std::max(end, start + t.Seconds());
  }
  return {r.serialSeconds + end, end};
}

// The runner as it is: tasks in order, then the units of running tasks shared out. An event
// simulation: each thread is woken when what it does (a set-up or a unit) ends.
class SharingModel {
 public:
  SharingModel(const Recording& r, int threads)
      : r_(r), running_(r.tasks.size()), threads_(static_cast<std::size_t>(threads)) {}

  Prediction Run() {
    for (std::size_t w = 0; w < threads_.size(); ++w) events_.push({0, w});
    while (!events_.empty()) {
      const auto [now, w] = events_.top();
      events_.pop();
      Step(now, w);
    }
    return {r_.serialSeconds + end_, end_};
  }

 private:
  static constexpr std::size_t kNone = SIZE_MAX;
  struct Task {
    std::size_t next = 0;  // the next unit to hand out
    int inFlight = 0;
    bool published = false;  // the owner has made its lists; helpers may come
    bool ownerWaiting = false;
    std::size_t owner = kNone;
  };
  struct Thread {
    std::size_t owns = kNone;     // the task this thread took from the index
    std::size_t unitOf = kNone;   // the task whose unit it has just run
    std::size_t helping = kNone;  // the task its lists are made for, when helping
    bool helpReady = false;       // that set-up is done
  };
  using Event = std::pair<double, std::size_t>;

  std::size_t Remaining(std::size_t t) const { return r_.tasks[t].units.size() - running_[t].next; }

  void RunUnit(double now, std::size_t w, std::size_t t) {
    threads_[w].unitOf = t;
    ++running_[t].inFlight;
    events_.push({now + r_.tasks[t].units[running_[t].next++], w});
  }

  void Step(double now, std::size_t w) {
    Thread& me = threads_[w];
    if (me.unitOf != kNone) {
      Task& t = running_[me.unitOf];
      --t.inFlight;
      if (t.ownerWaiting && t.inFlight == 0) {
        t.ownerWaiting = false;
        events_.push({now, t.owner});
      }
      me.unitOf = kNone;
    }
    if (me.owns != kNone) {
      Task& t = running_[me.owns];
      t.published = true;
      if (Remaining(me.owns) > 0) return RunUnit(now, w, me.owns);
      if (t.inFlight > 0) {
        t.ownerWaiting = true;
        return;
      }
      end_ = std::max(end_, now);
      active_.erase(std::find(active_.begin(), active_.end(), me.owns));
      me.owns = kNone;
    }
    if (nextTask_ < r_.tasks.size()) {
      me.owns = nextTask_++;
      running_[me.owns].owner = w;
      active_.push_back(me.owns);
      events_.push({now + r_.tasks[me.owns].setup, w});
      return;
    }
    if (me.helping != kNone && me.helpReady && Remaining(me.helping) > 0)
      return RunUnit(now, w, me.helping);
    std::size_t best = kNone;
    for (const std::size_t t : active_)
      if (running_[t].published && Remaining(t) > 0 &&
          (best == kNone || Remaining(t) > Remaining(best)))
        best = t;
    if (best == kNone) return;  // nothing left to share: this thread is done
    if (best == me.helping && me.helpReady) return RunUnit(now, w, best);
    me.helping = best;
    me.helpReady = true;  // after the set-up below
    events_.push({now + r_.tasks[best].setup, w});
  }

  const Recording& r_;
  std::vector<Task> running_;
  std::vector<Thread> threads_;
  std::vector<std::size_t> active_;  // taken and not yet finished
  std::priority_queue<Event, std::vector<Event>, std::greater<>> events_;
  std::size_t nextTask_ = 0;
  double end_ = 0;
};

Prediction Model(const Recording& r, int threads) { return SharingModel(r, threads).Run(); }

void PrintModel(const Recording& r, const std::vector<int>& threadCounts) {
  double work = 0, largest = 0, largestUnit = 0;
  long long visits = 0, solutions = 0;
  std::size_t units = 0;
  for (const TaskCost& t : r.tasks) {
    work += t.Seconds();
    largest = std::max(largest, t.Seconds());
    for (const double u : t.units) largestUnit = std::max(largestUnit, u);
    units += t.units.size();
    visits += t.visits;
    solutions += t.solutions;
  }
  std::printf(
      "%zu tasks, %zu units, %lld solutions, %lld list visits; work %.2f s, largest task %.3f s, "
      "largest unit %.3f s, serial part %.3f s\n",
      r.tasks.size(), units, solutions, visits, work, largest, largestUnit, r.serialSeconds);
  std::printf("memory per worker %.1f MB, at 256 workers %.0f MB\n\n", r.workerBytes / 1e6,
              256 * r.workerBytes / 1e6);
  std::printf(
      "| threads | predicted wall (s) | speed-up | efficiency | limited by | whole tasks only |\n");
  std::printf("|---:|---:|---:|---:|---|---:|\n");
  const double one = Model(r, 1).wall;
  for (const int n : threadCounts) {
    const Prediction p = Model(r, n);
    const Prediction whole = ModelWholeTasks(r, n);
    // What the wall time holds besides the work itself: the serial part, and the tail (threads
    // idle or making lists for units they help with).
    const double serialShare = r.serialSeconds / p.wall;
    const double tailShare = (p.makespan - work / n) / p.wall;
    char limit[96] = "the work itself";
    if (serialShare + tailShare > 0.05)
      std::snprintf(
          limit, sizeof limit, "%s %.0f %%, %s %.0f %%",
          serialShare > tailShare ? "serial part" : "tail", 100 * std::max(serialShare, tailShare),
          serialShare > tailShare ? "tail" : "serial part", 100 * std::min(serialShare, tailShare));
    if (largestUnit > 0.5 * p.makespan) std::snprintf(limit, sizeof limit, "the largest unit");
    std::printf("| %d | %.2f | %.1f | %.0f %% | %s | %.2f s, %.0f %% |\n", n, p.wall, one / p.wall,
                100 * one / p.wall / n, limit, whole.wall, 100 * one / whole.wall / n);
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
