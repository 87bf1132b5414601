#pragma once
// The rules of the mask-only depths (5 to 11), one copy for the batched count (deep_kernel.h)
// and the depth-first listing (packing_search.cpp): where a node's anchor is, how many list
// visits it counts, when nothing can fit there, where its lists are, and which entries of a
// list fit. This header is compiled with and without AVX2; everything here has internal
// linkage, so the linker never mixes up the copies.
//
// A node is the occupancy mask in grid bit order, the same mask in fill order (depths 5 to 8:
// the fill-order anchor is one count of trailing ones instead of a table scan) and the free
// pieces as bits. List visits are counted per node as the free pieces that have a list at the
// anchor, which is what walking the pieces one by one would add.

#include <cassert>
#include <cstdint>

#if defined(__AVX2__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif
#if !defined(__GNUC__)
#include <bit>
#endif

#include "builtin/model/cell_tables.h"
#include "builtin/solver/deep_search_dispatch.h"
#include "builtin/solver/deep_tables.h"

namespace cubepack::builtin {

namespace {

using PieceBits = std::uint32_t;

inline int TrailingZeros(std::uint64_t x) {
#if defined(__GNUC__)
  return __builtin_ctzll(x);
#else
  return std::countr_zero(x);
#endif
}
inline int TrailingOnes(std::uint64_t x) { return TrailingZeros(~x); }
// The lowest empty cell (bit number, or fill position for a fill-order mask); the mask's cells
// must not all be filled, or the tables would be read past their rows.
inline int LowestEmpty(OccupancyMask m) {
  const int k = TrailingOnes(m);
  assert(k < kCellCount);
  return k;
}

inline int PopCount(std::uint64_t x) {
#if defined(__POPCNT__)
  return __builtin_popcountll(x);
#else
  int n = 0;  // few bits are set, and the portable build has no popcount instruction
  for (; x != 0; x &= x - 1) ++n;
  return n;
#endif
}

// Bit k set when entry k of the four does not collide with `board`.
inline std::uint32_t TestBlock(const OccupancyMask* m, OccupancyMask board) {
#if defined(__AVX2__)
  const __m256i x = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(m)),
                                     _mm256_set1_epi64x(static_cast<long long>(board)));
  return static_cast<std::uint32_t>(
      _mm256_movemask_pd(_mm256_castsi256_pd(_mm256_cmpeq_epi64(x, _mm256_setzero_si256()))));
#elif defined(__SSE2__)
  // Two entries per register; an entry is free when both of its 32-bit halves are zero.
  const __m128i b = _mm_set1_epi64x(static_cast<long long>(board));
  const __m128i zero = _mm_setzero_si128();
  const __m128i e0 =
      _mm_cmpeq_epi32(_mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(m)), b), zero);
  const __m128i e1 = _mm_cmpeq_epi32(
      _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(m + 2)), b), zero);
  const __m128i f0 = _mm_and_si128(e0, _mm_shuffle_epi32(e0, _MM_SHUFFLE(2, 3, 0, 1)));
  const __m128i f1 = _mm_and_si128(e1, _mm_shuffle_epi32(e1, _MM_SHUFFLE(2, 3, 0, 1)));
  return static_cast<std::uint32_t>(_mm_movemask_pd(_mm_castsi128_pd(f0)) |
                                    _mm_movemask_pd(_mm_castsi128_pd(f1)) << 2);
#else
  // Constant shifts inside the block; the compiler keeps this branch-free.
  return static_cast<std::uint32_t>((m[0] & board) == 0) |
         static_cast<std::uint32_t>((m[1] & board) == 0) << 1 |
         static_cast<std::uint32_t>((m[2] & board) == 0) << 2 |
         static_cast<std::uint32_t>((m[3] & board) == 0) << 3;
#endif
}

// How many entries one word of fit bits covers.
inline constexpr int kFitWord = 64;

// Bit n set for every entry n < count (at most 64) of a padded list that does not collide with
// `board`. Testing every entry without a branch avoids a mispredicted jump at each fitting
// placement, which cost more than the tests themselves; most lists hold at most eight entries,
// so eight are tested unconditionally and the loop's hard-to-predict exit stays off the common
// path. The padding collides with every non-empty board.
inline std::uint64_t FreeEntries(const OccupancyMask* masks, int count, OccupancyMask board) {
  static_assert(kCandidatePad == 4 && kCandidateMinimum == 8 && kFitWord % kCandidatePad == 0);
  assert(count <= kFitWord);
  std::uint64_t hits = TestBlock(masks, board) | TestBlock(masks + 4, board) << 4;
  for (int n = 8; n < count; n += 4) hits |= std::uint64_t{TestBlock(masks + n, board)} << n;
  return hits;
}

// The same for the entries from 64 on of a list longer than that: `masks` and `count` are past
// the first word. Blocks of four up to the count, never past the list's padding.
inline std::uint64_t MoreFreeEntries(const OccupancyMask* masks, int count, OccupancyMask board) {
  std::uint64_t hits = 0;
  const int end = count < kFitWord ? count : kFitWord;
  for (int n = 0; n < end; n += 4) hits |= std::uint64_t{TestBlock(masks + n, board)} << n;
  return hits;
}

// Calls take(n) for every entry n of a padded list that does not collide with `board`, in
// list order. A triple list can hold up to 72 entries (three lists of up to 24), more than one
// word of fit bits: the entries past the first word are taken a word at a time.
template <class Take>
inline void ForEachFree(const OccupancyMask* masks, int count, OccupancyMask board, Take&& take) {
  for (std::uint64_t hits = FreeEntries(masks, count < kFitWord ? count : kFitWord, board);
       hits != 0; hits &= hits - 1)
    take(TrailingZeros(hits));
  for (int base = kFitWord; base < count; base += kFitWord)
    for (std::uint64_t hits = MoreFreeEntries(masks + base, count - base, board); hits != 0;
         hits &= hits - 1)
      take(base + TrailingZeros(hits));
}

// How many entries of one piece's padded row (at most kMaxListLength, one word) do not collide
// with `board`.
inline int CountFreeInRow(const OccupancyMask* masks, int count, OccupancyMask board) {
  static_assert(kMaxListLength <= kFitWord);
  assert(count <= kMaxListLength);
  return PopCount(FreeEntries(masks, count, board));
}

// Depths 5-8: the anchor is the first empty cell in fill order, one count of trailing ones of
// the fill-order mask; depths 9-11: the lowest empty cell in grid order.
inline int FillAnchor(OccupancyMask fill) { return LowestEmpty(fill); }
inline int LowAnchor(OccupancyMask grid) { return LowestEmpty(grid); }

// The list visits of a node: its free pieces that have a list at its anchor.
inline int VisitsAtFill(const DeepView& v, int r, PieceBits free) {
  return PopCount(free & v.piecesAtFillPosition[r]);
}
inline int VisitsAtLow(const DeepView& v, int k, PieceBits free) {
  return PopCount(free & v.piecesAtLowBit[k]);
}
// The same where one piece is left.
inline int VisitOfLast(const DeepView& v, int k, int last) {
  return static_cast<int>(v.piecesAtLowBit[k] >> last & 1);
}

// A placement filed under an anchor covers the anchor, cells after it only, and one of its
// three neighbours further on: where those three are filled, nothing fits.
inline bool DeadAtFill(OccupancyMask fill, int r) { return (fill >> r & kFillAhead) == kFillAhead; }
inline bool DeadAtLow(OccupancyMask grid, int k) { return (grid >> k & kLowAhead) == kLowAhead; }

// The triple list of the three free pieces at anchor k, built now if this refresh has not
// built it yet (the rare case: the branch is well predicted).
inline std::uint32_t TripleSpanAt(DeepTables& deep, int k, PieceBits free) {
  const TripleSpan& entry = deep.tripleSpans[k][kTripleOfPieces[free]];
  if (entry.stamp == deep.generation) [[likely]]
    return entry.span;
  return TripleList(deep, k, free);
}

// The pair list of the two free pieces at anchor k.
inline std::uint32_t PairSpanAt(const DeepTables& deep, int k, PieceBits free) {
  return deep.pairSpans[k][kPairOfPieces[free]];
}

// The piece a pair or triple list's entry carries in its tag, and the entry's cells.
inline int TaggedPiece(OccupancyMask entry) { return static_cast<int>(entry >> kPieceTagShift); }
inline OccupancyMask TaggedCells(OccupancyMask entry) { return entry & kFullMask; }

}  // namespace

}  // namespace cubepack::builtin
