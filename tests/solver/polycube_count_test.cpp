// The count against a brute-force packer written here (plain backtracking over every
// placement, classes by the least image under the target's symmetries), and against the
// published counts of small classic puzzles.

#include "solver/polycube_count.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "model/puzzle_file.h"

namespace cubepack {
namespace {

using Cells = std::vector<Point>;  // sorted
using Matrix = std::array<std::array<int, 3>, 3>;

Point Times(const Matrix& m, const Point& p) {
  const int v[3] = {p.x, p.y, p.z};
  int r[3];
  for (int i = 0; i < 3; ++i) r[i] = m[i][0] * v[0] + m[i][1] * v[1] + m[i][2] * v[2];
  return {r[0], r[1], r[2]};
}

Matrix Product(const Matrix& a, const Matrix& b) {
  Matrix c{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) c[i][j] += a[i][k] * b[k][j];
  return c;
}

// The rotations as every product of quarter turns about x and y; with `mirror`, each also
// times the reflection x -> -x.
std::vector<Matrix> Group(bool mirror) {
  const Matrix id{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  const Matrix qx{{{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}};
  const Matrix qy{{{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}}};
  std::vector<Matrix> all = {id};
  for (std::size_t i = 0; i < all.size(); ++i)
    for (const Matrix& q : {qx, qy}) {
      const Matrix m = Product(q, all[i]);
      if (std::find(all.begin(), all.end(), m) == all.end()) all.push_back(m);
    }
  if (mirror) {
    const Matrix flip{{{-1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    const std::size_t n = all.size();
    for (std::size_t i = 0; i < n; ++i) all.push_back(Product(flip, all[i]));
  }
  return all;
}

Cells Moved(Cells c) {
  Point low = c[0];
  for (const Point& p : c) low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
  for (Point& p : c) p = {p.x - low.x, p.y - low.y, p.z - low.z};
  std::sort(c.begin(), c.end());
  return c;
}

Cells Mapped(const Matrix& m, const Cells& c) {
  Cells out;
  for (const Point& p : c) out.push_back(Times(m, p));
  return out;
}

struct BruteCounts {
  std::uint64_t fixed = 0, classes = 0;
};

class BrutePacker {
 public:
  BrutePacker(const PuzzleText& text, bool mirror) : target_(text.target) {
    std::sort(target_.begin(), target_.end());
    const std::vector<Matrix> rotations = Group(false);
    for (const PuzzlePiece& piece : text.pieces) {
      std::set<Cells> turns;
      for (const Matrix& m : rotations) turns.insert(Moved(Mapped(m, piece.cubes)));
      const auto it = std::find(kinds_.begin(), kinds_.end(), turns);
      if (it == kinds_.end()) {
        kinds_.push_back(turns);
        copies_.push_back(1);
      } else {
        ++copies_[it - kinds_.begin()];
      }
    }
    // Symmetries: the maps that take the target onto itself once moved back.
    const Cells target = Moved(target_);
    for (const Matrix& m : Group(mirror))
      if (Moved(Mapped(m, target_)) == target) symmetries_.push_back(m);
  }

  BruteCounts Count() {
    Search();
    BruteCounts counts;
    counts.fixed = packings_.size();
    std::set<std::vector<Cells>> classes;
    for (const std::vector<Cells>& packing : packings_) {
      std::vector<Cells> least;
      for (const Matrix& m : symmetries_) {
        // Move the whole image by the one shift that takes the target's image back.
        const Cells image = Mapped(m, target_);
        Point low = image[0], base = target_[0];
        for (const Point& p : image)
          low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        for (const Point& p : target_)
          base = {std::min(base.x, p.x), std::min(base.y, p.y), std::min(base.z, p.z)};
        std::vector<Cells> turned;
        for (const Cells& piece : packing) {
          Cells c = Mapped(m, piece);
          for (Point& p : c) p = {p.x - low.x + base.x, p.y - low.y + base.y, p.z - low.z + base.z};
          std::sort(c.begin(), c.end());
          turned.push_back(c);
        }
        std::sort(turned.begin(), turned.end());
        if (least.empty() || turned < least) least = turned;
      }
      classes.insert(least);
    }
    counts.classes = classes.size();
    return counts;
  }

 private:
  void Search() {
    const auto empty = std::find_if(target_.begin(), target_.end(),
                                    [&](const Point& p) { return !filled_.count(p); });
    if (empty == target_.end()) {
      std::vector<Cells> packing = placed_;
      std::sort(packing.begin(), packing.end());
      packings_.insert(packing);
      return;
    }
    for (std::size_t k = 0; k < kinds_.size(); ++k) {
      if (copies_[k] == 0) continue;
      for (const Cells& turn : kinds_[k])
        for (const Point& at : turn) {  // each cube of the turn on the empty cell
          Cells c;
          for (const Point& p : turn)
            c.push_back({p.x - at.x + empty->x, p.y - at.y + empty->y, p.z - at.z + empty->z});
          const bool fits = std::all_of(c.begin(), c.end(), [&](const Point& p) {
            return std::binary_search(target_.begin(), target_.end(), p) && !filled_.count(p);
          });
          if (!fits) continue;
          for (const Point& p : c) filled_.insert(p);
          std::sort(c.begin(), c.end());
          placed_.push_back(c);
          --copies_[k];
          Search();
          ++copies_[k];
          placed_.pop_back();
          for (const Point& p : c) filled_.erase(p);
        }
    }
  }

  Cells target_;
  std::vector<std::set<Cells>> kinds_;
  std::vector<int> copies_;
  std::vector<Matrix> symmetries_;
  std::set<Point> filled_;
  std::vector<Cells> placed_;
  std::set<std::vector<Cells>> packings_;
};

struct EngineCounts {
  std::uint64_t fixed = 0, classes = 0;
  int symmetries = 0;
  std::string error;
};

EngineCounts Engine(const std::string& text, bool mirror, int jobs = 1) {
  EngineCounts out;
  const PuzzleParse parse = ParsePuzzle(text);
  EXPECT_EQ(parse.error, "");
  const PuzzleBuild build = BuildForCount(parse.puzzle, mirror);
  if (!build.error.empty()) {
    out.error = build.error;
    return out;
  }
  out.symmetries = SymmetryCount(build.puzzle);
  const CountSums sums = CountPackings(build.puzzle, jobs, 0, 1, nullptr);
  EXPECT_TRUE(FinishCount(sums, out.symmetries, out.fixed, out.classes, out.error)) << out.error;
  return out;
}

struct Small {
  const char* what;
  const char* text;
  bool mirrorAllowed;
};

// Self-symmetric packings (the pinwheel, the dominoes of the cube), interchangeable copies,
// targets that are no box, and a chiral pair.
const Small kSmall[] = {
    {"three dominoes in 2 x 3",
     "box 2 3 1\npiece a 0,0,0 1,0,0\npiece b 0,0,0 1,0,0\npiece c 0,0,0 0,1,0", true},
    {"four dominoes in the 2-cube",
     "box 2 2 2\npiece a 0,0,0 1,0,0\npiece b 0,0,0 1,0,0\npiece c 0,0,0 1,0,0\npiece d 0,0,0 "
     "1,0,0",
     true},
    {"four L tetrominoes in 4 x 4",
     "box 4 4 1\npiece a 0,0,0 0,1,0 0,2,0 1,2,0\npiece b 0,0,0 0,1,0 0,2,0 1,2,0\n"
     "piece c 0,0,0 0,1,0 0,2,0 1,2,0\npiece d draw x./x./xx",
     true},
    {"two L tetrominoes in 2 x 4",
     "box 4 2 1\npiece a 0,0,0 0,1,0 0,2,0 1,2,0\npiece b 0,0,0 0,1,0 0,2,0 1,2,0", true},
    {"a square with a cube on a corner",
     "target draw xx/xx x.\npiece a 0,0,0 1,0,0 0,1,0\n"
     "piece b 0,0,0 0,0,1",
     true},
    {"the two screws and two dominoes in 2 x 2 x 3",
     "box 2 2 3\npiece A 0,0,0 1,0,0 1,1,0 0,0,1\npiece B 0,0,0 1,0,0 1,1,0 1,1,1\n"
     "piece d 0,0,0 1,0,0\npiece e 0,0,0 1,0,0",
     true},
    {"two of one screw and a square in 2 x 2 x 3",
     "box 2 2 3\npiece A 0,0,0 1,0,0 1,1,0 0,0,1\npiece B 0,0,0 1,0,0 1,1,0 0,0,1\n"
     "piece O 0,0,0 1,0,0 0,1,0 1,1,0",
     false},
    {"two L and an S tetromino in 2 x 2 x 3",
     "box 2 2 3\npiece L 0,0,0 1,0,0 2,0,0 0,1,0\npiece M 0,0,0 1,0,0 2,0,0 0,1,0\n"
     "piece S 0,0,0 1,0,0 1,1,0 2,1,0",
     true},
    {"trominoes and a domino in 3 x 3 x 1 and a corner",
     "target draw xxx/xxx/xxx xx\npiece a draw xx/x.\npiece b draw xx/x.\npiece c draw xxx\n"
     "piece d draw x x",
     true},
};

TEST(PolycubeCount, AgreesWithBruteForce) {
  for (const Small& s : kSmall) {
    for (const bool mirror : {false, true}) {
      SCOPED_TRACE(std::string(s.what) + (mirror ? " with mirror" : ""));
      const EngineCounts engine = Engine(s.text, mirror);
      if (mirror && !s.mirrorAllowed) {
        EXPECT_NE(engine.error.find("is chiral"), std::string::npos) << engine.error;
        continue;
      }
      ASSERT_EQ(engine.error, "");
      BrutePacker brute(ParsePuzzle(s.text).puzzle, mirror);
      const BruteCounts expected = brute.Count();
      EXPECT_GT(expected.fixed, 0u);
      EXPECT_EQ(engine.fixed, expected.fixed);
      EXPECT_EQ(engine.classes, expected.classes);
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

TEST(PolycubeCount, FinishRefusesSumsThatDoNotDivide) {
  std::uint64_t fixed = 0, classes = 0;
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

}  // namespace
}  // namespace cubepack
