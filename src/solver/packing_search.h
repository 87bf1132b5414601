#pragma once
// The listing search: the same search below a five-piece board as the deep kernel, but depth
// first and in the order the sequential search meets the packings, handing each packing to a
// sink. Its own path, so the count never pays for it.

#include <array>
#include <cstddef>
#include <cstdint>

#include "model/geometry.h"
#include "model/mask.h"

namespace cubepack {

struct SearchState;
struct DeepCounts;

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

// The three pieces of boardStack[2] as depths 0 to 2 placed them, read from boardStack[0..2]:
// the seed's cells are those with the seed's mark (a symmetric seed's board has no mask).
std::array<PlacedPiece, 3> FirstThreePieces(const SearchState& s);

// Depths 5 to 11 below boardStack[4], depth first: every packing goes to s.packingSink, with
// the first three pieces from s.firstPieces and the next two from boardStack[3] and [4].
// Counts list visits and solutions exactly as the deep kernel does.
DeepCounts ListPackingsBelow(SearchState& s);

// The deep kernel's count below one node of depth `depth` - 1 (5, 8 or 10).
DeepCounts CountDeep(SearchState& s, int depth, OccupancyMask grid, OccupancyMask fill,
                     std::uint32_t free);

}  // namespace cubepack
