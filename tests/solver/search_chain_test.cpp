// The search chain below the seed: progress check, the last two depths, the boards handed from
// the shallow depths to the deep ones, and the count below partial packings against an
// independent packer.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "model/placement.h"
#include "solver/check_holes.h"
#include "solver/empty_cell_scan.h"
#include "solver/search.h"
#include "solver/solver_test_boards.h"
#include "support/test_support.h"

namespace cubepack {
namespace {

using testing::CellXYZ;
using testing::LaidPiece;

const PieceCatalogue& Catalogue() { return testing::SharedCatalogue(); }

// The mask of a grid, from coordinates: any non-zero playable byte is a filled cell.
OccupancyMask MaskOfCells(const Board& b) {
  OccupancyMask m = 0;
  for (int z = 0; z < kSizeZ; ++z)
    for (int y = 0; y < kSizeY; ++y)
      for (int x = 0; x < kSizeX; ++x)
        if (b.cells[GridIndex(x, y, z)] != 0) m |= testing::BitOf({x, y, z});
  return m;
}

// ---------------------------------------------------------------------------------------------
// Partial packings taken from one full packing that the independent packer finds.

const std::vector<LaidPiece>& FullPacking() {
  static const std::vector<LaidPiece> packing = testing::NaivePacker().FirstPacking();
  return packing;
}

// Piece 0 and the listed pieces as they lie in the full packing.
std::vector<LaidPiece> PartOfPacking(const std::vector<int>& pieces) {
  std::vector<LaidPiece> part;
  for (const LaidPiece& p : FullPacking())
    if (p.piece == kSeedPiece || std::find(pieces.begin(), pieces.end(), p.piece) != pieces.end())
      part.push_back(p);
  return part;
}

unsigned FreePieces(const std::vector<LaidPiece>& laid) {
  unsigned pieces = (1u << kPieceCount) - 1;
  for (const LaidPiece& p : laid) pieces &= ~(1u << p.piece);
  return pieces;
}

// Junk in the cells of the mask-only depths: they must never be read.
void ScribbleDeepCells(SearchState& s) {
  for (int d = 5; d <= 10; ++d) s.boardStack[d].cells.fill(0xA5);
}

// The mask-only depths as a plain walk over the refreshed lists: pieces one by one, every entry
// tested, one list visit wherever a free piece has a list at the anchor.
void WalkDeep(const CandidateTables& t, OccupancyMask mask,
              std::array<std::uint8_t, kPieceCount> placed, int depth, std::int64_t& visits,
              std::int64_t& solutions) {
  const int anchor = depth <= 8 ? NextEmptyCell(mask) : LowestEmptyCell(mask);
  const auto& table = depth <= 8 ? t.fitByFillAnchor : t.fitByLowAnchor;
  for (int i = 1; i < kPieceCount; ++i) {
    if (placed[i] != 0 || !table[i][anchor].created) continue;
    ++visits;
    const CandidateList& list = table[i][anchor];
    for (int n = 0; n < list.Count(); ++n) {
      const Placement& p = *list.refs[n];
      if (Collides(p.mask, mask)) continue;
      if (depth == 11) {
        ++solutions;
        continue;
      }
      auto next = placed;
      next[i] = 1;
      WalkDeep(t, mask | p.mask, next, depth + 1, visits, solutions);
    }
  }
}

struct ChainCase {
  int entry;                       // 3, 5, 8 or 10: the operation started
  std::vector<int> refreshPieces;  // the board the candidate lists are refreshed for
  std::vector<int> boardPieces;    // the board the operation starts from
};

std::string CaseName(const ChainCase& c) {
  std::string name = "Depth";
  name += std::to_string(c.entry);
  name += "WithPieces";
  for (int p : c.boardPieces) {
    name += '_';
    name += std::to_string(p);
  }
  return name;
}

void PrintTo(const ChainCase& c, std::ostream* os) { *os << CaseName(c); }

class SearchChain : public ::testing::TestWithParam<ChainCase> {};

TEST_P(SearchChain, CountsEveryPackingBelowAPartialPacking) {
  const ChainCase& c = GetParam();
  ASSERT_EQ(FullPacking().size(), 12u);
  const auto laid = PartOfPacking(c.boardPieces);
  ASSERT_EQ(static_cast<int>(laid.size()), c.entry);
  const std::int64_t expected = testing::NaivePacker().Count(laid, FreePieces(laid));
  ASSERT_GE(expected, 2) << "the board should leave a choice";

  testing::RecordingReport report;
  SearchState s(Catalogue(), report);
  ScribbleDeepCells(s);
  s.solutionCount = 1000;
  s.boardStack[c.entry - 1] = testing::BoardOf(laid);
  if (c.entry > 3)
    RefreshCandidates(Catalogue(), testing::BoardOf(PartOfPacking(c.refreshPieces)), s.candidates);
  std::int64_t walkVisits = 0, walkSolutions = 0;
  if (c.entry > 3) {
    const Board& start = s.boardStack[c.entry - 1];
    WalkDeep(s.candidates, start.mask, start.placed, c.entry, walkVisits, walkSolutions);
    ASSERT_EQ(walkSolutions, expected);
  }
  switch (c.entry) {
    case 3:
      SearchDepth3(s);
      break;
    case 5:
      SearchDepth5(s);
      break;
    case 8:
      SearchDepth8(s);
      break;
    default:
      SearchDepth10(s);
      break;
  }
  EXPECT_EQ(s.solutionCount - 1000, expected);
  // Every list visit is counted, including those whose placements all collide.
  if (c.entry > 3) {
    EXPECT_EQ(s.stepCount, walkVisits);
  }
  EXPECT_TRUE(report.progress.empty());
}

INSTANTIATE_TEST_SUITE_P(PartialPackings, SearchChain,
                         ::testing::Values(ChainCase{3, {}, {2, 4}}, ChainCase{3, {}, {2, 9}},
                                           ChainCase{3, {}, {1, 5}}, ChainCase{3, {}, {3, 4}},
                                           ChainCase{5, {1, 2}, {1, 2, 3, 10}},
                                           ChainCase{8, {1, 2}, {1, 2, 9, 4, 11, 10, 6}},
                                           ChainCase{10, {1, 2}, {1, 2, 9, 4, 7, 11, 10, 6, 8}}),
                         [](const auto& info) { return CaseName(info.param); });

// ---------------------------------------------------------------------------------------------
// Depths 10 and 11 on constructed boards.

// Everything filled but two regions: piece 11 in its catalogue form at the origin, and
// `second`. Pieces 2 and 11 are free.
Board TwoPiecesLeft(const std::vector<CellXYZ>& second) {
  std::vector<CellXYZ> empty = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 0, 1}};
  empty.insert(empty.end(), second.begin(), second.end());
  Board b = testing::FullBoxExcept(empty);
  b.placed.fill(1);
  b.placed[2] = 0;
  b.placed[kFourCubePiece] = 0;
  return b;
}

// Piece 2 in its catalogue form at (3,0,2), well apart from the first region.
const std::vector<CellXYZ> kPiece2Region = {{3, 0, 2}, {3, 1, 2}, {3, 2, 2}, {4, 2, 2}, {3, 3, 2}};
// Five cells in a row: no piece has this shape.
const std::vector<CellXYZ> kRowRegion = {{0, 2, 2}, {1, 2, 2}, {2, 2, 2}, {3, 2, 2}, {4, 2, 2}};

struct DeepRun {
  std::int32_t solutions;
  std::int64_t steps;
};

// Runs depths 10 and 11 with candidate lists refreshed for the empty box, so the lists walked
// are the full ones and hold many placements that collide.
DeepRun RunLastTwoDepths(const Board& depth9) {
  testing::RecordingReport report;
  SearchState s(Catalogue(), report);
  RefreshCandidates(Catalogue(), MakeEmptyBox(), s.candidates);
  s.boardStack[9] = depth9;
  SearchDepth10(s);
  return {s.solutionCount, s.stepCount};
}

TEST(DeepSearch, LastPieceFittingItsRegionIsOneSolution) {
  // Depth 10 anchors at cell 0, where pieces 2 and 11 both have lists; depth 11 anchors at
  // (3,0,2), where piece 2 has one.
  ASSERT_NE(Catalogue().pieces[2].byLowAnchor[0].get(), nullptr);
  ASSERT_NE(Catalogue().pieces[kFourCubePiece].byLowAnchor[0].get(), nullptr);
  ASSERT_NE(Catalogue().pieces[2].byLowAnchor[GridIndex(3, 0, 2)].get(), nullptr);

  const DeepRun run = RunLastTwoDepths(TwoPiecesLeft(kPiece2Region));
  EXPECT_EQ(run.solutions, 1);
  EXPECT_EQ(run.steps, 3);
}

TEST(DeepSearch, LastPieceNotMatchingItsRegionIsNoSolution) {
  // Piece 2 has a list at (0,2,2), but every placement in it collides: still one list visit.
  const PlacementList* list = Catalogue().pieces[2].byLowAnchor[GridIndex(0, 2, 2)].get();
  ASSERT_NE(list, nullptr);
  ASSERT_GT(list->Count(), 0);

  const DeepRun run = RunLastTwoDepths(TwoPiecesLeft(kRowRegion));
  EXPECT_EQ(run.solutions, 0);
  EXPECT_EQ(run.steps, 3);
}

TEST(DeepSearch, EmptyCandidateListIsStillAVisit) {
  // Refreshed for the depth-9 board itself, piece 2's list at the row is created but empty.
  testing::RecordingReport report;
  SearchState s(Catalogue(), report);
  const Board depth9 = TwoPiecesLeft(kRowRegion);
  RefreshCandidates(Catalogue(), depth9, s.candidates);
  ASSERT_TRUE(s.candidates.fitByLowAnchor[2][GridIndex(0, 2, 2)].created);
  ASSERT_EQ(s.candidates.fitByLowAnchor[2][GridIndex(0, 2, 2)].Count(), 0);
  s.boardStack[9] = depth9;
  SearchDepth10(s);
  EXPECT_EQ(s.solutionCount, 0);
  EXPECT_EQ(s.stepCount, 3);
}

// ---------------------------------------------------------------------------------------------
// The progress check at depth 3.

TEST(ProgressCheck, DueOnlyOncePastTheInterval) {
  std::int64_t steps = 0;
  EXPECT_FALSE(ProgressDue(steps));
  EXPECT_EQ(steps, 1);

  steps = 16777215;
  EXPECT_FALSE(ProgressDue(steps));
  EXPECT_EQ(steps, 16777216);

  // The visit that finds the counter at the interval reports and is not counted itself.
  EXPECT_TRUE(ProgressDue(steps));
  EXPECT_EQ(steps, 0);

  // The deep depths push the counter past the interval without testing it.
  steps = 16777216 + 40;
  EXPECT_TRUE(ProgressDue(steps));
  EXPECT_EQ(steps, 0);
}

struct Depth3Run {
  std::int32_t solutions;
  std::int64_t steps;
  std::vector<testing::RecordingReport::ProgressEvent> progress;
};

// SearchDepth3 below piece 0 and pieces 2 and 4 of the full packing, with the counters and
// marks set as a search above would have left them.
Depth3Run RunDepth3(std::int64_t startSteps) {
  testing::RecordingReport report;
  SearchState s(Catalogue(), report);
  s.boardStack[2] = testing::BoardOf(PartOfPacking({2, 4}));
  s.stepCount = startSteps;
  s.solutionCount = 500;
  s.seedOrdinal = 77;
  s.depthMarks[1] = {2, 5};
  s.depthMarks[2] = {4, 3};
  SearchDepth3(s);
  return {s.solutionCount, s.stepCount, report.progress};
}

TEST(ProgressCheck, DepthThreeReportsWhenTheCounterIsDue) {
  const Depth3Run quiet = RunDepth3(0);
  ASSERT_GT(quiet.steps, 1);
  EXPECT_TRUE(quiet.progress.empty());

  // Due at the very first visit: one line with the marks as they stand, then the search goes
  // on in full.
  const Depth3Run due = RunDepth3(kProgressInterval);
  ASSERT_EQ(due.progress.size(), 1u);
  EXPECT_EQ(due.progress[0].seedOrdinal, 77);
  EXPECT_EQ(due.progress[0].depth1.piece, 2);
  EXPECT_EQ(due.progress[0].depth1.ordinal, 5);
  EXPECT_EQ(due.progress[0].depth2.piece, 4);
  EXPECT_EQ(due.progress[0].depth2.ordinal, 3);
  EXPECT_EQ(due.progress[0].solutions, 500);
  EXPECT_EQ(due.solutions, quiet.solutions);
  EXPECT_EQ(due.steps, quiet.steps - 1);

  // Reaching the interval exactly with the last visit reports nothing.
  const Depth3Run justBelow = RunDepth3(kProgressInterval - quiet.steps);
  EXPECT_TRUE(justBelow.progress.empty());
  EXPECT_EQ(justBelow.steps, kProgressInterval);
  EXPECT_EQ(justBelow.solutions, quiet.solutions);
}

TEST(PlainSearch, SeedWithNoListAtItsAnchorEndsAtOnce) {
  // Only (4,3,2) is empty: the last cell in fill order, where no placement is filed.
  testing::RecordingReport report;
  SearchState s(Catalogue(), report);
  s.boardStack[0] = testing::FullBoxExcept({{4, 3, 2}}, kSeedMark);
  s.boardStack[0].placed[kSeedPiece] = 1;
  s.stepCount = kProgressInterval;
  SearchPlain(s);
  EXPECT_EQ(s.stepCount, kProgressInterval);
  EXPECT_EQ(s.solutionCount, 0);
  EXPECT_TRUE(report.progress.empty());
}

// ---------------------------------------------------------------------------------------------
// The boards the shallow depths hand to SearchDepth3, seen from its progress check.

struct StopSearch {};

// Makes every depth-3 list visit report, checks the state there, and stops the search after
// `limit` visits. It also empties every candidate list, so the search does not descend below
// depth 3 and many hand-offs can be checked in little time.
class Depth3Probe final : public SearchReport {
 public:
  Depth3Probe(int limit, std::function<void(const SearchState&)> check)
      : limit_(limit), check_(std::move(check)) {}
  void SeedClassified(bool) override {}
  void SeedSearched(std::int32_t) override {}
  void Progress(std::int32_t seedOrdinal, DepthMark d1, DepthMark d2,
                std::int32_t solutions) override {
    EXPECT_EQ(seedOrdinal, state->seedOrdinal);
    EXPECT_EQ(d1.piece, state->depthMarks[1].piece);
    EXPECT_EQ(d1.ordinal, state->depthMarks[1].ordinal);
    EXPECT_EQ(d2.piece, state->depthMarks[2].piece);
    EXPECT_EQ(d2.ordinal, state->depthMarks[2].ordinal);
    EXPECT_EQ(solutions, state->solutionCount);
    check_(*state);
    for (auto* tables : {&state->candidates.fitByFillAnchor, &state->candidates.fitByLowAnchor})
      for (auto& table : *tables)
        for (CandidateList& list : table) list.RemoveAll();
    state->stepCount = kProgressInterval;
    if (++visits == limit_) throw StopSearch{};
  }

  SearchState* state = nullptr;
  int visits = 0;

 private:
  int limit_;
  std::function<void(const SearchState&)> check_;
};

// The running number, among the placements of `piece` filed under the first empty cell of
// `before` that do not collide with it, of the one that turns `before` into `after`.
int FittingOrdinal(const Board& before, const Board& after, int piece) {
  const PlacementList* list = Catalogue().pieces[piece].byFillAnchor[NextEmptyCell(before)].get();
  if (list == nullptr) return -1;
  int ordinal = 0;
  for (const Placement& p : *list) {
    if (Collides(p.mask, before.mask)) continue;
    ++ordinal;
    if ((before.mask | p.mask) == after.mask) return ordinal;
  }
  return -1;
}

int CellsHolding(const Board& b, std::uint8_t mark) {
  return static_cast<int>(std::count(b.cells.begin(), b.cells.end(), mark));
}

// Runs `search` until `limit` depth-3 list visits have been checked.
void ProbeDepth3(int limit, const std::function<void(SearchState&)>& search,
                 const std::function<void(const SearchState&)>& check) {
  Depth3Probe probe(limit, check);
  SearchState s(Catalogue(), probe);
  probe.state = &s;
  s.seedOrdinal = 0;
  s.stepCount = kProgressInterval;
  EXPECT_THROW(search(s), StopSearch);
  EXPECT_EQ(probe.visits, limit);
}

TEST(ShallowHandOff, PlainSearchHandsOnConsistentBoards) {
  // Seed 0: piece 0 in its catalogue form at the origin.
  const std::vector<CellXYZ> seedCells = {{0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 1, 0}, {1, 2, 0}};
  const Board seed = [&] {
    Board b = testing::EmptyBoxWith(seedCells, kSeedMark);
    b.placed[kSeedPiece] = 1;
    return b;
  }();
  // Consecutive hand-offs from one depth-2 list whose ordinals are not consecutive: a fitting
  // placement in between was pruned.
  DepthMark lastD1, lastD2;
  int gaps = 0;

  ProbeDepth3(
      1000,
      [&](SearchState& s) {
        s.boardStack[0] = seed;
        SearchPlain(s);
      },
      [&](const SearchState& s) {
        const Board& b1 = s.boardStack[1];
        const Board& b2 = s.boardStack[2];
        const int p1 = s.depthMarks[1].piece;
        const int p2 = s.depthMarks[2].piece;
        ASSERT_NE(p1, p2);
        std::array<std::uint8_t, kPieceCount> flags{};
        flags[kSeedPiece] = flags[p1] = 1;
        EXPECT_EQ(b1.placed, flags);
        flags[p2] = 1;
        EXPECT_EQ(b2.placed, flags);

        EXPECT_EQ(CellsHolding(b2, kSeedMark), 5);
        EXPECT_EQ(CellsHolding(b2, kPieceMark),
                  Catalogue().pieces[p1].cellCount + Catalogue().pieces[p2].cellCount);
        for (const CellXYZ& c : seedCells) EXPECT_EQ(b2.cells[testing::GridOf(c)], kSeedMark);
        EXPECT_EQ(b1.mask, MaskOfCells(b1));
        EXPECT_EQ(b2.mask, MaskOfCells(b2));
        EXPECT_TRUE(CheckHoles(b1));
        EXPECT_TRUE(CheckHoles(b2));

        // The ordinals count every placement that fits, whether or not its board was pruned.
        EXPECT_EQ(s.depthMarks[1].ordinal, FittingOrdinal(s.boardStack[0], b1, p1));
        EXPECT_EQ(s.depthMarks[2].ordinal, FittingOrdinal(b1, b2, p2));

        const DepthMark d1 = s.depthMarks[1], d2 = s.depthMarks[2];
        if (d1.piece == lastD1.piece && d1.ordinal == lastD1.ordinal && d2.piece == lastD2.piece &&
            d2.ordinal > lastD2.ordinal + 1)
          ++gaps;
        lastD1 = d1;
        lastD2 = d2;
      });
  EXPECT_GT(gaps, 0) << "no pruned depth-2 board among the hand-offs checked";
}

TEST(ShallowHandOff, SymmetricSearchHandsOnConsistentBoards) {
  // Seed 13: piece 0 in its catalogue form at (1,0,1), which HalfTurnY maps onto itself. The
  // mask stays that of the empty box, as the seed stage leaves it.
  Board seed = MakeEmptyBox();
  for (const CellXYZ& c :
       std::vector<CellXYZ>{{1, 1, 1}, {2, 0, 1}, {2, 1, 1}, {3, 1, 1}, {2, 2, 1}})
    seed.cells[testing::GridOf(c)] = kSeedMark;
  seed.placed[kSeedPiece] = 1;

  ProbeDepth3(
      1000,
      [&](SearchState& s) {
        s.seedOrdinal = 13;
        s.boardStack[0] = seed;
        SearchSymmetric(s, s.boardStack[0]);
      },
      [&](const SearchState& s) {
        const Board& pair = s.boardStack[1];
        const Board& b2 = s.boardStack[2];
        const int third = s.depthMarks[2].piece;
        EXPECT_EQ(s.depthMarks[1].piece, kSixCubePiece);
        EXPECT_EQ(s.depthMarks[1].ordinal, s.seenPairs.Count());
        ASSERT_GT(s.seenPairs.Count(), 0);
        EXPECT_TRUE(SameCells(s.seenPairs[s.seenPairs.Count() - 1], pair));

        std::array<std::uint8_t, kPieceCount> flags{};
        flags[kSeedPiece] = flags[kSixCubePiece] = flags[third] = 1;
        EXPECT_EQ(b2.placed, flags);
        EXPECT_EQ(CellsHolding(b2, kSeedMark), 5);
        EXPECT_EQ(CellsHolding(b2, kPairMark), 6);
        EXPECT_EQ(CellsHolding(b2, kPieceMark), Catalogue().pieces[third].cellCount);
        EXPECT_EQ(pair.mask, MaskOfCells(pair));
        EXPECT_EQ(b2.mask, MaskOfCells(b2));
        EXPECT_TRUE(CheckHoles(b2));
        EXPECT_EQ(s.depthMarks[2].ordinal, FittingOrdinal(pair, b2, third));
      });
}

}  // namespace
}  // namespace cubepack
