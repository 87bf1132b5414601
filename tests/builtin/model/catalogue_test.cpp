// The piece catalogue: the figures reported per piece, and the orientations of every piece with
// their cubes and offsets.

#include "builtin/model/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <tuple>
#include <utility>
#include <vector>

#include "support/test_support.h"

namespace cubepack::builtin {
namespace {

using CubeSet = std::vector<Cube>;

const PieceCatalogue& Cat() { return testing::SharedCatalogue(); }

// Moved against the corner planes; the cube order is kept.
CubeSet Normalised(CubeSet cubes) {
  Cube low = cubes.front();
  for (const Cube& c : cubes)
    low = {std::min(low.x, c.x), std::min(low.y, c.y), std::min(low.z, c.z)};
  for (Cube& c : cubes) c = {c.x - low.x, c.y - low.y, c.z - low.z};
  return cubes;
}

CubeSet Sorted(CubeSet cubes) {
  std::sort(cubes.begin(), cubes.end());
  return cubes;
}

// The cubes of a piece's shape or of one orientation, spare entries left out.
template <typename T>
CubeSet CubesOf(const T& shapeOrOrientation) {
  CubeSet cubes;  // pushed one by one: GCC 12 warns wrongly on a range from a constexpr array
  for (int k = 0; k < shapeOrOrientation.cellCount; ++k)
    cubes.push_back(shapeOrOrientation.cubes[k]);
  return cubes;
}

class RecordingCatalogueReport final : public CatalogueReport {
 public:
  void PieceBuilt(int piece, int orientationCount, int cubeCount) override {
    lines.emplace_back(piece, orientationCount, cubeCount);
  }
  std::vector<std::tuple<int, int, int>> lines;
};

TEST(Catalogue, ReportsOrientationsAndCubesOfEveryPiece) {
  const std::vector<std::tuple<int, int, int>> expected = {
      {0, 3, 15},   {1, 24, 144}, {2, 24, 120}, {3, 24, 120}, {4, 24, 120}, {5, 24, 120},
      {6, 24, 120}, {7, 12, 60},  {8, 12, 60},  {9, 12, 60},  {10, 12, 60}, {11, 12, 48}};
  RecordingCatalogueReport report;
  const auto cat = BuildCatalogue(report);
  EXPECT_EQ(report.lines, expected);
  for (int i = 0; i < kPieceCount; ++i)
    EXPECT_EQ(cat->orientations[i].Count(), std::get<1>(expected[i])) << "piece " << i;
}

TEST(Catalogue, SeedPieceOrientationsInListOrder) {
  // The catalogue form, then the forms standing in the planes x = 0 and y = 0.
  const std::vector<std::array<int, 5>> expected = {
      {6, 1, 7, 8, 13}, {66, 30, 36, 6, 42}, {61, 30, 31, 1, 32}};
  std::vector<std::array<int, 5>> offsets;
  for (const Orientation* o : Cat().orientations[kSeedPiece])
    offsets.push_back({o->offsets[0], o->offsets[1], o->offsets[2], o->offsets[3], o->offsets[4]});
  EXPECT_EQ(offsets, expected);
}

TEST(Catalogue, FirstOffsetsOfTheSixCubeAndFourCubePieces) {
  // Offset 0 never stands first: the exchange moves it to second place.
  const Orientation& six = *Cat().orientations[kSixCubePiece][0];
  EXPECT_EQ(six.cubes, kPieceShapes[kSixCubePiece].cubes);
  EXPECT_EQ(six.offsets, (std::array<int, kMaxCubes>{1, 0, 6, 12, 13, 18}));
  const Orientation& four = *Cat().orientations[kFourCubePiece][0];
  EXPECT_EQ(
      (std::array<int, 4>{four.offsets[0], four.offsets[1], four.offsets[2], four.offsets[3]}),
      (std::array<int, 4>{6, 0, 1, 31}));
  for (const Orientation* o : Cat().orientations[kFourCubePiece]) {
    EXPECT_EQ(o->cubes[4], kSpareCube);
    EXPECT_EQ(o->cubes[5], kSpareCube);
  }
}

TEST(Catalogue, OnlyTheFourCubePieceLacksItsMirrorImage) {
  for (int i = 0; i < kPieceCount; ++i) {
    CubeSet mirrored = CubesOf(kPieceShapes[i]);
    for (Cube& c : mirrored) c.x = -c.x;
    mirrored = Sorted(Normalised(mirrored));
    const auto& o = Cat().orientations[i];
    const bool found = std::any_of(
        o.begin(), o.end(), [&](const Orientation* p) { return Sorted(CubesOf(*p)) == mirrored; });
    EXPECT_EQ(found, i != kFourCubePiece) << "piece " << i;
  }
}

// A quarter turn about x, y or z as the turn table defines it, written out here so that a turn
// in the wrong direction shows as a changed list order.
Cube QuarterTurn(Cube c, int axis) {
  return axis == 0 ? Cube{c.x, -c.z, c.y} : axis == 1 ? Cube{c.z, c.y, -c.x} : Cube{c.y, -c.x, c.z};
}

TEST(Catalogue, OrientationsAreTheDistinctProperRotationsInGenerationOrder) {
  // The 24 rotations as signed permutation matrices of determinant +1, found without any turn.
  std::vector<std::pair<std::array<int, 3>, std::array<int, 3>>> rotations;  // axis, sign per row
  std::array<int, 3> axis = {0, 1, 2};
  do {
    const int parity = (axis[0] > axis[1]) + (axis[0] > axis[2]) + (axis[1] > axis[2]);
    for (int signs = 0; signs < 8; ++signs) {
      const std::array<int, 3> s = {signs & 1 ? -1 : 1, signs & 2 ? -1 : 1, signs & 4 ? -1 : 1};
      if (s[0] * s[1] * s[2] == (parity % 2 == 0 ? 1 : -1)) rotations.push_back({axis, s});
    }
  } while (std::next_permutation(axis.begin(), axis.end()));
  ASSERT_EQ(rotations.size(), 24u);

  for (int i = 0; i < kPieceCount; ++i) {
    std::vector<CubeSet> expected, actual;
    for (const auto& [a, s] : rotations) {
      CubeSet turned;
      for (const Cube& c : CubesOf(kPieceShapes[i])) {
        const int v[3] = {c.x, c.y, c.z};
        turned.push_back({s[0] * v[a[0]], s[1] * v[a[1]], s[2] * v[a[2]]});
      }
      expected.push_back(Sorted(Normalised(turned)));
    }
    std::sort(expected.begin(), expected.end());
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
    for (const Orientation* o : Cat().orientations[i]) {
      actual.push_back(Sorted(CubesOf(*o)));
      // Offsets follow the cubes, except that an offset 0 in first place trades with the second.
      std::array<int, kMaxCubes> offsets = o->offsets;  // spare entries are not compared
      for (int k = 0; k < o->cellCount; ++k)
        offsets[k] = o->cubes[k].x + 6 * o->cubes[k].y + 30 * o->cubes[k].z;
      if (offsets[0] == 0) std::swap(offsets[0], offsets[1]);
      EXPECT_EQ(o->offsets, offsets) << "piece " << i;
    }
    std::sort(actual.begin(), actual.end());
    EXPECT_EQ(actual, expected) << "piece " << i;  // a duplicate orientation shows here too

    // The list order, which the seed stage and the depth ordinals follow: turned tx times about
    // x, then ty about y, then tz about z (tx slowest), each new cube set kept in turned order.
    std::vector<CubeSet> generated, listed;
    for (int t = 0; t < 64; ++t) {
      CubeSet c = CubesOf(kPieceShapes[i]);
      for (Cube& q : c)
        for (int a = 0; a < 3; ++a)
          for (int n = 0; n < (t >> (4 - 2 * a) & 3); ++n) q = QuarterTurn(q, a);
      c = Normalised(c);
      if (std::none_of(generated.begin(), generated.end(),
                       [&](const CubeSet& g) { return Sorted(g) == Sorted(c); }))
        generated.push_back(c);
    }
    for (const Orientation* o : Cat().orientations[i]) listed.push_back(CubesOf(*o));
    EXPECT_EQ(listed, generated) << "piece " << i;
  }
}

}  // namespace
}  // namespace cubepack::builtin
