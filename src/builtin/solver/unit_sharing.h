#pragma once
// A running task's units, open to the other workers once the queue has handed out every task:
// without this, the run would end with the last few large tasks each on one thread. Each worker
// owns one TaskShare and publishes its current task in `claim`; any worker takes unit `next` by
// moving `next` on, runs it with its own state and candidate lists (made for the task's board),
// writes its counts and then moves `finished` on.

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "builtin/solver/packing_search.h"
#include "builtin/solver/search_counts.h"
#include "builtin/solver/subtree_units.h"
#include "builtin/solver/wakeup.h"

namespace cubepack::builtin {

// The claim word: (task + 1) << 32 | unit count << 16 | next unit. The task part tells a helper
// that the units it made lists for are still the ones handed out; 0: nothing shared.
constexpr std::uint64_t Claim(std::size_t task, int unitCount) {
  return (std::uint64_t{task + 1} << 32) | (static_cast<std::uint64_t>(unitCount) << 16);
}
constexpr std::size_t ClaimedTask(std::uint64_t claim) { return (claim >> 32) - 1; }
constexpr int ClaimedUnits(std::uint64_t claim) { return static_cast<int>((claim >> 16) & 0xFFFF); }
constexpr int NextUnit(std::uint64_t claim) { return static_cast<int>(claim & 0xFFFF); }
constexpr int UnitsLeft(std::uint64_t claim) {
  return claim == 0 ? 0 : std::max(ClaimedUnits(claim) - NextUnit(claim), 0);
}
static_assert(kMaxSubtreeUnits < 0x8000, "the next unit may pass the count; both need room");
static_assert(UnitsLeft(Claim(7, 30) + 29) == 1 && ClaimedTask(Claim(7, 30) + 31) == 7);

struct alignas(64) TaskShare {
  std::atomic<std::uint64_t> claim{0};
  std::atomic<int> finished{0};
  Wakeup helped;  // the owner sleeps here for units others still run
  std::array<SearchCounts, kMaxSubtreeUnits> counts{};
  std::array<std::vector<PieceCells>, kMaxSubtreeUnits> packings;  // when listing

  // Opens task `task`'s `unitCount` units.
  void Open(std::size_t task, int unitCount) {
    finished.store(0, std::memory_order_relaxed);
    claim.store(Claim(task, unitCount), std::memory_order_release);
  }
  // The next unit of the owner's own task, or -1 when every unit is taken.
  int TakeOwnUnit(int unitCount) {
    const int u = NextUnit(claim.fetch_add(1, std::memory_order_acq_rel));
    return u < unitCount ? u : -1;
  }
  // Waits for every unit to be finished, then closes the task.
  void Close(int unitCount) {
    helped.WaitUntil([&] { return finished.load(std::memory_order_acquire) >= unitCount; });
    claim.store(0, std::memory_order_relaxed);
  }
  // A unit is done (its counts written, or its helper failed).
  void Finished() { finished.fetch_add(1, std::memory_order_release); }
  // Takes a unit of task `task` for a helper; false when it has none left or is another task.
  bool TakeUnitOf(std::size_t task, int& unit) {
    std::uint64_t c = claim.load(std::memory_order_acquire);
    while (c != 0 && ClaimedTask(c) == task && UnitsLeft(c) > 0) {
      if (claim.compare_exchange_weak(c, c + 1, std::memory_order_acq_rel,
                                      std::memory_order_acquire)) {
        unit = NextUnit(c);
        return true;
      }
    }
    return false;
  }
};

// The share with the most units left among `count` shares, or null when none has any; its
// claim goes to `claim`.
inline TaskShare* MostUnitsLeft(TaskShare* shares, std::size_t count, std::uint64_t& claim) {
  TaskShare* best = nullptr;
  claim = 0;
  for (std::size_t w = 0; w < count; ++w) {
    const std::uint64_t c = shares[w].claim.load(std::memory_order_relaxed);
    if (UnitsLeft(c) > UnitsLeft(claim)) {
      best = &shares[w];
      claim = c;
    }
  }
  return best;
}

}  // namespace cubepack::builtin
