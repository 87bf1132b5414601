// The seed stage and the pair rule of the symmetric search. Both run on a catalogue that keeps
// the orientations of pieces 0 and 1 but no placement lists, so every search below a seed or a
// pair finds nothing to place and returns at once: the enumeration and the duplicate tests run
// in full in milliseconds.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "solver/check_sym.h"
#include "solver/search.h"
#include "solver/solver_test_boards.h"
#include "support/test_support.h"

namespace cubepack {
namespace {

using testing::CellXYZ;

// Records what the state looked like at each seed event.
class SeedLog final : public SearchReport {
 public:
  struct Seed {
    int ordinal;
    bool symmetric;
    int pairsAccepted = 0;
    int pairsRemembered = 0;
  };

  void SeedClassified(bool symmetric) override { seeds.push_back({state->seedOrdinal, symmetric}); }
  void Progress(std::int32_t, DepthMark, DepthMark, std::int32_t) override { ++progressLines; }
  void SeedSearched(std::int32_t total) override {
    seeds.back().pairsAccepted = state->depthMarks[1].ordinal;
    seeds.back().pairsRemembered = state->seenPairs.Count();
    totals.push_back(total);
  }

  const SearchState* state = nullptr;
  std::vector<Seed> seeds;
  std::vector<std::int32_t> totals;
  int progressLines = 0;
};

const std::vector<int> kSearchedSeeds = {0, 1, 2, 12, 13, 60, 72, 84, 120, 123, 132, 135};
const std::set<int> kSymmetricSeeds = {13, 84, 132, 135};

// The cells of piece 0 for the attempt with the given ordinal: orientation n / 60 at
// x = n % 60 / 12, y = n % 12 / 3, z = n % 3. Empty when it does not fit the box.
std::vector<CellXYZ> SeedCells(int ordinal) {
  const Orientation& o = *testing::SharedCatalogue().orientations[kSeedPiece][ordinal / 60];
  const CellXYZ at{ordinal % 60 / 12, ordinal % 12 / 3, ordinal % 3};
  std::vector<CellXYZ> cells;
  for (int k = 0; k < o.cellCount; ++k) {
    const CellXYZ c{at.x + o.cubes[k].x, at.y + o.cubes[k].y, at.z + o.cubes[k].z};
    if (c.x >= kSizeX || c.y >= kSizeY || c.z >= kSizeZ) return {};
    cells.push_back(c);
  }
  return cells;
}

// The seed board as the seed stage hands it on: mark 1, flag 0 set, mask of the empty box.
Board SeedBoard(int ordinal) {
  Board b = MakeEmptyBox();
  for (const CellXYZ& c : SeedCells(ordinal)) b.cells[testing::GridOf(c)] = kSeedMark;
  b.placed[kSeedPiece] = 1;
  return b;
}

// A cell set turned by one of the four rotations of the box (0 = identity, then the half
// turns about x, y and z), written from coordinates.
std::set<std::array<int, 4>> Turned(const Board& b, int rotation) {
  std::set<std::array<int, 4>> out;
  for (int z = 0; z < kSizeZ; ++z)
    for (int y = 0; y < kSizeY; ++y)
      for (int x = 0; x < kSizeX; ++x) {
        const int mark = b.cells[GridIndex(x, y, z)];
        if (mark == 0) continue;
        const bool fx = rotation == 2 || rotation == 3;  // x -> 4 - x
        const bool fy = rotation == 1 || rotation == 3;  // y -> 3 - y
        const bool fz = rotation == 1 || rotation == 2;  // z -> 2 - z
        out.insert({fx ? 4 - x : x, fy ? 3 - y : y, fz ? 2 - z : z, mark});
      }
  return out;
}

TEST(SeedStage, FortyOfTheHundredEightyAttemptsFitAndTwelveAreNew) {
  // Worked out from coordinates alone: a fitting seed is new unless a rotation of the box maps
  // it onto a seed already kept.
  int fits = 0;
  std::vector<int> kept;
  std::vector<std::set<std::array<int, 4>>> keptCells;
  for (int n = 0; n < 180; ++n) {
    if (SeedCells(n).empty()) continue;
    ++fits;
    const Board b = SeedBoard(n);
    bool seen = false;
    for (int r = 0; r < 4 && !seen; ++r)
      seen = std::find(keptCells.begin(), keptCells.end(), Turned(b, r)) != keptCells.end();
    if (seen) continue;
    kept.push_back(n);
    keptCells.push_back(Turned(b, 0));

    const bool halfTurnY = Turned(b, 2) == Turned(b, 0);
    EXPECT_EQ(halfTurnY, kSymmetricSeeds.count(n) == 1) << "seed " << n;
    EXPECT_NE(Turned(b, 1), Turned(b, 0)) << "seed " << n;
    EXPECT_NE(Turned(b, 3), Turned(b, 0)) << "seed " << n;
    EXPECT_EQ(CheckSym(b), halfTurnY) << "seed " << n;
  }
  EXPECT_EQ(fits, 40);
  EXPECT_EQ(kept, kSearchedSeeds);
}

TEST(SeedStage, SearchesTheTwelveNewSeedsInOrder) {
  const auto catalogue =
      testing::OrientationsOnly(testing::SharedCatalogue(), {kSeedPiece, kSixCubePiece});
  SeedLog log;
  SearchState s(*catalogue, log);
  log.state = &s;
  SearchSeeds(s, MakeEmptyBox());

  std::vector<int> ordinals, pairs, remembered;
  for (const auto& seed : log.seeds) {
    ordinals.push_back(seed.ordinal);
    EXPECT_EQ(seed.symmetric, kSymmetricSeeds.count(seed.ordinal) == 1) << "seed " << seed.ordinal;
    if (!seed.symmetric) continue;
    pairs.push_back(seed.pairsAccepted);
    remembered.push_back(seed.pairsRemembered);
  }
  EXPECT_EQ(ordinals, kSearchedSeeds);
  // The symmetric seeds go to the pair search, whose remembered pairs are those of one seed.
  EXPECT_EQ(pairs, (std::vector<int>{64, 55, 71, 61}));
  EXPECT_EQ(remembered, pairs);
  EXPECT_EQ(log.totals, std::vector<std::int32_t>(12, 0));
  EXPECT_EQ(log.progressLines, 0);
  // Every attempt is counted, fitting or not.
  EXPECT_EQ(s.seedOrdinal, 180);

  // One remembered board per searched seed, in search order, holding that seed's cells.
  ASSERT_EQ(s.seenBoards.Count(), 12);
  for (int i = 0; i < 12; ++i) {
    EXPECT_TRUE(SameCells(s.seenBoards[i], SeedBoard(kSearchedSeeds[i]))) << "entry " << i;
  }
}

TEST(SeedStage, NoOrientationsMeansNoAttempts) {
  const auto catalogue = testing::OrientationsOnly(testing::SharedCatalogue(), {});
  SeedLog log;
  SearchState s(*catalogue, log);
  log.state = &s;
  s.seedOrdinal = 99;
  SearchSeeds(s, MakeEmptyBox());
  EXPECT_EQ(s.seedOrdinal, 0);
  EXPECT_TRUE(log.seeds.empty());
  EXPECT_EQ(s.seenBoards.Count(), 0);
}

// Pairs (seed plus piece 1) that the rule keeps for each symmetric seed.
struct PairCase {
  int seed;
  int pairs;
};

class PairRule : public ::testing::TestWithParam<PairCase> {};

TEST_P(PairRule, KeepsOnePairPerRotationClass) {
  const auto catalogue =
      testing::OrientationsOnly(testing::SharedCatalogue(), {kSeedPiece, kSixCubePiece});
  testing::RecordingReport report;
  SearchState s(*catalogue, report);
  s.boardStack[0] = SeedBoard(GetParam().seed);
  SearchSymmetric(s, s.boardStack[0]);

  EXPECT_EQ(s.seenPairs.Count(), GetParam().pairs);
  EXPECT_EQ(s.depthMarks[1].piece, kSixCubePiece);
  EXPECT_EQ(s.depthMarks[1].ordinal, GetParam().pairs);
  // Nothing below the pairs: no list visit, no solution.
  EXPECT_EQ(s.stepCount, 0);
  EXPECT_EQ(s.solutionCount, 0);

  // Every kept pair holds the seed (mark 1) and six cells of piece 1 (mark 2), and no rotation
  // maps one kept pair onto another.
  std::vector<std::set<std::array<int, 4>>> kept;
  for (const Board& pair : s.seenPairs) {
    const auto keepsSeed = [](std::uint8_t p, std::uint8_t seed) {
      return p == seed || (seed == 0 && p == kPairMark);
    };
    EXPECT_TRUE(
        std::equal(pair.cells.begin(), pair.cells.end(), s.boardStack[0].cells.begin(), keepsSeed));
    EXPECT_EQ(std::count(pair.cells.begin(), pair.cells.end(), kPairMark), 6);
    for (int r = 0; r < 4; ++r)
      EXPECT_EQ(std::find(kept.begin(), kept.end(), Turned(pair, r)), kept.end());
    kept.push_back(Turned(pair, 0));
  }
}

INSTANTIATE_TEST_SUITE_P(SymmetricSeeds, PairRule,
                         ::testing::Values(PairCase{13, 64}, PairCase{84, 55}, PairCase{132, 71},
                                           PairCase{135, 61}),
                         [](const auto& info) { return "Seed" + std::to_string(info.param.seed); });

TEST(SymmetricSearch, RememberedPairsStartEmptyInEveryCall) {
  const auto catalogue =
      testing::OrientationsOnly(testing::SharedCatalogue(), {kSeedPiece, kSixCubePiece});
  testing::RecordingReport report;
  SearchState s(*catalogue, report);

  // Pairs of another seed first, then the same seed twice: left over entries would be matched
  // against (and, for the repeated seed, would hide every pair).
  s.boardStack[0] = SeedBoard(84);
  SearchSymmetric(s, s.boardStack[0]);
  ASSERT_EQ(s.seenPairs.Count(), 55);

  for (int round = 0; round < 2; ++round) {
    s.depthMarks[1].ordinal = 0;
    s.boardStack[0] = SeedBoard(13);
    SearchSymmetric(s, s.boardStack[0]);
    EXPECT_EQ(s.seenPairs.Count(), 64) << "round " << round;
    EXPECT_EQ(s.depthMarks[1].ordinal, 64) << "round " << round;
  }

  // The first pair kept is the first placement of piece 1 that fits beside the seed: its first
  // orientation at the lowest origin in x, y, z order.
  const Orientation& first = *s.catalogue.orientations[kSixCubePiece][0];
  Board expected = SeedBoard(13);
  bool placed = false;
  for (int x = 0; x < kSizeX && !placed; ++x)
    for (int y = 0; y < kSizeY && !placed; ++y)
      for (int z = 0; z < kSizeZ && !placed; ++z) {
        bool fits = true;
        for (int k = 0; k < first.cellCount; ++k) {
          const CellXYZ c{x + first.cubes[k].x, y + first.cubes[k].y, z + first.cubes[k].z};
          fits = fits && c.x < kSizeX && c.y < kSizeY && c.z < kSizeZ &&
                 expected.cells[testing::GridOf(c)] == 0;
        }
        if (!fits) continue;
        for (int k = 0; k < first.cellCount; ++k)
          expected
              .cells[GridIndex(x + first.cubes[k].x, y + first.cubes[k].y, z + first.cubes[k].z)] =
              kPairMark;
        placed = true;
      }
  ASSERT_TRUE(placed);
  EXPECT_TRUE(SameCells(s.seenPairs[0], expected));
}

}  // namespace
}  // namespace cubepack
