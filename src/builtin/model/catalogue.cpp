#include "builtin/model/catalogue.h"

#include <algorithm>

#include "builtin/model/placement.h"

namespace cubepack::builtin {

Cube TurnX(Cube c, int turns) {
  for (int t = 0; t < turns; ++t) c = {c.x, -c.z, c.y};
  return c;
}
Cube TurnY(Cube c, int turns) {
  for (int t = 0; t < turns; ++t) c = {c.z, c.y, -c.x};
  return c;
}
Cube TurnZ(Cube c, int turns) {
  for (int t = 0; t < turns; ++t) c = {c.y, -c.x, c.z};
  return c;
}

namespace {

// Turns, then moves the cubes against the corner planes of their bounding box.
Orientation MakeTurned(const PieceShape& shape, int tx, int ty, int tz) {
  Orientation o{shape.cellCount, shape.cubes, {}};
  const int n = shape.cellCount;
  for (int k = 0; k < n; ++k) o.cubes[k] = TurnZ(TurnY(TurnX(o.cubes[k], tx), ty), tz);
  Cube low = o.cubes[0];
  for (int k = 1; k < n; ++k) {
    low.x = std::min(low.x, o.cubes[k].x);
    low.y = std::min(low.y, o.cubes[k].y);
    low.z = std::min(low.z, o.cubes[k].z);
  }
  for (int k = 0; k < n; ++k) {
    Cube& c = o.cubes[k];
    c = {c.x - low.x, c.y - low.y, c.z - low.z};
    o.offsets[k] = GridIndex(c.x, c.y, c.z);
  }
  // Offset 0 never stands first.
  if (o.offsets[0] == 0) std::swap(o.offsets[0], o.offsets[1]);
  return o;
}

// Same set of cube positions in any order (spare entries included on both sides).
bool SameCubeSet(const Orientation& a, const Orientation& b) {
  auto ca = a.cubes, cb = b.cubes;
  std::sort(ca.begin(), ca.end());
  std::sort(cb.begin(), cb.end());
  return ca == cb;
}

}  // namespace

std::unique_ptr<PieceCatalogue> BuildCatalogue(CatalogueReport& report) {
  auto cat = std::make_unique<PieceCatalogue>();
  for (int i = 0; i < kPieceCount; ++i) {
    const PieceShape& shape = kPieceShapes[i];
    Piece& piece = cat->pieces[i];
    piece.cellCount = shape.cellCount;
    piece.cubes = shape.cubes;
    OrientationList& list = cat->orientations[i];
    for (int tx = 0; tx < 4; ++tx)
      for (int ty = 0; ty < 4; ++ty)
        for (int tz = 0; tz < 4; ++tz) {
          const Orientation turned = MakeTurned(shape, tx, ty, tz);
          const bool seen = std::any_of(list.begin(), list.end(), [&](const Orientation* o) {
            return SameCubeSet(*o, turned);
          });
          if (seen) continue;
          const Orientation* stored = &cat->orientationStore.emplace_back(turned);
          list.Append(stored);
          if (i != kSeedPiece) FilePlacements(piece, *stored);
        }
    report.PieceBuilt(i, list.Count(), list.Count() * shape.cellCount);
  }
  return cat;
}

}  // namespace cubepack::builtin
