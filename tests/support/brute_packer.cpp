#include "support/brute_packer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
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

int Determinant(const Matrix& m) {
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
         m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// The rotations (determinant 1) or the reflections (-1) among the 48 maps that permute the axes
// and flip their signs; with a normal axis, only those that keep it as it is: the turns within
// that plane.
std::vector<Matrix> Maps(int determinant, int normal) {
  const std::array<std::array<int, 3>, 6> orders = {
      {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}}};
  std::vector<Matrix> maps;
  for (const auto& order : orders)
    for (int signs = 0; signs < 8; ++signs) {
      Matrix m{};
      for (int i = 0; i < 3; ++i) m[i][order[i]] = (signs >> i & 1) ? -1 : 1;
      if (Determinant(m) == determinant && (normal < 0 || m[normal][normal] == 1))
        maps.push_back(m);
    }
  return maps;
}

Point Low(const std::vector<Point>& points) {
  Point low = points[0];
  for (const Point& p : points)
    low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
  return low;
}

Point Plus(const Point& a, const Point& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Point Minus(const Point& a, const Point& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

// A piece as its cubes and their colours: colours turn with the cubes.
struct Cube {
  Point at;
  int colour = 0;
  friend bool operator==(const Cube&, const Cube&) = default;
  friend auto operator<=>(const Cube&, const Cube&) = default;
};
using Coloured = std::vector<Cube>;  // sorted, moved against the origin

Coloured Turned(const Matrix& m, const Coloured& shape) {
  std::vector<Point> points;
  for (const Cube& c : shape) points.push_back(Times(m, c.at));
  const Point low = Low(points);
  Coloured out;
  for (std::size_t i = 0; i < shape.size(); ++i)
    out.push_back({Minus(points[i], low), shape[i].colour});
  std::sort(out.begin(), out.end());
  return out;
}

std::set<Coloured> AllTurns(const Coloured& shape, const std::vector<Matrix>& rotations) {
  std::set<Coloured> turns;
  for (const Matrix& m : rotations) turns.insert(Turned(m, shape));
  return turns;
}

Coloured ShapeOf(const PuzzlePiece& piece) {
  Coloured shape;
  for (std::size_t i = 0; i < piece.cubes.size(); ++i)
    shape.push_back({piece.cubes[i], CubeColour(piece, i)});
  const Matrix identity{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  return Turned(identity, shape);
}

}  // namespace

BrutePacker::BrutePacker(const PuzzleText& text, bool mirror)
    : allowed_(text.allowed.begin(), text.allowed.end()), maxHoles_(text.maxHoles) {
  for (std::size_t i = 0; i < text.target.size(); ++i)
    cells_.push_back({text.target[i], IsOptional(text, i), TargetColour(text, i)});
  std::sort(cells_.begin(), cells_.end(), [](const Cell& a, const Cell& b) { return a.at < b.at; });
  const int normal = text.oneSided ? FlatAxis(text.target) : -1;
  const std::vector<Matrix> rotations = Maps(1, normal), reflections = Maps(-1, normal);
  MakeKinds(text, rotations, reflections);
  MakeSymmetries(rotations, true);
  if (mirror) MakeSymmetries(reflections, false);
  MakePlacements(text, rotations);
}

// Kinds: each piece line its own, or pooled with the lines of its shape (colours included)
// when those are interchangeable. A kind's mirror kind has its mirror image's shape and, among
// the kinds of that shape, the place the kind has among the kinds of its own: itself when it is
// achiral; more than one kind has a shape only in a designer's file.
void BrutePacker::MakeKinds(const PuzzleText& text, const std::vector<Matrix>& rotations,
                            const std::vector<Matrix>& reflections) {
  std::vector<std::set<Coloured>> turns;
  for (const PuzzlePiece& piece : text.pieces) {
    const std::set<Coloured> these = AllTurns(ShapeOf(piece), rotations);
    auto it = std::find(turns.begin(), turns.end(), these);
    if (!text.shapesInterchangeable || it == turns.end()) {
      turns.push_back(these);
      minCopies_.push_back(0);
      maxCopies_.push_back(0);
      it = turns.end() - 1;
    }
    const auto kind = static_cast<int>(it - turns.begin());
    minCopies_[kind] += piece.minCopies;
    maxCopies_[kind] += piece.maxCopies;
    kindOfName_.push_back({piece.name, kind});
  }
  for (std::size_t k = 0; k < turns.size(); ++k) {
    const std::set<Coloured> image = AllTurns(Turned(reflections[0], *turns[k].begin()), rotations);
    const auto place = std::count(turns.begin(), turns.begin() + static_cast<long>(k), turns[k]);
    std::vector<int> mirrors;
    for (std::size_t j = 0; j < turns.size(); ++j)
      if (turns[j] == image) mirrors.push_back(static_cast<int>(j));
    mirrorKind_.push_back(place < std::ssize(mirrors) ? mirrors[place] : -1);
  }
  used_.assign(turns.size(), 0);
}

// The turns that map the target onto itself once moved back, optional cells onto optional
// cells and each colour onto the same colour.
void BrutePacker::MakeSymmetries(const std::vector<Matrix>& turns, bool proper) {
  std::vector<Point> target;
  for (const Cell& c : cells_) target.push_back(c.at);
  for (const Matrix& m : turns) {
    std::vector<Point> image;
    for (const Point& p : target) image.push_back(Times(m, p));
    const Symmetry g{m, Minus(Low(target), Low(image)), proper};
    const bool onto = std::all_of(cells_.begin(), cells_.end(), [&](const Cell& c) {
      const int i = IndexOf(Plus(Times(m, c.at), g.shift));
      return i >= 0 && cells_[i].optional == c.optional && cells_[i].colour == c.colour;
    });
    if (onto) symmetries_.push_back(g);
  }
}

// Every turn of every kind at every shift that keeps it inside with its colours allowed,
// filed by its first cell; a kind on the same cells twice (two turns of it alike but for
// colours, both allowed) is one placement.
void BrutePacker::MakePlacements(const PuzzleText& text, const std::vector<Matrix>& rotations) {
  std::set<BrutePiece> seen;
  byFirstCell_.resize(cells_.size());
  for (std::size_t line = 0; line < text.pieces.size(); ++line) {
    const int kind = kindOfName_[line].second;
    for (const Coloured& turn : AllTurns(ShapeOf(text.pieces[line]), rotations))
      for (const Cell& anchor : cells_) {
        Placed placed{{kind, {}}, {}};
        for (const Cube& cube : turn) {
          const Point at = Plus(Minus(cube.at, turn[0].at), anchor.at);
          const int i = IndexOf(at);
          if (i < 0) break;
          const int on = cells_[i].colour;
          if (cube.colour != 0 && on != 0 && allowed_.count({cube.colour, on}) == 0) break;
          placed.piece.cells.push_back(at);
          placed.bits.set(static_cast<std::size_t>(i));
        }
        if (placed.piece.cells.size() != turn.size()) continue;
        std::sort(placed.piece.cells.begin(), placed.piece.cells.end());
        if (!seen.insert(placed.piece).second) continue;
        std::size_t first = 0;
        while (!placed.bits.test(first)) ++first;
        byFirstCell_[first].push_back(std::move(placed));
      }
  }
}

int BrutePacker::IndexOf(const Point& p) const {
  const auto it = std::lower_bound(cells_.begin(), cells_.end(), p,
                                   [](const Cell& c, const Point& q) { return c.at < q; });
  return it != cells_.end() && it->at == p ? static_cast<int>(it - cells_.begin()) : -1;
}

Cells BrutePacker::Image(const Symmetry& g, const Cells& cells) const {
  Cells out;
  for (const Point& p : cells) out.push_back(Plus(Times(g.turn, p), g.shift));
  std::sort(out.begin(), out.end());
  return out;
}

int BrutePacker::KindOf(std::string_view name) const {
  for (const auto& [n, kind] : kindOfName_)
    if (n == name) return kind;
  return -1;
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
  BrutePacking least = packing;
  for (const Symmetry& g : symmetries_) {
    BrutePacking image;
    for (const BrutePiece& piece : packing) {
      const int kind = g.proper ? piece.kind : mirrorKind_[piece.kind];
      if (kind < 0) break;
      image.push_back({kind, Image(g, piece.cells)});
    }
    if (image.size() != packing.size()) continue;
    std::sort(image.begin(), image.end());
    // A rotation's image of a packing is one; a reflection's only when its copies fit.
    if (!g.proper && packings_.count(image) == 0) continue;
    least = std::min(least, image);
  }
  return least;
}

void BrutePacker::Search() {
  std::size_t empty = 0;
  while (empty < cells_.size() && decided_.test(empty)) ++empty;
  if (empty == cells_.size()) return Record();
  if (cells_[empty].optional && (maxHoles_ < 0 || holes_ < maxHoles_)) {
    decided_.set(empty);
    ++holes_;
    Search();
    --holes_;
    decided_.reset(empty);
  }
  for (const Placed& p : byFirstCell_[empty]) {
    const int kind = p.piece.kind;
    if (used_[kind] == maxCopies_[kind] || (p.bits & decided_).any()) continue;
    decided_ |= p.bits;
    placed_.push_back(p.piece);
    ++used_[kind];
    Search();
    --used_[kind];
    placed_.pop_back();
    decided_ &= ~p.bits;
  }
}

void BrutePacker::Record() {
  for (std::size_t k = 0; k < used_.size(); ++k)
    if (used_[k] < minCopies_[k]) return;
  BrutePacking packing = placed_;
  std::sort(packing.begin(), packing.end());
  packings_.insert(std::move(packing));
}

PuzzleText ParsedPuzzle(const SmallPuzzle& s) {
  PuzzleParse parse = ParsePuzzle(s.text);
  EXPECT_EQ(parse.error, "") << s.what;
  parse.puzzle.shapesInterchangeable = s.shapesInterchangeable;
  return parse.puzzle;
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

namespace {

// A puzzle of DesignerPuzzles, owning the text its SmallPuzzle points into.
struct DesignerText {
  const char* what;
  std::string text;
  bool shapesInterchangeable = true;
};

// Cells that may stay empty, copies, ranges of copies, max-holes.
std::vector<DesignerText> EmptyCellsAndCopies() {
  return {
      {"seven trominoes in 5 x 5, its corners and centre drawn as cells that may stay empty",
       "target draw +xxx+/xxxxx/xx+xx/xxxxx/+xxx+\npiece V copies 4 draw xx/x.\n"
       "piece I copies 3 draw xxx\n"},
      {"six trominoes and tetrominoes in 2 x 3 x 3 and a layer above that may stay empty",
       "target draw xx/xx/xx xx/xx/xx xx/xx/xx\n"
       "target optional 0,0,3 1,0,3 0,1,3 1,1,3 0,2,3 1,2,3\n"
       "piece L copies 2 draw xxx/x..\npiece V copies 2 draw xx/x.\npiece I copies 2 draw xxx\n"},
      {"copies: three L and two T tetrominoes and a square in 2 x 3 x 4",
       "box 2 3 4\npiece L copies 3 draw xxx/x..\npiece T copies 2 draw xxx/.x.\n"
       "piece O draw xx/xx\n"},
      {"ranges from 0: six tetrominoes of four shapes in 2 x 3 x 4",
       "box 2 3 4\npiece L copies 2-4 draw xxx/x..\npiece T copies 0-2 draw xxx/.x.\n"
       "piece O copies 0-1 draw xx/xx\npiece N copies 0-2 draw xx./.xx\n"},
      // Packings with the X and without it.
      {"ranges only, the fewest copies an X pentomino or none, with tetrominoes and trominoes "
       "in 6 x 5",
       "box 6 5 1\npiece X copies 0-1 draw .x./xxx/.x.\npiece L copies 1-3 draw xxxx/x...\n"
       "piece T copies 1-3 draw xxx/.x.\npiece V copies 2-4 draw xx/x.\n"
       "piece I copies 1-2 draw xxx\n"},
      // 1520 packings with any number of holes.
      {"max-holes 1: L tetrominoes and V trominoes in 5 x 5, its corners may stay empty",
       "max-holes 1\ntarget draw +xxx+/xxxxx/xxxxx/xxxxx/+xxx+\npiece L copies 3-6 draw xxx/x..\n"
       "piece V copies 0-4 draw xx/x.\n"},
  };
}

// 2 x 4 x 4 as a checkerboard: colour 1 where x + y + z is even, 2 where it is odd. Its half
// turns keep the colours, its quarter turns swap them.
std::string CheckeredTarget() {
  std::string text;
  for (int z = 0; z < 4; ++z) {
    text += "target";
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 2; ++x) {
        char cell[32];
        std::snprintf(cell, sizeof cell, " %d,%d,%d:%d", x, y, z, 1 + (x + y + z) % 2);
        text += cell;
      }
    text += "\n";
  }
  return text;
}

// Colours, one-sided pieces, chiral pieces with and without their mirror images, pieces drawn
// alike kept apart.
std::vector<DesignerText> ColoursTurnsAndMirrors() {
  const std::string tetrominoes =
      "one-sided\nbox 8 4 1\npiece L1 draw xxx/x..\npiece L2 draw xxx/x..\npiece J1 draw xxx/..x\n"
      "piece J2 draw xxx/..x\npiece S draw .xx/xx.\npiece Z draw xx./.xx\npiece O1 draw xx/xx\n"
      "piece O2 draw xx/xx\n";
  return {
      // Two T of opposite colours: a T has three cubes of one colour.
      {"colours: checkered tetrominoes in a checkered 2 x 4 x 4, its quarter turns gone",
       CheckeredTarget() +
           "allow 1 1\nallow 2 2\nallow 3 2\npiece T1 0,0,0:1 1,0,0:2 2,0,0:1 1,1,0:1\n"
           "piece T2 0,0,0:2 1,0,0:1 2,0,0:2 1,1,0:2\n"
           "piece L copies 2 0,0,0:1 1,0,0:2 2,0,0:1 0,1,0:2\npiece N draw xx./.xx\n"
           "piece O 0,0,0:3 1,0,0 0,1,0 1,1,0\npiece I draw xxxx\npiece M draw xxx/x..\n"},
      {"one-sided: four pentominoes with their mirror images, T and U in 10 x 5",
       "one-sided\nbox 10 5 1\npiece L draw xxxx/x...\npiece J draw xxxx/...x\n"
       "piece P draw xx/xx/x.\npiece Q draw xx/xx/.x\npiece Y draw xxxx/.x..\n"
       "piece A draw xxxx/..x.\npiece V draw x../x../xxx\npiece W draw x../xx./.xx\n"
       "piece T draw xxx/.x./.x.\npiece U draw x.x/xxx\n"},
      {"one-sided: two each of L and J, S, Z and two squares in 8 x 4", tetrominoes},
      {"a chiral piece without its mirror image: a screw, three L, an N and a square in 2 x 3 x 4",
       "box 2 3 4\npiece A draw xx/.x x./..\npiece L copies 3 draw xxx/x..\n"
       "piece N draw xx./.xx\npiece O draw xx/xx\n"},
      {"one-sided ranges: L 1-3, J 0-2, S 0-1, Z 0-2, O 0-1 in 6 x 4, some choices their own "
       "mirror image",
       "one-sided\nbox 6 4 1\npiece L copies 1-3 draw xxx/x..\npiece J copies 0-2 draw xxx/..x\n"
       "piece S copies 0-1 draw .xx/xx.\npiece Z copies 0-2 draw xx./.xx\n"
       "piece O copies 0-1 draw xx/xx\n"},
      {"ranges: two of one screw and one of the other at most, with tetrominoes in 2 x 3 x 4",
       "box 2 3 4\npiece A copies 0-2 draw xx/.x x./..\npiece B copies 0-1 draw xx/.x ../.x\n"
       "piece L copies 2-3 draw xxx/x..\npiece N copies 0-1 draw xx./.xx\n"
       "piece O copies 0-1 draw xx/xx\n"},
      {"a designer's file: the two screws, two L and two N in 2 x 3 x 4, each its own piece",
       "box 2 3 4\npiece A draw xx/.x x./..\npiece B draw xx/.x ../.x\npiece L1 draw xxx/x..\n"
       "piece L2 draw xxx/x..\npiece N1 draw xx./.xx\npiece N2 draw xx./.xx\n",
       false},
      {"a designer's file: one-sided two each of L and J, S, Z and two squares in 8 x 4, each its "
       "own piece",
       tetrominoes, false},
  };
}

}  // namespace

// Each of 6 to 10 pieces in 24 to 50 cells, so that the engine's search runs well below its
// first pieces.
const std::vector<SmallPuzzle>& DesignerPuzzles() {
  static const std::vector<DesignerText> texts = [] {
    std::vector<DesignerText> all = EmptyCellsAndCopies();
    for (DesignerText& t : ColoursTurnsAndMirrors()) all.push_back(std::move(t));
    return all;
  }();
  static const std::vector<SmallPuzzle> puzzles = [] {
    std::vector<SmallPuzzle> all;
    for (const DesignerText& t : texts)
      all.push_back({t.what, t.text.c_str(), true, t.shapesInterchangeable});
    return all;
  }();
  return puzzles;
}

}  // namespace cubepack::testing
