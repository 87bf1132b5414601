#include "support/test_packings.h"

#include <algorithm>
#include <array>
#include <bit>
#include <map>

#include "builtin/model/catalogue.h"

namespace cubepack::testing {

using namespace cubepack::builtin;

std::vector<OccupancyMask> QuarterTurnOrientations(int piece) {
  const PieceShape& shape = kPieceShapes[piece];
  std::vector<OccupancyMask> out;
  for (int tx = 0; tx < 4; ++tx)
    for (int ty = 0; ty < 4; ++ty)
      for (int tz = 0; tz < 4; ++tz) {
        std::vector<Cube> cubes;
        for (int k = 0; k < shape.cellCount; ++k)
          cubes.push_back(TurnZ(TurnY(TurnX(shape.cubes[k], tx), ty), tz));
        Cube low = cubes[0], high = cubes[0];
        for (const Cube& c : cubes) {
          low = {std::min(low.x, c.x), std::min(low.y, c.y), std::min(low.z, c.z)};
          high = {std::max(high.x, c.x), std::max(high.y, c.y), std::max(high.z, c.z)};
        }
        if (high.x - low.x >= 5 || high.y - low.y >= 4 || high.z - low.z >= 3) continue;
        OccupancyMask mask = 0;
        for (const Cube& c : cubes)
          mask |= OccupancyMask{1} << ((c.z - low.z) * 20 + (c.y - low.y) * 5 + (c.x - low.x));
        if (std::find(out.begin(), out.end(), mask) == out.end()) out.push_back(mask);
      }
  return out;
}

namespace {

int X(int k) { return k % 5; }
int Y(int k) { return k / 5 % 4; }
int Z(int k) { return k / 20; }

// Every placement of every piece, filed by piece and lowest cell.
struct Placements {
  std::array<std::array<std::vector<OccupancyMask>, 60>, kPieceCount> byLowest;
};

Placements MakePlacements() {
  Placements p;
  for (int i = 0; i < kPieceCount; ++i)
    for (const OccupancyMask shape : QuarterTurnOrientations(i))
      for (int shift = 0; shift < 60; ++shift) {
        // A shift keeps the shape whole only if no cell crosses an edge of the box.
        bool whole = true;
        for (int k = 0; k < 60; ++k)
          if (shape >> k & 1)
            whole = whole && X(k) + X(shift) < 5 && Y(k) + Y(shift) < 4 && Z(k) + Z(shift) < 3;
        if (whole) p.byLowest[i][std::countr_zero(shape) + shift].push_back(shape << shift);
      }
  return p;
}

struct Packer {
  const Placements& placements;
  int wanted;
  std::vector<Packing> found;
  std::array<OccupancyMask, kPieceCount> placed{};
  std::array<bool, kPieceCount> used{};

  bool IsTurnOfFound(const Packing& p) const {
    for (const Packing& q : found)
      for (int axis = 0; axis < 3; ++axis)
        if (HalfTurned(q, axis) == p) return true;
    return false;
  }

  void Pack(OccupancyMask filled) {
    if (static_cast<int>(found.size()) == wanted) return;
    if (filled == (OccupancyMask{1} << 60) - 1) {
      Packing p{};
      for (int i = 0; i < kPieceCount; ++i)
        for (int k = 0; k < 60; ++k)
          if (placed[i] >> k & 1) p[k] = static_cast<std::uint8_t>(i);
      if (!IsTurnOfFound(p)) found.push_back(p);
      return;
    }
    const int lowest = std::countr_one(filled);
    for (int i = 0; i < kPieceCount; ++i) {
      if (used[i]) continue;
      used[i] = true;
      for (const OccupancyMask m : placements.byLowest[i][lowest])
        if ((m & filled) == 0) {
          placed[i] = m;
          Pack(filled | m);
        }
      used[i] = false;
    }
  }
};

}  // namespace

const std::vector<Packing>& TestPackings(int count) {
  static std::map<int, std::vector<Packing>> kept;
  auto it = kept.find(count);
  if (it == kept.end()) {
    static const Placements placements = MakePlacements();
    Packer packer{placements, count, {}};
    packer.Pack(0);
    it = kept.emplace(count, std::move(packer.found)).first;
  }
  return it->second;
}

Packing HalfTurned(const Packing& p, int axis) {
  Packing out{};
  for (int k = 0; k < 60; ++k) {
    int x = X(k), y = Y(k), z = Z(k);
    if (axis != 0) x = 4 - x;
    if (axis != 1) y = 3 - y;
    if (axis != 2) z = 2 - z;
    out[z * 20 + y * 5 + x] = p[k];
  }
  return out;
}

Packing MirroredX(const Packing& p) {
  Packing out{};
  for (int k = 0; k < 60; ++k) out[Z(k) * 20 + Y(k) * 5 + (4 - X(k))] = p[k];
  return out;
}

}  // namespace cubepack::testing
