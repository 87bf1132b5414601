#pragma once
// The text form of a puzzle that a person writes by hand: a target (a box, or its cells listed)
// and the pieces, one line each. Read strictly: a file from a stranger either gives a puzzle
// the engine can take or one line that names the line and the fault.
//
//   # comment                        name <free text>
//   box X Y Z                        target x,y,z x,y,z ...   (several lines add up)
//   piece NAME x,y,z x,y,z ...       piece NAME draw LAYER LAYER ...
//   target draw LAYER LAYER ...      (a layer: rows of 'x' and '.' joined by '/')

#include <cstddef>
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
// The engine's widest mask: a target has at most this many cells.
inline constexpr int kMaxTargetCells = 128;

struct PuzzlePiece {
  std::string name;
  std::vector<Point> cubes;  // as written, no cube twice
  int line = 0;
};

struct PuzzleText {
  std::string name;
  std::vector<Point> target;  // as written, no cell twice
  std::vector<PuzzlePiece> pieces;
};

struct PuzzleParse {
  PuzzleText puzzle;
  int errorLine = 0;  // the line of the fault, 0 when it concerns the whole file
  std::string error;  // empty when the file is good
};

// Reads a whole file's bytes. The pieces' cubes add up to the target's cells on success.
PuzzleParse ParsePuzzle(std::string_view text);

}  // namespace cubepack::general
