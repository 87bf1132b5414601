#pragma once
// Placements: an orientation at an origin. Generating them, filing them under their anchor
// cells, and the two rules every stage applies to one: whether it fits a grid, and writing it
// into a board.

#include <cstdint>

#include "builtin/model/board.h"
#include "builtin/model/catalogue.h"

namespace cubepack::builtin {

// The longest full list holds 24 placements.
inline constexpr int kMaxListLength = 24;

// Covered cell with the smallest x, then y, then z: the placement's first cell in fill order.
int FillAnchor(const Placement& p);
// Covered cell with the lowest grid index.
int LowAnchor(const Placement& p);

// True when `o` at `origin` covers only empty playable cells of `b`'s grid: every cell index
// in the grid, none holding a mark or the border.
inline bool FitsGrid(const Board& b, const Orientation& o, int origin) {
  for (int k = 0; k < o.cellCount; ++k) {
    const int g = origin + o.offsets[k];
    if (g < 0 || g >= kGridSize || b.cells[g] != 0) return false;
  }
  return true;
}

// Writes `mark` into the cells that `o` at `origin` covers; the mask is left as it was.
inline void MarkCells(Board& b, const Orientation& o, int origin, std::uint8_t mark) {
  for (int k = 0; k < o.cellCount; ++k) b.cells[origin + o.offsets[k]] = mark;
}

// The board after `prev` with piece `piece` placed at `p`: cells marked, flag set, mask merged.
inline void PlaceOnGrid(Board& next, const Board& prev, int piece, const Placement& p,
                        std::uint8_t mark = kPieceMark) {
  next = prev;
  next.placed[piece] = 1;
  MarkCells(next, *p.orientation, p.origin, mark);
  next.mask |= p.mask;
}

// Files every placement of one orientation that fits the empty box under its low anchor and
// under its fill anchor, in origin order x, y, z (z fastest).
void FilePlacements(Piece& piece, const Orientation& orientation);

}  // namespace cubepack::builtin
