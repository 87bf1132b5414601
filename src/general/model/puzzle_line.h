#pragma once
// A packing of any puzzle as one line of text: one character per cell of the target's
// bounding box, x fastest, then y, then z; '.' outside the target, else the label of the piece
// on the cell, '+' for a cell left empty. Labels are the pieces' names when each is one character
// (and one copy), else 0-9, A-Z, a-z in the file's order, one per copy; the copies of one shape
// take its first labels in the order of their lowest cell, so that a packing has exactly one
// line.
//
// A packing is held as the placements of its pieces (indices into the puzzle's placements).
// Its key is the line without the '.' cells: what the listing's and the checker's comparisons
// under the target's symmetries work on.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "general/input/puzzle_file.h"
#include "general/model/polycube_puzzle.h"

namespace cubepack::general {

// 0-9, A-Z, a-z: the labels there are when the names cannot serve.
inline constexpr int kMaxGeneratedLabels = 62;
// A longer line is refused: a target's cells may lie far apart in a huge bounding box.
inline constexpr int kMaxLineCells = 1 << 16;
// A cell that may stay empty and does.
inline constexpr char kEmptyCell = '+';

struct PuzzleLine {
  std::array<int, 3> extent{};  // the bounding box
  int length = 0;               // characters of a line, the line end left out
  int cells = 0;
  std::vector<int> position;           // per cell of the puzzle (search order): its character
  std::vector<int> cellAtPosition;     // per character: its cell, -1 outside the target
  std::vector<int> rank;               // per cell: its place among the target's cells in line order
  std::vector<int> cellAtRank;         // the inverse
  std::vector<char> pieceLabel;        // per piece, in file order
  std::vector<std::string> pieceName;  // per piece, in file order
  std::vector<int> pieceClass;         // per piece: its shape class
  std::vector<int> pieceEntry;         // per piece: its line among the file's pieces
  std::vector<std::vector<int>> classPieces;  // per class: its pieces, in file order
  std::array<int, 256> pieceOfLabel{};        // -1 for a character that is no label
  // Per placement: its cells' ranks, and the lowest of them.
  std::vector<std::uint32_t> rankBegin;  // placement p: ranks[rankBegin[p] .. rankBegin[p + 1])
  std::vector<std::uint16_t> ranks;      // a line has at most kMaxLineCells cells
  std::vector<std::uint16_t> lowRank;
  int placements = 0;
  int symmetries = 0;
};

struct PuzzleLineBuild {
  PuzzleLine format;
  std::string error;  // one line when the puzzle's packings cannot be written as lines
};

// `puzzle` must be built from `text`.
PuzzleLineBuild MakePuzzleLine(const PuzzleText& text, const PolycubePuzzle& puzzle);

// The key (one label per target cell, in line order) of the packing made of `count`
// placements `pieces`, each first mapped by symmetry g (0 is the identity). `key` holds
// line.cells characters.
void WritePackingKey(const PuzzleLine& line, const PolycubePuzzle& puzzle, const int* pieces,
                     int count, int g, char* key);

// The line of a key, with its "\n".
std::string LineOfKey(const PuzzleLine& line, std::string_view key);

// Placements by their class and mask: how a line's pieces are found.
class PlacementIndex {
 public:
  explicit PlacementIndex(const PolycubePuzzle& puzzle);
  // The placement of class c covering exactly `mask`, or -1.
  int Find(const CellSet& mask, int c) const;

 private:
  std::vector<std::unordered_map<CellSet, int, CellSetHash>> index_;  // per class
};

// Reads one line's characters (without its line end) into its pieces' placements (`pieces`,
// one per piece used, in label order). Returns what is wrong, e.g. "character 7 is 'Q', not a
// piece's label" or "piece F is not in one of its rotations", or "" for a packing.
std::string ParsePuzzleLine(const PuzzleLine& line, const PolycubePuzzle& puzzle,
                            const PlacementIndex& index, std::string_view chars,
                            std::vector<int>& pieces);

// A symmetry as a map of coordinates, e.g. "(x, y, z) -> (y, -x, z)".
std::string DescribeTurn(const Turn& t);

}  // namespace cubepack::general
