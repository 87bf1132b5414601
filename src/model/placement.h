#pragma once
// Placement generation and the candidate lists: the placements of each full list that still
// fit one given board, rebuilt by RefreshCandidates.

#include <array>
#include <cassert>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/board.h"
#include "model/catalogue.h"

namespace cubepack {

// The longest full list holds 24 placements.
inline constexpr int kMaxListLength = 24;
// Candidate lists are padded with always-colliding entries to a multiple of this, so the deep
// search tests them in fixed blocks.
inline constexpr int kCandidatePad = 4;
// ... and to at least this many entries.
inline constexpr int kCandidateMinimum = 8;
inline constexpr int PaddedLength(int count, int minimum = kCandidateMinimum) {
  const int whole = (count + kCandidatePad - 1) / kCandidatePad * kCandidatePad;
  return whole < minimum ? minimum : whole;
}
// Pair lists (two pieces' lists as one, see PairSpan) are longer, nearly ten masks on average:
// padded to at least this, they are tested in three blocks with no branch (two blocks and a
// loop for the rest measured about 3 % slower over the whole search).
inline constexpr int kPairMinimum = 12;

// Covered cell with the smallest x, then y, then z: the placement's first cell in fill order.
int FillAnchor(const Placement& p);
// Covered cell with the lowest grid index.
int LowAnchor(const Placement& p);

// Files every placement of one orientation that fits the empty box under its low anchor and
// under its fill anchor, in origin order x, y, z (z fastest).
void FilePlacements(Piece& piece, const Orientation& orientation);

// One candidate list, for the shallow depths that write cells. Its storage is reserved once for
// the length of its full list, so refilling it never allocates.
struct CandidateList {
  bool created = false;  // false: "no list"
  int count = 0;
  const Placement** refs = nullptr;

  void RemoveAll() { count = 0; }
  void Append(const Placement* p) { refs[count++] = p; }
  int Count() const { return count; }
};

using CandidateTable = std::array<CandidateList, kGridSize>;

// The candidate lists once more, laid out for the mask-only depths: one fixed row of masks per
// (anchor, piece), indexed by bit number (low anchor) or fill position (fill anchor), so that a
// list is found by address arithmetic alone instead of a chain of dependent loads. Entries past
// a list's end up to PaddedLength, and rows of absent lists, hold ~0 and collide with every
// board, so a reader tests whole blocks without asking where the list ends.
static_assert(PaddedLength(kMaxListLength) == kMaxListLength);
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
// A pair span: where the pair's list starts in pairMasks, and its length.
inline constexpr std::uint32_t PairSpan(std::uint32_t start, int count) {
  assert(start < std::uint32_t{1} << 24 && count >= 0 && count <= 0xFF);
  return start << 8 | static_cast<std::uint32_t>(count);
}
inline constexpr std::uint32_t PairStart(std::uint32_t span) { return span >> 8; }
inline constexpr int PairCount(std::uint32_t span) { return static_cast<int>(span & 0xFF); }

// Triple lists (three pieces' lists as one) hold about fourteen masks: padded to at least this,
// they are tested in three blocks with no branch (two blocks measured slower, four too).
inline constexpr int kTripleMinimum = 12;

// A triple list's span in tripleMasks (as a pair span), valid while `stamp` equals the tables'
// generation.
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

// The cells one step on in x, y and z from an anchor, as offsets from the anchor's bit: in grid
// bit order and in fill order. A placement filed under an anchor covers the anchor, cells after
// it only, and one of its neighbours; so where these three cells are filled nothing fits.
inline constexpr OccupancyMask kLowAhead = CellBit(1) | CellBit(5) | CellBit(20);
inline constexpr OccupancyMask kFillAhead = CellBit(1) | CellBit(3) | CellBit(12);

// The span of the triple list of `pieces` (three bits) at `bit`: the refreshed low-anchor lists
// of the three, in piece order, each mask tagged with its own piece, padded to kTripleMinimum.
// Built the first time it is asked for after a refresh: a refresh would have to build all 165
// triples at every empty cell, and the search asks for only a few of them.
std::uint32_t TripleList(DeepTables& deep, int bit, std::uint32_t pieces);

// The fitByFillAnchor and fitByLowAnchor tables of every piece. One set belongs to one search.
class CandidateTables {
 public:
  explicit CandidateTables(const PieceCatalogue& catalogue);
  CandidateTables(const CandidateTables&) = delete;
  CandidateTables& operator=(const CandidateTables&) = delete;

  std::array<CandidateTable, kPieceCount> fitByFillAnchor;
  std::array<CandidateTable, kPieceCount> fitByLowAnchor;
  // Bit i set when piece i has a list at that anchor: by fill position, and by bit number.
  std::array<std::uint32_t, kCellCount> piecesAtFillPosition;
  std::array<std::uint32_t, kCellCount> piecesAtLowBit;
  std::unique_ptr<DeepTables> deep;

 private:
  std::vector<const Placement*> refStore_;
};

// For every empty cell of `board` and every free piece 1..11, rebuilds the candidate lists from
// the full lists, keeping the placements that do not collide with the board's mask. Lists of
// filled cells and of placed pieces keep what an earlier refresh left in them.
void RefreshCandidates(const PieceCatalogue& catalogue, const Board& board, CandidateTables& t);

}  // namespace cubepack
