#include "builtin/solver/deep_tables.h"

#include <bit>
#include <cstddef>
#include <initializer_list>

namespace cubepack::builtin {

namespace {

// The number of placements filed under grid index `g` for each of `pieces`, together.
int FullListsLength(const PieceCatalogue& catalogue, int g, std::initializer_list<int> pieces) {
  int count = 0;
  for (int i : pieces)
    if (const auto& list = catalogue.pieces[i].byLowAnchor[g]) count += list->Count();
  return count;
}

}  // namespace

std::unique_ptr<DeepTables> MakeDeepTables(const PieceCatalogue& catalogue) {
  auto deep = std::make_unique<DeepTables>();
  for (auto* rows : {&deep->lowMasks, &deep->fillTests, &deep->fillMasks})
    for (auto& row : *rows)
      for (auto& list : row) list.fill(~OccupancyMask{0});
  for (auto& c : deep->lowCount) c.fill(0);
  for (auto& c : deep->fillCount) c.fill(0);
  // Room for every pair's and every triple's full lists at every cell, each padded: one
  // refresh may use them all.
  std::size_t pairRoom = kPairMinimum;
  std::size_t tripleRoom = 0;
  for (int g = 0; g < kGridSize; ++g)
    for (int a = 1; a < kPieceCount; ++a)
      for (int b = a + 1; b < kPieceCount; ++b) {
        pairRoom += static_cast<std::size_t>(
            PaddedLength(FullListsLength(catalogue, g, {a, b}), kPairMinimum));
        for (int c = b + 1; c < kPieceCount; ++c)
          tripleRoom += static_cast<std::size_t>(
              PaddedLength(FullListsLength(catalogue, g, {a, b, c}), kTripleMinimum));
      }
  assert(pairRoom < kSpanStartLimit && tripleRoom < kSpanStartLimit);
  deep->pairMasks.assign(pairRoom, ~OccupancyMask{0});
  deep->tripleMasks.assign(tripleRoom, ~OccupancyMask{0});
  for (auto& row : deep->tripleSpans) row.fill(TripleSpan{0, 0});
  for (auto& row : deep->pairSpans) row.fill(ListSpan(0, 0));
  return deep;
}

std::uint32_t FillPairs(const Board& board, int bit, DeepTables& deep, std::uint32_t next) {
  for (int a = 1; a < kPieceCount; ++a) {
    if (board.placed[a] != 0) continue;
    for (int b = a + 1; b < kPieceCount; ++b) {
      if (board.placed[b] != 0) continue;
      const int ca = deep.lowCount[bit][a];
      const int cb = deep.lowCount[bit][b];
      std::uint32_t& span = deep.pairSpans[bit][kPairIndex[a][b]];
      if (ca + cb == 0) {
        span = ListSpan(0, 0);
        continue;
      }
      span = ListSpan(next, ca + cb);
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
  entry = {deep.generation, ListSpan(start, count)};
  return entry.span;
}

}  // namespace cubepack::builtin
