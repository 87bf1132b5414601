#pragma once
// Counts every packing of a polycube puzzle, and its classes under the target's symmetries.
//
// One shape class A (the fewest copies) is placed first, one placement per orbit of the
// symmetry group: fixed = sum over orbits of |orbit| * packings containing the orbit's
// representative / copies of A. Classes follow by Burnside: (fixed + sum over g != identity of
// the packings g maps onto themselves) / |G|, the latter from a search over unions of a
// placement's images under g. The work is a fixed list of tasks (a few pieces placed), so any
// number of threads, or a share of the list on another machine, gives the same sums.

#include <cstddef>
#include <cstdint>
#include <string>

#include "general/model/polycube_puzzle.h"
#include "general/solver/polycube_tables.h"
#include "shared/big_count.h"

namespace cubepack::general {

// Where the count's progress goes (from the thread that called CountPackings).
class CountProgress {
 public:
  virtual ~CountProgress() = default;
  virtual void TasksDone(std::size_t done, std::size_t total) = 0;
};

// A task's packings, and of them those whose mirror image is a packing (MirrorPackings::kSome).
struct TaskCount {
  BigCount all = 0, imaged = 0;
  bool overflow = false;  // the search's own sum passed 2^128
};

// What a count keeps of the tasks it finished, so that a count stopped part way goes on where it
// stopped. Tasks are named by their index in the whole list; every call comes from the thread
// that called CountPackings.
class TaskJournal {
 public:
  virtual ~TaskJournal() = default;
  // Once the list is made, before any task is counted; false stops the count there.
  virtual bool Begin(std::size_t tasks, std::uint64_t taskFingerprint) = 0;
  // True, with its count, for a task counted before: that count is added, the task not searched.
  virtual bool Done(std::size_t task, TaskCount& count) = 0;
  // A task just counted, before the next one's count is taken; false stops the count there.
  virtual bool Finished(std::size_t task, const TaskCount& count) = 0;
};

// The sums over the tasks counted: the whole list, or one share of it.
struct CountSums {
  BigCount weightedFixed = 0;  // sum of |orbit| * packings below each fixed-piece task
  BigCount invariant = 0;      // sum over g != identity of packings g maps onto themselves
  std::uint64_t divisor = 1;   // copies of the class placed first
  // Symmetries other than the identity that fix every cell (a reflection of a flat target):
  // each maps every packing onto itself, so each adds the fixed count again, unsearched.
  std::uint64_t cellFixingSymmetries = 0;
  std::size_t tasks = 0;  // tasks in the whole list
  // Of the whole list, each task's board, pieces left, symmetry and weight in order: shares
  // add up only when they cut the same list.
  std::uint64_t taskFingerprint = 0;
  std::size_t tasksCounted = 0;  // of them counted here
  bool overflow = false;         // a sum passed 2^128
  // Where a reflection maps only some packings onto packings (their classes join, the others'
  // do not): `invariant` is the rotations' sum, and of both sums the packings whose mirror
  // image is a packing are counted again, with the reflections' own sum.
  bool mirrorSome = false;
  std::uint64_t rotations = 0;
  BigCount weightedFixedImaged = 0;
  BigCount invariantImaged = 0;
  BigCount invariantReflections = 0;
};

// The puzzle with its cells in the search order chosen for it (by the target's extents).
PuzzleBuild BuildForCount(const PuzzleText& text, bool mirror);

// Counts the tasks i with i % shardCount == shardIndex (shardIndex from 0) on `jobs` threads,
// but those `journal` (where given) has counted before. The target must have at most
// kMaxTargetCells cells. Where the journal stops the count, the sums are a part.
CountSums CountPackings(const PolycubePuzzle& puzzle, int jobs, int shardIndex, int shardCount,
                        CountProgress* progress, TaskLimits limits = kPuzzleTasks,
                        TaskJournal* journal = nullptr);

// The whole count from the sums of every task; false with a one-line `error` when a division
// is not exact (a fault of the engine) or a sum passed 2^128.
bool FinishCount(const CountSums& sums, int symmetries, BigCount& fixed, BigCount& classes,
                 std::string& error);

}  // namespace cubepack::general
