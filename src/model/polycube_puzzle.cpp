#include "model/polycube_puzzle.h"

#include <algorithm>
#include <array>
#include <map>

namespace cubepack {

namespace {

// The cells ordered by their coordinates, axes[0] slowest.
std::vector<Point> InOrder(std::vector<Point> cells, const std::array<int, 3>& axes) {
  auto key = [&](const Point& p) {
    const int c[3] = {p.x, p.y, p.z};
    return std::array<int, 3>{c[axes[0]], c[axes[1]], c[axes[2]]};
  };
  std::sort(cells.begin(), cells.end(),
            [&](const Point& a, const Point& b) { return key(a) < key(b); });
  return cells;
}

std::uint64_t Fnv1a(const std::string& s) {
  std::uint64_t h = 14695981039346656037ull;
  for (const char c : s) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

std::string ShapeText(const Shape& s) {
  std::string t;
  for (const Point& p : s)
    t += std::to_string(p.x) + "," + std::to_string(p.y) + "," + std::to_string(p.z) + " ";
  return t;
}

}  // namespace

WideMask Image(const WideMask& m, const CellSymmetry& g, int cells) {
  WideMask out;
  for (int i = 0; i < cells; ++i)
    if (m.Has(i)) out.Set(g.image[i]);
  return out;
}

PuzzleBuild BuildPolycubePuzzle(const PuzzleText& text, bool mirror, std::array<int, 3> axes) {
  PuzzleBuild build;
  PolycubePuzzle& puzzle = build.puzzle;
  puzzle.name = text.name;
  puzzle.mirror = mirror;
  puzzle.pieceCount = static_cast<int>(text.pieces.size());
  const Shape target = Normalised(text.target);
  puzzle.axes = axes;
  puzzle.cells = InOrder(target, axes);
  const int n = static_cast<int>(puzzle.cells.size());
  std::map<Point, int> index;
  for (int i = 0; i < n; ++i) index[puzzle.cells[i]] = i;

  // Classes in the order of their shapes, so that the pieces' order in the file changes
  // nothing in the search (and a share of the work means the same share of any such file).
  for (const PuzzlePiece& piece : text.pieces) {
    const Shape canonical = CanonicalForm(Normalised(piece.cubes));
    auto it = std::find_if(puzzle.classes.begin(), puzzle.classes.end(),
                           [&](const ShapeClass& c) { return c.shape == canonical; });
    if (it == puzzle.classes.end()) {
      puzzle.classes.push_back({canonical, 0, static_cast<int>(canonical.size()), piece.name, -1,
                                FaceConnected(canonical)});
      it = puzzle.classes.end() - 1;
    } else {
      it->names += "," + piece.name;
    }
    ++it->copies;
  }
  if (puzzle.classes.size() > static_cast<std::size_t>(kMaxShapeClasses)) {
    build.error = "the pieces have " + std::to_string(puzzle.classes.size()) +
                  " distinct shapes; the engine takes at most " + std::to_string(kMaxShapeClasses);
    return build;
  }
  std::sort(puzzle.classes.begin(), puzzle.classes.end(),
            [](const ShapeClass& a, const ShapeClass& b) { return a.shape < b.shape; });
  for (ShapeClass& c : puzzle.classes) {
    const Shape image = MirrorCanonicalForm(c.shape);
    for (std::size_t j = 0; j < puzzle.classes.size(); ++j)
      if (puzzle.classes[j].shape == image) c.mirror = static_cast<int>(j);
  }
  if (mirror)
    for (const ShapeClass& c : puzzle.classes)
      if (c.mirror < 0 || puzzle.classes[c.mirror].copies != c.copies) {
        const std::string first = c.names.substr(0, c.names.find(','));
        build.error = "--mirror: piece " + first +
                      " is chiral and the pieces do not hold its mirror image as often";
        return build;
      }

  // Symmetries: the turns that map the target onto itself, as permutations of its cells.
  const std::vector<Turn>& turns = mirror ? RotationsAndReflections() : Rotations();
  for (const Turn& t : turns) {
    std::vector<Point> turned;
    for (const Point& p : target) turned.push_back(Apply(t, p));
    Point low = turned[0];
    for (const Point& p : turned)
      low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
    CellSymmetry g;
    g.proper = t.proper;
    g.turn = t;
    for (int i = 0; i < n; ++i) {
      const Point q = Apply(t, puzzle.cells[i]);
      const auto it = index.find({q.x - low.x, q.y - low.y, q.z - low.z});
      if (it == index.end()) break;
      g.image.push_back(it->second);
    }
    if (static_cast<int>(g.image.size()) == n) puzzle.symmetries.push_back(std::move(g));
  }

  // Placements: every distinct rotation of every class at every offset that stays inside.
  for (std::size_t c = 0; c < puzzle.classes.size(); ++c) {
    for (const Shape& r : DistinctRotations(puzzle.classes[c].shape)) {
      for (const Point& at : puzzle.cells) {
        const Point shift = {at.x - r[0].x, at.y - r[0].y, at.z - r[0].z};
        WideMask mask;
        bool inside = true;
        for (const Point& p : r) {
          const auto it = index.find({p.x + shift.x, p.y + shift.y, p.z + shift.z});
          if (it == index.end()) {
            inside = false;
            break;
          }
          mask.Set(it->second);
        }
        if (inside) puzzle.placements.push_back({static_cast<int>(c), mask});
      }
    }
  }

  std::string key = "polycube-count 2;target " + ShapeText(target) + ";";
  std::vector<std::string> shapes;
  for (const ShapeClass& c : puzzle.classes)
    shapes.push_back(std::to_string(c.copies) + "x " + ShapeText(c.shape));
  std::sort(shapes.begin(), shapes.end());
  for (const std::string& s : shapes) key += s + ";";
  key += mirror ? "mirror" : "rotations";
  key += ";order " + std::to_string(axes[0]) + std::to_string(axes[1]) + std::to_string(axes[2]);
  puzzle.hash = Fnv1a(key);
  return build;
}

}  // namespace cubepack
