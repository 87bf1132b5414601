#include "builtin/model/placement.h"

#include <algorithm>

#include "builtin/model/cell_tables.h"

namespace cubepack::builtin {

int FillAnchor(const Placement& p) {
  const int n = p.orientation->cellCount;
  for (const FillOrderRow& row : FillOrderTable)
    for (int k = 0; k < n; ++k)
      if (p.origin + p.orientation->offsets[k] == row.gridIndex) return row.gridIndex;
  return -1;
}

int LowAnchor(const Placement& p) {
  int low = kGridSize;
  for (int k = 0; k < p.orientation->cellCount; ++k)
    low = std::min(low, p.origin + p.orientation->offsets[k]);
  return low;
}

namespace {

void FileUnder(PlacementTable& table, int anchor, const Placement& p) {
  if (!table[anchor]) table[anchor] = std::make_unique<PlacementList>();
  table[anchor]->Append(p);
}

}  // namespace

void FilePlacements(Piece& piece, const Orientation& o) {
  static const Board empty = MakeEmptyBox();
  for (int x0 = 0; x0 < kSizeX; ++x0)
    for (int y0 = 0; y0 < kSizeY; ++y0)
      for (int z0 = 0; z0 < kSizeZ; ++z0) {
        const int origin = GridIndex(x0, y0, z0);
        if (!FitsGrid(empty, o, origin)) continue;
        Placement p{0, &o, origin, 0};
        for (int k = 0; k < o.cellCount; ++k)
          p.mask |= CellBit(BitOfGridIndex[origin + o.offsets[k]]);
        p.fillMask = ToFillOrder(p.mask);
        FileUnder(piece.byLowAnchor, LowAnchor(p), p);
        FileUnder(piece.byFillAnchor, FillAnchor(p), p);
      }
}

}  // namespace cubepack::builtin
