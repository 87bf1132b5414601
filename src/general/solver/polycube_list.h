#pragma once
// Lists one packing per class of any polycube puzzle, as lines (model/puzzle_line.h).
//
// One shape class A (the fewest copies, then the fewest orbits) has a placement fixed first:
// one task per orbit of A's placements under the symmetry group G, at the orbit's first
// placement r, each expanded a couple of pieces deep. Every class holds a packing with a copy
// of A on some r, and a packing P found below r is written only when
//   (a) r is the first of the representatives that P's pieces cover (so it is found once), and
//   (b) its key is the least among the keys of the g(P), for the g in G for which g(P) covers
//       a representative: exactly the members of P's class that the search finds.
// The tasks are a fixed list; their lines come out in task order on any number of threads, so
// the bytes never depend on them, and a range of tasks is a contiguous part of the listing.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "general/model/polycube_puzzle.h"
#include "general/model/puzzle_line.h"
#include "general/solver/polycube_tables.h"

namespace cubepack::general {

// What a listing makes of each task's lines on the thread that listed them, so that work on
// every line (its disassembly) runs on all the listing's threads.
class LineWork {
 public:
  virtual ~LineWork() = default;
  // Replaces the `count` lines (each with its "\n") by what the sink takes instead.
  virtual void Rewrite(std::string& lines, std::size_t& count) = 0;
};

// Takes the listing task by task, in task order, on the thread that called List.
class ListingSink {
 public:
  virtual ~ListingSink() = default;
  // Each worker's own LineWork, or none to take the lines as they are. Called on the workers'
  // threads, several at once.
  virtual std::unique_ptr<LineWork> MakeLineWork() const { return nullptr; }
  // Task `task`'s lines (each with its "\n"), `count` of them. False stops the listing.
  virtual bool TaskLines(std::size_t task, std::string_view lines, std::size_t count) = 0;
  // Before its lines: how many packings the search found below task `task` (not only those
  // written), for a count made on the way.
  virtual void TaskPackings(std::size_t task, std::uint64_t packings) {
    (void)task;
    (void)packings;
  }
};

class PuzzleLister {
 public:
  // `puzzle` and `line` must outlive the lister.
  PuzzleLister(const PolycubePuzzle& puzzle, const PuzzleLine& line,
               TaskLimits limits = kPuzzleTasks);
  ~PuzzleLister();
  PuzzleLister(const PuzzleLister&) = delete;
  PuzzleLister& operator=(const PuzzleLister&) = delete;

  std::size_t Tasks() const;
  // The fixed count is the sum over the tasks of Weight(task) * packings, divided by Divisor().
  std::uint64_t Weight(std::size_t task) const;
  std::uint64_t Divisor() const;
  // Names the task list (shared with the count): another list gives another value.
  std::uint64_t Fingerprint() const;
  // Lists the tasks [begin, end) on `jobs` threads. Stops early when the sink says so; rethrows
  // on this thread what a worker threw (after every worker has stopped).
  void List(std::size_t begin, std::size_t end, int jobs, ListingSink& sink) const;

  class Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace cubepack::general
