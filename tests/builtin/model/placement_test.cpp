// The full placement lists filed by anchor cell.

#include "builtin/model/placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <initializer_list>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "builtin/model/board.h"
#include "builtin/model/catalogue.h"
#include "builtin/model/cell_tables.h"
#include "support/test_support.h"

namespace cubepack::builtin {
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
          // It covers one of the three cells one step on from its anchor in x, y or z: the
          // deep search passes over anchors where those are filled.
          int ahead = 0;
          for (int c : CoveredCells(p)) ahead += c == g + 1 || c == g + 6 || c == g + 30;
          EXPECT_GE(ahead, 1);
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

}  // namespace
}  // namespace cubepack::builtin
