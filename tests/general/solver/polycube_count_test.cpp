// The count against the tests' brute-force packer on small puzzles, and against the published
// counts of small classic puzzles.

#include "general/solver/polycube_count.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "general/input/puzzle_file.h"
#include "support/brute_packer.h"

namespace cubepack::general {
namespace {

// The memo of sub-boards on every puzzle it can count.
constexpr TaskLimits kMemoEverywhere = {0, 0, false, std::size_t{1} << 22, true};

struct EngineCounts {
  BigCount fixed = 0, classes = 0;
  int symmetries = 0;
  std::string error;
};

EngineCounts Engine(const PuzzleText& text, bool mirror, int jobs = 1,
                    TaskLimits limits = kPuzzleTasks) {
  EngineCounts out;
  const PuzzleBuild build = BuildForCount(text, mirror);
  if (!build.error.empty()) {
    out.error = build.error;
    return out;
  }
  out.symmetries = SymmetryCount(build.puzzle);
  const CountSums sums = CountPackings(build.puzzle, jobs, 0, 1, nullptr, limits);
  EXPECT_TRUE(FinishCount(sums, out.symmetries, out.fixed, out.classes, out.error)) << out.error;
  return out;
}

EngineCounts Engine(const std::string& text, bool mirror, int jobs = 1,
                    TaskLimits limits = kPuzzleTasks) {
  const PuzzleParse parse = ParsePuzzle(text);
  EXPECT_EQ(parse.error, "");
  return Engine(parse.puzzle, mirror, jobs, limits);
}

TEST(PolycubeCount, AgreesWithBruteForce) {
  for (const testing::SmallPuzzle& s : testing::SmallPuzzles()) {
    for (const bool mirror : {false, true}) {
      SCOPED_TRACE(std::string(s.what) + (mirror ? " with mirror" : ""));
      testing::BrutePacker brute(ParsePuzzle(s.text).puzzle, mirror && s.mirrorAllowed);
      const testing::BruteCounts expected = brute.Count();
      EXPECT_GT(expected.fixed, 0u);
      for (const TaskLimits limits : {kPuzzleTasks, kMemoEverywhere}) {
        const EngineCounts engine = Engine(s.text, mirror, 1, limits);
        ASSERT_EQ(engine.error, "");
        EXPECT_EQ(engine.fixed, expected.fixed);
        EXPECT_EQ(engine.classes, expected.classes);
      }
    }
  }
}

// With one task per orbit of the first piece (and per symmetry), the search below the tasks
// does everything: pockets, pieces whose cubes do not touch, self-symmetric packings.
TEST(PolycubeCount, AgreesWithBruteForceBelowTheTasks) {
  for (const testing::SmallPuzzle& s : testing::DeepPuzzles()) {
    for (const bool mirror : {false, true}) {
      SCOPED_TRACE(std::string(s.what) + (mirror ? " with mirror" : ""));
      const testing::BruteCounts expected =
          testing::BrutePacker(ParsePuzzle(s.text).puzzle, mirror).Count();
      for (const TaskLimits limits :
           {TaskLimits{1, 0}, kPuzzleTasks, TaskLimits{0, 0, true}, kMemoEverywhere}) {
        const EngineCounts engine = Engine(s.text, mirror, 2, limits);
        ASSERT_EQ(engine.error, "");
        EXPECT_EQ(engine.fixed, expected.fixed);
        EXPECT_EQ(engine.classes, expected.classes);
      }
    }
  }
}

// Cells that may stay empty, copies and ranges (from 0 too, for the piece placed first), holes,
// colours, one-sided pieces, mirror images that are packings for some ranges only, and pieces
// drawn alike kept apart.
TEST(PolycubeCount, DesignersPuzzlesAgreeWithBruteForce) {
  for (const testing::SmallPuzzle& s : testing::DesignerPuzzles()) {
    const PuzzleText text = testing::ParsedPuzzle(s);
    for (const bool mirror : {false, true}) {
      SCOPED_TRACE(std::string(s.what) + (mirror ? " with mirror" : ""));
      const testing::BruteCounts expected = testing::BrutePacker(text, mirror).Count();
      for (const TaskLimits limits :
           {TaskLimits{1, 0}, kPuzzleTasks, TaskLimits{0, 0, true}, kMemoEverywhere}) {
        const EngineCounts engine = Engine(text, mirror, 2, limits);
        ASSERT_EQ(engine.error, "");
        EXPECT_EQ(engine.fixed, expected.fixed);
        EXPECT_EQ(engine.classes, expected.classes);
      }
    }
  }
}

TEST(PolycubeCount, SomaCubePublishedCounts) {
  const std::string soma =
      "box 3 3 3\npiece V 0,0,0 1,0,0 0,1,0\npiece L 0,0,0 1,0,0 2,0,0 0,1,0\n"
      "piece T 0,0,0 1,0,0 2,0,0 1,1,0\npiece Z 0,0,0 1,0,0 1,1,0 2,1,0\n"
      "piece A 0,0,0 1,0,0 1,1,0 0,0,1\npiece B 0,0,0 1,0,0 1,1,0 1,1,1\n"
      "piece P 0,0,0 1,0,0 0,1,0 0,0,1\n";
  const EngineCounts plain = Engine(soma, false);
  EXPECT_EQ(plain.symmetries, 24);
  EXPECT_EQ(plain.fixed, 11520u);
  EXPECT_EQ(plain.classes, 480u);
  const EngineCounts mirrored = Engine(soma, true);
  EXPECT_EQ(mirrored.symmetries, 48);
  EXPECT_EQ(mirrored.fixed, 11520u);
  EXPECT_EQ(mirrored.classes, 240u);
}

std::string PuzzleFile(const std::string& name) {
  std::ifstream in(std::string(CUBEPACK_PUZZLES) + "/" + name);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Published {
  const char* file;
  std::uint64_t classes, mirrorClasses, fixed;
};

TEST(PolycubeCount, PublishedPentominoCountsOfTheQuickBoxes) {
  for (const Published& p : {Published{"pentominoes-3x20.txt", 2, 2, 8},
                             Published{"pentominoes-4x15.txt", 368, 368, 1472},
                             Published{"pentominoes-2x3x10.txt", 24, 12, 96}}) {
    SCOPED_TRACE(p.file);
    const std::string text = PuzzleFile(p.file);
    const EngineCounts plain = Engine(text, false);
    EXPECT_EQ(plain.symmetries, 4);
    EXPECT_EQ(plain.classes, p.classes);
    EXPECT_EQ(plain.fixed, p.fixed);
    const EngineCounts mirrored = Engine(text, true);
    EXPECT_EQ(mirrored.symmetries, 8);
    EXPECT_EQ(mirrored.classes, p.mirrorClasses);
    EXPECT_EQ(mirrored.fixed, p.fixed);
  }
  const EngineCounts six = Engine(PuzzleFile("pentominoes-6x10.txt"), false, 3);
  EXPECT_EQ(six.classes, 2339u);
  EXPECT_EQ(six.fixed, 9356u);
}

// Over 64 cells, on two-word masks: 3 x 25 by 25 bars of three. A packing is a row of blocks,
// a bar across (one row) or three bars along (three rows): a(n) = a(n - 1) + a(n - 3), 8641;
// every one is its own mirror across the width, and 60 + 41 read the same from both ends.
TEST(PolycubeCount, TwoWordTarget) {
  std::string text = "box 3 25 1\n";
  for (int i = 0; i < 25; ++i)
    text.append("piece t").append(std::to_string(i)).append(" 0,0,0 1,0,0 2,0,0\n");
  const EngineCounts counts = Engine(text, false, 2);
  EXPECT_EQ(counts.fixed, 8641u);
  EXPECT_EQ(counts.classes, (2 * 8641u + 2 * 101u) / 4);
}

// Over 128 cells, by dancing links. 3 x 3 x 16 by 3 x 3 slabs: a layer across, or three slabs
// along in one of two directions: T(n) = T(n - 1) + 2 T(n - 3). A last layer that may stay empty
// and a range of slabs; eight 8-cubes in 4096 cells.
TEST(PolycubeCount, TargetsOverTwoWords) {
  std::uint64_t t[18] = {1, 1, 1};
  for (int n = 3; n < 18; ++n) t[n] = t[n - 1] + 2 * t[n - 3];
  const std::string slabs = "box 3 3 16\npiece s copies 16 draw xxx/xxx/xxx\n";
  std::string open = "target optional";
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x)
      open.append(" ")
          .append(std::to_string(x))
          .append(",")
          .append(std::to_string(y))
          .append(",16");
  std::string box = "target draw";
  for (int z = 0; z < 16; ++z) box += " xxx/xxx/xxx";
  const std::string rest = box + "\n" + open + "\npiece s copies 0-17 draw xxx/xxx/xxx\n";
  for (const std::string& text : {slabs, rest})
    for (const bool mirror : {false, true}) {
      const EngineCounts counts = Engine(text, mirror, 2);
      const testing::BruteCounts expected =
          testing::BrutePacker(ParsePuzzle(text).puzzle, mirror).Count();
      EXPECT_EQ(counts.fixed, text == slabs ? t[16] : t[16] + t[17]);
      EXPECT_EQ(counts.fixed, expected.fixed);
      EXPECT_EQ(counts.classes, expected.classes);
    }
  std::string cubes = "box 16 16 16\npiece C copies 8 draw";
  for (int z = 0; z < 8; ++z)
    cubes += " xxxxxxxx/xxxxxxxx/xxxxxxxx/xxxxxxxx/xxxxxxxx/xxxxxxxx/xxxxxxxx/xxxxxxxx";
  const EngineCounts big = Engine(cubes, true, 2);
  EXPECT_EQ(big.error, "");
  EXPECT_EQ(big.symmetries, 48);
  EXPECT_EQ(big.fixed, 1u);
  EXPECT_EQ(big.classes, 1u);
}

// Over 64 cells with one copy of each piece, deep enough below the tasks for the search to
// branch on pieces too (a long bar has few placements): bars of 38 and of 1 to 7 cubes in a
// 1 x 1 x 66 bar lie in 8! orders. The four turns about the bar's axis fix every cell; the four
// half turns that swap its ends fix no order of bars of different lengths: (4 x 8! + 0) / 8.
TEST(PolycubeCount, TwoWordTargetOfPiecesWithOneCopy) {
  std::string text = "box 1 1 66\n";
  for (const int length : {38, 1, 2, 3, 4, 5, 6, 7}) {
    text.append("piece bar").append(std::to_string(length));
    for (int z = 0; z < length; ++z) text.append(" 0,0,").append(std::to_string(z));
    text.append("\n");
  }
  for (const int jobs : {1, 2}) {
    const EngineCounts counts = Engine(text, false, jobs);
    EXPECT_EQ(counts.symmetries, 8);
    EXPECT_EQ(counts.fixed, 40320u);
    EXPECT_EQ(counts.classes, 20160u);
  }
}

TEST(PolycubeCount, SameSumsForEveryThreadCountAndShareSplit) {
  const PuzzleParse parse = ParsePuzzle(PuzzleFile("pentominoes-2x3x10.txt"));
  const PuzzleBuild build = BuildForCount(parse.puzzle, true);
  const CountSums one = CountPackings(build.puzzle, 1, 0, 1, nullptr);
  EXPECT_GE(one.tasks, 64u);
  for (const int jobs : {2, 3}) {
    const CountSums many = CountPackings(build.puzzle, jobs, 0, 1, nullptr);
    EXPECT_EQ(many.weightedFixed, one.weightedFixed);
    EXPECT_EQ(many.invariant, one.invariant);
  }
  CountSums added;
  for (int k = 0; k < 3; ++k) {
    const CountSums share = CountPackings(build.puzzle, 2, k, 3, nullptr);
    EXPECT_EQ(share.tasks, one.tasks);
    added.weightedFixed += share.weightedFixed;
    added.invariant += share.invariant;
    added.tasksCounted += share.tasksCounted;
  }
  EXPECT_EQ(added.weightedFixed, one.weightedFixed);
  EXPECT_EQ(added.invariant, one.invariant);
  EXPECT_EQ(added.tasksCounted, one.tasks);
}

// Keeps the tasks' counts in memory and stops the count after `stopAfter` more of them.
class MemoryJournal final : public TaskJournal {
 public:
  bool Begin(std::size_t tasks, std::uint64_t fingerprint) override {
    tasks_ = tasks;
    fingerprint_ = fingerprint;
    return true;
  }
  bool Done(std::size_t task, TaskCount& count) override {
    const auto found = kept.find(task);
    if (found == kept.end()) return false;
    count = found->second;
    return true;
  }
  bool Finished(std::size_t task, const TaskCount& count) override {
    EXPECT_TRUE(kept.emplace(task, count).second) << "task " << task << " counted twice";
    return --stopAfter > 0;
  }
  std::map<std::size_t, TaskCount> kept;
  int stopAfter = 0;
  std::size_t tasks_ = 0;
  std::uint64_t fingerprint_ = 0;
};

TEST(PolycubeCount, AJournalStoppedGoesOnToTheSameSums) {
  const PuzzleParse parse = ParsePuzzle(PuzzleFile("pentominoes-2x3x10.txt"));
  const PuzzleBuild build = BuildForCount(parse.puzzle, true);
  const CountSums whole = CountPackings(build.puzzle, 2, 1, 2, nullptr);
  MemoryJournal journal;
  for (const int stopAfter : {1, 40, 1000000}) {
    journal.stopAfter = stopAfter;
    const CountSums sums = CountPackings(build.puzzle, 2, 1, 2, nullptr, kPuzzleTasks, &journal);
    EXPECT_EQ(journal.tasks_, whole.tasks);
    EXPECT_EQ(journal.fingerprint_, whole.taskFingerprint);
    if (stopAfter < 1000000) {
      EXPECT_LT(sums.weightedFixed, whole.weightedFixed);
    }
  }
  ASSERT_EQ(journal.kept.size(), whole.tasksCounted);
  for (const auto& [task, count] : journal.kept) EXPECT_EQ(task % 2, 1u);
  journal.stopAfter = 1;  // nothing is left to count
  const CountSums resumed = CountPackings(build.puzzle, 1, 1, 2, nullptr, kPuzzleTasks, &journal);
  EXPECT_EQ(resumed.weightedFixed, whole.weightedFixed);
  EXPECT_EQ(resumed.invariant, whole.invariant);
  EXPECT_EQ(resumed.weightedFixedImaged, whole.weightedFixedImaged);
  EXPECT_EQ(resumed.invariantReflections, whole.invariantReflections);
}

TEST(PolycubeCount, FinishRefusesSumsThatDoNotDivide) {
  BigCount fixed = 0, classes = 0;
  std::string error;
  CountSums sums;
  sums.weightedFixed = 7;
  sums.divisor = 2;
  EXPECT_FALSE(FinishCount(sums, 4, fixed, classes, error));
  EXPECT_EQ(error, "internal fault: the fixed sum is not a multiple of the first piece's copies");
  sums.weightedFixed = 6;
  sums.invariant = 2;
  EXPECT_FALSE(FinishCount(sums, 4, fixed, classes, error));
  EXPECT_EQ(error, "internal fault: the orbit count is not a whole number");
  sums.invariant = 5;
  EXPECT_TRUE(FinishCount(sums, 4, fixed, classes, error));
  EXPECT_EQ(fixed, 3u);
  EXPECT_EQ(classes, 2u);
}

// A sum that passes 2^128 in the last step, Burnside's, is one line, never a wrapped count.
TEST(PolycubeCount, FinishRefusesACountPast128Bits) {
  BigCount fixed = 0, classes = 0;
  std::string error;
  CountSums sums;
  sums.weightedFixed = BigCount{1} << 127;  // fits, and so does the fixed count
  sums.cellFixingSymmetries = 1;            // which counted twice does not
  EXPECT_FALSE(FinishCount(sums, 2, fixed, classes, error));
  EXPECT_EQ(error, "the count passes 2^128");
  sums.cellFixingSymmetries = 0;
  sums.invariant = (BigCount{1} << 127) - 2;
  EXPECT_TRUE(FinishCount(sums, 2, fixed, classes, error)) << error;
  EXPECT_EQ(fixed, BigCount{1} << 127);
  EXPECT_EQ(classes, (BigCount{1} << 127) - 1);
  sums.invariant += 2;  // the sum is 2^128 exactly
  EXPECT_FALSE(FinishCount(sums, 2, fixed, classes, error));
  EXPECT_EQ(error, "the count passes 2^128");
  sums.overflow = true;  // a task's sum passed it before
  sums.invariant = 0;
  EXPECT_FALSE(FinishCount(sums, 2, fixed, classes, error));
  EXPECT_EQ(error, "the count passes 2^128");
}

}  // namespace
}  // namespace cubepack::general
