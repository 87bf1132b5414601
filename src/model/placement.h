#pragma once
// Placement generation and the candidate lists: the placements of each full list that still
// fit one given board, rebuilt by RefreshCandidates.

#include <array>
#include <cstdint>
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

// One candidate list. Its storage is reserved once for the length of its full list, so
// refilling it never allocates; emptying keeps the storage for the next refill.
struct CandidateList {
  bool created = false;  // false: "no list"
  int count = 0;
  const Placement** refs = nullptr;
  // refs[k]->mask and refs[k]->fillMask, kept beside the refs for the mask-only walks.
  OccupancyMask* masks = nullptr;
  OccupancyMask* fillMasks = nullptr;

  void RemoveAll() { count = 0; }
  void Append(const Placement* p) {
    refs[count] = p;
    masks[count] = p->mask;
    fillMasks[count] = p->fillMask;
    ++count;
  }
  int Count() const { return count; }
};

using CandidateTable = std::array<CandidateList, kGridSize>;

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

 private:
  std::vector<const Placement*> refStore_;
  std::vector<OccupancyMask> maskStore_;
  std::vector<OccupancyMask> fillMaskStore_;
};

// For every empty cell of `board` and every free piece 1..11, rebuilds the candidate lists from
// the full lists, keeping the placements that do not collide with the board's mask. Lists of
// filled cells and of placed pieces keep what an earlier refresh left in them.
void RefreshCandidates(const PieceCatalogue& catalogue, const Board& board, CandidateTables& t);

}  // namespace cubepack
