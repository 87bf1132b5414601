// The piece catalogue: quarter turns, the orientations of every piece, their order and their
// cube and offset data.

#include "model/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <initializer_list>
#include <tuple>
#include <utility>
#include <vector>

#include "support/test_support.h"

namespace cubepack {
namespace {

using CubeSet = std::vector<Cube>;

// Cubes moved against the corner planes and sorted, so equal shapes compare equal.
CubeSet Normalised(std::vector<Cube> cubes) {
  Cube low = cubes.front();
  for (const Cube& c : cubes) {
    low.x = std::min(low.x, c.x);
    low.y = std::min(low.y, c.y);
    low.z = std::min(low.z, c.z);
  }
  for (Cube& c : cubes) c = {c.x - low.x, c.y - low.y, c.z - low.z};
  std::sort(cubes.begin(), cubes.end());
  return cubes;
}

CubeSet CubesOf(const Orientation& o) {
  return Normalised({o.cubes.begin(), o.cubes.begin() + o.cellCount});
}

CubeSet ShapeCubes(int piece) {
  const PieceShape& s = kPieceShapes[piece];
  CubeSet cubes;
  for (int k = 0; k < s.cellCount; ++k) cubes.push_back(s.cubes[k]);
  return cubes;
}

std::vector<const Orientation*> OrientationsOf(int piece) {
  const auto& list = testing::SharedCatalogue().orientations[piece];
  return {list.begin(), list.end()};
}

// The 24 proper rotations as signed permutation matrices, found without the turn functions.
std::vector<std::array<std::array<int, 3>, 3>> ProperRotations() {
  std::vector<std::array<std::array<int, 3>, 3>> result;
  std::array<int, 3> perm = {0, 1, 2};
  do {
    for (int signs = 0; signs < 8; ++signs) {
      std::array<std::array<int, 3>, 3> m{};
      for (int r = 0; r < 3; ++r) m[r][perm[r]] = (signs >> r & 1) ? -1 : 1;
      const int det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                      m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                      m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
      if (det == 1) result.push_back(m);
    }
  } while (std::next_permutation(perm.begin(), perm.end()));
  return result;
}

class RecordingCatalogueReport final : public CatalogueReport {
 public:
  void PieceBuilt(int piece, int orientationCount, int cubeCount) override {
    lines.emplace_back(piece, orientationCount, cubeCount);
  }
  std::vector<std::tuple<int, int, int>> lines;
};

constexpr std::array<int, kPieceCount> kOrientationCounts = {3,  24, 24, 24, 24, 24,
                                                             24, 12, 12, 12, 12, 12};
constexpr std::array<int, kPieceCount> kCubeCounts = {15,  144, 120, 120, 120, 120,
                                                      120, 60,  60,  60,  60,  48};

TEST(QuarterTurn, MatchesTheTurnTable) {
  for (const Cube c : {Cube{1, 2, 3}, Cube{-4, 0, 7}, Cube{0, -1, -2}}) {
    const auto [x, y, z] = c;
    EXPECT_EQ(TurnX(c, 0), c);
    EXPECT_EQ(TurnX(c, 1), (Cube{x, -z, y}));
    EXPECT_EQ(TurnX(c, 2), (Cube{x, -y, -z}));
    EXPECT_EQ(TurnX(c, 3), (Cube{x, z, -y}));
    EXPECT_EQ(TurnY(c, 0), c);
    EXPECT_EQ(TurnY(c, 1), (Cube{z, y, -x}));
    EXPECT_EQ(TurnY(c, 2), (Cube{-x, y, -z}));
    EXPECT_EQ(TurnY(c, 3), (Cube{-z, y, x}));
    EXPECT_EQ(TurnZ(c, 0), c);
    EXPECT_EQ(TurnZ(c, 1), (Cube{y, -x, z}));
    EXPECT_EQ(TurnZ(c, 2), (Cube{-x, -y, z}));
    EXPECT_EQ(TurnZ(c, 3), (Cube{-y, x, z}));
  }
}

TEST(Catalogue, OrientationAndCubeCountsOfEveryPiece) {
  const PieceCatalogue& cat = testing::SharedCatalogue();
  for (int i = 0; i < kPieceCount; ++i) {
    const int n = cat.orientations[i].Count();
    EXPECT_EQ(n, kOrientationCounts[i]) << "piece " << i;
    EXPECT_EQ(n * cat.pieces[i].cellCount, kCubeCounts[i]) << "piece " << i;
    EXPECT_EQ(cat.pieces[i].cellCount, kPieceShapes[i].cellCount) << "piece " << i;
    EXPECT_EQ(cat.pieces[i].cubes, kPieceShapes[i].cubes) << "piece " << i;
  }
}

TEST(Catalogue, ReportsOneLinePerPieceInOrder) {
  RecordingCatalogueReport report;
  const auto cat = BuildCatalogue(report);
  ASSERT_EQ(report.lines.size(), std::size_t{kPieceCount});
  for (int i = 0; i < kPieceCount; ++i)
    EXPECT_EQ(report.lines[i], std::make_tuple(i, kOrientationCounts[i], kCubeCounts[i]))
        << "line " << i;
}

TEST(Catalogue, PiecesFillTheBoxExactly) {
  int total = 0;
  for (const PieceShape& s : kPieceShapes) {
    total += s.cellCount;
    for (int k = s.cellCount; k < kMaxCubes; ++k) EXPECT_EQ(s.cubes[k], kSpareCube);
  }
  EXPECT_EQ(total, 60);
}

TEST(Catalogue, SeedPieceOrientationsInListOrder) {
  const auto o = OrientationsOf(kSeedPiece);
  ASSERT_EQ(o.size(), 3u);
  const std::array<std::array<Cube, 6>, 3> cubes = {{
      {{{0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 1, 0}, {1, 2, 0}, kSpareCube}},
      {{{0, 1, 2}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}, {0, 2, 1}, kSpareCube}},
      {{{1, 0, 2}, {0, 0, 1}, {1, 0, 1}, {1, 0, 0}, {2, 0, 1}, kSpareCube}},
  }};
  const std::array<std::array<int, 5>, 3> offsets = {{
      {6, 1, 7, 8, 13},
      {66, 30, 36, 6, 42},
      {61, 30, 31, 1, 32},
  }};
  for (int j = 0; j < 3; ++j) {
    EXPECT_EQ(o[j]->cellCount, 5);
    EXPECT_EQ(o[j]->cubes, cubes[j]) << "orientation " << j;
    for (int k = 0; k < 5; ++k)
      EXPECT_EQ(o[j]->offsets[k], offsets[j][k]) << "orientation " << j << " cube " << k;
  }
}

TEST(Catalogue, SixCubePieceFirstOrientationMovesOffsetZeroToSecondPlace) {
  const Orientation& first = *OrientationsOf(kSixCubePiece).front();
  EXPECT_EQ(first.cubes, kPieceShapes[kSixCubePiece].cubes);
  const std::array<int, 6> expected = {1, 0, 6, 12, 13, 18};
  EXPECT_EQ(first.offsets, expected);
}

TEST(Catalogue, FourCubePieceOffsetsAndSpareCubes) {
  const auto o = OrientationsOf(kFourCubePiece);
  ASSERT_FALSE(o.empty());
  EXPECT_EQ(o.front()->offsets[0], 6);
  EXPECT_EQ(o.front()->offsets[1], 0);
  EXPECT_EQ(o.front()->offsets[2], 1);
  EXPECT_EQ(o.front()->offsets[3], 31);
  for (std::size_t j = 0; j < o.size(); ++j) {
    EXPECT_EQ(o[j]->cellCount, 4);
    EXPECT_EQ(o[j]->cubes[4], kSpareCube) << "orientation " << j;
    EXPECT_EQ(o[j]->cubes[5], kSpareCube) << "orientation " << j;
  }
}

TEST(Catalogue, OnlyTheFourCubePieceLacksItsMirrorImage) {
  for (int i = 0; i < kPieceCount; ++i) {
    CubeSet mirrored = ShapeCubes(i);
    for (Cube& c : mirrored) c.x = -c.x;
    mirrored = Normalised(mirrored);
    const auto o = OrientationsOf(i);
    const bool found = std::any_of(o.begin(), o.end(),
                                   [&](const Orientation* p) { return CubesOf(*p) == mirrored; });
    EXPECT_EQ(found, i != kFourCubePiece) << "piece " << i;
  }
}

TEST(Catalogue, OrientationsAreExactlyTheDistinctRotations) {
  const auto rotations = ProperRotations();
  ASSERT_EQ(rotations.size(), 24u);
  for (int i = 0; i < kPieceCount; ++i) {
    std::vector<CubeSet> expected;
    for (const auto& m : rotations) {
      CubeSet turned;
      for (const Cube& c : ShapeCubes(i)) {
        const std::array<int, 3> v = {c.x, c.y, c.z};
        std::array<int, 3> r{};
        for (int row = 0; row < 3; ++row)
          r[row] = m[row][0] * v[0] + m[row][1] * v[1] + m[row][2] * v[2];
        turned.push_back({r[0], r[1], r[2]});
      }
      expected.push_back(Normalised(turned));
    }
    std::sort(expected.begin(), expected.end());
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());

    std::vector<CubeSet> actual;
    for (const Orientation* o : OrientationsOf(i)) actual.push_back(CubesOf(*o));
    std::sort(actual.begin(), actual.end());
    EXPECT_EQ(std::adjacent_find(actual.begin(), actual.end()), actual.end())
        << "piece " << i << " holds a duplicate orientation";
    EXPECT_EQ(actual, expected) << "piece " << i;
  }
}

TEST(Catalogue, EveryOrientationIsNormalisedWithConsistentOffsets) {
  for (int i = 0; i < kPieceCount; ++i) {
    for (const Orientation* o : OrientationsOf(i)) {
      const int n = o->cellCount;
      ASSERT_EQ(n, kPieceShapes[i].cellCount);
      int minX = 99, minY = 99, minZ = 99;
      std::array<int, kMaxCubes> raw{};
      for (int k = 0; k < n; ++k) {
        const Cube c = o->cubes[k];
        minX = std::min(minX, c.x);
        minY = std::min(minY, c.y);
        minZ = std::min(minZ, c.z);
        raw[k] = c.x + 6 * c.y + 30 * c.z;
      }
      EXPECT_EQ(minX, 0) << "piece " << i;
      EXPECT_EQ(minY, 0) << "piece " << i;
      EXPECT_EQ(minZ, 0) << "piece " << i;
      // The offsets follow the cubes, except that an offset 0 in first place trades with the
      // second; the cubes keep their order.
      if (raw[0] == 0) std::swap(raw[0], raw[1]);
      for (int k = 0; k < n; ++k)
        EXPECT_EQ(o->offsets[k], raw[k]) << "piece " << i << " cube " << k;
      EXPECT_NE(o->offsets[0], 0) << "piece " << i;
      for (int k = n; k < kMaxCubes; ++k) EXPECT_EQ(o->cubes[k], kSpareCube) << "piece " << i;
    }
  }
}

// The turn combinations that yield each new orientation, in the order they are generated.
std::vector<std::array<int, 3>> ExpectedCombinations(int piece) {
  std::vector<std::array<int, 3>> c;
  auto addTz = [&](int tx, int ty, std::initializer_list<int> tzs) {
    for (int tz : tzs) c.push_back({tx, ty, tz});
  };
  switch (piece) {
    case 0:
      c = {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}};
      break;
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
      for (int ty = 0; ty < 4; ++ty) addTz(0, ty, {0, 1, 2, 3});
      addTz(1, 0, {0, 1, 2, 3});
      addTz(1, 2, {0, 1, 2, 3});
      break;
    case 7:
      addTz(0, 0, {0, 1, 2, 3});
      addTz(0, 1, {0, 1, 2, 3});
      addTz(0, 3, {0, 1, 2, 3});
      break;
    case 8:
    case 10:
      addTz(0, 0, {0, 1, 2, 3});
      addTz(0, 1, {0, 1});
      addTz(0, 3, {0, 1});
      addTz(1, 0, {0, 1, 2, 3});
      break;
    case 9:
      addTz(0, 0, {0, 1});
      addTz(0, 1, {0, 1, 2, 3});
      addTz(0, 2, {0, 1});
      addTz(1, 0, {0, 1, 2, 3});
      break;
    case 11:
      for (int ty = 0; ty < 3; ++ty) addTz(0, ty, {0, 1, 2, 3});
      break;
  }
  return c;
}

TEST(Catalogue, OrientationsStandInGenerationOrder) {
  // The seed stage and the symmetric search visit orientations in this order, so it is fixed.
  for (int i = 0; i < kPieceCount; ++i) {
    const auto o = OrientationsOf(i);
    const auto combos = ExpectedCombinations(i);
    ASSERT_EQ(o.size(), combos.size()) << "piece " << i;
    for (std::size_t j = 0; j < o.size(); ++j) {
      const auto [tx, ty, tz] = combos[j];
      std::vector<Cube> turned;
      for (const Cube& c : ShapeCubes(i)) turned.push_back(TurnZ(TurnY(TurnX(c, tx), ty), tz));
      Cube low = turned.front();
      for (const Cube& c : turned)
        low = {std::min(low.x, c.x), std::min(low.y, c.y), std::min(low.z, c.z)};
      for (std::size_t k = 0; k < turned.size(); ++k) {
        const Cube expected{turned[k].x - low.x, turned[k].y - low.y, turned[k].z - low.z};
        EXPECT_EQ(o[j]->cubes[k], expected)
            << "piece " << i << " orientation " << j << " cube " << k;
      }
    }
  }
}

TEST(Catalogue, OrientationAddressesComeFromTheStore) {
  // Placements keep pointers to orientations, so each must live in the catalogue's own store.
  const PieceCatalogue& cat = testing::SharedCatalogue();
  std::size_t total = 0;
  for (int i = 0; i < kPieceCount; ++i) {
    for (const Orientation* o : cat.orientations[i]) {
      const bool inStore = std::any_of(cat.orientationStore.begin(), cat.orientationStore.end(),
                                       [&](const Orientation& s) { return &s == o; });
      EXPECT_TRUE(inStore) << "piece " << i;
    }
    total += static_cast<std::size_t>(cat.orientations[i].Count());
  }
  EXPECT_EQ(cat.orientationStore.size(), total);
}

}  // namespace
}  // namespace cubepack
