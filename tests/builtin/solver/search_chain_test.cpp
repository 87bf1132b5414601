// The search chain below the seed: the count below partial packings against a plain search, the
// last two depths, the progress check at depth 3 and the boards handed to it.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "builtin/model/cell_tables.h"
#include "builtin/model/placement.h"
#include "builtin/solver/check_holes.h"
#include "builtin/solver/deep_rules.h"
#include "builtin/solver/deep_search_dispatch.h"
#include "builtin/solver/deep_tables.h"
#include "builtin/solver/empty_cell_scan.h"
#include "builtin/solver/packing_search.h"
#include "builtin/solver/search.h"
#include "builtin/solver/solver_test_boards.h"
#include "support/test_support.h"

namespace cubepack::builtin {
namespace {

using testing::Cells;

const PieceCatalogue& Cat() { return testing::SharedCatalogue(); }

// Piece 0 in its catalogue form at the origin, as seed 0 lies.
const Cells kSeed0 = {{0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 1, 0}, {1, 2, 0}};

using Laid = std::vector<std::pair<int, const Placement*>>;

// Plain search over the full lists, sharing nothing with the chain but them: always the lowest
// empty cell, every free piece's placements filed there, no pruning, so every packing is met
// once. Calls `found` for each, until it returns true.
template <typename Found>
bool Walk(Laid& laid, OccupancyMask filled, unsigned freePieces, Found&& found) {
  if (freePieces == 0) return found(laid);
  const int k = std::countr_one(filled);
  const int g = static_cast<int>(BitCellTable[k].gridIndex);
  for (int i = 1; i < kPieceCount; ++i) {
    if ((freePieces >> i & 1) == 0 || !Cat().pieces[i].byLowAnchor[g]) continue;
    for (const Placement& p : *Cat().pieces[i].byLowAnchor[g]) {
      if (Collides(p.mask, filled)) continue;
      laid.push_back({i, &p});
      if (Walk(laid, filled | p.mask, freePieces & ~(1u << i), found)) return true;
      laid.pop_back();
    }
  }
  return false;
}

// Seed 0 and the laid pieces: cells marked, flags set, mask computed.
Board BoardOf(const Laid& laid) {
  Board b = testing::EmptyBoxWith(kSeed0, kSeedMark);
  b.placed[kSeedPiece] = 1;
  for (const auto& [piece, p] : laid) {
    for (int k = 0; k < p->orientation->cellCount; ++k)
      b.cells[p->origin + p->orientation->offsets[k]] = kPieceMark;
    b.placed[piece] = 1;
  }
  ComputeMask(b);
  return b;
}

// The listed pieces as they lie in the fourth packing around seed 0 that the plain search
// meets: one where pieces 3 and 7 can trade places, so even the deepest boards leave a choice.
Laid PartOfPacking(const std::vector<int>& pieces) {
  static const Laid packing = [] {
    Laid laid;
    int skip = 3;
    Walk(laid, testing::EmptyBoxWith(kSeed0).mask, 0xFFEu,
         [&](const Laid&) { return skip-- == 0; });
    return laid;
  }();
  Laid part;
  for (const auto& p : packing)
    if (std::count(pieces.begin(), pieces.end(), p.first) > 0) part.push_back(p);
  return part;
}

// The tests that count packings run with every deep kernel this machine can run.
class SearchChain : public ::testing::TestWithParam<DeepKernelKind> {};
class DeepSearch : public ::testing::TestWithParam<DeepKernelKind> {};
std::string KernelName(const ::testing::TestParamInfo<DeepKernelKind>& info) {
  return DeepKernelName(info.param);
}
INSTANTIATE_TEST_SUITE_P(Kernels, SearchChain, ::testing::ValuesIn(AvailableDeepKernels()),
                         KernelName);
INSTANTIATE_TEST_SUITE_P(Kernels, DeepSearch, ::testing::ValuesIn(AvailableDeepKernels()),
                         KernelName);

TEST_P(SearchChain, CountsEveryPackingBelowAPartialPacking) {
  // The first two pieces listed make the depth-3 board the lists are refreshed for. Every list
  // visit counts, one wherever a free piece has a list at the anchor, even if nothing there fits.
  const struct {
    int entry;
    std::vector<int> pieces;
    std::int64_t visits;
  } cases[] = {{3, {2, 4}, 146503},
               {3, {1, 5}, 426118},
               {5, {1, 2, 4, 5}, 1282},
               {8, {1, 2, 4, 5, 6, 8, 9}, 28},
               {10, {1, 2, 4, 5, 6, 8, 9, 10, 11}, 4}};
  for (const auto& [entry, pieces, visits] : cases) {
    SCOPED_TRACE(::testing::Message() << "entry depth " << entry);
    Laid laid = PartOfPacking(pieces);
    ASSERT_EQ(static_cast<int>(laid.size()) + 1, entry);
    const Board start = BoardOf(laid);
    const unsigned freePieces = FreePieces(start);
    std::int64_t expected = 0;
    Walk(laid, start.mask, freePieces, [&](const Laid&) { return ++expected, false; });
    ASSERT_GE(expected, 2) << "the board should leave a choice";

    testing::RecordingReport report;
    SearchState s(Cat(), report);
    s.deepKernel = GetParam();
    for (int d = 5; d <= 10; ++d) s.boardStack[d].cells.fill(0xA5);  // never read from depth 5 on
    s.solutionCount = 1000;
    s.boardStack[entry - 1] = start;
    if (entry > 3)
      RefreshCandidates(Cat(), BoardOf(PartOfPacking({pieces[0], pieces[1]})), s.candidates);
    if (entry == 3) SearchDepth3(s);
    if (entry == 5) SearchDepth5(s);
    if (entry == 8) SearchDepth8(s);
    if (entry == 10) SearchDepth10(s);
    EXPECT_EQ(s.solutionCount - 1000, expected);
    EXPECT_EQ(s.stepCount, visits);
    EXPECT_TRUE(report.progress.empty());
  }
}

// The cells of each piece of a packing.
PieceCells CellsOf(const Laid& laid) {
  PieceCells cells{};
  cells[kSeedPiece] = testing::EmptyBoxWith(kSeed0).mask;
  for (const auto& [piece, p] : laid) cells[piece] = p->mask;
  return cells;
}

class Collect final : public PackingSink {
 public:
  void Found(const PieceCells& packing) override { found.push_back(packing); }
  std::vector<PieceCells> found;
};

// Below a five-piece board the listing search hands over exactly the packings that the plain
// search finds, each once, and counts what the kernel counts.
TEST_P(DeepSearch, ListingGivesEveryPackingOnceAndCountsAsTheKernel) {
  const std::vector<int> pieces = {1, 2, 4, 5};
  Laid laid = PartOfPacking(pieces);
  std::vector<PieceCells> expected;
  unsigned freePieces = 0xFFEu;
  for (int piece : pieces) freePieces &= ~(1u << piece);
  Walk(laid, BoardOf(laid).mask, freePieces,
       [&](const Laid& whole) { return expected.push_back(CellsOf(whole)), false; });

  testing::RecordingReport report;
  SearchState s(Cat(), report);
  s.deepKernel = GetParam();
  for (int d = 2; d <= 4; ++d) s.boardStack[d] = BoardOf(Laid(laid.begin(), laid.begin() + d));
  RefreshCandidates(Cat(), s.boardStack[2], s.candidates);
  SearchDepth5(s);
  const std::int64_t visits = s.stepCount;
  ASSERT_EQ(s.solutionCount, static_cast<std::int32_t>(expected.size()));

  Collect listed;
  const PackingListing listing{listed,
                               {PlacedPiece{kSeedPiece, CellsOf({})[kSeedPiece]},
                                PlacedPiece{laid[0].first, laid[0].second->mask},
                                PlacedPiece{laid[1].first, laid[1].second->mask}}};
  const SearchCounts counts = ListDepth5(s, listing);
  EXPECT_EQ(counts.listVisits, visits);
  EXPECT_EQ(counts.solutions, static_cast<std::int64_t>(expected.size()));
  std::sort(expected.begin(), expected.end());
  std::vector<PieceCells> got = listed.found;
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, expected);
}

// A triple list can be longer than one word of fit bits: on the empty box's lists, the lowest
// empty cell of a depth-9 node files up to 71 placements of three free pieces. Here a placement
// that starts a packing of the three lies past the 64th entry.
TEST_P(DeepSearch, TripleListsLongerThanAWordFindTheirLastEntries) {
  testing::RecordingReport report;
  SearchState s(Cat(), report);
  s.deepKernel = GetParam();
  RefreshCandidates(Cat(), MakeEmptyBox(), s.candidates);
  const DeepTables& deep = *s.candidates.deep;
  // Three pieces a < b < c on the empty box: c in the last placement filed at some cell k,
  // which is entry `entry` of their triple list there, and a and b beside it past k.
  struct Found {
    unsigned pieces = 0;
    OccupancyMask region = 0;
    int entry = 0;
  } found;
  const auto placements = [&](int from, int piece, auto&& take) {
    for (int k = from; k < kCellCount; ++k)
      for (int n = 0; n < deep.lowCount[k][piece]; ++n)
        if (take(deep.lowMasks[k][piece][n])) return true;
    return false;
  };
  for (int k = 0; k < kCellCount && found.entry == 0; ++k)
    for (int c = 3; c < kPieceCount && found.entry == 0; ++c)
      for (int b = 2; b < c && found.entry == 0; ++b)
        for (int a = 1; a < b && found.entry == 0; ++a) {
          const int entry = deep.lowCount[k][a] + deep.lowCount[k][b] + deep.lowCount[k][c] - 1;
          if (entry < 64) continue;
          const OccupancyMask pc = deep.lowMasks[k][c][deep.lowCount[k][c] - 1];
          placements(k + 1, a, [&](OccupancyMask pa) {
            return !Collides(pa, pc) && placements(k + 1, b, [&](OccupancyMask pb) {
              if (Collides(pb, pa | pc)) return false;
              found = {1u << a | 1u << b | 1u << c, pa | pb | pc, entry};
              return true;
            });
          });
        }
  ASSERT_GE(found.entry, 64);
  std::int64_t expected = 0;
  Laid laid;
  Walk(laid, kFullMask & ~found.region, found.pieces,
       [&](const Laid&) { return ++expected, false; });
  ASSERT_GE(expected, 1);
  const OccupancyMask grid = kFullMask & ~found.region;
  EXPECT_EQ(CountDeep(s, 9, grid, ToFillOrder(grid), found.pieces).solutions, expected)
      << "entry " << found.entry;
}

// The fit rule that the kernel and the listing share: every free entry of a padded list of any
// length once, in order, and nothing of the list that follows it in the pool.
TEST(FitRule, ListsOfAnyLengthGiveEveryFreeEntryOnce) {
  const OccupancyMask board = 0x0F0F0F0F0F0F0F0Full;
  for (const int count : {1, 8, 12, 63, 64, 65, 68, 72}) {
    SCOPED_TRACE(::testing::Message() << count << " entries");
    const int padded = PaddedLength(count, kTripleMinimum);
    std::vector<OccupancyMask> pool(static_cast<std::size_t>(padded) + 8, ~board);  // all free
    std::vector<int> expected;
    for (int n = 0; n < padded; ++n) {
      const bool free = n < count && (n % 7 == 0 || n == count - 1 || n == 64);
      pool[static_cast<std::size_t>(n)] = n >= count ? ~OccupancyMask{0} : free ? ~board : board;
      if (free) expected.push_back(n);
    }
    std::vector<int> got;
    ForEachFree(pool.data(), count, board, [&](int n) { got.push_back(n); });
    EXPECT_EQ(got, expected);
    if (count <= kMaxListLength) {
      EXPECT_EQ(CountFreeInRow(pool.data(), count, board), static_cast<int>(expected.size()));
    }
  }
}

TEST_P(DeepSearch, LastPieceCountsOnlyWhereItFillsTheLastRegion) {
  // Everything filled but piece 11 in its catalogue form at the origin and a second region;
  // pieces 2 and 11 free. Depth 10 visits both lists at cell 0, depth 11 piece 2's list at the
  // second region, whose placements there may all collide: three visits each time.
  const Cells piece2 = {{3, 0, 2}, {3, 1, 2}, {3, 2, 2}, {4, 2, 2}, {3, 3, 2}};
  const Cells row = {{0, 2, 2}, {1, 2, 2}, {2, 2, 2}, {3, 2, 2}, {4, 2, 2}};  // no piece's shape
  const struct {
    const Cells& second;
    bool refreshForTheBoard;  // else for the empty box: long lists with many collisions
    std::int32_t solutions;
  } cases[] = {{piece2, false, 1}, {row, false, 0}, {row, true, 0}};
  for (const auto& c : cases) {
    Cells empty = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 0, 1}};
    empty.insert(empty.end(), c.second.begin(), c.second.end());
    Board b = testing::FullBoxExcept(empty);
    b.placed.fill(1);
    b.placed[2] = b.placed[kFourCubePiece] = 0;
    testing::RecordingReport report;
    SearchState s(Cat(), report);
    s.deepKernel = GetParam();
    RefreshCandidates(Cat(), c.refreshForTheBoard ? b : MakeEmptyBox(), s.candidates);
    const CandidateList& last = s.candidates.fitByLowAnchor[2][testing::GridOf(c.second[0])];
    ASSERT_TRUE(last.created);
    EXPECT_EQ(last.Count() == 0, c.refreshForTheBoard);  // an existing but empty list
    s.boardStack[9] = b;
    SearchDepth10(s);
    EXPECT_EQ(s.solutionCount, c.solutions);
    EXPECT_EQ(s.stepCount, 3);
  }
}

TEST(ProgressCheck, DueOnlyOncePastTheInterval) {
  std::int64_t steps = 16777215;
  EXPECT_FALSE(ProgressDue(steps));
  EXPECT_EQ(steps, 16777216);
  EXPECT_TRUE(ProgressDue(steps));  // reports, and this visit is not counted
  EXPECT_EQ(steps, 0);

  // Depth 3 below piece 0 and pieces 2 and 4 of the packing, marks as a search above left them.
  struct Run {
    std::int32_t solutions;
    std::int64_t steps;
    std::vector<testing::RecordingReport::ProgressEvent> progress;
  };
  const auto run = [](std::int64_t startSteps) {
    testing::RecordingReport report;
    SearchState s(Cat(), report);
    s.boardStack[2] = BoardOf(PartOfPacking({2, 4}));
    s.stepCount = startSteps;
    s.solutionCount = 500;
    s.seedOrdinal = 77;
    s.depthMarks = {DepthMark{}, DepthMark{2, 5}, DepthMark{4, 3}};
    SearchDepth3(s);
    return Run{s.solutionCount, s.stepCount, report.progress};
  };
  const Run quiet = run(0);
  ASSERT_GT(quiet.steps, 1);
  EXPECT_TRUE(quiet.progress.empty());
  // Due at the first visit: one line with the marks as they stand, then the search goes on.
  const Run due = run(kProgressInterval);
  ASSERT_EQ(due.progress.size(), 1u);
  const auto& line = due.progress[0];
  EXPECT_EQ(std::make_tuple(line.seedOrdinal, line.depth1.piece, line.depth1.ordinal,
                            line.depth2.piece, line.depth2.ordinal, line.solutions),
            std::make_tuple(77, 2, 5, 4, 3, 500));
  EXPECT_EQ(due.solutions, quiet.solutions);
  EXPECT_EQ(due.steps, quiet.steps - 1);
  // Reaching the interval exactly with the last visit reports nothing.
  const Run justBelow = run(kProgressInterval - quiet.steps);
  EXPECT_TRUE(justBelow.progress.empty());
  EXPECT_EQ(justBelow.steps, kProgressInterval);
}

// The running number, among the placements of `piece` filed under the first empty cell of
// `before` that fit it, of the one that turns `before` into `after`; 0 for none.
int FittingOrdinal(const Board& before, const Board& after, int piece) {
  int ordinal = 0;
  for (const Placement& p : *Cat().pieces[piece].byFillAnchor[NextEmptyCell(before)]) {
    if (Collides(p.mask, before.mask)) continue;
    ++ordinal;
    if ((before.mask | p.mask) == after.mask) return ordinal;
  }
  return 0;
}

// Makes every depth-3 list visit report, and checks there the board handed to depth 3 (its
// flags, its marks: seed 1, piece 1 of the symmetric search 2, the others 3, and its mask) and
// the ordinals shown. It empties the candidate lists, so nothing is searched below, and stops
// after 300 visits.
class HandOffProbe final : public SearchReport {
 public:
  struct Stop {};
  explicit HandOffProbe(bool fromSymmetric) : symmetric(fromSymmetric) {}
  void SeedClassified(bool) override {}
  void SeedSearched(std::int32_t) override {}
  void Progress(std::int32_t, DepthMark d1, DepthMark d2, std::int32_t) override {
    const Board& b = state->boardStack[2];
    std::array<std::uint8_t, kPieceCount> placed{};
    placed[kSeedPiece] = placed[d1.piece] = placed[d2.piece] = 1;
    EXPECT_EQ(b.placed, placed);
    const int n1 = Cat().pieces[d1.piece].cellCount, n2 = Cat().pieces[d2.piece].cellCount;
    int marks[16] = {};
    for (std::uint8_t mark : b.cells) ++marks[mark & 15];
    EXPECT_EQ(marks[1], 5);
    EXPECT_EQ(marks[2], symmetric ? n1 : 0);
    EXPECT_EQ(marks[3], symmetric ? n2 : n1 + n2);
    EXPECT_EQ(marks[0] + marks[15], kGridSize - 5 - n1 - n2);
    Board computed = b;
    ComputeMask(computed);
    EXPECT_EQ(b.mask, computed.mask);
    EXPECT_TRUE(CheckHoles(b));
    // The ordinals count every placement that fits, whether or not its board was pruned.
    EXPECT_EQ(d2.ordinal, FittingOrdinal(state->boardStack[1], b, d2.piece));
    if (!symmetric) {
      EXPECT_EQ(d1.ordinal, FittingOrdinal(state->boardStack[0], state->boardStack[1], d1.piece));
    }
    for (auto* tables : {&state->candidates.fitByFillAnchor, &state->candidates.fitByLowAnchor})
      for (auto& table : *tables)
        for (CandidateList& list : table) list.RemoveAll();
    state->stepCount = kProgressInterval;
    if (++visits == 300) throw Stop{};
  }
  const bool symmetric;
  SearchState* state = nullptr;
  int visits = 0;
};

TEST(ShallowHandOff, BoardsHandedToDepthThreeHoldTheirPiecesMarksAndMask) {
  // Seed 0, and seed 13 (piece 0 in its catalogue form at (1,0,1)), which HalfTurnY keeps: the
  // symmetric search gets it with the empty box's mask, as the seed stage hands it on.
  const Cells seed13 = {{1, 1, 1}, {2, 0, 1}, {2, 1, 1}, {3, 1, 1}, {2, 2, 1}};
  for (const bool symmetric : {false, true}) {
    HandOffProbe probe(symmetric);
    SearchState s(Cat(), probe);
    probe.state = &s;
    s.stepCount = kProgressInterval;
    s.boardStack[0] = testing::EmptyBoxWith(symmetric ? seed13 : kSeed0, kSeedMark);
    s.boardStack[0].placed[kSeedPiece] = 1;
    if (symmetric) s.boardStack[0].mask = 0;
    EXPECT_THROW(symmetric ? SearchSymmetric(s, s.boardStack[0]) : SearchPlain(s),
                 HandOffProbe::Stop);
    EXPECT_EQ(probe.visits, 300);
  }
}

}  // namespace
}  // namespace cubepack::builtin
