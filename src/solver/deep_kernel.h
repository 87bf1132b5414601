#pragma once
// The mask-only depths 5 to 11, where nearly all of the run's time goes. This header is
// compiled twice: for any x86-64 and, in a file of its own, for CPUs with AVX2 (chosen at run
// time). Everything here has internal linkage and uses no out-of-line library templates, so the
// two copies can never be mixed up by the linker.
//
// The state of a node lives in registers: the occupancy mask in grid bit order, the same mask
// in fill order (so the fill-order anchor is one count of trailing ones instead of a table
// scan) and the free pieces as bits. List visits are counted per node as the free pieces that
// have a list at the anchor, which is what walking the pieces one by one would add.

#include <cstdint>

#if defined(__AVX2__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif
#if !defined(__GNUC__)
#include <bit>
#endif

#include "model/cell_tables.h"
#include "model/placement.h"

namespace cubepack {

// Plain views of the candidate tables for the kernel.
struct DeepView {
  const DeepTables* deep;
  const std::uint32_t* piecesAtFillPosition;
  const std::uint32_t* piecesAtLowBit;
};

struct DeepCounts {
  std::int64_t visits = 0;
  std::int64_t solutions = 0;
};

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

inline int PopCount(std::uint32_t x) {
#if defined(__POPCNT__)
  return __builtin_popcount(x);
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
  const __m128i e0 = _mm_cmpeq_epi32(
      _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(m)), b), zero);
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

// Bit n set for every entry n of the list that does not collide with `board`. Testing every
// entry without a branch avoids a mispredicted jump at each fitting placement, which cost more
// than the tests themselves; most lists hold at most eight entries, so eight are tested
// unconditionally and the loop's hard-to-predict exit stays off the common path.
inline std::uint32_t FreeEntries(const OccupancyMask* masks, int count, OccupancyMask board) {
  static_assert(kCandidatePad == 4 && kCandidateMinimum == 8);
  std::uint32_t hits = TestBlock(masks, board) | TestBlock(masks + 4, board) << 4;
  for (int n = 8; n < count; n += 4) hits |= TestBlock(masks + n, board) << n;
  return hits;  // the padding collides with every non-empty board
}

class DeepKernel {
 public:
  explicit DeepKernel(const DeepView& v) : v_(v) {}

  // Everything below one node of depth kDepth - 1.
  template <int kDepth>
  void Node(OccupancyMask grid, OccupancyMask fill, PieceBits free) {
    if constexpr (kDepth == 10) {
      // The most frequent node: two pieces left. Both lists are tested and their fitting
      // entries walked in one loop, so a node costs one hard-to-predict loop exit, not two.
      if (PopCount(free) == 2) {
        TwoPiecesLeft(grid, free);
        return;
      }
    }
    if constexpr (kDepth <= 8) {
      // Depths 5-8: anchor at the first empty cell in fill order.
      const int r = TrailingOnes(fill);
      const auto& tests = v_.deep->fillTests[r];
      const auto& masks = v_.deep->fillMasks[r];
      const auto& sizes = v_.deep->fillCount[r];
      counts.visits += PopCount(free & v_.piecesAtFillPosition[r]);
      // Every free piece is tried, with or without a list here (an absent list reads as a block
      // that fits nothing): the loop then runs as often at every node of a depth, which the
      // branch predictor learns, instead of following which pieces happen to have lists.
      for (PieceBits pieces = free; pieces != 0; pieces &= pieces - 1) {
        const int i = TrailingZeros(pieces);
        const PieceBits rest = free & ~(PieceBits{1} << i);
        for (std::uint32_t hits = FreeEntries(tests[i].data(), sizes[i], fill); hits != 0;
             hits &= hits - 1) {
          const int n = TrailingZeros(hits);
          Node<kDepth + 1>(grid | masks[i][n], fill | tests[i][n], rest);
        }
      }
    } else {
      // Depths 9-11: anchor at the lowest empty cell in grid order.
      const int k = TrailingOnes(grid);
      const auto& masks = v_.deep->lowMasks[k];
      const auto& sizes = v_.deep->lowCount[k];
      counts.visits += PopCount(free & v_.piecesAtLowBit[k]);
      for (PieceBits pieces = free; pieces != 0; pieces &= pieces - 1) {
        const int i = TrailingZeros(pieces);
        const PieceBits rest = free & ~(PieceBits{1} << i);
        std::uint32_t hits = FreeEntries(masks[i].data(), sizes[i], grid);
        if constexpr (kDepth == 11) {
          counts.solutions += PopCount(hits);
        } else {
          for (; hits != 0; hits &= hits - 1)
            Node<kDepth + 1>(grid | masks[i][TrailingZeros(hits)], 0, rest);
        }
      }
    }
  }

  DeepCounts counts;

 private:
  void TwoPiecesLeft(OccupancyMask grid, PieceBits free) {
    const int k = TrailingOnes(grid);
    const int a = TrailingZeros(free);
    const int b = TrailingZeros(free & (free - 1));
    counts.visits += PopCount(free & v_.piecesAtLowBit[k]);
    const auto& masks = v_.deep->lowMasks[k];
    const auto& sizes = v_.deep->lowCount[k];
    std::uint64_t hits = FreeEntries(masks[a].data(), sizes[a], grid) |
                         std::uint64_t{FreeEntries(masks[b].data(), sizes[b], grid)} << 32;
    for (; hits != 0; hits &= hits - 1) {
      const int n = TrailingZeros(hits);
      const bool second = n >= 32;
      const OccupancyMask m = masks[second ? b : a][n & 31];
      LastPiece(grid | m, PieceBits{1} << (second ? a : b));
    }
  }

  // Depth 11 inlined into depth 10: only the one free piece's list at the new anchor matters.
  void LastPiece(OccupancyMask grid, PieceBits free) {
    const int k = TrailingOnes(grid);
    const int last = TrailingZeros(free);
    // Without a branch: where the piece has no list, the entry's masks are a block that
    // collides with every board, so only the visit needs the flag.
    counts.visits += v_.piecesAtLowBit[k] >> last & 1;
    counts.solutions +=
        PopCount(FreeEntries(v_.deep->lowMasks[k][last].data(), v_.deep->lowCount[k][last], grid));
  }

  const DeepView& v_;
};

// Runs the deep depths from depth `depth` (5, 8 or 10) below one board.
inline DeepCounts RunDeepKernel(const DeepView& v, int depth, OccupancyMask grid,
                                OccupancyMask fill, PieceBits free) {
  DeepKernel kernel(v);
  if (depth == 5) kernel.Node<5>(grid, fill, free);
  else if (depth == 8) kernel.Node<8>(grid, fill, free);
  else kernel.Node<10>(grid, fill, free);
  return kernel.counts;
}

}  // namespace

}  // namespace cubepack
