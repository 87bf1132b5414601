#include "general/model/polycube_puzzle.h"

#include <algorithm>
#include <array>
#include <map>
#include <unordered_map>

#include "shared/hash.h"

namespace cubepack::general {

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

namespace {

using CellIndex = std::map<Point, int>;

// The pieces grouped into classes in the order of their shapes, so that the pieces' order in
// the file changes nothing in the search (and a share of the work means the same share of any
// such file). "" or what is wrong.
std::string GroupIntoClasses(const PuzzleText& text, bool mirror, PolycubePuzzle& puzzle) {
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
  if (puzzle.classes.size() > static_cast<std::size_t>(kMaxShapeClasses))
    return "the pieces have " + std::to_string(puzzle.classes.size()) +
           " distinct shapes; the engine takes at most " + std::to_string(kMaxShapeClasses);
  std::sort(puzzle.classes.begin(), puzzle.classes.end(),
            [](const ShapeClass& a, const ShapeClass& b) { return a.shape < b.shape; });
  for (ShapeClass& c : puzzle.classes) {
    const Shape image = MirrorCanonicalForm(c.shape);
    for (std::size_t j = 0; j < puzzle.classes.size(); ++j)
      if (puzzle.classes[j].shape == image) c.mirror = static_cast<int>(j);
  }
  if (mirror)
    for (const ShapeClass& c : puzzle.classes)
      if (c.mirror < 0 || puzzle.classes[c.mirror].copies != c.copies)
        return "--mirror: piece " + c.names.substr(0, c.names.find(',')) +
               " is chiral and the pieces do not hold its mirror image as often";
  return "";
}

// The turns that map the target onto itself, as permutations of its cells.
std::vector<CellSymmetry> TargetSymmetries(const Shape& target, const PolycubePuzzle& puzzle,
                                           const CellIndex& index) {
  std::vector<CellSymmetry> out;
  const int n = static_cast<int>(puzzle.cells.size());
  for (const Turn& t : puzzle.mirror ? RotationsAndReflections() : Rotations()) {
    Point low = Apply(t, target[0]);
    for (const Point& p : target) {
      const Point q = Apply(t, p);
      low = {std::min(low.x, q.x), std::min(low.y, q.y), std::min(low.z, q.z)};
    }
    CellSymmetry g;
    g.proper = t.proper;
    g.turn = t;
    for (int i = 0; i < n; ++i) {
      const Point q = Apply(t, puzzle.cells[i]);
      const auto it = index.find({q.x - low.x, q.y - low.y, q.z - low.z});
      if (it == index.end()) break;
      g.image.push_back(it->second);
    }
    if (static_cast<int>(g.image.size()) == n) out.push_back(std::move(g));
  }
  return out;
}

// Every distinct rotation of every class at every offset that stays inside.
std::vector<ClassPlacement> AllPlacements(const PolycubePuzzle& puzzle, const CellIndex& index) {
  std::vector<ClassPlacement> out;
  for (std::size_t c = 0; c < puzzle.classes.size(); ++c)
    for (const Shape& r : DistinctRotations(puzzle.classes[c].shape))
      for (const Point& at : puzzle.cells) {
        WideMask mask;
        bool inside = true;
        for (std::size_t k = 0; k < r.size() && inside; ++k) {
          const auto it =
              index.find({r[k].x - r[0].x + at.x, r[k].y - r[0].y + at.y, r[k].z - r[0].z + at.z});
          inside = it != index.end();
          if (inside) mask.Set(it->second);
        }
        if (inside) out.push_back({static_cast<int>(c), mask});
      }
  return out;
}

// images[g * placements + p]: the placement that symmetry g makes of placement p (a symmetry
// maps the target, so every placement onto a placement).
std::vector<int> ImagesOfPlacements(const PolycubePuzzle& puzzle) {
  std::unordered_map<WideMask, int, WideMaskHash> byMask;
  for (std::size_t i = 0; i < puzzle.placements.size(); ++i)
    byMask.emplace(puzzle.placements[i].mask, static_cast<int>(i));
  const int n = static_cast<int>(puzzle.cells.size());
  std::vector<int> images;
  images.reserve(puzzle.symmetries.size() * puzzle.placements.size());
  for (const CellSymmetry& g : puzzle.symmetries)
    for (const ClassPlacement& pl : puzzle.placements)
      images.push_back(byMask.at(Image(pl.mask, g, n)));
  return images;
}

// Names the normalised puzzle, the cell order and the mirror choice.
std::uint64_t PuzzleHash(const Shape& target, const PolycubePuzzle& puzzle) {
  std::string key = "polycube-count 2;target " + ShapeText(target) + ";";
  std::vector<std::string> shapes;
  for (const ShapeClass& c : puzzle.classes)
    shapes.push_back(std::to_string(c.copies) + "x " + ShapeText(c.shape));
  std::sort(shapes.begin(), shapes.end());
  for (const std::string& s : shapes) key += s + ";";
  key += puzzle.mirror ? "mirror" : "rotations";
  key += ";order " + std::to_string(puzzle.axes[0]) + std::to_string(puzzle.axes[1]) +
         std::to_string(puzzle.axes[2]);
  Fnv1a fnv;
  for (const char c : key) fnv.Byte(static_cast<std::uint8_t>(c));
  return fnv.value();
}

}  // namespace

PuzzleBuild BuildPolycubePuzzle(const PuzzleText& text, bool mirror, std::array<int, 3> axes) {
  PuzzleBuild build;
  PolycubePuzzle& puzzle = build.puzzle;
  puzzle.name = text.name;
  puzzle.mirror = mirror;
  puzzle.pieceCount = static_cast<int>(text.pieces.size());
  puzzle.axes = axes;
  const Shape target = Normalised(text.target);
  puzzle.cells = InOrder(target, axes);
  CellIndex index;
  for (int i = 0; i < static_cast<int>(puzzle.cells.size()); ++i) index[puzzle.cells[i]] = i;
  build.error = GroupIntoClasses(text, mirror, puzzle);
  if (!build.error.empty()) return build;
  puzzle.symmetries = TargetSymmetries(target, puzzle, index);
  puzzle.placements = AllPlacements(puzzle, index);
  puzzle.placementImages = ImagesOfPlacements(puzzle);
  puzzle.hash = PuzzleHash(target, puzzle);
  return build;
}

}  // namespace cubepack::general
