#pragma once
// The text form of a puzzle that a person writes by hand: a target (a box, or its cells listed)
// and the pieces, one line each. Read strictly: a file from a stranger either gives a puzzle
// the engine can take or one line that names the line and the fault.
//
//   # comment                        name <free text>
//   box X Y Z                        target x,y,z x,y,z ...   (several lines add up)
//   piece NAME x,y,z x,y,z ...       piece NAME draw LAYER LAYER ...
//   target draw LAYER LAYER ...      (a layer: rows of 'x', '+' and '.' joined by '/')
//   target optional x,y,z ...        (cells that may stay empty; '+' in a drawn layer)
//   piece NAME copies N ...          piece NAME copies MIN-MAX ...
//   piece NAME weight W ...          (W from 1: the part with the heaviest piece stays put)
//   piece NAME group G,G:N ...       (groups from 1 its copies may be in: N of them, or all)
//   (copies, weight and group in any order before the cubes, each at most once)
//   max-holes N                      (at most N cells that may stay empty do)
//   x,y,z:K                          (a coloured cube or cell, K from 1)
//   allow K L                        (piece colour K may lie on target colour L)
//   one-sided                        (a flat target; pieces turn in its plane, never over)

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "general/model/polycube.h"

namespace cubepack::general {

// Limits of the file: they keep a stranger's file from running the reader out of memory.
inline constexpr std::size_t kMaxPuzzleFileBytes = 1 << 20;
inline constexpr std::size_t kMaxPuzzleLineBytes = 4096;
inline constexpr int kMaxCoordinate = 255;
inline constexpr std::size_t kMaxPieceNameBytes = 32;
inline constexpr int kMaxColour = 255;
// A target has at most this many cells: its placements and their images under the symmetries
// stay within memory.
inline constexpr int kMaxTargetCells = 1 << 15;
inline constexpr int kMaxCopies = kMaxTargetCells;
inline constexpr int kMaxWeight = 1000000;
inline constexpr int kMaxGroupId = 65535;

struct PieceGroup {
  int id = 0;     // from 1
  int count = 0;  // copies of the piece that may belong to it
  friend bool operator==(const PieceGroup&, const PieceGroup&) = default;
};

struct PuzzlePiece {
  std::string name;
  std::vector<Point> cubes;  // as written, no cube twice
  int line = 0;
  std::vector<int> colours;  // per cube, 0 for plain; empty when every cube is plain
  int minCopies = 1, maxCopies = 1;
  // Disassembly: the part holding the heaviest piece stays where it is.
  int weight = 1;
  // Disassembly: the groups the piece's copies may belong to, each with how many of its copies
  // may; empty for none (group 0). A part whose pieces cannot come apart is still acceptable when
  // its pieces can share one group.
  std::vector<PieceGroup> groups;
};

// Piece colour `piece` may lie on target colour `target`.
struct ColourRule {
  int piece = 0, target = 0;
  friend bool operator==(const ColourRule&, const ColourRule&) = default;
  friend auto operator<=>(const ColourRule&, const ColourRule&) = default;
};

struct PuzzleText {
  std::string name;
  std::vector<Point> target;           // every cell, as written, no cell twice
  std::vector<std::uint8_t> optional;  // per target cell: 1 when it may stay empty; or empty
  std::vector<int> targetColours;      // per target cell, 0 for plain; or empty
  std::vector<PuzzlePiece> pieces;
  std::vector<ColourRule> allowed;
  int maxHoles = -1;  // the most optional cells left empty; -1 for any number
  bool oneSided = false;
  // Pieces of one shape are interchangeable; a designer's file keeps each shape its own piece.
  bool shapesInterchangeable = true;
};

// Cell i of the target may stay empty.
inline bool IsOptional(const PuzzleText& t, std::size_t i) {
  return i < t.optional.size() && t.optional[i] != 0;
}
inline int TargetColour(const PuzzleText& t, std::size_t i) {
  return i < t.targetColours.size() ? t.targetColours[i] : 0;
}
inline int CubeColour(const PuzzlePiece& p, std::size_t i) {
  return i < p.colours.size() ? p.colours[i] : 0;
}

// A choice of copies within the pieces' ranges covers the cells that must be filled, fits in
// the target, and leaves at most maxHoles cells empty. "" or what is wrong.
std::string CheckVolumes(const PuzzleText& t);

struct PuzzleParse {
  PuzzleText puzzle;
  int errorLine = 0;  // the line of the fault, 0 when it concerns the whole file
  std::string error;  // empty when the file is good
};

// Reads a whole file's bytes. On success some choice of the pieces' copies can fill the target.
PuzzleParse ParsePuzzle(std::string_view text);

}  // namespace cubepack::general
