#pragma once
// A packing as the listing writes it: one line of 60 characters, character k naming the piece
// on cell k (k = z*20 + y*5 + x, as in the occupancy mask) with 0-9, A, B. Also the four
// rotations of the box, which turn one packing into another that counts as the same.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/geometry.h"
#include "model/mask.h"

namespace cubepack {

// Piece number (0..11) on each cell, indexed by bit number.
using Packing = std::array<std::uint8_t, kCellCount>;

// The piece a character names, or -1 when it names none (lower case is not accepted: the
// listing is written by a program, so anything else is a fault worth reporting).
inline constexpr int PieceOfChar(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c == 'A' || c == 'B') return c - 'A' + 10;
  return -1;
}

inline constexpr char CharOfPiece(int piece) {
  return static_cast<char>(piece < 10 ? '0' + piece : 'A' + piece - 10);
}

// The packing whose piece i covers the cells of pieces[i] (masks that fill the box).
Packing PackingOfPieces(const std::array<OccupancyMask, kPieceCount>& pieces);

// The 60 characters and "\n".
std::string FormatPackingLine(const Packing& packing);

// Reads one line's characters (without its line end). Returns what is wrong, e.g.
// "character 17 is 'x', not 0-9 or A-B" or "59 characters, not 60", or "" when `out` holds
// the packing. Characters are judged first, so binary data is called that at its first byte.
std::string ParsePackingLine(std::string_view chars, Packing& out);

// The identity and the three half turns. Their numbers combine by exclusive or: a half turn
// about x after one about y is the half turn about z.
enum class BoxTurn : std::uint8_t { kNone = 0, kHalfX = 1, kHalfY = 2, kHalfZ = 3 };

inline constexpr std::array<BoxTurn, 4> kBoxTurns = {BoxTurn::kNone, BoxTurn::kHalfX,
                                                     BoxTurn::kHalfY, BoxTurn::kHalfZ};

inline constexpr BoxTurn Combine(BoxTurn a, BoxTurn b) {
  return static_cast<BoxTurn>(static_cast<int>(a) ^ static_cast<int>(b));
}

// The cell that cell k moves to under the turn; a half turn about z maps (x, y, z) to
// (4 - x, 3 - y, z).
inline constexpr int TurnedCell(int k, BoxTurn turn) {
  int x = k % kSizeX, y = k / kSizeX % kSizeY, z = k / (kSizeX * kSizeY);
  const int t = static_cast<int>(turn);
  if (t == 2 || t == 3) x = kSizeX - 1 - x;  // about y or z
  if (t == 1 || t == 3) y = kSizeY - 1 - y;  // about x or z
  if (t == 1 || t == 2) z = kSizeZ - 1 - z;  // about x or y
  return BitNumber(x, y, z);
}

// The packing turned with the box.
Packing TurnPacking(const Packing& packing, BoxTurn turn);

}  // namespace cubepack
