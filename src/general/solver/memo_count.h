#pragma once
// The count of puzzles whose pieces come in many copies (dominoes in a square, bricks in a box):
// there the same empty cells meet the same pieces left again and again, and remembering what
// each such sub-board completes to turns an enumeration of billions into a walk over the
// sub-boards. The search fills the first empty cell in the cells' order, so every cell before
// it is filled and none further than one placement's reach after it: the state is the first
// empty cell, a window of the cells after it, the copies left and the cells left empty. For a
// symmetry's invariant packings the board is its own image, so the cells past the window are
// known from their orbits' first cells, and the same window is the state.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "general/model/polycube_puzzle.h"
#include "shared/big_count.h"

namespace cubepack::general {

// The widest window the memo takes, in cells: each state's key grows with it.
inline constexpr int kMaxMemoWindow = 256;

// The least memory the memo is worth running with.
inline constexpr std::size_t kMinMemoBytes = std::size_t{1} << 20;

// The cells from one placement's first cell to its last, at most, in the cells' order.
int PlacementReach(const PolycubePuzzle& p);

// Whether the memo can count this puzzle: the window is at most kMaxMemoWindow, the target at
// most 4096 cells, and every reflection acts on all packings or none.
bool MemoFits(const PolycubePuzzle& p);

// Whether it is worth it: it fits and the pieces come in copies, on average three or more per
// shape. Measured: tetrominoes three or four of each in 6 x 10 took 0.37 s instead of 5.2 s,
// trominoes in 6 x 9 0.01 s instead of 5.5 s; but the seven one-sided tetrominoes twice each
// in 7 x 8 took 1.9 s instead of 1.2 s (its sub-boards repeat, but there are many more of
// them than the enumeration's pruning leaves nodes), and with every shape once the
// enumeration always won.
bool MemoPays(const PolycubePuzzle& p);

// A worker's memo search, with a table of at most `bytes` (grown as it fills, then evicting).
class MemoCounter {
 public:
  virtual ~MemoCounter() = default;
  // The packings (symmetry 0), or those symmetry g maps onto themselves.
  virtual BigCount Count(int symmetry) = 0;
  // The last Count passed 2^128 (and is not the count).
  virtual bool Overflowed() const = 0;
};

std::unique_ptr<MemoCounter> MakeMemoCounter(const PolycubePuzzle& p, std::size_t bytes);

}  // namespace cubepack::general
