#include "support/brute_packer.h"

#include <algorithm>
#include <array>
#include <string>

namespace cubepack::testing {

using namespace cubepack::general;

namespace {

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

}  // namespace

BrutePacker::BrutePacker(const PuzzleText& text, bool mirror) : target_(text.target) {
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

BruteCounts BrutePacker::Count() {
  Search();
  BruteCounts counts;
  counts.fixed = packings_.size();
  std::set<BrutePacking> classes;
  for (const BrutePacking& packing : packings_) classes.insert(Canonical(packing));
  counts.classes = classes.size();
  return counts;
}

BrutePacking BrutePacker::Canonical(const BrutePacking& packing) const {
  BrutePacking least;
  for (const Matrix& m : symmetries_) {
    // Move the whole image by the one shift that takes the target's image back.
    const Cells image = Mapped(m, target_);
    Point low = image[0], base = target_[0];
    for (const Point& p : image)
      low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
    for (const Point& p : target_)
      base = {std::min(base.x, p.x), std::min(base.y, p.y), std::min(base.z, p.z)};
    BrutePacking turned;
    for (const Cells& piece : packing) {
      Cells c = Mapped(m, piece);
      for (Point& p : c) p = {p.x - low.x + base.x, p.y - low.y + base.y, p.z - low.z + base.z};
      std::sort(c.begin(), c.end());
      turned.push_back(c);
    }
    std::sort(turned.begin(), turned.end());
    if (least.empty() || turned < least) least = turned;
  }
  return least;
}

void BrutePacker::Search() {
  if (byFirstCell_.empty()) {
    // Every turn of every kind at every shift that keeps it inside, filed by its first cell.
    byFirstCell_.resize(target_.size());
    for (std::size_t k = 0; k < kinds_.size(); ++k)
      for (const Cells& turn : kinds_[k])
        for (const Point& at : target_) {
          Placed p{static_cast<int>(k), {}, {}};
          bool inside = true;
          for (const Point& q : turn) {
            const Point c = {q.x - turn[0].x + at.x, q.y - turn[0].y + at.y,
                             q.z - turn[0].z + at.z};
            const auto it = std::lower_bound(target_.begin(), target_.end(), c);
            if (it == target_.end() || !(*it == c)) {
              inside = false;
              break;
            }
            p.cells.push_back(c);
            p.bits.set(static_cast<std::size_t>(it - target_.begin()));
          }
          if (!inside) continue;
          std::sort(p.cells.begin(), p.cells.end());
          std::size_t first = 0;
          while (!p.bits.test(first)) ++first;
          byFirstCell_[first].push_back(std::move(p));
        }
  }
  std::size_t empty = 0;
  while (empty < target_.size() && filled_.test(empty)) ++empty;
  if (empty == target_.size()) {
    std::vector<Cells> packing = placed_;
    std::sort(packing.begin(), packing.end());
    packings_.insert(packing);
    return;
  }
  for (const Placed& p : byFirstCell_[empty]) {
    if (copies_[p.kind] == 0 || (p.bits & filled_).any()) continue;
    filled_ |= p.bits;
    placed_.push_back(p.cells);
    --copies_[p.kind];
    Search();
    ++copies_[p.kind];
    placed_.pop_back();
    filled_ &= ~p.bits;
  }
}

// Self-symmetric packings (the pinwheel, the dominoes of the cube), interchangeable copies,
// targets that are no box, and a chiral pair.
const std::vector<SmallPuzzle>& SmallPuzzles() {
  static const std::vector<SmallPuzzle> puzzles = {
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
  return puzzles;
}

const std::vector<SmallPuzzle>& DeepPuzzles() {
  auto copies = [](int n, const std::string& cubes) {
    std::string text;
    for (int i = 0; i < n; ++i) text += "piece p" + std::to_string(i) + " " + cubes + "\n";
    return text;
  };
  const std::string gappedSquares = "0,0,0 1,0,0 0,1,0 1,1,0 0,0,2 1,0,2 0,1,2 1,1,2";
  static const std::vector<std::string> texts = {
      "box 2 3 4\n" + copies(8, "0,0,0 1,0,0 0,0,2"),
      "box 1 1 24\n" + copies(8, "0,0,0 0,0,2 0,0,4"),
      "box 3 4 2\n" + copies(8, "0,0,0 1,0,0 0,1,0"),
      "box 2 2 6\npiece A 0,0,0 1,0,0 1,1,0 0,0,1\npiece B 0,0,0 1,0,0 1,1,0 1,1,1\n"
      "piece L 0,0,0 1,0,0 2,0,0 0,1,0\npiece S 0,0,0 1,0,0 1,1,0 2,1,0\n"
      "piece O 0,0,0 1,0,0 0,1,0 1,1,0\npiece d 0,0,0 1,0,0\npiece e 0,0,0 1,0,0\n",
      "box 2 4 9\n" + copies(4, gappedSquares) +
          "piece K 0,0,0 1,0,0 0,1,0 1,1,0 0,0,1 1,0,1 0,1,1 1,1,1\n"
          "piece S draw xx/xx/xx/xx\npiece T draw xx/xx/xx/xx\n"
          "piece L draw xx/xx/xx xx/../..\npiece M draw xx/xx/xx xx/../..\n",
  };
  static const std::vector<SmallPuzzle> puzzles = {
      {"eight trominoes with a gap in 2 x 3 x 4", texts[0].c_str(), true},
      {"eight bars of three spaced cubes in a 1 x 1 x 24 rod", texts[1].c_str(), true},
      {"eight V trominoes in 3 x 4 x 2", texts[2].c_str(), true},
      {"the two screws, three tetrominoes and two dominoes in 2 x 2 x 6", texts[3].c_str(), true},
      {"four pairs of squares with a gap and five octocubes in 2 x 4 x 9", texts[4].c_str(), true},
  };
  return puzzles;
}

}  // namespace cubepack::testing
