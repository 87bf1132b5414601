#pragma once
// The events the solver reports. The solver never prints: the console front end (or a test)
// turns these into output.

#include <cstdint>

namespace cubepack::builtin {

// Which piece a shallow depth is walking, and the running number of the current fitting
// placement within that list.
struct DepthMark {
  std::int32_t piece = 0;
  std::int32_t ordinal = 0;
};

class SearchReport {
 public:
  virtual ~SearchReport() = default;
  // A new seed was found and classified; its search follows.
  virtual void SeedClassified(bool symmetric) = 0;
  // A progress line is due.
  virtual void Progress(std::int32_t seedOrdinal, DepthMark depth1, DepthMark depth2,
                        std::int32_t solutionCount) = 0;
  // The search below a seed is done; `solutionCount` is the running total.
  virtual void SeedSearched(std::int32_t solutionCount) = 0;
};

// Ignores every event: for searches whose events are not shown (workers, listings, tools).
class SilentSearchReport final : public SearchReport {
 public:
  void SeedClassified(bool) override {}
  void Progress(std::int32_t, DepthMark, DepthMark, std::int32_t) override {}
  void SeedSearched(std::int32_t) override {}
};

}  // namespace cubepack::builtin
