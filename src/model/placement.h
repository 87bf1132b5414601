#pragma once
// Placement generation and the candidate lists: the placements of each full list that still
// fit one given board, rebuilt by RefreshCandidates.

#include <array>
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
inline constexpr int PaddedLength(int count) {
  const int whole = (count + kCandidatePad - 1) / kCandidatePad * kCandidatePad;
  return whole < kCandidateMinimum ? kCandidateMinimum : whole;
}

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
struct DeepTables {
  alignas(64) DeepRows<OccupancyMask> lowMasks;   // [bit][piece]: grid-order masks
  alignas(64) DeepRows<OccupancyMask> fillTests;  // [fill position][piece]: fill-order masks
  alignas(64) DeepRows<OccupancyMask> fillMasks;  // the same placements' grid-order masks
  std::array<std::array<std::uint8_t, kPieceCount>, kCellCount> lowCount;
  std::array<std::array<std::uint8_t, kPieceCount>, kCellCount> fillCount;
};

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
