// The seed stage: the symmetry check that classifies a seed, the seeds searched and the pair rule
// of the symmetric search. The last two run on a catalogue that keeps the orientations of pieces
// 0 and 1 but no placement lists, so every search below a seed or a pair finds nothing to place:
// the enumeration and the duplicate tests run in full in milliseconds.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "builtin/solver/check_sym.h"
#include "builtin/solver/search.h"
#include "builtin/solver/solver_test_boards.h"
#include "support/test_support.h"

namespace cubepack::builtin {
namespace {

using testing::Cells;
using testing::EmptyBoxWith;

std::unique_ptr<PieceCatalogue> SeedAndPairOnly() {
  const PieceCatalogue& full = testing::SharedCatalogue();
  auto cat = std::make_unique<PieceCatalogue>();
  for (int i = 0; i < kPieceCount; ++i) cat->pieces[i].cellCount = full.pieces[i].cellCount;
  for (int i : {kSeedPiece, kSixCubePiece})
    for (const Orientation* o : full.orientations[i]) cat->orientations[i].Append(o);
  return cat;
}

// The seed of the attempt with the given ordinal as the seed stage hands it on (mark 1, flag 0,
// the empty box's mask): orientation n / 60 at x = n % 60 / 12, y = n % 12 / 3, z = n % 3.
// Flag 0 stays clear when the piece does not fit.
Board SeedBoard(int n) {
  const Orientation& o = *testing::SharedCatalogue().orientations[kSeedPiece][n / 60];
  Board b = MakeEmptyBox();
  for (int k = 0; k < o.cellCount; ++k) {
    const int x = n % 60 / 12 + o.cubes[k].x, y = n % 12 / 3 + o.cubes[k].y,
              z = n % 3 + o.cubes[k].z;
    if (x >= kSizeX || y >= kSizeY || z >= kSizeZ) return MakeEmptyBox();
    b.cells[GridIndex(x, y, z)] = kSeedMark;
  }
  b.placed[kSeedPiece] = 1;
  return b;
}

// Border bytes, mask and flags that no symmetry check may look at.
Board Scribbled(Board b) {
  for (int g = 0; g < kGridSize; ++g)
    if (IsBorderIndex(g)) b.cells[g] = static_cast<std::uint8_t>(g < 30 ? 0 : g);
  b.mask = 0x0123456789ABCDEFull & kFullMask;
  b.placed.fill(1);
  return b;
}

TEST(SeedSymmetry, OneHalfTurnIsEnoughAndOnlyPlayableMarksCount) {
  EXPECT_TRUE(CheckSym(MakeEmptyBox()));
  // Each set is kept by exactly the half turn it is named after:
  // HalfTurnZ (4-x, 3-y, z), HalfTurnX (x, 3-y, 2-z), HalfTurnY (4-x, y, 2-z).
  const Cells onlyZ = {{0, 0, 0}, {1, 0, 0}, {4, 3, 0}, {3, 3, 0}};
  const Cells onlyX = {{0, 0, 0}, {1, 0, 0}, {0, 3, 2}, {1, 3, 2}};
  const Cells onlyY = {{0, 0, 0}, {0, 1, 0}, {4, 0, 2}, {4, 1, 2}};
  for (const Cells& cells : {onlyZ, onlyX, onlyY}) {
    EXPECT_TRUE(CheckSym(EmptyBoxWith(cells)));
    EXPECT_TRUE(CheckSym(Scribbled(EmptyBoxWith(cells))));
  }
  // Marks are compared, not just occupancy: the turn swaps two different marks.
  Board marks = EmptyBoxWith(onlyZ);
  marks.cells[testing::GridOf({4, 3, 0})] = marks.cells[testing::GridOf({3, 3, 0})] = kPairMark;
  EXPECT_FALSE(CheckSym(marks));
  // An asymmetric seed: false, and the board is left as it was.
  const Board before = Scribbled(SeedBoard(0));
  Board b = before;
  EXPECT_FALSE(CheckSym(b));
  EXPECT_EQ(std::memcmp(&b, &before, sizeof(Board)), 0);
}

// Records each seed event with the state the search left at it.
class SeedLog final : public SearchReport {
 public:
  void SeedClassified(bool symmetric) override { seeds.push_back({state->seedOrdinal, symmetric}); }
  void Progress(std::int32_t, DepthMark, DepthMark, std::int32_t) override { ++progressLines; }
  void SeedSearched(std::int32_t total) override {
    // The plain search tests collisions on the seed board's mask alone.
    Board seed = state->boardStack[0];
    ComputeMask(seed);
    if (seeds.back().second) {
      pairs.push_back({state->depthMarks[1].ordinal, state->seenPairs.Count()});
    } else {
      EXPECT_EQ(state->boardStack[0].mask, seed.mask);
    }
    totals.push_back(total);
  }
  const SearchState* state = nullptr;
  std::vector<std::pair<int, bool>> seeds;  // ordinal, symmetric
  std::vector<std::pair<int, int>> pairs;   // accepted and remembered, per symmetric seed
  std::vector<std::int32_t> totals;
  int progressLines = 0;
};

TEST(SeedStage, SearchesTheTwelveNewSeedsOfTheFortyThatFit) {
  int fits = 0;
  for (int n = 0; n < 180; ++n) fits += SeedBoard(n).placed[kSeedPiece];
  EXPECT_EQ(fits, 40);

  const auto catalogue = SeedAndPairOnly();
  SeedLog log;
  SearchState s(*catalogue, log);
  log.state = &s;
  SearchSeeds(s, MakeEmptyBox());
  // Only the seeds that HalfTurnY keeps are symmetric.
  const std::vector<std::pair<int, bool>> seeds = {
      {0, false},  {1, false}, {2, false},   {12, false},  {13, true},  {60, false},
      {72, false}, {84, true}, {120, false}, {123, false}, {132, true}, {135, true}};
  EXPECT_EQ(log.seeds, seeds);
  // The remembered pairs are those of the current seed only.
  EXPECT_EQ(log.pairs, (std::vector<std::pair<int, int>>{{64, 64}, {55, 55}, {71, 71}, {61, 61}}));
  EXPECT_EQ(log.totals, std::vector<std::int32_t>(12, 0));
  EXPECT_EQ(log.progressLines, 0);
  EXPECT_EQ(s.seedOrdinal, 180);  // every attempt is counted, fitting or not
  ASSERT_EQ(s.seenBoards.Count(), 12);
  for (int i = 0; i < 12; ++i)
    EXPECT_TRUE(SameCells(s.seenBoards[i], SeedBoard(seeds[i].first))) << "entry " << i;
}

// True when a rotation of the box (one of the four turns) maps `b` onto `a`.
bool SameUpToRotation(const Board& a, const Board& b) {
  for (const BoxTurn turn : kBoxTurns) {
    Board turned = b;
    TurnBoard(turned, turn);
    if (SameCells(a, turned)) return true;
  }
  return false;
}

TEST(SymmetricSearch, KeepsOnePairPerRotationClassAndForgetsThemPerCall) {
  const auto catalogue = SeedAndPairOnly();
  testing::RecordingReport report;
  SearchState s(*catalogue, report);
  // Seed 84 before 13, and 13 twice: pairs left from an earlier call would be matched against,
  // and would hide every pair of a repeated seed.
  const std::pair<int, int> runs[] = {{84, 55}, {13, 64}, {13, 64}, {132, 71}, {135, 61}};
  for (const auto& [seed, pairs] : runs) {
    s.boardStack[0] = SeedBoard(seed);
    SearchSymmetric(s, s.boardStack[0]);
    EXPECT_EQ(s.seenPairs.Count(), pairs) << "seed " << seed;
    EXPECT_EQ(s.depthMarks[1].piece, kSixCubePiece);
    EXPECT_EQ(s.depthMarks[1].ordinal, pairs) << "seed " << seed;
    // Every kept pair is the seed plus six cells of mark 2, and none is a turned copy of an
    // earlier one.
    for (int i = 0; i < s.seenPairs.Count(); ++i) {
      const Board& pair = s.seenPairs[i];
      Board seedPart = pair;
      std::replace(seedPart.cells.begin(), seedPart.cells.end(), kPairMark, std::uint8_t{0});
      EXPECT_TRUE(SameCells(seedPart, s.boardStack[0])) << "seed " << seed << " pair " << i;
      EXPECT_EQ(std::count(pair.cells.begin(), pair.cells.end(), kPairMark), 6);
      for (int j = 0; j < i; ++j)
        EXPECT_FALSE(SameUpToRotation(s.seenPairs[j], pair)) << "seed " << seed << " pair " << i;
    }
  }
  // Nothing below the pairs: no list visit, no solution.
  EXPECT_EQ(s.stepCount, 0);
  EXPECT_EQ(s.solutionCount, 0);
}

}  // namespace
}  // namespace cubepack::builtin
