#pragma once
// Whether an assembly can be taken apart by sliding its pieces, and how hard that is.
//
// Pieces never turn; a state is one translation per piece, equal to another when every piece
// lies alike relative to the first. A move shifts a group of pieces by k along one of the six
// directions (+x, -x, +y, -y, +z, -z, tried in that order): the group of (p, d, k) is the
// smallest set holding p that no piece outside it stops within k, and it is used only when it
// holds at most half of the (sub)assembly's pieces. A breadth-first search over the moves finds
// the fewest moves until some group can leave without bound (the smallest such group, then the
// first direction, then the first piece); that separation is a move too. The two parts go on
// from there, the part that stayed first (the one holding the heaviest piece stays; on a tie
// the group found leaves). Only that first separation is tried.
//
// The level text is the separation's moves, then "." and the level of the part that stayed,
// then "." and that of the part that left, where a part whose separations all took one move is
// left out: e.g. "4.9.3". The whole assembly always shows its first number.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "general/input/puzzle_file.h"
#include "general/model/polycube.h"

namespace cubepack::general {

// The pieces of one assembly are the bits of one word in the moves' groups.
inline constexpr int kMaxDisassemblyPieces = 64;
inline constexpr int kDisassemblyDirections = 6;

struct DisassemblyInput {
  std::vector<std::vector<Point>> pieces;  // each piece's cubes where the assembly holds them
  std::vector<int> weight;                 // per piece; empty: all alike
  // Per piece: which of `kindGroups` it takes its groups from (copies of one piece of the file
  // share its allowance); empty: no piece has a group.
  std::vector<int> kind;
  std::vector<std::vector<PieceGroup>> kindGroups;
};

struct DisassemblyMove {
  std::uint64_t pieces = 0;  // the pieces that move, as bits
  int direction = 0;         // 0..5: +x, -x, +y, -y, +z, -z
  int distance = 0;          // 0 for a separation: the pieces leave without bound
};

struct DisassemblyResult {
  bool solution = false;
  std::string level;  // empty when the assembly does not come apart
  // With moves asked for: every move in order, each part's after the separation that made it,
  // the part that stayed first.
  std::vector<DisassemblyMove> moves;
  std::uint64_t states = 0;  // the states the searches met, for the benchmarks
};

// The direction's name: "+x" ... "-z".
const char* DirectionName(int direction);

// Disassembles assemblies one after another on one thread, reusing its memory.
class Disassembler {
 public:
  Disassembler();
  ~Disassembler();
  Disassembler(const Disassembler&) = delete;
  Disassembler& operator=(const Disassembler&) = delete;

  // At most kMaxDisassemblyPieces pieces, no cube in two of them. Throws std::bad_alloc when
  // the states outgrow memory.
  DisassemblyResult Run(const DisassemblyInput& input, bool withMoves = false);

  class Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace cubepack::general
