// The full placement lists filed by anchor cell, and the candidate lists that RefreshCandidates
// cuts down from them for one board.

#include "model/placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <initializer_list>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "model/board.h"
#include "model/catalogue.h"
#include "model/cell_tables.h"
#include "support/test_support.h"

namespace cubepack {
namespace {

const PieceCatalogue& Cat() { return testing::SharedCatalogue(); }

// Cell coordinates of a grid index, from the grid layout alone.
struct Coord {
  int x, y, z;
};
Coord CoordOf(int g) { return {g % 6, g % 30 / 6, g / 30}; }
int FillKey(int g) { return CoordOf(g).x * 12 + CoordOf(g).y * 3 + CoordOf(g).z; }
bool IsPlayable(int g) { return g >= 0 && g < 90 && g % 6 < 5 && g % 30 / 6 < 4; }

std::vector<int> CoveredCells(const Placement& p) {
  std::vector<int> cells;
  for (int k = 0; k < p.orientation->cellCount; ++k)
    cells.push_back(p.origin + p.orientation->offsets[k]);
  return cells;
}

int OrientationIndex(int piece, const Orientation* o) {
  const auto& list = Cat().orientations[piece];
  for (int j = 0; j < list.Count(); ++j)
    if (list[j] == o) return j;
  return -1;
}

TEST(PlacementLists, FiguresOfEveryPiece) {
  const std::array<int, kPieceCount> placements = {0,   224, 224, 224, 320, 504,
                                                   576, 160, 160, 160, 252, 288};
  const std::array<int, kPieceCount> fillLists = {0, 39, 45, 39, 48, 55, 48, 48, 48, 48, 46, 48};
  const std::array<int, kPieceCount> lowLists = {0, 43, 51, 49, 40, 53, 40, 40, 40, 40, 46, 40};
  EXPECT_EQ(kMaxListLength, 24);
  for (int i = 0; i < kPieceCount; ++i) {
    const Piece& p = Cat().pieces[i];
    int lists[2] = {}, filed[2] = {}, longest[2] = {};
    for (int t = 0; t < 2; ++t)
      for (int g = 0; g < kGridSize; ++g) {
        const auto& list = (t == 0 ? p.byFillAnchor : p.byLowAnchor)[g];
        if (!list) continue;
        EXPECT_TRUE(IsPlayable(g) && i != kSeedPiece) << "piece " << i << " grid index " << g;
        ++lists[t];
        filed[t] += list->Count();
        longest[t] = std::max(longest[t], list->Count());
      }
    EXPECT_EQ(lists[0], fillLists[i]) << "piece " << i;
    EXPECT_EQ(lists[1], lowLists[i]) << "piece " << i;
    EXPECT_EQ(filed[0], placements[i]) << "piece " << i;
    EXPECT_EQ(filed[1], placements[i]) << "piece " << i;
    // Only piece 6 (both tables) and piece 5 (low anchors) reach the longest list.
    EXPECT_EQ(longest[0] == 24, i == 6) << "piece " << i;
    EXPECT_EQ(longest[1] == 24, i == 5 || i == 6) << "piece " << i;
    EXPECT_LE(std::max(longest[0], longest[1]), kMaxListLength) << "piece " << i;
  }
}

TEST(PlacementLists, EachPlacementFiledOnceUnderBothOfItsAnchors) {
  for (int i = 1; i < kPieceCount; ++i) {
    std::vector<std::tuple<int, int>> filed[2];  // (orientation index, origin) per table
    for (int t = 0; t < 2; ++t)
      for (int g = 0; g < kGridSize; ++g) {
        const auto& list = (t == 0 ? Cat().pieces[i].byFillAnchor : Cat().pieces[i].byLowAnchor)[g];
        if (!list) continue;
        int previous = -1;
        for (const Placement& p : *list) {
          SCOPED_TRACE(::testing::Message() << "piece " << i << " table " << t << " anchor " << g);
          const int j = OrientationIndex(i, p.orientation);
          EXPECT_GT(j, previous);  // a list follows the orientation order
          previous = j;
          filed[t].emplace_back(j, p.origin);
          // The mask holds the covered cells, all playable, and the anchor is the first of them
          // in grid order, or in fill order (x slowest, then y, z fastest).
          OccupancyMask mask = 0;
          int low = 99, fill = 99;
          for (int c : CoveredCells(p)) {
            ASSERT_TRUE(IsPlayable(c));
            mask |= CellBit(CoordOf(c).z * 20 + CoordOf(c).y * 5 + CoordOf(c).x);
            low = std::min(low, c);
            if (fill == 99 || FillKey(c) < FillKey(fill)) fill = c;
          }
          EXPECT_EQ(p.mask, mask);
          EXPECT_EQ(t == 0 ? fill : low, g);
          // It covers one of the three cells one step on from its anchor: the deep search
          // passes over anchors where those are filled.
          const int bit = CoordOf(g).z * 20 + CoordOf(g).y * 5 + CoordOf(g).x;
          EXPECT_NE(t == 0 ? p.fillMask & kFillAhead << FillKey(g) : p.mask & kLowAhead << bit, 0u);
        }
      }
    for (auto& f : filed) std::sort(f.begin(), f.end());
    EXPECT_EQ(std::adjacent_find(filed[1].begin(), filed[1].end()), filed[1].end())
        << "piece " << i;
    EXPECT_EQ(filed[0], filed[1]) << "piece " << i;
  }
}

TEST(PlacementLists, SixCubePieceAtTheCorner) {
  // The list begins with the first, second and fourth orientations, each at origin 0.
  ASSERT_NE(Cat().pieces[kSixCubePiece].byLowAnchor[0], nullptr);
  const PlacementList& list = *Cat().pieces[kSixCubePiece].byLowAnchor[0];
  const auto& o = Cat().orientations[kSixCubePiece];
  ASSERT_GE(list.Count(), 3);
  EXPECT_EQ(std::make_tuple(list[0].orientation, list[1].orientation, list[2].orientation),
            std::make_tuple(o[0], o[1], o[3]));
  EXPECT_EQ(std::make_tuple(list[0].origin, list[1].origin, list[2].origin),
            std::make_tuple(0, 0, 0));
}

TEST(PlacementLists, UPentominoLiesInEachKindOfPlane) {
  int flat[3] = {};  // placements in a plane of constant x, y, z
  for (const auto& list : Cat().pieces[10].byLowAnchor) {
    if (!list) continue;
    for (const Placement& p : *list) {
      unsigned used[3] = {};  // the x, y and z values of the cells, as bits
      for (int g : CoveredCells(p)) {
        const Coord c = CoordOf(g);
        used[0] |= 1u << c.x;
        used[1] |= 1u << c.y;
        used[2] |= 1u << c.z;
      }
      for (int a = 0; a < 3; ++a) flat[a] += std::popcount(used[a]) == 1 ? 1 : 0;
    }
  }
  EXPECT_EQ(flat[0], 70);
  EXPECT_EQ(flat[1], 80);
  EXPECT_EQ(flat[2], 102);
}

// --- Candidate lists ---

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
      EXPECT_EQ(d.fillTests[pos][i][n], real ? list.refs[n]->fillMask : ~OccupancyMask{0}) << Where(k);
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
        ASSERT_EQ(PairCount(span), count) << "grid index " << g << " pieces " << x << ", " << y;
        const OccupancyMask* list = d.pairMasks.data() + PairStart(span);
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
          ASSERT_EQ(PairCount(span), count) << "grid index " << g << " pieces " << pieces;
          const OccupancyMask* list = d.tripleMasks.data() + PairStart(span);
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
}  // namespace cubepack
