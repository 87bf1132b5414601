#pragma once
// Sizes and coordinate conversions of the 5 x 4 x 3 box, shared by every part of the program.

#include <cstdint>

namespace cubepack {

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

inline constexpr bool IsBorderIndex(int g) {
  return g % kGridStrideY == kSizeX || (g % kGridStrideZ) / kGridStrideY == kSizeY;
}

}  // namespace cubepack
