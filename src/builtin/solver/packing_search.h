#pragma once
// The listing search: the same search as the count, but depth first below depth 4 and in the
// order the sequential search meets the packings, handing each packing to a sink. Its own
// entries, so the count never pays for it.

#include <array>
#include <cstddef>
#include <cstdint>

#include "builtin/model/board.h"
#include "builtin/model/geometry.h"
#include "builtin/model/mask.h"
#include "builtin/solver/search_counts.h"

namespace cubepack::builtin {

struct SearchState;

// The cells of every piece of a packing, by piece number.
using PieceCells = std::array<OccupancyMask, kPieceCount>;

// One piece on the board: its number and its cells.
struct PlacedPiece {
  int piece = 0;
  OccupancyMask cells = 0;
};

// Receives every packing, in the order the search counts them.
class PackingSink {
 public:
  virtual ~PackingSink() = default;
  virtual void Found(const PieceCells& packing) = 0;
  // The parallel runner's progress: `done` of its `total` three-piece boards are listed.
  virtual void TaskDone(std::size_t /*done*/, std::size_t /*total*/) {}
};

// What the listing below a three-piece board needs besides the search state: where the
// packings go, and the three pieces of that board.
struct PackingListing {
  PackingSink& sink;
  std::array<PlacedPiece, 3> firstPieces;
};

// The piece that `after` has and `before` has not, and its cells (from the masks).
PlacedPiece AddedPiece(const Board& before, const Board& after);
// The three pieces of boardStack[2] as depths 0 to 2 placed them.
std::array<PlacedPiece, 3> FirstThreePieces(const SearchState& s);

// Depths 1 to 11 below boardStack[0], listing every packing to `sink` and counting as
// SearchPlain does.
void ListPlain(SearchState& s, PackingSink& sink);
// Depths 3 to 11 below boardStack[2], listing and counting as SearchDepth3 does.
void ListDepth3(SearchState& s, const PackingListing& listing);
// Depths 5 to 11 below boardStack[4], depth first: every packing goes to the listing's sink.
// Counts list visits and solutions exactly as the deep kernel does.
SearchCounts ListDepth5(SearchState& s, const PackingListing& listing);

}  // namespace cubepack::builtin
