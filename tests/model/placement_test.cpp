// The full placement lists filed by anchor cell, and the candidate lists that RefreshCandidates
// cuts down from them for one board.

#include "model/placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <initializer_list>
#include <memory>
#include <tuple>
#include <vector>

#include "model/board.h"
#include "model/catalogue.h"
#include "support/test_support.h"

namespace cubepack {
namespace {

constexpr std::array<int, kPieceCount> kPlacementCounts = {0,   224, 224, 224, 320, 504,
                                                           576, 160, 160, 160, 252, 288};
constexpr std::array<int, kPieceCount> kFillAnchorLists = {0,  39, 45, 39, 48, 55,
                                                           48, 48, 48, 48, 46, 48};
constexpr std::array<int, kPieceCount> kLowAnchorLists = {0,  43, 51, 49, 40, 53,
                                                          40, 40, 40, 40, 46, 40};

const PieceCatalogue& Cat() { return testing::SharedCatalogue(); }

// Cell coordinates of a grid index, from the grid layout alone.
struct Coord {
  int x, y, z;
};
Coord CoordOf(int g) { return {g % 6, (g % 30) / 6, g / 30}; }
bool IsPlayable(int g) {
  if (g < 0 || g >= 90) return false;
  const Coord c = CoordOf(g);
  return c.x < 5 && c.y < 4;
}
int BitOfCell(int g) {
  const Coord c = CoordOf(g);
  return c.z * 20 + c.y * 5 + c.x;
}

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

// Visits every list of a table with its anchor cell.
template <typename Fn>
void ForEachList(const PlacementTable& table, Fn fn) {
  for (int g = 0; g < kGridSize; ++g)
    if (table[g]) fn(g, *table[g]);
}

int PlacementCount(const PlacementTable& table) {
  int n = 0;
  ForEachList(table, [&](int, const PlacementList& list) { n += list.Count(); });
  return n;
}

int LongestList(const PlacementTable& table) {
  int n = 0;
  ForEachList(table, [&](int, const PlacementList& list) { n = std::max(n, list.Count()); });
  return n;
}

// (orientation index, origin, mask) of every placement of a table, sorted.
std::vector<std::tuple<int, int, OccupancyMask>> Contents(int piece, const PlacementTable& table) {
  std::vector<std::tuple<int, int, OccupancyMask>> all;
  ForEachList(table, [&](int, const PlacementList& list) {
    for (const Placement& p : list)
      all.emplace_back(OrientationIndex(piece, p.orientation), p.origin, p.mask);
  });
  std::sort(all.begin(), all.end());
  return all;
}

TEST(PlacementLists, PlacementCountOfEveryPiece) {
  for (int i = 0; i < kPieceCount; ++i) {
    EXPECT_EQ(PlacementCount(Cat().pieces[i].byLowAnchor), kPlacementCounts[i]) << "piece " << i;
    EXPECT_EQ(PlacementCount(Cat().pieces[i].byFillAnchor), kPlacementCounts[i]) << "piece " << i;
  }
}

TEST(PlacementLists, EveryPlacementIsFiledOnceInEachTable) {
  for (int i = 1; i < kPieceCount; ++i) {
    const auto low = Contents(i, Cat().pieces[i].byLowAnchor);
    const auto fill = Contents(i, Cat().pieces[i].byFillAnchor);
    EXPECT_EQ(std::adjacent_find(low.begin(), low.end()), low.end()) << "piece " << i;
    EXPECT_EQ(low, fill) << "piece " << i;
  }
}

TEST(PlacementLists, EveryOrientationLiesAtEveryOriginWhereItFits) {
  // An orientation of extent w x d x h fits at (6 - w) * (5 - d) * (4 - h) origins.
  for (int i = 1; i < kPieceCount; ++i) {
    const auto all = Contents(i, Cat().pieces[i].byLowAnchor);
    const auto& list = Cat().orientations[i];
    for (int j = 0; j < list.Count(); ++j) {
      const Orientation& o = *list[j];
      int w = 0, d = 0, h = 0;
      for (int k = 0; k < o.cellCount; ++k) {
        w = std::max(w, o.cubes[k].x + 1);
        d = std::max(d, o.cubes[k].y + 1);
        h = std::max(h, o.cubes[k].z + 1);
      }
      const auto n =
          std::count_if(all.begin(), all.end(), [&](const auto& t) { return std::get<0>(t) == j; });
      EXPECT_EQ(n, (6 - w) * (5 - d) * (4 - h)) << "piece " << i << " orientation " << j;
    }
  }
}

TEST(PlacementLists, ListCountOfEveryTable) {
  for (int i = 0; i < kPieceCount; ++i) {
    int fill = 0, low = 0;
    ForEachList(Cat().pieces[i].byFillAnchor, [&](int, const PlacementList&) { ++fill; });
    ForEachList(Cat().pieces[i].byLowAnchor, [&](int, const PlacementList&) { ++low; });
    EXPECT_EQ(fill, kFillAnchorLists[i]) << "piece " << i;
    EXPECT_EQ(low, kLowAnchorLists[i]) << "piece " << i;
  }
}

TEST(PlacementLists, LongestListHoldsTwentyFour) {
  // Only piece 5's low-anchor table and both tables of piece 6 reach the maximum.
  EXPECT_EQ(kMaxListLength, 24);
  for (int i = 0; i < kPieceCount; ++i) {
    const Piece& p = Cat().pieces[i];
    const int fillMax = (i == 6) ? 24 : 23;
    const int lowMax = (i == 5 || i == 6) ? 24 : 23;
    if (fillMax == 24) {
      EXPECT_EQ(LongestList(p.byFillAnchor), 24) << "piece " << i;
    } else {
      EXPECT_LE(LongestList(p.byFillAnchor), fillMax) << "piece " << i;
    }
    if (lowMax == 24) {
      EXPECT_EQ(LongestList(p.byLowAnchor), 24) << "piece " << i;
    } else {
      EXPECT_LE(LongestList(p.byLowAnchor), lowMax) << "piece " << i;
    }
  }
  // Most lists are short.
  int lists = 0, shortLists = 0;
  for (const Piece& p : Cat().pieces)
    for (const PlacementTable* table : {&p.byFillAnchor, &p.byLowAnchor})
      ForEachList(*table, [&](int, const PlacementList& list) {
        ++lists;
        if (list.Count() < 12) ++shortLists;
      });
  EXPECT_GT(2 * shortLists, lists);
}

TEST(PlacementLists, NoListUnderABorderCellNorForTheSeedPiece) {
  for (int i = 0; i < kPieceCount; ++i) {
    const Piece& p = Cat().pieces[i];
    for (int g = 0; g < kGridSize; ++g) {
      if (i == kSeedPiece || !IsPlayable(g)) {
        EXPECT_EQ(p.byFillAnchor[g], nullptr) << "piece " << i << " grid index " << g;
        EXPECT_EQ(p.byLowAnchor[g], nullptr) << "piece " << i << " grid index " << g;
      }
      // A full list exists only once something was filed in it.
      if (p.byFillAnchor[g]) {
        EXPECT_GT(p.byFillAnchor[g]->Count(), 0);
      }
      if (p.byLowAnchor[g]) {
        EXPECT_GT(p.byLowAnchor[g]->Count(), 0);
      }
    }
  }
}

TEST(PlacementLists, MaskMatchesTheCoveredCells) {
  for (int i = 1; i < kPieceCount; ++i) {
    for (const PlacementTable* table :
         {&Cat().pieces[i].byFillAnchor, &Cat().pieces[i].byLowAnchor}) {
      ForEachList(*table, [&](int, const PlacementList& list) {
        for (const Placement& p : list) {
          ASSERT_GE(OrientationIndex(i, p.orientation), 0) << "piece " << i;
          ASSERT_TRUE(IsPlayable(p.origin)) << "piece " << i << " origin " << p.origin;
          OccupancyMask expected = 0;
          for (int g : CoveredCells(p)) {
            ASSERT_TRUE(IsPlayable(g)) << "piece " << i << " origin " << p.origin;
            expected |= OccupancyMask{1} << BitOfCell(g);
          }
          EXPECT_EQ(std::popcount(p.mask), Cat().pieces[i].cellCount);
          EXPECT_EQ(p.mask, expected) << "piece " << i << " origin " << p.origin;
        }
      });
    }
  }
}

TEST(PlacementLists, FilingAnchorsAreTheFirstCoveredCells) {
  for (int i = 1; i < kPieceCount; ++i) {
    ForEachList(Cat().pieces[i].byFillAnchor, [&](int g, const PlacementList& list) {
      for (const Placement& p : list) {
        // x slowest, then y, z fastest.
        const auto cells = CoveredCells(p);
        const int first = *std::min_element(cells.begin(), cells.end(), [](int a, int b) {
          const Coord ca = CoordOf(a), cb = CoordOf(b);
          return std::tie(ca.x, ca.y, ca.z) < std::tie(cb.x, cb.y, cb.z);
        });
        EXPECT_EQ(first, g) << "piece " << i << " origin " << p.origin;
        EXPECT_EQ(FillAnchor(p), g) << "piece " << i << " origin " << p.origin;
      }
    });
    ForEachList(Cat().pieces[i].byLowAnchor, [&](int g, const PlacementList& list) {
      for (const Placement& p : list) {
        const auto cells = CoveredCells(p);
        EXPECT_EQ(*std::min_element(cells.begin(), cells.end()), g)
            << "piece " << i << " origin " << p.origin;
        EXPECT_EQ(LowAnchor(p), g) << "piece " << i << " origin " << p.origin;
      }
    });
  }
}

TEST(PlacementLists, FillAndLowAnchorsDifferWhereTheOrdersDisagree) {
  // The seed's upright form at origin 0 covers 66, 30, 36, 6 and 42: the lowest index is 6,
  // (0, 1, 0), but the first cell with the smallest y is 30, (0, 0, 1).
  const Orientation& upright = *Cat().orientations[kSeedPiece][1];
  const Placement p{0, &upright, 0, 0};
  EXPECT_EQ(LowAnchor(p), 6);
  EXPECT_EQ(FillAnchor(p), 30);
  const Placement moved{0, &upright, 1 + 6, 0};
  EXPECT_EQ(LowAnchor(moved), 13);
  EXPECT_EQ(FillAnchor(moved), 37);
}

TEST(PlacementLists, ListsFollowTheOrientationOrder) {
  for (int i = 1; i < kPieceCount; ++i) {
    for (const PlacementTable* table :
         {&Cat().pieces[i].byFillAnchor, &Cat().pieces[i].byLowAnchor}) {
      ForEachList(*table, [&](int g, const PlacementList& list) {
        int previous = -1;
        for (const Placement& p : list) {
          const int j = OrientationIndex(i, p.orientation);
          EXPECT_GT(j, previous) << "piece " << i << " grid index " << g;
          previous = j;
        }
      });
    }
  }
}

TEST(PlacementLists, SixCubePieceAtTheCorner) {
  const auto& list = Cat().pieces[kSixCubePiece].byLowAnchor[0];
  ASSERT_NE(list, nullptr);
  ASSERT_GE(list->Count(), 3);
  const auto& orientations = Cat().orientations[kSixCubePiece];
  EXPECT_EQ((*list)[0].orientation, orientations[0]);
  EXPECT_EQ((*list)[1].orientation, orientations[1]);
  EXPECT_EQ((*list)[2].orientation, orientations[3]);
  for (int k = 0; k < 3; ++k) EXPECT_EQ((*list)[k].origin, 0) << "entry " << k;
}

TEST(PlacementLists, UPentominoLiesInEachKindOfPlane) {
  int constZ = 0, constY = 0, constX = 0;
  ForEachList(Cat().pieces[10].byLowAnchor, [&](int, const PlacementList& list) {
    for (const Placement& p : list) {
      const auto cells = CoveredCells(p);
      auto allSame = [&](auto field) {
        return std::all_of(cells.begin(), cells.end(),
                           [&](int g) { return field(CoordOf(g)) == field(CoordOf(cells[0])); });
      };
      if (allSame([](Coord c) { return c.z; })) ++constZ;
      if (allSame([](Coord c) { return c.y; })) ++constY;
      if (allSame([](Coord c) { return c.x; })) ++constX;
    }
  });
  EXPECT_EQ(constZ, 102);
  EXPECT_EQ(constY, 80);
  EXPECT_EQ(constX, 70);
  EXPECT_EQ(constZ + constY + constX, 252);
}

// --- Candidate lists ---

// A board with the given playable cells filled, its mask computed and the given pieces placed.
Board BoardWith(std::initializer_list<int> filled, std::initializer_list<int> placed = {}) {
  Board b = MakeEmptyBox();
  for (int g : filled) b.cells[g] = kPieceMark;
  for (int i : placed) b.placed[i] = 1;
  ComputeMask(b);
  return b;
}

std::vector<const Placement*> Refs(const CandidateList& list) {
  return {list.refs, list.refs + list.count};
}

// The placements of a full list that miss the mask, in list order; empty for "no list".
std::vector<const Placement*> Expected(const std::unique_ptr<PlacementList>& full,
                                       OccupancyMask mask) {
  std::vector<const Placement*> kept;
  if (full)
    for (const Placement& p : *full)
      if ((p.mask & mask) == 0) kept.push_back(&p);
  return kept;
}

// Checks one candidate list against its full list filtered by `mask`.
void ExpectFiltered(const CandidateList& candidates, const std::unique_ptr<PlacementList>& full,
                    OccupancyMask mask, int piece, int g, const char* table) {
  SCOPED_TRACE(::testing::Message() << table << " piece " << piece << " grid index " << g);
  EXPECT_EQ(candidates.created, full != nullptr);
  EXPECT_EQ(Refs(candidates), Expected(full, mask));
  for (int k = 0; k < candidates.count; ++k)
    EXPECT_EQ(candidates.masks[k], candidates.refs[k]->mask);
}

// Both candidate lists of every piece and cell, as they stand.
struct Snapshot {
  std::array<std::array<std::vector<const Placement*>, kGridSize>, kPieceCount> fill, low;
  std::array<std::array<bool, kGridSize>, kPieceCount> fillCreated{}, lowCreated{};
};

Snapshot Take(const CandidateTables& t) {
  Snapshot s;
  for (int i = 0; i < kPieceCount; ++i)
    for (int g = 0; g < kGridSize; ++g) {
      s.fill[i][g] = Refs(t.fitByFillAnchor[i][g]);
      s.low[i][g] = Refs(t.fitByLowAnchor[i][g]);
      s.fillCreated[i][g] = t.fitByFillAnchor[i][g].created;
      s.lowCreated[i][g] = t.fitByLowAnchor[i][g].created;
    }
  return s;
}

void ExpectUnchanged(const CandidateTables& t, const Snapshot& s, int piece, int g) {
  SCOPED_TRACE(::testing::Message() << "piece " << piece << " grid index " << g);
  EXPECT_EQ(t.fitByFillAnchor[piece][g].created, s.fillCreated[piece][g]);
  EXPECT_EQ(t.fitByLowAnchor[piece][g].created, s.lowCreated[piece][g]);
  EXPECT_EQ(Refs(t.fitByFillAnchor[piece][g]), s.fill[piece][g]);
  EXPECT_EQ(Refs(t.fitByLowAnchor[piece][g]), s.low[piece][g]);
}

TEST(CandidateLists, NoListBeforeTheFirstRefresh) {
  const CandidateTables t(Cat());
  for (int i = 0; i < kPieceCount; ++i)
    for (int g = 0; g < kGridSize; ++g) {
      EXPECT_FALSE(t.fitByFillAnchor[i][g].created);
      EXPECT_FALSE(t.fitByLowAnchor[i][g].created);
      EXPECT_EQ(t.fitByFillAnchor[i][g].Count(), 0);
      EXPECT_EQ(t.fitByLowAnchor[i][g].Count(), 0);
    }
}

TEST(CandidateLists, OnTheEmptyBoxEveryListEqualsItsFullList) {
  CandidateTables t(Cat());
  RefreshCandidates(Cat(), MakeEmptyBox(), t);
  for (int i = 0; i < kPieceCount; ++i) {
    const Piece& p = Cat().pieces[i];
    for (int g = 0; g < kGridSize; ++g) {
      ExpectFiltered(t.fitByFillAnchor[i][g], p.byFillAnchor[g], 0, i, g, "fill");
      ExpectFiltered(t.fitByLowAnchor[i][g], p.byLowAnchor[g], 0, i, g, "low");
      // The candidates refer to the full lists' own records.
      if (p.byFillAnchor[g]) {
        EXPECT_EQ(t.fitByFillAnchor[i][g].Count(), p.byFillAnchor[g]->Count());
      }
    }
  }
}

TEST(CandidateLists, FilteredForAPartlyFilledBoard) {
  // The seed in its catalogue form at origin 0, plus two loose cells in the upper layers.
  const Board b = BoardWith({6, 1, 7, 8, 13, 50, 75});
  CandidateTables t(Cat());
  RefreshCandidates(Cat(), b, t);
  int shortened = 0, emptied = 0;
  for (int i = 1; i < kPieceCount; ++i) {
    const Piece& p = Cat().pieces[i];
    for (int g = 0; g < kGridSize; ++g) {
      if (b.cells[g] != 0) {
        // Filled cells are not refreshed; these tables were never filled before.
        EXPECT_FALSE(t.fitByFillAnchor[i][g].created) << "piece " << i << " grid index " << g;
        EXPECT_FALSE(t.fitByLowAnchor[i][g].created) << "piece " << i << " grid index " << g;
        continue;
      }
      ExpectFiltered(t.fitByFillAnchor[i][g], p.byFillAnchor[g], b.mask, i, g, "fill");
      ExpectFiltered(t.fitByLowAnchor[i][g], p.byLowAnchor[g], b.mask, i, g, "low");
      for (const auto* pair : {&p.byFillAnchor, &p.byLowAnchor}) {
        const auto& full = (*pair)[g];
        if (!full) continue;
        const auto kept = Expected(full, b.mask).size();
        if (kept < static_cast<std::size_t>(full->Count())) ++shortened;
        if (kept == 0) ++emptied;
      }
    }
  }
  // The board is meant to cut lists, some down to nothing.
  EXPECT_GT(shortened, 0);
  EXPECT_GT(emptied, 0);
}

TEST(CandidateLists, AListWhoseEveryPlacementOverlapsExistsAndIsEmpty) {
  // Only cell 0 is empty: no piece fits there, yet its lists are made.
  Board b = MakeEmptyBox();
  for (int g = 1; g < kGridSize; ++g)
    if (b.cells[g] == 0) b.cells[g] = kPieceMark;
  ComputeMask(b);
  ASSERT_EQ(b.mask, kFullMask & ~OccupancyMask{1});
  CandidateTables t(Cat());
  RefreshCandidates(Cat(), b, t);
  int checked = 0;
  for (int i = 1; i < kPieceCount; ++i) {
    const Piece& p = Cat().pieces[i];
    for (const auto& [candidates, full] : {std::pair{&t.fitByFillAnchor[i][0], &p.byFillAnchor[0]},
                                           std::pair{&t.fitByLowAnchor[i][0], &p.byLowAnchor[0]}}) {
      EXPECT_EQ(candidates->created, *full != nullptr) << "piece " << i;
      EXPECT_EQ(candidates->Count(), 0) << "piece " << i;
      if (candidates->created) ++checked;
    }
    for (int g = 1; g < kGridSize; ++g) {
      EXPECT_FALSE(t.fitByFillAnchor[i][g].created) << "piece " << i << " grid index " << g;
      EXPECT_FALSE(t.fitByLowAnchor[i][g].created) << "piece " << i << " grid index " << g;
    }
  }
  EXPECT_GT(checked, 0);
}

TEST(CandidateLists, CellsFilledSinceTheLastRefreshKeepTheirLists) {
  const Board first = BoardWith({1, 2});
  const Board second = BoardWith({1, 2, 0, 31, 44, 60, 82});
  CandidateTables t(Cat());
  RefreshCandidates(Cat(), first, t);
  const Snapshot afterFirst = Take(t);
  RefreshCandidates(Cat(), second, t);
  for (int i = 1; i < kPieceCount; ++i) {
    const Piece& p = Cat().pieces[i];
    for (int g = 0; g < kGridSize; ++g) {
      if (second.cells[g] != 0) {
        ExpectUnchanged(t, afterFirst, i, g);
      } else {
        ExpectFiltered(t.fitByFillAnchor[i][g], p.byFillAnchor[g], second.mask, i, g, "fill");
        ExpectFiltered(t.fitByLowAnchor[i][g], p.byLowAnchor[g], second.mask, i, g, "low");
      }
    }
  }
  // The kept lists are those of the first board, not the full lists.
  EXPECT_EQ(Refs(t.fitByFillAnchor[3][0]), Expected(Cat().pieces[3].byFillAnchor[0], first.mask));
  EXPECT_NE(Refs(t.fitByFillAnchor[3][0]).size(),
            static_cast<std::size_t>(Cat().pieces[3].byFillAnchor[0]->Count()));
}

TEST(CandidateLists, ListsOfPlacedPiecesAreLeftAlone) {
  CandidateTables t(Cat());
  RefreshCandidates(Cat(), MakeEmptyBox(), t);
  const Snapshot full = Take(t);
  const Board b = BoardWith({6, 1, 7, 8, 13, 31, 32, 33, 37, 38}, {0, 3, 7});
  RefreshCandidates(Cat(), b, t);
  for (int i = 1; i < kPieceCount; ++i) {
    const Piece& p = Cat().pieces[i];
    for (int g = 0; g < kGridSize; ++g) {
      if (b.placed[i] != 0 || b.cells[g] != 0) {
        ExpectUnchanged(t, full, i, g);
      } else {
        ExpectFiltered(t.fitByFillAnchor[i][g], p.byFillAnchor[g], b.mask, i, g, "fill");
        ExpectFiltered(t.fitByLowAnchor[i][g], p.byLowAnchor[g], b.mask, i, g, "low");
      }
    }
  }
  // Piece 0 has no placements and so never gets a candidate list.
  for (int g = 0; g < kGridSize; ++g) {
    EXPECT_FALSE(t.fitByFillAnchor[kSeedPiece][g].created);
    EXPECT_FALSE(t.fitByLowAnchor[kSeedPiece][g].created);
  }
}

TEST(CandidateLists, AnEmptierBoardRefillsListsToTheirFullLength) {
  CandidateTables t(Cat());
  RefreshCandidates(Cat(), BoardWith({0, 6, 12, 18, 30, 36, 42, 48, 44, 45}), t);
  RefreshCandidates(Cat(), MakeEmptyBox(), t);
  for (int i = 1; i < kPieceCount; ++i) {
    const Piece& p = Cat().pieces[i];
    for (int g = 0; g < kGridSize; ++g) {
      ExpectFiltered(t.fitByFillAnchor[i][g], p.byFillAnchor[g], 0, i, g, "fill");
      ExpectFiltered(t.fitByLowAnchor[i][g], p.byLowAnchor[g], 0, i, g, "low");
    }
  }
}

TEST(CandidateLists, TwoTableSetsAreIndependent) {
  // Each search owns its tables; refreshing one must not disturb the other.
  CandidateTables a(Cat()), b(Cat());
  RefreshCandidates(Cat(), MakeEmptyBox(), a);
  const Snapshot before = Take(a);
  RefreshCandidates(Cat(), BoardWith({0, 1, 2, 3, 4, 30, 31}), b);
  for (int i = 1; i < kPieceCount; ++i)
    for (int g = 0; g < kGridSize; ++g) ExpectUnchanged(a, before, i, g);
}

}  // namespace
}  // namespace cubepack
