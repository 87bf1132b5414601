#include "builtin/model/packing_check.h"

#include <algorithm>
#include <bit>

namespace cubepack::builtin {

OccupancyMask MoveToCorner(OccupancyMask cells) {
  int lowX = kSizeX, lowY = kSizeY, lowZ = kSizeZ;
  for (OccupancyMask rest = cells; rest != 0; rest &= rest - 1) {
    const CellCoordinates c = CellOfBit(std::countr_zero(rest));
    lowX = std::min(lowX, c.x);
    lowY = std::min(lowY, c.y);
    lowZ = std::min(lowZ, c.z);
  }
  // Every cell's bit number drops by the same amount, so one shift moves them all.
  return cells >> BitNumber(lowX, lowY, lowZ);
}

bool IsRotationOfPiece(int piece, OccupancyMask cells) {
  if (cells == 0) return false;
  const PieceRotations& rotations = kPieceRotations[piece];
  const OccupancyMask moved = MoveToCorner(cells);
  return std::find(rotations.masks.begin(), rotations.masks.begin() + rotations.count, moved) !=
         rotations.masks.begin() + rotations.count;
}

std::string CheckPieces(const Packing& packing) {
  std::array<OccupancyMask, kPieceCount> cells{};
  for (int k = 0; k < kCellCount; ++k) {
    if (packing[k] >= kPieceCount)  // never from a parsed line; guards the table
      return "cell " + std::to_string(k) + " holds no piece";
    cells[packing[k]] |= CellBit(k);
  }
  for (int i = 0; i < kPieceCount; ++i) {
    const int count = std::popcount(cells[i]);
    if (count != kPieceShapes[i].cellCount)
      return "piece " + std::to_string(i) + " covers " + std::to_string(count) +
             (count == 1 ? " cell" : " cells") + ", not " +
             std::to_string(kPieceShapes[i].cellCount);
    if (!IsRotationOfPiece(i, cells[i]))
      return "piece " + std::to_string(i) + " is not in one of its rotations";
  }
  return {};
}

std::string CheckPackingLine(std::string_view chars, Packing& out) {
  std::string fault = ParsePackingLine(chars, out);
  return fault.empty() ? CheckPieces(out) : fault;
}

std::size_t PackingKeyHash::operator()(const PackingKey& key) const noexcept {
  std::uint64_t h = 0;
  for (const std::uint64_t w : key.words) {
    h = (h ^ w) * 0x9E3779B97F4A7C15u;
    h ^= h >> 29;
  }
  return static_cast<std::size_t>(h);
}

PackingKey KeyOf(const Packing& packing) {
  PackingKey key{};
  for (int k = 0; k < kCellCount; ++k)
    key.words[k / 16] |= std::uint64_t{packing[k]} << (k % 16 * 4);
  return key;
}

namespace {

constexpr auto kTurnedCells = [] {
  std::array<std::array<std::uint8_t, kCellCount>, 4> out{};
  for (const BoxTurn turn : kBoxTurns)
    for (int k = 0; k < kCellCount; ++k)
      out[static_cast<int>(turn)][k] = static_cast<std::uint8_t>(TurnedCell(k, turn));
  return out;
}();

}  // namespace

PackingKey CanonicalKey(const Packing& packing, BoxTurn& turn) {
  PackingKey best = KeyOf(packing);
  turn = BoxTurn::kNone;
  for (int t = 1; t < 4; ++t) {
    PackingKey key{};
    for (int k = 0; k < kCellCount; ++k) {
      const int to = kTurnedCells[t][k];
      key.words[to / 16] |= std::uint64_t{packing[k]} << (to % 16 * 4);
    }
    if (key < best) best = key, turn = static_cast<BoxTurn>(t);
  }
  return best;
}

}  // namespace cubepack::builtin
