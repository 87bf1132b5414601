#pragma once
// Whether 60 piece numbers are a packing: each piece covers its number of cells, and those
// cells are the piece in one of its 24 rotations. Only the pieces' cube lists are needed, none
// of the search's tables, so a listing can be checked by code it did not come from. Also the
// key under which packings that a half turn of the box maps onto one another are the same.

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "builtin/model/catalogue.h"
#include "builtin/model/geometry.h"
#include "builtin/model/mask.h"
#include "builtin/model/packing.h"

namespace cubepack::builtin {

// A 3 x 3 integer matrix, applied as m * (x, y, z).
struct Rotation {
  std::array<std::array<int, 3>, 3> m;
  friend constexpr bool operator==(const Rotation&, const Rotation&) = default;
};

inline constexpr int Determinant(const Rotation& r) {
  const auto& m = r.m;
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
         m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// The rotations of the cube: the signed permutation matrices of determinant +1. The other 24
// (determinant -1) make mirror images, which no piece can be turned into when it is chiral.
inline constexpr std::array<Rotation, 24> kRotations = [] {
  constexpr int kPermutations[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2},
                                       {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  constexpr int kParity[6] = {1, -1, -1, 1, 1, -1};
  std::array<Rotation, 24> out{};
  int n = 0;
  for (int p = 0; p < 6; ++p)
    for (int s = 0; s < 8; ++s) {
      const int sign[3] = {s & 1 ? -1 : 1, s & 2 ? -1 : 1, s & 4 ? -1 : 1};
      if (kParity[p] * sign[0] * sign[1] * sign[2] != 1) continue;
      Rotation r{};
      for (int row = 0; row < 3; ++row) r.m[row][kPermutations[p][row]] = sign[row];
      out[n++] = r;
    }
  return out;
}();

static_assert(
    [] {
      for (std::size_t i = 0; i < kRotations.size(); ++i) {
        if (Determinant(kRotations[i]) != 1) return false;
        for (std::size_t j = 0; j < i; ++j)
          if (kRotations[i] == kRotations[j]) return false;
      }
      return true;
    }(),
    "24 distinct proper rotations");

// The distinct rotations of one piece that fit in the box, each as the mask of its cells moved
// against the corner (lowest x, y and z all 0).
struct PieceRotations {
  int count;
  std::array<OccupancyMask, 24> masks;
};

inline constexpr std::array<PieceRotations, kPieceCount> kPieceRotations = [] {
  std::array<PieceRotations, kPieceCount> out{};
  for (int i = 0; i < kPieceCount; ++i) {
    const PieceShape& shape = kPieceShapes[i];
    for (const Rotation& r : kRotations) {
      int turned[kMaxCubes][3] = {};
      int low[3] = {99, 99, 99}, high[3] = {-99, -99, -99};
      for (int k = 0; k < shape.cellCount; ++k) {
        const int c[3] = {shape.cubes[k].x, shape.cubes[k].y, shape.cubes[k].z};
        for (int row = 0; row < 3; ++row) {
          turned[k][row] = r.m[row][0] * c[0] + r.m[row][1] * c[1] + r.m[row][2] * c[2];
          low[row] = turned[k][row] < low[row] ? turned[k][row] : low[row];
          high[row] = turned[k][row] > high[row] ? turned[k][row] : high[row];
        }
      }
      if (high[0] - low[0] >= kSizeX || high[1] - low[1] >= kSizeY || high[2] - low[2] >= kSizeZ)
        continue;  // never in the box
      OccupancyMask mask = 0;
      for (int k = 0; k < shape.cellCount; ++k)
        mask |=
            CellBit(BitNumber(turned[k][0] - low[0], turned[k][1] - low[1], turned[k][2] - low[2]));
      PieceRotations& p = out[i];
      bool seen = false;
      for (int j = 0; j < p.count; ++j) seen = seen || p.masks[j] == mask;
      if (!seen) p.masks[p.count++] = mask;
    }
  }
  return out;
}();

// The cells moved so that their lowest x, y and z are 0; the mask must not be empty.
OccupancyMask MoveToCorner(OccupancyMask cells);

// True when the cells are the piece in one of its rotations, anywhere in the box.
bool IsRotationOfPiece(int piece, OccupancyMask cells);

// "" when every piece is in place, else the first fault by piece number: "piece 4 covers 6
// cells, not 5" or "piece 4 is not in one of its rotations".
std::string CheckPieces(const Packing& packing);

// ParsePackingLine, then CheckPieces: what is wrong with one line's characters, or "".
std::string CheckPackingLine(std::string_view chars, Packing& out);

// A packing in 30 bytes: 4 bits a cell, 16 cells a word.
struct PackingKey {
  std::array<std::uint64_t, 4> words;
  friend constexpr bool operator==(const PackingKey&, const PackingKey&) = default;
  friend constexpr auto operator<=>(const PackingKey&, const PackingKey&) = default;
};

struct PackingKeyHash {
  std::size_t operator()(const PackingKey& key) const noexcept;
};

PackingKey KeyOf(const Packing& packing);

// The smallest key of the packing's four turns, the same for all four; `turn` is set to the
// turn that gives it.
PackingKey CanonicalKey(const Packing& packing, BoxTurn& turn);

}  // namespace cubepack::builtin
