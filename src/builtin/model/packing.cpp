#include "builtin/model/packing.h"

#include <bit>
#include <cstdio>

#include "shared/text.h"

namespace cubepack::builtin {

Packing PackingOfPieces(const std::array<OccupancyMask, kPieceCount>& pieces) {
  Packing packing{};
  for (int i = 0; i < kPieceCount; ++i)
    for (OccupancyMask m = pieces[i]; m != 0; m &= m - 1)
      packing[static_cast<std::size_t>(std::countr_zero(m))] = static_cast<std::uint8_t>(i);
  return packing;
}

std::string FormatPackingLine(const Packing& packing) {
  std::string line(kCellCount + 1, '\n');
  for (int k = 0; k < kCellCount; ++k) line[k] = CharOfPiece(packing[k]);
  return line;
}

std::string ParsePackingLine(std::string_view chars, Packing& out) {
  const std::size_t checked = chars.size() < kCellCount ? chars.size() : kCellCount;
  for (std::size_t k = 0; k < checked; ++k) {
    const int piece = PieceOfChar(chars[k]);
    if (piece < 0)
      return "character " + std::to_string(k + 1) + " is " + ShownChar(chars[k]) +
             ", not 0-9 or A-B";
    out[k] = static_cast<std::uint8_t>(piece);
  }
  if (chars.size() > kCellCount) return "more than 60 characters";
  if (chars.size() < kCellCount)
    return std::to_string(chars.size()) + (chars.size() == 1 ? " character" : " characters") +
           ", not 60";
  return {};
}

Packing TurnPacking(const Packing& packing, BoxTurn turn) {
  Packing turned;
  for (int k = 0; k < kCellCount; ++k) turned[TurnedCell(k, turn)] = packing[k];
  return turned;
}

}  // namespace cubepack::builtin
