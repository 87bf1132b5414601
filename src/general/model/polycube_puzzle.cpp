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

CellSet Image(const CellSet& m, const CellSymmetry& g) {
  CellSet out;
  for (const int i : m.Cells()) out.Set(g.image[i]);
  return out;
}

namespace {

using CellIndex = std::map<Point, int>;

// A shape with a colour per cube, sorted by cube: what tells pieces apart and what turns.
struct Coloured {
  Shape cubes;
  std::vector<int> colours;
  friend bool operator==(const Coloured&, const Coloured&) = default;
  friend auto operator<=>(const Coloured&, const Coloured&) = default;
};

Coloured TurnedColoured(const Coloured& s, const Turn& t) {
  std::vector<std::pair<Point, int>> cubes;
  for (std::size_t i = 0; i < s.cubes.size(); ++i)
    cubes.push_back({Apply(t, s.cubes[i]), s.colours[i]});
  Point low = cubes[0].first;
  for (const auto& [p, colour] : cubes)
    low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
  for (auto& [p, colour] : cubes) p = {p.x - low.x, p.y - low.y, p.z - low.z};
  std::sort(cubes.begin(), cubes.end());
  Coloured out;
  for (const auto& [p, colour] : cubes) {
    out.cubes.push_back(p);
    out.colours.push_back(colour);
  }
  return out;
}

Coloured CanonicalColoured(const Coloured& s, const std::vector<Turn>& turns) {
  Coloured best = TurnedColoured(s, turns[0]);
  for (const Turn& t : turns) best = std::min(best, TurnedColoured(s, t));
  return best;
}

// The turns that keep the plane whose normal is `axis`: turns within it, and with `flips` its
// reflections within it (never over: that would turn a one-sided piece).
std::vector<Turn> TurnsInPlane(int axis, bool flips) {
  std::vector<Turn> out;
  for (const Turn& t : RotationsAndReflections())
    if (t.axis[axis] == axis && t.sign[axis] == 1 && (flips || t.proper)) out.push_back(t);
  return out;
}

// The turns a piece takes.
std::vector<Turn> PieceTurns(const PolycubePuzzle& puzzle, int plane) {
  return puzzle.oneSided ? TurnsInPlane(plane, false) : Rotations();
}

// A reflection that keeps the plane: the mirror image of a one-sided piece lies in it too.
Turn MirrorTurn(int plane) {
  Turn t{{0, 1, 2}, {1, 1, 1}, false};
  t.sign[plane < 0 ? 0 : (plane + 1) % 3] = -1;
  return t;
}

Coloured ColouredPiece(const PuzzlePiece& piece) {
  Coloured c;
  c.cubes = piece.cubes;
  for (std::size_t i = 0; i < piece.cubes.size(); ++i) c.colours.push_back(CubeColour(piece, i));
  return c;
}

// Each class's mirror image: itself when achiral, else the class of that coloured shape (of
// several drawn alike, the one in the same place among them).
void FindMirrors(const std::vector<Turn>& turns, int plane, std::vector<ShapeClass>& classes) {
  for (std::size_t c = 0; c < classes.size(); ++c) {
    const Coloured own{classes[c].shape, classes[c].colours};
    const Coloured image = CanonicalColoured(TurnedColoured(own, MirrorTurn(plane)), turns);
    if (image == own) {
      classes[c].mirror = static_cast<int>(c);
      continue;
    }
    std::size_t rank = 0;
    for (std::size_t j = 0; j < c; ++j)
      rank += Coloured{classes[j].shape, classes[j].colours} == own;
    std::vector<int> candidates;
    for (std::size_t j = 0; j < classes.size(); ++j)
      if (Coloured{classes[j].shape, classes[j].colours} == image)
        candidates.push_back(static_cast<int>(j));
    if (!candidates.empty()) classes[c].mirror = candidates[std::min(rank, candidates.size() - 1)];
  }
}

// What a reflection makes of the packings: a packing with u[c] copies of each class c is mapped
// onto one with u[c] copies of its mirror class, which the ranges must also allow (no copies of
// a class without one).
MirrorPackings MirrorsOfPackings(std::vector<ShapeClass>& classes) {
  bool all = true, none = false;
  for (ShapeClass& c : classes) {
    const int low = c.mirror < 0 ? 0 : classes[c.mirror].minCopies;
    const int high = c.mirror < 0 ? 0 : classes[c.mirror].copies;
    all = all && c.mirror >= 0 && low == c.minCopies && high == c.copies;
    c.imagedMin = std::max(low, c.minCopies);
    c.imagedMax = std::min(high, c.copies);
    none = none || c.imagedMin > c.imagedMax;
  }
  return all ? MirrorPackings::kAll : none ? MirrorPackings::kNone : MirrorPackings::kSome;
}

// The pieces grouped into classes in the order of their shapes, so that the pieces' order in
// the file changes nothing in the search (and a share of the work means the same share of any
// such file). Pieces drawn alike are one class unless the file keeps each its own. "" or what is
// wrong.
std::string GroupIntoClasses(const PuzzleText& text, int plane, PolycubePuzzle& puzzle) {
  const std::vector<Turn> turns = PieceTurns(puzzle, plane);
  const int cells = static_cast<int>(text.target.size());
  for (const PuzzlePiece& piece : text.pieces) {
    const Coloured canonical = CanonicalColoured(ColouredPiece(piece), turns);
    auto it = std::find_if(puzzle.classes.begin(), puzzle.classes.end(), [&](const ShapeClass& c) {
      return text.shapesInterchangeable && c.shape == canonical.cubes &&
             c.colours == canonical.colours;
    });
    if (it == puzzle.classes.end()) {
      puzzle.classes.push_back({canonical.cubes, 0, static_cast<int>(canonical.cubes.size()),
                                piece.name, -1, FaceConnected(canonical.cubes), 0,
                                canonical.colours});
      it = puzzle.classes.end() - 1;
    } else {
      it->names += "," + piece.name;
    }
    it->copies += piece.maxCopies;
    it->minCopies += piece.minCopies;
  }
  if (puzzle.classes.size() > static_cast<std::size_t>(kMaxShapeClasses))
    return "the pieces have " + std::to_string(puzzle.classes.size()) +
           " distinct shapes; the engine takes at most " + std::to_string(kMaxShapeClasses);
  // No packing holds more copies than the target holds pieces of that size.
  for (ShapeClass& c : puzzle.classes) c.copies = std::min(c.copies, cells / c.size);
  std::stable_sort(puzzle.classes.begin(), puzzle.classes.end(),
                   [](const ShapeClass& a, const ShapeClass& b) {
                     return Coloured{a.shape, a.colours} < Coloured{b.shape, b.colours};
                   });
  FindMirrors(turns, plane, puzzle.classes);
  const MirrorPackings mirrors = MirrorsOfPackings(puzzle.classes);
  puzzle.mirrorPackings = puzzle.mirror ? mirrors : MirrorPackings::kNone;
  return "";
}

// The turns that map the target onto itself, its cells that may stay empty onto such cells
// and each colour onto the same colour, as permutations of its cells.
std::vector<CellSymmetry> TargetSymmetries(const Shape& target, const PolycubePuzzle& puzzle,
                                           const CellIndex& index, int plane) {
  const bool reflections = puzzle.mirrorPackings != MirrorPackings::kNone;
  const std::vector<Turn> candidates = puzzle.oneSided ? TurnsInPlane(plane, reflections)
                                       : reflections   ? RotationsAndReflections()
                                                       : Rotations();
  std::vector<CellSymmetry> out;
  const int n = static_cast<int>(puzzle.cells.size());
  for (const Turn& t : candidates) {
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
      if (it == index.end() || puzzle.optional.Has(it->second) != puzzle.optional.Has(i) ||
          CellColour(puzzle, it->second) != CellColour(puzzle, i))
        break;
      g.image.push_back(it->second);
    }
    if (static_cast<int>(g.image.size()) == n) out.push_back(std::move(g));
  }
  return out;
}

bool ColoursMatch(const PuzzleText& text, int cube, int cell) {
  if (cube == 0 || cell == 0) return true;
  return std::find(text.allowed.begin(), text.allowed.end(), ColourRule{cube, cell}) !=
         text.allowed.end();
}

// Every distinct turn of every class at every offset that stays inside, its colours matching
// the cells'; a placement is its class and its cells (turns of a coloured piece that cover the
// same cells are one).
std::vector<ClassPlacement> AllPlacements(const PuzzleText& text, const PolycubePuzzle& puzzle,
                                          const CellIndex& index, int plane) {
  std::vector<ClassPlacement> out;
  const std::vector<Turn> turns = PieceTurns(puzzle, plane);
  for (std::size_t c = 0; c < puzzle.classes.size(); ++c) {
    const Coloured shape{puzzle.classes[c].shape, puzzle.classes[c].colours};
    std::vector<Coloured> distinct;
    for (const Turn& t : turns)
      if (Coloured r = TurnedColoured(shape, t);
          std::find(distinct.begin(), distinct.end(), r) == distinct.end())
        distinct.push_back(std::move(r));
    std::unordered_map<CellSet, int, CellSetHash> seen;
    for (const Coloured& r : distinct)
      for (const Point& at : puzzle.cells) {
        CellSet mask;
        bool inside = true;
        for (std::size_t k = 0; k < r.cubes.size() && inside; ++k) {
          const Point q = {r.cubes[k].x - r.cubes[0].x + at.x, r.cubes[k].y - r.cubes[0].y + at.y,
                           r.cubes[k].z - r.cubes[0].z + at.z};
          const auto it = index.find(q);
          inside =
              it != index.end() && ColoursMatch(text, r.colours[k], CellColour(puzzle, it->second));
          if (inside) mask.Set(it->second);
        }
        if (inside && seen.emplace(mask, 0).second) out.push_back({static_cast<int>(c), mask});
      }
  }
  return out;
}

// images[g * placements + p]: the placement that symmetry g makes of placement p: a rotation
// keeps its class, a reflection makes it the mirror class (a symmetry maps the target, its
// colours and the pieces onto themselves, so every placement onto a placement).
std::vector<int> ImagesOfPlacements(const PolycubePuzzle& puzzle) {
  std::vector<std::unordered_map<CellSet, int, CellSetHash>> byMask(puzzle.classes.size());
  for (std::size_t i = 0; i < puzzle.placements.size(); ++i)
    byMask[puzzle.placements[i].shapeClass].emplace(puzzle.placements[i].mask, static_cast<int>(i));
  std::vector<int> images;
  images.reserve(puzzle.symmetries.size() * puzzle.placements.size());
  for (const CellSymmetry& g : puzzle.symmetries)
    for (const ClassPlacement& pl : puzzle.placements) {
      const int c = g.proper ? pl.shapeClass : puzzle.classes[pl.shapeClass].mirror;
      images.push_back(c < 0 ? -1 : byMask[c].at(Image(pl.mask, g)));
    }
  return images;
}

std::string ColoursText(const std::vector<int>& colours) {
  std::string t;
  for (const int c : colours) t += std::to_string(c) + " ";
  return t;
}

// Names the normalised puzzle, the cell order and the mirror choice.
std::uint64_t PuzzleHash(const PuzzleText& text, const Shape& target,
                         const PolycubePuzzle& puzzle) {
  std::string key = "polycube-count 3;target " + ShapeText(target) + ";";
  std::vector<std::string> shapes;
  for (const ShapeClass& c : puzzle.classes)
    shapes.push_back(std::to_string(c.minCopies) + "-" + std::to_string(c.copies) + "x " +
                     ShapeText(c.shape) + ColoursText(c.colours));
  std::sort(shapes.begin(), shapes.end());
  for (const std::string& s : shapes) key += s + ";";
  key += puzzle.mirror ? "mirror" : "rotations";
  key += ";order " + std::to_string(puzzle.axes[0]) + std::to_string(puzzle.axes[1]) +
         std::to_string(puzzle.axes[2]);
  // Cells are in search order here, which the order above fixes.
  key += ";optional";
  for (const int cell : puzzle.optional.Cells()) key.append(" ").append(std::to_string(cell));
  key +=
      ";holes " + std::to_string(puzzle.maxHoles) + ";colours " + ColoursText(puzzle.cellColours);
  for (const ColourRule& r : text.allowed)
    key += ";allow " + std::to_string(r.piece) + " " + std::to_string(r.target);
  key += puzzle.oneSided ? ";one-sided" : "";
  key += text.shapesInterchangeable ? "" : ";pieces apart";
  Fnv1a fnv;
  for (const char c : key) fnv.Byte(static_cast<std::uint8_t>(c));
  return fnv.value();
}

}  // namespace

bool MirrorImageIsPacking(const PolycubePuzzle& p, const int* pieces, int count) {
  if (p.mirrorPackings != MirrorPackings::kSome) return p.mirrorPackings == MirrorPackings::kAll;
  std::vector<int> used(p.classes.size(), 0);
  for (int i = 0; i < count; ++i) ++used[p.placements[pieces[i]].shapeClass];
  for (std::size_t c = 0; c < used.size(); ++c)
    if (used[c] < p.classes[c].imagedMin || used[c] > p.classes[c].imagedMax) return false;
  return true;
}

PuzzleBuild BuildPolycubePuzzle(const PuzzleText& text, bool mirror, std::array<int, 3> axes) {
  PuzzleBuild build;
  PolycubePuzzle& puzzle = build.puzzle;
  puzzle.name = text.name;
  puzzle.mirror = mirror;
  puzzle.oneSided = text.oneSided;
  puzzle.maxHoles = text.maxHoles;
  puzzle.axes = axes;
  // Normalised with its colours and optional cells, which go along with the cells' order.
  std::map<Point, std::pair<bool, int>> attributes;
  Point low = text.target[0];
  for (const Point& p : text.target)
    low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
  for (std::size_t i = 0; i < text.target.size(); ++i) {
    const Point& p = text.target[i];
    attributes[{p.x - low.x, p.y - low.y, p.z - low.z}] = {IsOptional(text, i),
                                                           TargetColour(text, i)};
  }
  const Shape target = Normalised(text.target);
  puzzle.cells = InOrder(target, axes);
  CellIndex index;
  bool coloured = false;
  for (int i = 0; i < static_cast<int>(puzzle.cells.size()); ++i) {
    index[puzzle.cells[i]] = i;
    const auto [optional, colour] = attributes.at(puzzle.cells[i]);
    if (optional) puzzle.optional.Set(i);
    puzzle.cellColours.push_back(colour);
    coloured = coloured || colour != 0;
  }
  if (!coloured) puzzle.cellColours.clear();
  const int plane = text.oneSided ? FlatAxis(target) : -1;
  build.error = GroupIntoClasses(text, plane, puzzle);
  if (!build.error.empty()) return build;
  puzzle.pieceCount = 0;
  for (const ShapeClass& c : puzzle.classes) puzzle.pieceCount += c.copies;
  puzzle.symmetries = TargetSymmetries(target, puzzle, index, plane);
  puzzle.rotations =
      static_cast<int>(std::count_if(puzzle.symmetries.begin(), puzzle.symmetries.end(),
                                     [](const CellSymmetry& g) { return g.proper; }));
  puzzle.placements = AllPlacements(text, puzzle, index, plane);
  puzzle.placementImages = ImagesOfPlacements(puzzle);
  puzzle.hash = PuzzleHash(text, target, puzzle);
  return build;
}

}  // namespace cubepack::general
