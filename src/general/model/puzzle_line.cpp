#include "general/model/puzzle_line.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "shared/text.h"

namespace cubepack::general {

namespace {

constexpr std::string_view kGeneratedLabels =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

std::string PieceWords(const PuzzleLine& line, int piece) {
  const std::string label(1, line.pieceLabel[piece]);
  const std::string& name = line.pieceName[piece];
  return "piece " + label + (name == label ? "" : " (" + name + ")");
}

}  // namespace

namespace {

// The line's positions of the cells and their order along the line; "" or what is wrong.
std::string PlaceCells(const PolycubePuzzle& puzzle, PuzzleLine& line) {
  const int n = static_cast<int>(puzzle.cells.size());
  line.cells = n;
  for (const Point& p : puzzle.cells) {
    line.extent[0] = std::max(line.extent[0], p.x + 1);
    line.extent[1] = std::max(line.extent[1], p.y + 1);
    line.extent[2] = std::max(line.extent[2], p.z + 1);
  }
  const long long length = static_cast<long long>(line.extent[0]) * line.extent[1] * line.extent[2];
  if (length > kMaxLineCells)
    return "the target's bounding box has " + std::to_string(length) +
           " cells; a line takes at most " + std::to_string(kMaxLineCells);
  line.length = static_cast<int>(length);
  line.cellAtPosition.assign(line.length, -1);
  for (int i = 0; i < n; ++i) {
    const Point& p = puzzle.cells[i];
    const int at = p.x + line.extent[0] * (p.y + line.extent[1] * p.z);
    line.position.push_back(at);
    line.cellAtPosition[at] = i;
  }
  line.rank.assign(n, 0);
  for (int at = 0; at < line.length; ++at)
    if (const int cell = line.cellAtPosition[at]; cell >= 0) {
      line.rank[cell] = static_cast<int>(line.cellAtRank.size());
      line.cellAtRank.push_back(cell);
    }
  return "";
}

// Labels: the names when each is one character (names are unique), else generated; "" or
// what is wrong.
std::string LabelPieces(const PuzzleText& text, const PolycubePuzzle& puzzle, PuzzleLine& line) {
  const int pieces = static_cast<int>(text.pieces.size());
  const bool named = std::all_of(text.pieces.begin(), text.pieces.end(),
                                 [](const PuzzlePiece& p) { return p.name.size() == 1; });
  if (!named && pieces > kMaxGeneratedLabels)
    return std::to_string(pieces) + " pieces: a line labels at most " +
           std::to_string(kMaxGeneratedLabels) +
           " (or any number of pieces named by one character each)";
  line.pieceOfLabel.fill(-1);
  line.classPieces.assign(puzzle.classes.size(), {});
  for (int i = 0; i < pieces; ++i) {
    const PuzzlePiece& piece = text.pieces[i];
    const char label = named ? piece.name[0] : kGeneratedLabels[i];
    line.pieceLabel.push_back(label);
    line.pieceName.push_back(piece.name);
    line.pieceOfLabel[static_cast<unsigned char>(label)] = i;
    const Shape canonical = CanonicalForm(Normalised(piece.cubes));
    int c = 0;
    while (puzzle.classes[c].shape != canonical) ++c;
    line.pieceClass.push_back(c);
    line.classPieces[c].push_back(i);
  }
  return "";
}

// Per placement: its cells' ranks and the lowest of them.
void RankPlacements(const PolycubePuzzle& puzzle, PuzzleLine& line) {
  line.placements = static_cast<int>(puzzle.placements.size());
  line.symmetries = SymmetryCount(puzzle);
  for (const ClassPlacement& pl : puzzle.placements) {
    line.rankBegin.push_back(static_cast<std::uint32_t>(line.ranks.size()));
    int low = line.cells;
    for (int i = 0; i < line.cells; ++i)
      if (pl.mask.Has(i)) {
        line.ranks.push_back(static_cast<std::uint8_t>(line.rank[i]));
        low = std::min(low, line.rank[i]);
      }
    line.lowRank.push_back(static_cast<std::uint8_t>(low));
  }
  line.rankBegin.push_back(static_cast<std::uint32_t>(line.ranks.size()));
}

}  // namespace

PuzzleLineBuild MakePuzzleLine(const PuzzleText& text, const PolycubePuzzle& puzzle) {
  PuzzleLineBuild build;
  build.error = PlaceCells(puzzle, build.format);
  if (build.error.empty()) build.error = LabelPieces(text, puzzle, build.format);
  if (build.error.empty()) RankPlacements(puzzle, build.format);
  return build;
}

void WritePackingKey(const PuzzleLine& line, const PolycubePuzzle& puzzle, const int* pieces,
                     int count, int g, char* key) {
  // Ordered by class, then lowest cell: the copies of a class take its labels in that order.
  std::array<std::uint64_t, kMaxTargetCells> order;
  const int* image = puzzle.placementImages.data() + static_cast<std::size_t>(g) * line.placements;
  for (int i = 0; i < count; ++i) {
    const int p = image[pieces[i]];
    order[i] = static_cast<std::uint64_t>(puzzle.placements[p].shapeClass) << 40 |
               static_cast<std::uint64_t>(line.lowRank[p]) << 32 | static_cast<std::uint64_t>(p);
  }
  std::sort(order.begin(), order.begin() + count);
  int previous = -1, copy = 0;
  for (int i = 0; i < count; ++i) {
    const int c = static_cast<int>(order[i] >> 40);
    const int p = static_cast<int>(order[i] & 0xFFFFFFFF);
    copy = c == previous ? copy + 1 : 0;
    previous = c;
    const char label = line.pieceLabel[line.classPieces[c][copy]];
    for (std::uint32_t k = line.rankBegin[p]; k < line.rankBegin[p + 1]; ++k)
      key[line.ranks[k]] = label;
  }
}

std::string LineOfKey(const PuzzleLine& line, std::string_view key) {
  std::string out(line.length + 1, '.');
  for (int r = 0; r < line.cells; ++r) out[line.position[line.cellAtRank[r]]] = key[r];
  out.back() = '\n';
  return out;
}

PlacementIndex::PlacementIndex(const PolycubePuzzle& puzzle) {
  for (std::size_t i = 0; i < puzzle.placements.size(); ++i)
    index_.emplace(puzzle.placements[i].mask, static_cast<int>(i));
}

int PlacementIndex::Find(const WideMask& mask) const {
  const auto it = index_.find(mask);
  return it == index_.end() ? -1 : it->second;
}

std::string ParsePuzzleLine(const PuzzleLine& line, const PolycubePuzzle& puzzle,
                            const PlacementIndex& index, std::string_view chars,
                            std::vector<int>& pieces) {
  const std::size_t pieceCount = line.pieceLabel.size();
  std::vector<WideMask> masks(pieceCount);
  const std::size_t checked = std::min(chars.size(), static_cast<std::size_t>(line.length));
  for (std::size_t k = 0; k < checked; ++k) {
    const char c = chars[k];
    const int cell = line.cellAtPosition[k];
    const std::string where = "character " + std::to_string(k + 1) + " is " + ShownChar(c);
    if (cell < 0) {
      if (c != '.') return where + ", not '.' (the cell is outside the target)";
      continue;
    }
    const int piece = line.pieceOfLabel[static_cast<unsigned char>(c)];
    if (piece < 0) return where + ", not a piece's label";
    masks[piece].Set(cell);
  }
  const std::string expected = std::to_string(line.length);
  if (chars.size() > checked) return "more than " + expected + " characters";
  if (chars.size() < static_cast<std::size_t>(line.length))
    return std::to_string(chars.size()) + (chars.size() == 1 ? " character" : " characters") +
           ", not " + expected;

  pieces.assign(pieceCount, -1);
  for (std::size_t i = 0; i < pieceCount; ++i) {
    const int c = line.pieceClass[i];
    const int size = puzzle.classes[c].size;
    const int count = masks[i].Count();
    if (count != size)
      return PieceWords(line, static_cast<int>(i)) + " covers " + std::to_string(count) +
             (count == 1 ? " cell" : " cells") + ", not " + std::to_string(size);
    const int p = index.Find(masks[i]);
    if (p < 0 || puzzle.placements[p].shapeClass != c) {
      // Its mirror image is worth naming: the one fault a rotation check alone cannot explain.
      std::vector<Point> cubes;
      for (int cell = 0; cell < line.cells; ++cell)
        if (masks[i].Has(cell)) cubes.push_back(puzzle.cells[cell]);
      const bool mirrored =
          CanonicalForm(Normalised(cubes)) == MirrorCanonicalForm(puzzle.classes[c].shape) &&
          puzzle.classes[c].mirror != c;
      return PieceWords(line, static_cast<int>(i)) +
             (mirrored ? " is its mirror image, not one of its rotations"
                       : " is not in one of its rotations");
    }
    pieces[i] = p;
  }
  for (const std::vector<int>& copies : line.classPieces)
    for (std::size_t k = 1; k < copies.size(); ++k)
      if (line.lowRank[pieces[copies[k]]] < line.lowRank[pieces[copies[k - 1]]])
        return PieceWords(line, copies[k]) + " comes before " + PieceWords(line, copies[k - 1]) +
               ": copies of one shape take their labels in the order of their first cells";
  return {};
}

std::string DescribeTurn(const Turn& t) {
  static constexpr char kAxis[3] = {'x', 'y', 'z'};
  std::string out = "(x, y, z) -> (";
  for (int i = 0; i < 3; ++i) {
    if (i > 0) out += ", ";
    if (t.sign[i] < 0) out += '-';
    out += kAxis[t.axis[i]];
  }
  return out + ")";
}

}  // namespace cubepack::general
