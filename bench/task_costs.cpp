// cubepack_tasks: the parallel runner's tasks (three-piece boards) searched one after another
// on one thread, each with the CPU time of its set-up and of each of its units, and its list
// visits; and a model that replays those costs through the runner's scheduling for any number
// of threads.
//
//   cubepack_tasks [--save FILE] [--threads 1,2,4,...]   record (about one full run), then model
//   cubepack_tasks --load FILE [--threads ...]           model a saved recording
//
// The model: the catalogue first; then every thread makes its search state while the script is
// being recorded, and each, when free, takes the next task in search order once the recording
// has reached it, and works through its units; once every task is handed out, a free thread
// sets up the running task with the most units left and takes units from it. The replaying
// thread prints in order, so the run ends when the last task ends. Starting the threads is
// left out. The last column shows the same without the sharing of units: whole tasks only.

#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <queue>
#include <string>
#include <vector>

#include "builtin/model/catalogue.h"
#include "builtin/solver/search.h"
#include "builtin/solver/search_script.h"

// The benchmark names the engines' parts as cubepack::Name.
namespace cubepack {
using namespace builtin;
}  // namespace cubepack

namespace {

using cubepack::SearchState;

struct TaskCost {
  double ready = 0;  // when the recording handed it over, from the start of the run
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
  double catalogueSeconds = 0;  // before any worker starts
  double workerSetup = 0;       // making one worker's search state
  double workerBytes = 0;       // heap of one worker's search state
  std::vector<TaskCost> tasks;  // in search order
};

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// When each task of the script is handed over, `offset` seconds after the recording starts.
// The steady clock: the thread CPU clock is a system call, which would slow the recording
// noticeably.
class ReadyTimes final : public cubepack::TaskFeed {
 public:
  explicit ReadyTimes(double offset) : offset_(offset) {}
  void Recorded(std::uint32_t) override {
    times.push_back(
        offset_ + std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count());
  }
  std::vector<double> times;

 private:
  double offset_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

Recording Record() {
  Recording r;
  cubepack::SilentCatalogueReport quietCatalogue;
  cubepack::SilentSearchReport quiet;
  const double start = ThreadSeconds();
  const auto catalogue = cubepack::BuildCatalogue(quietCatalogue);
  r.catalogueSeconds = ThreadSeconds() - start;

  // A worker's state, as the first thing its thread does; the run records the script meanwhile,
  // so the recording's times start after the catalogue.
  const auto heap = [] { return mallinfo2().uordblks + mallinfo2().hblkhd; };  // with mmap'ed
  const std::size_t heapBefore = heap();
  const double t = ThreadSeconds();
  const auto state = std::make_unique<SearchState>(*catalogue, quiet);
  r.workerSetup = ThreadSeconds() - t;
  r.workerBytes = static_cast<double>(heap() - heapBefore) + sizeof(SearchState);

  ReadyTimes ready(r.catalogueSeconds);
  cubepack::SearchScript script;
  cubepack::RecordScript(*catalogue, cubepack::MakeEmptyBox(), script, &ready);

  cubepack::SubtreeUnits units;
  for (std::size_t i = 0; i < script.tasks.size(); ++i) {
    const cubepack::SubtreeTask& task = script.tasks[i];
    state->boardStack[2] = task.board;
    TaskCost cost;
    cost.ready = ready.times[i];
    double t0 = ThreadSeconds();
    cubepack::RefreshCandidates(*catalogue, task.board, state->candidates);
    cubepack::MakeSubtreeUnits(*state, units);
    double t1 = ThreadSeconds();
    cost.setup = t1 - t0;
    cost.visits = units.depth3Visits;
    for (int u = 0; u < units.count; ++u) {
      const cubepack::SearchCounts counts = cubepack::CountSubtreeUnit(*state, units, u);
      t0 = t1;
      t1 = ThreadSeconds();
      cost.units.push_back(t1 - t0);
      cost.visits += counts.listVisits;
      cost.solutions += counts.solutions;
    }
    r.tasks.push_back(std::move(cost));
  }
  return r;
}

bool Save(const Recording& r, const char* path) {
  std::FILE* f = std::fopen(path, "w");
  if (f == nullptr) return false;
  std::fprintf(f, "catalogue %.6f\nworker_setup %.6f\nworker_bytes %.0f\n", r.catalogueSeconds,
               r.workerSetup, r.workerBytes);
  for (const TaskCost& t : r.tasks) {
    std::fprintf(f, "%.9f %lld %lld %.9f %zu", t.ready, t.visits, t.solutions, t.setup,
                 t.units.size());
    for (const double u : t.units) std::fprintf(f, " %.9f", u);
    std::fputc('\n', f);
  }
  return std::fclose(f) == 0;
}

bool Load(Recording& r, const char* path) {
  std::FILE* f = std::fopen(path, "r");
  if (f == nullptr) return false;
  bool ok = std::fscanf(f, "catalogue %lf worker_setup %lf worker_bytes %lf", &r.catalogueSeconds,
                        &r.workerSetup, &r.workerBytes) == 3;
  TaskCost t;
  std::size_t count = 0;
  while (ok && std::fscanf(f, "%lf %lld %lld %lf %zu", &t.ready, &t.visits, &t.solutions, &t.setup,
                           &count) == 5) {
    t.units.assign(count, 0);
    for (double& u : t.units) ok = ok && std::fscanf(f, "%lf", &u) == 1;
    r.tasks.push_back(t);
  }
  std::fclose(f);
  return ok && !r.tasks.empty();
}

// Times from the start of the run.
struct Prediction {
  double wall;
  double firstTask;  // when the first task starts: the start-up before that is serial
};

// When a thread can take its first task.
double ThreadStart(const Recording& r) { return r.catalogueSeconds + r.workerSetup; }
double FirstTask(const Recording& r) { return std::max(ThreadStart(r), r.tasks.front().ready); }

// Whole tasks only: the earliest free thread takes the next task once it is recorded.
Prediction ModelWholeTasks(const Recording& r, int threads) {
  std::priority_queue<double, std::vector<double>, std::greater<>> freeAt;
  for (int i = 0; i < threads; ++i) freeAt.push(ThreadStart(r));
  double end = 0;
  for (const TaskCost& t : r.tasks) {
    const double start = std::max(freeAt.top(), t.ready);
    freeAt.pop();
    freeAt.push(start + t.Seconds());
    end = std::max(end, start + t.Seconds());
  }
  return {end, FirstTask(r)};
}

// The runner as it is: tasks in order, then the units of running tasks shared out. An event
// simulation: each thread is woken when what it does (a set-up or a unit) ends.
class SharingModel {
 public:
  SharingModel(const Recording& r, int threads)
      : r_(r), running_(r.tasks.size()), threads_(static_cast<std::size_t>(threads)) {}

  Prediction Run() {
    for (std::size_t w = 0; w < threads_.size(); ++w) events_.push({ThreadStart(r_), w});
    while (!events_.empty()) {
      const auto [now, w] = events_.top();
      events_.pop();
      Step(now, w);
    }
    return {end_, FirstTask(r_)};
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
      const TaskCost& task = r_.tasks[me.owns];
      events_.push({std::max(now, task.ready) + task.setup, w});
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
      "largest unit %.3f s\n",
      r.tasks.size(), units, solutions, visits, work, largest, largestUnit);
  std::printf(
      "start-up: catalogue %.4f s, a worker's state %.4f s, first task recorded at %.4f s, "
      "script recorded at %.4f s\n",
      r.catalogueSeconds, r.workerSetup, r.tasks.front().ready, r.tasks.back().ready);
  std::printf("memory per worker %.1f MB, at 256 workers %.0f MB\n\n", r.workerBytes / 1e6,
              256 * r.workerBytes / 1e6);
  std::printf(
      "| threads | predicted wall (s) | speed-up | efficiency | limited by | whole tasks only |\n");
  std::printf("|---:|---:|---:|---:|---|---:|\n");
  const double one = Model(r, 1).wall;
  for (const int n : threadCounts) {
    const Prediction p = Model(r, n);
    const Prediction whole = ModelWholeTasks(r, n);
    // What the wall time holds besides the work itself: the serial part before the first task,
    // and the tail (threads idle, waiting for the recording or at the end, or making lists for
    // units they help with).
    const double serialShare = p.firstTask / p.wall;
    const double tailShare = (p.wall - p.firstTask - work / n) / p.wall;
    char limit[96] = "the work itself";
    if (serialShare + tailShare > 0.05)
      std::snprintf(
          limit, sizeof limit, "%s %.0f %%, %s %.0f %%",
          serialShare > tailShare ? "serial part" : "tail", 100 * std::max(serialShare, tailShare),
          serialShare > tailShare ? "tail" : "serial part", 100 * std::min(serialShare, tailShare));
    if (largestUnit > 0.5 * (p.wall - p.firstTask))
      std::snprintf(limit, sizeof limit, "the largest unit");
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
