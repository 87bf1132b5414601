#pragma once
// A set of up to 128 cells of a puzzle's target in two 64-bit words: the search's mask for
// targets of 65 to 128 cells.

#include <bit>
#include <cstddef>
#include <cstdint>

namespace cubepack::general {

struct WideMask {
  std::uint64_t lo = 0;  // cells 0..63
  std::uint64_t hi = 0;  // cells 64..127

  constexpr void Set(int cell) {
    if (cell < 64)
      lo |= std::uint64_t{1} << cell;
    else
      hi |= std::uint64_t{1} << (cell - 64);
  }
  constexpr bool Has(int cell) const {
    return cell < 64 ? (lo >> cell) & 1 : (hi >> (cell - 64)) & 1;
  }
  constexpr int Count() const { return std::popcount(lo) + std::popcount(hi); }
  constexpr bool Empty() const { return (lo | hi) == 0; }
  friend constexpr bool operator==(const WideMask&, const WideMask&) = default;
  friend constexpr WideMask operator&(WideMask a, WideMask b) { return {a.lo & b.lo, a.hi & b.hi}; }
  friend constexpr WideMask operator|(WideMask a, WideMask b) { return {a.lo | b.lo, a.hi | b.hi}; }
  friend constexpr WideMask operator^(WideMask a, WideMask b) { return {a.lo ^ b.lo, a.hi ^ b.hi}; }
  friend constexpr WideMask operator~(WideMask a) { return {~a.lo, ~a.hi}; }
};

// For hash maps keyed by placements' masks.
struct WideMaskHash {
  std::size_t operator()(const WideMask& m) const noexcept {
    return static_cast<std::size_t>((m.lo ^ (m.hi * 0x9E3779B97F4A7C15u)) * 0xBF58476D1CE4E5B9u);
  }
};

// The first `n` cells.
constexpr WideMask FirstCells(int n) {
  WideMask m;
  m.lo = n >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
  m.hi = n <= 64 ? 0 : n >= 128 ? ~std::uint64_t{0} : (std::uint64_t{1} << (n - 64)) - 1;
  return m;
}

}  // namespace cubepack::general
