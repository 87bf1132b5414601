#include "builtin/solver/candidates.h"

#include <cstddef>

#include "builtin/model/cell_tables.h"

namespace cubepack::builtin {

CandidateTables::CandidateTables(const PieceCatalogue& catalogue)
    : deep(MakeDeepTables(catalogue)) {
  std::size_t total = 0;
  for (const Piece& piece : catalogue.pieces)
    for (int g = 0; g < kGridSize; ++g) {
      if (piece.byFillAnchor[g]) total += piece.byFillAnchor[g]->Count();
      if (piece.byLowAnchor[g]) total += piece.byLowAnchor[g]->Count();
    }
  refStore_.resize(total);
  std::size_t next = 0;
  auto reserve = [&](CandidateList& list, const std::unique_ptr<PlacementList>& source) {
    if (!source) return;
    list.refs = refStore_.data() + next;
    next += source->Count();
  };
  piecesAtFillPosition.fill(0);
  piecesAtLowBit.fill(0);
  for (int i = 0; i < kPieceCount; ++i)
    for (int g = 0; g < kGridSize; ++g) {
      const Piece& piece = catalogue.pieces[i];
      reserve(fitByFillAnchor[i][g], piece.byFillAnchor[g]);
      reserve(fitByLowAnchor[i][g], piece.byLowAnchor[g]);
      const int bit = BitOfGridIndex[g];
      if (bit < 0) continue;
      if (piece.byFillAnchor[g]) piecesAtFillPosition[FillPositionOfBit[bit]] |= 1u << i;
      if (piece.byLowAnchor[g]) piecesAtLowBit[bit] |= 1u << i;
    }
}

namespace {

void Refilter(const PlacementList& source, CandidateList& target, OccupancyMask boardMask) {
  target.created = true;
  target.RemoveAll();
  for (const Placement& p : source)
    if (!Collides(p.mask, boardMask)) target.Append(&p);
}

}  // namespace

void RefreshCandidates(const PieceCatalogue& catalogue, const Board& board, CandidateTables& t) {
  DeepTables& deep = *t.deep;
  ++deep.generation;  // every triple list is stale now
  deep.tripleEnd = 0;
  std::uint32_t pairEnd = kPairMinimum;
  for (int pos = FirstEmptyGridCell(board.cells, 0); pos < kGridSize;
       pos = FirstEmptyGridCell(board.cells, pos + 1)) {
    const int bit = BitOfGridIndex[pos];
    const int fillPos = FillPositionOfBit[bit];
    for (int i = 1; i < kPieceCount; ++i) {
      if (board.placed[i] != 0) continue;
      const Piece& piece = catalogue.pieces[i];
      if (piece.byFillAnchor[pos]) {
        CandidateList& list = t.fitByFillAnchor[i][pos];
        Refilter(*piece.byFillAnchor[pos], list, board.mask);
        FillRow(list.refs, list.count, deep.fillTests[fillPos][i],
                [](const Placement& p) { return p.fillMask; });
        FillRow(list.refs, list.count, deep.fillMasks[fillPos][i],
                [](const Placement& p) { return p.mask; });
        deep.fillCount[fillPos][i] = static_cast<std::uint8_t>(list.count);
      }
      if (piece.byLowAnchor[pos]) {
        CandidateList& list = t.fitByLowAnchor[i][pos];
        Refilter(*piece.byLowAnchor[pos], list, board.mask);
        FillRow(list.refs, list.count, deep.lowMasks[bit][i],
                [](const Placement& p) { return p.mask; });
        deep.lowCount[bit][i] = static_cast<std::uint8_t>(list.count);
      }
    }
    pairEnd = FillPairs(board, bit, deep, pairEnd);
  }
}

}  // namespace cubepack::builtin
