#include "model/placement.h"

#include <bit>
#include <cassert>
#include <cstddef>

#include "model/cell_tables.h"

namespace cubepack {

int FillAnchor(const Placement& p) {
  const int n = p.orientation->cellCount;
  for (const FillOrderRow& row : FillOrderTable)
    for (int k = 0; k < n; ++k)
      if (p.origin + p.orientation->offsets[k] == row.gridIndex) return row.gridIndex;
  return -1;
}

int LowAnchor(const Placement& p) {
  int low = kGridSize;
  for (int k = 0; k < p.orientation->cellCount; ++k)
    low = std::min(low, p.origin + p.orientation->offsets[k]);
  return low;
}

namespace {

bool FitsEmptyBox(const Board& empty, const Orientation& o, int origin) {
  for (int k = 0; k < o.cellCount; ++k) {
    const int g = origin + o.offsets[k];
    if (g < 0 || g >= kGridSize || empty.cells[g] != 0) return false;
  }
  return true;
}

void FileUnder(PlacementTable& table, int anchor, const Placement& p) {
  if (!table[anchor]) table[anchor] = std::make_unique<PlacementList>();
  table[anchor]->Append(p);
}

}  // namespace

void FilePlacements(Piece& piece, const Orientation& o) {
  static const Board empty = MakeEmptyBox();
  for (int x0 = 0; x0 < kSizeX; ++x0)
    for (int y0 = 0; y0 < kSizeY; ++y0)
      for (int z0 = 0; z0 < kSizeZ; ++z0) {
        const int origin = GridIndex(x0, y0, z0);
        if (!FitsEmptyBox(empty, o, origin)) continue;
        Placement p{0, &o, origin, 0};
        for (int k = 0; k < o.cellCount; ++k)
          p.mask |= CellBit(BitOfGridIndex[origin + o.offsets[k]]);
        p.fillMask = ToFillOrder(p.mask);
        FileUnder(piece.byLowAnchor, LowAnchor(p), p);
        FileUnder(piece.byFillAnchor, FillAnchor(p), p);
      }
}

CandidateTables::CandidateTables(const PieceCatalogue& catalogue) {
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
  deep = std::make_unique<DeepTables>();
  for (auto* rows : {&deep->lowMasks, &deep->fillTests, &deep->fillMasks})
    for (auto& row : *rows)
      for (auto& list : row) list.fill(~OccupancyMask{0});
  for (auto& c : deep->lowCount) c.fill(0);
  // Room for every pair's full lists at every cell, each padded.
  std::size_t pairRoom = kPairMinimum;
  for (int g = 0; g < kGridSize; ++g)
    for (int a = 1; a < kPieceCount; ++a)
      for (int b = a + 1; b < kPieceCount; ++b) {
        const auto& la = catalogue.pieces[a].byLowAnchor[g];
        const auto& lb = catalogue.pieces[b].byLowAnchor[g];
        pairRoom += static_cast<std::size_t>(
            PaddedLength((la ? la->Count() : 0) + (lb ? lb->Count() : 0), kPairMinimum));
      }
  deep->pairMasks.assign(pairRoom, ~OccupancyMask{0});
  // Room for every triple's full lists at every cell, each padded: one refresh may use them all.
  std::size_t tripleRoom = 0;
  for (int g = 0; g < kGridSize; ++g)
    for (int a = 1; a < kPieceCount; ++a)
      for (int b = a + 1; b < kPieceCount; ++b)
        for (int c = b + 1; c < kPieceCount; ++c) {
          int count = 0;
          for (int i : {a, b, c})
            if (const auto& list = catalogue.pieces[i].byLowAnchor[g]) count += list->Count();
          tripleRoom += static_cast<std::size_t>(PaddedLength(count, kTripleMinimum));
        }
  assert(tripleRoom < std::size_t{1} << 24);  // a span keeps 24 bits of start
  deep->tripleMasks.assign(tripleRoom, ~OccupancyMask{0});
  for (auto& row : deep->tripleSpans) row.fill(TripleSpan{0, 0});
  for (auto& row : deep->pairSpans) row.fill(PairSpan(0, 0));
  for (auto& c : deep->fillCount) c.fill(0);
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

// Copies a refreshed list's masks into its deep row, padded with masks that always collide.
template <class Field>
void FillRow(const CandidateList& list, std::array<OccupancyMask, kMaxListLength>& row,
             Field field) {
  for (int n = 0; n < PaddedLength(list.count); ++n)
    row[n] = n < list.count ? field(*list.refs[n]) : ~OccupancyMask{0};
}

// Builds the pair lists at `bit` from its refreshed rows, from `next` on; returns the new end.
std::uint32_t FillPairs(const Board& board, int bit, DeepTables& deep, std::uint32_t next) {
  for (int a = 1; a < kPieceCount; ++a) {
    if (board.placed[a] != 0) continue;
    for (int b = a + 1; b < kPieceCount; ++b) {
      if (board.placed[b] != 0) continue;
      const int ca = deep.lowCount[bit][a];
      const int cb = deep.lowCount[bit][b];
      std::uint32_t& span = deep.pairSpans[bit][kPairIndex[a][b]];
      if (ca + cb == 0) {
        span = PairSpan(0, 0);
        continue;
      }
      span = PairSpan(next, ca + cb);
      assert(next + PaddedLength(ca + cb, kPairMinimum) <= deep.pairMasks.size());
      OccupancyMask* out = deep.pairMasks.data() + next;
      for (int n = 0; n < ca; ++n) *out++ = deep.lowMasks[bit][a][n] | PieceTag(b);
      for (int n = 0; n < cb; ++n) *out++ = deep.lowMasks[bit][b][n] | PieceTag(a);
      for (int n = ca + cb; n < PaddedLength(ca + cb, kPairMinimum); ++n)
        *out++ = ~OccupancyMask{0};
      next += static_cast<std::uint32_t>(PaddedLength(ca + cb, kPairMinimum));
    }
  }
  return next;
}

}  // namespace

std::uint32_t TripleList(DeepTables& deep, int bit, std::uint32_t pieces) {
  TripleSpan& entry = deep.tripleSpans[bit][kTripleOfPieces[pieces]];
  if (entry.stamp == deep.generation) return entry.span;
  const std::uint32_t start = deep.tripleEnd;
  int count = 0;
  for (std::uint32_t rest = pieces; rest != 0; rest &= rest - 1)
    count += deep.lowCount[bit][std::countr_zero(rest)];
  const int padded = PaddedLength(count, kTripleMinimum);
  // The pool has room for every triple at every cell, each built at most once per refresh.
  assert(start + static_cast<std::size_t>(padded) <= deep.tripleMasks.size());
  OccupancyMask* out = deep.tripleMasks.data() + start;
  for (std::uint32_t rest = pieces; rest != 0; rest &= rest - 1) {
    const int i = std::countr_zero(rest);
    for (int n = 0; n < deep.lowCount[bit][i]; ++n) *out++ = deep.lowMasks[bit][i][n] | PieceTag(i);
  }
  for (int n = count; n < padded; ++n) *out++ = ~OccupancyMask{0};
  deep.tripleEnd = start + static_cast<std::uint32_t>(padded);
  entry = {deep.generation, PairSpan(start, count)};
  return entry.span;
}

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
        FillRow(list, deep.fillTests[fillPos][i], [](const Placement& p) { return p.fillMask; });
        FillRow(list, deep.fillMasks[fillPos][i], [](const Placement& p) { return p.mask; });
        deep.fillCount[fillPos][i] = static_cast<std::uint8_t>(list.count);
      }
      if (piece.byLowAnchor[pos]) {
        CandidateList& list = t.fitByLowAnchor[i][pos];
        Refilter(*piece.byLowAnchor[pos], list, board.mask);
        FillRow(list, deep.lowMasks[bit][i], [](const Placement& p) { return p.mask; });
        deep.lowCount[bit][i] = static_cast<std::uint8_t>(list.count);
      }
    }
    pairEnd = FillPairs(board, bit, deep, pairEnd);
  }
}

}  // namespace cubepack
