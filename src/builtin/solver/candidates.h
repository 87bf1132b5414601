#pragma once
// The candidate lists: for one three-piece board, the placements of each full list that still
// fit it, rebuilt by RefreshCandidates; depths 3 and 4 walk them, and the deep tables hold the
// same lists as rows of masks for depths 5 to 11.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "builtin/model/board.h"
#include "builtin/model/catalogue.h"
#include "builtin/solver/deep_tables.h"

namespace cubepack::builtin {

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

}  // namespace cubepack::builtin
