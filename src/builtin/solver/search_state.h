#pragma once
// Everything one search owns: the board per depth, the turned copies, the remembered seeds and
// pairs, the counters and the candidate lists. The catalogue is shared and only read.

#include <array>
#include <cstdint>
#include <memory>

#include "builtin/model/board.h"
#include "builtin/model/catalogue.h"
#include "builtin/model/ordered_list.h"
#include "builtin/solver/candidates.h"
#include "builtin/solver/deep_queues.h"
#include "builtin/solver/deep_search_dispatch.h"
#include "builtin/solver/search_counts.h"
#include "builtin/solver/search_report.h"

namespace cubepack::builtin {

// A progress line is due after this many list visits.
inline constexpr std::int64_t kProgressInterval = std::int64_t{1} << 24;

inline constexpr int kVariantCount = 8;

struct SearchState {
  SearchState(const PieceCatalogue& cat, SearchReport& rep)
      : catalogue(cat), report(rep), candidates(cat) {}
  SearchState(const SearchState&) = delete;
  SearchState& operator=(const SearchState&) = delete;

  const PieceCatalogue& catalogue;
  SearchReport& report;

  // boardStack[k] is the box after k + 1 pieces; [0] is the seed board.
  std::array<Board, kPieceCount> boardStack{};
  // Slot 4*tx + 2*ty + tz: a board turned by HalfTurnX if tx, then HalfTurnY, then HalfTurnZ.
  std::array<Board, kVariantCount> variantBoards{};
  // Copies of the seeds already searched, and of the pairs accepted in the current symmetric
  // search; the list holds the copies themselves, so emptying it releases them.
  OrderedList<Board, kListBlock> seenBoards;
  OrderedList<Board, kListBlock> seenPairs;

  std::int64_t stepCount = 0;             // list visits since the last progress line
  std::array<DepthMark, 3> depthMarks{};  // entries 1 and 2 are used
  std::int32_t solutionCount = 0;
  std::int32_t seedOrdinal = 0;

  CandidateTables candidates;
  // Scratch room of the deep search (a few hundred kilobytes, too much for the stack).
  std::unique_ptr<DeepQueues> deepQueues = std::make_unique<DeepQueues>();
  // The build of the deep kernel that runs depths 5 to 11; it must be available.
  DeepKernelKind deepKernel = BestDeepKernel();
};

// The progress check of a depth-3 list visit: true when a progress line is due (the counter is
// then reset and the visit not counted); otherwise the visit is counted.
inline bool ProgressDue(std::int64_t& stepCount) {
  if (stepCount + 1 > kProgressInterval) {
    stepCount = 0;
    return true;
  }
  ++stepCount;
  return false;
}

// Adds what a part of the search counted to the state's counters.
inline void AddCounts(SearchState& s, const SearchCounts& counts) {
  s.stepCount += counts.listVisits;
  s.solutionCount += static_cast<std::int32_t>(counts.solutions);
}

}  // namespace cubepack::builtin
