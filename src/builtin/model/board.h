#pragma once
// The board record: bordered cell grid, occupancy mask and placed flags, plus the operations
// on it (clear, mask computation, mirrors and half turns, comparison, grid scan).

#include <array>
#include <cstdint>
#include <type_traits>

#include "builtin/model/geometry.h"
#include "builtin/model/mask.h"

namespace cubepack::builtin {

// 90 bytes, index z*30 + y*6 + x. Border cells (x = 5 or y = 4) hold 15; playable cells hold
// 0 when empty, else the mark of the piece on them.
using CellGrid = std::array<std::uint8_t, kGridSize>;

// Cell marks written by the search. Only SameCells looks at the values.
inline constexpr std::uint8_t kSeedMark = 1;
inline constexpr std::uint8_t kPairMark = 2;
inline constexpr std::uint8_t kPieceMark = 3;

// A plain value, copied whole from one search depth to the next instead of being undone.
// `mask` is not kept in step with `cells` by the board itself: whoever writes cells updates it.
struct Board {
  OccupancyMask mask;
  CellGrid cells;
  std::array<std::uint8_t, kPieceCount> placed;
};

static_assert(std::is_trivially_copyable_v<Board>);
static_assert(sizeof(Board) <= 112, "a board copy should stay a couple of cache lines");

// Pieces 1 to 11 not yet on the board, as bits (bit i for piece i). Piece 0, the seed, is on
// every board the search makes, and the deep search relies on its bit staying clear.
inline std::uint32_t FreePieces(const Board& b) {
  std::uint32_t free = 0;
  for (int i = 1; i < kPieceCount; ++i)
    if (b.placed[i] == 0) free |= std::uint32_t{1} << i;
  return free;
}

// Zero mask, cells and flags, then the border cells set to 15.
void ClearBoard(Board& b);

// Rebuilds `mask` from the playable cells (any non-zero byte is filled).
void ComputeMask(Board& b);

// True when `mask` marks exactly the filled playable cells. The search keeps the two in step by
// hand; checked builds assert this wherever a shallow depth writes a board.
inline bool MaskMatchesCells(const Board& b) {
  Board copy = b;
  ComputeMask(copy);
  return copy.mask == b.mask;
}

// A cleared board with its mask computed: the empty box.
Board MakeEmptyBox();

// Mirrors of the playable cells; border cells are never touched.
void MirrorX(CellGrid& g);
void MirrorY(CellGrid& g);
void MirrorZ(CellGrid& g);

// The three half turns of the box; with the identity, its four rotations.
inline void HalfTurnX(CellGrid& g) { MirrorY(g), MirrorZ(g); }
inline void HalfTurnY(CellGrid& g) { MirrorX(g), MirrorZ(g); }
inline void HalfTurnZ(CellGrid& g) { MirrorX(g), MirrorY(g); }

// Turns a board's cells with the box (the identity or one of the half turns).
void TurnBoard(Board& b, BoxTurn turn);

// The playable cells whose byte is `value`, as a mask (0 gives the empty cells).
OccupancyMask CellsHolding(const CellGrid& g, std::uint8_t value);

// True when the 60 playable cells hold equal bytes; border, mask and flags are ignored.
bool SameCells(const Board& a, const Board& b);

// Smallest index i with from <= i <= 89 whose byte is 0; 90 when there is none (or from > 89).
inline int FirstEmptyGridCell(const CellGrid& g, int from) {
  int i = from < 0 ? 0 : from;
  while (i < kGridSize && g[i] != 0) ++i;
  return i < kGridSize ? i : kGridSize;
}

}  // namespace cubepack::builtin
