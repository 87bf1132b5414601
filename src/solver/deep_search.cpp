// The mask-only depths 5 to 11, where nearly all of the run's time goes.
//
// The state of a node lives in registers: the occupancy mask in grid bit order, the same mask
// in fill order (so the fill-order anchor is one count of trailing ones instead of a table
// scan) and the free pieces as bits. Boards 5..10 of the stack are not written: nothing reads
// them. List visits are counted per node as the free pieces that have a list at the anchor,
// which is what walking the pieces one by one would add.

#include <bit>
#include <cstdint>

#include "model/cell_tables.h"
#include "solver/search.h"

namespace cubepack {

namespace {

using PieceBits = std::uint32_t;

inline PieceBits FreePieces(const Board& b) {
  PieceBits free = 0;
  for (int i = 1; i < kPieceCount; ++i)
    if (b.placed[i] == 0) free |= PieceBits{1} << i;
  return free;
}

// Bit n set for every entry n of the list that does not collide with `board`. The lists are
// padded to whole blocks of kCandidatePad so this loop has a fixed shape the compiler can
// unroll and vectorise; testing all entries without a branch avoids a mispredicted jump at
// every fitting placement, which cost more than the tests themselves.
inline std::uint32_t TestBlock(const OccupancyMask* m, OccupancyMask board) {
  return static_cast<std::uint32_t>((m[0] & board) == 0) |
         static_cast<std::uint32_t>((m[1] & board) == 0) << 1 |
         static_cast<std::uint32_t>((m[2] & board) == 0) << 2 |
         static_cast<std::uint32_t>((m[3] & board) == 0) << 3;
}

inline std::uint32_t FreeEntries(const OccupancyMask* masks, int count, OccupancyMask board) {
  static_assert(kCandidatePad == 4 && kCandidateMinimum == 8);
  // Most lists at these depths hold at most eight entries: testing eight unconditionally keeps
  // the loop's exit branch, which depends on the list's length and is hard to predict, off the
  // common path.
  std::uint32_t hits = TestBlock(masks, board) | TestBlock(masks + 4, board) << 4;
  for (int n = 8; n < count; n += 4) hits |= TestBlock(masks + n, board) << n;
  return hits;  // the padding collides with every non-empty board
}

class DeepSearch {
 public:
  explicit DeepSearch(const CandidateTables& t) : t_(t) {}

  // Everything below one node of depth kDepth - 1: grid-order mask, fill-order mask, free
  // pieces.
  template <int kDepth>
  void Node(OccupancyMask grid, OccupancyMask fill, PieceBits free) {
    if constexpr (kDepth <= 8) {
      // Depths 5-8: anchor at the first empty cell in fill order.
      const int r = std::countr_one(fill);
      const int anchor = FillOrderTable[r].gridIndex;
      // Counting the visits in the loop: the portable build has no popcount instruction.
      for (PieceBits pieces = free & t_.piecesAtFillPosition[r]; pieces != 0;
           pieces &= pieces - 1) {
        ++visits;
        const int i = std::countr_zero(pieces);
        const CandidateList& list = t_.fitByFillAnchor[i][anchor];
        const PieceBits rest = free & ~(PieceBits{1} << i);
        for (std::uint32_t hits = FreeEntries(list.fillMasks, list.count, fill); hits != 0;
             hits &= hits - 1) {
          const int n = std::countr_zero(hits);
          Node<kDepth + 1>(grid | list.masks[n], fill | list.fillMasks[n], rest);
        }
      }
    } else {
      // Depths 9-11: anchor at the lowest empty cell in grid order.
      const int k = std::countr_one(grid);
      const int anchor = static_cast<int>(BitCellTable[k].gridIndex);
      for (PieceBits pieces = free & t_.piecesAtLowBit[k]; pieces != 0; pieces &= pieces - 1) {
        ++visits;
        const int i = std::countr_zero(pieces);
        const CandidateList& list = t_.fitByLowAnchor[i][anchor];
        const PieceBits rest = free & ~(PieceBits{1} << i);
        std::uint32_t hits = FreeEntries(list.masks, list.count, grid);
        if constexpr (kDepth == 11) {
          for (; hits != 0; hits &= hits - 1) ++solutions;
        } else if constexpr (kDepth == 10) {
          // Depth 11 inlined: one piece is left, so only its list at the new anchor matters.
          const int last = std::countr_zero(rest);
          for (; hits != 0; hits &= hits - 1) {
            const OccupancyMask next = grid | list.masks[std::countr_zero(hits)];
            const int k2 = std::countr_one(next);
            if ((t_.piecesAtLowBit[k2] >> last & 1) == 0) continue;
            ++visits;
            const CandidateList& lastList =
                t_.fitByLowAnchor[last][static_cast<int>(BitCellTable[k2].gridIndex)];
            // The remaining cells are exactly the last piece's size, so at most one fits.
            for (std::uint32_t fit = FreeEntries(lastList.masks, lastList.count, next); fit != 0;
                 fit &= fit - 1)
              ++solutions;
          }
        } else {
          for (; hits != 0; hits &= hits - 1)
            Node<kDepth + 1>(grid | list.masks[std::countr_zero(hits)], 0, rest);
        }
      }
    }
  }

  std::int64_t visits = 0;
  std::int64_t solutions = 0;

 private:
  const CandidateTables& t_;
};

template <int kDepth>
void RunFrom(SearchState& s, const Board& b) {
  DeepSearch search(s.candidates);
  search.Node<kDepth>(b.mask, ToFillOrder(b.mask), FreePieces(b));
  s.stepCount += search.visits;
  s.solutionCount += static_cast<std::int32_t>(search.solutions);
}

}  // namespace

void SearchDepth5(SearchState& s) { RunFrom<5>(s, s.boardStack[4]); }
void SearchDepth8(SearchState& s) { RunFrom<8>(s, s.boardStack[7]); }
void SearchDepth10(SearchState& s) { RunFrom<10>(s, s.boardStack[9]); }

}  // namespace cubepack
