#pragma once
// A packing as the listing writes it: one line of 60 characters, character k naming the piece
// on cell k (k = z*20 + y*5 + x, as in the occupancy mask) with 0-9, A, B. Also the four
// rotations of the box (BoxTurn), which turn one packing into another that counts as the same.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "builtin/model/geometry.h"
#include "builtin/model/mask.h"

namespace cubepack::builtin {

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

// The packing turned with the box.
Packing TurnPacking(const Packing& packing, BoxTurn turn);

}  // namespace cubepack::builtin
