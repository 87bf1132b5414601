#pragma once
// Sizes and coordinate conversions of the 5 x 4 x 3 box, shared by every part of the program.

#include <array>
#include <cstdint>

namespace cubepack::builtin {

inline constexpr int kSizeX = 5;
inline constexpr int kSizeY = 4;
inline constexpr int kSizeZ = 3;
inline constexpr int kCellCount = kSizeX * kSizeY * kSizeZ;  // 60 playable cells

// The grid carries a border column (x = 5) and a border row (y = 4) in every layer, so a
// placement can be fit-tested by index arithmetic alone.
inline constexpr int kGridStrideY = kSizeX + 1;                   // 6
inline constexpr int kGridStrideZ = kGridStrideY * (kSizeY + 1);  // 30
inline constexpr int kGridSize = kGridStrideZ * kSizeZ;           // 90
inline constexpr std::uint8_t kBorderValue = 15;

inline constexpr int kPieceCount = 12;
inline constexpr int kMaxCubes = 6;

inline constexpr int GridIndex(int x, int y, int z) {
  return z * kGridStrideZ + y * kGridStrideY + x;
}
// Mask bits: x fastest, then y, then z.
inline constexpr int kBitStrideY = kSizeX;           // 5
inline constexpr int kBitStrideZ = kSizeX * kSizeY;  // 20
inline constexpr int BitNumber(int x, int y, int z) {
  return z * kBitStrideZ + y * kBitStrideY + x;
}

// The cell of bit number k.
struct CellCoordinates {
  int x, y, z;
};
inline constexpr CellCoordinates CellOfBit(int k) {
  return {k % kSizeX, k / kBitStrideY % kSizeY, k / kBitStrideZ};
}
static_assert(CellOfBit(BitNumber(4, 3, 2)).x == 4 && CellOfBit(BitNumber(4, 3, 2)).y == 3 &&
              CellOfBit(BitNumber(4, 3, 2)).z == 2);

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
  auto [x, y, z] = CellOfBit(k);
  const int t = static_cast<int>(turn);
  if (t == 2 || t == 3) x = kSizeX - 1 - x;  // about y or z
  if (t == 1 || t == 3) y = kSizeY - 1 - y;  // about x or z
  if (t == 1 || t == 2) z = kSizeZ - 1 - z;  // about x or y
  return BitNumber(x, y, z);
}

inline constexpr bool IsBorderIndex(int g) {
  return g % kGridStrideY == kSizeX || (g % kGridStrideZ) / kGridStrideY == kSizeY;
}

}  // namespace cubepack::builtin
