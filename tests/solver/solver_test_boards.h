#pragma once
// Board builders, a reduced catalogue and an independent packing counter for the solver tests.

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "model/board.h"
#include "model/catalogue.h"

namespace cubepack::testing {

struct CellXYZ {
  int x, y, z;
};

inline int GridOf(CellXYZ c) { return GridIndex(c.x, c.y, c.z); }
inline OccupancyMask BitOf(CellXYZ c) { return CellBit(BitNumber(c.x, c.y, c.z)); }

// Every playable cell holds `mark` except the listed ones, which are empty; mask computed,
// no piece placed.
inline Board FullBoxExcept(const std::vector<CellXYZ>& empty, std::uint8_t mark = kPieceMark) {
  Board b;
  ClearBoard(b);
  for (int z = 0; z < kSizeZ; ++z)
    for (int y = 0; y < kSizeY; ++y)
      for (int x = 0; x < kSizeX; ++x) b.cells[GridIndex(x, y, z)] = mark;
  for (const CellXYZ& c : empty) b.cells[GridOf(c)] = 0;
  ComputeMask(b);
  return b;
}

// The empty box with the listed cells set to `mark`; mask computed, no piece placed.
inline Board EmptyBoxWith(const std::vector<CellXYZ>& filled, std::uint8_t mark = kSeedMark) {
  Board b = MakeEmptyBox();
  for (const CellXYZ& c : filled) b.cells[GridOf(c)] = mark;
  ComputeMask(b);
  return b;
}

// A catalogue with the orientations of the listed pieces only and no placement lists, so that
// the seed stage and the pair enumeration run in full while every search below them finds
// nothing to place.
inline std::unique_ptr<PieceCatalogue> OrientationsOnly(const PieceCatalogue& full,
                                                        std::initializer_list<int> pieces) {
  auto cat = std::make_unique<PieceCatalogue>();
  for (int i = 0; i < kPieceCount; ++i) {
    cat->pieces[i].cellCount = full.pieces[i].cellCount;
    cat->pieces[i].cubes = full.pieces[i].cubes;
  }
  for (int i : pieces)
    for (const Orientation* o : full.orientations[i]) cat->orientations[i].Append(o);
  return cat;
}

// One piece lying in the box, as coordinates.
struct LaidPiece {
  int piece;
  std::vector<CellXYZ> cells;
};

// Exhaustive packer that shares nothing with the solver but the pieces' cube lists: it turns
// the pieces itself, works on coordinates with bounds checks, has no anchor tables and no
// pruning. It always covers the first empty cell of its own cell order, so every packing is met
// exactly once.
class NaivePacker {
 public:
  NaivePacker() {
    for (int i = 0; i < kPieceCount; ++i) shapes_[i] = Rotations(kPieceShapes[i]);
  }

  // Distinct proper rotations of one piece, each moved against the corner planes.
  static std::vector<std::vector<CellXYZ>> Rotations(const PieceShape& shape) {
    std::vector<std::vector<CellXYZ>> found;
    const int perms[6][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}, {1, 0, 2}, {0, 2, 1}, {2, 1, 0}};
    for (int p = 0; p < 6; ++p)
      for (int signs = 0; signs < 8; ++signs) {
        const int s[3] = {signs & 1 ? -1 : 1, signs & 2 ? -1 : 1, signs & 4 ? -1 : 1};
        // Odd permutations (the last three) need an odd number of sign flips to stay proper.
        if ((s[0] * s[1] * s[2] < 0) != (p >= 3)) continue;
        std::vector<std::array<int, 3>> turned;
        for (int k = 0; k < shape.cellCount; ++k) {
          const int in[3] = {shape.cubes[k].x, shape.cubes[k].y, shape.cubes[k].z};
          turned.push_back(
              {s[0] * in[perms[p][0]], s[1] * in[perms[p][1]], s[2] * in[perms[p][2]]});
        }
        std::array<int, 3> low = turned[0];
        for (const auto& c : turned)
          for (int d = 0; d < 3; ++d) low[d] = std::min(low[d], c[d]);
        for (auto& c : turned)
          for (int d = 0; d < 3; ++d) c[d] -= low[d];
        std::sort(turned.begin(), turned.end());
        std::vector<CellXYZ> cubes;
        for (const auto& c : turned) cubes.push_back({c[0], c[1], c[2]});
        const bool seen = std::any_of(found.begin(), found.end(), [&](const auto& f) {
          return std::equal(
              f.begin(), f.end(), cubes.begin(), cubes.end(),
              [](CellXYZ a, CellXYZ b) { return a.x == b.x && a.y == b.y && a.z == b.z; });
        });
        if (!seen) found.push_back(cubes);
      }
    return found;
  }

  // Packings of the free pieces (bit i of `freePieces`) that fill exactly the empty cells.
  std::int64_t Count(const std::vector<LaidPiece>& laid, unsigned freePieces) const {
    std::uint64_t filled = 0;
    for (const LaidPiece& p : laid)
      for (const CellXYZ& c : p.cells) filled |= Bit(c);
    std::int64_t count = 0;
    Walk(filled, freePieces, nullptr, [&] { ++count; });
    return count;
  }

  // The first packing of all twelve pieces that the walk meets, in placement order.
  std::vector<LaidPiece> FirstPacking() const {
    std::vector<LaidPiece> path, found;
    Walk(0, (1u << kPieceCount) - 1, &path, [&] {
      if (found.empty()) found = path;
    });
    return found;
  }

 private:
  // The packer's own cell numbering, unrelated to the solver's mask bits.
  static std::uint64_t Bit(CellXYZ c) { return std::uint64_t{1} << (c.x * 12 + c.y * 3 + c.z); }
  static constexpr std::uint64_t kAll = (std::uint64_t{1} << kCellCount) - 1;

  template <typename OnPacking>
  bool Walk(std::uint64_t filled, unsigned freePieces, std::vector<LaidPiece>* path,
            OnPacking&& onPacking) const {
    if (filled == kAll) {
      if (freePieces == 0) onPacking();
      return path != nullptr && freePieces == 0;  // a path walk stops at the first packing
    }
    int first = 0;
    while (filled >> first & 1) ++first;
    const CellXYZ a{first / 12, first / 3 % 4, first % 3};
    for (int i = 0; i < kPieceCount; ++i) {
      if ((freePieces >> i & 1) == 0) continue;
      for (const auto& cubes : shapes_[i])
        for (const CellXYZ& pivot : cubes) {
          std::uint64_t add = 0;
          bool fits = true;
          for (const CellXYZ& c : cubes) {
            const CellXYZ at{a.x + c.x - pivot.x, a.y + c.y - pivot.y, a.z + c.z - pivot.z};
            if (at.x < 0 || at.x >= kSizeX || at.y < 0 || at.y >= kSizeY || at.z < 0 ||
                at.z >= kSizeZ || (filled & Bit(at)) != 0) {
              fits = false;
              break;
            }
            add |= Bit(at);
          }
          if (!fits) continue;
          if (path != nullptr) {
            path->push_back({i, {}});
            for (const CellXYZ& c : cubes)
              path->back().cells.push_back(
                  {a.x + c.x - pivot.x, a.y + c.y - pivot.y, a.z + c.z - pivot.z});
          }
          const bool stop = Walk(filled | add, freePieces & ~(1u << i), path, onPacking);
          if (path != nullptr) {
            if (stop) return true;
            path->pop_back();
          }
        }
    }
    return false;
  }

  std::vector<std::vector<CellXYZ>> shapes_[kPieceCount];
};

// A board holding the given pieces: their cells marked, their flags set, the mask computed.
inline Board BoardOf(const std::vector<LaidPiece>& laid, std::uint8_t mark = kPieceMark) {
  Board b = MakeEmptyBox();
  for (const LaidPiece& p : laid) {
    for (const CellXYZ& c : p.cells) b.cells[GridOf(c)] = mark;
    b.placed[p.piece] = 1;
  }
  ComputeMask(b);
  return b;
}

}  // namespace cubepack::testing
