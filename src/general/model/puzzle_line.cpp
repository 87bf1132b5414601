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

// Labels: the names when each is one character (names are unique) and each piece has one copy,
// else generated, one per copy; "" or what is wrong.
std::string LabelPieces(const PuzzleText& text, const PolycubePuzzle& puzzle, PuzzleLine& line) {
  const int cells = static_cast<int>(puzzle.cells.size());
  std::vector<int> copies;  // per piece line: the most copies a packing holds
  int labels = 0;
  bool named = true;
  for (const PuzzlePiece& piece : text.pieces) {
    copies.push_back(std::min(piece.maxCopies, cells / static_cast<int>(piece.cubes.size())));
    labels += copies.back();
    named = named && piece.name.size() == 1 && copies.back() <= 1;
  }
  if (!named && labels > kMaxGeneratedLabels)
    return std::to_string(labels) + " pieces: a line labels at most " +
           std::to_string(kMaxGeneratedLabels) +
           " (or any number of pieces named by one character each)";
  line.pieceOfLabel.fill(-1);
  line.classPieces.assign(puzzle.classes.size(), {});
  for (std::size_t i = 0; i < text.pieces.size(); ++i) {
    const PuzzlePiece& piece = text.pieces[i];
    // The piece's class: its name is among the class's names.
    int c = 0;
    while (c + 1 < static_cast<int>(puzzle.classes.size()) &&
           ("," + puzzle.classes[c].names + ",").find("," + piece.name + ",") == std::string::npos)
      ++c;
    for (int k = 0; k < copies[i]; ++k) {
      const int label = static_cast<int>(line.pieceLabel.size());
      const char shown = named ? piece.name[0] : kGeneratedLabels[label];
      line.pieceLabel.push_back(shown);
      line.pieceName.push_back(piece.name);
      line.pieceOfLabel[static_cast<unsigned char>(shown)] = label;
      line.pieceClass.push_back(c);
      line.pieceEntry.push_back(static_cast<int>(i));
      line.classPieces[c].push_back(label);
    }
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
    for (const int i : pl.mask.Cells()) {
      line.ranks.push_back(static_cast<std::uint16_t>(line.rank[i]));
      low = std::min(low, line.rank[i]);
    }
    line.lowRank.push_back(static_cast<std::uint16_t>(low));
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
  // Kept from call to call: a listing writes one key per packing, and a large target's would
  // not fit a thread's stack.
  thread_local std::vector<std::uint64_t> order;
  if (order.size() < static_cast<std::size_t>(count)) order.resize(static_cast<std::size_t>(count));
  const int* image = puzzle.placementImages.data() + static_cast<std::size_t>(g) * line.placements;
  for (int i = 0; i < count; ++i) {
    const int p = image[pieces[i]];
    order[i] = static_cast<std::uint64_t>(puzzle.placements[p].shapeClass) << 48 |
               static_cast<std::uint64_t>(line.lowRank[p]) << 32 | static_cast<std::uint64_t>(p);
  }
  std::sort(order.begin(), order.begin() + count);
  std::fill(key, key + line.cells, kEmptyCell);
  int previous = -1, copy = 0;
  for (int i = 0; i < count; ++i) {
    const int c = static_cast<int>(order[i] >> 48);
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

PlacementIndex::PlacementIndex(const PolycubePuzzle& puzzle) : index_(puzzle.classes.size()) {
  for (std::size_t i = 0; i < puzzle.placements.size(); ++i)
    index_[puzzle.placements[i].shapeClass].emplace(puzzle.placements[i].mask, static_cast<int>(i));
}

int PlacementIndex::Find(const CellSet& mask, int c) const {
  const auto it = index_[c].find(mask);
  return it == index_[c].end() ? -1 : it->second;
}

namespace {

// The cells labelled by piece i are one of its placements; "" or what is wrong.
std::string CheckPiece(const PuzzleLine& line, const PolycubePuzzle& puzzle,
                       const PlacementIndex& index, int i, const CellSet& mask) {
  const int c = line.pieceClass[i];
  const int size = puzzle.classes[c].size;
  const int count = mask.Count();
  if (count != size)
    return PieceWords(line, i) + " covers " + std::to_string(count) +
           (count == 1 ? " cell" : " cells") + ", not " + std::to_string(size);
  if (index.Find(mask, c) >= 0) return "";
  // Its mirror image is worth naming: the one fault a rotation check alone cannot explain.
  std::vector<Point> cubes;
  for (int cell = 0; cell < line.cells; ++cell)
    if (mask.Has(cell)) cubes.push_back(puzzle.cells[cell]);
  const bool mirrored =
      CanonicalForm(Normalised(cubes)) == MirrorCanonicalForm(puzzle.classes[c].shape) &&
      CanonicalForm(puzzle.classes[c].shape) != MirrorCanonicalForm(puzzle.classes[c].shape);
  return PieceWords(line, i) + (mirrored ? " is its mirror image, not one of its rotations"
                                         : " is not in one of its rotations");
}

int LowRank(const PuzzleLine& line, const CellSet& mask) {
  int low = line.cells;
  for (const int cell : mask.Cells()) low = std::min(low, line.rank[cell]);
  return low;
}

// The copies of each class take its first labels in the order of their first cells, as many
// as its range allows, and the cells left empty are no more than the puzzle allows.
std::string CheckCopies(const PuzzleLine& line, const PolycubePuzzle& puzzle,
                        const std::vector<CellSet>& masks, const std::vector<int>& pieces,
                        const std::vector<int>& used) {
  for (std::size_t c = 0; c < line.classPieces.size(); ++c) {
    const std::vector<int>& copies = line.classPieces[c];
    for (std::size_t k = 1; k < copies.size(); ++k) {
      const bool here = !masks[copies[k]].Empty(), before = !masks[copies[k - 1]].Empty();
      if (here && !before)
        return PieceWords(line, copies[k]) + " is used and " + PieceWords(line, copies[k - 1]) +
               " is not: copies of one shape take their labels in order";
      if (here && LowRank(line, masks[copies[k]]) < LowRank(line, masks[copies[k - 1]]))
        return PieceWords(line, copies[k]) + " comes before " + PieceWords(line, copies[k - 1]) +
               ": copies of one shape take their labels in the order of their first cells";
    }
    const ShapeClass& k = puzzle.classes[c];
    if (used[c] < k.minCopies || used[c] > k.copies)
      return "the line has " + std::to_string(used[c]) + " of " + PieceWords(line, copies[0]) +
             (k.minCopies == k.copies
                  ? ", not " + std::to_string(k.copies)
                  : ", not " + std::to_string(k.minCopies) + " to " + std::to_string(k.copies));
  }
  int covered = 0;
  for (const int p : pieces) covered += puzzle.placements[p].mask.Count();
  const int holes = line.cells - covered;
  if (puzzle.maxHoles >= 0 && holes > puzzle.maxHoles)
    return std::to_string(holes) + " cells left empty, more than max-holes " +
           std::to_string(puzzle.maxHoles);
  return "";
}

}  // namespace

std::string ParsePuzzleLine(const PuzzleLine& line, const PolycubePuzzle& puzzle,
                            const PlacementIndex& index, std::string_view chars,
                            std::vector<int>& pieces) {
  const std::size_t pieceCount = line.pieceLabel.size();
  std::vector<CellSet> masks(pieceCount);
  const std::size_t checked = std::min(chars.size(), static_cast<std::size_t>(line.length));
  for (std::size_t k = 0; k < checked; ++k) {
    const char c = chars[k];
    const int cell = line.cellAtPosition[k];
    const std::string where = "character " + std::to_string(k + 1) + " is " + ShownChar(c);
    if (cell < 0) {
      if (c != '.') return where + ", not '.' (the cell is outside the target)";
      continue;
    }
    if (c == kEmptyCell) {
      if (!puzzle.optional.Has(cell)) return where + ", but the cell must be covered";
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

  pieces.clear();
  std::vector<int> used(puzzle.classes.size(), 0);
  for (std::size_t i = 0; i < pieceCount; ++i) {
    const int c = line.pieceClass[i];
    const int count = masks[i].Count();
    if (count == 0) continue;
    if (std::string fault = CheckPiece(line, puzzle, index, static_cast<int>(i), masks[i]);
        !fault.empty())
      return fault;
    pieces.push_back(index.Find(masks[i], c));
    ++used[c];
  }
  return CheckCopies(line, puzzle, masks, pieces, used);
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
