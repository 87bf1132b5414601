#pragma once
// The search's two mask types: one 64-bit word for targets of up to 64 cells, the model's
// two-word mask up to 128. The same few operations on both, inlined on the hot path.

#include <bit>
#include <cstdint>

#include "general/model/cell_set.h"
#include "general/solver/wide_mask.h"

namespace cubepack::general {

inline bool Hits(std::uint64_t a, std::uint64_t b) { return (a & b) != 0; }
inline bool Hits(const WideMask& a, const WideMask& b) {
  return ((a.lo & b.lo) | (a.hi & b.hi)) != 0;
}
inline bool IsFull(std::uint64_t m) { return m == ~std::uint64_t{0}; }
inline bool IsFull(const WideMask& m) { return (m.lo & m.hi) == ~std::uint64_t{0}; }
inline bool IsEmpty(std::uint64_t m) { return m == 0; }
inline bool IsEmpty(const WideMask& m) { return (m.lo | m.hi) == 0; }
inline int BitCount(std::uint64_t m) { return std::popcount(m); }
inline int BitCount(const WideMask& m) { return m.Count(); }
// The lowest clear bit; the mask must not be full.
inline int FirstClear(std::uint64_t m) { return std::countr_one(m); }
inline int FirstClear(const WideMask& m) {
  return m.lo != ~std::uint64_t{0} ? std::countr_one(m.lo) : 64 + std::countr_one(m.hi);
}
// The lowest set bit; the mask must not be empty.
inline int FirstSet(std::uint64_t m) { return std::countr_zero(m); }
inline int FirstSet(const WideMask& m) {
  return m.lo != 0 ? std::countr_zero(m.lo) : 64 + std::countr_zero(m.hi);
}
// The mask without its lowest set bit.
inline std::uint64_t WithoutFirst(std::uint64_t m) { return m & (m - 1); }
inline WideMask WithoutFirst(const WideMask& m) {
  return m.lo != 0 ? WideMask{m.lo & (m.lo - 1), m.hi} : WideMask{0, m.hi & (m.hi - 1)};
}
inline bool HasCell(std::uint64_t m, int cell) { return (m >> cell) & 1; }
inline bool HasCell(const WideMask& m, int cell) { return m.Has(cell); }
inline std::uint64_t CellOnly(std::uint64_t, int cell) { return std::uint64_t{1} << cell; }
inline WideMask CellOnly(const WideMask&, int cell) {
  WideMask m;
  m.Set(cell);
  return m;
}

template <class M>
M FromWide(const WideMask& w);
template <>
inline std::uint64_t FromWide<std::uint64_t>(const WideMask& w) {
  return w.lo;
}
template <>
inline WideMask FromWide<WideMask>(const WideMask& w) {
  return w;
}
// A model's set of cells of a target that the mask type holds.
template <class M>
M FromCells(const CellSet& s) {
  return FromWide<M>(WideMask{s.Word(0), s.Word(1)});
}
inline WideMask ToWide(std::uint64_t m) { return WideMask{m, 0}; }
inline WideMask ToWide(const WideMask& m) { return m; }

}  // namespace cubepack::general
