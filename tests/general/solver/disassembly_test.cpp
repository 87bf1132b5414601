// Disassembly of assemblies designed so that their answers follow by hand: pieces that are
// linked or shut in, a tray whose pieces must slide to one opening in turn, weights that keep
// the heavy part in place, and group ids that let a part stay together; and every class of
// several puzzles against the plain search of the tests (support/brute_disassembler.h).

#include "general/solver/disassembly.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "general/solver/line_assembly.h"
#include "support/brute_disassembler.h"
#include "support/listed_puzzle.h"

namespace cubepack::general {
namespace {

using Cubes = std::vector<Point>;

// Every cell of the box [x0, x1] x [y0, y1] x [z0, z1] but those in `without`.
Cubes Box(Point lo, Point hi, const Cubes& without = {}) {
  const std::set<Point> gone(without.begin(), without.end());
  Cubes out;
  for (int z = lo.z; z <= hi.z; ++z)
    for (int y = lo.y; y <= hi.y; ++y)
      for (int x = lo.x; x <= hi.x; ++x)
        if (gone.count({x, y, z}) == 0) out.push_back({x, y, z});
  return out;
}

std::string Describe(const DisassemblyResult& r) {
  std::string s = r.solution ? r.level : "-";
  for (const DisassemblyMove& m : r.moves) {
    s += " [";
    for (int i = 0; i < 64; ++i)
      if ((m.pieces >> i) & 1) s += static_cast<char>('A' + i);
    s += DirectionName(m.direction);
    s += ' ';
    s += m.distance == 0 ? std::string("out") : std::to_string(m.distance);
    s += ']';
  }
  return s;
}

std::string Disassemble(const DisassemblyInput& input) {
  Disassembler d;
  return Describe(d.Run(input, true));
}

// A 5 x 3 x 4 box (A) hollow inside (x 1-3 at y = 1, z 1-2) with one opening on top, at x = 3;
// two single cubes inside, P above Q at x = 1. P slides to the opening and leaves (2 moves);
// then Q does the same (2).
DisassemblyInput Tray() {
  const Cubes inside = Box({1, 1, 1}, {3, 1, 2});
  Cubes hollow = inside;
  hollow.push_back({3, 1, 3});
  return {{Box({0, 0, 0}, {4, 2, 3}, hollow), {{1, 1, 2}}, {{1, 1, 1}}}, {}, {}, {}};
}

TEST(Disassembly, LinkedOrShutInPiecesNeverComeApart) {
  // Two square rings of eight cubes, each through the other's hole.
  Cubes a, b;
  for (const Point& p : Box({0, 1, 0}, {2, 1, 2}, {{1, 1, 1}})) a.push_back(p);
  for (const Point& p : Box({1, 0, 1}, {1, 2, 3}, {{1, 1, 2}})) b.push_back(p);
  EXPECT_EQ(Disassemble({{a, b}, {}, {}, {}}), "-");
  // A cube in a closed 3 x 3 x 3 box; with the top's middle open it leaves upward at once.
  EXPECT_EQ(Disassemble({{Box({0, 0, 0}, {2, 2, 2}, {{1, 1, 1}}), {{1, 1, 1}}}, {}, {}, {}}), "-");
  EXPECT_EQ(
      Disassemble({{Box({0, 0, 0}, {2, 2, 2}, {{1, 1, 1}, {1, 1, 2}}), {{1, 1, 1}}}, {}, {}, {}}),
      "1 [B+z out]");
  // One piece has nothing to come apart from.
  EXPECT_EQ(Disassemble({{{{0, 0, 0}}}, {}, {}, {}}), "-");
}

TEST(Disassembly, PiecesSlideToTheOpeningInTurn) {
  EXPECT_EQ(Disassemble(Tray()), "2.2 [B+x 2] [B+z out] [C+x 2] [C+z out]");
}

TEST(Disassembly, TheHeaviestPieceStays) {
  // A cube on a 3 x 3 plate: the plate slides away along +x first (the first direction, the
  // first piece), unless it is the heavier: then the cube leaves the other way.
  DisassemblyInput input{{Box({0, 0, 0}, {2, 2, 0}), {{1, 1, 1}}}, {}, {}, {}};
  EXPECT_EQ(Disassemble(input), "1 [A+x out]");
  input.weight = {5, 1};
  EXPECT_EQ(Disassemble(input), "1 [B-x out]");
  input.weight = {1, 1};
  EXPECT_EQ(Disassemble(input), "1 [A+x out]");
}

TEST(Disassembly, GroupsLetAPartStayTogether) {
  // The linked rings on a plate: the plate leaves first, then the rings are one part where
  // they are each other's only group; a group that takes only one of them is not enough.
  Cubes a, b;
  for (const Point& p : Box({0, 1, 0}, {2, 1, 2}, {{1, 1, 1}})) a.push_back(p);
  for (const Point& p : Box({1, 0, 1}, {1, 2, 3}, {{1, 1, 2}})) b.push_back(p);
  for (Point& p : a) p.z += 1;
  for (Point& p : b) p.z += 1;
  DisassemblyInput input{{Box({0, 0, 0}, {3, 3, 0}), a, b}, {}, {0, 1, 1}, {{}, {{1, 2}}}};
  EXPECT_EQ(Disassemble(input), "1 [A+x out]");
  input.kindGroups = {{}, {{1, 1}}};
  EXPECT_EQ(Disassemble(input), "-");
  // Groups that the two rings share only as a second choice: the part is taken apart first,
  // and kept whole when it cannot be.
  input.kindGroups = {{}, {{2, 2}, {1, 2}}};
  EXPECT_EQ(Disassemble(input), "1 [A+x out]");
  // Without groups the linked rings fail the whole assembly.
  input.kind.clear();
  input.kindGroups.clear();
  EXPECT_EQ(Disassemble(input), "-");
}

// Every listed class's level as the engine and the plain search find it: packings that lift
// apart at once, trays and lids whose pieces travel, a burr, groups and weights. A tray with
// three cubes and a heavy lid piece makes the searches go deep.
TEST(Disassembly, EveryClassAsThePlainSearchTakesItApart) {
  const std::string tray3 =
      "target draw xxxxx/xxxxx/xxxxx xxxxx/x+++x/xxxxx xxxxx/x+++x/xxxxx xxxxx/xxx.x/xxxxx\n"
      "piece T draw xxxxx/xxxxx/xxxxx xxxxx/x...x/xxxxx xxxxx/x...x/xxxxx xxxxx/xxx.x/xxxxx\n"
      "piece c copies 3 0,0,0\n";
  std::vector<std::string> texts = {tray3};
  for (const char* name : {"tray", "lid", "burr", "rings-on-plate", "rings", "closed-box"})
    texts.push_back(
        testing::PuzzleFileText(std::string("../tests/data/disassembly/") + name + ".txt"));
  std::string heavy = testing::PuzzleFileText("../tests/data/disassembly/lid.txt");
  heavy.replace(heavy.find("piece L "), 8, "piece L weight 3 ");
  texts.push_back(heavy);
  texts.push_back(testing::PuzzleFileText("soma-3x3x3.txt"));
  texts.push_back(testing::PuzzleFileText("pentominoes-2x3x10.txt"));
  std::size_t assemblies = 0, apart = 0, deep = 0;
  Disassembler disassembler;
  for (const std::string& text : texts) {
    const testing::ListedPuzzle listed = testing::MakeListedPuzzle(text, false);
    const std::string listing = testing::ListingOf(listed, 2);
    for (std::size_t at = 0; at < listing.size();) {
      const std::size_t end = listing.find('\n', at);
      const std::string line = listing.substr(at, end - at);
      at = end + 1;
      const DisassemblyInput input = AssemblyOfLine(listed.text, listed.format, line).input;
      const DisassemblyResult r = disassembler.Run(input);
      const std::string level = r.solution ? r.level : "-";
      std::uint64_t states = 0;
      ASSERT_EQ(level, testing::BruteDisassemble(input, &states)) << line;
      ASSERT_EQ(r.states, states) << line;
      ++assemblies;
      apart += r.solution;
      deep += level.size() > 1;
    }
  }
  // The puzzles' classes, and that the searches had work to do.
  EXPECT_EQ(assemblies, 20u + 15 + 11 + 1 + 1 + 1 + 1 + 11 + 480 + 24);
  EXPECT_GT(apart, 500u);
  EXPECT_GT(deep, 40u);
}

// Random boxes with openings in their walls and loose cubes and dominoes inside: searches of
// many states, where moves of groups and of unions of groups shorten the way out.
TEST(Disassembly, RandomBoxesAsThePlainSearchTakesThemApart) {
  std::mt19937 random(2026);
  std::size_t apart = 0, deep = 0;
  for (int round = 0; round < 300; ++round) {
    std::set<Point> free;
    for (const Point& p : Box({1, 1, 1}, {3, 2, 2})) free.insert(p);
    Cubes walls;
    for (const Point& p : Box({0, 0, 0}, {4, 3, 3}))
      if (free.count(p) == 0 && random() % 10 != 0) walls.push_back(p);
    DisassemblyInput input{{walls}, {}, {}, {}};
    for (int piece = 0; piece < 4; ++piece) {
      const Point at{1 + static_cast<int>(random() % 3), 1 + static_cast<int>(random() % 2),
                     1 + static_cast<int>(random() % 2)};
      Point next = at;
      (random() % 2 == 0 ? next.x : next.y) += 1;
      if (free.count(at) == 0) continue;
      Cubes cubes{at};
      if (random() % 2 == 0 && free.count(next) != 0) cubes.push_back(next);
      for (const Point& p : cubes) free.erase(p);
      input.pieces.push_back(cubes);
    }
    if (round % 3 == 0) input.weight.assign(input.pieces.size(), 1), input.weight[1] = 2;
    Disassembler disassembler;
    const DisassemblyResult r = disassembler.Run(input);
    const std::string level = r.solution ? r.level : "-";
    // The plain search takes a second for the largest; the smaller ones are plenty.
    if (r.states > 400) continue;
    std::uint64_t states = 0;
    ASSERT_EQ(level, testing::BruteDisassemble(input, &states)) << "round " << round;
    ASSERT_EQ(r.states, states) << "round " << round;
    apart += r.solution;
    deep += r.states > 20;
  }
  EXPECT_GT(apart, 30u);
  EXPECT_GT(deep, 30u);
}

}  // namespace
}  // namespace cubepack::general
