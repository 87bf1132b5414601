// The listing of any puzzle: one line per class, class by class against the tests'
// brute-force packer on small puzzles, as many lines as the published counts of the quick
// classic puzzles, and the same bytes on any number of threads and in any split of the tasks.

#include "general/solver/polycube_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "general/input/puzzle_file.h"
#include "general/solver/polycube_count.h"
#include "support/brute_packer.h"
#include "support/listed_puzzle.h"

namespace cubepack::general {
namespace {

using testing::ListedPuzzle;
using testing::ListingOf;
using testing::MakeListedPuzzle;
using testing::PuzzleFileText;

// Keeps the lines; stops after `stopAfter` tasks.
class Collect final : public ListingSink {
 public:
  explicit Collect(std::size_t stopAfter) : stopAfter_(stopAfter) {}
  bool TaskLines(std::size_t task, std::string_view lines, std::size_t) override {
    tasks.push_back(task);
    text += lines;
    return tasks.size() < stopAfter_;
  }
  std::vector<std::size_t> tasks;
  std::string text;

 private:
  std::size_t stopAfter_;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// The line's packing as the brute-force packer holds one, in the file's coordinates, each piece
// of the brute-force packer's kind of its class's first piece.
testing::BrutePacking PackingOfLine(const ListedPuzzle& l, const testing::BrutePacker& brute,
                                    const std::string& chars) {
  const PolycubePuzzle& p = l.build.puzzle;
  std::vector<int> pieces;
  EXPECT_EQ(ParsePuzzleLine(l.format, p, PlacementIndex(p), chars, pieces), "") << chars;
  Point low = l.text.target[0];
  for (const Point& c : l.text.target)
    low = {std::min(low.x, c.x), std::min(low.y, c.y), std::min(low.z, c.z)};
  testing::BrutePacking packing;
  for (const int placement : pieces) {
    testing::Cells cells;
    for (int i = 0; i < static_cast<int>(p.cells.size()); ++i)
      if (p.placements[placement].mask.Has(i))
        cells.push_back({p.cells[i].x + low.x, p.cells[i].y + low.y, p.cells[i].z + low.z});
    std::sort(cells.begin(), cells.end());
    const std::string& names = p.classes[p.placements[placement].shapeClass].names;
    packing.push_back({brute.KindOf(names.substr(0, names.find(','))), cells});
  }
  std::sort(packing.begin(), packing.end());
  return packing;
}

// Every listed line a packing of the brute-force packer's, one per class, every class.
void ExpectOneLinePerClass(const testing::SmallPuzzle& s, bool mirror, TaskLimits limits) {
  const ListedPuzzle listed = MakeListedPuzzle(testing::ParsedPuzzle(s), mirror);
  testing::BrutePacker brute(testing::ParsedPuzzle(s), mirror);
  brute.Count();
  std::set<testing::BrutePacking> expected, listedClasses;
  for (const testing::BrutePacking& packing : brute.Packings())
    expected.insert(brute.Canonical(packing));
  const std::vector<std::string> lines = Lines(ListingOf(listed, 2, nullptr, limits));
  for (const std::string& line : lines) {
    const testing::BrutePacking packing = PackingOfLine(listed, brute, line);
    EXPECT_EQ(brute.Packings().count(packing), 1u) << line;
    EXPECT_TRUE(listedClasses.insert(brute.Canonical(packing)).second) << "again: " << line;
  }
  EXPECT_EQ(listedClasses.size(), expected.size());
  EXPECT_TRUE(listedClasses == expected);
}

TEST(PolycubeList, OneLinePerClassOfTheBruteForcePacker) {
  for (const testing::SmallPuzzle& s : testing::SmallPuzzles()) {
    for (const bool mirror : {false, true}) {
      if (mirror && !s.mirrorAllowed) continue;
      SCOPED_TRACE(std::string(s.what) + (mirror ? " with mirror" : ""));
      ExpectOneLinePerClass(s, mirror, kPuzzleTasks);
    }
  }
}

// With one task per orbit of the first piece, the search below the tasks does everything.
TEST(PolycubeList, OneLinePerClassBelowTheTasks) {
  for (const testing::SmallPuzzle& s : testing::DeepPuzzles()) {
    for (const bool mirror : {false, true}) {
      SCOPED_TRACE(std::string(s.what) + (mirror ? " with mirror" : ""));
      ExpectOneLinePerClass(s, mirror, TaskLimits{1, 0});
    }
  }
}

TEST(PolycubeList, OneLinePerClassOfTheDesignersPuzzles) {
  for (const testing::SmallPuzzle& s : testing::DesignerPuzzles()) {
    for (const bool mirror : {false, true}) {
      SCOPED_TRACE(std::string(s.what) + (mirror ? " with mirror" : ""));
      ExpectOneLinePerClass(s, mirror, TaskLimits{1, 0});
    }
  }
}

// The search of targets over 128 cells, on the small puzzles.
TEST(PolycubeList, OneLinePerClassByDancingLinks) {
  for (const auto* puzzles : {&testing::DeepPuzzles(), &testing::DesignerPuzzles()})
    for (const testing::SmallPuzzle& s : *puzzles)
      for (const bool mirror : {false, true}) {
        SCOPED_TRACE(std::string(s.what) + (mirror ? " with mirror" : ""));
        ExpectOneLinePerClass(s, mirror, TaskLimits{0, 0, true});
      }
}

// Over 128 cells: 3 x 3 x 16 by slabs, the last layer of 3 x 3 x 17 left empty or not.
TEST(PolycubeList, OneLinePerClassOverTwoWords) {
  std::string text = "target draw";
  for (int z = 0; z < 16; ++z) text += " xxx/xxx/xxx";
  text += " +++/+++/+++\npiece s copies 0-17 draw xxx/xxx/xxx\n";
  for (const bool mirror : {false, true})
    ExpectOneLinePerClass({"slabs", text.c_str(), true}, mirror, kPuzzleTasks);
}

TEST(PolycubeList, AsManyLinesAsThePublishedCountsOfTheQuickPuzzles) {
  struct Case {
    const char* file;
    bool mirror;
    std::size_t lines;
  };
  for (const Case& c :
       {Case{"pentominoes-3x20.txt", false, 2}, Case{"pentominoes-4x15.txt", true, 368},
        Case{"pentominoes-2x3x10.txt", false, 24}, Case{"pentominoes-2x3x10.txt", true, 12},
        Case{"soma-3x3x3.txt", false, 480}, Case{"soma-3x3x3.txt", true, 240},
        Case{"pentominoes-6x10.txt", false, 2339}}) {
    SCOPED_TRACE(std::string(c.file) + (c.mirror ? " --mirror" : ""));
    std::size_t lines = 0;
    ListingOf(MakeListedPuzzle(PuzzleFileText(c.file), c.mirror), 3, &lines);
    EXPECT_EQ(lines, c.lines);
  }
}

// Over 64 cells, on two-word masks: 3 x 25 by 25 bars of three, as many lines as count has
// classes.
TEST(PolycubeList, TwoWordTarget) {
  std::string text = "box 3 25 1\n";
  for (int i = 0; i < 25; ++i)
    text.append("piece t").append(std::to_string(i)).append(" 0,0,0 1,0,0 2,0,0\n");
  std::size_t lines = 0;
  const std::string listing = ListingOf(MakeListedPuzzle(text, false), 2, &lines);
  EXPECT_EQ(lines, (2 * 8641u + 2 * 101u) / 4);
  // 25 pieces of one shape with long names: labelled 0-9, A-O in the order of their first cells.
  EXPECT_EQ(listing.substr(0, 76),
            "0120120123453453456786786789AB9AB9ABCCCDEFDEFDEFGHIGHIGHIJKLJKLJKLMNOMNOMNO\n");
}

TEST(PolycubeList, SameBytesOnAnyNumberOfThreadsAndInAnySplitOfTheTasks) {
  const ListedPuzzle listed = MakeListedPuzzle(PuzzleFileText("pentominoes-2x3x10.txt"), true);
  const std::string one = ListingOf(listed, 1);
  EXPECT_EQ(ListingOf(listed, 3), one);
  const PuzzleLister lister(listed.build.puzzle, listed.format);
  const std::size_t tasks = lister.Tasks();
  ASSERT_GE(tasks, 64u);
  std::string joined;
  const std::size_t cuts[] = {0, tasks / 3, tasks / 2, tasks};
  for (int k = 0; k < 3; ++k) {
    Collect part(tasks);
    lister.List(cuts[k], cuts[k + 1], 2, part);
    joined += part.text;
  }
  EXPECT_EQ(joined, one);
  // A sink that stops: the workers stop too, and nothing after its task is handed on.
  Collect stopped(5);
  lister.List(0, tasks, 3, stopped);
  EXPECT_EQ(stopped.tasks, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
}

}  // namespace
}  // namespace cubepack::general
