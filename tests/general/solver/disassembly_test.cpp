// Disassembly of assemblies designed so that their answers follow by hand: pieces that are
// linked or shut in, a tray whose pieces must slide to one opening in turn, weights that keep
// the heavy part in place, and group ids that let a part stay together.

#include "general/solver/disassembly.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

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
    s += std::string(DirectionName(m.direction)) +
         (m.distance == 0 ? std::string(" out") : " " + std::to_string(m.distance)) + "]";
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

}  // namespace
}  // namespace cubepack::general
