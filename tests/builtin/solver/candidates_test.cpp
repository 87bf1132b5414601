// The candidate lists that RefreshCandidates cuts down from the full lists for one board, and
// their copies for the deep search: rows of masks, pair lists and triple lists.

#include "builtin/solver/candidates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "builtin/model/board.h"
#include "builtin/model/catalogue.h"
#include "builtin/model/cell_tables.h"
#include "support/test_support.h"

namespace cubepack::builtin {
namespace {

const PieceCatalogue& Cat() { return testing::SharedCatalogue(); }

// Both candidate tables of every piece as (created, placements), flattened as
// [table][piece][grid index]: as they stand, or as a refresh should leave them.
using ListView = std::pair<bool, std::vector<const Placement*>>;
constexpr int kViewSize = 2 * kPieceCount * kGridSize;
bool IsFillTable(int k) { return k < kViewSize / 2; }
int PieceOf(int k) { return k / kGridSize % kPieceCount; }
int GridOfEntry(int k) { return k % kGridSize; }
std::string Where(int k) {
  return (IsFillTable(k) ? "fill piece " : "low piece ") + std::to_string(PieceOf(k)) +
         " grid index " + std::to_string(GridOfEntry(k));
}

// The deep search's copy of a list: its masks in order, then padding that fits no board.
void ExpectDeepRowMatches(const CandidateTables& t, int k, const CandidateList& list) {
  const int bit = BitOfGridIndex[GridOfEntry(k)];
  if (bit < 0) return;
  const int i = PieceOf(k), pos = IsFillTable(k) ? FillPositionOfBit[bit] : bit;
  const DeepTables& d = *t.deep;
  const int count = list.created ? list.Count() : 0;
  EXPECT_EQ((IsFillTable(k) ? d.fillCount : d.lowCount)[pos][i], count) << Where(k);
  for (int n = 0; n < PaddedLength(count); ++n) {
    const bool real = n < count;
    if (IsFillTable(k)) {
      EXPECT_EQ(d.fillMasks[pos][i][n], real ? list.refs[n]->mask : ~OccupancyMask{0}) << Where(k);
      EXPECT_EQ(d.fillTests[pos][i][n], real ? list.refs[n]->fillMask : ~OccupancyMask{0})
          << Where(k);
    } else {
      EXPECT_EQ(d.lowMasks[pos][i][n], real ? list.refs[n]->mask : ~OccupancyMask{0}) << Where(k);
    }
  }
}

std::vector<ListView> View(const CandidateTables& t) {
  std::vector<ListView> view(kViewSize);
  for (int k = 0; k < kViewSize; ++k) {
    const CandidateList& list =
        (IsFillTable(k) ? t.fitByFillAnchor : t.fitByLowAnchor)[PieceOf(k)][GridOfEntry(k)];
    view[k].first = list.created;
    for (int n = 0; n < list.Count(); ++n) view[k].second.push_back(list.refs[n]);
    ExpectDeepRowMatches(t, k, list);
  }
  return view;
}

// What a refresh for `mask` makes of every full list: the placements that miss it, in order.
std::vector<ListView> Refreshed(OccupancyMask mask) {
  std::vector<ListView> view(kViewSize);
  for (int k = 0; k < kViewSize; ++k) {
    const Piece& p = Cat().pieces[PieceOf(k)];
    const auto& full = (IsFillTable(k) ? p.byFillAnchor : p.byLowAnchor)[GridOfEntry(k)];
    view[k].first = full != nullptr;
    if (full)
      for (const Placement& placement : *full)
        if (!Collides(placement.mask, mask)) view[k].second.push_back(&placement);
  }
  return view;
}

// Where two free pieces meet at an empty cell, the deep search tests one list: the first
// piece's masks tagged with the second, then the second's tagged with the first, padded.
void ExpectPairListsMatch(const CandidateTables& t, const Board& b) {
  const DeepTables& d = *t.deep;
  int checked = 0;
  for (int g = 0; g < kGridSize; ++g) {
    const int bit = BitOfGridIndex[g];
    if (bit < 0 || b.cells[g] != 0) continue;
    for (int x = 1; x < kPieceCount; ++x)
      for (int y = x + 1; y < kPieceCount; ++y) {
        if (b.placed[x] != 0 || b.placed[y] != 0) continue;
        std::vector<OccupancyMask> expected;
        for (int n = 0; n < d.lowCount[bit][x]; ++n)
          expected.push_back(d.lowMasks[bit][x][n] | PieceTag(y));
        for (int n = 0; n < d.lowCount[bit][y]; ++n)
          expected.push_back(d.lowMasks[bit][y][n] | PieceTag(x));
        const int count = static_cast<int>(expected.size());
        expected.resize(PaddedLength(count, kPairMinimum), ~OccupancyMask{0});
        const std::uint32_t span = d.pairSpans[bit][kPairIndex[y][x]];
        ASSERT_EQ(SpanCount(span), count) << "grid index " << g << " pieces " << x << ", " << y;
        const OccupancyMask* list = d.pairMasks.data() + SpanStart(span);
        EXPECT_EQ(std::vector<OccupancyMask>(list, list + expected.size()), expected)
            << "grid index " << g << " pieces " << x << ", " << y;
        checked += count > 0 ? 1 : 0;
      }
  }
  EXPECT_GT(checked, 0);
}

// Where three free pieces meet at an empty cell, the deep search tests one list built on
// demand: the three pieces' masks in piece order, each tagged with its own piece, padded. Asked
// twice, it is built once.
void ExpectTripleListsMatch(const CandidateTables& t, const Board& b) {
  DeepTables& d = *t.deep;
  int checked = 0;
  for (int g = 0; g < kGridSize; ++g) {
    const int bit = BitOfGridIndex[g];
    if (bit < 0 || b.cells[g] != 0) continue;
    for (int x = 1; x < kPieceCount; ++x)
      for (int y = x + 1; y < kPieceCount; ++y)
        for (int z = y + 1; z < kPieceCount; ++z) {
          if (b.placed[x] != 0 || b.placed[y] != 0 || b.placed[z] != 0) continue;
          std::vector<OccupancyMask> expected;
          for (int i : {x, y, z})
            for (int n = 0; n < d.lowCount[bit][i]; ++n)
              expected.push_back(d.lowMasks[bit][i][n] | PieceTag(i));
          const int count = static_cast<int>(expected.size());
          expected.resize(PaddedLength(count, kTripleMinimum), ~OccupancyMask{0});
          const std::uint32_t pieces = 1u << x | 1u << y | 1u << z;
          const std::uint32_t span = TripleList(d, bit, pieces);
          const std::uint32_t end = d.tripleEnd;
          ASSERT_EQ(TripleList(d, bit, pieces), span);
          ASSERT_EQ(d.tripleEnd, end) << "built twice";
          ASSERT_EQ(SpanCount(span), count) << "grid index " << g << " pieces " << pieces;
          const OccupancyMask* list = d.tripleMasks.data() + SpanStart(span);
          EXPECT_EQ(std::vector<OccupancyMask>(list, list + expected.size()), expected)
              << "grid index " << g << " pieces " << pieces;
          checked += count > 0 ? 1 : 0;
        }
  }
  EXPECT_GT(checked, 0);
}

Board BoardWith(std::initializer_list<int> filled, std::initializer_list<int> placed = {}) {
  Board b = MakeEmptyBox();
  for (int g : filled) b.cells[g] = kPieceMark;
  for (int i : placed) b.placed[i] = 1;
  ComputeMask(b);
  return b;
}

TEST(CandidateLists, EmptyWhereNothingFitsAndWholeOnTheEmptyBox) {
  // Only cell 0 is empty: its lists are made but hold nothing, and no other list is made.
  Board b = MakeEmptyBox();
  for (int g = 1; g < kGridSize; ++g)
    if (b.cells[g] == 0) b.cells[g] = kPieceMark;
  ComputeMask(b);
  CandidateTables t(Cat());
  RefreshCandidates(Cat(), b, t);
  const auto onlyCell0 = View(t), refreshed = Refreshed(b.mask);
  int made = 0;
  for (int k = 0; k < kViewSize; ++k) {
    EXPECT_EQ(onlyCell0[k], GridOfEntry(k) == 0 ? refreshed[k] : ListView{}) << Where(k);
    EXPECT_TRUE(onlyCell0[k].second.empty()) << Where(k);
    made += onlyCell0[k].first ? 1 : 0;
  }
  EXPECT_GT(made, 0);
  // Refreshed for the empty box, every list equals its full list.
  RefreshCandidates(Cat(), MakeEmptyBox(), t);
  const auto whole = View(t), expected = Refreshed(0);
  for (int k = 0; k < kViewSize; ++k) EXPECT_EQ(whole[k], expected[k]) << Where(k);
  ExpectPairListsMatch(t, MakeEmptyBox());
  ExpectTripleListsMatch(t, MakeEmptyBox());
}

TEST(CandidateLists, FilledCellsAndPlacedPiecesKeepTheEarlierLists) {
  const Board first = BoardWith({1, 2});
  const Board second = BoardWith({1, 2, 0, 31, 44, 60, 82}, {0, 3, 7});
  CandidateTables t(Cat());
  RefreshCandidates(Cat(), first, t);
  const auto afterFirst = View(t);
  ExpectTripleListsMatch(t, first);  // built for the first board: stale after the next refresh
  RefreshCandidates(Cat(), second, t);
  const auto actual = View(t), refreshed = Refreshed(second.mask);
  // Kept lists that a refresh for the second board would have changed: the test has teeth.
  int stale = 0;
  for (int k = 0; k < kViewSize; ++k) {
    const bool kept = second.cells[GridOfEntry(k)] != 0 || second.placed[PieceOf(k)] != 0;
    EXPECT_EQ(actual[k], kept ? afterFirst[k] : refreshed[k]) << Where(k);
    stale += kept && afterFirst[k] != refreshed[k] ? 1 : 0;
  }
  EXPECT_GT(stale, 0);
  ExpectPairListsMatch(t, second);
  ExpectTripleListsMatch(t, second);
}

}  // namespace
}  // namespace cubepack::builtin
