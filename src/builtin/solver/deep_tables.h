#pragma once
// The candidate lists laid out for the mask-only depths (5 to 11): one fixed row of masks per
// (anchor, piece), found by address arithmetic alone instead of a chain of dependent loads, and
// the pair and triple lists that test two or three pieces' lists as one.

#include <array>
#include <cassert>
#include <cstdint>
#include <memory>
#include <vector>

#include "builtin/model/catalogue.h"
#include "builtin/model/cell_tables.h"
#include "builtin/model/geometry.h"
#include "builtin/model/mask.h"
#include "builtin/model/placement.h"

namespace cubepack::builtin {

// Rows are padded with always-colliding entries to a multiple of this, so the deep search
// tests them in fixed blocks...
inline constexpr int kCandidatePad = 4;
// ... and to at least this many entries.
inline constexpr int kCandidateMinimum = 8;
inline constexpr int PaddedLength(int count, int minimum = kCandidateMinimum) {
  const int whole = (count + kCandidatePad - 1) / kCandidatePad * kCandidatePad;
  return whole < minimum ? minimum : whole;
}
static_assert(PaddedLength(kMaxListLength) == kMaxListLength);
// Pair lists (two pieces' lists as one) are longer, nearly ten masks on average: padded to at
// least this, they are tested in three blocks with no branch (two blocks and a loop for the
// rest measured about 3 % slower over the whole search).
inline constexpr int kPairMinimum = 12;
// Triple lists hold about fourteen masks: padded to at least this, they are tested in three
// blocks with no branch (two blocks measured slower, four too).
inline constexpr int kTripleMinimum = 12;

// Rows indexed [bit number or fill position][piece]. Entries past a list's end up to
// PaddedLength, and rows of absent lists, hold ~0 and collide with every board, so a reader
// tests whole blocks without asking where the list ends.
template <class T>
using DeepRows = std::array<std::array<std::array<T, kMaxListLength>, kPieceCount>, kCellCount>;

// Pairs of pieces, numbered 0..65 in either order of the two.
inline constexpr int kPairCount = kPieceCount * (kPieceCount - 1) / 2;
inline constexpr std::array<std::array<std::uint8_t, kPieceCount>, kPieceCount> kPairIndex = [] {
  std::array<std::array<std::uint8_t, kPieceCount>, kPieceCount> t{};
  int n = 0;
  for (int a = 0; a < kPieceCount; ++a)
    for (int b = a + 1; b < kPieceCount; ++b) {
      t[a][b] = t[b][a] = static_cast<std::uint8_t>(n);
      ++n;
    }
  return t;
}();
static_assert(kPairIndex[0][1] == 0 && kPairIndex[11][10] == kPairCount - 1);
// The same numbers by the set of the two pieces as bits (other sets give 0).
inline constexpr std::array<std::uint8_t, 1 << kPieceCount> kPairOfPieces = [] {
  std::array<std::uint8_t, 1 << kPieceCount> t{};
  for (int a = 0; a < kPieceCount; ++a)
    for (int b = a + 1; b < kPieceCount; ++b) t[1u << a | 1u << b] = kPairIndex[a][b];
  return t;
}();
static_assert(kPairOfPieces[0b11] == 0 && kPairOfPieces[0b110000000000] == kPairCount - 1);
// Triples of pieces, numbered by the set of the three as bits (other sets give 0).
inline constexpr int kTripleCount = kPieceCount * (kPieceCount - 1) * (kPieceCount - 2) / 6;
inline constexpr std::array<std::uint8_t, 1 << kPieceCount> kTripleOfPieces = [] {
  std::array<std::uint8_t, 1 << kPieceCount> t{};
  int n = 0;
  for (int a = 0; a < kPieceCount; ++a)
    for (int b = a + 1; b < kPieceCount; ++b)
      for (int c = b + 1; c < kPieceCount; ++c)
        t[1u << a | 1u << b | 1u << c] = static_cast<std::uint8_t>(n++);
  return t;
}();
static_assert(kTripleCount <= 256 && kTripleOfPieces[0b111] == 0 &&
              kTripleOfPieces[0b111000000000] == kTripleCount - 1);

// Where two pieces are left, their two lists at the anchor are tested as one: the first
// piece's masks, each tagged with the second piece in the bits above the cells, then the
// second's tagged with the first, padded to kPairMinimum. One list instead of two fills the
// blocks of four better: most lists hold four masks or fewer. Where three are left, their
// three lists are one too, each mask tagged with its own piece (TripleList).
inline constexpr int kPieceTagShift = 60;
inline constexpr OccupancyMask PieceTag(int piece) {
  return static_cast<OccupancyMask>(piece) << kPieceTagShift;
}

// A list span: where a pair or triple list starts in its pool (24 bits), and its length before
// the padding (8 bits).
inline constexpr int kSpanCountBits = 8;
inline constexpr std::uint32_t kSpanCountMask = (std::uint32_t{1} << kSpanCountBits) - 1;
inline constexpr std::uint32_t kSpanStartLimit = std::uint32_t{1} << (32 - kSpanCountBits);
inline constexpr std::uint32_t ListSpan(std::uint32_t start, int count) {
  assert(start < kSpanStartLimit && count >= 0 &&
         static_cast<std::uint32_t>(count) <= kSpanCountMask);
  return start << kSpanCountBits | static_cast<std::uint32_t>(count);
}
inline constexpr std::uint32_t SpanStart(std::uint32_t span) { return span >> kSpanCountBits; }
inline constexpr int SpanCount(std::uint32_t span) {
  return static_cast<int>(span & kSpanCountMask);
}
static_assert(SpanStart(ListSpan(123456, 200)) == 123456 &&
              SpanCount(ListSpan(123456, 200)) == 200);

// A triple list's span, valid while `stamp` equals the tables' generation.
struct TripleSpan {
  std::uint32_t stamp;
  std::uint32_t span;
};

struct DeepTables {
  alignas(64) DeepRows<OccupancyMask> lowMasks;   // [bit][piece]: grid-order masks
  alignas(64) DeepRows<OccupancyMask> fillTests;  // [fill position][piece]: fill-order masks
  alignas(64) DeepRows<OccupancyMask> fillMasks;  // the same placements' grid-order masks
  std::array<std::array<std::uint8_t, kPieceCount>, kCellCount> lowCount;
  std::array<std::array<std::uint8_t, kPieceCount>, kCellCount> fillCount;
  // The pair lists one after another, after a first block that fits nothing (the list of a
  // pair of which neither piece has a list), and [bit][pair] spans into it.
  std::vector<OccupancyMask> pairMasks;
  std::array<std::array<std::uint32_t, kPairCount>, kCellCount> pairSpans;
  // The triple lists built since the last refresh, one after another, and [bit][triple] their
  // spans. A refresh raises the generation, which makes every span stale; stamp 0 never holds.
  std::vector<OccupancyMask> tripleMasks;
  std::array<std::array<TripleSpan, kTripleCount>, kCellCount> tripleSpans;
  std::uint32_t generation = 1;
  std::uint32_t tripleEnd = 0;
};

// Empty rows, and pools sized for every pair's and every triple's full lists at every cell.
std::unique_ptr<DeepTables> MakeDeepTables(const PieceCatalogue& catalogue);

// The cells one step on in x, y and z from an anchor, as offsets from the anchor's bit: in grid
// bit order and in fill order. A placement filed under an anchor covers the anchor, cells after
// it only, and one of its neighbours; so where these three cells are filled nothing fits.
inline constexpr OccupancyMask kLowAhead =
    CellBit(BitNumber(1, 0, 0)) | CellBit(BitNumber(0, 1, 0)) | CellBit(BitNumber(0, 0, 1));
inline constexpr OccupancyMask kFillAhead = CellBit(FillPosition(1, 0, 0)) |
                                            CellBit(FillPosition(0, 1, 0)) |
                                            CellBit(FillPosition(0, 0, 1));

// Copies a refreshed list's masks (the `field` of each placement) into its row, padded with
// masks that always collide.
template <class Field>
inline void FillRow(const Placement* const* refs, int count,
                    std::array<OccupancyMask, kMaxListLength>& row, Field field) {
  for (int n = 0; n < PaddedLength(count); ++n)
    row[n] = n < count ? field(*refs[n]) : ~OccupancyMask{0};
}

// Builds the pair lists at `bit` of the pieces not placed on `board` from its refreshed rows,
// from `next` on in the pool; returns the new end.
std::uint32_t FillPairs(const Board& board, int bit, DeepTables& deep, std::uint32_t next);

// The span of the triple list of `pieces` (three bits) at `bit`: the refreshed low-anchor lists
// of the three, in piece order, each mask tagged with its own piece, padded to kTripleMinimum.
// Built the first time it is asked for after a refresh: a refresh would have to build all 165
// triples at every empty cell, and the search asks for only a few of them.
std::uint32_t TripleList(DeepTables& deep, int bit, std::uint32_t pieces);

}  // namespace cubepack::builtin
